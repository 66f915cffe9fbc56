// Splits one text at a delimiter, optionally letting double quotes group characters.
//
// The text and each token are trimmed (a token of exactly one blank is kept as it is).
// Two delimiters in a row give an empty token; a delimiter at the end gives no empty last
// token. With the quote flag, "x,y" is one token and "" inside quotes gives one quote.
#pragma once
#include <cstddef>
#include <string>

class CYTokenizer {
public:
    // Every caller passes a one-character delimiter; a longer one is matched as a sequence.
    CYTokenizer(const std::string& text, const std::string& delimiter, bool quotes);
    virtual ~CYTokenizer();

    // The next token; false only when the text is empty or entirely consumed.
    bool NextToken(std::string& token);

private:
    std::string text_;
    std::string delimiter_;
    size_t position_ = 0;
    bool quotes_;
};
