// Small mesh files for fuzz targets that need templates on disk: parts of one triangle with
// one bounding box, written in the mesh file's little-endian layout.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/YEndian.h"

inline void Put32(std::string& s, uint32_t v) {
    uint8_t b[4];
    StoreLE32(b, v);
    s.append(reinterpret_cast<const char*>(b), 4);
}

inline void PutFloat(std::string& s, float f) {
    uint8_t b[4];
    StoreLEFloat(b, f);
    s.append(reinterpret_cast<const char*>(b), 4);
}

// One part named name: a triangle and one box record from lo to hi.
inline std::string MeshPart(const char* name, const float lo[3], const float hi[3]) {
    std::string s;
    Put32(s, 0);
    std::string padded = name;
    padded.resize(260, '\0');
    s += padded;
    Put32(s, 3);
    const float corners[3][3] = {{lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}};
    for (const auto& c : corners) {
        for (float f : {c[0], c[1], c[2], 0.0f, 0.0f, 1.0f}) PutFloat(s, f);
        Put32(s, 0xFFFFFFFFu);
        Put32(s, 0);
        for (int k = 0; k < 4; ++k) PutFloat(s, 0.0f);
    }
    Put32(s, 3);
    s += std::string("\0\0\1\0\2\0", 6);
    Put32(s, 1);
    for (int i = 0; i < 3; ++i) PutFloat(s, (lo[i] + hi[i]) * 0.5f);
    PutFloat(s, 1.0f);
    for (int i = 0; i < 3; ++i) PutFloat(s, (hi[i] - lo[i]) * 0.5f);
    PutFloat(s, 1.0f);
    s.append(64, '\0');
    Put32(s, 0);
    return s;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}
