#include "interface/YSlider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "core/YCommandManager.h"
#include "core/YLog.h"

namespace {

// The pointer position in interface units; the fallback stays when nobody answers.
void AskCursor(int32_t* x, int32_t* y) {
    SendEvent(YEVENT_GET_CURSOR_POS, reinterpret_cast<intptr_t>(x), reinterpret_cast<intptr_t>(y));
}

constexpr int32_t kLeftButton = 0;

}  // namespace

// ---- thumb --------------------------------------------------------------------------------

CYToddler::CYToddler(CYSlider* slider, const std::string& name, const std::string& textureName,
                     const std::string& effectName, const std::string& maskName, int32_t width, int32_t height,
                     int32_t texWidth, int32_t texHeight, int32_t texU, int32_t texV)
    : CYWindow(name, textureName, effectName, maskName, width, height, texWidth, texHeight, texU, texV, 0.0f, 0.0f),
      slider_(slider) {}

CYToddler::~CYToddler() { StopDragging(); }

void CYToddler::SetPosition(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        Log(3, "Window - %s: non-finite position refused\n", name_.c_str());
        return;
    }
    const CYSlider& track = *slider_;
    const float tx = track.GetX(), ty = track.GetY();
    if (track.IsVertical()) {
        x = tx;
        if (y < ty)
            y = ty;
        else if (y + float(height_) > ty + float(track.GetHeight()))
            y = ty + float(track.GetHeight()) - float(height_);
    } else {
        y = ty;
        if (x < tx)
            x = tx;
        else if (x + float(width_) > tx + float(track.GetWidth()))
            x = tx + float(track.GetWidth()) - float(width_);
    }
    // Within the window coordinate range, so the whole-unit coordinate fits an int.
    x = std::clamp(x, -kMaxWindowCoord, kMaxWindowCoord);
    y = std::clamp(y, -kMaxWindowCoord, kMaxWindowCoord);
    slider_->OnThumbMoved(int32_t(std::trunc(track.IsVertical() ? y : x)));
    CYWindow::SetPosition(x, y);
}

void CYToddler::OnButtonDownHook(int32_t button) {
    if (button != kLeftButton || dragging_) return;
    dragging_ = true;
    int32_t px = int32_t(std::trunc(x_)), py = int32_t(std::trunc(y_));
    AskCursor(&px, &py);
    grabX_ = int32_t(int64_t(px) - int64_t(std::trunc(x_)));
    grabY_ = int32_t(int64_t(py) - int64_t(std::trunc(y_)));
    SubscribeEvent(YEVENT_MOUSE_MOVE, this, OnDragMove);
    SubscribeEvent(YEVENT_MOUSE_UP, this, OnDragEnd);
}

void CYToddler::StopDragging() {
    if (!dragging_) return;
    dragging_ = false;
    UnsubscribeEvent(YEVENT_MOUSE_MOVE, this, OnDragMove);
    UnsubscribeEvent(YEVENT_MOUSE_UP, this, OnDragEnd);
}

void CYToddler::OnDragMove(void* self, intptr_t x, intptr_t y) {
    auto* thumb = static_cast<CYToddler*>(self);
    if (!thumb->dragging_) return;
    if (thumb->slider_->IsVertical())
        thumb->SetPosition(thumb->x_, float(int64_t(y) - thumb->grabY_));
    else
        thumb->SetPosition(float(int64_t(x) - thumb->grabX_), thumb->y_);
}

void CYToddler::OnDragEnd(void* self, intptr_t button, intptr_t) {
    if (button == kLeftButton) static_cast<CYToddler*>(self)->StopDragging();
}

// ---- slider -------------------------------------------------------------------------------

CYSlider::CYSlider(const std::string& name, const std::string& textureName, const std::string& effectName,
                   const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
                   int32_t texU, int32_t texV, const std::string& thumbTexture, const std::string& thumbEffect,
                   const std::string& thumbMask, int32_t thumbWidth, int32_t thumbHeight, int32_t thumbTexWidth,
                   int32_t thumbTexHeight, int32_t thumbTexU, int32_t thumbTexV)
    : CYWindow(name, textureName, effectName, maskName, width, height, texWidth, texHeight, texU, texV, 0.0f, 0.0f) {
    vertical_ = width_ <= height_;
    thumb_ = new CYToddler(this, name + "_toddler", thumbTexture, thumbEffect, thumbMask, thumbWidth, thumbHeight,
                           thumbTexWidth, thumbTexHeight, thumbTexU, thumbTexV);
    if (!AddChild(thumb_)) {
        delete thumb_;
        thumb_ = nullptr;
    }
}

void CYSlider::SetPosition(float value) {
    if (!std::isfinite(value)) {
        Log(3, "Slider - %s: non-finite position refused\n", name_.c_str());
        return;
    }
    position_ = std::clamp(value, 0.0f, 1.0f);
    if (!thumb_) return;
    if (vertical_)
        thumb_->SetPosition(x_, std::trunc(position_ * travel_ + y_));
    else
        thumb_->SetPosition(std::trunc(position_ * travel_ + x_), y_);
}

HRESULT CYSlider::Load() {
    HRESULT hr = thumb_ ? thumb_->Load() : S_OK;
    if (hr < 0) return hr;
    hr = CYWindow::Load();
    if (hr < 0) return hr;
    if (!thumb_) return E_FAIL;
    const int32_t tw = thumb_->GetWidth(), th = thumb_->GetHeight();
    const bool fits = vertical_ ? (tw == width_ && th <= height_) : (th == height_ && tw <= width_);
    if (!fits) {
        Log(3, "Toddler size incompatible with slider\n");
        return E_FAIL;
    }
    travel_ = float(vertical_ ? height_ - th : width_ - tw);
    SetPosition(position_);
    return hr;
}

void CYSlider::OnButtonDownHook(int32_t button) {
    if (button != kLeftButton || !thumb_) return;
    int32_t px = int32_t(std::trunc(thumb_->GetX())), py = int32_t(std::trunc(thumb_->GetY()));
    AskCursor(&px, &py);
    if (thumb_->HitTest(px, py)) return;
    if (vertical_)
        thumb_->SetPosition(thumb_->GetX(), float(int64_t(py) - thumb_->GetHeight() / 2));
    else
        thumb_->SetPosition(float(int64_t(px) - thumb_->GetWidth() / 2), thumb_->GetY());
}

void CYSlider::SetLayer(int32_t layer) {
    CYWindow::SetLayer(layer);
    if (thumb_) thumb_->SetLayer(layer + 1);
}

void CYSlider::DestroyChildren() {
    thumb_ = nullptr;
    CYWindow::DestroyChildren();
}

void CYSlider::OnThumbMoved(int32_t coordinate) {
    // The value is taken from the whole-unit coordinate against the track's own, so a track
    // at a fractional position reports a little outside 0 .. 1 at its ends. A thumb as long
    // as its track cannot move: the value is the start.
    const float start = vertical_ ? y_ : x_;
    position_ = travel_ > 0.0f ? (float(coordinate) - start) / travel_ : 0.0f;
    SendEvent(YEVENT_SLIDER_MOVED, reinterpret_cast<intptr_t>(name_.c_str()), reinterpret_cast<intptr_t>(&position_));
    if (!g_commandManager) return;
    char value[64];
    std::snprintf(value, sizeof value, "%f", double(position_));
    g_commandManager->SendCommandByName("interface", "move_slider", name_ + ", " + value);
}

CYWindow* BuildSlider(const YInterfaceElement& e) {
    auto slider = std::make_unique<CYSlider>(
        e.Text("name"), e.Texture("texture"), e.Text("effect"), e.Text("mask"), e.Int("width"), e.Int("height"),
        e.Int("tex_width"), e.Int("tex_height"), e.Int("offset_x"), e.Int("offset_y"), e.Texture("toddler"),
        e.Text("toddler_effect"), e.Text("toddler_mask"), e.Int("toddler_width"), e.Int("toddler_height"),
        e.Int("toddler_tex_width"), e.Int("toddler_tex_height"), e.Int("toddler_offset_x"),
        e.Int("toddler_offset_y"));
    slider->SetLayer(e.depth);
    if (slider->Load() < 0) return nullptr;
    return slider.release();
}
