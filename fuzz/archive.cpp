// Fuzzes the game archive reader: header, directory walk and each file's place.
// Each input is read twice: as it is, and with its directory scrambled first, so that
// the fuzzer shapes the plain directory entries directly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/YArchive.h"
#include "core/YEndian.h"

namespace {

void Check(const uint8_t* data, size_t size) {
    ArchiveIndex index;
    uint32_t dataStart = 0;
    if (!ParseGameArchive(data, size, index, dataStart)) {
        if (!index.empty()) __builtin_trap();
        return;
    }
    // Every entry starts in the data area; those inside the input unscramble in place
    // (the others fail when their file is loaded).
    std::vector<uint8_t> block;
    for (const auto& [path, entry] : index) {
        if (path.size() > kArchiveMaxPath) __builtin_trap();
        if (entry.offset < dataStart) __builtin_trap();
        if (static_cast<uint64_t>(entry.offset) + entry.size > size) continue;
        block.assign(data + entry.offset, data + entry.offset + entry.size);
        UnscrambleBuffer(block.data(), block.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(data, size);
    if (size < 8) return 0;
    std::vector<uint8_t> copy(data, data + size);
    StoreLE32(copy.data(), kArchiveMagic);
    uint64_t directorySize = LoadLE32(copy.data() + 4);
    if (directorySize > size - 8) directorySize = size - 8;
    ScrambleBuffer(copy.data() + 8, static_cast<size_t>(directorySize));
    Check(copy.data(), copy.size());
    return 0;
}
