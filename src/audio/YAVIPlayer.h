// The video player: one video file of "data\Video" at a time, its frames copied unscaled
// into the top-left corner of the texture the texture manager hands over, whose storage is
// replaced in place to the next powers of two above the video's sides (320 x 240 in
// 512 x 256) in the screen's colour depth; its sound track plays at the sound volume.
// Frames are decoded in Update, once a frame of the engine, to the one due on the video's
// clock. Until the decoder's libraries are in (the first video of a run), an opened video
// waits for them without holding up a frame: Play or Update starts their load on a thread
// of its own, and the video opens, and starts if Play came, at the first Update after.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/Media.h"
#include "render/YVideoPlayer.h"

namespace snd {
class Device;
}

class CYAVIPlayer : public CYVideoPlayer {
public:
    // Plays the sound tracks through the device; without one (or with a silent one) videos
    // run silent on the wall clock.
    // loadCodecs starts loading the decoder's libraries; codecsReady says they are in.
    explicit CYAVIPlayer(snd::Device* device, std::function<void()> loadCodecs = media::LoadCodecs,
                         std::function<bool()> codecsReady = media::CodecsReady);
    // Closes the video and lets go of the texture.
    ~CYAVIPlayer() override;
    CYAVIPlayer(const CYAVIPlayer&) = delete;
    CYAVIPlayer& operator=(const CYAVIPlayer&) = delete;

    // Closes whatever was open; the texture stays.
    HRESULT Reset() override;
    // Reads "data\Video\<name>" (archive or disk) and opens it, stopped, at the sound volume,
    // its frames to go into target. The target keeps its storage when it already has the
    // size and format the video needs, else gets new storage in place. Failures are logged
    // and returned; the player then has no video and the texture stays as it was. Bytes
    // that wait for the decoder's libraries give S_OK, and a failure when they open later
    // is logged then and ends the video as a missing one does.
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
    // The open video, or null; a video still waiting for its libraries is opened first.
    media::Video* Stream();

    // The smallest power of two above n, at least 2: 1 gives 2, 256 gives 512, 640 gives 1024.
    static uint32_t NextPowerOfTwo(uint32_t n);

private:
    // Opens the waiting bytes once the libraries are in (starting their load), or at once
    // when wait is set.
    void Settle(bool wait);
    // Opens the bytes read by Open; a Play that came meanwhile starts the video.
    HRESULT OpenBytes(std::vector<uint8_t> bytes);
    // Gives the texture the size and format the open video needs, unless it has them.
    HRESULT FitTexture();
    // Writes the current frame into the texture's top-left corner.
    HRESULT DrawFrame();

    snd::Device* device_;
    std::function<void()> loadCodecs_;
    std::function<bool()> codecsReady_;
    std::unique_ptr<media::Video> stream_;
    std::vector<uint8_t> waiting_;  // the bytes of a video that waits for the libraries
    bool opening_ = false;
    gfx::Texture* texture_ = nullptr;  // a reference of our own
    uint32_t textureWidth_ = 0;
    uint32_t textureHeight_ = 0;
    gfx::Format textureFormat_ = gfx::FMT_UNKNOWN;
    bool playing_ = false;
};
