#include "interface/YButton.h"

#include <algorithm>
#include <cmath>

#include "audio/YAudioSystem.h"
#include "core/YCommandManager.h"
#include "core/YLog.h"

namespace {

void SendToInterface(const std::string& command, const std::string& argument) {
    if (g_commandManager) g_commandManager->SendCommandByName("interface", command, argument);
}

intptr_t NameArg(const CYWindow& w) { return reinterpret_cast<intptr_t>(w.GetName().c_str()); }

}  // namespace

// ---- shared helpers ---------------------------------------------------------------------

void CYClickSound::Take() {
    CYSound* sound = g_audioSystem ? g_audioSystem->GetSoundClone("button.wav", 0, false) : nullptr;
    sound_ = sound ? sound->Reference() : nullptr;
}

void CYClickSound::Play() {
    CYSound* sound = ResolveReference<CYSound>(sound_);
    if (!sound) {
        Take();
        sound = ResolveReference<CYSound>(sound_);
    }
    if (sound) sound->Play();
}

bool HoldWidgetPosition(const std::string& name, float& x, float& y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        Log(3, "Window - %s: non-finite position refused\n", name.c_str());
        return false;
    }
    x = std::clamp(x, -kMaxWindowCoord, kMaxWindowCoord);
    y = std::clamp(y, -kMaxWindowCoord, kMaxWindowCoord);
    return true;
}

void MoveChildWindows(CYWindow& window, float dx, float dy) {
    // A copy: a child's move may not change the list, but nothing here relies on that.
    const std::vector<CYObject*> children = window.Children();
    for (CYObject* object : children)
        if (auto* child = dynamic_cast<CYWindow*>(object)) child->SetPosition(child->GetX() + dx, child->GetY() + dy);
}

void ShowWidgetTexture(CYWindow& window, const std::string& textureName) {
    if (textureName.size() > 3) window.SetTexture(0, textureName);
}

// ---- button -------------------------------------------------------------------------------

CYButton::CYButton(const std::string& name, const std::string& textureName, const std::string& effectName,
                   const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
                   int32_t texU, int32_t texV, float x, float y, const std::string& pressedTexture,
                   const std::string& litTexture, int32_t pressedU, int32_t pressedV, int32_t litU, int32_t litV)
    : CYWindow(name, textureName, effectName, maskName, width, height, texWidth, texHeight, texU, texV, x, y),
      pressedTexture_(pressedTexture),
      litTexture_(litTexture),
      litU_(litU),
      litV_(litV),
      pressedU_(pressedU),
      pressedV_(pressedV) {}

void CYButton::SetPosition(float x, float y) {
    if (!HoldWidgetPosition(name_, x, y)) return;
    const float dx = x - x_, dy = y - y_;
    x_ = x;
    y_ = y;
    switch (state_) {
        case kPressed: BuildQuad(pressedU_, pressedV_); break;
        case kLit: BuildQuad(litU_, litV_); break;
        default: BuildQuad(texU_, texV_); break;
    }
    MoveChildWindows(*this, dx, dy);
}

HRESULT CYButton::Load() {
    DestroyChildren();
    const HRESULT hr = CYWindow::Load();
    if (hr < 0) {
        LogDXError("YButton", 53, hr);
        return hr;
    }
    clickSound_.Take();
    return hr;
}

void CYButton::DestroyChildren() {
    CYWindow::DestroyChildren();
    maskSize_ = 0;
    state_ = kNormal;
}

const std::string& CYButton::StateTexture() const {
    switch (state_) {
        case kPressed: return pressedTexture_;
        case kLit: return litTexture_;
        default: return textureName_;
    }
}

void CYButton::ApplyState() {
    ShowWidgetTexture(*this, StateTexture());
    SetPosition(x_, y_);
}

void CYButton::OnHoverHook(int32_t, int32_t) {
    state_ = litTexture_.empty() ? kNormal : kLit;
    ApplyState();
}

void CYButton::OnLeaveHook(int32_t, int32_t) {
    state_ = kNormal;
    ApplyState();
}

void CYButton::OnButtonDownHook(int32_t) {
    state_ = !pressedTexture_.empty() ? kPressed : !litTexture_.empty() ? kLit : kNormal;
    ApplyState();
    SendToInterface("button_pressed", name_);
}

void CYButton::OnButtonUpHook(int32_t) {
    state_ = litTexture_.empty() ? kNormal : kLit;
    ApplyState();
    SendEvent(YEVENT_BUTTON_CLICKED, NameArg(*this), 0);
    SendToInterface("button_click", name_);
    clickSound_.Play();
}

void CYButton::SetLayer(int32_t layer) { CYWindow::SetLayer(layer + 1); }

// ---- check box ----------------------------------------------------------------------------

CYCheckBox::CYCheckBox(const std::string& name, const std::string& textureName, const std::string& effectName,
                       const std::string& maskName, int32_t width, int32_t height, int32_t texWidth,
                       int32_t texHeight, int32_t texU, int32_t texV, float x, float y, const std::string& onTexture,
                       int32_t onU, int32_t onV)
    : CYWindow(name, textureName, effectName, maskName, width, height, texWidth, texHeight, texU, texV, x, y),
      onTexture_(onTexture),
      onU_(onU),
      onV_(onV) {}

void CYCheckBox::SetPosition(float x, float y) {
    if (!HoldWidgetPosition(name_, x, y)) return;
    const float dx = x - x_, dy = y - y_;
    x_ = x;
    y_ = y;
    if (image_ == 1)
        BuildQuad(onU_, onV_);
    else
        BuildQuad(texU_, texV_);
    MoveChildWindows(*this, dx, dy);
}

HRESULT CYCheckBox::Load() {
    const HRESULT hr = CYWindow::Load();
    if (hr >= 0) {
        image_ = checked_ ? 1 : 0;
        // A box checked before it loaded shows the on image at once.
        ApplyImage();
        SetPosition(x_, y_);
    }
    clickSound_.Take();
    return hr;
}

void CYCheckBox::ApplyImage() { ShowWidgetTexture(*this, image_ == 1 ? onTexture_ : textureName_); }

void CYCheckBox::ChangeState(bool checked) {
    checked_ = checked;
    image_ = checked ? 1 : 0;
    SendEvent(YEVENT_CHECKBOX_CHANGED, NameArg(*this), checked ? 1 : 0);
    SendToInterface("checkbox", name_ + ", " + (checked ? "1" : "0"));
    ApplyImage();
    SetPosition(x_, y_);
}

void CYCheckBox::OnButtonUpHook(int32_t button) {
    if (button != 0) return;
    ChangeState(!checked_);
    clickSound_.Play();
}

void CYCheckBox::SetChecked(bool checked) { ChangeState(checked); }

void CYCheckBox::SetLayer(int32_t layer) { CYWindow::SetLayer(layer + 1); }

// ---- builders -----------------------------------------------------------------------------

CYWindow* BuildButton(const YInterfaceElement& e) {
    auto* button = new CYButton(e.Text("name"), e.Texture("texture"), e.Text("effect"), e.Text("mask"),
                                e.Int("width"), e.Int("height"), e.Int("tex_width"), e.Int("tex_height"),
                                e.Int("offset_x"), e.Int("offset_y"), 0.0f, 0.0f, e.Texture("pressed"),
                                e.Texture("lit"), e.Int("pressed_x"), e.Int("pressed_y"), e.Int("lit_x"),
                                e.Int("lit_y"));
    button->SetLayer(e.depth);
    if (button->Load() < 0) {
        delete button;
        return nullptr;
    }
    return button;
}

CYWindow* BuildCheckBox(const YInterfaceElement& e) {
    auto* box = new CYCheckBox(e.Text("name"), e.Texture("texture"), e.Text("effect"), e.Text("mask"),
                               e.Int("width"), e.Int("height"), e.Int("tex_width"), e.Int("tex_height"),
                               e.Int("offset_x"), e.Int("offset_y"), 0.0f, 0.0f, e.Texture("on"), e.Int("on_x"),
                               e.Int("on_y"));
    box->SetLayer(e.depth);
    if (box->Load() < 0) {
        delete box;
        return nullptr;
    }
    return box;
}
