// Text edits: typing bounded by size and width, Enter and Escape, key fields, console
// lines, hidden and inactive fields, long texts, and the element builder.
#include "interface/YTextEdit.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/YActions.h"
#include "core/YCommandManager.h"
#include "interface/YInterfaceManager.h"
#include "render/RenderTestSupport.h"
#include "render/YFont.h"

namespace {

using Texts = std::vector<std::string>;

Texts g_events;  // events 39 as "cursor <type>", 51 and 52 as their b (0)

class TextEditTest : public rtest::RecordingRendererTest {
protected:
    // Font 0 has glyphs 8 wide; commands to "interface" reach the handler.
    void SetUp() override {
        RecordingRendererTest::SetUp();
        LoadCommands();
        g_events.clear();
        std::string font = "width\t128\nheight\t160\nx\t8\ny\t16\n";
        for (int i = 0; i < 160; ++i) font += "g\t8\n";
        test::WriteFile("data/interface/fonts/f.fnt", font);
        listener_.SubscribeOnce(YEVENT_GET_FONT, nullptr, [](void*, intptr_t a, intptr_t b) {
            if (a != 0) return;
            auto* f = new CYFont("font.tga", "interface.fx", "f.fnt", 0.0f, 1.0f);
            f->Load();
            *reinterpret_cast<CYFont**>(b) = f;
        });
        listener_.SubscribeOnce(YEVENT_SET_CURSOR_TYPE, nullptr, [](void*, intptr_t a, intptr_t) {
            g_events.push_back(std::string("cursor ") + reinterpret_cast<const char*>(a));
        });
        for (int e : {YEVENT_TEXTEDIT_NOTIFY1, YEVENT_TEXTEDIT_NOTIFY2})
            listener_.SubscribeOnce(e, nullptr, [](void*, intptr_t, intptr_t b) { g_events.push_back(std::to_string(b)); });
        test::WriteFile("data/scripts/idle.lua", "");
        handler_.AddState("idle", "idle.lua");
        handler_.SetName("interface");
        g_commandManager->Register(&handler_);
    }
    void TearDown() override {
        listener_.UnsubscribeAll();
        DestroyCommands();
        RecordingRendererTest::TearDown();
    }
    // Every command received, oldest first, as "command a|b".
    Texts Commands() const {
        Texts out;
        for (auto it = handler_.Commands().rbegin(); it != handler_.Commands().rend(); ++it) {
            out.push_back(it->command + " ");
            for (size_t i = 0; i < it->args.size(); ++i) out.back() += (i ? "|" : "") + it->args[i];
        }
        return out;
    }
    // An active, visible field of `width` x 16 with font 0.
    static std::unique_ptr<CYTextEdit> Make(const std::string& name, int size, int width = 200) {
        auto edit = std::make_unique<CYTextEdit>(name, width, 16, 0, -1, size);
        EXPECT_EQ(edit->Load(), S_OK);
        edit->SetActive(true);
        edit->SetVisible(true);
        return edit;
    }
    static void Type(const std::string& text) {
        for (char c : text) SendEvent(YEVENT_CHAR, uint8_t(c), 0);
    }
    CYEventListener listener_;
    CYScriptHandler handler_{nullptr};
};

TEST_F(TextEditTest, TypingIsBoundedByTheSizeAndEnterSendsTheNameAndText) {
    auto edit = Make("entry", 5);
    edit->OnMouseButtonDown(0);
    Type("ab\tc\x01" "def");  // every code but 8, 13 and 27 is a character, Tab included
    EXPECT_EQ(edit->GetEditText(), "ab\tc\x01");
    Type("\b\b\xe0");
    EXPECT_EQ(edit->GetText(), "ab\t\xe0");
    Type("\r");
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(Commands(), (Texts{"textedit_click entry", "text_edit_complete entry|ab\t\xe0"}));
    EXPECT_EQ(g_events, (Texts{"cursor hidden", "cursor normal", "0"}));
}

TEST_F(TextEditTest, EscapeRestoresTheTextAndTheWidthBoundsTyping) {
    auto edit = Make("e", 100, 40);
    edit->OnMouseButtonDown(0);
    Type("\babcdef");  // nothing to remove; "abcd_" is 40 wide: the fifth is refused
    EXPECT_EQ(edit->GetEditText(), "abcd");
    Type("\x1b");
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(g_events, (Texts{"cursor hidden", "cursor normal", "0"}));  // 52
    edit->SetText("0123456789");  // only the end that fits
    EXPECT_EQ(edit->GetText(), "56789");
}

TEST_F(TextEditTest, KeyFieldWaitsWithAQuestionMarkAndShowsTheReleasedKeysName) {
    auto edit = Make("k", 10);
    edit->SetEditable(false);
    edit->SetGetKey(true);
    edit->OnMouseButtonDown(0);
    EXPECT_EQ(edit->GetText(), "?");
    SendEvent(YEVENT_KEY_RELEASED, 30, 0);
    EXPECT_EQ(edit->GetText(), KeyNames[30]);
    SendEvent(YEVENT_KEY_RELEASED, 31, 0);  // no longer waiting
    EXPECT_EQ(edit->GetText(), KeyNames[30]);
    edit->OnMouseButtonDown(0);
    SendEvent(YEVENT_KEY_RELEASED, kKeyNameCount + 10, 0);  // beyond the name table
    EXPECT_EQ(edit->GetText(), "");
    edit->SetGetKey(false);  // neither editable nor a key field: the click is still told
    edit->OnMouseButtonDown(1);
    EXPECT_FALSE(edit->IsEditing() || edit->IsKeyWaiting());
    EXPECT_EQ(Commands(), (Texts{"textedit_click k", "key_assigned k|30", "textedit_click k", "key_assigned k|222",
                                 "textedit_click k"}));
}

TEST_F(TextEditTest, ConsoleEditsUnderThePointerAndSendsItsLineAsACommand) {
    auto edit = Make("con", 50);
    edit->SetEditable(false);
    edit->SetConsole(true);
    edit->OnHoverHook(1, 1);
    Type("go\r");
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(Commands(), (Texts{"text_edit_complete con|go", "command go"}));
}

TEST_F(TextEditTest, HiddenFieldsGoOnTakingKeysAndOnlyDeactivationStopsThem) {
    auto edit = Make("e", 10);
    edit->SetText("old");
    edit->OnMouseButtonDown(0);
    Type("x");
    edit->SetVisible(false);
    Type("y");
    EXPECT_TRUE(edit->IsEditing());
    EXPECT_EQ(edit->GetEditText(), "oldxy");
    edit->SetVisible(true);
    Type("z\r");
    EXPECT_EQ(edit->GetText(), "oldxyz");
    EXPECT_EQ(g_events, (Texts{"cursor hidden", "cursor normal", "0"}));  // hiding gave nothing back

    // Deactivated, it takes no keys and keeps its edit; the pointer it hid comes back.
    edit->OnMouseButtonDown(0);
    g_events.clear();
    edit->SetActive(false);
    Type("q");
    EXPECT_TRUE(edit->IsEditing());
    EXPECT_EQ(edit->GetEditText(), "oldxyz");
    EXPECT_EQ(g_events, (Texts{"cursor normal"}));
    edit->SetActive(true);
    Type("!\r");
    EXPECT_EQ(edit->GetText(), "oldxyz!");

    edit->SetEditable(false);
    edit->SetGetKey(true);
    edit->OnMouseButtonDown(0);
    edit->SetActive(false);
    SendEvent(YEVENT_KEY_RELEASED, 30, 0);
    EXPECT_TRUE(edit->IsKeyWaiting());
    EXPECT_EQ(edit->GetText(), "?");
    edit->SetActive(true);
    SendEvent(YEVENT_KEY_RELEASED, 30, 0);
    EXPECT_EQ(edit->GetText(), KeyNames[30]);
    EXPECT_EQ(Commands().back(), "key_assigned e|30");
}

TEST_F(TextEditTest, HiddenActiveFieldIsClickedThroughTheInterfaceAndHidesThePointer) {
    auto edit = Make("e", 10);
    edit->SetVisible(false);
    CYInterfaceManager manager(renderer_.get());
    ASSERT_EQ(manager.Init(), 0);
    CYTextEdit* field = edit.release();
    SendEvent(YEVENT_NEW_WINDOW, reinterpret_cast<intptr_t>(field), 0);
    SendEvent(YEVENT_MOUSE_MOVE, 5, 5);
    EXPECT_EQ(manager.GetHovered(), field);
    SendEvent(YEVENT_MOUSE_DOWN, 0, 0);
    EXPECT_TRUE(field->IsEditing());
    EXPECT_EQ(manager.GetMode(), "hidden");
    EXPECT_EQ(g_events, (Texts{"cursor hidden"}));
    Type("ab");
    EXPECT_EQ(field->GetEditText(), "ab");
    EXPECT_EQ(Commands(), (Texts{"textedit_click e"}));
}

}  // namespace
