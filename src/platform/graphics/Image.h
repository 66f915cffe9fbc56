// Image files: PNG, JPEG, TGA, BMP and DDS (DXT1, DXT3, DXT5, and uncompressed RGB,
// luminance and alpha by their channel masks) decoded from memory, and
// textures made from them. Pixels keep the image's size; row 0 is the image's top row
// (texture coordinate v = 0). Every decoder checks its input: a corrupt, truncated or
// oversized file fails with D3DXERR_INVALIDDATA and a reason, before any large allocation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"

namespace gfx {

// Largest width or height of a decoded image (the device's largest texture).
constexpr uint32_t kMaxImageSide = 8192;
// Largest number of pixels of a decoded image (64 MB of RGBA).
constexpr uint64_t kMaxImagePixels = uint64_t(4096) * 4096;

enum class ImageFileType { Unknown, Png, Jpeg, Tga, Bmp, Dds };

// A decoded image.
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    // FMT_A8R8G8B8: pixels as bytes R, G, B, A, rows top to bottom, width * 4 bytes a row.
    // FMT_X8R8G8B8: the same, from a file without alpha (every alpha byte is 255).
    // FMT_DXT1, FMT_DXT3, FMT_DXT5: the blocks of each level as stored, level 0 first.
    Format format = FMT_UNKNOWN;
    // Levels held in data, level 0 first: 1 for RGBA images but uncompressed DDS files,
    // whose stored levels follow one another (each half the size of the one before).
    uint32_t levels = 0;
    std::vector<uint8_t> data;  // pixels or blocks
    std::string error;          // why decoding failed, e.g. "PNG: truncated file"
};

// The file type the first bytes announce (TGA, which has no signature, by a plausible header).
ImageFileType DetectImageFileType(const void* data, size_t size);
// Decodes a whole file. S_OK; D3DXERR_INVALIDDATA (with image->error) for unknown,
// corrupt, truncated or too large images; D3DERR_INVALIDCALL without an image.
HRESULT DecodeImage(const void* data, size_t size, Image* image);
// Bytes of DXT blocks a level of that size takes (0 for other formats).
size_t DxtLevelSize(Format format, uint32_t width, uint32_t height);
// Decodes DXT blocks of one level (DxtLevelSize bytes) into RGBA bytes, width * 4 a row.
HRESULT DecompressDxt(Format format, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                      uint8_t* rgba);

// Makes a managed texture from a file in memory. RGBA images get A8R8G8B8 (X8R8G8B8 without
// alpha) and a full mip chain generated from level 0, or the levels a DDS file stores; DDS
// blocks are kept with their levels as stored (decompressed to RGBA when the device takes
// no DXT textures).
// S_OK; D3DXERR_INVALIDDATA for a file that does not decode; the device's error otherwise.
HRESULT CreateTextureFromFileInMemory(Device* device, const void* data, size_t size, Texture** texture,
                                      std::string* error = nullptr);

}  // namespace gfx
