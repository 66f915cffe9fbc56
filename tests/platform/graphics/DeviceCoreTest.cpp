// The shared helpers of the graphics layer: vertex sizes, mode lists, parameters.
#include <gtest/gtest.h>

#include "platform/graphics/DeviceCore.h"

using namespace gfx;
using namespace gfx::detail;

namespace {

TEST(VertexFormatTest, EngineVertexIsFortyEightBytes) {
    EXPECT_EQ(FvfSize(kVertexFvf), 48u);
    EXPECT_EQ(FvfSize(FVF_XYZ | FVF_DIFFUSE), 16u);
    EXPECT_EQ(FvfSize(FVF_XYZ | FVF_TEX1), 20u);
}

TEST(VertexFormatTest, FormatsTheDeviceCannotDrawHaveNoSize) {
    EXPECT_EQ(FvfSize(0), 0u);
    EXPECT_EQ(FvfSize(FVF_NORMAL), 0u);             // no position
    EXPECT_EQ(FvfSize(FVF_XYZ | 0x004), 0u);        // pre-transformed positions
    EXPECT_EQ(FvfSize(FVF_XYZ | (3u << 8)), 0u);    // three coordinate sets
}

TEST(PrimitiveCountTest, IndicesFollowThePrimitiveType) {
    EXPECT_EQ(IndexCountOf(PT_TRIANGLELIST, 2), 6u);
    EXPECT_EQ(IndexCountOf(PT_LINELIST, 12), 24u);
    EXPECT_EQ(IndexCountOf(PT_TRIANGLESTRIP, 2), 4u);
    EXPECT_EQ(IndexCountOf(PT_TRIANGLELIST, 0xFFFFFFFFu), 3ull * 0xFFFFFFFFu);
    EXPECT_EQ(IndexCountOf(static_cast<PrimitiveType>(0), 1), 0u);
}

TEST(ModeListTest, DisplayWithoutFourByThreeModesGetsTheStandardOnes) {
    std::vector<DisplayMode> modes = BuildModeList({{1920, 1080, 60, FMT_UNKNOWN}, {0, 0, 0, FMT_UNKNOWN}});
    ASSERT_EQ(modes.size(), 6u);
    EXPECT_EQ(modes[0].width, 640u);
    EXPECT_EQ(modes[0].height, 480u);
    EXPECT_EQ(modes[4].width, 1600u);
    EXPECT_EQ(modes[4].height, 1200u);
    EXPECT_EQ(modes[5].width, 1920u);
}

TEST(ModeListTest, ReportedModesAreSortedWithoutDuplicates) {
    std::vector<DisplayMode> modes = BuildModeList(
        {{1024, 768, 75, FMT_UNKNOWN}, {800, 600, 60, FMT_UNKNOWN}, {1024, 768, 60, FMT_UNKNOWN},
         {800, 600, 60, FMT_UNKNOWN}});
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(modes[0].width, 800u);
    EXPECT_EQ(modes[1].refreshRate, 60u);
    EXPECT_EQ(modes[2].refreshRate, 75u);
}

TEST(ModeListTest, NothingReportedGivesTheStandardModes) { EXPECT_EQ(BuildModeList({}).size(), 5u); }

TEST(PresentParametersTest, WindowTakesTheWindowSizeAndDisplayFormat) {
    PresentParameters p;
    p.windowed = true;
    ASSERT_EQ(CompleteParameters(&p, 1024, 768), S_OK);
    EXPECT_EQ(p.backBufferWidth, 1024u);
    EXPECT_EQ(p.backBufferHeight, 768u);
    EXPECT_EQ(p.backBufferFormat, FMT_X8R8G8B8);
    EXPECT_EQ(p.backBufferCount, 1u);
}

TEST(PresentParametersTest, UnusableParametersAreRefused) {
    PresentParameters p;
    p.windowed = true;
    p.backBufferFormat = FMT_R5G6B5;  // a window shows the display's own format
    EXPECT_EQ(CompleteParameters(&p, 640, 480), D3DERR_INVALIDCALL);
    p = PresentParameters{};
    p.backBufferWidth = 100000;
    p.backBufferHeight = 10;
    EXPECT_EQ(CompleteParameters(&p, 640, 480), D3DERR_INVALIDCALL);
    p = PresentParameters{};
    p.enableAutoDepthStencil = true;
    p.autoDepthStencilFormat = FMT_X8R8G8B8;
    EXPECT_EQ(CompleteParameters(&p, 640, 480), D3DERR_INVALIDCALL);
}

TEST(FormatTest, BitsOfThePixelFormats) {
    EXPECT_EQ(FormatBits(FMT_X8R8G8B8), 32u);
    EXPECT_EQ(FormatBits(FMT_R5G6B5), 16u);
    EXPECT_EQ(FormatBits(FMT_DXT1), 4u);
    EXPECT_EQ(FormatBits(FMT_D16), 0u);
    // The numbers that appear in the display-mode log lines.
    EXPECT_EQ(uint32_t(FMT_R5G6B5), 23u);
    EXPECT_EQ(uint32_t(FMT_X8R8G8B8), 22u);
}

}  // namespace
