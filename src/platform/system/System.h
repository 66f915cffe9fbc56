// The system layer: the main window and its messages, the single-instance lock,
// the message box, the monotonic clock, debug output and text conversion.
// Built on SDL2 and POSIX; nothing here knows the engine.
#pragma once
#include <cstdint>
#include <string>

struct SDL_Window;

namespace sys {

// Window messages, numbered as the window procedure expects them.
enum : uint32_t {
    WM_NULL = 0x0000,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_SETCURSOR = 0x0020,
    WM_CHAR = 0x0102,
    WM_USER = 0x0400,
};
// WM_SIZE wParam values.
enum : uintptr_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2, SIZE_MAXSHOW = 3, SIZE_MAXHIDE = 4 };
// WM_ACTIVATE wParam values.
enum : uintptr_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

class Window;
using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Message {
    Window* window = nullptr;
    uint32_t message = WM_NULL;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// Turns SIGINT and SIGTERM into WM_CLOSE from now on; the program calls it first, so a
// signal that arrives during start-up still ends it through the full shutdown.
void CatchTerminationSignals();

// Starts SDL's video and events (falling back to the offscreen driver when no display
// can be opened) and turns SIGINT and SIGTERM into WM_CLOSE. False when nothing works.
bool Init();
// Stops SDL. Safe to call when Init failed or was never called.
void Quit();

// Creates the main window with an OpenGL 4.5 core context attribute set: windowed, or a
// desktop-sized borderless window when not. The title is code page 1251. Null on failure.
Window* CreateMainWindow(const char* title, int width, int height, bool windowed, WindowProc proc);
// Switches an SDL window between full screen (borderless, at the desktop's place and size)
// and windowed (bordered, width x height, centred). The window is moved and sized by hand
// too, so the switch holds where no window manager applies SDL's full-screen request.
void SetWindowFullScreen(SDL_Window* window, bool fullScreen, int width, int height);
// Where a frame is shown in a window: scaled to fit, keeping its shape, centred, in whole
// pixels; the rest of the window stays black. The one rule for drawing the frame and for
// reading the pointer against it.
struct FrameRect {
    int x = 0, y = 0, width = 0, height = 0;
};
FrameRect FitFrame(int windowWidth, int windowHeight, int frameWidth, int frameHeight);
// Destroys a window made by CreateMainWindow.
void DestroyWindow(Window* window);
// The SDL window behind a window, for the graphics layer.
SDL_Window* NativeWindow(Window* window);
// The window's size in pixels.
void WindowSize(Window* window, int* width, int* height);
// Brings the window to the front and asks for the input focus for it.
void ActivateWindow(Window* window);
// True while the window has input focus (or when focus cannot be known).
bool WindowHasFocus(Window* window);

// True when a message waits; pumps SDL's events into the queue first.
bool PeekMessage(Message* out);
// Takes the next message (waiting for one); false when it is WM_QUIT.
bool GetMessage(Message* out);
// Calls the window procedure of the message's window.
intptr_t DispatchMessage(const Message& message);
// What the window procedure returns for messages it does not handle.
intptr_t DefWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Queues a message for the window.
void PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Queues WM_QUIT.
void PostQuitMessage(int exitCode);

// Exclusive per-user lock on a lock file of the given name, released when the process
// ends. The file lives in $XDG_RUNTIME_DIR, else in /tmp.
// Acquire returns false when another process holds it, or the file cannot be made.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // 1 acquired, 0 held by another process, -1 cannot create the lock.
    int Acquire(const char* name);
    void Release();

private:
    int fd_ = -1;
};

// Writes "title: text" to stderr, then shows the texts (code page 1251) in a message box on
// the display and waits for it to be closed. SIGINT and SIGTERM, once caught
// (CatchTerminationSignals), close the box and end the wait as its OK does. With no display
// (none named, or the offscreen or dummy driver asked for) there is no box and nothing waits.
void MessageBox(const char* text, const char* title);
namespace detail {
// A message box drawn by the program (texts in UTF-8); false when it cannot be shown.
bool ShowDrawnMessageBox(const std::string& title, const std::string& text);
}  // namespace detail

// Monotonic clock: ticks per second and the current tick.
int64_t CounterFrequency();
int64_t CounterValue();
// Milliseconds of a monotonic clock.
uint32_t Milliseconds();
void Sleep(uint32_t milliseconds);

// Sends a text (code page 1251) to the debug output, stderr in UTF-8.
void DebugOutput(const char* text);
// Debug output is on unless KESTRUNE_QUIET is set; tests turn it off.
void SetDebugOutput(bool enabled);

// Conversion between code page 1251 and UTF-8; characters without an equivalent become '?'.
std::string Cp1251ToUtf8(const std::string& text);
std::string Utf8ToCp1251(const std::string& text);

// While alive, allocations are not leak-checked in sanitizer builds. Wraps the start of
// system drivers (video, GL, audio) whose one-time allocations are theirs to keep.
class ScopedLeakCheckOff {
public:
    ScopedLeakCheckOff();
    ~ScopedLeakCheckOff();
    ScopedLeakCheckOff(const ScopedLeakCheckOff&) = delete;
    ScopedLeakCheckOff& operator=(const ScopedLeakCheckOff&) = delete;
};

}  // namespace sys
