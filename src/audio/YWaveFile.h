// RIFF/WAVE files: the format record and the bytes of the "data" chunk, read from a whole
// file held in memory.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/sound/Sound.h"
#include "platform/system/Result.h"

// Open mode: reading, the only one there is.
constexpr uint32_t kWaveFileRead = 1;

class CYWaveFile {
public:
    CYWaveFile();
    ~CYWaveFile();
    CYWaveFile(const CYWaveFile&) = delete;
    CYWaveFile& operator=(const CYWaveFile&) = delete;

    // Opens a file of the game's data ("data\sounds\x.wav") in read mode; `format` is
    // not used for reading. E_INVALIDARG for a null name or another mode, E_FAIL when the
    // file cannot be read or is not a WAV file.
    HRESULT Open(const char* name, const snd::WaveFormat* format, uint32_t mode);
    // Parses a whole file's bytes; E_FAIL when they are not a WAV file.
    HRESULT OpenMemory(std::vector<uint8_t> bytes);
    // The data size in bytes, as the "data" chunk declares it, also where the file ends
    // before it: the sound's buffer takes that size, padded with silence, and a size past
    // the largest buffer is refused there.
    uint32_t GetSize() const { return dataSize_; }
    // Back to the start of the data.
    HRESULT ResetFile();
    // Copies up to `size` bytes of data; fewer (down to none) where the file ends early.
    HRESULT Read(uint8_t* destination, uint32_t size, uint32_t* bytesRead);
    void Close();
    // The format record; null unless open.
    const snd::WaveFormat* GetFormat() const { return open_ ? &format_ : nullptr; }

private:
    std::vector<uint8_t> file_;
    snd::WaveFormat format_;
    bool open_ = false;
    size_t riffEnd_ = 0;     // end of the RIFF chunk's body, within the file
    size_t dataOffset_ = 0;  // first byte of the data
    uint32_t dataSize_ = 0;
    uint32_t remaining_ = 0;  // declared bytes not read yet, present or not
};
