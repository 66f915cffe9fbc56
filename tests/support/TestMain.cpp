// Test entry point: sets the headless environment before anything starts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/system/System.h"

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
#if defined(__SANITIZE_ADDRESS__)
    // Under the leak checker llvmpipe draws on the calling thread: its worker threads, still
    // running at exit, crash the checker's stop-the-world on some machines. The programs the
    // tests start inherit it.
    setenv("LP_NUM_THREADS", "0", 0);
#endif
    sys::SetDebugOutput(std::getenv("KESTRUNE_TEST_VERBOSE") != nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
