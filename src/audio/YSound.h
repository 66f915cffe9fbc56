// A sound: one sound buffer filled once from a WAV file of "data\sounds", plain or placed
// in 3D, played, stopped, refilled when lost, and restarted by its update when it loops.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "audio/YAudioSource.h"
#include "core/YReferences.h"
#include "platform/math/Math.h"
#include "platform/sound/Sound.h"

class CYWaveFile;

// The volume curve of sounds, music and video: a volume 0..1 becomes trunc((1 - v)^3 x -7000)
// hundredths of a decibel, in single precision. Results are kept within -10000..0, so a
// volume above 1 plays at full volume and one that is not a number is silent.
int32_t VolumeToHundredths(float volume);

// Scripts hold sounds as references; a deleted sound's reference reads as null.
class CYSound : public CYAudioSource, public CYReferenced {
public:
    CYSound(snd::Device* device, const std::string& path, uint32_t is3D, bool loop);
    ~CYSound() override;
    CYSound(const CYSound&) = delete;
    CYSound& operator=(const CYSound&) = delete;

    // Reads the file and makes the buffer (again, when it existed). A sound whose Create
    // failed has no buffer: playing, stopping, volume and update then do nothing.
    HRESULT Create();
    void Release();
    HRESULT Play() override;
    HRESULT PlayEx(uint32_t priority, uint32_t flags);
    // Stops and rewinds.
    HRESULT Stop() override;
    // Rewinds; a playing sound plays on from the start.
    HRESULT Reset();
    // Once a frame: notices the end of the sound and restarts a looping one.
    HRESULT Update() override;
    HRESULT SetVolume(float volume);

    const std::string& Path() const { return path_; }
    bool Is3D() const { return is3D_ != 0; }
    bool Loop() const { return loop_; }
    uint32_t BufferSize() const { return bufferSize_; }
    snd::Buffer* Buffer() const { return buffer_.get(); }
    snd::Buffer3D* Buffer3D() const { return buffer3D_.get(); }

private:
    friend class CYAudioSystem;

    // Writes the file's data into the buffer, the rest silence (or the data again with repeat).
    HRESULT Fill(snd::Buffer* buffer, bool repeat);
    // Restores a lost buffer: S_OK with restored set, S_FALSE when it was not lost.
    HRESULT RestoreBuffer(snd::Buffer* buffer, bool* restored);

    std::unique_ptr<snd::Buffer> buffer_;
    uint32_t bufferSize_ = 0;
    std::unique_ptr<CYWaveFile> waveFile_;
    std::string path_;
    uint32_t is3D_;
    snd::Device* device_;
    bool loop_;
    math::Vec3 lastPosition_;  // not a number until placed: no position matches it
    std::unique_ptr<snd::Buffer3D> buffer3D_;
    snd::Buffer3DParams params3D_;
};
