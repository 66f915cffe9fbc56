// Inside the graphics layer: the text font's glyph sheet and text layout, shared by the
// GL font and its tests.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"

namespace gfx::detail {

struct FontGlyph {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // rectangle in the sheet (empty for blanks)
    int xoff = 0, yoff = 0;              // bitmap's top left from the pen on the baseline
};

// One glyph a byte (code page 1251, bytes 32 to 255) in a one-channel coverage sheet.
struct FontAtlas {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    int ascent = 0;      // baseline below the top of a line
    int lineHeight = 0;  // pixels from one line to the next
    int advance = 0;     // pixels from one character to the next (a monospace face)
    FontGlyph glyphs[256];
};

struct GlyphQuad {
    float x0, y0, x1, y1;  // pixels, top-left origin
    float u0, v0, u1, v1;
};

// The system font file a request maps to (the monospace face, bold from weight 600).
std::string FontFileFor(const FontDesc& desc);
// Builds the sheet from TrueType data; a positive height is the cell height, a negative
// one the character height, 0 the default 12. Null when the data is no usable font.
std::unique_ptr<FontAtlas> BuildFontAtlas(const std::vector<uint8_t>& ttf, int height);
// Reads the face a request maps to and builds its sheet; null when it cannot.
std::unique_ptr<FontAtlas> LoadFontAtlas(const FontDesc& desc);
// Lays a text out from the top left of the rectangle, lines split at '\n' (a '\r' is
// skipped, bytes without a glyph show as '?'). Returns the height of the lines.
int LayoutText(const FontAtlas& atlas, const char* text, int count, const Rect& rect, std::vector<GlyphQuad>* quads);

}  // namespace gfx::detail
