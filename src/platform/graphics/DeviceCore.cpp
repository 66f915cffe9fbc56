#include "platform/graphics/DeviceCore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace gfx {

uint32_t FvfSize(uint32_t fvf) {
    if ((fvf & FVF_XYZ) == 0) return 0;
    uint32_t known = FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE | FVF_SPECULAR | FVF_TEXCOUNT_MASK;
    if (fvf & ~known) return 0;
    uint32_t texCount = (fvf & FVF_TEXCOUNT_MASK) >> FVF_TEXCOUNT_SHIFT;
    if (texCount > 2) return 0;
    uint32_t size = 12;
    if (fvf & FVF_NORMAL) size += 12;
    if (fvf & FVF_DIFFUSE) size += 4;
    if (fvf & FVF_SPECULAR) size += 4;
    return size + texCount * 8;
}

uint32_t FormatBits(Format format) {
    switch (format) {
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8: return 32;
    case FMT_R8G8B8: return 24;
    case FMT_R5G6B5:
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
    case FMT_A4R4G4B4: return 16;
    case FMT_DXT1: return 4;
    case FMT_DXT3:
    case FMT_DXT5: return 8;
    default: return 0;
    }
}

namespace detail {

namespace {
constexpr uint32_t kMaxBufferBytes = 256u << 20;
constexpr uint32_t kMaxTextureSize = 8192;
constexpr uint32_t kMaxStride = 2048;

bool IsTextureFormat(Format f) {
    switch (f) {
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
    case FMT_R5G6B5:
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
    case FMT_A4R4G4B4:
    case FMT_DXT1:
    case FMT_DXT3:
    case FMT_DXT5: return true;
    default: return false;
    }
}

uint32_t FullChain(uint32_t w, uint32_t h) {
    uint32_t levels = 1;
    while (w > 1 || h > 1) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        ++levels;
    }
    return levels;
}
}  // namespace

// ---- Resources ----------------------------------------------------------------------

ResourceBase::ResourceBase(DeviceCore* device, Pool pool) : device_(device), pool_(pool) {
    device_->AddRef();
    serial_ = device_->Register(this);
}

ResourceBase::~ResourceBase() {
    DeviceCore* device = device_;
    device->Unregister(this);
    device->Release();
}

BufferStore::BufferStore(uint32_t size)
    : data_(static_cast<uint8_t*>(std::calloc(size > 0 ? size : 1, 1))), size_(size) {
    if (!data_) throw std::bad_alloc();
}

HRESULT BufferStore::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (locked_) return D3DERR_INVALIDCALL;
    uint64_t total = size_;
    if (offset > total) return D3DERR_INVALIDCALL;
    // Size 0 locks to the end of the buffer.
    uint64_t length = size == 0 ? total - offset : size;
    if (offset + length > total) return D3DERR_INVALIDCALL;
    locked_ = true;
    lockOffset_ = offset;
    lockSize_ = static_cast<uint32_t>(length);
    lockFlags_ = flags;
    *data = data_.get() + offset;
    return S_OK;
}

HRESULT BufferStore::Unlock(uint32_t* offset, uint32_t* size, uint32_t* flags) {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    *offset = lockOffset_;
    *size = lockSize_;
    *flags = lockFlags_;
    return S_OK;
}

VertexBufferCore::VertexBufferCore(DeviceCore* device, const VertexBufferDesc& desc)
    : ResourceBase(device, desc.pool), desc_(desc), store_(desc.size) {}

VertexBufferCore::~VertexBufferCore() { Owner()->Unbind(this); }

HRESULT VertexBufferCore::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    return store_.Lock(offset, size, data, flags);
}

HRESULT VertexBufferCore::Unlock() {
    uint32_t offset, size, flags;
    HRESULT hr = store_.Unlock(&offset, &size, &flags);
    if (SUCCEEDED(hr) && size > 0 && (flags & LOCK_READONLY) == 0) Upload(offset, size, flags);
    return hr;
}

IndexBufferCore::IndexBufferCore(DeviceCore* device, const IndexBufferDesc& desc)
    : ResourceBase(device, desc.pool), desc_(desc), store_(desc.size) {}

IndexBufferCore::~IndexBufferCore() { Owner()->Unbind(this); }

HRESULT IndexBufferCore::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    return store_.Lock(offset, size, data, flags);
}

HRESULT IndexBufferCore::Unlock() {
    uint32_t offset, size, flags;
    HRESULT hr = store_.Unlock(&offset, &size, &flags);
    if (FAILED(hr) || size == 0) return hr;
    // Every index the locked bytes touch counts, even after a read-only lock.
    uint32_t end = offset + size;
    if (pendingBegin_ == pendingEnd_) {
        pendingBegin_ = offset;
        pendingEnd_ = end;
    } else {
        pendingBegin_ = std::min(pendingBegin_, offset);
        pendingEnd_ = std::max(pendingEnd_, end);
    }
    if ((flags & LOCK_READONLY) == 0) Upload(offset, size, flags);
    return hr;
}

namespace {

// The highest of count indices of type T at data (read bytewise: any alignment).
template <class T>
uint32_t HighestOf(const uint8_t* data, uint64_t count) {
    T highest = 0;
    for (uint64_t i = 0; i < count; ++i) {
        T v;
        std::memcpy(&v, data + i * sizeof(T), sizeof(T));
        highest = v > highest ? v : highest;
    }
    return highest;
}

}  // namespace

uint32_t IndexBufferCore::HighestIndexBound() {
    if (pendingBegin_ == pendingEnd_) return highestIndex_;
    uint32_t indexSize = IndexSize();
    uint64_t first = pendingBegin_ / indexSize;
    // An index the range only partly covers counts too.
    uint64_t end = std::min<uint64_t>((uint64_t(pendingEnd_) + indexSize - 1) / indexSize, store_.Size() / indexSize);
    pendingBegin_ = pendingEnd_ = 0;
    if (end <= first) return highestIndex_;
    const uint8_t* data = store_.Data() + first * indexSize;
    uint32_t highest = indexSize == 2 ? HighestOf<uint16_t>(data, end - first) : HighestOf<uint32_t>(data, end - first);
    highestIndex_ = std::max(highestIndex_, highest);
    return highestIndex_;
}

TextureCore::TextureCore(DeviceCore* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                         Format format, Pool pool)
    : ResourceBase(device, pool), width_(width), height_(height), levels_(levels), usage_(usage), format_(format),
      level_(levels) {}

TextureCore::~TextureCore() { Owner()->Unbind(this); }

bool TextureCore::Compressed() const { return format_ == FMT_DXT1 || format_ == FMT_DXT3 || format_ == FMT_DXT5; }

uint32_t TextureCore::LevelWidth(uint32_t level) const { return std::max(1u, width_ >> level); }
uint32_t TextureCore::LevelHeight(uint32_t level) const { return std::max(1u, height_ >> level); }

uint32_t TextureCore::LevelPitch(uint32_t level) const {
    if (Compressed()) return ((LevelWidth(level) + 3) / 4) * (format_ == FMT_DXT1 ? 8 : 16);
    return LevelWidth(level) * (FormatBits(format_) / 8);
}

uint32_t TextureCore::LevelRows(uint32_t level) const {
    return Compressed() ? (LevelHeight(level) + 3) / 4 : LevelHeight(level);
}

uint64_t TextureCore::ByteSize() const {
    uint64_t total = 0;
    for (uint32_t l = 0; l < levels_; ++l) total += uint64_t(LevelPitch(l)) * LevelRows(l);
    return total;
}

HRESULT TextureCore::GetLevelDesc(uint32_t level, SurfaceDesc* desc) const {
    if (!desc || level >= levels_) return D3DERR_INVALIDCALL;
    desc->width = LevelWidth(level);
    desc->height = LevelHeight(level);
    desc->usage = usage_;
    desc->format = format_;
    desc->pool = GetPool();
    return S_OK;
}

HRESULT TextureCore::LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t) {
    if (!locked || level >= levels_) return D3DERR_INVALIDCALL;
    locked->bits = nullptr;
    locked->pitch = 0;
    Level& lv = level_[level];
    if (lv.locked) return D3DERR_INVALIDCALL;
    uint32_t w = LevelWidth(level), h = LevelHeight(level);
    uint32_t left = 0, top = 0, bottom = h;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            uint32_t(rect->right) > w || uint32_t(rect->bottom) > h)
            return D3DERR_INVALIDCALL;
        left = rect->left;
        top = rect->top;
        bottom = rect->bottom;
        if (Compressed()) {
            if (left % 4 || top % 4) return D3DERR_INVALIDCALL;
            left /= 4;
            top /= 4;
            bottom = (bottom + 3) / 4;
        }
    } else if (Compressed()) {
        bottom = LevelRows(level);
    }
    uint32_t pitch = LevelPitch(level);
    if (lv.copy.empty()) {
        lv.copy.assign(size_t(pitch) * LevelRows(level), 0);
        ReadLevel(level, lv.copy.data());
    }
    uint32_t unit = Compressed() ? (format_ == FMT_DXT1 ? 8 : 16) : FormatBits(format_) / 8;
    lv.locked = true;
    lv.top = top;
    lv.bottom = bottom;
    locked->pitch = static_cast<int32_t>(pitch);
    locked->bits = lv.copy.data() + size_t(top) * pitch + size_t(left) * unit;
    return S_OK;
}

HRESULT TextureCore::UnlockRect(uint32_t level) {
    if (level >= levels_ || !level_[level].locked) return D3DERR_INVALIDCALL;
    Level& lv = level_[level];
    lv.locked = false;
    UploadLevel(level, lv.copy.data(), lv.top, lv.bottom);
    return S_OK;
}

HRESULT TextureCore::Fill(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t pitch) {
    if (!rgba || width != width_ || height != height_ || pitch < width * 4 || Compressed())
        return D3DERR_INVALIDCALL;
    for (const Level& lv : level_)
        if (lv.locked) return D3DERR_INVALIDCALL;
    // The CPU copies no longer match; they are made again at the next lock.
    for (Level& lv : level_) std::vector<uint8_t>().swap(lv.copy);
    FillLevels(rgba, pitch);
    return S_OK;
}

HRESULT TextureCore::ReplaceStorage(uint32_t width, uint32_t height, Format format) {
    if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize) return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format) || format == FMT_DXT1 || format == FMT_DXT3 || format == FMT_DXT5)
        return D3DERR_INVALIDCALL;
    for (const Level& lv : level_)
        if (lv.locked) return D3DERR_INVALIDCALL;
    const uint64_t oldBytes = ByteSize();
    width_ = width;
    height_ = height;
    format_ = format;
    levels_ = std::min(levels_, FullChain(width, height));
    // Fresh levels: their CPU copies are made again (zero) at the next lock.
    level_.assign(levels_, Level{});
    StorageReplaced(oldBytes);
    Owner()->Rebind(this);
    return S_OK;
}

// ---- State ----------------------------------------------------------------------------

Light DefaultLight() {
    Light l;
    l.type = LIGHT_DIRECTIONAL;
    l.diffuse = {1, 1, 1, 0};
    l.direction = {0, 0, 1};
    return l;
}

void State::SetDefaults(bool depthBuffer) {
    std::memset(rs, 0, sizeof rs);
    rs[RS_ZENABLE] = depthBuffer ? 1 : 0;
    rs[RS_FILLMODE] = 3;
    rs[RS_SHADEMODE] = 2;
    rs[RS_ZWRITEENABLE] = 1;
    rs[RS_LASTPIXEL] = 1;
    rs[RS_SRCBLEND] = BLEND_ONE;
    rs[RS_DESTBLEND] = BLEND_ZERO;
    rs[RS_CULLMODE] = CULL_CCW;
    rs[RS_ZFUNC] = CMP_LESSEQUAL;
    rs[RS_ALPHAFUNC] = CMP_ALWAYS;
    rs[RS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[RS_CLIPPING] = 1;
    rs[RS_LIGHTING] = 1;
    rs[RS_COLORVERTEX] = 1;
    rs[RS_LOCALVIEWER] = 1;
    rs[RS_DIFFUSEMATERIALSOURCE] = MCS_COLOR1;
    rs[RS_SPECULARMATERIALSOURCE] = MCS_COLOR2;
    rs[RS_AMBIENTMATERIALSOURCE] = MCS_MATERIAL;
    rs[RS_EMISSIVEMATERIALSOURCE] = MCS_MATERIAL;
    rs[RS_COLORWRITEENABLE] = 0xF;
    rs[RS_BLENDOP] = BLENDOP_ADD;
    std::memset(tss, 0, sizeof tss);
    std::memset(samp, 0, sizeof samp);
    for (int s = 0; s < kMaxTextureStages; ++s) {
        tss[s][TSS_COLOROP] = s == 0 ? TOP_MODULATE : TOP_DISABLE;
        tss[s][TSS_COLORARG1] = TA_TEXTURE;
        tss[s][TSS_COLORARG2] = TA_CURRENT;
        tss[s][TSS_ALPHAOP] = s == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
        tss[s][TSS_ALPHAARG1] = TA_TEXTURE;
        tss[s][TSS_ALPHAARG2] = TA_CURRENT;
        tss[s][TSS_TEXCOORDINDEX] = s;
        tss[s][26] = TA_CURRENT;  // colour argument 0
        tss[s][27] = TA_CURRENT;  // alpha argument 0
        tss[s][28] = TA_CURRENT;  // result argument
        samp[s][SAMP_ADDRESSU] = TADDRESS_WRAP;
        samp[s][SAMP_ADDRESSV] = TADDRESS_WRAP;
        samp[s][SAMP_ADDRESSW] = TADDRESS_WRAP;
        samp[s][SAMP_MAGFILTER] = TEXF_POINT;
        samp[s][SAMP_MINFILTER] = TEXF_POINT;
        samp[s][SAMP_MIPFILTER] = TEXF_NONE;
        samp[s][10] = 1;  // maximum anisotropy
        textures[s] = nullptr;
    }
    world = view = projection = math::MatrixIdentity();
    material = Material{};
    for (int i = 0; i < kMaxLights; ++i) {
        lights[i] = Light{};
        lightSet[i] = false;
        lightEnabled[i] = false;
    }
    stream = nullptr;
    streamOffset = streamStride = 0;
    indices = nullptr;
    fvf = 0;
}

uint64_t IndexCountOf(PrimitiveType type, uint32_t n) {
    switch (type) {
    case PT_POINTLIST: return n;
    case PT_LINELIST: return uint64_t(n) * 2;
    case PT_LINESTRIP: return uint64_t(n) + 1;
    case PT_TRIANGLELIST: return uint64_t(n) * 3;
    case PT_TRIANGLESTRIP:
    case PT_TRIANGLEFAN: return uint64_t(n) + 2;
    default: return 0;
    }
}

bool IsDisplayFormat(Format format) { return format == FMT_X8R8G8B8 || format == FMT_R5G6B5; }

HRESULT CheckFormats(Format displayFormat, Format backBufferFormat, bool windowed) {
    if (!IsDisplayFormat(displayFormat)) return D3DERR_NOTAVAILABLE;
    if (backBufferFormat == displayFormat) return S_OK;
    // A window may draw with an alpha channel in the display's own layout.
    if (windowed && displayFormat == FMT_X8R8G8B8 && backBufferFormat == FMT_A8R8G8B8) return S_OK;
    return D3DERR_NOTAVAILABLE;
}

std::vector<DisplayMode> BuildModeList(const std::vector<DisplayMode>& reported) {
    std::vector<DisplayMode> modes;
    bool fourByThree = false;
    for (const DisplayMode& m : reported) {
        if (m.width == 0 || m.height == 0) continue;
        modes.push_back({m.width, m.height, m.refreshRate, FMT_UNKNOWN});
        if (uint64_t(m.height) * 4 == uint64_t(m.width) * 3) fourByThree = true;
    }
    if (!fourByThree) {
        // The back buffer is scaled into the window, so these sizes work on any display.
        for (uint32_t w : {640u, 800u, 1024u, 1280u, 1600u}) modes.push_back({w, w * 3 / 4, 60, FMT_UNKNOWN});
    }
    std::sort(modes.begin(), modes.end(), [](const DisplayMode& a, const DisplayMode& b) {
        if (a.width != b.width) return a.width < b.width;
        if (a.height != b.height) return a.height < b.height;
        return a.refreshRate < b.refreshRate;
    });
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const DisplayMode& a, const DisplayMode& b) {
                                return a.width == b.width && a.height == b.height && a.refreshRate == b.refreshRate;
                            }),
                modes.end());
    return modes;
}

HRESULT CompleteParameters(PresentParameters* p, int windowWidth, int windowHeight) {
    if (!p) return D3DERR_INVALIDCALL;
    if (p->windowed) {
        if (p->backBufferWidth == 0) p->backBufferWidth = windowWidth > 0 ? windowWidth : 1;
        if (p->backBufferHeight == 0) p->backBufferHeight = windowHeight > 0 ? windowHeight : 1;
        if (p->backBufferFormat == FMT_UNKNOWN) p->backBufferFormat = FMT_X8R8G8B8;
        if (FAILED(CheckFormats(FMT_X8R8G8B8, p->backBufferFormat, true))) return D3DERR_INVALIDCALL;
    } else {
        if (p->backBufferWidth == 0 || p->backBufferHeight == 0) return D3DERR_INVALIDCALL;
        if (FAILED(CheckFormats(p->backBufferFormat, p->backBufferFormat, false))) return D3DERR_INVALIDCALL;
    }
    if (p->backBufferWidth > kMaxTextureSize || p->backBufferHeight > kMaxTextureSize) return D3DERR_INVALIDCALL;
    if (p->backBufferCount == 0) p->backBufferCount = 1;
    if (p->enableAutoDepthStencil) {
        Format d = p->autoDepthStencilFormat;
        if (d != FMT_D16 && d != FMT_D24S8 && d != FMT_D24X8 && d != FMT_D32) return D3DERR_INVALIDCALL;
    }
    return S_OK;
}

GammaRamp IdentityRamp() {
    GammaRamp r;
    for (int i = 0; i < 256; ++i) r.red[i] = r.green[i] = r.blue[i] = static_cast<uint16_t>(i * 257);
    return r;
}

// ---- Device ---------------------------------------------------------------------------

DeviceCore::DeviceCore() : gamma_(IdentityRamp()) { state_.SetDefaults(false); }

DeviceCore::~DeviceCore() = default;

uint32_t DeviceCore::Release() {
    uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
}

void DeviceCore::Start(const PresentParameters& params) {
    params_ = params;
    state_.SetDefaults(params.enableAutoDepthStencil);
    dirty_ = DIRTY_ALL;
}

uint32_t DeviceCore::Register(ResourceBase* resource) {
    if (resource->GetPool() == POOL_DEFAULT) ++defaultPoolResources_;
    return nextSerial_++;
}

void DeviceCore::Unregister(ResourceBase* resource) {
    if (resource->GetPool() == POOL_DEFAULT) --defaultPoolResources_;
}

void DeviceCore::Unbind(const VertexBufferCore* buffer) {
    if (state_.stream == buffer) {
        state_.stream = nullptr;
        dirty_ |= DIRTY_STREAM;
    }
}

void DeviceCore::Unbind(const IndexBufferCore* buffer) {
    if (state_.indices == buffer) {
        state_.indices = nullptr;
        dirty_ |= DIRTY_INDICES;
    }
}

void DeviceCore::Unbind(const TextureCore* texture) {
    for (int s = 0; s < kMaxTextureStages; ++s)
        if (state_.textures[s] == texture) {
            state_.textures[s] = nullptr;
            dirty_ |= DIRTY_TEXTURES;
        }
}

void DeviceCore::Rebind(const TextureCore* texture) {
    for (int s = 0; s < kMaxTextureStages; ++s)
        if (state_.textures[s] == texture) dirty_ |= DIRTY_TEXTURES;
}

HRESULT DeviceCore::TestCooperativeLevel() {
    if (lostState_ == 1) {
        if (--lostCalls_ <= 0) lostState_ = 2;
        return D3DERR_DEVICELOST;
    }
    if (lostState_ == 2) return D3DERR_DEVICENOTRESET;
    return S_OK;
}

void DeviceCore::SimulateDeviceLoss(int lostCalls) {
    lostCalls_ = lostCalls;
    lostState_ = lostCalls > 0 ? 1 : 2;
}

HRESULT DeviceCore::Reset(PresentParameters* params) {
    if (!params || defaultPoolResources_ > 0) return D3DERR_INVALIDCALL;
    PresentParameters p = *params;
    int width = static_cast<int>(params_.backBufferWidth), height = static_cast<int>(params_.backBufferHeight);
    WindowSize(&width, &height);
    HRESULT hr = CompleteParameters(&p, width, height);
    if (SUCCEEDED(hr)) hr = ResetFrame(p);
    if (FAILED(hr)) {
        if (lostState_ == 0) lostState_ = 2;
        return hr;
    }
    *params = p;
    lostState_ = 0;
    inScene_ = false;
    Start(p);
    return S_OK;
}

HRESULT DeviceCore::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return S_OK;
}

HRESULT DeviceCore::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return S_OK;
}

HRESULT DeviceCore::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool, VertexBuffer** out,
                                       void*) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
    if (fvf != 0 && length < FvfSize(fvf)) return D3DERR_INVALIDCALL;
    *out = NewVertexBuffer({length, usage, fvf, pool});
    return *out ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT DeviceCore::CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool, IndexBuffer** out,
                                      void*) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
    if (format != FMT_INDEX16 && format != FMT_INDEX32) return D3DERR_INVALIDCALL;
    *out = NewIndexBuffer({length, usage, format, pool});
    return *out ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT DeviceCore::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                  Pool pool, Texture** out, void*) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize) return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format)) return D3DERR_INVALIDCALL;
    uint32_t chain = FullChain(width, height);
    if (levels == 0 || levels > chain) levels = chain;
    *out = NewTexture(width, height, levels, usage, format, pool);
    return *out ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT DeviceCore::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    VertexBufferCore* core = nullptr;
    if (buffer) {
        core = dynamic_cast<VertexBufferCore*>(buffer);
        if (!core || core->Owner() != this) return D3DERR_INVALIDCALL;
        if (offset >= core->GetDesc().size) return D3DERR_INVALIDCALL;
    }
    state_.stream = core;
    state_.streamOffset = core ? offset : 0;
    state_.streamStride = core ? stride : 0;
    dirty_ |= DIRTY_STREAM;
    return S_OK;
}

HRESULT DeviceCore::SetIndices(IndexBuffer* buffer) {
    IndexBufferCore* core = nullptr;
    if (buffer) {
        core = dynamic_cast<IndexBufferCore*>(buffer);
        if (!core || core->Owner() != this) return D3DERR_INVALIDCALL;
    }
    state_.indices = core;
    dirty_ |= DIRTY_INDICES;
    return S_OK;
}

HRESULT DeviceCore::SetFVF(uint32_t fvf) {
    state_.fvf = fvf;
    dirty_ |= DIRTY_FVF;
    return S_OK;
}

HRESULT DeviceCore::GetFVF(uint32_t* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = state_.fvf;
    return S_OK;
}

HRESULT DeviceCore::DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex, uint32_t minVertex,
                                         uint32_t vertexCount, uint32_t startIndex, uint32_t primitiveCount) {
    uint64_t count = IndexCountOf(type, primitiveCount);
    if (count == 0 && IndexCountOf(type, 1) == 0) return D3DERR_INVALIDCALL;
    if (!state_.stream || !state_.indices || FvfSize(state_.fvf) == 0 || state_.streamStride == 0)
        return D3DERR_INVALIDCALL;
    if (state_.stream->Store().Locked() || state_.indices->Store().Locked()) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return S_OK;
    uint64_t indexSize = state_.indices->IndexSize();
    if ((uint64_t(startIndex) + count) * indexSize > state_.indices->GetDesc().size) return D3DERR_INVALIDCALL;
    if (baseVertex < 0) return D3DERR_INVALIDCALL;
    // Every vertex an index reaches must lie in the stream.
    uint32_t vertexSize = FvfSize(state_.fvf), stride = state_.streamStride;
    if (stride < vertexSize || stride > kMaxStride) return D3DERR_INVALIDCALL;
    uint64_t bytes = state_.stream->GetDesc().size - state_.streamOffset;
    uint64_t available = bytes < vertexSize ? 0 : (bytes - vertexSize) / stride + 1;
    uint64_t reach = uint64_t(baseVertex) + (indexSize == 2 ? 0xFFFFu : 0xFFFFFFFFu);
    if (reach >= available && uint64_t(baseVertex) + state_.indices->HighestIndexBound() >= available) {
        const uint8_t* data = state_.indices->Store().Data() + uint64_t(startIndex) * indexSize;
        uint32_t highest = 0;
        for (uint64_t i = 0; i < count; ++i) {
            uint32_t index;
            if (indexSize == 2) {
                uint16_t v;
                std::memcpy(&v, data + i * 2, 2);
                index = v;
            } else {
                std::memcpy(&index, data + i * 4, 4);
            }
            highest = std::max(highest, index);
        }
        if (uint64_t(baseVertex) + highest >= available) return D3DERR_INVALIDCALL;
    }
    if (lostState_ != 0) return S_OK;
    DrawIndexed(type, baseVertex, minVertex, vertexCount, startIndex, static_cast<uint32_t>(count));
    return S_OK;
}

HRESULT DeviceCore::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                    uint32_t stride) {
    uint64_t count = IndexCountOf(type, primitiveCount);
    if (IndexCountOf(type, 1) == 0 || !vertices || FvfSize(state_.fvf) == 0) return D3DERR_INVALIDCALL;
    if (stride < FvfSize(state_.fvf) || stride > kMaxStride) return D3DERR_INVALIDCALL;
    if (count * stride > kMaxBufferBytes) return D3DERR_INVALIDCALL;
    if (primitiveCount > 0 && lostState_ == 0)
        DrawUser(type, primitiveCount, static_cast<uint32_t>(count), vertices, stride);
    // Drawing from caller memory leaves stream 0 unbound.
    state_.stream = nullptr;
    state_.streamOffset = state_.streamStride = 0;
    dirty_ |= DIRTY_STREAM;
    return S_OK;
}

HRESULT DeviceCore::SetRenderState(RenderState s, uint32_t value) {
    if (s >= kRenderStateCount) return D3DERR_INVALIDCALL;
    if (state_.rs[s] != value) {
        state_.rs[s] = value;
        dirty_ |= DIRTY_RENDERSTATE;
    }
    return S_OK;
}

HRESULT DeviceCore::GetRenderState(RenderState s, uint32_t* value) {
    if (s >= kRenderStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_.rs[s];
    return S_OK;
}

HRESULT DeviceCore::SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) {
    if (stage >= kMaxTextureStages || type >= kTextureStageStateCount) return D3DERR_INVALIDCALL;
    if (state_.tss[stage][type] != value) {
        state_.tss[stage][type] = value;
        dirty_ |= DIRTY_STAGES;
    }
    return S_OK;
}

HRESULT DeviceCore::GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) {
    if (stage >= kMaxTextureStages || type >= kTextureStageStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_.tss[stage][type];
    return S_OK;
}

HRESULT DeviceCore::SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) {
    if (sampler >= kMaxTextureStages || type >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    if (state_.samp[sampler][type] != value) {
        state_.samp[sampler][type] = value;
        dirty_ |= DIRTY_SAMPLERS;
    }
    return S_OK;
}

HRESULT DeviceCore::GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) {
    if (sampler >= kMaxTextureStages || type >= kSamplerStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_.samp[sampler][type];
    return S_OK;
}

HRESULT DeviceCore::SetTexture(uint32_t stage, Texture* texture) {
    if (stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
    TextureCore* core = nullptr;
    if (texture) {
        core = dynamic_cast<TextureCore*>(texture);
        if (!core || core->Owner() != this) return D3DERR_INVALIDCALL;
    }
    if (state_.textures[stage] != core) {
        state_.textures[stage] = core;
        dirty_ |= DIRTY_TEXTURES;
    }
    return S_OK;
}

HRESULT DeviceCore::GetTexture(uint32_t stage, Texture** texture) {
    if (stage >= kMaxTextureStages || !texture) return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    return S_OK;
}

namespace {
math::Matrix* TransformSlot(State& s, TransformState t) {
    switch (t) {
    case TS_WORLD: return &s.world;
    case TS_VIEW: return &s.view;
    case TS_PROJECTION: return &s.projection;
    default: return nullptr;
    }
}
}  // namespace

HRESULT DeviceCore::SetTransform(TransformState t, const math::Matrix* matrix) {
    math::Matrix* slot = TransformSlot(state_, t);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *slot = *matrix;
    dirty_ |= DIRTY_TRANSFORMS;
    return S_OK;
}

HRESULT DeviceCore::GetTransform(TransformState t, math::Matrix* matrix) {
    math::Matrix* slot = TransformSlot(state_, t);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return S_OK;
}

HRESULT DeviceCore::SetMaterial(const Material* material) {
    if (!material) return D3DERR_INVALIDCALL;
    state_.material = *material;
    dirty_ |= DIRTY_MATERIAL;
    return S_OK;
}

HRESULT DeviceCore::GetMaterial(Material* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return S_OK;
}

HRESULT DeviceCore::SetLight(uint32_t index, const Light* light) {
    if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
    if (light->type < LIGHT_POINT || light->type > LIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->type != LIGHT_DIRECTIONAL && !(light->range >= 0.0f)) return D3DERR_INVALIDCALL;
    state_.lights[index] = *light;
    state_.lightSet[index] = true;
    dirty_ |= DIRTY_LIGHTS;
    return S_OK;
}

HRESULT DeviceCore::GetLight(uint32_t index, Light* light) {
    if (index >= kMaxLights || !light || !state_.lightSet[index]) return D3DERR_INVALIDCALL;
    *light = state_.lights[index];
    return S_OK;
}

HRESULT DeviceCore::LightEnable(uint32_t index, bool enable) {
    if (index >= kMaxLights) return D3DERR_INVALIDCALL;
    if (enable && !state_.lightSet[index]) {
        state_.lights[index] = DefaultLight();
        state_.lightSet[index] = true;
    }
    state_.lightEnabled[index] = enable;
    dirty_ |= DIRTY_LIGHTS;
    return S_OK;
}

HRESULT DeviceCore::GetLightEnable(uint32_t index, bool* enable) {
    if (index >= kMaxLights || !enable || !state_.lightSet[index]) return D3DERR_INVALIDCALL;
    *enable = state_.lightEnabled[index];
    return S_OK;
}

void DeviceCore::SetGammaRamp(uint32_t, uint32_t, const GammaRamp* ramp) {
    if (!ramp) return;
    gamma_ = *ramp;
    GammaChanged();
}

void DeviceCore::GetGammaRamp(uint32_t, GammaRamp* ramp) {
    if (ramp) *ramp = gamma_;
}

// ---- Graphics -------------------------------------------------------------------------

HRESULT GraphicsCore::CheckDeviceType(uint32_t adapter, DeviceType type, Format displayFormat,
                                      Format backBufferFormat, bool windowed) {
    if (adapter != kDefaultAdapter || (type != DEVTYPE_HAL && type != DEVTYPE_REF)) return D3DERR_INVALIDCALL;
    return CheckFormats(displayFormat, backBufferFormat, windowed);
}

uint32_t GraphicsCore::GetAdapterModeCount(uint32_t adapter, Format format) {
    if (adapter != kDefaultAdapter || !IsDisplayFormat(format)) return 0;
    return static_cast<uint32_t>(Modes().size());
}

HRESULT GraphicsCore::EnumAdapterModes(uint32_t adapter, Format format, uint32_t index, DisplayMode* mode) {
    if (adapter != kDefaultAdapter || !mode || !IsDisplayFormat(format)) return D3DERR_INVALIDCALL;
    const std::vector<DisplayMode>& modes = Modes();
    if (index >= modes.size()) return D3DERR_INVALIDCALL;
    *mode = modes[index];
    mode->format = format;
    return S_OK;
}

}  // namespace detail
}  // namespace gfx
