// Streaming sources: blocks of 16-bit samples queued on an OpenAL source of the device's
// pool, held for the stream's lifetime.
#include <cfloat>
#include <climits>
#include <cmath>

#include "platform/sound/SoundCore.h"

namespace snd {
namespace detail {

// ---- ThreadContext

ThreadContext::ThreadContext(const Core& core) : previous_(alcGetThreadContext()), ok_(core.context != nullptr) {
    if (ok_ && previous_ != core.context.get()) {
        alcSetThreadContext(core.context.get());
        changed_ = true;
    }
}

ThreadContext::~ThreadContext() {
    if (changed_) alcSetThreadContext(previous_);
}

// ---- StreamState

StreamState::~StreamState() {
    ThreadContext use(*core);
    if (!use) return;
    // The source lets go of its queue before the names are deleted.
    if (source != 0) core->pool.Release(source);
    names.clear();
}

ALint StreamState::SourceState() const {
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

void StreamState::TakeBackPlayed() {
    if (refilledDry && SourceState() == AL_STOPPED) return;
    ALint done = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &done);
    if (done > 0) TakeBack(static_cast<size_t>(done));
}

void StreamState::TakeBack(size_t n) {
    if (n > queued.size()) n = queued.size();
    if (n == 0) return;
    ALuint taken[kStreamBlocksMax];
    for (size_t i = 0; i < n; ++i) taken[i] = queued[i].name;
    alGetError();
    alSourceUnqueueBuffers(source, static_cast<ALsizei>(n), taken);
    if (alGetError() != AL_NO_ERROR) return;
    for (size_t i = 0; i < n; ++i) {
        played += queued.front().frames;
        free.push_back(queued.front().name);
        queued.pop_front();
    }
}

}  // namespace detail

// ---- Stream

Stream::Stream(std::unique_ptr<detail::StreamState> state) : state_(std::move(state)) {}
Stream::~Stream() = default;

HRESULT Stream::Queue(const int16_t* samples, uint32_t frames) {
    detail::StreamState& s = *state_;
    if (!samples || frames == 0 || frames > static_cast<uint32_t>(INT_MAX) / 4) return DSERR_INVALIDPARAM;
    detail::ThreadContext use(*s.core);
    if (!use) return S_OK;
    s.TakeBackPlayed();
    if (s.queued.size() >= kStreamBlocksMax) return DSERR_INVALIDCALL;
    if (s.free.empty()) {
        detail::AlBuffer name;
        if (!name.Generate()) return DSERR_OUTOFMEMORY;
        s.free.push_back(name.Get());
        s.names.push_back(std::move(name));
    }
    const ALuint name = s.free.back();
    alGetError();
    alBufferData(name, s.alFormat, samples, static_cast<ALsizei>(frames * s.channels * 2),
                 static_cast<ALsizei>(s.frequency));
    if (alGetError() != AL_NO_ERROR) return DSERR_GENERIC;
    alSourceQueueBuffers(s.source, 1, &name);
    if (alGetError() != AL_NO_ERROR) return DSERR_GENERIC;
    s.free.pop_back();
    s.queued.push_back({name, frames});
    // A source that ran dry (before this block or while it was being queued) played every
    // block but this one.
    if (!s.refilledDry && s.SourceState() == AL_STOPPED) {
        s.TakeBack(s.queued.size() - 1);
        s.refilledDry = true;
    }
    return S_OK;
}

uint32_t Stream::Pending() {
    detail::StreamState& s = *state_;
    detail::ThreadContext use(*s.core);
    if (!use) return 0;
    s.TakeBackPlayed();
    return static_cast<uint32_t>(s.queued.size());
}

HRESULT Stream::Play() {
    detail::StreamState& s = *state_;
    detail::ThreadContext use(*s.core);
    if (!use) return S_OK;
    s.TakeBackPlayed();
    if (s.queued.empty() || s.SourceState() == AL_PLAYING) return S_OK;
    alSourcePlay(s.source);
    s.refilledDry = false;
    return S_OK;
}

HRESULT Stream::Pause() {
    detail::StreamState& s = *state_;
    detail::ThreadContext use(*s.core);
    if (!use) return S_OK;
    if (s.SourceState() == AL_PLAYING) alSourcePause(s.source);
    return S_OK;
}

HRESULT Stream::Flush() {
    detail::StreamState& s = *state_;
    detail::ThreadContext use(*s.core);
    if (!use) return S_OK;
    alSourceRewind(s.source);
    alSourcei(s.source, AL_BUFFER, 0);
    for (const detail::StreamState::Block& b : s.queued) s.free.push_back(b.name);
    s.queued.clear();
    s.played = 0;
    s.refilledDry = false;
    return S_OK;
}

bool Stream::IsPlaying() const {
    detail::StreamState& s = *state_;
    detail::ThreadContext use(*s.core);
    return use && s.SourceState() == AL_PLAYING;
}

uint64_t Stream::FramesPlayed() {
    detail::StreamState& s = *state_;
    detail::ThreadContext use(*s.core);
    if (!use) return 0;
    s.TakeBackPlayed();
    // The offset counts from the oldest block still queued.
    ALint offset = 0;
    alGetSourcei(s.source, AL_SAMPLE_OFFSET, &offset);
    return s.played + (offset > 0 ? static_cast<uint64_t>(offset) : 0);
}

HRESULT Stream::SetVolume(int32_t hundredthsOfDecibel) {
    detail::StreamState& s = *state_;
    if (hundredthsOfDecibel < kVolumeMin || hundredthsOfDecibel > kVolumeMax) return DSERR_INVALIDPARAM;
    s.gain = std::pow(10.0f, static_cast<float>(hundredthsOfDecibel) / 2000.0f);
    detail::ThreadContext use(*s.core);
    if (use) alSourcef(s.source, AL_GAIN, s.gain);
    return S_OK;
}

// ---- Device

HRESULT Device::CreateStream(uint16_t channels, uint32_t frequency, std::unique_ptr<Stream>* out) {
    if (!out) return DSERR_INVALIDPARAM;
    out->reset();
    if (channels != 1 && channels != 2) return DSERR_BADFORMAT;
    if (frequency < kStreamFrequencyMin || frequency > kStreamFrequencyMax) return DSERR_INVALIDPARAM;
    if (!core_->context) return DSERR_NODRIVER;
    auto state = std::make_unique<detail::StreamState>();
    state->core = core_;
    state->alFormat = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    state->frequency = frequency;
    state->channels = channels;
    detail::ThreadContext use(*core_);
    state->source = core_->pool.AcquireForStream();
    if (state->source == 0) return DSERR_ALLOCATED;
    // Heard where the listener is, whatever the distance, like a plain buffer.
    const ALuint source = state->source;
    const ALfloat zero[3] = {0.0f, 0.0f, 0.0f};
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcefv(source, AL_POSITION, zero);
    alSourcefv(source, AL_VELOCITY, zero);
    alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
    alSourcef(source, AL_MAX_DISTANCE, FLT_MAX);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(source, AL_LOOPING, AL_FALSE);
    alSourcef(source, AL_GAIN, 1.0f);
    *out = std::make_unique<Stream>(std::move(state));
    return S_OK;
}

}  // namespace snd
