// The player's droids as records. The game world keeps four lists of them: the default
// record (the droid type most recently unlocked, the template of droids a level places),
// the live roster (the player's droids during a mission), the records of droids a level
// placed, and the fixed roster (the player's droids as last fixed or loaded from a save).
// A droid object names its record by id in its integer parameter "info".
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "world/YDroidRecord.h"
#include "world/YGameData.h"

class CYComplexObject;

// Number of droid slots of the game world; slot i holds the droid numbered i + 1.
constexpr int kDroidSlots = 9;
using YDroidSlots = std::array<CYComplexObject*, kDroidSlots>;

// The shown name of droid number n: "Дроид - n" in code page 1251.
std::string DroidRecordName(int number);

// The record an object names in its parameter "info" (entered as 0 when absent); null
// when it names none or a record that is gone.
CYDroidRecord* DroidRecordOf(CYComplexObject* object);
// Makes the object name the record in "info" (0 for null).
void SetDroidRecordOf(CYComplexObject* object, const CYDroidRecord* record);

// The slot holding the object; -1 for null or an object in no slot.
int DroidSlotOf(const YDroidSlots& slots, const CYComplexObject* droid);
// The slot the walk from the current droid's slot reaches, stepping by step (+1 or -1)
// and wrapping: the first slot whose droid exists and whose flag "notChangable" is false
// (an absent flag is entered as false). -1 when the current droid is in no slot or the
// walk comes back to the current slot.
int WalkDroidSlots(const YDroidSlots& slots, const CYComplexObject* current, int step);

using YRecordList = std::vector<std::unique_ptr<CYDroidRecord>>;

class CYDroidRosters {
public:
    CYDroidRosters() = default;
    CYDroidRosters(const CYDroidRosters&) = delete;
    CYDroidRosters& operator=(const CYDroidRosters&) = delete;

    // Every live record destroyed, then a roster copy of each fixed record appended in
    // order (states 1.0, deployed flag kept).
    void RebuildLive();
    // The fixed roster emptied, then for each live record in order: its deployed flag
    // cleared and a roster copy appended to the fixed roster.
    void FixLive();
    // The default record becomes a roster copy of the droid type with the highest unlock
    // level u, 0 < u <= mission number (the first in table order among equal ones). False,
    // and the default record unchanged, when no type qualifies.
    bool UnlockDefault(const CYGameTable<CYDroidRecord>& droidTable, int32_t missionNumber);
    // A new placed record: a roster copy of the default record under the name.
    CYDroidRecord* AddPlaced(const std::string& name);
    // Appends a record to the live roster and returns it.
    CYDroidRecord* AddLive(const CYDroidRecord& record);
    // Destroys the record where the live roster, else the placed records, hold it. False
    // (nothing destroyed) for null and for a record neither holds.
    bool DestroyRecord(const CYDroidRecord* record);
    // Destroys every live and placed record.
    void DestroyAll();
    bool IsLive(const CYDroidRecord* record) const;

    CYDroidRecord& DefaultRecord() { return default_; }
    const CYDroidRecord& DefaultRecord() const { return default_; }
    YRecordList& Live() { return live_; }
    const YRecordList& Live() const { return live_; }
    const YRecordList& Placed() const { return placed_; }
    std::vector<CYDroidRecord>& Fixed() { return fixed_; }
    const std::vector<CYDroidRecord>& Fixed() const { return fixed_; }

private:
    CYDroidRecord default_;
    YRecordList live_;
    YRecordList placed_;
    std::vector<CYDroidRecord> fixed_;
};
