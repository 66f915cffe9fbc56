#include "audio/YSoundManager.h"

#include "core/YLog.h"
#include "core/YSettings.h"

namespace {
const char* const kSoundFolder = "data\\sounds";
}

CYSoundManager::CYSoundManager(snd::Device* device) : device_(device) {}

CYSoundManager::~CYSoundManager() { DeleteSounds(); }

HRESULT CYSoundManager::Init() {
    DeleteSounds();
    return S_OK;
}

CYSound* CYSoundManager::CreateSound(const std::string& name, uint32_t is3D, bool loop, bool alwaysNew) {
    if (!alwaysNew) {
        if (CYSound* known = FindSound(name)) return known;
    }
    auto sound = std::make_unique<CYSound>(device_, std::string(kSoundFolder) + "\\" + name, is3D, loop);
    sound->Create();
    CYSound* created = sound.get();
    entries_.push_back(Entry{name, std::move(sound), is3D, loop});
    created->SetVolume(volume_);
    return created;
}

CYSound* CYSoundManager::FindSound(const std::string& name) const {
    const Entry* entry = FindEntry(name);
    return entry ? entry->sound.get() : nullptr;
}

const CYSoundManager::Entry* CYSoundManager::FindEntry(const std::string& name) const {
    for (const Entry& entry : entries_)
        if (entry.name == name) return &entry;
    return nullptr;
}

void CYSoundManager::DeleteSounds() {
    if (!entries_.empty())
        Log(3, "\nSound Manager: %d sound(s) found and destroyed\n\n", static_cast<int>(entries_.size()));
    for (Entry& entry : entries_) {
        entry.sound->Stop();
        entry.sound->Reset();
        entry.sound.reset();
    }
    entries_.clear();
}

HRESULT CYSoundManager::SetVolumeAll(float volume) {
    volume_ = volume;
    for (Entry& entry : entries_) {
        const HRESULT hr = entry.sound->SetVolume(volume);
        if (FAILED(hr)) {
            DXERROR(hr);
            return hr;
        }
    }
    return S_OK;
}

HRESULT CYSoundManager::Update() {
    for (Entry& entry : entries_) {
        const HRESULT hr = entry.sound->Update();
        if (FAILED(hr)) {
            DXERROR(hr);
            return hr;
        }
    }
    return S_OK;
}

void CYSoundManager::RecreateSounds() {
    for (Entry& entry : entries_) entry.sound->Create();
    SetVolumeAll(g_settings.soundVolume);
}

void CYSoundManager::StopAllSounds() {
    for (Entry& entry : entries_) entry.sound->Stop();
}
