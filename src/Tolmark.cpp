// The program's life: start-up, the frame loop, shutdown, and the main window's procedure.
#include <cstdint>
#include <cstdio>
#include <memory>

#include "core/YEvents.h"
#include "core/YLiveCounts.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "platform/system/System.h"
#include "render/YRenderer.h"

namespace {

// 1 while the application is active; written only by the window procedure.
int32_t g_active = 1;

const char* const kTitle = "Kestrune";
// "Игра уже запущена!!!" in code page 1251.
const char* const kAlreadyRunning = "\xC8\xE3\xF0\xE0 \xF3\xE6\xE5 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0!!!";

intptr_t MainWindowProc(sys::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case sys::WM_CLOSE:
    case sys::WM_DESTROY:
        sys::PostQuitMessage(0);
        return 0;
    case sys::WM_SIZE:
    case sys::WM_MOVE:
        g_active = (wParam == sys::SIZE_MINIMIZED || wParam == sys::SIZE_MAXHIDE) ? 0 : 1;
        return sys::DefWindowProc(window, message, wParam, lParam);
    case sys::WM_ACTIVATE:
        // Any activation counts, a click into the window included.
        g_active = (wParam == sys::WA_ACTIVE || wParam == sys::WA_CLICKACTIVE) ? 1 : 0;
        return sys::DefWindowProc(window, message, wParam, lParam);
    case sys::WM_PAINT:
        return 0;
    case sys::WM_SETCURSOR:
        return 1;
    case sys::WM_CHAR:
        SendEvent(YEVENT_CHAR, static_cast<intptr_t>(wParam), 0);
        return sys::DefWindowProc(window, message, wParam, lParam);
    default:
        return sys::DefWindowProc(window, message, wParam, lParam);
    }
}

// Present does not wait for the display: the loop holds itself to at most 200 passes a
// second instead of spinning a core.
void PaceFrame() {
    constexpr uint32_t kFrameMilliseconds = 5;
    static uint32_t last = sys::Milliseconds();
    uint32_t spent = sys::Milliseconds() - last;
    if (spent < kFrameMilliseconds) sys::Sleep(kFrameMilliseconds - spent);
    last = sys::Milliseconds();
}

// The last steps of every shutdown: settings, leak report, final line.
void FinalShutdown() {
    LogLeakReport();
    Log(0, "\nGame Finished\t--------------\n");
}

}  // namespace

int main() {
    sys::InstanceLock instance;
    int lock = instance.Acquire("kestrune");
    if (lock == 0) {
        sys::MessageBox(kAlreadyRunning, "Error");
        return 1;
    }
    if (lock < 0) return 1;

    // Constructed only: the device starts once the window exists.
    auto renderer = std::make_unique<CYRenderer>();
    StartLog();
    Log(0, "Game Started\t--------------\n");

    if (!sys::Init()) return 0;
    sys::Window* window = sys::CreateMainWindow(kTitle, g_settings.screenWidth, g_settings.screenHeight,
                                                !g_settings.fullScreen, MainWindowProc);
    if (!window) {
        sys::Quit();
        return 0;
    }
    g_settings.mainWindow = window;

    // A renderer that cannot start skips the rest of start-up and the loop.
    const bool rendererReady = SUCCEEDED(renderer->Init());
    if (rendererReady) InitTimer();

    while (rendererReady) {
        sys::Message msg;
        if (sys::PeekMessage(nullptr)) {
            if (!sys::GetMessage(&msg)) break;
            sys::DispatchMessage(msg);
        }
        UpdateTimer();
        if (!g_active) {
            sys::Sleep(100);
            continue;
        }
        SendEvent(YEVENT_FRAME, 0, 0);
        PurgeUnsubscribedEvents();
        renderer->PrepareFrame();
        renderer->RenderFrame();
        PaceFrame();
    }

    if (rendererReady) {
        renderer->Shutdown();
        renderer.reset();
    }
    FinalShutdown();
    // After a failed Init the renderer outlives the leak report; it goes before its window.
    renderer.reset();
    g_settings.mainWindow = nullptr;
    sys::DestroyWindow(window);
    sys::Quit();
    return 0;
}
