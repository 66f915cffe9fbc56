// Keyboard and mouse input: once per active frame the devices are read and what changed
// becomes events and text commands for the script handlers named "interface". Owns the
// key bindings and the interface cursor (640 by 480 units).
#pragma once
#include <cstdint>

#include "core/YActions.h"
#include "core/YEvents.h"
#include "platform/system/Result.h"

namespace sys { class Window; }

class CYInput : public CYEventListener {
public:
    // Default bindings, no key down, no button held; no device yet.
    CYInput();
    // Releases the devices that were made and cancels the subscriptions.
    ~CYInput() override;

    // Starts the devices for the window, acquires keyboard and mouse, subscribes the
    // cursor, bindings and display-mode events and loads "Actions.cfg". The first failing
    // step is logged and its code returned.
    HRESULT Init(sys::Window* window, int32_t width, int32_t height);
    // One frame of input; nothing while the application is inactive. E_FAIL when the
    // mouse was lost (no key is then read).
    HRESULT Update();
    // Puts the cursor there, without clamping and without an event.
    void SetCursorPos(int32_t x, int32_t y);

    int32_t CursorX() const { return cursorX_; }
    int32_t CursorY() const { return cursorY_; }
    int32_t ScreenWidth() const { return screenWidth_; }
    int32_t ScreenHeight() const { return screenHeight_; }
    CYActions& Actions() { return actions_; }

private:
    static void OnGetCursorPos(void* self, intptr_t a, intptr_t b);
    static void OnSetCursorPos(void* self, intptr_t a, intptr_t b);
    static void OnGetActions(void* self, intptr_t a, intptr_t b);
    static void OnDisplayModeChanged(void* self, intptr_t a, intptr_t b);

    void UpdateButtons(const uint8_t buttons[], const char* position);
    void UpdateKeys();

    int32_t screenWidth_ = 0;
    int32_t screenHeight_ = 0;
    // Which parts of the input layer this object started, so that only those are stopped.
    bool directInput_ = false;
    bool keyboard_ = false;
    bool mouse_ = false;
    bool buttonHeld_[3] = {};
    int32_t cursorX_ = 0;
    int32_t cursorY_ = 0;
    uint8_t keys_[256] = {};
    uint8_t prevKeys_[256] = {};
    CYActions actions_;
};
