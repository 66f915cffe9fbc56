// The music decoder on arbitrary bytes: open, decode a bounded stretch, rewind, decode the
// start again and compare. No sound device is needed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/media/AudioDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    media::detail::AudioDecoder decoder;
    if (FAILED(decoder.Open(std::make_shared<const std::vector<uint8_t>>(data, data + size)))) {
        if (!decoder.AtEnd()) __builtin_trap();
        return 0;
    }
    const uint16_t channels = decoder.Channels();
    if (channels < 1 || channels > 2 || decoder.Frequency() < media::detail::kFrequencyMin ||
        decoder.Frequency() > media::detail::kFrequencyMax)
        __builtin_trap();
    constexpr uint32_t kPiece = 4096;
    constexpr uint32_t kPieces = 16;
    std::vector<int16_t> first(kPiece * channels), again(kPiece * channels);
    const uint32_t firstCount = decoder.Read(first.data(), kPiece);
    for (uint32_t i = 1; i < kPieces; ++i) {
        const uint32_t n = decoder.Read(again.data(), kPiece);
        if (n > kPiece) __builtin_trap();
        if (n < kPiece && !decoder.AtEnd()) __builtin_trap();
        if (n == 0) break;
    }
    if (FAILED(decoder.Rewind())) return 0;
    if (decoder.Channels() != channels) __builtin_trap();
    const uint32_t againCount = decoder.Read(again.data(), kPiece);
    if (againCount != firstCount) __builtin_trap();
    for (size_t i = 0; i < static_cast<size_t>(firstCount) * channels; ++i)
        if (again[i] != first[i]) __builtin_trap();
    return 0;
}
