// Makes the sample game's video from code: "intro.avi", four seconds at 25 frames a second,
// 320 x 240 in MPEG-4 part 2, of a gradient turning through the colours with a ball bouncing
// across it over a filling progress bar; its sound track a rising arpeggio, mono 16-bit PCM at
// 22050 Hz. The output is the same on every run.
// Usage: make_video <directory>
#include "ContentFiles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFps = 25;
constexpr int kFrames = 4 * kFps;
constexpr int kRate = 22050;
constexpr int kSamples = 4 * kRate;
constexpr int kAudioBlock = 1024;
constexpr float kPi = 3.14159265f;

// The muxer writes into memory; the file is written whole at the end.
struct Sink {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

int WriteBytes(void* opaque, uint8_t* data, int size) {
    Sink* s = static_cast<Sink*>(opaque);
    if (s->bytes.size() < s->position + size) s->bytes.resize(s->position + size);
    std::memcpy(s->bytes.data() + s->position, data, size);
    s->position += size;
    return size;
}

int64_t SeekBytes(void* opaque, int64_t offset, int whence) {
    Sink* s = static_cast<Sink*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return static_cast<int64_t>(s->bytes.size());
    const int64_t base = whence == SEEK_CUR ? static_cast<int64_t>(s->position)
                                            : (whence == SEEK_END ? static_cast<int64_t>(s->bytes.size()) : 0);
    if (base + offset < 0) return AVERROR(EINVAL);
    s->position = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(s->position);
}

uint8_t Channel(float x) { return static_cast<uint8_t>(std::lround(std::clamp(x, 0.0f, 1.0f) * 255.0f)); }

// One picture in RGB24.
void Paint(int frame, std::vector<uint8_t>& rgb) {
    const float t = static_cast<float>(frame) / kFps;
    // The ball crosses the picture twice and bounces on the bottom.
    const float ballX = 30.0f + (kWidth - 60.0f) * (0.5f - 0.5f * std::cos(kPi * t / 2.0f));
    const float ballY = 40.0f + 130.0f * std::fabs(std::cos(kPi * t * 1.5f));
    const float radius = 18.0f;
    const int barWidth = (kWidth - 40) * (frame + 1) / kFrames;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const float v = static_cast<float>(y) / kHeight;
            const float hue = t * 0.8f + static_cast<float>(x) / kWidth;
            float r = 0.5f + 0.4f * std::sin(2 * kPi * hue), g = 0.5f + 0.4f * std::sin(2 * kPi * (hue + 1.0f / 3)),
                  b = 0.5f + 0.4f * std::sin(2 * kPi * (hue + 2.0f / 3));
            r *= 1.0f - 0.5f * v, g *= 1.0f - 0.5f * v, b *= 1.0f - 0.5f * v;
            const float dx = x - ballX, dy = y - ballY;
            if (dx * dx + dy * dy <= radius * radius) {
                const float light = 1.0f - 0.4f * (dx + dy + 2 * radius) / (4 * radius);
                r = g = b = light;
            }
            if (y >= kHeight - 24 && y < kHeight - 14 && x >= 20 && x < kWidth - 20)
                r = g = b = x - 20 < barWidth ? 0.95f : 0.2f;
            uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            p[0] = Channel(r), p[1] = Channel(g), p[2] = Channel(b);
        }
    }
}

// A rising arpeggio of A major, one note each half second, with a fade at the end.
std::vector<int16_t> Arpeggio() {
    const float notes[8] = {220.0f, 277.18f, 329.63f, 440.0f, 554.37f, 659.26f, 880.0f, 659.26f};
    std::vector<int16_t> out(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const int note = i / (kRate / 2);
        const float local = static_cast<float>(i % (kRate / 2)) / kRate;
        const float envelope = std::fmin(1.0f, local * 200.0f) * std::exp(-local * 4.0f);
        const float fade = std::fmin(1.0f, static_cast<float>(kSamples - i) / (kRate / 4));
        const float phase = 2 * kPi * notes[note] * local;
        const float x = 0.3f * envelope * fade * (std::sin(phase) + 0.25f * std::sin(2 * phase));
        out[i] = static_cast<int16_t>(std::lround(x * 32767.0f));
    }
    return out;
}

// Sends a frame (null: the end) through the encoder into the file; false on a failure.
bool Encode(AVFormatContext* file, AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    if (avcodec_send_frame(codec, frame) < 0) return false;
    AVPacket* packet = av_packet_alloc();
    if (!packet) return false;
    bool ok = true;
    while (ok && avcodec_receive_packet(codec, packet) == 0) {
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        ok = av_interleaved_write_frame(file, packet) >= 0;
    }
    av_packet_free(&packet);
    return ok;
}

AVCodecContext* OpenEncoder(AVCodecID id, AVFormatContext* file, AVStream** stream, void (*setUp)(AVCodecContext*)) {
    const AVCodec* encoder = avcodec_find_encoder(id);
    AVCodecContext* codec = encoder ? avcodec_alloc_context3(encoder) : nullptr;
    if (!codec) return nullptr;
    setUp(codec);
    codec->thread_count = 1;
    codec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (file->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    *stream = avformat_new_stream(file, nullptr);
    if (avcodec_open2(codec, encoder, nullptr) < 0 || !*stream ||
        avcodec_parameters_from_context((*stream)->codecpar, codec) < 0) {
        avcodec_free_context(&codec);
        return nullptr;
    }
    (*stream)->time_base = codec->time_base;
    return codec;
}

// The whole video file, or nothing when the libraries fail.
std::vector<uint8_t> MakeVideo() {
    Sink sink;
    AVFormatContext* file = nullptr;
    if (avformat_alloc_output_context2(&file, nullptr, "avi", nullptr) < 0) return {};
    file->flags |= AVFMT_FLAG_BITEXACT;
    uint8_t* ioBuffer = static_cast<uint8_t*>(av_malloc(65536));
    file->pb = ioBuffer ? avio_alloc_context(ioBuffer, 65536, 1, &sink, nullptr, WriteBytes, SeekBytes) : nullptr;

    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVCodecContext* video = file->pb ? OpenEncoder(AV_CODEC_ID_MPEG4, file, &videoStream, [](AVCodecContext* c) {
        c->width = kWidth;
        c->height = kHeight;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = {1, kFps};
        c->gop_size = kFps;
        c->max_b_frames = 0;
        c->bit_rate = 1000000;
    })
                                     : nullptr;
    AVCodecContext* audio = video ? OpenEncoder(AV_CODEC_ID_PCM_S16LE, file, &audioStream, [](AVCodecContext* c) {
        c->sample_fmt = AV_SAMPLE_FMT_S16;
        c->sample_rate = kRate;
        c->ch_layout = AV_CHANNEL_LAYOUT_MONO;
        c->time_base = {1, kRate};
    })
                                  : nullptr;
    AVFrame* picture = av_frame_alloc();
    AVFrame* block = av_frame_alloc();
    SwsContext* toYuv = sws_getContext(kWidth, kHeight, AV_PIX_FMT_RGB24, kWidth, kHeight, AV_PIX_FMT_YUV420P,
                                       SWS_BICUBIC | SWS_BITEXACT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    bool ok = audio && picture && block && toYuv && avformat_write_header(file, nullptr) >= 0;
    if (ok) {
        picture->format = AV_PIX_FMT_YUV420P;
        picture->width = kWidth;
        picture->height = kHeight;
        ok = av_frame_get_buffer(picture, 0) >= 0;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int i = 0; ok && i < kFrames; ++i) {
        Paint(i, rgb);
        const uint8_t* in[1] = {rgb.data()};
        const int inStride[1] = {kWidth * 3};
        ok = av_frame_make_writable(picture) >= 0;
        if (ok) sws_scale(toYuv, in, inStride, 0, kHeight, picture->data, picture->linesize);
        picture->pts = i;
        ok = ok && Encode(file, video, videoStream, picture);
    }
    ok = ok && Encode(file, video, videoStream, nullptr);
    const std::vector<int16_t> sound = Arpeggio();
    for (int at = 0; ok && at < kSamples; at += kAudioBlock) {
        block->format = AV_SAMPLE_FMT_S16;
        block->sample_rate = kRate;
        block->ch_layout = AV_CHANNEL_LAYOUT_MONO;
        block->nb_samples = std::min(kAudioBlock, kSamples - at);
        ok = av_frame_get_buffer(block, 0) >= 0;
        if (ok) std::memcpy(block->data[0], &sound[at], block->nb_samples * sizeof(int16_t));
        block->pts = at;
        ok = ok && Encode(file, audio, audioStream, block);
        av_frame_unref(block);
    }
    ok = ok && Encode(file, audio, audioStream, nullptr) && av_write_trailer(file) >= 0;

    sws_freeContext(toYuv);
    av_frame_free(&picture);
    av_frame_free(&block);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (file->pb) {
        av_freep(&file->pb->buffer);
        avio_context_free(&file->pb);
    } else {
        av_free(ioBuffer);
    }
    avformat_free_context(file);
    return ok ? sink.bytes : std::vector<uint8_t>();
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_video", dir)) return status;
    av_log_set_level(AV_LOG_ERROR);
    const std::vector<uint8_t> bytes = MakeVideo();
    if (bytes.empty()) {
        std::fprintf(stderr, "make_video: the video could not be encoded\n");
        return 1;
    }
    if (!WriteFile(dir / "intro.avi", bytes)) {
        std::fprintf(stderr, "make_video: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
