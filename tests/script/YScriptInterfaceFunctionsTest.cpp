// The interface and settings functions, run from real scripts against an interface manager
// and a renderer on the recording device: windows and widgets found, moved and filled,
// windows made at run time, objects on screens and picking, and the settings.
#include <cmath>

#include "ScriptTestSupport.h"
#include "core/YActions.h"
#include "core/YSettings.h"
#include "interface/YButton.h"
#include "interface/YInterfaceManager.h"
#include "interface/YRadioGroup.h"
#include "interface/YSlider.h"
#include "interface/YTextBox.h"
#include "interface/YTextEdit.h"
#include "render/YCamera.h"
#include "render/YComplexObject.h"
#include "render/YPartReferences.h"
#include "render/YRenderer.h"

namespace {

using namespace scripttest;


// Answers event 21 with key bindings of its own.
struct ActionsHost : CYEventListener {
    ActionsHost() {
        SubscribeOnce(YEVENT_GET_ACTIONS, this, [](void* c, intptr_t a, intptr_t) {
            *reinterpret_cast<CYActions**>(a) = &static_cast<ActionsHost*>(c)->actions;
        });
    }
    CYActions actions;
};

class InterfaceScript : public ScriptFixture {
protected:
    void SetUp() override {
        saved_ = g_settings;
        g_settings.fullScreen = 0;
        g_settings.screenWidth = 800;
        g_settings.screenHeight = 600;
        g_settings.bitsPerPixel = 32;
        g_settings.statistics = 0;
        g_settings.mainWindow = nullptr;
        gfx::SelectBackend(gfx::Backend::Recording);
        renderer_ = std::make_unique<CYRenderer>();
        ASSERT_EQ(renderer_->Init(), S_OK);
        manager_ = std::make_unique<CYInterfaceManager>(renderer_.get());
        ASSERT_EQ(manager_->Init(), 0);
    }
    void TearDown() override {
        manager_.reset();
        renderer_.reset();
        gfx::SelectBackend(gfx::Backend::OpenGL);
        g_settings = saved_;
        PurgeUnsubscribedEvents();
    }
    // A top-level window handed to the manager, shown and active.
    template <class W>
    W* Add(W* window) {
        window->Load();
        window->SetVisible(true);
        window->SetActive(true);
        SendEvent(YEVENT_NEW_WINDOW, reinterpret_cast<intptr_t>(static_cast<CYWindow*>(window)), 0);
        return window;
    }
    static CYWindow* Plain(const std::string& name, int w, int h, float x = 0, float y = 0) {
        return new CYWindow(name, "", "", "", w, h, 0, 0, 0, 0, x, y);
    }
    // The fonts table of the sample game's font, for text boxes and edits.
    static void WriteFonts() {
        const std::string game = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
        test::WriteFile("data/interface/fonts/sans.fnt", test::ReadFile(game + "interface/fonts/sans.fnt"));
        test::WriteFile("data/textures/sans.tga", test::ReadFile(game + "textures/sans.tga"));
        test::WriteFile("data/effects/interface.fx", test::ReadFile(game + "effects/interface.fx"));
        test::WriteFile("data/interface/fonts/fonts.dat", "sans.tga interface.fx sans.fnt 0 1\n");
        SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>("none"), 0);
    }

    // Runs the text for one frame; what it recorded. Scripts test references with null(r).
    Lines Script(const std::string& text) {
        g_records.clear();
        return Run("local function null(r) return ComparePointers(r, nil) end\n" + text);
    }

    YSettings saved_;
    std::unique_ptr<CYRenderer> renderer_;
    std::unique_ptr<CYInterfaceManager> manager_;
};

// ---- windows

TEST_F(InterfaceScript, WindowsAreFoundMovedShownAndMeasuredAndNullWindowsGiveDefaults) {
    CYWindow* main = Add(Plain("main", 100, 50, 5, 5));
    auto* ok = new CYButton("ok", "", "", "", 20, 10, 0, 0, 0, 0, 10, 10, "down.tga", "", 0, 0, 0, 0);
    ok->Load();
    main->AddChild(ok);
    Lines r = Script("local w, b = GetWindow('main'), GetWindow('ok')\n"
                  "Record(null(GetWindow('none')), null(w), IsButtonPressed(b), IsButtonPressed(w))\n"
                  "SetWindowPosition(w, 10.7, -3.2)\n"
                  "Record(GetWindowPosition(w))\n"
                  "Record(GetWindowPosition(b))\n"
                  "Record(GetWindowPosition(nil))\n"
                  "Record(GetWindowPosition(NewThing()))\n"
                  "Record(GetWindowDimensions(w))\n"
                  "Record(GetWindowDimensions(nil))\n"
                  "SetWindowActive(w, false) SetWindowVisible(w, false)\n"
                  "Record(IsWindowActive(w), IsWindowActive(b), IsWindowActive(nil))\n"
                  "SetWindowActive(w, 1) SetWindowVisible(nil, true) SetWindowPosition(nil, 1, 1)\n"
                  "Record(IsWindowActive(b))\n");
    EXPECT_EQ(r, (Lines{"true|false|false|false", "10|-3", "15|2", "700|700", "700|700", "100|50", "0|0",
                        "false|false|false", "true"}));
    EXPECT_EQ(main->GetX(), 10.0f);
    ok->OnButtonDownHook(0);
    EXPECT_EQ(Script("Record(IsButtonPressed(GetWindow('ok')))\n").back(), "true");
}

// ---- check boxes, radio groups, sliders

TEST_F(InterfaceScript, CheckBoxesRadioGroupsAndSlidersAreSetAndReadThroughTheirWidgets) {
    CYWindow* main = Add(Plain("main", 640, 480));
    auto* box = new CYCheckBox("opt", "", "", "", 10, 10, 0, 0, 0, 0, 0, 0, "", 0, 0);
    auto* group = new CYRadioGroup("group", 100, 40);
    for (const char* name : {"r0", "r1", "r2"})
        group->AddChild(new CYRadioButton(name, "", "", "", 10, 10, 0, 0, 0, 0, 0, 0, "", "", "", "", 0, 0, 0, 0, 0, 0));
    auto* slider = new CYSlider("volume", "", "", "", 20, 100, 0, 0, 0, 0, "", "", "", 20, 20, 0, 0, 0, 0);
    for (CYWindow* w : std::initializer_list<CYWindow*>{box, group, slider}) {
        ASSERT_GE(w->Load(), 0);
        main->AddChild(w);
    }
    group->Check(-1);
    Lines r = Script("local c, g, s = GetWindow('opt'), GetWindow('group'), GetWindow('volume')\n"
                  "SetCheckBox(c, true) Record(GetCheckBox(c), GetCheckBox(g), GetCheckBox(nil))\n"
                  "Record(GetRadioGroupActiveButton(g), GetRadioGroupActiveButton(c))\n"
                  "SetRadioGroupActiveButton(g, 1.9) Record(GetRadioGroupActiveButton(g))\n"
                  "SetRadioGroupActiveButton(g, 3) Record(GetRadioGroupActiveButton(g))\n"
                  "SetRadioGroupActiveButtonInactive(g, 2, true)\n"
                  "SetRadioGroupActiveButtonInactive(g, 3, true) SetRadioGroupActiveButtonInactive(g, -1, true)\n"
                  "SetSliderPos(s, 1.5) Record(GetSliderPos(s))\n"
                  "SetSliderPos(s, 0.5) Record(GetSliderPos(s), GetSliderPos(c))\n"
                  "SetSliderPos(c, 0.5) SetCheckBox(s, true)\n");
    EXPECT_EQ(r, (Lines{"true|false|false", "-1|0", "1", "-1", "1", "0.5|0"}));
    EXPECT_TRUE(box->IsChecked());
    EXPECT_FALSE(group->GetItem(2)->IsActive());
    EXPECT_TRUE(group->GetItem(0)->IsActive() && group->GetItem(1)->IsActive());
    // Travel 80: half way puts the thumb 40 units down the track.
    EXPECT_EQ(slider->GetThumb()->GetY(), 40.0f);
}

// ---- text boxes and text edits

TEST_F(InterfaceScript, TextBoxesScrollToTheEndOfAddedTextAndEditsTakeTheirTextAndEditing) {
    WriteFonts();
    CYWindow* main = Add(Plain("main", 640, 480));
    YScrollBarDesc bar;
    bar.name = "log_bar";
    bar.effect = bar.thumbEffect = "interface.fx";
    bar.width = 16, bar.height = 100, bar.thumbWidth = 16, bar.thumbHeight = 20;
    auto* box = new CYTextBox("log", 300, 100, 0, -1, -1, 0, bar, false);
    auto* edit = new CYTextEdit("entry", 200, 20, 0, -1, 40);
    for (CYWindow* w : std::initializer_list<CYWindow*>{box, edit}) {
        ASSERT_GE(w->Load(), 0);
        main->AddChild(w);
    }
    ASSERT_NE(box->GetCurrentFont(), nullptr) << "the sample game's font is made at build time";
    Lines r = Script("local b, e = GetWindow('log'), GetWindow('entry')\n"
                  "SetText(b, 'one#two') Record(GetTextSize(b) > 0, GetTextSize(nil), GetTextSize(e))\n"
                  "AddText(b, 'three') AddText(b, 'four')\n"
                  "SetTextForEdit(e, 'hello') Record(GetText(e), GetText(b), GetText(nil))\n"
                  "SetEdit(e) SetEdit(b) SetText(e, 'x') AddText(e, 'y')\n");
    EXPECT_EQ(r, (Lines{"true|0|0", "hello||"}));
    EXPECT_EQ(box->GetLines(), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(box->GetText().find("onetwothreefour"), 0u);
    // Four lines: the first shown line is 4 - 10, shown from the top; the bar's -1.25 holds at 0.
    EXPECT_EQ(box->GetFirstLine(), 0);
    EXPECT_EQ(box->GetScrollBar()->GetSliderPosition(), 0.0f);
    EXPECT_TRUE(edit->IsEditing());
    EXPECT_EQ(edit->GetEditText(), "hello");
    EXPECT_EQ(manager_->GetMode(), "normal") << "SetEdit keeps the cursor";

    // Twenty lines scroll to line 10 and the bar to (20 - 9) / 20, which the box follows to
    // line trunc(20 x 0.55).
    Script("local b = GetWindow('log') SetText(b, 'line0') for i = 1, 19 do AddText(b, 'line' .. i) end\n");
    EXPECT_EQ(box->GetLines().size(), 20u);
    EXPECT_EQ(box->GetScrollBar()->GetSliderPosition(), 0.55f);
    EXPECT_EQ(box->GetFirstLine(), 11);
}

TEST_F(InterfaceScript, NewWindowsAndTextBoxesBelongToTheInterfaceHiddenUntilShown) {
    Lines r = Script("local w = NewWindow('panel', 'panel.tga', 'interface.fx', '', 120.9, 60, 128, 64, 0, 0, 3)\n"
                  "local t = NewTextbox('notes', 200, 100, -1, -1, -1, 2, true, 1)\n"
                  "Record(null(w), null(t), IsWindowActive(w), ComparePointers(w, GetWindow('panel')))\n"
                  "Record(GetWindowDimensions(w)) Record(GetWindowDimensions(t))\n"
                  "AddText(t, 'no font, no lines') Record(GetTextSize(t))\n");
    EXPECT_EQ(r, (Lines{"false|false|false|true", "120|60", "200|100", "0"}));
    ASSERT_EQ(manager_->GetWindowCount(), 2u);
    CYWindow* panel = nullptr;
    manager_->FindWindowByName("panel", &panel);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetTextureName(), "interface\\panel.tga");
    EXPECT_EQ(panel->GetLayer(), 3);
    EXPECT_EQ(panel->GetTexWidth(), 128);
    CYWindow* notes = nullptr;
    manager_->FindWindowByName("notes", &notes);
    auto* box = dynamic_cast<CYTextBox*>(notes);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsCentered());
    EXPECT_EQ(box->GetScrollBar(), nullptr);
    EXPECT_TRUE(box->GetLines().empty()) << "without a font nothing is laid out";

    // Without an interface to own them, nothing is made.
    manager_.reset();
    PurgeUnsubscribedEvents();
    r = Script("Record(null(NewWindow('w', 'a', 'b', '', 1, 1, 1, 1, 0, 0, 0)))\n");
    EXPECT_EQ(r.back(), "true");
}

// ---- interfaces, cursors, modes

TEST_F(InterfaceScript, InterfaceCursorModeAndBackgroundRequestsTravelAsEvents) {
    struct Seen : CYEventListener {
        Seen() {
            for (int e : {YEVENT_SET_INTERFACE_MODE, YEVENT_CHANGE_BACKGROUND})
                SubscribeOnce(e, this, [](void* c, intptr_t a, intptr_t) {
                    static_cast<Seen*>(c)->got.push_back(a < 16 ? std::to_string(a) : reinterpret_cast<const char*>(a));
                });
        }
        std::vector<std::string> got;
    } seen;
    test::WriteFile("data/interface/cursor.dat", "normal c.tga interface.fx 8 8\naction c.tga interface.fx 8 8\n");
    Script("InitInterface('none') SetCursorType('action')\n"
        "SetInterfaceMode(2) SetInterfaceMode(0) SetInterfaceMode(-0.5) ChangeBackground('sky.tga')\n");
    EXPECT_EQ(manager_->GetCurrentCursor(), manager_->GetCursor("action"));
    EXPECT_EQ(seen.got, (std::vector<std::string>{"1", "0", "0", "sky.tga"}));
    // The background's name is strict: a table ends the script with the argument error.
    Handler("BAD", "ChangeBackground({}) SaveLog('after')\n")->Step(0.0f);
    EXPECT_TRUE(LogHas("bad argument #1 to 'ChangeBackground'"));
    EXPECT_FALSE(LogHas("after"));
    // Without a game world the interface camera has nothing to set.
    Handler("CAM", "SetInterfaceCameraParams(1, 2, 3, 4, 5, 6) SaveLog('camera done')\n")->Step(0.0f);
    EXPECT_TRUE(LogHas("camera done"));
}

// ---- objects on screens and picking

TEST_F(InterfaceScript, ObjectsLoadedForTheInterfaceAreOwnedByItAndMissingFilesGiveFalse) {
    const std::string game = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
    test::WriteFile("data/meshes/box.adf", test::ReadFile(game + "meshes/box.adf"));
    test::WriteFile("data/meshes/box.a3d", test::ReadFile(game + "meshes/box.a3d"));
    Lines r = Script("ok, box = CreateComplexObjectForInterface('box.adf', 1, 2, 3)\n"
                  "Record(ok, null(box), GetComplexObjectPos(box))\n"
                  "Record(CreateComplexObjectForInterface('none.adf', 0, 0, 0))\n"
                  "ComplexObjectUpdate(nil, 0) Record(GetBoundingPoints(nil))\n");
    EXPECT_EQ(r, (Lines{"true|false|1|2|3|0", "false", "0|0|0|0"}));
    EXPECT_EQ(manager_->GetObjectCount(), 1u);
    Handler("BAD", "CreateComplexObjectForInterface('box.adf', 'x', 0, 0)\n")->Step(0.0f);
    EXPECT_TRUE(LogHas("bad argument #2 to 'CreateComplexObjectForInterface'"));
    EXPECT_EQ(manager_->GetObjectCount(), 1u);
    // The next interface deletes the object: the script's reference reads null.
    EXPECT_EQ(Script("InitInterface('none') Record(null(box))\n"), (Lines{"true"}));
    EXPECT_EQ(manager_->GetObjectCount(), 0u);
    // Without an interface to own it, nothing is kept.
    manager_.reset();
    PurgeUnsubscribedEvents();
    EXPECT_EQ(Script("local ok, o = CreateComplexObjectForInterface('box.adf', 0, 0, 0) Record(ok, null(o))\n"),
              (Lines{"true|true"}));
}

TEST_F(InterfaceScript, PickingFollowsTheCameraAndGivesZerosWithoutOne) {
    CYComplexObject crate("crate");
    std::vector<CYBoundingBox> boxes{CYBoundingBox(math::Vec4{0, 0, 0, 1}, math::Vec4{1, 1, 1, 1})};
    ASSERT_NE(crate.CreatePart(nullptr, "body", nullptr, {}, {}, 0, &boxes, {}, {}), nullptr);
    crate.UpdatePlacement();
    const std::string ref = std::to_string(crate.ReferenceId());
    const std::string get = "local o = StringToPointer('" + ref + "')\n";
    EXPECT_EQ(Script(get + "Record(TransformIntoWorld(0.5, 0.5)) Record(GetBoundingPoints(o))\n"),
              (Lines{"0|0|0", "0|0|0|0"}));

    // An eye beyond the float range leaves the camera without a usable view: no picking.
    auto camera = std::make_unique<CYCamera>();
    camera->SetLookAt({3e38f, 3e38f, 3e38f});
    camera->SetViewVector(3e38f, 0.5f, 0.0f);
    camera->Update(0.0f);
    EXPECT_EQ(Script(get + "Record(TransformIntoWorld(0.5, 0.5)) Record(GetBoundingPoints(o))\n"),
              (Lines{"0|0|0", "0|0|0|0"}));
    camera->SetLookAt({0, 0, 0});
    camera->SetViewVector(10.0f, 0.5f, 0.0f);
    camera->Update(0.0f);
    const math::Vec3 toCentre = math::Vec3Normalize(math::Vec3{0, 0, 0} - camera->GetEye());
    Lines r = Script(get + "Record(TransformIntoWorld(0.5, 0.5))\n"
                        "local l, t, rt, b = GetBoundingPoints(o)\n"
                        "Record(l < 320 and rt > 320 and t < 240 and b > 240, math.abs((l + rt) / 2 - 320) < 1)\n"
                        "Record(CrossRayInterface(o, 0, 0, 10, 0, 0, -1, 100))\n"
                        "Record(CrossRayInterface(o, 0, 0, 10, 0, 0, -1, 5))\n"
                        "Record(CrossRayInterface(o, 5, 5, 10, 0, 0, -1, 100))\n"
                        "Record(CrossRayInterface(nil, 0, 0, 10, 0, 0, -1, 100))\n");
    ASSERT_EQ(r.size(), 6u);
    float x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(r[0].c_str(), "%f|%f|%f", &x, &y, &z), 3) << r[0];
    EXPECT_NEAR(x, toCentre.x, 1e-4f);
    EXPECT_NEAR(y, toCentre.y, 1e-4f);
    EXPECT_NEAR(z, toCentre.z, 1e-4f);
    EXPECT_EQ(r[1], "true|true");
    // The top face of the body is hit 9 units down the ray.
    EXPECT_EQ(r[2], "true|9|ref:" + std::to_string(ReferenceIdOf(PartReference(crate.Parts().front()))) +
                        "|0|0|1|0|0|1|-1");
    EXPECT_EQ(r[3], "false");
    EXPECT_EQ(r[4], "false");
    EXPECT_EQ(r[5], "false");
    crate.SetCollidable(false);
    EXPECT_EQ(Script(get + "Record(CrossRayInterface(o, 0, 0, 10, 0, 0, -1, 100))\n").back(), "false");
}

// ---- settings

TEST_F(InterfaceScript, DisplayModesAreListedCountedFromOneAndSetCountedFromZero) {
    // Full screen lists the display's modes, 16-bit ones first.
    renderer_.reset();
    g_settings.fullScreen = 1;
    renderer_ = std::make_unique<CYRenderer>();
    ASSERT_EQ(renderer_->Init(), S_OK);
    std::vector<YDisplayModeRecord> modes = renderer_->GetDisplayModes();
    ASSERT_GE(modes.size(), 2u);
    Lines r = Script("local n, t = GetDisplayModes(1) Record(n, #t, t[1], t[n])\n"
                  "Record(GetCurrentScreen())\n"
                  "SetDisplayMode(0) Record(GetCurrentScreen())\n"
                  "SetDisplayMode(-1) SetDisplayMode(n) SetDisplayMode('x') Record(GetCurrentScreen())\n");
    ASSERT_EQ(r.size(), 4u);
    auto text = [&](const YDisplayModeRecord& m) {
        return std::to_string(m.width) + " x " + std::to_string(m.height) + " x " +
               (m.format == modes.front().format ? "16" : "32");
    };
    EXPECT_EQ(r[0], std::to_string(modes.size()) + "|" + std::to_string(modes.size()) + "|" + text(modes.front()) +
                        "|" + text(modes.back()));
    EXPECT_EQ(g_settings.screenWidth, int(modes.front().width));
    EXPECT_EQ(g_settings.screenHeight, int(modes.front().height));
    EXPECT_EQ(r[2], r[3]) << "an index outside the list changes nothing";
    // A screen size no mode has is screen 1.
    g_settings.screenWidth = 123;
    EXPECT_EQ(Script("Record(GetCurrentScreen())\n").back(), "1");
}

TEST_F(InterfaceScript, BrightnessFilteringMouseSpeedAndKeyBindingsFollowTheSettings) {
    ActionsHost host;
    Lines r = Script("SetBrightnessLevel(0.757) Record(GetBrightnessLevel())\n"
                  "SetTrilinearFiltration(true) Record(GetTrilinearFiltration())\n"
                  "SetMouseSpeed(0) Record(GetMouseSpeed()) SetMouseSpeed(0.01) Record(math.abs(GetMouseSpeed() - 0.01) < 1e-6)\n"
                  "SetMouseSpeed(-3) Record(GetMouseSpeed()) SetMouseSpeed(2) Record(GetMouseSpeed())\n"
                  "Record(GetAction('forward'), GetAction('nosuch'), GetAction(nil))\n"
                  "SetAction('forward', 57) Record(GetAction('forward'))\n"
                  "SetAction('backward', 57) Record(GetAction('forward'), GetAction('backward'))\n"
                  "SetAction('forward', 999) SetAction('nosuch', 30)\n");
    ASSERT_EQ(r.size(), 9u);
    EXPECT_NEAR(std::stof(r[0]), 0.75f, 1e-6f);
    EXPECT_EQ(r[1], "true");
    EXPECT_NEAR(std::stof(r[2]), 0.1f, 1e-6f);
    EXPECT_EQ(r[3], "true");
    EXPECT_NEAR(std::stof(r[4]), 0.1f, 1e-6f);
    EXPECT_EQ(r[5], "2");
    EXPECT_EQ(r[6], "Up||");
    EXPECT_EQ(r[7], "Space");
    EXPECT_EQ(r[8], "undefined key|Space");
    uint32_t filter = 0;
    for (uint32_t stage : {0u, 1u}) {
        renderer_->GetDevice()->GetSamplerState(stage, gfx::SAMP_MIPFILTER, &filter);
        EXPECT_EQ(filter, gfx::TEXF_LINEAR);
        renderer_->GetDevice()->GetSamplerState(stage, gfx::SAMP_MINFILTER, &filter);
        EXPECT_EQ(filter, gfx::TEXF_LINEAR);
    }
    Script("SetTrilinearFiltration(nil)\n");
    EXPECT_EQ(g_settings.trilinear, 0);
    renderer_->GetDevice()->GetSamplerState(1, gfx::SAMP_MIPFILTER, &filter);
    EXPECT_EQ(filter, gfx::TEXF_POINT);
    EXPECT_EQ(host.actions.Binding(host.actions.IndexOfAction("backward"))->code, 57);
}

}  // namespace
