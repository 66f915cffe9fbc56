#include "world/YGameData.h"

#include <gtest/gtest.h>

#include <cfloat>

#include "core/YLog.h"
#include "support/TestSupport.h"

namespace {

const char* const kFiles[] = {"weapon.dat", "chassis.dat", "armor.dat", "device.dat", "droid.dat", "enemy.dat"};

int LogCount(const std::string& text) {
    const std::string log = test::ReadFile("YLog.log");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
    return n;
}

class GameDataTest : public ::testing::Test {
protected:
    void SetUp() override { StartLog(); }
    static void Write(const std::string& file, const std::string& text) {
        test::WriteFile("data/GameData/" + file, text);
    }
    // One table read straight from text.
    void Read(CYGameDataTable table, const std::string& text) {
        data_.ReadTable(table, text.data(), uint32_t(text.size()), "t.dat");
    }

    test::TempDir dir_;
    CYGameData data_;
};

// ---- Loading the six files ----------------------------------------------------------------

TEST_F(GameDataTest, EachTableLoadsItsRows) {
    Write("weapon.dat", "thunder\tThunder\t1\t2\t3\t4\t5\t6\ticon_t\t100\n");
    Write("chassis.dat", "chariot\tWheels\t1.5\t2\t3\tc_icon\t50\n");
    Write("armor.dat", "panzer\tPlate\t7\t8\t9\ta_icon\t70\n");
    Write("device.dat", "radar\tScanner\t0.5\t-2\td_icon\t60\n");
    Write("droid.dat", "tank\tTank\t3\tikarus\tpanzer\tburn\t2\n");
    Write("enemy.dat", "crawler\t1\t2\t3\t4\t5\t6\n");
    ASSERT_EQ(data_.LoadGameData(), S_OK);

    const CYWeaponRecord* w = data_.weapons.Find("thunder");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->name, "Thunder");
    EXPECT_EQ(w->values, (std::array<float, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(w->text, "icon_t");
    EXPECT_EQ(w->number, 100);
    EXPECT_EQ(data_.chassis.Find("chariot")->values[0], 1.5f);
    EXPECT_EQ(data_.armors.Find("panzer")->number, 70);
    EXPECT_EQ(data_.devices.Find("radar")->values[1], -2.0f);

    const CYDroidRecord* d = data_.droids.Find("tank");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->name, "Tank");
    EXPECT_EQ(d->unlockLevel, 3);
    EXPECT_EQ(d->chassis, "ikarus");
    EXPECT_EQ(d->armor, "panzer");
    EXPECT_EQ(d->weapon, "burn");
    EXPECT_EQ(d->weaponsCount, 2);
    EXPECT_EQ(data_.enemies.Find("crawler")->values[5], 6.0f);
}

TEST_F(GameDataTest, MissingFileFailsAndTheOthersStillLoad) {
    for (const char* f : kFiles) Write(f, "k\tn\t1\t1\t1\t1\t1\t1\tt\t1\n");
    std::remove("data/GameData/device.dat");
    EXPECT_EQ(data_.LoadGameData(), E_FAIL);
    EXPECT_EQ(data_.devices.Size(), 0u);
    EXPECT_EQ(data_.weapons.Size() + data_.chassis.Size() + data_.armors.Size() + data_.droids.Size() +
                  data_.enemies.Size(),
              5u);
    EXPECT_EQ(LogCount("File - data\\gamedata\\device.dat not found"), 1);
}

TEST_F(GameDataTest, ReloadEmptiesEveryTableButTheEnemies) {
    for (const char* f : kFiles) Write(f, "old\tn\t1\n");
    data_.LoadGameData();
    for (const char* f : kFiles) Write(f, "new\tn\t1\n");
    data_.LoadGameData();
    EXPECT_EQ(data_.weapons.Find("old"), nullptr);
    EXPECT_EQ(data_.droids.Find("old"), nullptr);
    EXPECT_NE(data_.enemies.Find("old"), nullptr);
    EXPECT_NE(data_.enemies.Find("new"), nullptr);
}

TEST_F(GameDataTest, SampleTablesLoadWithoutErrorLines) {
    const std::string root = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/GameData/";
    for (const char* f : kFiles) Write(f, test::ReadFile(root + f));
    ASSERT_EQ(data_.LoadGameData(), S_OK);
    EXPECT_EQ(LogCount(".dat"), 0);
    EXPECT_GE(data_.droids.Size(), 3u);
    // Every part a droid type names is in its table.
    for (const auto& [key, droid] : data_.droids) {
        EXPECT_NE(data_.chassis.Find(droid.chassis), nullptr) << key;
        EXPECT_NE(data_.armors.Find(droid.armor), nullptr) << key;
        EXPECT_NE(data_.weapons.Find(droid.weapon), nullptr) << key;
        for (const std::string& device : droid.devices) EXPECT_NE(data_.devices.Find(device), nullptr) << key;
    }
}

// ---- Rows ---------------------------------------------------------------------------------

TEST_F(GameDataTest, DroidDevicesAreTheColumnsAfterTheSeventh) {
    Read(CYGameDataTable::kDroid, "a\tA\t1\tchariot\tpanzer\tburn\t1\tradar\tshield\n"
                                  "b\tB\t1\tchariot\tpanzer\tburn\t1\n");
    EXPECT_EQ(data_.droids.Find("a")->devices, (std::vector<std::string>{"radar", "shield"}));
    EXPECT_TRUE(data_.droids.Find("b")->devices.empty());
    EXPECT_EQ(LogCount("t.dat"), 0);
}

TEST_F(GameDataTest, LaterRowOfTheSameKeyReplacesTheEarlierInPlace) {
    Read(CYGameDataTable::kWeapon, "gun\tFirst\n"
                                   "laser\tL\n"
                                   "gun\tSecond\n");
    ASSERT_EQ(data_.weapons.Size(), 2u);
    EXPECT_EQ(data_.weapons.Find("gun")->name, "Second");
    EXPECT_EQ(data_.weapons.begin()->first, "gun");
}

TEST_F(GameDataTest, ShortRowFillsMissingColumnsAndIsLogged) {
    Read(CYGameDataTable::kWeapon, "gun\tGun\t5\n");
    const CYWeaponRecord* w = data_.weapons.Find("gun");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->values, (std::array<float, 6>{5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w->text, "");
    EXPECT_EQ(w->number, 0);
    EXPECT_EQ(LogCount("t.dat - line 1: too few columns"), 1);
}

TEST_F(GameDataTest, ShortDroidRowKeepsTheDefaultParts) {
    Read(CYGameDataTable::kDroid, "d\tD\t4\tikarus\n");
    const CYDroidRecord* d = data_.droids.Find("d");
    EXPECT_EQ(d->unlockLevel, 4);
    EXPECT_EQ(d->chassis, "ikarus");
    EXPECT_EQ(d->armor, "chainmail");
    EXPECT_EQ(d->weapon, "thunder");
    EXPECT_EQ(d->weaponsCount, 1);
    EXPECT_EQ(LogCount("too few columns"), 1);
}

TEST_F(GameDataTest, NumbersReadAsFarAsTheTextFormsOne) {
    Read(CYGameDataTable::kEnemy, "e\t2.5kg\tabc\t-.5\t1e3x\t+7\t3.\n");
    EXPECT_EQ(data_.enemies.Find("e")->values, (std::array<float, 6>{2.5f, 0, -0.5f, 1000, 7, 3}));
    Read(CYGameDataTable::kDevice, "d\tD\t1\t2\tt\t12.9\n"
                                   "n\tN\t1\t2\tt\t-40x\n");
    EXPECT_EQ(data_.devices.Find("d")->number, 12);
    EXPECT_EQ(data_.devices.Find("n")->number, -40);
    EXPECT_EQ(LogCount("t.dat"), 0);
}

TEST_F(GameDataTest, NonDecimalAndOutOfRangeNumbersReadAsZero) {
    Read(CYGameDataTable::kEnemy, "e\tnan\tinf\t-infinity\t0x10\t1e39\t-1e999\n");
    EXPECT_EQ(data_.enemies.Find("e")->values, (std::array<float, 6>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(LogCount("number out of range, read as 0"), 2);
    EXPECT_EQ(LogCount("t.dat - line 1, column 6:"), 1);
    Read(CYGameDataTable::kDevice, "a\tA\t1\t2\tt\t2147483648\n"
                                   "b\tB\t1\t2\tt\t-2147483648\n"
                                   "c\tC\t1\t2\tt\t99999999999999999999999\n");
    EXPECT_EQ(data_.devices.Find("a")->number, 0);
    EXPECT_EQ(data_.devices.Find("b")->number, INT32_MIN);
    EXPECT_EQ(data_.devices.Find("c")->number, 0);
    EXPECT_EQ(LogCount("number out of range, read as 0"), 4);
    // Numbers at the edge of the float range stay.
    Read(CYGameDataTable::kEnemy, "m\t3.4e38\t1e-45\t1e-50\t0\t0\t0\n");
    EXPECT_EQ(data_.enemies.Find("m")->values[0], 3.4e38f);
    EXPECT_GE(data_.enemies.Find("m")->values[1], 0.0f);
    EXPECT_EQ(data_.enemies.Find("m")->values[2], 0.0f);
}

TEST_F(GameDataTest, CommentsAndBlankLinesAreNotRows) {
    Read(CYGameDataTable::kEnemy, "// key\thealth\n\n   \n/* a\nb */\ne\t1\t2\t3\t4\t5\t6\n[]\nlate\t1\n");
    ASSERT_EQ(data_.enemies.Size(), 1u);
    EXPECT_NE(data_.enemies.Find("e"), nullptr);
}

}  // namespace
