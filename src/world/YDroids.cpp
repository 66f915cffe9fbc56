#include "world/YDroids.h"

#include <algorithm>
#include <cstdio>

#include "render/YComplexObject.h"

std::string DroidRecordName(int number) {
    char text[32];
    std::snprintf(text, sizeof text, "\xc4\xf0\xee\xe8\xe4 - %d", number);
    return text;
}

CYDroidRecord* DroidRecordOf(CYComplexObject* object) {
    if (!object) return nullptr;
    const int32_t id = object->ScriptHandler().objectParams["info"];
    if (id <= 0) return nullptr;
    return ResolveReference<CYDroidRecord>(ReferenceOfId(static_cast<uint32_t>(id)));
}

void SetDroidRecordOf(CYComplexObject* object, const CYDroidRecord* record) {
    if (!object) return;
    object->ScriptHandler().objectParams["info"] = record ? static_cast<int32_t>(record->ReferenceId()) : 0;
}

int DroidSlotOf(const YDroidSlots& slots, const CYComplexObject* droid) {
    if (!droid) return -1;
    for (int i = 0; i < kDroidSlots; ++i)
        if (slots[i] == droid) return i;
    return -1;
}

int WalkDroidSlots(const YDroidSlots& slots, const CYComplexObject* current, int step) {
    const int start = DroidSlotOf(slots, current);
    if (start < 0) return -1;
    for (int i = (start + step + kDroidSlots) % kDroidSlots; i != start; i = (i + step + kDroidSlots) % kDroidSlots) {
        CYComplexObject* droid = slots[i];
        if (droid && !droid->ScriptHandler().flagParams["notChangable"]) return i;
    }
    return -1;
}

void CYDroidRosters::RebuildLive() {
    live_.clear();
    for (const CYDroidRecord& record : fixed_) live_.push_back(std::make_unique<CYDroidRecord>(record.RosterCopy()));
}

void CYDroidRosters::FixLive() {
    fixed_.clear();
    for (const auto& record : live_) {
        record->deployed = 0;
        fixed_.push_back(record->RosterCopy());
    }
}

bool CYDroidRosters::UnlockDefault(const CYGameTable<CYDroidRecord>& droidTable, int32_t missionNumber) {
    const CYDroidRecord* best = nullptr;
    for (const auto& [key, record] : droidTable) {
        const int32_t u = record.unlockLevel;
        if (u > 0 && u <= missionNumber && (!best || u > best->unlockLevel)) best = &record;
    }
    if (!best) return false;
    default_ = best->RosterCopy();
    return true;
}

CYDroidRecord* CYDroidRosters::AddPlaced(const std::string& name) {
    placed_.push_back(std::make_unique<CYDroidRecord>(default_.RosterCopy()));
    placed_.back()->name = name;
    return placed_.back().get();
}

CYDroidRecord* CYDroidRosters::AddLive(const CYDroidRecord& record) {
    live_.push_back(std::make_unique<CYDroidRecord>(record));
    return live_.back().get();
}

namespace {

bool EraseRecord(YRecordList& list, const CYDroidRecord* record) {
    auto it = std::find_if(list.begin(), list.end(), [record](const auto& r) { return r.get() == record; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

}  // namespace

bool CYDroidRosters::DestroyRecord(const CYDroidRecord* record) {
    if (!record) return false;
    return EraseRecord(live_, record) || EraseRecord(placed_, record);
}

void CYDroidRosters::DestroyAll() {
    placed_.clear();
    live_.clear();
}

bool CYDroidRosters::IsLive(const CYDroidRecord* record) const {
    return record && std::any_of(live_.begin(), live_.end(), [record](const auto& r) { return r.get() == record; });
}
