// Bitmap fonts: text drawn from a texture holding a grid of 16 x 10 glyph cells, with
// per-glyph advance widths from a font description file ("data\interface\fonts\...").
// A font is an object: DrawText batches one quad per byte into its own vertex and index
// lists, in screen pixels, and Flush hands the batch to its sink once a frame.
//
// Description file, tab-separated lines: "width" <int>, "height" <int> (the sheet in
// pixels), "x" <real>, "y" <real> (one cell in pixels), then 160 glyph lines, row by row,
// whose second token is the glyph's advance width.
#pragma once
#include <cstdint>
#include <string>

#include "render/YObject.h"

constexpr int kFontColumns = 16;
constexpr int kFontRows = 10;
// Most quads in one batch: their vertices must stay addressable by 16-bit indices.
constexpr int kMaxFontQuads = 0x10000 / 4;
// Largest sheet side a description may give.
constexpr int kMaxFontTextureSide = 16384;

class CYTextParser;

class CYFont : public CYObject {
public:
    // The five columns of a row of the interface's fonts table; the texture name is also
    // the object's name.
    CYFont(const std::string& textureName, const std::string& effectName, const std::string& fileName, float spacing,
           float scale);

    // Takes the screen scale from the settings and reads the description, then binds the
    // texture and effect and empties the batch. S_OK, or E_FAIL (missing file, or a bad
    // file logged as "<file> - bad font file!!!", which changes no width).
    HRESULT Load();
    // Empties the batch.
    void BeginBatch();
    // Appends one quad per byte at (x, y) in 640 x 480 interface units; bytes below 32
    // have no cell and draw nothing. A glyph that cannot be added (font not loaded, batch
    // full) is reported with the DXError line and ends the string; its result returned.
    HRESULT DrawText(float x, float y, const std::string& text);
    // The pen advance over the text, in the units DrawText moves by.
    float GetTextWidth(const std::string& text) const;
    // Hands the batch to the sink through the render binding (once a frame).
    void Flush();

    // The cell of a byte (0 .. 159), or -1 for bytes below 32.
    static int CellIndex(uint8_t byte);
    // The advance width of a byte as read from the file (0 for bytes below 32).
    float GetGlyphWidth(uint8_t byte) const;
    float GetCellWidth() const { return cellWidth_; }
    float GetCellHeight() const { return cellHeight_; }
    int GetTextureWidth() const { return textureWidth_; }
    int GetTextureHeight() const { return textureHeight_; }
    float GetSpacing() const { return spacing_; }
    float GetScale() const { return scale_; }
    float GetScaleX() const { return scaleX_; }
    float GetScaleY() const { return scaleY_; }
    const std::string& GetFileName() const { return fileName_; }

private:
    HRESULT AddGlyph(float x, float y, uint8_t byte, float* advance);
    // The glyph lines after the header, as many as there are (at most 160).
    void ReadGlyphWidths(CYTextParser& parser);

    std::string textureName_;
    std::string effectName_;
    std::string fileName_;
    float cellWidth_ = 0.0f;
    float cellHeight_ = 0.0f;
    float widths_[kFontColumns][kFontRows] = {};
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    float scaleX_ = 1.0f;
    float scaleY_ = 1.0f;
    float spacing_;
    float scale_;
    int vertexBase_ = 0;
};
