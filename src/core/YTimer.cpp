#include "core/YTimer.h"

#include "platform/system/System.h"

YTimerState g_timer;

void InitTimer() {
    g_timer.frameCounter = 0;
    g_timer.totalTime = 0.0;
    g_timer.frequency = sys::CounterFrequency();
    g_timer.hasCounter = g_timer.frequency > 0;
    if (g_timer.hasCounter) {
        g_timer.last = sys::CounterValue();
    } else {
        g_timer.last = sys::Milliseconds();
        g_timer.frameTime = 0.0;
    }
}

void UpdateTimer() {
    ++g_timer.frameCounter;
    if (g_timer.hasCounter) {
        int64_t now = sys::CounterValue();
        g_timer.frameTime = static_cast<double>(now - g_timer.last) / static_cast<double>(g_timer.frequency);
        g_timer.last = now;
        g_timer.totalTime += g_timer.frameTime;
    } else {
        int64_t now = sys::Milliseconds();
        g_timer.frameTime = static_cast<double>(static_cast<uint32_t>(now - g_timer.last)) * 0.001;
        g_timer.last = now;
    }
}
