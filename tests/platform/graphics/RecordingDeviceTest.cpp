// The recording device: the state machine, buffers and the call log, without GL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/graphics/Device.h"

using namespace gfx;

namespace {

class RecordingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        graphics_ = CreateRecordingGraphics();
        PresentParameters pp;
        pp.backBufferWidth = 800;
        pp.backBufferHeight = 600;
        pp.windowed = true;
        pp.enableAutoDepthStencil = true;
        pp.autoDepthStencilFormat = FMT_D16;
        ASSERT_EQ(graphics_->CreateDevice(0, DEVTYPE_HAL, nullptr, CREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_),
                  S_OK);
        recording_ = AsRecording(device_);
        ASSERT_NE(recording_, nullptr);
    }
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        graphics_->Release();
    }
    uint32_t StateOf(gfx::RenderState s) {
        uint32_t v = 0;
        EXPECT_EQ(device_->GetRenderState(s, &v), S_OK);
        return v;
    }
    // A vertex buffer of n vertices and an index buffer of m indices, bound.
    void Bind(uint32_t vertices, uint32_t indices) {
        ASSERT_EQ(device_->CreateVertexBuffer(vertices * 48, USAGE_DYNAMIC, kVertexFvf, POOL_DEFAULT, &vb_), S_OK);
        ASSERT_EQ(device_->CreateIndexBuffer(indices * 2, USAGE_DYNAMIC, FMT_INDEX16, POOL_DEFAULT, &ib_), S_OK);
        ASSERT_EQ(device_->SetStreamSource(0, vb_, 0, 48), S_OK);
        ASSERT_EQ(device_->SetIndices(ib_), S_OK);
        ASSERT_EQ(device_->SetFVF(kVertexFvf), S_OK);
    }
    void ReleaseBuffers() {
        if (vb_) vb_->Release();
        if (ib_) ib_->Release();
        vb_ = nullptr;
        ib_ = nullptr;
    }

    Graphics* graphics_ = nullptr;
    Device* device_ = nullptr;
    Recording* recording_ = nullptr;
    VertexBuffer* vb_ = nullptr;
    IndexBuffer* ib_ = nullptr;
};

// ---- Default state -------------------------------------------------------------------

TEST_F(RecordingDeviceTest, StartsWithTheDefaultRenderStates) {
    EXPECT_EQ(StateOf(RS_ZENABLE), 1u);
    EXPECT_EQ(StateOf(RS_ZWRITEENABLE), 1u);
    EXPECT_EQ(StateOf(RS_ZFUNC), uint32_t(CMP_LESSEQUAL));
    EXPECT_EQ(StateOf(RS_CULLMODE), uint32_t(CULL_CCW));
    EXPECT_EQ(StateOf(RS_LIGHTING), 1u);
    EXPECT_EQ(StateOf(RS_SRCBLEND), uint32_t(BLEND_ONE));
    EXPECT_EQ(StateOf(RS_DESTBLEND), uint32_t(BLEND_ZERO));
    EXPECT_EQ(StateOf(RS_ALPHAFUNC), uint32_t(CMP_ALWAYS));
    EXPECT_EQ(StateOf(RS_TEXTUREFACTOR), 0xFFFFFFFFu);
    EXPECT_EQ(StateOf(RS_AMBIENT), 0u);
    EXPECT_EQ(StateOf(RS_DIFFUSEMATERIALSOURCE), uint32_t(MCS_COLOR1));
    EXPECT_EQ(StateOf(RS_SPECULARMATERIALSOURCE), uint32_t(MCS_COLOR2));
    EXPECT_EQ(StateOf(RS_CLIPPING), 1u);
    EXPECT_EQ(StateOf(RS_DITHERENABLE), 0u);
}

TEST_F(RecordingDeviceTest, StartsWithTheDefaultStagesAndSamplers) {
    uint32_t v = 0;
    device_->GetTextureStageState(0, TSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(TOP_MODULATE));
    device_->GetTextureStageState(0, TSS_ALPHAOP, &v);
    EXPECT_EQ(v, uint32_t(TOP_SELECTARG1));
    device_->GetTextureStageState(1, TSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(TOP_DISABLE));
    device_->GetTextureStageState(1, TSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 1u);
    device_->GetSamplerState(0, SAMP_MINFILTER, &v);
    EXPECT_EQ(v, uint32_t(TEXF_POINT));
    device_->GetSamplerState(1, SAMP_MIPFILTER, &v);
    EXPECT_EQ(v, uint32_t(TEXF_NONE));
    device_->GetSamplerState(0, SAMP_ADDRESSU, &v);
    EXPECT_EQ(v, uint32_t(TADDRESS_WRAP));
}

TEST_F(RecordingDeviceTest, WithoutDepthBufferZStartsOff) {
    PresentParameters pp;
    pp.windowed = true;
    ASSERT_EQ(device_->Reset(&pp), S_OK);
    EXPECT_EQ(StateOf(RS_ZENABLE), 0u);
    EXPECT_EQ(device_->Clear(0, nullptr, CLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, ResetReturnsEveryStateToItsDefault) {
    device_->SetRenderState(RS_CULLMODE, CULL_NONE);
    device_->SetTextureStageState(0, TSS_COLOROP, TOP_SELECTARG2);
    math::Matrix m = math::MatrixTranslation(1, 2, 3);
    device_->SetTransform(TS_WORLD, &m);
    PresentParameters pp;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.windowed = false;
    pp.backBufferFormat = FMT_R5G6B5;
    ASSERT_EQ(device_->Reset(&pp), S_OK);
    EXPECT_EQ(StateOf(RS_CULLMODE), uint32_t(CULL_CCW));
    uint32_t op = 0;
    device_->GetTextureStageState(0, TSS_COLOROP, &op);
    EXPECT_EQ(op, uint32_t(TOP_MODULATE));
    device_->GetTransform(TS_WORLD, &m);
    EXPECT_EQ(m, math::MatrixIdentity());
}

// ---- State round trips ---------------------------------------------------------------

TEST_F(RecordingDeviceTest, EnablingAnUnsetLightGivesTheDefaultLight) {
    Light l;
    EXPECT_EQ(device_->GetLight(3, &l), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->LightEnable(3, true), S_OK);
    ASSERT_EQ(device_->GetLight(3, &l), S_OK);
    EXPECT_EQ(l.type, uint32_t(LIGHT_DIRECTIONAL));
    EXPECT_EQ(l.diffuse.r, 1.0f);
    EXPECT_EQ(l.direction, math::Vec3(0, 0, 1));
    bool on = false;
    device_->GetLightEnable(3, &on);
    EXPECT_TRUE(on);
}

TEST_F(RecordingDeviceTest, LightSlotsStopAtFifteen) {
    Light l;
    l.type = LIGHT_POINT;
    l.range = 5.125f;
    l.attenuation1 = 1;
    EXPECT_EQ(device_->SetLight(14, &l), S_OK);
    EXPECT_EQ(device_->SetLight(15, &l), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->LightEnable(15, true), D3DERR_INVALIDCALL);
    Light back;
    ASSERT_EQ(device_->GetLight(14, &back), S_OK);
    EXPECT_EQ(std::memcmp(&back, &l, sizeof l), 0);
}

TEST_F(RecordingDeviceTest, BadLightsAreRefused) {
    Light l;
    l.type = 7;
    EXPECT_EQ(device_->SetLight(0, &l), D3DERR_INVALIDCALL);
    l.type = LIGHT_POINT;
    l.range = -1;
    EXPECT_EQ(device_->SetLight(0, &l), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, MaterialAndTransformsComeBackAsSet) {
    Material m;
    m.diffuse = {1, 1, 1, 1};
    m.power = 20.0f;
    ASSERT_EQ(device_->SetMaterial(&m), S_OK);
    Material back;
    device_->GetMaterial(&back);
    EXPECT_EQ(std::memcmp(&back, &m, sizeof m), 0);
    math::Matrix view = math::MatrixLookAtLH({0, -10, 5}, {0, 0, 0}, {0, 0, 1});
    ASSERT_EQ(device_->SetTransform(TS_VIEW, &view), S_OK);
    math::Matrix out;
    device_->GetTransform(TS_VIEW, &out);
    EXPECT_EQ(out, view);
    EXPECT_EQ(device_->SetTransform(static_cast<TransformState>(17), &view), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, OutOfRangeStatesAreRefused) {
    EXPECT_EQ(device_->SetRenderState(static_cast<RenderState>(kRenderStateCount), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(kMaxTextureStages, TSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(0, static_cast<SamplerState>(99), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTexture(kMaxTextureStages, nullptr), D3DERR_INVALIDCALL);
}

// ---- Buffers and draws ---------------------------------------------------------------

TEST_F(RecordingDeviceTest, LocksHandOutTheSameMemoryEachTime) {
    Bind(4, 6);
    void* a = nullptr;
    ASSERT_EQ(vb_->Lock(48, 96, &a, LOCK_DISCARD | LOCK_NOSYSLOCK), S_OK);
    std::memset(a, 0x5A, 96);
    ASSERT_EQ(vb_->Unlock(), S_OK);
    void* b = nullptr;
    ASSERT_EQ(vb_->Lock(0, 0, &b, LOCK_NOOVERWRITE), S_OK);  // size 0: to the end
    EXPECT_EQ(static_cast<uint8_t*>(b)[48], 0x5A);
    EXPECT_EQ(static_cast<uint8_t*>(b)[143], 0x5A);
    ASSERT_EQ(vb_->Unlock(), S_OK);
    ReleaseBuffers();
}

TEST_F(RecordingDeviceTest, LocksOutsideTheBufferOrTwiceAreRefused) {
    Bind(4, 6);
    void* p = nullptr;
    EXPECT_EQ(vb_->Lock(4 * 48, 1, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb_->Lock(0xFFFFFFF0u, 0x20, &p, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb_->Lock(0, 48, &p, 0), S_OK);
    EXPECT_EQ(vb_->Lock(0, 48, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb_->Unlock(), S_OK);
    EXPECT_EQ(vb_->Unlock(), D3DERR_INVALIDCALL);
    ReleaseBuffers();
}

TEST_F(RecordingDeviceTest, IndexedDrawsStayInsideTheirBuffers) {
    Bind(4, 6);
    void* p = nullptr;
    ASSERT_EQ(ib_->Lock(0, 0, &p, 0), S_OK);
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    std::memcpy(p, indices, sizeof indices);
    ASSERT_EQ(ib_->Unlock(), S_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    // Past the index buffer.
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL);
    // Indices reaching past the vertex buffer.
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawIndexedPrimitive(static_cast<PrimitiveType>(9), 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    // Nothing bound, or a locked buffer.
    ASSERT_EQ(vb_->Lock(0, 48, &p, 0), S_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    vb_->Unlock();
    device_->SetIndices(nullptr);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    ReleaseBuffers();
}

TEST_F(RecordingDeviceTest, RewrittenIndicesAreCheckedAgainstTheStream) {
    Bind(4, 6);
    auto write = [&](std::initializer_list<uint16_t> indices, uint32_t flags) {
        void* p = nullptr;
        ASSERT_EQ(ib_->Lock(0, 0, &p, flags), S_OK);
        std::copy(indices.begin(), indices.end(), static_cast<uint16_t*>(p));
        ASSERT_EQ(ib_->Unlock(), S_OK);
    };
    write({0, 1, 2, 0, 2, 3}, 0);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    write({0, 1, 2, 0, 2, 9}, LOCK_DISCARD);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    // The first triangle alone stays inside; so do all once the indices are back.
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 3, 0, 1), S_OK);
    write({0, 1, 2, 0, 2, 3}, 0);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    // Even a read-only lock may have been written through.
    write({3, 3, 3, 3, 3, 7}, LOCK_READONLY);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    ReleaseBuffers();
    // An index buffer whose size is not a whole number of indices.
    IndexBuffer* odd = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(5, 0, FMT_INDEX16, POOL_MANAGED, &odd), S_OK);
    void* p = nullptr;
    ASSERT_EQ(odd->Lock(1, 4, &p, 0), S_OK);
    std::memset(p, 0xFF, 4);
    EXPECT_EQ(odd->Unlock(), S_OK);
    odd->Release();
}

TEST_F(RecordingDeviceTest, IndicesOfEveryLockBeforeADrawAreChecked) {
    Bind(4, 6);
    auto write = [&](uint32_t offset, std::initializer_list<uint16_t> indices) {
        void* p = nullptr;
        ASSERT_EQ(ib_->Lock(offset, uint32_t(indices.size() * 2), &p, LOCK_NOOVERWRITE), S_OK);
        std::copy(indices.begin(), indices.end(), static_cast<uint16_t*>(p));
        ASSERT_EQ(ib_->Unlock(), S_OK);
    };
    write(0, {0, 1, 2, 0, 2, 3});
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    // A lock of one byte counts the whole index it touches.
    void* p = nullptr;
    ASSERT_EQ(ib_->Lock(11, 1, &p, 0), S_OK);
    *static_cast<uint8_t*>(p) = 0x01;
    ASSERT_EQ(ib_->Unlock(), S_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    ReleaseBuffers();
    // Two locks before a draw: the stray index in the first is found after the second.
    Bind(4, 6);
    write(0, {0, 1, 2, 0, 2, 3});
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    write(8, {9, 3});
    write(2, {1, 2});
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    write(8, {2, 3});
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
    ReleaseBuffers();
}

TEST_F(RecordingDeviceTest, DrawingFromCallerMemoryUnbindsStreamZero) {
    Bind(4, 6);
    Vertex line[2];
    ASSERT_EQ(device_->DrawPrimitiveUP(PT_LINELIST, 1, line, sizeof(Vertex)), S_OK);
    ASSERT_EQ(ib_->Lock(0, 0, reinterpret_cast<void**>(&line[0].x), 0), S_OK);
    ib_->Unlock();
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitiveUP(PT_LINELIST, 1, line, 12), D3DERR_INVALIDCALL);  // stride below the vertex
    ReleaseBuffers();
}

TEST_F(RecordingDeviceTest, ReleasedResourcesAreUnbound) {
    Bind(4, 6);
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    device_->SetTexture(1, t);
    t->Release();
    Texture* bound = reinterpret_cast<Texture*>(1);
    device_->GetTexture(1, &bound);
    EXPECT_EQ(bound, nullptr);
    ReleaseBuffers();
    recording_->ClearCalls();
    EXPECT_EQ(device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, ResourcesOfAnotherDeviceAreRefused) {
    Graphics* other = CreateRecordingGraphics();
    PresentParameters pp;
    Device* second = nullptr;
    ASSERT_EQ(other->CreateDevice(0, DEVTYPE_HAL, nullptr, 0, &pp, &second), S_OK);
    Texture* t = nullptr;
    ASSERT_EQ(second->CreateTexture(4, 4, 1, 0, FMT_X8R8G8B8, POOL_MANAGED, &t), S_OK);
    EXPECT_EQ(device_->SetTexture(0, t), D3DERR_INVALIDCALL);
    t->Release();
    EXPECT_EQ(second->Release(), 0u);
    other->Release();
}

TEST_F(RecordingDeviceTest, TexturesOwnTheirLevels) {
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(320, 240, 0, 0, FMT_X8R8G8B8, POOL_MANAGED, &t), S_OK);
    EXPECT_EQ(t->GetLevelCount(), 9u);
    SurfaceDesc d;
    ASSERT_EQ(t->GetLevelDesc(8, &d), S_OK);
    EXPECT_EQ(d.width, 1u);
    EXPECT_EQ(d.height, 1u);
    LockedRect lr;
    Rect r{0, 0, 320, 240};
    ASSERT_EQ(t->LockRect(0, &lr, &r, 0), S_OK);
    EXPECT_EQ(lr.pitch, 1280);
    std::memset(lr.bits, 0xFF, size_t(lr.pitch) * 240);
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    Rect outside{0, 0, 321, 10};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(9, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    std::vector<uint8_t> rgba(16 * 4);
    EXPECT_EQ(t->Fill(rgba.data(), 4, 4, 16), D3DERR_INVALIDCALL);  // not the texture's size
    t->Release();
    EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, FMT_D16, POOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(0, 4, 1, 0, FMT_X8R8G8B8, POOL_MANAGED, &t), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, ReplacedStorageKeepsTheObjectAndItsBindings) {
    Texture* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 0, 0, FMT_X8R8G8B8, POOL_MANAGED, &t), S_OK);
    ASSERT_EQ(device_->SetTexture(1, t), S_OK);
    LockedRect lr;
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), S_OK);
    std::memset(lr.bits, 0xFF, size_t(lr.pitch) * 16);
    EXPECT_EQ(t->ReplaceStorage(512, 256, FMT_R5G6B5), D3DERR_INVALIDCALL);
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    ASSERT_EQ(t->ReplaceStorage(512, 256, FMT_R5G6B5), S_OK);
    SurfaceDesc d;
    ASSERT_EQ(t->GetLevelDesc(0, &d), S_OK);
    EXPECT_EQ(d.width, 512u);
    EXPECT_EQ(d.height, 256u);
    EXPECT_EQ(d.format, FMT_R5G6B5);
    EXPECT_EQ(t->GetLevelCount(), 5u) << "the levels the 16 x 16 texture had";
    Texture* bound = nullptr;
    ASSERT_EQ(device_->GetTexture(1, &bound), S_OK);
    EXPECT_EQ(bound, t);
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(lr.pitch, 1024);
    EXPECT_EQ(static_cast<const uint8_t*>(lr.bits)[0], 0) << "fresh storage is zero";
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    ASSERT_EQ(t->ReplaceStorage(1, 1, FMT_X8R8G8B8), S_OK);
    EXPECT_EQ(t->GetLevelCount(), 1u);
    EXPECT_EQ(t->ReplaceStorage(0, 4, FMT_X8R8G8B8), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->ReplaceStorage(9000, 4, FMT_X8R8G8B8), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->ReplaceStorage(4, 4, FMT_DXT1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->ReplaceStorage(4, 4, FMT_D16), D3DERR_INVALIDCALL);
    EXPECT_EQ(recording_->Calls().back(), "Texture#1.ReplaceStorage(4, 4, 80)");
    t->Release();
}

// ---- Lifecycle ---------------------------------------------------------------------

TEST_F(RecordingDeviceTest, ResetWaitsForDefaultPoolBuffersToGo) {
    Bind(4, 6);
    PresentParameters pp;
    pp.windowed = true;
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    ReleaseBuffers();
    Texture* managed = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, FMT_X8R8G8B8, POOL_MANAGED, &managed), S_OK);
    EXPECT_EQ(device_->Reset(&pp), S_OK);
    managed->Release();
}

TEST_F(RecordingDeviceTest, LostDeviceGoesLostThenReadyThenWorking) {
    device_->SimulateDeviceLoss(2);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    PresentParameters pp;
    pp.windowed = false;
    pp.backBufferWidth = 640;
    pp.backBufferHeight = 480;
    pp.backBufferFormat = FMT_A8R8G8B8;  // not a full-screen format
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    pp.backBufferFormat = FMT_X8R8G8B8;
    EXPECT_EQ(device_->Reset(&pp), S_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), S_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(RecordingDeviceTest, ScenesDoNotNest) {
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->BeginScene(), S_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->EndScene(), S_OK);
}

TEST_F(RecordingDeviceTest, GammaRampComesBackAsSet) {
    GammaRamp ramp;
    device_->GetGammaRamp(0, &ramp);
    EXPECT_EQ(ramp.red[255], 0xFFFF);
    for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = 0;
    device_->SetGammaRamp(0, SGR_CALIBRATE, &ramp);
    GammaRamp back;
    device_->GetGammaRamp(0, &back);
    EXPECT_EQ(back.green[200], 0);
}

// ---- The log -----------------------------------------------------------------------

TEST_F(RecordingDeviceTest, EachCallIsLoggedOnALine) {
    recording_->ClearCalls();
    device_->SetRenderState(RS_CULLMODE, CULL_CCW);
    device_->Clear(0, nullptr, CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Bind(4, 6);
    void* p = nullptr;
    vb_->Lock(0, 192, &p, LOCK_DISCARD | LOCK_NOSYSLOCK);
    vb_->Unlock();
    device_->DrawIndexedPrimitive(PT_TRIANGLELIST, 0, 0, 4, 0, 0);
    std::vector<std::string> expected = {
        "SetRenderState(22, 3)",
        "Clear(0, 0x3, 0xFF000000, 1, 0)",
        "CreateVertexBuffer(192, 0x200, 0x2D2, 0)",
        "CreateIndexBuffer(12, 0x200, 101, 0)",
        "SetStreamSource(0, VertexBuffer#1, 0, 48)",
        "SetIndices(IndexBuffer#2)",
        "SetFVF(0x2D2)",
        "VertexBuffer#1.Lock(0, 192, 0x2800)",
        "VertexBuffer#1.Unlock()",
        "DrawIndexedPrimitive(4, 0, 0, 4, 0, 0)",
    };
    EXPECT_EQ(recording_->Calls(), expected);
    ReleaseBuffers();
}

TEST_F(RecordingDeviceTest, FailNextFailsOnlyTheNextCallOfThatName) {
    recording_->FailNext("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
    VertexBuffer* vb = nullptr;
    EXPECT_EQ(device_->CreateVertexBuffer(480, 0, kVertexFvf, POOL_DEFAULT, &vb), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(vb, nullptr);
    ASSERT_EQ(device_->CreateVertexBuffer(480, 0, kVertexFvf, POOL_DEFAULT, &vb), S_OK);
    recording_->FailNext("VertexBuffer.Lock", E_FAIL);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(vb->Lock(0, 48, &p, 0), E_FAIL);
    EXPECT_EQ(p, nullptr);
    vb->Release();
}

TEST_F(RecordingDeviceTest, FontDrawsAreLoggedWithTheirText) {
    FontDesc desc;
    desc.height = 16;
    desc.weight = FW_BOLD;
    Font* font = nullptr;
    ASSERT_EQ(device_->CreateFont(desc, &font), S_OK);
    recording_->ClearCalls();
    Rect r{20, 0, 1000, 600};
    EXPECT_EQ(font->DrawText("FPS: 60.00\nnext", -1, &r, 0, 0xFF0000FF), 32);
    ASSERT_EQ(recording_->Calls().size(), 1u);
    EXPECT_EQ(recording_->Calls()[0], "Font.DrawText(\"FPS: 60.00\nnext\", 20, 0, 1000, 600, 0x0, 0xFF0000FF)");
    font->Release();
}

// ---- The graphics object -----------------------------------------------------------------

TEST(RecordingGraphicsTest, AnswersTheFormatsTheRendererTries) {
    Graphics* g = CreateRecordingGraphics();
    // 16-bit: the first of X1R5G5B5, A1R5G5B5, R5G6B5 that works is R5G6B5.
    EXPECT_EQ(g->CheckDeviceType(0, DEVTYPE_HAL, FMT_X1R5G5B5, FMT_X1R5G5B5, false), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(g->CheckDeviceType(0, DEVTYPE_HAL, FMT_A1R5G5B5, FMT_A1R5G5B5, false), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(g->CheckDeviceType(0, DEVTYPE_HAL, FMT_R5G6B5, FMT_R5G6B5, false), S_OK);
    // 32-bit: A8R8G8B8 is no display format; X8R8G8B8 is.
    EXPECT_EQ(g->CheckDeviceType(0, DEVTYPE_HAL, FMT_A8R8G8B8, FMT_A8R8G8B8, false), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(g->CheckDeviceType(0, DEVTYPE_HAL, FMT_X8R8G8B8, FMT_X8R8G8B8, false), S_OK);
    EXPECT_EQ(g->CheckDeviceType(0, DEVTYPE_HAL, FMT_X8R8G8B8, FMT_A8R8G8B8, true), S_OK);
    EXPECT_EQ(g->CheckDeviceType(1, DEVTYPE_HAL, FMT_X8R8G8B8, FMT_X8R8G8B8, false), D3DERR_INVALIDCALL);
    g->Release();
}

TEST(RecordingGraphicsTest, ListsTheSameModesForBothDisplayFormats) {
    Graphics* g = CreateRecordingGraphics();
    SetRecordingDisplayModes(g, {{1920, 1080, 60, FMT_UNKNOWN}, {1024, 768, 75, FMT_UNKNOWN},
                                 {1024, 768, 60, FMT_UNKNOWN}, {640, 480, 60, FMT_UNKNOWN}});
    ASSERT_EQ(g->GetAdapterModeCount(0, FMT_R5G6B5), 4u);
    ASSERT_EQ(g->GetAdapterModeCount(0, FMT_X8R8G8B8), 4u);
    EXPECT_EQ(g->GetAdapterModeCount(0, FMT_A8R8G8B8), 0u);
    DisplayMode m;
    ASSERT_EQ(g->EnumAdapterModes(0, FMT_R5G6B5, 1, &m), S_OK);
    EXPECT_EQ(m.width, 1024u);
    EXPECT_EQ(m.refreshRate, 60u);
    EXPECT_EQ(m.format, FMT_R5G6B5);
    EXPECT_EQ(g->EnumAdapterModes(0, FMT_R5G6B5, 4, &m), D3DERR_INVALIDCALL);
    g->Release();
}

TEST(RecordingGraphicsTest, FullScreenNeedsASizeAndADisplayFormat) {
    Graphics* g = CreateRecordingGraphics();
    PresentParameters pp;
    pp.windowed = false;
    Device* d = nullptr;
    EXPECT_EQ(g->CreateDevice(0, DEVTYPE_HAL, nullptr, 0, &pp, &d), D3DERR_INVALIDCALL);
    pp.backBufferWidth = 800;
    pp.backBufferHeight = 600;
    pp.backBufferFormat = FMT_R5G6B5;
    ASSERT_EQ(g->CreateDevice(0, DEVTYPE_HAL, nullptr, 0, &pp, &d), S_OK);
    d->Release();
    g->Release();
}

TEST(GraphicsCreationTest, BackendSelectionDecidesWhatCreateMakes) {
    EXPECT_EQ(Create(30), nullptr);
    SelectBackend(Backend::Recording);
    Graphics* g = Create(kSdkVersion);
    ASSERT_NE(g, nullptr);
    EXPECT_NE(AsRecording(g), nullptr);
    g->Release();
    SelectBackend(Backend::None);
    EXPECT_EQ(Create(kSdkVersion), nullptr);
    SelectBackend(Backend::OpenGL);
    g = Create(kSdkVersion);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(AsRecording(g), nullptr);
    g->Release();
}

}  // namespace
