#include "interface/YRadioGroup.h"

#include <algorithm>

#include "core/YCommandManager.h"
#include "core/YFile.h"
#include "core/YLog.h"

namespace {

intptr_t NameArg(const CYWindow& w) { return reinterpret_cast<intptr_t>(w.GetName().c_str()); }

}  // namespace

// ---- radio button -------------------------------------------------------------------------

CYRadioButton::CYRadioButton(const std::string& name, const std::string& textureName, const std::string& effectName,
                             const std::string& maskName, int32_t width, int32_t height, int32_t texWidth,
                             int32_t texHeight, int32_t texU, int32_t texV, float x, float y,
                             const std::string& onTexture, const std::string& onLitTexture,
                             const std::string& offLitTexture, const std::string& onMaskName, int32_t onU,
                             int32_t onV, int32_t offLitU, int32_t offLitV, int32_t onLitU, int32_t onLitV)
    : CYWindow(name, textureName, effectName, maskName, width, height, texWidth, texHeight, texU, texV, x, y),
      onTexture_(onTexture),
      onLitTexture_(onLitTexture),
      offLitTexture_(offLitTexture),
      onMaskName_(onMaskName),
      onU_(onU),
      onV_(onV),
      onLitU_(onLitU),
      onLitV_(onLitV),
      offLitU_(offLitU),
      offLitV_(offLitV) {
    type_ = 1;
}

CYRadioGroup* CYRadioButton::GetGroup() const { return CYRadioGroup::FromReference(group_); }

void CYRadioButton::SetGroup(CYRadioGroup* group, int32_t index) {
    group_ = group ? group->Reference() : nullptr;
    index_ = index;
}

void CYRadioButton::SetPosition(float x, float y) {
    if (!HoldWidgetPosition(name_, x, y)) return;
    const float dx = x - x_, dy = y - y_;
    x_ = x;
    y_ = y;
    switch (image_) {
        case kOn: BuildQuad(onU_, onV_); break;
        case kLitOff: BuildQuad(offLitU_, offLitV_); break;
        case kLitOn: BuildQuad(onLitU_, onLitV_); break;
        default: BuildQuad(texU_, texV_); break;
    }
    MoveChildWindows(*this, dx, dy);
}

HRESULT CYRadioButton::Load() {
    HRESULT hr = CYWindow::Load();
    if (hr >= 0) {
        offMaskData_ = maskData_;
        if (!onMaskName_.empty()) {
            CYFile file("data\\interface\\masks\\" + onMaskName_);
            HRESULT read = file.Load(kMaxMaskBytes);
            if (read < 0) {
                LogDXError("YRadioGroup", 74, read);
                return read;
            }
            onMaskData_.assign(file.GetData(), file.GetData() + file.GetSize());
        }
        image_ = checked_ ? kOn : kOff;
        UseMaskOf(checked_);
    }
    clickSound_.Take();
    return hr;
}

void CYRadioButton::DestroyChildren() {
    onMaskData_.clear();
    CYWindow::DestroyChildren();
}

void CYRadioButton::UseMaskOf(bool checked) {
    maskData_ = checked ? onMaskData_ : offMaskData_;
    maskSize_ = uint32_t(maskData_.size());
}

void CYRadioButton::ApplyImage() {
    switch (image_) {
        case kOn: ShowWidgetTexture(*this, onTexture_); break;
        case kLitOff: ShowWidgetTexture(*this, offLitTexture_); break;
        case kLitOn: ShowWidgetTexture(*this, onLitTexture_); break;
        default: ShowWidgetTexture(*this, textureName_); break;
    }
}

void CYRadioButton::OnHoverHook(int32_t, int32_t) {
    if (checked_ && onLitTexture_.size() > 3)
        image_ = kLitOn;
    else if (!checked_ && offLitTexture_.size() > 3)
        image_ = kLitOff;
    ApplyImage();
    SetPosition(x_, y_);
}

void CYRadioButton::OnLeaveHook(int32_t, int32_t) {
    if (checked_ && onTexture_.size() > 3)
        image_ = kOn;
    else if (!checked_ && textureName_.size() > 3)
        image_ = kOff;
    ApplyImage();
    SetPosition(x_, y_);
}

void CYRadioButton::OnButtonUpHook(int32_t button) {
    if (button != 0 || checked_) return;
    checked_ = true;
    UseMaskOf(true);
    if (CYRadioGroup* group = GetGroup())
        group->Check(index_);
    else
        SetChecked(true);  // no group to do it: the item shows its own state
    SetPosition(x_, y_);
    clickSound_.Play();
}

void CYRadioButton::SetChecked(bool checked) {
    checked_ = checked;
    int32_t px = -1000000, py = -1000000;
    SendEvent(YEVENT_GET_CURSOR_POS, reinterpret_cast<intptr_t>(&px), reinterpret_cast<intptr_t>(&py));
    const bool over = HitTest(px, py);
    if (checked)
        image_ = onLitTexture_.size() > 3 && over ? kLitOn : kOn;
    else
        image_ = offLitTexture_.size() > 3 && over ? kLitOff : kOff;
    UseMaskOf(checked);
    ApplyImage();
    SetPosition(x_, y_);
}

// ---- radio group --------------------------------------------------------------------------

CYRadioGroup::CYRadioGroup(const std::string& name, int32_t width, int32_t height) : CYWindow(name) {
    width_ = std::clamp(width, 0, kMaxWindowSize);
    height_ = std::clamp(height, 0, kMaxWindowSize);
    SetDrawCount(0);
    BuildQuad(texU_, texV_);
}

bool CYRadioGroup::AddChild(CYWindow* child) {
    if (!CYWindow::AddChild(child)) return false;
    if (auto* item = dynamic_cast<CYRadioButton*>(child); item && item->GetType() == 1) {
        item->SetGroup(this, count_);
        items_.push_back(item->Reference());
        ++count_;
    }
    return true;
}

CYRadioButton* CYRadioGroup::GetItem(int32_t index) const {
    if (index < 0 || index >= count_ || size_t(index) >= items_.size()) return nullptr;
    return CYRadioButton::FromReference(items_[size_t(index)]);
}

void CYRadioGroup::Check(int32_t index) {
    if (index < 0 || index > count_ - 1) {
        if (CYRadioButton* item = GetItem(checkedIndex_)) item->SetChecked(false);
        checkedIndex_ = -1;
        return;
    }
    if (index == checkedIndex_) return;
    for (int32_t k = 0; k < count_; ++k)
        if (CYRadioButton* item = GetItem(k)) item->SetChecked(k == index);
    checkedIndex_ = index;
    SendEvent(YEVENT_RADIO_CHECKED, NameArg(*this), index);
    if (g_commandManager)
        g_commandManager->SendCommandByName("interface", "radiogroup_checked", name_ + ", " + std::to_string(index));
}

// ---- builders -----------------------------------------------------------------------------

CYWindow* BuildRadioButton(const YInterfaceElement& e) {
    auto* button = new CYRadioButton(
        e.Text("name"), e.Texture("texture"), e.Text("effect"), e.Text("mask"), e.Int("width"), e.Int("height"),
        e.Int("tex_width"), e.Int("tex_height"), e.Int("offset_x"), e.Int("offset_y"), 0.0f, 0.0f, e.Texture("on"),
        e.Texture("on_lit"), e.Texture("off_lit"), e.Text("on_mask"), e.Int("on_x"), e.Int("on_y"),
        e.Int("off_lit_x"), e.Int("off_lit_y"), e.Int("on_lit_x"), e.Int("on_lit_y"));
    button->SetLayer(e.depth);
    if (button->Load() < 0) {
        delete button;
        return nullptr;
    }
    return button;
}

CYWindow* BuildRadioGroup(const YInterfaceElement& e) {
    auto* group = new CYRadioGroup(e.Text("name"), e.Int("width"), e.Int("height"));
    group->SetLayer(e.depth);
    if (group->Load() < 0) {
        delete group;
        return nullptr;
    }
    group->Check(-1);
    return group;
}
