#include "core/YSettings.h"

YSettings g_settings;
