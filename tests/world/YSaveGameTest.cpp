// Saved games: the file layout, the fixed state of the world, saving and loading slots,
// and damaged, cut and hostile save files.
#include "world/YSaveGame.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "core/YEndian.h"
#include "core/YLog.h"
#include "support/TestSupport.h"
#include "world/YGameWorld.h"

namespace {

int LogCount(const std::string& text) {
    const std::string log = test::ReadFile("YLog.log");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

std::string Int(int32_t v) {
    uint8_t b[4];
    StoreLE32(b, static_cast<uint32_t>(v));
    return std::string(reinterpret_cast<const char*>(b), 4);
}
std::string Text(const std::string& s) { return Int(static_cast<int32_t>(s.size())) + s; }

CYDroidRecord Droid(const std::string& name, std::vector<std::string> devices) {
    CYDroidRecord r;
    r.name = name;
    r.unlockLevel = 2;
    r.chassis = "ikarus";
    r.armor = "panzer";
    r.weapon = "burn";
    r.weaponsCount = 3;
    r.devices = std::move(devices);
    r.armorState = 0.5f;
    r.weaponState = 0.25f;
    r.deployed = 1;
    return r;
}

struct SaveGameTest : ::testing::Test {
    void SetUp() override { StartLog(); }
    // A world whose fixed state is the two droids, last level 7 and score 120.
    void FixTwoDroids() {
        world.Rosters().AddLive(Droid("Alpha", {"radar", "shield", "jammer"}));
        world.Rosters().AddLive(Droid("\xc4\xf0\xee\xe8\xe4 - 2", {}));
        world.MissionNumber() = 6;
        world.LiveScore() = 120;
        world.FixState();
    }
    test::TempDir dir;
    CYGameWorld world;
};

// ---- Saving and loading ----------------------------------------------------------------------

TEST_F(SaveGameTest, SaveAndLoadGiveBackTheRosterWithFreshStates) {
    FixTwoDroids();
    ASSERT_EQ(world.SaveGame(3, "Before the bridge"), S_OK);
    EXPECT_TRUE(test::FileExists("data/Saves/save3.sav"));  // the folder was made
    EXPECT_EQ(world.GetSaveName(3), "Before the bridge");

    world.InitialState();
    ASSERT_EQ(world.LoadGame(3), S_OK);
    EXPECT_EQ(world.GetLastLevel(), 7);
    EXPECT_EQ(world.FixedScore(), 120);
    const auto& fixed = world.Rosters().Fixed();
    ASSERT_EQ(fixed.size(), 2u);
    EXPECT_EQ(fixed[0].name, "Alpha");
    EXPECT_EQ(fixed[0].devices, (std::vector<std::string>{"radar", "shield", "jammer"}));
    EXPECT_EQ(fixed[1].name, "\xc4\xf0\xee\xe8\xe4 - 2");
    EXPECT_TRUE(fixed[1].devices.empty());
    for (const CYDroidRecord& r : fixed) {
        EXPECT_EQ(r.unlockLevel, 2);
        EXPECT_EQ(r.chassis + r.armor + r.weapon, "ikaruspanzerburn");
        EXPECT_EQ(r.weaponsCount, 3);
        EXPECT_EQ(r.armorState, 1.0f);
        EXPECT_EQ(r.weaponState, 1.0f);
        EXPECT_EQ(r.deployed, 0);
    }
}

TEST(SaveLayoutTest, SaveHoldsExactlyTheLayoutsBytes) {
    YSaveGame save;
    save.name = "n";
    save.lastLevel = -2;
    save.fixedScore = 0x01020304;
    save.roster.push_back(CYDroidRecord());
    save.roster[0].devices = {"d"};
    const std::vector<uint8_t> bytes = EncodeSaveGame(save);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              Text("n") + Int(-2) + Int(0x01020304) + Int(1) + Text("") + Int(0) + Text("chariot") +
                  Text("chainmail") + Text("thunder") + Int(1) + Int(1) + Text("d"));
    EXPECT_EQ(SaveGamePath(12), "data\\Saves\\save12.sav");
}

TEST_F(SaveGameTest, MissingSlotEmptiesTheFixedRosterButKeepsLevelAndScore) {
    FixTwoDroids();
    ASSERT_EQ(world.SaveGame(1, "one"), S_OK);
    ASSERT_EQ(world.LoadGame(1), S_OK);
    EXPECT_EQ(world.LoadGame(2), E_FAIL);
    EXPECT_TRUE(world.Rosters().Fixed().empty());
    EXPECT_EQ(world.GetLastLevel(), 7);
    EXPECT_EQ(world.FixedScore(), 120);
    EXPECT_EQ(world.GetSaveName(2), "");
    EXPECT_EQ(LogCount("File - data\\saves\\save2.sav not found"), 2);
}

// ---- Damaged saves ---------------------------------------------------------------------------

TEST_F(SaveGameTest, DamagedOrCutSaveChangesNothingAndNamesTheFile) {
    FixTwoDroids();
    ASSERT_EQ(world.SaveGame(5, "whole"), S_OK);
    const std::string whole = test::ReadFile("data/Saves/save5.sav");
    world.InitialState();
    world.Rosters().Fixed().push_back(Droid("kept", {}));
    world.LastLevel() = 9;
    world.FixedScore() = 99;

    for (size_t cut = 0; cut < whole.size(); ++cut) {
        test::WriteFile("data/Saves/save5.sav", whole.substr(0, cut));
        ASSERT_EQ(world.LoadGame(5), E_FAIL) << cut;
        ASSERT_EQ(world.Rosters().Fixed().size(), 1u) << cut;
    }
    EXPECT_EQ(world.Rosters().Fixed()[0].name, "kept");
    EXPECT_EQ(world.GetLastLevel(), 9);
    EXPECT_EQ(world.FixedScore(), 99);
    EXPECT_EQ(LogCount("Save file - data\\Saves\\save5.sav is damaged ("), static_cast<int>(whole.size()));

    // Bytes after the last record are not part of the layout and are ignored.
    test::WriteFile("data/Saves/save5.sav", whole + "tail");
    EXPECT_EQ(world.LoadGame(5), S_OK);
    EXPECT_EQ(world.Rosters().Fixed().size(), 2u);
}

TEST(SaveDecodeTest, CountsAndLengthsAreCheckedAgainstTheBytesLeft) {
    const std::string head = Text("n") + Int(1) + Int(0);
    const std::string record = Text("r") + Int(0) + Text("c") + Text("a") + Text("w") + Int(1);
    struct Case {
        std::string bytes;
        const char* why;
    };
    const Case cases[] = {
        {head + Int(0x7FFFFFFF) + record + Int(0), "count larger than the file"},
        {head + Int(2) + record + Int(0), "count larger than the file"},
        {Int(-5), "negative text length"},
        {Int(1000) + "abc", "text past the end"},
        {head + Int(1) + record + Int(0x40000000) + Text("d"), "count larger than the file"},
        {head + Int(1) + record + Int(2) + Text("d") + Int(7) + "xy", "text past the end"},
    };
    for (const Case& c : cases) {
        YSaveGame save;
        std::string why;
        EXPECT_FALSE(DecodeSaveGame(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &save, &why));
        EXPECT_EQ(why, c.why);
    }
    YSaveGame save;
    const std::string ok = head + Int(1) + record + Int(1) + Text("d");
    ASSERT_TRUE(DecodeSaveGame(reinterpret_cast<const uint8_t*>(ok.data()), ok.size(), &save, nullptr));
    EXPECT_EQ(save.roster.at(0).devices, (std::vector<std::string>{"d"}));

    // A count of 0 or less reads no records or devices; what follows is read on.
    for (int32_t count : {0, -1, INT32_MIN}) {
        const std::string none = head + Int(count) + "tail";
        ASSERT_TRUE(DecodeSaveGame(reinterpret_cast<const uint8_t*>(none.data()), none.size(), &save, nullptr));
        EXPECT_TRUE(save.roster.empty());
        const std::string bare = head + Int(1) + record + Int(count);
        ASSERT_TRUE(DecodeSaveGame(reinterpret_cast<const uint8_t*>(bare.data()), bare.size(), &save, nullptr));
        EXPECT_TRUE(save.roster.at(0).devices.empty());
    }
}

TEST_F(SaveGameTest, ASaveWithoutRecordsEmptiesTheFixedRosterAndSetsLevelAndScore) {
    FixTwoDroids();
    test::WriteFile("data/Saves/save4.sav", Text("none") + Int(3) + Int(250) + Int(-2));
    ASSERT_EQ(world.LoadGame(4), S_OK);
    EXPECT_TRUE(world.Rosters().Fixed().empty());
    EXPECT_EQ(world.GetLastLevel(), 3);
    EXPECT_EQ(world.FixedScore(), 250);
    EXPECT_EQ(LogCount("is damaged"), 0);
}

// ---- Writing ---------------------------------------------------------------------------------

TEST_F(SaveGameTest, FailedOrInterruptedSaveNeverLeavesAHalfWrittenFile) {
    FixTwoDroids();
    ASSERT_EQ(world.SaveGame(1, "first"), S_OK);
    const std::string first = test::ReadFile("data/Saves/save1.sav");

    // A save cut off before its rename leaves its temporary file; the slot keeps the old save.
    test::WriteFile("data/Saves/.save1.sav.tmp-abcdef", first.substr(0, 9));
    EXPECT_EQ(world.GetSaveName(1), "first");
    ASSERT_EQ(world.LoadGame(1), S_OK);

    // A slot that cannot be replaced (a folder stands in its place) fails and leaves nothing.
    std::filesystem::create_directories("data/Saves/save2.sav/inside");
    EXPECT_EQ(world.SaveGame(2, "second"), E_FAIL);
    EXPECT_TRUE(std::filesystem::is_directory("data/Saves/save2.sav"));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("data/Saves")) files += entry.is_regular_file();
    EXPECT_EQ(files, 2);  // save1.sav and the old temporary file
    EXPECT_EQ(test::ReadFile("data/Saves/save1.sav"), first);
    EXPECT_EQ(world.LoadGame(2), E_FAIL);
}

}  // namespace
