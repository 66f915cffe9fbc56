// A 2x2 box filter over RGBA8 pixels, level by level.
#include "platform/graphics/Mipmaps.h"

#include <algorithm>

namespace gfx {

void HalveRGBA8(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcPitch, uint8_t* dst) {
    const uint32_t w = std::max(1u, width / 2), h = std::max(1u, height / 2);
    // The second column and row of a block; the first again on a side of one pixel.
    const size_t dx = width > 1 ? 4 : 0;
    const size_t dy = height > 1 ? srcPitch : 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* top = src + size_t(y) * 2 * srcPitch;
        const uint8_t* bottom = top + dy;
        uint8_t* out = dst + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x) {
            const size_t left = size_t(x) * 8;
            for (size_t c = 0; c < 4; ++c) {
                unsigned sum = top[left + c] + top[left + dx + c] + bottom[left + c] + bottom[left + dx + c];
                out[size_t(x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
            }
        }
    }
}

MipChain MakeMipChain(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t pitch, uint32_t levels) {
    MipChain chain;
    size_t total = 0;
    for (uint32_t l = 1, w = width, h = height; l < levels; ++l) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        chain.offsets.push_back(total);
        total += size_t(w) * h * 4;
    }
    chain.pixels.resize(total);
    // Each level is made from the one above it.
    const uint8_t* src = rgba;
    uint32_t srcPitch = pitch;
    for (uint32_t l = 1; l < levels; ++l) {
        uint8_t* dst = chain.pixels.data() + chain.offsets[l - 1];
        HalveRGBA8(src, width, height, srcPitch, dst);
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        src = dst;
        srcPitch = width * 4;
    }
    return chain;
}

}  // namespace gfx
