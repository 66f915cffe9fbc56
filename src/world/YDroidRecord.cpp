#include "world/YDroidRecord.h"

const char* const kDefaultChassis = "chariot";
const char* const kDefaultArmor = "chainmail";
const char* const kDefaultWeapon = "thunder";

CYDroidRecord::CYDroidRecord() : chassis(kDefaultChassis), armor(kDefaultArmor), weapon(kDefaultWeapon) {}

CYDroidRecord CYDroidRecord::RosterCopy() const {
    CYDroidRecord copy(*this);
    copy.armorState = 1.0f;
    copy.weaponState = 1.0f;
    return copy;
}
