// The audio decoder: a music file held in memory, demuxed and decoded by FFmpeg into
// interleaved 16-bit samples, mono or stereo, at the file's own frequency. No thread, no
// output; the music streams and the fuzzer drive it.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/AvHandles.h"
#include "platform/media/MemoryInput.h"
#include "platform/media/SampleSource.h"
#include "platform/system/Result.h"

namespace media::detail {

// Containers of music files, and of videos (whose sound tracks the decoder also reads).
extern const char* const kMusicContainers;
extern const char* const kVideoContainers;

class AudioDecoder : public SampleSource {
public:
    AudioDecoder();
    ~AudioDecoder() override;
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Opens the bytes and decodes up to the first samples, which fix the channels and the
    // frequency. VFW_E_UNSUPPORTED_STREAM: not one of the containers;
    // VFW_E_CANNOT_RENDER: no audio stream, no decoder, or no samples at all.
    HRESULT Open(std::shared_ptr<const std::vector<uint8_t>> bytes, const char* containers = kMusicContainers);
    uint16_t Channels() const override { return channels_; }
    uint32_t Frequency() const override { return frequency_; }
    // Seconds as the file declares them; 0 when it does not.
    double Duration() const override { return duration_; }
    // Decodes up to `frames` frames into out (frames x Channels() samples); fewer only at
    // the end of the music, which a broken file reaches early.
    uint32_t Read(int16_t* out, uint32_t frames) override;
    bool AtEnd() const override { return ended_ && pendingFrames_ == pendingUsed_; }
    // Back to the first sample: the bytes are opened again.
    HRESULT Rewind() override;

private:
    // Decodes from the start of the opened container.
    HRESULT OpenContainer();
    // Lets go of the decoder's state, keeping the container.
    void ResetDecoding();
    void Close();
    // Decodes until samples wait or the music ends; false at the end.
    bool DecodeMore();
    // Converts a decoded frame into the waiting samples; false when it gives none.
    bool Convert(const AVFrame& frame);

    MemoryInput input_;
    CodecContext codec_;
    Resampler resampler_;
    Packet packet_;
    Frame frame_;
    int streamIndex_ = -1;
    bool draining_ = false;
    bool ended_ = true;
    bool fresh_ = false;  // nothing read since the bytes were opened

    // What the resampler was made for.
    int inFormat_ = -1;
    int inFrequency_ = 0;
    AVChannelLayout inLayout_{};

    uint16_t channels_ = 0;
    uint32_t frequency_ = 0;
    double duration_ = 0.0;
    std::vector<int16_t> pending_;
    size_t pendingFrames_ = 0;
    size_t pendingUsed_ = 0;
};

}  // namespace media::detail
