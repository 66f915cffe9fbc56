#include "audio/YMusic.h"

#include <cstring>

#include "audio/YSound.h"
#include "audio/YWaveFile.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YSettings.h"

CYMusic* g_music1 = nullptr;
CYMusic* g_music2 = nullptr;

namespace {

const char* const kMusicFolder = "data\\music";
// Longest path a channel opens, in bytes, as the wide-character path buffer holds it.
constexpr size_t kPathMax = 259;

// The samples of a WAV file of plain PCM that the music stream plays as they are: 8 or 16
// bits, mono or stereo, its data whole. False for any other file, which goes to the
// decoders.
bool ReadPlainPcm(const uint8_t* data, size_t size, snd::WaveFormat* format, std::vector<uint8_t>* samples) {
    CYWaveFile wave;
    if (size < 4 || std::memcmp(data, "RIFF", 4) != 0) return false;
    if (FAILED(wave.OpenMemory(std::vector<uint8_t>(data, data + size)))) return false;
    const snd::WaveFormat& f = *wave.GetFormat();
    if (f.formatTag != snd::kFormatPcm || (f.channels != 1 && f.channels != 2) ||
        (f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.blockAlign != f.channels * f.bitsPerSample / 8)
        return false;
    // A cut file's declared size is not allocated: the decoders play what is there.
    if (wave.GetSize() > size) return false;
    samples->resize(wave.GetSize());
    uint32_t read = 0;
    if (FAILED(wave.Read(samples->data(), wave.GetSize(), &read)) || read != wave.GetSize()) return false;
    *format = f;
    return true;
}

// Plain PCM WAV files play from their samples; every other file, and a PCM file the stream
// refuses, through the media layer's decoders.
HRESULT OpenMusicStream(snd::Device* device, const uint8_t* data, size_t size, std::unique_ptr<media::Music>* out) {
    snd::WaveFormat format;
    std::vector<uint8_t> samples;
    if (ReadPlainPcm(data, size, &format, &samples) &&
        SUCCEEDED(media::Music::OpenPcm(device, format, std::move(samples), out)))
        return S_OK;
    return media::Music::Open(device, std::vector<uint8_t>(data, data + size), out);
}

}  // namespace

CYMusic::CYMusic(snd::Device* device) : device_(device), level_(1.0f - g_settings.musicVolume) {}

CYMusic::~CYMusic() { ReleaseGraph(); }

void CYMusic::ReleaseGraph() {
    // The stream's thread ends before its source goes.
    stream_.reset();
    opened_ = false;
}

HRESULT CYMusic::Open(const std::string& fileName, bool loop) {
    ReleaseGraph();
    fileName_ = fileName;
    const std::string path = std::string(kMusicFolder) + "\\" + fileName;
    loop_ = loop;

    // The whole file is read first, from the archive or the disk: music files are a few
    // megabytes, and the decoder then works on memory alone.
    HRESULT hr = E_FILENOTFOUND;
    CYFile file(path);
    if (path.size() <= kPathMax && SUCCEEDED(file.Load()))
        hr = OpenMusicStream(device_, file.GetData(), file.GetSize(), &stream_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    // The new file waits stopped at full volume: SetVolume or SetFade brings in the level.
    opened_ = true;
    return S_OK;
}

HRESULT CYMusic::Play() {
    if (!opened_) return S_OK;
    HRESULT hr = stream_->Play();
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    playing_ = true;
    return S_OK;
}

HRESULT CYMusic::Stop() {
    if (!opened_) return S_OK;
    HRESULT hr = stream_->Stop();
    if (SUCCEEDED(hr)) hr = stream_->Rewind();
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    playing_ = false;
    return S_OK;
}

HRESULT CYMusic::Update() {
    if (!opened_ || !playing_) return S_OK;
    HRESULT hr = S_OK;
    // The end of the file: stopped and rewound.
    if (stream_->IsFinished()) {
        hr = stream_->Stop();
        if (SUCCEEDED(hr)) hr = stream_->Rewind();
        if (FAILED(hr)) {
            DXERROR(hr);
            return hr;
        }
        playing_ = false;
    }
    if (!stream_->IsRunning()) {
        playing_ = false;
        if (loop_) {
            hr = stream_->Rewind();
            if (SUCCEEDED(hr)) hr = stream_->Play();
            if (FAILED(hr)) {
                DXERROR(hr);
                return hr;
            }
            playing_ = true;
        }
    }
    return S_OK;
}

HRESULT CYMusic::SetVolume(float volume) {
    level_ = volume;
    if (!stream_) return S_OK;
    HRESULT hr = stream_->SetVolume(VolumeToHundredths(volume));
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    return S_OK;
}

void CYMusic::SetFade(float factor) {
    if (stream_) stream_->SetVolume(VolumeToHundredths(factor * level_));
}
