#include "platform/system/System.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <vector>

#include "support/TestSupport.h"

namespace {

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstReleases) {
    test::TempDir dir;
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    sys::InstanceLock first;
    ASSERT_EQ(first.Acquire("kestrune-lock-test"), 1);
    // flock locks belong to the open file, so a second open in this process conflicts too;
    // check from a child process as the program would see it.
    pid_t pid = fork();
    if (pid == 0) {
        sys::InstanceLock second;
        _exit(second.Acquire("kestrune-lock-test") == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    first.Release();
    sys::InstanceLock third;
    EXPECT_EQ(third.Acquire("kestrune-lock-test"), 1);
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(MessageBox, WithNoDisplayWritesTheLineToStandardErrorAndDoesNotWait) {
    // The tests run on the offscreen driver: there is no display for a box.
    testing::internal::CaptureStderr();
    sys::MessageBox("\xC8\xE3\xF0\xE0 \xF3\xE6\xE5 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0!!!", "Error");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 \xD1\x83\xD0\xB6\xD0\xB5 "
              "\xD0\xB7\xD0\xB0\xD0\xBF\xD1\x83\xD1\x89\xD0\xB5\xD0\xBD\xD0\xB0!!!\n");
}

TEST(TextConversion, Cp1251RoundTrip) {
    const std::string cp = "\xC8\xE3\xF0\xE0 ok";  // "Игра ok"
    std::string utf8 = sys::Cp1251ToUtf8(cp);
    EXPECT_EQ(utf8, "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 ok");
    EXPECT_EQ(sys::Utf8ToCp1251(utf8), cp);
}

TEST(TextConversion, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(sys::Utf8ToCp1251("a\xE2\x82\xACz"), "a\x88z");     // the euro sign exists in 1251
    EXPECT_EQ(sys::Utf8ToCp1251("a\xE4\xB8\xADz"), "a?z");        // a CJK character does not
    EXPECT_EQ(sys::Utf8ToCp1251("a\xFFz"), "a?z");                // invalid UTF-8
}

TEST(MessageQueue, PostedMessagesComeBackInOrderAndQuitEndsGetMessage) {
    sys::PostMessage(nullptr, sys::WM_USER + 1, 5, 6);
    sys::PostQuitMessage(0);
    sys::Message m;
    ASSERT_TRUE(sys::PeekMessage(&m));
    ASSERT_TRUE(sys::GetMessage(&m));
    EXPECT_EQ(m.message, sys::WM_USER + 1);
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_EQ(m.lParam, 6);
    EXPECT_FALSE(sys::GetMessage(&m));
    EXPECT_EQ(m.message, sys::WM_QUIT);
}

int g_procCalls = 0;
uint32_t g_lastMessage = 0;
intptr_t Proc(sys::Window*, uint32_t message, uintptr_t, intptr_t) {
    ++g_procCalls;
    g_lastMessage = message;
    return 7;
}

TEST(MainWindow, CreatedHeadlessAndSignalsBecomeClose) {
    ASSERT_TRUE(sys::Init());
    sys::Window* w = sys::CreateMainWindow("Kestrune", 320, 240, true, Proc);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(sys::NativeWindow(w), nullptr);
    sys::Message m;
    while (sys::PeekMessage(&m)) sys::GetMessage(&m);  // drop start-up messages
    std::raise(SIGTERM);
    ASSERT_TRUE(sys::PeekMessage(&m));
    ASSERT_TRUE(sys::GetMessage(&m));
    EXPECT_EQ(m.message, sys::WM_CLOSE);
    EXPECT_EQ(sys::DispatchMessage(m), 7);
    EXPECT_EQ(g_lastMessage, sys::WM_CLOSE);
    sys::DestroyWindow(w);
    sys::Quit();
}

// A window manager's close: SDL's close event for the window, then (for the last window) its
// quit event; a signal at the same moment is the same request.
TEST(MainWindow, OneCloseOfTheWindowIsOneCloseMessage) {
    ASSERT_TRUE(sys::Init());
    sys::Window* w = sys::CreateMainWindow("Kestrune", 320, 240, true, Proc);
    ASSERT_NE(w, nullptr);
    sys::Message m;
    while (sys::PeekMessage(&m)) sys::GetMessage(&m);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(sys::NativeWindow(w));
    SDL_PushEvent(&close);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    std::raise(SIGTERM);
    int closes = 0;
    while (sys::PeekMessage(&m)) {
        ASSERT_TRUE(sys::GetMessage(&m));
        if (m.message == sys::WM_CLOSE) ++closes;
    }
    EXPECT_EQ(closes, 1);
    // While the quit waits, a request adds nothing; once it is taken, a request is new.
    sys::PostQuitMessage(0);
    std::raise(SIGTERM);
    ASSERT_TRUE(sys::PeekMessage(&m));
    EXPECT_FALSE(sys::GetMessage(&m));
    EXPECT_FALSE(sys::PeekMessage(&m));
    std::raise(SIGTERM);
    ASSERT_TRUE(sys::PeekMessage(&m));
    EXPECT_EQ(m.message, sys::WM_CLOSE);
    while (sys::PeekMessage(&m)) sys::GetMessage(&m);
    sys::DestroyWindow(w);
    sys::Quit();
}

// Characters typed while the window has not the focus are not the window's.
TEST(MainWindow, TypingWhileInactiveGivesNoCharacters) {
    ASSERT_TRUE(sys::Init());
    sys::Window* w = sys::CreateMainWindow("Kestrune", 320, 240, true, Proc);
    ASSERT_NE(w, nullptr);
    sys::Message m;
    while (sys::PeekMessage(&m)) sys::GetMessage(&m);
    auto type = [](const char* text, SDL_Keycode key) {
        SDL_Event t{};
        t.type = SDL_TEXTINPUT;
        std::snprintf(t.text.text, sizeof t.text.text, "%s", text);
        SDL_PushEvent(&t);
        SDL_Event k{};
        k.type = SDL_KEYDOWN;
        k.key.keysym.sym = key;
        SDL_PushEvent(&k);
    };
    auto focus = [](uint8_t event) {
        SDL_Event f{};
        f.type = SDL_WINDOWEVENT;
        f.window.event = event;
        SDL_PushEvent(&f);
    };
    focus(SDL_WINDOWEVENT_FOCUS_LOST);
    type("x", SDLK_RETURN);
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    type("y", SDLK_BACKSPACE);
    std::vector<uintptr_t> chars;
    while (sys::PeekMessage(&m)) {
        ASSERT_TRUE(sys::GetMessage(&m));
        if (m.message == sys::WM_CHAR) chars.push_back(m.wParam);
    }
    EXPECT_EQ(chars, (std::vector<uintptr_t>{'y', 8}));
    sys::DestroyWindow(w);
    sys::Quit();
}

TEST(Clock, IsMonotonic) {
    int64_t a = sys::CounterValue();
    sys::Sleep(2);
    int64_t b = sys::CounterValue();
    EXPECT_GT(b, a);
    EXPECT_EQ(sys::CounterFrequency(), 1000000000);
}

}  // namespace
