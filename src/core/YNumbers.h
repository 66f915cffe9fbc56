// Numbers in text files. Every text format reads its numbers here, in one of two modes:
// strict, where the whole token (blanks around it allowed) must be one decimal number in
// range, and leading, where as much of the text as forms a decimal number is read (as atoi
// and atof read) and a value out of range is held to the range. Only decimal notation is a
// number: hexadecimal, "nan" and "inf" are not, so no file can bring a non-finite value.
#pragma once
#include <cstdint>
#include <string_view>

enum class YNumberMode { Strict, Leading };

// An integer in [lo, hi]. False (and *out untouched) when the text holds no number, or, when
// strict, anything besides it or a value outside the range.
bool ParseInteger(std::string_view text, YNumberMode mode, int64_t lo, int64_t hi, int64_t* out);

// A finite number within +-maxMagnitude (single-precision range by default). Same rules.
bool ParseReal(std::string_view text, YNumberMode mode, double* out, double maxMagnitude = 3.4028234663852886e38);

// Conveniences for the common cases: the number, or fallback when there is none.
int32_t TextToInt(std::string_view text, YNumberMode mode, int32_t fallback = 0);
float TextToFloat(std::string_view text, YNumberMode mode, float fallback = 0.0f);

// The same into the 32-bit types, false when there is no number (or, strict, a bad one):
// an int32_t, or a float within the single-precision range.
bool ParseInt32(std::string_view text, YNumberMode mode, int32_t* out);
bool ParseFloat(std::string_view text, YNumberMode mode, float* out);
