// Text edits: a one-line field in a bitmap font. An editable field takes typed text after
// a click and confirms with Enter or cancels with Escape; a key field shows the name of the
// next key released after a click; a console field edits while the pointer is over it and
// sends its text as a command on Enter. Results go to the "interface" handlers.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "interface/YInterfaceElement.h"
#include "interface/YWindow.h"

class CYFont;

// Most characters a field's text may hold, whatever its size says.
constexpr int32_t kMaxTextEditSize = 4096;

class CYTextEdit : public CYWindow {
public:
    // Font indices are rows of the fonts table, -1 for none; size bounds typing.
    CYTextEdit(const std::string& name, int32_t width, int32_t height, int32_t fontIndex, int32_t litFontIndex,
               int32_t size);
    ~CYTextEdit() override;

    // Draws the edit text with "_" while editing, else the text.
    void Update() override;
    // Stores the corner only: the field has no quad.
    void SetPosition(float x, float y) override;
    // Asks for the fonts. 0.
    HRESULT Load() override;
    // The window's, then both fonts are dropped.
    void DestroyChildren() override;
    void OnHoverHook(int32_t x, int32_t y) override;
    void OnLeaveHook(int32_t x, int32_t y) override;
    // Starts editing or key waiting, then "textedit_click".
    void OnButtonDownHook(int32_t button) override;
    void OnButtonUpHook(int32_t button) override;
    // Takes typed characters and released keys while active, shown or hidden.
    void OnActivate() override;
    // Cancels both subscriptions and gives back the pointer the field hid; an edit or key
    // wait under way is kept.
    void OnDeactivate() override;
    void SetLayer(int32_t layer) override;
    void Rescale() override;

    // The text shown; only its end is kept when it is wider than the field.
    void SetText(const std::string& text);
    // One typed character (code page 1251 byte): Backspace, Enter, Escape, or any other code,
    // appended within the size and the width.
    void OnChar(int32_t code);
    // A released key while waiting for one: its name is shown and "key_assigned" sent.
    void OnKeyReleased(int32_t code);

    void SetEditable(bool on) { editable_ = on; }
    void SetGetKey(bool on) { getkey_ = on; }
    void SetConsole(bool on) { console_ = on; }
    void SetScriptEdit(bool on) { scriptEdit_ = on; }
    // Editing of the shown text started by a script: no "textedit_click", the cursor stays
    // visible now and on later clicks; then the leave hook.
    void StartEditing();

    const std::string& GetText() const { return text_; }
    const std::string& GetEditText() const { return editText_; }
    bool IsEditing() const { return editing_; }
    bool IsKeyWaiting() const { return keyWaiting_; }
    bool IsEditable() const { return editable_; }
    bool IsGetKey() const { return getkey_; }
    bool IsConsole() const { return console_; }
    int32_t GetSize() const { return size_; }
    int32_t GetFontState() const { return fontState_; }
    CYFont* GetCurrentFont() const { return currentFont_; }

private:
    static void OnCharEvent(void* self, intptr_t code, intptr_t);
    static void OnKeyEvent(void* self, intptr_t code, intptr_t);
    bool IsConsoleField() const { return console_ && !editable_ && !getkey_; }
    int32_t TextWidth(const std::string& text) const;
    // The pointer hidden while the field waits for keys, and shown again.
    void HideCursor();
    void ShowCursor();

    CYFont* currentFont_ = nullptr;
    std::unique_ptr<CYFont> font_;
    std::unique_ptr<CYFont> litFont_;
    int32_t fontIndex_;
    int32_t litFontIndex_;
    std::string text_;
    std::string editText_;
    std::string savedText_;
    int32_t size_;
    bool editing_ = false;
    int32_t fontState_ = 0;
    bool editable_ = true;
    bool keyWaiting_ = false;
    bool getkey_ = false;
    bool console_ = false;
    bool scriptEdit_ = false;
    bool subscribed_ = false;
    bool cursorHidden_ = false;  // the pointer was hidden by this field
};

// The text edit of a "textedit" element, set up, loaded and given its text; null when it
// does not load.
CYWindow* BuildTextEdit(const YInterfaceElement& e);
