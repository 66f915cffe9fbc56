#include "core/YTextParser.h"

#include "core/YUtils.h"

CYTextParser::CYTextParser(const void* buffer, uint32_t size)
    : buffer_(static_cast<const uint8_t*>(buffer)), size_(buffer ? size : 0) {}

CYTextParser::~CYTextParser() = default;

bool CYTextParser::ReadLine() {
    tokenPosition_ = 0;
    line_.clear();
    for (;;) {
        line_.clear();
        // One raw line: a NUL ends it uncounted, a line feed ends it and is counted.
        while (position_ < size_) {
            char c = static_cast<char>(buffer_[position_++]);
            if (c == '\0') break;
            if (c == '\n') {
                ++lineCount_;
                break;
            }
            line_ += c;
        }
        // "//" is tested first, so a line holding it never opens a block.
        if (line_.find("//") != std::string::npos) line_.clear();
        if (line_.find("/*") != std::string::npos) inComment_ = true;
        if (line_.find("*/") != std::string::npos) {
            inComment_ = false;
            line_.clear();
        }
        if (inComment_) line_.clear();
        Trim(line_);
        if (!line_.empty() || position_ >= size_) break;
    }
    if (line_.size() >= 2 && line_.front() == '[' && line_.back() == ']') {
        line_ = line_.substr(1, line_.size() - 2);
        valueLine_ = 0;
    } else {
        valueLine_ = 1;
    }
    return !line_.empty();
}

bool CYTextParser::GetLine(std::string& line) {
    bool found = ReadLine();
    line = line_;
    return found;
}

bool CYTextParser::NextToken(std::string& token) {
    token.clear();
    while (tokenPosition_ < line_.size() && IsSpace(line_[tokenPosition_])) ++tokenPosition_;
    while (tokenPosition_ < line_.size() && !IsSpace(line_[tokenPosition_])) token += line_[tokenPosition_++];
    return !token.empty();
}
