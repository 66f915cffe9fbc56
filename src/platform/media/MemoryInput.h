// A container held in memory and read by FFmpeg through a custom I/O context. Only the
// named containers and decoders may touch the bytes, and nothing the container names
// (other files, playlists, URLs) is ever opened.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/AvHandles.h"
#include "platform/system/Result.h"

namespace media::detail {

// Steps one stream's decoder until `accept` takes a frame, reading and sending packets as
// the decoder asks and draining it at the end of the input. A frame `accept` refuses is
// dropped; undecodable frames and refused packets are skipped. False at the end of the
// stream or after `maxSteps` steps without an accepted frame.
template <typename Accept>
bool NextAcceptedFrame(AVFormatContext* format, AVCodecContext* codec, AVPacket* packet, AVFrame* frame,
                       int streamIndex, bool& draining, int maxSteps, Accept accept) {
    for (int step = 0; step < maxSteps; ++step) {
        int r = Av()->avcodec_receive_frame(codec, frame);
        if (r == 0) {
            if (accept(*frame)) return true;
            Av()->av_frame_unref(frame);
            continue;
        }
        if (r == AVERROR_EOF) return false;
        if (r != AVERROR(EAGAIN)) continue;
        if (draining) return false;
        r = Av()->av_read_frame(format, packet);
        if (r < 0) {
            Av()->avcodec_send_packet(codec, nullptr);
            draining = true;
            continue;
        }
        if (packet->stream_index == streamIndex) Av()->avcodec_send_packet(codec, packet);
        Av()->av_packet_unref(packet);
    }
    return false;
}

class MemoryInput {
public:
    MemoryInput() = default;
    ~MemoryInput() { Close(); }
    MemoryInput(const MemoryInput&) = delete;
    MemoryInput& operator=(const MemoryInput&) = delete;

    // Opens the container from the first byte. containers and decoders are FFmpeg's
    // comma-separated whitelists and must outlive the input. VFW_E_UNSUPPORTED_STREAM: no
    // bytes, or none of the containers reads them; VFW_E_CANNOT_RENDER: FFmpeg's libraries
    // cannot be loaded; E_OUTOFMEMORY.
    HRESULT Open(std::shared_ptr<const std::vector<uint8_t>> bytes, const char* containers, const char* decoders);
    // Opens the same bytes again from the first byte.
    HRESULT Reopen();
    // Lets go of the container; the bytes stay for Reopen.
    void Close();
    AVFormatContext* Format() const { return format_.get(); }
    bool HasBytes() const { return reader_.bytes != nullptr; }

private:
    struct Reader {
        std::shared_ptr<const std::vector<uint8_t>> bytes;
        size_t position = 0;
    };
    static int ReadBytes(void* opaque, uint8_t* out, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    // Declared in the order they must outlive each other: the reader, then the I/O, then
    // the container.
    Reader reader_;
    IoContext io_;
    FormatContext format_;
    const char* containers_ = "";
    const char* decoders_ = "";
};

}  // namespace media::detail
