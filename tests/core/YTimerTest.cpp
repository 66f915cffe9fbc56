#include "core/YTimer.h"

#include <gtest/gtest.h>

#include "platform/system/System.h"

namespace {

TEST(FrameTimer, FirstUpdateMeasuresFromInit) {
    InitTimer();
    EXPECT_EQ(g_timer.frameCounter, 0u);
    EXPECT_EQ(g_timer.totalTime, 0.0);
    sys::Sleep(20);
    UpdateTimer();
    EXPECT_EQ(g_timer.frameCounter, 1u);
    EXPECT_GE(g_timer.frameTime, 0.019);
    EXPECT_DOUBLE_EQ(g_timer.totalTime, g_timer.frameTime);
    UpdateTimer();
    EXPECT_EQ(g_timer.frameCounter, 2u);
    EXPECT_GE(g_timer.totalTime, g_timer.frameTime);
}

}  // namespace
