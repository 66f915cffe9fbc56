// Buttons and check boxes: the images of each state, the commands and events they send,
// the click sound across a deletion of all sounds, and their pixels on a real GL context.
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
    static std::unique_ptr<CYButton> MakeButton(const std::string& pressed = "interface\\p.tga",
                                                const std::string& lit = "interface\\l.tga") {
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
    auto b = MakeButton();
    CYWindow* hovered = nullptr;
    b->OnMouseMove(105, 105, &hovered);
    EXPECT_EQ(b->GetState(), CYButton::kLit);
    EXPECT_EQ(Shown(*b), "interface\\l.tga");
    EXPECT_FLOAT_EQ(U(*b), 32 / 64.f);
    b->OnMouseMove(106, 106, &hovered);  // again over it: the same image, nothing sent
    EXPECT_TRUE(scripts_->Take().empty());
    b->OnMouseButtonDown(1);
    EXPECT_TRUE(b->IsPressed());
    EXPECT_EQ(Shown(*b), "interface\\p.tga");
    EXPECT_FLOAT_EQ(U(*b), 16 / 64.f);
    b->OnMouseButtonUp(2);  // any button clicks
    EXPECT_EQ(b->GetState(), CYButton::kLit);
    b->OnMouseLeave(-1000, -1000);
    EXPECT_EQ(Shown(*b), "interface\\n.tga");
    EXPECT_FLOAT_EQ(U(*b), 0.0f);
    EXPECT_EQ(scripts_->Take(), (Lines{"button_pressed play", "button_click play"}));
    EXPECT_EQ(EventLog::events, (Lines{"40 play 0"}));
    b->SetLayer(1);
    EXPECT_EQ(b->GetLayer(), 2);
}

TEST_F(ButtonTest, MissingImagesFallBackToLitOrNormal) {
    auto litOnly = MakeButton("", "interface\\l.tga");
    litOnly->OnMouseButtonDown(0);
    EXPECT_EQ(litOnly->GetState(), CYButton::kLit);
    EXPECT_FALSE(litOnly->IsPressed());
    auto plain = MakeButton("", "");
    CYWindow* hovered = nullptr;
    plain->OnMouseMove(101, 101, &hovered);
    plain->OnMouseButtonDown(0);
    EXPECT_EQ(plain->GetState(), CYButton::kNormal);
    EXPECT_EQ(Shown(*plain), "interface\\n.tga");
}

TEST_F(ButtonTest, ButtonThatDoesNotLoadIsLoggedAndNotBuilt) {
    YInterfaceElement e;
    e.attributes = {{"name", {"b"}}, {"mask", {"none.msk"}}, {"width", {"4"}}};
    EXPECT_EQ(BuildButton(e), nullptr);
    EXPECT_EQ(rtest::LogCount("DXError if YButton on line 53\n"), 1);
    e.attributes = {{"name", {"b"}}, {"texture", {"b.tga"}}, {"lit", {"l.tga"}}, {"lit_x", {"8"}}};
    e.depth = 3;
    std::unique_ptr<CYWindow> built(BuildButton(e));
    auto* button = dynamic_cast<CYButton*>(built.get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetLitTexture(), "interface\\l.tga");
    EXPECT_EQ(button->GetPressedTexture(), "");  // no attribute: no pressed image
    EXPECT_EQ(button->GetLayer(), 4);
}

TEST_F(ButtonTest, CheckBoxTogglesOnLeftReleasesAndOnEverySetChecked) {
    auto box = MakeBox();
    box->OnMouseButtonUp(1);  // right: nothing
    EXPECT_FALSE(box->IsChecked());
    box->OnMouseButtonUp(0);
    EXPECT_TRUE(box->IsChecked());
    EXPECT_EQ(Shown(*box), "interface\\on.tga");
    EXPECT_FLOAT_EQ(U(*box), 48 / 64.f);
    box->SetChecked(true);  // unchanged, told all the same
    box->OnMouseButtonUp(0);
    EXPECT_EQ(Shown(*box), "interface\\off.tga");
    EXPECT_EQ(scripts_->Take(), (Lines{"checkbox opt 1", "checkbox opt 1", "checkbox opt 0"}));
    EXPECT_EQ(EventLog::events, (Lines{"37 opt 1", "37 opt 1", "37 opt 0"}));
    CYCheckBox early("early", "interface\\off.tga", "", "", 4, 4, 64, 16, 0, 0, 0, 0, "interface\\on.tga", 48, 0);
    early.SetChecked(true);
    ASSERT_EQ(early.Load(), S_OK);  // checked before it loaded: the on image
    EXPECT_EQ(Shown(early), "interface\\on.tga");
}

TEST_F(ButtonTest, ClickSoundDeletedWithAllSoundsIsTakenAgainNotPlayedFreed) {
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    CYAudioSystem audio;
    ASSERT_EQ(audio.Init(nullptr), S_OK);
    g_audioSystem = &audio;
    auto b = MakeButton();
    auto box = MakeBox();
    ASSERT_EQ(audio.SoundManager()->Entries().size(), 2u);
    void* first = b->ClickSound().Reference();
    EXPECT_NE(ResolveReference<CYSound>(first), nullptr);
    audio.SoundManager()->DeleteSounds();  // as a mission load does
    b->OnMouseButtonUp(0);
    box->OnMouseButtonUp(0);
    EXPECT_EQ(audio.SoundManager()->Entries().size(), 2u);
    EXPECT_NE(b->ClickSound().Reference(), first);
    EXPECT_NE(ResolveReference<CYSound>(b->ClickSound().Reference()), nullptr);
    g_audioSystem = nullptr;
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
}

// ---- pixels ------------------------------------------------------------------------------

// A 24-bit TGA of 16 x 16 blocks side by side, one colour (0xRRGGBB) each.
std::string Blocks(const std::vector<uint32_t>& colours) {
    const int w = int(colours.size()) * 16;
    std::string tga = rtest::SolidTga(w, 16, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colours[size_t(x / 16)];
            const size_t at = 18 + size_t(y * w + x) * 3;
            tga[at] = char(c & 0xFF), tga[at + 1] = char((c >> 8) & 0xFF), tga[at + 2] = char(c >> 16);
        }
    return tga;
}

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
        for (int i = 0; i < 20; ++i) {
            layers.push_back(new CYWorld(math::MatrixIdentity()));
            camera->AddChild(layers.back());
        }
        SubscribeOnce(YEVENT_GET_WORLD_PARAM, this, [](void* c, intptr_t a, intptr_t b) {
            auto& list = static_cast<Overlay*>(c)->layers;
            *reinterpret_cast<CYNode**>(a) = b >= 5 && b < 25 ? list[size_t(b - 5)] : nullptr;
        });
    }
};

class ButtonPixelTest : public rtest::GLRendererTest {
protected:
    void SetUp() override {
        GLRendererTest::SetUp();
        g_settings.statistics = 0;
        LoadCommands();
        const std::string game = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
        test::WriteFile("data/effects/interface.fx", test::ReadFile(game + "effects/interface.fx"));
        // Normal red, pressed blue, lit green; the box off grey, on yellow.
        test::WriteFile("data/textures/interface/btn.tga", Blocks({0xFF0000, 0x0000FF, 0x00FF00}));
        test::WriteFile("data/textures/interface/box.tga", Blocks({0x808080, 0xFFFF00}));
        overlay_ = std::make_unique<Overlay>(*renderer_);
    }
    void TearDown() override {
        overlay_.reset();
        DestroyCommands();
        GLRendererTest::TearDown();
    }
    // Draws the windows and gives the colour at the point as 0xRRGGBB.
    uint32_t Draw(std::initializer_list<CYWindow*> windows, int x, int y) {
        g_timer.frameCounter++;
        for (CYWindow* w : windows) w->Update();
        EXPECT_EQ(renderer_->PrepareFrame(), S_OK);
        EXPECT_EQ(renderer_->RenderFrame(), S_OK);
        return ReadFrame()[size_t(y) * kWidth + x] & 0xFFFFFF;
    }
    // The strongest channels of a colour, each as 0 or 1: "r", "g", "b", "rg" (yellow) ...
    static std::string Channels(uint32_t c) {
        std::string s;
        if ((c >> 16 & 0xFF) > 0x60) s += 'r';
        if ((c >> 8 & 0xFF) > 0x60) s += 'g';
        if ((c & 0xFF) > 0x60) s += 'b';
        return s;
    }
    std::unique_ptr<Overlay> overlay_;
};

TEST_F(ButtonPixelTest, ButtonDrawsItsNormalLitAndPressedImagesAndTheBoxItsOnImage) {
    CYButton button("b", "interface\\btn.tga", "interface.fx", "", 16, 16, 48, 16, 0, 0, 100, 100,
                    "interface\\btn.tga", "interface\\btn.tga", 16, 0, 32, 0);
    CYCheckBox box("c", "interface\\box.tga", "interface.fx", "", 16, 16, 32, 16, 0, 0, 200, 100,
                   "interface\\box.tga", 16, 0);
    ASSERT_EQ(button.Load(), S_OK);
    ASSERT_EQ(box.Load(), S_OK);
    button.SetVisible(true);
    box.SetVisible(true);
    EXPECT_EQ(Channels(Draw({&button, &box}, 108, 108)), "r");
    EXPECT_EQ(Draw({&button, &box}, 90, 108), 0u);  // outside: the clear colour
    EXPECT_EQ(Channels(Draw({&button, &box}, 208, 108)), "rgb");  // grey
    CYWindow* hovered = nullptr;
    button.OnMouseMove(105, 105, &hovered);
    EXPECT_EQ(Channels(Draw({&button, &box}, 108, 108)), "g");
    button.OnMouseButtonDown(0);
    EXPECT_EQ(Channels(Draw({&button, &box}, 108, 108)), "b");
    box.OnMouseButtonUp(0);
    EXPECT_EQ(Channels(Draw({&button, &box}, 208, 108)), "rg");
}

}  // namespace
