// The frame timer: frame time and total time in seconds, and a frame counter.
#pragma once
#include <cstdint>

struct YTimerState {
    bool hasCounter = false;
    int64_t frequency = 0;
    int64_t last = 0;
    double frameTime = 0.0;
    double totalTime = 0.0;
    uint32_t frameCounter = 0;
};

extern YTimerState g_timer;

// Starts the timer: counter and total at zero.
void InitTimer();
// Once per pass of the main loop: counts a frame and measures the time since the last call.
void UpdateTimer();
