// The sample game's screens as the renderer draws them: the main menu and the options
// screen with their images, widgets and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "../render/RenderTestSupport.h"
#include "core/YActions.h"
#include "core/YCommandManager.h"
#include "interface/YInterfaceManager.h"
#include "render/YCamera.h"
#include "render/YNode.h"
#include "script/YScriptApi.h"
#include "support/TestSupport.h"

namespace {

// Answers event 5 with the interface layers under a camera that maps the 640 x 480
// interface onto the frame, as the game world does.
struct InterfaceLayers : CYEventListener {
    std::vector<CYNode*> layers;
    explicit InterfaceLayers(CYRenderer& renderer) {
        CYCameraNode* camera = renderer.AddCameraNode();
        math::Matrix view = math::MatrixOrthoOffCenterLH(0, 640, 0, 480, 0, 1);
        view.m[1][1] *= -1.0f;
        view.m[3][1] += 2.0f;
        camera->SetView(view);
        camera->SetProjection(math::MatrixIdentity());
        for (int i = 0; i < 20; ++i) {
            layers.push_back(new CYWorld(math::MatrixIdentity()));
            camera->AddChild(layers.back());
        }
        SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t b) {
            auto& list = static_cast<InterfaceLayers*>(c)->layers;
            *reinterpret_cast<CYNode**>(a) = b >= 5 && b < 25 ? list[size_t(b - 5)] : nullptr;
        });
    }
};

// Answers event 21 with the default key bindings, as the input object does.
struct Bindings : CYEventListener {
    CYActions actions;
    Bindings() {
        SubscribeOnce(YEVENT_GET_ACTIONS, this, [](void* c, intptr_t a, intptr_t) {
            *reinterpret_cast<CYActions**>(a) = &static_cast<Bindings*>(c)->actions;
        });
    }
};

class SampleScreens : public rtest::GLRendererTest {
protected:
    void SetUp() override {
        GLRendererTest::SetUp();
        g_settings.statistics = 0;
        g_registerScriptFunctions = RegisterScriptFunctions;
        LoadCommands();
        std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/game/data", "data",
                              std::filesystem::copy_options::recursive);
        layers_ = std::make_unique<InterfaceLayers>(*renderer_);
        manager_ = std::make_unique<CYInterfaceManager>(renderer_.get());
        manager_->Init();
    }
    void TearDown() override {
        manager_.reset();
        layers_.reset();
        DestroyCommands();
        g_registerScriptFunctions = nullptr;
        GLRendererTest::TearDown();
    }
    // Shows the screen for a few frames (its script fills it in) and reads the frame.
    std::vector<uint32_t> Show(const char* name) {
        SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>(name), 0);
        for (int frame = 0; frame < 3; ++frame) {
            g_timer.frameCounter++;
            manager_->Update();
            manager_->Render();
            EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
            EXPECT_EQ(renderer_->RenderFrame(), S_OK);
        }
        return ReadFrame();
    }
    static uint32_t At(const std::vector<uint32_t>& frame, int x, int y) { return frame[size_t(y) * kWidth + x] & 0xFFFFFF; }
    static int Red(uint32_t c) { return int(c >> 16 & 0xFF); }
    static int Green(uint32_t c) { return int(c >> 8 & 0xFF); }
    static int Blue(uint32_t c) { return int(c & 0xFF); }

    Bindings bindings_;
    std::unique_ptr<InterfaceLayers> layers_;
    std::unique_ptr<CYInterfaceManager> manager_;
};

TEST_F(SampleScreens, MainMenuAndOptionsScreenDrawTheirImagesWidgetsAndTexts) {
    std::vector<uint32_t> menu = Show("main_menu.txt");
    // Night-blue backdrop, the panel's bright rim, and the buttons' light labels on blue.
    const uint32_t backdrop = At(menu, 20, 240), rim = At(menu, 171, 280);
    EXPECT_GT(Blue(backdrop), Red(backdrop));
    EXPECT_LT(Blue(backdrop), 0x60);
    EXPECT_GT(Blue(rim), 0xA0);
    int light = 0;
    for (int x = 260; x < 380; ++x) light += Red(At(menu, x, 192)) > 0xC0;
    EXPECT_GT(light, 10) << "the label of \"New game\"";
    EXPECT_EQ(manager_->GetWindowCount(), 1u);

    std::vector<uint32_t> options = Show("options.txt");
    // The slider's thumb at the music volume of 0.5 (250 + 90) is light; the check box well is dark.
    const uint32_t thumb = At(options, 350, 102);
    EXPECT_GT(Red(thumb), 0x90);
    EXPECT_GT(Blue(thumb), 0xC0);
    EXPECT_LT(Blue(At(options, 262, 174)), 0x60);
    // The help text drawn in the bitmap font in its box, and the key field's key name.
    int text = 0;
    for (int y = 344; y < 364; ++y)
        for (int x = 60; x < 300; ++x) text += Red(At(options, x, y)) > 0xC0;
    EXPECT_GT(text, 40) << "the first line of help";
    int key = 0;
    for (int y = 237; y < 257; ++y)
        for (int x = 256; x < 300; ++x) key += Red(At(options, x, y)) > 0xC0;
    EXPECT_GT(key, 10) << "\"Up\" in the forward key field";
}

}  // namespace
