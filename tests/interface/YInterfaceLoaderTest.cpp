// Description files: screens of nested widgets with positions, layers and script states,
// the attribute check table, what each error loses, hostile files, and screens replaced
// from a window's own script.
#include "interface/YInterfaceLoader.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include "ClickTestSupport.h"
#include "core/YTriggerRegistry.h"
#include "interface/YButton.h"
#include "interface/YInterfaceManager.h"

namespace {

class LoaderTest : public itest::WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        test::WriteFile("data/scripts/idle.lua", "");
        manager_ = std::make_unique<CYInterfaceManager>(renderer_.get());
        manager_->Init();
    }
    void TearDown() override {
        manager_.reset();
        g_registerExtraScriptFunctions = nullptr;
        WidgetTest::TearDown();
    }
    // Writes the description file and asks for it as a script does.
    void Load(const std::string& name, const std::string& text) {
        test::WriteFile("data/interface/Data/" + name, text);
        SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>(name.c_str()), 0);
    }
    static CYWindow* Find(const char* name) {
        CYWindow* out = nullptr;
        SendEvent(YEVENT_FIND_WINDOW, reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(&out));
        return out;
    }
    std::unique_ptr<CYInterfaceManager> manager_;
};

// The file's messages as the log holds them (code page 1251).
const std::string kCannotCreate = "\xcd\xe5\xe2\xee\xe7\xec\xee\xe6\xed\xee \xf1\xee\xe7\xe4\xe0\xf2\xfc \xee\xea\xed\xee";
const std::string kOnLine = " \xed\xe0 \xf1\xf2\xf0\xee\xea\xe5 - ";

TEST_F(LoaderTest, NestedElementsBecomeAStartedScreenWithLayersPositionsAndStates) {
    CYTriggerRegistry triggers;
    triggers.Init();
    Load("main", "// the main screen\n"
                 "[Window]\nName = Main\nname = other\nposition = 100, 50\nwidth = 200\nheight = 100\n"
                 "script0 = idle, idle.lua\nscript1 = _go, idle.lua\nscript3 = never, idle.lua\n"
                 "[button]\nname = play\nposition = 10, 20\nwidth = 20\nheight = 10\n[/button]\n"
                 "[unknown]\n[/unknown]\n"
                 "[/WINDOW]\n[window]\nname = second\n[/window]\n");
    ASSERT_EQ(manager_->GetWindowCount(), 2u);
    CYWindow* main = Find("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Find("other"), nullptr);  // the first name is kept
    EXPECT_EQ(main->GetX(), 100.0f);
    auto* play = dynamic_cast<CYButton*>(Find("play"));
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(main->Children(), (std::vector<CYObject*>{play}));
    EXPECT_EQ(play->GetX() + play->GetY(), 30.0f);  // absolute, whatever the parent's position
    EXPECT_EQ(main->GetLayer() + play->GetLayer(), 2);  // depth 1, one above
    EXPECT_EQ(play->GetPressedTexture(), "");  // no attribute: no pressed image
    EXPECT_EQ(rtest::LogCount(kCannotCreate + "," + kOnLine + "18\n"), 1);
    // Started: shown, active, its handler "interface" in its idle state, its trigger watched.
    CYScriptHandler& handler = main->Script();
    EXPECT_TRUE(main->IsVisible() && main->IsActive() && play->IsActive());
    EXPECT_EQ(handler.Name(), "interface");
    EXPECT_EQ(handler.CurrentState(), handler.FindState("idle"));
    EXPECT_NE(handler.FindState("_go"), nullptr);
    EXPECT_EQ(handler.FindState("never"), nullptr);  // numbering stopped at the missing 2
    g_commandManager->SendCommandByName("interface", "hello", "");
    EXPECT_EQ(handler.Commands().size(), 1u);
    triggers.Set("_go", 1);
    EXPECT_EQ(handler.CurrentState(), handler.FindState("_go"));
    // A window the manager owns becomes nobody's child.
    CYWindow other("o");
    EXPECT_FALSE(other.AddChild(main));
}

TEST_F(LoaderTest, AttributeLinesAreLowerCasedSplitAndCheckedByTheTable) {
    YAttributeMap map;
    EXPECT_TRUE(SplitAttributeLine(map, "Text = Hello", 1));
    EXPECT_TRUE(SplitAttributeLine(map, "text = again", 2));
    EXPECT_TRUE(SplitAttributeLine(map, "anything = a,b,,c", 3));
    EXPECT_TRUE(SplitAttributeLine(map, "linearcontroller = 1, 2, 3, 4, 0.5, -2", 4));
    EXPECT_EQ(map["text"], (std::vector<std::string>{"hello"}));
    EXPECT_EQ(map["anything"], (std::vector<std::string>{"a", "b", "", "c"}));
    for (const char* bad : {"text = a, b", "width = 10.5", "centered = yes", "position = 1",
                            "linearcontroller = 1, 2, 3, 4, 0.5, x", "tex_width = 99999999999", "= x", "name ="})
        EXPECT_FALSE(SplitAttributeLine(map, bad, 7)) << bad;
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(rtest::LogCount("\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0 \xb9" "1 \xe2 \xea\xee\xec\xec\xe0\xed\xe4\xe5 - width" +
                              kOnLine + "7 \xe4\xee\xeb\xe6\xe5\xed \xe1\xfb\xf2\xfc \xf6\xe5\xeb\xfb\xec "
                              "\xf7\xe8\xf1\xeb\xee\xec\n"),
              1);
    EXPECT_EQ(rtest::LogCount("\xea\xee\xec\xec\xe0\xed\xe4\xe5 - text" + kOnLine + "7\n"), 1);  // the count
    EXPECT_EQ(rtest::LogCount("\xef\xe0\xf0\xe0\xec\xe5\xf2\xf0\xfb" + kOnLine + "7\n"), 2);  // cannot split
}

TEST_F(LoaderTest, AnErrorLosesItsElementAndAtTopLevelStopsTheFile) {
    Load("errors", "[window]\nname = w1\n"
                   "[button]\nname = b1\ntext = a, b\n[checkbox]\n[/checkbox]\n[/button]\n"  // bad attribute
                   "[button]\nname = b2\n[/wrong]\n"                                      // wrong closing tag
                   "[checkbox]\nname = c1\n[/checkbox]\n[/window]\n"
                   "[window]\nname = w2\n[/other]\n[window]\nname = w3\n[/window]\n");
    ASSERT_NE(Find("w1"), nullptr);
    EXPECT_EQ(Find("w1")->Children(), (std::vector<CYObject*>{Find("c1")}));  // b1, b2 lost
    EXPECT_EQ(manager_->GetWindowCount(), 1u);  // w2 dropped, reading stopped before w3
    // A mismatch names the closing tag with its "/", nested or at top level.
    EXPECT_EQ(rtest::LogCount(" - /wrong" + kOnLine + "11\n"), 1);
    EXPECT_EQ(rtest::LogCount(" - /other" + kOnLine + "18\n"), 1);
    Load("stray", "[window]\nname = a\n[/window]\nstray = 1\n[window]\nname = b\n[/window]\n");
    EXPECT_EQ(manager_->GetWindowCount(), 1u);
    EXPECT_EQ(rtest::LogCount(kOnLine + "4\n"), 1);
    Load("closing", "[/window]\n[window]\n[/window]\n");
    EXPECT_EQ(manager_->GetWindowCount(), 0u);
    EXPECT_EQ(rtest::LogCount(" - /window" + kOnLine + "1\n"), 1);
    Load("blank", "[window]\nname = a\n[/ window]\n");  // the name after "/" is taken as it stands
    EXPECT_EQ(manager_->GetWindowCount(), 0u);
    EXPECT_EQ(rtest::LogCount(" - / window" + kOnLine + "3\n"), 1);
    SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>("missing"), 0);
    EXPECT_EQ(manager_->GetWindowCount(), 0u);
    EXPECT_EQ(rtest::LogCount("Data\\missing ----------------- finished"), 1);
}

TEST_F(LoaderTest, HostileFilesFailWithALogLine) {
    std::string deep;
    for (int i = 0; i < 10000; ++i) deep += "[window]\n";
    for (int i = 0; i < 10000; ++i) deep += "[/window]\n";
    Load("deep", deep);  // the levels within bounds are built, the rest is skipped whole
    ASSERT_EQ(manager_->GetWindowCount(), 1u);
    EXPECT_EQ(rtest::LogCount("is nested deeper than 16\n"), 1);
    Load("huge", "[window]\n" + std::string(kMaxInterfaceFileBytes, 'x') + "\n[/window]\n");
    EXPECT_EQ(rtest::LogCount("data\\interface\\data\\huge of"), 1);  // refused by its size, unread
    std::string many;
    for (size_t i = 0; i <= kMaxInterfaceElements; ++i) many += "[window]\n[/window]\n";
    Load("many", many);
    EXPECT_EQ(manager_->GetWindowCount(), kMaxInterfaceElements);
    EXPECT_EQ(rtest::LogCount("more than 4096 elements"), 1);
}

TEST_F(LoaderTest, NulBytesEndLinesUncountedAndLinesHaveNoLengthBound) {
    // Three line feeds before the bad attribute: its errors name line 3.
    const char text[] = "[window]\nname = a\n[/window]\n[window]\0name = b\0[button]\0name = x\0text = 1, 2\0"
                        "[/button]\0[checkbox]\nname = c\n[/checkbox]\n[/window]\n";
    Load("nul", std::string(text, sizeof text - 1));
    ASSERT_EQ(manager_->GetWindowCount(), 2u);
    ASSERT_NE(Find("b"), nullptr);
    EXPECT_EQ(Find("b")->Children(), (std::vector<CYObject*>{Find("c")}));
    EXPECT_EQ(Find("x"), nullptr);
    EXPECT_EQ(rtest::LogCount("- text" + kOnLine + "3\n"), 1);
    EXPECT_EQ(rtest::LogCount(kCannotCreate + "," + kOnLine + "3\n"), 1);
    YAttributeMap map;
    std::string many = "anything = 0";
    for (int i = 1; i < 1000; ++i) many += "," + std::to_string(i);
    EXPECT_TRUE(SplitAttributeLine(map, "text = " + std::string(100000, 'a'), 1));
    EXPECT_TRUE(SplitAttributeLine(map, many, 2));
    EXPECT_EQ(map["text"][0].size(), 100000u);
    EXPECT_EQ(map["anything"].size(), 1000u);
}

// Called by a window's script: replaces the screen and looks for a window of the new one.
CYWindow* g_found = nullptr;
bool g_oldAliveDuringCall = false;
void* g_oldRef = nullptr;
int Reload(lua_State*) {
    SendEvent(YEVENT_INIT_INTERFACE, reinterpret_cast<intptr_t>("second"), 0);
    SendEvent(YEVENT_FIND_WINDOW, reinterpret_cast<intptr_t>("new"), reinterpret_cast<intptr_t>(&g_found));
    g_oldAliveDuringCall = CYWindow::FromReference(g_oldRef) != nullptr;
    return 0;
}

TEST_F(LoaderTest, ScreenReplacedFromAWindowsScriptIsThereAtOnceTheOldGoesAfterTheCall) {
    g_registerExtraScriptFunctions = [](lua_State* L) { lua_register(L, "Reload", Reload); };
    test::WriteFile("data/scripts/reload.lua", "Reload()\n");
    test::WriteFile("data/interface/Data/second", "[window]\nname = new\n[/window]\n");
    Load("first", "[window]\nname = old\nscript0 = idle, reload.lua\n[window]\nname = kid\n[/window]\n[/window]\n");
    g_oldRef = Find("old")->Reference();
    g_found = nullptr;
    manager_->Update();
    EXPECT_NE(g_found, nullptr);
    EXPECT_TRUE(g_oldAliveDuringCall);
    EXPECT_EQ(CYWindow::FromReference(g_oldRef), nullptr);
    EXPECT_EQ(manager_->GetWindowCount(), 1u);
    EXPECT_EQ(Find("new"), g_found);
    EXPECT_TRUE(g_found->IsVisible());
    manager_->Update();
}

}  // namespace
