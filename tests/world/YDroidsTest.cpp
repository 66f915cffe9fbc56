// Droid records in the rosters, the walk over the droid slots, and droid models fitted to
// their records (a small test model, and the sample droid the build makes).
#include "world/YDroids.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include "LevelTestSupport.h"
#include "core/YLog.h"
#include "render/YComplexObject.h"
#include "world/YDroidModel.h"

namespace {

using leveltest::Block;
using leveltest::LogCount;

// A part record with its children after it.
std::string Node(const std::string& name, const std::vector<std::string>& children = {}) {
    std::string s = leveltest::Part(name, {Block{{0, 0, 0}, {1, 1, 1}}});
    s.resize(s.size() - 4);
    leveltest::Put32(s, static_cast<uint32_t>(children.size()));
    for (const std::string& child : children) s += child;
    return s;
}

const char* const kModelParts[] = {"shassis1", "shassis2", "shassis3", "body",    "armor1",
                                   "armor2",   "armor3",   "armor3hatch", "weapon1", "weapon2",
                                   "weapon3",  "weapon3coil", "lamp"};

// "droids.adf" over a model of every part: chassis and a lamp at the top, the rest below the body.
void WriteTestModel() {
    const std::string body = Node("body", {Node("armor1"), Node("armor2"), Node("armor3", {Node("armor3hatch")}),
                                           Node("weapon1"), Node("weapon2"), Node("weapon3", {Node("weapon3coil")})});
    test::WriteFile("data/meshes/droids.a3d",
                    leveltest::Mesh({Node("shassis1"), Node("shassis2"), Node("shassis3"), body, Node("lamp")}));
    test::WriteFile("data/meshes/droids.adf", leveltest::Description("droids.a3d", {}));
}

std::set<std::string> PartNames(const CYComplexObject& model) {
    std::set<std::string> names;
    for (const auto& [name, part] : model.PartsByName()) names.insert(name);
    return names;
}

// The part names a fitted model keeps: every test part but the lost ones.
std::set<std::string> Without(std::initializer_list<const char*> lost) {
    std::set<std::string> names(std::begin(kModelParts), std::end(kModelParts));
    for (const char* name : lost) names.erase(name);
    return names;
}

// Every part of the tree, depth first.
size_t TreeSize(const CYComplexObject& model) {
    std::vector<CYObject*> all;
    for (CYObject* part : model.Parts()) part->CollectTree(&all);
    return all.size();
}

CYDroidRecord Record(const std::string& name, int unlock, const char* chassis = "chariot",
                     const char* armor = "chainmail", const char* weapon = "thunder") {
    CYDroidRecord r;
    r.name = name;
    r.unlockLevel = unlock;
    r.chassis = chassis;
    r.armor = armor;
    r.weapon = weapon;
    return r;
}

// ---- Rosters ---------------------------------------------------------------------------------

TEST(DroidRosterTest, LiveRosterIsRebuiltFromTheFixedOneAndFixedBackWithDeployedCleared) {
    CYDroidRosters rosters;
    CYDroidRecord a = Record("a", 1);
    a.armorState = 0.25f;
    a.weaponState = 0.5f;
    a.deployed = 1;
    a.devices = {"radar", "shield"};
    rosters.Fixed() = {a, Record("b", 2)};
    rosters.AddLive(Record("old", 0));

    rosters.RebuildLive();
    ASSERT_EQ(rosters.Live().size(), 2u);
    const CYDroidRecord& live = *rosters.Live()[0];
    EXPECT_EQ(live.name, "a");
    EXPECT_EQ(live.devices, (std::vector<std::string>{"radar", "shield"}));
    EXPECT_EQ(live.armorState, 1.0f);
    EXPECT_EQ(live.weaponState, 1.0f);
    EXPECT_EQ(live.deployed, 1);  // copied as it is
    EXPECT_EQ(rosters.Live()[1]->name, "b");

    rosters.Live()[1]->weaponState = 0.1f;
    rosters.FixLive();
    EXPECT_EQ(rosters.Live()[0]->deployed, 0);  // the live record is cleared first
    ASSERT_EQ(rosters.Fixed().size(), 2u);
    EXPECT_EQ(rosters.Fixed()[0].deployed, 0);
    EXPECT_EQ(rosters.Fixed()[1].weaponState, 1.0f);
    EXPECT_EQ(rosters.Fixed()[1].name, "b");
}

TEST(DroidRosterTest, RecordsAreDestroyedOnlyWhereARosterHoldsThemAndReadAsNullAfterwards) {
    CYDroidRosters rosters;
    CYDroidRecord* live = rosters.AddLive(Record("l", 0));
    CYDroidRecord* placed = rosters.AddPlaced("p");
    CYDroidRecord stranger;
    CYComplexObject droid("droid");
    SetDroidRecordOf(&droid, placed);
    EXPECT_EQ(DroidRecordOf(&droid), placed);
    EXPECT_TRUE(rosters.IsLive(live));
    EXPECT_FALSE(rosters.IsLive(placed));

    EXPECT_FALSE(rosters.DestroyRecord(&stranger));
    EXPECT_FALSE(rosters.DestroyRecord(nullptr));
    EXPECT_TRUE(rosters.DestroyRecord(placed));
    EXPECT_EQ(DroidRecordOf(&droid), nullptr);  // its id no longer resolves
    EXPECT_TRUE(rosters.DestroyRecord(live));
    EXPECT_TRUE(rosters.Live().empty() && rosters.Placed().empty());

    CYComplexObject bare("bare");
    EXPECT_EQ(DroidRecordOf(&bare), nullptr);
    EXPECT_EQ(bare.ScriptHandler().objectParams.count("info"), 1u);  // entered as 0
    EXPECT_EQ(DroidRecordOf(nullptr), nullptr);
}

TEST(DroidRosterTest, DefaultRecordIsTheHighestUnlockedTypeFirstAmongEquals) {
    CYGameTable<CYDroidRecord> table;
    table.Set("never", Record("never", 0, "ikarus"));
    table.Set("one", Record("one", 1));
    table.Set("two", Record("two", 2, "centipede", "cuirass", "burn"));
    table.Set("twin", Record("twin", 2));
    table.Set("five", Record("five", 5));
    CYDroidRosters rosters;
    EXPECT_FALSE(rosters.UnlockDefault(table, 0));
    EXPECT_EQ(rosters.DefaultRecord().chassis, "chariot");  // kept

    CYDroidRecord* before = rosters.AddPlaced("x");
    EXPECT_TRUE(rosters.UnlockDefault(table, 3));
    EXPECT_EQ(rosters.DefaultRecord().name, "two");
    EXPECT_EQ(rosters.DefaultRecord().weapon, "burn");
    EXPECT_EQ(before->weapon, "thunder");  // records made earlier keep their parts
    EXPECT_EQ(rosters.AddPlaced("y")->chassis, "centipede");
    EXPECT_TRUE(rosters.UnlockDefault(table, 9));
    EXPECT_EQ(rosters.DefaultRecord().name, "five");
}

// ---- Walking the droid slots -----------------------------------------------------------------

struct SlotTest : ::testing::Test {
    CYComplexObject* Put(int slot) {
        droids.push_back(std::make_unique<CYComplexObject>("droid"));
        slots[slot] = droids.back().get();
        return slots[slot];
    }
    YDroidSlots slots{};
    std::vector<std::unique_ptr<CYComplexObject>> droids;
};

TEST_F(SlotTest, WalkFindsTheNextChangeableDroidWrappingBothWays) {
    CYComplexObject* current = Put(4);
    EXPECT_EQ(WalkDroidSlots(slots, current, +1), -1);  // only the current slot is filled
    EXPECT_EQ(WalkDroidSlots(slots, current, -1), -1);

    Put(8)->ScriptHandler().flagParams["notChangable"] = true;
    CYComplexObject* low = Put(1);
    EXPECT_EQ(WalkDroidSlots(slots, current, +1), 1);  // 8 is skipped, the walk wraps
    EXPECT_EQ(WalkDroidSlots(slots, current, -1), 1);
    EXPECT_EQ(low->ScriptHandler().flagParams.count("notChangable"), 1u);  // read, so entered as false

    CYComplexObject* first = Put(0);
    Put(7);
    EXPECT_EQ(WalkDroidSlots(slots, first, -1), 7);  // from slot 0 backwards: 8 first, then 7
    EXPECT_EQ(WalkDroidSlots(slots, first, +1), 1);

    CYComplexObject outsider("droid");
    EXPECT_EQ(WalkDroidSlots(slots, &outsider, +1), -1);
    EXPECT_EQ(WalkDroidSlots(slots, nullptr, -1), -1);
    EXPECT_EQ(DroidSlotOf(slots, low), 1);
}

// ---- Droid models ----------------------------------------------------------------------------

struct DroidModelTest : ::testing::Test {
    void SetUp() override {
        StartLog();
        WriteTestModel();
    }
    std::unique_ptr<CYComplexObject> Setup(const std::string& name) {
        return std::unique_ptr<CYComplexObject>(SetupDroidModel(name, rosters));
    }
    test::TempDir dir;
    CYDroidRosters rosters;
};

TEST_F(DroidModelTest, DefaultDroidLosesTheOtherArmoursChassisAndWeaponsWithTheirChildren) {
    auto model = Setup("droid_c");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(PartNames(*model), Without({"armor2", "armor3", "armor3hatch", "shassis2", "shassis3", "weapon2",
                                          "weapon3", "weapon3coil"}));
    EXPECT_EQ(TreeSize(*model), PartNames(*model).size());  // no name outlives its part
    EXPECT_EQ(model->FindChild("weapon3coil"), nullptr);

    ASSERT_EQ(rosters.Placed().size(), 1u);
    const CYDroidRecord* record = rosters.Placed()[0].get();
    EXPECT_EQ(DroidRecordOf(model.get()), record);
    EXPECT_EQ(record->name, "\xc4\xf0\xee\xe8\xe4 - 3");  // "c" is the third slot's letter
    EXPECT_EQ(record->chassis, "chariot");
    EXPECT_TRUE(rosters.Live().empty());
}

TEST_F(DroidModelTest, EachRecordKeepsItsOwnPartsAndUnknownNamesKeepTheirWholeGroup) {
    struct Case {
        const char *chassis, *armor, *weapon;
        std::set<std::string> kept;
    };
    const Case cases[] = {
        {"centipede", "panzer", "burn",
         Without({"shassis1", "shassis3", "armor1", "armor2", "weapon3", "weapon3coil"})},
        {"ikarus", "cuirass", "lightning",
         Without({"shassis1", "shassis2", "armor1", "armor3", "armor3hatch", "weapon2"})},
        {"tracks", "Panzer", "laser", Without({})},  // names outside the table keep their group
    };
    for (const Case& c : cases) {
        rosters.DefaultRecord().chassis = c.chassis;
        rosters.DefaultRecord().armor = c.armor;
        rosters.DefaultRecord().weapon = c.weapon;
        auto model = Setup("droid_a");
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(PartNames(*model), c.kept) << c.chassis << " " << c.armor << " " << c.weapon;
        EXPECT_EQ(TreeSize(*model), c.kept.size());
    }
}

TEST_F(DroidModelTest, ShortNameOrMissingDescriptionMakesNoRecordAndNoModel) {
    EXPECT_EQ(Setup("droid"), nullptr);
    EXPECT_EQ(Setup(""), nullptr);
    EXPECT_EQ(LogCount("Droid name - droid is too short"), 1);
    EXPECT_TRUE(rosters.Placed().empty());

    std::filesystem::remove("data/meshes/droids.adf");
    EXPECT_EQ(Setup("droid_a"), nullptr);
    EXPECT_TRUE(rosters.Placed().empty());

    WriteTestModel();
    auto model = Setup("xxxxxx\xe0");  // any seventh character gives a number
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(rosters.Placed()[0]->name, DroidRecordName(0xe0 - 96));
}

TEST(SampleDroidTest, BuildMakesADroidWithEveryPartTheRecordsChooseFrom) {
    test::TempDir dir;
    StartLog();
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_droids data";
    ASSERT_EQ(std::system(tool.c_str()), 0);
    const std::string sample = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
    test::WriteFile("data/meshes/droids.adf", test::ReadFile(sample + "meshes/droids.adf"));
    test::WriteFile("data/scripts/droid.lua", test::ReadFile(sample + "scripts/droid.lua"));
    EXPECT_EQ(test::ReadFile("data/textures/droid.tga").size(), 18u + 64 * 64 * 3);

    CYDroidRosters rosters;
    rosters.DefaultRecord() = Record("tank", 3, "ikarus", "panzer", "lightning");
    std::unique_ptr<CYComplexObject> model(SetupDroidModel("droid_b", rosters));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(PartNames(*model), (std::set<std::string>{"shassis3", "body", "head", "eye", "armor3", "armor3hatch",
                                                        "weapon1", "weapon3", "weapon3coil"}));
    EXPECT_TRUE(model->IsMoving());
    EXPECT_NE(model->ScriptHandler().FindState("idle"), nullptr);
    EXPECT_EQ(LogCount("Error in"), 0);  // every part has its texture and effect
}

}  // namespace
