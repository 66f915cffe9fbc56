// Injected SDL input events, as a player's keyboard and mouse would send them.
#pragma once
#include <SDL2/SDL.h>

namespace test {

inline void PushKey(SDL_Scancode sc, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = sc;
    SDL_PushEvent(&e);
}

inline void PushMotion(int dx, int dy) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    SDL_PushEvent(&e);
}

inline void PushWheel(int notches) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = notches;
    SDL_PushEvent(&e);
}

inline void PushButton(uint8_t button, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    SDL_PushEvent(&e);
}

inline void PushWindowEvent(uint8_t event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    SDL_PushEvent(&e);
}

}  // namespace test
