// The texture manager: the one texture cache of the program, owned by the renderer.
// Every texture is read once, by its exact name, from "data\textures" (archive first,
// then disk) and kept until the program ends; a texture that cannot be loaded is
// replaced by "error.tga". Names with the extension "avi" are videos: they open in the
// video player and get the one video texture, which keeps its identity for the whole run
// while the player sizes its storage to each video.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/YEvents.h"
#include "platform/graphics/Device.h"
#include "render/YVideoPlayer.h"

// Width and height of the video texture before a video gives it its size.
constexpr uint32_t kVideoTextureStartSize = 2;

// False for a data file name with a ".." component, which would reach outside its folder.
bool StaysInDataFolder(const std::string& name);

class CYTextureManager : public CYEventListener {
public:
    // Subscribes the display-mode, play-video and stop-video events; the video player is
    // the idle one until SetVideoPlayer.
    explicit CYTextureManager(gfx::Device* device);
    // Releases every texture (logging each), then the video player and its texture.
    ~CYTextureManager() override;

    // The texture of that name, loaded on first use; "error.tga" when it cannot be
    // loaded; null when neither can. A video name opens the video and gives the video
    // texture (null only when that texture cannot be made). The video the player holds
    // open, neither stopped nor ended, is not opened again: a window that names it when
    // its drawing starts does not cut off a video its script already started.
    gfx::Texture* LoadTexture(const std::string& name);
    // Reads and creates one texture into the cache: 0 when cached already or made,
    // else the failing code of the read or the texture creation.
    HRESULT Load(const std::string& name);
    // Once a frame: a playing video that gave no frame has ended; it is stopped and
    // "video_end" goes to the "interface" script handlers.
    void UpdateVideo();

    // Takes the video player in place of the current one.
    void SetVideoPlayer(std::unique_ptr<CYVideoPlayer> player);

    static void OnDisplayModeChanged(void* context, intptr_t a, intptr_t b);
    static void OnPlayVideo(void* context, intptr_t a, intptr_t b);
    static void OnStopVideo(void* context, intptr_t a, intptr_t b);

    size_t GetTextureCount() const { return cache_.size(); }
    const std::string& GetVideoName() const { return videoName_; }
    bool IsVideoPlaying() const { return videoPlaying_; }
    gfx::Texture* GetVideoTexture() const { return videoTexture_; }

private:
    struct Record {
        std::string name;
        gfx::Texture* texture;
    };
    gfx::Texture* Find(const std::string& name) const;
    gfx::Texture* OpenVideo(const std::string& name);

    std::unique_ptr<CYVideoPlayer> player_;
    std::vector<Record> cache_;
    gfx::Device* device_;
    std::string videoName_;
    // The player holds videoName_ open, and it was neither stopped nor ended since.
    bool videoOpen_ = false;
    bool videoPlaying_ = false;
    gfx::Texture* videoTexture_ = nullptr;
};

// Bytes of every texture file read so far.
extern uint32_t g_textureFileBytes;
