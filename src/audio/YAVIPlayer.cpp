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

CYAVIPlayer::CYAVIPlayer(snd::Device* device, std::function<void()> loadCodecs,
                         std::function<bool()> codecsReady)
    : device_(device), loadCodecs_(std::move(loadCodecs)), codecsReady_(std::move(codecsReady)) {}

CYAVIPlayer::~CYAVIPlayer() {
    ReleaseAll();
    if (texture_) texture_->Release();
    texture_ = nullptr;
}

void CYAVIPlayer::ReleaseAll() {
    // The sound track's thread ends before its source goes.
    stream_.reset();
    waiting_.clear();
    opening_ = false;
    playing_ = false;
}

HRESULT CYAVIPlayer::Reset() {
    ReleaseAll();
    return S_OK;
}

uint32_t CYAVIPlayer::NextPowerOfTwo(uint32_t n) {
    uint32_t result = 2;
    for (n >>= 1; n != 0; n >>= 1) result <<= 1;
    return result;
}

HRESULT CYAVIPlayer::Open(const std::string& fileName, gfx::Texture* target) {
    ReleaseAll();
    if (!target) {
        DXERROR(E_POINTER);
        return E_POINTER;
    }
    if (target != texture_) {
        target->AddRef();
        if (texture_) texture_->Release();
        texture_ = target;
    }

    // The whole file is read first, from the archive or the disk; the decoder then works
    // on memory alone.
    const std::string path = std::string(kVideoFolder) + "\\" + fileName;
    CYFile file(path);
    if (path.size() > kPathMax || FAILED(file.Load())) {
        DXERROR(E_FILENOTFOUND);
        return E_FILENOTFOUND;
    }
    std::vector<uint8_t> bytes(file.GetData(), file.GetData() + file.GetSize());
    if (codecsReady_ && !codecsReady_()) {
        waiting_ = std::move(bytes);
        opening_ = true;
        return S_OK;
    }
    return OpenBytes(std::move(bytes));
}

HRESULT CYAVIPlayer::OpenBytes(std::vector<uint8_t> bytes) {
    const bool play = playing_;
    playing_ = false;
    HRESULT hr = media::Video::Open(device_, std::move(bytes), &stream_);
    if (SUCCEEDED(hr)) hr = stream_->SetVolume(VolumeToHundredths(g_settings.soundVolume));
    if (SUCCEEDED(hr)) hr = FitTexture();
    if (FAILED(hr)) {
        DXERROR(hr);
        stream_.reset();
        return hr;
    }
    // Stopped: the video starts only with Play, which may have come while it waited.
    if (play) Play();
    return S_OK;
}

void CYAVIPlayer::Settle(bool wait) {
    if (!opening_) return;
    if (!wait && codecsReady_ && !codecsReady_()) {
        if (loadCodecs_) loadCodecs_();
        return;
    }
    opening_ = false;
    OpenBytes(std::move(waiting_));
    waiting_.clear();
}

media::Video* CYAVIPlayer::Stream() {
    Settle(true);
    return stream_.get();
}

HRESULT CYAVIPlayer::FitTexture() {
    const uint32_t width = NextPowerOfTwo(stream_->Width());
    const uint32_t height = NextPowerOfTwo(stream_->Height());
    // 16-bit screens get a 16-bit video texture.
    const gfx::Format format = g_settings.bitsPerPixel == 32 ? gfx::FMT_X8R8G8B8 : gfx::FMT_R5G6B5;
    gfx::SurfaceDesc desc;
    HRESULT hr = texture_->GetLevelDesc(0, &desc);
    if (FAILED(hr)) return hr;
    if (desc.width != width || desc.height != height || desc.format != format) {
        hr = texture_->ReplaceStorage(width, height, format);
        if (FAILED(hr)) return hr;
    }
    textureWidth_ = width;
    textureHeight_ = height;
    textureFormat_ = format;
    return S_OK;
}

void CYAVIPlayer::Play() {
    Settle(false);
    if (opening_) {
        playing_ = true;
        return;
    }
    if (!stream_ || playing_) return;
    HRESULT hr = stream_->Rewind();
    if (SUCCEEDED(hr)) hr = stream_->Play();
    if (FAILED(hr)) DXERROR(hr);
    playing_ = true;
}

void CYAVIPlayer::Stop() {
    Settle(false);
    if (stream_) {
        HRESULT hr = stream_->Stop();
        if (FAILED(hr)) DXERROR(hr);
    }
    playing_ = false;
}

bool CYAVIPlayer::Update(double) {
    Settle(false);
    // A video still opening has not ended: it starts when it opens.
    if (opening_) return playing_;
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
    // The frame's own rectangle in the top-left corner; the rest of the texture stays.
    const gfx::Rect source{0, 0, static_cast<int32_t>(stream_->Width()), static_cast<int32_t>(stream_->Height())};
    gfx::LockedRect locked;
    HRESULT hr = texture_->LockRect(0, &locked, &source, 0);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    const media::PixelFormat format =
        textureFormat_ == gfx::FMT_R5G6B5 ? media::PixelFormat::Rgb565 : media::PixelFormat::Bgrx32;
    hr = locked.pitch > 0 ? stream_->CopyFrame(static_cast<uint8_t*>(locked.bits), stream_->Width(),
                                               stream_->Height(), static_cast<uint32_t>(locked.pitch), format)
                          : D3DERR_INVALIDCALL;
    if (FAILED(hr)) DXERROR(hr);
    texture_->UnlockRect(0);
    return hr;
}
