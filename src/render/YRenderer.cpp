#include "render/YRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/YLog.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "platform/system/System.h"
#include "render/YEffectNode.h"
#include "render/YGeometrySource.h"
#include "render/YLightSetNode.h"
#include "render/YPolygonRenderer.h"
#include "render/YTextureManager.h"
#include "render/YTextures.h"

CYRenderer* g_renderer = nullptr;
gfx::Device* g_device = nullptr;

namespace {

constexpr uint32_t kDynamicVertexUsage = gfx::USAGE_DYNAMIC | gfx::USAGE_DONOTCLIP | gfx::USAGE_WRITEONLY;  // 0x228
constexpr uint32_t kDynamicIndexUsage = gfx::USAGE_DYNAMIC | gfx::USAGE_WRITEONLY;                        // 0x208
constexpr uint32_t kStaticVertexUsage = gfx::USAGE_DONOTCLIP | gfx::USAGE_WRITEONLY;                      // 0x28
constexpr uint32_t kStaticIndexUsage = gfx::USAGE_WRITEONLY;                                               // 8
// After a reset the vertex buffers are made without DONOTCLIP.
constexpr uint32_t kResetDynamicVertexUsage = gfx::USAGE_DYNAMIC | gfx::USAGE_WRITEONLY;  // 0x208
constexpr uint32_t kResetStaticVertexUsage = gfx::USAGE_WRITEONLY;                        // 8
constexpr uint32_t kStatisticsColor = 0xFF0000FF;

template <class T>
void ReleaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// Locks count elements of stride bytes from first; a zero count locks nothing and
// counts as locked. held tells whether a lock call succeeded (and needs an Unlock).
template <class Buffer, class T>
HRESULT LockElements(Buffer* buffer, uint32_t first, uint32_t count, uint32_t stride, uint32_t flags, T** data,
                     bool* held) {
    *data = nullptr;
    *held = false;
    if (count == 0) return S_OK;
    if (!buffer) return E_FAIL;
    void* p = nullptr;
    HRESULT hr = buffer->Lock(first * stride, count * stride, &p, flags);
    if (FAILED(hr)) return hr;
    *data = static_cast<T*>(p);
    *held = true;
    return S_OK;
}

template <class Buffer>
void UnlockHeld(Buffer* buffer, bool* held) {
    if (*held && buffer) buffer->Unlock();
    *held = false;
}

uint32_t RingLockFlags(uint32_t start) {
    return (start == 0 ? gfx::LOCK_DISCARD : gfx::LOCK_NOOVERWRITE) | gfx::LOCK_NOSYSLOCK;
}

// Writes n indices from source, each offset by base (mod 2^16), to indices. Eight at a
// time; the last eight overlap the ones before them, so no index is done one by one
// unless there are fewer than eight. The ring never overlaps an object's own indices.
void OffsetIndices(uint16_t* indices, const uint16_t* source, int n, uint32_t base) {
    typedef uint16_t Eight __attribute__((vector_size(16)));
    if (n < 8) {
        for (int k = 0; k < n; ++k) indices[k] = static_cast<uint16_t>(source[k] + base);
        return;
    }
    const Eight offset = Eight{} + static_cast<uint16_t>(base);
    for (int k = 0;; k += 8) {
        if (k > n - 8) k = n - 8;
        Eight v;
        std::memcpy(&v, source + k, sizeof v);
        v += offset;
        std::memcpy(indices + k, &v, sizeof v);
        if (k == n - 8) break;
    }
}

// Copies the object's vertices to vertices and its indices, offset by base, to indices.
void CopyObject(YGeometrySource* object, gfx::Vertex* vertices, uint16_t* indices, const uint16_t* source, int n,
                uint32_t base) {
    object->ApplyVertexEffect(vertices);
    OffsetIndices(indices, source, n, base);
}

}  // namespace

int BrightnessIndexOf(float level) {
    float x = level * 255.0f;
    // Levels from the settings file may lie outside 0..1; ramps 0 and 1 are black.
    if (!(x >= 2.0f)) return 2;
    if (x >= 255.0f) return 255;
    return static_cast<int>(x);
}

CYRenderer::CYRenderer()
    : root_(YNODE_NONE), brightnessIndex_(BrightnessIndexOf(g_settings.brightness)) {}

CYRenderer::~CYRenderer() {
    UnlockAll();
    ReleaseAndClear(font_);
    ReleaseBuffers();
    if (g_device == device_) g_device = nullptr;
    ReleaseAndClear(device_);
    ReleaseAndClear(graphics_);
    delete textureManager_;
    textureManager_ = nullptr;
    if (g_renderer == this) g_renderer = nullptr;
    // The root goes with its tree after this body.
}

// ---- Start-up ---------------------------------------------------------------------------

HRESULT CYRenderer::Init() {
    SubscribeOnce(YEVENT_TEXTURE_REQUEST, this, OnTextureRequest);
    SubscribeOnce(YEVENT_SET_BRIGHTNESS, this, OnSetBrightness);
    SubscribeOnce(YEVENT_GET_RENDERER, this, OnGetRenderer);
    SubscribeOnce(YEVENT_ROOM_DRAWN, this, OnRoomDrawn);
    SubscribeOnce(YEVENT_SET_ROOT_FLAG, this, OnSetRootFlag);
    Log(0, "\nRender init started\t----------\n");

    window_ = g_settings.mainWindow;
    statistics_ = g_settings.statistics != 0;
    width_ = g_settings.screenWidth;
    height_ = g_settings.screenHeight;
    depth_ = g_settings.bitsPerPixel;
    fullScreen_ = g_settings.fullScreen != 0;
    aspect_ = height_ != 0 ? float(width_) / float(height_) : 1.0f;

    graphics_ = gfx::Create(gfx::kSdkVersion);
    if (!graphics_) return E_FAIL;
    HRESULT hr = CreateDevice();
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    InitGammaRamps();
    hr = CreateBuffers(kDynamicVertexUsage, kStaticVertexUsage);
    if (FAILED(hr)) return hr;

    g_device = device_;
    g_renderer = this;

    gfx::FontDesc desc;
    desc.height = 16;
    desc.width = 0;
    desc.weight = gfx::FW_BOLD;
    desc.italic = false;
    desc.charSet = gfx::ANSI_CHARSET;
    desc.quality = gfx::PROOF_QUALITY;
    desc.pitchAndFamily = gfx::FIXED_PITCH;
    // The font serves only the statistics line, which the settings turn on for the run:
    // without it no font is made (rasterising it would only delay the first frame).
    if (statistics_ && FAILED(device_->CreateFont(desc, &font_))) font_ = nullptr;

    seconds_ = g_timer.totalTime;
    frames_ = 0.0f;
    char mode[64];
    std::snprintf(mode, sizeof mode, "%dx%dx%d", width_, height_, depth_);
    modeText_ = mode;
    vertexCursor_ = indexCursor_ = 0;
    staticVertexCursor_ = staticIndexCursor_ = 0;

    textureManager_ = new CYTextureManager(device_);

    Log(0, "\nRender init finished\t----------\n");
    drawCalls_ = 0;
    SetRenderStates();
    SetBrightness(g_settings.brightness);
    return S_OK;
}

HRESULT CYRenderer::CreateDevice() {
    pp_ = gfx::PresentParameters{};
    pp_.enableAutoDepthStencil = true;
    pp_.autoDepthStencilFormat = gfx::FMT_D16;
    pp_.backBufferCount = 1;
    SDL_Window* window = sys::NativeWindow(window_);
    if (!fullScreen_) {
        pp_.backBufferFormat = gfx::FMT_UNKNOWN;
        pp_.backBufferWidth = static_cast<uint32_t>(std::max(width_, 0));
        pp_.backBufferHeight = static_cast<uint32_t>(std::max(height_, 0));
        pp_.windowed = true;
        pp_.swapEffect = gfx::SWAPEFFECT_DISCARD;
        pp_.presentationInterval = gfx::PRESENT_INTERVAL_IMMEDIATE;
        pp_.deviceWindow = window;
        HRESULT hr = graphics_->CreateDevice(gfx::kDefaultAdapter, gfx::DEVTYPE_HAL, window, behaviorFlags_, &pp_,
                                             &device_);
        if (FAILED(hr)) {
            DXERROR(hr);
            return hr;
        }
        // Listed once the device has made the window's format known.
        EnumerateDisplayModes();
        return S_OK;
    }

    format16_ = gfx::FMT_UNKNOWN;
    for (gfx::Format f : {gfx::FMT_X1R5G5B5, gfx::FMT_A1R5G5B5, gfx::FMT_R5G6B5})
        if (SUCCEEDED(graphics_->CheckDeviceType(gfx::kDefaultAdapter, gfx::DEVTYPE_HAL, f, f, false))) {
            format16_ = f;
            break;
        }
    format32_ = format16_;
    for (gfx::Format f : {gfx::FMT_A8R8G8B8, gfx::FMT_X8R8G8B8})
        if (SUCCEEDED(graphics_->CheckDeviceType(gfx::kDefaultAdapter, gfx::DEVTYPE_HAL, f, f, false))) {
            format32_ = f;
            break;
        }
    if (format16_ == gfx::FMT_UNKNOWN && format32_ == gfx::FMT_UNKNOWN) {
        Log(0, "Cannot found backbuffer format\n");
        return E_FAIL;
    }
    EnumerateDisplayModes();
    pp_.backBufferWidth = static_cast<uint32_t>(std::max(width_, 0));
    pp_.backBufferHeight = static_cast<uint32_t>(std::max(height_, 0));
    pp_.multiSampleType = gfx::MULTISAMPLE_NONE;
    pp_.presentationInterval = gfx::PRESENT_INTERVAL_IMMEDIATE;
    pp_.windowed = false;
    pp_.swapEffect = gfx::SWAPEFFECT_DISCARD;
    pp_.backBufferFormat = depth_ == 16 ? format16_ : format32_;
    pp_.flags = gfx::PRESENTFLAG_DISCARD_DEPTHSTENCIL;
    pp_.fullScreenRefreshRate = 0;
    pp_.deviceWindow = window;
    HRESULT hr =
        graphics_->CreateDevice(gfx::kDefaultAdapter, gfx::DEVTYPE_HAL, window, behaviorFlags_, &pp_, &device_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    return S_OK;
}

void CYRenderer::EnumerateDisplayModes() {
    if (!fullScreen_) {
        // The window's one mode, with the format the device draws in.
        modes_.push_back({uint32_t(std::max(height_, 0)), uint32_t(std::max(width_, 0)), pp_.backBufferFormat});
        return;
    }
    modes_.clear();
    for (gfx::Format format : {format16_, format32_}) {
        uint32_t count = graphics_->GetAdapterModeCount(gfx::kDefaultAdapter, format);
        for (uint32_t i = 0; i < count; ++i) {
            gfx::DisplayMode mode;
            if (FAILED(graphics_->EnumAdapterModes(gfx::kDefaultAdapter, format, i, &mode))) continue;
            uint32_t w = mode.width;
            if (w != 640 && w != 800 && w != 1024 && w != 1280 && w != 1600) continue;
            if (mode.height != static_cast<uint32_t>(float(w) * 0.75f)) continue;
            YDisplayModeRecord record{mode.height, mode.width, format};
            if (!modes_.empty()) {
                const YDisplayModeRecord& last = modes_.back();
                if (last.height == record.height && last.width == record.width && last.format == record.format)
                    continue;
            }
            modes_.push_back(record);
        }
    }
    for (const YDisplayModeRecord& m : modes_) Log(0, "%d %d %d\n", int(m.width), int(m.height), int(m.format));
}

HRESULT CYRenderer::CreateBuffers(uint32_t dynamicVertexUsage, uint32_t staticVertexUsage) {
    HRESULT hr = device_->CreateVertexBuffer(kRingVertices * kVertexStride, dynamicVertexUsage, gfx::kVertexFvf,
                                             gfx::POOL_DEFAULT, &dynamicVB_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    hr = device_->CreateIndexBuffer(kRingIndices * 2, kDynamicIndexUsage, gfx::FMT_INDEX16, gfx::POOL_DEFAULT,
                                    &dynamicIB_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    hr = device_->CreateVertexBuffer(kRingVertices * kVertexStride, staticVertexUsage, gfx::kVertexFvf,
                                     gfx::POOL_DEFAULT, &staticVB_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    hr = device_->CreateIndexBuffer(kRingIndices * 2, kStaticIndexUsage, gfx::FMT_INDEX16, gfx::POOL_DEFAULT,
                                    &staticIB_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return hr;
    }
    return S_OK;
}

void CYRenderer::ReleaseBuffers() {
    ReleaseAndClear(dynamicVB_);
    ReleaseAndClear(dynamicIB_);
    ReleaseAndClear(staticVB_);
    ReleaseAndClear(staticIB_);
}

void CYRenderer::SetRenderStates() {
    if (!device_) return;
    gfx::Device* d = device_;
    for (uint32_t s = 0; s < 2; ++s) {
        d->SetSamplerState(s, gfx::SAMP_MAGFILTER, gfx::TEXF_LINEAR);
        d->SetSamplerState(s, gfx::SAMP_MINFILTER, gfx::TEXF_LINEAR);
        d->SetSamplerState(s, gfx::SAMP_MIPFILTER, g_settings.trilinear ? gfx::TEXF_LINEAR : gfx::TEXF_POINT);
    }
    d->SetSamplerState(0, gfx::SAMP_MIPFILTER, gfx::TEXF_LINEAR);

    d->SetTextureStageState(0, gfx::TSS_ALPHAOP, gfx::TOP_DISABLE);
    d->SetTextureStageState(0, gfx::TSS_COLORARG1, gfx::TA_TEXTURE);
    d->SetTextureStageState(0, gfx::TSS_COLORARG2, gfx::TA_DIFFUSE);
    d->SetTextureStageState(0, gfx::TSS_ALPHAARG1, gfx::TA_TEXTURE);
    d->SetTextureStageState(0, gfx::TSS_ALPHAARG2, gfx::TA_CURRENT);
    d->SetTextureStageState(1, gfx::TSS_ALPHAOP, gfx::TOP_DISABLE);
    d->SetTextureStageState(1, gfx::TSS_COLORARG1, gfx::TA_TEXTURE);
    d->SetTextureStageState(1, gfx::TSS_COLORARG2, gfx::TA_CURRENT);
    d->SetTextureStageState(1, gfx::TSS_ALPHAARG1, gfx::TA_TEXTURE);
    d->SetTextureStageState(1, gfx::TSS_ALPHAARG2, gfx::TA_CURRENT);

    d->SetRenderState(gfx::RS_ZFUNC, gfx::CMP_LESSEQUAL);
    d->SetRenderState(gfx::RS_DITHERENABLE, 0);
    d->SetRenderState(gfx::RS_CLIPPING, 1);
    d->SetRenderState(gfx::RS_CULLMODE, gfx::CULL_CCW);
    d->SetRenderState(gfx::RS_AMBIENT, 0xFF464646);
    d->SetFVF(gfx::kVertexFvf);

    gfx::Material material;
    material.diffuse = material.ambient = material.specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.power = 20.0f;
    d->SetMaterial(&material);
    d->SetRenderState(gfx::RS_DIFFUSEMATERIALSOURCE, gfx::MCS_MATERIAL);
    d->SetRenderState(gfx::RS_SPECULARMATERIALSOURCE, gfx::MCS_MATERIAL);
    d->SetRenderState(gfx::RS_AMBIENTMATERIALSOURCE, gfx::MCS_MATERIAL);
}

// ---- Gamma ------------------------------------------------------------------------------

void CYRenderer::InitGammaRamps() {
    device_->GetGammaRamp(0, &startRamp_);
    currentRamp_ = startRamp_;
    gammaTable_.assign(256, startRamp_);
    gammaTable_[0] = gfx::GammaRamp{};
    for (int k = 1; k < 256; ++k) {
        gfx::GammaRamp& ramp = gammaTable_[k];
        for (int i = 0; i < 256; ++i) {
            // floor((i / 255) x 255 x k / 128), in whole numbers so that ramp 128 is exact.
            int level = std::min(255, i * k / 128);
            uint16_t entry = static_cast<uint16_t>(level << 8);
            ramp.red[i] = ramp.green[i] = ramp.blue[i] = entry;
        }
    }
    device_->SetGammaRamp(0, gfx::SGR_CALIBRATE, &gammaTable_[brightnessIndex_]);
}

void CYRenderer::SetBrightness(float level) {
    if (std::isnan(level)) level = 0.0f;
    level = std::floor(level * 100.0f) * 0.01f;
    g_settings.brightness = level;
    brightnessIndex_ = BrightnessIndexOf(level);
    if (device_ && !gammaTable_.empty())
        device_->SetGammaRamp(0, gfx::SGR_CALIBRATE, &gammaTable_[brightnessIndex_]);
}

void CYRenderer::SetFade(float factor) {
    float scaled = float(brightnessIndex_) * factor;
    if (!(scaled > 0.0f)) scaled = 0.0f;
    if (scaled > float(brightnessIndex_)) scaled = float(brightnessIndex_);
    int index = static_cast<int>(scaled);
    if (gammaTable_.empty()) return;
    currentRamp_ = gammaTable_[index];
    if (device_) device_->SetGammaRamp(0, gfx::SGR_CALIBRATE, &currentRamp_);
}

// ---- Display modes and device reset --------------------------------------------------------

void CYRenderer::SetDisplayMode(int index) {
    if (index < 0 || static_cast<size_t>(index) >= modes_.size()) return;
    const YDisplayModeRecord record = modes_[index];
    pp_.backBufferHeight = record.height;
    pp_.backBufferWidth = record.width;
    pp_.backBufferFormat = record.format;
    g_settings.screenWidth = static_cast<int32_t>(record.width);
    g_settings.screenHeight = static_cast<int32_t>(record.height);
    g_settings.bitsPerPixel = gfx::FormatBits(record.format) == 16 ? 16 : 32;
    SendEvent(YEVENT_DISPLAY_MODE_CHANGED, 0, 0);
    ResetDevice();
}

HRESULT CYRenderer::ResetDevice() {
    if (!device_) return E_FAIL;
    UnlockAll();
    if (font_) font_->OnLostDevice();
    ReleaseBuffers();
    lost_ = true;
    root_.OnLostDevice();
    HRESULT hr = device_->Reset(&pp_);
    if (FAILED(hr)) {
        DXERROR(hr);
        return E_FAIL;
    }
    if (font_) font_->OnResetDevice();
    root_.OnResetDevice();
    hr = CreateBuffers(kResetDynamicVertexUsage, kResetStaticVertexUsage);
    if (FAILED(hr)) return hr;
    SetRenderStates();
    lost_ = false;
    // The static pair came back empty: every static sink collects and writes again.
    staticRefill_ = true;
    staticVertexCursor_ = staticIndexCursor_ = 0;
    root_.SetState(0);
    return S_OK;
}

// ---- The frame ----------------------------------------------------------------------------

void CYRenderer::AddDynamicTotals(int vertices, int indices) {
    dynamicVertexTotal_ = AddCounts(dynamicVertexTotal_, vertices);
    dynamicIndexTotal_ = AddCounts(dynamicIndexTotal_, indices);
}

void CYRenderer::AddStaticTotals(int vertices, int indices) {
    staticVertexTotal_ = AddCounts(staticVertexTotal_, vertices);
    staticIndexTotal_ = AddCounts(staticIndexTotal_, indices);
}

HRESULT CYRenderer::LockStatic() {
    staticVertexLockStart_ = staticVertexLockEnd_ = staticVertexCursor_;
    staticIndexLockStart_ = staticIndexLockEnd_ = staticIndexCursor_;
    // The static pair holds what it holds: the lock ends at the end of each buffer.
    uint32_t vertices = std::min<uint32_t>(uint32_t(staticVertexTotal_), kRingVertices - staticVertexCursor_);
    uint32_t indices = std::min<uint32_t>(uint32_t(staticIndexTotal_), kRingIndices - staticIndexCursor_);
    HRESULT hr = LockElements(staticVB_, staticVertexCursor_, vertices, kVertexStride, 0, &staticVertices_,
                              &staticVertexLockHeld_);
    if (FAILED(hr)) return hr;
    hr = LockElements(staticIB_, staticIndexCursor_, indices, 2, 0, &staticIndices_, &staticIndexLockHeld_);
    if (FAILED(hr)) {
        UnlockHeld(staticVB_, &staticVertexLockHeld_);
        staticVertices_ = nullptr;
        return hr;
    }
    staticVertexLockEnd_ = staticVertexCursor_ + vertices;
    staticIndexLockEnd_ = staticIndexCursor_ + indices;
    staticLocked_ = true;
    return S_OK;
}

void CYRenderer::UnlockAll() {
    UnlockHeld(dynamicIB_, &indexLockHeld_);
    UnlockHeld(dynamicVB_, &vertexLockHeld_);
    UnlockHeld(staticIB_, &staticIndexLockHeld_);
    UnlockHeld(staticVB_, &staticVertexLockHeld_);
    dynamicVertices_ = nullptr;
    dynamicIndices_ = nullptr;
    staticVertices_ = nullptr;
    staticIndices_ = nullptr;
    lockedVertices_ = lockedIndices_ = 0;
    staticLocked_ = false;
}

HRESULT CYRenderer::PrepareFrame() {
    if (lost_ || !dynamicVB_ || !dynamicIB_) {
        // No geometry reaches the buffers this frame; the fill pass runs with nothing
        // locked so that every sink lets go of its queue.
        UnlockAll();
        dynamicVertexTotal_ = dynamicIndexTotal_ = 0;
        root_.FillBuffers();
        staticVertexTotal_ = staticIndexTotal_ = 0;
        return E_FAIL;
    }
    boundPair_ = 0;
    vertexCursor_ = indexCursor_ = 0;
    if (textureManager_) textureManager_->UpdateVideo();

    // Ring wrap, each buffer by itself, then the totals held to the ring.
    if (vertexStart_ + uint32_t(dynamicVertexTotal_) > kRingVertices - 1) vertexStart_ = 0;
    if (indexStart_ + uint32_t(dynamicIndexTotal_) > kRingIndices - 1) indexStart_ = 0;
    dynamicIndexTotal_ = std::min(dynamicIndexTotal_, int(kRingIndices));
    dynamicVertexTotal_ = std::min(dynamicVertexTotal_, int(kRingVertices));

    HRESULT result = LockElements(dynamicVB_, vertexStart_, uint32_t(dynamicVertexTotal_), kVertexStride,
                                  RingLockFlags(vertexStart_), &dynamicVertices_, &vertexLockHeld_);
    if (SUCCEEDED(result))
        result = LockElements(dynamicIB_, indexStart_, uint32_t(dynamicIndexTotal_), 2, RingLockFlags(indexStart_),
                              &dynamicIndices_, &indexLockHeld_);
    if (SUCCEEDED(result)) {
        lockedVertices_ = uint32_t(dynamicVertexTotal_);
        lockedIndices_ = uint32_t(dynamicIndexTotal_);
    } else {
        // A failed lock: the sinks write nothing this frame.
        UnlockHeld(dynamicVB_, &vertexLockHeld_);
        dynamicVertices_ = nullptr;
        dynamicIndices_ = nullptr;
        lockedVertices_ = lockedIndices_ = 0;
    }
    bool staticFill = false;
    if (staticRefill_) {
        HRESULT hr = LockStatic();
        staticFill = SUCCEEDED(hr);
        if (SUCCEEDED(result)) result = hr;
    }

    root_.FillBuffers();
    UnlockAll();
    // A refill that could not lock the static pair is tried again next frame.
    if (staticFill) staticRefill_ = false;
    staticVertexTotal_ = staticIndexTotal_ = 0;

    // The statistics text, rebuilt about once a second whether shown or not.
    seconds_ += g_timer.frameTime;
    if (seconds_ > 1.0) {
        char text[256];
        std::snprintf(text, sizeof text, "FPS: %.2f (%s), PolygonsCount = %d, RoomsCount = %d, DrawPrimitive = %d, %d",
                      double(frames_) / seconds_, modeText_.c_str(), dynamicIndexTotal_ / 3, roomsDrawn_, drawCalls_,
                      0);
        statText_ = text;
        frames_ = 0.0f;
        seconds_ = 0.0;
    }

    vertexStart_ += uint32_t(dynamicVertexTotal_);
    indexStart_ += uint32_t(dynamicIndexTotal_);
    dynamicVertexTotal_ = dynamicIndexTotal_ = 0;
    vertexCursor_ = indexCursor_ = 0;
    return result;
}

void CYRenderer::WriteDynamicBatch(YGeometrySource* const* objects, int count, int, int, YBatch* batch) {
    if (!batch) return;
    const uint32_t vertexEntry = vertexCursor_, indexEntry = indexCursor_;
    uint32_t base = (vertexStart_ + vertexCursor_) % kRingVertices;
    for (int i = 0; objects && i < count; ++i) {
        YGeometrySource* object = objects[i];
        if (!object) continue;
        int n = object->GetIndexCount(), v = object->GetVertexCount();
        if (v <= 0 || n < 0) continue;
        // The 16-bit index range of the ring, then the range locked this frame.
        if (base + uint32_t(v) >= kRingVertices) continue;
        if (int64_t(n) >= int64_t(kRingIndices) - indexStart_ - indexCursor_) continue;
        if (uint64_t(vertexCursor_) + uint32_t(v) > lockedVertices_ || uint64_t(indexCursor_) + uint32_t(n) > lockedIndices_)
            continue;
        const uint16_t* indices = object->GetIndices();
        if (n > 0 && !indices) continue;
        CopyObject(object, dynamicVertices_ + vertexCursor_, dynamicIndices_ + indexCursor_, indices, n, base);
        indexCursor_ += uint32_t(n);
        vertexCursor_ += uint32_t(v);
        base += uint32_t(v);
    }
    batch->baseVertex = 0;
    batch->firstVertex = vertexStart_ + vertexEntry;
    batch->vertexCount = vertexCursor_ - vertexEntry;
    batch->firstIndex = indexStart_ + indexEntry;
    batch->triangleCount = (indexCursor_ - indexEntry) / 3;
}

HRESULT CYRenderer::WriteStaticBatch(YGeometrySource* const* objects, int count, int, int, YBatch* batch) {
    if (!batch || !staticRefill_) return S_OK;
    if (!staticLocked_) return E_FAIL;
    const uint32_t vertexEntry = staticVertexCursor_, indexEntry = staticIndexCursor_;
    for (int i = 0; objects && i < count; ++i) {
        YGeometrySource* object = objects[i];
        if (!object) continue;
        int n = object->GetIndexCount(), v = object->GetVertexCount();
        if (v <= 0 || n < 0) continue;
        if (uint64_t(staticVertexCursor_) + uint32_t(v) > staticVertexLockEnd_ ||
            uint64_t(staticIndexCursor_) + uint32_t(n) > staticIndexLockEnd_)
            continue;
        const uint16_t* indices = object->GetIndices();
        if (n > 0 && !indices) continue;
        CopyObject(object, staticVertices_ + (staticVertexCursor_ - staticVertexLockStart_),
                   staticIndices_ + (staticIndexCursor_ - staticIndexLockStart_), indices, n, staticVertexCursor_);
        staticVertexCursor_ += uint32_t(v);
        staticIndexCursor_ += uint32_t(n);
    }
    batch->baseVertex = 0;
    batch->firstVertex = vertexEntry;
    batch->vertexCount = staticVertexCursor_ - vertexEntry;
    batch->firstIndex = indexEntry;
    batch->triangleCount = (staticIndexCursor_ - indexEntry) / 3;
    return S_OK;
}

void CYRenderer::DrawDynamicBatch(const YBatch& batch) {
    if (!device_ || !dynamicVB_ || !dynamicIB_) return;
    if (boundPair_ != 1) {
        device_->SetStreamSource(0, dynamicVB_, 0, kVertexStride);
        device_->SetIndices(dynamicIB_);
        boundPair_ = 1;
    }
    ++drawCalls_;
    HRESULT hr = device_->DrawIndexedPrimitive(gfx::PT_TRIANGLELIST, int32_t(batch.baseVertex), batch.firstVertex,
                                               batch.vertexCount, batch.firstIndex, batch.triangleCount);
    if (FAILED(hr)) DXERROR(hr);
}

void CYRenderer::DrawStaticBatch(const YBatch& batch) {
    if (!device_ || !staticVB_ || !staticIB_) return;
    if (boundPair_ != 2) {
        device_->SetStreamSource(0, staticVB_, 0, kVertexStride);
        device_->SetIndices(staticIB_);
        boundPair_ = 2;
    }
    ++drawCalls_;
    device_->DrawIndexedPrimitive(gfx::PT_TRIANGLELIST, int32_t(batch.baseVertex), batch.firstVertex,
                                  batch.vertexCount, batch.firstIndex, batch.triangleCount);
}

HRESULT CYRenderer::RenderFrame() {
    drawCalls_ = 0;
    if (!device_) return E_FAIL;
    HRESULT hr = device_->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST) {
        lost_ = true;
        DXERROR(hr);
        return S_OK;
    }
    if (hr == D3DERR_DEVICENOTRESET) {
        ResetDevice();
        DXERROR(hr);
        return S_OK;
    }
    if (FAILED(hr)) return hr;
    if (lost_) {
        // The device works but the last reset stopped after it: finish it.
        ResetDevice();
        return S_OK;
    }

    frames_ += 1.0f;
    device_->BeginScene();
    device_->Clear(0, nullptr, gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->SetStreamSource(0, dynamicVB_, 0, kVertexStride);
    device_->SetIndices(dynamicIB_);
    boundPair_ = 1;

    // Only paths that received geometry this frame are awake and draw.
    root_.Render();
    root_.MarkIdle();

    if (statistics_ && font_)
        font_->DrawText(statText_.c_str(), static_cast<int>(statText_.size()), &statRect_, 0, kStatisticsColor);
    device_->EndScene();
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    roomsDrawn_ = 0;
    return S_OK;
}

void CYRenderer::Shutdown() {
    Log(3, "CYRenderer - shutdown\n");
    UnlockAll();
    ReleaseAndClear(font_);
    ReleaseAndClear(dynamicVB_);
    ReleaseAndClear(dynamicIB_);
    ReleaseAndClear(staticVB_);
    ReleaseAndClear(staticIB_);
    if (g_device == device_) g_device = nullptr;
    ReleaseAndClear(device_);
    ReleaseAndClear(graphics_);
    delete textureManager_;
    textureManager_ = nullptr;
}

// ---- Nodes --------------------------------------------------------------------------------

template <class Node>
Node* CYRenderer::Attach(CYNode* parent, Node* node) {
    if (FAILED(node->Create())) {
        delete node;
        return nullptr;
    }
    parent->AddChild(node);
    return node;
}

CYEffectNode* CYRenderer::GetEffectNode(CYNode* parent, const std::string& effectName) {
    if (!parent) return nullptr;
    for (CYNode* child : parent->Children())
        if (child->GetType() == YNODE_EFFECT) {
            auto* effect = static_cast<CYEffectNode*>(child);
            if (effect->GetEffectName() == effectName) return effect;
        }
    return Attach(parent, new CYEffectNode(effectName));
}

CYTextures* CYRenderer::GetTexturesNode(CYNode* parent, const std::vector<std::string>& names) {
    if (!parent) return nullptr;
    std::vector<gfx::Texture*> textures;
    textures.reserve(names.size());
    for (const std::string& name : names)
        textures.push_back(textureManager_ ? textureManager_->LoadTexture(name) : nullptr);
    for (CYNode* child : parent->Children())
        if (child->GetType() == YNODE_TEXTURES) {
            auto* set = static_cast<CYTextures*>(child);
            if (set->GetTextures() == textures) return set;
        }
    return Attach(parent, new CYTextures(names, textures));
}

CYDynamicPolygonRenderer* CYRenderer::GetDynamicPolygonRenderer(CYNode* parent) {
    if (!parent) return nullptr;
    for (CYNode* child : parent->Children())
        if (child->GetType() == YNODE_DYNAMICPOLYGONRENDERER) return static_cast<CYDynamicPolygonRenderer*>(child);
    return Attach(parent, new CYDynamicPolygonRenderer());
}

CYStaticPolygonRenderer* CYRenderer::GetStaticPolygonRenderer(CYNode* parent) {
    if (!parent) return nullptr;
    for (CYNode* child : parent->Children())
        if (child->GetType() == YNODE_STATICPOLYGONRENDERER) return static_cast<CYStaticPolygonRenderer*>(child);
    CYStaticPolygonRenderer* sink = Attach(parent, new CYStaticPolygonRenderer());
    // A new sink's objects go into the static pair at the next fill pass.
    if (sink) staticRefill_ = true;
    return sink;
}

CYLightSetNode* CYRenderer::AddLightingNode(CYNode* parent) {
    if (!parent) return nullptr;
    return Attach(parent, new CYLightSetNode());
}

CYCameraNode* CYRenderer::AddCameraNode() { return Attach(&root_, new CYCameraNode()); }

// ---- Events -------------------------------------------------------------------------------

void CYRenderer::OnTextureRequest(void* context, intptr_t a, intptr_t) {
    auto* self = static_cast<CYRenderer*>(context);
    const char* name = reinterpret_cast<const char*>(a);
    if (self->textureManager_ && name) self->textureManager_->LoadTexture(name);
}

void CYRenderer::OnGetRenderer(void* context, intptr_t a, intptr_t) {
    if (a) *reinterpret_cast<CYRenderer**>(a) = static_cast<CYRenderer*>(context);
}

void CYRenderer::OnRoomDrawn(void* context, intptr_t, intptr_t) { ++static_cast<CYRenderer*>(context)->roomsDrawn_; }

void CYRenderer::OnSetRootFlag(void* context, intptr_t a, intptr_t) {
    auto* self = static_cast<CYRenderer*>(context);
    if (a == 0) {
        // Every static sink collects again and is written from the start of the pair.
        self->staticRefill_ = true;
        self->staticVertexCursor_ = self->staticIndexCursor_ = 0;
        self->root_.SetState(0);
    } else {
        self->root_.SetState(1);
    }
}

void CYRenderer::OnSetBrightness(void* context, intptr_t a, intptr_t) {
    static_cast<CYRenderer*>(context)->SetBrightness(EventArgFloat(a));
}
