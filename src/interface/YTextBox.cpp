#include "interface/YTextBox.h"

#include <algorithm>
#include <cmath>

#include "core/YLog.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "interface/YSlider.h"
#include "render/YFont.h"

CYTextBox::CYTextBox(const std::string& name, int32_t width, int32_t height, int32_t fontIndex,
                     int32_t litFontIndex, int32_t pressedFontIndex, int32_t lineSpace,
                     const YScrollBarDesc& scrollBar, bool centered)
    : CYWindow(name, "", "", "", width, height, 0, 0, 0, 0, 0.0f, 0.0f),
      fontIndex_(fontIndex),
      litFontIndex_(litFontIndex),
      pressedFontIndex_(pressedFontIndex),
      // Held to the window size range, so line arithmetic stays within int.
      lineSpace_(std::clamp(lineSpace, -kMaxWindowSize, kMaxWindowSize)),
      scrollDesc_(scrollBar),
      centered_(centered) {
    // The box has no image of its own: only its text and its children are drawn.
    SetDrawCount(0);
    if (scrollDesc_.thumbEffect.size() <= 3) return;
    const YScrollBarDesc& d = scrollDesc_;
    scrollBar_ = new CYSlider(d.name, d.texture, d.effect, d.mask, d.width, d.height, d.texWidth, d.texHeight, d.texU,
                              d.texV, d.thumbTexture, d.thumbEffect, d.thumbMask, d.thumbWidth, d.thumbHeight,
                              d.thumbTexWidth, d.thumbTexHeight, d.thumbTexU, d.thumbTexV);
    if (!AddChild(scrollBar_)) {
        delete scrollBar_;
        scrollBar_ = nullptr;
    }
}

CYTextBox::~CYTextBox() { OnDeactivate(); }

std::unique_ptr<CYFont> CYTextBox::MakeFont(int32_t index) const {
    CYFont* font = nullptr;
    SendEvent(YEVENT_GET_FONT, index, reinterpret_cast<intptr_t>(&font));
    std::unique_ptr<CYFont> owned(font);
    // Text draws one layer above the box.
    if (owned) owned->SetMode(layer_ + 6);
    return owned;
}

HRESULT CYTextBox::Load() {
    HRESULT hr = S_OK;
    if (scrollBar_) {
        hr = scrollBar_->Load();
        if (hr < 0) {
            LogDXError("YTextBox", 154, hr);
            return hr;
        }
        scrollBar_->SetPosition(x_ + float(width_ - scrollBar_->GetWidth()), y_);
    }
    font_ = MakeFont(fontIndex_);
    if (!font_) Log(3, "Text box - %s: font %d missing, no text shown\n", name_.c_str(), fontIndex_);
    if (pressedFontIndex_ > -1) pressedFont_ = MakeFont(pressedFontIndex_);
    if (litFontIndex_ >= 0) litFont_ = MakeFont(litFontIndex_);
    ChooseFont();
    return hr;
}

void CYTextBox::DestroyChildren() {
    scrollBar_ = nullptr;
    CYWindow::DestroyChildren();
    lines_.clear();
    currentFont_ = nullptr;
    font_.reset();
    litFont_.reset();
    pressedFont_.reset();
}

void CYTextBox::ChooseFont() {
    if (fontState_ == 1 && litFont_)
        currentFont_ = litFont_.get();
    else if (fontState_ == 2 && pressedFont_)
        currentFont_ = pressedFont_.get();
    else
        currentFont_ = font_.get();
}

int32_t CYTextBox::TextWidth(const std::string& text) const {
    if (!currentFont_) return 0;
    const float w = currentFont_->GetTextWidth(text);
    return std::isfinite(w) ? int32_t(std::clamp(w, -1e9f, 1e9f)) : 0;
}

int32_t CYTextBox::LineHeight() const {
    const float cell = currentFont_ ? currentFont_->GetCellHeight() : 0.0f;
    // At least one unit: a line takes room, and the pointer's line is a division by it.
    return std::max(1, int32_t(std::trunc(cell)) + lineSpace_);
}

int32_t CYTextBox::UsableWidth() const { return width_ - (scrollBar_ ? scrollBar_->GetWidth() : 0); }

void CYTextBox::SetFirstLine(int32_t line) {
    const int32_t last = std::max(0, int32_t(lines_.size()) - 1);
    firstLine_ = std::clamp(line, 0, last);
}

void CYTextBox::SetText(const std::string& text) {
    lines_.clear();
    text_.clear();
    // "#" breaks the line.
    CYTokenizer pieces(text.size() > kMaxTextBoxText ? text.substr(0, kMaxTextBoxText) : text, "#", false);
    std::string piece;
    while (pieces.NextToken(piece) && lines_.size() < kMaxTextBoxLines) AddText(piece);
}

void CYTextBox::AddText(const std::string& paragraph) {
    std::string text = paragraph;
    Trim(text);
    // Without its normal font the box lays nothing out.
    const bool layout = font_ && currentFont_ && lines_.size() < kMaxTextBoxLines;
    if (text.empty()) {
        if (layout) lines_.emplace_back();
        return;
    }
    if (text_.size() + text.size() > kMaxTextBoxText) {
        Log(3, "Text box - %s: text longer than %zu characters cut\n", name_.c_str(), kMaxTextBoxText);
        text.resize(kMaxTextBoxText - std::min(kMaxTextBoxText, text_.size()));
    }
    text_ += text;
    if (!layout) return;

    const int32_t space = TextWidth(" ");
    const int64_t usable = UsableWidth();
    CYTokenizer words(text, " ", false);
    std::string word, line;
    int64_t x = 0;
    while (words.NextToken(word)) {
        const int32_t w = TextWidth(word);
        if (x + w >= usable) {
            Trim(line);
            lines_.push_back(line);
            if (lines_.size() >= kMaxTextBoxLines) return;
            line = word + " ";
            x = int64_t(w) + space;
        } else {
            line += word + " ";
            x += int64_t(w) + space;
        }
    }
    Trim(line);
    lines_.push_back(line);
}

void CYTextBox::Update() {
    if (!IsVisible()) return;
    if (font_ && currentFont_ && !lines_.empty()) {
        CYFont* font = currentFont_;
        font->BeginBatch();
        const int64_t lineHeight = LineHeight();
        const int64_t usable = UsableWidth();
        int64_t offset = 0;
        for (size_t i = size_t(std::clamp(firstLine_, 0, int32_t(lines_.size()) - 1)); i < lines_.size(); ++i) {
            if (offset + lineHeight > height_) break;
            float left = x_;
            if (centered_) {
                const int64_t w = TextWidth(lines_[i]);
                if (w < usable) left += float((usable - w) / 2);
            }
            if (font->DrawText(left, y_ + float(offset), lines_[i]) < 0) Log(0, "\n");
            offset += lineHeight;
        }
        font->Flush();
    }
    CYWindow::Update();
}

void CYTextBox::SetVisible(bool visible) {
    CYWindow::SetVisible(visible);
    if (!scrollBar_) return;
    const bool overflows = int64_t(lines_.size()) * LineHeight() > int64_t(height_);
    scrollBar_->SetVisible(visible && overflows);
}

void CYTextBox::OnSliderMoved(void* self, intptr_t name, intptr_t position) {
    auto* box = static_cast<CYTextBox*>(self);
    if (!box->scrollBar_ || !name || !position) return;
    if (box->scrollBar_->GetName() != reinterpret_cast<const char*>(name)) return;
    const float p = *reinterpret_cast<const float*>(position);
    const float count = float(box->lines_.size());
    const float line = std::isfinite(p) ? std::clamp(std::trunc(count * p), 0.0f, std::max(0.0f, count - 1)) : 0.0f;
    box->firstLine_ = int32_t(line);
}

void CYTextBox::OnHoverHook(int32_t, int32_t) {
    fontState_ = pressedFontIndex_ != -1 ? 2 : 0;
    ChooseFont();
}

void CYTextBox::OnLeaveHook(int32_t, int32_t) {
    fontState_ = 0;
    ChooseFont();
}

void CYTextBox::OnButtonDownHook(int32_t) {
    fontState_ = litFontIndex_ != -1 ? 1 : pressedFontIndex_ != -1 ? 2 : 0;
    ChooseFont();
}

void CYTextBox::OnButtonUpHook(int32_t) {
    fontState_ = pressedFontIndex_ != -1 ? 2 : 0;
    ChooseFont();
    const intptr_t name = reinterpret_cast<intptr_t>(name_.c_str());
    SendEvent(YEVENT_TEXTBOX_NOTIFY, name, 0);
    int32_t px = int32_t(std::trunc(x_)), py = int32_t(std::trunc(y_));
    SendEvent(YEVENT_GET_CURSOR_POS, reinterpret_cast<intptr_t>(&px), reinterpret_cast<intptr_t>(&py));
    const int64_t count = int64_t(lines_.size());
    const int64_t first = count > 0 ? std::clamp<int64_t>(firstLine_, 0, count - 1) : 0;
    const int64_t line = int64_t(std::trunc((double(py) - double(y_)) / double(LineHeight()) + double(first)));
    SendEvent(YEVENT_TEXTBOX_NOTIFY2, name, line < 0 || line > count - 1 ? -1 : intptr_t(line));
}

void CYTextBox::OnActivate() {
    if (followingSlider_) return;
    followingSlider_ = true;
    SubscribeEvent(YEVENT_SLIDER_MOVED, this, OnSliderMoved);
}

void CYTextBox::OnDeactivate() {
    if (!followingSlider_) return;
    followingSlider_ = false;
    UnsubscribeEvent(YEVENT_SLIDER_MOVED, this, OnSliderMoved);
}

void CYTextBox::SetLayer(int32_t layer) {
    CYWindow::SetLayer(layer + 1);
    if (scrollBar_) scrollBar_->SetLayer(layer + 1);
}

void CYTextBox::Rescale() {
    CYWindow::Rescale();
    // A font takes the screen size when it loads.
    for (CYFont* font : {font_.get(), litFont_.get(), pressedFont_.get()})
        if (font) {
            font->Load();
            font->SetMode(layer_ + 6);
        }
}

CYWindow* BuildTextBox(const YInterfaceElement& e) {
    YScrollBarDesc d;
    d.name = e.Text("slider_name");
    d.texture = e.Texture("slider_texture");
    d.mask = e.Text("slider_mask");
    d.effect = e.Text("slider_effect");
    d.thumbTexture = e.Texture("toddler_texture");
    d.thumbMask = e.Text("toddler_mask");
    d.thumbEffect = e.Text("toddler_effect");
    d.width = e.Int("slider_width");
    d.height = e.Int("slider_height");
    d.texWidth = e.Int("s_tex_width");
    d.texHeight = e.Int("s_tex_height");
    d.texU = e.Int("s_offset_x");
    d.texV = e.Int("s_offset_y");
    d.thumbWidth = e.Int("toddler_width");
    d.thumbHeight = e.Int("toddler_height");
    d.thumbTexWidth = e.Int("t_tex_width");
    d.thumbTexHeight = e.Int("t_tex_height");
    d.thumbTexU = e.Int("t_offset_x");
    d.thumbTexV = e.Int("t_offset_y");
    auto box = std::make_unique<CYTextBox>(e.Text("name"), e.Int("width"), e.Int("height"), e.Int("font"),
                                           e.Int("font_lit"), e.Int("font_pressed"), e.Int("line_space"), d,
                                           e.Text("centered") == "true");
    box->SetLayer(e.depth);
    if (box->Load() < 0) return nullptr;
    box->SetText(e.Text("text"));
    return box.release();
}
