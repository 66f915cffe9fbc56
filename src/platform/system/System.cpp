#include "platform/system/System.h"

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>

namespace sys {

class Window {
public:
    SDL_Window* sdl = nullptr;
    WindowProc proc = nullptr;
};

namespace {

volatile std::sig_atomic_t g_closeRequested = 0;
bool g_sdlStarted = false;
bool g_debugOutput = std::getenv("KESTRUNE_QUIET") == nullptr;
Window* g_mainWindow = nullptr;
std::deque<Message> g_queue;

void OnSignal(int) { g_closeRequested = 1; }

void Enqueue(Window* w, uint32_t msg, uintptr_t wp, intptr_t lp) { g_queue.push_back(Message{w, msg, wp, lp}); }

// One request to close, however many ways it arrives: while a WM_CLOSE or WM_QUIT still
// waits, a further request (SDL's quit event after the window's own close, a signal at the
// same time) is the same one.
void RequestClose(Window* w) {
    for (const Message& m : g_queue)
        if (m.message == WM_CLOSE || m.message == WM_QUIT) return;
    Enqueue(w, WM_CLOSE, 0, 0);
}

// Whether the main window has the focus and is not minimised, in the order of SDL's events;
// typing that arrives while it has not is not the window's.
bool g_windowActive = true;

void FollowActivity(const SDL_WindowEvent& e) {
    switch (e.event) {
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED: g_windowActive = false; break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_RESTORED: g_windowActive = true; break;
    default: break;
    }
}

// Turns one SDL event into window messages. Keyboard and mouse state is kept by the
// input layer from its own event watch, so input events are dropped here except the
// four keys that type control characters.
void Translate(const SDL_Event& e) {
    Window* w = g_mainWindow;
    if (e.type == SDL_WINDOWEVENT) FollowActivity(e.window);
    if ((e.type == SDL_TEXTINPUT || e.type == SDL_KEYDOWN) && !g_windowActive) return;
    switch (e.type) {
    case SDL_QUIT:
        RequestClose(w);
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: RequestClose(w); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: Enqueue(w, WM_ACTIVATE, WA_ACTIVE, 0); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: Enqueue(w, WM_ACTIVATE, WA_INACTIVE, 0); break;
        case SDL_WINDOWEVENT_MINIMIZED: Enqueue(w, WM_SIZE, SIZE_MINIMIZED, 0); break;
        case SDL_WINDOWEVENT_MAXIMIZED: Enqueue(w, WM_SIZE, SIZE_MAXIMIZED, 0); break;
        case SDL_WINDOWEVENT_RESTORED: Enqueue(w, WM_SIZE, SIZE_RESTORED, 0); break;
        case SDL_WINDOWEVENT_EXPOSED: Enqueue(w, WM_PAINT, 0, 0); break;
        default: break;
        }
        break;
    case SDL_TEXTINPUT: {
        std::string cp = Utf8ToCp1251(e.text.text);
        for (unsigned char c : cp) Enqueue(w, WM_CHAR, c, 0);
        break;
    }
    case SDL_KEYDOWN:
        switch (e.key.keysym.sym) {
        case SDLK_BACKSPACE: Enqueue(w, WM_CHAR, 8, 0); break;
        case SDLK_TAB: Enqueue(w, WM_CHAR, 9, 0); break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: Enqueue(w, WM_CHAR, 13, 0); break;
        case SDLK_ESCAPE: Enqueue(w, WM_CHAR, 27, 0); break;
        default: break;
        }
        break;
    default:
        break;
    }
}

void Pump() {
    if (g_closeRequested) {
        g_closeRequested = 0;
        RequestClose(g_mainWindow);
    }
    if (!g_sdlStarted) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) Translate(e);
}

std::string Convert(const char* to, const char* from, const std::string& text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    out.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[256];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            if (inLeft == 0) break;
            // Skip one undecodable byte, or one whole UTF-8 sequence.
            size_t skip = 1;
            if (std::strcmp(from, "UTF-8") == 0) {
                while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
            }
            in += skip;
            inLeft -= skip;
            out.push_back('?');
        }
    }
    iconv_close(cd);
    return out;
}

bool HeadlessDriverRequested() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) return true;
    return std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
}

}  // namespace

void CatchTerminationSignals() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

bool Init() {
    if (g_sdlStarted) return true;
    // Our own handlers: SIGINT and SIGTERM become WM_CLOSE, even without a video driver.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Closing the window is one request: no quit event of SDL's after the window's close.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    CatchTerminationSignals();
    ScopedLeakCheckOff driversMayLeak;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    }
    g_sdlStarted = true;
    return true;
}

void Quit() {
    if (!g_sdlStarted) return;
    SDL_Quit();
    g_sdlStarted = false;
}

namespace {

// The bounds of the display the window is on (the first display without a window).
bool DesktopBounds(SDL_Window* window, SDL_Rect* out) {
    int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    if (display < 0) display = 0;
    return SDL_GetDisplayBounds(display, out) == 0 && out->w > 0 && out->h > 0;
}

}  // namespace

Window* CreateMainWindow(const char* title, int width, int height, bool windowed, WindowProc proc) {
    if (!g_sdlStarted && !Init()) return nullptr;
    if (width <= 0 || height <= 0) return nullptr;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (!windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    std::string utf8 = Cp1251ToUtf8(title ? title : "");
    ScopedLeakCheckOff driversMayLeak;
    // Full screen is a borderless window made at the desktop's size and place, so it covers
    // the screen even where no window manager applies the full-screen request.
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    SDL_Rect desktop;
    if (!windowed && DesktopBounds(nullptr, &desktop)) {
        flags |= SDL_WINDOW_BORDERLESS;
        x = desktop.x, y = desktop.y, width = desktop.w, height = desktop.h;
    }
    SDL_Window* sdl = SDL_CreateWindow(utf8.c_str(), x, y, width, height, flags);
    if (!sdl) return nullptr;
    Window* w = new Window;
    w->sdl = sdl;
    w->proc = proc;
    g_mainWindow = w;
    g_windowActive = true;
    return w;
}

void SetWindowFullScreen(SDL_Window* window, bool fullScreen, int width, int height) {
    if (!window) return;
    if (fullScreen) {
        // Border, place and size change while still windowed: SDL ignores them once the
        // window is full screen.
        SDL_Rect desktop;
        if (DesktopBounds(window, &desktop)) {
            SDL_SetWindowBordered(window, SDL_FALSE);
            SDL_SetWindowPosition(window, desktop.x, desktop.y);
            SDL_SetWindowSize(window, desktop.w, desktop.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowBordered(window, SDL_TRUE);
    if (width > 0 && height > 0) SDL_SetWindowSize(window, width, height);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

FrameRect FitFrame(int windowWidth, int windowHeight, int frameWidth, int frameHeight) {
    if (windowWidth <= 0 || windowHeight <= 0 || frameWidth <= 0 || frameHeight <= 0) return FrameRect{};
    const double scale = std::min(double(windowWidth) / frameWidth, double(windowHeight) / frameHeight);
    FrameRect r;
    r.width = std::max(1, int(std::lround(frameWidth * scale)));
    r.height = std::max(1, int(std::lround(frameHeight * scale)));
    r.x = (windowWidth - r.width) / 2;
    r.y = (windowHeight - r.height) / 2;
    return r;
}

void DestroyWindow(Window* window) {
    if (!window) return;
    if (g_mainWindow == window) g_mainWindow = nullptr;
    for (Message& m : g_queue)
        if (m.window == window) m.window = nullptr;
    if (window->sdl) SDL_DestroyWindow(window->sdl);
    delete window;
}

SDL_Window* NativeWindow(Window* window) { return window ? window->sdl : nullptr; }

void WindowSize(Window* window, int* width, int* height) {
    int w = 0, h = 0;
    if (window && window->sdl) SDL_GetWindowSize(window->sdl, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
}

void ActivateWindow(Window* window) {
    if (window && window->sdl) SDL_RaiseWindow(window->sdl);
}

bool WindowHasFocus(Window* window) {
    if (!window || !window->sdl) return false;
    return (SDL_GetWindowFlags(window->sdl) & (SDL_WINDOW_INPUT_FOCUS | SDL_WINDOW_MINIMIZED)) != SDL_WINDOW_MINIMIZED;
}

bool PeekMessage(Message* out) {
    Pump();
    if (g_queue.empty()) return false;
    if (out) *out = g_queue.front();
    return true;
}

bool GetMessage(Message* out) {
    while (g_queue.empty()) {
        Pump();
        if (g_queue.empty()) Sleep(1);
    }
    Message m = g_queue.front();
    g_queue.pop_front();
    if (out) *out = m;
    return m.message != WM_QUIT;
}

intptr_t DispatchMessage(const Message& message) {
    if (!message.window || !message.window->proc) return 0;
    return message.window->proc(message.window, message.message, message.wParam, message.lParam);
}

intptr_t DefWindowProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

void PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Enqueue(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { Enqueue(nullptr, WM_QUIT, static_cast<uintptr_t>(exitCode), 0); }

InstanceLock::~InstanceLock() { Release(); }

int InstanceLock::Acquire(const char* name) {
    Release();
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir) dir = "/tmp";
    std::string path = std::string(dir) + "/" + name;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? 0 : -1;
    }
    fd_ = fd;
    return 1;
}

void InstanceLock::Release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

namespace {

// Shows the box and waits for its answer. SDL's box needs fonts on the X server that a bare
// server lacks; the program then draws one.
void ShowMessageBox(const std::string& title, const std::string& text) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr) == 0) return;
    detail::ShowDrawnMessageBox(title, text);
}

// Ends the box's process group (SDL may show its box from a process of its own) and waits
// for the box's process.
void EndBoxProcess(pid_t box) {
    if (::kill(-box, SIGTERM) != 0) ::kill(box, SIGTERM);
    while (::waitpid(box, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

void MessageBox(const char* text, const char* title) {
    std::string t = Cp1251ToUtf8(text ? text : "");
    std::string c = Cp1251ToUtf8(title ? title : "");
    std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    std::fflush(stderr);
    if (HeadlessDriverRequested()) return;
    // The box is shown by a process of its own, so that SIGINT and SIGTERM end the wait here
    // as the box's OK does: a box's event loop cannot be interrupted from inside.
    const pid_t box = ::fork();
    if (box < 0) {
        ShowMessageBox(c, t);
        return;
    }
    if (box == 0) {
        ::setpgid(0, 0);
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        ShowMessageBox(c, t);
        ::_exit(0);
    }
    ::setpgid(box, box);
    for (;;) {
        if (g_closeRequested) {
            EndBoxProcess(box);
            return;
        }
        const pid_t done = ::waitpid(box, nullptr, WNOHANG);
        if (done == box || (done < 0 && errno != EINTR)) return;
        Sleep(20);
    }
}

int64_t CounterFrequency() { return 1000000000; }

int64_t CounterValue() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

uint32_t Milliseconds() { return static_cast<uint32_t>(CounterValue() / 1000000); }

void Sleep(uint32_t milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        if (g_closeRequested) break;
    }
}

void DebugOutput(const char* text) {
    if (!g_debugOutput || !text) return;
    std::string utf8 = Cp1251ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

void SetDebugOutput(bool enabled) { g_debugOutput = enabled; }

std::string Cp1251ToUtf8(const std::string& text) { return Convert("UTF-8", "CP1251", text); }
std::string Utf8ToCp1251(const std::string& text) { return Convert("CP1251", "UTF-8", text); }

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __lsan_disable();
extern "C" void __lsan_enable();
ScopedLeakCheckOff::ScopedLeakCheckOff() { __lsan_disable(); }
ScopedLeakCheckOff::~ScopedLeakCheckOff() { __lsan_enable(); }
#else
ScopedLeakCheckOff::ScopedLeakCheckOff() = default;
ScopedLeakCheckOff::~ScopedLeakCheckOff() = default;
#endif

}  // namespace sys
