// The description of one droid: its parts, its devices and the state it carries. The
// droid table holds one record per droid type; the player's droids are records too.
// A record is a script reference: a droid object names its record by the record's id in
// its integer parameter "info", so a record that is gone reads as null there.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/YReferences.h"

// The parts a droid has when nothing else is said.
extern const char* const kDefaultChassis;  // "chariot"
extern const char* const kDefaultArmor;    // "chainmail"
extern const char* const kDefaultWeapon;   // "thunder"

class CYDroidRecord : public CYReferenced {
public:
    CYDroidRecord();
    // A copy has every field of the original and an id of its own.
    CYDroidRecord(const CYDroidRecord&) = default;
    CYDroidRecord& operator=(const CYDroidRecord&) = default;
    ~CYDroidRecord() override = default;

    // The copy a roster keeps: every field, both states back at 1.0.
    CYDroidRecord RosterCopy() const;

    std::string name;                  // shown name
    int32_t unlockLevel = 0;           // first mission number from which the type is available
    std::string chassis;               // chassis table key
    std::string armor;                 // armour table key
    std::string weapon;                // weapon table key
    int32_t weaponsCount = 1;
    std::vector<std::string> devices;  // device table keys, in order
    float armorState = 1.0f;
    float weaponState = 1.0f;
    uint8_t deployed = 0;              // placed on the mission map
};
