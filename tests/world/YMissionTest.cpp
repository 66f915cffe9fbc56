// Mission files: the header, and the world loading a mission's floors, script and droids,
// with hostile and cut files and the sample mission.
#include "world/YMission.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "LevelTestSupport.h"
#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YTextParser.h"
#include "script/YScriptApi.h"
#include "world/YGameWorld.h"

namespace {

using leveltest::LogCount;

std::string Header(const std::string& height = "1", const std::string& briefing = "Go North, \"now\"",
                   const std::string& script = "M.LUA") {
    return "Height = " + height + "\nWIDTH=1\ndepth = 1\nscript = " + script +
           "\nnumber = Ab-7\nname = Name With Caps\nbriefing = " + briefing + "\n";
}

// A 1 x 1 room floor holding the entries.
std::string Floor(const std::string& entries = "") {
    return "[Level]\n" + leveltest::LevelText(1, 1, [](int, int) { return 1; },
                                               [&](int, int) { return leveltest::RoomBlock(1, entries); });
}

bool ReadHeader(const std::string& text, YMissionHeader* header) {
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    return ReadMissionHeader(parser, header);
}

TEST(MissionHeaderTest, KeysAnyCaseValuesLowerCasedButNameAndBriefingAsWritten) {
    YMissionHeader h;
    ASSERT_TRUE(ReadHeader("// a comment\n" + Header("64", "Go = now, \"quietly\" = 2"), &h));
    EXPECT_EQ(h.height, 64);
    EXPECT_EQ(h.width, 1);
    EXPECT_EQ(h.script, "m.lua");
    EXPECT_EQ(h.number, "ab-7");
    EXPECT_EQ(h.name, "Name With Caps");
    EXPECT_EQ(h.briefing, "Go");  // quotes do not group on the briefing line: "=" splits
    ASSERT_TRUE(ReadHeader(Header("1-", "\"x = y\""), &h));  // integer text, read as 1
    EXPECT_EQ(h.height, 1);
    EXPECT_EQ(h.briefing, "\"x");

    for (const char* height : {"2.5", "0", "-1", "65", "", "-", "1a", "99999999999"})
        EXPECT_FALSE(ReadHeader(Header(height), &h)) << height;
    EXPECT_FALSE(ReadHeader("width = 1\nheight = 1\n" + Header().substr(Header().find("depth")), &h));
    EXPECT_FALSE(ReadHeader("[height]\n" + Header(), &h));
    EXPECT_FALSE(ReadHeader(Header().substr(0, Header().find("briefing")), &h));

    const std::string sections = "[LeVeL]\n[ level ]\n[levels]\nlevel\n";
    CYTextParser parser(sections.data(), static_cast<uint32_t>(sections.size()));
    EXPECT_TRUE(ReadLevelSection(parser));
    EXPECT_FALSE(ReadLevelSection(parser));
    EXPECT_FALSE(ReadLevelSection(parser));
    EXPECT_FALSE(ReadLevelSection(parser));
    EXPECT_FALSE(ReadLevelSection(parser));
}

// ---- Loading into the world ------------------------------------------------------------------

struct MissionTest : ::testing::Test {
    void SetUp() override {
        StartLog();
        LoadCommands();
        g_registerScriptFunctions = RegisterScriptFunctions;
        leveltest::WriteTemplates();
        test::WriteFile("data/meshes/dm.a3d",
                        leveltest::Mesh({leveltest::Part("body", {{{-0.3f, -0.3f, 0}, {0.3f, 0.3f, 1}}})}));
        test::WriteFile("data/meshes/droids.adf", leveltest::Description("dm.a3d", {"body"}));
        test::WriteFile("data/GameData/droid.dat", "one\tOne\t1\tchariot\n"
                                                   "two\tTwo\t2\tcentipede\tpanzer\n"
                                                   "five\tFive\t5\tikarus\n");
        test::WriteFile("data/scripts/m.lua", "while true do\n"
                                              "  while SetNextCommand(globalObject) do\n"
                                              "    SaveLog('command ' .. GetCurrentCommand(globalObject))\n"
                                              "  end\n"
                                              "  Update()\n"
                                              "end\n");
        world = std::make_unique<CYGameWorld>();
        world->Init();  // no renderer: events answered, no scene nodes
    }
    void TearDown() override {
        world.reset();
        g_registerScriptFunctions = nullptr;
        DestroyCommands();
        PurgeUnsubscribedEvents();
    }
    HRESULT Load(const std::string& text, int32_t number = 3) {
        test::WriteFile("data/missions/m.txt", text);
        return world->LoadMission("data\\missions\\m.txt", number);
    }
    // The mission script reads the commands sent to it on the world's next update.
    int Inited() {
        world->Update(0.0);
        return LogCount("command level_inited");
    }
    const std::string droidA = leveltest::Entry("LightDroid.adf", "-1, 0", "droid_a");
    const std::string droidC = leveltest::Entry("lightdroid.adf", "1, 1", "droid_c");
    test::TempDir dir;
    std::unique_ptr<CYGameWorld> world;
};

TEST_F(MissionTest, MissionBuildsItsFloorsStartsItsScriptAndPicksTheFirstDroid) {
    world->Rosters().Fixed().push_back(CYDroidRecord());
    world->Rosters().Fixed()[0].name = "mine";
    ASSERT_GE(Load(Header("2") + Floor(droidA + leveltest::Entry("box.adf", "2, 2")) + Floor(droidC)), 0);

    ASSERT_EQ(world->Floors().size(), 2u);
    EXPECT_EQ(world->GetCurrentFloor(), world->Floors()[0].get());
    EXPECT_EQ(world->MissionNumber(), 3);
    EXPECT_EQ(world->MissionNumberText(), "ab-7");
    EXPECT_EQ(world->MissionName(), "Name With Caps");
    EXPECT_EQ(world->MissionBriefing(), "Go North, \"now\"");
    ASSERT_EQ(world->Rosters().Live().size(), 1u);
    EXPECT_EQ(world->Rosters().Live()[0]->name, "mine");

    CYComplexObject* a = world->GetDroidSlot(0);
    CYComplexObject* c = world->GetDroidSlot(2);
    ASSERT_TRUE(a && c);
    EXPECT_EQ(world->GetCurrentDroid(), a);
    EXPECT_TRUE(a->ScriptHandler().flagParams["isActive"]);
    EXPECT_EQ(world->GetCurrentDroidHandlerName(), "droid_a");
    EXPECT_FLOAT_EQ(c->GetPosition().z, 3.0f);
    ASSERT_EQ(world->Rosters().Placed().size(), 2u);
    EXPECT_EQ(DroidRecordOf(c)->name, DroidRecordName(3));
    EXPECT_EQ(DroidRecordOf(c)->chassis, "centipede");  // unlocked at 2 <= mission 3 < 5
    EXPECT_EQ(Inited(), 1);

    EXPECT_EQ(world->NextDroid(), c);
    EXPECT_EQ(world->GetPendingDroid(), c);
    world->Update(0.0);
    EXPECT_EQ(world->GetCurrentDroid(), c);
    EXPECT_EQ(world->PrevDroid(), a);
    EXPECT_EQ(world->ChangeDroid(5), c);  // an empty slot: the current droid

    // A second mission clears the first: its droids and their records are gone.
    ASSERT_GE(Load(Header() + Floor(droidC)), 0);
    EXPECT_FALSE(world->IsValidObject(a));
    EXPECT_EQ(world->Rosters().Placed().size(), 1u);
    EXPECT_EQ(world->GetCurrentDroid(), world->GetDroidSlot(2));
}

TEST_F(MissionTest, TheMissionScriptCountsTheLevelsTurnedWallsAndColumnsAsMoving) {
    test::WriteFile("data/scripts/count.lua", "for i = 1, 3 do SaveLog('moving ' .. GetMovingObjectsCount()) Update() end\n");
    ASSERT_GE(Load(Header("1", "b", "count.lua") + Floor()), 0);
    world->Update(0.0);
    // Two walls between rooms of a row and four columns moved while the floor was built:
    // the buffer that holds them turns readable with the first frame of the load.
    EXPECT_EQ(LogCount("moving 0"), 1);
    EXPECT_EQ(LogCount("moving 6"), 2);
}

TEST_F(MissionTest, HeaderErrorsFailWithTheLogLineAndLoadNothingElse) {
    ASSERT_GE(Load(Header() + Floor(droidA)), 0);
    CYScript* script = world->ScriptHandler().IdleState();
    const std::string bad[] = {Header("0"), Header("-2"), Header("65"), Header("2.5"), Header().substr(0, 30),
                               "[level]\n" + Header()};
    int errors = 0;
    for (const std::string& header : bad) {
        EXPECT_EQ(Load(header + Floor(droidA)), E_FAIL) << header;
        EXPECT_EQ(LogCount("Error in mission file - data\\missions\\m.txt"), ++errors);
        EXPECT_TRUE(world->Floors().empty());
        EXPECT_EQ(world->GetDroidSlot(0), nullptr);
    }
    EXPECT_EQ(LogCount("Mission: height 65 outside 1 .. 64"), 1);
    EXPECT_EQ(world->ScriptHandler().IdleState(), script);
    EXPECT_EQ(Inited(), 1);  // only the good mission said so
}

TEST_F(MissionTest, HeaderLinesTakeEffectAsTheyAreRead) {
    // An error after the script line leaves the new script running and the number read.
    test::WriteFile("data/scripts/other.lua", "SaveLog('other started') while true do Update() end\n");
    std::string header = Header("1", "b", "other.lua");
    header.replace(header.find("name ="), 4, "nome");
    EXPECT_EQ(Load(header + Floor(droidA), 4), E_FAIL);
    world->Update(0.0);
    EXPECT_EQ(LogCount("other started"), 1);
    EXPECT_EQ(world->MissionNumberText(), "ab-7");
    EXPECT_EQ(world->MissionNumber(), 1);  // taken only after the whole header
    EXPECT_TRUE(world->Floors().empty());

    // A script that cannot be loaded is no error: the floors load and the idle state
    // there is starts anew.
    ASSERT_GE(Load(Header("1", "b", "gone.lua") + Floor(droidA)), 0);
    EXPECT_EQ(world->Floors().size(), 1u);
    EXPECT_EQ(world->GetDroidSlot(0) != nullptr, true);
    EXPECT_EQ(LogCount("other started"), 2);
    EXPECT_EQ(LogCount("Error in mission file"), 1);
}

TEST_F(MissionTest, FloorsThatFailStayOutOfTheListAndTheMissionDoesNotFinish) {
    EXPECT_EQ(Load(Header("3") + Floor() + Floor()), E_FAIL);  // the third "[level]" is missing
    EXPECT_EQ(world->Floors().size(), 2u);
    EXPECT_EQ(world->GetCurrentFloor(), nullptr);

    const std::string broken = "[level]\n[wall]\ntype = x\n";
    EXPECT_LT(Load(Header("2") + Floor() + broken), 0);
    EXPECT_EQ(world->Floors().size(), 1u);
    EXPECT_EQ(world->GetCurrentFloor(), nullptr);
    EXPECT_EQ(LogCount("Error in mission file"), 2);
    EXPECT_EQ(Inited(), 0);

    // A missing file still finishes the (empty) mission.
    EXPECT_EQ(world->LoadMission("data\\missions\\none.txt", 1), E_FAIL);
    EXPECT_TRUE(world->Floors().empty());
}

TEST_F(MissionTest, EveryCutOfAMissionLoadsSafely) {
    const std::string text = Header("2") + Floor(droidA) + Floor(droidC);
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        const HRESULT hr = Load(text.substr(0, at + 1));
        ASSERT_LE(world->Floors().size(), 2u);
        if (SUCCEEDED(hr)) EXPECT_EQ(world->GetCurrentFloor(), world->Floors().at(0).get());
        else EXPECT_EQ(world->GetCurrentFloor(), nullptr);
    }
}

TEST_F(MissionTest, MissionScriptMayLoadTheNextMissionWhileItsOwnMissionFinishes) {
    test::WriteFile("data/scripts/next.lua", "SaveLog('next ' .. GetMissionName())\n"
                                             "LoadMission('data\\\\missions\\\\two.txt', 2)\n"
                                             "SaveLog('after ' .. GetMissionName())\n");
    test::WriteFile("data/missions/two.txt", Header() + Floor(droidC));
    ASSERT_GE(Load(Header("1", "b", "next.lua") + Floor(droidA)), 0);
    // The script runs on while its own mission finishes; the next one waits for the frame's end.
    EXPECT_EQ(world->MissionNumber(), 3);
    EXPECT_TRUE(world->HasRequestedMission());
    world->Update(0.0);
    EXPECT_FALSE(world->HasRequestedMission());
    EXPECT_EQ(world->MissionNumber(), 2);
    EXPECT_EQ(world->GetCurrentDroid(), world->GetDroidSlot(2));
    EXPECT_GE(LogCount("after Name With Caps"), 1);
    EXPECT_EQ(Inited(), 1);  // the next mission's script hears "level_inited"
    EXPECT_EQ(world->Floors().size(), 1u);
    EXPECT_EQ(world->Rosters().Placed().size(), 1u);  // the first mission's droid went with it
}

TEST_F(MissionTest, ObjectScriptsLoadAMissionOnlyWhenTheRoomsAndObjectsHaveBeenWalked) {
    // A room object asks while its mission finishes, a droid while the world updates it:
    // neither's room, object or script is deleted under it.
    test::WriteFile("data/meshes/loader.adf",
                    leveltest::Description("b.a3d", {"box"}) + "[scripts]\ninit = loader.lua\n");
    test::WriteFile("data/scripts/loader.lua", "LoadMission('data\\\\missions\\\\two.txt', 2)\n"
                                               "SaveLog('loader ran') while true do Update() end\n");
    test::WriteFile("data/meshes/droids.adf",
                    leveltest::Description("dm.a3d", {"body"}) + "[scripts]\nidle = droid.lua\n");
    test::WriteFile("data/scripts/droid.lua",
                    "while true do\n"
                    "  if GetMissionResults() == 7 then LoadMission('data\\\\missions\\\\m.txt', 4) end\n"
                    "  Update()\n"
                    "end\n");
    test::WriteFile("data/missions/two.txt", Header() + Floor(droidC));
    ASSERT_GE(Load(Header() + Floor(leveltest::Entry("loader.adf", "2, 2") + droidA)), 0);
    EXPECT_EQ(LogCount("loader ran"), 1);
    EXPECT_EQ(world->MissionNumber(), 3);
    EXPECT_TRUE(world->HasRequestedMission());
    world->Update(0.0);
    EXPECT_EQ(world->MissionNumber(), 2);
    EXPECT_EQ(world->GetCurrentDroid(), world->GetDroidSlot(2));

    world->MissionResults()[0] = 7;
    world->Update(0.0);
    EXPECT_EQ(world->MissionNumber(), 4);
    EXPECT_EQ(world->GetCurrentDroid(), world->GetDroidSlot(0));
    EXPECT_TRUE(world->HasRequestedMission());  // the loader of the new mission asked again

    // A load from outside the world's frame is carried out at once and drops a waiting one.
    world->MissionResults()[0] = 0;
    ASSERT_GE(world->LoadMission("data\\missions\\two.txt", 5), 0);
    EXPECT_FALSE(world->HasRequestedMission());
    world->Update(0.0);
    EXPECT_EQ(world->MissionNumber(), 5);
}

TEST(SampleMissionTest, SampleMissionStandsOnTwoFloorsAndLeavesTheDroidsToItsScript) {
    const std::string data = std::string(KESTRUNE_SOURCE_DIR) + "/game/data";
    if (!test::FileExists(data + "/meshes/droids.a3d")) GTEST_SKIP() << "sample content not made";
    test::TempDir dir;
    std::filesystem::create_directory_symlink(data, "data");
    StartLog();
    LoadCommands();
    g_registerScriptFunctions = RegisterScriptFunctions;
    {
        CYGameWorld world;
        world.Init();
        ASSERT_GE(world.LoadMission("data\\missions\\mission1.txt", 1), 0);
        EXPECT_EQ(world.Floors().size(), 2u);
        EXPECT_EQ(world.MissionName(), "Proving Ground");
        // The mission script deploys the player's droids when the mission starts.
        for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(world.GetDroidSlot(slot), nullptr) << slot;
        EXPECT_EQ(world.GetCurrentDroid(), nullptr);
        EXPECT_EQ(LogCount("Error in"), 0);
        EXPECT_EQ(LogCount("ERROR"), 0);
    }
    g_registerScriptFunctions = nullptr;
    DestroyCommands();
    PurgeUnsubscribedEvents();
    std::filesystem::remove("data");
}

}  // namespace
