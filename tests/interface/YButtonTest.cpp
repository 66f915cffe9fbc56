// Buttons and check boxes: the images of each state, what they send, the click sound
// across a deletion of all sounds, and their pixels on a real GL context.
#include "interface/YButton.h"

#include <gtest/gtest.h>

#include "ClickTestSupport.h"
#include "audio/YAudioSystem.h"
#include "render/YNode.h"

namespace {

using itest::EventLog;

class ButtonTest : public itest::WidgetTest {
protected:
    // 16 x 16 at (100, 100) in a 64 x 16 texture: normal at 0, pressed at 16, lit at 32.
    static std::unique_ptr<CYButton> MakeButton(const std::string& pressed, const std::string& lit) {
        auto b = std::make_unique<CYButton>("play", "interface\\n.tga", "", "", 16, 16, 64, 16, 0, 0, 100.0f, 100.0f,
                                            pressed, lit, 16, 0, 32, 0);
        EXPECT_EQ(b->Load(), S_OK);
        return b;
    }
    static std::unique_ptr<CYCheckBox> MakeBox() {
        auto b = std::make_unique<CYCheckBox>("opt", "interface\\off.tga", "", "", 16, 16, 64, 16, 0, 0, 10.0f, 10.0f,
                                              "interface\\on.tga", 48, 0);
        EXPECT_EQ(b->Load(), S_OK);
        return b;
    }
    static float U(CYWindow& w) { return w.GetSourceVertices()[0].u0; }
};

TEST_F(ButtonTest, HoverPressAndReleaseShowTheirImagesAndTellTheScripts) {
    auto b = MakeButton("interface\\p.tga", "interface\\l.tga");
    CYWindow* hovered = nullptr;
    b->OnMouseMove(105, 105, &hovered);
    EXPECT_EQ(Shown(*b), "interface\\l.tga");
    EXPECT_FLOAT_EQ(U(*b), 32 / 64.f);
    b->OnMouseButtonDown(1);
    EXPECT_TRUE(b->IsPressed());
    EXPECT_EQ(Shown(*b), "interface\\p.tga");
    EXPECT_FLOAT_EQ(U(*b), 16 / 64.f);
    b->OnMouseButtonUp(2);  // any button clicks
    EXPECT_EQ(b->GetState(), CYButton::kLit);
    b->OnMouseLeave(-1000, -1000);
    EXPECT_EQ(Shown(*b), "interface\\n.tga");
    EXPECT_FLOAT_EQ(U(*b), 0.0f);
    EXPECT_EQ(Commands(), (Lines{"button_pressed play", "button_click play"}));
    EXPECT_EQ(EventLog::events, (Lines{"40 play 0"}));
    // Without a pressed image the lit one shows while pressed; without either, the normal one.
    auto litOnly = MakeButton("", "interface\\l.tga");
    litOnly->OnMouseButtonDown(0);
    EXPECT_EQ(litOnly->GetState(), CYButton::kLit);
    auto plain = MakeButton("", "");
    plain->OnMouseMove(101, 101, &hovered);
    plain->OnMouseButtonDown(0);
    EXPECT_EQ(plain->GetState(), CYButton::kNormal);
}

TEST_F(ButtonTest, CheckBoxTogglesOnLeftReleasesAndOnEverySetChecked) {
    auto box = MakeBox();
    box->OnMouseButtonUp(1);  // right: nothing
    box->OnMouseButtonUp(0);
    EXPECT_EQ(Shown(*box), "interface\\on.tga");
    EXPECT_FLOAT_EQ(U(*box), 48 / 64.f);
    box->SetChecked(true);  // unchanged, told all the same
    box->OnMouseButtonUp(0);
    EXPECT_FALSE(box->IsChecked());
    EXPECT_EQ(Shown(*box), "interface\\off.tga");
    EXPECT_EQ(Commands(), (Lines{"checkbox opt 1", "checkbox opt 1", "checkbox opt 0"}));
    EXPECT_EQ(EventLog::events, (Lines{"37 opt 1", "37 opt 1", "37 opt 0"}));
}

TEST_F(ButtonTest, ClickSoundDeletedWithAllSoundsIsTakenAgainNotPlayedFreed) {
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    CYAudioSystem audio;
    ASSERT_EQ(audio.Init(nullptr), S_OK);
    g_audioSystem = &audio;
    auto b = MakeButton("", "");
    auto box = MakeBox();
    void* first = b->ClickSound().Reference();
    ASSERT_NE(ResolveReference<CYSound>(first), nullptr);
    audio.SoundManager()->DeleteSounds();  // as a mission load does
    b->OnMouseButtonUp(0);
    box->OnMouseButtonUp(0);
    EXPECT_EQ(audio.SoundManager()->Entries().size(), 2u);
    EXPECT_NE(b->ClickSound().Reference(), first);
    g_audioSystem = nullptr;
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
}

// ---- pixels ------------------------------------------------------------------------------

// Answers event 5 with twenty overlay layers under a camera that counts pixels from the
// top-left corner, as the game world does.
struct Overlay : CYEventListener {
    std::vector<CYNode*> layers;
    explicit Overlay(CYRenderer& renderer) {
        CYCameraNode* camera = renderer.AddCameraNode();
        math::Matrix view = math::MatrixOrthoOffCenterLH(0, 640, 0, 480, 0, 1);
        view.m[1][1] *= -1.0f;
        view.m[3][1] += 2.0f;
        camera->SetView(view);
        camera->SetProjection(math::MatrixIdentity());
        for (int i = 0; i < 20; ++i) camera->AddChild(layers.emplace_back(new CYWorld(math::MatrixIdentity())));
        SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t b) {
            auto& list = static_cast<Overlay*>(c)->layers;
            *reinterpret_cast<CYNode**>(a) = b >= 5 && b < 25 ? list[size_t(b - 5)] : nullptr;
        });
    }
};

class ButtonPixelTest : public rtest::GLRendererTest {
protected:
    // The colour drawn at the point, as "r", "g", "b" for its strong channels.
    std::string Draw(CYWindow& a, CYWindow& b, int x, int y) {
        g_timer.frameCounter++;
        a.Update(), b.Update();
        EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
        EXPECT_EQ(renderer_->RenderFrame(), S_OK);
        const uint32_t c = ReadFrame()[size_t(y) * kWidth + x];
        std::string s;
        for (int shift = 16; shift >= 0; shift -= 8)
            if (((c >> shift) & 0xFF) > 0x60) s += "rgb"[(16 - shift) / 8];
        return s;
    }
};

TEST_F(ButtonPixelTest, ButtonDrawsItsNormalLitAndPressedImagesAndTheBoxItsOnImage) {
    g_settings.statistics = 0;
    LoadCommands();
    const std::string game = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
    test::WriteFile("data/effects/interface.fx", test::ReadFile(game + "effects/interface.fx"));
    const std::pair<const char*, uint32_t> images[] = {
        {"n", 0xFF0000}, {"p", 0x0000FF}, {"l", 0x00FF00}, {"off", 0x808080}, {"on", 0xFFFF00}};
    for (const auto& [name, rgb] : images)
        test::WriteFile(std::string("data/textures/interface/") + name + ".tga", rtest::SolidTga(16, 16, rgb));
    Overlay overlay(*renderer_);
    CYButton button("b", "interface\\n.tga", "interface.fx", "", 16, 16, 16, 16, 0, 0, 100, 100, "interface\\p.tga",
                    "interface\\l.tga", 0, 0, 0, 0);
    CYCheckBox box("c", "interface\\off.tga", "interface.fx", "", 16, 16, 16, 16, 0, 0, 200, 100,
                   "interface\\on.tga", 0, 0);
    ASSERT_EQ(button.Load(), S_OK);
    ASSERT_EQ(box.Load(), S_OK);
    button.SetVisible(true), box.SetVisible(true);
    EXPECT_EQ(Draw(button, box, 108, 108), "r");
    EXPECT_EQ(Draw(button, box, 90, 108), "");  // outside: the clear colour
    EXPECT_EQ(Draw(button, box, 208, 108), "rgb");  // grey
    CYWindow* hovered = nullptr;
    button.OnMouseMove(105, 105, &hovered);
    EXPECT_EQ(Draw(button, box, 108, 108), "g");
    button.OnMouseButtonDown(0);
    EXPECT_EQ(Draw(button, box, 108, 108), "b");
    box.OnMouseButtonUp(0);
    EXPECT_EQ(Draw(button, box, 208, 108), "rg");
    DestroyCommands();
}

}  // namespace
