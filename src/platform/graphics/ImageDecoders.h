// Inside the graphics layer: one decoder an image file type, behind DecodeImage.
// Each fills the image (or leaves it empty) and returns S_OK or D3DXERR_INVALIDDATA.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/graphics/Image.h"

namespace gfx::detail {

HRESULT DecodePng(const uint8_t* data, size_t size, Image* image);
HRESULT DecodeJpeg(const uint8_t* data, size_t size, Image* image);
HRESULT DecodeTga(const uint8_t* data, size_t size, Image* image);
HRESULT DecodeBmp(const uint8_t* data, size_t size, Image* image);
HRESULT DecodeDds(const uint8_t* data, size_t size, Image* image);

// TGA and BMP pixels through stb_image, after their decoders checked the headers.
HRESULT DecodeWithStb(const uint8_t* data, size_t size, const char* type, Image* image);

// True when an image of that size may be decoded.
bool ImageSizeAllowed(uint64_t width, uint64_t height);
// Empties the image, records "<type>: <reason>" and returns D3DXERR_INVALIDDATA.
HRESULT ImageFailure(Image* image, const char* type, const char* reason);
// Sizes the image's RGBA storage: S_OK, or E_OUTOFMEMORY (with the failure recorded).
HRESULT AllocateRgba(Image* image, const char* type, uint32_t width, uint32_t height, bool alpha);

inline uint32_t ReadLE16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
inline uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace gfx::detail
