// The video decoder: the picture stream of a video file held in memory, demuxed and decoded
// by FFmpeg, each frame with its time after the first, and scaled into 32-bit pixels. No
// thread, no output; the video streams and the fuzzer drive it.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/AvHandles.h"
#include "platform/media/Media.h"
#include "platform/media/MemoryInput.h"
#include "platform/system/Result.h"

namespace media::detail {

// Most width and height of a video's pictures and of what they are scaled to.
constexpr uint32_t kVideoSizeMax = 4096;
// Longest time between two frames; a later time stamp is brought forward to it.
constexpr double kFrameGapMax = 5.0;

class VideoDecoder {
public:
    VideoDecoder() = default;
    ~VideoDecoder() = default;
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Opens the bytes and decodes the first frame, which fixes Width and Height.
    // VFW_E_UNSUPPORTED_STREAM: not a container this layer reads; VFW_E_CANNOT_RENDER: no
    // picture stream, no decoder, pictures larger than kVideoSizeMax, or no frame at all.
    HRESULT Open(std::shared_ptr<const std::vector<uint8_t>> bytes);
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    // Moves the next frame into out with its time in seconds after the first frame (never
    // earlier than the frame before, at most kFrameGapMax later); false at the end.
    bool Next(AVFrame* out, double* seconds);
    // True once Next found the end.
    bool AtEnd() const { return ended_ && !firstWaiting_; }
    // When the last frame given out ends.
    double EndTime() const { return lastTime_ + frameDuration_; }
    // Back to the first frame: the bytes are opened again.
    HRESULT Rewind();
    // Writes a decoded frame scaled to width x height in the pixel format, rows pitch bytes
    // apart. E_INVALIDARG for a size outside 1..kVideoSizeMax or a short pitch; E_FAIL when
    // the frame cannot be scaled.
    HRESULT Scale(const AVFrame& frame, uint8_t* out, uint32_t width, uint32_t height, uint32_t pitch,
                  PixelFormat format);

private:
    HRESULT OpenStream();
    void ResetDecoding();
    // Decodes the next usable frame into frame_; false at the end.
    bool DecodeFrame();
    bool Usable(const AVFrame& frame) const;
    double TimeOf(const AVFrame& frame);

    MemoryInput input_;
    CodecContext codec_;
    Packet packet_;
    Frame frame_;
    Scaler scaler_;
    int streamIndex_ = -1;
    bool draining_ = false;
    bool ended_ = true;
    bool firstWaiting_ = false;  // frame_ holds the first frame, not yet given out

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    double timeBase_ = 0.0;
    double frameDuration_ = 0.04;
    int64_t origin_ = 0;
    bool haveOrigin_ = false;
    bool givenAny_ = false;
    double lastTime_ = 0.0;
};

}  // namespace media::detail
