// Music streams: samples, decoded or plain PCM, feeding a streaming source of the sound
// layer, kept full by a thread of the stream's own while the music runs.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/media/AudioDecoder.h"
#include "platform/media/Media.h"
#include "platform/media/PcmSource.h"
#include "platform/sound/Sound.h"

namespace media {
namespace {

// Blocks of a tenth of a second; eight of them are kept queued.
constexpr uint32_t kBlocksQueued = 8;
constexpr uint32_t kBlockFramesMin = 1024;
// How often the thread looks for played blocks while the music runs.
constexpr auto kServicePeriod = std::chrono::milliseconds(10);

}  // namespace

struct Music::Impl {
    enum class State { Stopped, Paused, Running };

    std::unique_ptr<detail::SampleSource> source;
    std::unique_ptr<snd::Stream> out;  // none when silent
    std::vector<int16_t> block;
    uint32_t blockFrames = 0;
    State state = State::Stopped;
    int32_t volume = 0;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    uint64_t passes = 0;  // the thread's service passes so far
    std::condition_variable passed;
    std::thread thread;

    // With the lock held: takes back played blocks, decodes new ones into the free places,
    // and starts the source again when running music ran dry.
    void Service() {
        if (!out) return;
        while (!source->AtEnd() && out->Pending() < kBlocksQueued) {
            const uint32_t n = source->Read(block.data(), blockFrames);
            if (n == 0 || FAILED(out->Queue(block.data(), n))) break;
        }
        if (state == State::Running && !out->IsPlaying() && out->Pending() > 0) out->Play();
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!quit) {
            if (state == State::Running) {
                Service();
                ++passes;
                passed.notify_all();
            }
            // Music played to its end waits, like stopped music, until it is rewound or stopped.
            const bool feeding = state == State::Running && !(source->AtEnd() && out->Pending() == 0);
            if (feeding)
                wake.wait_for(lock, kServicePeriod);
            else if (!quit)
                wake.wait(lock);
        }
    }
};

Music::Music(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Music::~Music() {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->quit = true;
    }
    impl_->wake.notify_all();
    if (impl_->thread.joinable()) impl_->thread.join();
}

HRESULT Music::Open(snd::Device* device, std::vector<uint8_t> bytes, std::unique_ptr<Music>* out) {
    return OpenTrack(device, std::make_shared<const std::vector<uint8_t>>(std::move(bytes)), detail::kMusicContainers,
                     out);
}

HRESULT Music::OpenTrack(snd::Device* device, std::shared_ptr<const std::vector<uint8_t>> bytes,
                         const char* containers, std::unique_ptr<Music>* out) {
    if (!out) return E_POINTER;
    out->reset();
    auto decoder = std::make_unique<detail::AudioDecoder>();
    const HRESULT hr = decoder->Open(std::move(bytes), containers);
    if (FAILED(hr)) return hr;
    return Start(device, std::move(decoder), out);
}

HRESULT Music::OpenPcm(snd::Device* device, const snd::WaveFormat& format, std::vector<uint8_t> samples,
                       std::unique_ptr<Music>* out) {
    if (!out) return E_POINTER;
    out->reset();
    auto source = std::make_unique<detail::PcmSource>();
    const HRESULT hr = source->Open(format, std::move(samples));
    if (FAILED(hr)) return hr;
    return Start(device, std::move(source), out);
}

HRESULT Music::Start(snd::Device* device, std::unique_ptr<detail::SampleSource> source, std::unique_ptr<Music>* out) {
    auto impl = std::make_unique<Impl>();
    impl->source = std::move(source);
    if (device && !device->IsSilent()) {
        const HRESULT hr = device->CreateStream(impl->source->Channels(), impl->source->Frequency(), &impl->out);
        if (FAILED(hr)) return hr;
        impl->blockFrames = std::max(kBlockFramesMin, impl->source->Frequency() / 10);
        impl->block.resize(static_cast<size_t>(impl->blockFrames) * impl->source->Channels());
        try {
            impl->thread = std::thread(&Impl::Run, impl.get());
        } catch (const std::system_error&) {
            return E_OUTOFMEMORY;
        }
    }
    out->reset(new Music(std::move(impl)));
    return S_OK;
}

HRESULT Music::Play() {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->state = Impl::State::Running;
        impl_->Service();
    }
    impl_->wake.notify_all();
    return S_OK;
}

HRESULT Music::Pause() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->state = Impl::State::Paused;
    if (impl_->out) impl_->out->Pause();
    return S_OK;
}

HRESULT Music::Stop() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->state = Impl::State::Stopped;
    if (impl_->out) impl_->out->Pause();
    return S_OK;
}

HRESULT Music::Rewind() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->out) return S_OK;
    impl_->out->Flush();
    // The same bytes opened once already: a failure only ends the music.
    impl_->source->Rewind();
    if (impl_->state == Impl::State::Running) impl_->Service();
    impl_->wake.notify_all();
    return S_OK;
}

bool Music::IsRunning() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->state == Impl::State::Running;
}

bool Music::IsFinished() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->out && impl_->source->AtEnd() && impl_->out->Pending() == 0;
}

double Music::Position() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->out) return 0.0;
    return static_cast<double>(impl_->out->FramesPlayed()) / impl_->source->Frequency();
}

double Music::Duration() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->source->Duration();
}

HRESULT Music::SetVolume(int32_t hundredthsOfDecibel) {
    if (hundredthsOfDecibel < -10000 || hundredthsOfDecibel > 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->volume = hundredthsOfDecibel;
    if (impl_->out) return impl_->out->SetVolume(hundredthsOfDecibel);
    return S_OK;
}

void Music::WaitForFeedForTesting() {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    if (!impl_->thread.joinable()) return;
    const uint64_t after = impl_->passes;
    impl_->wake.notify_all();
    impl_->passed.wait(lock, [&] { return impl_->passes > after || impl_->state != Impl::State::Running; });
}

int32_t Music::Volume() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->volume;
}

}  // namespace media
