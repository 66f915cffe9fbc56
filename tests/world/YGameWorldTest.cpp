// The game world: its scene nodes and events, registration and droid slots, the moving
// objects of the previous frame, the frame's lights, interface mode, the floor queries,
// deleting objects that others still hold, and a lit room drawn from its camera.
#include "world/YGameWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LevelTestSupport.h"
#include "core/YTextParser.h"
#include "script/YScriptResults.h"
#include "render/RenderTestSupport.h"
#include "render/YBBoxRenderer.h"
#include "render/YLightSetNode.h"
#include "render/YNode.h"
#include "render/YObject.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

using leveltest::Entry;
using leveltest::LevelText;
using leveltest::RoomBlock;

CYComplexObject* Register(const std::string& name) {
    auto* object = new CYComplexObject(name);
    SendEvent(YEVENT_REGISTER_OBJECT, reinterpret_cast<intptr_t>(object), reinterpret_cast<intptr_t>(name.c_str()));
    return object;
}

bool Alive(uint32_t id) { return FindReferenced(id) != nullptr; }

// Floor 0 of the world: a level read from the text, made the current floor.
CYLevel* AddFloor(CYGameWorld* world, int rows, int columns, const std::string& text) {
    auto level = std::make_unique<CYLevel>(world, rows, columns);
    CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_EQ(level->Load(&parser, 0.0f), S_OK);
    world->Floors().push_back(std::move(level));
    world->SetCurrentFloor(world->Floors().back().get());
    return world->Floors().back().get();
}

class WorldTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        rootChildren_ = renderer_->GetRoot()->Children().size();
        world_ = new CYGameWorld();
        ASSERT_EQ(world_->Init(), S_OK);
    }
    void TearDown() override {
        delete world_;
        RecordingRendererTest::TearDown();
    }
    size_t rootChildren_ = 0;
    CYGameWorld* world_ = nullptr;
};

TEST_F(WorldTest, InitHangsTheWorldsNodesUnderItsCamerasAndAnswersTheWorldEvents) {
    EXPECT_EQ(QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD), world_);
    CYNode* cameraNode = reinterpret_cast<CYNode*>(world_->GetCamera().GetNode());
    std::vector<CYNode*> nodes;
    for (int i = -1; i <= 25; ++i) {
        CYNode* node = nullptr;
        SendEvent(YEVENT_GET_WORLD_PARAM, reinterpret_cast<intptr_t>(&node), i);
        nodes.push_back(node);
    }
    EXPECT_EQ(nodes.front(), nullptr);
    EXPECT_EQ(nodes.back(), nullptr);  // index 25: past the twenty overlay nodes
    for (int i = 0; i < 3; ++i) EXPECT_EQ(nodes[i + 1]->GetParent(), world_->GetLightSetNode());
    EXPECT_EQ(world_->GetLightSetNode()->GetParent(), cameraNode);
    EXPECT_EQ(nodes[4]->GetParent(), cameraNode);
    EXPECT_EQ(nodes[5]->GetParent(), cameraNode);
    for (int i = 5; i <= 24; ++i) EXPECT_EQ(nodes[i + 1]->GetParent(), world_->GetOverlayCameraNode());
    EXPECT_EQ(world_->GetBoundingBoxNode()->GetParent()->GetParent(), cameraNode);
    EXPECT_EQ(world_->GetLevelWorldNode()->GetParent(), cameraNode);

    // The overlay camera counts pixels from the top-left corner of the 800 x 600 screen.
    const math::Matrix& overlay = world_->GetOverlayCameraNode()->GetView();
    math::Vec3 topLeft = math::Vec3TransformCoord(math::Vec3(0, 0, 0), overlay);
    math::Vec3 bottomRight = math::Vec3TransformCoord(math::Vec3(800, 600, 0), overlay);
    EXPECT_FLOAT_EQ(topLeft.x, -1.0f);
    EXPECT_FLOAT_EQ(topLeft.y, 1.0f);
    EXPECT_FLOAT_EQ(bottomRight.x, 1.0f);
    EXPECT_FLOAT_EQ(bottomRight.y, -1.0f);

    const CYObject* background = world_->GetBackgroundObject();
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->GetIndexArray(), (std::vector<uint16_t>{0, 2, 1, 0, 3, 2}));
    EXPECT_FLOAT_EQ(background->GetSourceVertices()[2].y, -1.5f);
    EXPECT_NE(world_->GetBackgroundSink(), nullptr);

    // A second Init builds nothing more; the world takes its three camera nodes with it.
    EXPECT_EQ(world_->Init(), S_OK);
    EXPECT_EQ(renderer_->GetRoot()->Children().size(), rootChildren_ + 3);
    delete world_;
    world_ = nullptr;
    EXPECT_EQ(renderer_->GetRoot()->Children().size(), rootChildren_);
    EXPECT_EQ(QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD), nullptr);
}

TEST_F(WorldTest, RegistrationNamesFillDroidSlotsByTheirSeventhCharacter) {
    CYComplexObject* first = Register("droid");
    CYComplexObject* c = Register("droid_c");
    CYComplexObject* mine = Register("mydroid");  // seventh character d: slot 3
    CYComplexObject* z = Register("droid_z");     // no slot, still registered
    CYComplexObject* six = Register("droidx");    // no seventh character: no slot
    CYComplexObject* hidden = Register("_hidden");
    EXPECT_EQ(world_->GetDroidSlot(0), first);
    EXPECT_EQ(world_->GetDroidSlot(2), c);
    EXPECT_EQ(world_->GetDroidSlot(3), mine);
    for (int i : {1, 4, 5, 6, 7, 8}) EXPECT_EQ(world_->GetDroidSlot(i), nullptr) << i;
    for (CYComplexObject* o : {z, six, hidden}) EXPECT_TRUE(world_->IsValidObject(o));

    // "_" names are registered but never join the live objects, which they do at event 2.
    EXPECT_TRUE(world_->LiveObjects().empty());
    SendEvent(YEVENT_FRAME, 0, 0);
    EXPECT_EQ(world_->LiveObjects().size(), 5u);
    EXPECT_EQ(std::count(world_->LiveObjects().begin(), world_->LiveObjects().end(), hidden), 0);

    // A second object under one name replaces the entry; both stay registered. Event 17
    // enters an absent name with null.
    CYComplexObject* again = Register("droid_z");
    CYComplexObject* found = nullptr;
    SendEvent(YEVENT_GET_COMPLEX_OBJECT, reinterpret_cast<intptr_t>("droid_z"), reinterpret_cast<intptr_t>(&found));
    EXPECT_EQ(found, again);
    EXPECT_TRUE(world_->IsValidObject(z));
    SendEvent(YEVENT_GET_COMPLEX_OBJECT, reinterpret_cast<intptr_t>("nobody"), reinterpret_cast<intptr_t>(&found));
    EXPECT_EQ(found, nullptr);

    // With every slot filled a short name takes none; "droid_a" still takes slot 0.
    for (int i = 0; i < 6; ++i) Register("droid");
    CYComplexObject* spare = Register("droid");
    for (int i = 0; i < kDroidSlots; ++i) EXPECT_NE(world_->GetDroidSlot(i), spare);
    CYComplexObject* a = Register("droid_a");
    EXPECT_EQ(world_->GetDroidSlot(0), a);
    uint8_t valid = 0;
    SendEvent(YEVENT_IS_VALID_OBJECT, reinterpret_cast<intptr_t>(spare), reinterpret_cast<intptr_t>(&valid));
    EXPECT_EQ(valid, 1);
}

TEST_F(WorldTest, MovingObjectsAreReadFromThePreviousFrame) {
    CYRoom room(0, 0), otherRoom(0, 1);
    CYComplexObject* a = Register("a");
    CYComplexObject* b = Register("b");
    CYComplexObject* c = Register("c");
    a->SetRoom(&room);
    b->SetRoom(&room);
    c->SetRoom(&otherRoom);
    a->SetPosition(math::Vec3(0, 0, 0));
    b->SetPosition(math::Vec3(3, 4, 0));
    c->SetPosition(math::Vec3(0.1f, 0, 0));  // nearer, but in another room
    auto previous = [] {
        CYComplexObject** first = reinterpret_cast<CYComplexObject**>(1);
        int count = -1;
        SendEvent(YEVENT_GET_MOVING_OBJECTS, reinterpret_cast<intptr_t>(&first), reinterpret_cast<intptr_t>(&count));
        return std::vector<CYComplexObject*>(first, first + std::max(count, 0));
    };
    auto closest = [](CYComplexObject* o) {
        CYComplexObject* answer = o;
        SendEvent(YEVENT_GET_CLOSEST_MOVING_OBJECT, reinterpret_cast<intptr_t>(o), reinterpret_cast<intptr_t>(&answer));
        return answer;
    };
    // An object the world does not own moves too, and its owner deletes it.
    auto* stranger = new CYComplexObject("stranger");
    stranger->SetRoom(&room);
    stranger->SetPosition(math::Vec3(1, 0, 0));
    for (CYComplexObject* o : {a, stranger, b, c})
        SendEvent(YEVENT_REGISTER_MOVING_OBJECT, reinterpret_cast<intptr_t>(o), 0);
    EXPECT_TRUE(previous().empty());
    world_->Update(0.0);
    EXPECT_EQ(world_->PreviousMovingObject(1), stranger);
    stranger->SetRoom(nullptr);
    delete stranger;
    EXPECT_EQ(world_->PreviousMovingObject(1), nullptr);
    EXPECT_EQ(world_->PreviousMovingObject(2), b);
    EXPECT_EQ(world_->PreviousMovingObject(4), nullptr);
    EXPECT_EQ(closest(a), b);
    EXPECT_EQ(closest(c), nullptr);
    b->SetPosition(math::Vec3(100, 0, 0));  // 100 units away: too far
    EXPECT_EQ(closest(a), nullptr);
    world_->Update(0.0);
    EXPECT_TRUE(previous().empty());
    EXPECT_EQ(world_->PreviousMovingObject(0), nullptr);
    for (CYComplexObject* o : {a, b, c}) o->SetRoom(nullptr);
}

TEST_F(WorldTest, TheSixteenthLightOfAFrameIsDroppedAndTheNextFrameStartsDark) {
    for (int i = 0; i < 16; ++i) {
        gfx::Light light;
        light.range = float(i + 1);
        world_->AddLight(light);
    }
    CYLightSetNode* lights = world_->GetLightSetNode();
    EXPECT_EQ(world_->GetFrameLightCount(), 15);
    EXPECT_TRUE(lights->IsLightEnabled(14));
    EXPECT_FLOAT_EQ(lights->GetLight(14).range, 15.0f);
    world_->Update(0.0);
    EXPECT_EQ(world_->GetFrameLightCount(), 0);
    EXPECT_FALSE(lights->IsLightEnabled(0));
}

TEST_F(WorldTest, InterfaceModeSavesTheDroidAndLeavingItTargetsASlotOrTheObjectY) {
    std::vector<std::string> cursors;
    const EventCallback onCursor = [](void* context, intptr_t a, intptr_t) {
        static_cast<std::vector<std::string>*>(context)->push_back(reinterpret_cast<const char*>(a));
    };
    SubscribeEvent(YEVENT_SET_CURSOR_TYPE, &cursors, onCursor);
    CYComplexObject* y = Register("Y");
    world_->SetInterfaceMode(true);
    world_->SetInterfaceMode(false);
    EXPECT_EQ(world_->GetCamera().GetTarget(), y);  // no droid anywhere
    EXPECT_EQ(world_->GetCurrentDroid(), nullptr);

    CYComplexObject* first = Register("droid_a");
    CYComplexObject* second = Register("droid_b");
    world_->SetInterfaceMode(false);
    EXPECT_EQ(world_->GetCurrentDroid(), first);
    EXPECT_TRUE(first->ScriptHandler().flagParams["isActive"]);
    world_->NextDroid();
    world_->Update(0.0);
    ASSERT_EQ(world_->GetCurrentDroid(), second);
    second->ScriptHandler().flagParams["Fire"] = true;

    world_->SetInterfaceMode(true);
    world_->SetInterfaceMode(true);  // entering twice keeps the saved droid
    EXPECT_TRUE(world_->IsInterfaceMode());
    EXPECT_EQ(world_->GetCurrentDroid(), nullptr);
    EXPECT_FALSE(second->ScriptHandler().flagParams["Fire"]);
    EXPECT_FALSE(second->ScriptHandler().flagParams["isActive"]);
    world_->SetInterfaceMode(false);
    EXPECT_EQ(world_->GetCurrentDroid(), second);
    EXPECT_EQ(world_->GetCamera().GetTarget(), second);
    EXPECT_EQ(cursors, (std::vector<std::string>{"normal", "hidden", "hidden", "normal", "normal", "hidden"}));
    UnsubscribeEvent(YEVENT_SET_CURSOR_TYPE, &cursors, onCursor);
}

TEST_F(WorldTest, DeletedObjectsLeaveEveryHolderAndNothingIsDeletedTwice) {
    CYComplexObject* a = Register("droid_a");
    CYComplexObject* b = Register("droid_b");
    CYComplexObject* carrier = Register("carrier");
    CYComplexObject* rider = Register("rider");
    ASSERT_TRUE(rider->SetCarrier(carrier));
    SendEvent(YEVENT_FRAME, 0, 0);
    world_->SetInterfaceMode(false);
    ASSERT_EQ(world_->GetCurrentDroid(), a);
    SendEvent(YEVENT_REGISTER_MOVING_OBJECT, reinterpret_cast<intptr_t>(b), 0);

    // The pending droid goes before it becomes current.
    world_->NextDroid();
    ASSERT_EQ(world_->GetPendingDroid(), b);
    world_->DeleteObject(b);
    EXPECT_EQ(world_->GetPendingDroid(), nullptr);
    EXPECT_EQ(world_->GetDroidSlot(1), nullptr);
    EXPECT_TRUE(world_->FillingMovingObjects().empty());
    world_->Update(0.0);
    EXPECT_EQ(world_->GetCurrentDroid(), a);

    // The saved droid, the current droid and the camera's target.
    world_->SetInterfaceMode(true);
    ASSERT_EQ(world_->GetSavedDroid(), a);
    world_->SetInterfaceMode(false);
    const uint32_t aId = a->ReferenceId();
    world_->DeleteObject(a);
    EXPECT_FALSE(Alive(aId));
    EXPECT_EQ(world_->GetCurrentDroid(), nullptr);
    EXPECT_EQ(world_->GetSavedDroid(), nullptr);
    EXPECT_EQ(world_->GetCamera().GetTarget(), nullptr);
    EXPECT_EQ(world_->GetDroidSlot(0), nullptr);

    // A rider takes its carrier with it, once.
    const uint32_t carrierId = carrier->ReferenceId(), riderId = rider->ReferenceId();
    world_->GetCamera().SetTarget(carrier);
    world_->DeleteObject(rider);
    EXPECT_FALSE(Alive(carrierId));
    EXPECT_FALSE(Alive(riderId));
    EXPECT_EQ(world_->GetCamera().GetTarget(), nullptr);
    EXPECT_TRUE(world_->LiveObjects().empty());

    // Only what the world holds is deleted.
    CYComplexObject stranger("stranger");
    world_->DeleteObject(&stranger);
    EXPECT_TRUE(Alive(stranger.ReferenceId()));

    // Objects still queued for deletion go with the world.
    CYComplexObject* queued = Register("queued");
    CYComplexObject* carried = Register("_carried");
    ASSERT_TRUE(carried->SetCarrier(queued));
    const uint32_t queuedId = queued->ReferenceId(), carriedId = carried->ReferenceId();
    EXPECT_TRUE(world_->QueueObjectForDeletion(queued));
    EXPECT_FALSE(world_->QueueObjectForDeletion(queued));
    EXPECT_FALSE(world_->IsValidObject(queued));
    delete world_;
    world_ = nullptr;
    EXPECT_FALSE(Alive(queuedId));
    EXPECT_FALSE(Alive(carriedId));
}

TEST_F(WorldTest, FloorQueriesFollowTheLevelUnderAPosition) {
    leveltest::WriteTemplates();
    // Two rooms along x joined by a door wall; a door on the far side of room (0, 0).
    const std::string text = LevelText(
        2, 1, [](int r, int c) { return r == 2 && c == 1 ? 2 : 1; },
        [](int r, int) { return r == 1 ? RoomBlock(1, Entry("door.adf", "4.2,0", "_door")) : RoomBlock(1); });
    CYLevel* level = AddFloor(world_, 2, 1, text);
    CYComplexObject* door = level->EdgeObjectAtCell(2, 1);
    ASSERT_NE(door, nullptr);
    ASSERT_TRUE(world_->IsValidObject(door));
    EXPECT_EQ(world_->GetRoomDoor(0, 0, 0, 1), door);
    EXPECT_EQ(world_->GetRoomDoor(0, 1, 0, 0), door);
    for (auto [floor, row, side] : {std::tuple{1, 0, 1}, {-1, 0, 1}, {0, 0, 4}, {0, 2147483647, 1}, {0, -5, 1}})
        EXPECT_EQ(world_->GetRoomDoor(floor, row, 0, side), nullptr);

    CYComplexObject* walker = Register("walker");
    SendEvent(YEVENT_FRAME, 0, 0);
    walker->SetPosition(math::Vec3(4.0f, 4.0f, 0.0f));
    CYLevel* foundLevel = nullptr;
    CYRoom* foundRoom = nullptr;
    world_->FindObjectRoom(walker, &foundLevel, &foundRoom);
    EXPECT_EQ(foundLevel, level);
    EXPECT_EQ(foundRoom, level->RoomAtCell(1, 1));
    walker->SetPosition(math::Vec3(4.0f, 4.0f, 2.995f));  // the allowance lifts it to floor 1
    world_->FindObjectRoom(walker, &foundLevel, &foundRoom);
    EXPECT_EQ(foundLevel, nullptr);

    // The room under the look-at point is lit; interface mode hides every room's flag.
    world_->GetCamera().SetLookAt(math::Vec3(4.125f, 4.125f, 0.0f));
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    EXPECT_TRUE(world_->GetRoomFlagAt(math::Vec3(4.125f, 4.125f, 0.2f)));
    EXPECT_FALSE(world_->GetRoomFlagAt(math::Vec3(4.125f, 4.125f, 3.2f)));
    EXPECT_FALSE(world_->GetRoomFlagAt(math::Vec3(-40.0f, 4.125f, 0.2f)));
    world_->SetInterfaceMode(true);
    EXPECT_FALSE(world_->GetRoomFlagAt(math::Vec3(4.125f, 4.125f, 0.2f)));
    world_->SetInterfaceMode(false);

    // A ray along x from the first room stops at the door wall.
    math::Vec4 point{};
    float distance = 100.0f;
    CYObject* hit = nullptr;
    math::Plane plane{};
    EXPECT_TRUE(world_->CrossRay(math::Vec4{4.125f, 5.5f, 1.0f, 1.0f}, math::Vec4{1, 0, 0, 1}, &point, &distance,
                                 &hit, &plane));
    EXPECT_NEAR(distance, 4.0f, 0.2f);

    // KillObject keeps the object alive and the current droid as it was; DeleteObject
    // takes the door off the level's grid.
    world_->KillObject(walker, nullptr);
    EXPECT_TRUE(world_->IsValidObject(walker));
    EXPECT_TRUE(world_->LiveObjects().empty());
    world_->DeleteObject(door);
    EXPECT_EQ(level->EdgeObjectAtCell(2, 1), nullptr);
    EXPECT_EQ(world_->GetRoomDoor(0, 0, 0, 1), nullptr);
}

TEST_F(WorldTest, TheCurrentFloorFollowsTheTargetBackFromOutsideEveryFloor) {
    leveltest::WriteTemplates();
    CYLevel* level =
        AddFloor(world_, 1, 1, LevelText(1, 1, [](int, int) { return 1; }, [](int, int) { return RoomBlock(1); }));
    CYComplexObject* walker = Register("walker");
    SendEvent(YEVENT_FRAME, 0, 0);
    world_->GetCamera().SetTarget(walker);
    walker->SetPosition(math::Vec3(4.0f, 4.0f, 30.0f));
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    EXPECT_EQ(world_->GetCurrentFloor(), nullptr);
    world_->Update(0.0);  // no floor: the objects wait
    EXPECT_TRUE(world_->FillingMovingObjects().empty());

    walker->SetPosition(math::Vec3(4.0f, 4.0f, 0.0f));
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    EXPECT_EQ(world_->GetCurrentFloor(), level);
    EXPECT_EQ(world_->GetCamera().GetLookAt(), math::Vec3(4.0f, 4.0f, 0.0f));
    EXPECT_TRUE(level->RoomAtCell(1, 1)->IsLit());
    world_->Update(0.0);
    EXPECT_EQ(world_->FillingMovingObjects(), std::vector<CYComplexObject*>{walker});
}

TEST_F(WorldTest, RoomsOfAFloorNotDrawnKeepOnlyTheLastFramesMoves) {
    leveltest::WriteTemplates();
    // Two floors of two rooms along x; the camera stays on floor 0, three boxes walk
    // between the rooms of floor 1.
    const std::string upper = LevelText(
        2, 1, [](int r, int c) { return r == 2 && c == 1 ? 2 : 1; },
        [](int r, int) {
            return r == 1 ? RoomBlock(1, Entry("box.adf", "-2,-2", "mover1") + Entry("box.adf", "0,2", "mover2"))
                          : RoomBlock(1, Entry("box.adf", "2,0", "mover3"));
        });
    CYLevel* lower = AddFloor(world_, 2, 1, LevelText(2, 1, [](int, int) { return 1; }, [](int, int) { return RoomBlock(1); }));
    auto level = std::make_unique<CYLevel>(world_, 2, 1);
    CYTextParser parser(upper.data(), static_cast<uint32_t>(upper.size()));
    ASSERT_EQ(level->Load(&parser, 3.0f), S_OK);
    CYLevel* other = level.get();
    world_->Floors().push_back(std::move(level));
    std::vector<CYComplexObject*> movers;
    for (const char* name : {"mover1", "mover2", "mover3"}) {
        CYComplexObject* found = nullptr;
        SendEvent(YEVENT_GET_COMPLEX_OBJECT, reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(&found));
        ASSERT_NE(found, nullptr) << name;
        movers.push_back(found);
    }
    CYComplexObject* walker = Register("walker");
    walker->SetPosition(math::Vec3(4.125f, 4.125f, 0.0f));
    world_->GetCamera().SetTarget(walker);
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    ASSERT_EQ(world_->GetCurrentFloor(), lower);

    CYRoom* rooms[] = {other->RoomAtCell(1, 1), other->RoomAtCell(3, 1)};
    for (int frame = 0; frame < 3000; ++frame) {
        for (size_t i = 0; i < movers.size(); ++i) {
            // Back and forth across the door wall at x = 8.25, each box at its own pace.
            const float x = 8.25f + 6.0f * std::sin(0.01f * float(frame) * float(i + 1));
            movers[i]->SetPosition(math::Vec3(x, movers[i]->GetPosition().y, 3.0f));
        }
        SendEvent(YEVENT_FRAME, 0, 0);
        world_->Update(0.02);
        for (CYRoom* room : rooms) {
            size_t inRoom = room->StaticObjects().size() + room->DynamicObjects().size();
            for (int parity = 0; parity < 2; ++parity) {
                ASSERT_LE(room->MovingObjects(parity).size(), inRoom) << "frame " << frame;
                for (CYComplexObject* moved : room->MovingObjects(parity))
                    ASSERT_TRUE(room->HoldsObject(moved)) << "frame " << frame;
            }
        }
    }
    // What a room reads is the last frame's moves; the list being filled starts empty.
    size_t readable = 0;
    for (CYRoom* room : rooms) {
        readable += room->ReadableMovingObjects().size();
        EXPECT_TRUE(room->MovingObjects(room->FrameParity()).empty());
    }
    EXPECT_EQ(readable, movers.size());
    // Nothing moves in interface mode, yet the rooms still turn over.
    world_->SetInterfaceMode(true);
    world_->Update(0.02);
    for (CYRoom* room : rooms) EXPECT_TRUE(room->ReadableMovingObjects().empty());
}

// ---- Drawing ---------------------------------------------------------------------------------

class WorldPixelTest : public rtest::GLRendererTest {};

// An unlit effect: texture 0 times the vertex colour.
const char kFlatEffect[] =
    "texture tex0;\ntechnique T { pass P {\nLighting = false;\nZEnable = true;\nZWriteEnable = true;\n"
    "CullMode = None;\nTexture[0] = <tex0>;\nColorOp[0] = SelectArg1;\nColorArg1[0] = Texture;\n"
    "AlphaOp[0] = SelectArg1;\nAlphaArg1[0] = Texture;\nColorOp[1] = Disable;\nAlphaOp[1] = Disable;\n} }\n";

std::string FlatDescription(const std::string& mesh, const std::vector<std::string>& parts,
                            const std::string& texture) {
    std::string text = "object = " + mesh + "\n";
    for (const std::string& p : parts)
        text += "[" + p + "]\ntexturefile1 = " + texture + "\neffectfile = flat.fx\ncollision = 1\nvisible = 1\n";
    return text;
}

TEST_F(WorldPixelTest, ALitRoomsFloorAndAWallAreDrawnFromTheWorldsCamera) {
    using leveltest::Mesh;
    using leveltest::Part;
    test::WriteFile("data/effects/flat.fx", kFlatEffect);
    test::WriteFile("data/textures/red.tga", rtest::SolidTga(4, 4, 0xFF0000));
    test::WriteFile("data/textures/green.tga", rtest::SolidTga(4, 4, 0x00FF00));
    // Walls one unit thick each side, seen from above as wide strips.
    test::WriteFile("data/meshes/w.a3d", Mesh({Part("left", {{{-1, -4.125f, 0}, {0, 4.125f, 2.5f}}}),
                                                Part("right", {{{0, -4.125f, 0}, {1, 4.125f, 2.5f}}})}));
    test::WriteFile("data/meshes/wall.adf", FlatDescription("w.a3d", {"left", "right"}, "green.tga"));
    test::WriteFile("data/meshes/wallDoor.adf", FlatDescription("w.a3d", {"left", "right"}, "green.tga"));
    test::WriteFile("data/meshes/c.a3d", Mesh({Part("column", {{{-0.3f, -0.3f, 0}, {0.3f, 0.3f, 2.6f}}})}));
    test::WriteFile("data/meshes/column.adf", FlatDescription("c.a3d", {"column"}, "green.tga"));
    test::WriteFile("data/meshes/f.a3d", Mesh({Part("floor", {{{-4.125f, -4.125f, -0.01f}, {4.125f, 4.125f, 0}}})}));
    test::WriteFile("data/meshes/floor.adf", FlatDescription("f.a3d", {"floor"}, "red.tga"));
    test::WriteFile("data/meshes/floorHole.adf", FlatDescription("f.a3d", {"floor"}, "red.tga"));
    const std::string wall = leveltest::WallBlock(1, "green.tga", "green.tga");
    const std::string text = wall + wall + wall + wall + RoomBlock(1);

    auto* world = new CYGameWorld();
    ASSERT_EQ(world->Init(), S_OK);
    AddFloor(world, 1, 1, text);
    // Straight down from 12 units above the room's centre.
    world->GetCamera().SetLookAt(math::Vec3(4.125f, 4.125f, 0.0f));
    world->GetCamera().SetViewVector(12.0f, 0.0f, 0.0f);
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    world->Update(0.0);
    renderer_->PrepareFrame();
    renderer_->RenderFrame();
    const std::vector<uint32_t> frame = ReadFrame();
    auto channel = [](uint32_t p, int shift) { return (p >> shift) & 0xFF; };
    auto isRed = [&](uint32_t p) { return channel(p, 16) > 0xC0 && channel(p, 8) < 0x40 && channel(p, 0) < 0x40; };
    auto isGreen = [&](uint32_t p) { return channel(p, 8) > 0xC0 && channel(p, 16) < 0x40 && channel(p, 0) < 0x40; };
    const uint32_t centre = frame[size_t(kHeight / 2) * kWidth + kWidth / 2];
    const auto green = std::count_if(frame.begin(), frame.end(), isGreen);
    EXPECT_TRUE(isRed(centre)) << std::hex << centre;  // the floor under the look-at point
    EXPECT_GT(green, 1000);                            // the walls around it

    // Looking at empty ground far away shows neither.
    world->GetCamera().SetLookAt(math::Vec3(60.0f, 60.0f, 0.0f));
    world->Update(0.0);
    renderer_->PrepareFrame();
    renderer_->RenderFrame();
    const std::vector<uint32_t> away = ReadFrame();
    delete world;
    EXPECT_EQ(std::count_if(away.begin(), away.end(), isRed), 0);
    EXPECT_EQ(std::count_if(away.begin(), away.end(), isGreen), 0);
}

}  // namespace
