#include "core/YFile.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <cstring>

#include "core/YArchive.h"
#include "core/YEndian.h"
#include "core/YLog.h"
#include "core/YUtils.h"
#include "platform/files/Files.h"

namespace {
// What GetData points at while the data is empty.
const uint8_t kNoData[1] = {0};
}  // namespace

CYFile::CYFile(const std::string& name) : name_(name) { ToLower(name_); }

CYFile::~CYFile() = default;

HRESULT CYFile::Load(uint32_t maxBytes) {
    data_.clear();
    position_ = 0;
    readFailed_ = false;
    ArchiveEntry entry;
    HRESULT hr = FindArchiveEntry(name_, entry) ? LoadFromArchive(entry.offset, entry.size, maxBytes)
                                                : LoadFromDisk(maxBytes);
    if (FAILED(hr)) std::vector<uint8_t>().swap(data_);
    return hr;
}

bool CYFile::SizeAllowed(uint64_t size, uint32_t maxBytes) const {
    if (size <= maxBytes) return true;
    Log(0, "File - %s of %llu bytes is too large\n", name_.c_str(), static_cast<unsigned long long>(size));
    return false;
}

HRESULT CYFile::LoadFromArchive(uint32_t offset, uint32_t size, uint32_t maxBytes) {
    if (!SizeAllowed(size, maxBytes)) return E_FAIL;
    std::FILE* f = fs::Open(kGameArchiveName, "rb");
    if (!f) {
        Log(0, "File - %s not found\n", kGameArchiveName);
        return E_FAIL;
    }
    // An entry whose bytes lie past the archive's end fails here, alone, before anything
    // is allocated for it. An empty one has no bytes to miss.
    struct stat st;
    bool ok = ::fstat(fileno(f), &st) == 0 &&
              (size == 0 || uint64_t{offset} + size <= static_cast<uint64_t>(st.st_size)) &&
              fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
    if (ok) {
        data_.resize(size);
        ok = std::fread(data_.data(), 1, size, f) == size;
    }
    std::fclose(f);
    if (!ok) {
        Log(0, "Unknown error in file - %s\n", kGameArchiveName);
        return E_FAIL;
    }
    UnscrambleBuffer(data_.data(), data_.size());
    return S_OK;
}

HRESULT CYFile::LoadFromDisk(uint32_t maxBytes) {
    std::FILE* f = fs::Open(name_, "rb");
    if (!f) {
        Log(0, "File - %s not found\n", name_.c_str());
        return E_FAIL;
    }
    bool ok = false;
    if (fseeko(f, 0, SEEK_END) == 0) {
        const off_t size = ftello(f);
        if (size >= 0 && !SizeAllowed(static_cast<uint64_t>(size), maxBytes)) {
            std::fclose(f);
            return E_FAIL;
        }
        if (size >= 0 && fseeko(f, 0, SEEK_SET) == 0) {
            data_.resize(static_cast<size_t>(size));
            ok = std::fread(data_.data(), 1, data_.size(), f) == data_.size();
        }
    }
    std::fclose(f);
    if (!ok) {
        Log(0, "Unknown error in file - %s\n", name_.c_str());
        return E_FAIL;
    }
    return S_OK;
}

const uint8_t* CYFile::GetData() const { return data_.empty() ? kNoData : data_.data(); }

uint32_t CYFile::GetSize() const { return static_cast<uint32_t>(data_.size()); }

HRESULT CYFile::Read(void* destination, uint32_t n) {
    uint32_t left = GetSize() - position_;
    if (n > left) {
        if (n > 0) std::memset(destination, 0, n);
        position_ = GetSize();
        readFailed_ = true;
        return E_FAIL;
    }
    if (n > 0) std::memcpy(destination, data_.data() + position_, n);
    position_ += n;
    return S_OK;
}

int32_t CYFile::ReadInt() {
    uint8_t bytes[4];
    if (FAILED(Read(bytes, 4))) return 0;
    return static_cast<int32_t>(LoadLE32(bytes));
}

float CYFile::ReadFloat() {
    uint8_t bytes[4];
    if (FAILED(Read(bytes, 4))) return 0.0f;
    return LoadLEFloat(bytes);
}

std::string CYFile::ReadString() {
    uint8_t bytes[4];
    if (FAILED(Read(bytes, 4))) return std::string();
    uint32_t length = LoadLE32(bytes);
    // The length is checked against what is left before anything is allocated.
    if (length > GetSize() - position_) {
        position_ = GetSize();
        readFailed_ = true;
        return std::string();
    }
    std::string text(reinterpret_cast<const char*>(data_.data() + position_), length);
    position_ += length;
    return text;
}

CYFileWriter::CYFileWriter(const std::string& name) : name_(name) {}

CYFileWriter::~CYFileWriter() = default;

void CYFileWriter::Write(const void* bytes, uint32_t n) {
    if (n == 0) return;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    buffer_.insert(buffer_.end(), p, p + n);
}

void CYFileWriter::WriteInt(int32_t value) {
    uint8_t bytes[4];
    StoreLE32(bytes, static_cast<uint32_t>(value));
    Write(bytes, 4);
}

void CYFileWriter::WriteString(const std::string& text) {
    WriteInt(static_cast<int32_t>(text.size()));
    Write(text.data(), static_cast<uint32_t>(text.size()));
}

HRESULT CYFileWriter::Save() {
    // As a failed open: a read-only file or a directory of that name is never replaced.
    if (!fs::CanOpenForWriting(name_)) {
        Log(0, "File - %s not found\n", name_.c_str());
        return E_FAIL;
    }
    switch (fs::WriteFileAtomic(name_, buffer_.data(), buffer_.size())) {
    case fs::WriteStatus::kOk:
        return S_OK;
    case fs::WriteStatus::kCannotCreate:
        Log(0, "File - %s not found\n", name_.c_str());
        return E_FAIL;
    case fs::WriteStatus::kCannotWrite:
        break;
    }
    Log(0, "Unknown error in file - %s\n", name_.c_str());
    return E_FAIL;
}
