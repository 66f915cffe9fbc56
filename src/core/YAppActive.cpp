#include "core/YAppActive.h"

int32_t g_appActive = 1;
