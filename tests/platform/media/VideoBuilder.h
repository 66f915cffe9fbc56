// Tiny AVI files made in memory by libavcodec for the video tests: solid-colour MJPEG frames
// at a frame rate, and a mono 16-bit PCM tone as the sound track when asked.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace videotest {

struct Spec {
    int width = 64;
    int height = 48;
    int fps = 10;
    std::vector<uint32_t> colours;  // 0xRRGGBB, one a frame
    uint32_t toneFrames = 0;        // samples of sound; 0: no sound track
    int rate = 22050;
};

namespace detail {

struct Sink {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

inline int Write(void* opaque, uint8_t* data, int size) {
    Sink* s = static_cast<Sink*>(opaque);
    if (s->bytes.size() < s->position + size) s->bytes.resize(s->position + size);
    std::memcpy(s->bytes.data() + s->position, data, size);
    s->position += size;
    return size;
}

inline int64_t Seek(void* opaque, int64_t offset, int whence) {
    Sink* s = static_cast<Sink*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return static_cast<int64_t>(s->bytes.size());
    int64_t base = whence == SEEK_CUR ? static_cast<int64_t>(s->position)
                                      : (whence == SEEK_END ? static_cast<int64_t>(s->bytes.size()) : 0);
    s->position = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(s->position);
}

// Sends a frame (null: the end) through the encoder into the file.
inline void Encode(AVFormatContext* file, AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    avcodec_send_frame(codec, frame);
    AVPacket* packet = av_packet_alloc();
    while (avcodec_receive_packet(codec, packet) == 0) {
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        av_interleaved_write_frame(file, packet);
    }
    av_packet_free(&packet);
}

}  // namespace detail

inline std::vector<uint8_t> Avi(const Spec& spec) {
    av_log_set_level(AV_LOG_QUIET);
    detail::Sink sink;
    AVFormatContext* file = nullptr;
    avformat_alloc_output_context2(&file, nullptr, "avi", nullptr);
    uint8_t* ioBuffer = static_cast<uint8_t*>(av_malloc(4096));
    file->pb = avio_alloc_context(ioBuffer, 4096, 1, &sink, nullptr, detail::Write, detail::Seek);

    const AVCodec* mjpeg = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* video = avcodec_alloc_context3(mjpeg);
    video->width = spec.width;
    video->height = spec.height;
    video->pix_fmt = AV_PIX_FMT_YUVJ420P;
    video->time_base = {1, spec.fps};
    video->flags |= AV_CODEC_FLAG_QSCALE;
    avcodec_open2(video, mjpeg, nullptr);
    AVStream* videoStream = avformat_new_stream(file, nullptr);
    avcodec_parameters_from_context(videoStream->codecpar, video);
    videoStream->time_base = video->time_base;

    AVCodecContext* audio = nullptr;
    AVStream* audioStream = nullptr;
    if (spec.toneFrames > 0) {
        const AVCodec* pcm = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        audio = avcodec_alloc_context3(pcm);
        audio->sample_fmt = AV_SAMPLE_FMT_S16;
        audio->sample_rate = spec.rate;
        audio->ch_layout = AV_CHANNEL_LAYOUT_MONO;
        audio->time_base = {1, spec.rate};
        avcodec_open2(audio, pcm, nullptr);
        audioStream = avformat_new_stream(file, nullptr);
        avcodec_parameters_from_context(audioStream->codecpar, audio);
        audioStream->time_base = audio->time_base;
    }
    const bool headerWritten = avformat_write_header(file, nullptr) >= 0;

    AVFrame* picture = av_frame_alloc();
    picture->format = video->pix_fmt;
    picture->width = spec.width;
    picture->height = spec.height;
    av_frame_get_buffer(picture, 0);
    std::vector<uint8_t> rgb(static_cast<size_t>(spec.width) * spec.height * 3);
    SwsContext* toYuv = sws_getContext(spec.width, spec.height, AV_PIX_FMT_RGB24, spec.width, spec.height,
                                       AV_PIX_FMT_YUVJ420P, SWS_POINT, nullptr, nullptr, nullptr);
    for (size_t i = 0; i < spec.colours.size(); ++i) {
        for (size_t p = 0; p < rgb.size(); p += 3) {
            rgb[p] = static_cast<uint8_t>(spec.colours[i] >> 16);
            rgb[p + 1] = static_cast<uint8_t>(spec.colours[i] >> 8);
            rgb[p + 2] = static_cast<uint8_t>(spec.colours[i]);
        }
        const uint8_t* in[1] = {rgb.data()};
        const int inStride[1] = {spec.width * 3};
        av_frame_make_writable(picture);
        sws_scale(toYuv, in, inStride, 0, spec.height, picture->data, picture->linesize);
        picture->pts = static_cast<int64_t>(i);
        picture->quality = FF_QP2LAMBDA * 2;
        detail::Encode(file, video, videoStream, picture);
    }
    detail::Encode(file, video, videoStream, nullptr);

    if (audio) {
        constexpr int kBlock = 1024;
        AVFrame* block = av_frame_alloc();
        for (uint32_t at = 0; at < spec.toneFrames; at += kBlock) {
            const int n = static_cast<int>(std::min<uint32_t>(kBlock, spec.toneFrames - at));
            block->format = AV_SAMPLE_FMT_S16;
            block->sample_rate = spec.rate;
            block->ch_layout = AV_CHANNEL_LAYOUT_MONO;
            block->nb_samples = n;
            av_frame_get_buffer(block, 0);
            int16_t* samples = reinterpret_cast<int16_t*>(block->data[0]);
            for (int k = 0; k < n; ++k)
                samples[k] = static_cast<int16_t>(
                    std::lround(8000.0 * std::sin(2.0 * 3.14159265358979 * 441.0 * (at + k) / spec.rate)));
            block->pts = at;
            detail::Encode(file, audio, audioStream, block);
            av_frame_unref(block);
        }
        detail::Encode(file, audio, audioStream, nullptr);
        av_frame_free(&block);
    }
    av_write_trailer(file);

    sws_freeContext(toYuv);
    av_frame_free(&picture);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    av_freep(&file->pb->buffer);
    avio_context_free(&file->pb);
    avformat_free_context(file);
    if (!headerWritten) sink.bytes.clear();
    return sink.bytes;
}

}  // namespace videotest
