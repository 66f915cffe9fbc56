#include "platform/media/PcmSource.h"

#include <algorithm>

namespace media::detail {

HRESULT PcmSource::Open(const snd::WaveFormat& format, std::vector<uint8_t> samples) {
    const uint16_t bytes = format.bitsPerSample / 8;
    const bool plain = format.formatTag == snd::kFormatPcm && (format.channels == 1 || format.channels == 2) &&
                       (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                       format.blockAlign == format.channels * bytes && format.samplesPerSec >= kFrequencyMin &&
                       format.samplesPerSec <= kFrequencyMax;
    if (!plain || samples.size() < format.blockAlign) return VFW_E_CANNOT_RENDER;
    samples_ = std::move(samples);
    channels_ = format.channels;
    bytesPerSample_ = bytes;
    frequency_ = format.samplesPerSec;
    frames_ = samples_.size() / format.blockAlign;
    position_ = 0;
    // In whole microseconds, rounded to the nearest, as container durations are kept.
    duration_ = static_cast<double>((uint64_t{frames_} * 1000000 + frequency_ / 2) / frequency_) / 1e6;
    return S_OK;
}

uint32_t PcmSource::Read(int16_t* out, uint32_t frames) {
    const size_t n = std::min<size_t>(frames, frames_ - position_);
    const size_t count = n * channels_;
    const uint8_t* in = samples_.data() + position_ * channels_ * bytesPerSample_;
    if (bytesPerSample_ == 2) {
        for (size_t i = 0; i < count; ++i)
            out[i] = static_cast<int16_t>(static_cast<uint16_t>(in[2 * i] | (in[2 * i + 1] << 8)));
    } else {
        // Unsigned 8-bit samples around 128, widened to the top byte.
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>((in[i] - 128) * 256);
    }
    position_ += n;
    return static_cast<uint32_t>(n);
}

HRESULT PcmSource::Rewind() {
    position_ = 0;
    return S_OK;
}

}  // namespace media::detail
