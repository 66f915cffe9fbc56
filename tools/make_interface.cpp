// Makes the images of the sample game's interface screens from code, and their hit masks:
// the backdrops of the full screens (main menu, options, briefing, mission report, victory,
// saved games), the panels drawn over them or the game (pause, the question that asks before
// a step that loses something, the mission's bottom bar, console line and its list of words), the labelled buttons (each with its normal, lit and pressed image), the widget
// sheets (sliders, check box, radio buttons, scroll bars, arrows, the armour bar's segments)
// and the two pointers. Labels are set in DejaVu Sans with stb_truetype; shapes are drawn
// anti-aliased from distance functions. The layout matches the description files of
// data\interface\Data: every position below names the element it is drawn for.
// Writes textures/interface/*.tga (32-bit, with alpha) and interface/masks/*.msk (one byte a
// point, non-zero inside) below the given game data directory.
// Usage: make_interface <game data directory>
#include "ContentFiles.h"
#include "Painting.h"

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

using namespace paint;

// A hit mask of the picture's region: 1 where the picture is more than half opaque.
std::vector<uint8_t> Mask(const Picture& p, int x, int y, int w, int h) {
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) mask[size_t(row) * w + col] = p.px[size_t(y + row) * p.width + x + col].a > 0.5f;
    return mask;
}

// A filled polygon (points in order, either winding), its coverage sampled 4 x 4 a pixel.
void Polygon(Picture& p, const std::vector<std::pair<float, float>>& points, const Colour& c) {
    float minX = points[0].first, maxX = minX, minY = points[0].second, maxY = minY;
    for (const auto& [x, y] : points) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    auto inside = [&](float x, float y) {
        bool in = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto& [xi, yi] = points[i];
            const auto& [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
    for (int py = int(minY) - 1; py <= int(maxY) + 1; ++py)
        for (int px = int(minX) - 1; px <= int(maxX) + 1; ++px) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) hits += inside(px + (sx + 0.5f) / 4, py + (sy + 0.5f) / 4);
            p.Blend(px, py, c, hits / 16.0f);
        }
}

// The outline of a polygon, closed.
void Outline(Picture& p, const std::vector<std::pair<float, float>>& points, float thickness, const Colour& c) {
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
        Line(p, points[j].first, points[j].second, points[i].first, points[i].second, thickness, c);
}

// ---- the screens

// The night-blue backdrop every full screen shares: a vertical gradient, a faint grid and a
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

// A panel: translucent navy, a bright rim, a soft shadow 3 right and 4 down.
void Panel(Picture& p, float x, float y, float w, float h) {
    RoundRect(p, x + 3, y + 4, w, h, 12, Colour{0, 0, 0, 0.35f}, Colour{0, 0, 0, 0.35f}, {}, 0);
    RoundRect(p, x, y, w, h, 12, Hex(0x1A2E56, 0.92f), Hex(0x111F3D, 0.92f), Hex(0x3FA7D6), 2);
}

// A framed well for a text field or text box.
void Well(Picture& p, float x, float y, float w, float h) {
    RoundRect(p, x, y, w, h, 4, kWell, Hex(0x0E1A33), kWellEdge, 1.2f);
}

// A panel of its own picture (with room for its shadow), its title at the top over a rule.
Picture TitledPanel(const Faces& f, int w, int h, const std::string& title) {
    Picture p(w + 8, h + 8);
    Panel(p, 0, 0, float(w), float(h));
    f.bold.DrawCentred(p, title, w / 2.0f, 26, 22, kInk, 1);
    Line(p, w / 2.0f - 90, 46, w / 2.0f + 90, 46, 1.2f, Hex(0x3FA7D6, 0.7f));
    return p;
}

// One button image of the state (0 normal, 1 lit, 2 pressed) at (x, y).
void ButtonImage(Picture& p, const Faces& f, float x, float y, float w, float h, const std::string& label, int state,
                 float labelSize) {
    const Colour tops[3] = {Hex(0x2C4F84), Hex(0x3D6DB0), Hex(0x15284A)};
    const Colour bottoms[3] = {Hex(0x182E55), Hex(0x244A82), Hex(0x22416F)};
    const Colour borders[3] = {kEdge, kEdgeLit, kEdgeLit};
    RoundRect(p, x + 0.5f, y + 0.5f, w - 1, h - 1, std::min(8.0f, h / 3), tops[state], bottoms[state], borders[state],
              state ? 2.0f : 1.5f);
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

// The labelled buttons of the other screens, 150 x 36, in one 512 x 512 sheet: label i at
// x = 170 (i % 3), y = 128 (i / 3), its lit image 40 below and its pressed image 80 below.
constexpr int kButtonW = 150, kButtonH = 36;
const char* const kButtonLabels[] = {"Start",     "Back",  "Continue", "Save", "Resume", "Quit to menu",
                                     "Main menu", "Retry", "Load",     "Yes",  "No"};
Picture Buttons(const Faces& f) {
    Picture p(512, 512);
    for (size_t i = 0; i < std::size(kButtonLabels); ++i)
        for (int state = 0; state < 3; ++state)
            ButtonImage(p, f, float(i % 3 * 170), float(i / 3 * 128 + state * 40), kButtonW, kButtonH, kButtonLabels[i],
                        state, 16);
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
    Picture p = Backdrop(f, "OPTIONS", 30, 26, 46);
    Panel(p, 30, 54, 580, 418);
    struct Row {
        const char* label;
        float x, midY;
    };
    for (const Row& r : {Row{"Display mode", 56, 70}, Row{"Music volume", 56, 102}, Row{"Sound volume", 56, 138},
                         Row{"Texture filtering", 56, 174}, Row{"Sound quality", 352, 174}, Row{"Brightness", 56, 210},
                         Row{"Forward", 56, 247}, Row{"Backward", 56, 281}, Row{"Fire", 56, 315},
                         Row{"Turn left", 392, 247}, Row{"Turn right", 392, 281}, Row{"Next droid", 392, 315},
                         Row{"Mouse speed", 56, 404}})
        f.regular.Draw(p, r.label, r.x, r.midY, 15, kLabel);
    f.regular.Draw(p, "Trilinear", 282, 174, 14, kHint);
    f.regular.Draw(p, "Low", 480, 174, 14, kHint);
    f.regular.Draw(p, "High", 550, 174, 14, kHint);
    Line(p, 56, 228, 584, 228, 1, Hex(0x35557F, 0.8f));
    Line(p, 56, 332, 584, 332, 1, Hex(0x35557F, 0.8f));
    Well(p, 278, 57, 154, 26);  // display_mode text at (280, 61)
    for (float y : {234.0f, 268.0f, 302.0f}) {
        Well(p, 250, y, 132, 26);  // key fields at (256, y + 3), 120 wide: "NumPad Enter" fits
        Well(p, 478, y, 126, 26);  // key fields at (484, y + 3), 116 wide
    }
    Well(p, 56, 340, 414, 48);  // help at (60, 344), 406 x 40
    return p;
}

// Briefing: the mission's title, its text in a well with a scroll bar, the player's status
// and the buttons Back, Save and Start at the bottom.
Picture BriefingBackdrop(const Faces& f) {
    Picture p = Backdrop(f, "BRIEFING", 36, 34, 60);
    Panel(p, 40, 76, 560, 396);
    Line(p, 80, 116, 560, 116, 1, Hex(0x35557F, 0.8f));
    Well(p, 60, 124, 520, 252);  // briefing_text at (66, 130), 508 x 240 with its scroll bar
    return p;
}

// Mission report: the outcome over a rule, the figures in a well, two buttons.
Picture ResultsBackdrop(const Faces& f) {
    Picture p = Backdrop(f, "MISSION REPORT", 36, 34, 60);
    Panel(p, 120, 90, 400, 360);
    Line(p, 160, 140, 480, 140, 1, Hex(0x35557F, 0.8f));
    Well(p, 140, 150, 360, 190);  // details at (150, 160), 340 x 170
    return p;
}

Picture VictoryBackdrop(const Faces& f) {
    Picture p = Backdrop(f, "VICTORY", 58, 52, 86);
    f.regular.DrawCentred(p, "A L L   M I S S I O N S   A C C O M P L I S H E D", 320, 106, 13, kHint, 0);
    Panel(p, 150, 130, 340, 320);
    return p;
}

// The saved games, a full screen like the others: what a save keeps at the top of the panel,
// four wide slot frames on it as buttons, a status line and Back.
Picture SavesBackdrop(const Faces& f) {
    Picture p = Backdrop(f, "SAVED GAMES", 36, 34, 60);
    Panel(p, 100, 76, 440, 340);
    Line(p, 140, 154, 500, 154, 1, Hex(0x35557F, 0.8f));
    return p;
}

// The question asked before a step that loses something, at (140, 150): three lines of text
// at (150, 202), Yes and No below them.
// Opaque, so that the screen's texts under it do not show through.
Picture ConfirmPanel(const Faces& f) {
    Picture p = TitledPanel(f, 360, 180, "ARE YOU SURE?");
    RoundRect(p, 0, 0, 360, 180, 12, Hex(0x1A2E56), Hex(0x111F3D), Hex(0x3FA7D6), 2);
    f.bold.DrawCentred(p, "ARE YOU SURE?", 180, 26, 22, kInk, 1);
    Line(p, 90, 46, 270, 46, 1.2f, Hex(0x3FA7D6, 0.7f));
    return p;
}

// The console's list of words, at (20, 84) under the console line and the message line: a
// dark strip that keeps the text legible over the game.
Picture ConsoleHelpPanel() {
    Picture p(600, 200);
    RoundRect(p, 0.5f, 0.5f, 599, 199, 6, Hex(0x050A16, 0.88f), Hex(0x0A1428, 0.88f), Hex(0x3FA7D6), 1.2f);
    return p;
}

// The pause panel, at (200, 110).
Picture PausePanel(const Faces& f) { return TitledPanel(f, 240, 210, "PAUSED"); }

// Slot frames, 400 x 36: normal (0, 0), lit (0, 40), pressed (0, 80).
constexpr int kSlotW = 400, kSlotH = 36;
Picture Slots() {
    Picture p(512, 128);
    const Colour tops[3] = {kWell, Hex(0x1D3566), Hex(0x0A1326)};
    const Colour bottoms[3] = {Hex(0x0E1A33), Hex(0x13254A), Hex(0x13254A)};
    const Colour borders[3] = {kWellEdge, kEdgeLit, kAccent};
    for (int state = 0; state < 3; ++state)
        RoundRect(p, 0.5f, state * 40 + 0.5f, kSlotW - 1, kSlotH - 1, 6, tops[state], bottoms[state], borders[state],
                  state ? 1.8f : 1.2f);
    return p;
}

// A tall scroll bar for long texts: track (0, 0) 16 x 240, thumb (16, 0) 16 x 24.
Picture Scroll() {
    Picture p(32, 256);
    RoundRect(p, 3.5f, 0.5f, 9, 239, 4.5f, kWell, Hex(0x13254A), kWellEdge, 1.2f);
    RoundRect(p, 16.5f, 0.5f, 15, 23, 5, Hex(0xCFE8FF), Hex(0x5D97CF), Hex(0xFFFFFF, 0.8f), 1);
    return p;
}

// An arrow button, 24 x 24, pointing left or right, in the state (0 normal, 1 lit, 2 pressed).
void ArrowButton(Picture& p, float x, float y, bool right, int state) {
    const Colour tops[3] = {Hex(0x2C4F84), Hex(0x3D6DB0), Hex(0x15284A)};
    const Colour bottoms[3] = {Hex(0x182E55), Hex(0x244A82), Hex(0x22416F)};
    RoundRect(p, x + 0.5f, y + 0.5f, 23, 23, 5, tops[state], bottoms[state], state ? kEdgeLit : kEdge, 1.5f);
    const float s = state == 2 ? 1.0f : 0.0f, cx = x + 12 + s, cy = y + 12 + s;
    if (right)
        Polygon(p, {{cx - 4, cy - 6}, {cx + 5, cy}, {cx - 4, cy + 6}}, kInk);
    else
        Polygon(p, {{cx + 4, cy - 6}, {cx - 5, cy}, {cx + 4, cy + 6}}, kInk);
}

// The widget sheet, 256 x 256 (positions as the description files give them).
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
    // Arrow buttons, 24 x 24: left normal, lit, pressed at (64, 64), (96, 64), (128, 64); right
    // at (64, 96), (96, 96), (128, 96).
    for (int state = 0; state < 3; ++state) {
        ArrowButton(p, 64 + state * 32.0f, 64, false, state);
        ArrowButton(p, 64 + state * 32.0f, 96, true, state);
    }
    // "Back" button, 110 x 38: normal (0, 160), lit (128, 160), pressed (0, 208).
    ButtonImage(p, f, 0, 160, 110, 38, "Back", 0, 16);
    ButtonImage(p, f, 128, 160, 110, 38, "Back", 1, 16);
    ButtonImage(p, f, 0, 208, 110, 38, "Back", 2, 16);
    return p;
}

// The mission's sheet, 1024 x 128:
// - the bottom bar (0, 0) 640 x 56, drawn at (0, 424): the droid's name and the droid count
//   on the left, the armour bar's 20 dark slots at x = 190 + 9 i (y 448, 8 x 14), the points,
//   and the places of the buttons;
// - small buttons 70 x 28: "Save" normal, lit, pressed at (0, 64), (80, 64), (160, 64);
//   "Menu" at (240, 64), (320, 64), (400, 64);
// - the armour bar's lit segments, 8 x 14: red (480, 64), amber (490, 64), green (500, 64);
// - the console line (0, 96) 640 x 28, drawn at (0, 0).
constexpr int kBarY = 424, kSmallButtonW = 70, kSmallButtonH = 28;
Picture Hud(const Faces& f) {
    Picture p(1024, 128);
    // The bar: translucent navy under a bright rim.
    for (int y = 0; y < 56; ++y)
        for (int x = 0; x < 640; ++x) p.Blend(x, y, Mix(Hex(0x142547), Hex(0x0A1428), y / 56.0f), 0.88f);
    Line(p, 0, 0.5f, 640, 0.5f, 1.5f, Hex(0x3FA7D6));
    for (float x : {184.0f, 420.0f, 488.0f}) Line(p, x, 8, x, 48, 1, Hex(0x35557F));
    f.bold.Draw(p, "ARMOUR", 190, 14, 10, kHint);
    f.bold.Draw(p, "POINTS", 426, 14, 10, kHint);
    for (int i = 0; i < 20; ++i) RoundRect(p, 190 + 9.0f * i, 448 - kBarY, 8, 14, 1.5f, kWell, kWell, kWellEdge, 1);
    // Small buttons.
    const char* labels[2] = {"Save", "Menu"};
    for (int b = 0; b < 2; ++b)
        for (int state = 0; state < 3; ++state)
            ButtonImage(p, f, float(b * 240 + state * 80), 64, kSmallButtonW, kSmallButtonH, labels[b], state, 13);
    // Armour segments.
    const Colour segments[3] = {Hex(0xE0503C), Hex(0xF0B43C), Hex(0x5FE0A0)};
    for (int s = 0; s < 3; ++s)
        RoundRect(p, 480 + 10.0f * s, 64, 8, 14, 1.5f, Mix(segments[s], Colour{1, 1, 1, 1}, 0.3f), segments[s],
                  Mix(segments[s], Colour{0, 0, 0, 1}, 0.3f), 1);
    // The console line.
    for (int y = 96; y < 124; ++y)
        for (int x = 0; x < 640; ++x) p.Blend(x, y, Hex(0x050A16), 0.85f);
    Line(p, 0, 123.5f, 640, 123.5f, 1, Hex(0x3FA7D6));
    f.bold.Draw(p, ">", 10, 110, 16, kAccent);
    f.regular.Draw(p, "help lists the words;", 536, 104, 10, kHint);
    f.regular.Draw(p, "Enter sends;  `  or Esc closes", 492, 116, 10, kHint);
    return p;
}

// An arrow pointer, 32 x 32, its tip at the top-left corner; the rest is transparent.
Picture Pointer(const Colour& fill) {
    Picture p(32, 32);
    const std::vector<std::pair<float, float>> arrow = {{1, 1},  {1, 22},  {6.5f, 17}, {10.5f, 26},
                                                        {14, 24.5f}, {10, 16}, {17, 16}};
    // A soft shadow, the fill, then a dark outline.
    std::vector<std::pair<float, float>> shadow = arrow;
    for (auto& [x, y] : shadow) x += 1.5f, y += 1.5f;
    Polygon(p, shadow, Colour{0, 0, 0, 0.35f});
    Polygon(p, arrow, fill);
    Outline(p, arrow, 1.2f, Hex(0x0A1020));
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
    const Picture buttons = Buttons(faces);
    const Picture hud = Hud(faces);
    const struct {
        const char* name;
        Picture picture;
    } images[] = {
        {"menu_back", MainMenuBackdrop(faces)},
        {"options_back", OptionsBackdrop(faces)},
        {"briefing_back", BriefingBackdrop(faces)},
        {"results_back", ResultsBackdrop(faces)},
        {"victory_back", VictoryBackdrop(faces)},
        {"saves_back", SavesBackdrop(faces)},
        {"confirm_panel", ConfirmPanel(faces)},
        {"console_help", ConsoleHelpPanel()},
        {"pause_panel", PausePanel(faces)},
        {"btn_new_game", newGame},
        {"btn_load_game", MenuButton(faces, "Load game")},
        {"btn_options", MenuButton(faces, "Options")},
        {"btn_quit", MenuButton(faces, "Quit")},
        {"buttons", buttons},
        {"widgets", widgets},
        {"slots", Slots()},
        {"scroll", Scroll()},
        {"hud", hud},
        {"pointer", Pointer(Hex(0xF4F8FF))},
        {"pointer_action", Pointer(Hex(0x7FE0FF))},
    };
    bool ok = true;
    for (const auto& image : images) ok = ok && WriteFile(textures / (std::string(image.name) + ".tga"), Tga(image.picture));
    ok = ok && WriteFile(masks / "menu_button.msk", Mask(newGame, 0, 0, kMenuButtonW, kMenuButtonH)) &&
         WriteFile(masks / "button.msk", Mask(buttons, 0, 0, kButtonW, kButtonH)) &&
         WriteFile(masks / "small_button.msk", Mask(hud, 0, 64, kSmallButtonW, kSmallButtonH)) &&
         WriteFile(masks / "radio.msk", Mask(widgets, 64, 32, 24, 24)) &&
         WriteFile(masks / "back_button.msk", Mask(widgets, 0, 160, 110, 38));
    if (!ok) {
        std::fprintf(stderr, "make_interface: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
