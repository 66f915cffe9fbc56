#include "platform/media/AudioDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace media::detail {
namespace {

// Decoders of sound tracks; nothing else in FFmpeg is let near the bytes.
const char* const kDecoders =
    "pcm_u8,pcm_s8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,pcm_s32be,pcm_f32le,pcm_f32be,pcm_f64le,"
    "pcm_f64be,pcm_alaw,pcm_mulaw,adpcm_ms,adpcm_ima_wav,mp3float,mp3,mp2float,mp2,vorbis,libvorbis,opus,libopus,"
    "flac,alac,aac,aac_fixed,wmav1,wmav2";

// A decoded frame larger than this is dropped.
constexpr int kFrameSamplesMax = 1 << 20;
constexpr int kChannelsMax = 8;
// Packets and frames in a row that give no samples before the music counts as ended.
constexpr int kIdleMax = 4096;

}  // namespace

const char* const kMusicContainers = "wav,w64,mp3,ogg,flac,aiff,mov,matroska,asf,aac";
const char* const kVideoContainers = "avi";

AudioDecoder::AudioDecoder() = default;

AudioDecoder::~AudioDecoder() { Close(); }

HRESULT AudioDecoder::Open(std::shared_ptr<const std::vector<uint8_t>> bytes, const char* containers) {
    Close();
    channels_ = 0;
    frequency_ = 0;
    duration_ = 0.0;
    if (!bytes) return E_INVALIDARG;
    HRESULT hr = input_.Open(std::move(bytes), containers, kDecoders);
    if (SUCCEEDED(hr)) hr = OpenContainer();
    if (FAILED(hr)) Close();
    return hr;
}

HRESULT AudioDecoder::Rewind() {
    // Samples from the start still wait: nothing to do.
    if (fresh_ || !input_.HasBytes()) return S_OK;
    HRESULT hr = input_.Reopen();
    if (SUCCEEDED(hr)) hr = OpenContainer();
    if (FAILED(hr)) Close();
    return hr;
}

void AudioDecoder::Close() {
    ResetDecoding();
    input_.Close();
}

void AudioDecoder::ResetDecoding() {
    codec_.reset();
    resampler_.reset();
    packet_.reset();
    frame_.reset();
    // A decoder that never opened anything has no layout to free and no libraries to ask.
    if (const AvFunctions* av = Av()) av->av_channel_layout_uninit(&inLayout_);
    inFormat_ = -1;
    inFrequency_ = 0;
    streamIndex_ = -1;
    draining_ = false;
    ended_ = true;
    fresh_ = false;
    pendingFrames_ = pendingUsed_ = 0;
}

HRESULT AudioDecoder::OpenContainer() {
    ResetDecoding();
    AVFormatContext* format = input_.Format();
    // What this cannot find out is found by decoding.
    Av()->avformat_find_stream_info(format, nullptr);

    streamIndex_ = Av()->av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex_ < 0) return VFW_E_CANNOT_RENDER;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = static_cast<int>(i) == streamIndex_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVStream* stream = format->streams[streamIndex_];
    const AVCodec* decoder = Av()->avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) return VFW_E_CANNOT_RENDER;
    codec_.reset(Av()->avcodec_alloc_context3(decoder));
    if (!codec_) return E_OUTOFMEMORY;
    if (Av()->avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0) return VFW_E_CANNOT_RENDER;
    codec_->pkt_timebase = stream->time_base;
    Options codecOptions;
    codecOptions.Set("codec_whitelist", kDecoders);
    codecOptions.Set("threads", "1");
    if (Av()->avcodec_open2(codec_.get(), decoder, codecOptions.Get()) < 0) return VFW_E_CANNOT_RENDER;
    packet_.reset(Av()->av_packet_alloc());
    frame_.reset(Av()->av_frame_alloc());
    if (!packet_ || !frame_) return E_OUTOFMEMORY;
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        duration_ = static_cast<double>(format->duration) / AV_TIME_BASE;

    ended_ = false;
    if (!DecodeMore()) return VFW_E_CANNOT_RENDER;
    fresh_ = true;
    return S_OK;
}

bool AudioDecoder::DecodeMore() {
    pendingFrames_ = pendingUsed_ = 0;
    if (!ended_ && NextAcceptedFrame(input_.Format(), codec_.get(), packet_.get(), frame_.get(), streamIndex_,
                                     draining_, kIdleMax, [this](AVFrame& f) {
                                         const bool got = Convert(f);
                                         Av()->av_frame_unref(&f);
                                         return got;
                                     }))
        return true;
    ended_ = true;
    return false;
}

bool AudioDecoder::Convert(const AVFrame& f) {
    const int channels = f.ch_layout.nb_channels;
    if (f.nb_samples <= 0 || f.nb_samples > kFrameSamplesMax || channels < 1 || channels > kChannelsMax) return false;
    if (frequency_ == 0) {
        // The first samples fix what the music gives out.
        if (f.sample_rate < static_cast<int>(kFrequencyMin) || f.sample_rate > static_cast<int>(kFrequencyMax))
            return false;
        frequency_ = static_cast<uint32_t>(f.sample_rate);
        channels_ = channels == 1 ? 1 : 2;
    }
    // Frames at another frequency are dropped rather than resampled: the output stays
    // bounded by the input.
    if (f.sample_rate != static_cast<int>(frequency_)) return false;

    if (!resampler_ || f.format != inFormat_ || f.sample_rate != inFrequency_ ||
        Av()->av_channel_layout_compare(&f.ch_layout, &inLayout_) != 0) {
        resampler_.reset();
        Av()->av_channel_layout_uninit(&inLayout_);
        inFormat_ = -1;
        AVChannelLayout in{};
        if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            Av()->av_channel_layout_default(&in, channels);
        else if (Av()->av_channel_layout_copy(&in, &f.ch_layout) < 0)
            return false;
        AVChannelLayout out{};
        Av()->av_channel_layout_default(&out, channels_);
        SwrContext* s = nullptr;
        const int made = Av()->swr_alloc_set_opts2(&s, &out, AV_SAMPLE_FMT_S16, f.sample_rate, &in,
                                             static_cast<AVSampleFormat>(f.format), f.sample_rate, 0, nullptr);
        Av()->av_channel_layout_uninit(&in);
        Av()->av_channel_layout_uninit(&out);
        resampler_.reset(s);
        if (made < 0 || !s || Av()->swr_init(s) < 0) {
            resampler_.reset();
            return false;
        }
        if (Av()->av_channel_layout_copy(&inLayout_, &f.ch_layout) < 0) {
            resampler_.reset();
            return false;
        }
        inFormat_ = f.format;
        inFrequency_ = f.sample_rate;
    }
    const int capacity = Av()->swr_get_out_samples(resampler_.get(), f.nb_samples);
    if (capacity <= 0) return false;
    pending_.resize(static_cast<size_t>(capacity) * channels_);
    uint8_t* out = reinterpret_cast<uint8_t*>(pending_.data());
    const int n = Av()->swr_convert(resampler_.get(), &out, capacity, const_cast<const uint8_t**>(f.extended_data),
                                    f.nb_samples);
    if (n <= 0) return false;
    pendingFrames_ = static_cast<size_t>(n);
    pendingUsed_ = 0;
    return true;
}

uint32_t AudioDecoder::Read(int16_t* out, uint32_t frames) {
    uint32_t done = 0;
    while (done < frames) {
        if (pendingUsed_ == pendingFrames_ && (ended_ || !DecodeMore())) break;
        const size_t n = std::min(static_cast<size_t>(frames - done), pendingFrames_ - pendingUsed_);
        std::memcpy(out + static_cast<size_t>(done) * channels_, pending_.data() + pendingUsed_ * channels_,
                    n * channels_ * sizeof(int16_t));
        pendingUsed_ += n;
        done += static_cast<uint32_t>(n);
    }
    if (done > 0) fresh_ = false;
    return done;
}

}  // namespace media::detail
