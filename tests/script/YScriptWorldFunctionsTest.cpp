// The world and room functions, run from real scripts: the world's life, the answers
// without a world, floors and rooms as their table gives them, collision, rays and paths,
// removing objects, moving objects, the camera, and sounds placed in lit rooms.
#include <memory>
#include <string>

#include "../audio/AudioTestUtil.h"
#include "../world/LevelTestSupport.h"
#include "ScriptTestSupport.h"
#include "audio/YAudioSystem.h"
#include "audio/YSound.h"
#include "core/YTextParser.h"
#include "render/YMeshLoader.h"
#include "render/YRenderer.h"
#include "script/YScriptResults.h"
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

using namespace scripttest;
using leveltest::Entry;
using leveltest::LevelText;
using leveltest::RoomBlock;

class WorldScript : public ScriptFixture {
protected:
    void SetUp() override {
        g_settings.screenWidth = 800;
        g_settings.screenHeight = 600;
        g_settings.mainWindow = nullptr;
        gfx::SelectBackend(gfx::Backend::Recording);
        renderer_ = std::make_unique<CYRenderer>();
        ASSERT_EQ(renderer_->Init(), S_OK);
        leveltest::WriteTemplates();
    }
    void TearDown() override {
        delete world_;
        renderer_.reset();
        gfx::SelectBackend(gfx::Backend::OpenGL);
        g_settings = saved_;
        PurgeUnsubscribedEvents();
    }
    // An initialised world with floor 0: rooms (0, 0) and (1, 0) joined by a door wall, a
    // door beyond room (0, 0), and an active crate in room (0, 0) left of its centre.
    void MakeWorld() {
        world_ = new CYGameWorld();
        ASSERT_EQ(world_->Init(), S_OK);
        LoadFloor();
        room_ = world_->GetFloor(0)->RoomAtCell(1, 1);
        door_ = world_->GetFloor(0)->EdgeObjectAtCell(2, 1);
        crate_ = new CYComplexObject("crate");
        std::vector<gfx::Vertex> v(2);
        v[0].x = v[0].y = -0.5f;
        v[1].x = v[1].y = v[1].z = 0.5f;
        crate_->CreatePart(nullptr, "body", nullptr, v, {}, 0, nullptr, {}, {});
        crate_->SetActive();
        world_->RegisterObject(crate_, "crate");
        room_->AddObject(crate_, -2.0f, 0.0f, 0.0f);
    }
    void LoadFloor() {
        text_ = LevelText(
            2, 1, [](int r, int c) { return r == 2 && c == 1 ? 2 : 1; },
            [](int r, int) { return r == 1 ? RoomBlock(1, Entry("door.adf", "4.2,0", "_door")) : RoomBlock(1); });
        auto level = std::make_unique<CYLevel>(world_, 2, 1);
        CYTextParser parser(text_.data(), static_cast<uint32_t>(text_.size()));
        ASSERT_EQ(level->Load(&parser, 0.0f), S_OK);
        world_->Floors().push_back(std::move(level));
        world_->SetCurrentFloor(world_->Floors().back().get());
    }
    static std::string Ref(const CYReferenced* o) { return "StringToPointer('" + std::to_string(o->ReferenceId()) + "')"; }
    static std::string Id(const CYReferenced* o) { return "ref:" + std::to_string(o ? o->ReferenceId() : 0); }

    YSettings saved_ = g_settings;
    std::unique_ptr<CYRenderer> renderer_;
    CYGameWorld* world_ = nullptr;
    CYRoom* room_ = nullptr;
    CYComplexObject* door_ = nullptr;
    CYComplexObject* crate_ = nullptr;
    std::string text_;
};

TEST_F(WorldScript, AScriptCreatesInitialisesUpdatesAndDeletesTheWorld) {
    const Lines r = Run(
        "local w = CreateGameWorld()\n"
        "Record(InitGameWorld(w), InitGameWorld(nil), ComparePointers(GetGameWorld(), w))\n"
        "UpdateGameWorld(w, 0.02) UpdateGameWorld(w, 'soon') SetGameOver(w)\n"
        "DeleteGameWorld(w) Record(GetGameWorld(), IsValidObject(w))\n");
    EXPECT_EQ(r, (Lines{"true|false|true", "ref:0|false"}));
    EXPECT_EQ(QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD), nullptr);
}

TEST_F(WorldScript, WithoutAWorldEveryFunctionAnswersItsDefaults) {
    const Lines r = Run(
        "Record(GetLevelsCount(), GetLevelDimensions(0))\n"
        "Record(GetRoom(0, 0, 0)) Record(GetDoors(0, 0, 0))\n"
        "local n, t = GetActiveObjectsInRoom(0, 0, 0) Record(n, #t)\n"
        "n, t = GetActiveObjectsInRect(0, 0, 0, 5, 5) Record(n, #t)\n"
        "Record(GetRoomCenter(nil)) Record(GetRoomPosition(NewThing()))\n"
        "Record(CheckCollision(nil, 0, 0, 0, 1, 1, 0, 0, 5)) Record(CrossRay(0, 0, 0, 1, 0, 0, 10))\n"
        "Record(FindPath(nil, nil, 0, 0, 0, 0)) Record(GetMove(nil, 0))\n"
        "Record(GetMovingObjectsCount(), GetMovingObject(-1), GetMovingObject(0))\n"
        "Record(GetObjectRoom(nil), GetCObjLevelRoom(nil)) Record(GetObjectInfo(nil))\n"
        "Record(GetCameraPos()) Record(GetCameraZAngle(nil), GetCameraLookAt(nil))\n"
        "Record(GetRoomDoor(0, 0, 0, 1), GetRoomClosestMovingObject(nil))\n");
    EXPECT_EQ(r, (Lines{"0|0|0", "false", "ref:0|ref:0|ref:0|ref:0", "0|0", "0|0", "0|0|0", "0|0|0",
                        "false|ref:0", "false", "false|ref:0|0", "0|0", "0|ref:0|ref:0", "ref:0|ref:0|ref:0",
                        "ref:0|0|0|ref:0", "0|0|0", "0|0|0|0", "ref:0|false|ref:0"}));
}

TEST_F(WorldScript, FloorsAndRoomsAnswerAsTheirTableSays) {
    MakeWorld();
    const Lines r = Run(
        "local crate = " + Ref(crate_) +
        "\n"
        "Record(GetLevelsCount(), GetLevelDimensions(0))\n"
        "local ok, kind, left, below, right, above, room = GetRoom(0, 0, 0)\n"
        "Record(ok, kind, left, below, right, above, room)\n"
        "Record(GetRoomCenter(room)) Record(GetRoomPosition(room)) Record(GetRoomCenter(crate))\n"
        "Record(GetRoom(0, 2, 0), GetRoom(0, -1, 0), GetRoom(1, 0, 0), GetRoom(0, 0, 1e12), GetRoom(-1e12, 0, 0))\n"
        "Record(GetDoors(0, 0, 0)) Record(GetDoors(0, 7, 7))\n"
        "Record(GetRoomDoor(0, 0, 0, 1), GetRoomDoor(0, 0, 0, 7), GetRoomDoor(9, 0, 0, 1), GetRoomDoor(0, 4e9, 0, 1))\n"
        "local n, t = GetActiveObjectsInRoom(0, 0, 0, 'extra') Record(n, t[1])\n"
        "n, t = GetActiveObjectsInRect(2.125, 4.125, 0, 1, 1) Record(n, t[1])\n"
        "n, t = GetActiveObjectsInRect(2.125, 4.125, 30, 1, 1) Record(n)\n"
        "local level, here = GetCObjLevelRoom(crate)\n"
        "Record(GetObjectRoom(crate) == room, here == room, IsNull(level))\n"
        "Record(GetObjectInfo(crate))\n"
        "Record(GetRoomMovingObjectsCount(room), GetRoomMovingObject(room, 5), GetRoomMovingObject(room, -1))\n");
    ASSERT_EQ(r.size(), 15u);
    EXPECT_EQ(r[0], "1|2|1");
    EXPECT_EQ(r[1].rfind("true|1|wall|wallDoor|wall|wall|ref:", 0), 0u) << r[1];
    const std::string roomRef = r[1].substr(r[1].rfind('|') + 1);
    EXPECT_NE(roomRef, "ref:0");
    EXPECT_EQ(r[2], "4.125|4.125|0");
    EXPECT_EQ(r[3], "4.125|4.125|0");
    EXPECT_EQ(r[4], "0|0|0");
    EXPECT_EQ(r[5], "false|false|false|false|false");
    EXPECT_EQ(r[6], "ref:0|" + Id(door_) + "|ref:0|ref:0");
    EXPECT_EQ(r[7], "ref:0|ref:0|ref:0|ref:0");
    EXPECT_EQ(r[8], Id(door_) + "|ref:0|ref:0|ref:0");
    EXPECT_EQ(r[9], "1|" + Id(crate_));
    EXPECT_EQ(r[10], "1|" + Id(crate_));
    EXPECT_EQ(r[11], "0");
    EXPECT_EQ(r[12], "true|true|false");
    EXPECT_TRUE(r[13].ends_with("|0|0|" + roomRef)) << r[13];  // the floor, room row and column, room
    EXPECT_FALSE(r[13].starts_with("ref:0|")) << r[13];
    EXPECT_EQ(r[14], "0|ref:0|ref:0");

    // A new mission's floors: the old room's reference reads as null.
    world_->SetCurrentFloor(nullptr);
    world_->DeleteObject(crate_);
    world_->DeleteObject(door_);
    world_->Floors().clear();
    LoadFloor();
    g_records.clear();
    Handler("AFTER", "Record(GetRoomCenter(StringToPointer('" + roomRef.substr(4) + "')))\n")->Step(0.0f);
    EXPECT_EQ(g_records, Lines{"0|0|0"});
}

TEST_F(WorldScript, CollisionRaysAndPathsReachTheFloorUnderThePosition) {
    MakeWorld();
    const Lines r = Run(
        "local crate = " + Ref(crate_) +
        "\n"
        "local hit, part = CheckCollision(crate, 4.125, 5.5, 0.5, 0.3, 1, 0, 0, 10) Record(hit, IsNull(part))\n"
        "Record(CheckCollision(crate, 4.125, 5.5, 0.5, 0.3, 0, 1, 0, 1))\n"
        "Record(CheckCollision(crate, 0/0, 1e30, 0.5, 0.3, 1, 0, 0, 10))\n"
        "local ok, d, object, x, y, z = CrossRay(4.125, 5.5, 1, 1, 0, 0, 100)\n"
        "Record(ok, math.floor(d * 100 + 0.5), IsNull(object), math.floor(x * 1000 + 0.5), y, z)\n"
        "Record(CrossRay(4.125, 5.5, 1, 1, 0, 0, 0)) Record(CrossRay(-1e30, 0/0, 1, 1, 0, 0, 5))\n"
        "local found, moves, count = FindPath(crate, nil, 0, 0, 6, 4.125)\n"
        "Record(found, count > 0, GetMove(moves, 0) > 0) Record(GetMove(moves, count))\n"
        "DeleteMoves(moves) Record(GetMove(moves, 0))\n"
        "Record(FindPath(crate, nil, 40, 40, 0, 0))\n");
    EXPECT_EQ(r, (Lines{"true|false", "false|ref:0", "false|ref:0", "true|400|false|8125|5.5|1", "false", "false",
                        "true|true|true", "0|0", "0|0", "false|ref:0|0"}));
    EXPECT_TRUE(crate_->IsCollidable());  // given back after the test
}

TEST_F(WorldScript, DestroyObjectQueuesTheObjectAndKillObjectExplodesWhereItStood) {
    MakeWorld();
    CYScriptHandler* watcher = Handler("watcher", "while true do Update() end\n");
    CYComplexObject* walker = new CYComplexObject("walker");
    world_->RegisterObject(walker, "walker");
    CYComplexObject* next = new CYComplexObject("droid_b");
    world_->RegisterObject(next, "droid_b");
    SendEvent(YEVENT_FRAME, 0, 0);
    walker->SetPosition(math::Vec3(3.0f, 4.0f, 0.0f));
    std::vector<float> explosions;
    const EventCallback onExplode = [](void* context, intptr_t a, intptr_t) {
        const float* p = reinterpret_cast<const float*>(a);
        static_cast<std::vector<float>*>(context)->insert(static_cast<std::vector<float>*>(context)->end(), p, p + 3);
    };
    SubscribeEvent(YEVENT_EXPLODE, &explosions, onExplode);
    const uint32_t crateId = crate_->ReferenceId();
    const Lines r = Run("local crate = " + Ref(crate_) +
                        "\n"
                        "DestroyObject(crate) Record(IsValidObject(crate)) DestroyObject(crate) DestroyObject(nil)\n"
                        "KillObject(" + Ref(walker) + ", " + Ref(next) + ") Record(IsValidObject(" + Ref(walker) + "))\n");
    UnsubscribeEvent(YEVENT_EXPLODE, &explosions, onExplode);
    EXPECT_EQ(r, (Lines{"false", "true"}));
    EXPECT_EQ(explosions, (std::vector<float>{3.0f, 4.0f, 0.0f}));
    EXPECT_EQ(world_->GetCurrentDroid(), next);
    EXPECT_EQ(world_->GetCamera().GetTarget(), next);
    EXPECT_EQ(std::count(world_->LiveObjects().begin(), world_->LiveObjects().end(), walker), 0);
    size_t destroyed = 0;
    for (const YCommand& c : watcher->Commands())
        if (c.command == "destroy object" && c.args == std::vector<std::string>{std::to_string(crateId)}) ++destroyed;
    EXPECT_EQ(destroyed, 2u);
    EXPECT_TRUE(FindReferenced(crateId));
    SendEvent(YEVENT_FRAME, 0, 0);  // the queued object goes at the end of the frame
    EXPECT_FALSE(FindReferenced(crateId));
    EXPECT_TRUE(room_->DynamicObjects().empty());
}

TEST_F(WorldScript, AKilledObjectLeavesOnlyTheListsThatHoldMovingObjects) {
    MakeWorld();
    // A static box right of the centre of room (0, 0), and the active crate left of it.
    CYMeshLoader loader;
    CYComplexObject* box = nullptr;
    ASSERT_EQ(loader.LoadObject("box.adf", &box), S_OK);
    world_->RegisterObject(box, "box");
    room_->AddObject(box, 2.0f, 0.0f, 0.0f);
    SendEvent(YEVENT_FRAME, 0, 0);
    world_->Update(0.0);
    ASSERT_EQ(world_->LiveObjects().size(), 2u);
    ASSERT_TRUE(world_->IsValidObject(door_));
    const std::string ray = "local ok, d = CrossRay(4.125, 4.125, 0.5, 1, 0, 0, 3) Record(ok, math.floor(d * 10 + 0.5))\n";
    const Lines r = Run(ray + "KillObject(" + Ref(door_) + ", nil) KillObject(" + Ref(box) + ", nil) KillObject(" +
                        Ref(crate_) + ", nil)\n" + ray +
                        "Record(GetRoomDoor(0, 0, 0, 1), select(2, GetDoors(0, 0, 0)), IsValidObject(" + Ref(door_) +
                        "))\n"
                        "local n = GetActiveObjectsInRoom(0, 0, 0) Record(n, GetComplexObject('box'))\n");
    EXPECT_EQ(r, (Lines{"true|15", "true|15", Id(door_) + "|" + Id(door_) + "|true", "0|ref:0"}));
    EXPECT_EQ(world_->GetFloor(0)->EdgeObjectAtCell(2, 1), door_);
    EXPECT_EQ(room_->StaticObjects(), std::vector<CYComplexObject*>{box});
    EXPECT_TRUE(room_->DynamicObjects().empty());
    EXPECT_TRUE(room_->UpdatedObjects().empty());
    EXPECT_TRUE(world_->LiveObjects().empty());
    // Deleting them still makes every holder forget them.
    world_->DeleteObject(door_);
    world_->DeleteObject(box);
    EXPECT_EQ(world_->GetFloor(0)->EdgeObjectAtCell(2, 1), nullptr);
    EXPECT_TRUE(room_->StaticObjects().empty());
}

TEST_F(WorldScript, MovingObjectsAndTheCameraFollowTheWorld) {
    MakeWorld();
    CYComplexObject* other = new CYComplexObject("other");
    world_->RegisterObject(other, "other");
    room_->AddObject(other, 1.0f, 1.0f, 0.0f);
    world_->Update(0.0);  // the door the level placed moved in the first frame
    const std::string a = Ref(crate_), b = Ref(other);
    Run("RegisterMovingObject(" + a + ") RegisterMovingObject(" + b + ") RegisterMovingObject(nil)\n"
        "Record(GetMovingObjectsCount())\n");
    world_->Update(0.0);
    g_records.clear();
    Handler("NEXT", "Record(GetMovingObjectsCount(), GetMovingObject(0), GetMovingObject(1), GetMovingObject(2))\n"
                    "Record(GetRoomClosestMovingObject(" + a + "))\n"
                    "SnapCameraToObject(" + b + ")\n")
        ->Step(0.0f);
    EXPECT_EQ(g_records, (Lines{"2|" + Id(crate_) + "|" + Id(other) + "|ref:0", "true|" + Id(other)}));
    EXPECT_EQ(world_->GetCamera().GetTarget(), other);

    g_records.clear();
    Handler("CAM", "local w = GetGameWorld() SnapCameraToObject(nil)\n"
                   "SetCameraLookAt(w, 1, 2, 3) SetCameraZAngle(w, 0.5) SetCameraZAngle(nil, 9)\n"
                   "Record(GetCameraLookAt(w)) Record(GetCameraZAngle(w))\n")
        ->Step(0.0f);
    EXPECT_EQ(g_records, (Lines{"1|2|3", "0.5"}));
    EXPECT_EQ(world_->GetCamera().GetTarget(), nullptr);
}

TEST_F(WorldScript, InterfaceCameraParamsPointTheCameraInInterfaceMode) {
    MakeWorld();
    world_->SetInterfaceMode(true);
    // A distance of 0 is refused alone: the look-at point of the same call is taken.
    Run("SetInterfaceCameraParams(1, 2, 3, 6, 0.25, 0.5) SetInterfaceCameraParams(5, 5, 5, 0, 1, 1)\n");
    EXPECT_FALSE(world_->SetBackgroundLookAt(math::Vec3(NAN, 0, 0)));
    EXPECT_FALSE(world_->SetBackgroundViewVector(math::Vec3(1, INFINITY, 0)));
    world_->Update(0.0);
    const CYCamera& camera = world_->GetCamera();
    EXPECT_EQ(camera.GetLookAt(), math::Vec3(5, 5, 5));
    EXPECT_EQ(camera.GetDistance(), 6.0f);
    EXPECT_EQ(camera.GetPitch(), 0.25f);
    EXPECT_EQ(camera.GetYaw(), 0.5f);
    EXPECT_TRUE(LogHas("background view vector (0, 1, 1) refused"));
    EXPECT_FALSE(LogHas("CYCamera:"));
}

TEST_F(WorldScript, PlaySound3DPlaysOnlyWhereTheRoomIsLit) {
    snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
    auto audio = std::make_unique<CYAudioSystem>();
    ASSERT_EQ(audio->Init(nullptr), S_OK);
    g_audioSystem = audio.get();
    audiotest::WriteTone("tone.wav");
    MakeWorld();
    auto playing = [&](const std::string& where) {
        g_records.clear();
        Handler("S" + where, "local s = GetSoundClone3D('tone.wav') PlaySound3D(" + Ref(crate_) +
                                  ", s) PlaySound3D(nil, s) Record(s)\n")
            ->Step(0.0f);
        CYSound* sound = ResolveReference<CYSound>(ReferenceOfId(std::stoul(g_records.at(0).substr(4))));
        return sound && sound->IsPlaying();
    };
    EXPECT_FALSE(playing("dark"));
    world_->GetCamera().SetLookAt(math::Vec3(4.125f, 4.125f, 0.0f));
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    EXPECT_TRUE(playing("lit"));
    world_->SetInterfaceMode(true);
    EXPECT_FALSE(playing("menu"));
    g_audioSystem = nullptr;
    audio.reset();
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
}

}  // namespace
