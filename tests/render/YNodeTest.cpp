// The scene-node tree: the idle protocol, walks, ownership and the live counts.
#include "render/YNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/YLiveCounts.h"
#include "platform/graphics/Device.h"
#include "render/YRenderer.h"

namespace {

std::vector<std::string> g_log;

// A node that logs its walks under a name and answers Render and FillBuffers with a
// chosen result.
class Probe : public CYNode {
public:
    explicit Probe(std::string name, HRESULT result = S_OK, int type = YNODE_NONE)
        : CYNode(type), name_(std::move(name)), result_(result) {}
    ~Probe() override { g_log.push_back((GetParent() ? "~attached " : "~") + name_); }
    HRESULT Render() override {
        g_log.push_back("render " + name_);
        return FAILED(result_) ? result_ : CYNode::Render();
    }
    HRESULT FillBuffers() override {
        g_log.push_back("fill " + name_);
        return FAILED(result_) ? result_ : CYNode::FillBuffers();
    }
    void SetState(int value) override {
        g_log.push_back("state " + name_ + " " + std::to_string(value));
        CYNode::SetState(value);
    }
    void Wake() { SetIdle(false); }

private:
    std::string name_;
    HRESULT result_;
};

class NodeTest : public ::testing::Test {
protected:
    void SetUp() override { g_log.clear(); }
};

// ---- Idle protocol ----------------------------------------------------------------------

TEST_F(NodeTest, WakingANodeWakesItsPathToTheRoot) {
    CYNode root;
    auto* world = new Probe("world");
    auto* sink = new Probe("sink");
    auto* other = new Probe("other");
    root.AddChild(world);
    root.AddChild(other);
    world->AddChild(sink);
    EXPECT_TRUE(root.IsIdle());
    sink->ClearIdle();
    EXPECT_FALSE(sink->IsIdle());
    EXPECT_FALSE(world->IsIdle());
    EXPECT_FALSE(root.IsIdle());
    EXPECT_TRUE(other->IsIdle());
}

TEST_F(NodeTest, WakingStopsAtTheFirstAwakeAncestor) {
    CYNode root;
    auto* mid = new Probe("mid");
    auto* leaf = new Probe("leaf");
    root.AddChild(mid);
    mid->AddChild(leaf);
    mid->Wake();  // awake below a sleeping root
    leaf->ClearIdle();
    EXPECT_FALSE(leaf->IsIdle());
    EXPECT_TRUE(root.IsIdle());
}

TEST_F(NodeTest, MarkIdleOnTheRootPutsEveryAwakeNodeToSleep) {
    CYNode root;
    auto* a = new Probe("a");
    auto* b = new Probe("b");
    root.AddChild(a);
    a->AddChild(b);
    b->ClearIdle();
    root.MarkIdle();
    EXPECT_TRUE(root.IsIdle());
    EXPECT_TRUE(a->IsIdle());
    EXPECT_TRUE(b->IsIdle());
}

TEST_F(NodeTest, IdleNodesAreNeitherFilledNorDrawn) {
    CYNode root;
    auto* awake = new Probe("awake");
    auto* asleep = new Probe("asleep");
    root.AddChild(awake);
    root.AddChild(asleep);
    auto* below = new Probe("below");
    asleep->AddChild(below);
    awake->ClearIdle();
    root.FillBuffers();
    root.Render();
    // The sleeping node is called by its awake parent but does not descend.
    EXPECT_EQ(g_log, (std::vector<std::string>{"fill awake", "fill asleep", "render awake", "render asleep"}));
}

// ---- Walks ---------------------------------------------------------------------------------

TEST_F(NodeTest, NegativeResultStopsTheSiblingWalkAndIsPassedUp) {
    CYNode root;
    root.AddChild(new Probe("first"));
    root.AddChild(new Probe("failing", E_FAIL));
    root.AddChild(new Probe("last"));
    root.ClearIdle();
    EXPECT_EQ(root.Render(), E_FAIL);
    EXPECT_EQ(root.FillBuffers(), E_FAIL);
    EXPECT_EQ(g_log, (std::vector<std::string>{"render first", "render failing", "fill first", "fill failing"}));
}

TEST_F(NodeTest, SetStateReachesEveryNode) {
    CYNode root;
    auto* a = new Probe("a");
    root.AddChild(a);
    a->AddChild(new Probe("a1"));
    root.AddChild(new Probe("b"));
    root.SetState(0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"state a 0", "state a1 0", "state b 0"}));
}

// ---- Ownership ------------------------------------------------------------------------------

TEST_F(NodeTest, DeletingANodeDeletesItsSubtreeAndLeavesItsParent) {
    int before = g_live.nodes;
    CYNode root;
    auto* a = new Probe("a");
    auto* a1 = new Probe("a1");
    auto* b = new Probe("b");
    root.AddChild(a);
    root.AddChild(b);
    a->AddChild(a1);
    EXPECT_EQ(g_live.nodes, before + 4);
    delete a;
    EXPECT_EQ(root.Children().size(), 1u);
    EXPECT_EQ(root.Children().front(), b);
    EXPECT_EQ(g_live.nodes, before + 2);
    // Its own destructor runs while it is still attached; its child is detached first.
    EXPECT_EQ(g_log, (std::vector<std::string>{"~attached a", "~a1"}));
}

TEST_F(NodeTest, ChildrenLoseTheirParentBeforeTheyAreDeleted) {
    auto* root = new CYNode();
    root->AddChild(new Probe("one"));
    root->AddChild(new Probe("two"));
    delete root;
    EXPECT_EQ(g_log, (std::vector<std::string>{"~one", "~two"}));
}

TEST_F(NodeTest, AddChildMovesANodeFromItsPreviousParent) {
    CYNode first, second;
    auto* child = new Probe("child");
    first.AddChild(child);
    EXPECT_EQ(second.AddChild(child), S_OK);
    EXPECT_TRUE(first.Children().empty());
    EXPECT_EQ(child->GetParent(), &second);
    EXPECT_EQ(second.AddChild(nullptr), E_INVALIDARG);
    EXPECT_EQ(second.AddChild(&second), E_INVALIDARG);
}

TEST_F(NodeTest, LiveNodesAreCountedByType) {
    int cameras = g_live.nodesByType[YNODE_CAMERA], clips = g_live.nodesByType[YNODE_CLIP];
    int unknown = g_live.nodesOfUnknownType;
    {
        CYCameraNode camera;
        CYClipNode clip;
        CYNode odd(42);
        EXPECT_EQ(g_live.nodesByType[YNODE_CAMERA], cameras + 1);
        EXPECT_EQ(g_live.nodesByType[YNODE_CLIP], clips + 1);
        EXPECT_EQ(g_live.nodesOfUnknownType, unknown + 1);
        EXPECT_EQ(clip.GetType(), YNODE_CLIP);
    }
    EXPECT_EQ(g_live.nodesByType[YNODE_CAMERA], cameras);
    EXPECT_EQ(g_live.nodesOfUnknownType, unknown);
}

// ---- Camera and world nodes --------------------------------------------------------------------

class CameraNodeTest : public NodeTest {
protected:
    void SetUp() override {
        NodeTest::SetUp();
        graphics_ = gfx::CreateRecordingGraphics();
        gfx::PresentParameters pp;
        pp.backBufferWidth = 64;
        pp.backBufferHeight = 64;
        ASSERT_EQ(graphics_->CreateDevice(0, gfx::DEVTYPE_HAL, nullptr, 0, &pp, &device_), S_OK);
        g_device = device_;
    }
    void TearDown() override {
        g_device = nullptr;
        device_->Release();
        graphics_->Release();
    }
    gfx::Graphics* graphics_ = nullptr;
    gfx::Device* device_ = nullptr;
};

TEST_F(CameraNodeTest, CameraSetsItsTransformsEvenWhileIdleAndThenDrawsNothing) {
    CYNode root;
    auto* camera = new CYCameraNode();
    root.AddChild(camera);
    camera->AddChild(new Probe("below"));
    math::Matrix view = math::MatrixTranslation(1, 2, 3);
    math::Matrix projection = math::MatrixPerspectiveFovLH(1.0f, 1.5f, 1.0f, 100.0f);
    camera->SetView(view);
    camera->SetProjection(projection);
    root.ClearIdle();  // the root is awake, the camera is not
    EXPECT_EQ(root.Render(), S_OK);
    math::Matrix m;
    device_->GetTransform(gfx::TS_VIEW, &m);
    EXPECT_EQ(m, view);
    device_->GetTransform(gfx::TS_PROJECTION, &m);
    EXPECT_EQ(m, projection);
    EXPECT_TRUE(g_log.empty());
    camera->ClearIdle();
    root.Render();
    EXPECT_EQ(g_log, std::vector<std::string>{"render below"});
}

TEST_F(NodeTest, WorldNodeKeepsItsMatrixAndDrawsItsChildren) {
    CYNode root;
    auto* world = new CYWorld(math::MatrixTranslation(0, 0, 3));
    root.AddChild(world);
    auto* child = new Probe("child");
    world->AddChild(child);
    EXPECT_EQ(world->GetMatrix(), math::MatrixTranslation(0, 0, 3));
    EXPECT_EQ(world->GetType(), YNODE_WORLD);
    child->ClearIdle();
    root.Render();
    EXPECT_EQ(g_log, std::vector<std::string>{"render child"});
}

}  // namespace
