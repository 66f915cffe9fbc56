// The graphics layer: a fixed-function drawing device with render states, texture
// stages, lights, vertex and index buffers with locks, textures, the gamma ramp and a
// text font. Two devices share this interface: the OpenGL 4.5 device, which draws into
// an off-screen frame and shows it at Present, and the recording device, which keeps
// the same state in memory and logs every call, for tests without GL.
//
// Numbers are those the engine's data and logs use: vertex format 0x2D2, lock flags,
// format numbers, result codes. Matrices are row-vector matrices (platform/math).
// Objects are reference counted: Release() drops a reference and frees the object at 0.
// The device does not hold references to what is bound to it; an object that is freed
// while bound is unbound first. Resources keep their device alive.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/math/Math.h"
#include "platform/system/Result.h"

struct SDL_Window;

namespace gfx {

// ---- Constants ---------------------------------------------------------------------

// Version number the graphics object is created with.
constexpr uint32_t kSdkVersion = 31;
constexpr int kMaxLights = 15;        // light slots 0..14
constexpr int kMaxTextureStages = 8;  // stages stored; stages 0 and 1 are drawn
constexpr int kDrawnTextureStages = 2;
constexpr uint32_t kDefaultAdapter = 0;

// Pixel and buffer formats.
enum Format : uint32_t {
    FMT_UNKNOWN = 0,
    FMT_R8G8B8 = 20,
    FMT_A8R8G8B8 = 21,
    FMT_X8R8G8B8 = 22,
    FMT_R5G6B5 = 23,
    FMT_X1R5G5B5 = 24,
    FMT_A1R5G5B5 = 25,
    FMT_A4R4G4B4 = 26,
    FMT_D32 = 71,
    FMT_D24S8 = 75,
    FMT_D24X8 = 77,
    FMT_D16 = 80,
    FMT_INDEX16 = 101,
    FMT_INDEX32 = 102,
    FMT_DXT1 = 0x31545844u,  // "DXT1"
    FMT_DXT3 = 0x33545844u,  // "DXT3"
    FMT_DXT5 = 0x35545844u,  // "DXT5"
};

enum DeviceType : uint32_t { DEVTYPE_HAL = 1, DEVTYPE_REF = 2 };

// Device creation flags.
enum : uint32_t {
    CREATE_SOFTWARE_VERTEXPROCESSING = 0x20,
    CREATE_HARDWARE_VERTEXPROCESSING = 0x40,
    CREATE_MIXED_VERTEXPROCESSING = 0x80,
};

enum SwapEffect : uint32_t { SWAPEFFECT_DISCARD = 1, SWAPEFFECT_FLIP = 2, SWAPEFFECT_COPY = 3 };
enum : uint32_t {
    PRESENT_INTERVAL_DEFAULT = 0,
    PRESENT_INTERVAL_ONE = 1,
    PRESENT_INTERVAL_IMMEDIATE = 0x80000000u,
    PRESENTFLAG_DISCARD_DEPTHSTENCIL = 2,
    MULTISAMPLE_NONE = 0,
};

// Flexible vertex format bits.
enum : uint32_t {
    FVF_XYZ = 0x002,
    FVF_NORMAL = 0x010,
    FVF_DIFFUSE = 0x040,
    FVF_SPECULAR = 0x080,
    FVF_TEX1 = 0x100,
    FVF_TEX2 = 0x200,
    FVF_TEXCOUNT_MASK = 0xF00,
    FVF_TEXCOUNT_SHIFT = 8,
};
// The engine's vertex: XYZ | NORMAL | DIFFUSE | SPECULAR | TEX2.
constexpr uint32_t kVertexFvf = 0x2D2;

// Resource usage, pools and lock flags.
enum : uint32_t {
    USAGE_RENDERTARGET = 0x1,
    USAGE_DEPTHSTENCIL = 0x2,
    USAGE_WRITEONLY = 0x8,
    USAGE_SOFTWAREPROCESSING = 0x10,
    USAGE_DONOTCLIP = 0x20,
    USAGE_DYNAMIC = 0x200,
    USAGE_AUTOGENMIPMAP = 0x400,
};
enum Pool : uint32_t { POOL_DEFAULT = 0, POOL_MANAGED = 1, POOL_SYSTEMMEM = 2, POOL_SCRATCH = 3 };
enum : uint32_t {
    LOCK_READONLY = 0x10,
    LOCK_NOSYSLOCK = 0x800,
    LOCK_NOOVERWRITE = 0x1000,
    LOCK_DISCARD = 0x2000,
    LOCK_DONOTWAIT = 0x4000,
    LOCK_NO_DIRTY_UPDATE = 0x8000,
};

// Clear flags.
enum : uint32_t { CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2, CLEAR_STENCIL = 4 };

enum PrimitiveType : uint32_t {
    PT_POINTLIST = 1,
    PT_LINELIST = 2,
    PT_LINESTRIP = 3,
    PT_TRIANGLELIST = 4,
    PT_TRIANGLESTRIP = 5,
    PT_TRIANGLEFAN = 6,
};

enum TransformState : uint32_t { TS_VIEW = 2, TS_PROJECTION = 3, TS_WORLD = 256 };

// Render states (the ones the pipeline acts on are marked *; the others are kept).
enum RenderState : uint32_t {
    RS_ZENABLE = 7,             // * 0 off, 1 on
    RS_FILLMODE = 8,
    RS_SHADEMODE = 9,
    RS_ZWRITEENABLE = 14,       // *
    RS_ALPHATESTENABLE = 15,    // *
    RS_LASTPIXEL = 16,
    RS_SRCBLEND = 19,           // * BLEND_*
    RS_DESTBLEND = 20,          // * BLEND_*
    RS_CULLMODE = 22,           // * CULL_*
    RS_ZFUNC = 23,              // * CMP_*
    RS_ALPHAREF = 24,           // * 0..255
    RS_ALPHAFUNC = 25,          // * CMP_*
    RS_DITHERENABLE = 26,
    RS_ALPHABLENDENABLE = 27,   // *
    RS_FOGENABLE = 28,
    RS_SPECULARENABLE = 29,     // *
    RS_STENCILENABLE = 52,
    RS_TEXTUREFACTOR = 60,      // * ARGB colour
    RS_CLIPPING = 136,
    RS_LIGHTING = 137,          // *
    RS_AMBIENT = 139,           // * ARGB colour
    RS_COLORVERTEX = 141,       // *
    RS_LOCALVIEWER = 142,       // *
    RS_NORMALIZENORMALS = 143,  // *
    RS_DIFFUSEMATERIALSOURCE = 145,   // * MCS_*
    RS_SPECULARMATERIALSOURCE = 146,  // * MCS_*
    RS_AMBIENTMATERIALSOURCE = 147,   // * MCS_*
    RS_EMISSIVEMATERIALSOURCE = 148,  // * MCS_*
    RS_COLORWRITEENABLE = 168,
    RS_BLENDOP = 171,           // * BLENDOP_*
};
constexpr uint32_t kRenderStateCount = 256;

enum : uint32_t { CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3 };
enum : uint32_t {
    CMP_NEVER = 1,
    CMP_LESS = 2,
    CMP_EQUAL = 3,
    CMP_LESSEQUAL = 4,
    CMP_GREATER = 5,
    CMP_NOTEQUAL = 6,
    CMP_GREATEREQUAL = 7,
    CMP_ALWAYS = 8,
};
enum : uint32_t {
    BLEND_ZERO = 1,
    BLEND_ONE = 2,
    BLEND_SRCCOLOR = 3,
    BLEND_INVSRCCOLOR = 4,
    BLEND_SRCALPHA = 5,
    BLEND_INVSRCALPHA = 6,
    BLEND_DESTALPHA = 7,
    BLEND_INVDESTALPHA = 8,
    BLEND_DESTCOLOR = 9,
    BLEND_INVDESTCOLOR = 10,
    BLEND_SRCALPHASAT = 11,
};
enum : uint32_t { BLENDOP_ADD = 1, BLENDOP_SUBTRACT = 2, BLENDOP_REVSUBTRACT = 3, BLENDOP_MIN = 4, BLENDOP_MAX = 5 };
// Material colour sources.
enum : uint32_t { MCS_MATERIAL = 0, MCS_COLOR1 = 1, MCS_COLOR2 = 2 };

// Texture stage states.
enum TextureStageState : uint32_t {
    TSS_COLOROP = 1,
    TSS_COLORARG1 = 2,
    TSS_COLORARG2 = 3,
    TSS_ALPHAOP = 4,
    TSS_ALPHAARG1 = 5,
    TSS_ALPHAARG2 = 6,
    TSS_TEXCOORDINDEX = 11,
};
constexpr uint32_t kTextureStageStateCount = 33;

// Texture stage operations.
enum : uint32_t {
    TOP_DISABLE = 1,
    TOP_SELECTARG1 = 2,
    TOP_SELECTARG2 = 3,
    TOP_MODULATE = 4,
    TOP_MODULATE2X = 5,
    TOP_MODULATE4X = 6,
    TOP_ADD = 7,
    TOP_ADDSIGNED = 8,
    TOP_SUBTRACT = 10,
    TOP_BLENDDIFFUSEALPHA = 12,
    TOP_BLENDTEXTUREALPHA = 13,
    TOP_BLENDFACTORALPHA = 14,
};
// Texture stage arguments, with the two modifier bits.
enum : uint32_t {
    TA_DIFFUSE = 0,
    TA_CURRENT = 1,
    TA_TEXTURE = 2,
    TA_TFACTOR = 3,
    TA_SPECULAR = 4,
    TA_SELECTMASK = 0xF,
    TA_COMPLEMENT = 0x10,
    TA_ALPHAREPLICATE = 0x20,
};

// Sampler states.
enum SamplerState : uint32_t {
    SAMP_ADDRESSU = 1,
    SAMP_ADDRESSV = 2,
    SAMP_ADDRESSW = 3,
    SAMP_BORDERCOLOR = 4,
    SAMP_MAGFILTER = 5,
    SAMP_MINFILTER = 6,
    SAMP_MIPFILTER = 7,
};
constexpr uint32_t kSamplerStateCount = 14;
enum : uint32_t { TADDRESS_WRAP = 1, TADDRESS_MIRROR = 2, TADDRESS_CLAMP = 3, TADDRESS_BORDER = 4 };
enum : uint32_t { TEXF_NONE = 0, TEXF_POINT = 1, TEXF_LINEAR = 2, TEXF_ANISOTROPIC = 3 };

enum LightType : uint32_t { LIGHT_POINT = 1, LIGHT_SPOT = 2, LIGHT_DIRECTIONAL = 3 };

// Gamma ramp flags.
enum : uint32_t { SGR_NO_CALIBRATION = 0, SGR_CALIBRATE = 1 };

// Text format flags of Font::DrawText.
enum : uint32_t { DT_LEFT = 0, DT_TOP = 0, DT_NOCLIP = 0x100 };
// Font weights and pitch.
enum : uint32_t { FW_NORMAL = 400, FW_BOLD = 700, FIXED_PITCH = 1, PROOF_QUALITY = 2, ANSI_CHARSET = 0 };

// ---- Records -----------------------------------------------------------------------

// A colour as four floats.
struct ColorValue {
    float r = 0, g = 0, b = 0, a = 0;
};

// The engine's vertex, 48 bytes (format 0x2D2); colours are 0xAARRGGBB, stored as the
// bytes B, G, R, A.
struct Vertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    uint32_t diffuse = 0;
    uint32_t specular = 0;
    float u0 = 0, v0 = 0;
    float u1 = 0, v1 = 0;
};
static_assert(sizeof(Vertex) == 48);

// A light, 104 bytes. Point and spot lights reach Range units and fall off as
// 1 / (attenuation0 + attenuation1 d + attenuation2 d^2); theta and phi are the spot's
// inner and outer cone angles, falloff its exponent between them.
struct Light {
    uint32_t type = LIGHT_DIRECTIONAL;
    ColorValue diffuse;
    ColorValue specular;
    ColorValue ambient;
    math::Vec3 position;
    math::Vec3 direction;
    float range = 0;
    float falloff = 0;
    float attenuation0 = 0;
    float attenuation1 = 0;
    float attenuation2 = 0;
    float theta = 0;
    float phi = 0;
};
static_assert(sizeof(Light) == 104);

// The material, 68 bytes.
struct Material {
    ColorValue diffuse;
    ColorValue ambient;
    ColorValue specular;
    ColorValue emissive;
    float power = 0;
};
static_assert(sizeof(Material) == 68);

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct LockedRect {
    int32_t pitch = 0;   // bytes from one row (of blocks, for DXT formats) to the next
    void* bits = nullptr;
};

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0;
    Format format = FMT_UNKNOWN;
};

// 256 entries a channel; the high byte of an entry is the output level.
struct GammaRamp {
    uint16_t red[256] = {};
    uint16_t green[256] = {};
    uint16_t blue[256] = {};
};

struct PresentParameters {
    uint32_t backBufferWidth = 0;   // 0 in a window: the window's size
    uint32_t backBufferHeight = 0;
    Format backBufferFormat = FMT_UNKNOWN;  // UNKNOWN in a window: the display's format
    uint32_t backBufferCount = 0;
    uint32_t multiSampleType = MULTISAMPLE_NONE;
    uint32_t multiSampleQuality = 0;
    uint32_t swapEffect = SWAPEFFECT_DISCARD;
    SDL_Window* deviceWindow = nullptr;  // null: the focus window given at creation
    bool windowed = true;
    bool enableAutoDepthStencil = false;
    Format autoDepthStencilFormat = FMT_UNKNOWN;
    uint32_t flags = 0;
    uint32_t fullScreenRefreshRate = 0;
    uint32_t presentationInterval = PRESENT_INTERVAL_DEFAULT;
};

struct VertexBufferDesc {
    uint32_t size = 0, usage = 0, fvf = 0;
    Pool pool = POOL_DEFAULT;
};
struct IndexBufferDesc {
    uint32_t size = 0, usage = 0;
    Format format = FMT_INDEX16;
    Pool pool = POOL_DEFAULT;
};
struct SurfaceDesc {
    uint32_t width = 0, height = 0, usage = 0;
    Format format = FMT_UNKNOWN;
    Pool pool = POOL_DEFAULT;
};

// A font request: height in pixels of the character cell, weight, pitch; the face is
// always the system's monospace face (bold from weight 600).
struct FontDesc {
    int32_t height = 16;
    uint32_t width = 0;
    uint32_t weight = FW_NORMAL;
    uint32_t mipLevels = 1;
    bool italic = false;
    uint32_t charSet = ANSI_CHARSET;
    uint32_t outputPrecision = 0;
    uint32_t quality = 0;
    uint32_t pitchAndFamily = 0;
    std::string faceName;
};

// ---- Objects -----------------------------------------------------------------------

class Device;

class Unknown {
public:
    // Adds a reference; returns the new count.
    virtual uint32_t AddRef() = 0;
    // Drops a reference, freeing the object at 0; returns the new count.
    virtual uint32_t Release() = 0;

protected:
    virtual ~Unknown() = default;
};

class VertexBuffer : public Unknown {
public:
    // Locks size bytes from offset (size 0: to the end) and hands out the CPU copy; the
    // range is uploaded at Unlock. Flags LOCK_DISCARD, LOCK_NOOVERWRITE, LOCK_NOSYSLOCK.
    virtual HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual VertexBufferDesc GetDesc() const = 0;
};

class IndexBuffer : public Unknown {
public:
    // As VertexBuffer::Lock.
    virtual HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual IndexBufferDesc GetDesc() const = 0;
};

class Texture : public Unknown {
public:
    virtual uint32_t GetLevelCount() const = 0;
    virtual HRESULT GetLevelDesc(uint32_t level, SurfaceDesc* desc) const = 0;
    // Locks a rectangle of a level (the whole level when rect is null) for writing,
    // in the texture's own pixel layout; uploaded at UnlockRect.
    virtual HRESULT LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t flags) = 0;
    virtual HRESULT UnlockRect(uint32_t level) = 0;
    // Fills level 0 from decoded pixels (bytes R, G, B, A; pitch in bytes between rows)
    // of exactly the texture's size, converted to its format, and generates the other
    // levels from it. Not for DXT formats, whose levels are written through LockRect.
    virtual HRESULT Fill(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t pitch) = 0;
    // Gives the texture new storage in place: the same object, still bound wherever it
    // was, with a new size and an uncompressed format, its level count held to the new
    // size's chain, every texel zero. Refused (D3DERR_INVALIDCALL, nothing changes) while
    // a level is locked, for a size outside 1..8192 or a format textures cannot have.
    virtual HRESULT ReplaceStorage(uint32_t width, uint32_t height, Format format) = 0;
};

class Font : public Unknown {
public:
    // Draws a text (count bytes of code page 1251, -1: up to the terminating zero) in a
    // rectangle, from its top left, lines split at '\n', clipped to the rectangle unless
    // DT_NOCLIP; colour 0xAARRGGBB. Returns the height drawn, 0 on failure. The
    // device's state is left as it was.
    virtual int DrawText(const char* text, int count, const Rect* rect, uint32_t format, uint32_t color) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

// The device: a Direct3D-style fixed-function state machine.
class Device : public Unknown {
public:
    // Lifecycle.
    // S_OK; D3DERR_DEVICELOST while the device is lost; D3DERR_DEVICENOTRESET when it
    // can be reset.
    virtual HRESULT TestCooperativeLevel() = 0;
    // Rebuilds the frame with new parameters and returns every state to its default.
    // D3DERR_INVALIDCALL while vertex or index buffers or textures of POOL_DEFAULT live.
    virtual HRESULT Reset(PresentParameters* params) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Clears the whole frame (or the given rectangles) to a colour, depth and stencil.
    virtual HRESULT Clear(uint32_t rectCount, const Rect* rects, uint32_t flags, uint32_t color, float z,
                          uint32_t stencil) = 0;
    // Shows the frame in the window through the gamma ramp, scaled to fit (keeping its
    // shape); the rectangles and the other window are not used.
    virtual HRESULT Present(const Rect* sourceRect, const Rect* destRect, SDL_Window* overrideWindow,
                            const void* dirtyRegion) = 0;
    // Bytes of texture memory left (an estimate where the driver does not tell).
    virtual uint32_t GetAvailableTextureMem() = 0;

    // Resources.
    virtual HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool, VertexBuffer** out,
                                       void* shared = nullptr) = 0;
    virtual HRESULT CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool, IndexBuffer** out,
                                      void* shared = nullptr) = 0;
    // levels 0: the whole chain down to 1x1.
    virtual HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                  Pool pool, Texture** out, void* shared = nullptr) = 0;
    // The text font (E_FAIL when the system's face cannot be read).
    virtual HRESULT CreateFont(const FontDesc& desc, Font** out) = 0;

    // Geometry sources and draws.
    virtual HRESULT SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset, uint32_t stride) = 0;
    virtual HRESULT SetIndices(IndexBuffer* buffer) = 0;
    virtual HRESULT SetFVF(uint32_t fvf) = 0;
    virtual HRESULT GetFVF(uint32_t* fvf) = 0;
    // Draws primitiveCount primitives of indices from startIndex; each index is offset by
    // baseVertex. minVertex and vertexCount give the range the indices use. Refused
    // (D3DERR_INVALIDCALL) while a bound buffer is locked, when the indices run past the
    // index buffer or reach a vertex past the stream.
    virtual HRESULT DrawIndexedPrimitive(PrimitiveType type, int32_t baseVertex, uint32_t minVertex,
                                         uint32_t vertexCount, uint32_t startIndex, uint32_t primitiveCount) = 0;
    // Draws from caller memory; stream 0 is unbound afterwards.
    virtual HRESULT DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                    uint32_t stride) = 0;

    // State.
    virtual HRESULT SetRenderState(RenderState state, uint32_t value) = 0;
    virtual HRESULT GetRenderState(RenderState state, uint32_t* value) = 0;
    virtual HRESULT SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) = 0;
    virtual HRESULT GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) = 0;
    virtual HRESULT SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) = 0;
    virtual HRESULT GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) = 0;
    // A stage without a texture reads its texture argument as opaque white.
    virtual HRESULT SetTexture(uint32_t stage, Texture* texture) = 0;
    // The bound texture (no reference is added).
    virtual HRESULT GetTexture(uint32_t stage, Texture** texture) = 0;
    virtual HRESULT SetTransform(TransformState state, const math::Matrix* matrix) = 0;
    virtual HRESULT GetTransform(TransformState state, math::Matrix* matrix) = 0;
    virtual HRESULT SetMaterial(const Material* material) = 0;
    virtual HRESULT GetMaterial(Material* material) = 0;
    virtual HRESULT SetLight(uint32_t index, const Light* light) = 0;
    virtual HRESULT GetLight(uint32_t index, Light* light) = 0;
    // Enabling a light never set gives it the default (white, directional along +z).
    virtual HRESULT LightEnable(uint32_t index, bool enable) = 0;
    virtual HRESULT GetLightEnable(uint32_t index, bool* enable) = 0;

    // Gamma ramp of the presented picture (the swap chain is 0).
    virtual void SetGammaRamp(uint32_t swapChain, uint32_t flags, const GammaRamp* ramp) = 0;
    virtual void GetGammaRamp(uint32_t swapChain, GammaRamp* ramp) = 0;

    // Test hooks.
    // The device becomes lost: TestCooperativeLevel answers D3DERR_DEVICELOST lostCalls
    // times, then D3DERR_DEVICENOTRESET until Reset.
    virtual void SimulateDeviceLoss(int lostCalls = 1) = 0;
    // Reads a rectangle of the frame (top-left origin) as 0xAARRGGBB values, row by row:
    // as drawn, or as Present shows it (through the gamma ramp, at the frame's size).
    // E_NOTIMPL on the recording device.
    virtual HRESULT ReadPixels(int x, int y, int width, int height, uint32_t* out, bool presented = false) = 0;
};

// The graphics object: display formats and modes, and device creation.
class Graphics : public Unknown {
public:
    // S_OK when a device can show backBufferFormat on a display in displayFormat:
    // X8R8G8B8 and R5G6B5 (full screen; A8R8G8B8 back buffers in a window too).
    virtual HRESULT CheckDeviceType(uint32_t adapter, DeviceType type, Format displayFormat, Format backBufferFormat,
                                    bool windowed) = 0;
    virtual uint32_t GetAdapterModeCount(uint32_t adapter, Format format) = 0;
    virtual HRESULT EnumAdapterModes(uint32_t adapter, Format format, uint32_t index, DisplayMode* mode) = 0;
    // Creates the device on a window (for the GL device, an SDL window made with OpenGL).
    virtual HRESULT CreateDevice(uint32_t adapter, DeviceType type, SDL_Window* focusWindow, uint32_t behaviorFlags,
                                 PresentParameters* params, Device** out) = 0;
};

// ---- Creation ----------------------------------------------------------------------

enum class Backend { OpenGL, Recording, None };
// Which graphics object Create makes (OpenGL unless a test chooses; None makes Create fail).
void SelectBackend(Backend backend);
// Creates the graphics object; null when the version is not kSdkVersion or the backend is None.
Graphics* Create(uint32_t sdkVersion);
// The recording graphics object, whatever the backend selection.
Graphics* CreateRecordingGraphics();

// A hidden window able to carry a GL 4.5 core context, for tests and benchmarks (it
// also works under SDL_VIDEODRIVER=offscreen). Starts SDL's video when needed and leaves
// it running.
class HiddenWindow {
public:
    HiddenWindow(int width, int height);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    // Null when no window could be made.
    SDL_Window* Get() const { return window_; }

private:
    SDL_Window* window_ = nullptr;
};

// ---- The recording device's extras -------------------------------------------------

// What the recording device offers beyond Device (tests reach it with AsRecording).
class Recording {
public:
    // One line a call, such as "SetRenderState(22, 3)" or "DrawIndexedPrimitive(4, 0, 0, 3, 0, 1)".
    virtual const std::vector<std::string>& Calls() const = 0;
    virtual void ClearCalls() = 0;
    // The next call of that name fails with the code, without effect.
    virtual void FailNext(const std::string& call, HRESULT result) = 0;

protected:
    virtual ~Recording() = default;
};
// The recording side of a recording device or graphics object; null for others.
Recording* AsRecording(Unknown* object);
// The display modes a recording graphics object reports (default: 640x480, 800x600,
// 1024x768, 1280x960 and 1600x1200 at 60 Hz).
void SetRecordingDisplayModes(Graphics* recordingGraphics, const std::vector<DisplayMode>& modes);

// ---- Helpers -----------------------------------------------------------------------

// Bytes a vertex of the format takes (0 for formats the device does not draw).
uint32_t FvfSize(uint32_t fvf);
// Bits a pixel of the format takes (4 or 8 for DXT blocks), 0 when unknown.
uint32_t FormatBits(Format format);

}  // namespace gfx
