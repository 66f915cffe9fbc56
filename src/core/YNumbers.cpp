#include "core/YNumbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The extent of the decimal number at the start of text (after blanks): [begin, end).
// end == begin when no digits form a number.
struct Span {
    size_t begin = 0;
    size_t end = 0;
};

Span ScanNumber(std::string_view text, bool real) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    Span span{i, i};
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (real && i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return span;
    span.end = i;
    if (real && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < text.size() && IsDigit(text[j])) ++j, ++expDigits;
        if (expDigits > 0) span.end = j;
    }
    return span;
}

// Strict mode allows only blanks after the number.
bool OnlyBlanksFrom(std::string_view text, size_t i) {
    for (; i < text.size(); ++i)
        if (!IsBlank(text[i])) return false;
    return true;
}

}  // namespace

bool ParseInteger(std::string_view text, YNumberMode mode, int64_t lo, int64_t hi, int64_t* out) {
    const Span span = ScanNumber(text, false);
    if (span.end == span.begin) return false;
    if (mode == YNumberMode::Strict && !OnlyBlanksFrom(text, span.end)) return false;
    const std::string token(text.substr(span.begin, span.end - span.begin));
    errno = 0;
    long long v = std::strtoll(token.c_str(), nullptr, 10);
    const bool overflow = errno == ERANGE;
    if (overflow || v < lo || v > hi) {
        if (mode == YNumberMode::Strict) return false;
        v = (token[0] == '-' || v < lo) ? lo : hi;
    }
    *out = v;
    return true;
}

bool ParseReal(std::string_view text, YNumberMode mode, double* out, double maxMagnitude) {
    const Span span = ScanNumber(text, true);
    if (span.end == span.begin) return false;
    if (mode == YNumberMode::Strict && !OnlyBlanksFrom(text, span.end)) return false;
    const std::string token(text.substr(span.begin, span.end - span.begin));
    double v = std::strtod(token.c_str(), nullptr);
    if (!std::isfinite(v) || std::fabs(v) > maxMagnitude) {
        if (mode == YNumberMode::Strict) return false;
        v = v < 0 ? -maxMagnitude : maxMagnitude;
    }
    *out = v;
    return true;
}

int32_t TextToInt(std::string_view text, YNumberMode mode, int32_t fallback) {
    int64_t v = 0;
    return ParseInteger(text, mode, INT32_MIN, INT32_MAX, &v) ? static_cast<int32_t>(v) : fallback;
}

float TextToFloat(std::string_view text, YNumberMode mode, float fallback) {
    double v = 0;
    return ParseReal(text, mode, &v) ? static_cast<float>(v) : fallback;
}

bool ParseInt32(std::string_view text, YNumberMode mode, int32_t* out) {
    int64_t v = 0;
    if (!ParseInteger(text, mode, INT32_MIN, INT32_MAX, &v)) return false;
    *out = static_cast<int32_t>(v);
    return true;
}

bool ParseFloat(std::string_view text, YNumberMode mode, float* out) {
    double v = 0;
    if (!ParseReal(text, mode, &v)) return false;
    *out = static_cast<float>(v);
    return true;
}
