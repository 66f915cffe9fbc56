// Sample layouts the sound layer plays, and their conversion into what OpenAL takes:
// unsigned 8-bit or signed 16-bit, mono or stereo.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sound/Sound.h"

namespace snd::detail {

enum class SampleType { Unsigned8, Signed16, Float32 };

struct PcmLayout {
    SampleType type = SampleType::Signed16;
    uint32_t channels = 0;
    uint32_t frameBytes = 0;
    uint32_t frequency = 0;
};

// The layout of a format the layer plays; false for any other format.
bool DescribeFormat(const WaveFormat& format, PcmLayout* out);

// The OpenAL format the samples are given in (AL_FORMAT_MONO8 and the like).
int AlFormatOf(const PcmLayout& layout, bool mono);
// True when OpenAL takes the bytes as they are: 8-bit or 16-bit samples heard in their own
// channels, 16-bit ones on a little-endian host.
bool TakenAsTheyAre(const PcmLayout& layout, bool mono);

// Samples ready for alBufferData: whole frames only, float turned into 16-bit,
// stereo mixed down to mono when asked.
struct AlSamples {
    int alFormat = 0;  // AL_FORMAT_MONO8 and the like
    uint32_t frames = 0;
    std::vector<uint8_t> bytes;
};
AlSamples ConvertForAl(const PcmLayout& layout, const uint8_t* data, size_t bytes, bool mono);

}  // namespace snd::detail
