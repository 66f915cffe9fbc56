// The program's life: start-up, the frame loop, shutdown, and the main window's procedure.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "audio/YAVIPlayer.h"
#include "audio/YAudioSystem.h"
#include "audio/YMusic.h"
#include "core/YAppActive.h"
#include "core/YArchive.h"
#include "core/YCommandManager.h"
#include "core/YConfig.h"
#include "core/YEvents.h"
#include "core/YLiveCounts.h"
#include "core/YLog.h"
#include "core/YScript.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "core/YTriggerRegistry.h"
#include "core/Yinput.h"
#include "interface/YInterfaceManager.h"
#include "platform/sound/Sound.h"
#include "platform/system/System.h"
#include "render/YParticleSystem.h"
#include "render/YRenderer.h"
#include "render/YTextureManager.h"
#include "script/YScriptApi.h"

namespace {

const char* const kTitle = "Kestrune";
// "Игра уже запущена!!!" in code page 1251.
const char* const kAlreadyRunning = "\xC8\xE3\xF0\xE0 \xF3\xE6\xE5 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0!!!";

intptr_t MainWindowProc(sys::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case sys::WM_CLOSE:
    case sys::WM_DESTROY:
        if (g_commandManager) g_commandManager->SendCommandByName("MAIN", "GameOver", "1");
        sys::PostQuitMessage(0);
        return 0;
    case sys::WM_SIZE:
    case sys::WM_MOVE:
        g_appActive = (wParam == sys::SIZE_MINIMIZED || wParam == sys::SIZE_MAXHIDE) ? 0 : 1;
        return sys::DefWindowProc(window, message, wParam, lParam);
    case sys::WM_ACTIVATE:
        // Only a plain activation sets it: WA_INACTIVE and WA_CLICKACTIVE both clear it.
        g_appActive = wParam == sys::WA_ACTIVE ? 1 : 0;
        return sys::DefWindowProc(window, message, wParam, lParam);
    case sys::WM_PAINT:
        return 0;
    case sys::WM_SETCURSOR:
        return 1;
    case sys::WM_CHAR: {
        SendEvent(YEVENT_CHAR, static_cast<intptr_t>(wParam), 0);
        // The character code as a signed byte: 128..255 give -128..-1.
        char text[8];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<int8_t>(wParam & 0xFF)));
        if (g_commandManager) g_commandManager->SendCommandByName("interface", "char", text);
        return sys::DefWindowProc(window, message, wParam, lParam);
    }
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

// The last steps of every shutdown: settings, leak report, final line, audio, command table.
void FinalShutdown() {
    SaveConfig();
    LogLeakReport();
    Log(0, "\nGame Finished\t--------------\n");
    delete g_audioSystem;
    g_audioSystem = nullptr;
    DestroyCommands();
}

}  // namespace

int main() {
    sys::CatchTerminationSignals();
    sys::InstanceLock instance;
    int lock = instance.Acquire("kestrune");
    if (lock == 0) {
        sys::MessageBox(kAlreadyRunning, "Error");
        return 1;
    }
    if (lock < 0) return 1;

    // Constructed only: their devices start once the window exists.
    auto renderer = std::make_unique<CYRenderer>();
    auto input = std::make_unique<CYInput>();
    LoadCommands();
    StartLog();
    Log(0, "Game Started\t--------------\n");
    // Read before the archive opens, so the settings always come from the disk.
    LoadConfig();
    // A missing or unreadable archive is only logged: every file then comes from disk.
    OpenGameArchive();
    // The sound device opens on a thread of its own while the window and renderer start.
    snd::OpenDeviceAhead();

    if (!sys::Init()) return 0;
    // A size of 0 or less still makes a window (of one pixel there); the renderer then
    // refuses the size and start-up goes to the shutdown.
    sys::Window* window = sys::CreateMainWindow(kTitle, std::max(g_settings.screenWidth, 1),
                                                std::max(g_settings.screenHeight, 1), !g_settings.fullScreen,
                                                MainWindowProc);
    if (!window) {
        sys::Quit();
        return 0;
    }
    g_settings.mainWindow = window;
    sys::ActivateWindow(window);

    // The trigger registry lives until the very end; "GameOver" set ends the loop.
    CYTriggerRegistry triggers;
    triggers.Init();
    // The one explosion manager: event 65 sounds the explosion (and restarts its systems).
    CYExplosionManager explosions;
    explosions.Init();
    g_registerScriptFunctions = RegisterScriptFunctions;

    // A renderer that cannot start skips the rest of start-up and the loop; the renderer
    // and input objects then stay until after the leak report.
    const bool rendererReady = SUCCEEDED(renderer->Init());
    std::unique_ptr<CYScriptHandler> mainHandler;
    std::unique_ptr<CYInterfaceManager> interfaceManager;
    bool running = false;
    if (rendererReady) {
        interfaceManager = std::make_unique<CYInterfaceManager>(renderer.get());
        interfaceManager->Init();
        // The main script handler "MAIN"; its idle state is "main.lua".
        mainHandler = std::make_unique<CYScriptHandler>(nullptr);
        mainHandler->SetName("MAIN");
        g_commandManager->Register(mainHandler.get());
        g_audioSystem = new CYAudioSystem();
        // A "main.lua" that cannot be read skips the loop and goes to the shutdown.
        running = mainHandler->AddState("idle", "main.lua") >= 0;
        // Input that cannot start also skips the loop.
        if (running) running = input->Init(window, g_settings.screenWidth, g_settings.screenHeight) >= 0;
        // No sound device is no reason to stop: the game runs silent.
        if (running) g_audioSystem->Init(window);
        if (running) {
            // The two music channels play through the audio system's device (silent without one).
            g_music1 = new CYMusic(g_audioSystem->Device());
            g_music2 = new CYMusic(g_audioSystem->Device());
            // Videos play into the texture manager's video texture, their sound through the same device.
            renderer->GetTextureManager()->SetVideoPlayer(std::make_unique<CYAVIPlayer>(g_audioSystem->Device()));
            InitTimer();
            // The idle state becomes current and starts; the queue starts empty.
            mainHandler->SwitchToIdle();
            input->SetCursorPos(200, 200);
        }
    }
    // The key bindings are saved only after the loop ran and ended normally.
    const bool loopRan = running;
    bool firstFrameShown = false;

    while (running) {
        sys::Message msg;
        if (sys::PeekMessage(nullptr)) {
            if (!sys::GetMessage(&msg)) break;
            sys::DispatchMessage(msg);
        }
        UpdateTimer();
        if (!g_appActive) {
            sys::Sleep(100);
            continue;
        }
        SendEvent(YEVENT_FRAME, 0, 0);
        PurgeUnsubscribedEvents();
        input->Update();
        g_audioSystem->Update();
        mainHandler->Step(static_cast<float>(g_timer.frameTime));
        interfaceManager->Update();
        interfaceManager->Render();
        renderer->PrepareFrame();
        renderer->RenderFrame();
        if (!firstFrameShown) {
            firstFrameShown = true;
            Log(10, "First frame shown\n");
        }
        int32_t gameOver = 0;
        SendEvent(YEVENT_GET_TRIGGER, reinterpret_cast<intptr_t>("GameOver"), reinterpret_cast<intptr_t>(&gameOver));
        if (gameOver != 0) break;
        PaceFrame();
    }

    if (loopRan) input->Actions().Save();
    delete g_music2;
    g_music2 = nullptr;
    delete g_music1;
    g_music1 = nullptr;
    interfaceManager.reset();
    // The video player goes with the music, before the renderer and its textures.
    if (loopRan) renderer->GetTextureManager()->SetVideoPlayer(std::make_unique<CYIdleVideoPlayer>());
    if (rendererReady) {
        renderer->Shutdown();
        renderer.reset();
        input.reset();
        mainHandler.reset();
    }
    FinalShutdown();
    // After a failed Init the renderer and input outlive the leak report; they go before the window.
    renderer.reset();
    input.reset();
    g_settings.mainWindow = nullptr;
    sys::DestroyWindow(window);
    sys::Quit();
    CloseGameArchive();
    return 0;
}
