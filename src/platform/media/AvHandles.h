// FFmpeg handles, each owned by one RAII wrapper. Nothing outside the media layer sees them.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace media::detail {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatCloser>;

// A custom I/O context; its buffer may have been replaced by FFmpeg, so it is freed from the context.
struct IoFreer {
    void operator()(AVIOContext* c) const {
        av_freep(&c->buffer);
        avio_context_free(&c);
    }
};
using IoContext = std::unique_ptr<AVIOContext, IoFreer>;

struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecContext = std::unique_ptr<AVCodecContext, CodecFreer>;

struct ResamplerFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
using Resampler = std::unique_ptr<SwrContext, ResamplerFreer>;

struct ScalerFreer {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;

struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using Packet = std::unique_ptr<AVPacket, PacketFreer>;

struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameFreer>;

// Options handed to an open call; what the call leaves unused is freed with the object.
class Options {
public:
    Options() = default;
    ~Options() { av_dict_free(&dict_); }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    void Set(const char* key, const char* value) { av_dict_set(&dict_, key, value, 0); }
    AVDictionary** Get() { return &dict_; }

private:
    AVDictionary* dict_ = nullptr;
};

}  // namespace media::detail
