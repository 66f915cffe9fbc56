// Inside the graphics layer: the state machine, resource bookkeeping and CPU copies that
// the GL device and the recording device share. Not part of the layer's interface.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/graphics/Device.h"

namespace gfx::detail {

class DeviceCore;

// Reference counting for one interface.
template <class Interface>
class Counted : public Interface {
public:
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        uint32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    uint32_t refs_ = 1;
};

// Base of every device resource: keeps its device alive and registered, so that the
// device can unbind it when it goes and count the POOL_DEFAULT resources for Reset.
class ResourceBase {
public:
    ResourceBase(DeviceCore* device, Pool pool);
    virtual ~ResourceBase();
    ResourceBase(const ResourceBase&) = delete;
    ResourceBase& operator=(const ResourceBase&) = delete;
    DeviceCore* Owner() const { return device_; }
    Pool GetPool() const { return pool_; }
    // Creation number on its device, for logs.
    uint32_t Serial() const { return serial_; }

private:
    DeviceCore* device_;
    Pool pool_;
    uint32_t serial_;
};

// A lockable byte range with a CPU copy.
class BufferStore {
public:
    explicit BufferStore(uint32_t size);
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags);
    // Ends the lock; gives the locked range and flags. INVALIDCALL when not locked.
    HRESULT Unlock(uint32_t* offset, uint32_t* size, uint32_t* flags);
    bool Locked() const { return locked_; }
    const uint8_t* Data() const { return data_.get(); }
    uint32_t Size() const { return size_; }

private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    // Zeroed by calloc: the pages of a large buffer are only touched once written, so
    // making the renderer's big ring buffers costs nothing up front.
    std::unique_ptr<uint8_t[], Free> data_;
    uint32_t size_;
    bool locked_ = false;
    uint32_t lockOffset_ = 0, lockSize_ = 0, lockFlags_ = 0;
};

class VertexBufferCore : public Counted<VertexBuffer>, public ResourceBase {
public:
    VertexBufferCore(DeviceCore* device, const VertexBufferDesc& desc);
    ~VertexBufferCore() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override;
    VertexBufferDesc GetDesc() const override { return desc_; }
    const BufferStore& Store() const { return store_; }

protected:
    // Called at Unlock with the locked range (the GL buffer uploads it).
    virtual void Upload(uint32_t, uint32_t, uint32_t) {}

private:
    VertexBufferDesc desc_;
    BufferStore store_;
};

class IndexBufferCore : public Counted<IndexBuffer>, public ResourceBase {
public:
    IndexBufferCore(DeviceCore* device, const IndexBufferDesc& desc);
    ~IndexBufferCore() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override;
    IndexBufferDesc GetDesc() const override { return desc_; }
    const BufferStore& Store() const { return store_; }
    uint32_t IndexSize() const { return desc_.format == FMT_INDEX32 ? 4 : 2; }
    // No index in the buffer is above this, so a draw need not read its indices to know
    // that every vertex they reach exists. The ranges unlocked since the last call are
    // read here, not at Unlock: most draws (16-bit indices into a stream of 65,536
    // vertices or more) never ask, and the renderer's ring is unlocked every frame.
    uint32_t HighestIndexBound();

protected:
    virtual void Upload(uint32_t, uint32_t, uint32_t) {}

private:
    IndexBufferDesc desc_;
    BufferStore store_;
    uint32_t highestIndex_ = 0;
    // Bytes unlocked and not yet read into highestIndex_ (empty when begin == end).
    uint32_t pendingBegin_ = 0, pendingEnd_ = 0;
};

class TextureCore : public Counted<Texture>, public ResourceBase {
public:
    TextureCore(DeviceCore* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                Pool pool);
    ~TextureCore() override;
    uint32_t GetLevelCount() const override { return levels_; }
    HRESULT GetLevelDesc(uint32_t level, SurfaceDesc* desc) const override;
    HRESULT LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t flags) override;
    HRESULT UnlockRect(uint32_t level) override;
    HRESULT Fill(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t pitch) override;
    HRESULT ReplaceStorage(uint32_t width, uint32_t height, Format format) override;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    Format GetFormat() const { return format_; }
    uint32_t LevelWidth(uint32_t level) const;
    uint32_t LevelHeight(uint32_t level) const;
    // Bytes between rows (of 4x4 blocks for DXT) of a level, and its rows.
    uint32_t LevelPitch(uint32_t level) const;
    uint32_t LevelRows(uint32_t level) const;
    bool Compressed() const;
    // Bytes all levels take.
    uint64_t ByteSize() const;

protected:
    // The current contents of a level into dst (LevelPitch x LevelRows bytes), for the
    // CPU copy made at the first lock; the recording texture has nothing to read.
    virtual void ReadLevel(uint32_t, uint8_t*) {}
    // Uploads rows [top, bottom) of a level (in rows of blocks for DXT) from its CPU copy.
    virtual void UploadLevel(uint32_t, const uint8_t*, uint32_t, uint32_t) {}
    // Puts decoded RGBA pixels into level 0 and makes the other levels.
    virtual void FillLevels(const uint8_t*, uint32_t) {}
    // The size, format and levels changed (the old storage took oldBytes): the subclass
    // makes its storage anew, every texel zero.
    virtual void StorageReplaced(uint64_t) {}

private:
    struct Level {
        std::vector<uint8_t> copy;  // made at the first lock
        bool locked = false;
        uint32_t top = 0, bottom = 0;
    };
    uint32_t width_, height_, levels_, usage_;
    Format format_;
    std::vector<Level> level_;
};

// The fixed-function state.
struct State {
    uint32_t rs[kRenderStateCount];
    uint32_t tss[kMaxTextureStages][kTextureStageStateCount];
    uint32_t samp[kMaxTextureStages][kSamplerStateCount];
    math::Matrix world, view, projection;
    Material material;
    Light lights[kMaxLights];
    bool lightSet[kMaxLights];
    bool lightEnabled[kMaxLights];
    TextureCore* textures[kMaxTextureStages];
    VertexBufferCore* stream = nullptr;
    uint32_t streamOffset = 0, streamStride = 0;
    IndexBufferCore* indices = nullptr;
    uint32_t fvf = 0;

    // The state a device has at creation and after Reset.
    void SetDefaults(bool depthBuffer);
};

// What changed since the pipeline last looked.
enum : uint32_t {
    DIRTY_RENDERSTATE = 1u << 0,
    DIRTY_STAGES = 1u << 1,
    DIRTY_SAMPLERS = 1u << 2,
    DIRTY_TRANSFORMS = 1u << 3,
    DIRTY_MATERIAL = 1u << 4,
    DIRTY_LIGHTS = 1u << 5,
    DIRTY_TEXTURES = 1u << 6,
    DIRTY_STREAM = 1u << 7,
    DIRTY_INDICES = 1u << 8,
    DIRTY_FVF = 1u << 9,
    DIRTY_ALL = 0x3FFu,
};

// The light a slot gets when enabled without having been set.
Light DefaultLight();
// Indices a draw of primitiveCount primitives reads, or 0 for an unknown type.
uint64_t IndexCountOf(PrimitiveType type, uint32_t primitiveCount);
// Answers of CheckDeviceType shared by both graphics objects.
HRESULT CheckFormats(Format displayFormat, Format backBufferFormat, bool windowed);
// The display formats modes are listed for.
bool IsDisplayFormat(Format format);
// Display modes from the sizes a display reports (zero sizes dropped, duplicates
// merged, sorted by width, height and refresh rate); when none of them is 4:3, the 4:3
// sizes 640x480 to 1600x1200 at 60 Hz are used.
std::vector<DisplayMode> BuildModeList(const std::vector<DisplayMode>& reported);
// Presentation parameters checked and completed (window size for a windowed 0 size,
// display format for a windowed UNKNOWN format); INVALIDCALL when unusable.
HRESULT CompleteParameters(PresentParameters* params, int windowWidth, int windowHeight);
// The identity ramp a device starts with (entry i = i * 257).
GammaRamp IdentityRamp();

// The device state machine. Subclasses draw (or record) and react to the dirty bits.
class DeviceCore : public Device {
public:
    DeviceCore();
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(PresentParameters* params) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;

    HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool, VertexBuffer** out,
                               void* shared) override;
    HRESULT CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool, IndexBuffer** out,
                              void* shared) override;
    HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format, Pool pool,
                          Texture** out, void* shared) override;

    HRESULT SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) override;
    HRESULT SetIndices(IndexBuffer* buffer) override;
    HRESULT SetFVF(uint32_t fvf) override;
    HRESULT GetFVF(uint32_t* fvf) override;
    HRESULT DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex, uint32_t minVertex, uint32_t vertexCount,
                                 uint32_t startIndex, uint32_t primitiveCount) override;
    HRESULT DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                            uint32_t stride) override;

    HRESULT SetRenderState(RenderState state, uint32_t value) override;
    HRESULT GetRenderState(RenderState state, uint32_t* value) override;
    HRESULT SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) override;
    HRESULT GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) override;
    HRESULT SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) override;
    HRESULT GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) override;
    HRESULT SetTexture(uint32_t stage, Texture* texture) override;
    HRESULT GetTexture(uint32_t stage, Texture** texture) override;
    HRESULT SetTransform(TransformState state, const math::Matrix* matrix) override;
    HRESULT GetTransform(TransformState state, math::Matrix* matrix) override;
    HRESULT SetMaterial(const Material* material) override;
    HRESULT GetMaterial(Material* material) override;
    HRESULT SetLight(uint32_t index, const Light* light) override;
    HRESULT GetLight(uint32_t index, Light* light) override;
    HRESULT LightEnable(uint32_t index, bool enable) override;
    HRESULT GetLightEnable(uint32_t index, bool* enable) override;

    void SetGammaRamp(uint32_t swapChain, uint32_t flags, const GammaRamp* ramp) override;
    void GetGammaRamp(uint32_t swapChain, GammaRamp* ramp) override;
    void SimulateDeviceLoss(int lostCalls) override;

    // Resource bookkeeping (ResourceBase calls these).
    uint32_t Register(ResourceBase* resource);
    void Unregister(ResourceBase* resource);
    // A resource going away leaves every binding (its destructor calls these).
    void Unbind(const VertexBufferCore* buffer);
    void Unbind(const IndexBufferCore* buffer);
    void Unbind(const TextureCore* texture);
    // A texture's storage was replaced: wherever it is bound, it is bound anew.
    void Rebind(const TextureCore* texture);

    const State& CurrentState() const { return state_; }
    const PresentParameters& Parameters() const { return params_; }
    bool Lost() const { return lostState_ != 0; }

protected:
    ~DeviceCore() override;
    // Called once the device is set up, with its checked parameters.
    void Start(const PresentParameters& params);
    // Subclass parts of the calls above.
    virtual HRESULT ResetFrame(const PresentParameters&) { return S_OK; }
    // The window's size, for a windowed reset without a size (unchanged: no window).
    virtual void WindowSize(int*, int*) {}
    virtual VertexBufferCore* NewVertexBuffer(const VertexBufferDesc& desc) = 0;
    virtual IndexBufferCore* NewIndexBuffer(const IndexBufferDesc& desc) = 0;
    virtual TextureCore* NewTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                    Pool pool) = 0;
    // The draws after validation (index count already known to fit the index buffer).
    virtual void DrawIndexed(PrimitiveType, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
    virtual void DrawUser(PrimitiveType, uint32_t, uint32_t, const void*, uint32_t) {}
    virtual void GammaChanged() {}

    State state_;
    uint32_t dirty_ = DIRTY_ALL;
    GammaRamp gamma_;
    PresentParameters params_;
    bool inScene_ = false;

private:
    uint32_t refs_ = 1;
    int lostState_ = 0;  // 0 working, 1 lost, 2 ready to be reset
    int lostCalls_ = 0;
    int defaultPoolResources_ = 0;
    uint32_t nextSerial_ = 1;
};

// The graphics object's shared part.
class GraphicsCore : public Counted<Graphics> {
public:
    HRESULT CheckDeviceType(uint32_t adapter, DeviceType type, Format displayFormat, Format backBufferFormat,
                            bool windowed) override;
    uint32_t GetAdapterModeCount(uint32_t adapter, Format format) override;
    HRESULT EnumAdapterModes(uint32_t adapter, Format format, uint32_t index, DisplayMode* mode) override;

protected:
    // The mode list (one list serves every display format).
    virtual const std::vector<DisplayMode>& Modes() = 0;
};

}  // namespace gfx::detail
