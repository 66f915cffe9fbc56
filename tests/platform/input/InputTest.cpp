#include "platform/input/Input.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "support/InjectEvents.h"

#include "platform/system/System.h"

namespace {

class InputLayer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sys::Init());
        ASSERT_EQ(in::Init(nullptr), S_OK);
        ASSERT_EQ(in::AcquireKeyboard(), S_OK);
        ASSERT_EQ(in::AcquireMouse(), S_OK);
    }
    void TearDown() override {
        in::Shutdown();
        sys::Quit();
    }
    static void Push(SDL_Event e) { SDL_PushEvent(&e); }
    static void Key(SDL_Scancode sc, bool down) { test::PushKey(sc, down); }
};

TEST_F(InputLayer, InjectedKeysMoveTheKeyboardState) {
    uint8_t keys[256];
    Key(SDL_SCANCODE_ESCAPE, true);
    Key(SDL_SCANCODE_UP, true);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_ESCAPE], 0x80);
    EXPECT_EQ(keys[in::KEY_UP], 0x80);  // an extended key carries bit 0x80 in its code
    EXPECT_EQ(keys[in::KEY_A], 0);
    Key(SDL_SCANCODE_ESCAPE, false);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_ESCAPE], 0);
    EXPECT_EQ(keys[in::KEY_UP], 0x80);
}

TEST_F(InputLayer, MouseMotionAccumulatesUntilReadAndButtonsMapLeftRightMiddle) {
    SDL_Event m{};
    m.type = SDL_MOUSEMOTION;
    m.motion.xrel = 3;
    m.motion.yrel = -2;
    Push(m);
    Push(m);
    SDL_Event w{};
    w.type = SDL_MOUSEWHEEL;
    w.wheel.y = -1;
    Push(w);
    SDL_Event b{};
    b.type = SDL_MOUSEBUTTONDOWN;
    b.button.button = SDL_BUTTON_RIGHT;
    Push(b);
    b.button.button = SDL_BUTTON_MIDDLE;
    Push(b);
    in::MouseState s;
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_EQ(s.x, 6);
    EXPECT_EQ(s.y, -4);
    EXPECT_EQ(s.z, -120);
    EXPECT_EQ(s.buttons[0], 0);
    EXPECT_EQ(s.buttons[1], 0x80);
    EXPECT_EQ(s.buttons[2], 0x80);
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.z, 0);
    EXPECT_EQ(s.buttons[1], 0x80);  // still held
}

TEST_F(InputLayer, LosingTheWindowLosesTheDevicesUntilReacquired) {
    SDL_Event f{};
    f.type = SDL_WINDOWEVENT;
    f.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    Push(f);
    uint8_t keys[256];
    in::MouseState s;
    EXPECT_EQ(in::ReadMouse(&s), DIERR_INPUTLOST);
    EXPECT_EQ(in::ReadKeyboard(keys), DIERR_INPUTLOST);
    EXPECT_EQ(in::AcquireMouse(), DIERR_OTHERAPPHASPRIO);
    f.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    Push(f);
    SDL_PumpEvents();
    EXPECT_EQ(in::AcquireMouse(), S_OK);
    EXPECT_EQ(in::AcquireKeyboard(), S_OK);
    EXPECT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_EQ(in::ReadKeyboard(keys), S_OK);
}

TEST(InputTable, ScancodesAndKeyCodesMapBothWays) {
    EXPECT_EQ(in::KeyCodeFromScancode(SDL_SCANCODE_GRAVE), 0x29);
    EXPECT_EQ(in::KeyCodeFromScancode(SDL_SCANCODE_KP_ENTER), 0x9C);
    EXPECT_EQ(in::KeyCodeFromScancode(SDL_SCANCODE_DELETE), 0xD3);
    EXPECT_EQ(in::ScancodeFromKeyCode(0x1D), SDL_SCANCODE_LCTRL);
    EXPECT_EQ(in::ScancodeFromKeyCode(0x00), 0);
}

TEST(InputTable, ReadsBeforeInitFail) {
    uint8_t keys[256];
    EXPECT_EQ(in::ReadKeyboard(keys), DIERR_NOTINITIALIZED);
    EXPECT_EQ(in::AcquireMouse(), DIERR_NOTINITIALIZED);
}

}  // namespace
