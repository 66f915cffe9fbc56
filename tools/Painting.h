// Painting the sample game's interface images from code: colours, an RGBA picture with
// straight alpha, anti-aliased shapes from distance functions, text set in DejaVu Sans with
// stb_truetype, and the 32-bit TGA writer. Shared by the tools that make interface images;
// include it once per program.
#pragma once
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace paint {

constexpr const char* kRegularFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr float kPi = 3.14159265f;

struct Colour {
    float r, g, b, a = 1.0f;
};

inline Colour Hex(uint32_t rgb, float a = 1.0f) {
    return {float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f, float(rgb & 0xFF) / 255.0f, a};
}

inline Colour Mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// The palette of every screen.
inline const Colour kInk = Hex(0xE8F0FF);          // titles and button labels
inline const Colour kLabel = Hex(0xB4C6E6);        // field labels
inline const Colour kHint = Hex(0x7F9CC8);         // small print
inline const Colour kAccent = Hex(0x5FD0FF);       // checks, dots, glows
inline const Colour kEdge = Hex(0x4F7FB8);         // borders at rest
inline const Colour kEdgeLit = Hex(0x8FDCFF);      // borders under the pointer
inline const Colour kWell = Hex(0x0A1326);         // inside fields and grooves
inline const Colour kWellEdge = Hex(0x35557F);
inline const Colour kGold = Hex(0xFFD36A);       // points and prices

// An RGBA picture with straight alpha, rows top to bottom; shapes are painted over it.
struct Picture {
    int width, height;
    std::vector<Colour> px;
    Picture(int w, int h) : width(w), height(h), px(size_t(w) * h, Colour{0, 0, 0, 0}) {}

    // Paints the colour over the point with the coverage (0..1).
    void Blend(int x, int y, const Colour& c, float coverage) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        const float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
        if (a <= 0.0f) return;
        Colour& d = px[size_t(y) * width + x];
        const float out = a + d.a * (1.0f - a);
        auto channel = [&](float s, float t) { return (s * a + t * d.a * (1.0f - a)) / out; };
        d = {channel(c.r, d.r), channel(c.g, d.g), channel(c.b, d.b), out};
    }
};

// ---- shapes

// Distance from the point to a rounded rectangle's edge (negative inside).
inline float RoundRectDistance(float px, float py, float x, float y, float w, float h, float r) {
    const float cx = x + w / 2, cy = y + h / 2;
    const float qx = std::fabs(px - cx) - (w / 2 - r), qy = std::fabs(py - cy) - (h / 2 - r);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

// A rounded rectangle filled with a vertical gradient and drawn with a border.
inline void RoundRect(Picture& p, float x, float y, float w, float h, float r, const Colour& top, const Colour& bottom,
               const Colour& border, float borderWidth) {
    for (int py = int(y) - 1; py <= int(y + h) + 1; ++py)
        for (int px = int(x) - 1; px <= int(x + w) + 1; ++px) {
            const float d = RoundRectDistance(px + 0.5f, py + 0.5f, x, y, w, h, r);
            const float inside = std::clamp(0.5f - d, 0.0f, 1.0f);
            if (inside <= 0.0f) continue;
            const float t = std::clamp((py + 0.5f - y) / h, 0.0f, 1.0f);
            p.Blend(px, py, Mix(top, bottom, t), inside);
            if (borderWidth > 0.0f) p.Blend(px, py, border, inside * std::clamp(0.5f + d + borderWidth, 0.0f, 1.0f));
        }
}

// A disc with a radial shade from its centre colour to its rim colour, and a border.
inline void Disc(Picture& p, float cx, float cy, float radius, const Colour& centre, const Colour& rim, const Colour& border,
          float borderWidth) {
    for (int py = int(cy - radius) - 1; py <= int(cy + radius) + 1; ++py)
        for (int px = int(cx - radius) - 1; px <= int(cx + radius) + 1; ++px) {
            const float dist = std::hypot(px + 0.5f - cx, py + 0.5f - cy);
            const float d = dist - radius;
            const float inside = std::clamp(0.5f - d, 0.0f, 1.0f);
            if (inside <= 0.0f) continue;
            p.Blend(px, py, Mix(centre, rim, std::clamp(dist / radius, 0.0f, 1.0f)), inside);
            if (borderWidth > 0.0f) p.Blend(px, py, border, inside * std::clamp(0.5f + d + borderWidth, 0.0f, 1.0f));
        }
}

// A line of the given thickness with round ends.
inline void Line(Picture& p, float x0, float y0, float x1, float y1, float thickness, const Colour& c) {
    const float dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
    for (int py = int(std::min(y0, y1) - thickness) - 1; py <= int(std::max(y0, y1) + thickness) + 1; ++py)
        for (int px = int(std::min(x0, x1) - thickness) - 1; px <= int(std::max(x0, x1) + thickness) + 1; ++px) {
            const float qx = px + 0.5f - x0, qy = py + 0.5f - y0;
            const float t = std::clamp((qx * dx + qy * dy) / length2, 0.0f, 1.0f);
            const float d = std::hypot(qx - dx * t, qy - dy * t) - thickness / 2;
            p.Blend(px, py, c, std::clamp(0.5f - d, 0.0f, 1.0f));
        }
}

// A ring of the given thickness, only the part between the two angles (radians, y down).
inline void Arc(Picture& p, float cx, float cy, float radius, float thickness, float from, float to, const Colour& c) {
    const float reach = radius + thickness;
    for (int py = int(cy - reach) - 1; py <= int(cy + reach) + 1; ++py)
        for (int px = int(cx - reach) - 1; px <= int(cx + reach) + 1; ++px) {
            const float dx = px + 0.5f - cx, dy = py + 0.5f - cy;
            const float angle = std::atan2(dy, dx);
            if (angle < from || angle > to) continue;
            const float d = std::fabs(std::hypot(dx, dy) - radius) - thickness / 2;
            p.Blend(px, py, c, std::clamp(0.5f - d, 0.0f, 1.0f));
        }
}

// A filled triangle.
inline void Triangle(Picture& p, float x0, float y0, float x1, float y1, float x2, float y2, const Colour& c) {
    const float area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (std::fabs(area) < 1e-6f) return;
    for (int py = int(std::min({y0, y1, y2})) - 1; py <= int(std::max({y0, y1, y2})) + 1; ++py)
        for (int px = int(std::min({x0, x1, x2})) - 1; px <= int(std::max({x0, x1, x2})) + 1; ++px) {
            // Four samples a point for smooth edges.
            float coverage = 0;
            for (int s = 0; s < 4; ++s) {
                const float sx = px + 0.25f + 0.5f * float(s % 2), sy = py + 0.25f + 0.5f * float(s / 2);
                const float w0 = ((x1 - sx) * (y2 - sy) - (x2 - sx) * (y1 - sy)) / area;
                const float w1 = ((x2 - sx) * (y0 - sy) - (x0 - sx) * (y2 - sy)) / area;
                if (w0 >= 0 && w1 >= 0 && w0 + w1 <= 1) coverage += 0.25f;
            }
            p.Blend(px, py, c, coverage);
        }
}

// ---- text

class Face {
public:
    explicit Face(const char* file) {
        std::ifstream in(file, std::ios::binary);
        ttf_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ok_ = !ttf_.empty() && stbtt_InitFont(&info_, ttf_.data(), stbtt_GetFontOffsetForIndex(ttf_.data(), 0));
    }
    bool Ok() const { return ok_; }

    // Width of the text in pixels at the height.
    float Width(const std::string& text, float pixelHeight) const {
        const float scale = stbtt_ScaleForPixelHeight(&info_, pixelHeight);
        float width = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            int advance = 0, bearing = 0;
            stbtt_GetCodepointHMetrics(&info_, text[i], &advance, &bearing);
            width += advance * scale;
            if (i + 1 < text.size()) width += scale * stbtt_GetCodepointKernAdvance(&info_, text[i], text[i + 1]);
        }
        return width;
    }

    // Sets the text with its left edge at x and its line box's middle at midY.
    void Draw(Picture& p, const std::string& text, float x, float midY, float pixelHeight, const Colour& c) const {
        const float scale = stbtt_ScaleForPixelHeight(&info_, pixelHeight);
        int ascent = 0, descent = 0, gap = 0;
        stbtt_GetFontVMetrics(&info_, &ascent, &descent, &gap);
        const float baseline = midY + (ascent + descent) * scale / 2;
        float pen = x;
        for (size_t i = 0; i < text.size(); ++i) {
            const int cp = static_cast<unsigned char>(text[i]);
            int w = 0, h = 0, x0 = 0, y0 = 0;
            const float shift = pen - std::floor(pen);
            unsigned char* bitmap =
                stbtt_GetCodepointBitmapSubpixel(&info_, scale, scale, shift, 0.0f, cp, &w, &h, &x0, &y0);
            const int left = int(std::floor(pen)) + x0, top = int(std::lround(baseline)) + y0;
            for (int y = 0; y < h; ++y)
                for (int xx = 0; xx < w; ++xx) p.Blend(left + xx, top + y, c, bitmap[y * w + xx] / 255.0f);
            stbtt_FreeBitmap(bitmap, nullptr);
            int advance = 0, bearing = 0;
            stbtt_GetCodepointHMetrics(&info_, cp, &advance, &bearing);
            pen += advance * scale;
            if (i + 1 < text.size()) pen += scale * stbtt_GetCodepointKernAdvance(&info_, cp, text[i + 1]);
        }
    }

    // Centred on (cx, midY), over a soft shadow.
    void DrawCentred(Picture& p, const std::string& text, float cx, float midY, float pixelHeight, const Colour& c,
                     float shadow = 1.0f) const {
        const float x = cx - Width(text, pixelHeight) / 2;
        if (shadow > 0) Draw(p, text, x + shadow, midY + shadow, pixelHeight, Colour{0, 0, 0, 0.6f});
        Draw(p, text, x, midY, pixelHeight, c);
    }

private:
    std::vector<unsigned char> ttf_;
    stbtt_fontinfo info_{};
    bool ok_ = false;
};

struct Faces {
    Face regular{kRegularFont};
    Face bold{kBoldFont};
};

// ---- files

// A 32-bit TGA with alpha, top row first.
inline std::vector<uint8_t> Tga(const Picture& p) {
    std::vector<uint8_t> s(18, 0);
    s[2] = 2;
    s[12] = uint8_t(p.width & 0xFF), s[13] = uint8_t(p.width >> 8);
    s[14] = uint8_t(p.height & 0xFF), s[15] = uint8_t(p.height >> 8);
    s[16] = 32;
    s[17] = 0x28;  // top-left origin, 8 alpha bits
    auto byte = [](float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    for (const Colour& c : p.px) s.insert(s.end(), {byte(c.b), byte(c.g), byte(c.r), byte(c.a)});
    return s;
}

}  // namespace paint
