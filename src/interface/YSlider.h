// Sliders: a track window with a movable thumb, its only child. The thumb is dragged with
// the left button or jumps to a left click on the track; the value runs from 0 at the
// start of the track to 1 at its end. A track no wider than it is tall is vertical.
#pragma once
#include <cstdint>
#include <string>

#include "interface/YInterfaceElement.h"
#include "interface/YWindow.h"

class CYSlider;

// The thumb: follows the pointer from a left press on it to the next left release, always
// inside its track.
class CYToddler : public CYWindow {
public:
    CYToddler(CYSlider* slider, const std::string& name, const std::string& textureName,
              const std::string& effectName, const std::string& maskName, int32_t width, int32_t height,
              int32_t texWidth, int32_t texHeight, int32_t texU, int32_t texV);
    ~CYToddler() override;

    // Clamps the corner into the track, reports the new value to the slider, then moves.
    void SetPosition(float x, float y) override;
    // Left button, not already dragging: grabs the thumb and follows the pointer.
    void OnButtonDownHook(int32_t button) override;

    bool IsDragging() const { return dragging_; }
    int32_t GetGrabX() const { return grabX_; }
    int32_t GetGrabY() const { return grabY_; }
    // Ends a drag: the pointer subscriptions are cancelled.
    void StopDragging();

private:
    static void OnDragMove(void* self, intptr_t x, intptr_t y);
    static void OnDragEnd(void* self, intptr_t button, intptr_t);

    CYSlider* slider_;
    int32_t grabX_ = 0;
    int32_t grabY_ = 0;
    bool dragging_ = false;
};

class CYSlider : public CYWindow {
public:
    // The track's window arguments, then the thumb's; both start at (0, 0). The thumb is
    // named as the slider with "_toddler" appended.
    CYSlider(const std::string& name, const std::string& textureName, const std::string& effectName,
             const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
             int32_t texU, int32_t texV, const std::string& thumbTexture, const std::string& thumbEffect,
             const std::string& thumbMask, int32_t thumbWidth, int32_t thumbHeight, int32_t thumbTexWidth,
             int32_t thumbTexHeight, int32_t thumbTexU, int32_t thumbTexV);

    // The window's move: the thumb follows by the same offset.
    using CYWindow::SetPosition;
    // The value, clamped to [0, 1]; the thumb is placed there and the value recomputed
    // from its whole-unit position. Non-finite values are refused.
    void SetPosition(float value);
    // Loads thumb and track and checks that the thumb fits across the track.
    HRESULT Load() override;
    // Left click on the track away from the thumb centres the thumb on the pointer.
    void OnButtonDownHook(int32_t button) override;
    // The track's layer, the thumb one above.
    void SetLayer(int32_t layer) override;
    // The window's; the slider is left without a thumb.
    void DestroyChildren() override;

    // The thumb reached the coordinate along the axis: new value, event 36, "move_slider".
    void OnThumbMoved(int32_t coordinate);

    CYToddler* GetThumb() const { return thumb_; }
    float GetSliderPosition() const { return position_; }
    float GetTravel() const { return travel_; }
    bool IsVertical() const { return vertical_; }

private:
    CYToddler* thumb_ = nullptr;
    float position_ = 0.0f;
    float travel_ = 0.0f;
    bool vertical_ = true;
};

// The slider of a "slider" element, set up and loaded; null when it does not load.
CYWindow* BuildSlider(const YInterfaceElement& e);
