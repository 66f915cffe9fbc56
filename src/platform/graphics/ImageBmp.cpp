// BMP: the headers and the length of the pixel rows are checked here, then stb_image
// decodes. Rows stored bottom up (positive height) and top down both come out top first.
#include "platform/graphics/ImageDecoders.h"

namespace gfx::detail {

namespace {
constexpr size_t kFileHeaderSize = 14;
}

HRESULT DecodeBmp(const uint8_t* data, size_t size, Image* image) {
    const char* kType = "BMP";
    if (size < kFileHeaderSize + 12) return ImageFailure(image, kType, "truncated header");
    uint64_t offset = ReadLE32(data + 10);
    uint32_t infoSize = ReadLE32(data + 14);
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (infoSize == 12) {
        width = ReadLE16(data + 18);
        height = ReadLE16(data + 20);
        bits = ReadLE16(data + 24);
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124) {
        if (size < kFileHeaderSize + infoSize) return ImageFailure(image, kType, "truncated header");
        width = int32_t(ReadLE32(data + 18));
        height = int32_t(ReadLE32(data + 22));
        bits = ReadLE16(data + 28);
        compression = ReadLE32(data + 30);
    } else {
        return ImageFailure(image, kType, "unknown header");
    }
    if (height < 0) height = -height;  // top-down rows
    if (width <= 0 || !ImageSizeAllowed(uint64_t(width), uint64_t(height)))
        return ImageFailure(image, kType, "bad image size");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return ImageFailure(image, kType, "unsupported pixel depth");
    // 0: plain rows; 3: rows with bit-field masks. Run-length files are not read.
    if (compression != 0 && compression != 3) return ImageFailure(image, kType, "unsupported compression");
    if (compression == 3 && bits != 16 && bits != 32) return ImageFailure(image, kType, "bad bit-field depth");
    uint64_t rowBytes = ((uint64_t(width) * bits + 31) / 32) * 4;
    if (offset < kFileHeaderSize + infoSize || offset > size || size - offset < rowBytes * uint64_t(height))
        return ImageFailure(image, kType, "truncated pixel data");
    return DecodeWithStb(data, size, kType, image);
}

}  // namespace gfx::detail
