// Little-endian integers in byte buffers, whatever the host's byte order.
#pragma once
#include <cstdint>
#include <cstring>

inline uint32_t LoadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint16_t LoadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline int32_t LoadLE32Signed(const uint8_t* p) { return static_cast<int32_t>(LoadLE32(p)); }

// 4 little-endian bytes as an IEEE single float.
inline float LoadLEFloat(const uint8_t* p) {
    const uint32_t bits = LoadLE32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline void StoreLEFloat(uint8_t* p, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    StoreLE32(p, bits);
}
