#include "core/YArchive.h"

#include <sys/stat.h>

#include <cstdio>

#include "core/YEndian.h"
#include "core/YLog.h"
#include "core/YUtils.h"
#include "platform/files/Files.h"

const char* const kGameArchiveName = "game.dat";

namespace {

// The program-wide index and the start of the data area (directory size + 8).
ArchiveIndex g_archiveIndex;
uint32_t g_archiveDataStart = 0;

constexpr size_t kHeaderSize = 8;

bool ReadU32(ArchiveDirectoryCursor& cursor, uint32_t& value) {
    if (cursor.pos > cursor.size || cursor.size - cursor.pos < 4) return false;
    value = LoadLE32(cursor.data + cursor.pos);
    cursor.pos += 4;
    return true;
}

// Reads the root entry of an unscrambled directory. A directory of no bytes is an empty
// archive. On failure the index is emptied.
bool ParseDirectory(const std::vector<uint8_t>& directory, const ArchiveLayout& layout, ArchiveIndex& index) {
    index.clear();
    if (directory.empty()) return true;
    ArchiveDirectoryCursor cursor{directory.data(), directory.size(), 0};
    if (!ReadArchiveDirectory(cursor, "", layout, index)) {
        index.clear();
        return false;
    }
    return true;
}

// Checks the header; on success gives the directory size.
bool CheckHeader(const uint8_t* header, uint64_t fileSize, uint32_t& directorySize) {
    if (fileSize < kHeaderSize || LoadLE32(header) != kArchiveMagic) return false;
    directorySize = LoadLE32(header + 4);
    return directorySize <= fileSize - kHeaderSize && directorySize <= UINT32_MAX - kHeaderSize;
}

}  // namespace

void UnscrambleBuffer(uint8_t* data, size_t size) {
    size_t k = 0;
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(data[i] - kArchiveKey[k]);
        if (++k == kArchiveKeyLength) k = 0;
    }
}

void ScrambleBuffer(uint8_t* data, size_t size) {
    size_t k = 0;
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(data[i] + kArchiveKey[k]);
        if (++k == kArchiveKeyLength) k = 0;
    }
}

size_t ArchiveKeyHash::operator()(const std::string& key) const {
    uint32_t h = 0;
    for (char c : key) h = 5u * h + static_cast<uint8_t>(c);
    return h;
}

bool ReadArchiveDirectory(ArchiveDirectoryCursor& cursor, const std::string& prefix, const ArchiveLayout& layout,
                          ArchiveIndex& index, int depth) {
    if (depth > kArchiveMaxDepth) return false;
    uint32_t nameLength = 0;
    if (!ReadU32(cursor, nameLength)) return false;
    if (nameLength > cursor.size - cursor.pos || prefix.size() + nameLength > kArchiveMaxPath) return false;
    std::string path = prefix;
    path.append(reinterpret_cast<const char*>(cursor.data + cursor.pos), nameLength);
    cursor.pos += nameLength;

    uint32_t rawOffset = 0, size = 0, rawCount = 0;
    if (!ReadU32(cursor, rawOffset) || !ReadU32(cursor, size) || !ReadU32(cursor, rawCount)) return false;
    int32_t offset = static_cast<int32_t>(rawOffset);
    int32_t count = static_cast<int32_t>(rawCount);

    if (offset >= 0) {
        // A file. Bytes past the archive's end fail when that file is loaded, so one bad
        // entry costs only itself; a start beyond 32 bits is kept past any end.
        uint64_t start = static_cast<uint64_t>(layout.dataStart) + static_cast<uint64_t>(offset);
        ToLower(path);
        index[path] = ArchiveEntry{start > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(start), size};
        return true;
    }

    // A directory: its children follow, each taking at least one minimal entry.
    path += '\\';
    if (count <= 0) return true;
    if (static_cast<uint64_t>(count) > (cursor.size - cursor.pos) / kArchiveEntryMinSize) return false;
    for (int32_t i = 0; i < count; ++i)
        if (!ReadArchiveDirectory(cursor, path, layout, index, depth + 1)) return false;
    return true;
}

bool ParseGameArchive(const uint8_t* bytes, size_t size, ArchiveIndex& index, uint32_t& dataStart) {
    index.clear();
    uint32_t directorySize = 0;
    if (!bytes || !CheckHeader(bytes, size, directorySize)) return false;
    std::vector<uint8_t> directory(bytes + kHeaderSize, bytes + kHeaderSize + directorySize);
    UnscrambleBuffer(directory.data(), directory.size());
    ArchiveLayout layout{directorySize + static_cast<uint32_t>(kHeaderSize)};
    if (!ParseDirectory(directory, layout, index)) return false;
    dataStart = layout.dataStart;
    return true;
}

HRESULT ReadGameArchiveIndex(const std::string& path, ArchiveIndex& index, uint32_t& dataStart) {
    index.clear();
    std::FILE* f = fs::Open(path, "rb");
    if (!f) return E_FAIL;
    bool ok = false;
    struct stat st;
    uint8_t header[kHeaderSize];
    uint32_t directorySize = 0;
    if (::fstat(fileno(f), &st) == 0 && std::fread(header, 1, kHeaderSize, f) == kHeaderSize &&
        CheckHeader(header, static_cast<uint64_t>(st.st_size), directorySize)) {
        // The directory fits in the file (checked above), so its buffer is bounded.
        std::vector<uint8_t> directory(directorySize);
        if (std::fread(directory.data(), 1, directorySize, f) == directorySize) {
            UnscrambleBuffer(directory.data(), directory.size());
            ArchiveLayout layout{directorySize + static_cast<uint32_t>(kHeaderSize)};
            ok = ParseDirectory(directory, layout, index);
            if (ok) dataStart = layout.dataStart;
        }
    }
    std::fclose(f);
    if (!ok) index.clear();
    return ok ? S_OK : E_FAIL;
}

HRESULT OpenGameArchive() {
    ArchiveIndex index;
    uint32_t dataStart = 0;
    if (FAILED(ReadGameArchiveIndex(kGameArchiveName, index, dataStart))) {
        Log(0, "Cannot read game archive\n");
        CloseGameArchive();
        return E_FAIL;
    }
    g_archiveIndex.swap(index);
    g_archiveDataStart = dataStart;
    return S_OK;
}

void CloseGameArchive() {
    ArchiveIndex().swap(g_archiveIndex);
    g_archiveDataStart = 0;
}

bool FindArchiveEntry(const std::string& lowerPath, ArchiveEntry& entry) {
    auto it = g_archiveIndex.find(lowerPath);
    if (it == g_archiveIndex.end()) return false;
    entry = it->second;
    return true;
}

size_t GetArchiveFileCount() { return g_archiveIndex.size(); }
