// Makes the sample game's bitmap font from DejaVu Sans Bold: the glyph sheet
// "textures/sans.tga" (16 x 10 cells of 20 x 20 pixels, white glyphs whose alpha is
// their coverage) and its description "interface/fonts/sans.fnt" (sheet and cell
// sizes, then the advance width of every cell). Cells 0..95 hold bytes 32..127, cells
// 96..159 the code-page-1251 letters 0xC0..0xFF.
// Usage: make_font <game data directory>
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include "ContentFiles.h"
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kColumns = 16, kRows = 10;
constexpr int kCell = 20;
constexpr float kPixelHeight = 16.0f;
constexpr int kWidth = kColumns * kCell, kHeight = kRows * kCell;

// The Unicode code point of a cell's byte, or 0 for a cell without a glyph.
int CodePoint(int cell) {
    if (cell < 96) return cell + 32 == 127 ? 0 : cell + 32;
    return 0x0410 + (cell - 96);  // 0xC0..0xFF: А..я
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_font", dir)) return status;
    std::ifstream in(kFontFile, std::ios::binary);
    std::vector<unsigned char> ttf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    stbtt_fontinfo info;
    if (ttf.empty() || !stbtt_InitFont(&info, ttf.data(), stbtt_GetFontOffsetForIndex(ttf.data(), 0))) {
        std::fprintf(stderr, "make_font: cannot read %s\n", kFontFile);
        return 1;
    }
    const float scale = stbtt_ScaleForPixelHeight(&info, kPixelHeight);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    const int baseline = int(std::lround(float(ascent) * scale)) + (kCell - int(kPixelHeight)) / 2;

    std::vector<uint8_t> alpha(size_t(kWidth) * kHeight, 0);
    std::string description =
        "// sans.fnt - DejaVu Sans Bold, made by make_font\n"
        "width\t" + std::to_string(kWidth) + "\nheight\t" + std::to_string(kHeight) + "\nx\t" +
        std::to_string(kCell) + "\ny\t" + std::to_string(kCell) + "\n";
    for (int cell = 0; cell < kColumns * kRows; ++cell) {
        const int cp = CodePoint(cell);
        int advance = 0;
        if (cp != 0) {
            int advanceUnits = 0, bearing = 0;
            stbtt_GetCodepointHMetrics(&info, cp, &advanceUnits, &bearing);
            advance = int(std::lround(float(advanceUnits) * scale));
            int w = 0, h = 0, x0 = 0, y0 = 0;
            unsigned char* bitmap = stbtt_GetCodepointBitmap(&info, scale, scale, cp, &w, &h, &x0, &y0);
            // The glyph sits at its own left bearing from the cell's left edge, clipped to the cell.
            const int cellX = (cell % kColumns) * kCell, cellY = (cell / kColumns) * kCell;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int px = std::max(0, x0) + x, py = baseline + y0 + y;
                    if (px < 0 || px >= kCell || py < 0 || py >= kCell) continue;
                    alpha[size_t(cellY + py) * kWidth + size_t(cellX + px)] = bitmap[y * w + x];
                }
            stbtt_FreeBitmap(bitmap, nullptr);
        }
        const int byte = cell < 96 ? cell + 32 : cell + 96;
        description += std::to_string(byte) + "\t" + std::to_string(advance) + "\n";
    }

    // A 32-bit uncompressed TGA, top row first.
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = char(kWidth & 0xFF), tga[13] = char(kWidth >> 8);
    tga[14] = char(kHeight & 0xFF), tga[15] = char(kHeight >> 8);
    tga[16] = 32, tga[17] = 0x28;
    for (uint8_t a : alpha) tga += std::string("\xFF\xFF\xFF", 3) + char(a);

    if (!WriteFile(dir / "textures" / "sans.tga", tga)) return 1;
    if (!WriteFile(dir / "interface" / "fonts" / "sans.fnt", description)) return 1;
    return 0;
}
