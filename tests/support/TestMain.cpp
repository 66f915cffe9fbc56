// Test entry point: sets the headless environment before anything starts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/system/System.h"

// Shared libraries stay loaded until the program ends: SDL unloads the GL driver at
// shutdown, taking with it the only pointers to memory the driver still holds, which the
// sanitizer build's leak checker would then report as lost.
extern "C" int dlclose(void*) { return 0; }

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    sys::SetDebugOutput(std::getenv("KESTRUNE_TEST_VERBOSE") != nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
