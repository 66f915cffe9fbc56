// Reading script arguments safely.
#pragma once
#include <cmath>
#include <cstdint>

// A script number truncated toward zero to a 32-bit integer; out-of-range values are
// clamped and NaN reads as 0, so a hostile number never overflows the conversion.
inline int32_t ScriptNumberToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}
