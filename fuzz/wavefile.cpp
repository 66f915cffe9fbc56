// The WAV reader on arbitrary bytes: open, read the data in pieces, rewind, read again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/YWaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CYWaveFile file;
    if (FAILED(file.OpenMemory(std::vector<uint8_t>(data, data + size)))) return 0;
    const snd::WaveFormat* format = file.GetFormat();
    if (!format || format->channels == 0 || format->blockAlign == 0) __builtin_trap();
    uint8_t piece[512];
    for (int pass = 0; pass < 2; ++pass) {
        uint64_t total = 0;
        uint32_t n = 0;
        do {
            if (FAILED(file.Read(piece, sizeof piece, &n)) || n > sizeof piece) __builtin_trap();
            total += n;
        } while (n > 0);
        if (total > file.GetSize() || total > size) __builtin_trap();
        if (FAILED(file.ResetFile())) __builtin_trap();
    }
    return 0;
}
