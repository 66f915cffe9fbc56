#include "audio/YSound.h"

#include <cstring>
#include <limits>

#include "audio/YAudioSystem.h"
#include "audio/YWaveFile.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "platform/system/System.h"

namespace {

const math::Vec3 kNoPosition{std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::quiet_NaN()};

}  // namespace

int32_t VolumeToHundredths(float volume) {
    const float d = 1.0f - volume;
    const float hundredths = d * d * d * -7000.0f;
    if (!(hundredths >= static_cast<float>(snd::kVolumeMin))) return snd::kVolumeMin;
    if (hundredths > 0.0f) return snd::kVolumeMax;
    return static_cast<int32_t>(hundredths);
}

CYSound::CYSound(snd::Device* device, const std::string& path, uint32_t is3D, bool loop)
    : path_(path), is3D_(is3D), device_(device), loop_(loop), lastPosition_(kNoPosition) {}

CYSound::~CYSound() { Release(); }

void CYSound::Release() {
    buffer_.reset();
    waveFile_.reset();
    buffer3D_.reset();
}

HRESULT CYSound::Create() {
    Release();
    // A new buffer sits at the origin: no earlier position may count as already set.
    lastPosition_ = kNoPosition;
    if (!device_) return E_POINTER;

    auto wave = std::make_unique<CYWaveFile>();
    if (FAILED(wave->Open(path_.c_str(), nullptr, kWaveFileRead))) {
        Log(0, "%s file not found or i/o error\n", path_.c_str());
        return E_FAIL;
    }
    waveFile_ = std::move(wave);
    bufferSize_ = waveFile_->GetSize();

    snd::BufferDesc desc;
    desc.flags = snd::kCapsCtrlVolume | (is3D_ ? snd::kCapsCtrl3D : 0);
    desc.bytes = bufferSize_;
    desc.format = waveFile_->GetFormat();
    if (is3D_) desc.algorithm = g_settings.bitsPerSample == 16 ? snd::Algorithm::HrtfFull : snd::Algorithm::HrtfLight;
    HRESULT hr = device_->CreateSoundBuffer(desc, &buffer_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    hr = Fill(buffer_.get(), false);
    if (FAILED(hr)) return hr;
    hr = buffer_->SetCurrentPosition(0);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    if (!is3D_) return S_OK;

    hr = buffer_->Query3D(&buffer3D_);
    if (SUCCEEDED(hr)) hr = buffer3D_->GetAllParameters(&params3D_);
    if (SUCCEEDED(hr)) {
        params3D_.mode = snd::kMode3DNormal;
        hr = buffer3D_->SetAllParameters(params3D_);
    }
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    return CYAudioSystem::SetSoundDistances(this, 1.0f, 100.0f);
}

HRESULT CYSound::Fill(snd::Buffer* buffer, bool repeat) {
    if (!waveFile_) return E_FAIL;
    bool restored = false;
    HRESULT hr = RestoreBuffer(buffer, &restored);
    if (FAILED(hr)) return hr;

    void* locked = nullptr;
    uint32_t size = 0;
    hr = buffer->Lock(&locked, &size);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    auto* data = static_cast<uint8_t*>(locked);
    const uint8_t silence = waveFile_->GetFormat()->bitsPerSample == 8 ? 128 : 0;
    uint32_t done = 0;
    hr = waveFile_->ResetFile();
    if (SUCCEEDED(hr)) hr = waveFile_->Read(data, size, &done);
    if (SUCCEEDED(hr) && repeat) {
        // The data again from its start until the buffer is full; data that gives
        // nothing more ends the repeat.
        while (done > 0 && done < size) {
            uint32_t more = 0;
            if (FAILED(waveFile_->ResetFile()) || FAILED(waveFile_->Read(data + done, size - done, &more)) || more == 0)
                break;
            done += more;
        }
    }
    if (done < size) std::memset(data + done, silence, size - done);
    const HRESULT unlocked = buffer->Unlock();
    if (FAILED(unlocked)) {
        DXERROR(unlocked);
        return unlocked;
    }
    return hr;
}

HRESULT CYSound::RestoreBuffer(snd::Buffer* buffer, bool* restored) {
    *restored = false;
    uint32_t status = 0;
    HRESULT hr = buffer->GetStatus(&status);
    if (FAILED(hr)) return hr;
    if (!(status & snd::kStatusBufferLost)) return S_FALSE;
    // The memory may not be back at once; another failure ends the wait.
    while ((hr = buffer->Restore()) == DSERR_BUFFERLOST) sys::Sleep(10);
    if (FAILED(hr)) return hr;
    *restored = true;
    return S_OK;
}

HRESULT CYSound::Play() { return PlayEx(0, 0); }

HRESULT CYSound::PlayEx(uint32_t priority, uint32_t flags) {
    if (!buffer_) return S_OK;
    bool restored = false;
    HRESULT hr = RestoreBuffer(buffer_.get(), &restored);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    if (restored) {
        hr = Fill(buffer_.get(), false);
        if (FAILED(hr)) return hr;
    }
    Reset();
    hr = buffer_->Play(priority, flags);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    playing_ = true;
    return S_OK;
}

HRESULT CYSound::Stop() {
    playing_ = false;
    if (!buffer_) return S_OK;
    const HRESULT hr = buffer_->Stop();
    if (FAILED(hr)) return hr;
    return Reset();
}

HRESULT CYSound::Reset() {
    if (!buffer_) return S_OK;
    return buffer_->SetCurrentPosition(0);
}

HRESULT CYSound::Update() {
    if (!playing_) return S_OK;
    playing_ = false;
    if (buffer_) {
        uint32_t status = 0;
        HRESULT hr = buffer_->GetStatus(&status);
        if (FAILED(hr)) return hr;
        playing_ = (status & snd::kStatusPlaying) != 0;
        if (status & snd::kStatusBufferLost) {
            // A restored buffer has lost its bytes: they are written again at once.
            bool restored = false;
            hr = RestoreBuffer(buffer_.get(), &restored);
            if (SUCCEEDED(hr) && restored) hr = Fill(buffer_.get(), false);
            if (FAILED(hr)) return hr;
        }
    }
    if (!playing_ && loop_) return Play();
    return S_OK;
}

HRESULT CYSound::SetVolume(float volume) {
    if (!buffer_) return S_OK;
    return buffer_->SetVolume(VolumeToHundredths(volume));
}
