#include "render/YVideoPlayer.h"

#include "core/YLog.h"

HRESULT CYIdleVideoPlayer::Open(const std::string& name, gfx::Texture*) {
    Log(0, "Video %s cannot be played: no video player\n", name.c_str());
    return E_NOTIMPL;
}
