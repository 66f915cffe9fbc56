// Fuzz target: every image decoder on arbitrary bytes (decoding only, no device), and
// the DXT block decoder on what a DDS file yields; RGBA images hold exactly their levels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/graphics/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gfx::Image image;
    if (gfx::DecodeImage(data, size, &image) != S_OK) return 0;
    if (image.format == gfx::FMT_DXT1 || image.format == gfx::FMT_DXT3 || image.format == gfx::FMT_DXT5) {
        std::vector<uint8_t> rgba(size_t(image.width) * image.height * 4);
        gfx::DecompressDxt(image.format, image.data.data(), image.data.size(), image.width, image.height,
                           rgba.data());
    } else {
        // RGBA levels, each half the one before, one after the other.
        size_t expected = 0;
        for (uint32_t level = 0; level < image.levels; ++level)
            expected += size_t(std::max(1u, image.width >> level)) * std::max(1u, image.height >> level) * 4;
        if (image.levels == 0 || image.data.size() != expected) __builtin_trap();
    }
    return 0;
}
