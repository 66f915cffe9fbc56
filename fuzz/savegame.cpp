// Save files on arbitrary bytes: a save either fails to decode, or decodes into what,
// written again, reads back as the same save and writes the same bytes again. (A count
// of 0 or less reads as no entries and is written as 0, so the first bytes may differ.)
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "world/YSaveGame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    YSaveGame save;
    std::string why;
    if (!DecodeSaveGame(data, size, &save, &why)) {
        if (why.empty()) __builtin_trap();
        return 0;
    }
    const std::vector<uint8_t> again = EncodeSaveGame(save);
    YSaveGame reread;
    if (!DecodeSaveGame(again.data(), again.size(), &reread, &why)) __builtin_trap();
    if (EncodeSaveGame(reread) != again) __builtin_trap();
    return 0;
}
