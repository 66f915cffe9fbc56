// Complex objects: parts and their names, skin data, placement and rooms, sliding
// moves against boxes and circles, carriers, clones, the frame update.
#include "render/YComplexObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/YFile.h"
#include "core/YLiveCounts.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "render/YCamera.h"
#include "render/YSkeleton.h"
#include "support/TestSupport.h"

namespace {

using math::Vec3;
using math::Vec4;

struct FakeRoom : YObjectRoom {
    Vec3 lo, hi;
    std::vector<CYComplexObject*> objects, pending, moved;
    bool drawn = false;
    FakeRoom(Vec3 a, Vec3 b) : lo(a), hi(b) {}
    bool ContainsPoint(const Vec3& p) const override {
        return p.x >= lo.x && p.x < hi.x && p.y >= lo.y && p.y < hi.y && p.z >= lo.z && p.z < hi.z;
    }
    void EnterObject(CYComplexObject* o, bool update) override {
        objects.push_back(o);
        if (update) pending.push_back(o);
    }
    void LeaveObject(CYComplexObject* o) override {
        for (auto* list : {&objects, &pending, &moved}) list->erase(std::remove(list->begin(), list->end(), o), list->end());
    }
    void AddMovedObject(CYComplexObject* o) override { moved.push_back(o); }
    bool IsDrawnThisFrame() const override { return drawn; }
};

// Rooms by position; collision against every object it holds, as the level does.
struct FakeWorld : YObjectWorld {
    std::vector<FakeRoom*> rooms;
    std::vector<CYComplexObject*> objects;
    bool alwaysHit = false;
    int queries = 0;
    Vec3 lastDir{9, 9, 9};
    YObjectRoom* FindObjectRoom(CYComplexObject* o) override {
        for (FakeRoom* r : rooms)
            if (r->ContainsPoint(o->AbsolutePosition())) return r;
        return nullptr;
    }
    bool CheckCollision(CYComplexObject* mover, const Vec3& p, float radius, const Vec3& dir, float* distance,
                        Vec3* contact, CYObject** part) override {
        ++queries;
        lastDir = dir;
        if (alwaysHit) {
            *distance = 0.0f;
            *contact = p;
            return true;
        }
        bool hit = false;
        for (CYComplexObject* o : objects) hit |= o->TestCollision(mover, p, radius, dir, distance, contact, part);
        return hit;
    }
};

// Counts events 6 (bounds of parts drawn with their bounds shown) and 14.
struct EventCounter : CYEventListener {
    int bounds = 0, registered = 0;
    EventCounter() {
        SubscribeOnce(YEVENT_BOUNDS_ANNOUNCE, this, [](void* c, intptr_t, intptr_t) { ++static_cast<EventCounter*>(c)->bounds; });
        SubscribeOnce(YEVENT_REGISTER_MOVING_OBJECT, this,
                      [](void* c, intptr_t, intptr_t) { ++static_cast<EventCounter*>(c)->registered; });
    }
};

std::vector<gfx::Vertex> Points(std::initializer_list<Vec3> points) {
    std::vector<gfx::Vertex> v;
    for (const Vec3& p : points) {
        gfx::Vertex x;
        x.x = p.x, x.y = p.y, x.z = p.z;
        v.push_back(x);
    }
    return v;
}

CYObject* Part(const std::string& name, float half = 1.0f) {
    auto* p = new CYObject(name, Points({{-half, -half, 0}, {half, half, 1}}), {}, 0);
    p->AddBoundingRecord(CYBoundingBox(Vec4{0, 0, 0.5f, 1}, Vec4{half, half, 0.5f, 1}));
    return p;
}

// A still object whose one part is a box of centre c and half sizes e.
CYComplexObject* Wall(Vec3 c, Vec3 e) {
    auto* wall = new CYComplexObject("wall");
    std::vector<CYBoundingBox> boxes{CYBoundingBox(Vec4{c.x, c.y, c.z, 1}, Vec4{e.x, e.y, e.z, 1})};
    wall->CreatePart(nullptr, "body", nullptr, {}, {}, 0, &boxes, {}, {});
    wall->UpdatePlacement();
    return wall;
}

class ComplexObjectTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (CYComplexObject* o : world_.objects) delete o;
        PurgeUnsubscribedEvents();
    }
    // A mover of radius 0.5 at the origin in the fake world.
    std::unique_ptr<CYComplexObject> Mover(float heading) {
        auto o = std::make_unique<CYComplexObject>("mover");
        o->SetRadius(0.5f);
        o->SetHeading(heading);
        o->SetWorld(&world_);
        o->SetPosition(Vec3(0, 0, 0.5f));
        return o;
    }
    test::TempDir dir_;
    FakeWorld world_;
};

// ---- Parts --------------------------------------------------------------------------------

TEST_F(ComplexObjectTest, PartsGetFreeNamesOwnersAndNameEntries) {
    CYComplexObject o("o");
    CYObject* a = Part("p");
    CYObject* b = Part("p");
    CYObject* c = Part("p");
    c->GetVisual()->SetStaticGeometry(true);
    EXPECT_TRUE(o.AddChild(c));
    EXPECT_FALSE(o.IsActive());  // static geometry
    EXPECT_TRUE(o.AddChild(a));
    EXPECT_TRUE(o.AddChild(b));
    EXPECT_TRUE(o.IsActive());
    EXPECT_EQ(a->GetName(), "p_");
    EXPECT_EQ(b->GetName(), "p__");
    EXPECT_EQ(o.FindChild("p__"), b);
    EXPECT_EQ(b->GetOwner(), &o);
    EXPECT_FALSE(o.AddChild(a));  // already a part
    EXPECT_EQ(o.Parts().size(), 3u);

    // Nested parts are named too; deleting their parent forgets them.
    CYObject* arm = o.CreatePart(nullptr, "arm", a, Points({{0, 0, 0}}), {}, 1, nullptr, {1, 2, 3}, {4, 5, 6});
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(o.FindChild("arm"), arm);
    EXPECT_EQ(o.CreatePart(nullptr, "bad", nullptr, {}, {}, 4, nullptr, {}, {}), nullptr);
    o.DeletePart("p_");
    EXPECT_EQ(o.FindChild("p_"), nullptr);
    EXPECT_EQ(o.FindChild("arm"), nullptr);
    EXPECT_EQ(o.Parts().size(), 2u);
}

TEST_F(ComplexObjectTest, CreatePartBoxesItsVerticesAndReadsSkinData) {
    CYComplexObject o("o");
    CYObject* plain = o.CreatePart(nullptr, "plain", nullptr, Points({{1, 2, 3}, {5, 4, 3}}), {}, 0, nullptr, {}, {});
    ASSERT_EQ(plain->GetBoundingRecords().size(), 1u);
    const CYBoundingBox& box = plain->GetBoundingRecords()[0];
    EXPECT_EQ(box.origin.x, 3.0f);

    // Seven vertices with 0, 1, 2 and 3 (bone, weight) pairs; then three pairs of negative
    // weights, three of equal weights, and three whose two heaviest sum to 0.
    std::string skin;
    auto put = [&](auto v) { skin.append(reinterpret_cast<const char*>(&v), 4); };
    put(0u);
    put(1u), put(7u), put(0.3f);
    put(2u), put(1u), put(0.2f), put(2u), put(0.8f);
    put(3u), put(4u), put(0.2f), put(5u), put(0.5f), put(6u), put(0.3f);
    put(3u), put(4u), put(-1.0f), put(5u), put(-3.0f), put(6u), put(-4.0f);
    put(3u), put(1u), put(0.5f), put(2u), put(0.5f), put(3u), put(0.5f);
    put(3u), put(1u), put(0.5f), put(2u), put(-0.5f), put(3u), put(-1.0f);
    test::WriteFile("skin.bin", skin);
    const std::vector<gfx::Vertex> seven(7);
    CYFile file("skin.bin");
    ASSERT_EQ(file.Load(), S_OK);
    auto* skinned = static_cast<CYSkinnedObject*>(o.CreatePart(&file, "skin", nullptr, seven, {}, 3, nullptr, {}, {}));
    ASSERT_NE(skinned, nullptr);
    const auto& w = skinned->GetWeights();
    EXPECT_EQ(w[0].weightA, 0.0f);
    EXPECT_EQ(w[1].boneA, 7u);
    EXPECT_EQ(w[2].boneB, 2u);
    EXPECT_EQ(w[2].weightB, 0.8f);
    EXPECT_EQ(w[3].boneA, 5u);
    EXPECT_EQ(w[3].boneB, 6u);
    EXPECT_FLOAT_EQ(w[3].weightA, 0.625f);
    // A negative sum divides as any other: -1 and -3 of -4.
    EXPECT_EQ(w[4].boneA, 4u);
    EXPECT_EQ(w[4].boneB, 5u);
    EXPECT_FLOAT_EQ(w[4].weightA, 0.25f);
    EXPECT_FLOAT_EQ(w[4].weightB, 0.75f);
    EXPECT_EQ(w[5].boneA, 1u);
    EXPECT_EQ(w[5].boneB, 2u);
    EXPECT_FLOAT_EQ(w[5].weightA, 0.5f);
    EXPECT_EQ(w[6].boneA, 1u);
    EXPECT_EQ(w[6].boneB, 2u);
    EXPECT_EQ(w[6].weightA, 0.0f);
    EXPECT_EQ(w[6].weightB, 0.0f);
    EXPECT_TRUE(o.IsActive());

    // Skin data that ends early gives no part.
    CYFile shortFile("skin.bin");
    ASSERT_EQ(shortFile.Load(), S_OK);
    EXPECT_EQ(o.CreatePart(&shortFile, "x", nullptr, std::vector<gfx::Vertex>(8), {}, 3, nullptr, {}, {}), nullptr);
}

// ---- Placement, rooms and the frame update ------------------------------------------------

TEST_F(ComplexObjectTest, PlacementTurnsAndMovesThePartsAndFollowsTheRooms) {
    FakeRoom a({0, -5, 0}, {10, 5, 3}), b({10, -5, 0}, {20, 5, 3});
    world_.rooms = {&a, &b};
    EventCounter events;
    CYComplexObject o("o");
    CYObject* part = Part("p");
    part->SetShowBounds(true);
    o.AddChild(part);
    o.SetWorld(&world_);
    o.SetPosition(Vec3(5, 0, 0));
    o.SetHeading(1.5707964f);
    o.Update(0.0f);
    EXPECT_FALSE(o.IsMoved());
    EXPECT_NEAR(part->GetDrawnVertices()[1].x, 4.0f, 1e-5f);  // (1, 1) turned to (-1, 1), then moved
    EXPECT_NEAR(part->GetDrawnVertices()[1].y, 1.0f, 1e-5f);
    EXPECT_EQ(o.GetRoom(), &a);
    EXPECT_EQ(a.pending.size(), 1u);  // active, handler name empty
    EXPECT_EQ(a.moved.size(), 1u);
    EXPECT_EQ(events.registered, 1);

    // Into room b, which was drawn this frame: the object is drawn at once.
    b.drawn = true;
    o.Move(Vec3(10, 0, 0));
    EXPECT_EQ(o.GetRoom(), &b);
    EXPECT_TRUE(a.objects.empty() && a.moved.empty());
    EXPECT_EQ(b.objects.size(), 1u);
    EXPECT_EQ(events.bounds, 1);
    o.Update(0.0f);
    EXPECT_EQ(events.registered, 2);

    // An invisible object draws nothing.
    ++g_timer.frameCounter;
    o.SetVisible(false);
    o.Draw();
    EXPECT_EQ(events.bounds, 1);
}

struct FakeSkeleton : CYSkeleton {
    using CYSkeleton::CYSkeleton;
    math::Matrix skin[2] = {math::MatrixTranslation(1, 0, 0), math::MatrixTranslation(0, 2, 0)};
    math::Matrix world;
    void Update(float, const math::Matrix& w) override { world = w; }
    const math::Matrix* GetSkinMatrices() const override { return skin; }
    int GetBoneCount() const override { return 2; }
};

TEST_F(ComplexObjectTest, UpdatePosesTheSkeletonAndSkinsThePart) {
    CYComplexObject o("o");
    // Half of each bone; the second vertex names a bone the skeleton lacks, which adds nothing.
    std::vector<YSkinWeight> weights{{0, 1, 0.5f, 0.5f}, {0, 9, 1.0f, 1.0f}};
    auto* part = new CYSkinnedObject("s", Points({{0, 0, 0}, {1, 1, 1}}), {}, weights);
    o.AddChild(part);
    auto* skeleton = new FakeSkeleton(&o);
    o.SetSkeleton(skeleton);
    o.SetPosition(Vec3(3, 0, 0));
    o.Update(0.1f);
    EXPECT_EQ(skeleton->world, math::MatrixTranslation(3, 0, 0));
    EXPECT_EQ(part->GetDrawnVertices()[0].x, 0.5f);
    EXPECT_EQ(part->GetDrawnVertices()[0].y, 1.0f);
    EXPECT_EQ(part->GetDrawnVertices()[1].x, 2.0f);
}

// ---- Movement and collision ---------------------------------------------------------------

TEST_F(ComplexObjectTest, MovesStopShortOfWallsAndSlideAlongThem) {
    world_.objects.push_back(Wall(Vec3(5, 0, 1), Vec3(0.5f, 10, 1)));  // face at x = 4.5
    auto straight = Mover(0.0f);
    EXPECT_TRUE(straight->MoveForward(10.0f));
    EXPECT_NEAR(straight->Position().x, 3.999f, 1e-4f);
    EXPECT_NEAR(straight->Position().y, 0.0f, 1e-4f);
    EXPECT_TRUE(straight->IsMoved());

    // At 45 degrees the rest of the move runs along the wall.
    auto oblique = Mover(0.7853982f);
    EXPECT_TRUE(oblique->MoveForward(8.0f));
    EXPECT_NEAR(oblique->Position().x, 4.0f - 0.001f * 0.70710677f, 1e-5f);  // the gap runs along the move
    EXPECT_NEAR(oblique->Position().y, 8.0f * 0.70710677f, 1e-3f);

    // Backwards, away from the wall, nothing is hit.
    EXPECT_FALSE(oblique->MoveBackward(1.0f));

    // Only visible parts with collision set, of collidable objects, stop the mover.
    CYComplexObject* wall = world_.objects[0];
    CYObject* body = wall->FindChild("body");
    auto passes = [&] {
        auto m = Mover(0.0f);
        return !m->MoveForward(10.0f) && m->Position().x == 10.0f;
    };
    body->SetVisible(false);
    EXPECT_TRUE(passes());
    body->SetVisible(true), body->SetCollision(false);
    EXPECT_TRUE(passes());
    body->SetCollision(true), wall->SetCollidable(false);
    EXPECT_TRUE(passes());
    wall->SetCollidable(true);

    // A zero move still asks the world, with a zero direction.
    const int queries = world_.queries;
    EXPECT_FALSE(straight->MoveForward(0.0f));
    EXPECT_EQ(world_.queries, queries + 1);
    EXPECT_EQ(world_.lastDir, Vec3(0, 0, 0));

    // Non-finite or far-flung moves are refused; an object that keeps hitting stays.
    const Vec3 before = straight->Position();
    EXPECT_FALSE(straight->MoveForward(NAN));
    straight->Move(Vec3(INFINITY, 0, 0));
    straight->Move(Vec3(2e6f, 0, 0));
    EXPECT_EQ(straight->Position(), before);
    world_.alwaysHit = true;
    EXPECT_TRUE(straight->MoveBackward(2.0f));
    EXPECT_EQ(straight->Position(), before);
}

TEST_F(ComplexObjectTest, PointMoverStopsShortOfAWallAndMovesOnAfterwards) {
    world_.objects.push_back(Wall(Vec3(5, 0, 1), Vec3(0.5f, 10, 1)));  // face at x = 4.5
    auto point = Mover(0.0f);
    point->SetRadius(0.0f);
    EXPECT_TRUE(point->MoveForward(10.0f));
    EXPECT_NEAR(point->Position().x, 4.499f, 1e-4f);
    EXPECT_NEAR(point->Position().y, 0.0f, 1e-4f);
    // Against the wall again it stays where it is, and can still leave it.
    EXPECT_TRUE(point->MoveForward(1.0f));
    EXPECT_NEAR(point->Position().x, 4.499f, 1e-4f);
    EXPECT_FALSE(point->MoveBackward(1.0f));
    EXPECT_NEAR(point->Position().x, 3.499f, 1e-4f);
    point->SetHeading(1.5707964f);
    EXPECT_FALSE(point->MoveForward(2.0f));
    EXPECT_NEAR(point->Position().y, 2.0f, 1e-4f);
    // Straight at a circle: 0.001 short of it, and free to go round it afterwards.
    CYComplexObject* other = Wall(Vec3(0, 0, 0.5f), Vec3(1, 1, 0.5f));
    world_.objects.push_back(other);
    other->SetMoving(true);
    other->SetPosition(Vec3(3.499f, 6, 0.5f));
    other->UpdatePlacement();
    other->SetRadius(1.0f);
    EXPECT_TRUE(point->MoveForward(10.0f));
    EXPECT_NEAR(point->Position().y, 4.999f, 1e-3f);
    EXPECT_NEAR(point->Position().x, 3.499f, 1e-4f);
    point->SetHeading(3.1415927f);
    EXPECT_FALSE(point->MoveForward(2.0f));
    EXPECT_NEAR(point->Position().x, 1.499f, 1e-3f);
}

TEST_F(ComplexObjectTest, MovingObjectsCollideAsCircles) {
    CYComplexObject* other = Wall(Vec3(0, 0, 0.5f), Vec3(1, 1, 0.5f));
    world_.objects.push_back(other);
    other->SetMoving(true);
    other->SetPosition(Vec3(5, 2, 0.5f));
    other->UpdatePlacement();
    other->ComputeRadius();
    EXPECT_NEAR(other->GetRadius(), 1.0f, 1e-5f);

    // Beside it at 2 > 1 + 0.5: no hit.
    auto mover = Mover(0.0f);
    EXPECT_FALSE(mover->MoveForward(10.0f));
    EXPECT_NEAR(mover->Position().x, 10.0f, 1e-5f);

    // Straight at it: 0.001 short of the touch.
    other->SetPosition(Vec3(5, 0, 0.5f));
    other->UpdatePlacement();
    auto head = Mover(0.0f);
    EXPECT_TRUE(head->MoveForward(10.0f));
    EXPECT_NEAR(head->Position().x, 3.499f, 1e-4f);
    EXPECT_NEAR(head->Position().y, 0.0f, 1e-4f);

    // Slightly off centre: the mover slides off sideways, round the far side.
    other->SetPosition(Vec3(5, 0.5f, 0.5f));
    other->UpdatePlacement();
    auto glance = Mover(0.0f);
    EXPECT_TRUE(glance->MoveForward(10.0f));
    const Vec3 end = glance->Position();
    EXPECT_LT(end.y, -0.1f);
    EXPECT_GE(std::hypot(end.x - 5.0f, end.y - 0.5f), 1.5f);
}

// ---- Carriers, cameras, clones ------------------------------------------------------------

TEST_F(ComplexObjectTest, DestroyedCarrierLeavesItsRiderInPlaceAndCameraLetsGo) {
    const int live = g_live.complexObjects;
    auto* carrier = new CYComplexObject("carrier");
    CYComplexObject rider("rider"), other("other");
    carrier->SetPosition(Vec3(10, 0, 0));
    rider.SetPosition(Vec3(12, 0, 0));
    ASSERT_TRUE(rider.SetCarrier(carrier));
    EXPECT_EQ(rider.Position(), Vec3(2, 0, 0));
    EXPECT_FALSE(carrier->SetCarrier(&rider));  // would ride on its own rider
    carrier->SetPosition(Vec3(20, 0, 0));
    carrier->UpdatePlacement();

    // A second rider takes the place; the first gets off where it is.
    other.SetPosition(Vec3(21, 0, 0));
    ASSERT_TRUE(other.SetCarrier(carrier));
    EXPECT_EQ(rider.GetCarrier(), nullptr);
    EXPECT_EQ(rider.Position(), Vec3(22, 0, 0));

    YSettings saved = g_settings;
    g_settings.screenWidth = 800, g_settings.screenHeight = 600;
    {
        CYCamera camera;
        camera.SetTarget(carrier);
        EXPECT_EQ(g_live.complexObjects, live + 3);
        delete carrier;
        EXPECT_EQ(camera.GetTarget(), nullptr);
    }
    g_settings = saved;
    EXPECT_EQ(g_live.complexObjects, live + 2);
    EXPECT_EQ(other.GetCarrier(), nullptr);
    EXPECT_EQ(other.Position(), Vec3(21, 0, 0));
    EXPECT_EQ(other.GetWorldMatrix(), math::MatrixTranslation(21, 0, 0));
}

TEST_F(ComplexObjectTest, CloneHasThePartsScriptsAndBoundsButStandsAtTheOrigin) {
    test::WriteFile("data/scripts/idle.lua", "x = 1\n");
    CYComplexObject o("o");
    CYObject* body = Part("body");
    o.AddChild(body);
    o.CreatePart(nullptr, "arm", body, Points({{0, 0, 0}}), {}, 0, nullptr, {}, {});
    const uint32_t bounds[7] = {1, 2, 3, 4, 5, 6, 7};
    o.SetFileBounds(bounds);
    ASSERT_EQ(o.AddScript("idle", "idle.lua"), S_OK);
    o.ScriptHandler().SetName("guard");
    o.SetPosition(Vec3(5, 5, 0));
    o.SetHeading(1.0f);
    o.UpdatePlacement();

    std::unique_ptr<CYComplexObject> copy(o.Clone("copy"));
    ASSERT_NE(copy->FindChild("body"), nullptr);
    ASSERT_NE(copy->FindChild("arm"), nullptr);
    EXPECT_NE(copy->FindChild("arm"), o.FindChild("arm"));
    EXPECT_EQ(copy->ScriptHandler().StateNames(), std::vector<std::string>{"idle"});
    EXPECT_EQ(copy->ScriptHandler().Name(), "guard");
    EXPECT_EQ(copy->GetFileBounds()[6], 7u);
    EXPECT_EQ(copy->Position(), Vec3(0, 0, 0));
    EXPECT_EQ(copy->GetHeading(), 0.0f);
    EXPECT_NEAR(copy->GetBox().max.x, 1.0f, 1e-5f);
}

}  // namespace
