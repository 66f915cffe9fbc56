// Rooms: the floor a room builds, its light and box, the object lists and their
// updates (objects leaving or deleted while the room walks them), drawing lit and unlit,
// the moved-object lists, and rectangle and ray queries.
#include "world/YRoom.h"

#include <gtest/gtest.h>

#include <memory>

#include "LevelTestSupport.h"
#include "core/YTextParser.h"
#include "core/YTimer.h"
#include "render/YCamera.h"

using namespace leveltest;

namespace {

// Counts event 4 (rooms drawn) and event 6 (bounds announced by drawn parts).
struct DrawCounter {
    DrawCounter() {
        SubscribeEvent(YEVENT_ROOM_DRAWN, this, OnRoom);
        SubscribeEvent(YEVENT_BOUNDS_ANNOUNCE, this, OnBounds);
    }
    ~DrawCounter() {
        UnsubscribeEvent(YEVENT_ROOM_DRAWN, this, OnRoom);
        UnsubscribeEvent(YEVENT_BOUNDS_ANNOUNCE, this, OnBounds);
        PurgeUnsubscribedEvents();
    }
    static void OnRoom(void* c, intptr_t, intptr_t) { ++static_cast<DrawCounter*>(c)->rooms; }
    static void OnBounds(void* c, intptr_t, intptr_t) { ++static_cast<DrawCounter*>(c)->bounds; }
    int rooms = 0;
    int bounds = 0;
};

class RoomTest : public ::testing::Test {
protected:
    void SetUp() override { WriteTemplates(); }
    void TearDown() override {
        for (CYComplexObject* o : objects_) delete o;
        room_.reset();
    }
    // A room (0, 1) of the stand-in level, centred at (4.125, 12.375, 0).
    HRESULT Build(int type, const std::string& textureLine = "texture = \n") {
        CYTextParser parser(textureLine.data(), static_cast<uint32_t>(textureLine.size()));
        room_ = std::make_unique<CYRoom>(0, 1);
        return room_->BuildFloor(&level_, type, math::Vec3(4.125f, 12.375f, 0.0f), &parser);
    }
    // A box from the test templates; active ones get a script handler name.
    CYComplexObject* Box(bool active, const std::string& name = "") {
        CYComplexObject* o = new CYComplexObject("box");
        o->CreatePart(nullptr, "box", nullptr, {}, {}, 0, nullptr, {}, {});
        o->FindChild("box")->SetBoundingRecords({CYBoundingBox({0, 0, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 1})});
        o->UpdateBounds();
        if (active) o->SetActive();
        o->ScriptHandler().SetName(name);
        objects_.push_back(o);
        return o;
    }
    void Forget(CYComplexObject* o) { objects_.erase(std::find(objects_.begin(), objects_.end(), o)); }

    test::TempDir dir_;
    FakeWorld world_;
    CYLevel level_{&world_, 2, 2};
    std::unique_ptr<CYRoom> room_;
    std::vector<CYComplexObject*> objects_;
};

TEST_F(RoomTest, FloorIsBuiltFromItsTemplateWithTheRoomsLightAndBox) {
    ASSERT_EQ(Build(1, "texture = stone.png\n"), S_OK);
    CYComplexObject* floor = room_->GetFloorObject();
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(floor->FindChild("shaft"), nullptr);
    EXPECT_EQ(TextureOf(floor, "floor", 0), "stone.png");
    EXPECT_EQ(floor->GetRoom(), room_.get());
    EXPECT_TRUE(floor->ScriptHandler().flagParams["isFloor"]);
    EXPECT_NEAR(floor->Position().y, 12.375f, 1e-5f);
    EXPECT_NEAR(room_->GetLight().position.z, 3.0f, 1e-6f);
    EXPECT_NEAR(room_->GetLight().position.y, 12.375f, 1e-5f);
    EXPECT_TRUE(room_->ContainsPoint(math::Vec3(0.125f, 8.375f, 0)));
    EXPECT_FALSE(room_->ContainsPoint(math::Vec3(8.125f, 12, 0)));

    // Holes turn with the type; the shaft keeps its texture; an empty line keeps all.
    const std::pair<int, float> turns[] = {{2, 1.5707964f}, {3, 3.1415927f}, {4, 4.712389f}, {7, 0.0f}};
    for (auto [type, heading] : turns) {
        ASSERT_EQ(Build(type, "texture = stone.png\n"), S_OK);
        EXPECT_EQ(room_->GetFloorObject()->GetHeading(), heading) << type;
        EXPECT_EQ(TextureOf(room_->GetFloorObject(), "floor", 0), "stone.png");
        EXPECT_EQ(TextureOf(room_->GetFloorObject(), "shaft", 0), "t.tga");
    }
    ASSERT_EQ(Build(3, "texture =   \n"), S_OK);
    EXPECT_EQ(TextureOf(room_->GetFloorObject(), "floor", 0), "t.tga");
    room_->SetLit(true);
    EXPECT_EQ(TextureOf(room_->GetFloorObject(), "shaft", 1), "light2.tga");
    EXPECT_TRUE(room_->IsLit());
}

TEST_F(RoomTest, ObjectsJoinTheListsTheirActivityAndScriptNameGiveThem) {
    ASSERT_EQ(Build(1), S_OK);
    CYComplexObject* crate = Box(false);
    CYComplexObject* walker = Box(true, "_walker");
    CYComplexObject* unnamed = Box(true);
    CYComplexObject* scripted = Box(true, "guard");
    room_->AddObject(crate, 1, 2, 0.5f);
    room_->AddObject(walker, -1, 0, 0);
    room_->AddObject(unnamed, 0, 0, 0);
    room_->AddObject(scripted, 2, 2, 0);
    EXPECT_EQ(crate->GetWorld(), &world_);
    EXPECT_NEAR(crate->Position().x, 5.125f, 1e-5f);
    EXPECT_EQ(room_->StaticObjects(), std::vector<CYComplexObject*>{crate});
    EXPECT_EQ(room_->DynamicObjects(), (std::vector<CYComplexObject*>{walker, unnamed, scripted}));
    EXPECT_EQ(room_->PendingAdd(), (std::vector<CYComplexObject*>{walker, unnamed}));
    EXPECT_TRUE(room_->UpdatedObjects().empty());
    room_->Update(0.0f);
    EXPECT_EQ(room_->UpdatedObjects(), (std::vector<CYComplexObject*>{walker, unnamed}));
    EXPECT_TRUE(room_->PendingAdd().empty());

    // Rectangles: active objects only, then the static ones for collision.
    std::vector<CYComplexObject*> found;
    room_->GetObjectsInRect(&found, math::Vec3(5.125f, 14.375f, 0), 0.4f, 0.4f);
    EXPECT_TRUE(found.empty());
    room_->GetCollidersInRect(&found, math::Vec3(5.125f, 14.375f, 0), 0.4f, 0.4f);
    EXPECT_EQ(found, std::vector<CYComplexObject*>{crate});
    found.clear();
    room_->GetObjectsInRect(&found, math::Vec3(4.125f, 12.375f, 0), 2.0f, 0.1f);
    EXPECT_EQ(found, (std::vector<CYComplexObject*>{walker, unnamed}));

    // The nearest of the floor and the objects under a downward ray.
    math::Vec4 point;
    math::Plane plane;
    CYObject* hit = nullptr;
    float distance = 10.0f;
    EXPECT_TRUE(room_->CrossRay(math::Vec4{5.125f, 14.375f, 3, 1}, math::Vec4{0, 0, -1, 1}, &point, &distance, &hit,
                                &plane));
    EXPECT_NEAR(distance, 2.0f, 1e-4f);
    EXPECT_EQ(hit, crate->FindChild("box"));
    distance = 10.0f;
    EXPECT_TRUE(room_->CrossRay(math::Vec4{7, 10, 3, 1}, math::Vec4{0, 0, -1, 1}, &point, &distance, &hit, &plane));
    EXPECT_EQ(hit->GetName(), "floor");

    // The interface objects near the look-at point are activated, far ones are not.
    walker->ScriptHandler().flagParams["hasInterface"] = true;
    scripted->ScriptHandler().flagParams["hasInterface"] = true;
    room_->ReportInterfaceObjects(math::Vec3(3.125f, 12.375f, 0));
    EXPECT_TRUE(walker->ScriptHandler().flagParams["isActivated"]);
    EXPECT_FALSE(scripted->ScriptHandler().flagParams["isActivated"]);
}

TEST_F(RoomTest, ObjectsLeavingOrDeletedWhileTheRoomUpdatesAreNeverTouchedAgain) {
    ASSERT_EQ(Build(1), S_OK);
    CYComplexObject* first = Box(true);
    CYComplexObject* second = Box(true);
    CYComplexObject* third = Box(false);
    // The first stands outside the room's box (but in its cell): its update asks the
    // world for its room, and the world's answer deletes the second and takes the first
    // out of every room.
    world_.useAnswer = true;
    world_.answer = room_.get();
    room_->AddObject(first, 4.05f, 0, 0);
    room_->AddObject(second, 0, 0, 0);
    room_->AddObject(third, 1, 1, 0);
    room_->Update(0.0f);
    ASSERT_EQ(room_->UpdatedObjects(), (std::vector<CYComplexObject*>{first, second}));
    room_->AddMovedObject(second);
    world_.onFind = [&](CYComplexObject* o) {
        if (o != first || !second) return;
        EXPECT_TRUE(room_->IsUpdating());
        Forget(second);
        delete second;
        second = nullptr;
        world_.answer = nullptr;
    };
    first->SetMoved();
    room_->Update(0.0f);
    EXPECT_EQ(second, nullptr);
    // The world found no room for the first, so it left.
    EXPECT_EQ(first->GetRoom(), nullptr);
    EXPECT_FALSE(room_->HoldsObject(first));
    EXPECT_TRUE(room_->UpdatedObjects().empty());
    EXPECT_TRUE(room_->PendingRemove().empty());
    EXPECT_TRUE(room_->MovingObjects(0).empty());

    // A static object leaves every list when it is deleted.
    Forget(third);
    delete third;
    EXPECT_TRUE(room_->StaticObjects().empty());
    // The object that left may enter again and be updated.
    room_->EnterObject(first, true);
    room_->Update(0.0f);
    EXPECT_EQ(room_->UpdatedObjects(), std::vector<CYComplexObject*>{first});
    room_->RemoveObject(first);
    EXPECT_FALSE(room_->HoldsObject(first));
}

TEST_F(RoomTest, AnObjectKilledWhileTheRoomUpdatesIsStillUpdatedInThatWalkAndLeavesAtItsEnd) {
    ASSERT_EQ(Build(1), S_OK);
    CYComplexObject* first = Box(true);
    CYComplexObject* second = Box(true);
    // The first stands outside the room's box, so its update asks the world for its room.
    world_.useAnswer = true;
    world_.answer = room_.get();
    room_->AddObject(first, 4.05f, 0, 0);
    room_->AddObject(second, 0, 0, 0);
    room_->Update(0.0f);
    ASSERT_EQ(room_->UpdatedObjects(), (std::vector<CYComplexObject*>{first, second}));
    world_.onFind = [&](CYComplexObject* o) {
        if (o != first) return;
        room_->KillObject(second);
        EXPECT_EQ(room_->PendingRemove(), std::vector<CYComplexObject*>{second});
        EXPECT_EQ(room_->UpdatedObjects(), (std::vector<CYComplexObject*>{first, second}));
    };
    first->SetMoved();
    second->SetMoved();
    room_->Update(0.0f);
    world_.onFind = nullptr;
    // The killed object had its step in the walk, then left the updated list.
    EXPECT_FALSE(second->IsMoved());
    EXPECT_EQ(room_->MovingObjects(room_->FrameParity()), (std::vector<CYComplexObject*>{first, second}));
    EXPECT_EQ(room_->UpdatedObjects(), std::vector<CYComplexObject*>{first});
    EXPECT_EQ(room_->DynamicObjects(), std::vector<CYComplexObject*>{first});
    EXPECT_TRUE(room_->PendingRemove().empty());

    // Outside the walk the entry goes at once.
    room_->KillObject(first);
    EXPECT_TRUE(room_->UpdatedObjects().empty());
    EXPECT_TRUE(room_->PendingRemove().empty());
    EXPECT_EQ(room_->MovingObjects(room_->FrameParity()), std::vector<CYComplexObject*>{second});
}

TEST_F(RoomTest, RoomInViewDrawsItsFloorAlwaysAndItsObjectsOnlyWhenLit) {
    ASSERT_EQ(Build(1), S_OK);
    CYComplexObject* crate = Box(false);
    room_->AddObject(crate, 0, 0, 0);
    room_->GetFloorObject()->FindChild("floor")->SetShowBounds(true);
    crate->FindChild("box")->SetShowBounds(true);
    CYCamera camera;
    camera.SetProjection(1.0471976f, 1000.0f);
    camera.SetLookAt(math::Vec3(4.125f, 12.375f, 0));
    camera.SetViewVector(12.0f, 0.0f, 0.0f);
    camera.Update(0.0f);
    DrawCounter counter;

    room_->AddMovedObject(crate);
    EXPECT_TRUE(room_->ReadableMovingObjects().empty());
    ++g_timer.frameCounter;
    EXPECT_TRUE(room_->Render(&camera));
    EXPECT_TRUE(room_->IsDrawnThisFrame());
    EXPECT_EQ(counter.rooms, 1);
    EXPECT_EQ(counter.bounds, 1);  // the floor only
    EXPECT_TRUE(world_.lights.empty());
    EXPECT_EQ(room_->ReadableMovingObjects(), std::vector<CYComplexObject*>{crate});

    room_->SetLit(true);
    ++g_timer.frameCounter;
    EXPECT_TRUE(room_->Render(&camera));
    EXPECT_EQ(counter.rooms, 2);
    EXPECT_EQ(counter.bounds, 1 + 2);
    ASSERT_EQ(world_.lights.size(), 1u);
    EXPECT_NEAR(world_.lights[0].position.x, 4.125f, 1e-5f);
    EXPECT_TRUE(room_->ReadableMovingObjects().empty());  // nothing moved in the last frame

    camera.SetLookAt(math::Vec3(100, 100, 0));
    camera.Update(0.0f);
    ++g_timer.frameCounter;
    const int parity = room_->FrameParity();
    EXPECT_FALSE(room_->Render(&camera));
    EXPECT_FALSE(room_->IsDrawnThisFrame());
    EXPECT_EQ(counter.rooms, 2);
    EXPECT_NE(room_->FrameParity(), parity);
}

TEST_F(RoomTest, RoomThatGoesFirstLetsItsObjectsKnowAndAMissingFloorTemplateFails) {
    ASSERT_EQ(Build(1), S_OK);
    CYComplexObject* walker = Box(true, "_w");
    room_->AddObject(walker, 0, 0, 0);
    room_.reset();
    EXPECT_EQ(walker->GetRoom(), nullptr);

    std::remove("data/meshes/floor.adf");
    EXPECT_EQ(Build(1), E_FAIL);
    EXPECT_EQ(room_->GetFloorObject(), nullptr);
    EXPECT_EQ(LogCount("floor template floor.adf cannot be loaded"), 1);
}

}  // namespace
