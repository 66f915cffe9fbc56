// Makes the sample game's droid from code: "meshes/droids.a3d", one small robot holding
// every chassis, armour and weapon part a droid can have ("droids.adf" names them and the
// game deletes the parts a droid does not use), and "textures/droid.tga", the colour sheet
// its parts take their colours from. "textures/enemy.tga" is the same sheet in the
// hostile colours of the enemy droids, which are built from the same model.
// The weapons' effects take "textures/beam_yellow.tga", "beam_blue.tga" and "beam_red.tga"
// (a beam's cross-section: bright core, dark edges, added onto the scene), "beam_flame.tga"
// (the flamer's jet) and
// "textures/spark.tga", "flame.tga" and "smoke.tga" (soft round particles).
//
// The model stands on the floor (z up) facing +x. Top-level parts: the three chassis
// "shassis1" (wheels), "shassis2" (legs) and "shassis3" (hover disc), and "body", whose
// children are the head (with its eye), the armours "armor1" to "armor3" and the weapons
// "weapon1" (the cannon every droid carries), "weapon2" (flame thrower) and "weapon3"
// (lightning rod). Some parts have children of their own.
// Usage: make_droids <directory>   (writes <directory>/meshes and <directory>/textures)
#include "ContentFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// ---- The colour sheet: 4 x 4 cells of 16 x 16 texels --------------------------------------

enum Cell : int {
    kMetal,    // light grey panels
    kSteel,    // dark grey
    kGlowRed,  // the eye, tips
    kFlame,    // orange
    kGlowBlue, // lightning
    kHazard,   // yellow and black stripes
    kChain,    // chain mail rings
    kTyre,     // black with treads
    kOlive,
    kBronze,
    kWhite,
};

constexpr int kSheet = 64;
constexpr int kCell = 16;

struct Rgb {
    uint8_t r, g, b;
};

// The hostile sheet: dark red plating, blackened steel, the glows kept.
Rgb Hostile(int cell, Rgb c) {
    switch (cell) {
    case kMetal:
    case kBronze:
    case kOlive:
        return Rgb{uint8_t(c.r * 0.8f + 30), uint8_t(c.g * 0.25f), uint8_t(c.b * 0.2f)};
    case kSteel:
    case kChain:
        return Rgb{uint8_t(c.r * 0.6f), uint8_t(c.g * 0.5f), uint8_t(c.b * 0.5f)};
    default:
        return c;
    }
}

Rgb CellTexel(int cell, int x, int y) {
    const bool edge = x == 0 || y == 0 || x == kCell - 1 || y == kCell - 1;
    switch (cell) {
    case kMetal:
        return edge ? Rgb{120, 126, 136} : Rgb{176, 182, 192};
    case kSteel:
        return edge ? Rgb{48, 50, 56} : Rgb{78, 82, 90};
    case kGlowRed:
        return Rgb{255, uint8_t(40 + 6 * ((x + y) % 4)), 30};
    case kFlame:
        return Rgb{255, uint8_t(120 + 8 * (y % 5)), 20};
    case kGlowBlue:
        return Rgb{uint8_t(60 + 10 * (x % 3)), 170, 255};
    case kHazard:
        return ((x + y) / 4) % 2 ? Rgb{230, 190, 30} : Rgb{30, 30, 30};
    case kChain:
        return (x % 4 == 1 || y % 4 == 1) ? Rgb{90, 94, 100} : Rgb{160, 164, 170};
    case kTyre:
        return y % 4 == 0 ? Rgb{55, 55, 58} : Rgb{24, 24, 27};
    case kOlive:
        return edge ? Rgb{70, 80, 44} : Rgb{100, 114, 64};
    case kBronze:
        return edge ? Rgb{130, 84, 34} : Rgb{186, 126, 56};
    default:
        return Rgb{255, 255, 255};
    }
}

// An uncompressed 24-bit TGA, top row first.
std::string Sheet(bool hostile) {
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = char(kSheet), s[14] = char(kSheet);
    s[16] = 24;
    s[17] = 0x20;
    for (int y = 0; y < kSheet; ++y)
        for (int x = 0; x < kSheet; ++x) {
            const int cell = (y / kCell) * 4 + x / kCell;
            Rgb c = CellTexel(cell, x % kCell, y % kCell);
            if (hostile) c = Hostile(cell, c);
            s += char(c.b);
            s += char(c.g);
            s += char(c.r);
        }
    return s;
}

// Texture coordinates of a point (u, v in 0..1) inside a cell, kept off its border.
void CellUv(int cell, float u, float v, float* tu, float* tv) {
    const float inset = 1.0f / kSheet;
    const float size = float(kCell) / kSheet;
    *tu = (cell % 4) * size + inset + u * (size - 2 * inset);
    *tv = (cell / 4) * size + inset + v * (size - 2 * inset);
}

// ---- Geometry ---------------------------------------------------------------------------

struct V3 {
    float x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Normalize(V3 a) {
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0f / l) : V3{0, 0, 1};
}

struct Vertex {
    V3 p, n;
    float u, v;
};

struct Part {
    std::string name;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<Part> children;
};

// A flat polygon (3 or 4 corners, convex) facing away from inside, a point within the
// solid; the corners are put counter-clockwise seen from outside.
void Face(Part& part, std::vector<V3> c, V3 inside, int cell) {
    V3 n = Normalize(Cross(c[1] - c[0], c[2] - c[0]));
    V3 centre{0, 0, 0};
    for (const V3& p : c) centre = centre + p * (1.0f / float(c.size()));
    if (Dot(n, centre - inside) < 0) {
        std::vector<V3> reversed(c.rbegin(), c.rend());
        c = reversed;
        n = n * -1.0f;
    }
    const float quadUv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    const float triUv[3][2] = {{0, 1}, {1, 1}, {0.5f, 0}};
    const auto base = static_cast<uint16_t>(part.vertices.size());
    for (size_t i = 0; i < c.size(); ++i) {
        Vertex v{c[i], n, 0, 0};
        const float* uv = c.size() == 4 ? quadUv[i] : triUv[i];
        CellUv(cell, uv[0], uv[1], &v.u, &v.v);
        part.vertices.push_back(v);
    }
    for (int i : {0, 1, 2}) part.indices.push_back(uint16_t(base + i));
    if (c.size() == 4)
        for (int i : {0, 2, 3}) part.indices.push_back(uint16_t(base + i));
}

// A box between two corners.
void Box(Part& part, V3 lo, V3 hi, int cell) {
    const V3 mid = (lo + hi) * 0.5f;
    auto at = [&](int i) { return V3{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}; };
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto& f : faces) Face(part, {at(f[0]), at(f[1]), at(f[2]), at(f[3])}, mid, cell);
}

// A box whose top (z = top) is a rectangle of other half sizes than its bottom.
void Tapered(Part& part, V3 centre, float bottom, float top, V3 halfBottom, V3 halfTop, int cell) {
    auto corner = [&](int i, bool high) {
        const V3 h = high ? halfTop : halfBottom;
        return V3{centre.x + (i & 1 ? h.x : -h.x), centre.y + (i & 2 ? h.y : -h.y), high ? top : bottom};
    };
    const V3 inside{centre.x, centre.y, (bottom + top) * 0.5f};
    Face(part, {corner(0, false), corner(1, false), corner(3, false), corner(2, false)}, inside, cell);
    Face(part, {corner(0, true), corner(1, true), corner(3, true), corner(2, true)}, inside, cell);
    const int sides[4][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
    for (const auto& s : sides)
        Face(part, {corner(s[0], false), corner(s[1], false), corner(s[1], true), corner(s[0], true)}, inside, cell);
}

// A cylinder of the radius around the axis (0 x, 1 y, 2 z) through the centre, between
// -half and +half along it; capCell colours the ends.
void Cylinder(Part& part, V3 centre, int axis, float radius, float half, int cell, int capCell, int segments = 12) {
    auto point = [&](int i, float along) {
        const float a = 6.2831853f * float(i) / float(segments);
        const float s = radius * std::sin(a), c = radius * std::cos(a);
        V3 local = axis == 0 ? V3{along, c, s} : axis == 1 ? V3{c, along, s} : V3{c, s, along};
        return centre + local;
    };
    for (int i = 0; i < segments; ++i) {
        const int j = i + 1;
        const V3 inside = centre;
        // The side quad gets its own normal per corner for a round look.
        const auto base = static_cast<uint16_t>(part.vertices.size());
        Face(part, {point(i, -half), point(j, -half), point(j, half), point(i, half)}, inside, cell);
        for (int k = 0; k < 4; ++k) {
            Vertex& v = part.vertices[base + k];
            V3 radial = v.p - centre;
            if (axis == 0) radial.x = 0;
            if (axis == 1) radial.y = 0;
            if (axis == 2) radial.z = 0;
            v.n = Normalize(radial);
        }
        for (float end : {-half, half}) {
            V3 hub = centre;
            (axis == 0 ? hub.x : axis == 1 ? hub.y : hub.z) += end;
            V3 beyond = centre;
            (axis == 0 ? beyond.x : axis == 1 ? beyond.y : beyond.z) -= end;
            Face(part, {hub, point(i, end), point(j, end)}, beyond, capCell);
        }
    }
}

// ---- The droid ---------------------------------------------------------------------------

Part Wheels() {
    Part p{"shassis1", {}, {}, {}};
    Box(p, {-0.45f, -0.3f, 0.18f}, {0.45f, 0.3f, 0.34f}, kSteel);
    Box(p, {0.45f, -0.22f, 0.2f}, {0.5f, 0.22f, 0.3f}, kHazard);
    for (float x : {-0.3f, 0.3f})
        for (float y : {-0.37f, 0.37f}) {
            Cylinder(p, {x, y, 0.17f}, 1, 0.17f, 0.07f, kTyre, kMetal);
        }
    return p;
}

Part Legs() {
    Part p{"shassis2", {}, {}, {}};
    for (float x : {-0.3f, 0.0f, 0.3f}) {
        Box(p, {x - 0.13f, -0.22f, 0.2f}, {x + 0.13f, 0.22f, 0.36f}, kOlive);
        for (float side : {-1.0f, 1.0f}) {
            const float inner = 0.22f * side, outer = 0.4f * side;
            Box(p, {x - 0.04f, std::fmin(inner, outer), 0.26f}, {x + 0.04f, std::fmax(inner, outer), 0.32f}, kSteel);
            const float foot = 0.4f * side, footIn = 0.33f * side;
            Box(p, {x - 0.05f, std::fmin(foot, footIn), 0.0f}, {x + 0.05f, std::fmax(foot, footIn), 0.3f}, kSteel);
        }
    }
    Box(p, {0.43f, -0.1f, 0.24f}, {0.48f, 0.1f, 0.32f}, kGlowRed);
    return p;
}

Part Hover() {
    Part p{"shassis3", {}, {}, {}};
    Cylinder(p, {0, 0, 0.28f}, 2, 0.48f, 0.06f, kMetal, kSteel, 16);
    Cylinder(p, {0, 0, 0.17f}, 2, 0.3f, 0.05f, kSteel, kGlowBlue, 16);
    for (float x : {-0.3f, 0.3f})
        for (float y : {-0.3f, 0.3f}) Cylinder(p, {x, y, 0.2f}, 2, 0.07f, 0.04f, kSteel, kGlowBlue, 8);
    return p;
}

Part Head() {
    Part head{"head", {}, {}, {}};
    Tapered(head, {0.01f, 0, 0}, 0.88f, 1.12f, {0.19f, 0.17f, 0}, {0.16f, 0.14f, 0}, kMetal);
    Cylinder(head, {0, 0, 0.85f}, 2, 0.08f, 0.04f, kSteel, kSteel, 8);
    Box(head, {-0.12f, 0.07f, 1.12f}, {-0.1f, 0.09f, 1.3f}, kSteel);
    Box(head, {-0.13f, 0.06f, 1.3f}, {-0.09f, 0.1f, 1.34f}, kGlowRed);
    Part eye{"eye", {}, {}, {}};
    Box(eye, {0.18f, -0.12f, 0.97f}, {0.21f, 0.12f, 1.05f}, kGlowRed);
    head.children.push_back(eye);
    return head;
}

Part ChainMail() {
    Part p{"armor1", {}, {}, {}};
    for (float side : {-1.0f, 1.0f})
        Box(p, {-0.26f, std::fmin(0.31f * side, 0.33f * side), 0.42f},
            {0.26f, std::fmax(0.31f * side, 0.33f * side), 0.78f}, kChain);
    Box(p, {0.31f, -0.24f, 0.42f}, {0.33f, 0.24f, 0.78f}, kChain);
    return p;
}

Part Cuirass() {
    Part p{"armor2", {}, {}, {}};
    Tapered(p, {0.36f, 0, 0}, 0.44f, 0.8f, {0.04f, 0.22f, 0}, {0.05f, 0.27f, 0}, kBronze);
    for (float side : {-1.0f, 1.0f})
        Box(p, {-0.2f, std::fmin(0.28f * side, 0.4f * side), 0.72f},
            {0.2f, std::fmax(0.28f * side, 0.4f * side), 0.86f}, kBronze);
    return p;
}

Part Panzer() {
    Part p{"armor3", {}, {}, {}};
    Box(p, {0.31f, -0.3f, 0.38f}, {0.44f, 0.3f, 0.84f}, kOlive);
    Box(p, {0.44f, -0.26f, 0.42f}, {0.46f, 0.26f, 0.5f}, kHazard);
    for (float side : {-1.0f, 1.0f})
        Box(p, {-0.34f, std::fmin(0.29f * side, 0.4f * side), 0.38f},
            {0.34f, std::fmax(0.29f * side, 0.4f * side), 0.84f}, kOlive);
    Part hatch{"armor3hatch", {}, {}, {}};
    Box(hatch, {-0.3f, -0.22f, 0.82f}, {-0.08f, 0.22f, 0.88f}, kSteel);
    p.children.push_back(hatch);
    return p;
}

Part Cannon() {
    Part p{"weapon1", {}, {}, {}};
    Box(p, {-0.12f, -0.5f, 0.52f}, {0.1f, -0.33f, 0.72f}, kSteel);
    Cylinder(p, {0.3f, -0.42f, 0.62f}, 0, 0.06f, 0.24f, kSteel, kSteel);
    Cylinder(p, {0.55f, -0.42f, 0.62f}, 0, 0.08f, 0.03f, kHazard, kSteel);
    return p;
}

Part FlameThrower() {
    Part p{"weapon2", {}, {}, {}};
    Box(p, {-0.1f, 0.33f, 0.5f}, {0.08f, 0.5f, 0.7f}, kSteel);
    Cylinder(p, {0.05f, 0.42f, 0.6f}, 0, 0.09f, 0.16f, kGlowRed, kSteel);
    Cylinder(p, {0.33f, 0.42f, 0.6f}, 0, 0.035f, 0.13f, kSteel, kFlame);
    return p;
}

Part LightningRod() {
    Part p{"weapon3", {}, {}, {}};
    Cylinder(p, {-0.24f, 0, 1.05f}, 2, 0.03f, 0.25f, kSteel, kSteel, 8);
    Box(p, {-0.29f, -0.05f, 1.3f}, {-0.19f, 0.05f, 1.38f}, kGlowBlue);
    Part coil{"weapon3coil", {}, {}, {}};
    for (float z : {0.95f, 1.08f, 1.21f}) Cylinder(coil, {-0.24f, 0, z}, 2, 0.09f, 0.015f, kGlowBlue, kGlowBlue);
    p.children.push_back(coil);
    return p;
}

Part Body() {
    Part p{"body", {}, {}, {}};
    Tapered(p, {0, 0, 0}, 0.34f, 0.82f, {0.28f, 0.26f, 0}, {0.31f, 0.29f, 0}, kMetal);
    Box(p, {0.3f, -0.16f, 0.5f}, {0.32f, 0.16f, 0.56f}, kHazard);
    p.children = {Head(), ChainMail(), Cuirass(), Panzer(), Cannon(), FlameThrower(), LightningRod()};
    return p;
}

// ---- The mesh file ------------------------------------------------------------------------

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFloat(std::string& s, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    Put32(s, bits);
}

// One plain node record without boxes (the loader builds one from the vertices), then its
// children.
void PutNode(std::string& s, const Part& part) {
    Put32(s, 0);
    std::string padded = part.name;
    padded.resize(260, '\0');
    s += padded;
    Put32(s, static_cast<uint32_t>(part.vertices.size()));
    for (const Vertex& v : part.vertices) {
        for (float f : {v.p.x, v.p.y, v.p.z, v.n.x, v.n.y, v.n.z}) PutFloat(s, f);
        Put32(s, 0xFFFFFFFFu);
        Put32(s, 0);
        for (float f : {v.u, v.v, v.u, v.v}) PutFloat(s, f);
    }
    Put32(s, static_cast<uint32_t>(part.indices.size()));
    for (uint16_t i : part.indices) {
        s += static_cast<char>(i & 0xFF);
        s += static_cast<char>(i >> 8);
    }
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(part.children.size()));
    for (const Part& child : part.children) PutNode(s, child);
}

std::string Droid() {
    const std::vector<Part> top = {Wheels(), Legs(), Hover(), Body()};
    std::string s;
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(top.size()));
    for (const Part& part : top) PutNode(s, part);
    return s;
}


// ---- Effect textures -----------------------------------------------------------------------

// A 24-bit TGA of size x size texels from a function giving r, g, b (0..1) at u, v in 0..1.
template <typename Colour>
std::string EffectTexture(int size, Colour colour) {
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = char(size), s[14] = char(size);
    s[16] = 24;
    s[17] = 0x20;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float rgb[3];
            colour((x + 0.5f) / size, (y + 0.5f) / size, rgb);
            for (int k = 2; k >= 0; --k) s += char(std::lround(std::fmin(1.0f, std::fmax(0.0f, rgb[k])) * 255.0f));
        }
    return s;
}

// A beam across v: a white-hot core fading through the colour to black at the edges.
std::string Beam(float r, float g, float b) {
    return EffectTexture(32, [=](float, float v, float* out) {
        const float d = std::fabs(v - 0.5f) * 2.0f;
        const float core = std::fmax(0.0f, 1.0f - d * 3.0f), glow = std::fmax(0.0f, 1.0f - d);
        out[0] = glow * glow * r + core, out[1] = glow * glow * g + core, out[2] = glow * glow * b + core;
    });
}

// The flamer's jet along u: yellow-white at the nozzle (u = 0) through orange to a ragged
// end, widest in the middle of its length.
std::string FlameJet() {
    return EffectTexture(64, [](float u, float v, float* out) {
        const float width = 0.25f + 0.6f * std::sin(3.14159f * std::fmin(1.0f, u * 1.3f));
        const float d = std::fabs(v - 0.5f) * 2.0f / width;
        const float ragged = 0.75f + 0.25f * std::sin(u * 47.0f) * std::sin(v * 23.0f + u * 11.0f);
        const float a = std::fmax(0.0f, 1.0f - d) * ragged * std::fmin(1.0f, (1.0f - u) * 4.0f);
        const float heat = std::fmax(0.0f, 1.0f - u * 1.6f);
        out[0] = a, out[1] = a * (0.35f + 0.55f * heat), out[2] = a * 0.5f * heat * heat;
    });
}

// A soft round particle of the colour, brightest in the middle.
std::string Blob(float r, float g, float b, float hot) {
    return EffectTexture(32, [=](float u, float v, float* out) {
        const float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2.0f;
        const float a = std::fmax(0.0f, 1.0f - d);
        const float core = hot * std::fmax(0.0f, 1.0f - d * 2.5f);
        out[0] = a * a * r + core, out[1] = a * a * g + core, out[2] = a * a * b + core;
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_droids", dir)) return status;
    if (!content::WriteFile(dir / "meshes" / "droids.a3d", Droid()) ||
        !content::WriteFile(dir / "textures" / "droid.tga", Sheet(false)) ||
        !content::WriteFile(dir / "textures" / "enemy.tga", Sheet(true)) ||
        !content::WriteFile(dir / "textures" / "beam_yellow.tga", Beam(1.0f, 0.75f, 0.2f)) ||
        !content::WriteFile(dir / "textures" / "beam_blue.tga", Beam(0.3f, 0.6f, 1.0f)) ||
        !content::WriteFile(dir / "textures" / "beam_red.tga", Beam(1.0f, 0.15f, 0.1f)) ||
        !content::WriteFile(dir / "textures" / "beam_flame.tga", FlameJet()) ||
        !content::WriteFile(dir / "textures" / "spark.tga", Blob(1.0f, 0.85f, 0.5f, 0.8f)) ||
        !content::WriteFile(dir / "textures" / "flame.tga", Blob(1.0f, 0.45f, 0.1f, 0.4f)) ||
        !content::WriteFile(dir / "textures" / "smoke.tga", Blob(0.35f, 0.33f, 0.3f, 0.0f))) {
        std::fprintf(stderr, "make_droids: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
