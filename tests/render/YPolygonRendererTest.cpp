// The polygon sinks on the recording device: waking, totals, batches, one draw per
// sink, the static pair, and objects that go while queued.
#include "render/YPolygonRenderer.h"

#include <gtest/gtest.h>

#include "RenderTestSupport.h"

using rtest::TestSource;

namespace {

int Count(const std::vector<std::string>& calls, const std::string& prefix) {
    int n = 0;
    for (const std::string& c : calls) n += c.compare(0, prefix.size(), prefix) == 0;
    return n;
}

class SinkTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        camera_ = renderer_->AddCameraNode();
        world_ = new CYWorld(math::MatrixIdentity());
        camera_->AddChild(world_);
    }
    CYNode* camera_ = nullptr;
    CYNode* world_ = nullptr;
};

// ---- Dynamic sink -------------------------------------------------------------------------

TEST_F(SinkTest, AddGeometryWakesThePathAndAnnouncesTheCounts) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(world_);
    TestSource a(24, 36), b(8, 12);
    sink->AddGeometry(&a);
    sink->AddGeometry(&b);
    EXPECT_FALSE(sink->IsIdle());
    EXPECT_FALSE(world_->IsIdle());
    EXPECT_FALSE(renderer_->GetRoot()->IsIdle());
    EXPECT_EQ(renderer_->GetDynamicVertexTotal(), 32);
    EXPECT_EQ(renderer_->GetDynamicIndexTotal(), 48);
    EXPECT_EQ(sink->GetQueue().Size(), 2);
    EXPECT_EQ(sink->GetQueue().Vertices(), 32);
}

TEST_F(SinkTest, FillPassWritesOneBatchAndEmptiesTheQueue) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(world_);
    TestSource a(24, 36), b(8, 12);
    sink->AddGeometry(&a);
    sink->AddGeometry(&b);
    renderer_->PrepareFrame();
    EXPECT_TRUE(sink->GetQueue().Empty());
    EXPECT_EQ(sink->GetBatch().firstVertex, 0u);
    EXPECT_EQ(sink->GetBatch().vertexCount, 32u);
    EXPECT_EQ(sink->GetBatch().firstIndex, 0u);
    EXPECT_EQ(sink->GetBatch().triangleCount, 16u);
    // b's indices follow a's vertices.
    EXPECT_EQ(Read<uint16_t>(renderer_->GetDynamicIndexBuffer(), 36, 3), (std::vector<uint16_t>{24, 25, 26}));
}

TEST_F(SinkTest, EachSinkDrawsWithOneCallAndSleepsAfterTheFrame) {
    CYDynamicPolygonRenderer* one = renderer_->GetDynamicPolygonRenderer(world_);
    auto* otherWorld = new CYWorld(math::MatrixIdentity());
    camera_->AddChild(otherWorld);
    CYDynamicPolygonRenderer* two = renderer_->GetDynamicPolygonRenderer(otherWorld);
    std::vector<std::unique_ptr<TestSource>> objects;
    for (int i = 0; i < 5; ++i) objects.push_back(std::make_unique<TestSource>(24, 36));
    for (int i = 0; i < 3; ++i) one->AddGeometry(objects[i].get());
    for (int i = 3; i < 5; ++i) two->AddGeometry(objects[i].get());
    renderer_->PrepareFrame();
    recording_->ClearCalls();
    renderer_->RenderFrame();
    std::vector<std::string> draws;
    for (const std::string& c : recording_->Calls())
        if (c.rfind("DrawIndexedPrimitive", 0) == 0) draws.push_back(c);
    EXPECT_EQ(draws, (std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 72, 0, 36)",
                                               "DrawIndexedPrimitive(4, 0, 72, 48, 108, 24)"}));
    EXPECT_TRUE(one->IsIdle());
    EXPECT_EQ(one->GetBatch().triangleCount, 0u);
}

TEST_F(SinkTest, SinkWithoutObjectsThisFrameDrawsNothing) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(world_);
    auto* otherWorld = new CYWorld(math::MatrixIdentity());
    camera_->AddChild(otherWorld);
    CYDynamicPolygonRenderer* busy = renderer_->GetDynamicPolygonRenderer(otherWorld);
    TestSource a(24, 36), b(24, 36);
    sink->AddGeometry(&a);
    Frame();
    busy->AddGeometry(&b);
    renderer_->PrepareFrame();
    recording_->ClearCalls();
    renderer_->RenderFrame();
    EXPECT_TRUE(sink->IsIdle());
    EXPECT_EQ(Count(recording_->Calls(), "DrawIndexedPrimitive"), 1);
}

TEST_F(SinkTest, MarkIdleDoesNotDescendBelowASink) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(world_);
    auto* below = new CYClipNode();
    sink->AddChild(below);
    below->ClearIdle();
    renderer_->GetRoot()->MarkIdle();
    EXPECT_TRUE(sink->IsIdle());
    EXPECT_FALSE(below->IsIdle());
}

// ---- Objects that go while queued ----------------------------------------------------------------

TEST_F(SinkTest, DestroyedObjectLeavesTheQueueBeforeTheFillPass) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(world_);
    TestSource kept(3, 3, 7.0f);
    auto gone = std::make_unique<TestSource>(24, 36);
    sink->AddGeometry(gone.get());
    sink->AddGeometry(&kept);
    gone.reset();
    EXPECT_EQ(sink->GetQueue().Size(), 1);
    EXPECT_EQ(sink->GetQueue().Vertices(), 3);
    renderer_->PrepareFrame();
    EXPECT_EQ(sink->GetBatch().vertexCount, 3u);
    EXPECT_EQ(Read<gfx::Vertex>(renderer_->GetDynamicVertexBuffer(), 0, 1)[0].y, 7.0f);
}

TEST_F(SinkTest, ObjectOutlivingItsSinkIsUnlinked) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(world_);
    TestSource a(3, 3);
    sink->AddGeometry(&a);
    EXPECT_EQ(a.QueueCount(), 1);
    delete sink;
    EXPECT_EQ(a.QueueCount(), 0);
}

// ---- Static sink ---------------------------------------------------------------------------

TEST_F(SinkTest, StaticSinkWritesOnceAndDrawsFromTheStaticPairEveryFrame) {
    CYStaticPolygonRenderer* sink = renderer_->GetStaticPolygonRenderer(world_);
    TestSource a(24, 36);
    sink->AddGeometry(&a);
    renderer_->PrepareFrame();
    EXPECT_TRUE(sink->IsWritten());
    EXPECT_EQ(a.applied, 1);
    EXPECT_EQ(Count(recording_->Calls(), "VertexBuffer#3.Lock(0, 1152, 0x0)"), 1);
    EXPECT_FALSE(renderer_->IsStaticRefillPending());
    recording_->ClearCalls();
    renderer_->RenderFrame();
    EXPECT_EQ(Count(recording_->Calls(), "SetStreamSource(0, VertexBuffer#3, 0, 48)"), 1);
    EXPECT_EQ(Count(recording_->Calls(), "DrawIndexedPrimitive(4, 0, 0, 24, 0, 12)"), 1);

    for (int frame = 0; frame < 2; ++frame) {
        sink->AddGeometry(&a);
        EXPECT_TRUE(sink->GetQueue().Empty());
        recording_->ClearCalls();
        Frame();
        EXPECT_EQ(Count(recording_->Calls(), "VertexBuffer#3.Lock"), 0);
        EXPECT_EQ(Count(recording_->Calls(), "DrawIndexedPrimitive(4, 0, 0, 24, 0, 12)"), 1);
    }
    EXPECT_EQ(a.applied, 1);
}

TEST_F(SinkTest, RootFlagZeroMakesStaticSinksCollectAndWriteAgain) {
    CYStaticPolygonRenderer* sink = renderer_->GetStaticPolygonRenderer(world_);
    TestSource a(24, 36), b(6, 9);
    sink->AddGeometry(&a);
    Frame();
    SendEvent(YEVENT_SET_ROOT_FLAG, 0, 0);
    EXPECT_FALSE(sink->IsWritten());
    EXPECT_TRUE(renderer_->IsStaticRefillPending());
    sink->AddGeometry(&b);
    renderer_->PrepareFrame();
    EXPECT_TRUE(sink->IsWritten());
    EXPECT_EQ(sink->GetBatch().firstVertex, 0u);
    EXPECT_EQ(sink->GetBatch().vertexCount, 6u);
    EXPECT_EQ(sink->GetBatch().triangleCount, 3u);
}

TEST_F(SinkTest, StaticWritesStopAtTheEndOfTheStaticPair) {
    CYStaticPolygonRenderer* sink = renderer_->GetStaticPolygonRenderer(world_);
    TestSource a(40000, 3), b(30000, 3), c(20000, 3);
    for (TestSource* o : {&a, &b, &c}) sink->AddGeometry(o);
    renderer_->PrepareFrame();
    EXPECT_EQ(b.applied, 0);
    EXPECT_EQ(sink->GetBatch().vertexCount, 60000u);
    // A second sink gets what is left of the pair.
    auto* otherWorld = new CYWorld(math::MatrixIdentity());
    camera_->AddChild(otherWorld);
    CYStaticPolygonRenderer* second = renderer_->GetStaticPolygonRenderer(otherWorld);
    TestSource d(5000, 3), e(1000, 3);
    second->AddGeometry(&d);
    second->AddGeometry(&e);
    recording_->ClearCalls();
    renderer_->PrepareFrame();
    // 5,536 vertices are left after vertex 60,000.
    EXPECT_EQ(Count(recording_->Calls(), "VertexBuffer#3.Lock(2880000, 265728, 0x0)"), 1);
    EXPECT_EQ(d.applied, 1);
    EXPECT_EQ(e.applied, 0);
    EXPECT_EQ(second->GetBatch().firstVertex, 60000u);
    EXPECT_EQ(second->GetBatch().vertexCount, 5000u);
    EXPECT_EQ(second->GetBatch().firstIndex, 6u);
    EXPECT_EQ(Read<uint16_t>(renderer_->GetStaticIndexBuffer(), 6, 3), (std::vector<uint16_t>{60000, 60001, 60002}));
}

TEST_F(SinkTest, StaticSinkCollectsAgainWhenTheStaticPairCannotBeLocked) {
    CYStaticPolygonRenderer* sink = renderer_->GetStaticPolygonRenderer(world_);
    TestSource a(24, 36);
    sink->AddGeometry(&a);
    recording_->FailNext("VertexBuffer.Lock", D3DERR_INVALIDCALL);
    EXPECT_EQ(renderer_->PrepareFrame(), D3DERR_INVALIDCALL);
    EXPECT_FALSE(sink->IsWritten());
    EXPECT_TRUE(sink->GetQueue().Empty());
    EXPECT_TRUE(renderer_->IsStaticRefillPending());
    renderer_->RenderFrame();
    sink->AddGeometry(&a);
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    EXPECT_TRUE(sink->IsWritten());
    EXPECT_EQ(sink->GetBatch().triangleCount, 12u);
}

}  // namespace
