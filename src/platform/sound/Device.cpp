// The device, its primary buffer and listener, and the pool of sources.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <future>
#include <system_error>

#include "platform/sound/SoundCore.h"

namespace snd {
namespace detail {
namespace {

DeviceTarget g_target = DeviceTarget::Default;

// Speed of sound in metres a second; one unit is distanceFactor metres.
constexpr float kSpeedOfSound = 343.3f;
// Output rates OpenAL Soft mixes at.
constexpr uint32_t kOutputRateMin = 8000;
constexpr uint32_t kOutputRateMax = 192000;
constexpr uint32_t kSourcesDefault = 256;

// Attributes of a loopback context: stereo floats at the given rate, no HRTF, no limiter,
// so that tests read the mix as it is.
void LoopbackAttributes(uint32_t frequency, ALCint attrs[11]) {
    const ALCint values[11] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                               ALC_FREQUENCY, static_cast<ALCint>(frequency), ALC_HRTF_SOFT, ALC_FALSE,
                               ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE, 0};
    for (int i = 0; i < 11; ++i) attrs[i] = values[i];
}

std::shared_ptr<Core> OpenCore(DeviceTarget target) {
    auto core = std::make_shared<Core>();
    core->primaryFormat.formatTag = kFormatPcm;
    core->primaryFormat.channels = 2;
    core->primaryFormat.samplesPerSec = 22050;
    core->primaryFormat.bitsPerSample = 8;
    core->primaryFormat.blockAlign = 2;
    core->primaryFormat.avgBytesPerSec = 44100;
    if (target == DeviceTarget::None) return core;

    ALCint attrs[11] = {0};
    if (target == DeviceTarget::Loopback) {
        core->device.reset(alcLoopbackOpenDeviceSOFT(nullptr));
        core->loopback = true;
        LoopbackAttributes(kLoopbackFrequency, attrs);
    } else {
        core->device.reset(alcOpenDevice(nullptr));
    }
    if (!core->device) {
        core->loopback = false;
        return core;
    }
    core->context.reset(alcCreateContext(core->device.get(), attrs));
    if (!core->context || !alcMakeContextCurrent(core->context.get())) {
        core->context.reset();
        core->device.reset();
        core->loopback = false;
        return core;
    }
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    ALCint mono = 0, stereo = 0;
    alcGetIntegerv(core->device.get(), ALC_MONO_SOURCES, 1, &mono);
    alcGetIntegerv(core->device.get(), ALC_STEREO_SOURCES, 1, &stereo);
    core->pool.SetLimit(mono + stereo > 0 ? static_cast<size_t>(mono + stereo) : kSourcesDefault);
    core->ApplyListener();
    return core;
}

}  // namespace

// ---- Core

Core::~Core() { Use(); }

bool Core::Use() const {
    if (!context) return false;
    if (alcGetCurrentContext() != context.get()) alcMakeContextCurrent(context.get());
    return true;
}

void Core::ApplyListener() {
    if (!Use()) return;
    ALfloat v[6];
    ToAl(listener.position, v);
    alListenerfv(AL_POSITION, v);
    ToAl(listener.velocity, v);
    alListenerfv(AL_VELOCITY, v);
    ToAl(listener.front, v);
    ToAl(listener.top, v + 3);
    alListenerfv(AL_ORIENTATION, v);
    alDopplerFactor(listener.dopplerFactor);
    alSpeedOfSound(kSpeedOfSound / listener.distanceFactor);
    pool.ForEachHeld([this](BufferState* owner, ALuint source) {
        if (owner->Is3D()) alSourcef(source, AL_ROLLOFF_FACTOR, listener.rolloffFactor);
    });
}

// ---- SourcePool

namespace {

// Stops a source and takes its buffer or queue away, as a new source is.
void Empty(ALuint source) {
    alSourceRewind(source);
    alSourcei(source, AL_BUFFER, 0);
}

}  // namespace

size_t SourcePool::BufferLimit() const { return limit_ - std::min(kStreamReserve, limit_ / 2); }

size_t SourcePool::HeldByBuffers() const {
    size_t n = 0;
    for (const Slot& s : slots_) n += s.owner != nullptr;
    return n;
}

SourcePool::Slot* SourcePool::FreeSlot() {
    for (Slot& s : slots_)
        if (s.Free()) return &s;
    if (slots_.size() < limit_) {
        Slot slot;
        if (slot.source.Generate()) {
            slots_.push_back(std::move(slot));
            return &slots_.back();
        }
        limit_ = slots_.size();
    }
    return nullptr;
}

SourcePool::Slot* SourcePool::SlotFromIdleBuffer() {
    for (Slot& s : slots_) {
        if (!s.owner) continue;
        ALint state = AL_STOPPED;
        alGetSourcei(s.source.Get(), AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) continue;
        // A stopped buffer plays on from where it stands when it plays again; one that ended
        // keeps the position set since, if any.
        if (state == AL_PAUSED) {
            ALint frame = 0;
            alGetSourcei(s.source.Get(), AL_SAMPLE_OFFSET, &frame);
            s.owner->pendingFrame = frame > 0 ? static_cast<uint32_t>(frame) : 0;
        }
        Empty(s.source.Get());
        s.owner->source = 0;
        s.owner = nullptr;
        return &s;
    }
    return nullptr;
}

ALuint SourcePool::Acquire(BufferState* owner) {
    Slot* slot = HeldByBuffers() < BufferLimit() ? FreeSlot() : nullptr;
    if (!slot) slot = SlotFromIdleBuffer();
    if (!slot) return 0;
    slot->owner = owner;
    return slot->source.Get();
}

ALuint SourcePool::AcquireForStream() {
    Slot* slot = FreeSlot();
    if (!slot) slot = SlotFromIdleBuffer();
    if (!slot) return 0;
    slot->stream = true;
    return slot->source.Get();
}

void SourcePool::Release(ALuint source) {
    for (Slot& s : slots_) {
        if (s.source.Get() != source) continue;
        Empty(source);
        s.owner = nullptr;
        s.stream = false;
        return;
    }
}

}  // namespace detail

// ---- Listener

Listener::Listener(std::shared_ptr<detail::Core> core) : core_(std::move(core)) {}
Listener::~Listener() = default;

HRESULT Listener::GetAllParameters(ListenerParams* out) const {
    if (!out) return DSERR_INVALIDPARAM;
    *out = core_->listener;
    return S_OK;
}

HRESULT Listener::SetAllParameters(const ListenerParams& p) {
    if (!math::IsFinite(p.position) || !math::IsFinite(p.velocity) || !math::IsFinite(p.front) ||
        !math::IsFinite(p.top))
        return DSERR_INVALIDPARAM;
    if (!(p.distanceFactor >= FLT_MIN && p.distanceFactor <= FLT_MAX)) return DSERR_INVALIDPARAM;
    if (!(p.rolloffFactor >= 0.0f && p.rolloffFactor <= 10.0f)) return DSERR_INVALIDPARAM;
    if (!(p.dopplerFactor >= 0.0f && p.dopplerFactor <= 10.0f)) return DSERR_INVALIDPARAM;
    core_->listener = p;
    core_->ApplyListener();
    return S_OK;
}

// ---- PrimaryBuffer

PrimaryBuffer::PrimaryBuffer(std::shared_ptr<detail::Core> core, uint32_t flags) : core_(std::move(core)), flags_(flags) {}
PrimaryBuffer::~PrimaryBuffer() = default;

HRESULT PrimaryBuffer::SetFormat(const WaveFormat& f) {
    const bool bitsOk = f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32;
    if (f.formatTag != kFormatPcm || f.channels < 1 || f.channels > 8 || !bitsOk || f.samplesPerSec < 100 ||
        f.samplesPerSec > 200000 || f.blockAlign != f.channels * f.bitsPerSample / 8 ||
        f.avgBytesPerSec != f.samplesPerSec * f.blockAlign)
        return DSERR_BADFORMAT;
    core_->primaryFormat = f;
    if (!core_->Use()) return S_OK;

    ALCdevice* device = core_->device.get();
    ALCint current = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &current);
    uint32_t wanted = f.samplesPerSec;
    if (wanted < detail::kOutputRateMin) wanted = detail::kOutputRateMin;
    if (wanted > detail::kOutputRateMax) wanted = detail::kOutputRateMax;
    if (static_cast<uint32_t>(current) == wanted) return S_OK;

    ALCint attrs[11] = {ALC_FREQUENCY, static_cast<ALCint>(wanted), 0};
    if (core_->loopback) detail::LoopbackAttributes(wanted, attrs);
    return alcResetDeviceSOFT(device, attrs) ? S_OK : DSERR_GENERIC;
}

HRESULT PrimaryBuffer::QueryListener(std::unique_ptr<Listener>* out) {
    if (!out) return DSERR_INVALIDPARAM;
    out->reset();
    if (!(flags_ & kCapsCtrl3D)) return DSERR_NOINTERFACE;
    *out = std::make_unique<Listener>(core_);
    return S_OK;
}

const WaveFormat& PrimaryBuffer::Format() const { return core_->primaryFormat; }

// ---- Device

Device::Device(std::shared_ptr<detail::Core> core) : core_(std::move(core)) {}
Device::~Device() = default;

HRESULT Device::CreatePrimaryBuffer(uint32_t flags, std::unique_ptr<PrimaryBuffer>* out) {
    if (!out) return DSERR_INVALIDPARAM;
    out->reset();
    if (!(flags & kCapsPrimaryBuffer)) return DSERR_INVALIDPARAM;
    *out = std::make_unique<PrimaryBuffer>(core_, flags);
    return S_OK;
}

HRESULT Device::CreateSoundBuffer(const BufferDesc& desc, std::unique_ptr<Buffer>* out) {
    if (!out) return DSERR_INVALIDPARAM;
    out->reset();
    if ((desc.flags & kCapsPrimaryBuffer) || !desc.format) return DSERR_INVALIDPARAM;
    if (desc.bytes < kBufferBytesMin || desc.bytes > kBufferBytesMax) return DSERR_INVALIDPARAM;
    detail::PcmLayout layout;
    if (!detail::DescribeFormat(*desc.format, &layout)) return DSERR_BADFORMAT;
    auto state = std::make_shared<detail::BufferState>();
    state->core = core_;
    state->flags = desc.flags;
    state->bytes = desc.bytes;
    state->format = *desc.format;
    state->layout = layout;
    state->algorithm = desc.algorithm;
    *out = std::make_unique<Buffer>(std::move(state));
    return S_OK;
}

bool Device::IsSilent() const { return !core_->context; }

std::string Device::Name() const {
    if (!core_->device) return "";
    const ALCchar* name = alcGetString(core_->device.get(), ALC_DEVICE_SPECIFIER);
    return name ? name : "";
}

uint32_t Device::OutputFrequency() const {
    if (!core_->device) return 0;
    ALCint frequency = 0;
    alcGetIntegerv(core_->device.get(), ALC_FREQUENCY, 1, &frequency);
    return frequency > 0 ? static_cast<uint32_t>(frequency) : 0;
}

HRESULT Device::RenderSamples(float* out, uint32_t frames) {
    if (!core_->loopback || !core_->device) return DSERR_INVALIDCALL;
    if (!out || frames > static_cast<uint32_t>(INT_MAX)) return DSERR_INVALIDPARAM;
    core_->Use();
    alcRenderSamplesSOFT(core_->device.get(), out, static_cast<ALCsizei>(frames));
    return S_OK;
}

namespace {

// The device opened ahead, and the target it was opened on.
struct Ahead {
    std::future<std::shared_ptr<detail::Core>> core;
    DeviceTarget target = DeviceTarget::Default;
};
Ahead g_ahead;

}  // namespace

HRESULT CreateDevice(std::unique_ptr<Device>* out) {
    if (!out) return DSERR_INVALIDPARAM;
    std::shared_ptr<detail::Core> core;
    if (g_ahead.core.valid()) {
        core = g_ahead.core.get();
        if (g_ahead.target != detail::g_target) core = nullptr;
    }
    if (!core) core = detail::OpenCore(detail::g_target);
    *out = std::make_unique<Device>(std::move(core));
    return S_OK;
}

void SetDeviceTarget(DeviceTarget target) { detail::g_target = target; }

void OpenDeviceAhead() {
    if (g_ahead.core.valid()) return;
    g_ahead.target = detail::g_target;
    try {
        g_ahead.core = std::async(std::launch::async, detail::OpenCore, detail::g_target);
    } catch (const std::system_error&) {
        // No thread to spare: CreateDevice opens the device itself.
    }
}

}  // namespace snd
