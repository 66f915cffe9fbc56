// Text boxes: a multi-line, word-wrapped text in bitmap fonts, optionally centred, with an
// optional vertical scroll bar (a slider child). "#" in a set text breaks the line. The
// font changes while the pointer is over the box or a button is held on it, and a release
// reports the line under the pointer.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "interface/YInterfaceElement.h"
#include "interface/YWindow.h"

class CYFont;
class CYSlider;

// Most characters a box's text holds, and most laid-out lines; what lies beyond is dropped.
constexpr size_t kMaxTextBoxText = 1u << 20;
constexpr size_t kMaxTextBoxLines = 1u << 16;

// What a text box's scroll bar is made of; no scroll bar unless the thumb effect name has
// more than three characters.
struct YScrollBarDesc {
    std::string name;
    std::string texture;
    std::string mask;
    std::string thumbMask;
    std::string thumbTexture;
    std::string effect;
    std::string thumbEffect;
    int32_t width = 0;
    int32_t height = 0;
    int32_t texWidth = 0;
    int32_t texHeight = 0;
    int32_t texU = 0;
    int32_t texV = 0;
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    int32_t thumbTexWidth = 0;
    int32_t thumbTexHeight = 0;
    int32_t thumbTexU = 0;
    int32_t thumbTexV = 0;
};

class CYTextBox : public CYWindow {
public:
    // Font indices are rows of the fonts table, -1 for none.
    CYTextBox(const std::string& name, int32_t width, int32_t height, int32_t fontIndex, int32_t litFontIndex,
              int32_t pressedFontIndex, int32_t lineSpace, const YScrollBarDesc& scrollBar, bool centered);
    ~CYTextBox() override;

    // Draws the lines that fit, from the first shown one, then the children.
    void Update() override;
    // The scroll bar shows only when the lines are taller than the box. This is the one
    // place that decides it: a text set or added later leaves the scroll bar as it is.
    void SetVisible(bool visible) override;
    // Loads the scroll bar (at the right edge) and asks for the fonts.
    HRESULT Load() override;
    // The window's, then the lines and the fonts are dropped.
    void DestroyChildren() override;
    void OnHoverHook(int32_t x, int32_t y) override;
    void OnLeaveHook(int32_t x, int32_t y) override;
    void OnButtonDownHook(int32_t button) override;
    // Events 41 and 53 (the line under the pointer, or -1).
    void OnButtonUpHook(int32_t button) override;
    // Follows the scroll bar while active.
    void OnActivate() override;
    void OnDeactivate() override;
    void SetLayer(int32_t layer) override;
    void Rescale() override;

    // Replaces the text; "#" starts a new line. The text held is its pieces, once each.
    void SetText(const std::string& text);
    // Appends a paragraph, word-wrapped to the usable width, on a new line.
    void AddText(const std::string& text);

    const std::string& GetText() const { return text_; }
    const std::vector<std::string>& GetLines() const { return lines_; }
    int32_t GetFirstLine() const { return firstLine_; }
    // The first line shown, held to the laid-out lines (a negative line shows from the top).
    void SetFirstLine(int32_t line);
    int32_t GetFontState() const { return fontState_; }
    CYFont* GetCurrentFont() const { return currentFont_; }
    CYSlider* GetScrollBar() const { return scrollBar_; }
    bool IsCentered() const { return centered_; }
    // Pixel height of one line in interface units: font height plus the line space.
    int32_t LineHeight() const;
    // The box width less the scroll bar's.
    int32_t UsableWidth() const;

private:
    static void OnSliderMoved(void* self, intptr_t name, intptr_t position);
    std::unique_ptr<CYFont> MakeFont(int32_t index) const;
    void ChooseFont();
    int32_t TextWidth(const std::string& text) const;

    int32_t fontIndex_;
    int32_t litFontIndex_;
    int32_t pressedFontIndex_;
    std::string text_;
    std::vector<std::string> lines_;
    int32_t lineSpace_;
    int32_t firstLine_ = 0;
    YScrollBarDesc scrollDesc_;
    std::unique_ptr<CYFont> font_;
    std::unique_ptr<CYFont> litFont_;
    std::unique_ptr<CYFont> pressedFont_;
    CYFont* currentFont_ = nullptr;
    CYSlider* scrollBar_ = nullptr;
    int32_t fontState_ = 0;
    bool centered_;
    bool followingSlider_ = false;
};

// The text box of a "textbox" element, set up, loaded and given its text; null when it
// does not load.
CYWindow* BuildTextBox(const YInterfaceElement& e);
