// Fuzzes the text parser over any bytes, and the tokenizer over each line it yields.
// The first byte picks the delimiter and the quote flag.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/YTextParser.h"
#include "core/YTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kDelimiters[] = {"=", ",", " ", "\t", ";", "#", ".", "::", ""};
    const std::string delimiter = kDelimiters[data[0] % (sizeof kDelimiters / sizeof kDelimiters[0])];
    const bool quotes = (data[0] & 0x80) != 0;
    ++data;
    --size;

    CYTextParser parser(data, static_cast<uint32_t>(size));
    std::string line, token;
    int lines = 0;
    while (parser.GetLine(line)) {
        if (line.empty() || ++lines > static_cast<int>(size) + 1) __builtin_trap();
        while (parser.NextToken(token)) {
            if (token.empty()) __builtin_trap();
        }
        CYTokenizer tokenizer(line, delimiter, quotes);
        size_t count = 0;
        while (tokenizer.NextToken(token)) {
            if (++count > line.size() + 1) __builtin_trap();  // every token consumes text
        }
    }
    if (parser.GetLineNumber() < 0) __builtin_trap();
    return 0;
}
