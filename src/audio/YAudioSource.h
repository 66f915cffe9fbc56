// The base of sounds and music channels: play, stop, a per-frame update, and whether it plays.
#pragma once
#include "platform/system/Result.h"

class CYAudioSource {
public:
    virtual ~CYAudioSource() = default;
    virtual HRESULT Play() = 0;
    virtual bool IsPlaying() const { return playing_; }
    virtual HRESULT Stop() = 0;
    virtual HRESULT Update() = 0;

protected:
    bool playing_ = false;
};
