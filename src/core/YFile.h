// Data files. CYFile reads a whole file into memory, from the game archive when its index
// holds the name (YArchive.h), else from disk; it then reads little-endian values from it.
// CYFileWriter collects bytes in memory and writes them to a file in one go.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/Result.h"

// Files larger than this are refused by CYFile::Load before anything is read.
constexpr uint32_t kMaxDataFileBytes = uint32_t{256} << 20;

class CYFile {
public:
    // Keeps the name lower-cased; reads nothing.
    explicit CYFile(const std::string& name);
    virtual ~CYFile();
    CYFile(const CYFile&) = delete;
    CYFile& operator=(const CYFile&) = delete;

    // Reads the whole file (archive first, then disk); S_OK or E_FAIL with a log line.
    // The data replaces any earlier data and reading starts again at the first byte;
    // a failed load leaves the data empty. A file longer than maxBytes is refused by its
    // size alone, before anything is read or allocated.
    HRESULT Load(uint32_t maxBytes = kMaxDataFileBytes);
    // The first byte (never null, also for empty data) and the number of bytes.
    const uint8_t* GetData() const;
    uint32_t GetSize() const;
    // The read position: bytes read so far (at most GetSize()).
    uint32_t GetPosition() const { return position_; }

    // Copies n bytes from the read position and advances it. A read past the end copies
    // zeros, moves the position to the end, sets the read-failure flag and returns E_FAIL.
    HRESULT Read(void* destination, uint32_t n);
    // 4 bytes as a little-endian 32-bit integer; 0 past the end.
    int32_t ReadInt();
    // 4 bytes as an IEEE single float; 0 past the end.
    float ReadFloat();
    // A 32-bit length n, then n bytes; the empty text when either lies past the end.
    std::string ReadString();
    // True once a read went past the end; loaders test it after reading a record.
    bool ReadFailed() const { return readFailed_; }

private:
    HRESULT LoadFromArchive(uint32_t offset, uint32_t size, uint32_t maxBytes);
    HRESULT LoadFromDisk(uint32_t maxBytes);
    // False (logged) when a file of that many bytes is over the limit.
    bool SizeAllowed(uint64_t size, uint32_t maxBytes) const;

    std::string name_;
    std::vector<uint8_t> data_;
    uint32_t position_ = 0;
    bool readFailed_ = false;
};

class CYFileWriter {
public:
    explicit CYFileWriter(const std::string& name);
    virtual ~CYFileWriter();
    CYFileWriter(const CYFileWriter&) = delete;
    CYFileWriter& operator=(const CYFileWriter&) = delete;

    // Appends n bytes.
    void Write(const void* bytes, uint32_t n);
    // Appends 4 bytes little-endian.
    void WriteInt(int32_t value);
    // Appends the length with WriteInt, then the bytes (no terminator).
    void WriteString(const std::string& text);
    // Replaces the file with the buffer in one step (temporary file renamed over the old
    // one). S_OK, or E_FAIL with a log line; the old file is then untouched.
    HRESULT Save();

private:
    std::string name_;
    std::vector<uint8_t> buffer_;
};
