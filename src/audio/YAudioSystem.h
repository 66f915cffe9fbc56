// The audio system: the program's sound device with its primary format, the 3D listener,
// and the sound manager; sounds by file name, shared or cloned, placed in 3D.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "audio/YSound.h"
#include "audio/YSoundManager.h"
#include "platform/math/Math.h"
#include "platform/sound/Sound.h"

namespace sys {
class Window;
}

class CYAudioSystem {
public:
    CYAudioSystem();
    virtual ~CYAudioSystem();
    CYAudioSystem(const CYAudioSystem&) = delete;
    CYAudioSystem& operator=(const CYAudioSystem&) = delete;

    // Opens the device (a silent one when there is no output), makes the sound manager,
    // sets the primary format from the settings and takes the listener.
    HRESULT Init(sys::Window* window);
    // Lets go of the listener, the sound manager and the device.
    void Release();

    CYSound* LoadSound(const std::string& name, uint32_t is3D, bool loop, bool alwaysNew);
    // The sound already loaded under that name (whatever its kind), else a new plain one.
    CYSound* GetSound(const std::string& name, uint32_t is3D);
    // Always a new sound; it takes the 3D and loop flags of a sound of that name when there is one.
    CYSound* GetSoundClone(const std::string& name, uint32_t is3D, bool loop);
    // The explosion at a position: a clone of "explosion.wav", taken on the first
    // explosion and kept, placed there at rest and played.
    void PlayExplosionSound(const math::Vec3& position);
    // Places a 3D sound; the position it already has is not set again. A sound without
    // a 3D side is left alone with DSERR_CONTROLUNAVAIL.
    static HRESULT SetSoundPosition3D(CYSound* sound, const math::Vec3& position, const math::Vec3& velocity);
    static HRESULT SetSoundDistances(CYSound* sound, float minDistance, float maxDistance);
    // Moves and turns the listener (once a frame, by the camera).
    HRESULT UpdateListener(const math::Vec3& position, const math::Vec3& front, const math::Vec3& top);
    HRESULT SetSoundsVolume(float volume);
    // Once a frame: the sounds' updates.
    HRESULT Update();
    // Applies the settings' channels, frequency and bits and creates every sound again.
    HRESULT SetSoundQuality();

    snd::Device* Device() const { return device_.get(); }
    CYSoundManager* SoundManager() const { return soundManager_.get(); }
    const snd::ListenerParams& ListenerParams() const { return listenerParams_; }

private:
    // The primary buffer's format from the copied settings.
    HRESULT ApplyFormat();

    sys::Window* window_ = nullptr;
    uint32_t channels_ = 0;
    uint32_t frequency_ = 0;
    uint32_t bitsPerSample_ = 0;
    std::unique_ptr<snd::Device> device_;
    std::unique_ptr<CYSoundManager> soundManager_;
    std::unique_ptr<snd::Listener> listener_;
    snd::ListenerParams listenerParams_;
    uint32_t explosionSoundId_ = 0;  // the explosion sound's reference; null once deleted
};

// The program's audio system, made and deleted by the main loop.
extern CYAudioSystem* g_audioSystem;
