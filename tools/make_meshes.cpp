// Makes the sample game's meshes from code: "box.a3d" (a one-unit crate standing on the
// floor, with its bounding box) and "floor.a3d" (an 8.25-unit square floor tile whose
// box the loader builds from its vertices). Both hold one plain part.
// Usage: make_meshes <directory>
#include "ContentFiles.h"
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct Vertex {
    float p[3], n[3];
    float u, v;
};

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFloat(std::string& s, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    Put32(s, bits);
}

// A file without file bounds holding one plain top-level part without children.
std::string Mesh(const std::string& name, const std::vector<Vertex>& vertices, const std::vector<uint16_t>& indices,
                 const float* box) {
    std::string s;
    Put32(s, 0);  // no file bounds
    Put32(s, 1);  // one node
    Put32(s, 0);  // plain part
    std::string padded = name;
    padded.resize(260, '\0');
    s += padded;
    Put32(s, static_cast<uint32_t>(vertices.size()));
    for (const Vertex& v : vertices) {
        for (float f : v.p) PutFloat(s, f);
        for (float f : v.n) PutFloat(s, f);
        Put32(s, 0xFFFFFFFFu);  // diffuse
        Put32(s, 0);            // specular
        PutFloat(s, v.u);
        PutFloat(s, v.v);
        PutFloat(s, v.u);
        PutFloat(s, v.v);
    }
    Put32(s, static_cast<uint32_t>(indices.size()));
    for (uint16_t i : indices) {
        s += static_cast<char>(i & 0xFF);
        s += static_cast<char>(i >> 8);
    }
    Put32(s, box ? 1 : 0);
    if (box) {
        for (int i = 0; i < 8; ++i) PutFloat(s, box[i]);
        s.append(64, '\0');
    }
    Put32(s, 0);  // no children
    return s;
}

// Adds a quad (corners counter-clockwise seen from outside) with its normal.
void Quad(std::vector<Vertex>& v, std::vector<uint16_t>& idx, const float c[4][3], const float n[3]) {
    const auto base = static_cast<uint16_t>(v.size());
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int i = 0; i < 4; ++i)
        v.push_back({{c[i][0], c[i][1], c[i][2]}, {n[0], n[1], n[2]}, uv[i][0], uv[i][1]});
    for (int i : {0, 1, 2, 0, 2, 3}) idx.push_back(static_cast<uint16_t>(base + i));
}

std::string Box() {
    std::vector<Vertex> v;
    std::vector<uint16_t> idx;
    const float h = 0.5f;
    // Six faces of the cube from (-h, -h, 0) to (h, h, 2h).
    const float faces[6][4][3] = {
        {{-h, -h, 0}, {-h, h, 0}, {h, h, 0}, {h, -h, 0}},                  // bottom
        {{-h, -h, 2 * h}, {h, -h, 2 * h}, {h, h, 2 * h}, {-h, h, 2 * h}},  // top
        {{-h, -h, 0}, {h, -h, 0}, {h, -h, 2 * h}, {-h, -h, 2 * h}},        // -y
        {{h, h, 0}, {-h, h, 0}, {-h, h, 2 * h}, {h, h, 2 * h}},            // +y
        {{h, -h, 0}, {h, h, 0}, {h, h, 2 * h}, {h, -h, 2 * h}},            // +x
        {{-h, h, 0}, {-h, -h, 0}, {-h, -h, 2 * h}, {-h, h, 2 * h}},        // -x
    };
    const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}};
    for (int f = 0; f < 6; ++f) Quad(v, idx, faces[f], normals[f]);
    const float box[8] = {0, 0, h, 1, h, h, h, 1};
    return Mesh("box", v, idx, box);
}

std::string Floor() {
    std::vector<Vertex> v;
    std::vector<uint16_t> idx;
    const float s = 8.25f;
    const float corners[4][3] = {{0, 0, 0}, {s, 0, 0}, {s, s, 0}, {0, s, 0}};
    const float up[3] = {0, 0, 1};
    Quad(v, idx, corners, up);
    return Mesh("floor", v, idx, nullptr);
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_meshes", dir)) return status;
    if (!WriteFile(dir / "box.a3d", Box()) || !WriteFile(dir / "floor.a3d", Floor())) {
        std::fprintf(stderr, "make_meshes: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
