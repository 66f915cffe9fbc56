// Line reader for every text format of the engine.
//
// Walks a memory buffer line by line: a line holding "//" anywhere is dropped whole; a
// "/*" ... "*/" block is dropped together with the whole lines that open and close it;
// blank lines are skipped; a line "[name]" is a header (IsValueLine false) and yields the
// text inside the brackets; a line "[]" ends the reading as the end of the text does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class CYTextParser {
public:
    // The buffer is the caller's and must outlive the parser.
    CYTextParser(const void* buffer, uint32_t size);
    virtual ~CYTextParser();

    // Advances to the next line that is not empty after comment removal; false at the end.
    bool ReadLine();
    // ReadLine, then copies the current line out; returns what ReadLine returned.
    bool GetLine(std::string& line);
    // False when the current line was a "[...]" header.
    bool IsValueLine() const { return valueLine_ != 0; }
    // The next white-space-separated token of the current line; false when empty.
    bool NextToken(std::string& token);
    // Line feeds read so far: the number of the current line, for error messages.
    int GetLineNumber() const { return lineCount_; }

private:
    const uint8_t* buffer_;
    size_t size_;
    size_t position_ = 0;
    std::string line_;
    size_t tokenPosition_ = 0;
    int lineCount_ = 0;
    bool inComment_ = false;
    int valueLine_ = 0;
};
