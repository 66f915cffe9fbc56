// The recording device: the same state machine with nothing drawn; every call is logged
// as one line, locks hand out CPU memory, and a test can make the next call of a name fail.
#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

#include "platform/graphics/DeviceCore.h"

namespace gfx::detail {

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// The call log and the pending failures, shared by a device and its resources.
class CallLog : public Recording {
public:
    const std::vector<std::string>& Calls() const override { return calls_; }
    void ClearCalls() override { calls_.clear(); }
    void FailNext(const std::string& call, HRESULT result) override { failures_[call] = result; }

    // Logs the call; true (with the code) when it is to fail.
    bool Log(const std::string& key, const std::string& line, HRESULT* failure) {
        calls_.push_back(line);
        auto it = failures_.find(key);
        if (it == failures_.end()) return false;
        *failure = it->second;
        failures_.erase(it);
        return true;
    }

private:
    std::vector<std::string> calls_;
    std::map<std::string, HRESULT> failures_;
};

std::string Name(const char* kind, const ResourceBase* r) {
    return r ? Format("%s#%u", kind, r->Serial()) : std::string("null");
}

class RecordingDevice;

class RecordingVertexBuffer : public VertexBufferCore {
public:
    RecordingVertexBuffer(DeviceCore* device, const VertexBufferDesc& desc, CallLog* log)
        : VertexBufferCore(device, desc), log_(log) {}
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        HRESULT hr;
        if (log_->Log("VertexBuffer.Lock", Name("VertexBuffer", this) + Format(".Lock(%u, %u, 0x%X)", offset, size, flags),
                      &hr)) {
            if (data) *data = nullptr;
            return hr;
        }
        return VertexBufferCore::Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override {
        HRESULT hr;
        if (log_->Log("VertexBuffer.Unlock", Name("VertexBuffer", this) + ".Unlock()", &hr)) return hr;
        return VertexBufferCore::Unlock();
    }

private:
    CallLog* log_;
};

class RecordingIndexBuffer : public IndexBufferCore {
public:
    RecordingIndexBuffer(DeviceCore* device, const IndexBufferDesc& desc, CallLog* log)
        : IndexBufferCore(device, desc), log_(log) {}
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        HRESULT hr;
        if (log_->Log("IndexBuffer.Lock", Name("IndexBuffer", this) + Format(".Lock(%u, %u, 0x%X)", offset, size, flags),
                      &hr)) {
            if (data) *data = nullptr;
            return hr;
        }
        return IndexBufferCore::Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override {
        HRESULT hr;
        if (log_->Log("IndexBuffer.Unlock", Name("IndexBuffer", this) + ".Unlock()", &hr)) return hr;
        return IndexBufferCore::Unlock();
    }

private:
    CallLog* log_;
};

class RecordingTexture : public TextureCore {
public:
    RecordingTexture(DeviceCore* device, uint32_t w, uint32_t h, uint32_t levels, uint32_t usage, gfx::Format format,
                     Pool pool, CallLog* log)
        : TextureCore(device, w, h, levels, usage, format, pool), log_(log) {}
    HRESULT LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t flags) override {
        HRESULT hr;
        std::string r = rect ? Format("%d, %d, %d, %d", rect->left, rect->top, rect->right, rect->bottom) : "null";
        if (log_->Log("Texture.LockRect", Name("Texture", this) + Format(".LockRect(%u, %s, 0x%X)", level, r.c_str(), flags),
                      &hr)) {
            if (locked) locked->bits = nullptr;
            return hr;
        }
        return TextureCore::LockRect(level, locked, rect, flags);
    }
    HRESULT UnlockRect(uint32_t level) override {
        HRESULT hr;
        if (log_->Log("Texture.UnlockRect", Name("Texture", this) + Format(".UnlockRect(%u)", level), &hr)) return hr;
        return TextureCore::UnlockRect(level);
    }
    HRESULT Fill(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t pitch) override {
        HRESULT hr;
        if (log_->Log("Texture.Fill", Name("Texture", this) + Format(".Fill(%u, %u)", width, height), &hr)) return hr;
        return TextureCore::Fill(rgba, width, height, pitch);
    }
    HRESULT ReplaceStorage(uint32_t width, uint32_t height, gfx::Format format) override {
        HRESULT hr;
        if (log_->Log("Texture.ReplaceStorage",
                      Name("Texture", this) + Format(".ReplaceStorage(%u, %u, %u)", width, height, unsigned(format)), &hr))
            return hr;
        return TextureCore::ReplaceStorage(width, height, format);
    }

private:
    CallLog* log_;
};

class RecordingFont : public Counted<Font> {
public:
    RecordingFont(DeviceCore* device, int lineHeight, CallLog* log) : device_(device), lineHeight_(lineHeight), log_(log) {
        device_->AddRef();
    }
    ~RecordingFont() override { device_->Release(); }
    int DrawText(const char* text, int count, const Rect* rect, uint32_t format, uint32_t color) override {
        std::string t = text ? (count < 0 ? std::string(text) : std::string(text, size_t(count))) : std::string();
        std::string r = rect ? Format("%d, %d, %d, %d", rect->left, rect->top, rect->right, rect->bottom) : "null";
        HRESULT hr;
        if (log_->Log("Font.DrawText", "Font.DrawText(\"" + t + "\", " + r + Format(", 0x%X, 0x%08X)", format, color),
                      &hr))
            return 0;
        if (!text || !rect) return 0;
        int lines = 1;
        for (char c : t) lines += c == '\n';
        return lines * lineHeight_;
    }
    HRESULT OnLostDevice() override {
        HRESULT hr;
        return log_->Log("Font.OnLostDevice", "Font.OnLostDevice()", &hr) ? hr : S_OK;
    }
    HRESULT OnResetDevice() override {
        HRESULT hr;
        return log_->Log("Font.OnResetDevice", "Font.OnResetDevice()", &hr) ? hr : S_OK;
    }

private:
    DeviceCore* device_;
    int lineHeight_;
    CallLog* log_;
};

#define RECORD(key, line, body)               \
    do {                                      \
        HRESULT failure_;                     \
        if (log_.Log(key, line, &failure_)) return failure_; \
        return body;                          \
    } while (0)

class RecordingDevice : public DeviceCore, public CallLog {
public:
    explicit RecordingDevice(const PresentParameters& params) : log_(*this) { Start(params); }

    HRESULT TestCooperativeLevel() override { RECORD("TestCooperativeLevel", "TestCooperativeLevel()", DeviceCore::TestCooperativeLevel()); }
    HRESULT Reset(PresentParameters* p) override {
        std::string line = p ? Format("Reset(%u, %u, %u, %d)", p->backBufferWidth, p->backBufferHeight,
                                      unsigned(p->backBufferFormat), int(p->windowed))
                             : "Reset(null)";
        RECORD("Reset", line, DeviceCore::Reset(p));
    }
    HRESULT BeginScene() override { RECORD("BeginScene", "BeginScene()", DeviceCore::BeginScene()); }
    HRESULT EndScene() override { RECORD("EndScene", "EndScene()", DeviceCore::EndScene()); }
    HRESULT Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil) override {
        (void)rects;
        HRESULT result = S_OK;
        if (flags == 0 || (flags & ~7u) || ((flags & (CLEAR_ZBUFFER | CLEAR_STENCIL)) && !params_.enableAutoDepthStencil))
            result = D3DERR_INVALIDCALL;
        RECORD("Clear", Format("Clear(%u, 0x%X, 0x%08X, %g, %u)", count, flags, color, double(z), stencil), result);
    }
    HRESULT Present(const Rect*, const Rect*, SDL_Window*, const void*) override {
        RECORD("Present", "Present()", Lost() ? D3DERR_DEVICELOST : S_OK);
    }
    uint32_t GetAvailableTextureMem() override {
        HRESULT ignored;
        log_.Log("GetAvailableTextureMem", "GetAvailableTextureMem()", &ignored);
        return 512u << 20;
    }
    HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool, VertexBuffer** out,
                               void* shared) override {
        RECORD("CreateVertexBuffer",
               Format("CreateVertexBuffer(%u, 0x%X, 0x%X, %u)", length, usage, fvf, unsigned(pool)),
               DeviceCore::CreateVertexBuffer(length, usage, fvf, pool, out, shared));
    }
    HRESULT CreateIndexBuffer(uint32_t length, uint32_t usage, gfx::Format format, Pool pool, IndexBuffer** out,
                              void* shared) override {
        RECORD("CreateIndexBuffer",
               Format("CreateIndexBuffer(%u, 0x%X, %u, %u)", length, usage, unsigned(format), unsigned(pool)),
               DeviceCore::CreateIndexBuffer(length, usage, format, pool, out, shared));
    }
    HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, gfx::Format format,
                          Pool pool, Texture** out, void* shared) override {
        RECORD("CreateTexture",
               Format("CreateTexture(%u, %u, %u, 0x%X, %u, %u)", width, height, levels, usage, unsigned(format),
                      unsigned(pool)),
               DeviceCore::CreateTexture(width, height, levels, usage, format, pool, out, shared));
    }
    HRESULT CreateFont(const FontDesc& desc, Font** out) override {
        HRESULT failure;
        if (log_.Log("CreateFont", Format("CreateFont(%d, %u)", desc.height, desc.weight), &failure)) {
            if (out) *out = nullptr;
            return failure;
        }
        if (!out) return D3DERR_INVALIDCALL;
        *out = new RecordingFont(this, desc.height > 0 ? desc.height : (desc.height < 0 ? -desc.height : 12), this);
        return S_OK;
    }
    HRESULT SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) override {
        RECORD("SetStreamSource",
               Format("SetStreamSource(%u, %s, %u, %u)", stream,
                      Name("VertexBuffer", dynamic_cast<ResourceBase*>(buffer)).c_str(), offset, stride),
               DeviceCore::SetStreamSource(stream, buffer, offset, stride));
    }
    HRESULT SetIndices(IndexBuffer* buffer) override {
        RECORD("SetIndices", "SetIndices(" + Name("IndexBuffer", dynamic_cast<ResourceBase*>(buffer)) + ")",
               DeviceCore::SetIndices(buffer));
    }
    HRESULT SetFVF(uint32_t fvf) override { RECORD("SetFVF", Format("SetFVF(0x%X)", fvf), DeviceCore::SetFVF(fvf)); }
    HRESULT GetFVF(uint32_t* fvf) override { RECORD("GetFVF", "GetFVF()", DeviceCore::GetFVF(fvf)); }
    HRESULT DrawIndexedPrimitive(PrimitiveType type, int32_t base, uint32_t minVertex, uint32_t count,
                                 uint32_t start, uint32_t primitives) override {
        RECORD("DrawIndexedPrimitive",
               Format("DrawIndexedPrimitive(%u, %d, %u, %u, %u, %u)", unsigned(type), base, minVertex, count, start,
                      primitives),
               DeviceCore::DrawIndexedPrimitive(type, base, minVertex, count, start, primitives));
    }
    HRESULT DrawPrimitiveUP(PrimitiveType type, uint32_t primitives, const void* vertices, uint32_t stride) override {
        RECORD("DrawPrimitiveUP", Format("DrawPrimitiveUP(%u, %u, %u)", unsigned(type), primitives, stride),
               DeviceCore::DrawPrimitiveUP(type, primitives, vertices, stride));
    }
    HRESULT SetRenderState(RenderState s, uint32_t v) override {
        RECORD("SetRenderState", Format("SetRenderState(%u, %u)", unsigned(s), v), DeviceCore::SetRenderState(s, v));
    }
    HRESULT GetRenderState(RenderState s, uint32_t* v) override {
        RECORD("GetRenderState", Format("GetRenderState(%u)", unsigned(s)), DeviceCore::GetRenderState(s, v));
    }
    HRESULT SetTextureStageState(uint32_t stage, TextureStageState t, uint32_t v) override {
        RECORD("SetTextureStageState", Format("SetTextureStageState(%u, %u, %u)", stage, unsigned(t), v),
               DeviceCore::SetTextureStageState(stage, t, v));
    }
    HRESULT GetTextureStageState(uint32_t stage, TextureStageState t, uint32_t* v) override {
        RECORD("GetTextureStageState", Format("GetTextureStageState(%u, %u)", stage, unsigned(t)),
               DeviceCore::GetTextureStageState(stage, t, v));
    }
    HRESULT SetSamplerState(uint32_t sampler, SamplerState t, uint32_t v) override {
        RECORD("SetSamplerState", Format("SetSamplerState(%u, %u, %u)", sampler, unsigned(t), v),
               DeviceCore::SetSamplerState(sampler, t, v));
    }
    HRESULT GetSamplerState(uint32_t sampler, SamplerState t, uint32_t* v) override {
        RECORD("GetSamplerState", Format("GetSamplerState(%u, %u)", sampler, unsigned(t)),
               DeviceCore::GetSamplerState(sampler, t, v));
    }
    HRESULT SetTexture(uint32_t stage, Texture* texture) override {
        RECORD("SetTexture",
               Format("SetTexture(%u, %s)", stage, Name("Texture", dynamic_cast<ResourceBase*>(texture)).c_str()),
               DeviceCore::SetTexture(stage, texture));
    }
    HRESULT GetTexture(uint32_t stage, Texture** texture) override {
        RECORD("GetTexture", Format("GetTexture(%u)", stage), DeviceCore::GetTexture(stage, texture));
    }
    HRESULT SetTransform(TransformState t, const math::Matrix* m) override {
        RECORD("SetTransform", Format("SetTransform(%u)", unsigned(t)), DeviceCore::SetTransform(t, m));
    }
    HRESULT GetTransform(TransformState t, math::Matrix* m) override {
        RECORD("GetTransform", Format("GetTransform(%u)", unsigned(t)), DeviceCore::GetTransform(t, m));
    }
    HRESULT SetMaterial(const Material* m) override { RECORD("SetMaterial", "SetMaterial()", DeviceCore::SetMaterial(m)); }
    HRESULT GetMaterial(Material* m) override { RECORD("GetMaterial", "GetMaterial()", DeviceCore::GetMaterial(m)); }
    HRESULT SetLight(uint32_t index, const Light* l) override {
        RECORD("SetLight", Format("SetLight(%u, %u)", index, l ? unsigned(l->type) : 0u), DeviceCore::SetLight(index, l));
    }
    HRESULT GetLight(uint32_t index, Light* l) override {
        RECORD("GetLight", Format("GetLight(%u)", index), DeviceCore::GetLight(index, l));
    }
    HRESULT LightEnable(uint32_t index, bool enable) override {
        RECORD("LightEnable", Format("LightEnable(%u, %d)", index, int(enable)), DeviceCore::LightEnable(index, enable));
    }
    HRESULT GetLightEnable(uint32_t index, bool* enable) override {
        RECORD("GetLightEnable", Format("GetLightEnable(%u)", index), DeviceCore::GetLightEnable(index, enable));
    }
    void SetGammaRamp(uint32_t chain, uint32_t flags, const GammaRamp* ramp) override {
        HRESULT ignored;
        if (!log_.Log("SetGammaRamp", Format("SetGammaRamp(%u, %u)", chain, flags), &ignored))
            DeviceCore::SetGammaRamp(chain, flags, ramp);
    }
    void GetGammaRamp(uint32_t chain, GammaRamp* ramp) override {
        HRESULT ignored;
        log_.Log("GetGammaRamp", Format("GetGammaRamp(%u)", chain), &ignored);
        DeviceCore::GetGammaRamp(chain, ramp);
    }
    void SimulateDeviceLoss(int lostCalls) override {
        HRESULT ignored;
        log_.Log("SimulateDeviceLoss", Format("SimulateDeviceLoss(%d)", lostCalls), &ignored);
        DeviceCore::SimulateDeviceLoss(lostCalls);
    }
    HRESULT ReadPixels(int, int, int, int, uint32_t*, bool) override { return E_NOTIMPL; }

protected:
    VertexBufferCore* NewVertexBuffer(const VertexBufferDesc& desc) override {
        return new RecordingVertexBuffer(this, desc, this);
    }
    IndexBufferCore* NewIndexBuffer(const IndexBufferDesc& desc) override {
        return new RecordingIndexBuffer(this, desc, this);
    }
    TextureCore* NewTexture(uint32_t w, uint32_t h, uint32_t levels, uint32_t usage, gfx::Format format,
                            Pool pool) override {
        return new RecordingTexture(this, w, h, levels, usage, format, pool, this);
    }

private:
    CallLog& log_;
};

#undef RECORD

class RecordingGraphics : public GraphicsCore, public CallLog {
public:
    RecordingGraphics() {
        for (uint32_t w : {640u, 800u, 1024u, 1280u, 1600u}) modes_.push_back({w, w * 3 / 4, 60, FMT_UNKNOWN});
    }
    HRESULT CheckDeviceType(uint32_t adapter, DeviceType type, gfx::Format display, gfx::Format back,
                            bool windowed) override {
        HRESULT failure;
        if (Log("CheckDeviceType",
                Format("CheckDeviceType(%u, %u, %u, %u, %d)", adapter, unsigned(type), unsigned(display),
                       unsigned(back), int(windowed)),
                &failure))
            return failure;
        return GraphicsCore::CheckDeviceType(adapter, type, display, back, windowed);
    }
    HRESULT CreateDevice(uint32_t adapter, DeviceType type, SDL_Window*, uint32_t flags, PresentParameters* params,
                         Device** out) override {
        HRESULT failure;
        if (out) *out = nullptr;
        if (Log("CreateDevice", Format("CreateDevice(%u, %u, 0x%X)", adapter, unsigned(type), flags), &failure))
            return failure;
        if (!out || !params || adapter != kDefaultAdapter) return D3DERR_INVALIDCALL;
        PresentParameters p = *params;
        HRESULT hr = CompleteParameters(&p, 640, 480);
        if (FAILED(hr)) return hr;
        *params = p;
        *out = new RecordingDevice(p);
        return S_OK;
    }
    void SetModes(const std::vector<DisplayMode>& modes) { modes_ = BuildModeList(modes); }

protected:
    const std::vector<DisplayMode>& Modes() override { return modes_; }

private:
    std::vector<DisplayMode> modes_;
};

}  // namespace

Graphics* NewRecordingGraphics() { return new RecordingGraphics(); }

void SetModesOfRecording(Graphics* graphics, const std::vector<DisplayMode>& modes) {
    if (auto* r = dynamic_cast<RecordingGraphics*>(graphics)) r->SetModes(modes);
}

}  // namespace gfx::detail
