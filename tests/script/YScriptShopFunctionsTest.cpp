// The shop and the player's droids from scripts: catalogues, points, buying and selling,
// deploying into a room, choosing droids and the records droids carry.
#include "ObjectTestSupport.h"

#include "core/YTextParser.h"
#include "world/LevelTestSupport.h"

namespace {

using namespace scripttest;

const std::string kDroidName = "\xc4\xf0\xee\xe8\xe4 - 3";

class ShopFunctions : public ObjectFixture {
protected:
    ShopFunctions() {
        CYGameData& data = world->GameData();
        data.weapons.Set("burn", {{"Burner", {1, 2, 3, 4, 5, 6}, "fire", 7}});
        data.weapons.Set("thunder", {{"Thunder", {}, "", 0}});
        CYDroidRecord scout;
        scout.name = "Scout";
        scout.unlockLevel = 2;
        scout.chassis = "ikarus";
        scout.weaponsCount = 2;
        scout.devices = {"radar", "shield"};
        data.droids.Set("scout", scout);
        data.enemies.Set("rat", {{1, 2, 3, 4, 5, 6}});
    }
    // A one-room floor 0 whose room holds spawn points at (1, 1) and (5, 5), the first with
    // a droid standing on it. The room's reference as a Lua expression.
    std::string RoomWithSpawns() {
        leveltest::WriteTemplates();
        test::WriteFile("data/meshes/droids.adf", leveltest::Description("b.a3d", {"box"}));
        const std::string text = leveltest::LevelText(1, 1, [](int, int) { return 1; },
                                                      [](int, int) { return leveltest::RoomBlock(1); });
        auto level = std::make_unique<CYLevel>(world.get(), 1, 1);
        CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
        EXPECT_GE(level->Load(&parser, 0.0f), 0);
        CYRoom* room = level->RoomAtIndex(0, 0);
        world->Floors().push_back(std::move(level));
        for (auto [x, flag] : {std::pair{-3.125f, "isSpawn"}, {-3.125f, "isDroid"}, {0.875f, "isSpawn"}}) {
            CYComplexObject* o = NewObject("_thing");
            o->SetActive();
            o->ScriptHandler().flagParams[flag] = true;
            room->AddObject(o, x, x, 0.0f);
        }
        return "StringToPointer('" + std::to_string(ReferenceIdOf(world->RoomReference(room))) + "')";
    }
};

TEST_F(ShopFunctions, CataloguesAreReadInOrderAndUnknownIdsChangeNothing) {
    EXPECT_EQ(Run("Record(GetProductInfoCount('weapon'), GetProductInfoCount('droid'), GetProductInfoCount('x'))\n"
                  "Record(GetProductInfoID('weapon', 0), GetProductInfoID('weapon', 1), GetProductInfoID('weapon', 2),\n"
                  "       GetProductInfoID('weapon', -1), GetProductInfoID('user', 0))\n"
                  "Record(GetProductInfo('weapon', 'burn'))\n"
                  "Record(GetProductInfo('weapon', 'laser'))\n"
                  "Record(GetProductInfoCount('weapon'), select('#', GetProductInfo('gadget', 'burn')))\n"
                  "Record(GetProductInfo('droid', 'scout'))\n"
                  "Record(GetEnemyInfo('rat')) Record(GetEnemyInfo('bat'))\n"),
              (Lines{"2|1|0", "burn|thunder|||", "Burner|1|2|3|4|5|6|fire|7", "|0|0|0|0|0|0||0", "2|0",
                     "Scout|2|ikarus|chainmail|thunder|2|2|radar|shield", "1|2|3|4|5|6", "0|0|0|0|0|0"}));
    EXPECT_EQ(world->GameData().weapons.Size(), 2u);
}

TEST_F(ShopFunctions, PointsStopAt99999AndMayGoBelowZero) {
    EXPECT_EQ(Run("SetPointsCount(150000) Record(GetPointsCount()) SetPointsCount(-5) Record(GetPointsCount())\n"),
              (Lines{"99999", "-5"}));
}

TEST_F(ShopFunctions, DroidsAndTheirItemsAreBoughtAndSold) {
    EXPECT_EQ(Run("BuyDroid('scout', 'Bob') BuyDroid('nothing', 'Ann') AddDefaultUserDroid() AddDefaultUserDroid()\n"
                  "Record(GetProductInfo('user', '0')) Record(GetProductInfo('user', '1'))\n"
                  "Record(GetProductInfo('user', '3')) Record(GetProductInfoCount('user'), GetPointsCount())\n"
                  "SellItem(0, 'weapon', 0) Record(GetProductInfo('user', 0))\n"
                  "SellItem(0, 'weapon', 0) SellItem(0, 'weapon', 0) SellItem(0, 'device', 1) SellItem(0, 'device', 5)\n"
                  "Record(GetProductInfo('user', 0))\n"
                  "BuyItem(0, 'weapon', 'burn') BuyItem(0, 'device', 'jammer') BuyItem(0, 'armor', 'panzer')\n"
                  "BuyItem(9, 'weapon', 'burn') SellItem(-1, 'weapon', 0) SellDroid(7)\n"
                  "Record(GetProductInfo('user', 0))\n"
                  "SellDroid(1) Record(GetUserDroidsCount(), GetProductInfo('user', '1'))\n"),
              (Lines{"Bob|0|ikarus|chainmail|thunder|2|2|radar|shield", "Ann|0|chariot|chainmail|thunder|1|0",
                     kDroidName + "|0|chariot|chainmail|thunder|1|0", "4|0",
                     "Bob|0|ikarus|chainmail|thunder|1|2|radar|shield", "Bob|0|ikarus|chainmail|none|0|1|shield",
                     "Bob|0|ikarus|panzer|burn|1|2|shield|jammer", "3|" + kDroidName + "|0|chariot|chainmail|thunder|1|0"}));
    EXPECT_EQ(world->GameData().droids.Size(), 1u);  // the unknown model was not entered
}

TEST_F(ShopFunctions, DroidsDeployOnlyToAFreeSpawnPointAndCarryTheirRecords) {
    const std::string room = RoomWithSpawns();
    const Lines records = Run("AddDefaultUserDroid() AddDefaultUserDroid()\n"
                  "local ok, x, y, d = DeployDroid(0, " + room + ")\n"
                  "Record(ok, x, y, IsDroidDeployed(0), IsDroidDeployed(1), IsUserDroid(d))\n"
                  "Record(GetDroid(0)) Record(GetDroid(1)) Record(GetDroid(9))\n"
                  "SetObjectTrigger(d, 'isDroid', true)\n"
                  "Record(DeployDroid(1, " + room + "), DeployDroid(5, " + room + "), DeployDroid(1, nil))\n"
                  "Record(GetDroidName(d), GetChassisType(d), GetArmorType(d), GetWeaphonType(d), GetWeaponsCount(d))\n"
                  "SetArmorState(d, 0.5) SetWeaponState(d, 0.25) SetWeaponsCount(d, 0)\n"
                  "Record(GetArmorState(d), GetWeaponState(d), GetWeaponsCount(d), GetWeaphonType(d))\n"
                  "Record(GetDroidDevices(d)) Record(GetDroidDevices(nil), GetDroidsCount())\n"
                  "Record(ComparePointers(ChangeDroid(1), d), IsNull(ChangeDroid(2)), IsNull(ChangeDroid(-2147483648)))\n"
                  "SetCurrentDroid(nil, 0) SetCurrentDroid(d, 0)\n"
                  "Record(ComparePointers(select(2, GetCurrentDroid()), d), GetObjectTrigger(d, 'isActive'))\n"
                  "DeleteUserDroids() Record(GetUserDroidsCount(), IsValidObject(d), GetDroidName(d))\n");
    ASSERT_NE(world->GetDroidSlot(0), nullptr);
    EXPECT_EQ(records, (Lines{"true|5|5|true|false|true",
                              "true|ref:" + std::to_string(world->GetDroidSlot(0)->ReferenceId()) + "|0", "false",
                              "false", "false|false|false", kDroidName + "|chariot|chainmail|thunder|1",
                              "0.5|0.25|0|none", "0|table", "0|2", "true|true|true", "true|true", "0|false|"}));
    EXPECT_EQ(world->GetPendingDroid(), world->GetDroidSlot(0));
}

TEST_F(ShopFunctions, ADeployedDroidSwitchesToItsTriggerStates) {
    const std::string room = RoomWithSpawns();
    test::WriteFile("data/meshes/droids.adf",
                    leveltest::Description("b.a3d", {"box"}) + "[scripts]\n_alarm = alarm.lua\n");
    test::WriteFile("data/scripts/alarm.lua", "while true do Update() end\n");
    Run("AddDefaultUserDroid() DeployDroid(0, " + room + ") SetTrigger('_alarm', 1)\n");
    CYComplexObject* droid = world->GetDroidSlot(0);
    ASSERT_NE(droid, nullptr);
    EXPECT_NE(droid->ScriptHandler().CurrentState(), nullptr);
    EXPECT_EQ(droid->ScriptHandler().CurrentState(), droid->ScriptHandler().FindState("_alarm"));
}

}  // namespace
