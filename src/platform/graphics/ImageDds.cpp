// DDS: a 128-byte header, then the S3TC blocks (DXT1, DXT3, DXT5) of each level, kept as
// they are for the device. Also the blocks' decoding to RGBA, for devices without DXT.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/graphics/ImageDecoders.h"

namespace gfx {

namespace {

constexpr size_t kHeaderSize = 128;  // "DDS " and the 124-byte surface description
constexpr uint32_t kFlagMipMapCount = 0x20000;
constexpr uint32_t kPixelFourCC = 0x4;
constexpr uint32_t kCaps2CubeMap = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;

uint32_t BlockBytes(Format format) {
    switch (format) {
    case FMT_DXT1: return 8;
    case FMT_DXT3:
    case FMT_DXT5: return 16;
    default: return 0;
    }
}

// The four colours of a colour block; with three colours, the fourth is transparent black.
void BlockColours(const uint8_t* block, bool allowThree, uint8_t colours[4][4]) {
    uint32_t c0 = detail::ReadLE16(block), c1 = detail::ReadLE16(block + 2);
    for (int i = 0; i < 2; ++i) {
        uint32_t c = i == 0 ? c0 : c1;
        uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
        colours[i][0] = uint8_t((r << 3) | (r >> 2));
        colours[i][1] = uint8_t((g << 2) | (g >> 4));
        colours[i][2] = uint8_t((b << 3) | (b >> 2));
        colours[i][3] = 255;
    }
    for (int ch = 0; ch < 3; ++ch) {
        unsigned a = colours[0][ch], b = colours[1][ch];
        if (c0 > c1 || !allowThree) {
            colours[2][ch] = uint8_t((2 * a + b) / 3);
            colours[3][ch] = uint8_t((a + 2 * b) / 3);
        } else {
            colours[2][ch] = uint8_t((a + b) / 2);
            colours[3][ch] = 0;
        }
    }
    colours[2][3] = 255;
    colours[3][3] = (c0 > c1 || !allowThree) ? 255 : 0;
}

}  // namespace

size_t DxtLevelSize(Format format, uint32_t width, uint32_t height) {
    return size_t((width + 3) / 4) * ((height + 3) / 4) * BlockBytes(format);
}

HRESULT DecompressDxt(Format format, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                      uint8_t* rgba) {
    uint32_t blockBytes = BlockBytes(format);
    if (!blocks || !rgba || blockBytes == 0 || width == 0 || height == 0 || size < DxtLevelSize(format, width, height))
        return D3DERR_INVALIDCALL;
    uint32_t blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
    for (uint32_t by = 0; by < blocksHigh; ++by) {
        for (uint32_t bx = 0; bx < blocksWide; ++bx) {
            const uint8_t* block = blocks + (size_t(by) * blocksWide + bx) * blockBytes;
            const uint8_t* colourBlock = format == FMT_DXT1 ? block : block + 8;
            uint8_t colours[4][4];
            BlockColours(colourBlock, format == FMT_DXT1, colours);
            uint8_t alphas[8] = {};
            if (format == FMT_DXT5) {
                unsigned a0 = block[0], a1 = block[1];
                alphas[0] = uint8_t(a0);
                alphas[1] = uint8_t(a1);
                if (a0 > a1) {
                    for (unsigned i = 1; i < 7; ++i) alphas[i + 1] = uint8_t(((7 - i) * a0 + i * a1) / 7);
                } else {
                    for (unsigned i = 1; i < 5; ++i) alphas[i + 1] = uint8_t(((5 - i) * a0 + i * a1) / 5);
                    alphas[6] = 0;
                    alphas[7] = 255;
                }
            }
            uint64_t alphaBits = 0;
            for (int i = 0; i < 6; ++i) alphaBits |= uint64_t(block[2 + i]) << (8 * i);
            uint32_t indices = detail::ReadLE32(colourBlock + 4);
            for (uint32_t py = 0; py < 4; ++py) {
                uint32_t y = by * 4 + py;
                if (y >= height) break;
                for (uint32_t px = 0; px < 4; ++px) {
                    uint32_t x = bx * 4 + px;
                    if (x >= width) continue;
                    uint32_t i = py * 4 + px;
                    uint8_t* out = rgba + (size_t(y) * width + x) * 4;
                    std::memcpy(out, colours[(indices >> (2 * i)) & 3], 4);
                    if (format == FMT_DXT3) {
                        uint32_t a = (block[i / 2] >> ((i & 1) * 4)) & 15;
                        out[3] = uint8_t(a * 17);
                    } else if (format == FMT_DXT5) {
                        out[3] = alphas[(alphaBits >> (3 * i)) & 7];
                    }
                }
            }
        }
    }
    return S_OK;
}

namespace detail {

HRESULT DecodeDds(const uint8_t* data, size_t size, Image* image) {
    const char* kType = "DDS";
    if (size < kHeaderSize) return ImageFailure(image, kType, "truncated header");
    if (ReadLE32(data + 4) != 124 || ReadLE32(data + 76) != 32) return ImageFailure(image, kType, "bad header");
    uint32_t flags = ReadLE32(data + 8);
    uint32_t height = ReadLE32(data + 12), width = ReadLE32(data + 16);
    uint32_t mipCount = ReadLE32(data + 28);
    uint32_t pixelFlags = ReadLE32(data + 80), fourCC = ReadLE32(data + 84);
    uint32_t caps2 = ReadLE32(data + 112);
    if (caps2 & (kCaps2CubeMap | kCaps2Volume)) return ImageFailure(image, kType, "cube and volume maps not supported");
    if (!(pixelFlags & kPixelFourCC) || (fourCC != FMT_DXT1 && fourCC != FMT_DXT3 && fourCC != FMT_DXT5))
        return ImageFailure(image, kType, "unsupported pixel format (DXT1, DXT3 and DXT5 are read)");
    if (!ImageSizeAllowed(width, height)) return ImageFailure(image, kType, "bad image size");
    Format format = static_cast<Format>(fourCC);

    uint32_t chain = 1;
    for (uint32_t w = width, h = height; w > 1 || h > 1; ++chain) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    uint32_t levels = (flags & kFlagMipMapCount) && mipCount > 1 ? std::min(mipCount, chain) : 1;
    uint64_t total = 0;
    for (uint32_t l = 0; l < levels; ++l)
        total += DxtLevelSize(format, std::max(1u, width >> l), std::max(1u, height >> l));
    if (size - kHeaderSize < total) return ImageFailure(image, kType, "truncated block data");

    try {
        image->data.assign(data + kHeaderSize, data + kHeaderSize + total);
    } catch (const std::bad_alloc&) {
        ImageFailure(image, kType, "out of memory");
        return E_OUTOFMEMORY;
    }
    image->width = width;
    image->height = height;
    image->levels = levels;
    image->format = format;
    return S_OK;
}

}  // namespace detail

}  // namespace gfx
