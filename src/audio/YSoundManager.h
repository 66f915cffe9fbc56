// The sound manager: every sound under the file name it was asked for, owned, in creation
// order; volume, per-frame update, re-creation and deletion for all of them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/YSound.h"

class CYSoundManager {
public:
    struct Entry {
        std::string name;
        std::unique_ptr<CYSound> sound;
        uint32_t is3D = 0;
        bool loop = false;
    };

    explicit CYSoundManager(snd::Device* device);
    virtual ~CYSoundManager();
    CYSoundManager(const CYSoundManager&) = delete;
    CYSoundManager& operator=(const CYSoundManager&) = delete;

    // Deletes every sound; 0.
    HRESULT Init();
    // The sound of that name (unless always new), else a new one loaded from
    // "data\sounds\<name>"; a sound whose file failed to load is entered and returned too.
    CYSound* CreateSound(const std::string& name, uint32_t is3D, bool loop, bool alwaysNew);
    // The first sound or entry of that name, byte for byte; null when there is none.
    CYSound* FindSound(const std::string& name) const;
    const Entry* FindEntry(const std::string& name) const;
    // Stops and deletes every sound, logging their count when there were any.
    void DeleteSounds();
    // Sets the volume of every sound in order; stops at the first failure and returns it.
    HRESULT SetVolumeAll(float volume);
    // Updates every sound in order; stops at the first failure and returns it.
    HRESULT Update();
    // Creates every sound again, then applies the volume setting.
    void RecreateSounds();
    void StopAllSounds();

    const std::vector<Entry>& Entries() const { return entries_; }
    float Volume() const { return volume_; }

private:
    std::vector<Entry> entries_;
    snd::Device* device_;
    float volume_ = 1.0f;
};
