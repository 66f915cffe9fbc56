// The program-wide settings record, with the built-in defaults in force from the start.
#pragma once
#include <cstdint>

namespace sys { class Window; }

struct YSettings {
    int32_t screenWidth = 800;
    int32_t screenHeight = 600;
    uint8_t fullScreen = 1;
    int32_t logLevel = 10;
    int32_t bitsPerPixel = 32;
    uint8_t statistics = 1;
    float mouseSpeed = 1.0f;
    float mouseWheelSpeed = 1.0f;
    uint8_t trilinear = 0;
    float soundVolume = 0.5f;
    float musicVolume = 0.5f;
    float brightness = 0.5f;
    int32_t channels = 2;
    int32_t bitsPerSample = 16;
    int32_t frequency = 44100;
    int32_t cameraMode = 0;
    sys::Window* mainWindow = nullptr;
};

// The one settings record.
extern YSettings g_settings;
