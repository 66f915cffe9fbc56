// The game-data tables: weapons, chassis, armour, devices, droid types and enemies, read
// from six tab-separated text files under "data\GameData". The engine reads only the droid
// table's unlock level and part names; every other value is handed to the scripts as read.
// The game world owns one CYGameData and loads it from its Init.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/system/Result.h"
#include "world/YDroidRecord.h"

// A table from row key to record, stored by value. Rows iterate in the order their keys
// first appeared; a row with a key already present replaces that record in its place.
template <class Record>
class CYGameTable {
public:
    using Entry = std::pair<std::string, Record>;

    // The record of a key, or null.
    const Record* Find(const std::string& key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    // Stores the record under the key, replacing a record of the same key.
    void Set(const std::string& key, Record record) {
        auto [it, added] = index_.emplace(key, entries_.size());
        if (added) entries_.emplace_back(key, std::move(record));
        else entries_[it->second].second = std::move(record);
    }
    void Clear() {
        entries_.clear();
        index_.clear();
    }
    size_t Size() const { return entries_.size(); }
    typename std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    typename std::vector<Entry>::const_iterator end() const { return entries_.end(); }

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> index_;
};

// A shop item: name, N numbers, a second text and an integer, in column order.
template <size_t N>
struct CYItemRecord {
    std::string name;
    std::array<float, N> values{};
    std::string text;
    int32_t number = 0;
};
struct CYWeaponRecord : CYItemRecord<6> {};
struct CYChassisRecord : CYItemRecord<3> {};
struct CYArmorRecord : CYItemRecord<3> {};
struct CYDeviceRecord : CYItemRecord<2> {};

struct CYEnemyRecord {
    std::array<float, 6> values{};
};

// The six tables, in the order their files are read.
enum class CYGameDataTable { kWeapon, kChassis, kArmor, kDevice, kDroid, kEnemy };

class CYGameData {
public:
    // Empties every table but the enemies', then reads the six files in order ("weapon.dat",
    // "chassis.dat", "armor.dat", "device.dat", "droid.dat", "enemy.dat"). S_OK when every
    // file was read; E_FAIL when any failed to load (the others are still read).
    HRESULT LoadGameData();
    // Reads the rows of one table's text into that table; fileName names it in log lines.
    void ReadTable(CYGameDataTable table, const void* data, uint32_t size, const std::string& fileName);

    CYGameTable<CYWeaponRecord> weapons;
    CYGameTable<CYChassisRecord> chassis;
    CYGameTable<CYArmorRecord> armors;
    CYGameTable<CYDeviceRecord> devices;
    CYGameTable<CYDroidRecord> droids;
    CYGameTable<CYEnemyRecord> enemies;
};
