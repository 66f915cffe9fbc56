// The camera: its orbit and matrices, the node the renderer draws through, the camera
// actions, the frustum test, the listener and the values it refuses.
#include "render/YCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "RenderTestSupport.h"
#include "audio/YAudioSystem.h"
#include "core/YEvents.h"
#include "core/YSettings.h"
#include "platform/sound/Sound.h"
#include "render/YNode.h"
#include "render/YPolygonRenderer.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// An object with a position, a heading and a box that counts its draws.
class Subject : public YCameraSubject {
public:
    math::Vec3 GetPosition() const override { return position; }
    float GetHeading() const override { return heading; }
    void GetBounds(math::Vec3* min, math::Vec3* max) const override {
        *min = boxMin;
        *max = boxMax;
    }
    void Draw() override { ++draws; }

    math::Vec3 position;
    float heading = 0.0f;
    math::Vec3 boxMin{-1, -1, -1}, boxMax{1, 1, 1};
    int draws = 0;
};

void Action(int action, int release) { SendEvent(YEVENT_ACTION, action, release); }

void ExpectNear(const math::Vec3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_settings.screenWidth = 800;
        g_settings.screenHeight = 600;
        g_settings.cameraMode = 0;
    }
    void TearDown() override {
        g_settings = saved_;
        PurgeUnsubscribedEvents();
    }

    YSettings saved_ = g_settings;
};

// ---- Orbit and matrices ----------------------------------------------------------------

TEST_F(CameraTest, DefaultOrbitPutsTheEyeTenUnitsBackOnNegativeXAndAbove) {
    CYCamera camera;
    camera.SetLookAt({1, 2, 3});
    camera.Update(0.0f);
    const math::Vec3 offset = camera.GetEye() - camera.GetLookAt();
    EXPECT_NEAR(math::Vec3Length(offset), 10.0f, 1e-4f);
    ExpectNear(offset, -7.0710678f, 0.0f, 7.0710678f);
}

TEST_F(CameraTest, LookAtPointIsAtTheScreenCentreWithUpwardsUpOnScreen) {
    CYCamera camera;
    camera.SetLookAt({4, -3, 1});
    camera.SetViewVector(6.0f, 0.6f, 1.2f);
    camera.Update(0.0f);
    const math::Matrix& vp = camera.GetViewProjection();
    const math::Vec3 centre = math::Vec3TransformCoord({4, -3, 1}, vp);
    EXPECT_NEAR(centre.x, 0.0f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-5f);
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
    EXPECT_GT(math::Vec3TransformCoord({4, -3, 2}, vp).y, 0.0f);
}

TEST_F(CameraTest, HostileValuesAreRefusedAndChangeNothing) {
    g_settings.screenHeight = 0;
    CYCamera camera;
    EXPECT_FLOAT_EQ(camera.GetAspect(), 1.0f);
    camera.Update(0.0f);
    const math::Matrix view = camera.GetView();
    const math::Matrix projection = camera.GetProjection();
    camera.SetProjection(0.0f, 100.0f);
    camera.SetProjection(3.1415927f, 100.0f);
    camera.SetProjection(1.0f, 1.0f);
    camera.SetProjection(kNaN, 100.0f);
    camera.SetProjection(1.0f, std::numeric_limits<float>::infinity());
    camera.SetViewVector(0.0f, 1.0f, 1.0f);
    camera.SetViewVector(5.0f, kNaN, 1.0f);
    camera.SetLookAt({kNaN, 0, 0});
    camera.Update(0.0f);
    EXPECT_EQ(camera.GetView(), view);
    EXPECT_EQ(camera.GetProjection(), projection);
    EXPECT_FLOAT_EQ(camera.GetDistance(), 10.0f);
}

// ---- Camera actions -----------------------------------------------------------------------

TEST_F(CameraTest, FollowModeIgnoresTurningUntilTheModeActionSwitchesToFree) {
    CYCamera camera;
    Action(6, 0);
    EXPECT_EQ(camera.GetRotation(), 0);
    Action(8, 1);  // a release does not switch
    EXPECT_EQ(g_settings.cameraMode, 0);
    Action(8, 0);
    EXPECT_EQ(g_settings.cameraMode, 1);
    Action(6, 0);
    EXPECT_EQ(camera.GetRotation(), 1);
}

TEST_F(CameraTest, FreeModeTurnsAtTwoRadiansASecondWhileHeldAndTheModeActionEndsIt) {
    g_settings.cameraMode = 1;
    CYCamera camera;
    Action(6, 0);
    camera.Update(0.25f);
    EXPECT_FLOAT_EQ(camera.GetYaw(), 0.5f);
    Action(6, 1);
    camera.Update(0.25f);
    EXPECT_FLOAT_EQ(camera.GetYaw(), 0.5f);
    Action(7, 0);
    EXPECT_EQ(camera.GetRotation(), 2);
    camera.Update(0.5f);
    EXPECT_FLOAT_EQ(camera.GetYaw(), -0.5f);
    Action(8, 1);  // a release changes nothing
    EXPECT_EQ(camera.GetRotation(), 2);
    Action(8, 0);
    EXPECT_EQ(g_settings.cameraMode, 0);
    EXPECT_EQ(camera.GetRotation(), 0);
}

TEST_F(CameraTest, FollowModeSnapsTheYawToTheTargetHeadingAndLooksAtTheTarget) {
    CYCamera camera;
    Subject droid;
    droid.position = {5, 6, 0};
    droid.heading = 1.0f;
    camera.SetTarget(&droid);
    camera.Update(0.0f);
    EXPECT_EQ(camera.GetLookAt(), math::Vec3(5, 6, 0));
    EXPECT_FLOAT_EQ(camera.GetYaw(), 1.0f);
    droid.heading = kNaN;  // a broken heading is not taken
    camera.Update(0.0f);
    EXPECT_FLOAT_EQ(camera.GetYaw(), 1.0f);
    g_settings.cameraMode = 1;
    droid.heading = 2.0f;
    camera.Update(0.0f);
    EXPECT_FLOAT_EQ(camera.GetYaw(), 1.0f);
}

// ---- Queries ----------------------------------------------------------------------------------

TEST_F(CameraTest, AnswersTheCameraQueryUntilDestroyed) {
    CYCamera* answer = nullptr;
    {
        CYCamera camera;
        SendEvent(YEVENT_GET_CAMERA, reinterpret_cast<intptr_t>(&answer), 0);
        EXPECT_EQ(answer, &camera);
    }
    answer = nullptr;
    SendEvent(YEVENT_GET_CAMERA, reinterpret_cast<intptr_t>(&answer), 0);
    SendEvent(YEVENT_ACTION, 8, 0);  // no camera left to switch the mode
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(g_settings.cameraMode, 0);
}

TEST_F(CameraTest, CreateNodeFailsWithoutARenderer) {
    CYCamera camera;
    EXPECT_EQ(camera.CreateNode(), E_FAIL);
    EXPECT_EQ(camera.GetNode(), nullptr);
}

// ---- Frustum --------------------------------------------------------------------------------

// Looking straight down at the origin from 10 units up: near plane at z = 9, far at -90.
class FrustumTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        camera_ = std::make_unique<CYCamera>();
        camera_->SetViewVector(10.0f, 0.0f, 0.0f);
        camera_->Update(0.0f);
    }
    bool Visible(math::Vec3 a, math::Vec3 b) { return camera_->IsBoxInFrustum(a, b); }
    std::unique_ptr<CYCamera> camera_;
};

TEST_F(FrustumTest, BoxesAreKeptUnlessWhollyOutsideOnePlane) {
    EXPECT_TRUE(Visible({-1, -1, -1}, {1, 1, 1}));
    EXPECT_TRUE(Visible({1, 1, 8.5f}, {-1, -1, 9.5f}));  // across the near plane, corners in any order
    EXPECT_TRUE(Visible({8, -1, 0}, {20, 1, 0}));        // across the right edge
    EXPECT_FALSE(Visible({-1, -1, 9.5f}, {1, 1, 9.9f}));  // between the eye and the near plane
    EXPECT_FALSE(Visible({-1, -1, -95}, {1, 1, -91}));    // beyond the far plane
    EXPECT_FALSE(Visible({50, -1, 0}, {60, 1, 0}));       // far to one side
}

TEST_F(FrustumTest, ProjectionChangeTakesEffectAtTheNextUpdate) {
    const math::Matrix before = camera_->GetProjection();
    camera_->SetProjection(1.0f, 50.0f);
    EXPECT_EQ(camera_->GetProjection(), before);
    EXPECT_TRUE(Visible({-1, -1, -45}, {1, 1, -44}));
    camera_->Update(0.0f);
    const math::Matrix after = math::MatrixPerspectiveFovLH(1.0f, 800.0f / 600.0f, 1.0f, 50.0f);
    EXPECT_EQ(camera_->GetProjection(), after);
    EXPECT_EQ(camera_->GetViewProjection(), camera_->GetView() * after);
    EXPECT_FALSE(Visible({-1, -1, -45}, {1, 1, -44}));
}

TEST_F(FrustumTest, DrawIfVisibleDrawsOnlyObjectsInTheFrustum) {
    Subject near, away;
    away.boxMin = {50, -1, 0};
    away.boxMax = {60, 1, 0};
    EXPECT_FALSE(camera_->DrawIfVisible(nullptr));
    EXPECT_TRUE(camera_->DrawIfVisible(&near));
    EXPECT_FALSE(camera_->DrawIfVisible(&away));
    EXPECT_EQ(near.draws, 1);
    EXPECT_EQ(away.draws, 0);
}

// ---- Listener --------------------------------------------------------------------------------

// Half a unit before the look-at point, facing away from the eye; looking straight down,
// the way ahead is the top of the screen.
TEST_F(CameraTest, ListenerStandsBeforeTheLookAtPointFacingAway) {
    snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
    {
        CYAudioSystem audio;
        ASSERT_EQ(audio.Init(nullptr), S_OK);
        g_audioSystem = &audio;
        CYCamera camera;
        camera.SetLookAt({4, 0, 2});
        camera.Update(0.0f);
        ExpectNear(audio.ListenerParams().position, 3.5f, 0.0f, 2.0f);
        ExpectNear(audio.ListenerParams().front, 1.0f, 0.0f, 0.0f);
        ExpectNear(audio.ListenerParams().top, 0.0f, 0.0f, 1.0f);
        camera.SetViewVector(10.0f, 0.0f, 1.5707964f);
        camera.Update(0.0f);
        g_audioSystem = nullptr;
        ExpectNear(audio.ListenerParams().front, 0.0f, 1.0f, 0.0f);
    }
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
}

// ---- The node the renderer draws through -------------------------------------------------

class CameraDrawTest : public rtest::RecordingRendererTest {};

TEST_F(CameraDrawTest, RendererDrawsThroughTheCamerasMatrices) {
    CYCamera camera;
    camera.SetLookAt({2, 3, 0});
    ASSERT_EQ(camera.CreateNode(), S_OK);
    ASSERT_NE(camera.GetNode(), nullptr);
    EXPECT_EQ(camera.GetNode()->GetParent(), renderer_->GetRoot());
    camera.Update(0.0f);
    rtest::TestSource triangle(3, 3);
    renderer_->GetDynamicPolygonRenderer(camera.GetNode())->AddGeometry(&triangle);
    Frame();
    EXPECT_EQ(CallsStartingWith("DrawIndexedPrimitive").size(), 1u);
    math::Matrix m;
    device_->GetTransform(gfx::TS_VIEW, &m);
    EXPECT_EQ(m, camera.GetView());
    device_->GetTransform(gfx::TS_PROJECTION, &m);
    EXPECT_EQ(m, camera.GetProjection());
    // A second call keeps the one node.
    const size_t children = renderer_->GetRoot()->Children().size();
    EXPECT_EQ(camera.CreateNode(), S_OK);
    EXPECT_EQ(renderer_->GetRoot()->Children().size(), children);
}

TEST_F(CameraDrawTest, CameraOutlivingTheTreeLetsGoOfItsNode) {
    CYCamera camera;
    ASSERT_EQ(camera.CreateNode(), S_OK);
    renderer_.reset();  // the tree and the node go
    EXPECT_EQ(camera.GetNode(), nullptr);
    camera.SetLookAt({1, 1, 1});
    camera.Update(0.0f);
}

TEST_F(CameraDrawTest, TreeOutlivingTheCameraKeepsANodeThatNoLongerPointsBack) {
    CYCameraNode* node = nullptr;
    math::Matrix view;
    {
        CYCamera camera;
        camera.SetLookAt({2, 3, 0});
        ASSERT_EQ(camera.CreateNode(), S_OK);
        camera.Update(0.0f);
        node = camera.GetNode();
        view = camera.GetView();
        EXPECT_NE(node->GetHolder(), nullptr);
    }
    // The tree keeps the node, which no longer points back, and draws through its last view.
    EXPECT_EQ(node->GetParent(), renderer_->GetRoot());
    EXPECT_EQ(node->GetHolder(), nullptr);
    rtest::TestSource triangle(3, 3);
    renderer_->GetDynamicPolygonRenderer(node)->AddGeometry(&triangle);
    Frame();
    EXPECT_EQ(CallsStartingWith("DrawIndexedPrimitive").size(), 1u);
    math::Matrix m;
    device_->GetTransform(gfx::TS_VIEW, &m);
    EXPECT_EQ(m, view);
    renderer_.reset();  // deleting the node touches no dead camera
}

}  // namespace
