// Text edits: typing bounded by size and width, Enter and Escape, key fields, console
// lines, giving the keyboard back when hidden, long texts, and the element builder.
#include "interface/YTextEdit.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/YActions.h"
#include "core/YCommandManager.h"
#include "render/RenderTestSupport.h"
#include "render/YFont.h"

namespace {

using Texts = std::vector<std::string>;

// Font 0, every glyph 8 wide; events 39, 51, 52; the commands that reach "interface".
struct EditHarness : CYEventListener {
    Texts events;  // "cursor <type>", "51", "52"
    CYScriptHandler handler{nullptr};
    EditHarness() {
        std::string font = "width\t128\nheight\t160\nx\t8\ny\t16\n";
        for (int i = 0; i < 160; ++i) font += "g\t8\n";
        test::WriteFile("data/interface/fonts/f.fnt", font);
        SubscribeOnce(YEVENT_GET_FONT, this, [](void*, intptr_t a, intptr_t b) {
            if (a != 0) return;
            auto* f = new CYFont("font.tga", "interface.fx", "f.fnt", 0.0f, 1.0f);
            f->Load();
            *reinterpret_cast<CYFont**>(b) = f;
        });
        SubscribeOnce(YEVENT_SET_CURSOR_TYPE, this, [](void* c, intptr_t a, intptr_t) {
            static_cast<EditHarness*>(c)->events.push_back(std::string("cursor ") + reinterpret_cast<const char*>(a));
        });
        for (int e : {YEVENT_TEXTEDIT_NOTIFY1, YEVENT_TEXTEDIT_NOTIFY2})
            SubscribeOnce(e, this, [](void* c, intptr_t, intptr_t b) {
                static_cast<EditHarness*>(c)->events.push_back(std::to_string(b));
            });
        test::WriteFile("data/scripts/idle.lua", "");
        handler.AddState("idle", "idle.lua");
        handler.SetName("interface");
        g_commandManager->Register(&handler);
    }
    ~EditHarness() override { g_commandManager->Unregister(&handler); }
    // Every command received, oldest first, as "command a|b".
    Texts Commands() const {
        Texts out;
        for (auto it = handler.Commands().rbegin(); it != handler.Commands().rend(); ++it) {
            std::string s = it->command + " ";
            for (size_t i = 0; i < it->args.size(); ++i) s += (i ? "|" : "") + it->args[i];
            out.push_back(s);
        }
        return out;
    }
};

class TextEditTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        LoadCommands();
        harness_ = std::make_unique<EditHarness>();
    }
    void TearDown() override {
        harness_.reset();
        DestroyCommands();
        RecordingRendererTest::TearDown();
    }
    // An active, visible field of 200 x 16 (or `width`) with font 0.
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
    std::unique_ptr<EditHarness> harness_;
};

TEST_F(TextEditTest, TypingIsBoundedByTheSizeAndEnterSendsTheNameAndText) {
    auto edit = Make("entry", 5);
    Type("ab");  // not editing yet
    EXPECT_EQ(edit->GetText(), "");
    edit->OnMouseButtonDown(0);
    EXPECT_TRUE(edit->IsEditing());
    Type("abc\t\x01" "def\xe0");
    EXPECT_EQ(edit->GetEditText(), "abcde");
    Type("\b\b\xe0");
    EXPECT_EQ(edit->GetText(), "abc\xe0");
    Type("\r");
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(edit->GetText(), "abc\xe0");
    EXPECT_EQ(harness_->Commands(), (Texts{"textedit_click entry", "text_edit_complete entry|abc\xe0"}));
    EXPECT_EQ(harness_->events, (Texts{"cursor hidden", "cursor normal", "0"}));
}

TEST_F(TextEditTest, EscapeRestoresTheTextAndTheWidthBoundsTyping) {
    auto edit = Make("e", 100, 40);
    edit->OnMouseButtonDown(0);
    Type("\b");  // nothing to remove
    Type("abcdef");  // "abcd_" is 40 wide: the fifth is refused
    EXPECT_EQ(edit->GetEditText(), "abcd");
    Type("\x1b");
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(harness_->events.back(), "0");
    EXPECT_EQ(harness_->events.size(), 3u);  // hidden, normal, 52
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
    EXPECT_EQ(harness_->Commands(), (Texts{"textedit_click k", "key_assigned k|30", "textedit_click k",
                                           "key_assigned k|222"}));
    auto plain = Make("p", 10);
    plain->SetEditable(false);
    plain->OnMouseButtonDown(1);
    EXPECT_FALSE(plain->IsEditing() || plain->IsKeyWaiting());
    EXPECT_EQ(harness_->Commands().back(), "textedit_click p");
}

TEST_F(TextEditTest, ConsoleEditsUnderThePointerAndSendsItsLineAsACommand) {
    auto edit = Make("con", 50);
    edit->SetEditable(false);
    edit->SetConsole(true);
    edit->OnHoverHook(1, 1);
    Type("go");
    Type("\r");
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(harness_->Commands(), (Texts{"text_edit_complete con|go", "command go"}));
    edit->OnHoverHook(1, 1);
    Type("x");
    edit->OnLeaveHook(-1, -1);
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(edit->GetText(), "x");
}

TEST_F(TextEditTest, HiddenOrInactiveFieldsGiveTheKeyboardAndCursorBack) {
    auto edit = Make("e", 10);
    edit->SetText("old");
    edit->OnMouseButtonDown(0);
    Type("new");
    edit->SetVisible(false);
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(edit->GetText(), "old");
    EXPECT_EQ(harness_->events.back(), "cursor normal");
    Type("zz");
    EXPECT_EQ(edit->GetText(), "old");
    edit->SetVisible(true);
    edit->SetEditable(false);
    edit->SetGetKey(true);
    edit->OnMouseButtonDown(0);
    edit->SetActive(false);
    EXPECT_FALSE(edit->IsKeyWaiting());
    EXPECT_EQ(edit->GetText(), "old");
    SendEvent(YEVENT_KEY_RELEASED, 30, 0);
    EXPECT_EQ(edit->GetText(), "old");
}

TEST_F(TextEditTest, BuilderReadsTheFlagsAndTheText) {
    YInterfaceElement e;
    e.depth = 1;
    e.attributes = {{"name", {"b"}}, {"width", {"200"}}, {"font", {"0"}}, {"font_lit", {"-1"}},
                    {"size", {"99999"}}, {"text", {"hello"}}, {"editable", {"false"}}, {"getkey", {"true"}}};
    std::unique_ptr<CYWindow> built(BuildTextEdit(e));
    auto* edit = dynamic_cast<CYTextEdit*>(built.get());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetText(), "hello");
    EXPECT_EQ(edit->GetLayer(), 2);
    EXPECT_EQ(edit->GetSize(), kMaxTextEditSize);
    EXPECT_TRUE(!edit->IsEditable() && edit->IsGetKey() && !edit->IsConsole());
}

}  // namespace
