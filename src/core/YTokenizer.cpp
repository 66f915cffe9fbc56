#include "core/YTokenizer.h"

#include "core/YUtils.h"

CYTokenizer::CYTokenizer(const std::string& text, const std::string& delimiter, bool quotes)
    : text_(text), delimiter_(delimiter), quotes_(quotes) {
    Trim(text_);
}

CYTokenizer::~CYTokenizer() = default;

bool CYTokenizer::NextToken(std::string& token) {
    token.clear();
    if (text_.empty() || position_ >= text_.size()) return false;
    bool inQuote = false;
    size_t matched = 0;
    std::string held;  // delimiter characters matched so far, not yet known to be text
    bool complete = false;
    auto flushHeld = [&] {
        token += held;
        held.clear();
        matched = 0;
    };
    while (!complete && position_ < text_.size()) {
        char c = text_[position_];
        if (c == '"' && quotes_) {
            if (inQuote) {
                if (position_ + 1 < text_.size() && text_[position_ + 1] == '"') {
                    token += '"';
                    ++position_;
                } else {
                    inQuote = false;
                }
            } else {
                flushHeld();
                inQuote = true;
            }
        } else if (inQuote) {
            token += c;
        } else if (matched < delimiter_.size() && c == delimiter_[matched]) {
            ++matched;
            if (matched == delimiter_.size()) {
                complete = true;
            } else {
                held += c;
            }
        } else {
            flushHeld();
            token += c;
        }
        ++position_;
    }
    // A delimiter begun but not finished at the end of the text is text.
    if (!complete) flushHeld();
    if (token != " ") Trim(token);
    return true;
}
