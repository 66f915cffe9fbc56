// Makes the images of the sample game's shop screen from code: the backdrop (title, the two
// panels with their headings and the framed wells of the text boxes), one sheet of widget
// images (droid and item rows, catalogue tabs, buttons, page arrows, the name field's frame)
// and one 64 x 64 icon for every part and droid model of the game-data tables, named after
// the icon column of the tables ("weapon_thunder.tga") or, for droid models, "droid_<key>".
// The look follows the other screens: night blue, bright rims, DejaVu Sans labels. The
// layout matches the description file "shop.txt" of data\interface\Data.
// Writes textures/interface/*.tga (32-bit, with alpha) below the given game data directory.
// Usage: make_shop_interface <game data directory>
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

// ---- the backdrop

// A panel: translucent navy, a bright rim.
void Panel(Picture& p, float x, float y, float w, float h) {
    RoundRect(p, x + 3, y + 4, w, h, 12, Colour{0, 0, 0, 0.35f}, Colour{0, 0, 0, 0.35f}, {}, 0);
    RoundRect(p, x, y, w, h, 12, Hex(0x1A2E56, 0.92f), Hex(0x111F3D, 0.92f), Hex(0x3FA7D6), 2);
}

// A framed well for a text box.
void Well(Picture& p, float x, float y, float w, float h) {
    RoundRect(p, x, y, w, h, 4, kWell, Hex(0x0E1A33), kWellEdge, 1.2f);
}

// A small-capitals heading with a rule after it, from x to the right edge.
void Heading(Picture& p, const Faces& f, const std::string& text, float x, float midY, float right) {
    f.bold.Draw(p, text, x, midY, 14, kLabel);
    const float end = x + f.bold.Width(text, 14) + 8;
    Line(p, end, midY + 1, right, midY + 1, 1, Hex(0x3FA7D6, 0.5f));
}

// The shop's backdrop, 640 x 480; positions as in "shop.txt".
Picture ShopBackdrop(const Faces& f) {
    Picture p(640, 480);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            Colour c = Mix(Hex(0x070B18), Hex(0x172A50), float(y) / p.height);
            const float grid = (x % 32 == 0 || y % 32 == 0) ? 0.035f : 0.0f;
            const float vx = (x - 320.0f) / 320.0f, vy = (y - 240.0f) / 240.0f;
            const float shade = 1.0f - 0.35f * std::min(1.0f, (vx * vx + vy * vy) * 0.5f);
            p.px[size_t(y) * p.width + x] = {(c.r + grid) * shade, (c.g + grid) * shade, (c.b + grid * 1.5f) * shade, 1};
        }
    for (int i = 4; i >= 1; --i) f.bold.DrawCentred(p, "DROID SHOP", 320, 27, 32 + i, Hex(0x3FA7D6, 0.06f), 0);
    f.bold.DrawCentred(p, "DROID SHOP", 320, 27, 32, kInk, 2);
    Line(p, 220, 50, 420, 50, 1.5f, Hex(0x3FA7D6, 0.7f));

    // The points badge, top right: the text box "points" at (560, 17).
    RoundRect(p, 496, 12, 132, 30, 8, Hex(0x2A2410), Hex(0x17140A), kGold, 1.5f);
    f.bold.Draw(p, "Points", 506, 27, 13, kGold);

    // Left: the player's droids, their details (text box at (30, 270)) and the sell button.
    Panel(p, 12, 60, 276, 360);
    Heading(p, f, "YOUR DROIDS", 24, 76, 276);
    Well(p, 22, 264, 256, 112);

    // Right: the catalogue tabs and rows, the item's icon and details (text box at
    // (370, 252)), and the buttons.
    Panel(p, 300, 60, 328, 360);
    Well(p, 308, 248, 312, 88);
    Well(p, 312, 252, 52, 52);  // the icon's frame

    // Bottom: the message line (text box at (22, 432)).
    Well(p, 12, 428, 470, 44);
    return p;
}

// ---- the widget sheet

// A row of a list (radio button image): 0 off, 1 on, 2 lit off, 3 lit on.
void RowImage(Picture& p, float x, float y, float w, float h, int image) {
    const bool on = image == 1 || image == 3, lit = image >= 2;
    const Colour top = on ? Hex(0x24508A) : (lit ? Hex(0x1B355F) : Hex(0x13244A));
    const Colour bottom = on ? Hex(0x173A68) : (lit ? Hex(0x142849) : Hex(0x0E1B37));
    const Colour border = on ? kAccent : (lit ? kEdgeLit : Hex(0x2C4A74));
    RoundRect(p, x + 0.5f, y + 0.5f, w - 1, h - 1, 5, top, bottom, border, on ? 1.6f : 1.1f);
    if (on) RoundRect(p, x + 3, y + 5, 3, h - 10, 1.5f, kAccent, kAccent, {}, 0);
}

// A catalogue tab with its label: 0 off, 1 on, 2 lit off, 3 lit on.
void TabImage(Picture& p, const Faces& f, float x, float y, const std::string& label, int image) {
    constexpr float w = 60, h = 24;
    const bool on = image == 1 || image == 3, lit = image >= 2;
    const Colour top = on ? Hex(0x3D6DB0) : (lit ? Hex(0x2C4F84) : Hex(0x1B3360));
    const Colour bottom = on ? Hex(0x244A82) : (lit ? Hex(0x1C3966) : Hex(0x12254A));
    RoundRect(p, x + 0.5f, y + 0.5f, w - 1, h - 1, 6, top, bottom, on ? kEdgeLit : kEdge, on ? 1.8f : 1.2f);
    f.bold.DrawCentred(p, label, x + w / 2, y + h / 2, 11.5f, on ? kInk : (lit ? kInk : kLabel), on ? 1.0f : 0.0f);
}

// One button image of the state (0 normal, 1 lit, 2 pressed).
void ButtonImage(Picture& p, const Faces& f, float x, float y, float w, float h, const std::string& label, int state,
                 float labelSize) {
    const Colour tops[3] = {Hex(0x2C4F84), Hex(0x3D6DB0), Hex(0x15284A)};
    const Colour bottoms[3] = {Hex(0x182E55), Hex(0x244A82), Hex(0x22416F)};
    const Colour borders[3] = {kEdge, kEdgeLit, kEdgeLit};
    RoundRect(p, x + 0.5f, y + 0.5f, w - 1, h - 1, 8, tops[state], bottoms[state], borders[state], state ? 2.0f : 1.5f);
    Line(p, x + 10, y + 3.5f, x + w - 10, y + 3.5f, 1.0f, Colour{1, 1, 1, state == 1 ? 0.35f : 0.15f});
    const float shift = state == 2 ? 1.0f : 0.0f;
    f.bold.DrawCentred(p, label, x + w / 2 + shift, y + h / 2 + shift, labelSize, state == 2 ? Hex(0xCFE0FF) : kInk);
}

// A page arrow button, pointing left or right, of the state.
void ArrowImage(Picture& p, float x, float y, bool right, int state) {
    constexpr float w = 28, h = 22;
    const Colour tops[3] = {Hex(0x2C4F84), Hex(0x3D6DB0), Hex(0x15284A)};
    const Colour bottoms[3] = {Hex(0x182E55), Hex(0x244A82), Hex(0x22416F)};
    RoundRect(p, x + 0.5f, y + 0.5f, w - 1, h - 1, 6, tops[state], bottoms[state], state ? kEdgeLit : kEdge, 1.4f);
    const float cx = x + w / 2, cy = y + h / 2, d = right ? 1.0f : -1.0f;
    Triangle(p, cx + 6 * d, cy, cx - 4 * d, cy - 6, cx - 4 * d, cy + 6, kInk);
}

// Places of the sheet's images, as "shop.txt" gives them.
constexpr int kSheetSize = 512;
constexpr int kDroidRowW = 256, kItemRowW = 312, kRowH = 26;

Picture Widgets(const Faces& f) {
    Picture p(kSheetSize, kSheetSize);
    // Droid rows (0, 0 + 28 i) and item rows (0, 112 + 28 i), i the image.
    for (int image = 0; image < 4; ++image) {
        RowImage(p, 0, float(image * 28), kDroidRowW, kRowH, image);
        RowImage(p, 0, float(112 + image * 28), kItemRowW, kRowH, image);
    }
    // Tabs: tab k at x 64 k; images at y 224, 250, 276, 302.
    const char* tabs[5] = {"Droids", "Weapons", "Armour", "Chassis", "Devices"};
    for (int k = 0; k < 5; ++k)
        for (int image = 0; image < 4; ++image) TabImage(p, f, float(k * 64), float(224 + image * 26), tabs[k], image);
    // Buttons, each state beside the last: normal, lit, pressed.
    struct Button {
        const char* label;
        float y, w, h, step, size;
    };
    for (const Button& b : {Button{"Buy", 330, 100, 30, 104, 15}, Button{"Remove", 362, 100, 30, 104, 15},
                            Button{"Sell droid", 394, 120, 30, 124, 15}, Button{"Continue", 428, 134, 44, 138, 18}})
        for (int state = 0; state < 3; ++state) ButtonImage(p, f, state * b.step, b.y, b.w, b.h, b.label, state, b.size);
    // Page arrows: left at (320 + 32 s, 330), right at (416 + 32 s, 330).
    for (int state = 0; state < 3; ++state) {
        ArrowImage(p, float(320 + 32 * state), 330, false, state);
        ArrowImage(p, float(416 + 32 * state), 330, true, state);
    }
    // The name field's frame (0, 480), 200 x 24.
    RoundRect(p, 0.5f, 480.5f, 199, 23, 4, kWell, Hex(0x0E1A33), kEdge, 1.2f);
    return p;
}

// ---- icons, 64 x 64: each part drawn by one painter, the droid models from their parts

constexpr int kIcon = 64;

// The icon's ground: a dark tile with a soft glow of the kind's colour.
Picture IconGround(const Colour& glow) {
    Picture p(kIcon, kIcon);
    RoundRect(p, 0.5f, 0.5f, kIcon - 1, kIcon - 1, 8, Hex(0x13254A), Hex(0x0A1326), kWellEdge, 1.2f);
    Disc(p, 32, 32, 26, Colour{glow.r, glow.g, glow.b, 0.22f}, Colour{glow.r, glow.g, glow.b, 0.0f}, {}, 0);
    return p;
}

// Chassis, centred on (cx, cy) at the scale (1 = icon size).
void PaintChassis(Picture& p, const std::string& key, float cx, float cy, float s) {
    const Colour metal = Hex(0x9FB4D0), dark = Hex(0x2A3A55);
    if (key == "chariot") {  // two wheels on an axle
        Line(p, cx - 16 * s, cy, cx + 16 * s, cy, 4 * s, dark);
        for (float side : {-1.0f, 1.0f}) {
            Disc(p, cx + side * 16 * s, cy, 9 * s, Hex(0x4A5E80), Hex(0x1A2438), metal, 1.5f * s);
            Disc(p, cx + side * 16 * s, cy, 3 * s, metal, metal, {}, 0);
        }
    } else if (key == "centipede") {  // a low body on three pairs of legs
        for (int i = -1; i <= 1; ++i) {
            const float x = cx + float(i) * 11 * s;
            Line(p, x, cy - 2 * s, x - 6 * s, cy + 10 * s, 3 * s, metal);
            Line(p, x - 6 * s, cy + 10 * s, x - 3 * s, cy + 13 * s, 3 * s, metal);
        }
        RoundRect(p, cx - 20 * s, cy - 7 * s, 40 * s, 9 * s, 4 * s, Hex(0x5A6E90), dark, metal, 1.2f * s);
    } else if (key == "ikarus") {  // a hover pad over its glow
        Disc(p, cx, cy + 7 * s, 16 * s, Hex(0x5FD0FF, 0.55f), Hex(0x5FD0FF, 0.0f), {}, 0);
        RoundRect(p, cx - 20 * s, cy - 5 * s, 40 * s, 10 * s, 5 * s, Hex(0x7C90B0), dark, metal, 1.2f * s);
        for (float side : {-1.0f, 1.0f}) Disc(p, cx + side * 12 * s, cy + 6 * s, 3 * s, kAccent, kAccent, {}, 0);
    }
}

// Armour: a shield-like plate whose look hardens from mesh to heavy plate.
void PaintArmour(Picture& p, const std::string& key, float cx, float cy, float s) {
    const float w = 30 * s, h = 26 * s;
    if (key == "chainmail") {
        RoundRect(p, cx - w / 2, cy - h / 2, w, h, 9 * s, Hex(0x6F86A8), Hex(0x3E5276), Hex(0xB8C8E0), 1.2f * s);
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 5; ++col)
                Arc(p, cx - w / 2 + (4.5f + col * 5.2f) * s, cy - h / 2 + (5 + row * 5.5f) * s, 2 * s, 1 * s, -kPi, kPi,
                    Hex(0xD8E4F4, 0.8f));
    } else if (key == "cuirass") {
        RoundRect(p, cx - w / 2, cy - h / 2, w, h, 9 * s, Hex(0xA8B8CC), Hex(0x55657E), Hex(0xE0E8F4), 1.5f * s);
        Line(p, cx, cy - h / 2 + 4 * s, cx, cy + h / 2 - 4 * s, 2 * s, Hex(0xE8F0FF, 0.7f));
    } else if (key == "panzer") {
        RoundRect(p, cx - w / 2 - 2 * s, cy - h / 2 - 2 * s, w + 4 * s, h + 4 * s, 6 * s, Hex(0x7A7060), Hex(0x3A342A),
                  Hex(0xD8C8A0), 2.2f * s);
        Line(p, cx - w / 2, cy, cx + w / 2, cy, 2 * s, Hex(0x2A241C));
        for (float dx : {-1.0f, 1.0f})
            for (float dy : {-1.0f, 1.0f})
                Disc(p, cx + dx * (w / 2 - 3 * s), cy + dy * (h / 2 - 3 * s), 1.8f * s, Hex(0xF0E0B8), Hex(0xA09070), {}, 0);
    }
}

// Weapons: a barrel pointing right from (cx, cy), its muzzle showing the kind.
void PaintWeapon(Picture& p, const std::string& key, float cx, float cy, float s) {
    const Colour metal = Hex(0xB8C8E0), dark = Hex(0x3A4A66);
    if (key == "thunder") {  // a thick cannon with a muzzle flash
        RoundRect(p, cx - 14 * s, cy - 5 * s, 28 * s, 10 * s, 3 * s, metal, dark, Hex(0xE8F0FF), 1 * s);
        RoundRect(p, cx + 12 * s, cy - 7 * s, 5 * s, 14 * s, 2 * s, metal, dark, {}, 0);
        Disc(p, cx + 22 * s, cy, 6 * s, Hex(0xFFF4C0), Hex(0xFF9A30, 0.0f), {}, 0);
    } else if (key == "burn") {  // a nozzle and a tongue of flame
        RoundRect(p, cx - 14 * s, cy - 4 * s, 20 * s, 8 * s, 3 * s, metal, dark, {}, 0);
        Triangle(p, cx + 4 * s, cy - 3 * s, cx + 4 * s, cy + 3 * s, cx + 10 * s, cy, metal);
        Disc(p, cx + 16 * s, cy, 7 * s, Hex(0xFFE080), Hex(0xFF5A10, 0.2f), {}, 0);
        Disc(p, cx + 23 * s, cy - 2 * s, 4 * s, Hex(0xFFB040), Hex(0xFF3A00, 0.0f), {}, 0);
    } else if (key == "lightning") {  // a coil and a bolt
        RoundRect(p, cx - 14 * s, cy - 4 * s, 16 * s, 8 * s, 3 * s, metal, dark, {}, 0);
        for (int i = 0; i < 3; ++i)
            Arc(p, cx - 9 * s + float(i) * 5 * s, cy, 5 * s, 1.4f * s, -kPi, kPi, Hex(0xC89A40));
        const float x = cx + 4 * s;
        Line(p, x, cy, x + 7 * s, cy - 6 * s, 2 * s, Hex(0xC8F0FF));
        Line(p, x + 7 * s, cy - 6 * s, x + 11 * s, cy + 4 * s, 2 * s, Hex(0xC8F0FF));
        Line(p, x + 11 * s, cy + 4 * s, x + 20 * s, cy - 3 * s, 2 * s, Hex(0xC8F0FF));
    }
}

// Devices.
void PaintDevice(Picture& p, const std::string& key, float cx, float cy, float s) {
    if (key == "radar") {  // a dish and its waves
        Arc(p, cx - 6 * s, cy + 8 * s, 14 * s, 4 * s, -kPi * 0.95f, -kPi * 0.05f, Hex(0xB8C8E0));
        Line(p, cx - 6 * s, cy + 8 * s, cx - 6 * s, cy + 16 * s, 3 * s, Hex(0x6F86A8));
        for (int i = 1; i <= 3; ++i)
            Arc(p, cx - 6 * s, cy - 2 * s, float(i) * 6 * s, 1.6f * s, -kPi * 0.45f, -kPi * 0.05f, Hex(0x5FD0FF, 1.0f - 0.2f * i));
    } else if (key == "repair") {  // a green cross in a case
        RoundRect(p, cx - 15 * s, cy - 12 * s, 30 * s, 24 * s, 4 * s, Hex(0xE8F0FF), Hex(0xA8B8CC), Hex(0x6F86A8), 1 * s);
        Line(p, cx - 8 * s, cy, cx + 8 * s, cy, 5 * s, Hex(0x30B060));
        Line(p, cx, cy - 8 * s, cx, cy + 8 * s, 5 * s, Hex(0x30B060));
    } else if (key == "shield") {  // a glowing dome
        Disc(p, cx, cy, 17 * s, Hex(0x5FD0FF, 0.05f), Hex(0x5FD0FF, 0.5f), Hex(0xC8F0FF), 1.6f * s);
        Arc(p, cx, cy, 11 * s, 1.5f * s, -kPi * 0.85f, -kPi * 0.55f, Hex(0xFFFFFF, 0.8f));
    }
}

// A droid model: its chassis below, its armour as the body, its weapon to the right.
Picture DroidIcon(const std::string& chassis, const std::string& armour, const std::string& weapon, int weapons) {
    Picture p = IconGround(kAccent);
    PaintChassis(p, chassis, 30, 46, 0.8f);
    PaintArmour(p, armour, 28, 29, 0.85f);
    PaintWeapon(p, weapon, 36, weapons > 1 ? 22 : 27, 0.6f);
    if (weapons > 1) PaintWeapon(p, weapon, 36, 33, 0.6f);
    return p;
}

struct IconFile {
    std::string name;
    Picture picture;
};

// Every icon: the parts named in the tables and the three droid models.
std::vector<IconFile> Icons() {
    std::vector<IconFile> icons;
    for (const char* key : {"chariot", "centipede", "ikarus"}) {
        Picture p = IconGround(Hex(0x8FA8D0));
        PaintChassis(p, key, 32, 34, 1.1f);
        icons.push_back({std::string("chassis_") + key, std::move(p)});
    }
    for (const char* key : {"chainmail", "cuirass", "panzer"}) {
        Picture p = IconGround(Hex(0xB8C8E0));
        PaintArmour(p, key, 32, 32, 1.3f);
        icons.push_back({std::string("armor_") + key, std::move(p)});
    }
    for (const char* key : {"thunder", "burn", "lightning"}) {
        Picture p = IconGround(Hex(0xFF9A30));
        PaintWeapon(p, key, 24, 32, 1.1f);
        icons.push_back({std::string("weapon_") + key, std::move(p)});
    }
    for (const char* key : {"radar", "repair", "shield"}) {
        Picture p = IconGround(Hex(0x30B060));
        PaintDevice(p, key, 32, 32, 1.2f);
        icons.push_back({std::string("device_") + key, std::move(p)});
    }
    icons.push_back({"droid_scout", DroidIcon("chariot", "chainmail", "thunder", 1)});
    icons.push_back({"droid_hunter", DroidIcon("ikarus", "cuirass", "lightning", 1)});
    icons.push_back({"droid_tank", DroidIcon("centipede", "panzer", "thunder", 2)});
    return icons;
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_shop_interface", dir)) return status;
    const Faces faces;
    if (!faces.regular.Ok() || !faces.bold.Ok()) {
        std::fprintf(stderr, "make_shop_interface: cannot read %s or %s\n", kRegularFont, kBoldFont);
        return 1;
    }
    const std::filesystem::path textures = dir / "textures" / "interface";
    bool ok = WriteFile(textures / "shop_back.tga", Tga(ShopBackdrop(faces))) &&
              WriteFile(textures / "shop_widgets.tga", Tga(Widgets(faces)));
    for (const IconFile& icon : Icons()) ok = ok && WriteFile(textures / (icon.name + ".tga"), Tga(icon.picture));
    if (!ok) {
        std::fprintf(stderr, "make_shop_interface: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
