#include "core/Yinput.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/YAppActive.h"
#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "platform/input/Input.h"

namespace {

// The interface space the cursor moves in.
constexpr int32_t kCursorMaxX = 639;
constexpr int32_t kCursorMaxY = 479;
// Cursor units to the 0..1 screen fractions of "screen_click".
constexpr float kClickScaleX = 0.0015625f;
constexpr float kClickScaleY = 0.0020833334f;

constexpr uint8_t kConsoleKey = 0x29;
constexpr uint8_t kMenuKey = 0x01;

// A scaled motion truncated toward zero; values beyond the integer range saturate and
// NaN (a nonsensical speed setting) gives no motion.
int32_t Truncate(float value) {
    if (value != value) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value < -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t Clamp(int64_t value, int32_t high) {
    if (value < 0) return 0;
    if (value > high) return high;
    return static_cast<int32_t>(value);
}

void SendToInterface(const char* command, const std::string& argText) {
    if (g_commandManager) g_commandManager->SendCommandByName("interface", command, argText);
}

bool Down(uint8_t state) { return (state & 0x80) != 0; }

}  // namespace

CYInput::CYInput() = default;

CYInput::~CYInput() {
    if (directInput_) {
        if (keyboard_) in::UnacquireKeyboard();
        if (mouse_) in::UnacquireMouse();
        in::Shutdown();
    }
}

HRESULT CYInput::Init(sys::Window* window, int32_t width, int32_t height) {
    screenWidth_ = width;
    screenHeight_ = height;
    for (bool& held : buttonHeld_) held = false;
    cursorX_ = 0;
    cursorY_ = 0;

    HRESULT hr = in::Init(window);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    directInput_ = true;
    in::SetFrameSize(width, height);
    // Places of the pointer are read straight in cursor units.
    in::SetPlaceGrid(kCursorMaxX + 1, kCursorMaxY + 1);

    keyboard_ = true;
    hr = in::AcquireKeyboard();
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }

    mouse_ = true;
    hr = in::AcquireMouse();
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }

    SubscribeOnce(YEVENT_GET_CURSOR_POS, this, OnGetCursorPos);
    SubscribeOnce(YEVENT_SET_CURSOR_POS, this, OnSetCursorPos);
    SubscribeOnce(YEVENT_GET_ACTIONS, this, OnGetActions);
    SubscribeOnce(YEVENT_DISPLAY_MODE_CHANGED, this, OnDisplayModeChanged);

    // Without the file the defaults stay.
    actions_.Load();
    return hr;
}

void CYInput::SetCursorPos(int32_t x, int32_t y) {
    cursorX_ = x;
    cursorY_ = y;
}

HRESULT CYInput::Update() {
    if (!g_appActive) return S_OK;

    // A device lost while the window was inactive comes back here.
    in::AcquireMouse();
    in::AcquireKeyboard();

    in::MouseState mouse;
    HRESULT hr = in::ReadMouse(&mouse);
    if (hr == DIERR_INPUTLOST) {
        in::AcquireMouse();
        in::AcquireKeyboard();
        return E_FAIL;
    }
    // Any other failed read counts as no motion and no button down.
    if (FAILED(hr)) mouse = in::MouseState{};

    const int32_t dx = Truncate(static_cast<float>(mouse.x) * g_settings.mouseSpeed);
    const int32_t dy = Truncate(static_cast<float>(mouse.y) * g_settings.mouseSpeed);
    const int32_t wheel = Truncate(static_cast<float>(mouse.z) * g_settings.mouseWheelSpeed);

    if (wheel != 0) {
        SendEvent(YEVENT_MOUSE_WHEEL, wheel, 0);
        char text[16];
        std::snprintf(text, sizeof text, "%d", wheel);
        SendToInterface("mouse_wheel", text);
    }

    const int32_t oldX = cursorX_;
    const int32_t oldY = cursorY_;
    if (mouse.placed) {
        // A pointer put at a place (no relative motion to follow): the cursor goes there.
        cursorX_ = Clamp(mouse.placeX, kCursorMaxX);
        cursorY_ = Clamp(mouse.placeY, kCursorMaxY);
    }
    cursorX_ = Clamp(int64_t{cursorX_} + dx, kCursorMaxX);
    cursorY_ = Clamp(int64_t{cursorY_} + dy, kCursorMaxY);
    char position[32];
    std::snprintf(position, sizeof position, "%d,%d", cursorX_, cursorY_);

    // Buttons before the move: the interface sees a click at the new position first.
    UpdateButtons(mouse.buttons, position);

    if (cursorX_ != oldX || cursorY_ != oldY) {
        SendEvent(YEVENT_MOUSE_MOVE, cursorX_, cursorY_);
        SendToInterface("mouse_move", position);
    }

    UpdateKeys();
    return S_OK;
}

void CYInput::UpdateButtons(const uint8_t buttons[], const char* position) {
    char text[48];
    for (int button = 0; button < 3; ++button) {
        const bool down = Down(buttons[button]);
        if (down && !buttonHeld_[button]) {
            SendEvent(YEVENT_MOUSE_DOWN, button, 0);
            if (button == 0) {
                std::snprintf(text, sizeof text, "%f,%f", static_cast<double>(cursorX_ * kClickScaleX),
                              static_cast<double>(cursorY_ * kClickScaleY));
                SendToInterface("screen_click", text);
            }
            std::snprintf(text, sizeof text, "%d,%s", button, position);
            SendToInterface("mouse_down", text);
        } else if (!down && buttonHeld_[button]) {
            SendEvent(YEVENT_MOUSE_UP, button, 0);
            std::snprintf(text, sizeof text, "%d,%s", button, position);
            SendToInterface("mouse_up", text);
        }
        buttonHeld_[button] = down;
    }
}

void CYInput::UpdateKeys() {
    std::memcpy(prevKeys_, keys_, sizeof keys_);
    HRESULT hr = in::ReadKeyboard(keys_);
    if (hr == DIERR_INPUTLOST) {
        in::AcquireKeyboard();
        return;
    }
    if (FAILED(hr)) {
        // Nothing was read: the keyboard stays as it was, so nothing changes.
        std::memcpy(keys_, prevKeys_, sizeof keys_);
        return;
    }

    for (int code = 0; code < 256; ++code) {
        const bool was = Down(prevKeys_[code]);
        const bool is = Down(keys_[code]);
        if (was == is) continue;
        const int action = actions_.FindActionByKey(code);
        if (is) {
            if (action != CYActions::kNoAction) {
                SendEvent(YEVENT_ACTION, action, 0);
                SendToInterface("KeyAction", actions_.ActionName(action) + ",1");
            }
            continue;
        }
        if (action != CYActions::kNoAction) {
            SendEvent(YEVENT_ACTION, action, 1);
            SendToInterface("KeyAction", actions_.ActionName(action) + ",0");
        }
        SendEvent(YEVENT_KEY_RELEASED, code, 0);
        if (code == kConsoleKey) SendToInterface("console", "");
        if (code == kMenuKey) SendToInterface("mainmenu", "");
    }
}

void CYInput::OnGetCursorPos(void* self, intptr_t a, intptr_t b) {
    auto* input = static_cast<CYInput*>(self);
    if (a) *reinterpret_cast<int32_t*>(a) = input->cursorX_;
    if (b) *reinterpret_cast<int32_t*>(b) = input->cursorY_;
}

void CYInput::OnSetCursorPos(void* self, intptr_t a, intptr_t b) {
    static_cast<CYInput*>(self)->SetCursorPos(static_cast<int32_t>(a), static_cast<int32_t>(b));
}

void CYInput::OnGetActions(void* self, intptr_t a, intptr_t) {
    if (a) *reinterpret_cast<CYActions**>(a) = &static_cast<CYInput*>(self)->actions_;
}

void CYInput::OnDisplayModeChanged(void* self, intptr_t, intptr_t) {
    auto* input = static_cast<CYInput*>(self);
    input->screenWidth_ = g_settings.screenWidth;
    input->screenHeight_ = g_settings.screenHeight;
    // Places of the pointer are read against the frame the window now shows.
    in::SetFrameSize(input->screenWidth_, input->screenHeight_);
}
