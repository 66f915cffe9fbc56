#include "interface/YTextEdit.h"

#include <algorithm>
#include <cmath>

#include "core/YActions.h"
#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "render/YFont.h"

namespace {

constexpr int32_t kBackspace = 8;
constexpr int32_t kEnter = 13;
constexpr int32_t kEscape = 27;

void SendToInterface(const char* command, const std::string& argText) {
    if (g_commandManager) g_commandManager->SendCommandByName("interface", command, argText);
}

}  // namespace

CYTextEdit::CYTextEdit(const std::string& name, int32_t width, int32_t height, int32_t fontIndex,
                       int32_t litFontIndex, int32_t size)
    : CYWindow(name, "", "", "", width, height, 0, 0, 0, 0, 0.0f, 0.0f),
      fontIndex_(fontIndex),
      litFontIndex_(litFontIndex),
      size_(std::clamp(size, 0, kMaxTextEditSize)) {
    if (size_ != size) Log(3, "Text edit - %s: size %d held to %d\n", name.c_str(), size, size_);
    // The field has no image of its own: only its text is drawn.
    SetDrawCount(0);
}

CYTextEdit::~CYTextEdit() { OnDeactivate(); }

void CYTextEdit::Update() {
    if (!IsVisible()) return;
    if (currentFont_) {
        currentFont_->BeginBatch();
        currentFont_->DrawText(x_, y_, editing_ ? editText_ + "_" : text_);
        currentFont_->Flush();
    }
    CYWindow::Update();
}

void CYTextEdit::SetPosition(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        Log(3, "Window - %s: non-finite position refused\n", name_.c_str());
        return;
    }
    x_ = std::clamp(x, -kMaxWindowCoord, kMaxWindowCoord);
    y_ = std::clamp(y, -kMaxWindowCoord, kMaxWindowCoord);
}

HRESULT CYTextEdit::Load() {
    auto make = [this](int32_t index) {
        CYFont* font = nullptr;
        SendEvent(YEVENT_GET_FONT, index, reinterpret_cast<intptr_t>(&font));
        std::unique_ptr<CYFont> owned(font);
        // Text draws one layer above the field.
        if (owned) owned->SetMode(layer_ + 6);
        return owned;
    };
    font_ = make(fontIndex_);
    if (!font_) Log(3, "Text edit - %s: font %d missing, no text shown\n", name_.c_str(), fontIndex_);
    currentFont_ = font_.get();
    if (litFontIndex_ != -1) litFont_ = make(litFontIndex_);
    return S_OK;
}

void CYTextEdit::DestroyChildren() {
    CYWindow::DestroyChildren();
    currentFont_ = nullptr;
    font_.reset();
    litFont_.reset();
}

void CYTextEdit::OnHoverHook(int32_t, int32_t) {
    fontState_ = litFont_ ? 2 : 0;
    currentFont_ = fontState_ == 2 ? litFont_.get() : font_.get();
    if (IsConsoleField()) {
        editing_ = true;
        editText_ = text_;
    }
}

void CYTextEdit::OnLeaveHook(int32_t, int32_t) {
    fontState_ = 0;
    currentFont_ = font_.get();
    if (IsConsoleField()) {
        editing_ = false;
        text_ = editText_;
    }
}

void CYTextEdit::OnButtonDownHook(int32_t) {
    if (editable_) {
        editing_ = true;
        editText_ = text_;
        savedText_ = text_;
        if (!scriptEdit_) HideCursor();
    } else if (getkey_) {
        keyWaiting_ = true;
        text_ = "?";
        HideCursor();
    }
    OnLeaveHook(0, 0);
    SendToInterface("textedit_click", name_);
}

void CYTextEdit::OnButtonUpHook(int32_t) {}

void CYTextEdit::StartEditing() {
    editing_ = true;
    editText_ = text_;
    savedText_ = text_;
    scriptEdit_ = true;
    OnLeaveHook(0, 0);
}

int32_t CYTextEdit::TextWidth(const std::string& text) const {
    if (!currentFont_) return 0;
    const float w = currentFont_->GetTextWidth(text);
    return std::isfinite(w) ? int32_t(std::clamp(w, -1e9f, 1e9f)) : 0;
}

void CYTextEdit::HideCursor() {
    // An active field that no longer hears the keys that would end its edit (its children
    // were destroyed) leaves the pointer alone: nothing could bring it back.
    if (active_ && !subscribed_) return;
    cursorHidden_ = true;
    SendEvent(YEVENT_SET_CURSOR_TYPE, reinterpret_cast<intptr_t>("hidden"), 0);
}

void CYTextEdit::ShowCursor() {
    cursorHidden_ = false;
    SendEvent(YEVENT_SET_CURSOR_TYPE, reinterpret_cast<intptr_t>("normal"), 0);
}

void CYTextEdit::OnChar(int32_t code) {
    if (!editing_) return;
    if (code == kBackspace) {
        if (!editText_.empty()) editText_.pop_back();
        text_ = editText_;
    } else if (code == kEnter) {
        text_ = editText_;
        ShowCursor();
        editing_ = false;
        SendEvent(YEVENT_TEXTEDIT_NOTIFY1, reinterpret_cast<intptr_t>(name_.c_str()), 0);
        SendToInterface("text_edit_complete", name_ + "," + text_);
        if (IsConsoleField()) {
            std::string taken;
            taken.swap(text_);
            SendToInterface("command", taken);
        }
    } else if (code == kEscape) {
        editing_ = false;
        text_ = savedText_;
        ShowCursor();
        SendEvent(YEVENT_TEXTEDIT_NOTIFY2, reinterpret_cast<intptr_t>(name_.c_str()), 0);
    } else {
        if (editText_.size() >= size_t(size_) || TextWidth(editText_ + "_") >= width_) return;
        editText_ += char(uint8_t(code));
        text_ = editText_;
    }
}

void CYTextEdit::OnKeyReleased(int32_t code) {
    if (!keyWaiting_) return;
    ShowCursor();
    // A code without an entry in the key-name table shows no name.
    text_ = code >= 0 && code < kKeyNameCount ? KeyNames[code] : "";
    keyWaiting_ = false;
    SendToInterface("key_assigned", name_ + ", " + std::to_string(code));
}

void CYTextEdit::SetText(const std::string& text) {
    // Only the end of a long text can be kept.
    text_ = text.size() > size_t(kMaxTextEditSize) ? text.substr(text.size() - size_t(kMaxTextEditSize)) : text;
    while (!text_.empty() && TextWidth(text_) > width_) text_.erase(0, 1);
}

void CYTextEdit::OnCharEvent(void* self, intptr_t code, intptr_t) {
    if (code < 0 || code > 255) return;
    static_cast<CYTextEdit*>(self)->OnChar(int32_t(code));
}

void CYTextEdit::OnKeyEvent(void* self, intptr_t code, intptr_t) {
    if (code < 0 || code > 255) return;
    static_cast<CYTextEdit*>(self)->OnKeyReleased(int32_t(code));
}

void CYTextEdit::OnActivate() {
    if (subscribed_) return;
    subscribed_ = true;
    SubscribeEvent(YEVENT_CHAR, this, OnCharEvent);
    SubscribeEvent(YEVENT_KEY_RELEASED, this, OnKeyEvent);
}

void CYTextEdit::OnDeactivate() {
    // An edit or a key wait under way stays, with the text typed so far; only Enter, Escape
    // or a key ends it once the field takes keys again. The pointer it hid comes back, as
    // nothing could bring it back meanwhile.
    if (cursorHidden_) ShowCursor();
    if (!subscribed_) return;
    subscribed_ = false;
    UnsubscribeEvent(YEVENT_CHAR, this, OnCharEvent);
    UnsubscribeEvent(YEVENT_KEY_RELEASED, this, OnKeyEvent);
}

void CYTextEdit::SetLayer(int32_t layer) { CYWindow::SetLayer(layer + 1); }

void CYTextEdit::Rescale() {
    CYWindow::Rescale();
    // A font takes the screen size when it loads.
    for (CYFont* font : {font_.get(), litFont_.get()})
        if (font) {
            font->Load();
            font->SetMode(layer_ + 6);
        }
}

CYWindow* BuildTextEdit(const YInterfaceElement& e) {
    auto edit = std::make_unique<CYTextEdit>(e.Text("name"), e.Int("width"), e.Int("height"), e.Int("font"),
                                             e.Int("font_lit"), e.Int("size"));
    edit->SetEditable(e.Text("editable") != "false");
    edit->SetGetKey(e.Text("getkey") == "true");
    edit->SetConsole(e.Text("console") == "true");
    edit->SetLayer(e.depth);
    if (edit->Load() < 0) return nullptr;
    edit->SetText(e.Text("text"));
    return edit.release();
}
