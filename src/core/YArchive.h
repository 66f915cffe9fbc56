// The game archive "game.dat": one file holding a tree of directories and files.
//
// Layout (little-endian): magic 0xFA17E456, the directory size N, the directory (N bytes,
// scrambled as one block), then the data area, each file's bytes scrambled as a block of
// its own. Directory entries: name length, name, offset (negative for a directory, else
// the file's offset in the data area), size, child count; a directory's children follow
// it depth first. OpenGameArchive reads the directory once into a program-wide index
// from lower-case path ("data\scripts\main.lua") to absolute position and size.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/system/Result.h"

constexpr uint32_t kArchiveMagic = 0xFA17E456u;
constexpr size_t kArchiveKeyLength = 1869;
// The archive's name in the working directory.
extern const char* const kGameArchiveName;
// The scrambling key (YArchiveKey.cpp), shared with the packer.
extern const uint8_t kArchiveKey[kArchiveKeyLength];

// Limits a directory must keep: deepest nesting and longest path (in bytes).
constexpr int kArchiveMaxDepth = 64;
constexpr size_t kArchiveMaxPath = 1024;
// Smallest directory entry: name length, offset, size and count, with an empty name.
constexpr size_t kArchiveEntryMinSize = 16;

// Subtracts the key from a block: byte i minus key byte (i mod 1869).
void UnscrambleBuffer(uint8_t* data, size_t size);
// Adds the key to a block; the inverse of UnscrambleBuffer (used by the packer).
void ScrambleBuffer(uint8_t* data, size_t size);

// One file in the archive: absolute position of its first byte and its size.
struct ArchiveEntry {
    uint32_t offset = 0;
    uint32_t size = 0;
};

// h := 5 * h + byte over the key's bytes, in 32 bits.
struct ArchiveKeyHash {
    size_t operator()(const std::string& key) const;
};
using ArchiveIndex = std::unordered_map<std::string, ArchiveEntry, ArchiveKeyHash>;

// Read position in an unscrambled directory.
struct ArchiveDirectoryCursor {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

// Where the data area starts: file offsets count from there.
struct ArchiveLayout {
    uint32_t dataStart = 0;
};

// Reads one entry at the cursor (a directory with all its descendants) into the index
// and advances the cursor. False when the directory is corrupt: a length or count that
// leaves the directory, a path above kArchiveMaxPath bytes or nesting deeper than
// kArchiveMaxDepth. The index may then hold part of the entries. A file whose bytes lie
// past the archive's end is indexed all the same: its own load fails (CYFile::Load).
bool ReadArchiveDirectory(ArchiveDirectoryCursor& cursor, const std::string& prefix, const ArchiveLayout& layout,
                          ArchiveIndex& index, int depth = 0);

// Reads an archive's index from its bytes in memory (header, directory and data area).
// False for a wrong magic or a corrupt directory; the index is then empty.
bool ParseGameArchive(const uint8_t* bytes, size_t size, ArchiveIndex& index, uint32_t& dataStart);

// Reads an archive file's header and directory into an index. S_OK, or E_FAIL when the
// file cannot be opened, has a wrong magic or a corrupt directory (the index is empty).
HRESULT ReadGameArchiveIndex(const std::string& path, ArchiveIndex& index, uint32_t& dataStart);

// Reads "game.dat" in the working directory into the program-wide index. On failure logs
// "Cannot read game archive\n", leaves the index empty and returns E_FAIL.
HRESULT OpenGameArchive();
// Empties the program-wide index: every file is read from disk again.
void CloseGameArchive();
// The program-wide index entry of a lower-case path; false when the archive lacks it.
bool FindArchiveEntry(const std::string& lowerPath, ArchiveEntry& entry);
// Number of files in the program-wide index.
size_t GetArchiveFileCount();
