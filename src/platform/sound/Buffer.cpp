// Sound buffers, their 3D side, and the OpenAL buffers they share.
#include <cfloat>
#include <cmath>
#include <new>

#include "platform/sound/SoundCore.h"

namespace snd {
namespace detail {
namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes, uint64_t h) {
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3ull;
    }
    return h;
}

bool SameFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels && a.samplesPerSec == b.samplesPerSec &&
           a.blockAlign == b.blockAlign && a.bitsPerSample == b.bitsPerSample && a.extra == b.extra;
}

// Gives the whole frames of the data's bytes to OpenAL, converted only when it cannot take
// them as they are; false on an OpenAL error.
bool Upload(SharedData& data, const PcmLayout& layout) {
    const size_t frames = layout.frameBytes ? data.bytes.size() / layout.frameBytes : 0;
    if (frames == 0) return true;
    if (!data.al.Generate()) return false;
    if (TakenAsTheyAre(layout, data.mono)) {
        alBufferData(data.al.Get(), AlFormatOf(layout, data.mono), data.bytes.data(),
                     static_cast<ALsizei>(frames * layout.frameBytes), static_cast<ALsizei>(layout.frequency));
    } else {
        AlSamples samples = ConvertForAl(layout, data.bytes.data(), data.bytes.size(), data.mono);
        alBufferData(data.al.Get(), samples.alFormat, samples.bytes.data(), static_cast<ALsizei>(samples.bytes.size()),
                     static_cast<ALsizei>(layout.frequency));
    }
    if (alGetError() != AL_NO_ERROR) return false;
    data.alFrames = static_cast<uint32_t>(frames);
    return true;
}

}  // namespace

SharedData::~SharedData() {
    if (al.Get() != 0) core->Use();
}

std::shared_ptr<SharedData> Core::Share(const std::shared_ptr<Core>& self, const WaveFormat& format,
                                        const PcmLayout& layout, bool mono, std::vector<uint8_t> bytes) {
    uint64_t hash = 0xCBF29CE484222325ull ^ (static_cast<uint64_t>(format.formatTag) << 40) ^
                    (static_cast<uint64_t>(format.samplesPerSec) << 8) ^ (mono ? 1u : 0u);
    hash = Fnv1a(bytes, hash);
    auto range = shared.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it) {
        std::shared_ptr<SharedData> known = it->second.lock();
        if (known && known->mono == mono && SameFormat(known->format, format) && known->bytes == bytes) return known;
    }
    for (auto it = shared.begin(); it != shared.end();) it = it->second.expired() ? shared.erase(it) : std::next(it);

    auto data = std::make_shared<SharedData>();
    data->core = self;
    data->hash = hash;
    data->format = format;
    data->mono = mono;
    data->bytes = std::move(bytes);
    if (Use() && !Upload(*data, layout)) return nullptr;
    shared.emplace(hash, data);
    return data;
}

// ---- BufferState

BufferState::~BufferState() { DropSource(); }

void BufferState::DropSource() {
    if (source == 0) return;
    core->Use();
    core->pool.Release(source);
    source = 0;
}

void BufferState::ApplyAll() const {
    alSourcei(source, AL_BUFFER, data ? static_cast<ALint>(data->al.Get()) : 0);
    alSourcef(source, AL_GAIN, gain);
    alSourcei(source, AL_LOOPING, AL_FALSE);
    Apply3D();
}

void BufferState::Apply3D() const {
    ALfloat v[3];
    if (Is3D()) {
        alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
        ToAl(params3D.position, v);
        alSourcefv(source, AL_POSITION, v);
        ToAl(params3D.velocity, v);
        alSourcefv(source, AL_VELOCITY, v);
        alSourcef(source, AL_REFERENCE_DISTANCE, params3D.minDistance);
        alSourcef(source, AL_MAX_DISTANCE, params3D.maxDistance);
        alSourcef(source, AL_ROLLOFF_FACTOR, core->listener.rolloffFactor);
    } else {
        // Heard where the listener is, whatever the distance.
        const ALfloat zero[3] = {0.0f, 0.0f, 0.0f};
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSourcefv(source, AL_POSITION, zero);
        alSourcefv(source, AL_VELOCITY, zero);
        alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
        alSourcef(source, AL_MAX_DISTANCE, FLT_MAX);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    }
}

}  // namespace detail

// ---- Buffer

Buffer::Buffer(std::shared_ptr<detail::BufferState> state) : state_(std::move(state)) {}
Buffer::~Buffer() = default;

HRESULT Buffer::Lock(void** data, uint32_t* bytes) {
    detail::BufferState& s = *state_;
    if (!data || !bytes) return DSERR_INVALIDPARAM;
    if (s.lost) return DSERR_BUFFERLOST;
    if (s.locked) return DSERR_INVALIDCALL;
    try {
        if (s.data)
            s.staging = s.data->bytes;
        else
            s.staging.assign(s.bytes, 0);
    } catch (const std::bad_alloc&) {
        s.staging = {};
        return DSERR_OUTOFMEMORY;
    }
    s.locked = true;
    *data = s.staging.data();
    *bytes = s.bytes;
    return S_OK;
}

HRESULT Buffer::Unlock() {
    detail::BufferState& s = *state_;
    if (!s.locked) return DSERR_INVALIDCALL;
    s.locked = false;
    const bool mono = s.Is3D() && s.layout.channels > 1;
    std::shared_ptr<detail::SharedData> data;
    try {
        data = s.core->Share(s.core, s.format, s.layout, mono, std::move(s.staging));
    } catch (const std::bad_alloc&) {
        data = nullptr;
    }
    s.staging = {};
    if (!data) return DSERR_OUTOFMEMORY;
    if (data == s.data) return S_OK;
    // The source lets go of the old OpenAL buffer before it may be deleted.
    if (s.source != 0 && s.core->Use()) {
        alSourceStop(s.source);
        alSourcei(s.source, AL_BUFFER, static_cast<ALint>(data->al.Get()));
    }
    s.data = std::move(data);
    s.pendingFrame = 0;
    return S_OK;
}

HRESULT Buffer::Play(uint32_t /*priority*/, uint32_t flags) {
    detail::BufferState& s = *state_;
    if (flags != 0) return DSERR_INVALIDPARAM;
    if (s.lost) return DSERR_BUFFERLOST;
    if (!s.core->Use()) return S_OK;
    if (s.source == 0) {
        s.source = s.core->pool.Acquire(&s);
        if (s.source == 0) return DSERR_ALLOCATED;
        s.ApplyAll();
        if (s.pendingFrame != 0 && s.data && s.pendingFrame < s.data->alFrames)
            alSourcei(s.source, AL_SAMPLE_OFFSET, static_cast<ALint>(s.pendingFrame));
    }
    ALint state = AL_STOPPED;
    alGetSourcei(s.source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) alSourcePlay(s.source);
    s.pendingFrame = 0;
    return S_OK;
}

HRESULT Buffer::Stop() {
    detail::BufferState& s = *state_;
    if (s.source == 0 || !s.core->Use()) return S_OK;
    ALint state = AL_STOPPED;
    alGetSourcei(s.source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) alSourcePause(s.source);
    return S_OK;
}

HRESULT Buffer::GetStatus(uint32_t* status) const {
    const detail::BufferState& s = *state_;
    if (!status) return DSERR_INVALIDPARAM;
    *status = 0;
    if (s.lost) {
        *status = kStatusBufferLost;
    } else if (s.source != 0 && s.core->Use()) {
        ALint state = AL_STOPPED;
        alGetSourcei(s.source, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) *status = kStatusPlaying;
    }
    return S_OK;
}

HRESULT Buffer::SetCurrentPosition(uint32_t byteOffset) {
    detail::BufferState& s = *state_;
    if (s.lost) return DSERR_BUFFERLOST;
    if (byteOffset >= s.bytes) return DSERR_INVALIDPARAM;
    const uint32_t frame = byteOffset / s.layout.frameBytes;
    if (s.source == 0 || !s.core->Use()) {
        s.pendingFrame = frame;
        return S_OK;
    }
    // A playing source jumps and plays on; a stopped one starts there at its next Play. The
    // position is kept too, for a source the pool takes away before then.
    if (s.data && frame < s.data->alFrames) alSourcei(s.source, AL_SAMPLE_OFFSET, static_cast<ALint>(frame));
    ALint state = AL_STOPPED;
    alGetSourcei(s.source, AL_SOURCE_STATE, &state);
    s.pendingFrame = state == AL_PLAYING ? 0 : frame;
    return S_OK;
}

HRESULT Buffer::SetVolume(int32_t hundredthsOfDecibel) {
    detail::BufferState& s = *state_;
    if (!(s.flags & kCapsCtrlVolume)) return DSERR_CONTROLUNAVAIL;
    if (hundredthsOfDecibel < kVolumeMin || hundredthsOfDecibel > kVolumeMax) return DSERR_INVALIDPARAM;
    s.gain = std::pow(10.0f, static_cast<float>(hundredthsOfDecibel) / 2000.0f);
    if (s.source != 0 && s.core->Use()) alSourcef(s.source, AL_GAIN, s.gain);
    return S_OK;
}

HRESULT Buffer::Restore() {
    state_->lost = false;
    return S_OK;
}

HRESULT Buffer::Query3D(std::unique_ptr<Buffer3D>* out) {
    if (!out) return DSERR_INVALIDPARAM;
    out->reset();
    if (!state_->Is3D()) return DSERR_NOINTERFACE;
    *out = std::make_unique<Buffer3D>(state_);
    return S_OK;
}

void Buffer::LoseForTesting() {
    detail::BufferState& s = *state_;
    s.DropSource();
    s.lost = true;
    s.locked = false;
    s.staging = {};
    s.data.reset();
    s.pendingFrame = 0;
}

// ---- Buffer3D

Buffer3D::Buffer3D(std::shared_ptr<detail::BufferState> state) : state_(std::move(state)) {}
Buffer3D::~Buffer3D() = default;

HRESULT Buffer3D::GetAllParameters(Buffer3DParams* out) const {
    if (!out) return DSERR_INVALIDPARAM;
    *out = state_->params3D;
    return S_OK;
}

HRESULT Buffer3D::SetAllParameters(const Buffer3DParams& p) {
    if (!math::IsFinite(p.position) || !math::IsFinite(p.velocity)) return DSERR_INVALIDPARAM;
    if (!(p.minDistance > 0.0f && p.minDistance <= FLT_MAX) || !(p.maxDistance > 0.0f && p.maxDistance <= FLT_MAX))
        return DSERR_INVALIDPARAM;
    if (p.mode != kMode3DNormal) return DSERR_INVALIDPARAM;
    detail::BufferState& s = *state_;
    s.params3D = p;
    if (s.source != 0 && s.core->Use()) s.Apply3D();
    return S_OK;
}

}  // namespace snd
