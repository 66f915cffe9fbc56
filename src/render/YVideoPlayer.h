// What the texture manager asks of its video player. The texture manager owns the one
// video texture for the whole run and hands it to the player with every file it opens:
// the player replaces the texture's storage in place with the size the video needs (the
// next powers of two above its sides) and copies each frame unscaled into its top-left
// corner, so the texture object never changes and every node or window holding it stays
// valid whatever videos play; windows lay out the frame by their texture size.
#pragma once
#include <string>

#include "platform/graphics/Device.h"

class CYVideoPlayer {
public:
    virtual ~CYVideoPlayer() = default;
    // Closes whatever was open.
    virtual HRESULT Reset() = 0;
    // Opens "data\Video\<name>", stopped; its frames will go into target, sized for it.
    virtual HRESULT Open(const std::string& name, gfx::Texture* target) = 0;
    // Runs the open video from its start; nothing when none is open or it already runs.
    virtual void Play() = 0;
    virtual void Stop() = 0;
    // Draws the frame that is due; false when no frame came (nothing runs, or the end).
    virtual bool Update(double frameTime) = 0;
};

// The player while the program has no video decoding: it opens nothing and never has a
// frame, so a started video ends on the next frame.
class CYIdleVideoPlayer : public CYVideoPlayer {
public:
    HRESULT Reset() override { return S_OK; }
    // Logs that the video cannot be played; E_NOTIMPL.
    HRESULT Open(const std::string& name, gfx::Texture* target) override;
    void Play() override {}
    void Stop() override {}
    bool Update(double) override { return false; }
};
