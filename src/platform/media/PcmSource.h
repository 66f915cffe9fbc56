// Plain PCM samples held in memory, given out as they are (16-bit) or widened (8-bit
// unsigned), with no decoder behind them.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/media/SampleSource.h"
#include "platform/sound/Sound.h"

namespace media::detail {

class PcmSource : public SampleSource {
public:
    // Takes the samples of a format of tag 1, one or two channels of 8 or 16 bits, frames
    // blockAlign bytes apart, at kFrequencyMin..kFrequencyMax; a last partial frame is
    // dropped. VFW_E_CANNOT_RENDER for any other format or no whole frame.
    HRESULT Open(const snd::WaveFormat& format, std::vector<uint8_t> samples);
    uint16_t Channels() const override { return channels_; }
    uint32_t Frequency() const override { return frequency_; }
    double Duration() const override { return duration_; }
    uint32_t Read(int16_t* out, uint32_t frames) override;
    bool AtEnd() const override { return position_ == frames_; }
    HRESULT Rewind() override;

private:
    std::vector<uint8_t> samples_;
    uint16_t channels_ = 0;
    uint16_t bytesPerSample_ = 0;
    uint32_t frequency_ = 0;
    double duration_ = 0.0;
    size_t frames_ = 0;
    size_t position_ = 0;
};

}  // namespace media::detail
