// The two clickable widgets. A button shows its normal, lit or pressed image and tells the
// "interface" scripts of presses and clicks; a check box toggles between its off and on
// images on each left click and tells the scripts its new state. Both click.
#pragma once
#include <cstdint>
#include <string>

#include "interface/YInterfaceElement.h"
#include "interface/YWindow.h"

// The click sound of a widget: a clone of "button.wav" of its own, held by reference, so
// that a sound deleted with all the others (a mission load does that) is never played; the
// next click then takes a new clone.
class CYClickSound {
public:
    // A new clone from the audio system (none without one).
    void Take();
    // Plays the clone, taking a new one first when the held one is gone.
    void Play();
    // The held sound's reference (null when none was taken).
    void* Reference() const { return sound_; }

private:
    void* sound_ = nullptr;
};

// Helpers of the widgets whose image moves with them in floats.
// The requested position held to the interface range; false (logged) when not finite.
bool HoldWidgetPosition(const std::string& name, float& x, float& y);
// Moves every child window by (dx, dy).
void MoveChildWindows(CYWindow& window, float dx, float dy);
// Shows the texture as image 0; a name of 3 characters or fewer means none and changes nothing.
void ShowWidgetTexture(CYWindow& window, const std::string& textureName);

class CYButton : public CYWindow {
public:
    enum State : int32_t { kNormal = 0, kPressed = 1, kLit = 2 };

    // The window's twelve arguments, then the pressed and lit textures (empty for none) and
    // the texel origins of the pressed and lit images.
    CYButton(const std::string& name, const std::string& textureName, const std::string& effectName,
             const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
             int32_t texU, int32_t texV, float x, float y, const std::string& pressedTexture,
             const std::string& litTexture, int32_t pressedU, int32_t pressedV, int32_t litU, int32_t litV);

    // Moves the button and its children (in floats) and rebuilds the quad for the state's image.
    void SetPosition(float x, float y) override;
    // Children dropped, the window's load (failure logged), then the click sound.
    HRESULT Load() override;
    // The window's, then no mask and the normal state.
    void DestroyChildren() override;
    // Lit when there is a lit image, else normal.
    void OnHoverHook(int32_t x, int32_t y) override;
    void OnLeaveHook(int32_t x, int32_t y) override;
    // Any button: the pressed (or lit) image and "button_pressed".
    void OnButtonDownHook(int32_t button) override;
    // Any button: the lit (or normal) image, event 40, "button_click" and the click.
    void OnButtonUpHook(int32_t button) override;
    // The button draws one layer above the depth it is given.
    void SetLayer(int32_t layer) override;

    int32_t GetState() const { return state_; }
    bool IsPressed() const { return state_ == kPressed; }
    const std::string& GetPressedTexture() const { return pressedTexture_; }
    const std::string& GetLitTexture() const { return litTexture_; }
    const CYClickSound& ClickSound() const { return clickSound_; }

    static CYButton* FromReference(const void* reference) { return ResolveReference<CYButton>(reference); }

private:
    // Texture and quad of the current state.
    void ApplyState();
    const std::string& StateTexture() const;

    int32_t state_ = kNormal;
    std::string pressedTexture_;
    std::string litTexture_;
    int32_t litU_;
    int32_t litV_;
    int32_t pressedU_;
    int32_t pressedV_;
    CYClickSound clickSound_;
};

class CYCheckBox : public CYWindow {
public:
    // The window's twelve arguments, then the on image's texture and texel origin.
    CYCheckBox(const std::string& name, const std::string& textureName, const std::string& effectName,
               const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
               int32_t texU, int32_t texV, float x, float y, const std::string& onTexture, int32_t onU, int32_t onV);

    // Moves the box and its children (in floats) and rebuilds the quad for the shown image.
    void SetPosition(float x, float y) override;
    // The window's load, the image of the checked state, then the click sound.
    HRESULT Load() override;
    // Left button only: toggles, event 37, "checkbox", the image and the click.
    void OnButtonUpHook(int32_t button) override;
    void SetLayer(int32_t layer) override;

    // Sets the state with event 37 and "checkbox" (also when it does not change); no click.
    void SetChecked(bool checked);
    bool IsChecked() const { return checked_; }
    int32_t GetImage() const { return image_; }
    const CYClickSound& ClickSound() const { return clickSound_; }

    static CYCheckBox* FromReference(const void* reference) { return ResolveReference<CYCheckBox>(reference); }

private:
    // The state, its image, event 37 and the command.
    void ChangeState(bool checked);
    void ApplyImage();

    bool checked_ = false;
    std::string onTexture_;
    int32_t onU_;
    int32_t onV_;
    int32_t image_ = 0;
    CYClickSound clickSound_;
};

// Builders of the description files' "button" and "checkbox" elements: a loaded widget owned
// by the caller, or null (logged) when it does not load.
CYWindow* BuildButton(const YInterfaceElement& e);
CYWindow* BuildCheckBox(const YInterfaceElement& e);
