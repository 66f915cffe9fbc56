#include "world/YDroidRecord.h"

#include <gtest/gtest.h>

TEST(DroidRecordTest, NewRecordHasTheDefaultParts) {
    const CYDroidRecord r;
    EXPECT_EQ(r.name, "");
    EXPECT_EQ(r.unlockLevel, 0);
    EXPECT_EQ(r.chassis, "chariot");
    EXPECT_EQ(r.armor, "chainmail");
    EXPECT_EQ(r.weapon, "thunder");
    EXPECT_EQ(r.weaponsCount, 1);
    EXPECT_TRUE(r.devices.empty());
    EXPECT_EQ(r.armorState, 1.0f);
    EXPECT_EQ(r.weaponState, 1.0f);
    EXPECT_EQ(r.deployed, 0);
}
