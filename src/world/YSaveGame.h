// Saved games: the fixed state of the player's progress (last level, fixed score, fixed
// roster) under a save name, in the numbered file "data\Saves\save<slot>.sav".
//
// Layout, little-endian, an int is 4 bytes signed, a text is an int byte count and that
// many bytes without terminator: save name (text), last level (int), fixed score (int),
// record count R (int), then R records: name (text), unlock level (int), chassis, armour,
// weapon (texts), weapons count (int), device count D (int), D device names (texts).
// States and the deployed flag are not saved.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/Result.h"
#include "world/YDroidRecord.h"

// The folder of the save files.
extern const char* const kSaveDirectory;  // "data\Saves"

// The file of a slot: "data\Saves\save<slot>.sav".
std::string SaveGamePath(int32_t slot);

// What a save holds.
struct YSaveGame {
    std::string name;
    int32_t lastLevel = 1;
    int32_t fixedScore = 0;
    std::vector<CYDroidRecord> roster;
};

// The bytes of a save.
std::vector<uint8_t> EncodeSaveGame(const YSaveGame& save);

// Reads a whole save. Every count and length is checked against the bytes left before
// anything is allocated. A record or device count of 0 or less reads no items. False,
// with *why saying what was wrong, for a save that ends early, a negative length, or a
// count or length larger than the bytes left; *out is then partly filled and must not be
// used. Bytes after the last record are ignored. Records start from the record defaults.
bool DecodeSaveGame(const uint8_t* data, size_t size, YSaveGame* out, std::string* why);

// Outcome of reading a slot's file.
enum class YSaveRead {
    kLoaded,   // *out holds the save
    kMissing,  // no file (the file layer logged it)
    kDamaged,  // the file exists and cannot be read whole (logged with the path)
};
YSaveRead ReadSaveGame(int32_t slot, YSaveGame* out);

// Writes the save to the slot's file in one step (a temporary file renamed over the old
// one; the folder is created when missing). S_OK, or E_FAIL with a log line and the old
// file untouched.
HRESULT WriteSaveGame(int32_t slot, const YSaveGame& save);

// The save name stored first in the slot's file; empty when the file is missing or its
// name cannot be read.
std::string ReadSaveName(int32_t slot);
