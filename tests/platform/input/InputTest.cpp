#include "platform/input/Input.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "support/InjectEvents.h"

#include "platform/system/System.h"

// Last: the X11 headers define many short macro names.
#include <SDL2/SDL_syswm.h>
#include <X11/extensions/XInput2.h>

namespace {

// X11 events as SDL passes them on to the program, made up here.
struct SystemEvents {
    SDL_SysWMmsg msg{};
    XIRawEvent raw{};
    XIDeviceEvent motion{};

    void Push() {
        msg.subsystem = SDL_SYSWM_X11;
        SDL_Event e{};
        e.type = SDL_SYSWMEVENT;
        e.syswm.msg = &msg;
        SDL_PushEvent(&e);
        SDL_PumpEvents();
        SDL_FlushEvent(SDL_SYSWMEVENT);  // the message lives only as long as this call
    }
    void Cookie(int evtype, void* data) {
        msg.msg.x11.event = XEvent{};
        msg.msg.x11.event.xcookie.type = GenericEvent;
        msg.msg.x11.event.xcookie.evtype = evtype;
        msg.msg.x11.event.xcookie.data = data;
        Push();
    }
    // A device's relative motion, as the raw event that comes before the pointer's move.
    void Relative(Time time) {
        raw.evtype = XI_RawMotion;
        raw.time = time;
        Cookie(XI_RawMotion, &raw);
    }
    // The pointer seen at a point of the window.
    void PointerAt(double x, double y, Time time) {
        motion.evtype = XI_Motion;
        motion.event_x = x;
        motion.event_y = y;
        motion.time = time;
        Cookie(XI_Motion, &motion);
    }
    void Key(unsigned keycode, bool press, Time time) {
        msg.msg.x11.event = XEvent{};
        msg.msg.x11.event.xkey.type = press ? KeyPress : KeyRelease;
        msg.msg.x11.event.xkey.keycode = keycode;
        msg.msg.x11.event.xkey.time = time;
        Push();
    }
};

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

// ---- presses quicker than a read ----

TEST_F(InputLayer, AKeyTappedBetweenTwoReadsIsSeenDownThenUp) {
    uint8_t keys[256];
    for (int tap = 0; tap < 3; ++tap) {
        Key(SDL_SCANCODE_ESCAPE, true);
        Key(SDL_SCANCODE_ESCAPE, false);
    }
    for (int tap = 0; tap < 3; ++tap) {
        ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
        EXPECT_EQ(keys[in::KEY_ESCAPE], 0x80) << tap;
        ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
        EXPECT_EQ(keys[in::KEY_ESCAPE], 0) << tap;
    }
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_ESCAPE], 0);
}

TEST_F(InputLayer, AHeldKeyLetGoAndPressedAgainBetweenReadsIsSeenUpThenDown) {
    uint8_t keys[256];
    Key(SDL_SCANCODE_A, true);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    Key(SDL_SCANCODE_A, false);
    Key(SDL_SCANCODE_A, true);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_A], 0);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_A], 0x80);
}

TEST_F(InputLayer, ABurstOfTapsKeepsItsLatestSixteenAndEndsUp) {
    for (int tap = 0; tap < 40; ++tap) {
        Key(SDL_SCANCODE_SPACE, true);
        Key(SDL_SCANCODE_SPACE, false);
    }
    uint8_t keys[256];
    int presses = 0;
    bool down = false;
    for (int read = 0; read < 100; ++read) {
        ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
        if (keys[in::KEY_SPACE] && !down) ++presses;
        down = keys[in::KEY_SPACE] != 0;
    }
    EXPECT_EQ(presses, 16);
    EXPECT_FALSE(down);
}

TEST_F(InputLayer, AClickBetweenTwoReadsIsSeenDownThenUp) {
    test::PushButton(SDL_BUTTON_LEFT, true);
    test::PushButton(SDL_BUTTON_LEFT, false);
    in::MouseState s;
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_EQ(s.buttons[0], 0x80);
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_EQ(s.buttons[0], 0);
}

TEST_F(InputLayer, ATapThatSdlReadsAsAKeyRepeatKeepsItsRelease) {
    SystemEvents x;
    uint8_t keys[256];
    Key(SDL_SCANCODE_ESCAPE, true);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    // Let go and pressed again in the same millisecond: SDL reports only a repeat.
    x.Key(9, false, 1000);
    x.Key(9, true, 1000);
    SDL_Event repeat{};
    repeat.type = SDL_KEYDOWN;
    repeat.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    repeat.key.repeat = 1;
    Push(repeat);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_ESCAPE], 0);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_ESCAPE], 0x80);
    // A key held down repeats with presses only: it stays down.
    x.Key(9, true, 1040);
    Push(repeat);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_ESCAPE], 0x80);
}

// ---- pointers put at a place ----

TEST_F(InputLayer, APointerMovedWithoutRelativeMotionIsReadAsItsPlaceInTheFrame) {
    SystemEvents x;
    in::SetFrameSize(640, 480);
    in::MouseState s;
    x.PointerAt(100, 100, 10);  // where the pointer is: nothing moved yet
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_FALSE(s.placed);
    x.PointerAt(320, 120, 20);
    test::PushMotion(5, 0);  // motion after the place counts from it
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_TRUE(s.placed);
    EXPECT_EQ(s.placeX, 320);  // no grid set: the frame's pixels
    EXPECT_EQ(s.placeY, 120);
    EXPECT_EQ(s.x, 5);
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_FALSE(s.placed);
}

TEST_F(InputLayer, APointerMovedByRelativeMotionIsReadAsThatMotionOnly) {
    SystemEvents x;
    in::SetFrameSize(640, 480);
    in::MouseState s;
    x.PointerAt(100, 100, 10);
    x.Relative(20);
    test::PushMotion(7, 3);
    x.PointerAt(107, 103, 20);
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_FALSE(s.placed);
    EXPECT_EQ(s.x, 7);
    EXPECT_EQ(s.y, 3);
}

TEST_F(InputLayer, InputMadeWhileTheWindowIsInactiveIsDroppedAndThePointerTakenWhereItIsNow) {
    SystemEvents x;
    in::SetFrameSize(640, 480);
    in::MouseState s;
    uint8_t keys[256];
    x.PointerAt(100, 100, 10);
    test::PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    Key(SDL_SCANCODE_A, true);
    Key(SDL_SCANCODE_A, false);
    Key(SDL_SCANCODE_SPACE, true);
    test::PushButton(SDL_BUTTON_LEFT, true);
    test::PushButton(SDL_BUTTON_LEFT, false);
    test::PushButton(SDL_BUTTON_RIGHT, true);
    test::PushMotion(30, 30);
    test::PushWheel(2);
    x.PointerAt(400, 300, 20);  // followed, not a place put while inactive
    test::PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    ASSERT_EQ(in::AcquireMouse(), S_OK);
    ASSERT_EQ(in::AcquireKeyboard(), S_OK);
    ASSERT_EQ(in::ReadMouse(&s), S_OK);
    EXPECT_TRUE(s.placed);
    EXPECT_EQ(s.placeX, 400);
    EXPECT_EQ(s.placeY, 300);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.z, 0);
    EXPECT_EQ(s.buttons[0], 0);
    EXPECT_EQ(s.buttons[1], 0);
    for (int read = 0; read < 3; ++read) {
        ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
        EXPECT_EQ(keys[in::KEY_A], 0);
        EXPECT_EQ(keys[in::KEY_SPACE], 0);
    }
    // Once active again, input counts as before.
    Key(SDL_SCANCODE_SPACE, true);
    ASSERT_EQ(in::ReadKeyboard(keys), S_OK);
    EXPECT_EQ(keys[in::KEY_SPACE], 0x80);
}

TEST(InputPlace, TheFrameIsScaledToFitAndCentredInTheWindow) {
    int32_t column = -1, row = -1;
    // 640 x 480 in 1280 x 1024: doubled, with bars of 32 above and below.
    const in::FrameView tall{1280, 1024, 640, 480};
    ASSERT_TRUE(in::PlaceInFrame(640, 512, tall, 640, 480, &column, &row));
    EXPECT_EQ(column, 320);
    EXPECT_EQ(row, 240);
    ASSERT_TRUE(in::PlaceInFrame(0, 10, tall, 640, 480, &column, &row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);  // on the bar: the frame's edge
    ASSERT_TRUE(in::PlaceInFrame(1279, 1000, tall, 640, 480, &column, &row));
    EXPECT_EQ(column, 639);
    EXPECT_EQ(row, 479);
    ASSERT_TRUE(in::PlaceInFrame(33.9, 32.0, tall, 640, 480, &column, &row));
    EXPECT_EQ(column, 16);  // the pixel the point is on
    EXPECT_EQ(row, 0);
    // 800 x 600 in 1000 x 600: bars of 100 left and right.
    ASSERT_TRUE(in::PlaceInFrame(99, 599, in::FrameView{1000, 600, 800, 600}, 640, 480, &column, &row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 479);
    ASSERT_TRUE(in::PlaceInFrame(100, 315, in::FrameView{1000, 600, 800, 600}, 640, 480, &column, &row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 252);
    // 640 x 480 in 1365 x 768: drawn 1024 x 768 from pixel 170, a whole pixel.
    const in::FrameView odd{1365, 768, 640, 480};
    for (const auto& [x, expected] : {std::pair{169, 0}, {170, 0}, {171, 0}, {172, 1}, {1193, 639}, {1194, 639}}) {
        ASSERT_TRUE(in::PlaceInFrame(x, 767, odd, 640, 480, &column, &row));
        EXPECT_EQ(column, expected) << x;
        EXPECT_EQ(row, 479);
    }
    EXPECT_FALSE(in::PlaceInFrame(1, 1, in::FrameView{0, 480, 640, 480}, 640, 480, &column, &row));
    EXPECT_FALSE(in::PlaceInFrame(1, 1, in::FrameView{640, 480, 640, 480}, 0, 480, &column, &row));
    ASSERT_TRUE(in::PlaceInFrame(std::nan(""), -1e300, in::FrameView{640, 480, 640, 480}, 640, 480, &column, &row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
}

// Every pixel of a window showing the frame at its own size is read as the cell it lies in,
// at sizes whose scale is no simple fraction in binary.
TEST(InputPlace, EveryRowAndColumnMapsExactly) {
    for (const auto& [width, height] : {std::pair{640, 480}, {800, 600}, {1024, 768}, {1366, 768}, {333, 251}}) {
        const in::FrameView view{width, height, width, height};
        int32_t column = -1, row = -1;
        for (int p = 0; p < std::max(width, height); ++p) {
            ASSERT_TRUE(in::PlaceInFrame(p, p, view, 640, 480, &column, &row));
            if (p < width) {
                ASSERT_EQ(column, p * 640 / width) << width << " x " << height << " at " << p;
            }
            if (p < height) {
                ASSERT_EQ(row, p * 480 / height) << width << " x " << height << " at " << p;
            }
        }
    }
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
