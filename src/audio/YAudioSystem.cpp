#include "audio/YAudioSystem.h"

#include <algorithm>

#include "core/YLog.h"
#include "core/YSettings.h"
#include "render/YCamera.h"
#include "render/YParticleSystem.h"

CYAudioSystem* g_audioSystem = nullptr;

namespace {

// The camera places the listener of the program's audio system.
HRESULT PlaceListener(const math::Vec3& position, const math::Vec3& front, const math::Vec3& top) {
    return g_audioSystem ? g_audioSystem->UpdateListener(position, front, top) : S_OK;
}

// Explosions sound through the program's audio system.
void PlayExplosion(const math::Vec3& position) {
    if (g_audioSystem) g_audioSystem->PlayExplosionSound(position);
}

}  // namespace

CYAudioSystem::CYAudioSystem() = default;

CYAudioSystem::~CYAudioSystem() { Release(); }

HRESULT CYAudioSystem::Init(sys::Window* window) {
    // OpenAL has no cooperative levels: the window is only kept.
    window_ = window;
    Release();
    g_placeListener = &PlaceListener;
    g_playExplosionSound = &PlayExplosion;
    channels_ = static_cast<uint32_t>(g_settings.channels);
    frequency_ = static_cast<uint32_t>(g_settings.frequency);
    bitsPerSample_ = static_cast<uint32_t>(g_settings.bitsPerSample);

    HRESULT hr = snd::CreateDevice(&device_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    soundManager_ = std::make_unique<CYSoundManager>(device_.get());
    hr = ApplyFormat();
    if (FAILED(hr)) return hr;

    std::unique_ptr<snd::PrimaryBuffer> primary;
    hr = device_->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer | snd::kCapsCtrl3D, &primary);
    if (SUCCEEDED(hr)) hr = primary->QueryListener(&listener_);
    primary.reset();
    if (SUCCEEDED(hr)) hr = listener_->GetAllParameters(&listenerParams_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    return S_OK;
}

HRESULT CYAudioSystem::ApplyFormat() {
    // Each field is kept within its 16 bits; what the device cannot take it refuses.
    const uint32_t channels = std::min<uint32_t>(channels_, 0xFFFF);
    const uint32_t bits = std::min<uint32_t>(bitsPerSample_, 0xFFFF);
    snd::WaveFormat format;
    format.formatTag = snd::kFormatPcm;
    format.channels = static_cast<uint16_t>(channels);
    format.samplesPerSec = frequency_;
    format.bitsPerSample = static_cast<uint16_t>(bits);
    format.blockAlign = static_cast<uint16_t>(std::min<uint32_t>(bits / 8 * channels, 0xFFFF));
    format.avgBytesPerSec = frequency_ * format.blockAlign;

    std::unique_ptr<snd::PrimaryBuffer> primary;
    HRESULT hr = device_->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer, &primary);
    if (SUCCEEDED(hr)) hr = primary->SetFormat(format);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    if (device_->IsSilent())
        Log(0, "Sound: no output device, sounds are silent\n");
    else
        Log(0, "Sound: \"%s\" at %u Hz; %u channel(s) and %u bits asked, the device's own configuration sets them\n",
            device_->Name().c_str(), device_->OutputFrequency(), channels_, bitsPerSample_);
    return S_OK;
}

void CYAudioSystem::Release() {
    listener_.reset();
    soundManager_.reset();
    device_.reset();
}

CYSound* CYAudioSystem::LoadSound(const std::string& name, uint32_t is3D, bool loop, bool alwaysNew) {
    if (!soundManager_) return nullptr;
    return soundManager_->CreateSound(name, is3D, loop, alwaysNew);
}

CYSound* CYAudioSystem::GetSound(const std::string& name, uint32_t is3D) {
    if (!soundManager_) return nullptr;
    if (CYSound* known = soundManager_->FindSound(name)) return known;
    return LoadSound(name, is3D, false, false);
}

CYSound* CYAudioSystem::GetSoundClone(const std::string& name, uint32_t is3D, bool loop) {
    if (!soundManager_) return nullptr;
    if (const CYSoundManager::Entry* entry = soundManager_->FindEntry(name))
        return LoadSound(name, entry->is3D, entry->loop, true);
    return LoadSound(name, is3D, loop, true);
}

void CYAudioSystem::PlayExplosionSound(const math::Vec3& position) {
    // The sound is taken once; again only when the sounds were deleted since.
    auto* sound = dynamic_cast<CYSound*>(FindReferenced(explosionSoundId_));
    if (!sound) {
        sound = GetSoundClone("explosion.wav", 1, false);
        explosionSoundId_ = sound ? sound->ReferenceId() : 0;
    }
    if (!sound) return;
    SetSoundPosition3D(sound, position, math::Vec3());
    sound->Play();
}

HRESULT CYAudioSystem::SetSoundPosition3D(CYSound* sound, const math::Vec3& position, const math::Vec3& velocity) {
    if (!sound) return E_INVALIDARG;
    if (position == sound->lastPosition_) return S_OK;
    if (!sound->buffer3D_) return DSERR_CONTROLUNAVAIL;
    HRESULT hr = sound->buffer3D_->GetAllParameters(&sound->params3D_);
    if (SUCCEEDED(hr)) {
        sound->params3D_.position = position;
        sound->params3D_.velocity = velocity;
        hr = sound->buffer3D_->SetAllParameters(sound->params3D_);
    }
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    sound->lastPosition_ = position;
    return S_OK;
}

HRESULT CYAudioSystem::SetSoundDistances(CYSound* sound, float minDistance, float maxDistance) {
    if (!sound) return E_INVALIDARG;
    if (!sound->buffer3D_) return DSERR_CONTROLUNAVAIL;
    HRESULT hr = sound->buffer3D_->GetAllParameters(&sound->params3D_);
    if (SUCCEEDED(hr)) {
        sound->params3D_.minDistance = minDistance;
        sound->params3D_.maxDistance = maxDistance;
        hr = sound->buffer3D_->SetAllParameters(sound->params3D_);
    }
    if (FAILED(hr)) DXERROR(hr);
    return hr;
}

HRESULT CYAudioSystem::UpdateListener(const math::Vec3& position, const math::Vec3& front, const math::Vec3& top) {
    if (!listener_) return S_OK;
    HRESULT hr = listener_->GetAllParameters(&listenerParams_);
    if (SUCCEEDED(hr)) {
        listenerParams_.position = position;
        listenerParams_.front = front;
        listenerParams_.top = top;
        hr = listener_->SetAllParameters(listenerParams_);
    }
    if (FAILED(hr)) DXERROR(hr);
    return hr;
}

HRESULT CYAudioSystem::SetSoundsVolume(float volume) {
    if (!soundManager_) return S_OK;
    const HRESULT hr = soundManager_->SetVolumeAll(volume);
    if (FAILED(hr)) DXERROR(hr);
    return hr;
}

HRESULT CYAudioSystem::Update() {
    if (!soundManager_) return S_OK;
    const HRESULT hr = soundManager_->Update();
    if (FAILED(hr)) DXERROR(hr);
    return hr;
}

HRESULT CYAudioSystem::SetSoundQuality() {
    if (!device_ || !soundManager_) return S_OK;
    channels_ = static_cast<uint32_t>(g_settings.channels);
    frequency_ = static_cast<uint32_t>(g_settings.frequency);
    bitsPerSample_ = static_cast<uint32_t>(g_settings.bitsPerSample);
    const HRESULT hr = ApplyFormat();
    if (FAILED(hr)) return hr;
    soundManager_->RecreateSounds();
    return S_OK;
}
