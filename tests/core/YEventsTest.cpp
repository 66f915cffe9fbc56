#include "core/YEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each test uses an event number of its own so that records left by one test do not
// reach another; every test purges what it marked.
std::vector<std::string> g_calls;

struct Probe {
    std::string name;
    intptr_t lastA = 0, lastB = 0;
};

void Record(void* ctx, intptr_t a, intptr_t b) {
    auto* p = static_cast<Probe*>(ctx);
    p->lastA = a;
    p->lastB = b;
    g_calls.push_back(p->name);
}

void Cleanup(int event, std::initializer_list<Probe*> probes) {
    for (Probe* p : probes)
        for (int i = 0; i < 4; ++i) UnsubscribeEvent(event, p, Record);
    PurgeUnsubscribedEvents();
}

TEST(EventDispatch, CallsSubscribersInOrderWithPayloads) {
    g_calls.clear();
    Probe a{"a"}, b{"b"};
    SubscribeEvent(42, &a, Record);
    SubscribeEvent(42, &b, Record);
    SendEvent(42, 7, -3);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(b.lastA, 7);
    EXPECT_EQ(b.lastB, -3);
    Cleanup(42, {&a, &b});
    EXPECT_EQ(EventRecordCount(42), 0);
}

TEST(EventDispatch, SubscribingTwiceCallsTwiceButListenerOnce) {
    g_calls.clear();
    Probe a{"a"};
    SubscribeEvent(43, &a, Record);
    SubscribeEvent(43, &a, Record);
    SendEvent(43, 0, 0);
    EXPECT_EQ(g_calls.size(), 2u);
    Cleanup(43, {&a});

    g_calls.clear();
    {
        CYEventListener listener;
        listener.SubscribeOnce(43, &a, Record);
        listener.SubscribeOnce(43, &a, Record);
        SendEvent(43, 0, 0);
        EXPECT_EQ(g_calls.size(), 1u);
    }
    // The destructor cancelled the subscription.
    SendEvent(43, 0, 0);
    EXPECT_EQ(g_calls.size(), 1u);
    PurgeUnsubscribedEvents();
    EXPECT_EQ(EventRecordCount(43), 0);
}

struct Mutator {
    int event;
    Probe* target;
    bool subscribe;
};
void Mutate(void* ctx, intptr_t, intptr_t) {
    auto* m = static_cast<Mutator*>(ctx);
    g_calls.push_back("mutator");
    if (m->subscribe)
        SubscribeEvent(m->event, m->target, Record);
    else
        UnsubscribeEvent(m->event, m->target, Record);
}

TEST(EventDispatch, UnsubscribingALaterSubscriberDuringASendSkipsIt) {
    g_calls.clear();
    Probe later{"later"};
    Mutator m{44, &later, false};
    SubscribeEvent(44, &m, Mutate);
    SubscribeEvent(44, &later, Record);
    SendEvent(44, 0, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"mutator"}));
    UnsubscribeEvent(44, &m, Mutate);
    Cleanup(44, {&later});
}

TEST(EventDispatch, SubscribingDuringASendTakesEffectAtTheNextSend) {
    g_calls.clear();
    Probe added{"added"};
    Mutator m{45, &added, true};
    SubscribeEvent(45, &m, Mutate);
    SendEvent(45, 0, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"mutator"}));
    UnsubscribeEvent(45, &m, Mutate);
    g_calls.clear();
    SendEvent(45, 0, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"added"}));
    Cleanup(45, {&added});
}

void NestedSend(void* ctx, intptr_t a, intptr_t) {
    g_calls.push_back("outer" + std::to_string(a));
    if (a < 2) SendEvent(46, a + 1, 0);
    (void)ctx;
}

TEST(EventDispatch, NestedSendsOfTheSameEventRunToCompletion) {
    g_calls.clear();
    int ctx = 0;
    SubscribeEvent(46, &ctx, NestedSend);
    SendEvent(46, 0, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"outer0", "outer1", "outer2"}));
    UnsubscribeEvent(46, &ctx, NestedSend);
    PurgeUnsubscribedEvents();
}

TEST(EventDispatch, PurgeKeepsTheOrderOfTheRest) {
    g_calls.clear();
    Probe a{"a"}, b{"b"}, c{"c"};
    SubscribeEvent(47, &a, Record);
    SubscribeEvent(47, &b, Record);
    SubscribeEvent(47, &c, Record);
    UnsubscribeEvent(47, &b, Record);
    EXPECT_EQ(EventRecordCount(47), 3);
    PurgeUnsubscribedEvents();
    EXPECT_EQ(EventRecordCount(47), 2);
    SendEvent(47, 0, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a", "c"}));
    Cleanup(47, {&a, &c});
}

TEST(EventDispatch, ResubscribeInOneFrameLeavesNothingLive) {
    // Subscribe, unsubscribe, subscribe, unsubscribe before a purge: the object
    // believes it is unsubscribed, so nothing may call it.
    g_calls.clear();
    Probe a{"a"};
    SubscribeEvent(50, &a, Record);
    UnsubscribeEvent(50, &a, Record);
    SubscribeEvent(50, &a, Record);
    UnsubscribeEvent(50, &a, Record);
    SendEvent(50, 0, 0);
    EXPECT_TRUE(g_calls.empty());
    PurgeUnsubscribedEvents();
    EXPECT_EQ(EventRecordCount(50), 0);
}

TEST(EventDispatch, QueryWithoutSubscriberKeepsTheDefault) {
    int answer = 5;
    SendEvent(54, reinterpret_cast<intptr_t>(&answer), 0);
    EXPECT_EQ(answer, 5);
}

TEST(EventDispatch, NumbersOutsideTheTableAreIgnored) {
    Probe a{"a"};
    SubscribeEvent(72, &a, Record);
    SubscribeEvent(-1, &a, Record);
    SendEvent(72, 0, 0);
    SendEvent(-1, 0, 0);
    UnsubscribeEvent(1000, &a, Record);
    EXPECT_EQ(EventRecordCount(72), 0);
}

}  // namespace
