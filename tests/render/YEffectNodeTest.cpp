// Effect nodes on the recording device (loading, the "simple.fx" fallback, a file that
// does not compile, texture and time binding, passes) and on a real GL context: geometry
// drawn under an effect file from the archive with a texture set and a light.
#include "render/YEffectNode.h"

#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "RenderTestSupport.h"
#include "core/YArchive.h"
#include "platform/system/System.h"
#include "render/YLightSetNode.h"
#include "render/YPolygonRenderer.h"
#include "render/YTextures.h"

using rtest::LogCount;
using rtest::SolidTga;
using rtest::TestSource;

namespace {

const std::string kSampleEffects = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/";

void CopySampleEffect(const std::string& name) {
    std::string text = test::ReadFile(kSampleEffects + name);
    ASSERT_FALSE(text.empty()) << name;
    test::WriteFile("data/effects/" + name, text);
}

const char kTwoTextures[] =
    "float time;\n"
    "texture tex0;\n"
    "texture tex1;\n"
    "texture tex3;\n"
    "technique T {\n"
    "  pass P0 { Texture[0] = <tex0>; Texture[1] = <tex1>; }\n"
    "  pass P1 { Lighting = false; }\n"
    "}\n";

class EffectNodeTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        CopySampleEffect("simple.fx");
        camera_ = renderer_->AddCameraNode();
    }
    // A texture-set node under the effect with a sink that has geometry this frame.
    CYTextures* AwakeSet(CYNode* effect, const std::vector<std::string>& names) {
        CYTextures* set = renderer_->GetTexturesNode(effect, names);
        renderer_->GetDynamicPolygonRenderer(set)->AddGeometry(&tri_);
        return set;
    }
    int Draws() { return int(CallsStartingWith("DrawIndexedPrimitive").size()); }

    CYNode* camera_ = nullptr;
    TestSource tri_{3, 3};
};

TEST_F(EffectNodeTest, SampleEffectsLoadWithOneTextureAndNoTime) {
    for (const char* name : {"background.fx", "interface.fx"}) CopySampleEffect(name);
    for (const char* name : {"simple.fx", "background.fx", "interface.fx"}) {
        CYEffectNode* node = renderer_->GetEffectNode(camera_, name);
        ASSERT_NE(node, nullptr);
        EXPECT_NE(node->GetEffect(), nullptr) << name;
        EXPECT_EQ(node->GetTextureParameterCount(), 1u) << name;
        EXPECT_FALSE(node->HasTime()) << name;
    }
    EXPECT_EQ(LogCount("DXError"), 0);
}

TEST_F(EffectNodeTest, MissingFileFallsBackToSimpleFx) {
    CYEffectNode* node = renderer_->GetEffectNode(camera_, "missing.fx");
    ASSERT_NE(node, nullptr);
    EXPECT_NE(node->GetEffect(), nullptr);
    EXPECT_EQ(node->GetEffectName(), "missing.fx");
    EXPECT_EQ(renderer_->GetEffectNode(camera_, "missing.fx"), node);
    // A name reaching outside the folder is treated as missing.
    test::WriteFile("outside.fx", kTwoTextures);
    CYEffectNode* outside = renderer_->GetEffectNode(camera_, "..\\..\\outside.fx");
    ASSERT_NE(outside, nullptr);
    EXPECT_EQ(outside->GetTextureParameterCount(), 1u);
}

TEST_F(EffectNodeTest, NeitherFileReadWritesTheCreationErrorLine) {
    std::remove("data/effects/simple.fx");
    CYEffectNode* node = renderer_->GetEffectNode(camera_, "missing.fx");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetEffect(), nullptr);
    EXPECT_EQ(LogCount("DXError if render/YEffectNode.cpp on line "), 1);
    EXPECT_EQ(LogCount("\nD3DERR_INVALIDCALL\nThe method call is invalid.\n"), 1);
    EXPECT_EQ(LogCount("Effect missing.fx not loaded: nothing is drawn with it\n"), 1);
}

TEST_F(EffectNodeTest, EffectThatDoesNotCompileDrawsNothingAndLogsOnce) {
    test::WriteFile("data/effects/bad.fx", "technique T { pass P { VertexShader = compile vs_1_1 main(); } }\n");
    CYEffectNode* node = renderer_->GetEffectNode(camera_, "bad.fx");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetEffect(), nullptr);
    for (int frame = 0; frame < 3; ++frame) {
        AwakeSet(node, {});
        Frame();
    }
    EXPECT_EQ(Draws(), 0);
    EXPECT_EQ(LogCount("DXError if render/YEffectNode.cpp"), 1);
    EXPECT_EQ(LogCount("Effect bad.fx not loaded: effect(1,39): error: shader code is not supported"), 1);
}

TEST_F(EffectNodeTest, TexturesBindUpToTheShorterListAndTimeIsSet) {
    test::WriteFile("data/effects/two.fx", kTwoTextures);
    for (int i = 0; i < 3; ++i) test::WriteFile("data/textures/t" + std::to_string(i) + ".tga", SolidTga(2, 2, 0));
    CYEffectNode* node = renderer_->GetEffectNode(camera_, "two.fx");
    ASSERT_NE(node->GetEffect(), nullptr);
    // "tex3" is not reached: the numbers stop at the first missing one.
    EXPECT_EQ(node->GetTextureParameterCount(), 2u);
    CYTextures* three = AwakeSet(node, {"t0.tga", "t1.tga", "t2.tga"});
    CYTextures* one = AwakeSet(node, {"t2.tga"});
    g_timer.totalTime = 2.5;
    Frame();
    gfx::Effect* fx = node->GetEffect();
    gfx::Texture* bound = nullptr;
    fx->GetTexture(fx->GetParameterByName(nullptr, "tex0"), &bound);
    EXPECT_EQ(bound, one->GetTextures()[0]);
    // The one-texture set leaves "tex1" as the three-texture set bound it.
    fx->GetTexture(fx->GetParameterByName(nullptr, "tex1"), &bound);
    EXPECT_EQ(bound, three->GetTextures()[1]);
    float time = 0.0f;
    fx->GetFloat(fx->GetParameterByName(nullptr, "time"), &time);
    EXPECT_EQ(time, 2.5f);
    // Two sets, two passes each.
    EXPECT_EQ(Draws(), 4);
}

// ---- Files from the archive, drawn in a GL context -------------------------------------------

class GLEffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_settings;
        g_settings.fullScreen = 0;
        g_settings.screenWidth = kWidth;
        g_settings.screenHeight = kHeight;
        g_settings.statistics = 0;
        g_settings.brightness = 0.5f;
        window_ = sys::CreateMainWindow("Kestrune", kWidth, kHeight, true, nullptr);
        ASSERT_NE(window_, nullptr);
        // The driver stays loaded for the leak check.
        static bool driverKept = SDL_GL_LoadLibrary(nullptr) == 0;
        (void)driverKept;
        g_settings.mainWindow = window_;
        gfx::SelectBackend(gfx::Backend::OpenGL);
        renderer_ = std::make_unique<CYRenderer>();
        ASSERT_EQ(renderer_->Init(), S_OK);
    }
    void TearDown() override {
        if (renderer_) renderer_->Shutdown();
        renderer_.reset();
        sys::DestroyWindow(window_);
        CloseGameArchive();
        g_settings = saved_;
        PurgeUnsubscribedEvents();
    }
    uint32_t PixelAt(int x, int y) {
        uint32_t pixel = 0;
        EXPECT_EQ(renderer_->GetDevice()->ReadPixels(x, y, 1, 1, &pixel), S_OK);
        return pixel;
    }

    static constexpr int kWidth = 320, kHeight = 240;
    test::TempDir dir_;
    YSettings saved_;
    sys::Window* window_ = nullptr;
    std::unique_ptr<CYRenderer> renderer_;
};

TEST_F(GLEffectTest, GeometryIsDrawnUnderAnArchivedEffectWithItsTextureAndALight) {
    test::WriteFile("pack/data/effects/simple.fx", test::ReadFile(kSampleEffects + "simple.fx"));
    test::WriteFile("pack/data/textures/red.tga", SolidTga(4, 4, 0xFF0000));
    std::string packer = "'" + std::string(KESTRUNE_TOOLS_DIR) + "/kpack' build game.dat pack/data > /dev/null";
    int status = std::system(packer.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(OpenGameArchive(), S_OK);

    CYLightSetNode* lights = renderer_->AddLightingNode(renderer_->AddCameraNode());
    CYEffectNode* effect = renderer_->GetEffectNode(lights, "simple.fx");
    ASSERT_NE(effect->GetEffect(), nullptr);
    CYTextures* set = renderer_->GetTexturesNode(effect, {"red.tga"});
    ASSERT_NE(set->GetTextures()[0], nullptr);
    CYDynamicPolygonRenderer* sink = renderer_->GetDynamicPolygonRenderer(set);
    // A triangle in clip space, clockwise on screen, facing the viewer.
    TestSource tri(3, 3);
    tri.vertices_[0].x = -0.5f, tri.vertices_[0].y = 0.5f;
    tri.vertices_[1].x = 0.5f, tri.vertices_[1].y = 0.5f;
    tri.vertices_[2].x = 0.5f, tri.vertices_[2].y = -0.5f;
    for (gfx::Vertex& v : tri.vertices_) v.z = 0.5f, v.nz = -1.0f;
    // White light straight into the screen, in the last slot.
    gfx::Light light;
    light.type = gfx::LIGHT_DIRECTIONAL;
    light.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.direction = {0.0f, 0.0f, 1.0f};
    lights->SetLight(14, light);
    lights->SetLightEnabled(14, true);

    auto draw = [&] {
        sink->AddGeometry(&tri);
        ASSERT_EQ(renderer_->PrepareFrame(), S_OK);
        ASSERT_EQ(renderer_->RenderFrame(), S_OK);
    };
    draw();
    uint32_t lit = PixelAt(kWidth / 2 + 40, kHeight / 2 - 30);
    EXPECT_GT((lit >> 16) & 0xFF, 0xF0u);
    EXPECT_LT(lit & 0xFFFF, 0x1010u);
    EXPECT_EQ(PixelAt(10, kHeight - 10) & 0xFFFFFF, 0u);

    // With the light off only the ambient level is left: a dark red.
    lights->SetLightEnabled(14, false);
    draw();
    uint32_t unlit = PixelAt(kWidth / 2 + 40, kHeight / 2 - 30);
    EXPECT_GT((unlit >> 16) & 0xFF, 0x30u);
    EXPECT_LT((unlit >> 16) & 0xFF, 0x60u);
    EXPECT_LT(unlit & 0xFFFF, 0x1010u);
}

}  // namespace
