#include "platform/sound/PcmConvert.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "platform/sound/AlHandles.h"

namespace snd::detail {
namespace {

constexpr uint32_t kFrequencyMin = 100;
constexpr uint32_t kFrequencyMax = 200000;

// The extensible form: valid bits (2 bytes), channel mask (4), then the sub-format GUID,
// whose first four bytes are a plain format tag and whose other twelve are fixed.
constexpr size_t kExtensibleExtra = 22;
constexpr size_t kSubFormatOffset = 6;
constexpr uint8_t kSubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The plain tag an extensible format stands for, or 0.
uint16_t SubFormatTag(const WaveFormat& format) {
    if (format.extra.size() < kExtensibleExtra) return 0;
    const uint8_t* guid = format.extra.data() + kSubFormatOffset;
    if (std::memcmp(guid + 4, kSubFormatTail, sizeof kSubFormatTail) != 0) return 0;
    uint32_t tag = guid[0] | guid[1] << 8 | guid[2] << 16 | static_cast<uint32_t>(guid[3]) << 24;
    return tag == kFormatPcm || tag == kFormatFloat ? static_cast<uint16_t>(tag) : 0;
}

int16_t ReadS16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

float ReadF32(const uint8_t* p) {
    uint32_t bits = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int16_t FloatToS16(float value) {
    if (!(value == value)) return 0;
    if (value > 1.0f) value = 1.0f;
    if (value < -1.0f) value = -1.0f;
    return static_cast<int16_t>(std::lround(value * 32767.0f));
}

void WriteS16(uint8_t* p, int value) {
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

bool DescribeFormat(const WaveFormat& format, PcmLayout* out) {
    uint16_t tag = format.formatTag == kFormatExtensible ? SubFormatTag(format) : format.formatTag;
    PcmLayout layout;
    if (tag == kFormatPcm && format.bitsPerSample == 8) {
        layout.type = SampleType::Unsigned8;
    } else if (tag == kFormatPcm && format.bitsPerSample == 16) {
        layout.type = SampleType::Signed16;
    } else if (tag == kFormatFloat && format.bitsPerSample == 32) {
        layout.type = SampleType::Float32;
    } else {
        return false;
    }
    if (format.channels != 1 && format.channels != 2) return false;
    if (format.blockAlign != format.channels * format.bitsPerSample / 8) return false;
    if (format.samplesPerSec < kFrequencyMin || format.samplesPerSec > kFrequencyMax) return false;
    layout.channels = format.channels;
    layout.frameBytes = format.blockAlign;
    layout.frequency = format.samplesPerSec;
    *out = layout;
    return true;
}

int AlFormatOf(const PcmLayout& layout, bool mono) {
    const bool one = mono || layout.channels == 1;
    if (layout.type == SampleType::Unsigned8) return one ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8;
    return one ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
}

bool TakenAsTheyAre(const PcmLayout& layout, bool mono) {
    if (mono && layout.channels != 1) return false;
    if (layout.type == SampleType::Unsigned8) return true;
    return layout.type == SampleType::Signed16 && std::endian::native == std::endian::little;
}

AlSamples ConvertForAl(const PcmLayout& layout, const uint8_t* data, size_t bytes, bool mono) {
    AlSamples out;
    const uint32_t inChannels = layout.channels;
    const uint32_t outChannels = mono ? 1 : inChannels;
    const size_t frames = layout.frameBytes ? bytes / layout.frameBytes : 0;
    out.frames = static_cast<uint32_t>(frames);
    const size_t inSample = layout.frameBytes / inChannels;

    if (layout.type == SampleType::Unsigned8) {
        out.alFormat = AlFormatOf(layout, mono);
        out.bytes.resize(frames * outChannels);
        for (size_t f = 0; f < frames; ++f) {
            const uint8_t* in = data + f * layout.frameBytes;
            if (outChannels == inChannels) {
                std::memcpy(&out.bytes[f * outChannels], in, outChannels);
            } else {
                out.bytes[f] = static_cast<uint8_t>((in[0] + in[1]) / 2);
            }
        }
        return out;
    }

    out.alFormat = AlFormatOf(layout, mono);
    out.bytes.resize(frames * outChannels * 2);
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* in = data + f * layout.frameBytes;
        int samples[2] = {0, 0};
        for (uint32_t c = 0; c < inChannels; ++c) {
            const uint8_t* p = in + c * inSample;
            samples[c] = layout.type == SampleType::Signed16 ? ReadS16(p) : FloatToS16(ReadF32(p));
        }
        uint8_t* o = &out.bytes[f * outChannels * 2];
        if (outChannels == inChannels) {
            for (uint32_t c = 0; c < outChannels; ++c) WriteS16(o + 2 * c, samples[c]);
        } else {
            WriteS16(o, (samples[0] + samples[1]) / 2);
        }
    }
    return out;
}

}  // namespace snd::detail
