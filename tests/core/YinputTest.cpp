#include "core/Yinput.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "core/YAppActive.h"
#include "core/YCommandManager.h"
#include "core/YLog.h"
#include "core/YScript.h"
#include "core/YSettings.h"
#include "platform/input/Input.h"
#include "platform/system/System.h"
#include "support/InjectEvents.h"
#include "support/TestSupport.h"

// Last: the X11 headers define many short macro names.
#include <SDL2/SDL_syswm.h>
#include <X11/extensions/XInput2.h>

namespace {

// The pointer seen at a point of the window, as X11 tells it through SDL.
void PointerAt(double x, double y, Time time) {
    XIDeviceEvent motion{};
    motion.evtype = XI_Motion;
    motion.event_x = x;
    motion.event_y = y;
    motion.time = time;
    SDL_SysWMmsg msg{};
    msg.subsystem = SDL_SYSWM_X11;
    msg.msg.x11.event.xcookie.type = GenericEvent;
    msg.msg.x11.event.xcookie.evtype = XI_Motion;
    msg.msg.x11.event.xcookie.data = &motion;
    SDL_Event e{};
    e.type = SDL_SYSWMEVENT;
    e.syswm.msg = &msg;
    SDL_PushEvent(&e);
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_SYSWMEVENT);
}

using Lines = std::vector<std::string>;

// Drives the input object with SDL events pushed into the queue and records, in one
// timeline, the input events it sends ("e25 0,0") and the commands that reach the
// handler named "interface" ("mouse_down 0,320,240").
class InputTest : public testing::Test {
protected:
    test::TempDir dir;
    YSettings savedSettings = g_settings;
    std::unique_ptr<CYScriptHandler> handler;
    std::unique_ptr<CYInput> input;
    Lines timeline;
    size_t seen = 0;

    struct Recorder {
        int event;
        EventCallback callback;
    };
    static std::vector<Recorder> Recorders() {
        return {
            {YEVENT_ACTION, Record<YEVENT_ACTION>},         {YEVENT_KEY_RELEASED, Record<YEVENT_KEY_RELEASED>},
            {YEVENT_MOUSE_MOVE, Record<YEVENT_MOUSE_MOVE>}, {YEVENT_MOUSE_DOWN, Record<YEVENT_MOUSE_DOWN>},
            {YEVENT_MOUSE_UP, Record<YEVENT_MOUSE_UP>},     {YEVENT_MOUSE_WHEEL, Record<YEVENT_MOUSE_WHEEL>},
        };
    }

    void SetUp() override {
        StartLog();
        test::WriteFile("data/scripts/s.lua", "Update()\n");
        LoadCommands();
        ASSERT_TRUE(sys::Init());
        handler = std::make_unique<CYScriptHandler>(nullptr);
        handler->SetName("interface");
        g_commandManager->Register(handler.get());
        ASSERT_EQ(handler->AddState("idle", "s.lua"), S_OK);
        StartInput();
        for (const Recorder& r : Recorders()) SubscribeEvent(r.event, this, r.callback);
    }
    void TearDown() override {
        for (const Recorder& r : Recorders()) UnsubscribeEvent(r.event, this, r.callback);
        PurgeUnsubscribedEvents();
        input.reset();
        handler.reset();
        DestroyCommands();
        sys::Quit();
        g_settings = savedSettings;
        g_appActive = 1;
    }

    void StartInput() {
        input.reset();
        input = std::make_unique<CYInput>();
        ASSERT_EQ(input->Init(nullptr, 800, 600), S_OK);
    }

    template <int Event>
    static void Record(void* self, intptr_t a, intptr_t b) {
        auto* t = static_cast<InputTest*>(self);
        t->TakeCommands();
        t->timeline.push_back("e" + std::to_string(Event) + " " + std::to_string(a) + "," + std::to_string(b));
    }

    // Appends the commands queued since the last call, oldest first.
    void TakeCommands() {
        const auto& q = handler->Commands();
        for (size_t i = seen; i < q.size(); ++i) {
            const YCommand& c = q[q.size() - 1 - i];
            std::string line = c.command;
            for (size_t k = 0; k < c.args.size(); ++k) line += (k == 0 ? " " : ",") + c.args[k];
            timeline.push_back(line);
        }
        seen = q.size();
    }

    // One frame: what it sent, in order.
    Lines Frame(HRESULT expected = S_OK) {
        timeline.clear();
        EXPECT_EQ(input->Update(), expected);
        TakeCommands();
        handler->ClearCommands();
        seen = 0;
        return timeline;
    }

    static void Push(SDL_Event e) { SDL_PushEvent(&e); }
    static void Motion(int dx, int dy) { test::PushMotion(dx, dy); }
    static void Wheel(int notches) { test::PushWheel(notches); }
    static void Button(uint8_t button, bool down) { test::PushButton(button, down); }
    static void Key(SDL_Scancode sc, bool down) { test::PushKey(sc, down); }
    static void Focus(bool gained) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        Push(e);
    }
};

// ---- mouse buttons and moves ----

TEST_F(InputTest, APressSendsItsEventsAndClickBeforeTheMove) {
    input->SetCursorPos(100, 100);
    Motion(10, 0);
    Button(SDL_BUTTON_LEFT, true);
    EXPECT_EQ(Frame(), (Lines{"e25 0,0", "screen_click 0.171875,0.208333", "mouse_down 0,110,100", "e24 110,100",
                              "mouse_move 110,100"}));
}

TEST_F(InputTest, LeftClickAtTheCentreGivesHalfAndHalf) {
    input->SetCursorPos(320, 240);
    Button(SDL_BUTTON_LEFT, true);
    EXPECT_EQ(Frame(), (Lines{"e25 0,0", "screen_click 0.500000,0.500000", "mouse_down 0,320,240"}));
    EXPECT_EQ(Frame(), Lines{});  // held: nothing
    EXPECT_EQ(Frame(), Lines{});
    Button(SDL_BUTTON_LEFT, false);
    EXPECT_EQ(Frame(), (Lines{"e26 0,0", "mouse_up 0,320,240"}));
    EXPECT_EQ(Frame(), Lines{});
}

TEST_F(InputTest, RightAndMiddleButtonsSendOnlyMouseDownAndUp) {
    input->SetCursorPos(320, 240);
    Button(SDL_BUTTON_RIGHT, true);
    EXPECT_EQ(Frame(), (Lines{"e25 1,0", "mouse_down 1,320,240"}));
    Button(SDL_BUTTON_MIDDLE, true);
    Button(SDL_BUTTON_RIGHT, false);
    EXPECT_EQ(Frame(), (Lines{"e26 1,0", "mouse_up 1,320,240", "e25 2,0", "mouse_down 2,320,240"}));
}

TEST_F(InputTest, TheCursorStopsAt639And479) {
    input->SetCursorPos(630, 470);
    Motion(100, 100);
    EXPECT_EQ(Frame(), (Lines{"e24 639,479", "mouse_move 639,479"}));
    Motion(5, 7);
    EXPECT_EQ(Frame(), Lines{});  // pinned: no move
    Motion(-10000, 0);
    EXPECT_EQ(Frame(), (Lines{"e24 0,479", "mouse_move 0,479"}));
    Motion(-3, -100000);
    EXPECT_EQ(Frame(), (Lines{"e24 0,0", "mouse_move 0,0"}));
    EXPECT_EQ(input->CursorX(), 0);
    EXPECT_EQ(input->CursorY(), 0);
}

TEST_F(InputTest, APointerPutAtAPlaceTakesTheCursorThereUnscaledAndClicksLandThere) {
    // The frame is the 800 x 600 given to Init, shown whole in a window of that size.
    g_settings.mouseSpeed = 0.5f;
    input->SetCursorPos(200, 200);
    PointerAt(10, 10, 1);  // where the pointer already is
    EXPECT_EQ(Frame(), Lines{});
    PointerAt(400, 150, 2);
    Button(SDL_BUTTON_LEFT, true);
    EXPECT_EQ(Frame(), (Lines{"e25 0,0", "screen_click 0.500000,0.250000", "mouse_down 0,320,120", "e24 320,120",
                              "mouse_move 320,120"}));
    // Relative motion goes on from the place, scaled.
    Motion(20, 0);
    EXPECT_EQ(Frame(), (Lines{"e24 330,120", "mouse_move 330,120"}));
    PointerAt(799, 599, 3);
    EXPECT_EQ(Frame(), (Lines{"e24 639,479", "mouse_move 639,479"}));
}

TEST_F(InputTest, APointerPutAtAPlaceReachesEveryRowAndColumnExactly) {
    for (const auto& [width, height] : {std::pair{640, 480}, {800, 600}}) {
        ASSERT_EQ(input->Init(nullptr, width, height), S_OK);
        Frame();
        PointerAt(0, 0, 1);  // where the pointer already is
        Frame();
        for (int p = 1; p < width; ++p) {
            PointerAt(p, p % height, 1 + p);
            Frame();
            ASSERT_EQ(input->CursorX(), p * 640 / width) << width << " x " << height << " at " << p;
            ASSERT_EQ(input->CursorY(), (p % height) * 480 / height) << width << " x " << height << " at " << p;
        }
    }
    PointerAt(330, 250, 1000);
    EXPECT_EQ(Frame(), (Lines{"e24 264,200", "mouse_move 264,200"}));
    ASSERT_EQ(input->Init(nullptr, 640, 480), S_OK);
    PointerAt(0, 0, 1001);
    Frame();
    PointerAt(200, 63, 1001);
    EXPECT_EQ(Frame(), (Lines{"e24 200,63", "mouse_move 200,63"}));
    PointerAt(330, 250, 1002);
    EXPECT_EQ(Frame(), (Lines{"e24 330,250", "mouse_move 330,250"}));
}

TEST_F(InputTest, AClickQuickerThanAFrameIsPressedInOneFrameAndReleasedInTheNext) {
    input->SetCursorPos(320, 240);
    Button(SDL_BUTTON_LEFT, true);
    Button(SDL_BUTTON_LEFT, false);
    Key(SDL_SCANCODE_ESCAPE, true);
    Key(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(Frame(), (Lines{"e25 0,0", "screen_click 0.500000,0.500000", "mouse_down 0,320,240"}));
    EXPECT_EQ(Frame(), (Lines{"e26 0,0", "mouse_up 0,320,240", "e8 1,0", "mainmenu"}));
    EXPECT_EQ(Frame(), Lines{});
}

TEST_F(InputTest, MotionIsScaledByTheMouseSpeedAndTruncated) {
    g_settings.mouseSpeed = 0.5f;
    input->SetCursorPos(100, 100);
    Motion(1, -1);
    EXPECT_EQ(Frame(), Lines{});
    Motion(3, -3);
    EXPECT_EQ(Frame(), (Lines{"e24 101,99", "mouse_move 101,99"}));
}

TEST_F(InputTest, TheWheelIsScaledAndComesFirst) {
    g_settings.mouseWheelSpeed = 0.5f;
    input->SetCursorPos(320, 240);
    Wheel(-1);
    Button(SDL_BUTTON_RIGHT, true);
    EXPECT_EQ(Frame(), (Lines{"e27 -60,0", "mouse_wheel -60", "e25 1,0", "mouse_down 1,320,240"}));
}

TEST_F(InputTest, AbsurdSpeedsSaturateOrGiveNoMotion) {
    input->SetCursorPos(100, 100);
    g_settings.mouseSpeed = 1e30f;
    Motion(1, -1);
    EXPECT_EQ(Frame(), (Lines{"e24 639,0", "mouse_move 639,0"}));
    g_settings.mouseSpeed = std::nanf("");
    g_settings.mouseWheelSpeed = std::nanf("");
    Motion(-50, 50);
    Wheel(1);
    EXPECT_EQ(Frame(), Lines{});
}

TEST_F(InputTest, AFailedMouseReadCountsAsNoMotionAndNoButtons) {
    input->SetCursorPos(320, 240);
    Button(SDL_BUTTON_LEFT, true);
    Frame();
    // Not acquired (and not lost): the read fails with another error than a lost device.
    in::UnacquireMouse();
    Focus(false);
    Motion(40, 40);
    EXPECT_EQ(Frame(), (Lines{"e26 0,0", "mouse_up 0,320,240"}));
}

// ---- keys ----

TEST_F(InputTest, ABoundKeySendsKeyActionWhenPressedAndReleased) {
    Key(SDL_SCANCODE_UP, true);
    EXPECT_EQ(Frame(), (Lines{"e7 0,0", "KeyAction forward,1"}));
    EXPECT_EQ(Frame(), Lines{});
    Key(SDL_SCANCODE_UP, false);
    EXPECT_EQ(Frame(), (Lines{"e7 0,1", "KeyAction forward,0", "e8 200,0"}));
}

TEST_F(InputTest, AnUnboundKeySendsOnlyTheReleaseEvent) {
    Key(SDL_SCANCODE_A, true);
    EXPECT_EQ(Frame(), Lines{});
    Key(SDL_SCANCODE_A, false);
    EXPECT_EQ(Frame(), (Lines{"e8 30,0"}));
}

TEST_F(InputTest, ReleasingEscapeSendsTheReleaseThenMainmenu) {
    Key(SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(Frame(), Lines{});
    Key(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(Frame(), (Lines{"e8 1,0", "mainmenu"}));
}

TEST_F(InputTest, AnEscapeBoundToAnActionReportsTheActionFirst) {
    input->Actions().SetAction("map", in::KEY_ESCAPE);
    Key(SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(Frame(), (Lines{"e7 11,0", "KeyAction map,1"}));
    Key(SDL_SCANCODE_ESCAPE, false);
    EXPECT_EQ(Frame(), (Lines{"e7 11,1", "KeyAction map,0", "e8 1,0", "mainmenu"}));
}

TEST_F(InputTest, ReleasingTheGraveKeySendsConsole) {
    Key(SDL_SCANCODE_GRAVE, true);
    Frame();
    Key(SDL_SCANCODE_GRAVE, false);
    EXPECT_EQ(Frame(), (Lines{"e8 41,0", "console"}));
}

TEST_F(InputTest, KeysHeldAtTheFirstReadArePressesInCodeOrder) {
    Key(SDL_SCANCODE_SPACE, true);
    Key(SDL_SCANCODE_LCTRL, true);
    EXPECT_EQ(Frame(), (Lines{"e7 5,0", "KeyAction pickup,1", "e7 4,0", "KeyAction fire,1"}));
}

TEST_F(InputTest, AKeyAboveTheNameTableCanBeBound) {
    input->Actions().SetAction("help", 0xDB);  // the left system key
    Key(SDL_SCANCODE_LGUI, true);
    EXPECT_EQ(Frame(), (Lines{"e7 21,0", "KeyAction help,1"}));
}

// ---- lost devices and an inactive application ----

TEST_F(InputTest, ALostMouseEndsTheFrameBeforeTheKeys) {
    Key(SDL_SCANCODE_SPACE, true);
    EXPECT_EQ(Frame(), (Lines{"e7 4,0", "KeyAction fire,1"}));
    Focus(false);  // the keyboard reads no key down from now on
    EXPECT_EQ(Frame(E_FAIL), Lines{});
    Focus(true);
    EXPECT_EQ(Frame(), (Lines{"e7 4,1", "KeyAction fire,0", "e8 57,0"}));
}

// The window loses its focus (the application goes inactive with it) and gets it back.
TEST_F(InputTest, InputMadeWhileInactiveIsDroppedAndTheFirstActiveFrameTakesThePointerWhereItIsNow) {
    input->SetCursorPos(320, 240);
    PointerAt(400, 300, 1);  // where the pointer already is
    Key(SDL_SCANCODE_UP, true);
    EXPECT_EQ(Frame(), (Lines{"e7 0,0", "KeyAction forward,1"}));
    g_appActive = 0;
    Focus(false);
    Key(SDL_SCANCODE_SPACE, true);
    Key(SDL_SCANCODE_ESCAPE, true);
    Key(SDL_SCANCODE_ESCAPE, false);
    Key(SDL_SCANCODE_UP, false);
    Button(SDL_BUTTON_LEFT, true);
    Button(SDL_BUTTON_LEFT, false);
    Button(SDL_BUTTON_RIGHT, true);
    Motion(5, 0);
    Wheel(1);
    PointerAt(100, 150, 2);  // the pointer moves on while the window is inactive
    EXPECT_EQ(Frame(), Lines{});
    g_appActive = 1;
    Focus(true);
    // The cursor goes where the pointer is; of the keys only the one held before and up now
    // is seen, as let go.
    EXPECT_EQ(Frame(), (Lines{"e24 80,120", "mouse_move 80,120", "e7 0,1", "KeyAction forward,0", "e8 200,0"}));
    EXPECT_EQ(Frame(), Lines{});
    Button(SDL_BUTTON_LEFT, true);
    EXPECT_EQ(Frame(), (Lines{"e25 0,0", "screen_click 0.125000,0.250000", "mouse_down 0,80,120"}));
}

// ---- queries, set-up and tear-down ----

TEST_F(InputTest, AnswersTheCursorAndBindingQueries) {
    input->SetCursorPos(12, 34);
    int32_t x = -1, y = -1;
    SendEvent(YEVENT_GET_CURSOR_POS, reinterpret_cast<intptr_t>(&x), reinterpret_cast<intptr_t>(&y));
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 34);
    SendEvent(YEVENT_SET_CURSOR_POS, 1000, -5);  // no clamping, no event
    EXPECT_EQ(input->CursorX(), 1000);
    EXPECT_EQ(input->CursorY(), -5);
    CYActions* actions = nullptr;
    SendEvent(YEVENT_GET_ACTIONS, reinterpret_cast<intptr_t>(&actions), 0);
    EXPECT_EQ(actions, &input->Actions());
    SendEvent(YEVENT_GET_ACTIONS, 0, 0);  // a null target is ignored
    g_settings.screenWidth = 1024;
    g_settings.screenHeight = 768;
    EXPECT_EQ(input->ScreenWidth(), 800);
    SendEvent(YEVENT_DISPLAY_MODE_CHANGED, 0, 0);
    EXPECT_EQ(input->ScreenWidth(), 1024);
    EXPECT_EQ(input->ScreenHeight(), 768);
}

TEST_F(InputTest, ACursorSetOutsideTheScreenComesBackAtTheNextFrame) {
    input->SetCursorPos(1000, -5);
    EXPECT_EQ(Frame(), (Lines{"e24 639,0", "mouse_move 639,0"}));
}

TEST_F(InputTest, InitLoadsTheBindingsAndSubscribesOnce) {
    test::WriteFile("Actions.cfg", "fire 29\n");
    PurgeUnsubscribedEvents();
    const int before = EventRecordCount(YEVENT_GET_CURSOR_POS);
    StartInput();
    PurgeUnsubscribedEvents();
    EXPECT_EQ(EventRecordCount(YEVENT_GET_CURSOR_POS), before);
    EXPECT_EQ(input->Actions().FindActionByKey(29), 4);
    EXPECT_EQ(input->Actions().Binding(5)->code, 0);
    EXPECT_EQ(input->CursorX(), 0);
    ASSERT_EQ(input->Init(nullptr, 640, 480), S_OK);  // again: no second subscription
    EXPECT_EQ(EventRecordCount(YEVENT_GET_CURSOR_POS), before);
}

TEST_F(InputTest, DestroyedInputNoLongerAnswers) {
    input.reset();
    int32_t x = -1, y = -1;
    SendEvent(YEVENT_GET_CURSOR_POS, reinterpret_cast<intptr_t>(&x), reinterpret_cast<intptr_t>(&y));
    EXPECT_EQ(x, -1);
    EXPECT_FALSE(in::Initialized());
}

TEST_F(InputTest, AnInputThatNeverStartedReleasesNothing) {
    { CYInput idle; }
    EXPECT_TRUE(in::Initialized());
    Key(SDL_SCANCODE_UP, true);
    EXPECT_EQ(Frame(), (Lines{"e7 0,0", "KeyAction forward,1"}));
}

}  // namespace
