// Making the graphics object, the hidden test window, and the recording extras.
#include <SDL2/SDL.h>

#include "platform/graphics/GLDevice.h"

namespace gfx {

namespace detail {
Graphics* NewRecordingGraphics();
void SetModesOfRecording(Graphics* graphics, const std::vector<DisplayMode>& modes);
}  // namespace detail

namespace {
Backend g_backend = Backend::OpenGL;
}

void SelectBackend(Backend backend) { g_backend = backend; }

Graphics* Create(uint32_t sdkVersion) {
    if (sdkVersion != kSdkVersion) return nullptr;
    switch (g_backend) {
    case Backend::OpenGL: return new detail::GLGraphics();
    case Backend::Recording: return detail::NewRecordingGraphics();
    default: return nullptr;
    }
}

Graphics* CreateRecordingGraphics() { return detail::NewRecordingGraphics(); }

Recording* AsRecording(Unknown* object) { return dynamic_cast<Recording*>(object); }

void SetRecordingDisplayModes(Graphics* recordingGraphics, const std::vector<DisplayMode>& modes) {
    detail::SetModesOfRecording(recordingGraphics, modes);
}

HiddenWindow::HiddenWindow(int width, int height) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    detail::KeepGLDriverLoaded();
    window_ = SDL_CreateWindow("Kestrune", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
}

HiddenWindow::~HiddenWindow() {
    if (window_) SDL_DestroyWindow(window_);
}

}  // namespace gfx
