#include "render/YTextureManager.h"

#include <vector>

#include "core/YCommandManager.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "platform/graphics/Image.h"

uint32_t g_textureFileBytes = 0;

namespace {

const char kTextureFolder[] = "data\\textures\\";
const char kErrorTexture[] = "error.tga";

// The second token of the name split at ".", lower-cased: "a.avi.tga" has the extension
// "avi"; empty without a dot.
std::string Extension(const std::string& name) {
    CYTokenizer tokens(name, ".", false);
    std::string ext;
    if (!tokens.NextToken(ext) || !tokens.NextToken(ext)) return std::string();
    ToLower(ext);
    return ext;
}

}  // namespace

bool StaysInDataFolder(const std::string& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

CYTextureManager::CYTextureManager(gfx::Device* device)
    : player_(std::make_unique<CYIdleVideoPlayer>()), device_(device) {
    SubscribeOnce(YEVENT_DISPLAY_MODE_CHANGED, this, OnDisplayModeChanged);
    SubscribeOnce(YEVENT_PLAY_VIDEO, this, OnPlayVideo);
    SubscribeOnce(YEVENT_STOP_VIDEO, this, OnStopVideo);
}

CYTextureManager::~CYTextureManager() {
    Log(0, "%d textures found in memory\n", int(cache_.size()));
    for (Record& record : cache_) {
        if (record.texture) record.texture->Release();
        Log(0, "%s released\n", record.name.c_str());
    }
    cache_.clear();
    Log(0, "Textures unloaded from memory successfully\n");
    player_.reset();
    if (videoTexture_) videoTexture_->Release();
    videoTexture_ = nullptr;
    UnsubscribeAll();
}

gfx::Texture* CYTextureManager::Find(const std::string& name) const {
    for (const Record& record : cache_)
        if (record.name == name) return record.texture;
    return nullptr;
}

gfx::Texture* CYTextureManager::LoadTexture(const std::string& name) {
    if (Extension(name) == "avi") return OpenVideo(name);
    if (gfx::Texture* texture = Find(name)) return texture;
    if (SUCCEEDED(Load(name))) return Find(name);
    // The stand-in is tried whatever was asked for: "error.tga" itself missing is read
    // a second time, and logged so.
    if (SUCCEEDED(Load(kErrorTexture))) return Find(kErrorTexture);
    return nullptr;
}

gfx::Texture* CYTextureManager::OpenVideo(const std::string& name) {
    if (videoOpen_ && name == videoName_) return videoTexture_;
    videoName_ = name;
    videoOpen_ = false;
    if (!videoTexture_ && device_) {
        // Made once and kept: whatever the video, holders of the texture stay valid. The
        // player gives it the size and format of each video it opens.
        const gfx::Format format = g_settings.bitsPerPixel == 32 ? gfx::FMT_X8R8G8B8 : gfx::FMT_R5G6B5;
        gfx::Texture* texture = nullptr;
        HRESULT hr = device_->CreateTexture(kVideoTextureStartSize, kVideoTextureStartSize, 1, 0, format,
                                            gfx::POOL_MANAGED, &texture);
        if (FAILED(hr)) {
            DXERROR(hr);
        } else {
            // Black until the first frame.
            std::vector<uint8_t> black(size_t(kVideoTextureStartSize) * kVideoTextureStartSize * 4, 0);
            texture->Fill(black.data(), kVideoTextureStartSize, kVideoTextureStartSize, kVideoTextureStartSize * 4);
            videoTexture_ = texture;
        }
    }
    player_->Reset();
    if (!StaysInDataFolder(name))
        Log(0, "Video %s is outside the video folder\n", name.c_str());
    else if (videoTexture_)
        videoOpen_ = SUCCEEDED(player_->Open(name, videoTexture_));
    return videoTexture_;
}

HRESULT CYTextureManager::Load(const std::string& name) {
    if (Find(name)) return S_OK;
    if (!StaysInDataFolder(name)) {
        Log(0, "Texture %s is outside the textures folder\n", name.c_str());
        return E_INVALIDARG;
    }
    CYFile file(kTextureFolder + name);
    HRESULT hr = file.Load();
    if (SUCCEEDED(hr)) {
        g_textureFileBytes += file.GetSize();
        gfx::Texture* texture = nullptr;
        std::string error;
        hr = gfx::CreateTextureFromFileInMemory(device_, file.GetData(), file.GetSize(), &texture, &error);
        if (FAILED(hr)) {
            DXERROR_AT(3, hr);
            if (!error.empty()) Log(3, "%s: %s\n", name.c_str(), error.c_str());
        } else {
            cache_.push_back({name, texture});
        }
    }
    Log(3, "%s: Available texture mem - %x / %x\n", name.c_str(), device_ ? device_->GetAvailableTextureMem() : 0u,
        g_textureFileBytes);
    return hr;
}

void CYTextureManager::UpdateVideo() {
    if (!videoPlaying_ || player_->Update(g_timer.frameTime)) return;
    videoPlaying_ = false;
    videoOpen_ = false;
    player_->Stop();
    if (g_commandManager) g_commandManager->SendCommandByName("interface", "video_end", "");
}

void CYTextureManager::SetVideoPlayer(std::unique_ptr<CYVideoPlayer> player) {
    if (!player) return;
    player_ = std::move(player);
    videoOpen_ = false;
}

void CYTextureManager::OnDisplayModeChanged(void*, intptr_t, intptr_t) {}

void CYTextureManager::OnPlayVideo(void* context, intptr_t, intptr_t) {
    auto* self = static_cast<CYTextureManager*>(context);
    self->player_->Play();
    self->videoPlaying_ = true;
}

void CYTextureManager::OnStopVideo(void* context, intptr_t, intptr_t) {
    auto* self = static_cast<CYTextureManager*>(context);
    self->player_->Stop();
    self->videoPlaying_ = false;
    self->videoOpen_ = false;
}
