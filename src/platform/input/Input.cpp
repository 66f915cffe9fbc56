#include "platform/input/Input.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/system/System.h"

// Last: the X11 headers define many short macro names.
#include <SDL2/SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/extensions/XInput2.h>
#endif

namespace in {
namespace {

struct ScanPair {
    SDL_Scancode sdl;
    uint8_t code;
};

// SDL scancodes and the key codes the engine's tables use.
constexpr ScanPair kScanTable[] = {
    {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_1, 0x02}, {SDL_SCANCODE_2, 0x03}, {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05}, {SDL_SCANCODE_5, 0x06}, {SDL_SCANCODE_6, 0x07}, {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09}, {SDL_SCANCODE_9, 0x0A}, {SDL_SCANCODE_0, 0x0B}, {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D}, {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10}, {SDL_SCANCODE_W, 0x11}, {SDL_SCANCODE_E, 0x12}, {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14}, {SDL_SCANCODE_Y, 0x15}, {SDL_SCANCODE_U, 0x16}, {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18}, {SDL_SCANCODE_P, 0x19}, {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B}, {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E}, {SDL_SCANCODE_S, 0x1F}, {SDL_SCANCODE_D, 0x20}, {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22}, {SDL_SCANCODE_H, 0x23}, {SDL_SCANCODE_J, 0x24}, {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26}, {SDL_SCANCODE_SEMICOLON, 0x27}, {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29}, {SDL_SCANCODE_LSHIFT, 0x2A}, {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C}, {SDL_SCANCODE_X, 0x2D}, {SDL_SCANCODE_C, 0x2E}, {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30}, {SDL_SCANCODE_N, 0x31}, {SDL_SCANCODE_M, 0x32}, {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34}, {SDL_SCANCODE_SLASH, 0x35}, {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38}, {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A}, {SDL_SCANCODE_F1, 0x3B}, {SDL_SCANCODE_F2, 0x3C}, {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E}, {SDL_SCANCODE_F5, 0x3F}, {SDL_SCANCODE_F6, 0x40}, {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42}, {SDL_SCANCODE_F9, 0x43}, {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SCROLLLOCK, 0x46}, {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48}, {SDL_SCANCODE_KP_9, 0x49}, {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B}, {SDL_SCANCODE_KP_5, 0x4C}, {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E}, {SDL_SCANCODE_KP_1, 0x4F}, {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51}, {SDL_SCANCODE_KP_0, 0x52}, {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56}, {SDL_SCANCODE_F11, 0x57}, {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64}, {SDL_SCANCODE_F14, 0x65}, {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70}, {SDL_SCANCODE_INTERNATIONAL1, 0x73},
    {SDL_SCANCODE_INTERNATIONAL4, 0x79}, {SDL_SCANCODE_INTERNATIONAL5, 0x7B},
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D}, {SDL_SCANCODE_KP_EQUALS, 0x8D}, {SDL_SCANCODE_LANG2, 0x94},
    {SDL_SCANCODE_STOP, 0x95}, {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0}, {SDL_SCANCODE_VOLUMEDOWN, 0xAE}, {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_KP_COMMA, 0xB3}, {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8}, {SDL_SCANCODE_PAUSE, 0xC5}, {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8}, {SDL_SCANCODE_PAGEUP, 0xC9}, {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD}, {SDL_SCANCODE_END, 0xCF}, {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1}, {SDL_SCANCODE_INSERT, 0xD2}, {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB}, {SDL_SCANCODE_RGUI, 0xDC}, {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE}, {SDL_SCANCODE_SLEEP, 0xDF},
};

// A key or button as the reads see it: what the last read showed, and how many changes since
// are still to be shown, one a read, so that a press released before a read is seen.
struct Control {
    bool shown = false;
    uint8_t pending = 0;
};
// Changes waiting at most: sixteen taps of one key between two reads all arrive; a longer
// burst loses its oldest taps (an even number keeps the state).
constexpr uint8_t kMaxPending = 32;

bool IsDown(const Control& c) { return c.shown != ((c.pending & 1) != 0); }

void SetDown(Control& c, bool down) {
    if (down == IsDown(c)) return;
    if (c.pending >= kMaxPending) c.pending -= 2;
    ++c.pending;
}

uint8_t Take(Control& c) {
    if (c.pending > 0) {
        c.shown = !c.shown;
        --c.pending;
    }
    return c.shown ? 0x80 : 0;
}

struct State {
    bool initialized = false;
    bool active = true;  // the window has focus and is not minimised
    bool keyboardAcquired = false, keyboardLost = false;
    bool mouseAcquired = false, mouseLost = false;
    Control keys[256];
    int32_t dx = 0, dy = 0, wheel = 0;
    Control buttons[4];
    // The place a pointer was put at since the last read, in window pixels.
    bool placed = false;
    double placeX = 0, placeY = 0;
    // Where the pointer was last seen, in window pixels.
    bool pointerKnown = false;
    double pointerX = 0, pointerY = 0;
    int frameWidth = 0, frameHeight = 0;
    int gridColumns = 0, gridRows = 0;  // 0: the frame's pixels
    sys::Window* window = nullptr;
    SDL_bool systemEvents = SDL_FALSE;  // whether system events were on before Init
};
State g;

void ClearControls() {
    for (Control& c : g.keys) c = Control{};
    for (Control& c : g.buttons) c = Control{};
}

// The pointer was seen at a point of the window; explained when a device's relative motion
// took it there (that motion is already counted). Any other change of place is a place put,
// unless the window is inactive: then the pointer is only followed.
void PointerAt(double x, double y, bool explained) {
    const bool moved = !g.pointerKnown || x != g.pointerX || y != g.pointerY;
    if (!explained && moved && g.pointerKnown && g.active) {
        g.placed = true;
        g.placeX = x;
        g.placeY = y;
        g.dx = g.dy = 0;
    }
    g.pointerKnown = true;
    g.pointerX = x;
    g.pointerY = y;
}

// Where the pointer is now, as the start against which places are told. Without a window
// to ask, the last place the pointer was seen at stands.
void LearnPointer() {
    SDL_Window* w = g.window ? sys::NativeWindow(g.window) : nullptr;
    if (!w) return;
    int px = 0, py = 0, wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&px, &py);
    SDL_GetWindowPosition(w, &wx, &wy);
    g.pointerKnown = true;
    g.pointerX = px - wx;
    g.pointerY = py - wy;
}

// A place put where the pointer was last seen.
void PutAtPointer() {
    g.placed = true;
    g.placeX = g.pointerX;
    g.placeY = g.pointerY;
}

void SetActive(bool active) {
    g.active = active;
    if (!active) {
        // A device that loses its window is lost until acquired again.
        if (g.keyboardAcquired) g.keyboardLost = true;
        if (g.mouseAcquired) g.mouseLost = true;
        g.keyboardAcquired = g.mouseAcquired = false;
        ClearControls();
        g.dx = g.dy = g.wheel = 0;
        g.placed = false;
        SDL_SetRelativeMouseMode(SDL_FALSE);
    }
}

// Under X11 the pointer's own events tell a place put from a relative motion: a device's
// relative motion arrives first as a raw event carrying the time of the pointer's move.
namespace x11 {
#if defined(SDL_VIDEO_DRIVER_X11)
struct Link {
    Display* display = nullptr;
    ::Window window = 0;
    int opcode = -1;  // of the input extension; -1 takes every event (injected ones in tests)
    // SDL asked to make relative motion by warping the pointer back: its warps are no places.
    bool warping = false;
    Time relativeTime = 0;
    bool relativeSeen = false;
    // A key let go and pressed again at once reads to SDL as the key held: the release seen,
    // and whether the press that followed it was of the same key.
    bool releaseLive = false, releaseMerged = false;
    unsigned releasedKey = 0;
    int8_t mode[256];  // by device: -1 not asked yet, 0 relative, 1 absolute
};
Link link;

void ForgetDevices() { std::fill(std::begin(link.mode), std::end(link.mode), int8_t{-1}); }

void Start(SDL_Window* window) {
    link = Link{};
    ForgetDevices();
    link.warping = SDL_GetHintBoolean(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, SDL_FALSE) == SDL_TRUE;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    int event = 0, error = 0;
    if (!XQueryExtension(info.info.x11.display, "XInputExtension", &link.opcode, &event, &error)) link.opcode = -1;
    link.display = info.info.x11.display;
    link.window = info.info.x11.window;
}

// Whether a device moves the pointer by relative motion (a mouse, a touchpad) rather than
// to a place (a tablet); asked once a device.
bool Relative(int device) {
    if (!link.display || device < 0 || device > 255) return true;
    if (link.mode[device] < 0) {
        link.mode[device] = 0;
        int count = 0;
        // A device gone since its event is an X error: ignored, not the end of the program.
        XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XIDeviceInfo* info = XIQueryDevice(link.display, device, &count);
        XSetErrorHandler(previous);
        for (int i = 0; info && i < count; ++i)
            for (int c = 0; c < info[i].num_classes; ++c) {
                const auto* v = reinterpret_cast<const XIValuatorClassInfo*>(info[i].classes[c]);
                if (v->type == XIValuatorClass && v->number == 0 && v->mode == XIModeAbsolute) link.mode[device] = 1;
            }
        if (info) XIFreeDeviceInfo(info);
    }
    return link.mode[device] == 0;
}

void OnKey(const XKeyEvent& key, bool press) {
    if (!press) {
        link.releaseLive = true;
        link.releasedKey = key.keycode;
        link.releaseMerged = false;
        return;
    }
    link.releaseMerged = link.releaseLive && key.keycode == link.releasedKey;
    link.releaseLive = false;
}

// True once when the key repeat that SDL reports now stands for a release and a new press.
bool TakeMergedRelease() {
    const bool merged = link.releaseMerged;
    link.releaseMerged = link.releaseLive = false;
    return merged;
}

void KeyReleased() { link.releaseMerged = link.releaseLive = false; }

void OnEvent(const XEvent& x) {
    if (x.type == KeyPress || x.type == KeyRelease) {
        OnKey(x.xkey, x.type == KeyPress);
        return;
    }
    if (x.type != GenericEvent || !x.xcookie.data) return;
    if (link.opcode >= 0 && x.xcookie.extension != link.opcode) return;
    switch (x.xcookie.evtype) {
    case XI_RawMotion: {
        const auto* raw = static_cast<const XIRawEvent*>(x.xcookie.data);
        if (Relative(raw->sourceid)) {
            link.relativeTime = raw->time;
            link.relativeSeen = true;
        }
        break;
    }
    case XI_Motion: {
        const auto* m = static_cast<const XIDeviceEvent*>(x.xcookie.data);
        if (link.window && m->event != link.window) break;
        PointerAt(m->event_x, m->event_y, link.warping || (link.relativeSeen && m->time == link.relativeTime));
        break;
    }
    case XI_HierarchyChanged:
    case XI_DeviceChanged:
        ForgetDevices();
        break;
    default:
        break;
    }
}

void OnSystemEvent(const SDL_SysWMmsg& msg) {
    if (msg.subsystem == SDL_SYSWM_X11) OnEvent(msg.msg.x11.event);
}
#else
void Start(SDL_Window*) {}
void OnSystemEvent(const SDL_SysWMmsg&) {}
bool TakeMergedRelease() { return false; }
void KeyReleased() {}
#endif
}  // namespace x11

int MouseButtonIndex(uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    default: return -1;
    }
}

// Whether the event is keyboard or mouse input, which an inactive window does not take.
bool IsInput(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return true;
    default: return false;
    }
}

// Called by SDL for every event as it enters the queue, injected events included.
int Watch(void*, SDL_Event* e) {
    // Input made while the window is inactive is not kept for later.
    if (!g.active && IsInput(*e)) return 1;
    switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        uint8_t code = KeyCodeFromScancode(e->key.keysym.scancode);
        const bool down = e->type == SDL_KEYDOWN;
        // A tap merged into a repeat keeps its release.
        const bool tapped = down && e->key.repeat && x11::TakeMergedRelease();
        if (!down) x11::KeyReleased();
        if (code && tapped) SetDown(g.keys[code], false);
        if (code) SetDown(g.keys[code], down);
        break;
    }
    case SDL_MOUSEMOTION:
        g.dx += e->motion.xrel;
        g.dy += e->motion.yrel;
        break;
    case SDL_MOUSEWHEEL: {
        int notches = e->wheel.y;
        if (e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        g.wheel += notches * 120;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int i = MouseButtonIndex(e->button.button);
        if (i >= 0) SetDown(g.buttons[i], e->type == SDL_MOUSEBUTTONDOWN);
        break;
    }
    case SDL_SYSWMEVENT:
        if (e->syswm.msg) x11::OnSystemEvent(*e->syswm.msg);
        break;
    case SDL_WINDOWEVENT:
        switch (e->window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED: SetActive(false); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED: g.active = true; break;
        default: break;
        }
        break;
    default:
        break;
    }
    return 1;
}

}  // namespace

HRESULT Init(sys::Window* window) {
    if (g.initialized) Shutdown();
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0 && SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) return E_FAIL;
    g = State{};
    g.window = window;
    g.initialized = true;
    // The window system's own events tell a place put from a relative motion.
    g.systemEvents = SDL_EventState(SDL_SYSWMEVENT, SDL_QUERY) == SDL_ENABLE ? SDL_TRUE : SDL_FALSE;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    x11::Start(window ? sys::NativeWindow(window) : nullptr);
    SDL_AddEventWatch(Watch, nullptr);
    return S_OK;
}

void Shutdown() {
    if (!g.initialized) return;
    SDL_DelEventWatch(Watch, nullptr);
    if (!g.systemEvents) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    if (g.mouseAcquired) SDL_SetRelativeMouseMode(SDL_FALSE);
    x11::Start(nullptr);
    g = State{};
}

bool Initialized() { return g.initialized; }

void SetFrameSize(int width, int height) {
    g.frameWidth = width;
    g.frameHeight = height;
}

void SetPlaceGrid(int columns, int rows) {
    g.gridColumns = columns;
    g.gridRows = rows;
}

namespace {

// Largest size (of a window, a frame or a grid) a place is read in; beyond it the integer
// arithmetic below could overflow.
constexpr int kMaxPlaceSize = 1 << 16;
// Points farther out than this are as far out as it.
constexpr double kFarOutside = 1 << 20;

bool PlaceSize(int size) { return size > 0 && size <= kMaxPlaceSize; }

// The cell along one axis that holds the pixel a point is on, where the frame is shown from
// pixel start over length pixels: exact, in whole numbers.
int32_t CellAlong(double point, int start, int length, int cells) {
    if (std::isnan(point)) point = 0;
    const int64_t offset = static_cast<int64_t>(std::floor(std::clamp(point, -kFarOutside, kFarOutside))) - start;
    if (offset <= 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(offset * cells / length, cells - 1));
}

}  // namespace

bool PlaceInFrame(double x, double y, const FrameView& view, int columns, int rows, int32_t* column, int32_t* row) {
    if (!PlaceSize(view.windowWidth) || !PlaceSize(view.windowHeight) || !PlaceSize(view.frameWidth) ||
        !PlaceSize(view.frameHeight) || !PlaceSize(columns) || !PlaceSize(rows))
        return false;
    // Where the graphics layer draws the frame.
    const sys::FrameRect shown = sys::FitFrame(view.windowWidth, view.windowHeight, view.frameWidth, view.frameHeight);
    if (column) *column = CellAlong(x, shown.x, shown.width, columns);
    if (row) *row = CellAlong(y, shown.y, shown.height, rows);
    return true;
}

namespace {

// The place put, as a cell of the place grid over the frame the window shows.
bool ReadPlace(int32_t* column, int32_t* row) {
    FrameView view{g.frameWidth, g.frameHeight, g.frameWidth, g.frameHeight};
    if (g.window) sys::WindowSize(g.window, &view.windowWidth, &view.windowHeight);
    if (view.frameWidth <= 0 || view.frameHeight <= 0) {
        view.frameWidth = view.windowWidth;
        view.frameHeight = view.windowHeight;
    }
    const int columns = g.gridColumns > 0 ? g.gridColumns : view.frameWidth;
    const int rows = g.gridRows > 0 ? g.gridRows : view.frameHeight;
    return PlaceInFrame(g.placeX, g.placeY, view, columns, rows, column, row);
}

}  // namespace

HRESULT AcquireKeyboard() {
    if (!g.initialized) return DIERR_NOTINITIALIZED;
    if (!g.active) return DIERR_OTHERAPPHASPRIO;
    g.keyboardAcquired = true;
    g.keyboardLost = false;
    return S_OK;
}

HRESULT UnacquireKeyboard() {
    if (!g.initialized) return DIERR_NOTINITIALIZED;
    g.keyboardAcquired = false;
    return S_OK;
}

HRESULT AcquireMouse() {
    if (!g.initialized) return DIERR_NOTINITIALIZED;
    if (!g.active) return DIERR_OTHERAPPHASPRIO;
    if (!g.mouseAcquired) {
        // Relative mode may be unavailable (no pointer, offscreen driver): motion still arrives.
        SDL_SetRelativeMouseMode(SDL_TRUE);
        g.dx = g.dy = g.wheel = 0;
        g.placed = false;
        LearnPointer();
        // Back from an inactive spell: the pointer is taken where it is now.
        if (g.mouseLost && g.pointerKnown) PutAtPointer();
    }
    g.mouseAcquired = true;
    g.mouseLost = false;
    return S_OK;
}

HRESULT UnacquireMouse() {
    if (!g.initialized) return DIERR_NOTINITIALIZED;
    if (g.mouseAcquired) SDL_SetRelativeMouseMode(SDL_FALSE);
    g.mouseAcquired = false;
    return S_OK;
}

HRESULT ReadKeyboard(uint8_t keys[256]) {
    if (!g.initialized) return DIERR_NOTINITIALIZED;
    SDL_PumpEvents();
    if (g.keyboardLost) return DIERR_INPUTLOST;
    if (!g.keyboardAcquired) return DIERR_NOTACQUIRED;
    for (int code = 0; code < 256; ++code) keys[code] = Take(g.keys[code]);
    return S_OK;
}

HRESULT ReadMouse(MouseState* state) {
    if (!g.initialized) return DIERR_NOTINITIALIZED;
    if (!state) return DIERR_INVALIDPARAM;
    SDL_PumpEvents();
    if (g.mouseLost) return DIERR_INPUTLOST;
    if (!g.mouseAcquired) return DIERR_NOTACQUIRED;
    state->x = g.dx;
    state->y = g.dy;
    state->z = g.wheel;
    for (int i = 0; i < 4; ++i) state->buttons[i] = Take(g.buttons[i]);
    state->placed = g.placed && ReadPlace(&state->placeX, &state->placeY);
    g.dx = g.dy = g.wheel = 0;
    g.placed = false;
    return S_OK;
}

uint8_t KeyCodeFromScancode(int scancode) {
    for (const ScanPair& p : kScanTable)
        if (p.sdl == scancode) return p.code;
    return 0;
}

int ScancodeFromKeyCode(uint8_t code) {
    for (const ScanPair& p : kScanTable)
        if (p.code == code) return p.sdl;
    return 0;
}

}  // namespace in
