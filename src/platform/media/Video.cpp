// Video streams: a picture decoder driven by the engine's thread against a clock, and a
// music stream of the same bytes for the sound track.
#include <chrono>

#include "platform/media/AudioDecoder.h"
#include "platform/media/Media.h"
#include "platform/media/VideoDecoder.h"
#include "platform/sound/Sound.h"

namespace media {
namespace {

// Frames decoded at most in one Advance.
constexpr int kFramesPerAdvanceMax = 8;

double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

struct Video::Impl {
    detail::VideoDecoder decoder;
    std::unique_ptr<Music> track;  // none when silent
    detail::Frame shown;           // the frame CopyFrame writes
    detail::Frame next;            // decoded ahead, due at nextTime
    bool haveShown = false;
    bool haveNext = false;
    double nextTime = 0.0;
    bool running = false;
    int32_t volume = 0;

    // The wall clock: wallBase seconds, plus the time since wallStart while running.
    std::function<double()> now = WallSeconds;
    double wallBase = 0.0;
    double wallStart = 0.0;
    // The sound track has played out: the wall clock goes on from where it ended.
    bool trackDone = false;

    double Clock() {
        if (track && !trackDone) {
            if (!track->IsFinished()) return track->Position();
            trackDone = true;
            wallBase = track->Position();
            wallStart = now();
        }
        return wallBase + (running ? now() - wallStart : 0.0);
    }
    bool OnTrackClock() const { return track && !trackDone; }
};

Video::Video(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Video::~Video() = default;

HRESULT Video::Open(snd::Device* device, std::vector<uint8_t> bytes, std::unique_ptr<Video>* out) {
    if (!out) return E_POINTER;
    out->reset();
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    auto impl = std::make_unique<Impl>();
    HRESULT hr = impl->decoder.Open(shared);
    if (FAILED(hr)) return hr;
    impl->shown.reset(detail::Av()->av_frame_alloc());
    impl->next.reset(detail::Av()->av_frame_alloc());
    if (!impl->shown || !impl->next) return E_OUTOFMEMORY;
    // A sound track that does not play leaves the video silent, on the wall clock.
    if (device && !device->IsSilent() && FAILED(Music::OpenTrack(device, shared, detail::kVideoContainers, &impl->track)))
        impl->track.reset();
    out->reset(new Video(std::move(impl)));
    return S_OK;
}

uint32_t Video::Width() const { return impl_->decoder.Width(); }

uint32_t Video::Height() const { return impl_->decoder.Height(); }

bool Video::HasSound() const { return impl_->track != nullptr; }

HRESULT Video::Play() {
    Impl& v = *impl_;
    if (v.running) return S_OK;
    v.running = true;
    v.wallStart = v.now();
    if (v.OnTrackClock()) return v.track->Play();
    return S_OK;
}

HRESULT Video::Stop() {
    Impl& v = *impl_;
    if (!v.running) return S_OK;
    v.wallBase += v.now() - v.wallStart;
    v.running = false;
    if (v.track) return v.track->Stop();
    return S_OK;
}

HRESULT Video::Rewind() {
    Impl& v = *impl_;
    v.haveShown = v.haveNext = false;
    v.wallBase = 0.0;
    v.wallStart = v.now();
    v.trackDone = false;
    HRESULT hr = S_OK;
    if (v.track) {
        hr = v.track->Rewind();
        // A track played to its end starts again with the video.
        if (SUCCEEDED(hr) && v.running) hr = v.track->Play();
    }
    // The same bytes opened once already: a failure only ends the video.
    v.decoder.Rewind();
    return hr;
}

bool Video::IsRunning() const { return impl_->running; }

double Video::Position() { return impl_->Clock(); }

bool Video::Advance() {
    Impl& v = *impl_;
    const double now = v.Clock();
    bool changed = false;
    for (int i = 0; i < kFramesPerAdvanceMax; ++i) {
        if (!v.haveNext) {
            if (!v.decoder.Next(v.next.get(), &v.nextTime)) break;
            v.haveNext = true;
        }
        if (v.nextTime > now) break;
        std::swap(v.shown, v.next);
        v.haveShown = true;
        v.haveNext = false;
        changed = true;
    }
    return changed;
}

HRESULT Video::CopyFrame(uint8_t* out, uint32_t width, uint32_t height, uint32_t pitch, PixelFormat format) {
    if (!impl_->haveShown) return VFW_E_WRONG_STATE;
    return impl_->decoder.Scale(*impl_->shown, out, width, height, pitch, format);
}

bool Video::IsFinished() {
    Impl& v = *impl_;
    const double now = v.Clock();
    return !v.haveNext && v.decoder.AtEnd() && now >= v.decoder.EndTime() && !v.OnTrackClock();
}

HRESULT Video::SetVolume(int32_t hundredthsOfDecibel) {
    if (hundredthsOfDecibel < snd::kVolumeMin || hundredthsOfDecibel > snd::kVolumeMax) return E_INVALIDARG;
    impl_->volume = hundredthsOfDecibel;
    if (impl_->track) return impl_->track->SetVolume(hundredthsOfDecibel);
    return S_OK;
}

int32_t Video::Volume() const { return impl_->volume; }

void Video::SetWallClockForTesting(std::function<double()> seconds) {
    Impl& v = *impl_;
    if (!seconds) return;
    if (v.running) v.wallBase += v.now() - v.wallStart;
    v.now = std::move(seconds);
    v.wallStart = v.now();
}

void Video::WaitForFeedForTesting() {
    if (impl_->track) impl_->track->WaitForFeedForTesting();
}

}  // namespace media
