// Image decoding and textures from files in memory: each decoder on small images made
// here, corrupt and hostile files, and the textures the device gets.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "platform/graphics/Image.h"

// The replacement operator delete below frees what the replacement operator new took.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// The largest single request to operator new while tracking is on: a decoder must refuse a
// hostile header before it sizes its pixel buffer.
namespace {
std::atomic<bool> g_trackNew{false};
std::atomic<size_t> g_largestNew{0};
}  // namespace

// Every plain form is replaced together, so that whatever the process allocates with one
// is freed with its partner (the sanitizers check the pairing).
namespace {
void* TrackedAllocate(size_t size) noexcept {
    if (g_trackNew.load(std::memory_order_relaxed)) {
        size_t seen = g_largestNew.load();
        while (size > seen && !g_largestNew.compare_exchange_weak(seen, size)) {
        }
    }
    return std::malloc(size ? size : 1);
}
void* TrackedAllocateOrThrow(size_t size) {
    void* p = TrackedAllocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(size_t size) { return TrackedAllocateOrThrow(size); }
void* operator new[](size_t size) { return TrackedAllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return TrackedAllocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return TrackedAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using namespace gfx;

namespace {

using Bytes = std::vector<uint8_t>;

struct Rgba {
    uint8_t r, g, b, a;
};

// A test picture: red top-left, green top-right, blue bottom-left, white bottom-right
// quarters, alpha 255 except the top-left quarter (128).
Bytes Quarters(uint32_t w, uint32_t h, bool alpha = true) {
    Bytes px(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            bool right = x >= w / 2, bottom = y >= h / 2;
            Rgba c = !bottom ? (right ? Rgba{0, 255, 0, 255} : Rgba{255, 0, 0, 128})
                             : (right ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 255, 255});
            if (!alpha) c.a = 255;
            std::memcpy(&px[(size_t(y) * w + x) * 4], &c, 4);
        }
    return px;
}

Rgba PixelAt(const Image& image, uint32_t x, uint32_t y) {
    Rgba c;
    std::memcpy(&c, &image.data[(size_t(y) * image.width + x) * 4], 4);
    return c;
}

::testing::AssertionResult Near(Rgba actual, Rgba expected, int tolerance = 0) {
    const uint8_t a[4] = {actual.r, actual.g, actual.b, actual.a}, e[4] = {expected.r, expected.g, expected.b,
                                                                          expected.a};
    for (int i = 0; i < 4; ++i)
        if (std::abs(a[i] - e[i]) > tolerance)
            return ::testing::AssertionFailure() << "pixel " << int(a[0]) << "," << int(a[1]) << "," << int(a[2])
                                                 << "," << int(a[3]) << " is not near " << int(e[0]) << ","
                                                 << int(e[1]) << "," << int(e[2]) << "," << int(e[3]);
    return ::testing::AssertionSuccess();
}

// PNG of RGBA pixels through libpng's simplified writer (format RGBA, RGB or grey).
Bytes MakePng(const Bytes& rgba, uint32_t w, uint32_t h, uint32_t format = PNG_FORMAT_RGBA) {
    // Convert the RGBA source to the requested layout.
    int channels = PNG_IMAGE_SAMPLE_CHANNELS(format);
    Bytes src;
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        const uint8_t* p = &rgba[i * 4];
        if (channels == 1)
            src.push_back(p[1]);
        else
            src.insert(src.end(), p, p + channels);
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = format;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, src.data(), 0, nullptr));
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, src.data(), 0, nullptr));
    out.resize(size);
    return out;
}

// Interlaced (Adam7) RGBA PNG through libpng's full writer.
void AppendPngBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
Bytes MakeInterlacedPng(Bytes rgba, uint32_t w, uint32_t h) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPngBytes, nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = &rgba[size_t(y) * w * 4];
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// CMYK JPEG as Adobe's programs write it (inverted values, with the Adobe marker).
Bytes MakeCmykJpeg(const Bytes& invertedCmyk, uint32_t w, uint32_t h) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = w;
    info.image_height = h;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < h) {
        JSAMPROW p = const_cast<uint8_t*>(&invertedCmyk[size_t(info.next_scanline) * w * 4]);
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// JPEG of RGB pixels (or grey from the green channel) through libjpeg at high quality.
Bytes MakeJpeg(const Bytes& rgba, uint32_t w, uint32_t h, bool grey = false) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = w;
    info.image_height = h;
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    Bytes row(size_t(w) * 3);
    while (info.next_scanline < h) {
        const uint8_t* src = &rgba[size_t(info.next_scanline) * w * 4];
        for (uint32_t x = 0; x < w; ++x) {
            if (grey)
                row[x] = src[x * 4 + 1];
            else
                std::memcpy(&row[x * 3], &src[x * 4], 3);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// Uncompressed 32-bit TGA, stored bottom row first unless topDown.
Bytes MakeTga(const Bytes& rgba, uint32_t w, uint32_t h, bool topDown) {
    Bytes b(18);
    b[2] = 2;
    Put16(b, 12, w);
    Put16(b, 14, h);
    b[16] = 32;
    b[17] = 8 | (topDown ? 0x20 : 0);
    for (uint32_t r = 0; r < h; ++r) {
        uint32_t y = topDown ? r : h - 1 - r;
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            b.insert(b.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    return b;
}

// Run-length 24-bit TGA, top row first: every row one run of its first pixel.
Bytes MakeRleTga(const Bytes& rgba, uint32_t w, uint32_t h) {
    Bytes b(18);
    b[2] = 10;
    Put16(b, 12, w);
    Put16(b, 14, h);
    b[16] = 24;
    b[17] = 0x20;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* p = &rgba[size_t(y) * w * 4];
        b.insert(b.end(), {uint8_t(0x80 | (w - 1)), p[2], p[1], p[0]});
    }
    return b;
}

// 24-bit BMP, rows bottom up unless topDown (negative height).
Bytes MakeBmp(const Bytes& rgba, uint32_t w, uint32_t h, bool topDown) {
    uint32_t rowBytes = (w * 3 + 3) & ~3u;
    Bytes b(54);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, 54 + rowBytes * h);
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, w);
    Put32(b, 22, topDown ? uint32_t(-int32_t(h)) : h);
    Put16(b, 26, 1);
    Put16(b, 28, 24);
    for (uint32_t r = 0; r < h; ++r) {
        uint32_t y = topDown ? r : h - 1 - r;
        Bytes row(rowBytes, 0);
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            row[x * 3] = p[2];
            row[x * 3 + 1] = p[1];
            row[x * 3 + 2] = p[0];
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// DDS header for DXT blocks.
Bytes DdsHeader(uint32_t w, uint32_t h, uint32_t fourCC, uint32_t mipCount) {
    Bytes b(128, 0);
    std::memcpy(b.data(), "DDS ", 4);
    Put32(b, 4, 124);
    Put32(b, 8, 0x1007 | (mipCount > 1 ? 0x20000 : 0));
    Put32(b, 12, h);
    Put32(b, 16, w);
    Put32(b, 28, mipCount);
    Put32(b, 76, 32);
    Put32(b, 80, 0x4);
    Put32(b, 84, fourCC);
    Put32(b, 108, 0x1000);
    return b;
}

// A DXT1 block of one solid 565 colour (index 0 everywhere).
void SolidDxt1Block(Bytes& b, uint16_t colour) {
    b.insert(b.end(), {uint8_t(colour), uint8_t(colour >> 8), 0, 0, 0, 0, 0, 0});
}
constexpr uint16_t kRed565 = 0xF800, kGreen565 = 0x07E0, kBlue565 = 0x001F, kWhite565 = 0xFFFF;

// 8x8 DXT1 in four solid blocks (the quarters of Quarters, opaque), with its 4x4, 2x2 and
// 1x1 levels (grey) when mips.
Bytes MakeDxt1Dds(bool mips) {
    Bytes b = DdsHeader(8, 8, FMT_DXT1, mips ? 4 : 1);
    SolidDxt1Block(b, kRed565);
    SolidDxt1Block(b, kGreen565);
    SolidDxt1Block(b, kBlue565);
    SolidDxt1Block(b, kWhite565);
    if (mips)
        for (int level = 1; level < 4; ++level) SolidDxt1Block(b, 0x8410);
    return b;
}

// DDS header for uncompressed pixels: pixel-format flags, bit count, R (or L), G, B, A masks.
Bytes MaskedDdsHeader(uint32_t w, uint32_t h, uint32_t mipCount, uint32_t flags, uint32_t bits,
                      std::array<uint32_t, 4> masks) {
    Bytes b = DdsHeader(w, h, 0, mipCount);
    Put32(b, 80, flags);
    Put32(b, 88, bits);
    for (int i = 0; i < 4; ++i) Put32(b, 92 + 4 * i, masks[size_t(i)]);
    return b;
}

HRESULT Decode(const Bytes& file, Image* image) { return DecodeImage(file.data(), file.size(), image); }

// Decodes with operator new tracked; gives the largest request.
size_t LargestAllocationWhileDecoding(const Bytes& file, HRESULT* result) {
    Image image;
    g_largestNew = 0;
    g_trackNew = true;
    *result = Decode(file, &image);
    g_trackNew = false;
    return g_largestNew;
}

// ---- Decoders ----------------------------------------------------------------------------

TEST(ImageDecode, PngKeepsItsSizeAlphaAndTopRowFirst) {
    Bytes file = MakePng(Quarters(6, 4), 6, 4);
    Image image;
    ASSERT_EQ(Decode(file, &image), S_OK) << image.error;
    EXPECT_EQ(image.width, 6u);
    EXPECT_EQ(image.height, 4u);
    EXPECT_EQ(image.format, FMT_A8R8G8B8);
    EXPECT_EQ(image.levels, 1u);
    ASSERT_EQ(image.data.size(), 6u * 4 * 4);
    EXPECT_TRUE(Near(PixelAt(image, 0, 0), {255, 0, 0, 128}));
    EXPECT_TRUE(Near(PixelAt(image, 5, 0), {0, 255, 0, 255}));
    EXPECT_TRUE(Near(PixelAt(image, 0, 3), {0, 0, 255, 255}));
    EXPECT_TRUE(Near(PixelAt(image, 5, 3), {255, 255, 255, 255}));
}

TEST(ImageDecode, PngWithoutAlphaIsOpaqueX8R8G8B8) {
    Image image;
    ASSERT_EQ(Decode(MakePng(Quarters(4, 4), 4, 4, PNG_FORMAT_RGB), &image), S_OK) << image.error;
    EXPECT_EQ(image.format, FMT_X8R8G8B8);
    EXPECT_TRUE(Near(PixelAt(image, 0, 0), {255, 0, 0, 255}));
}

TEST(ImageDecode, GreyPngBecomesRgb) {
    Image image;
    ASSERT_EQ(Decode(MakePng(Quarters(4, 4), 4, 4, PNG_FORMAT_GRAY), &image), S_OK) << image.error;
    EXPECT_TRUE(Near(PixelAt(image, 3, 0), {255, 255, 255, 255}));
    EXPECT_TRUE(Near(PixelAt(image, 0, 3), {0, 0, 0, 255}));
}

TEST(ImageDecode, InterlacedPngGetsEveryPass) {
    Bytes px = Quarters(9, 7);
    Image image;
    ASSERT_EQ(Decode(MakeInterlacedPng(px, 9, 7), &image), S_OK) << image.error;
    EXPECT_EQ(image.data, px);
}

TEST(ImageDecode, JpegDecodesColoursTopRowFirst) {
    Bytes file = MakeJpeg(Quarters(16, 16, false), 16, 16);
    Image image;
    ASSERT_EQ(Decode(file, &image), S_OK) << image.error;
    EXPECT_EQ(image.width, 16u);
    EXPECT_EQ(image.height, 16u);
    EXPECT_EQ(image.format, FMT_X8R8G8B8);
    // Lossy: compare the middles of the quarters loosely.
    EXPECT_TRUE(Near(PixelAt(image, 3, 3), {255, 0, 0, 255}, 24));
    EXPECT_TRUE(Near(PixelAt(image, 12, 3), {0, 255, 0, 255}, 24));
    EXPECT_TRUE(Near(PixelAt(image, 3, 12), {0, 0, 255, 255}, 24));
    EXPECT_TRUE(Near(PixelAt(image, 12, 12), {255, 255, 255, 255}, 24));
}

TEST(ImageDecode, GreyJpegBecomesRgb) {
    Image image;
    ASSERT_EQ(Decode(MakeJpeg(Quarters(16, 16), 16, 16, true), &image), S_OK) << image.error;
    EXPECT_TRUE(Near(PixelAt(image, 12, 3), {255, 255, 255, 255}, 8));
    EXPECT_TRUE(Near(PixelAt(image, 3, 12), {0, 0, 0, 255}, 8));
}

TEST(ImageDecode, AdobeCmykJpegBecomesRgb) {
    // Inverted CMYK: red is C = 0, M = Y = 1, K = 0, stored as 255, 0, 0, 255.
    Bytes cmyk;
    for (int i = 0; i < 64; ++i) cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    Image image;
    ASSERT_EQ(Decode(MakeCmykJpeg(cmyk, 8, 8), &image), S_OK) << image.error;
    EXPECT_TRUE(Near(PixelAt(image, 4, 4), {255, 0, 0, 255}, 8));
}

TEST(ImageDecode, TgaBottomUpAndTopDownBothComeOutTopRowFirst) {
    Bytes px = Quarters(4, 6);
    for (bool topDown : {false, true}) {
        Image image;
        ASSERT_EQ(Decode(MakeTga(px, 4, 6, topDown), &image), S_OK) << image.error;
        EXPECT_EQ(image.width, 4u);
        EXPECT_EQ(image.height, 6u);
        EXPECT_EQ(image.format, FMT_A8R8G8B8);
        EXPECT_EQ(image.data, px) << (topDown ? "top-down" : "bottom-up");
    }
}

TEST(ImageDecode, RunLengthTgaDecodes) {
    Bytes px = Quarters(4, 4, false);
    Image image;
    ASSERT_EQ(Decode(MakeRleTga(px, 4, 4), &image), S_OK) << image.error;
    EXPECT_EQ(image.format, FMT_X8R8G8B8);
    EXPECT_TRUE(Near(PixelAt(image, 3, 0), {255, 0, 0, 255}));  // each row repeats its first pixel
    EXPECT_TRUE(Near(PixelAt(image, 3, 3), {0, 0, 255, 255}));
}

TEST(ImageDecode, BmpBottomUpAndTopDownBothComeOutTopRowFirst) {
    Bytes px = Quarters(5, 4, false);
    for (bool topDown : {false, true}) {
        Image image;
        ASSERT_EQ(Decode(MakeBmp(px, 5, 4, topDown), &image), S_OK) << image.error;
        EXPECT_EQ(image.format, FMT_X8R8G8B8);
        EXPECT_EQ(image.data, px) << (topDown ? "top-down" : "bottom-up");
    }
}

TEST(ImageDecode, DdsKeepsItsBlocksAndLevels) {
    Bytes file = MakeDxt1Dds(true);
    Image image;
    ASSERT_EQ(Decode(file, &image), S_OK) << image.error;
    EXPECT_EQ(image.format, FMT_DXT1);
    EXPECT_EQ(image.width, 8u);
    EXPECT_EQ(image.height, 8u);
    EXPECT_EQ(image.levels, 4u);
    EXPECT_EQ(image.data, Bytes(file.begin() + 128, file.end()));
}

TEST(ImageDecode, DdsMipCountBeyondTheChainIsClamped) {
    Bytes file = MakeDxt1Dds(true);
    Put32(file, 28, 20);
    Image image;
    ASSERT_EQ(Decode(file, &image), S_OK) << image.error;
    EXPECT_EQ(image.levels, 4u);
}

TEST(ImageDecode, DdsOfOtherPixelFormatsIsRefused) {
    Bytes file = MakeDxt1Dds(false);
    Put32(file, 84, 0x30315844);  // "DX10"
    Image image;
    EXPECT_EQ(Decode(file, &image), D3DXERR_INVALIDDATA);
    EXPECT_NE(image.error.find("DDS"), std::string::npos);
}

TEST(ImageDecode, UncompressedDdsIsReadByItsMasksWithItsStoredLevels) {
    struct Case {
        const char* name;
        uint32_t flags, bits;
        std::array<uint32_t, 4> masks;
        Bytes pixel;      // one pixel as stored
        Bytes expected;   // as R, G, B, A
        Format format;
    };
    const Case cases[] = {
        {"A8R8G8B8", 0x41, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x30, 0x20, 0x10, 0x80}, {0x10, 0x20, 0x30, 0x80},
         FMT_A8R8G8B8},
        {"X8R8G8B8", 0x40, 32, {0xFF0000, 0xFF00, 0xFF, 0}, {0x30, 0x20, 0x10, 0x00}, {0x10, 0x20, 0x30, 0xFF},
         FMT_X8R8G8B8},
        {"R8G8B8", 0x40, 24, {0xFF0000, 0xFF00, 0xFF, 0}, {0x30, 0x20, 0x10}, {0x10, 0x20, 0x30, 0xFF}, FMT_X8R8G8B8},
        {"A1R5G5B5", 0x41, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, {0x1F, 0x7C}, {0xFF, 0, 0xFF, 0}, FMT_A8R8G8B8},
        {"X1R5G5B5", 0x40, 16, {0x7C00, 0x3E0, 0x1F, 0}, {0xE0, 0x83}, {0, 0xFF, 0, 0xFF}, FMT_X8R8G8B8},
        {"R5G6B5", 0x40, 16, {0xF800, 0x7E0, 0x1F, 0}, {0x1F, 0xF8}, {0xFF, 0, 0xFF, 0xFF}, FMT_X8R8G8B8},
        {"A4R4G4B4", 0x41, 16, {0xF00, 0xF0, 0xF, 0xF000}, {0x50, 0xAF}, {0xFF, 0x55, 0, 0xAA}, FMT_A8R8G8B8},
        {"L8", 0x20000, 8, {0xFF, 0, 0, 0}, {0x40}, {0x40, 0x40, 0x40, 0xFF}, FMT_X8R8G8B8},
        {"A8L8", 0x20001, 16, {0xFF, 0, 0, 0xFF00}, {0x40, 0x90}, {0x40, 0x40, 0x40, 0x90}, FMT_A8R8G8B8},
        {"A8", 0x2, 8, {0, 0, 0, 0xFF}, {0x90}, {0, 0, 0, 0x90}, FMT_A8R8G8B8},
    };
    for (const Case& c : cases) {
        // 4x2 with its 2x1 and 1x1 levels: every pixel the same.
        Bytes file = MaskedDdsHeader(4, 2, 3, c.flags, c.bits, c.masks);
        for (int i = 0; i < 8 + 2 + 1; ++i) file.insert(file.end(), c.pixel.begin(), c.pixel.end());
        Image image;
        ASSERT_EQ(Decode(file, &image), S_OK) << c.name << ": " << image.error;
        EXPECT_EQ(image.format, c.format) << c.name;
        EXPECT_EQ(image.levels, 3u) << c.name;
        ASSERT_EQ(image.data.size(), (8u + 2u + 1u) * 4u) << c.name;
        for (size_t p = 0; p < 11; ++p)
            EXPECT_EQ(Bytes(image.data.begin() + p * 4, image.data.begin() + p * 4 + 4), c.expected) << c.name << p;
        file.pop_back();
        EXPECT_EQ(Decode(file, &image), D3DXERR_INVALIDDATA) << c.name;  // the last level cut short
    }
    // Masks of no known layout are refused with the reason.
    Bytes odd = MaskedDdsHeader(4, 2, 1, 0x40, 16, {0xF000, 0xF00, 0xF0, 0});
    odd.resize(odd.size() + 16);
    Image image;
    EXPECT_EQ(Decode(odd, &image), D3DXERR_INVALIDDATA);
    EXPECT_NE(image.error.find("unsupported pixel format"), std::string::npos);
}

// ---- DXT blocks --------------------------------------------------------------------------

TEST(DxtBlocks, Dxt1InterpolatesFourColoursAndThreeWithTransparentBlack) {
    // Four-colour block (c0 > c1): index 2 is 2/3 c0 + 1/3 c1.
    uint8_t four[8] = {0xFF, 0xFF, 0x00, 0x00, 0b10, 0, 0, 0};  // white, black; pixel 0 index 2
    uint8_t rgba[64];
    ASSERT_EQ(DecompressDxt(FMT_DXT1, four, 8, 4, 4, rgba), S_OK);
    EXPECT_TRUE(Near(Rgba{rgba[0], rgba[1], rgba[2], rgba[3]}, {170, 170, 170, 255}));
    EXPECT_TRUE(Near(Rgba{rgba[4], rgba[5], rgba[6], rgba[7]}, {255, 255, 255, 255}));
    // Three-colour block (c0 <= c1): index 3 is transparent black.
    uint8_t three[8] = {0x00, 0x00, 0xFF, 0xFF, 0b11, 0, 0, 0};
    ASSERT_EQ(DecompressDxt(FMT_DXT1, three, 8, 4, 4, rgba), S_OK);
    EXPECT_TRUE(Near(Rgba{rgba[0], rgba[1], rgba[2], rgba[3]}, {0, 0, 0, 0}));
}

TEST(DxtBlocks, Dxt3AndDxt5CarryAlpha) {
    uint8_t dxt3[16] = {0x0F, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    uint8_t rgba[64];
    ASSERT_EQ(DecompressDxt(FMT_DXT3, dxt3, 16, 4, 4, rgba), S_OK);
    EXPECT_EQ(rgba[3], 255);  // pixel 0: alpha nibble 15
    EXPECT_EQ(rgba[7], 0);    // pixel 1: alpha nibble 0
    // DXT5: a0 = 200, a1 = 100 (eight values); pixel 0 index 1 (a1), pixel 1 index 2.
    uint8_t dxt5[16] = {200, 100, 0b010001, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(DecompressDxt(FMT_DXT5, dxt5, 16, 4, 4, rgba), S_OK);
    EXPECT_EQ(rgba[3], 100);
    EXPECT_EQ(rgba[7], (6 * 200 + 100) / 7);
}

TEST(DxtBlocks, ShortBlockDataIsRefused) {
    uint8_t blocks[8] = {};
    uint8_t rgba[8 * 4 * 4];
    EXPECT_EQ(DecompressDxt(FMT_DXT1, blocks, 8, 8, 4, rgba), D3DERR_INVALIDCALL);
}

// ---- Bad input ---------------------------------------------------------------------------

TEST(ImageBadInput, EmptyAndUnknownDataFailCleanly) {
    Image image;
    EXPECT_EQ(DecodeImage(nullptr, 0, &image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(image.error, "image: empty file");
    Bytes text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(Decode(text, &image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(image.error, "image: unknown file type");
    EXPECT_TRUE(image.data.empty());
}

TEST(ImageBadInput, EveryTruncationOfEveryTypeFailsCleanly) {
    Bytes px = Quarters(8, 8);
    std::vector<std::pair<const char*, Bytes>> files = {
        {"PNG", MakePng(px, 8, 8)},       {"JPEG", MakeJpeg(px, 8, 8)},     {"TGA", MakeTga(px, 8, 8, false)},
        {"TGA", MakeRleTga(px, 8, 8)},    {"BMP", MakeBmp(px, 8, 8, true)}, {"DDS", MakeDxt1Dds(true)},
    };
    for (auto& [type, file] : files) {
        Image whole;
        ASSERT_EQ(Decode(file, &whole), S_OK) << type << ": " << whole.error;
        for (size_t cut = 0; cut < file.size(); ++cut) {
            Bytes part(file.begin(), file.begin() + cut);
            Image image;
            HRESULT hr = Decode(part, &image);
            // A PNG cut after its image data has lost only its end marker, still refused.
            EXPECT_EQ(hr, D3DXERR_INVALIDDATA) << type << " cut at " << cut << " of " << file.size();
            EXPECT_TRUE(image.data.empty());
            EXPECT_FALSE(image.error.empty());
        }
    }
}

TEST(ImageBadInput, PngWithAChecksumErrorFails) {
    Bytes file = MakePng(Quarters(8, 8), 8, 8);
    file[file.size() - 20] ^= 0x55;  // inside the image data
    Image image;
    EXPECT_EQ(Decode(file, &image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(image.error.rfind("PNG: ", 0), 0u) << image.error;
}

TEST(ImageBadInput, CorruptJpegDataFails) {
    Bytes file = MakeJpeg(Quarters(32, 32), 32, 32);
    // Overwrite the entropy-coded data near the end with marker-like garbage.
    for (size_t i = file.size() - 40; i < file.size() - 2; ++i) file[i] = 0xFF;
    Image image;
    EXPECT_EQ(Decode(file, &image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(image.error.rfind("JPEG: ", 0), 0u) << image.error;
}

TEST(ImageBadInput, PngHeaderBeyondTheSizeLimitsFails) {
    Bytes file = MakePng(Quarters(8, 8), 8, 8);
    // IHDR width and height, then the chunk checksum made right again.
    Bytes ihdr(file.begin() + 12, file.begin() + 29);
    for (uint32_t side : {100000u, 9000u}) {
        for (int i = 0; i < 4; ++i) ihdr[4 + i] = ihdr[8 + i] = uint8_t(side >> (24 - 8 * i));
        uint32_t crc = uint32_t(crc32(0, ihdr.data(), uInt(ihdr.size())));
        std::copy(ihdr.begin(), ihdr.end(), file.begin() + 12);
        for (int i = 0; i < 4; ++i) file[29 + i] = uint8_t(crc >> (24 - 8 * i));
        HRESULT hr;
        size_t largest = LargestAllocationWhileDecoding(file, &hr);
        EXPECT_EQ(hr, D3DXERR_INVALIDDATA) << side;
        EXPECT_LT(largest, 1u << 20) << side;
    }
}

TEST(ImageBadInput, HugeSizeInASmallFileFailsWithoutAllocating) {
    // Within the size limits, but far more pixels than the file's bytes could hold.
    Bytes png = MakePng(Quarters(8, 8), 8, 8);
    Bytes ihdr(png.begin() + 12, png.begin() + 29);
    for (int i = 0; i < 4; ++i) ihdr[4 + i] = ihdr[8 + i] = uint8_t(4000u >> (24 - 8 * i));
    uint32_t crc = uint32_t(crc32(0, ihdr.data(), uInt(ihdr.size())));
    std::copy(ihdr.begin(), ihdr.end(), png.begin() + 12);
    for (int i = 0; i < 4; ++i) png[29 + i] = uint8_t(crc >> (24 - 8 * i));

    Bytes tga(18, 0);
    tga[2] = 2;
    Put16(tga, 12, 4000);
    Put16(tga, 14, 4000);
    tga[16] = 32;
    Bytes bmp = MakeBmp(Quarters(4, 4), 4, 4, false);
    Put32(bmp, 18, 4000);
    Put32(bmp, 22, 4000);
    Bytes dds = DdsHeader(4096, 4096, FMT_DXT5, 1);
    dds.resize(dds.size() + 64);

    for (const Bytes* file : {&png, &tga, &bmp, &dds}) {
        HRESULT hr;
        size_t largest = LargestAllocationWhileDecoding(*file, &hr);
        EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
        EXPECT_LT(largest, 1u << 20);
    }
}

TEST(ImageBadInput, JpegBeyondTheSizeLimitsFailsWithoutAllocating) {
    Bytes file = MakeJpeg(Quarters(8, 8), 8, 8);
    // The frame header (SOF0): FF C0, length, precision, height, width.
    size_t sof = 2;
    while (sof + 9 < file.size() && !(file[sof] == 0xFF && file[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, file.size());
    file[sof + 5] = file[sof + 7] = 0xFF;
    file[sof + 6] = file[sof + 8] = 0x00;  // 65280 x 65280
    HRESULT hr;
    size_t largest = LargestAllocationWhileDecoding(file, &hr);
    EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
    EXPECT_LT(largest, 1u << 20);
}

// ---- Textures ----------------------------------------------------------------------------

class ImageTextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        graphics_ = CreateRecordingGraphics();
        PresentParameters pp;
        pp.backBufferWidth = 64;
        pp.backBufferHeight = 64;
        ASSERT_EQ(graphics_->CreateDevice(0, DEVTYPE_HAL, nullptr, 0, &pp, &device_), S_OK);
    }
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        graphics_->Release();
    }
    Graphics* graphics_ = nullptr;
    Device* device_ = nullptr;
};

TEST_F(ImageTextureTest, PngBecomesATextureWithAFullMipChain) {
    Bytes file = MakePng(Quarters(8, 4), 8, 4);
    Texture* texture = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    SurfaceDesc desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.width, 8u);
    EXPECT_EQ(desc.height, 4u);
    EXPECT_EQ(desc.format, FMT_A8R8G8B8);
    EXPECT_EQ(desc.pool, POOL_MANAGED);
    const auto& calls = AsRecording(device_)->Calls();
    EXPECT_EQ(calls.back(), "Texture#1.Fill(8, 4)");
    texture->Release();
}

TEST_F(ImageTextureTest, DdsBlocksGoIntoEveryLevelAsStored) {
    Bytes file = MakeDxt1Dds(true);
    Texture* texture = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    SurfaceDesc desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.format, FMT_DXT1);
    LockedRect locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, LOCK_READONLY), S_OK);
    EXPECT_EQ(std::memcmp(locked.bits, file.data() + 128, 16), 0);
    EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(locked.bits) + locked.pitch, file.data() + 144, 16), 0);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(ImageTextureTest, UncompressedDdsLevelsGoInAsStored) {
    // 2x2 A8R8G8B8: level 0 red, level 1 (1x1) green.
    Bytes file = MaskedDdsHeader(2, 2, 2, 0x41, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000});
    for (int i = 0; i < 4; ++i) file.insert(file.end(), {0x00, 0x00, 0xFF, 0xFF});
    file.insert(file.end(), {0x00, 0xFF, 0x00, 0x80});
    Texture* texture = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
    LockedRect locked;
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, LOCK_READONLY), S_OK);
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(locked.bits), static_cast<uint8_t*>(locked.bits) + 4),
              (Bytes{0x00, 0xFF, 0x00, 0x80}));
    texture->UnlockRect(1);
    texture->Release();
}

TEST_F(ImageTextureTest, UndecodableFileGivesNoTextureAndAReason) {
    Bytes file = MakePng(Quarters(8, 8), 8, 8);
    file.resize(40);
    Texture* texture = reinterpret_cast<Texture*>(1);
    std::string error;
    EXPECT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture, &error), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(error, "PNG: truncated file");
}

TEST_F(ImageTextureTest, DeviceFailureIsPassedOn) {
    Bytes file = MakePng(Quarters(8, 8), 8, 8);
    AsRecording(device_)->FailNext("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
    Texture* texture = nullptr;
    EXPECT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(ImageTextureTest, DdsFallsBackToRgbaWhenTheDeviceRefusesDxt) {
    Bytes file = MakeDxt1Dds(true);
    AsRecording(device_)->FailNext("CreateTexture", D3DERR_NOTAVAILABLE);
    Texture* texture = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), S_OK);
    SurfaceDesc desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.format, FMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    texture->Release();
}

// ---- Pixels in a real GL context ---------------------------------------------------------

class ImageGLTest : public ::testing::Test {
protected:
    static constexpr int kSize = 32;
    void SetUp() override {
        window_ = std::make_unique<HiddenWindow>(kSize, kSize);
        ASSERT_NE(window_->Get(), nullptr);
        graphics_ = Create(kSdkVersion);
        ASSERT_NE(graphics_, nullptr);
        PresentParameters pp;
        pp.backBufferWidth = kSize;
        pp.backBufferHeight = kSize;
        ASSERT_EQ(graphics_->CreateDevice(0, DEVTYPE_HAL, window_->Get(), 0, &pp, &device_), S_OK);
        device_->SetFVF(kVertexFvf);
        device_->SetRenderState(RS_LIGHTING, 0);
        device_->SetRenderState(RS_CULLMODE, CULL_NONE);
        device_->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG1);
    }
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        if (graphics_) graphics_->Release();
    }
    // Draws the texture over the whole frame, v = 0 at the top.
    void DrawTextured(Texture* texture) {
        device_->SetTexture(0, texture);
        device_->Clear(0, nullptr, CLEAR_TARGET, 0xFF000000, 1.0f, 0);
        Vertex v[6];
        const float pos[6][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, 1, 0, 0}, {1, -1, 1, 1}, {-1, -1, 0, 1}};
        for (int i = 0; i < 6; ++i) {
            v[i].x = pos[i][0];
            v[i].y = pos[i][1];
            v[i].z = 0.5f;
            v[i].u0 = pos[i][2];
            v[i].v0 = pos[i][3];
            v[i].diffuse = 0xFFFFFFFF;
        }
        ASSERT_EQ(device_->DrawPrimitiveUP(PT_TRIANGLELIST, 2, v, sizeof(Vertex)), S_OK);
    }
    uint32_t Pixel(int x, int y) {
        uint32_t p = 0;
        EXPECT_EQ(device_->ReadPixels(x, y, 1, 1, &p), S_OK);
        return p & 0xFFFFFF;
    }
    std::unique_ptr<HiddenWindow> window_;
    Graphics* graphics_ = nullptr;
    Device* device_ = nullptr;
};

TEST_F(ImageGLTest, PngTextureShowsItsTopRowAtTheTop) {
    Bytes file = MakePng(Quarters(8, 8, false), 8, 8, PNG_FORMAT_RGB);
    Texture* texture = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), S_OK);
    DrawTextured(texture);
    EXPECT_EQ(Pixel(4, 4), 0xFF0000u);
    EXPECT_EQ(Pixel(28, 4), 0x00FF00u);
    EXPECT_EQ(Pixel(4, 28), 0x0000FFu);
    EXPECT_EQ(Pixel(28, 28), 0xFFFFFFu);
    texture->Release();
}

TEST_F(ImageGLTest, DxtTextureDrawsItsBlocks) {
    Bytes file = MakeDxt1Dds(false);
    Texture* texture = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemory(device_, file.data(), file.size(), &texture), S_OK);
    SurfaceDesc desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.format, FMT_DXT1) << "Mesa offers S3TC";
    DrawTextured(texture);
    EXPECT_EQ(Pixel(4, 4), 0xFF0000u);
    EXPECT_EQ(Pixel(28, 4), 0x00FF00u);
    EXPECT_EQ(Pixel(4, 28), 0x0000FFu);
    EXPECT_EQ(Pixel(28, 28), 0xFFFFFFu);
    texture->Release();
}

}  // namespace
