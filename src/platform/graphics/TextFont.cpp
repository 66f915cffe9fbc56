// The text font: glyphs of a TrueType face rasterised once into a sheet with
// stb_truetype, text laid out in whole pixels, drawn as textured quads.
#include "platform/graphics/TextFont.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/graphics/GLDevice.h"
#include "platform/system/System.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace gfx::detail {

namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";
constexpr long kMaxFontFile = 32L << 20;
constexpr int kFirstByte = 32;

// The Unicode character of a code page 1251 byte (0 when it has none).
int CodepointOf(uint8_t byte) {
    if (byte < 128) return byte;
    std::string utf8 = sys::Cp1251ToUtf8(std::string(1, static_cast<char>(byte)));
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8.data());
    if (utf8.size() == 2 && (s[0] & 0xE0) == 0xC0) return ((s[0] & 0x1F) << 6) | (s[1] & 0x3F);
    if (utf8.size() == 3 && (s[0] & 0xF0) == 0xE0) return ((s[0] & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
    return 0;
}

}  // namespace

std::string FontFileFor(const FontDesc& desc) {
    return std::string(kFontDir) + (desc.weight >= 600 ? "DejaVuSansMono-Bold.ttf" : "DejaVuSansMono.ttf");
}

std::unique_ptr<FontAtlas> BuildFontAtlas(const std::vector<uint8_t>& ttf, int height) {
    if (ttf.size() < 12) return nullptr;
    const unsigned char* data = ttf.data();
    int offset = stbtt_GetFontOffsetForIndex(data, 0);
    stbtt_fontinfo info;
    if (offset < 0 || !stbtt_InitFont(&info, data, offset)) return nullptr;
    if (height == 0) height = 12;
    height = std::clamp(height, -256, 256);
    float scale = height > 0 ? stbtt_ScaleForPixelHeight(&info, float(height))
                             : stbtt_ScaleForMappingEmToPixels(&info, float(-height));
    int ascent = 0, descent = 0, lineGap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);

    auto atlas = std::make_unique<FontAtlas>();
    atlas->ascent = int(std::lround(ascent * scale));
    atlas->lineHeight = std::max(1, int(std::lround((ascent - descent) * scale)));
    int advance = 0, bearing = 0;
    stbtt_GetCodepointHMetrics(&info, 'M', &advance, &bearing);
    atlas->advance = std::max(1, int(std::lround(advance * scale)));

    // Cells big enough for any glyph: 16 columns of 14 rows for bytes 32..255.
    int codepoints[256] = {};
    int cellW = 1, cellH = 1;
    for (int b = kFirstByte; b < 256; ++b) {
        codepoints[b] = CodepointOf(static_cast<uint8_t>(b));
        if (!codepoints[b] || !stbtt_FindGlyphIndex(&info, codepoints[b])) {
            codepoints[b] = 0;
            continue;
        }
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBox(&info, codepoints[b], scale, scale, &x0, &y0, &x1, &y1);
        cellW = std::max(cellW, x1 - x0);
        cellH = std::max(cellH, y1 - y0);
    }
    cellW = std::min(cellW, 512) + 1;
    cellH = std::min(cellH, 512) + 1;
    atlas->width = 16 * cellW;
    atlas->height = 14 * cellH;
    atlas->pixels.assign(size_t(atlas->width) * atlas->height, 0);
    for (int b = kFirstByte; b < 256; ++b) {
        FontGlyph& g = atlas->glyphs[b];
        int cell = b - kFirstByte;
        g.x0 = g.x1 = (cell % 16) * cellW;
        g.y0 = g.y1 = (cell / 16) * cellH;
        if (!codepoints[b]) continue;
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBox(&info, codepoints[b], scale, scale, &x0, &y0, &x1, &y1);
        int w = std::min(x1 - x0, cellW - 1), h = std::min(y1 - y0, cellH - 1);
        if (w <= 0 || h <= 0) continue;
        stbtt_MakeCodepointBitmap(&info, atlas->pixels.data() + size_t(g.y0) * atlas->width + g.x0, w, h,
                                  atlas->width, scale, scale, codepoints[b]);
        g.x1 = g.x0 + w;
        g.y1 = g.y0 + h;
        g.xoff = x0;
        g.yoff = y0;
    }
    // Bytes without a glyph of their own use the question mark's.
    for (int b = kFirstByte; b < 256; ++b)
        if (!codepoints[b] && b != ' ') atlas->glyphs[b] = atlas->glyphs[static_cast<int>('?')];
    return atlas;
}

std::unique_ptr<FontAtlas> LoadFontAtlas(const FontDesc& desc) {
    std::string path = FontFileFor(desc);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        sys::DebugOutput(("graphics: no font file " + path + "\n").c_str());
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0 && size <= kMaxFontFile && std::fseek(f, 0, SEEK_SET) == 0) {
            bytes.resize(size_t(size));
            if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
        }
    }
    std::fclose(f);
    auto atlas = BuildFontAtlas(bytes, desc.height);
    if (!atlas) sys::DebugOutput(("graphics: unusable font file " + path + "\n").c_str());
    return atlas;
}

int LayoutText(const FontAtlas& atlas, const char* text, int count, const Rect& rect, std::vector<GlyphQuad>* quads) {
    quads->clear();
    if (!text) return 0;
    size_t length = count < 0 ? std::strlen(text) : size_t(count);
    int x = rect.left, top = rect.top, lines = 1;
    for (size_t i = 0; i < length; ++i) {
        uint8_t b = static_cast<uint8_t>(text[i]);
        if (b == '\n') {
            x = rect.left;
            top += atlas.lineHeight;
            ++lines;
            continue;
        }
        if (b == '\r') continue;
        const FontGlyph& g = atlas.glyphs[b < kFirstByte ? static_cast<int>('?') : b];
        if (g.x1 > g.x0 && g.y1 > g.y0) {
            GlyphQuad q;
            q.x0 = float(x + g.xoff);
            q.y0 = float(top + atlas.ascent + g.yoff);
            q.x1 = q.x0 + float(g.x1 - g.x0);
            q.y1 = q.y0 + float(g.y1 - g.y0);
            q.u0 = float(g.x0) / atlas.width;
            q.v0 = float(g.y0) / atlas.height;
            q.u1 = float(g.x1) / atlas.width;
            q.v1 = float(g.y1) / atlas.height;
            quads->push_back(q);
        }
        x += atlas.advance;
    }
    return lines * atlas.lineHeight;
}

// ---- GL font ------------------------------------------------------------------------

GLFont::GLFont(GLDevice* device, std::unique_ptr<FontAtlas> atlas) : device_(device), atlas_(std::move(atlas)) {
    device_->AddRef();
    device_->MakeCurrent();
    glCreateTextures(GL_TEXTURE_2D, 1, &texture_);
    glTextureStorage2D(texture_, 1, GL_R8, atlas_->width, atlas_->height);
    glTextureSubImage2D(texture_, 0, 0, 0, atlas_->width, atlas_->height, GL_RED, GL_UNSIGNED_BYTE,
                        atlas_->pixels.data());
    glTextureParameteri(texture_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTextureParameteri(texture_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTextureParameteri(texture_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(texture_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

GLFont::~GLFont() {
    device_->MakeCurrent();
    glDeleteTextures(1, &texture_);
    device_->Release();
}

int GLFont::DrawText(const char* text, int count, const Rect* rect, uint32_t format, uint32_t color) {
    if (!text || !rect) return 0;
    std::vector<GlyphQuad> quads;
    int height = LayoutText(*atlas_, text, count, *rect, &quads);
    if (quads.empty() || device_->Lost() || !device_->TextProgram()) return height;
    std::vector<float> vertices;
    vertices.reserve(quads.size() * 24);
    for (const GlyphQuad& q : quads) {
        const float v[24] = {q.x0, q.y0, q.u0, q.v0, q.x1, q.y0, q.u1, q.v0, q.x1, q.y1, q.u1, q.v1,
                             q.x0, q.y0, q.u0, q.v0, q.x1, q.y1, q.u1, q.v1, q.x0, q.y1, q.u0, q.v1};
        vertices.insert(vertices.end(), v, v + 24);
    }
    device_->MakeCurrent();
    int fw = static_cast<int>(device_->FrameWidth()), fh = static_cast<int>(device_->FrameHeight());
    glBindFramebuffer(GL_FRAMEBUFFER, device_->FrameBuffer());
    glViewport(0, 0, fw, fh);
    glNamedBufferData(device_->TextBuffer(), static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                      vertices.data(), GL_STREAM_DRAW);
    glUseProgram(device_->TextProgram());
    glUniform2f(0, float(fw), float(fh));
    float c[4];
    ColorToFloats(color, c);
    glUniform4f(1, c[0], c[1], c[2], c[3]);
    glBindVertexArray(device_->TextVertexArray());
    glVertexArrayVertexBuffer(device_->TextVertexArray(), 0, device_->TextBuffer(), 0, 4 * sizeof(float));
    glBindTextureUnit(0, texture_);
    glBindSampler(0, 0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquation(GL_FUNC_ADD);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, device_->Parameters().backBufferFormat == FMT_A8R8G8B8);
    if (format & DT_NOCLIP) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        int l = std::clamp(rect->left, 0, fw), r = std::clamp(rect->right, 0, fw);
        int t = std::clamp(rect->top, 0, fh), b = std::clamp(rect->bottom, 0, fh);
        glEnable(GL_SCISSOR_TEST);
        glScissor(l, fh - b, std::max(0, r - l), std::max(0, b - t));
    }
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(quads.size() * 6));
    // The pipeline sets its own GL state again before its next draw.
    device_->ForgetGLState();
    return height;
}

HRESULT GLDevice::CreateFont(const FontDesc& desc, Font** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    std::unique_ptr<FontAtlas> atlas = LoadFontAtlas(desc);
    if (!atlas) return E_FAIL;
    *out = new GLFont(this, std::move(atlas));
    return S_OK;
}

}  // namespace gfx::detail
