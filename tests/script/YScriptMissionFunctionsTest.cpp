// The mission, save and video functions, run from real scripts with and without a world.
#include "ScriptTestSupport.h"
#include "core/YEndian.h"
#include "world/YGameWorld.h"

namespace {

using namespace scripttest;

class MissionScript : public ScriptFixture {
protected:
    void MakeWorld() {
        world = std::make_unique<CYGameWorld>();
        world->Init();  // no renderer: the world answers its events, without scene nodes
    }
    void TearDown() override {
        world.reset();
        PurgeUnsubscribedEvents();
    }
    std::unique_ptr<CYGameWorld> world;
};

TEST_F(MissionScript, WithoutAWorldEveryFunctionGivesItsDefault) {
    Lines r = Run("Record(GetMissionResults())\n"
                  "Record(GetLastLevel(), GetMissionName(), GetBriefing(), GetSaveName(1), "
                  "select('#', LoadGame(1)), select('#', SaveGame(1, 'x')))\n"
                  "Record(GetGlobalSParam(GetGameWorld(), 'k'))\n"
                  "SetMissionResults(1, 2) InitialState() FixState() FixState2() RestoreScore() SetFade(0.5)\n"
                  "LoadMission('data\\\\missions\\\\m.txt', 1) SetGlobalSParam(GetGameWorld(), 'k', 'v')\n"
                  "Record('done')\n");
    EXPECT_EQ(r, (Lines{"0|0|0|0|0|0|0|0|0|0", "1||||0|0", "", "done"}));
    EXPECT_FALSE(test::FileExists("data/Saves/save1.sav"));
}

TEST_F(MissionScript, ResultsAndGlobalTextsLiveInTheWorld) {
    MakeWorld();
    Lines r = Run("SetMissionResults(1, 2, 3) Record(GetMissionResults())\n"
                  "SetMissionResults(2.9, -3.9, 'x') Record(GetMissionResults())\n"
                  "local w = GetGameWorld()\n"
                  "Record(GetGlobalSParam(w, 'never'))\n"
                  "SetGlobalSParam(w, 'k', 12) Record(GetGlobalSParam(w, 'k'))\n");
    EXPECT_EQ(r, (Lines{"1|2|3|0|0|0|0|0|0|0", "2|-3|0|0|0|0|0|0|0|0", "", "12"}));
    EXPECT_EQ(world->ScriptHandler().textParams.count("never"), 1u);
}

TEST_F(MissionScript, ProgressIsFixedSavedAndLoadedThroughTheSlots) {
    MakeWorld();
    world->Rosters().AddLive(CYDroidRecord());
    world->MissionNumber() = 4;
    world->LiveScore() = 70;
    Lines r = Run("FixState() Record(GetLastLevel()) FixState2() Record(GetLastLevel())\n"
                  "Record(select('#', SaveGame(2, 'mid')), GetSaveName(2), GetSaveName(3))\n"
                  "InitialState() SaveGame(1, '') Record(GetLastLevel())\n"
                  "Record(select('#', LoadGame(2)), GetLastLevel()) LoadGame(3) Record(GetLastLevel())\n"
                  "SetPointsCount(5) RestoreScore()\n");
    EXPECT_EQ(r, (Lines{"5", "4", "0|mid|", "1", "0|4", "4"}));
    EXPECT_EQ(test::ReadFile("data/Saves/save1.sav"), std::string(16, '\0').replace(4, 1, 1, '\1'));
    EXPECT_EQ(world->FixedScore(), 70);
    EXPECT_EQ(world->LiveScore(), 70);  // the score of the last load, after a purchase
    EXPECT_TRUE(world->Rosters().Fixed().empty());  // slot 3 was empty
    EXPECT_EQ(world->Rosters().Live().size(), 1u);  // the live roster is not touched
}

TEST_F(MissionScript, StrictArgumentsEndTheScriptAndVideoFunctionsSendTheirEvents) {
    MakeWorld();
    int play = 0, stop = 0;
    const EventCallback count = [](void* c, intptr_t, intptr_t) { ++*static_cast<int*>(c); };
    SubscribeEvent(YEVENT_PLAY_VIDEO, &play, count);
    SubscribeEvent(YEVENT_STOP_VIDEO, &stop, count);
    Lines r = Run("PlayVideo() PlayVideo() StopVideo() Record('video') LoadMission('m.txt')\nRecord('never')\n");
    EXPECT_EQ(r, (Lines{"video"}));
    EXPECT_EQ(play, 2);
    EXPECT_EQ(stop, 1);
    EXPECT_TRUE(LogHas("ERROR!!!"));
    UnsubscribeEvent(YEVENT_PLAY_VIDEO, &play, count);
    UnsubscribeEvent(YEVENT_STOP_VIDEO, &stop, count);
}

}  // namespace
