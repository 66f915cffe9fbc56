// Makes the sample game's textures from code: "error.tga" (the stand-in for textures
// that cannot be loaded: a magenta and black checkerboard), "wall.tga" (bricks),
// "floor.png" (stone tiles), "backgrounds/podlozka.tga" (a night sky: the picture the game
// world shows behind everything unless a script changes it) and "cursor.tga" (the
// interface's arrow pointer).
// Usage: make_textures <directory>
#include "ContentFiles.h"
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// An RGB picture, rows top to bottom.
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

// A fixed generator, so every build makes the same files: a value in 0..1.
struct Noise {
    uint32_t seed;
    float Next() {
        seed = seed * 1664525u + 1013904223u;
        return float(seed >> 8) / 16777216.0f;
    }
};

// An uncompressed 24-bit TGA, stored top row first.
std::string Tga(const Picture& p) {
    std::string s(18, '\0');
    s[2] = 2;  // true colour
    s[12] = char(p.width & 0xFF), s[13] = char(p.width >> 8);
    s[14] = char(p.height & 0xFF), s[15] = char(p.height >> 8);
    s[16] = 24;
    s[17] = 0x20;  // top-left origin
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        s += char(p.rgb[i + 2]);
        s += char(p.rgb[i + 1]);
        s += char(p.rgb[i]);
    }
    return s;
}

void AppendPng(png_structp png, png_bytep data, png_size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}

// An 8-bit RGB PNG; empty when libpng fails.
std::string Png(const Picture& p) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::string();
    }
    png_set_write_fn(png, &out, AppendPng, nullptr);
    png_set_IHDR(png, info, png_uint_32(p.width), png_uint_32(p.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < p.height; ++y)
        png_write_row(png, const_cast<png_bytep>(&p.rgb[size_t(y) * p.width * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Picture Error() {
    Picture p(64, 64);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            bool magenta = ((x / 8) + (y / 8)) % 2 == 0;
            p.Set(x, y, magenta ? 1.0f : 0.0f, 0.0f, magenta ? 1.0f : 0.0f);
        }
    return p;
}

// Red-brown bricks of 32 x 16 in rows offset by half a brick, light mortar between.
Picture Wall() {
    Picture p(128, 128);
    Noise noise{0x9E3779B9u};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int row = y / 16, bx = (x + (row % 2) * 16) % 32, by = y % 16;
            float n = 0.85f + 0.15f * noise.Next();
            if (bx < 2 || by < 2)
                p.Set(x, y, 0.62f * n, 0.6f * n, 0.55f * n);
            else
                p.Set(x, y, 0.55f * n, 0.22f * n, 0.15f * n);
        }
    return p;
}

// Grey stone tiles of 64 x 64 with dark joints and a bevelled edge.
Picture Floor() {
    Picture p(128, 128);
    Noise noise{0x2545F491u};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int tx = x % 64, ty = y % 64;
            float n = 0.9f + 0.1f * noise.Next();
            float v = 0.5f * n;
            if (tx < 2 || ty < 2) v = 0.15f;
            else if (tx < 5 || ty < 5) v = 0.62f * n;
            else if (tx > 60 || ty > 60) v = 0.38f * n;
            p.Set(x, y, v, v, v * 1.05f);
        }
    return p;
}

// Deep blue fading to black at the bottom, with scattered stars.
Picture Background() {
    Picture p(256, 256);
    Noise noise{0x1B873593u};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            float t = 1.0f - float(y) / float(p.height - 1);
            float star = noise.Next() > 0.996f ? 0.9f : 0.0f;
            p.Set(x, y, 0.02f + 0.05f * t + star, 0.03f + 0.08f * t + star, 0.08f + 0.3f * t + star);
        }
    return p;
}

// A white arrow with a black outline, its tip at the top-left corner, on black.
Picture Cursor() {
    Picture p(32, 32);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x <= y / 2 + 1 && x < 32; ++x) {
            const bool edge = x == 0 || x == y / 2 + 1 || y == 23;
            const float v = edge ? 0.1f : 1.0f;
            p.Set(x, y, v, v, v);
        }
    return p;
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_textures", dir)) return status;
    if (!WriteFile(dir / "error.tga", Tga(Error())) || !WriteFile(dir / "wall.tga", Tga(Wall())) ||
        !WriteFile(dir / "floor.png", Png(Floor())) || !WriteFile(dir / "backgrounds" / "podlozka.tga", Tga(Background())) ||
        !WriteFile(dir / "cursor.tga", Tga(Cursor()))) {
        std::fprintf(stderr, "make_textures: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
