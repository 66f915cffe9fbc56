// stb_image, compiled here once with only its TGA and BMP readers, for the decoders of
// those two types (which check the headers and the data length first).
#include <cstring>
#include <new>

#include "platform/graphics/ImageDecoders.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace gfx::detail {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide);

HRESULT DecodeWithStb(const uint8_t* data, size_t size, const char* type, Image* image) {
    if (size > size_t(INT32_MAX)) return ImageFailure(image, type, "file too large");
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!pixels) {
        const char* reason = stbi_failure_reason();
        return ImageFailure(image, type, reason ? reason : "corrupt file");
    }
    HRESULT hr = S_OK;
    if (!ImageSizeAllowed(uint32_t(width), uint32_t(height))) {
        hr = ImageFailure(image, type, "image too large");
    } else {
        // Grey with alpha (2) and RGBA (4) files carry alpha.
        hr = AllocateRgba(image, type, uint32_t(width), uint32_t(height), channels == 2 || channels == 4);
        if (SUCCEEDED(hr)) std::memcpy(image->data.data(), pixels, image->data.size());
    }
    stbi_image_free(pixels);
    return hr;
}

}  // namespace gfx::detail
