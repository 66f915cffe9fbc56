// FFmpeg handles, each owned by one RAII wrapper. Nothing outside the media layer sees them.
// A handle exists only once the libraries are loaded, so the wrappers free through the table.
#pragma once
#include "platform/media/AvLibrary.h"

#include <memory>

namespace media::detail {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { Av()->avformat_close_input(&c); }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatCloser>;

// A custom I/O context; its buffer may have been replaced by FFmpeg, so it is freed from the context.
struct IoFreer {
    void operator()(AVIOContext* c) const {
        Av()->av_freep(&c->buffer);
        Av()->avio_context_free(&c);
    }
};
using IoContext = std::unique_ptr<AVIOContext, IoFreer>;

struct CodecFreer {
    void operator()(AVCodecContext* c) const { Av()->avcodec_free_context(&c); }
};
using CodecContext = std::unique_ptr<AVCodecContext, CodecFreer>;

struct ResamplerFreer {
    void operator()(SwrContext* c) const { Av()->swr_free(&c); }
};
using Resampler = std::unique_ptr<SwrContext, ResamplerFreer>;

struct ScalerFreer {
    void operator()(SwsContext* c) const { Av()->sws_freeContext(c); }
};
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;

struct PacketFreer {
    void operator()(AVPacket* p) const { Av()->av_packet_free(&p); }
};
using Packet = std::unique_ptr<AVPacket, PacketFreer>;

struct FrameFreer {
    void operator()(AVFrame* f) const { Av()->av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameFreer>;

// Options handed to an open call; what the call leaves unused is freed with the object.
class Options {
public:
    Options() = default;
    ~Options() {
        if (dict_) Av()->av_dict_free(&dict_);
    }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    void Set(const char* key, const char* value) { Av()->av_dict_set(&dict_, key, value, 0); }
    AVDictionary** Get() { return &dict_; }

private:
    AVDictionary* dict_ = nullptr;
};

}  // namespace media::detail
