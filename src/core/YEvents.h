// The event dispatcher: 72 numbered events, each with its own subscriber list, sent
// synchronously; and CYEventListener, the mix-in that cancels an object's subscriptions.
#pragma once
#include <cstdint>
#include <vector>

enum YEvent : int {
    YEVENT_TEXTURE_REQUEST = 0,
    YEVENT_FRAME = 2,
    YEVENT_GET_RENDERER = 3,
    YEVENT_ROOM_DRAWN = 4,
    YEVENT_GET_WORLD_PARAM = 5,
    YEVENT_BOUNDS_ANNOUNCE = 6,
    YEVENT_ACTION = 7,
    YEVENT_KEY_RELEASED = 8,
    YEVENT_GET_CAMERA = 9,
    YEVENT_GET_GAME_WORLD = 10,
    YEVENT_WATCH_TRIGGER = 11,
    YEVENT_UPDATE_VISIBLE_ROOMS = 12,
    YEVENT_REGISTER_OBJECT = 13,
    YEVENT_REGISTER_MOVING_OBJECT = 14,
    YEVENT_GET_MOVING_OBJECTS = 15,
    YEVENT_GET_CLOSEST_MOVING_OBJECT = 16,
    YEVENT_GET_COMPLEX_OBJECT = 17,
    YEVENT_SET_CAMERA_TARGET = 18,
    YEVENT_SET_ROOT_FLAG = 19,
    YEVENT_INIT_INTERFACE = 20,
    YEVENT_GET_ACTIONS = 21,
    YEVENT_SET_INTERFACE_MODE = 22,
    YEVENT_SET_BRIGHTNESS = 23,
    YEVENT_MOUSE_MOVE = 24,
    YEVENT_MOUSE_DOWN = 25,
    YEVENT_MOUSE_UP = 26,
    YEVENT_MOUSE_WHEEL = 27,
    YEVENT_GET_CURSOR_POS = 28,
    YEVENT_SET_CURSOR_POS = 29,
    YEVENT_CHAR = 30,
    YEVENT_WINDOW_POINTER_ENTER = 32,
    YEVENT_WINDOW_POINTER_LEAVE = 33,
    YEVENT_WINDOW_BUTTON_DOWN = 34,
    YEVENT_WINDOW_BUTTON_UP = 35,
    YEVENT_SLIDER_MOVED = 36,
    YEVENT_CHECKBOX_CHANGED = 37,
    YEVENT_RADIO_CHECKED = 38,
    YEVENT_SET_CURSOR_TYPE = 39,
    YEVENT_BUTTON_CLICKED = 40,
    YEVENT_TEXTBOX_NOTIFY = 41,
    YEVENT_GET_FONT = 48,
    YEVENT_REFRESH_MOUSE = 49,
    YEVENT_TEXTEDIT_NOTIFY1 = 51,
    YEVENT_TEXTEDIT_NOTIFY2 = 52,
    YEVENT_TEXTBOX_NOTIFY2 = 53,
    YEVENT_FIND_WINDOW = 59,
    YEVENT_NEW_WINDOW = 60,
    YEVENT_DISPLAY_MODE_CHANGED = 61,
    YEVENT_CREATE_INTERFACE_OBJECT = 62,
    YEVENT_SET_TRIGGER = 63,
    YEVENT_GET_TRIGGER = 64,
    YEVENT_EXPLODE = 65,
    YEVENT_CLEAR_TRIGGERS = 67,
    YEVENT_CHANGE_BACKGROUND = 68,
    YEVENT_PLAY_VIDEO = 69,
    YEVENT_STOP_VIDEO = 70,
    YEVENT_IS_VALID_OBJECT = 71,
};

constexpr int kEventCount = 72;

// A subscriber: called with its context and the event's two payloads.
using EventCallback = void (*)(void* context, intptr_t a, intptr_t b);

// Calls every live subscriber of the event, in subscription order. Numbers outside
// 0..71 are ignored.
void SendEvent(int event, intptr_t a, intptr_t b);
// Appends a subscriber (no duplicate check).
void SubscribeEvent(int event, void* context, EventCallback callback);
// Marks the first live matching record removed; it is no longer called.
void UnsubscribeEvent(int event, void* context, EventCallback callback);
// Removes the marked records, keeping the order of the rest. Once per frame.
void PurgeUnsubscribedEvents();
// Number of records (live or marked) of an event, for tests and diagnostics.
int EventRecordCount(int event);

struct EventSubscription {
    int event;
    void* context;
    EventCallback callback;
};
bool EventSubscriptionEquals(const EventSubscription& a, const EventSubscription& b);

// Mix-in: records every subscription its object makes and cancels them at destruction.
class CYEventListener {
public:
    CYEventListener() = default;
    CYEventListener(const CYEventListener&) = delete;
    CYEventListener& operator=(const CYEventListener&) = delete;
    virtual ~CYEventListener();

    // Subscribes unless this object already holds the same subscription.
    void SubscribeOnce(int event, void* context, EventCallback callback);
    // Cancels every subscription of this object.
    void UnsubscribeAll();

private:
    std::vector<EventSubscription> subscriptions_;
};
