// Mipmap levels made on the CPU from RGBA8 pixels, so that filling a texture needs no work
// from the GL driver beyond the uploads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gfx {

// The next smaller level of width x height RGBA8 pixels (rows srcPitch bytes apart) into dst,
// max(1, width / 2) x max(1, height / 2) pixels packed. Each texel is the rounded average of
// its 2x2 block; along a side of one pixel the block is one pixel wide, and an odd side's
// last row or column falls outside every block.
void HalveRGBA8(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcPitch, uint8_t* dst);

// The levels below level 0, packed one after the other.
struct MipChain {
    std::vector<uint8_t> pixels;
    std::vector<size_t> offsets;  // level l (l >= 1) starts at offsets[l - 1]
};
// Levels 1 .. levels - 1 made from level 0 (rows pitch bytes apart), each from the one above.
MipChain MakeMipChain(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t pitch, uint32_t levels);

}  // namespace gfx
