#include "core/YTextParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every line ReadLine yields, headers marked with brackets again.
std::vector<std::string> Lines(const std::string& text) {
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    std::vector<std::string> out;
    std::string line;
    while (parser.GetLine(line)) out.push_back(parser.IsValueLine() ? line : "[" + line + "]");
    return out;
}

using V = std::vector<std::string>;

TEST(ParserLines, ReadsLinesTrimmedAndSkipsBlankOnes) {
    EXPECT_EQ(Lines("  a = 1 \n\n\t\nb\n"), (V{"a = 1", "b"}));
}

TEST(ParserLines, CarriageReturnLineFeedReadsLikeLineFeed) {
    EXPECT_EQ(Lines("a\r\nb\r\n"), Lines("a\nb\n"));
}

TEST(ParserLines, LastLineWithoutLineFeedIsReturnedUncounted) {
    std::string text = "a\nlast";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    std::string line;
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_EQ(parser.GetLineNumber(), 1);
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_EQ(line, "last");
    EXPECT_EQ(parser.GetLineNumber(), 1);
    EXPECT_FALSE(parser.GetLine(line));
}

TEST(ParserLines, LineNumberCountsSkippedLines) {
    std::string text = "// c\n\nkey\n";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    ASSERT_TRUE(parser.ReadLine());
    EXPECT_EQ(parser.GetLineNumber(), 3);
}

TEST(ParserLines, NulByteEndsALineWithoutCountingIt) {
    std::string text("a\0b\nc", 5);
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    std::string line;
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_EQ(line, "a");
    EXPECT_EQ(parser.GetLineNumber(), 0);
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_EQ(line, "b");
    EXPECT_EQ(parser.GetLineNumber(), 1);
}

TEST(ParserLines, EmptyBufferHasNoLines) {
    CYTextParser parser(nullptr, 0);
    EXPECT_FALSE(parser.ReadLine());
    EXPECT_EQ(Lines(""), V{});
}

TEST(ParserComments, DoubleSlashAnywhereDropsTheWholeLine) {
    EXPECT_EQ(Lines("key = value // note\n// whole\nnext\n"), (V{"next"}));
    EXPECT_EQ(Lines("path = http://x\n"), V{});
}

TEST(ParserComments, BlockCommentDropsItsOpeningAndClosingLines) {
    EXPECT_EQ(Lines("a\nkept /* open\ninside\nclose */ kept\nb\n"), (V{"a", "b"}));
}

TEST(ParserComments, BlockOpenedAndClosedOnOneLineDropsThatLineOnly) {
    EXPECT_EQ(Lines("x /* y */ z\nnext\n"), (V{"next"}));
}

TEST(ParserComments, DoubleSlashLineNeverOpensABlock) {
    EXPECT_EQ(Lines("// /* not a block\nseen\n"), (V{"seen"}));
}

TEST(ParserComments, UnclosedBlockHidesTheRest) {
    EXPECT_EQ(Lines("a\n/*\nb\nc\n"), (V{"a"}));
}

TEST(ParserComments, OnlyCommentsAndBlankLinesGiveNoLine) {
    std::string text = "// one\n\n/* two\nthree */\n   \n";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_FALSE(parser.ReadLine());
}

TEST(ParserHeaders, BracketedLineIsAHeaderWithItsInside) {
    std::string text = "[VIDEO]\nwidth 800\n";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    std::string line;
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_EQ(line, "VIDEO");
    EXPECT_FALSE(parser.IsValueLine());
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_TRUE(parser.IsValueLine());
}

TEST(ParserHeaders, HeaderKeepsInnerBlanksAndTokenDropsThem) {
    std::string text = "  [ name ]  \n";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    std::string line, token;
    ASSERT_TRUE(parser.GetLine(line));
    EXPECT_EQ(line, " name ");
    EXPECT_FALSE(parser.IsValueLine());
    ASSERT_TRUE(parser.NextToken(token));
    EXPECT_EQ(token, "name");
    EXPECT_FALSE(parser.NextToken(token));
}

TEST(ParserHeaders, EmptyBracketsEndTheReading) {
    EXPECT_EQ(Lines("a\n[]\nb\n"), (V{"a"}));
}

TEST(ParserHeaders, SingleBracketIsAValueLine) {
    EXPECT_EQ(Lines("[\n]\n"), (V{"[", "]"}));
}

TEST(ParserTokens, SplitsTheCurrentLineAtWhiteSpace) {
    std::string text = "one \t two  three\n";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    ASSERT_TRUE(parser.ReadLine());
    std::string token;
    std::vector<std::string> tokens;
    while (parser.NextToken(token)) tokens.push_back(token);
    EXPECT_EQ(tokens, (V{"one", "two", "three"}));
    EXPECT_EQ(token, "");
}

TEST(ParserTokens, TokensRestartWithEachLine) {
    std::string text = "a b\nc\n";
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    std::string token;
    ASSERT_TRUE(parser.ReadLine());
    ASSERT_TRUE(parser.NextToken(token));
    ASSERT_TRUE(parser.ReadLine());
    ASSERT_TRUE(parser.NextToken(token));
    EXPECT_EQ(token, "c");
}

}  // namespace
