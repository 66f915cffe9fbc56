#include "platform/media/VideoDecoder.h"

#include <cmath>

#include "platform/media/AudioDecoder.h"

namespace media::detail {
namespace {

// Picture decoders of video files; nothing else in FFmpeg is let near the bytes.
const char* const kDecoders =
    "mjpeg,mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4,h263,h264,mpeg1video,mpeg2video,cinepak,msvideo1,msrle,rawvideo";

// Packets and frames in a row that give no usable frame before the video counts as ended.
constexpr int kIdleMax = 4096;
constexpr double kFrameDurationDefault = 0.04;

// The length of one frame from the stream's rate: a sane average rate, else a time base
// that looks like one frame, else 25 frames a second.
double FrameDuration(const AVStream& stream) {
    const double rate = av_q2d(stream.avg_frame_rate);
    if (rate >= 1.0 && rate <= 240.0) return 1.0 / rate;
    const double base = av_q2d(stream.time_base);
    if (base >= 1.0 / 240.0 && base <= 1.0) return base;
    return kFrameDurationDefault;
}

}  // namespace

HRESULT VideoDecoder::Open(std::shared_ptr<const std::vector<uint8_t>> bytes) {
    ResetDecoding();
    width_ = height_ = 0;
    if (!bytes) return E_INVALIDARG;
    HRESULT hr = input_.Open(std::move(bytes), kVideoContainers, kDecoders);
    if (SUCCEEDED(hr)) hr = OpenStream();
    if (FAILED(hr)) {
        ResetDecoding();
        input_.Close();
        return hr;
    }
    width_ = static_cast<uint32_t>(frame_->width);
    height_ = static_cast<uint32_t>(frame_->height);
    return S_OK;
}

HRESULT VideoDecoder::Rewind() {
    // The first frame still waits: nothing to do.
    if (firstWaiting_ || !input_.HasBytes()) return S_OK;
    HRESULT hr = input_.Reopen();
    if (SUCCEEDED(hr)) hr = OpenStream();
    if (FAILED(hr)) {
        ResetDecoding();
        input_.Close();
    }
    return hr;
}

void VideoDecoder::ResetDecoding() {
    codec_.reset();
    packet_.reset();
    frame_.reset();
    streamIndex_ = -1;
    draining_ = false;
    ended_ = true;
    firstWaiting_ = false;
    haveOrigin_ = false;
    givenAny_ = false;
    lastTime_ = 0.0;
}

HRESULT VideoDecoder::OpenStream() {
    ResetDecoding();
    AVFormatContext* format = input_.Format();
    // The container's header tells the stream, its codec and its size; nothing is decoded
    // before the size is known to be within bounds.
    streamIndex_ = Av()->av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex_ < 0) return VFW_E_CANNOT_RENDER;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = static_cast<int>(i) == streamIndex_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVStream* stream = format->streams[streamIndex_];
    const AVCodecParameters* par = stream->codecpar;
    if (par->width < 0 || par->height < 0 || static_cast<uint32_t>(par->width) > kVideoSizeMax ||
        static_cast<uint32_t>(par->height) > kVideoSizeMax)
        return VFW_E_CANNOT_RENDER;
    const AVCodec* decoder = Av()->avcodec_find_decoder(par->codec_id);
    if (!decoder) return VFW_E_CANNOT_RENDER;
    codec_.reset(Av()->avcodec_alloc_context3(decoder));
    if (!codec_) return E_OUTOFMEMORY;
    if (Av()->avcodec_parameters_to_context(codec_.get(), par) < 0) return VFW_E_CANNOT_RENDER;
    codec_->pkt_timebase = stream->time_base;
    // Pictures beyond the bounds are refused by the decoder before it allocates them.
    codec_->max_pixels = static_cast<int64_t>(kVideoSizeMax) * kVideoSizeMax;
    Options options;
    options.Set("codec_whitelist", kDecoders);
    options.Set("threads", "1");
    if (Av()->avcodec_open2(codec_.get(), decoder, options.Get()) < 0) return VFW_E_CANNOT_RENDER;
    packet_.reset(Av()->av_packet_alloc());
    frame_.reset(Av()->av_frame_alloc());
    if (!packet_ || !frame_) return E_OUTOFMEMORY;
    timeBase_ = av_q2d(stream->time_base);
    if (!(timeBase_ > 0.0 && timeBase_ <= 1.0)) timeBase_ = 0.0;
    frameDuration_ = FrameDuration(*stream);

    ended_ = false;
    if (!DecodeFrame()) return VFW_E_CANNOT_RENDER;
    firstWaiting_ = true;
    return S_OK;
}

bool VideoDecoder::Usable(const AVFrame& f) const {
    return f.width > 0 && f.height > 0 && static_cast<uint32_t>(f.width) <= kVideoSizeMax &&
           static_cast<uint32_t>(f.height) <= kVideoSizeMax && f.data[0] != nullptr &&
           Av()->sws_isSupportedInput(static_cast<AVPixelFormat>(f.format)) > 0;
}

bool VideoDecoder::DecodeFrame() {
    if (!ended_ && NextAcceptedFrame(input_.Format(), codec_.get(), packet_.get(), frame_.get(), streamIndex_,
                                     draining_, kIdleMax, [this](AVFrame& f) { return Usable(f); }))
        return true;
    ended_ = true;
    return false;
}

double VideoDecoder::TimeOf(const AVFrame& f) {
    const int64_t stamp = f.best_effort_timestamp;
    double t = lastTime_ + frameDuration_;
    if (stamp != AV_NOPTS_VALUE && timeBase_ > 0.0) {
        if (!haveOrigin_) {
            origin_ = stamp;
            haveOrigin_ = true;
        }
        t = (static_cast<double>(stamp) - static_cast<double>(origin_)) * timeBase_;
    }
    if (!givenAny_) return 0.0;
    // Time only goes forward, and never leaps.
    if (!(t >= lastTime_)) t = lastTime_;
    if (t > lastTime_ + kFrameGapMax) t = lastTime_ + kFrameGapMax;
    return t;
}

bool VideoDecoder::Next(AVFrame* out, double* seconds) {
    if (!out || !seconds || !frame_) return false;
    if (!firstWaiting_ && !DecodeFrame()) return false;
    firstWaiting_ = false;
    const double t = TimeOf(*frame_);
    givenAny_ = true;
    lastTime_ = t;
    *seconds = t;
    Av()->av_frame_unref(out);
    Av()->av_frame_move_ref(out, frame_.get());
    return true;
}

HRESULT VideoDecoder::Scale(const AVFrame& f, uint8_t* out, uint32_t width, uint32_t height, uint32_t pitch,
                            PixelFormat format) {
    const uint32_t pixelBytes = format == PixelFormat::Rgb565 ? 2 : 4;
    if (!out || width < 1 || height < 1 || width > kVideoSizeMax || height > kVideoSizeMax ||
        pitch < width * pixelBytes || pitch > 0x7FFFFFFFu)
        return E_INVALIDARG;
    if (!Usable(f)) return E_FAIL;
    const AVPixelFormat in = static_cast<AVPixelFormat>(f.format);
    // BGRA's fourth byte is 255 for pictures without alpha, as X8R8G8B8 wants.
    const AVPixelFormat outFormat = format == PixelFormat::Rgb565 ? AV_PIX_FMT_RGB565LE : AV_PIX_FMT_BGRA;
    SwsContext* s = Av()->sws_getCachedContext(scaler_.release(), f.width, f.height, in, static_cast<int>(width),
                                         static_cast<int>(height), outFormat, SWS_BILINEAR, nullptr, nullptr,
                                         nullptr);
    scaler_.reset(s);
    if (!s) return E_FAIL;
    // Pictures marked full range (JPEG's) are read as such.
    int* inTable = nullptr;
    int* outTable = nullptr;
    int inFull = 0, outFull = 0, brightness = 0, contrast = 0, saturation = 0;
    if (f.color_range == AVCOL_RANGE_JPEG &&
        Av()->sws_getColorspaceDetails(s, &inTable, &inFull, &outTable, &outFull, &brightness, &contrast,
                                       &saturation) >= 0 &&
        !inFull)
        Av()->sws_setColorspaceDetails(s, inTable, 1, outTable, outFull, brightness, contrast, saturation);
    uint8_t* planes[4] = {out, nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(pitch), 0, 0, 0};
    const int rows = Av()->sws_scale(s, f.data, f.linesize, 0, f.height, planes, strides);
    return rows > 0 ? S_OK : E_FAIL;
}

}  // namespace media::detail
