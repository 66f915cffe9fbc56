// Where a music stream's samples come from: interleaved 16-bit samples, mono or stereo, at
// one frequency, read in order from the start and rewound to it.
#pragma once
#include <cstdint>

#include "platform/system/Result.h"

namespace media::detail {

// Frequencies music is given out at; the decoder drops frames at others.
constexpr uint32_t kFrequencyMin = 8000;
constexpr uint32_t kFrequencyMax = 192000;

class SampleSource {
public:
    virtual ~SampleSource() = default;
    virtual uint16_t Channels() const = 0;
    virtual uint32_t Frequency() const = 0;
    // Seconds as the file declares them; 0 when it does not.
    virtual double Duration() const = 0;
    // Up to `frames` frames into out (frames x Channels() samples); fewer only at the end.
    virtual uint32_t Read(int16_t* out, uint32_t frames) = 0;
    virtual bool AtEnd() const = 0;
    // Back to the first sample.
    virtual HRESULT Rewind() = 0;
};

}  // namespace media::detail
