// TGA: the header and the whole pixel data (run-length packets too) are checked here,
// then stb_image decodes. Files stored from the bottom row up (the usual origin) and from
// the top row down both come out top row first.
#include "platform/graphics/ImageDecoders.h"

namespace gfx::detail {

namespace {
constexpr size_t kHeaderSize = 18;
}

HRESULT DecodeTga(const uint8_t* data, size_t size, Image* image) {
    const char* kType = "TGA";
    if (size < kHeaderSize) return ImageFailure(image, kType, "truncated header");
    uint32_t idLength = data[0], mapType = data[1], type = data[2];
    uint32_t mapLength = ReadLE16(data + 5), mapBits = data[7];
    uint32_t width = ReadLE16(data + 12), height = ReadLE16(data + 14), bits = data[16];
    if (mapType > 1) return ImageFailure(image, kType, "unknown colour map type");
    bool mapped = type == 1 || type == 9;
    bool rle = type >= 9;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return ImageFailure(image, kType, "unknown image type");
    if (mapped && mapType != 1) return ImageFailure(image, kType, "colour-mapped image without a colour map");
    if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
        return ImageFailure(image, kType, "unsupported pixel depth");
    if (!ImageSizeAllowed(width, height)) return ImageFailure(image, kType, "bad image size");

    uint64_t pixelBytes = (bits + 7) / 8;
    uint64_t offset = kHeaderSize + idLength + (mapType ? uint64_t(mapLength) * ((mapBits + 7) / 8) : 0);
    if (offset > size) return ImageFailure(image, kType, "truncated colour map");
    uint64_t pixels = uint64_t(width) * height;
    if (!rle) {
        if (size - offset < pixels * pixelBytes) return ImageFailure(image, kType, "truncated pixel data");
    } else {
        // Each packet: a count byte, then one pixel repeated or count raw pixels.
        uint64_t done = 0, pos = offset;
        while (done < pixels) {
            if (pos >= size) return ImageFailure(image, kType, "truncated pixel data");
            uint8_t head = data[pos++];
            uint64_t count = (head & 0x7F) + 1u;
            pos += (head & 0x80) ? pixelBytes : count * pixelBytes;
            if (pos > size) return ImageFailure(image, kType, "truncated pixel data");
            done += count;
        }
    }
    return DecodeWithStb(data, size, kType, image);
}

}  // namespace gfx::detail
