// The texture manager: the one texture cache, owned by the renderer. So far only the
// calls the renderer makes.
#pragma once
#include <string>

#include "platform/graphics/Device.h"

class CYTextureManager {
public:
    explicit CYTextureManager(gfx::Device* device);
    ~CYTextureManager();
    CYTextureManager(const CYTextureManager&) = delete;
    CYTextureManager& operator=(const CYTextureManager&) = delete;

    // The texture of that name (loaded on first use), or null.
    gfx::Texture* LoadTexture(const std::string& name);
    // Once a frame: notices the end of a playing video.
    void UpdateVideo();

private:
    gfx::Device* device_;
};
