#include "world/YSaveGame.h"

#include <cstdio>

#include "core/YEndian.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "platform/files/Files.h"

const char* const kSaveDirectory = "data\\Saves";

namespace {

// Fewest bytes one record takes: the lengths of its four texts, the unlock level, the
// weapons count and the device count.
constexpr size_t kMinRecordSize = 7 * 4;

// Reads the layout's ints and texts from a buffer; the first read past the end, and any
// negative or oversized length, stops every later read.
class SaveReader {
public:
    SaveReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Left() const { return size_ - position_; }
    bool Failed() const { return !why_.empty(); }
    const std::string& Why() const { return why_; }

    bool Int(int32_t* out) {
        if (Failed()) return false;
        if (Left() < 4) return Fail("ends early");
        *out = LoadLE32Signed(data_ + position_);
        position_ += 4;
        return true;
    }
    bool Text(std::string* out) {
        int32_t length = 0;
        if (!Int(&length)) return false;
        if (length < 0) return Fail("negative text length");
        if (static_cast<size_t>(length) > Left()) return Fail("text past the end");
        out->assign(reinterpret_cast<const char*>(data_ + position_), static_cast<size_t>(length));
        position_ += static_cast<size_t>(length);
        return true;
    }
    // A count of items each taking at least itemSize bytes; 0 or less reads no items.
    bool Count(int32_t* out, size_t itemSize) {
        if (!Int(out)) return false;
        if (*out <= 0) {
            *out = 0;
            return true;
        }
        if (static_cast<size_t>(*out) > Left() / itemSize) return Fail("count larger than the file");
        return true;
    }

private:
    bool Fail(const char* why) {
        why_ = why;
        return false;
    }

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    std::string why_;
};

bool ReadRecord(SaveReader& in, CYDroidRecord* record) {
    int32_t deviceCount = 0;
    if (!in.Text(&record->name) || !in.Int(&record->unlockLevel) || !in.Text(&record->chassis) ||
        !in.Text(&record->armor) || !in.Text(&record->weapon) || !in.Int(&record->weaponsCount) ||
        !in.Count(&deviceCount, 4))
        return false;
    record->devices.resize(static_cast<size_t>(deviceCount));
    for (std::string& device : record->devices)
        if (!in.Text(&device)) return false;
    return true;
}

void PutInt(std::vector<uint8_t>& out, int32_t value) {
    uint8_t bytes[4];
    StoreLE32(bytes, static_cast<uint32_t>(value));
    out.insert(out.end(), bytes, bytes + 4);
}

void PutText(std::vector<uint8_t>& out, const std::string& text) {
    PutInt(out, static_cast<int32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::string SaveGamePath(int32_t slot) {
    char path[64];
    std::snprintf(path, sizeof path, "%s\\save%d.sav", kSaveDirectory, static_cast<int>(slot));
    return path;
}

std::vector<uint8_t> EncodeSaveGame(const YSaveGame& save) {
    std::vector<uint8_t> out;
    PutText(out, save.name);
    PutInt(out, save.lastLevel);
    PutInt(out, save.fixedScore);
    PutInt(out, static_cast<int32_t>(save.roster.size()));
    for (const CYDroidRecord& record : save.roster) {
        PutText(out, record.name);
        PutInt(out, record.unlockLevel);
        PutText(out, record.chassis);
        PutText(out, record.armor);
        PutText(out, record.weapon);
        PutInt(out, record.weaponsCount);
        PutInt(out, static_cast<int32_t>(record.devices.size()));
        for (const std::string& device : record.devices) PutText(out, device);
    }
    return out;
}

bool DecodeSaveGame(const uint8_t* data, size_t size, YSaveGame* out, std::string* why) {
    SaveReader in(data, size);
    int32_t count = 0;
    out->roster.clear();
    if (in.Text(&out->name) && in.Int(&out->lastLevel) && in.Int(&out->fixedScore) &&
        in.Count(&count, kMinRecordSize)) {
        out->roster.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            out->roster.emplace_back();
            if (!ReadRecord(in, &out->roster.back())) break;
        }
    }
    if (in.Failed() && why) *why = in.Why();
    return !in.Failed();
}

YSaveRead ReadSaveGame(int32_t slot, YSaveGame* out) {
    const std::string path = SaveGamePath(slot);
    CYFile file(path);
    if (FAILED(file.Load())) {
        if (!fs::FileExists(path)) return YSaveRead::kMissing;
        Log(1, "Save file - %s cannot be read\n", path.c_str());
        return YSaveRead::kDamaged;
    }
    std::string why;
    if (!DecodeSaveGame(file.GetData(), file.GetSize(), out, &why)) {
        Log(1, "Save file - %s is damaged (%s)\n", path.c_str(), why.c_str());
        return YSaveRead::kDamaged;
    }
    return YSaveRead::kLoaded;
}

HRESULT WriteSaveGame(int32_t slot, const YSaveGame& save) {
    fs::CreateDirectories(kSaveDirectory);
    const std::vector<uint8_t> bytes = EncodeSaveGame(save);
    CYFileWriter writer(SaveGamePath(slot));
    writer.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return writer.Save();
}

std::string ReadSaveName(int32_t slot) {
    CYFile file(SaveGamePath(slot));
    if (FAILED(file.Load())) return std::string();
    SaveReader in(file.GetData(), file.GetSize());
    std::string name;
    return in.Text(&name) ? name : std::string();
}
