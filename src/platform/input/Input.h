// The input layer: keyboard and mouse state kept from SDL's events (injected ones too),
// read as a keyboard of 256 key codes (bit 7 set while down, the scan-code numbering of
// the engine's key tables) and a mouse of relative motion, wheel and four buttons.
// A key or button that goes down and up again between two reads is not lost: the next read
// sees it down and the one after sees it up (each read shows at most one change of each).
// A pointer that gives no relative motion (a tablet, a remote desktop, an injected absolute
// move) is read as the place it was put, in the frame shown in the window.
// While the window is inactive (focus lost or minimised) keys, buttons, motion and the wheel
// are dropped as they arrive; when the mouse is acquired again, the pointer's place then is
// read as a place put.
#pragma once
#include <cstdint>

#include "platform/system/Result.h"

namespace sys { class Window; }

namespace in {

// Key codes used by the engine's defaults and tests.
enum : uint8_t {
    KEY_ESCAPE = 0x01,
    KEY_1 = 0x02,
    KEY_RETURN = 0x1C,
    KEY_LCONTROL = 0x1D,
    KEY_A = 0x1E,
    KEY_GRAVE = 0x29,
    KEY_SPACE = 0x39,
    KEY_F1 = 0x3B,
    KEY_UP = 0xC8,
    KEY_LEFT = 0xCB,
    KEY_RIGHT = 0xCD,
    KEY_DOWN = 0xD0,
};

// One mouse read: motion since the last read, the wheel (120 a notch) and four buttons
// (0 left, 1 right, 2 middle, 3 extra; bit 7 set while down). When a pointer was put at a
// place since the last read, placed is set, placeX and placeY are that place as the column
// and row of the place grid (SetPlaceGrid) laid over the frame, and x, y hold the motion
// after it.
struct MouseState {
    int32_t x = 0, y = 0, z = 0;
    uint8_t buttons[4] = {};
    bool placed = false;
    int32_t placeX = 0, placeY = 0;
};

// Starts keeping the state of the given window's keyboard and mouse. Safe without a
// display or window manager. Returns S_OK, or E_FAIL when the event watch cannot start.
HRESULT Init(sys::Window* window);
// Stops watching; every later read fails with DIERR_NOTINITIALIZED.
void Shutdown();
bool Initialized();
// The size of the frame that the window shows scaled to fit, keeping its shape; places are
// read against it. The window's own size until set.
void SetFrameSize(int width, int height);
// The grid of columns x rows laid over the frame in which places are read. The frame's
// pixels until set.
void SetPlaceGrid(int columns, int rows);

// Acquiring fails with DIERR_OTHERAPPHASPRIO while the window is inactive (focus lost or
// minimised). A device that was acquired and then lost its window reads DIERR_INPUTLOST
// until acquired again. Acquiring the mouse puts it in relative mode.
HRESULT AcquireKeyboard();
HRESULT UnacquireKeyboard();
HRESULT AcquireMouse();
HRESULT UnacquireMouse();
// 256 bytes by key code.
HRESULT ReadKeyboard(uint8_t keys[256]);
// Motion and wheel accumulated since the last read, and the buttons now.
HRESULT ReadMouse(MouseState* state);

// A frame shown in a window as sys::FitFrame places it.
struct FrameView {
    int windowWidth, windowHeight;
    int frameWidth, frameHeight;
};
// The cell of a grid of columns x rows laid over the frame that holds the pixel the point of
// the window is on, exactly (the pixel's left and top edges count), clamped to the grid.
// False when a size or the grid is not positive.
bool PlaceInFrame(double x, double y, const FrameView& view, int columns, int rows, int32_t* column, int32_t* row);

// The key code of an SDL scancode, 0 when it has none.
uint8_t KeyCodeFromScancode(int scancode);
// The SDL scancode of a key code, 0 when it has none.
int ScancodeFromKeyCode(uint8_t code);

}  // namespace in
