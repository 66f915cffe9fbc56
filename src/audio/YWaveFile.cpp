#include "audio/YWaveFile.h"

#include "core/YEndian.h"
#include "core/YFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Sound files larger than the largest sound buffer and its headers are not read.
constexpr size_t kMaxSoundFileBytes = size_t{snd::kBufferBytesMax} + (size_t{1} << 20);
constexpr size_t kRiffHeader = 12;  // "RIFF", size, "WAVE"
constexpr size_t kChunkHeader = 8;
constexpr uint32_t kPcmFormatBytes = 16;
constexpr uint32_t kFormatRecordBytes = 18;

// Reads a sound file through CYFile: the archive first, then the disk.
bool LoadSoundFileBytes(const char* enginePath, std::vector<uint8_t>& out) {
    out.clear();
    CYFile file(enginePath ? enginePath : "");
    if (FAILED(file.Load(kMaxSoundFileBytes))) return false;
    out.assign(file.GetData(), file.GetData() + file.GetSize());
    return true;
}

bool IdAt(const std::vector<uint8_t>& b, size_t at, const char* id) { return std::memcmp(&b[at], id, 4) == 0; }

// Walks the chunks from `from` up to `end` (odd sizes padded to even) for the first one
// with the id; only headers that lie whole before `end` are read.
bool FindChunk(const std::vector<uint8_t>& b, size_t from, size_t end, const char* id, size_t* body, uint32_t* size) {
    uint64_t at = from;
    while (at + kChunkHeader <= end) {
        const uint32_t chunkSize = LoadLE32(&b[at + 4]);
        if (IdAt(b, at, id)) {
            *body = at + kChunkHeader;
            *size = chunkSize;
            return true;
        }
        at += kChunkHeader + uint64_t{chunkSize} + (chunkSize & 1);
    }
    return false;
}

}  // namespace

CYWaveFile::CYWaveFile() = default;
CYWaveFile::~CYWaveFile() { Close(); }

HRESULT CYWaveFile::Open(const char* name, const snd::WaveFormat* /*format*/, uint32_t mode) {
    if (!name || mode != kWaveFileRead) return E_INVALIDARG;
    Close();
    std::vector<uint8_t> bytes;
    if (!LoadSoundFileBytes(name, bytes)) return E_FAIL;
    return OpenMemory(std::move(bytes));
}

HRESULT CYWaveFile::OpenMemory(std::vector<uint8_t> bytes) {
    Close();
    file_ = std::move(bytes);
    const std::vector<uint8_t>& b = file_;
    if (b.size() < kRiffHeader || !IdAt(b, 0, "RIFF") || !IdAt(b, 8, "WAVE") || LoadLE32(&b[4]) < 4) {
        Close();
        return E_FAIL;
    }
    riffEnd_ = static_cast<size_t>(std::min<uint64_t>(kChunkHeader + uint64_t{LoadLE32(&b[4])}, b.size()));

    size_t fmt = 0;
    uint32_t fmtSize = 0;
    if (!FindChunk(b, kRiffHeader, riffEnd_, "fmt ", &fmt, &fmtSize) || fmtSize < kPcmFormatBytes ||
        fmtSize > b.size() - fmt) {
        Close();
        return E_FAIL;
    }
    format_.formatTag = LoadLE16(&b[fmt]);
    format_.channels = LoadLE16(&b[fmt + 2]);
    format_.samplesPerSec = LoadLE32(&b[fmt + 4]);
    format_.avgBytesPerSec = LoadLE32(&b[fmt + 8]);
    format_.blockAlign = LoadLE16(&b[fmt + 12]);
    format_.bitsPerSample = LoadLE16(&b[fmt + 14]);
    if (format_.formatTag != snd::kFormatPcm && fmtSize >= kFormatRecordBytes) {
        // More extra bytes than the chunk holds: the header is corrupt.
        const uint32_t extra = LoadLE16(&b[fmt + 16]);
        if (extra > fmtSize - kFormatRecordBytes) {
            Close();
            return E_FAIL;
        }
        format_.extra.assign(b.begin() + fmt + kFormatRecordBytes, b.begin() + fmt + kFormatRecordBytes + extra);
    }
    if (format_.channels == 0 || format_.blockAlign == 0) {
        Close();
        return E_FAIL;
    }
    open_ = true;
    if (FAILED(ResetFile())) {
        Close();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CYWaveFile::ResetFile() {
    if (!open_) return CO_E_NOTINITIALIZED;
    size_t data = 0;
    uint32_t size = 0;
    if (!FindChunk(file_, kRiffHeader, riffEnd_, "data", &data, &size)) return E_FAIL;
    dataOffset_ = data;
    dataSize_ = size;
    remaining_ = size;
    return S_OK;
}

HRESULT CYWaveFile::Read(uint8_t* destination, uint32_t size, uint32_t* bytesRead) {
    if (!open_) return CO_E_NOTINITIALIZED;
    if (!destination || !bytesRead) return E_INVALIDARG;
    const uint64_t at = uint64_t{dataOffset_} + (dataSize_ - remaining_);
    const uint64_t present = at < file_.size() ? file_.size() - at : 0;
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>({size, remaining_, present}));
    if (n > 0) std::memcpy(destination, file_.data() + at, n);
    remaining_ -= n;
    *bytesRead = n;
    return S_OK;
}

void CYWaveFile::Close() {
    file_.clear();
    file_.shrink_to_fit();
    format_ = snd::WaveFormat{};
    open_ = false;
    riffEnd_ = dataOffset_ = 0;
    dataSize_ = remaining_ = 0;
}
