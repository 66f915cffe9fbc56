// A music channel: one music file of "data\music" played through the media layer, looped
// when asked, with a volume level and a fade factor on the shared volume curve.
#pragma once
#include <memory>
#include <string>

#include "audio/YAudioSource.h"
#include "platform/media/Media.h"

namespace snd {
class Device;
}

class CYMusic : public CYAudioSource {
public:
    // Plays through the device; without one (or with a silent one) the channel runs silent.
    // The level starts at 1 - MUSIC_VOLUME.
    explicit CYMusic(snd::Device* device);
    ~CYMusic() override;
    CYMusic(const CYMusic&) = delete;
    CYMusic& operator=(const CYMusic&) = delete;

    // Lets go of the previous file and opens "data\music\<name>", stopped at its start and
    // at full volume, whatever the level. A file that cannot be played leaves the channel
    // unopened.
    HRESULT Open(const std::string& fileName, bool loop);
    // Starts or goes on; an unopened channel does nothing.
    HRESULT Play() override;
    // Stops and rewinds; an unopened channel does nothing.
    HRESULT Stop() override;
    // Once a frame, by the scripts: at the end of the file the channel stops and rewinds,
    // and a looping one starts again at once.
    HRESULT Update() override;
    // Closes the file; the channel is then unopened.
    void ReleaseGraph();
    // The level 0..1, heard at once when a file is open.
    HRESULT SetVolume(float volume);
    // Plays at factor x level (0..1) without changing the level.
    void SetFade(float factor);

    bool Opened() const { return opened_; }
    bool Loop() const { return loop_; }
    float Level() const { return level_; }
    const std::string& FileName() const { return fileName_; }
    // The open file's stream, or null.
    media::Music* Stream() const { return stream_.get(); }

private:
    snd::Device* device_;
    std::unique_ptr<media::Music> stream_;
    bool loop_ = false;
    std::string fileName_;
    bool opened_ = false;
    float level_;
};

// Music channels 1 and 2, made and deleted by the main loop.
extern CYMusic* g_music1;
extern CYMusic* g_music2;
