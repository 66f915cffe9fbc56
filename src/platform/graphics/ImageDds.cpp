// DDS: a 128-byte header, then the levels. S3TC blocks (DXT1, DXT3, DXT5) are kept as they
// are for the device (and decoded to RGBA for devices without DXT); uncompressed pixels,
// known by their bit count and channel masks, are decoded to RGBA level by level.
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

namespace {

constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelAlphaOnly = 0x2;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kPixelLuminance = 0x20000;

// What the header says about the image.
struct DdsHeader {
    uint32_t width = 0, height = 0, levels = 1;
    uint32_t pixelFlags = 0, fourCC = 0, bits = 0;
    uint32_t masks[4] = {};  // red (luminance), green, blue, alpha
};

// The uncompressed layouts read, by their channel kind, bit count and masks.
enum class Channels { Rgb, Luminance, AlphaOnly };
struct MaskedFormat {
    Channels channels;
    bool alpha;
    uint32_t bits;
    uint32_t masks[4];
};
constexpr MaskedFormat kMaskedFormats[] = {
    {Channels::Rgb, true, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},  // A8R8G8B8
    {Channels::Rgb, false, 32, {0xFF0000, 0xFF00, 0xFF, 0}},          // X8R8G8B8
    {Channels::Rgb, false, 24, {0xFF0000, 0xFF00, 0xFF, 0}},          // R8G8B8
    {Channels::Rgb, true, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}},          // A1R5G5B5
    {Channels::Rgb, false, 16, {0x7C00, 0x3E0, 0x1F, 0}},              // X1R5G5B5
    {Channels::Rgb, false, 16, {0xF800, 0x7E0, 0x1F, 0}},              // R5G6B5
    {Channels::Rgb, true, 16, {0xF00, 0xF0, 0xF, 0xF000}},             // A4R4G4B4
    {Channels::Luminance, false, 8, {0xFF, 0, 0, 0}},                   // L8
    {Channels::Luminance, true, 16, {0xFF, 0, 0, 0xFF00}},              // A8L8
    {Channels::AlphaOnly, true, 8, {0, 0, 0, 0xFF}},                    // A8
};

// The known layout the header describes; null for any other.
const MaskedFormat* FindMaskedFormat(const DdsHeader& h) {
    if (!(h.pixelFlags & (kPixelRgb | kPixelLuminance | kPixelAlphaOnly))) return nullptr;
    const Channels channels = (h.pixelFlags & kPixelRgb)         ? Channels::Rgb
                              : (h.pixelFlags & kPixelLuminance) ? Channels::Luminance
                                                                 : Channels::AlphaOnly;
    const bool alpha = channels == Channels::AlphaOnly || (h.pixelFlags & kPixelAlphaPixels);
    for (const MaskedFormat& f : kMaskedFormats) {
        if (f.channels != channels || f.alpha != alpha || f.bits != h.bits) continue;
        if (f.masks[0] == h.masks[0] && f.masks[1] == h.masks[1] && f.masks[2] == h.masks[2] &&
            (!alpha || f.masks[3] == h.masks[3]))
            return &f;
    }
    return nullptr;
}

// The channel of a pixel under a mask, scaled to 0..255.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const uint32_t shift = uint32_t(__builtin_ctz(mask));
    const uint32_t top = mask >> shift;
    return uint8_t((uint64_t((pixel & mask) >> shift) * 255 + top / 2) / top);
}

// Bytes of one level of w x h pixels of the bit count (rows whole bytes, not padded).
uint64_t MaskedLevelSize(uint32_t bits, uint32_t w, uint32_t h) { return (uint64_t(w) * bits + 7) / 8 * h; }

// Decodes one level's pixels into RGBA bytes.
void DecodeMaskedLevel(const MaskedFormat& f, const uint8_t* in, uint32_t w, uint32_t h, uint8_t* out) {
    const uint32_t bytes = f.bits / 8;
    for (size_t i = 0, n = size_t(w) * h; i < n; ++i, in += bytes, out += 4) {
        uint32_t pixel = 0;
        for (uint32_t b = 0; b < bytes; ++b) pixel |= uint32_t(in[b]) << (8 * b);
        const uint8_t first = Channel(pixel, f.masks[0]);
        out[0] = first;
        out[1] = f.channels == Channels::Luminance ? first : Channel(pixel, f.masks[1]);
        out[2] = f.channels == Channels::Luminance ? first : Channel(pixel, f.masks[2]);
        out[3] = f.alpha ? Channel(pixel, f.masks[3]) : 255;
    }
}

uint32_t LevelSide(uint32_t side, uint32_t level) { return std::max(1u, side >> level); }

HRESULT ReadDdsHeader(const uint8_t* data, size_t size, DdsHeader* h, Image* image) {
    const char* kType = "DDS";
    if (size < kHeaderSize) return detail::ImageFailure(image, kType, "truncated header");
    if (detail::ReadLE32(data + 4) != 124 || detail::ReadLE32(data + 76) != 32)
        return detail::ImageFailure(image, kType, "bad header");
    const uint32_t flags = detail::ReadLE32(data + 8);
    h->height = detail::ReadLE32(data + 12);
    h->width = detail::ReadLE32(data + 16);
    const uint32_t mipCount = detail::ReadLE32(data + 28);
    h->pixelFlags = detail::ReadLE32(data + 80);
    h->fourCC = detail::ReadLE32(data + 84);
    h->bits = detail::ReadLE32(data + 88);
    for (int i = 0; i < 4; ++i) h->masks[i] = detail::ReadLE32(data + 92 + 4 * i);
    const uint32_t caps2 = detail::ReadLE32(data + 112);
    if (caps2 & (kCaps2CubeMap | kCaps2Volume))
        return detail::ImageFailure(image, kType, "cube and volume maps not supported");
    if (!detail::ImageSizeAllowed(h->width, h->height)) return detail::ImageFailure(image, kType, "bad image size");
    uint32_t chain = 1;
    for (uint32_t w = h->width, ht = h->height; w > 1 || ht > 1; ++chain) {
        w = std::max(1u, w / 2);
        ht = std::max(1u, ht / 2);
    }
    h->levels = (flags & kFlagMipMapCount) && mipCount > 1 ? std::min(mipCount, chain) : 1;
    return S_OK;
}

// The S3TC blocks of every level, as stored.
HRESULT KeepBlocks(const uint8_t* data, size_t size, const DdsHeader& h, Image* image) {
    const Format format = static_cast<Format>(h.fourCC);
    uint64_t total = 0;
    for (uint32_t l = 0; l < h.levels; ++l)
        total += DxtLevelSize(format, LevelSide(h.width, l), LevelSide(h.height, l));
    if (size - kHeaderSize < total) return detail::ImageFailure(image, "DDS", "truncated block data");
    try {
        image->data.assign(data + kHeaderSize, data + kHeaderSize + total);
    } catch (const std::bad_alloc&) {
        detail::ImageFailure(image, "DDS", "out of memory");
        return E_OUTOFMEMORY;
    }
    image->format = format;
    return S_OK;
}

// Uncompressed pixels of every level, decoded to RGBA one level after the other.
HRESULT DecodeMasked(const uint8_t* data, size_t size, const DdsHeader& h, const MaskedFormat& f, Image* image) {
    uint64_t stored = 0, decoded = 0;
    for (uint32_t l = 0; l < h.levels; ++l) {
        stored += MaskedLevelSize(f.bits, LevelSide(h.width, l), LevelSide(h.height, l));
        decoded += uint64_t(LevelSide(h.width, l)) * LevelSide(h.height, l) * 4;
    }
    if (size - kHeaderSize < stored) return detail::ImageFailure(image, "DDS", "truncated pixel data");
    try {
        image->data.resize(size_t(decoded));
    } catch (const std::bad_alloc&) {
        detail::ImageFailure(image, "DDS", "out of memory");
        return E_OUTOFMEMORY;
    }
    const uint8_t* in = data + kHeaderSize;
    uint8_t* out = image->data.data();
    for (uint32_t l = 0; l < h.levels; ++l) {
        const uint32_t w = LevelSide(h.width, l), ht = LevelSide(h.height, l);
        DecodeMaskedLevel(f, in, w, ht, out);
        in += MaskedLevelSize(f.bits, w, ht);
        out += size_t(w) * ht * 4;
    }
    image->format = f.alpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    return S_OK;
}

}  // namespace

namespace detail {

HRESULT DecodeDds(const uint8_t* data, size_t size, Image* image) {
    DdsHeader h;
    HRESULT hr = ReadDdsHeader(data, size, &h, image);
    if (FAILED(hr)) return hr;
    const bool blocks = (h.pixelFlags & kPixelFourCC) &&
                        (h.fourCC == FMT_DXT1 || h.fourCC == FMT_DXT3 || h.fourCC == FMT_DXT5);
    const MaskedFormat* masked = (h.pixelFlags & kPixelFourCC) ? nullptr : FindMaskedFormat(h);
    if (!blocks && !masked)
        return ImageFailure(image, "DDS",
                            "unsupported pixel format (DXT1, DXT3, DXT5 and uncompressed RGB, luminance and alpha "
                            "masks are read)");
    hr = blocks ? KeepBlocks(data, size, h, image) : DecodeMasked(data, size, h, *masked, image);
    if (FAILED(hr)) return hr;
    image->width = h.width;
    image->height = h.height;
    image->levels = h.levels;
    return S_OK;
}

}  // namespace detail

}  // namespace gfx
