// Save files on arbitrary bytes: a save either fails to decode, or decodes into what,
// written again, gives back the bytes it was read from (any bytes after them are ignored).
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
    if (again.size() > size || std::memcmp(again.data(), data, again.size()) != 0) __builtin_trap();
    return 0;
}
