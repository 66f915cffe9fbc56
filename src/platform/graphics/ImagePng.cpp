// PNG through libpng: every colour type and depth becomes 8-bit RGBA.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/graphics/ImageDecoders.h"

namespace gfx::detail {

namespace {

// Deflate turns at most this many bytes out of one compressed byte; a header that asks
// for more image data than the file could hold is refused before anything is allocated.
constexpr uint64_t kMaxDeflateRatio = 1032;

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    HRESULT failure;
    char message[160];
};

void PngError(png_structp png, png_const_charp message) {
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(src->message, sizeof src->message, "%s", message ? message : "corrupt file");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, size_t length) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos) png_error(png, "truncated file");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

// The decode proper. libpng reports errors by jumping back to the setjmp below, so this
// function and the callbacks hold nothing that needs destroying; the source record lives
// in the caller, so its changes survive the jump.
HRESULT ReadPng(PngSource* src, Image* image) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, src, PngError, PngWarning);
    if (!png) return E_OUTOFMEMORY;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return E_OUTOFMEMORY;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return src->failure;
    }
    png_set_read_fn(png, src, PngRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_cache_max(png, 1000);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);

    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    int depth = png_get_bit_depth(png, info), colorType = png_get_color_type(png, info);
    if (!ImageSizeAllowed(width, height)) png_error(png, "image too large");
    uint64_t channels = colorType == PNG_COLOR_TYPE_RGB          ? 3
                        : colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                        : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                 : 1;
    uint64_t raw = uint64_t(height) * (1 + (uint64_t(width) * channels * depth + 7) / 8);
    if (raw > uint64_t(src->size) * kMaxDeflateRatio) png_error(png, "file too short for the image size");

    bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);  // palette to RGB, small grey depths to 8 bits, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unsupported pixel layout");

    if (FAILED(AllocateRgba(image, "PNG", width, height, alpha))) {
        src->failure = E_OUTOFMEMORY;
        png_error(png, "out of memory");
    }
    // Interlaced images pass over the rows several times, each pass adding its pixels.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, image->data.data() + size_t(y) * width * 4, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return S_OK;
}

}  // namespace

HRESULT DecodePng(const uint8_t* data, size_t size, Image* image) {
    PngSource src{data, size, 0, D3DXERR_INVALIDDATA, "corrupt file"};
    HRESULT hr = ReadPng(&src, image);
    if (FAILED(hr)) {
        ImageFailure(image, "PNG", hr == E_OUTOFMEMORY ? "out of memory" : src.message);
        return hr;
    }
    return S_OK;
}

}  // namespace gfx::detail
