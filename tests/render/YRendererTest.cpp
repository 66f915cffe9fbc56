// The renderer on the recording device (rings, locks, batches, device loss, gamma,
// display modes, statistics) and on a real GL context (the frame and the statistics line).
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cmath>
#include <limits>

#include "RenderTestSupport.h"
#include "core/YLiveCounts.h"
#include "platform/system/System.h"
#include "render/YEffectNode.h"
#include "render/YLightSetNode.h"
#include "render/YPolygonRenderer.h"
#include "render/YTextures.h"

using rtest::GLRendererTest;
using rtest::RecordingRendererTest;
using rtest::TestSource;

namespace {

bool Contains(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

int Count(const std::vector<std::string>& calls, const std::string& prefix) {
    int n = 0;
    for (const std::string& c : calls) n += c.compare(0, prefix.size(), prefix) == 0;
    return n;
}

// A node that counts its fill passes.
class FillProbe : public CYNode {
public:
    HRESULT FillBuffers() override {
        ++fills;
        return CYNode::FillBuffers();
    }
    int fills = 0;
};

bool SameRamp(const gfx::GammaRamp& a, const gfx::GammaRamp& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

gfx::GammaRamp DeviceRamp(gfx::Device* device) {
    gfx::GammaRamp r;
    device->GetGammaRamp(0, &r);
    return r;
}

// ---- The dynamic ring ------------------------------------------------------------------

TEST_F(RecordingRendererTest, VertexRingRestartsWithDiscardWhileIndexRingContinues) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    std::vector<std::unique_ptr<TestSource>> first, second;
    for (int i = 0; i < 4; ++i) first.push_back(std::make_unique<TestSource>(10000, 30000));
    for (auto& o : first) sink->AddGeometry(o.get());
    EXPECT_EQ(renderer_->GetDynamicVertexTotal(), 40000);
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    renderer_->RenderFrame();
    EXPECT_EQ(CallsStartingWith("VertexBuffer#1.Lock"), std::vector<std::string>{"VertexBuffer#1.Lock(0, 1920000, 0x2800)"});
    EXPECT_EQ(CallsStartingWith("IndexBuffer#2.Lock"), std::vector<std::string>{"IndexBuffer#2.Lock(0, 240000, 0x2800)"});

    recording_->ClearCalls();
    for (int i = 0; i < 3; ++i) second.push_back(std::make_unique<TestSource>(10000, 30000));
    for (auto& o : second) sink->AddGeometry(o.get());
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    // 40,000 + 30,000 passes vertex 65,535: back to 0; 120,000 + 90,000 indices fit.
    EXPECT_EQ(CallsStartingWith("VertexBuffer#1.Lock"), std::vector<std::string>{"VertexBuffer#1.Lock(0, 1440000, 0x2800)"});
    EXPECT_EQ(CallsStartingWith("IndexBuffer#2.Lock"),
              std::vector<std::string>{"IndexBuffer#2.Lock(240000, 180000, 0x1800)"});
    EXPECT_EQ(sink->GetBatch().firstVertex, 0u);
    EXPECT_EQ(sink->GetBatch().firstIndex, 120000u);
    EXPECT_EQ(sink->GetBatch().triangleCount, 30000u);
    EXPECT_EQ(renderer_->GetVertexRingStart(), 30000u);
    EXPECT_EQ(renderer_->GetIndexRingStart(), 210000u);
}

TEST_F(RecordingRendererTest, TotalsAboveTheRingAreClampedAndObjectsThatDoNotFitSkipped) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource a(40000, 3), b(40000, 3);
    sink->AddGeometry(&a);
    sink->AddGeometry(&b);
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    EXPECT_EQ(CallsStartingWith("VertexBuffer#1.Lock"), std::vector<std::string>{"VertexBuffer#1.Lock(0, 3145728, 0x2800)"});
    EXPECT_EQ(a.applied, 1);
    EXPECT_EQ(b.applied, 0);
    EXPECT_EQ(sink->GetBatch().vertexCount, 40000u);
    EXPECT_EQ(sink->GetBatch().triangleCount, 1u);
}

TEST_F(RecordingRendererTest, IndexTotalAboveTheRingIsClampedAndTheBatchCountsEveryWrittenTriangle) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource a(100, 99999), b(100, 99999), c(100, 99999);
    for (TestSource* o : {&a, &b, &c}) sink->AddGeometry(o);
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    EXPECT_EQ(CallsStartingWith("IndexBuffer#2.Lock"), std::vector<std::string>{"IndexBuffer#2.Lock(0, 524288, 0x2800)"});
    EXPECT_EQ(c.applied, 0);
    // 199,998 indices: 66,666 triangles, not (199,998 mod 65,536) / 3.
    EXPECT_EQ(sink->GetBatch().triangleCount, 66666u);
    EXPECT_EQ(sink->GetBatch().vertexCount, 200u);
}

TEST_F(RecordingRendererTest, WritesStayInsideTheLockedRange) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource small(3, 3), grows(3, 3);
    sink->AddGeometry(&small);
    sink->AddGeometry(&grows);
    // Its mesh changes after it was announced: the lock covers 6 vertices and 6 indices.
    grows.vertices_.resize(30);
    grows.indices_.resize(30);
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    EXPECT_EQ(CallsStartingWith("VertexBuffer#1.Lock"), std::vector<std::string>{"VertexBuffer#1.Lock(0, 288, 0x2800)"});
    EXPECT_EQ(grows.applied, 0);
    EXPECT_EQ(sink->GetBatch().vertexCount, 3u);
}

TEST_F(RecordingRendererTest, WrittenIndicesCarryTheBaseVertexAndTheDrawTheBatch) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource earlier(10, 3);
    sink->AddGeometry(&earlier);
    Frame();
    TestSource a(3, 3, 1.0f), b(3, 3, 2.0f);
    sink->AddGeometry(&a);
    sink->AddGeometry(&b);
    renderer_->PrepareFrame();
    recording_->ClearCalls();
    renderer_->RenderFrame();

    EXPECT_EQ(Read<uint16_t>(renderer_->GetDynamicIndexBuffer(), 3, 6), (std::vector<uint16_t>{10, 11, 12, 13, 14, 15}));
    std::vector<gfx::Vertex> v = Read<gfx::Vertex>(renderer_->GetDynamicVertexBuffer(), 10, 6);
    EXPECT_EQ(v[0].y, 1.0f);
    EXPECT_EQ(v[2].x, 2.0f);
    EXPECT_EQ(v[3].y, 2.0f);
    EXPECT_TRUE(Contains(recording_->Calls(), "DrawIndexedPrimitive(4, 0, 10, 6, 3, 2)"));
}

TEST_F(RecordingRendererTest, EveryIndexOfObjectsOfAnyLengthCarriesItsBase) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    // Fewer than eight, eight, and lengths that are not a multiple of eight.
    TestSource a(5, 7), b(9, 8), c(13, 21), d(40, 39);
    for (TestSource* s : {&a, &b, &c, &d}) sink->AddGeometry(s);
    renderer_->PrepareFrame();
    std::vector<uint16_t> expected;
    uint16_t base = 0;
    for (TestSource* s : {&a, &b, &c, &d}) {
        for (uint16_t k : s->indices_) expected.push_back(uint16_t(k + base));
        base = uint16_t(base + s->vertices_.size());
    }
    EXPECT_EQ(Read<uint16_t>(renderer_->GetDynamicIndexBuffer(), 0, uint32_t(expected.size())), expected);
}

TEST_F(RecordingRendererTest, ConsecutiveDynamicDrawsDoNotRebindTheBuffers) {
    CYDynamicPolygonRenderer* one = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    CYDynamicPolygonRenderer* two = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource a(3, 3), b(3, 3);
    one->AddGeometry(&a);
    two->AddGeometry(&b);
    renderer_->PrepareFrame();
    recording_->ClearCalls();
    renderer_->RenderFrame();
    EXPECT_EQ(Count(recording_->Calls(), "SetStreamSource"), 1);
    EXPECT_EQ(Count(recording_->Calls(), "DrawIndexedPrimitive"), 2);
    EXPECT_EQ(renderer_->GetDrawCallCount(), 2);
}

TEST_F(RecordingRendererTest, EmptyFrameLocksNothingButStillRunsTheFillPassAndPresents) {
    auto* probe = new FillProbe();
    renderer_->GetRoot()->AddChild(probe);
    probe->ClearIdle();
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
    EXPECT_EQ(probe->fills, 1);
    EXPECT_EQ(Count(recording_->Calls(), "VertexBuffer#"), 0);
    EXPECT_EQ(Count(recording_->Calls(), "IndexBuffer#"), 0);
    recording_->ClearCalls();
    EXPECT_EQ(renderer_->RenderFrame(), S_OK);
    EXPECT_TRUE(Contains(recording_->Calls(), "Clear(0, 0x3, 0xFF000000, 1, 0)"));
    EXPECT_EQ(recording_->Calls().back(), "Present()");
    EXPECT_EQ(Count(recording_->Calls(), "DrawIndexedPrimitive"), 0);
    EXPECT_TRUE(probe->IsIdle());
}

TEST_F(RecordingRendererTest, FailedLockSkipsTheWritesAndEmptiesTheQueues) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource a(3, 3);
    sink->AddGeometry(&a);
    recording_->FailNext("IndexBuffer.Lock", D3DERR_INVALIDCALL);
    EXPECT_EQ(renderer_->PrepareFrame(), D3DERR_INVALIDCALL);
    EXPECT_EQ(a.applied, 0);
    EXPECT_TRUE(sink->GetQueue().Empty());
    EXPECT_EQ(sink->GetBatch().triangleCount, 0u);
    // The vertex lock was given back; the ring still advances by the frame's totals.
    EXPECT_TRUE(Contains(recording_->Calls(), "VertexBuffer#1.Unlock()"));
    EXPECT_EQ(renderer_->GetVertexRingStart(), 3u);
    recording_->ClearCalls();
    renderer_->RenderFrame();
    EXPECT_EQ(Count(recording_->Calls(), "DrawIndexedPrimitive"), 0);
}

// ---- Device loss ---------------------------------------------------------------------------

TEST_F(RecordingRendererTest, LostDeviceSkipsFramesUntilItIsReset) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    device_->SimulateDeviceLoss(2);
    EXPECT_EQ(renderer_->RenderFrame(), S_OK);
    EXPECT_TRUE(renderer_->IsDeviceLost());
    EXPECT_EQ(Count(recording_->Calls(), "BeginScene"), 0);

    TestSource a(3, 3);
    sink->AddGeometry(&a);
    recording_->ClearCalls();
    EXPECT_EQ(renderer_->PrepareFrame(), E_FAIL);
    EXPECT_EQ(Count(recording_->Calls(), "VertexBuffer#"), 0);
    EXPECT_TRUE(sink->GetQueue().Empty());
    EXPECT_EQ(renderer_->GetDynamicVertexTotal(), 0);

    EXPECT_EQ(renderer_->RenderFrame(), S_OK);  // still lost
    EXPECT_TRUE(renderer_->IsDeviceLost());
    recording_->ClearCalls();
    EXPECT_EQ(renderer_->RenderFrame(), S_OK);  // ready to be reset
    EXPECT_FALSE(renderer_->IsDeviceLost());
    EXPECT_TRUE(Contains(recording_->Calls(), "Reset(800, 600, 22, 1)"));
    EXPECT_TRUE(Contains(recording_->Calls(), "CreateVertexBuffer(3145728, 0x208, 0x2D2, 0)"));
    EXPECT_TRUE(Contains(recording_->Calls(), "CreateVertexBuffer(3145728, 0x8, 0x2D2, 0)"));
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
}

TEST_F(RecordingRendererTest, FailedResetIsRetriedWhenTheDeviceIsReady) {
    device_->SimulateDeviceLoss(0);
    recording_->FailNext("Reset", D3DERR_DEVICELOST);
    renderer_->RenderFrame();
    EXPECT_TRUE(renderer_->IsDeviceLost());
    EXPECT_EQ(renderer_->PrepareFrame(), E_FAIL);
    renderer_->RenderFrame();
    EXPECT_FALSE(renderer_->IsDeviceLost());
    EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
}

TEST_F(RecordingRendererTest, ResetThatFailsAfterTheDeviceCameBackIsFinishedNextFrame) {
    device_->SimulateDeviceLoss(0);
    recording_->FailNext("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
    renderer_->RenderFrame();
    EXPECT_TRUE(renderer_->IsDeviceLost());
    EXPECT_EQ(renderer_->GetDynamicVertexBuffer(), nullptr);
    EXPECT_EQ(renderer_->PrepareFrame(), E_FAIL);
    renderer_->RenderFrame();
    EXPECT_FALSE(renderer_->IsDeviceLost());
    EXPECT_NE(renderer_->GetDynamicVertexBuffer(), nullptr);
}

// ---- Gamma ------------------------------------------------------------------------------

TEST_F(RecordingRendererTest, GammaTableRunsFromBlackThroughIdentity) {
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(renderer_->GetGammaTableRamp(128).red[i], uint16_t(i << 8));
        EXPECT_EQ(renderer_->GetGammaTableRamp(128).blue[i], uint16_t(i << 8));
        EXPECT_EQ(renderer_->GetGammaTableRamp(0).green[i], 0);
    }
    EXPECT_EQ(renderer_->GetGammaTableRamp(255).red[200], 255 << 8);
    EXPECT_EQ(renderer_->GetGammaTableRamp(64).red[100], 50 << 8);
}

TEST_F(RecordingRendererTest, LowBrightnessLevelsSelectRampTwo) {
    renderer_->SetBrightness(0.0f);
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 2);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(2)));
    renderer_->SetBrightness(0.01f);
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 2);
    renderer_->SetBrightness(-3.0f);
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 2);
    renderer_->SetBrightness(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 2);
}

TEST_F(RecordingRendererTest, BrightnessAboveOneIsHeldToTheLastRamp) {
    renderer_->SetBrightness(5.0f);
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 255);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(255)));
    // A level in the settings file above 1 at start-up.
    renderer_.reset();
    g_settings.brightness = 7.5f;
    renderer_ = std::make_unique<CYRenderer>();
    ASSERT_EQ(renderer_->Init(), S_OK);
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 255);
}

TEST_F(RecordingRendererTest, BrightnessEventRoundsToHundredthsAndStoresTheLevel) {
    SendEvent(YEVENT_SET_BRIGHTNESS, FloatEventArg(0.305f), 0);
    EXPECT_NEAR(g_settings.brightness, 0.30f, 1e-6);
    EXPECT_EQ(renderer_->GetBrightnessIndex(), 76);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(76)));
}

TEST_F(RecordingRendererTest, FadeScalesTheBrightnessRamp) {
    renderer_->SetBrightness(0.5f);
    renderer_->SetFade(0.0f);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(0)));
    renderer_->SetFade(1.0f);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(127)));
    renderer_->SetFade(0.5f);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(63)));
    renderer_->SetFade(3.0f);
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(127)));
    renderer_->SetFade(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(SameRamp(DeviceRamp(device_), renderer_->GetGammaTableRamp(0)));
}

// ---- Display modes ------------------------------------------------------------------------

class FullScreenRendererTest : public RecordingRendererTest {
protected:
    FullScreenRendererTest() { fullScreen_ = 1; }
};

std::vector<std::pair<uint32_t, uint32_t>> Sizes(const std::vector<YDisplayModeRecord>& modes, gfx::Format format) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const YDisplayModeRecord& m : modes)
        if (m.format == format) out.push_back({m.width, m.height});
    return out;
}

TEST_F(FullScreenRendererTest, OnlyFourByThreeModesAreListedSixteenBitFirst) {
    gfx::SetRecordingDisplayModes(renderer_->GetGraphics(),
                                  {{640, 480, 60, gfx::FMT_UNKNOWN},
                                   {640, 480, 75, gfx::FMT_UNKNOWN},
                                   {720, 480, 60, gfx::FMT_UNKNOWN},
                                   {800, 600, 60, gfx::FMT_UNKNOWN},
                                   {1152, 864, 60, gfx::FMT_UNKNOWN},
                                   {1280, 1024, 60, gfx::FMT_UNKNOWN},
                                   {1280, 960, 60, gfx::FMT_UNKNOWN},
                                   {1920, 1440, 60, gfx::FMT_UNKNOWN}});
    renderer_->EnumerateDisplayModes();
    const auto& modes = renderer_->GetDisplayModes();
    std::vector<std::pair<uint32_t, uint32_t>> expected{{640, 480}, {800, 600}, {1280, 960}};
    ASSERT_EQ(modes.size(), 6u);
    EXPECT_EQ(modes[0].format, gfx::FMT_R5G6B5);
    EXPECT_EQ(modes[3].format, gfx::FMT_X8R8G8B8);
    EXPECT_EQ(Sizes(modes, gfx::FMT_R5G6B5), expected);
    EXPECT_EQ(Sizes(modes, gfx::FMT_X8R8G8B8), expected);
    EXPECT_NE(test::ReadFile("YLog.log").find("1280 960 22\n"), std::string::npos);
}

int g_modeChanges = 0;
void CountModeChange(void*, intptr_t, intptr_t) { ++g_modeChanges; }

TEST_F(FullScreenRendererTest, SetDisplayModeResetsTheDeviceAndSavesTheSettings) {
    g_modeChanges = 0;
    SubscribeEvent(YEVENT_DISPLAY_MODE_CHANGED, nullptr, CountModeChange);
    renderer_->SetDisplayMode(0);
    UnsubscribeEvent(YEVENT_DISPLAY_MODE_CHANGED, nullptr, CountModeChange);
    EXPECT_EQ(g_modeChanges, 1);
    EXPECT_EQ(g_settings.screenWidth, 640);
    EXPECT_EQ(g_settings.screenHeight, 480);
    EXPECT_EQ(g_settings.bitsPerPixel, 16);
    EXPECT_TRUE(Contains(recording_->Calls(), "Reset(640, 480, 23, 0)"));
    EXPECT_FALSE(renderer_->IsDeviceLost());
}

TEST_F(FullScreenRendererTest, SetDisplayModeOutsideTheListDoesNothing) {
    renderer_->SetDisplayMode(-1);
    renderer_->SetDisplayMode(int(renderer_->GetDisplayModes().size()));
    EXPECT_EQ(Count(recording_->Calls(), "Reset"), 0);
    EXPECT_EQ(g_settings.screenWidth, 800);
}

TEST_F(RecordingRendererTest, WindowModeRecordCarriesTheWindowsColourDepth) {
    ASSERT_EQ(renderer_->GetDisplayModes().size(), 1u);
    EXPECT_EQ(renderer_->GetDisplayModes()[0].format, gfx::FMT_X8R8G8B8);
    g_settings.bitsPerPixel = 0;
    renderer_->SetDisplayMode(0);
    EXPECT_EQ(g_settings.bitsPerPixel, 32);
    EXPECT_TRUE(Contains(recording_->Calls(), "Reset(800, 600, 22, 1)"));
    recording_->ClearCalls();
    renderer_->SetDisplayMode(1);
    EXPECT_EQ(Count(recording_->Calls(), "Reset"), 0);
}

// ---- Render states, statistics, events, nodes ---------------------------------------------------

TEST_F(RecordingRendererTest, RenderStatesFollowTheTrilinearSetting) {
    uint32_t v = 0;
    device_->GetSamplerState(0, gfx::SAMP_MIPFILTER, &v);
    EXPECT_EQ(v, uint32_t(gfx::TEXF_LINEAR));
    device_->GetSamplerState(1, gfx::SAMP_MIPFILTER, &v);
    EXPECT_EQ(v, uint32_t(gfx::TEXF_POINT));
    device_->GetRenderState(gfx::RS_AMBIENT, &v);
    EXPECT_EQ(v, 0xFF464646u);
    device_->GetRenderState(gfx::RS_DIFFUSEMATERIALSOURCE, &v);
    EXPECT_EQ(v, uint32_t(gfx::MCS_MATERIAL));
    gfx::Material m;
    device_->GetMaterial(&m);
    EXPECT_EQ(m.power, 20.0f);
    g_settings.trilinear = 1;
    renderer_->SetRenderStates();
    device_->GetSamplerState(1, gfx::SAMP_MIPFILTER, &v);
    EXPECT_EQ(v, uint32_t(gfx::TEXF_LINEAR));
}

TEST_F(RecordingRendererTest, StatisticsTextIsRebuiltOnceASecond) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    TestSource a(10, 12);
    g_timer.frameTime = 0.4;
    for (int i = 0; i < 2; ++i) {
        sink->AddGeometry(&a);
        Frame();
    }
    EXPECT_EQ(renderer_->GetStatisticsText(), "");
    sink->AddGeometry(&a);
    SendEvent(YEVENT_ROOM_DRAWN, 0, 0);
    renderer_->PrepareFrame();
    EXPECT_EQ(renderer_->GetStatisticsText(),
              "FPS: 1.67 (800x600x32), PolygonsCount = 4, RoomsCount = 1, DrawPrimitive = 1, 0");
    renderer_->RenderFrame();
    EXPECT_EQ(renderer_->GetRoomsDrawn(), 0);
    // Not shown: no text is drawn.
    EXPECT_EQ(Count(recording_->Calls(), "Font.DrawText"), 0);
}

TEST_F(RecordingRendererTest, StatisticsLineIsDrawnWhenTheSettingIsOn) {
    renderer_.reset();
    g_settings.statistics = 1;
    renderer_ = std::make_unique<CYRenderer>();
    ASSERT_EQ(renderer_->Init(), S_OK);
    gfx::Recording* recording = gfx::AsRecording(renderer_->GetDevice());
    g_timer.frameTime = 1.5;
    renderer_->PrepareFrame();
    recording->ClearCalls();
    renderer_->RenderFrame();
    std::string expected = "Font.DrawText(\"" + renderer_->GetStatisticsText() + "\", 20, 0, 1000, 600, 0x0, 0xFF0000FF)";
    EXPECT_TRUE(Contains(recording->Calls(), expected));
}

TEST_F(RecordingRendererTest, TheStatisticsFontIsMadeOnlyWhenTheLineIsShown) {
    for (int shown : {0, 1}) {
        renderer_.reset();
        g_settings.statistics = shown;
        renderer_ = std::make_unique<CYRenderer>();
        ASSERT_EQ(renderer_->Init(), S_OK);
        gfx::Recording* recording = gfx::AsRecording(renderer_->GetDevice());
        EXPECT_EQ(Count(recording->Calls(), "CreateFont("), shown) << "statistics " << shown;
        renderer_->PrepareFrame();
        EXPECT_EQ(renderer_->RenderFrame(), S_OK);
    }
}

TEST_F(RecordingRendererTest, AnswersTheRendererQuery) {
    CYRenderer* found = nullptr;
    SendEvent(YEVENT_GET_RENDERER, reinterpret_cast<intptr_t>(&found), 0);
    EXPECT_EQ(found, renderer_.get());
    EXPECT_EQ(g_renderer, renderer_.get());
    EXPECT_EQ(g_device, device_);
}

TEST_F(RecordingRendererTest, NodeGettersReuseMatchingChildren) {
    CYNode* root = renderer_->GetRoot();
    CYEffectNode* fx = renderer_->GetEffectNode(root, "simple.fx");
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(renderer_->GetEffectNode(root, "simple.fx"), fx);
    EXPECT_NE(renderer_->GetEffectNode(root, "simple.fx2"), fx);
    CYTextures* set = renderer_->GetTexturesNode(fx, {"a.tga", "b.tga"});
    EXPECT_EQ(renderer_->GetTexturesNode(fx, {"a.tga", "b.tga"}), set);
    EXPECT_NE(renderer_->GetTexturesNode(fx, {"a.tga"}), set);
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(set);
    EXPECT_EQ(renderer_->GetDynamicPolygonRenderer(set), sink);
    EXPECT_EQ(sink->GetParent(), set);
    CYLightSetNode* lights = renderer_->AddLightingNode(root);
    EXPECT_NE(renderer_->AddLightingNode(root), lights);
    CYCameraNode* camera = renderer_->AddCameraNode();
    EXPECT_EQ(camera->GetParent(), root);
    EXPECT_EQ(camera->GetType(), YNODE_CAMERA);
    EXPECT_EQ(renderer_->GetEffectNode(nullptr, "simple.fx"), nullptr);
}

TEST_F(RecordingRendererTest, TreeGoesWithTheRenderer) {
    int before = g_live.nodes;
    renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    EXPECT_EQ(g_live.nodes, before + 2);
    renderer_->Shutdown();
    EXPECT_EQ(g_device, nullptr);
    renderer_.reset();
    EXPECT_EQ(g_live.nodes, before - 1);  // the root too
    EXPECT_EQ(g_renderer, nullptr);
}

TEST_F(RecordingRendererTest, InitFailsWithoutAGraphicsObject) {
    renderer_.reset();
    gfx::SelectBackend(gfx::Backend::None);
    CYRenderer renderer;
    EXPECT_EQ(renderer.Init(), E_FAIL);
}

// ---- A real GL context ---------------------------------------------------------------------

bool IsStatisticsBlue(uint32_t c) {
    int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return b > 128 && r < 64 && g < 64;
}

TEST_F(GLRendererTest, StatisticsLineIsDrawnInBlueAtTheTopLeft) {
    g_timer.frameTime = 1.5;
    renderer_->PrepareFrame();
    ASSERT_FALSE(renderer_->GetStatisticsText().empty());
    ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    std::vector<uint32_t> frame = ReadFrame();
    int blueInLine = 0, blueElsewhere = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            bool blue = IsStatisticsBlue(frame[size_t(y) * kWidth + x]);
            if (y < 20 && x >= 20) blueInLine += blue;
            else blueElsewhere += blue;
        }
    EXPECT_GT(blueInLine, 200);
    EXPECT_EQ(blueElsewhere, 0);
    EXPECT_EQ(frame[size_t(kHeight - 1) * kWidth] & 0xFFFFFF, 0u);
}

TEST_F(GLRendererTest, SinkGeometryIsDrawnFromTheRing) {
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(renderer_->AddCameraNode());
    // A triangle in clip space, clockwise on screen, over the middle of the frame.
    TestSource tri(3, 3);
    tri.vertices_[0].x = -0.5f, tri.vertices_[0].y = 0.5f;
    tri.vertices_[1].x = 0.5f, tri.vertices_[1].y = 0.5f;
    tri.vertices_[2].x = 0.5f, tri.vertices_[2].y = -0.5f;
    for (gfx::Vertex& v : tri.vertices_) v.z = 0.5f;
    for (int frame = 0; frame < 3; ++frame) {
        sink->AddGeometry(&tri);
        ASSERT_EQ(renderer_->PrepareFrame(), S_OK);
        ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    }
    std::vector<uint32_t> frame = ReadFrame();
    // Lit by the ambient light only: grey inside, the clear colour outside.
    uint32_t inside = frame[size_t(kHeight / 2 - 60) * kWidth + kWidth / 2 + 100];
    EXPECT_GT(inside & 0xFF, 0x30u);
    EXPECT_EQ(frame[size_t(kHeight - 10) * kWidth + 10] & 0xFFFFFF, 0u);
    EXPECT_EQ(renderer_->GetDrawCallCount(), 1);
}

}  // namespace
