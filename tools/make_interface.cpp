// Makes the images of the sample game's interface screens from code, and their hit masks:
// the main menu (a backdrop with the title and four buttons, each with its normal, lit and
// pressed image) and the options screen (a backdrop with its labels and the frames of its
// fields, and one sheet of widget images: slider track and thumb, check box, radio buttons,
// scroll bar and the "Back" button). Labels are set in DejaVu Sans with stb_truetype; shapes
// are drawn anti-aliased from distance functions. The layout matches the description files
// "main_menu.txt" and "options.txt" of data\interface\Data.
// Writes textures/interface/*.tga (32-bit, with alpha) and interface/masks/*.msk (one byte a
// point, non-zero inside) below the given game data directory.
// Usage: make_interface <game data directory>
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include "ContentFiles.h"
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char* kRegularFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

struct Colour {
    float r, g, b, a = 1.0f;
};

Colour Hex(uint32_t rgb, float a = 1.0f) {
    return {float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f, float(rgb & 0xFF) / 255.0f, a};
}

Colour Mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// The palette of every screen.
const Colour kInk = Hex(0xE8F0FF);          // titles and button labels
const Colour kLabel = Hex(0xB4C6E6);        // field labels
const Colour kHint = Hex(0x7F9CC8);         // small print
const Colour kAccent = Hex(0x5FD0FF);       // checks, dots, glows
const Colour kEdge = Hex(0x4F7FB8);         // borders at rest
const Colour kEdgeLit = Hex(0x8FDCFF);      // borders under the pointer
const Colour kWell = Hex(0x0A1326);         // inside fields and grooves
const Colour kWellEdge = Hex(0x35557F);

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
float RoundRectDistance(float px, float py, float x, float y, float w, float h, float r) {
    const float cx = x + w / 2, cy = y + h / 2;
    const float qx = std::fabs(px - cx) - (w / 2 - r), qy = std::fabs(py - cy) - (h / 2 - r);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

// A rounded rectangle filled with a vertical gradient and drawn with a border.
void RoundRect(Picture& p, float x, float y, float w, float h, float r, const Colour& top, const Colour& bottom,
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
void Disc(Picture& p, float cx, float cy, float radius, const Colour& centre, const Colour& rim, const Colour& border,
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
void Line(Picture& p, float x0, float y0, float x1, float y1, float thickness, const Colour& c) {
    const float dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
    for (int py = int(std::min(y0, y1) - thickness) - 1; py <= int(std::max(y0, y1) + thickness) + 1; ++py)
        for (int px = int(std::min(x0, x1) - thickness) - 1; px <= int(std::max(x0, x1) + thickness) + 1; ++px) {
            const float qx = px + 0.5f - x0, qy = py + 0.5f - y0;
            const float t = std::clamp((qx * dx + qy * dy) / length2, 0.0f, 1.0f);
            const float d = std::hypot(qx - dx * t, qy - dy * t) - thickness / 2;
            p.Blend(px, py, c, std::clamp(0.5f - d, 0.0f, 1.0f));
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

// ---- files

// A 32-bit TGA with alpha, top row first.
std::vector<uint8_t> Tga(const Picture& p) {
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

// A hit mask of the picture's region: 1 where the picture is more than half opaque.
std::vector<uint8_t> Mask(const Picture& p, int x, int y, int w, int h) {
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) mask[size_t(row) * w + col] = p.px[size_t(y + row) * p.width + x + col].a > 0.5f;
    return mask;
}

// ---- the screens

struct Faces {
    Face regular{kRegularFont};
    Face bold{kBoldFont};
};

// The night-blue backdrop both screens share: a vertical gradient, a faint grid and a
// vignette, with the title at the top.
Picture Backdrop(const Faces& f, const std::string& title, float titleSize, float titleY, float ruleY) {
    Picture p(640, 480);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            Colour c = Mix(Hex(0x070B18), Hex(0x172A50), float(y) / p.height);
            const float grid = (x % 32 == 0 || y % 32 == 0) ? 0.035f : 0.0f;
            const float vx = (x - 320.0f) / 320.0f, vy = (y - 240.0f) / 240.0f;
            const float shade = 1.0f - 0.35f * std::min(1.0f, (vx * vx + vy * vy) * 0.5f);
            p.px[size_t(y) * p.width + x] = {(c.r + grid) * shade, (c.g + grid) * shade, (c.b + grid * 1.5f) * shade, 1};
        }
    // A glow behind the title, then the title.
    for (int i = 4; i >= 1; --i) f.bold.DrawCentred(p, title, 320, titleY, titleSize + i, Hex(0x3FA7D6, 0.06f), 0);
    f.bold.DrawCentred(p, title, 320, titleY, titleSize, kInk, 2);
    Line(p, 200, ruleY, 440, ruleY, 1.5f, Hex(0x3FA7D6, 0.7f));
    return p;
}

// A panel: translucent navy, a bright rim.
void Panel(Picture& p, float x, float y, float w, float h) {
    RoundRect(p, x + 3, y + 4, w, h, 12, Colour{0, 0, 0, 0.35f}, Colour{0, 0, 0, 0.35f}, {}, 0);
    RoundRect(p, x, y, w, h, 12, Hex(0x1A2E56, 0.92f), Hex(0x111F3D, 0.92f), Hex(0x3FA7D6), 2);
}

// A framed well for a text field or text box.
void Well(Picture& p, float x, float y, float w, float h) {
    RoundRect(p, x, y, w, h, 4, kWell, Hex(0x0E1A33), kWellEdge, 1.2f);
}

// One button image of the state (0 normal, 1 lit, 2 pressed) at (x, y).
void ButtonImage(Picture& p, const Faces& f, float x, float y, float w, float h, const std::string& label, int state,
                 float labelSize) {
    const Colour tops[3] = {Hex(0x2C4F84), Hex(0x3D6DB0), Hex(0x15284A)};
    const Colour bottoms[3] = {Hex(0x182E55), Hex(0x244A82), Hex(0x22416F)};
    const Colour borders[3] = {kEdge, kEdgeLit, kEdgeLit};
    RoundRect(p, x + 0.5f, y + 0.5f, w - 1, h - 1, 8, tops[state], bottoms[state], borders[state], state ? 2.0f : 1.5f);
    // A highlight along the top edge, brighter when lit.
    Line(p, x + 10, y + 3.5f, x + w - 10, y + 3.5f, 1.0f, Colour{1, 1, 1, state == 1 ? 0.35f : 0.15f});
    const float shift = state == 2 ? 1.0f : 0.0f;
    f.bold.DrawCentred(p, label, x + w / 2 + shift, y + h / 2 + shift, labelSize, state == 2 ? Hex(0xCFE0FF) : kInk);
}

// Main menu buttons: 240 x 44, their three images stacked 64 apart in a 256 x 256 sheet.
constexpr int kMenuButtonW = 240, kMenuButtonH = 44;
Picture MenuButton(const Faces& f, const std::string& label) {
    Picture p(256, 256);
    for (int state = 0; state < 3; ++state)
        ButtonImage(p, f, 0, float(state * 64), kMenuButtonW, kMenuButtonH, label, state, 19);
    return p;
}

Picture MainMenuBackdrop(const Faces& f) {
    Picture p = Backdrop(f, "KESTRUNE", 58, 52, 86);
    f.regular.DrawCentred(p, "D R O I D   C O M M A N D", 320, 106, 13, kHint, 0);
    Panel(p, 170, 140, 300, 280);
    f.regular.DrawCentred(p, "The Kestrune engine sample game", 320, 450, 12, kHint, 0);
    return p;
}

// The options screen's backdrop: the labels of each row and the wells of the text fields,
// at the positions of "options.txt".
Picture OptionsBackdrop(const Faces& f) {
    Picture p = Backdrop(f, "OPTIONS", 36, 34, 60);
    Panel(p, 30, 72, 580, 400);
    struct Row {
        const char* label;
        float midY;
    };
    for (const Row& r : {Row{"Music volume", 102}, Row{"Brightness", 138}, Row{"Texture filtering", 174},
                         Row{"Sound quality", 210}, Row{"Move forward", 247}, Row{"Move back", 281},
                         Row{"Player name", 315}})
        f.regular.Draw(p, r.label, 56, r.midY, 15, kLabel);
    f.regular.Draw(p, "Trilinear", 284, 174, 14, kHint);
    f.regular.Draw(p, "Low", 284, 210, 14, kHint);
    f.regular.Draw(p, "High", 384, 210, 14, kHint);
    Well(p, 250, 234, 140, 26);   // key_forward at (256, 237)
    Well(p, 250, 268, 140, 26);   // key_backward at (256, 271)
    Well(p, 250, 302, 220, 26);   // player_name at (256, 305)
    Well(p, 56, 340, 414, 86);    // help at (60, 344), 406 x 78
    Well(p, 56, 436, 414, 26);    // console at (76, 439)
    f.bold.Draw(p, ">", 63, 449, 15, kAccent);
    f.regular.Draw(p, "Click a key field,", 490, 240, 12, kHint);
    f.regular.Draw(p, "then press a key.", 490, 256, 12, kHint);
    f.regular.Draw(p, "Enter confirms,", 490, 306, 12, kHint);
    f.regular.Draw(p, "Esc cancels.", 490, 322, 12, kHint);
    return p;
}

// The options screen's widget sheet, 256 x 256 (positions as "options.txt" gives them).
Picture Widgets(const Faces& f) {
    Picture p(256, 256);
    // Slider track (0, 0) 200 x 20 and thumb (208, 0) 20 x 20.
    RoundRect(p, 0.5f, 5.5f, 199, 9, 4.5f, kWell, Hex(0x13254A), kWellEdge, 1.2f);
    for (int tick = 0; tick <= 10; ++tick) Line(p, 10 + tick * 18.0f, 17, 10 + tick * 18.0f, 19, 1, Hex(0x35557F));
    Disc(p, 218, 10, 9, Hex(0xE6F4FF), Hex(0x5D97CF), Hex(0xFFFFFF, 0.9f), 1.2f);
    // Check box off (0, 32) and on (32, 32), 24 x 24.
    for (int on = 0; on < 2; ++on) {
        const float x = on * 32.0f;
        RoundRect(p, x + 1.5f, 33.5f, 21, 21, 4, kWell, Hex(0x13254A), kEdge, 1.8f);
        if (on) {
            Line(p, x + 6, 44, x + 10.5f, 49, 3, kAccent);
            Line(p, x + 10.5f, 49, x + 18, 38.5f, 3, kAccent);
        }
    }
    // Radio buttons, 24 x 24: off (64, 32), on (96, 32), lit off (128, 32), lit on (160, 32).
    for (int image = 0; image < 4; ++image) {
        const float cx = 64 + image * 32.0f + 12, cy = 44;
        const bool lit = image >= 2, on = image % 2 == 1;
        Disc(p, cx, cy, 10.5f, lit ? Hex(0x1D3566) : Hex(0x13254A), kWell, lit ? kEdgeLit : kEdge, 1.8f);
        if (on) Disc(p, cx, cy, 5, Hex(0xC8F0FF), kAccent, {}, 0);
    }
    // Scroll bar track (0, 64) 16 x 78 and thumb (32, 64) 16 x 20.
    RoundRect(p, 3.5f, 64.5f, 9, 77, 4.5f, kWell, Hex(0x13254A), kWellEdge, 1.2f);
    RoundRect(p, 32.5f, 64.5f, 15, 19, 5, Hex(0xCFE8FF), Hex(0x5D97CF), Hex(0xFFFFFF, 0.8f), 1);
    // "Back" button, 110 x 38: normal (0, 160), lit (128, 160), pressed (0, 208).
    ButtonImage(p, f, 0, 160, 110, 38, "Back", 0, 16);
    ButtonImage(p, f, 128, 160, 110, 38, "Back", 1, 16);
    ButtonImage(p, f, 0, 208, 110, 38, "Back", 2, 16);
    return p;
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_interface", dir)) return status;
    const Faces faces;
    if (!faces.regular.Ok() || !faces.bold.Ok()) {
        std::fprintf(stderr, "make_interface: cannot read %s or %s\n", kRegularFont, kBoldFont);
        return 1;
    }
    const std::filesystem::path textures = dir / "textures" / "interface", masks = dir / "interface" / "masks";
    const Picture newGame = MenuButton(faces, "New game");
    const Picture widgets = Widgets(faces);
    bool ok = WriteFile(textures / "menu_back.tga", Tga(MainMenuBackdrop(faces))) &&
              WriteFile(textures / "options_back.tga", Tga(OptionsBackdrop(faces))) &&
              WriteFile(textures / "btn_new_game.tga", Tga(newGame)) &&
              WriteFile(textures / "btn_load_game.tga", Tga(MenuButton(faces, "Load game"))) &&
              WriteFile(textures / "btn_options.tga", Tga(MenuButton(faces, "Options"))) &&
              WriteFile(textures / "btn_quit.tga", Tga(MenuButton(faces, "Quit"))) &&
              WriteFile(textures / "widgets.tga", Tga(widgets)) &&
              WriteFile(masks / "menu_button.msk", Mask(newGame, 0, 0, kMenuButtonW, kMenuButtonH)) &&
              WriteFile(masks / "radio.msk", Mask(widgets, 64, 32, 24, 24)) &&
              WriteFile(masks / "back_button.msk", Mask(widgets, 0, 160, 110, 38));
    if (!ok) {
        std::fprintf(stderr, "make_interface: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
