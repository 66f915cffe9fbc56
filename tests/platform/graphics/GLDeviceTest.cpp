// Pixel tests of the GL device in a real context (SDL's offscreen driver on Mesa).
// A device that cannot be made fails the test: CI has Mesa.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/graphics/Device.h"

using namespace gfx;

namespace {

constexpr int kSize = 64;

int Red(uint32_t c) { return (c >> 16) & 0xFF; }
int Blue(uint32_t c) { return c & 0xFF; }

// True when each channel is within tolerance.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 2) {
    for (int shift : {16, 8, 0}) {
        int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "pixel 0x" << actual << " is not near 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

Vertex V(float x, float y, float z, uint32_t diffuse = 0xFFFFFFFF, float u = 0, float v = 0) {
    Vertex r;
    r.x = x;
    r.y = y;
    r.z = z;
    r.diffuse = diffuse;
    r.u0 = u;
    r.v0 = v;
    return r;
}

// A quad over the NDC square [x0, x1] x [y0, y1] at depth z, as two triangles that are
// clockwise on screen.
std::vector<Vertex> Quad(float x0, float y0, float x1, float y1, float z, uint32_t diffuse = 0xFFFFFFFF) {
    Vertex tl = V(x0, y1, z, diffuse, 0, 0), tr = V(x1, y1, z, diffuse, 1, 0);
    Vertex br = V(x1, y0, z, diffuse, 1, 1), bl = V(x0, y0, z, diffuse, 0, 1);
    return {tl, tr, br, tl, br, bl};
}

class GLDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<HiddenWindow>(kSize, kSize);
        ASSERT_NE(window_->Get(), nullptr) << "no window: " << SDL_GetError();
        graphics_ = Create(kSdkVersion);
        ASSERT_NE(graphics_, nullptr);
        PresentParameters pp;
        pp.backBufferWidth = kSize;
        pp.backBufferHeight = kSize;
        pp.windowed = true;
        pp.enableAutoDepthStencil = true;
        pp.autoDepthStencilFormat = FMT_D16;
        pp.presentationInterval = PRESENT_INTERVAL_IMMEDIATE;
        ASSERT_EQ(graphics_->CreateDevice(0, DEVTYPE_HAL, window_->Get(), CREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                          &device_),
                  S_OK)
            << "no GL 4.5 device";
        ASSERT_EQ(device_->SetFVF(kVertexFvf), S_OK);
        device_->SetRenderState(RS_LIGHTING, 0);
        device_->SetRenderState(RS_CULLMODE, CULL_NONE);
    }
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        if (graphics_) graphics_->Release();
        window_.reset();
    }

    void Clear(uint32_t color, float z = 1.0f) {
        ASSERT_EQ(device_->Clear(0, nullptr, CLEAR_TARGET | CLEAR_ZBUFFER, color, z, 0), S_OK);
    }
    void Draw(const std::vector<Vertex>& v) {
        ASSERT_EQ(device_->DrawPrimitiveUP(PT_TRIANGLELIST, static_cast<uint32_t>(v.size() / 3), v.data(),
                                           sizeof(Vertex)),
                  S_OK);
    }
    uint32_t Pixel(int x, int y, bool presented = false) {
        uint32_t p = 0;
        EXPECT_EQ(device_->ReadPixels(x, y, 1, 1, &p, presented), S_OK);
        return p;
    }
    Texture* SolidTexture(uint32_t levels, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255, int size = 4) {
        Texture* t = nullptr;
        EXPECT_EQ(device_->CreateTexture(size, size, levels, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
        std::vector<uint8_t> rgba;
        for (int i = 0; i < size * size; ++i) rgba.insert(rgba.end(), {r, g, b, a});
        EXPECT_EQ(t->Fill(rgba.data(), size, size, size * 4), S_OK);
        return t;
    }

    std::unique_ptr<HiddenWindow> window_;
    Graphics* graphics_ = nullptr;
    Device* device_ = nullptr;
};

// ---- Geometry and depth ----------------------------------------------------------------

TEST_F(GLDeviceTest, DiffuseColourKeepsItsByteOrder) {
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF102030));
    EXPECT_EQ(Pixel(32, 32), 0xFF102030u);
}

TEST_F(GLDeviceTest, CullCcwDrawsClockwiseTrianglesAndCullsCounterClockwiseOnes) {
    device_->SetRenderState(RS_CULLMODE, CULL_CCW);
    Clear(0xFF000000);
    // Top half: clockwise on screen (top left, top right, bottom right).
    Draw({V(-1, 1, 0.5f, 0xFFFF0000), V(1, 1, 0.5f, 0xFFFF0000), V(1, 0.05f, 0.5f, 0xFFFF0000)});
    // Bottom half: the same shape counter-clockwise.
    Draw({V(-1, -0.05f, 0.5f, 0xFF00FF00), V(1, -1, 0.5f, 0xFF00FF00), V(1, -0.05f, 0.5f, 0xFF00FF00)});
    EXPECT_EQ(Pixel(56, 4), 0xFFFF0000u);
    EXPECT_EQ(Pixel(56, 40), 0xFF000000u);
    device_->SetRenderState(RS_CULLMODE, CULL_CW);
    Clear(0xFF000000);
    Draw({V(-1, 1, 0.5f, 0xFFFF0000), V(1, 1, 0.5f, 0xFFFF0000), V(1, 0.05f, 0.5f, 0xFFFF0000)});
    Draw({V(-1, -0.05f, 0.5f, 0xFF00FF00), V(1, -1, 0.5f, 0xFF00FF00), V(1, -0.05f, 0.5f, 0xFF00FF00)});
    EXPECT_EQ(Pixel(56, 4), 0xFF000000u);
    EXPECT_EQ(Pixel(56, 40), 0xFF00FF00u);
}

TEST_F(GLDeviceTest, LessEqualPassesAtTheClearedFarDepth) {
    Clear(0xFF000000, 1.0f);
    device_->SetRenderState(RS_ZFUNC, CMP_LESSEQUAL);
    Draw(Quad(-1, -1, 1, 1, 1.0f, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(32, 32), 0xFFFFFFFFu);
    Clear(0xFF000000, 1.0f);
    device_->SetRenderState(RS_ZFUNC, CMP_LESS);
    Draw(Quad(-1, -1, 1, 1, 1.0f, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
}

TEST_F(GLDeviceTest, DepthRunsFromZeroToOne) {
    Clear(0xFF000000, 1.0f);
    // Below 0 is in front of the near plane and clipped away.
    Draw(Quad(-1, -1, 1, 1, -0.5f, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
    // Nearer geometry wins over farther whatever the order.
    Draw(Quad(-1, -1, 1, 1, 0.25f, 0xFF0000FF));
    Draw(Quad(-1, -1, 1, 1, 0.75f, 0xFFFF0000));
    EXPECT_EQ(Pixel(32, 32), 0xFF0000FFu);
}

// ---- Texture stages ---------------------------------------------------------------------

TEST_F(GLDeviceTest, TextureIsModulatedByDiffuse) {
    Texture* t = SolidTexture(1, 200, 100, 50);
    device_->SetTexture(0, t);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF80FF40));
    EXPECT_TRUE(Near(Pixel(32, 32), 0xFF000000u | (100u << 16) | (100u << 8) | 13u));
    t->Release();
}

TEST_F(GLDeviceTest, SelectArg2WithLightingOffDrawsTheLineColour) {
    // What the bounding-box drawer sets before its line lists.
    device_->SetTexture(0, nullptr);
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG2);
    device_->SetTextureStageState(0, TSS_COLORARG2, TA_DIFFUSE);
    device_->SetRenderState(RS_LIGHTING, 0);
    Clear(0xFF000000);
    // Screen row 20 has its pixel centres on y = 1 - 2 * 20 / 64.
    float y = 1.0f - 2.0f * 20 / kSize;
    Vertex line[2] = {V(-1, y, 0.5f, 0x0098A9FF), V(1, y, 0.5f, 0x0098A9FF)};
    ASSERT_EQ(device_->DrawPrimitiveUP(PT_LINELIST, 1, line, sizeof(Vertex)), S_OK);
    EXPECT_EQ(Pixel(32, 20), 0xFF98A9FFu);
    EXPECT_EQ(Pixel(32, 18), 0xFF000000u);
    EXPECT_EQ(Pixel(32, 22), 0xFF000000u);
}

TEST_F(GLDeviceTest, SecondStageAddsTheTextureFactor) {
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG1);
    device_->SetTextureStageState(0, TSS_COLORARG1, TA_DIFFUSE);
    device_->SetTextureStageState(1, TSS_COLOROP, TOP_ADD);
    device_->SetTextureStageState(1, TSS_COLORARG1, TA_CURRENT);
    device_->SetTextureStageState(1, TSS_COLORARG2, TA_TFACTOR);
    device_->SetRenderState(RS_TEXTUREFACTOR, 0xFF102030);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF200000));
    EXPECT_TRUE(Near(Pixel(32, 32), 0xFF302030u));
}

TEST_F(GLDeviceTest, BlendTextureAlphaMixesBetweenTheArguments) {
    Texture* t = SolidTexture(1, 255, 255, 255, 64);
    device_->SetTexture(0, t);
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_BLENDTEXTUREALPHA);
    device_->SetTextureStageState(0, TSS_COLORARG1, TA_TFACTOR);
    device_->SetTextureStageState(0, TSS_COLORARG2, TA_DIFFUSE);
    device_->SetRenderState(RS_TEXTUREFACTOR, 0xFFFF0000);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF0000FF));
    // 64 / 255 of the factor's red, the rest the diffuse blue.
    EXPECT_TRUE(Near(Pixel(32, 32), 0xFF4000BFu));
    t->Release();
}

TEST_F(GLDeviceTest, SingleLevelTextureIsNotBlackWithMipFiltering) {
    Texture* t = SolidTexture(1, 0, 200, 0);
    ASSERT_EQ(t->GetLevelCount(), 1u);
    device_->SetTexture(0, t);
    for (SamplerState s : {SAMP_MAGFILTER, SAMP_MINFILTER, SAMP_MIPFILTER}) device_->SetSamplerState(0, s, TEXF_LINEAR);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_TRUE(Near(Pixel(32, 32), 0xFF00C800u));
    t->Release();
}

TEST_F(GLDeviceTest, FilledTextureGetsGeneratedMipLevels) {
    // A one-texel checkerboard averages to grey in its smallest levels.
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 0, 0, FMT_X8R8G8B8, POOL_MANAGED, &t), S_OK);
    EXPECT_EQ(t->GetLevelCount(), 5u);
    std::vector<uint8_t> rgba;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t v = ((x + y) & 1) ? 255 : 0;
            rgba.insert(rgba.end(), {v, v, v, 255});
        }
    ASSERT_EQ(t->Fill(rgba.data(), 16, 16, 64), S_OK);
    device_->SetTexture(0, t);
    device_->SetSamplerState(0, SAMP_MINFILTER, TEXF_POINT);
    device_->SetSamplerState(0, SAMP_MIPFILTER, TEXF_POINT);
    Clear(0xFF000000);
    // 16 texels onto 2 pixels: the 2x2 level.
    float x1 = -1 + 2.0f * 2 / kSize;
    Draw(Quad(-1, 1 - 2.0f * 2 / kSize, x1, 1, 0.5f));
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF808080u, 3));
    t->Release();
}

TEST_F(GLDeviceTest, GeneratedLevelTexelIsTheAverageOfItsTwoByTwoBlock) {
    // Level 0 of 5x3 pixels; levels 2x1 and 1x1 below it. The odd last column and row fall
    // outside every block, and the 1-pixel-high level averages pairs along its width.
    auto texel = [](int x, int y, int c) { return static_cast<uint8_t>(x * 40 + y * 9 + c * 3 + (x ^ y)); };
    std::vector<uint8_t> rgba;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 4; ++c) rgba.push_back(texel(x, y, c));
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(5, 3, 0, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    ASSERT_EQ(t->GetLevelCount(), 3u);
    ASSERT_EQ(t->Fill(rgba.data(), 5, 3, 20), S_OK);
    int level1[2][4];
    LockedRect locked;
    ASSERT_EQ(t->LockRect(1, &locked, nullptr, 0), S_OK);
    const uint8_t* bgra = static_cast<const uint8_t*>(locked.bits);
    for (int x = 0; x < 2; ++x)
        for (int c = 0; c < 4; ++c) {
            int sum = texel(2 * x, 0, c) + texel(2 * x + 1, 0, c) + texel(2 * x, 1, c) + texel(2 * x + 1, 1, c);
            level1[x][c] = (sum + 2) / 4;
            int stored = bgra[x * 4 + (c == 3 ? 3 : 2 - c)];  // stored as B, G, R, A
            EXPECT_EQ(stored, level1[x][c]) << "texel " << x << " channel " << c;
        }
    ASSERT_EQ(t->UnlockRect(1), S_OK);
    ASSERT_EQ(t->LockRect(2, &locked, nullptr, 0), S_OK);
    bgra = static_cast<const uint8_t*>(locked.bits);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(bgra[c == 3 ? 3 : 2 - c], (2 * (level1[0][c] + level1[1][c]) + 2) / 4) << "channel " << c;
    ASSERT_EQ(t->UnlockRect(2), S_OK);
    t->Release();
}

TEST_F(GLDeviceTest, LockedTextureLevelShowsTheWrittenPixels) {
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, FMT_X8R8G8B8, POOL_MANAGED, &t), S_OK);
    LockedRect locked;
    ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), S_OK);
    ASSERT_EQ(locked.pitch, 16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = static_cast<uint8_t*>(locked.bits) + y * locked.pitch + x * 4;
            p[0] = 0x30, p[1] = 0x20, p[2] = 0x10, p[3] = 0;  // B, G, R, unused
        }
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    // A second lock of a part keeps the rest.
    Rect part{0, 0, 2, 4};
    ASSERT_EQ(t->LockRect(0, &locked, &part, 0), S_OK);
    for (int y = 0; y < 4; ++y) {
        uint8_t* p = static_cast<uint8_t*>(locked.bits) + y * locked.pitch;
        for (int x = 0; x < 2; ++x) p[x * 4] = 0xFF, p[x * 4 + 1] = 0, p[x * 4 + 2] = 0;
    }
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    device_->SetTexture(0, t);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(Pixel(8, 32), 0xFF0000FFu);
    EXPECT_EQ(Pixel(56, 32), 0xFF102030u);
    t->Release();
}

TEST_F(GLDeviceTest, LockingAFilledTextureKeepsItsPixels) {
    Texture* t = SolidTexture(1, 0, 0, 255);
    LockedRect locked;
    Rect left{0, 0, 2, 4};
    ASSERT_EQ(t->LockRect(0, &locked, &left, 0), S_OK);
    for (int y = 0; y < 4; ++y) {
        uint8_t* p = static_cast<uint8_t*>(locked.bits) + y * locked.pitch;
        for (int x = 0; x < 2; ++x) p[x * 4] = 0, p[x * 4 + 1] = 0, p[x * 4 + 2] = 255, p[x * 4 + 3] = 255;
    }
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    device_->SetTexture(0, t);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(Pixel(8, 32), 0xFFFF0000u);
    EXPECT_EQ(Pixel(56, 32), 0xFF0000FFu);
    t->Release();
}

TEST_F(GLDeviceTest, SixteenBitTextureFormatsKeepTheirBitLayout) {
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(2, 2, 1, 0, FMT_R5G6B5, POOL_MANAGED, &t), S_OK);
    LockedRect locked;
    ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), S_OK);
    EXPECT_EQ(locked.pitch, 4);
    for (int y = 0; y < 2; ++y) {
        uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.bits) + y * locked.pitch);
        row[0] = row[1] = 0xF800;  // red
    }
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    device_->SetTexture(0, t);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(Pixel(32, 32), 0xFFFF0000u);
    t->Release();
}

TEST_F(GLDeviceTest, ReplacedStorageStaysBoundStartsBlackAndTakesItsNewLayout) {
    Texture* t = SolidTexture(1, 0, 255, 0);
    device_->SetTexture(0, t);
    ASSERT_EQ(t->ReplaceStorage(8, 4, FMT_R5G6B5), S_OK);
    Clear(0xFFFFFFFF);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u) << "new storage is black, still bound";
    LockedRect locked;
    Rect left{0, 0, 4, 4};
    ASSERT_EQ(t->LockRect(0, &locked, &left, 0), S_OK);
    EXPECT_EQ(locked.pitch, 16);
    for (int y = 0; y < 4; ++y) {
        uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.bits) + y * locked.pitch);
        for (int x = 0; x < 4; ++x) row[x] = 0x001F;  // blue
    }
    EXPECT_EQ(t->ReplaceStorage(16, 16, FMT_X8R8G8B8), D3DERR_INVALIDCALL) << "refused while locked";
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(Pixel(8, 32), 0xFF0000FFu);
    EXPECT_EQ(Pixel(56, 32), 0xFF000000u);
    t->Release();
}

TEST_F(GLDeviceTest, CompressedTextureTakesItsBlocksAsTheyAre) {
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, FMT_DXT1, POOL_MANAGED, &t), S_OK);
    LockedRect locked;
    ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), S_OK);
    EXPECT_EQ(locked.pitch, 8);
    // One block: colour 0 pure green (5:6:5), every texel colour 0.
    const uint8_t block[8] = {0xE0, 0x07, 0x00, 0x00, 0, 0, 0, 0};
    std::memcpy(locked.bits, block, 8);
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    device_->SetTexture(0, t);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(Pixel(32, 32), 0xFF00FF00u);
    t->Release();
}

// ---- Lighting ---------------------------------------------------------------------------

class GLLightingTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        if (HasFatalFailure()) return;
        device_->SetRenderState(RS_LIGHTING, 1);
        for (RenderState s : {RS_DIFFUSEMATERIALSOURCE, RS_AMBIENTMATERIALSOURCE, RS_SPECULARMATERIALSOURCE})
            device_->SetRenderState(s, MCS_MATERIAL);
        Material m;
        m.diffuse = {1, 1, 1, 1};
        m.ambient = {1, 1, 1, 1};
        device_->SetMaterial(&m);
    }
    // A triangle at depth 0.5 whose corners lie 0.8 from the centre, facing -z.
    void DrawLitTriangle(uint32_t diffuse = 0xFFFFFFFF) {
        std::vector<Vertex> v;
        for (float degrees : {90.0f, 210.0f, 330.0f}) {
            float a = degrees * 3.14159265f / 180;
            Vertex p = V(0.8f * std::cos(a), 0.8f * std::sin(a), 0.5f, diffuse);
            p.nz = -1;
            v.push_back(p);
        }
        Draw(v);
    }
    static Light PointLight(float range, float a0, float a1, float a2) {
        Light l;
        l.type = LIGHT_POINT;
        l.diffuse = {1, 1, 1, 0};
        l.position = {0, 0, -0.5f};  // 1.0 in front of the triangle's centre
        l.range = range;
        l.attenuation0 = a0;
        l.attenuation1 = a1;
        l.attenuation2 = a2;
        return l;
    }
    // A white directional light shining along +z, onto the triangle's face.
    static Light Sun() {
        Light l;
        l.type = LIGHT_DIRECTIONAL;
        l.direction = {0, 0, 1};
        l.diffuse = {1, 1, 1, 0};
        return l;
    }
};

TEST_F(GLLightingTest, PointLightFallsOffAsOneOverA1D) {
    // Each corner: distance sqrt(0.8^2 + 1) = 1.2806, cosine 1 / 1.2806.
    const double d = std::sqrt(0.64 + 1.0), lambert = 1.0 / d;
    Light l = PointLight(2.0f, 0, 1, 0);
    device_->SetLight(0, &l);
    device_->LightEnable(0, true);
    Clear(0xFF000000);
    DrawLitTriangle();
    int expected = static_cast<int>(std::lround(255 * lambert / d));
    EXPECT_NEAR(Red(Pixel(32, 32)), expected, 2);
    l = PointLight(2.0f, 0, 2, 0);
    device_->SetLight(0, &l);
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_NEAR(Red(Pixel(32, 32)), static_cast<int>(std::lround(255 * lambert / (2 * d))), 2);
}

TEST_F(GLLightingTest, PointLightReachesNothingBeyondItsRange) {
    Light l = PointLight(1.25f, 0, 1, 0);  // the corners are 1.2806 away
    device_->SetLight(0, &l);
    device_->LightEnable(0, true);
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
    l.range = 1.3f;
    device_->SetLight(0, &l);
    DrawLitTriangle();
    EXPECT_GT(Red(Pixel(32, 32)), 100);
}

TEST_F(GLLightingTest, FifteenthLightLights) {
    for (uint32_t i = 0; i < 15; ++i) {
        Light l;
        l.type = LIGHT_DIRECTIONAL;
        l.direction = {0, 0, 1};
        if (i == 14) l.diffuse = {1, 1, 1, 0};
        ASSERT_EQ(device_->SetLight(i, &l), S_OK);
        ASSERT_EQ(device_->LightEnable(i, true), S_OK);
    }
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFFFFFFFFu);
    device_->LightEnable(14, false);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
}

TEST_F(GLLightingTest, GlobalAmbientLightsTheMaterialAmbient) {
    device_->SetRenderState(RS_AMBIENT, 0xFF464646);
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFF464646u);
}

TEST_F(GLLightingTest, SpotLightLightsInsideItsConeOnly) {
    Light l;
    l.type = LIGHT_SPOT;
    l.diffuse = {1, 1, 1, 0};
    l.position = {0, 0, -0.5f};
    l.direction = {0, 0, 1};
    l.range = 10;
    l.attenuation0 = 1;
    l.falloff = 1;
    l.theta = 1.6f;  // the corners are 38.7 degrees off the axis
    l.phi = 1.8f;
    device_->SetLight(0, &l);
    device_->LightEnable(0, true);
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_NEAR(Red(Pixel(32, 32)), static_cast<int>(std::lround(255 / std::sqrt(1.64))), 2);
    l.theta = 0.6f;
    l.phi = 0.7f;
    device_->SetLight(0, &l);
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
}

TEST_F(GLLightingTest, EachDrawLightsWithTheKindsAndNumberOfLightsEnabledBeforeIt) {
    Light point = PointLight(2.0f, 0, 1, 0);
    device_->SetLight(0, &point);
    device_->LightEnable(0, true);
    Clear(0xFF000000);
    DrawLitTriangle();
    const uint32_t lit = Pixel(32, 32);
    ASSERT_GT(Red(lit), 100);
    // Lit by the point light, then drawn over after the same slot is made a narrow spot,
    // then again after a directional light is added in another slot: no other state
    // changes between the draws.
    Clear(0xFF000000);
    DrawLitTriangle();
    Light spot = point;
    spot.type = LIGHT_SPOT;
    spot.direction = {0, 0, 1};
    spot.falloff = 1;
    spot.theta = 0.6f;
    spot.phi = 0.7f;
    device_->SetLight(0, &spot);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
    DrawLitTriangle();
    Light sun = Sun();
    device_->SetLight(3, &sun);
    device_->LightEnable(3, true);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), 0xFFFFFFFFu);
    device_->LightEnable(3, false);
    device_->SetLight(0, &point);
    Clear(0xFF000000);
    DrawLitTriangle();
    EXPECT_EQ(Pixel(32, 32), lit);
    // Past the number of programs the device builds, the lights are read from the block.
    device_->SetTextureStageState(0, TSS_ALPHAOP, TOP_SELECTARG1);
    device_->SetTextureStageState(0, TSS_ALPHAARG1, TA_DIFFUSE);
    for (uint32_t k = 0; k < 70; ++k) {
        device_->SetTextureStageState(0, TSS_ALPHAARG2, 0x100 + k);
        Clear(0xFF000000);
        DrawLitTriangle();
        ASSERT_EQ(Pixel(32, 32), lit) << "combination " << k;
    }
}

TEST_F(GLLightingTest, ColourVertexTakesTheDiffuseFromTheVertexOnlyWhenItCarriesOne) {
    Light sun = Sun();
    device_->SetLight(0, &sun);
    device_->LightEnable(0, true);
    Material red;
    red.diffuse = {1, 0, 0, 1};
    device_->SetMaterial(&red);
    device_->SetRenderState(RS_COLORVERTEX, 1);
    device_->SetRenderState(RS_DIFFUSEMATERIALSOURCE, MCS_COLOR1);
    Clear(0xFF000000);
    DrawLitTriangle(0xFF00FF00);
    EXPECT_EQ(Pixel(32, 32), 0xFF00FF00u);
    // Vertices without a diffuse colour, with nothing else changed since the last draw,
    // take the material's.
    DrawLitTriangle(0xFF00FF00);
    device_->SetFVF(kVertexFvf & ~FVF_DIFFUSE);
    DrawLitTriangle(0xFF00FF00);
    EXPECT_EQ(Pixel(32, 32), 0xFFFF0000u);
    device_->SetFVF(kVertexFvf);
    device_->SetRenderState(RS_COLORVERTEX, 0);
    Clear(0xFF000000);
    DrawLitTriangle(0xFF00FF00);
    EXPECT_EQ(Pixel(32, 32), 0xFFFF0000u);
}

// ---- Blending and alpha test ------------------------------------------------------------

TEST_F(GLDeviceTest, AlphaBlendingMixesWithTheFrame) {
    device_->SetTextureStageState(0, TSS_ALPHAOP, TOP_DISABLE);
    device_->SetRenderState(RS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
    device_->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
    Clear(0xFF0000FF);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0x80FF0000));
    EXPECT_TRUE(Near(Pixel(32, 32), 0xFF80007Fu, 1));
}

TEST_F(GLDeviceTest, AlphaTestDropsPixelsBelowTheReference) {
    device_->SetTextureStageState(0, TSS_ALPHAOP, TOP_DISABLE);
    device_->SetRenderState(RS_ALPHATESTENABLE, 1);
    device_->SetRenderState(RS_ALPHAREF, 0x80);
    device_->SetRenderState(RS_ALPHAFUNC, CMP_GREATEREQUAL);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 0, 1, 0.5f, 0x7FFFFFFF));
    Draw(Quad(0, -1, 1, 1, 0.5f, 0x80FFFFFF));
    EXPECT_EQ(Pixel(16, 32), 0xFF000000u);
    EXPECT_EQ(Pixel(48, 32), 0xFFFFFFFFu);
}

// ---- State changes within a frame ------------------------------------------------------

// A quarter-size quad at the centre, moved by the world transform.
void DrawMoved(Device* device, float dx, float dy, uint32_t diffuse) {
    math::Matrix world = math::MatrixTranslation(dx, dy, 0);
    device->SetTransform(TS_WORLD, &world);
    std::vector<Vertex> v = Quad(-0.25f, -0.25f, 0.25f, 0.25f, 0.5f, diffuse);
    ASSERT_EQ(device->DrawPrimitiveUP(PT_TRIANGLELIST, 2, v.data(), sizeof(Vertex)), S_OK);
}

TEST_F(GLDeviceTest, EachDrawOfAFrameUsesTheStateSetBeforeIt) {
    Texture* green = SolidTexture(1, 0, 255, 0);
    Material emissiveBlue;
    emissiveBlue.emissive = {0, 0, 1, 1};
    device_->SetMaterial(&emissiveBlue);
    device_->SetRenderState(RS_TEXTUREFACTOR, 0xFFFFFF00);
    Clear(0xFF000000);
    DrawMoved(device_, -0.5f, 0.5f, 0xFFFF0000);  // unlit, untextured: the diffuse colour
    device_->SetTexture(0, green);
    DrawMoved(device_, 0.5f, 0.5f, 0xFFFFFFFF);  // the texture
    device_->SetTexture(0, nullptr);
    device_->SetRenderState(RS_LIGHTING, 1);
    DrawMoved(device_, -0.5f, -0.5f, 0xFFFFFFFF);  // lit without lights: the emissive colour
    device_->SetRenderState(RS_LIGHTING, 0);
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG1);
    device_->SetTextureStageState(0, TSS_COLORARG1, TA_TFACTOR);
    DrawMoved(device_, 0.5f, -0.5f, 0xFFFFFFFF);  // the texture factor
    // Back to the first state: its program is given the transform set since it last drew.
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_MODULATE);
    device_->SetTextureStageState(0, TSS_COLORARG1, TA_TEXTURE);
    DrawMoved(device_, 0, 0, 0xFFFF00FF);
    EXPECT_EQ(Pixel(16, 16), 0xFFFF0000u);
    EXPECT_EQ(Pixel(48, 16), 0xFF00FF00u);
    EXPECT_EQ(Pixel(16, 48), 0xFF0000FFu);
    EXPECT_EQ(Pixel(48, 48), 0xFFFFFF00u);
    EXPECT_EQ(Pixel(32, 32), 0xFFFF00FFu);
    green->Release();
}

TEST_F(GLDeviceTest, BlendingAndDepthWritesFollowEachDrawAcrossClears) {
    device_->SetTextureStageState(0, TSS_ALPHAOP, TOP_DISABLE);
    for (int frame = 0; frame < 2; ++frame) {
        Clear(0xFF0000FF);
        device_->SetRenderState(RS_ALPHABLENDENABLE, 1);
        device_->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
        device_->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
        device_->SetRenderState(RS_ZWRITEENABLE, 0);
        DrawMoved(device_, -0.5f, 0, 0x80FF0000);  // blended, leaves the depth as cleared
        device_->SetRenderState(RS_ALPHABLENDENABLE, 0);
        device_->SetRenderState(RS_ZWRITEENABLE, 1);
        DrawMoved(device_, 0.5f, 0, 0x80FF0000);  // opaque
        EXPECT_TRUE(Near(Pixel(16, 32), 0xFF80007Fu, 1)) << "frame " << frame;
        EXPECT_EQ(Pixel(48, 32), 0xFFFF0000u) << "frame " << frame;
        // Only the opaque quad wrote its depth: a farther quad shows beside it, not over it.
        std::vector<Vertex> far = Quad(-1, -1, 1, 1, 0.75f, 0xFF00FF00);
        Draw(far);
        EXPECT_EQ(Pixel(16, 32), 0xFF00FF00u) << "frame " << frame;
        EXPECT_EQ(Pixel(48, 32), 0xFFFF0000u) << "frame " << frame;
    }
}

TEST_F(GLDeviceTest, StageCombinationsPastTheBuiltInOnesStillDraw) {
    // Each unused alpha argument value makes another combination; past the number of
    // programs the device builds, the stages are read from the state block instead.
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_ADD);
    device_->SetTextureStageState(0, TSS_COLORARG1, TA_DIFFUSE);
    device_->SetTextureStageState(0, TSS_COLORARG2, TA_TFACTOR);
    device_->SetTextureStageState(0, TSS_ALPHAOP, TOP_SELECTARG1);
    device_->SetTextureStageState(0, TSS_ALPHAARG1, TA_DIFFUSE);
    for (uint32_t k = 0; k < 72; ++k) {
        device_->SetTextureStageState(0, TSS_ALPHAARG2, 0x100 + k);
        device_->SetRenderState(RS_TEXTUREFACTOR, 0xFF000000u | k);
        Clear(0xFF000000);
        Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF400000));
        ASSERT_EQ(Pixel(32, 32), 0xFF400000u | k) << "combination " << k;
    }
}

// ---- Buffers ------------------------------------------------------------------------------

TEST_F(GLDeviceTest, RingBuffersDrawBatchesLockedWithDiscardAndNoOverwrite) {
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(8 * 48, USAGE_DYNAMIC | USAGE_WRITEONLY, kVertexFvf, POOL_DEFAULT, &vb), S_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(12 * 2, USAGE_DYNAMIC | USAGE_WRITEONLY, FMT_INDEX16, POOL_DEFAULT, &ib), S_OK);
    const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
    auto fill = [&](uint32_t first, uint32_t flags, float x0, float x1, uint32_t color) {
        void* v = nullptr;
        void* i = nullptr;
        ASSERT_EQ(vb->Lock(first * 48, 4 * 48, &v, flags | LOCK_NOSYSLOCK), S_OK);
        ASSERT_EQ(ib->Lock(first / 4 * 12, 12, &i, flags | LOCK_NOSYSLOCK), S_OK);
        std::vector<Vertex> q = Quad(x0, -1, x1, 1, 0.5f, color);
        Vertex corners[4] = {q[0], q[1], q[2], q[5]};
        std::memcpy(v, corners, sizeof corners);
        std::memcpy(i, quad, sizeof quad);
        ASSERT_EQ(ib->Unlock(), S_OK);
        ASSERT_EQ(vb->Unlock(), S_OK);
    };
    fill(0, LOCK_DISCARD, -1, 0, 0xFFFF0000);
    fill(4, LOCK_NOOVERWRITE, 0, 1, 0xFF00FF00);
    // A lock of nothing changes nothing.
    void* none = nullptr;
    ASSERT_EQ(vb->Lock(8 * 48, 0, &none, LOCK_NOOVERWRITE), S_OK);
    ASSERT_EQ(vb->Unlock(), S_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vb, 0, 48), S_OK);
    ASSERT_EQ(device_->SetIndices(ib), S_OK);
    Clear(0xFF000000);
    ASSERT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    ASSERT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 4, 0, 4, 6, 2), S_OK);
    EXPECT_EQ(Pixel(16, 32), 0xFFFF0000u);
    EXPECT_EQ(Pixel(48, 32), 0xFF00FF00u);
    // Indices past the end of the index buffer are refused.
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 6, 3), D3DERR_INVALIDCALL);
    ib->Release();
    vb->Release();
}

TEST_F(GLDeviceTest, BuffersBoundBeforeTheirFirstLockDrawWhatIsWrittenLater) {
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(4 * 48, USAGE_WRITEONLY, kVertexFvf, POOL_MANAGED, &vb), S_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(6 * 2, USAGE_WRITEONLY, FMT_INDEX16, POOL_MANAGED, &ib), S_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vb, 0, 48), S_OK);
    ASSERT_EQ(device_->SetIndices(ib), S_OK);
    Clear(0xFF000000);
    // Nothing written yet: the draw goes through.
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    void* v = nullptr;
    void* i = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &v, 0), S_OK);
    ASSERT_EQ(ib->Lock(0, 0, &i, 0), S_OK);
    std::vector<Vertex> q = Quad(-1, -1, 1, 1, 0.5f, 0xFF0000FF);
    const Vertex corners[4] = {q[0], q[1], q[2], q[5]};
    const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
    std::memcpy(v, corners, sizeof corners);
    std::memcpy(i, quad, sizeof quad);
    ASSERT_EQ(ib->Unlock(), S_OK);
    ASSERT_EQ(vb->Unlock(), S_OK);
    Clear(0xFF000000);
    ASSERT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    EXPECT_EQ(Pixel(32, 32), 0xFF0000FFu);
    ib->Release();
    vb->Release();
}

// ---- Gamma ---------------------------------------------------------------------------------

GammaRamp BrightnessRamp(int k) {
    GammaRamp r;
    for (int i = 0; i < 256; ++i) {
        double v = std::floor((i / 255.0) * 255.0 * k / 128.0);
        uint16_t e = static_cast<uint16_t>(std::min(255.0, std::max(0.0, v))) << 8;
        r.red[i] = r.green[i] = r.blue[i] = e;
    }
    return r;
}

TEST_F(GLDeviceTest, GammaRampIsAppliedAsThePictureIsShown) {
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF804020));
    GammaRamp ramp = BrightnessRamp(128);
    device_->SetGammaRamp(0, SGR_CALIBRATE, &ramp);
    EXPECT_EQ(Pixel(32, 32, true), 0xFF804020u);
    ramp = BrightnessRamp(64);
    device_->SetGammaRamp(0, SGR_CALIBRATE, &ramp);
    EXPECT_EQ(Pixel(32, 32, true), 0xFF402010u);
    ramp = BrightnessRamp(0);
    device_->SetGammaRamp(0, SGR_CALIBRATE, &ramp);
    EXPECT_EQ(Pixel(32, 32, true), 0xFF000000u);
    // The frame itself is untouched.
    EXPECT_EQ(Pixel(32, 32), 0xFF804020u);
}

TEST_F(GLDeviceTest, StartingGammaRampIsTheIdentity) {
    GammaRamp ramp;
    device_->GetGammaRamp(0, &ramp);
    EXPECT_EQ(ramp.red[0], 0);
    EXPECT_EQ(ramp.green[128], 128 * 257);
    EXPECT_EQ(ramp.blue[255], 0xFFFF);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF123456));
    EXPECT_EQ(Pixel(32, 32, true), 0xFF123456u);
}

// ---- Text ----------------------------------------------------------------------------------

TEST_F(GLDeviceTest, StatisticsTextIsDrawnWithoutChangingTheState) {
    FontDesc desc;
    desc.height = 16;
    desc.weight = FW_BOLD;
    desc.quality = PROOF_QUALITY;
    desc.pitchAndFamily = FIXED_PITCH;
    Font* font = nullptr;
    ASSERT_EQ(device_->CreateFont(desc, &font), S_OK);
    // Additive blending, depth test and a bound texture before the text.
    Texture* t = SolidTexture(1, 255, 255, 255);
    device_->SetTexture(0, t);
    device_->SetRenderState(RS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(RS_SRCBLEND, BLEND_ONE);
    device_->SetRenderState(RS_DESTBLEND, BLEND_ONE);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 0, -0.5f, 0.5f, 0xFF400000));

    Rect rect{2, 2, 60, 30};
    EXPECT_EQ(font->DrawText("FPS: 60", -1, &rect, 0, 0xFF0000FF), 16);
    int blue = 0;
    std::vector<uint32_t> pixels(kSize * kSize);
    ASSERT_EQ(device_->ReadPixels(0, 0, kSize, kSize, pixels.data()), S_OK);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            uint32_t p = pixels[y * kSize + x];
            bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
            if (Blue(p) > 128) ++blue;
            if (!inside && y < 40) {
                EXPECT_EQ(p, 0xFF000000u) << x << "," << y;
            }
        }
    EXPECT_GT(blue, 20);

    uint32_t value = 0;
    device_->GetRenderState(RS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, 1u);
    device_->GetRenderState(RS_SRCBLEND, &value);
    EXPECT_EQ(value, uint32_t(BLEND_ONE));
    Texture* bound = nullptr;
    device_->GetTexture(0, &bound);
    EXPECT_EQ(bound, t);
    // The next draw still adds, depth-tests and samples the texture.
    Draw(Quad(-1, -1, 0, -0.5f, 0.5f, 0xFF400000));
    EXPECT_EQ(Pixel(16, 56), 0xFF800000u);
    Draw(Quad(-1, -1, 0, -0.5f, 0.75f, 0xFF400000));
    EXPECT_EQ(Pixel(16, 56), 0xFF800000u);
    t->Release();
    font->Release();
}

TEST_F(GLDeviceTest, TextIsClippedToItsRectangle) {
    FontDesc desc;
    desc.height = 16;
    desc.weight = FW_BOLD;
    Font* font = nullptr;
    ASSERT_EQ(device_->CreateFont(desc, &font), S_OK);
    Clear(0xFF000000);
    Rect rect{0, 0, 64, 6};
    font->DrawText("MMMMMMMM", -1, &rect, 0, 0xFFFFFFFF);
    std::vector<uint32_t> pixels(kSize * kSize);
    ASSERT_EQ(device_->ReadPixels(0, 0, kSize, kSize, pixels.data()), S_OK);
    for (int y = 6; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) EXPECT_EQ(pixels[y * kSize + x], 0xFF000000u);
    font->Release();
}

// ---- Lifecycle ------------------------------------------------------------------------------

TEST_F(GLDeviceTest, PresentShowsTheFrameAndDrawingGoesOn) {
    Clear(0xFF000000);
    ASSERT_EQ(device_->BeginScene(), S_OK);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF00FF00));
    ASSERT_EQ(device_->EndScene(), S_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    Draw(Quad(-1, -1, 0, 1, 0.5f, 0xFFFF0000));
    EXPECT_EQ(Pixel(16, 32), 0xFFFF0000u);
    EXPECT_EQ(Pixel(48, 32), 0xFF00FF00u);
}

TEST_F(GLDeviceTest, FrameClearedAfterAPresentKeepsNothingOfTheFrameBefore) {
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF00FF00));
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    Clear(0xFF0000FF);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Pixel(32, 32), 0xFF0000FFu);
}

TEST_F(GLDeviceTest, SimulatedLossIsReportedUntilReset) {
    device_->SimulateDeviceLoss(1);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    PresentParameters pp;
    pp.backBufferWidth = 32;
    pp.backBufferHeight = 32;
    pp.windowed = true;
    pp.enableAutoDepthStencil = true;
    pp.autoDepthStencilFormat = FMT_D16;
    ASSERT_EQ(device_->Reset(&pp), S_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), S_OK);
    // The new frame has the new size and every state its default.
    uint32_t out;
    EXPECT_EQ(device_->ReadPixels(40, 0, 1, 1, &out), D3DERR_INVALIDCALL);
    uint32_t lighting = 0;
    device_->GetRenderState(RS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, 1u);
    device_->SetFVF(kVertexFvf);
    device_->SetRenderState(RS_LIGHTING, 0);
    Clear(0xFF000000);
    Draw(Quad(-1, -1, 1, 1, 0.5f, 0xFF0000FF));
    EXPECT_EQ(Pixel(31, 31), 0xFF0000FFu);
}

TEST_F(GLDeviceTest, ResetIsRefusedWhileDefaultPoolBuffersLive) {
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(480, USAGE_WRITEONLY, kVertexFvf, POOL_DEFAULT, &vb), S_OK);
    PresentParameters pp;
    pp.windowed = true;
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    vb->Release();
    EXPECT_EQ(device_->Reset(&pp), S_OK);
}

TEST_F(GLDeviceTest, AvailableTextureMemoryIsReported) { EXPECT_GT(device_->GetAvailableTextureMem(), 0u); }

TEST_F(GLDeviceTest, FullScreenFrameKeepsTheConfiguredSize) {
    ASSERT_EQ(device_->Release(), 0u);
    device_ = nullptr;
    PresentParameters pp;
    pp.windowed = false;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.backBufferFormat = FMT_R5G6B5;
    pp.enableAutoDepthStencil = true;
    pp.autoDepthStencilFormat = FMT_D16;
    pp.flags = PRESENTFLAG_DISCARD_DEPTHSTENCIL;
    ASSERT_EQ(graphics_->CreateDevice(0, DEVTYPE_HAL, window_->Get(), CREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_),
              S_OK);
    device_->SetFVF(kVertexFvf);
    device_->SetRenderState(RS_LIGHTING, 0);
    Clear(0xFF000000);
    Draw(Quad(0, -1, 1, 0, 0.5f, 0xFF00FF00));
    EXPECT_EQ(Pixel(639, 479), 0xFF00FF00u);
    EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(GLDeviceTest, ResetMovesTheWindowBetweenTheDesktopAndTheConfiguredSize) {
    SDL_Window* window = window_->Get();
    SDL_Rect desktop;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &desktop), 0);
    PresentParameters pp;
    pp.windowed = false;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.backBufferFormat = FMT_X8R8G8B8;
    ASSERT_EQ(device_->Reset(&pp), S_OK);
    int x = -1, y = -1, w = 0, h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({desktop.x, desktop.y, desktop.w, desktop.h}));

    // Back to a window of the configured size, not the one the window had before.
    pp.windowed = true;
    pp.backBufferWidth = 320;
    pp.backBufferHeight = 200;
    ASSERT_EQ(device_->Reset(&pp), S_OK);
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(SDL_GetWindowFlags(window) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS), 0u);
    EXPECT_EQ(std::vector<int>({w, h}), std::vector<int>({320, 200}));
}

TEST_F(GLDeviceTest, DisplayModesAreListedForBothDisplayFormats) {
    uint32_t count = graphics_->GetAdapterModeCount(0, FMT_R5G6B5);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(graphics_->GetAdapterModeCount(0, FMT_X8R8G8B8), count);
    bool fourByThree = false;
    for (uint32_t i = 0; i < count; ++i) {
        DisplayMode m;
        ASSERT_EQ(graphics_->EnumAdapterModes(0, FMT_X8R8G8B8, i, &m), S_OK);
        EXPECT_GT(m.width, 0u);
        EXPECT_EQ(m.format, FMT_X8R8G8B8);
        if (m.height * 4 == m.width * 3) fourByThree = true;
    }
    EXPECT_TRUE(fourByThree);
}

}  // namespace
