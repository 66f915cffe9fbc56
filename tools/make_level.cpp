// Makes the meshes and textures of the level templates from code:
//   meshes/wall.a3d       a wall 8.25 long, 2.5 high and 0.25 thick, standing across x = 0,
//                         one half a part: "left" faces -x, "right" faces +x;
//   meshes/wallDoor.a3d   the same wall with a doorway 2 wide and 2 high in the middle
//                         (the parts' boxes leave the doorway open);
//   meshes/column.a3d     a square column 0.6 wide at a corner of the grid;
//   meshes/floorTile.a3d  a floor 8.25 square centred on the origin;
//   meshes/floorHole.a3d  the floor with a square hole toward +x and a "shaft" lining it;
//   textures/light2.tga, light3.tga   the light maps of lit and dark rooms;
//   textures/metal.tga    riveted steel plates for columns and shafts;
//   meshes/pad.a3d        a flat round pad 1.5 across (spawn points, the lift, the exit),
//                         textures/pad_spawn.tga, pad_lift.tga, pad_exit.tga;
//   meshes/barrel.a3d     a fuel barrel 0.7 across and 1 high, textures/barrel.tga;
//   meshes/pickup.a3d     a small case 0.5 wide lifted off the floor (repair kits, data
//                         chips), textures/repair.tga and chip.tga;
//   meshes/ring.a3d       a flat ring 1.7 across just above the floor (the mark under the
//                         current droid and where it was sent), textures/ring.tga;
//   textures/crate.tga    a steel-bound wooden crate's side.
// Faces are cut into cells of about one unit so that per-vertex lighting of the rooms'
// point lights falls off smoothly across them.
// Usage: make_level <game data directory>
#include "ContentFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr float kSide = 8.25f;
constexpr float kHalf = kSide / 2.0f;
constexpr float kHeight = 2.5f;
constexpr float kThick = 0.125f;  // half the wall's thickness
constexpr float kDoorHalf = 1.0f;
constexpr float kDoorHeight = 2.0f;
constexpr float kTexelScale = 0.5f;  // texture repeats per world unit

struct Vertex {
    float p[3], n[3];
    float u, v;
};

struct Box {
    float centre[3], half[3];
};

struct Part {
    std::string name;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<Box> boxes;
};

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFloat(std::string& s, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    Put32(s, bits);
}

// A mesh file of top-level plain parts without children or file bounds.
std::string Mesh(const std::vector<Part>& parts) {
    std::string s;
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(parts.size()));
    for (const Part& part : parts) {
        Put32(s, 0);
        std::string name = part.name;
        name.resize(260, '\0');
        s += name;
        Put32(s, static_cast<uint32_t>(part.vertices.size()));
        for (const Vertex& v : part.vertices) {
            for (float f : v.p) PutFloat(s, f);
            for (float f : v.n) PutFloat(s, f);
            Put32(s, 0xFFFFFFFFu);
            Put32(s, 0);
            PutFloat(s, v.u);
            PutFloat(s, v.v);
            PutFloat(s, v.u);
            PutFloat(s, v.v);
        }
        Put32(s, static_cast<uint32_t>(part.indices.size()));
        for (uint16_t i : part.indices) {
            s += static_cast<char>(i & 0xFF);
            s += static_cast<char>(i >> 8);
        }
        Put32(s, static_cast<uint32_t>(part.boxes.size()));
        for (const Box& b : part.boxes) {
            for (int i = 0; i < 3; ++i) PutFloat(s, b.centre[i]);
            PutFloat(s, 1.0f);
            for (int i = 0; i < 3; ++i) PutFloat(s, b.half[i]);
            PutFloat(s, 1.0f);
            s.append(64, '\0');
        }
        Put32(s, 0);
    }
    return s;
}

// A rectangle from corner o along the edges a and b, cut into cells of about one unit;
// seen from its normal side the corners o, o + a, o + a + b, o + b run counter-clockwise.
void Face(Part& part, const float o[3], const float a[3], const float b[3]) {
    const float la = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    const float lb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    const int na = std::max(1, static_cast<int>(std::lround(la))), nb = std::max(1, static_cast<int>(std::lround(lb)));
    float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const float ln = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& c : n) c /= ln;
    const auto base = static_cast<uint16_t>(part.vertices.size());
    for (int j = 0; j <= nb; ++j)
        for (int i = 0; i <= na; ++i) {
            const float s = float(i) / float(na), t = float(j) / float(nb);
            Vertex v{};
            for (int k = 0; k < 3; ++k) {
                v.p[k] = o[k] + s * a[k] + t * b[k];
                v.n[k] = n[k];
            }
            v.u = s * la * kTexelScale;
            v.v = (1.0f - t) * lb * kTexelScale;
            part.vertices.push_back(v);
        }
    for (int j = 0; j < nb; ++j)
        for (int i = 0; i < na; ++i) {
            const auto c = static_cast<uint16_t>(base + j * (na + 1) + i);
            const auto up = static_cast<uint16_t>(c + na + 1);
            for (uint16_t k : {c, static_cast<uint16_t>(c + 1), static_cast<uint16_t>(up + 1), c,
                               static_cast<uint16_t>(up + 1), up})
                part.indices.push_back(k);
        }
}

// The visible faces of an axis-aligned block from lo to hi (the faces named by the mask:
// 1 -x, 2 +x, 4 -y, 8 +y, 16 top, 32 bottom).
void Block(Part& part, const float lo[3], const float hi[3], int mask) {
    const float dx = hi[0] - lo[0], dy = hi[1] - lo[1], dz = hi[2] - lo[2];
    const float X[3] = {dx, 0, 0}, Y[3] = {0, dy, 0}, Z[3] = {0, 0, dz};
    const float nX[3] = {-dx, 0, 0}, nY[3] = {0, -dy, 0};
    if (mask & 1) {
        const float o[3] = {lo[0], hi[1], lo[2]};
        Face(part, o, nY, Z);
    }
    if (mask & 2) {
        const float o[3] = {hi[0], lo[1], lo[2]};
        Face(part, o, Y, Z);
    }
    if (mask & 4) {
        const float o[3] = {lo[0], lo[1], lo[2]};
        Face(part, o, X, Z);
    }
    if (mask & 8) {
        const float o[3] = {hi[0], hi[1], lo[2]};
        Face(part, o, nX, Z);
    }
    if (mask & 16) {
        const float o[3] = {lo[0], lo[1], hi[2]};
        Face(part, o, X, Y);
    }
    if (mask & 32) {
        const float o[3] = {lo[0], hi[1], lo[2]};
        Face(part, o, X, nY);
    }
}

Box BoxOf(const float lo[3], const float hi[3]) {
    Box b{};
    for (int k = 0; k < 3; ++k) {
        b.centre[k] = (lo[k] + hi[k]) * 0.5f;
        b.half[k] = (hi[k] - lo[k]) * 0.5f;
    }
    return b;
}

// One half of a wall: x from x0 to x1, its outer face toward -x (left) or +x (right).
// With a doorway the half is two jambs and a lintel; only the jambs have boxes.
Part WallHalf(const char* name, bool left, bool doorway) {
    Part part{name, {}, {}, {}};
    const float x0 = left ? -kThick : 0.0f, x1 = left ? 0.0f : kThick;
    const int outer = left ? 1 : 2;
    if (!doorway) {
        const float lo[3] = {x0, -kHalf, 0}, hi[3] = {x1, kHalf, kHeight};
        Block(part, lo, hi, outer | 4 | 8 | 16);
        part.boxes.push_back(BoxOf(lo, hi));
        return part;
    }
    const float jambs[2][2] = {{-kHalf, -kDoorHalf}, {kDoorHalf, kHalf}};
    for (int j = 0; j < 2; ++j) {
        const float lo[3] = {x0, jambs[j][0], 0}, hi[3] = {x1, jambs[j][1], kHeight};
        Block(part, lo, hi, outer | 4 | 8 | 16);
        part.boxes.push_back(BoxOf(lo, hi));
    }
    const float lo[3] = {x0, -kDoorHalf, kDoorHeight}, hi[3] = {x1, kDoorHalf, kHeight};
    Block(part, lo, hi, outer | 16 | 32);
    return part;
}

std::string Wall(bool doorway) {
    return Mesh({WallHalf("left", true, doorway), WallHalf("right", false, doorway)});
}

std::string Column() {
    Part part{"column", {}, {}, {}};
    const float lo[3] = {-0.3f, -0.3f, 0.0f}, hi[3] = {0.3f, 0.3f, kHeight + 0.1f};
    Block(part, lo, hi, 1 | 2 | 4 | 8 | 16);
    part.boxes.push_back(BoxOf(lo, hi));
    return Mesh({part});
}

// The floor square cut into 8 x 8 cells; with a hole, the cells x 5..6, y 3..4 are left
// out and lined by the shaft down to the floor below.
std::string Floor(bool hole) {
    Part floor{"floor", {}, {}, {}};
    const int cells = 8;
    const float step = kSide / float(cells);
    auto inHole = [&](int i, int j) { return hole && (i == 5 || i == 6) && (j == 3 || j == 4); };
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            if (inHole(i, j)) continue;
            const float o[3] = {-kHalf + i * step, -kHalf + j * step, 0.0f};
            const float a[3] = {step, 0, 0}, b[3] = {0, step, 0};
            Face(floor, o, a, b);
        }
    const float h0 = -kHalf + 5 * step, h1 = -kHalf + 7 * step, g0 = -kHalf + 3 * step, g1 = -kHalf + 5 * step;
    const float thin = 0.01f;
    if (!hole) {
        const float lo[3] = {-kHalf, -kHalf, -thin}, hi[3] = {kHalf, kHalf, 0.0f};
        floor.boxes.push_back(BoxOf(lo, hi));
        return Mesh({floor});
    }
    // Four boxes around the hole, so that rays fall through it.
    const float spans[4][4] = {{-kHalf, h0, -kHalf, kHalf}, {h1, kHalf, -kHalf, kHalf}, {h0, h1, -kHalf, g0},
                               {h0, h1, g1, kHalf}};
    for (const auto& s : spans) {
        const float lo[3] = {s[0], s[2], -thin}, hi[3] = {s[1], s[3], 0.0f};
        floor.boxes.push_back(BoxOf(lo, hi));
    }
    // The shaft's walls face into the hole. Only the floor in view is drawn, so below the
    // lining there is black: the lining goes down only so far that, from the camera over a
    // hole next to the floor's near edge, it stays behind the floor instead of showing
    // under that edge.
    Part shaft{"shaft", {}, {}, {}};
    const float depth = 1.2f;
    const float walls[4][3][3] = {
        {{h0, g0, -depth}, {0, g1 - g0, 0}, {0, 0, depth}},   // low x, facing +x
        {{h1, g1, -depth}, {0, g0 - g1, 0}, {0, 0, depth}},   // high x, facing -x
        {{h1, g0, -depth}, {h0 - h1, 0, 0}, {0, 0, depth}},   // low y, facing +y
        {{h0, g1, -depth}, {h1 - h0, 0, 0}, {0, 0, depth}},   // high y, facing -y
    };
    for (const auto& w : walls) Face(shaft, w[0], w[1], w[2]);
    return Mesh({floor, shaft});
}


// ---- Props ------------------------------------------------------------------------------------

// A disc or a tube around the z axis from z0 to z1 cut into segments; the side faces
// outward, the top (when asked) faces up. The texture runs once round the side; the top
// maps the square texture onto the disc.
void Cylinder(Part& part, float radius, float z0, float z1, bool side, bool top, int segments = 16) {
    const float tau = 6.2831853f;
    if (side) {
        const auto base = static_cast<uint16_t>(part.vertices.size());
        for (int i = 0; i <= segments; ++i) {
            const float a = tau * float(i) / float(segments), c = std::cos(a), s = std::sin(a);
            for (float z : {z0, z1}) {
                Vertex v{{radius * c, radius * s, z}, {c, s, 0}, float(i) / float(segments), z == z0 ? 1.0f : 0.0f};
                part.vertices.push_back(v);
            }
        }
        for (int i = 0; i < segments; ++i) {
            const auto a = static_cast<uint16_t>(base + 2 * i);
            for (int k : {0, 2, 3, 0, 3, 1}) part.indices.push_back(static_cast<uint16_t>(a + k));
        }
    }
    if (top) {
        const auto centre = static_cast<uint16_t>(part.vertices.size());
        part.vertices.push_back({{0, 0, z1}, {0, 0, 1}, 0.5f, 0.5f});
        for (int i = 0; i <= segments; ++i) {
            const float a = tau * float(i) / float(segments), c = std::cos(a), s = std::sin(a);
            part.vertices.push_back({{radius * c, radius * s, z1}, {0, 0, 1}, 0.5f + 0.5f * c, 0.5f - 0.5f * s});
        }
        for (int i = 0; i < segments; ++i)
            for (int k : {0, i + 1, i + 2}) part.indices.push_back(static_cast<uint16_t>(centre + k));
    }
}

// A pad lying on the floor: a thin disc 1.5 across; droids walk over it (its description
// turns collision off), so its box is only for drawing and the spawn-point test.
std::string Pad() {
    Part pad{"pad", {}, {}, {}};
    Cylinder(pad, 0.75f, 0.0f, 0.04f, true, true, 24);
    const float lo[3] = {-0.75f, -0.75f, 0.0f}, hi[3] = {0.75f, 0.75f, 0.04f};
    pad.boxes.push_back(BoxOf(lo, hi));
    return Mesh({pad});
}

std::string Barrel() {
    Part barrel{"barrel", {}, {}, {}};
    Cylinder(barrel, 0.35f, 0.0f, 1.0f, true, true, 16);
    const float lo[3] = {-0.35f, -0.35f, 0.0f}, hi[3] = {0.35f, 0.35f, 1.0f};
    barrel.boxes.push_back(BoxOf(lo, hi));
    return Mesh({barrel});
}

// A flat ring lying 0.03 above the floor, seen from above; its texture runs round it.
std::string Ring() {
    Part ring{"ring", {}, {}, {}};
    const int segments = 32;
    const float inner = 0.62f, outer = 0.85f, z = 0.03f;
    for (int i = 0; i <= segments; ++i) {
        const float a = 6.2831853f * float(i) / float(segments), c = std::cos(a), s = std::sin(a);
        ring.vertices.push_back({{inner * c, inner * s, z}, {0, 0, 1}, float(i) / segments, 1.0f});
        ring.vertices.push_back({{outer * c, outer * s, z}, {0, 0, 1}, float(i) / segments, 0.0f});
    }
    for (int i = 0; i < segments; ++i)
        for (int k : {0, 1, 3, 0, 3, 2}) ring.indices.push_back(static_cast<uint16_t>(2 * i + k));
    const float lo[3] = {-outer, -outer, 0.0f}, hi[3] = {outer, outer, 0.06f};
    ring.boxes.push_back(BoxOf(lo, hi));
    return Mesh({ring});
}

// A case hovering 0.3 above the floor, so that it reads as something to pick up.
std::string Pickup() {
    Part pickup{"pickup", {}, {}, {}};
    const float lo[3] = {-0.25f, -0.25f, 0.3f}, hi[3] = {0.25f, 0.25f, 0.8f};
    Block(pickup, lo, hi, 1 | 2 | 4 | 8 | 16 | 32);
    pickup.boxes.push_back(BoxOf(lo, hi));
    return Mesh({pickup});
}

// ---- Textures --------------------------------------------------------------------------------

struct Picture {
    int width, height;
    std::vector<uint8_t> rgb;
    Picture(int w, int h) : width(w), height(h), rgb(size_t(w) * h * 3) {}
    void Set(int x, int y, float r, float g, float b) {
        uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        p[0] = Byte(r), p[1] = Byte(g), p[2] = Byte(b);
    }
    static uint8_t Byte(float v) { return uint8_t(std::lround(std::fmin(1.0f, std::fmax(0.0f, v)) * 255.0f)); }
};

// An uncompressed 24-bit TGA, top row first.
std::string Tga(const Picture& p) {
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = char(p.width & 0xFF), s[13] = char(p.width >> 8);
    s[14] = char(p.height & 0xFF), s[15] = char(p.height >> 8);
    s[16] = 24;
    s[17] = 0x20;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        s += char(p.rgb[i + 2]);
        s += char(p.rgb[i + 1]);
        s += char(p.rgb[i]);
    }
    return s;
}

// A light map: one colour, doubled by the room effect (0.5 leaves the surface as lit).
Picture LightMap(float r, float g, float b) {
    Picture p(8, 8);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.Set(x, y, r, g, b);
    return p;
}

// Grey-blue steel plates of 32 x 32 with dark seams and a rivet in each corner.
Picture Metal() {
    Picture p(64, 64);
    uint32_t seed = 0x85EBCA6Bu;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const float n = 0.92f + 0.08f * float(seed >> 8) / 16777216.0f;
            const int tx = x % 32, ty = y % 32;
            const bool seam = tx == 0 || ty == 0;
            const int rx = tx < 16 ? tx - 4 : tx - 27, ry = ty < 16 ? ty - 4 : ty - 27;
            const bool rivet = rx * rx + ry * ry <= 2;
            float v = seam ? 0.18f : (rivet ? 0.75f : 0.46f * n);
            p.Set(x, y, v * 0.92f, v * 0.96f, v * 1.08f);
        }
    return p;
}


// A round pad: a steel rim, and inside it the marking drawn by the function (u, v from -1
// to 1 across the disc) over a dark plate.
template <typename Marking>
Picture PadPicture(float r, float g, float b, Marking marking) {
    Picture p(64, 64);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const float u = (x + 0.5f) / 32.0f - 1.0f, v = (y + 0.5f) / 32.0f - 1.0f;
            const float d = std::sqrt(u * u + v * v);
            if (d > 0.86f) {
                p.Set(x, y, 0.42f, 0.44f, 0.48f);
            } else if (marking(u, v, d)) {
                p.Set(x, y, r, g, b);
            } else {
                p.Set(x, y, 0.12f + 0.25f * r, 0.12f + 0.25f * g, 0.12f + 0.25f * b);
            }
        }
    return p;
}

// The side of a fuel barrel: red with a yellow and black band and dark hoops.
Picture BarrelPicture() {
    Picture p(64, 64);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (y < 3 || y > 60 || (y > 18 && y < 21) || (y > 42 && y < 45)) {
                p.Set(x, y, 0.2f, 0.2f, 0.22f);
            } else if (y > 26 && y < 38) {
                const bool stripe = ((x + y) / 5) % 2 == 0;
                p.Set(x, y, stripe ? 0.9f : 0.1f, stripe ? 0.75f : 0.1f, stripe ? 0.1f : 0.1f);
            } else {
                p.Set(x, y, 0.7f, 0.12f + 0.03f * float(x % 8 == 0), 0.08f);
            }
        }
    return p;
}

// The ring's glow across its width (v), brightest in the middle, in dashes round it (u).
Picture RingPicture() {
    Picture p(64, 16);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const float across = 1.0f - std::fabs((y + 0.5f) / 8.0f - 1.0f);
            const float dash = (x / 4) % 2 == 0 ? 1.0f : 0.55f;
            const float a = across * across * dash;
            p.Set(x, y, 0.3f * a, a, 0.45f * a);
        }
    return p;
}

// Wooden boards in a steel frame with a cross brace.
Picture CratePicture() {
    Picture p(64, 64);
    uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const float grain = 0.9f + 0.1f * float(seed >> 8) / 16777216.0f;
            const bool frame = x < 5 || y < 5 || x > 58 || y > 58;
            const bool brace = std::abs(x - y) < 4 || std::abs(x + y - 63) < 4;
            const bool seam = (y % 11) == 0;
            if (frame) p.Set(x, y, 0.35f, 0.37f, 0.4f);
            else if (brace) p.Set(x, y, 0.55f * grain, 0.38f * grain, 0.2f * grain);
            else p.Set(x, y, seam ? 0.3f : 0.66f * grain, seam ? 0.2f : 0.47f * grain, seam ? 0.1f : 0.26f * grain);
        }
    return p;
}

// A case: a light body with a symbol drawn by the function (u, v from -1 to 1).
template <typename Symbol>
Picture CasePicture(float r, float g, float b, float sr, float sg, float sb, Symbol symbol) {
    Picture p(32, 32);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const float u = (x + 0.5f) / 16.0f - 1.0f, v = (y + 0.5f) / 16.0f - 1.0f;
            const bool edge = x < 2 || y < 2 || x > 29 || y > 29;
            if (edge) p.Set(x, y, r * 0.5f, g * 0.5f, b * 0.5f);
            else if (symbol(u, v)) p.Set(x, y, sr, sg, sb);
            else p.Set(x, y, r, g, b);
        }
    return p;
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_level", dir)) return status;
    const std::filesystem::path meshes = dir / "meshes", textures = dir / "textures";
    if (!WriteFile(meshes / "wall.a3d", Wall(false)) || !WriteFile(meshes / "wallDoor.a3d", Wall(true)) ||
        !WriteFile(meshes / "column.a3d", Column()) || !WriteFile(meshes / "floorTile.a3d", Floor(false)) ||
        !WriteFile(meshes / "floorHole.a3d", Floor(true)) ||
        !WriteFile(textures / "light2.tga", Tga(LightMap(0.72f, 0.68f, 0.6f))) ||
        !WriteFile(textures / "light3.tga", Tga(LightMap(0.3f, 0.32f, 0.4f))) ||
        !WriteFile(textures / "metal.tga", Tga(Metal())) || !WriteFile(meshes / "pad.a3d", Pad()) ||
        !WriteFile(meshes / "barrel.a3d", Barrel()) || !WriteFile(meshes / "pickup.a3d", Pickup()) ||
        !WriteFile(textures / "pad_spawn.tga", Tga(PadPicture(0.2f, 0.6f, 1.0f, [](float u, float v, float d) {
            // three chevrons pointing along the pad
            const float w = std::fmod(u + 3.0f - 0.6f * std::fabs(v), 0.5f);
            return d < 0.7f && w < 0.18f;
        }))) ||
        !WriteFile(textures / "pad_lift.tga", Tga(PadPicture(1.0f, 0.8f, 0.1f, [](float u, float v, float d) {
            // hazard stripes round an arrow
            const bool ring = d > 0.6f && std::fmod(std::atan2(v, u) + 7.0f, 0.7f) < 0.35f;
            const bool arrow = (v < 0.0f && std::fabs(u) < 0.5f + v) || (v >= 0.0f && v < 0.45f && std::fabs(u) < 0.17f);
            return ring || arrow;
        }))) ||
        !WriteFile(textures / "pad_exit.tga", Tga(PadPicture(0.2f, 1.0f, 0.35f, [](float, float, float d) {
            return std::fmod(d, 0.24f) < 0.1f;
        }))) ||
        !WriteFile(textures / "barrel.tga", Tga(BarrelPicture())) || !WriteFile(meshes / "ring.a3d", Ring()) ||
        !WriteFile(textures / "ring.tga", Tga(RingPicture())) || !WriteFile(textures / "crate.tga", Tga(CratePicture())) ||
        !WriteFile(textures / "repair.tga", Tga(CasePicture(0.9f, 0.9f, 0.88f, 0.1f, 0.75f, 0.2f, [](float u, float v) {
            return (std::fabs(u) < 0.22f && std::fabs(v) < 0.7f) || (std::fabs(v) < 0.22f && std::fabs(u) < 0.7f);
        }))) ||
        !WriteFile(textures / "chip.tga", Tga(CasePicture(0.15f, 0.3f, 0.7f, 1.0f, 0.8f, 0.2f, [](float u, float v) {
            const bool core = std::fabs(u) < 0.45f && std::fabs(v) < 0.45f;
            const bool pins = std::fabs(u) < 0.75f && std::fabs(v) < 0.75f && std::fmod(std::fabs(u) + 0.05f, 0.25f) < 0.1f &&
                              std::fabs(v) > 0.5f;
            return core || pins;
        })))) {
        std::fprintf(stderr, "make_level: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
