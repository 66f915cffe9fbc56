// The message box the program draws itself, for displays where SDL's cannot show (an X
// server without the core fonts it asks for): the text in DejaVu Sans over a light panel and
// an OK button. It closes on OK, Enter, Escape, Space or the window's close.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/system/System.h"

// Last: the X11 headers define many short macro names.
#include <SDL2/SDL_syswm.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace sys::detail {
namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr long kMaxFontFile = 32L << 20;
constexpr float kTextPixels = 16.0f;
constexpr int kMargin = 24;
constexpr int kMinWidth = 240;
constexpr int kButtonWidth = 88, kButtonHeight = 28;

constexpr uint32_t kPanel = 0xFFE8E8E8, kText = 0xFF000000, kButtonFace = 0xFFF8F8F8, kButtonEdge = 0xFF707070,
                   kButtonDown = 0xFFC8C8C8;

std::vector<unsigned char> ReadFontFile() {
    std::vector<unsigned char> data;
    std::FILE* f = std::fopen(kFontFile, "rb");
    if (!f) return data;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0 && size <= kMaxFontFile && std::fseek(f, 0, SEEK_SET) == 0) {
            data.resize(static_cast<size_t>(size));
            if (std::fread(data.data(), 1, data.size(), f) != data.size()) data.clear();
        }
    }
    std::fclose(f);
    return data;
}

// The characters of a UTF-8 text; a broken sequence gives '?'.
std::vector<int> Characters(const std::string& utf8) {
    std::vector<int> out;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        const size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool whole = length > 0 && i + length <= n;
        for (size_t k = 1; whole && k < length; ++k) whole = (s[i + k] & 0xC0) == 0x80;
        if (!whole) {
            out.push_back('?');
            ++i;
            continue;
        }
        int code = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) code = (code << 6) | (s[i + k] & 0x3F);
        out.push_back(code);
        i += length;
    }
    return out;
}

struct Face {
    stbtt_fontinfo info{};
    float scale = 0;
    int ascent = 0, height = 0;
};

bool LoadFace(const std::vector<unsigned char>& ttf, Face* face) {
    if (ttf.size() < 12) return false;
    const int offset = stbtt_GetFontOffsetForIndex(ttf.data(), 0);
    if (offset < 0 || !stbtt_InitFont(&face->info, ttf.data(), offset)) return false;
    face->scale = stbtt_ScaleForPixelHeight(&face->info, kTextPixels);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&face->info, &ascent, &descent, &gap);
    face->ascent = static_cast<int>(ascent * face->scale + 0.5f);
    face->height = static_cast<int>((ascent - descent) * face->scale + 0.5f);
    return true;
}

int TextWidth(const Face& face, const std::vector<int>& text) {
    float x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&face.info, text[i], &advance, &bearing);
        x += advance * face.scale;
        if (i + 1 < text.size()) x += stbtt_GetCodepointKernAdvance(&face.info, text[i], text[i + 1]) * face.scale;
    }
    return static_cast<int>(x + 0.999f);
}

// A picture of the box, 32-bit ARGB, row by row.
struct Canvas {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    void Fill(const SDL_Rect& r, uint32_t colour) {
        for (int y = std::max(0, r.y); y < std::min(height, r.y + r.h); ++y)
            for (int x = std::max(0, r.x); x < std::min(width, r.x + r.w); ++x) pixels[size_t(y) * width + x] = colour;
    }
    // Black text with its top-left corner at (left, top), blended by the glyphs' coverage.
    void Text(const Face& face, const std::vector<int>& text, int left, int top) {
        float pen = static_cast<float>(left);
        const int baseline = top + face.ascent;
        for (size_t i = 0; i < text.size(); ++i) {
            int w = 0, h = 0, xoff = 0, yoff = 0;
            unsigned char* glyph = stbtt_GetCodepointBitmap(&face.info, face.scale, face.scale, text[i], &w, &h, &xoff, &yoff);
            for (int y = 0; glyph && y < h; ++y)
                for (int x = 0; x < w; ++x) Blend(static_cast<int>(pen) + xoff + x, baseline + yoff + y, glyph[y * w + x]);
            if (glyph) stbtt_FreeBitmap(glyph, nullptr);
            int advance = 0, bearing = 0;
            stbtt_GetCodepointHMetrics(&face.info, text[i], &advance, &bearing);
            pen += advance * face.scale;
            if (i + 1 < text.size()) pen += stbtt_GetCodepointKernAdvance(&face.info, text[i], text[i + 1]) * face.scale;
        }
    }
    void Blend(int x, int y, unsigned coverage) {
        if (x < 0 || y < 0 || x >= width || y >= height || coverage == 0) return;
        uint32_t& p = pixels[size_t(y) * width + x];
        uint32_t out = 0xFF000000;
        for (int shift = 0; shift < 24; shift += 8) {
            const unsigned under = (p >> shift) & 0xFF, over = (kText >> shift) & 0xFF;
            out |= ((under * (255 - coverage) + over * coverage) / 255) << shift;
        }
        p = out;
    }
};

struct Box {
    Face face;
    std::vector<int> text, ok;
    Canvas canvas;
    SDL_Rect button{};
    bool pressed = false;

    void Layout() {
        const int textWidth = TextWidth(face, text);
        canvas.width = std::max(kMinWidth, textWidth + 2 * kMargin);
        canvas.height = kMargin + face.height + kMargin + kButtonHeight + kMargin / 2;
        canvas.pixels.assign(size_t(canvas.width) * canvas.height, kPanel);
        button = SDL_Rect{(canvas.width - kButtonWidth) / 2, canvas.height - kMargin / 2 - kButtonHeight, kButtonWidth,
                          kButtonHeight};
    }
    void Paint() {
        canvas.Fill(SDL_Rect{0, 0, canvas.width, canvas.height}, kPanel);
        canvas.Text(face, text, (canvas.width - TextWidth(face, text)) / 2, kMargin);
        canvas.Fill(button, kButtonEdge);
        canvas.Fill(SDL_Rect{button.x + 1, button.y + 1, button.w - 2, button.h - 2}, pressed ? kButtonDown : kButtonFace);
        canvas.Text(face, ok, button.x + (button.w - TextWidth(face, ok)) / 2, button.y + (button.h - face.height) / 2);
    }
    bool OnButton(int x, int y) const {
        return x >= button.x && y >= button.y && x < button.x + button.w && y < button.y + button.h;
    }
};

void Show(SDL_Window* window, Box& box) {
    box.Paint();
    SDL_Surface* target = SDL_GetWindowSurface(window);
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(box.canvas.pixels.data(), box.canvas.width,
                                                              box.canvas.height, 32, box.canvas.width * 4,
                                                              SDL_PIXELFORMAT_ARGB8888);
    if (target && picture) {
        SDL_BlitSurface(picture, nullptr, target, nullptr);
        SDL_UpdateWindowSurface(window);
    }
    if (picture) SDL_FreeSurface(picture);
}

// Whether the window system took the box's window away (SDL does not report it).
bool WindowDestroyed(const SDL_Event& e, SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (e.type != SDL_SYSWMEVENT || !e.syswm.msg || e.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& x = e.syswm.msg->msg.x11.event;
    if (x.type != DestroyNotify) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 &&
           x.xdestroywindow.window == info.info.x11.window;
#else
    (void)e;
    (void)window;
    return false;
#endif
}

// True when the event ends the box.
bool Closes(const SDL_Event& e, SDL_Window* window, Box& box) {
    if (WindowDestroyed(e, window)) return true;
    switch (e.type) {
    case SDL_QUIT: return true;
    case SDL_WINDOWEVENT: return e.window.event == SDL_WINDOWEVENT_CLOSE;
    case SDL_KEYDOWN:
        if (e.key.repeat) return false;
        switch (e.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_ESCAPE:
        case SDLK_SPACE: return true;
        default: return false;
        }
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && box.OnButton(e.button.x, e.button.y)) box.pressed = true;
        return false;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT) return false;
        if (box.pressed && box.OnButton(e.button.x, e.button.y)) return true;
        box.pressed = false;
        return false;
    default: return false;
    }
}

}  // namespace

bool ShowDrawnMessageBox(const std::string& title, const std::string& text) {
    Box box;
    const std::vector<unsigned char> ttf = ReadFontFile();
    if (!LoadFace(ttf, &box.face)) return false;
    box.text = Characters(text);
    box.ok = Characters("OK");
    box.Layout();

    ScopedLeakCheckOff driversMayLeak;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          box.canvas.width, box.canvas.height, SDL_WINDOW_SHOWN);
    if (!window) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    SDL_RaiseWindow(window);
    const Uint8 systemEvents = SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    bool done = false;
    while (!done) {
        // Painted again every tenth of a second, whether or not anything asks for it.
        Show(window, box);
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, 100)) {
            done = Closes(e, window, box);
            while (!done && SDL_PollEvent(&e)) done = Closes(e, window, box);
        }
    }
    SDL_EventState(SDL_SYSWMEVENT, systemEvents);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return true;
}

}  // namespace sys::detail
