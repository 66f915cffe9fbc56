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

TEST(MakeInterface, WritesTheScreensImagesAndMasksTheSameOnEveryRun) {
    test::TempDir dir;
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_interface ";
    ASSERT_EQ(std::system((tool + "a").c_str()), 0);
    ASSERT_EQ(std::system((tool + "b").c_str()), 0);
    for (const char* name : {"menu_back", "options_back"})
        EXPECT_EQ(TgaSize(test::ReadFile(std::string("a/textures/interface/") + name + ".tga")), (std::pair{640, 480}));
    for (const char* name : {"btn_new_game", "btn_load_game", "btn_options", "btn_quit", "widgets"})
        EXPECT_EQ(TgaSize(test::ReadFile(std::string("a/textures/interface/") + name + ".tga")), (std::pair{256, 256}));
    // Masks: one byte a point of the widget, the rounded corners and the disc's outside left out.
    const struct {
        const char* name;
        size_t width, height;
    } masks[] = {{"menu_button", 240, 44}, {"radio", 24, 24}, {"back_button", 110, 38}};
    for (const auto& m : masks) {
        const std::string mask = test::ReadFile(std::string("a/interface/masks/") + m.name + ".msk");
        ASSERT_EQ(mask.size(), m.width * m.height) << m.name;
        EXPECT_EQ(mask[0], 0) << m.name << ": the corner is outside";
        EXPECT_EQ(mask[m.height / 2 * m.width + m.width / 2], 1) << m.name << ": the centre is inside";
    }
    EXPECT_EQ(test::ReadFile("a/textures/interface/widgets.tga"), test::ReadFile("b/textures/interface/widgets.tga"));
    EXPECT_EQ(test::ReadFile("a/interface/masks/radio.msk"), test::ReadFile("b/interface/masks/radio.msk"));
    EXPECT_NE(std::system((tool + "a b").c_str()), 0);
}

}  // namespace
