// The video player: one video file of "data\Video" at a time, its frames drawn into the
// texture the texture manager hands over (scaled to fill it), its sound track played at the
// sound volume. Frames are decoded in Update, once a frame of the engine, to the one due on
// the video's clock.
#pragma once
#include <memory>
#include <string>

#include "platform/media/Media.h"
#include "render/YVideoPlayer.h"

namespace snd {
class Device;
}

class CYAVIPlayer : public CYVideoPlayer {
public:
    // Plays the sound tracks through the device; without one (or with a silent one) videos
    // run silent on the wall clock.
    explicit CYAVIPlayer(snd::Device* device);
    // Closes the video and lets go of the texture.
    ~CYAVIPlayer() override;
    CYAVIPlayer(const CYAVIPlayer&) = delete;
    CYAVIPlayer& operator=(const CYAVIPlayer&) = delete;

    // Closes whatever was open; the texture stays.
    HRESULT Reset() override;
    // Reads "data\Video\<name>" (archive or disk) and opens it, stopped, at the sound volume,
    // its frames to go into target (32 bits a pixel). Failures are logged and returned; the
    // player then has no video.
    HRESULT Open(const std::string& fileName, gfx::Texture* target) override;
    // Starts the open video from its beginning; nothing while it plays.
    void Play() override;
    void Stop() override;
    // Draws the frame that is due into the texture. False when nothing plays, at the end of
    // the video (which stops it), and when the texture cannot be written.
    bool Update(double frameTime) override;
    // Closes the video.
    void ReleaseAll();

    bool IsPlaying() const { return playing_; }
    // The open video, or null.
    media::Video* Stream() const { return stream_.get(); }

private:
    // Writes the current frame into the whole texture.
    HRESULT DrawFrame();

    snd::Device* device_;
    std::unique_ptr<media::Video> stream_;
    gfx::Texture* texture_ = nullptr;  // a reference of our own
    uint32_t textureWidth_ = 0;
    uint32_t textureHeight_ = 0;
    bool playing_ = false;
};
