// Fuzzes the game-data tables: any text read as each of the six tables in turn.
#include <cstddef>
#include <cstdint>

#include "world/YGameData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CYGameData tables;
    for (int t = 0; t < 6; ++t) {
        tables.ReadTable(static_cast<CYGameDataTable>(t), data, static_cast<uint32_t>(size), "fuzz.dat");
    }
    // Every row holds at least its key, so no table can hold more rows than the text has bytes.
    const size_t limit = size + 1;
    if (tables.weapons.Size() > limit || tables.droids.Size() > limit || tables.enemies.Size() > limit) {
        __builtin_trap();
    }
    for (const auto& [key, droid] : tables.droids) {
        if (key.empty() || droid.devices.size() > size) __builtin_trap();
    }
    return 0;
}
