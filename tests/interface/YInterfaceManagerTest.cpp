// The interface manager: pointer routing to the topmost window, the cursor types, the
// cursor and fonts tables, window lookup and ownership, and interface changes requested
// from inside a window call.
#include "interface/YInterfaceManager.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/YLiveCounts.h"
#include "interface/YWindow.h"
#include "render/RenderTestSupport.h"
#include "render/YComplexObject.h"
#include "render/YFont.h"

namespace {

std::vector<std::string> g_trace;  // events 33 to 35 as "<event> <window> <button>"

struct Listener : CYEventListener {
    Listener() {
        for (int e = YEVENT_WINDOW_POINTER_LEAVE; e <= YEVENT_WINDOW_BUTTON_UP; ++e)
            SubscribeOnce(e, reinterpret_cast<void*>(intptr_t(e)), [](void* c, intptr_t a, intptr_t b) {
                g_trace.push_back(std::to_string(intptr_t(c)) + " " + reinterpret_cast<const char*>(a) + " " +
                                  std::to_string(b));
            });
    }
};

// A window whose release asks for a new interface, as a widget's script may.
struct ReloadWindow : CYWindow {
    ReloadWindow() : CYWindow("w", "", "", "", 100, 100, 0, 0, 0, 0, 0, 0) {}
    void OnButtonUpHook(int32_t) override { SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>("x"), 0); }
};

class InterfaceManagerTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        g_trace.clear();
        live_ = g_live.windows;
        listener_ = std::make_unique<Listener>();
        manager_ = std::make_unique<CYInterfaceManager>(renderer_.get());
        ASSERT_EQ(manager_->Init(), 0);
    }
    void TearDown() override {
        manager_.reset();
        listener_.reset();
        EXPECT_EQ(g_live.windows, live_);
        RecordingRendererTest::TearDown();
    }
    // A new active top-level window of 100 x 100, handed over with event 60.
    CYWindow* Add(const std::string& name, float x, float y) {
        return Add(new CYWindow(name, "", "", "", 100, 100, 0, 0, 0, 0, x, y));
    }
    CYWindow* Add(CYWindow* w) {
        w->SetActive(true);
        SendEvent(YEVENT_NEW_WINDOW, reinterpret_cast<intptr_t>(w), 0);
        return w;
    }
    static void Move(int x, int y) { SendEvent(YEVENT_MOUSE_MOVE, x, y); }
    static void Press(int b) { SendEvent(YEVENT_MOUSE_DOWN, b, 0); }
    static void Release(int b) { SendEvent(YEVENT_MOUSE_UP, b, 0); }
    static void CursorType(const char* name) { SendEvent(YEVENT_SET_CURSOR_TYPE, reinterpret_cast<intptr_t>(name), 0); }
    static void InitInterface() { SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>("main"), 0); }
    using Trace = std::vector<std::string>;
    int live_ = 0;
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<CYInterfaceManager> manager_;
};

// ---- routing ----

TEST_F(InterfaceManagerTest, TheTopmostActiveWindowTakesThePointerAndLeavingItIsReported) {
    Add("low", 0, 0);
    CYWindow* high = Add("high", 50, 50);
    Add("off", 0, 0)->SetActive(false);  // skipped although topmost
    g_trace.clear();
    Move(60, 60);
    EXPECT_EQ(manager_->GetHovered(), high);
    Press(1);
    Release(2);  // any button counts
    Move(300, 300);
    EXPECT_EQ(manager_->GetHovered(), nullptr);
    Press(0);
    EXPECT_EQ(g_trace, (Trace{"34 high 1", "35 high 2", "33 high 0"}));
}

TEST_F(InterfaceManagerTest, HiddenModeFreezesTheHoverAndPressesButNotReleases) {
    Add("w", 0, 0);
    Move(20, 20);
    CursorType("hidden");
    Move(300, 300);
    EXPECT_EQ(manager_->GetMouseX(), 20);
    ASSERT_NE(manager_->GetHovered(), nullptr);
    Press(0);
    Release(0);
    EXPECT_EQ(g_trace, (Trace{"35 w 0"}));
}

// ---- cursors ----

TEST_F(InterfaceManagerTest, CursorTableMakesLayerNineWindowsAndLogsShortLines) {
    test::WriteFile("data/interface/cursor.dat", "Normal Arrow.TGA a.fx 32 16\nbad tex\n\naction a b 8 8\n");
    InitInterface();
    CYWindow* normal = manager_->GetCursor("normal");
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->GetTextureName(), "arrow.tga");
    EXPECT_EQ(normal->GetLayer(), 9);
    EXPECT_EQ(normal->GetHeight(), 16);
    EXPECT_EQ(manager_->GetCurrentCursor(), normal);  // the mode starts "normal"
    EXPECT_TRUE(normal->IsVisible());
    EXPECT_EQ(manager_->GetCursor("bad"), nullptr);
    EXPECT_EQ(rtest::LogCount("Error in cursor table - bad on line 2\n"), 1);
    Move(70, 80);
    manager_->Update();
    EXPECT_EQ(normal->GetX(), 70.0f);
}

TEST_F(InterfaceManagerTest, CursorTypeShowsANamedCursorKeepsTheOldOneOtherwise) {
    InitInterface();
    EXPECT_EQ(rtest::LogCount("Can't load cursor table - data\\interface\\cursor.dat\n"), 1);
    test::WriteFile("data/interface/cursor.dat", "normal a b 8 8\naction a b 8 8\n");
    InitInterface();
    CursorType("action");
    EXPECT_EQ(manager_->GetCurrentCursor(), manager_->GetCursor("action"));
    CursorType("nosuch");
    EXPECT_EQ(manager_->GetMode(), "nosuch");
    EXPECT_EQ(manager_->GetCurrentCursor(), manager_->GetCursor("action"));
    CursorType("hidden");
    EXPECT_EQ(manager_->GetCurrentCursor(), nullptr);
}

// A window that gives the pointer back when hidden, as a text edit being edited does.
struct PointerWindow : CYWindow {
    PointerWindow() : CYWindow("p", "", "", "", 10, 10, 0, 0, 0, 0, 0, 0) {}
    void SetVisible(bool visible) override {
        CYWindow::SetVisible(visible);
        if (!visible) SendEvent(YEVENT_SET_CURSOR_TYPE, reinterpret_cast<intptr_t>("normal"), 0);
    }
};

TEST_F(InterfaceManagerTest, ACursorAskedForWhileTheScreenGoesIsNotKeptFromTheOldTable) {
    test::WriteFile("data/interface/cursor.dat", "normal a b 8 8\n");
    InitInterface();
    Add(new PointerWindow);
    CursorType("hidden");
    test::WriteFile("data/interface/cursor.dat", "other a b 8 8\n");
    InitInterface();  // the old window asks for "normal" while the old cursors go
    EXPECT_EQ(manager_->GetMode(), "normal");
    EXPECT_EQ(manager_->GetCurrentCursor(), nullptr);
    manager_->Update();
}

// ---- fonts ----

TEST_F(InterfaceManagerTest, FontRequestsAnswerNewFontsByRowAndNullOtherwise) {
    const std::string game = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
    test::WriteFile("data/interface/fonts/sans.fnt", test::ReadFile(game + "interface/fonts/sans.fnt"));
    test::WriteFile("data/textures/sans.tga", test::ReadFile(game + "textures/sans.tga"));
    test::WriteFile("data/effects/interface.fx", test::ReadFile(game + "effects/interface.fx"));
    test::WriteFile("data/interface/fonts/fonts.dat", "sans.tga interface.fx sans.fnt 2 1\nshort row\n"
                                                      "sans.tga interface.fx missing.fnt 0 1\n");
    InitInterface();
    ASSERT_EQ(manager_->GetFonts().size(), 3u);  // the short row keeps its index
    CYFont* font = reinterpret_cast<CYFont*>(1);
    SendEvent(YEVENT_GET_FONT, -1, reinterpret_cast<intptr_t>(&font));
    EXPECT_EQ(font, nullptr);
    SendEvent(YEVENT_GET_FONT, 0, reinterpret_cast<intptr_t>(&font));
    ASSERT_NE(font, nullptr);
    std::unique_ptr<CYFont> owned(font);
    EXPECT_EQ(owned->GetName(), "sans.tga");
    EXPECT_EQ(owned->GetSpacing(), 2.0f);
    for (int index : {1, 2, 3}) {
        SendEvent(YEVENT_GET_FONT, index, reinterpret_cast<intptr_t>(&font));
        EXPECT_EQ(font, nullptr) << index;
    }
}

// ---- windows ----

TEST_F(InterfaceManagerTest, FindWindowSearchesTheTreesAndLeavesTheAnswerWithoutWindows) {
    CYWindow* out = reinterpret_cast<CYWindow*>(1);
    auto find = [&](const char* n) { SendEvent(YEVENT_FIND_WINDOW, intptr_t(n), intptr_t(&out)); };
    find("x");
    EXPECT_EQ(out, reinterpret_cast<CYWindow*>(1));
    Add("a", 0, 0);
    CYWindow* b = Add("b", 0, 0);
    CYWindow* child = new CYWindow("kid");
    ASSERT_TRUE(b->AddChild(child));
    find("kid");
    EXPECT_EQ(out, child);
    find("none");
    EXPECT_EQ(out, nullptr);
}

TEST_F(InterfaceManagerTest, AddedWindowsAreOwnedOnceAndDeletedByTheNextInterface) {
    CYWindow* w = Add("w", 0, 0);
    Add(w);  // twice: refused
    CYWindow* child = new CYWindow("kid");
    ASSERT_TRUE(w->AddChild(child));
    Add(child);  // has a parent: refused
    EXPECT_EQ(manager_->GetWindowCount(), 1u);
    auto* object = new CYComplexObject("o");
    const uint32_t id = object->ReferenceId();
    SendEvent(YEVENT_CREATE_INTERFACE_OBJECT, reinterpret_cast<intptr_t>(object), 0);
    SendEvent(YEVENT_CREATE_INTERFACE_OBJECT, reinterpret_cast<intptr_t>(object), 0);  // owned once
    EXPECT_EQ(manager_->GetObjectCount(), 1u);
    EXPECT_EQ(FindReferenced(id), static_cast<CYReferenced*>(object));
    InitInterface();
    EXPECT_EQ(manager_->GetWindowCount(), 0u);
    EXPECT_EQ(manager_->GetObjectCount(), 0u);
    EXPECT_EQ(FindReferenced(id), nullptr);
    EXPECT_EQ(g_live.windows, live_);
}

TEST_F(InterfaceManagerTest, WindowsGoneUnderTheManagerAreNeverTouched) {
    delete Add("gone", 0, 0);
    Add(new ReloadWindow);
    Move(20, 20);
    Release(0);  // deletes the window under its own call: deferred to its end
    EXPECT_EQ(manager_->GetWindowCount(), 0u);
    Press(0);
    manager_->Update();
    manager_->Render();
    EXPECT_EQ(g_trace, (Trace{"35 w 0"}));  // the release ran to its end first
}

}  // namespace
