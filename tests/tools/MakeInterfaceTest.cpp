// The interface images and masks of the sample game, as make_interface writes them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

namespace {

// Width and height of a 32-bit TGA with alpha stored top row first; 0, 0 when it is not one.
std::pair<int, int> TgaSize(const std::string& bytes) {
    if (bytes.size() < 18 || bytes[2] != 2 || uint8_t(bytes[16]) != 32 || (uint8_t(bytes[17]) & 0x20) == 0) return {0, 0};
    const int w = uint8_t(bytes[12]) | uint8_t(bytes[13]) << 8, h = uint8_t(bytes[14]) | uint8_t(bytes[15]) << 8;
    return bytes.size() == 18 + size_t(w) * h * 4 ? std::pair{w, h} : std::pair{0, 0};
}

// Straight alpha of the pixel (x, y) of a 32-bit TGA stored top row first.
int AlphaAt(const std::string& tga, int x, int y) {
    const int w = uint8_t(tga[12]) | uint8_t(tga[13]) << 8;
    return uint8_t(tga[18 + (size_t(y) * w + x) * 4 + 3]);
}

TEST(MakeInterface, WritesTheScreensImagesAndMasksTheSameOnEveryRun) {
    test::TempDir dir;
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_interface ";
    ASSERT_EQ(std::system((tool + "a").c_str()), 0);
    ASSERT_EQ(std::system((tool + "b").c_str()), 0);
    const struct {
        const char* name;
        int width, height;
    } images[] = {{"menu_back", 640, 480},     {"options_back", 640, 480}, {"briefing_back", 640, 480},
                  {"results_back", 640, 480},  {"victory_back", 640, 480}, {"saves_back", 640, 480},
                  {"confirm_panel", 368, 188}, {"console_help", 600, 200},
                  {"pause_panel", 248, 218},   {"btn_new_game", 256, 256}, {"btn_load_game", 256, 256},
                  {"btn_options", 256, 256},   {"btn_quit", 256, 256},     {"buttons", 512, 512},
                  {"widgets", 256, 256},       {"slots", 512, 128},        {"scroll", 32, 256},
                  {"hud", 1024, 128},          {"pointer", 32, 32},        {"pointer_action", 32, 32}};
    for (const auto& image : images) {
        const std::string path = std::string("textures/interface/") + image.name + ".tga";
        EXPECT_EQ(TgaSize(test::ReadFile("a/" + path)), (std::pair{image.width, image.height})) << image.name;
        EXPECT_EQ(test::ReadFile("a/" + path), test::ReadFile("b/" + path)) << image.name;
    }
    // Masks: one byte a point of the widget, the rounded corners and the disc's outside left out.
    const struct {
        const char* name;
        size_t width, height;
    } masks[] = {{"menu_button", 240, 44}, {"button", 150, 36}, {"small_button", 70, 28}, {"radio", 24, 24},
                 {"back_button", 110, 38}};
    for (const auto& m : masks) {
        const std::string mask = test::ReadFile(std::string("a/interface/masks/") + m.name + ".msk");
        ASSERT_EQ(mask.size(), m.width * m.height) << m.name;
        EXPECT_EQ(mask[0], 0) << m.name << ": the corner is outside";
        EXPECT_EQ(mask[m.height / 2 * m.width + m.width / 2], 1) << m.name << ": the centre is inside";
        EXPECT_EQ(mask, test::ReadFile(std::string("b/interface/masks/") + m.name + ".msk")) << m.name;
    }
    // The pointers are opaque at their tips and inside the arrow, transparent beside it.
    for (const char* name : {"pointer", "pointer_action"}) {
        const std::string tga = test::ReadFile(std::string("a/textures/interface/") + name + ".tga");
        EXPECT_GT(AlphaAt(tga, 1, 2), 200) << name;
        EXPECT_EQ(AlphaAt(tga, 4, 12), 255) << name;
        EXPECT_EQ(AlphaAt(tga, 24, 4), 0) << name;
        EXPECT_EQ(AlphaAt(tga, 30, 30), 0) << name;
    }
    // The pause and question panels show what lies under them at their corners and around them;
    // the saved games are a full screen like the others.
    EXPECT_EQ(AlphaAt(test::ReadFile("a/textures/interface/pause_panel.tga"), 0, 0), 0);
    EXPECT_GT(AlphaAt(test::ReadFile("a/textures/interface/pause_panel.tga"), 120, 100), 200);
    EXPECT_EQ(AlphaAt(test::ReadFile("a/textures/interface/confirm_panel.tga"), 367, 10), 0);
    EXPECT_GT(AlphaAt(test::ReadFile("a/textures/interface/confirm_panel.tga"), 180, 80), 200);
    EXPECT_EQ(AlphaAt(test::ReadFile("a/textures/interface/saves_back.tga"), 0, 0), 255);
    EXPECT_NE(std::system((tool + "a b").c_str()), 0);
}

}  // namespace
