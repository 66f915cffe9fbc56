#include "render/YFont.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YSettings.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"

namespace {

// The first two tab-separated tokens of a line; false when the line has fewer (a missing
// token is empty).
bool SplitLine(const std::string& line, std::string* first, std::string* second) {
    CYTokenizer tokens(line, "\t", false);
    const bool both = tokens.NextToken(*first);
    return tokens.NextToken(*second) && both;
}

// A header integer (its leading digits) within 1 .. kMaxFontTextureSide.
bool ParseSide(const std::string& text, int* out) {
    int64_t v = 0;
    if (!ParseInteger(text, YNumberMode::Leading, INT64_MIN, INT64_MAX, &v) || v < 1 || v > kMaxFontTextureSide)
        return false;
    *out = int(v);
    return true;
}

// A header real (its leading number): above 0 and not larger than the sheet side.
bool ParseCell(const std::string& text, int side, float* out) {
    float v = 0.0f;
    if (!ParseFloat(text, YNumberMode::Leading, &v) || v <= 0.0f || v > float(side)) return false;
    *out = v;
    return true;
}

// A glyph width: the leading real truncated to an integer and kept modulo 256 (its low byte).
float ParseGlyphWidth(const std::string& text) {
    double v = 0.0;
    if (!ParseReal(text, YNumberMode::Leading, &v, DBL_MAX)) return 0.0f;
    double low = std::fmod(std::trunc(v), 256.0);
    if (low < 0.0) low += 256.0;
    return float(int(low));
}

}  // namespace

CYFont::CYFont(const std::string& textureName, const std::string& effectName, const std::string& fileName,
               float spacing, float scale)
    : CYObject(textureName, 0),
      textureName_(textureName),
      effectName_(effectName),
      fileName_(fileName),
      spacing_(spacing),
      scale_(scale) {}

int CYFont::CellIndex(uint8_t byte) {
    if (byte < 32) return -1;
    return byte < 128 ? byte - 32 : byte - 96;
}

float CYFont::GetGlyphWidth(uint8_t byte) const {
    const int i = CellIndex(byte);
    return i < 0 ? 0.0f : widths_[i % kFontColumns][i / kFontColumns];
}

HRESULT CYFont::Load() {
    scaleX_ = float(g_settings.screenWidth) * 0.0015625f;
    scaleY_ = float(g_settings.screenHeight) * 0.0020833334f;
    // A zero screen size would make every division by the scale infinite.
    if (!(scaleX_ > 0.0f) || !std::isfinite(scaleX_)) scaleX_ = 1.0f;
    if (!(scaleY_ > 0.0f) || !std::isfinite(scaleY_)) scaleY_ = 1.0f;

    CYFile file("data\\interface\\fonts\\" + fileName_);
    const HRESULT read = file.Load();
    if (read >= 0) {
        CYTextParser parser(file.GetData(), file.GetSize());
        std::string line, key, value;
        auto header = [&](const char* keyword) {
            return parser.GetLine(line) && SplitLine(line, &key, &value) && key == keyword;
        };
        auto bad = [&] {
            Log(3, "%s - bad font file!!!", fileName_.c_str());
            return E_FAIL;
        };
        int width = 0, height = 0;
        float cellWidth = 0.0f, cellHeight = 0.0f;
        if (!header("width") || !ParseSide(value, &width)) return bad();
        if (!header("height") || !ParseSide(value, &height)) return bad();
        if (!header("x") || !ParseCell(value, width, &cellWidth)) return bad();
        if (!header("y") || !ParseCell(value, height, &cellHeight)) return bad();
        textureWidth_ = width;
        textureHeight_ = height;
        cellWidth_ = cellWidth;
        cellHeight_ = cellHeight;
        ReadGlyphWidths(parser);
    }
    SetNameAndTextures(effectName_, {textureName_});
    SetGeometry({}, {});
    BeginBatch();
    return read;
}

void CYFont::ReadGlyphWidths(CYTextParser& parser) {
    // A short list leaves the glyphs it lacks as they were; a line without a second token
    // gives its glyph the width of no number, 0.
    std::string line, first, second;
    for (int row = 0; row < kFontRows; ++row)
        for (int column = 0; column < kFontColumns; ++column) {
            if (!parser.GetLine(line)) return;
            SplitLine(line, &first, &second);
            widths_[column][row] = ParseGlyphWidth(second);
        }
}

void CYFont::BeginBatch() {
    sourceVertices_.clear();
    drawnVertices_.clear();
    indices_.clear();
    vertexCount_ = 0;
    indexCount_ = 0;
    vertexBase_ = 0;
}

HRESULT CYFont::AddGlyph(float x, float y, uint8_t byte, float* advance) {
    *advance = 0.0f;
    const int i = CellIndex(byte);
    if (i < 0) return S_OK;
    // Without a loaded description the texture size is unknown (and 0).
    if (textureWidth_ <= 0 || textureHeight_ <= 0) return D3DERR_INVALIDCALL;
    if (vertexBase_ + 4 > kMaxFontQuads * 4) return E_OUTOFMEMORY;
    const int c = i % kFontColumns, r = i / kFontColumns;
    const bool unscaled = scale_ == 1.0f;
    *advance = unscaled ? widths_[c][r] : widths_[c][r] / scaleX_;

    const uint16_t b = uint16_t(vertexBase_);
    for (uint16_t k : {b, uint16_t(b + 2), uint16_t(b + 1), b, uint16_t(b + 3), uint16_t(b + 2)})
        indices_.push_back(k);

    const float left = std::floor(x * scaleX_);
    const float top = std::floor(y * scaleY_);
    const float right = unscaled ? std::floor((x + cellWidth_) * scaleX_) : std::floor(x * scaleX_ + cellWidth_);
    const float bottom = unscaled ? std::floor((y + cellHeight_) * scaleY_) : std::floor(y * scaleY_ + cellHeight_);
    const float tw = float(textureWidth_), th = float(textureHeight_);
    const float u0 = float(c) * cellWidth_ / tw;
    const float u1 = u0 + cellWidth_ / tw;
    const float v0 = float(r) * cellHeight_ / th;
    const float v1 = v0 + cellHeight_ / th - 0.25f / th;

    // Screen pixels at depth 1, opaque white so that the texture's own colours show.
    const float corners[4][4] = {{left, top, u0, v0}, {right, top, u1, v0}, {right, bottom, u1, v1},
                                 {left, bottom, u0, v1}};
    for (const auto& corner : corners) {
        gfx::Vertex v{};
        v.x = corner[0], v.y = corner[1], v.z = 1.0f;
        v.diffuse = 0xFFFFFFFFu;
        v.u0 = corner[2], v.v0 = corner[3];
        drawnVertices_.push_back(v);
    }
    vertexBase_ += 4;
    vertexCount_ = int(drawnVertices_.size());
    indexCount_ = int(indices_.size());
    return S_OK;
}

HRESULT CYFont::DrawText(float x, float y, const std::string& text) {
    const float spacing = scale_ == 1.0f ? spacing_ : spacing_ / scaleX_;
    float pen = 0.0f;
    for (char ch : text) {
        const uint8_t byte = uint8_t(ch);
        float advance = 0.0f;
        const HRESULT hr = AddGlyph(x + pen, y, byte, &advance);
        if (hr < 0) {
            DXERROR(hr);
            return hr;
        }
        if (CellIndex(byte) >= 0) pen += advance + spacing;
    }
    return S_OK;
}

float CYFont::GetTextWidth(const std::string& text) const {
    float width = 0.0f;
    for (char ch : text) {
        const uint8_t byte = uint8_t(ch);
        if (CellIndex(byte) < 0) continue;
        if (scale_ == 1.0f)
            width += GetGlyphWidth(byte) + spacing_;
        else
            width += GetGlyphWidth(byte) / scaleX_ + spacing_ / scaleX_;
    }
    return width;
}

void CYFont::Flush() {
    CYObject::Update();
}
