#include "core/YTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using V = std::vector<std::string>;

V Tokens(const std::string& text, const std::string& delimiter = ",", bool quotes = false) {
    CYTokenizer t(text, delimiter, quotes);
    V out;
    std::string token;
    while (t.NextToken(token)) out.push_back(token);
    EXPECT_EQ(token, "");
    return out;
}

TEST(TokenizerSplitting, SplitsAtTheDelimiter) { EXPECT_EQ(Tokens("a,b,c"), (V{"a", "b", "c"})); }

TEST(TokenizerSplitting, TwoDelimitersInARowGiveAnEmptyToken) { EXPECT_EQ(Tokens("a,,b"), (V{"a", "", "b"})); }

TEST(TokenizerSplitting, TrailingDelimiterGivesNoEmptyLastToken) { EXPECT_EQ(Tokens("a,"), (V{"a"})); }

TEST(TokenizerSplitting, LeadingDelimiterGivesAnEmptyFirstToken) { EXPECT_EQ(Tokens(",a"), (V{"", "a"})); }

TEST(TokenizerSplitting, TextAndTokensAreTrimmed) { EXPECT_EQ(Tokens("  a , b  "), (V{"a", "b"})); }

TEST(TokenizerSplitting, TokenOfOneBlankIsKept) { EXPECT_EQ(Tokens("a, ,b"), (V{"a", " ", "b"})); }

TEST(TokenizerSplitting, EmptyOrBlankTextHasNoToken) {
    EXPECT_EQ(Tokens(""), V{});
    EXPECT_EQ(Tokens(" \t "), V{});
}

TEST(TokenizerSplitting, BlankDelimiterSplitsAtEachBlank) {
    EXPECT_EQ(Tokens("bind  key", " "), (V{"bind", "", "key"}));
}

TEST(TokenizerSplitting, TabDelimiterKeepsBlanksInsideTokens) {
    EXPECT_EQ(Tokens("Big Font\t12\tx", "\t"), (V{"Big Font", "12", "x"}));
}

TEST(TokenizerQuotes, QuotesGroupDelimiters) {
    EXPECT_EQ(Tokens("\"x,y\",z", ",", true), (V{"x,y", "z"}));
}

TEST(TokenizerQuotes, DoubledQuoteInsideQuotesGivesOneQuote) {
    EXPECT_EQ(Tokens("\"say \"\"hi\"\"\",b", ",", true), (V{"say \"hi\"", "b"}));
}

TEST(TokenizerQuotes, WithoutTheFlagQuotesAreOrdinary) {
    EXPECT_EQ(Tokens("\"x,y\",z"), (V{"\"x", "y\"", "z"}));
}

TEST(TokenizerQuotes, QuotedBlanksDoNotSplit) {
    EXPECT_EQ(Tokens("say \"two words\" end", " ", true), (V{"say", "two words", "end"}));
}

TEST(TokenizerQuotes, UnclosedQuoteRunsToTheEnd) { EXPECT_EQ(Tokens("\"a,b", ",", true), (V{"a,b"})); }

TEST(TokenizerQuotes, QuotedEmptyTextIsAnEmptyToken) { EXPECT_EQ(Tokens("\"\",a", ",", true), (V{"", "a"})); }

TEST(TokenizerSequences, LongerDelimiterIsMatchedAsASequence) {
    EXPECT_EQ(Tokens("a::b:c::d", "::"), (V{"a", "b:c", "d"}));
}

TEST(TokenizerSequences, BrokenMatchIsNotRetriedAtItsLastCharacter) {
    // "a" then "ab": the second "a" breaks the match and is taken as text.
    EXPECT_EQ(Tokens("xaab", "ab"), (V{"xaab"}));
}

TEST(TokenizerSequences, UnfinishedDelimiterAtTheEndIsKeptAsText) {
    EXPECT_EQ(Tokens("x::y:", "::"), (V{"x", "y:"}));
}

TEST(TokenizerSequences, EmptyDelimiterNeverSplits) { EXPECT_EQ(Tokens("a,b", ""), (V{"a,b"})); }

}  // namespace
