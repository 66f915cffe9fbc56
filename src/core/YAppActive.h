// Whether the application is active: 1 while the main window may take input and draw.
// Written only by the main window's procedure; read by the main loop and the input object.
#pragma once
#include <cstdint>

extern int32_t g_appActive;
