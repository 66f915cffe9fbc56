// Inside the graphics layer: the OpenGL 4.5 device and its resources.
#pragma once
#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/graphics/DeviceCore.h"

namespace gfx::detail {

class GLDevice;
struct FontAtlas;

// The pipeline's uniform block (std140), built from the fixed-function state.
struct GpuLight {
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[4];   // view space
    float direction[4];  // view space: towards the light (directional) or the spot's axis
    float params[4];     // range, falloff, cos(theta / 2), cos(phi / 2)
    float atten[4];      // attenuation 0, 1, 2 and the light type
};
// The transforms are uniforms of their own (locations below), set per program.
constexpr GLint kWorldViewProjLocation = 0, kWorldViewLocation = 4, kNormalMatrixLocation = 8;
struct GpuState {
    float matDiffuse[4], matAmbient[4], matSpecular[4], matEmissive[4];
    float globalAmbient[4];
    float textureFactor[4];
    float pixelOffset[4];     // x, y: half-pixel shift in clip units; z: material power
    int32_t colorStage[2][4]; // operation, argument 1, argument 2, texture coordinate set
    int32_t alphaStage[2][4]; // operation, argument 1, argument 2, texture bound
    int32_t lighting[4];      // lighting, specular, colour vertex, local viewer
    int32_t sources[4];       // diffuse, specular, ambient, emissive material sources
    int32_t alphaTest[4];     // enabled, function, reference, normalise normals
    int32_t vertexFormat[4];  // has normal, has diffuse, has specular, light count
    GpuLight lights[kMaxLights];
};

// Switches the fixed-function program is built for: the code a switch guards is left out
// of the program when the state turns it off, so a draw runs only what its state uses.
enum : uint32_t {
    FIXED_LIGHTING = 1u << 0,
    FIXED_SPECULAR = 1u << 1,
    FIXED_STAGE0 = 1u << 2,    // first texture stage on
    FIXED_TEXTURE0 = 1u << 3,  // ... with a texture
    FIXED_STAGE1 = 1u << 4,    // second stage on (only with the first)
    FIXED_TEXTURE1 = 1u << 5,
    FIXED_ALPHATEST = 1u << 6,
    FIXED_GENERIC = 1u << 7,  // stage operations (and the lights) read from the block rather than built in
    FIXED_SPOT_LIGHTS = 1u << 8,         // with lighting: a spot light among the enabled ones
    FIXED_DIRECTIONAL_LIGHTS = 1u << 9,  // ... a directional light
    FIXED_LIGHT_COUNT = 15u << 10,       // ... how many lights are enabled
    FIXED_SOURCES = 0xFFu << 14,         // ... where the diffuse, specular, ambient and emissive
                                         // colours come from, two bits each (see FixedKeyOf)
};
constexpr int kFixedLightCountShift = 10;
constexpr int kFixedSourceShift = 14;
// What a fixed-function program is built for: the switches and the operations and
// arguments of the stages in use, built into the program as constants.
struct FixedKey {
    uint32_t switches = 0;
    int32_t stages[2][6] = {};  // colour operation, arguments 1 and 2; alpha operation, arguments 1 and 2
    bool operator<(const FixedKey& other) const { return std::memcmp(this, &other, sizeof other) < 0; }
};
static_assert(sizeof(FixedKey) == 13 * sizeof(int32_t), "keys compare as bytes: no padding");
// The program a state draws with.
FixedKey FixedKeyOf(const State& state);

// GLSL of the fixed-function program (after a key's #defines) and of the final pass.
extern const char* const kFixedVertexShader;
extern const char* const kFixedFragmentShader;
extern const char* const kFinalVertexShader;
extern const char* const kFinalFragmentShader;
extern const char* const kTextVertexShader;
extern const char* const kTextFragmentShader;

// SDL unloads the GL driver with the last GL window, and a driver unloaded before the
// process ends leaves its allocations unattributable (tests make windows one after
// another); the first call keeps the driver loaded for the life of the process.
void KeepGLDriverLoaded();
// Compiles and links a program; 0 (with the log on the debug output) on failure.
GLuint BuildProgram(const char* vertexSource, const char* fragmentSource);
// The fixed-function program for one key; 0 on failure.
GLuint BuildFixedProgram(const FixedKey& key);
// 0xAARRGGBB as four floats (r, g, b, a).
void ColorToFloats(uint32_t argb, float out[4]);

class GLVertexBuffer : public VertexBufferCore {
public:
    GLVertexBuffer(GLDevice* device, const VertexBufferDesc& desc);
    ~GLVertexBuffer() override;
    // The GL buffer, its storage made at the first call.
    GLuint Name();

protected:
    void Upload(uint32_t offset, uint32_t size, uint32_t flags) override;

private:
    GLuint name_ = 0;
    bool storage_ = false;
};

class GLIndexBuffer : public IndexBufferCore {
public:
    GLIndexBuffer(GLDevice* device, const IndexBufferDesc& desc);
    ~GLIndexBuffer() override;
    // The GL buffer, its storage made at the first call.
    GLuint Name();

protected:
    void Upload(uint32_t offset, uint32_t size, uint32_t flags) override;

private:
    GLuint name_ = 0;
    bool storage_ = false;
};

class GLTexture : public TextureCore {
public:
    GLTexture(GLDevice* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
              Pool pool);
    ~GLTexture() override;
    GLuint Name() const { return name_; }

protected:
    void ReadLevel(uint32_t level, uint8_t* dst) override;
    void UploadLevel(uint32_t level, const uint8_t* copy, uint32_t top, uint32_t bottom) override;
    void FillLevels(const uint8_t* rgba, uint32_t pitch) override;
    void StorageReplaced(uint64_t oldBytes) override;

private:
    // A GL texture of the current size, format and levels.
    void MakeStorage();

    GLDevice* gl_;
    GLuint name_ = 0;
    GLenum internal_ = 0, format_ = 0, type_ = 0;
    bool written_ = false;
};

class GLFont : public Counted<Font> {
public:
    GLFont(GLDevice* device, std::unique_ptr<FontAtlas> atlas);
    ~GLFont() override;
    int DrawText(const char* text, int count, const Rect* rect, uint32_t format, uint32_t color) override;
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    GLDevice* device_;
    std::unique_ptr<FontAtlas> atlas_;
    GLuint texture_ = 0;
};

class GLDevice : public DeviceCore {
public:
    // Creates the context on the window and the frame; null with the reason on the
    // debug output when GL 4.5 is not available.
    static HRESULT Create(SDL_Window* window, const PresentParameters& params, GLDevice** out);

    HRESULT Clear(uint32_t rectCount, const Rect* rects, uint32_t flags, uint32_t color, float z,
                  uint32_t stencil) override;
    HRESULT Present(const Rect* sourceRect, const Rect* destRect, SDL_Window* overrideWindow,
                    const void* dirtyRegion) override;
    uint32_t GetAvailableTextureMem() override;
    HRESULT CreateFont(const FontDesc& desc, Font** out) override;
    HRESULT ReadPixels(int x, int y, int width, int height, uint32_t* out, bool presented) override;

    // Makes the device's context current (resources call it before GL work).
    void MakeCurrent();
    // GL state was changed behind the pipeline's back (font, present, clear).
    void ForgetGLState() { glStateKnown_ = false; }
    GLuint FrameBuffer() const { return frameFbo_; }
    uint32_t FrameWidth() const { return params_.backBufferWidth; }
    uint32_t FrameHeight() const { return params_.backBufferHeight; }
    // The text program, built at its first use; 0 when it cannot be built.
    GLuint TextProgram();
    GLuint TextVertexArray() const { return textVao_; }
    GLuint TextBuffer() const { return textVbo_; }
    void CountTextureBytes(int64_t delta) { textureBytes_ += delta; }

protected:
    ~GLDevice() override;
    HRESULT ResetFrame(const PresentParameters& params) override;
    void WindowSize(int* width, int* height) override { SDL_GetWindowSize(window_, width, height); }
    VertexBufferCore* NewVertexBuffer(const VertexBufferDesc& desc) override;
    IndexBufferCore* NewIndexBuffer(const IndexBufferDesc& desc) override;
    TextureCore* NewTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                            Pool pool) override;
    void DrawIndexed(PrimitiveType type, int32_t baseVertex, uint32_t minVertex, uint32_t vertexCount,
                     uint32_t startIndex, uint32_t indexCount) override;
    void DrawUser(PrimitiveType type, uint32_t primitiveCount, uint32_t vertexCount, const void* vertices,
                  uint32_t stride) override;
    void GammaChanged() override;

private:
    GLDevice(SDL_Window* window, SDL_GLContext context);
    bool Init(const PresentParameters& params);
    bool MakeFrame(const PresentParameters& params);
    void DestroyFrame();
    // Brings GL in line with the state before a draw; false when the draw cannot be made.
    bool Prepare();
    void ApplyFixedState();
    void ApplySamplers();
    void BuildTransforms();
    void BuildNormalMatrix();
    void BuildLights();
    void BuildStages();
    void BuildRenderStates();
    void BindTextures();
    void SetVertexFormat(uint32_t fvf);
    struct FixedProgram {
        GLuint name = 0;  // 0: it could not be built
        bool lit = false;
        uint64_t transforms = 0;  // the transforms' serial it was given
    };
    // The program for a key, built at its first use.
    FixedProgram* FindFixedProgram(FixedKey key);
    // Binds the program and gives it the current transforms.
    void UseFixedProgram(FixedProgram& program);
    // Copies a value into the uniform block, marking its bytes for upload when they change.
    void Put(void* field, const void* value, size_t size);
    void MarkGpu(const void* field, size_t size);
    void UploadGpuState();
    // The final pass: the frame through the gamma ramp into the target's viewport.
    void DrawFinal(GLuint targetFbo, int x, int y, int width, int height);
    // Its states and its one triangle, the frame read from the texture frame.
    void DrawFinalTriangle(GLuint frame);
    // At the first Present: builds the final pass while the frame's draws are drawn.
    void WarmFinalPass();
    // The final pass's program, built at the first call; 0 when it cannot be built.
    GLuint FinalProgram();

    // The GL fixed state last set, so that a change of one render state sets only what
    // it changes.
    struct RasterState {
        bool depthTest = false, depthWrite = false, blend = false, alphaWrite = false;
        GLenum depthFunc = 0, cullFace = 0;  // cullFace 0: no culling
        GLenum blendSrc = 0, blendDst = 0, blendOp = 0;
    };

    SDL_Window* window_;
    SDL_GLContext context_;
    GLuint frameFbo_ = 0, frameColor_ = 0, frameDepth_ = 0;
    // Programs built so far; past kMaxFixedPrograms new keys share the generic program.
    static constexpr size_t kMaxFixedPrograms = 64;
    std::map<FixedKey, FixedProgram> programs_;
    FixedProgram* fixed_ = nullptr;  // the program of the state as last prepared
    GLuint currentProgram_ = 0;
    GLuint ubo_ = 0, vao_ = 0, samplers_[kDrawnTextureStages] = {};
    GLuint userVbo_ = 0;
    uint32_t userVboSize_ = 0;
    GLuint finalProgram_ = 0, finalVao_ = 0, gammaTexture_ = 0;
    bool finalWarmed_ = false, finalProgramFailed_ = false;
    GLuint textProgram_ = 0, textVao_ = 0, textVbo_ = 0;
    bool textProgramFailed_ = false;
    GpuState gpu_{};
    math::Matrix worldViewProj_, worldView_, normalMatrix_;
    uint64_t transformSerial_ = 1;
    size_t gpuLow_ = 0, gpuHigh_ = sizeof(GpuState);  // bytes of gpu_ to upload
    // Parts of gpu_ only lit draws read, brought up to date when lighting is on.
    bool normalStale_ = true, lightsStale_ = true, viewChecked_ = false;
    math::Matrix lightView_;  // the view the lights were placed with
    bool glStateKnown_ = false;
    RasterState raster_;
    bool rasterKnown_ = false;
    uint32_t samplerState_[kDrawnTextureStages][6] = {};
    bool samplersKnown_ = false;
    uint32_t vertexFormat_ = 0xFFFFFFFFu;
    int64_t textureBytes_ = 0;
};

// Graphics object of the GL device.
class GLGraphics : public GraphicsCore {
public:
    HRESULT CreateDevice(uint32_t adapter, DeviceType type, SDL_Window* focusWindow, uint32_t behaviorFlags,
                         PresentParameters* params, Device** out) override;

protected:
    const std::vector<DisplayMode>& Modes() override;

private:
    std::vector<DisplayMode> modes_;
    bool modesRead_ = false;
};

}  // namespace gfx::detail
