#include "audio/YAVIPlayer.h"

#include "audio/YSound.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YSettings.h"

namespace {

const char* const kVideoFolder = "data\\Video";
// Longest path the player opens, in bytes, as the wide-character path buffer holds it.
constexpr size_t kPathMax = 259;

}  // namespace

CYAVIPlayer::CYAVIPlayer(snd::Device* device) : device_(device) {}

CYAVIPlayer::~CYAVIPlayer() {
    ReleaseAll();
    if (texture_) texture_->Release();
    texture_ = nullptr;
}

void CYAVIPlayer::ReleaseAll() {
    // The sound track's thread ends before its source goes.
    stream_.reset();
    playing_ = false;
}

HRESULT CYAVIPlayer::Reset() {
    ReleaseAll();
    return S_OK;
}

HRESULT CYAVIPlayer::Open(const std::string& fileName, gfx::Texture* target) {
    ReleaseAll();
    const std::string path = std::string(kVideoFolder) + "\\" + fileName;

    // Frames are written as 32-bit pixels filling the whole texture.
    gfx::SurfaceDesc desc;
    HRESULT hr = target ? target->GetLevelDesc(0, &desc) : E_POINTER;
    if (SUCCEEDED(hr) && ((desc.format != gfx::FMT_X8R8G8B8 && desc.format != gfx::FMT_A8R8G8B8) ||
                          desc.width == 0 || desc.height == 0))
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    if (target != texture_) {
        target->AddRef();
        if (texture_) texture_->Release();
        texture_ = target;
    }
    textureWidth_ = desc.width;
    textureHeight_ = desc.height;

    // The whole file is read first, from the archive or the disk; the decoder then works
    // on memory alone.
    hr = E_FILENOTFOUND;
    CYFile file(path);
    if (path.size() <= kPathMax && SUCCEEDED(file.Load())) {
        std::vector<uint8_t> bytes(file.GetData(), file.GetData() + file.GetSize());
        hr = media::Video::Open(device_, std::move(bytes), &stream_);
    }
    if (SUCCEEDED(hr)) hr = stream_->SetVolume(VolumeToHundredths(g_settings.soundVolume));
    if (FAILED(hr)) {
        DXERROR(hr);
        stream_.reset();
        return hr;
    }
    // Stopped: the video starts only with Play.
    playing_ = false;
    return S_OK;
}

void CYAVIPlayer::Play() {
    if (!stream_ || playing_) return;
    HRESULT hr = stream_->Rewind();
    if (SUCCEEDED(hr)) hr = stream_->Play();
    if (FAILED(hr)) DXERROR(hr);
    playing_ = true;
}

void CYAVIPlayer::Stop() {
    if (stream_) {
        HRESULT hr = stream_->Stop();
        if (FAILED(hr)) DXERROR(hr);
    }
    playing_ = false;
}

bool CYAVIPlayer::Update(double) {
    if (!stream_ || !playing_) return false;
    // A frame that is not yet due leaves the one drawn before.
    if (stream_->Advance()) return SUCCEEDED(DrawFrame());
    if (!stream_->IsFinished()) return true;
    HRESULT hr = stream_->Stop();
    if (FAILED(hr)) {
        DXERROR(hr);
        return true;
    }
    playing_ = false;
    return false;
}

HRESULT CYAVIPlayer::DrawFrame() {
    gfx::LockedRect locked;
    HRESULT hr = texture_->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    hr = locked.pitch > 0 ? stream_->CopyFrame(static_cast<uint8_t*>(locked.bits), textureWidth_, textureHeight_,
                                               static_cast<uint32_t>(locked.pitch))
                          : D3DERR_INVALIDCALL;
    if (FAILED(hr)) DXERROR(hr);
    texture_->UnlockRect(0);
    return hr;
}
