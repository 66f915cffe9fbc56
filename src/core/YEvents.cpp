#include "core/YEvents.h"

#include <algorithm>
#include <unordered_set>

namespace {

struct Record {
    void* context;
    EventCallback callback;
    bool removed;
};

std::vector<Record>& Records(int event) {
    static std::vector<Record> records[kEventCount];
    return records[event];
}

std::unordered_set<int>& Pending() {
    static std::unordered_set<int> pending;
    return pending;
}

bool ValidEvent(int event) { return event >= 0 && event < kEventCount; }

}  // namespace

void SendEvent(int event, intptr_t a, intptr_t b) {
    if (!ValidEvent(event)) return;
    std::vector<Record>& list = Records(event);
    // Only the records present at entry are walked; reached by index so that a
    // subscription made by a callback cannot invalidate the walk.
    const size_t count = list.size();
    for (size_t i = 0; i < count; ++i) {
        Record r = list[i];
        if (r.removed) continue;
        r.callback(r.context, a, b);
    }
}

void SubscribeEvent(int event, void* context, EventCallback callback) {
    if (!ValidEvent(event) || !callback) return;
    Records(event).push_back(Record{context, callback, false});
}

void UnsubscribeEvent(int event, void* context, EventCallback callback) {
    if (!ValidEvent(event)) return;
    for (Record& r : Records(event)) {
        // Only a live record is marked, so a pair subscribed again after an
        // unsubscription is found and cancelled too.
        if (!r.removed && r.context == context && r.callback == callback) {
            r.removed = true;
            Pending().insert(event);
            return;
        }
    }
}

void PurgeUnsubscribedEvents() {
    std::unordered_set<int>& pending = Pending();
    if (pending.empty()) return;
    for (int event : pending) {
        std::vector<Record>& list = Records(event);
        list.erase(std::remove_if(list.begin(), list.end(), [](const Record& r) { return r.removed; }), list.end());
    }
    pending.clear();
}

int EventRecordCount(int event) { return ValidEvent(event) ? static_cast<int>(Records(event).size()) : 0; }

bool EventSubscriptionEquals(const EventSubscription& a, const EventSubscription& b) {
    return a.event == b.event && a.context == b.context && a.callback == b.callback;
}

CYEventListener::~CYEventListener() { UnsubscribeAll(); }

void CYEventListener::SubscribeOnce(int event, void* context, EventCallback callback) {
    EventSubscription s{event, context, callback};
    for (const EventSubscription& e : subscriptions_)
        if (EventSubscriptionEquals(e, s)) return;
    subscriptions_.push_back(s);
    SubscribeEvent(event, context, callback);
}

void CYEventListener::UnsubscribeAll() {
    for (const EventSubscription& s : subscriptions_) UnsubscribeEvent(s.event, s.context, s.callback);
    subscriptions_.clear();
}
