// The OpenGL 4.5 device: the fixed-function state drawn through one GLSL program into an
// off-screen frame, which Present shows through the gamma ramp, scaled to the window.
#include "platform/graphics/GLDevice.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system/System.h"

namespace gfx::detail {

namespace {

void Report(const std::string& text) { sys::DebugOutput(("graphics: " + text + "\n").c_str()); }

void APIENTRY DebugMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar* message,
                           const void*) {
    if (type == GL_DEBUG_TYPE_ERROR || severity == GL_DEBUG_SEVERITY_HIGH) Report(std::string("GL: ") + message);
}

GLenum CompareToGL(uint32_t f) {
    switch (f) {
    case CMP_NEVER: return GL_NEVER;
    case CMP_LESS: return GL_LESS;
    case CMP_EQUAL: return GL_EQUAL;
    case CMP_LESSEQUAL: return GL_LEQUAL;
    case CMP_GREATER: return GL_GREATER;
    case CMP_NOTEQUAL: return GL_NOTEQUAL;
    case CMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendToGL(uint32_t b) {
    switch (b) {
    case BLEND_ZERO: return GL_ZERO;
    case BLEND_SRCCOLOR: return GL_SRC_COLOR;
    case BLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case BLEND_SRCALPHA: return GL_SRC_ALPHA;
    case BLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case BLEND_DESTALPHA: return GL_DST_ALPHA;
    case BLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case BLEND_DESTCOLOR: return GL_DST_COLOR;
    case BLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case BLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendOpToGL(uint32_t op) {
    switch (op) {
    case BLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case BLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case BLENDOP_MIN: return GL_MIN;
    case BLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum PrimitiveToGL(PrimitiveType t) {
    switch (t) {
    case PT_POINTLIST: return GL_POINTS;
    case PT_LINELIST: return GL_LINES;
    case PT_LINESTRIP: return GL_LINE_STRIP;
    case PT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case PT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

GLint AddressToGL(uint32_t a) {
    switch (a) {
    case TADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case TADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case TADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case 5: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLint MinFilterToGL(uint32_t min, uint32_t mip) {
    bool linear = min == TEXF_LINEAR || min == TEXF_ANISOTROPIC;
    if (mip == TEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == TEXF_LINEAR || mip == TEXF_ANISOTROPIC) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

GLenum DepthFormatToGL(Format f) {
    switch (f) {
    case FMT_D16: return GL_DEPTH_COMPONENT16;
    case FMT_D24S8: return GL_DEPTH24_STENCIL8;
    case FMT_D32: return GL_DEPTH_COMPONENT32F;
    default: return GL_DEPTH_COMPONENT24;
    }
}

void CopyColor(const ColorValue& c, float out[4]) {
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

}  // namespace

// ---- Creation -------------------------------------------------------------------------

void KeepGLDriverLoaded() {
    static bool kept = false;
    if (!kept && SDL_WasInit(SDL_INIT_VIDEO)) kept = SDL_GL_LoadLibrary(nullptr) == 0;
}

GLDevice::GLDevice(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}

HRESULT GLDevice::Create(SDL_Window* window, const PresentParameters& params, GLDevice** out) {
    *out = nullptr;
    if (!window || (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) == 0) {
        Report("the window cannot carry an OpenGL context");
        return D3DERR_NOTAVAILABLE;
    }
    KeepGLDriverLoaded();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, std::getenv("KESTRUNE_GL_DEBUG") ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        Report(std::string("no OpenGL 4.5 context: ") + SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    if (epoxy_gl_version() < 45) {
        Report("OpenGL 4.5 is needed");
        SDL_GL_DeleteContext(context);
        return D3DERR_NOTAVAILABLE;
    }
    GLDevice* device = new GLDevice(window, context);
    if (!device->Init(params)) {
        device->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *out = device;
    return S_OK;
}

bool GLDevice::Init(const PresentParameters& params) {
    MakeCurrent();
    if (std::getenv("KESTRUNE_GL_DEBUG")) {
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(DebugMessage, nullptr);
    }
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glFrontFace(GL_CCW);
    // The programs are built at their first draw: the final pass's at the first Present,
    // while the first frame's draws are being drawn.

    glCreateBuffers(1, &ubo_);
    glNamedBufferStorage(ubo_, sizeof(GpuState), nullptr, GL_DYNAMIC_STORAGE_BIT);
    glCreateVertexArrays(1, &vao_);
    for (GLuint a = 0; a < 6; ++a) glVertexArrayAttribBinding(vao_, a, 0);
    // Values of the attributes a vertex format leaves out.
    glVertexAttrib4f(1, 0, 0, 0, 0);
    glVertexAttrib4f(2, 1, 1, 1, 1);
    glVertexAttrib4f(3, 0, 0, 0, 0);
    glVertexAttrib4f(4, 0, 0, 0, 0);
    glVertexAttrib4f(5, 0, 0, 0, 0);
    glCreateSamplers(kDrawnTextureStages, samplers_);
    glCreateVertexArrays(1, &finalVao_);

    glCreateTextures(GL_TEXTURE_2D, 1, &gammaTexture_);
    glTextureStorage2D(gammaTexture_, 1, GL_R8, 256, 3);
    glTextureParameteri(gammaTexture_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTextureParameteri(gammaTexture_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    glCreateVertexArrays(1, &textVao_);
    glCreateBuffers(1, &textVbo_);
    glEnableVertexArrayAttrib(textVao_, 0);
    glEnableVertexArrayAttrib(textVao_, 1);
    glVertexArrayAttribFormat(textVao_, 0, 2, GL_FLOAT, GL_FALSE, 0);
    glVertexArrayAttribFormat(textVao_, 1, 2, GL_FLOAT, GL_FALSE, 8);
    glVertexArrayAttribBinding(textVao_, 0, 0);
    glVertexArrayAttribBinding(textVao_, 1, 0);

    if (!MakeFrame(params)) return false;
    Start(params);
    GammaChanged();
    return true;
}

GLDevice::~GLDevice() {
    MakeCurrent();
    DestroyFrame();
    for (const auto& [key, program] : programs_)
        if (program.name) glDeleteProgram(program.name);
    if (finalProgram_) glDeleteProgram(finalProgram_);
    if (textProgram_) glDeleteProgram(textProgram_);
    glDeleteBuffers(1, &ubo_);
    glDeleteBuffers(1, &userVbo_);
    glDeleteBuffers(1, &textVbo_);
    glDeleteVertexArrays(1, &vao_);
    glDeleteVertexArrays(1, &finalVao_);
    glDeleteVertexArrays(1, &textVao_);
    glDeleteSamplers(kDrawnTextureStages, samplers_);
    glDeleteTextures(1, &gammaTexture_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
}

GLuint GLDevice::FinalProgram() {
    if (!finalProgram_ && !finalProgramFailed_) {
        finalProgram_ = BuildProgram(kFinalVertexShader, kFinalFragmentShader);
        finalProgramFailed_ = finalProgram_ == 0;
        if (finalProgramFailed_) Report("the final pass cannot be built: no frame is shown");
    }
    return finalProgram_;
}

GLuint GLDevice::TextProgram() {
    if (!textProgram_ && !textProgramFailed_) {
        textProgram_ = BuildProgram(kTextVertexShader, kTextFragmentShader);
        textProgramFailed_ = textProgram_ == 0;
    }
    return textProgram_;
}

void GLDevice::MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
}

bool GLDevice::MakeFrame(const PresentParameters& p) {
    GLsizei w = static_cast<GLsizei>(p.backBufferWidth), h = static_cast<GLsizei>(p.backBufferHeight);
    glCreateTextures(GL_TEXTURE_2D, 1, &frameColor_);
    glTextureStorage2D(frameColor_, 1, GL_RGBA8, w, h);
    glTextureParameteri(frameColor_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTextureParameteri(frameColor_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTextureParameteri(frameColor_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(frameColor_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glCreateFramebuffers(1, &frameFbo_);
    glNamedFramebufferTexture(frameFbo_, GL_COLOR_ATTACHMENT0, frameColor_, 0);
    if (p.enableAutoDepthStencil) {
        GLenum format = DepthFormatToGL(p.autoDepthStencilFormat);
        glCreateRenderbuffers(1, &frameDepth_);
        glNamedRenderbufferStorage(frameDepth_, format, w, h);
        glNamedFramebufferRenderbuffer(frameFbo_, format == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                                : GL_DEPTH_ATTACHMENT,
                                       GL_RENDERBUFFER, frameDepth_);
    }
    if (glCheckNamedFramebufferStatus(frameFbo_, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        Report("the off-screen frame cannot be made");
        DestroyFrame();
        return false;
    }
    // A new frame starts black, at the far depth.
    const float black[4] = {0, 0, 0, 1};
    glClearNamedFramebufferfv(frameFbo_, GL_COLOR, 0, black);
    if (frameDepth_) glClearNamedFramebufferfi(frameFbo_, GL_DEPTH_STENCIL, 0, 1.0f, 0);
    // Pixel centres on whole coordinates: the geometry moves half a pixel right and down,
    // less 1/64 pixel so that a centre on an edge is inside for left and top edges and
    // outside for right and bottom ones, whatever the GL rasteriser does with ties.
    const float shift = 1.0f - 2.0f / 64.0f;
    gpu_.pixelOffset[0] = shift / static_cast<float>(w);
    gpu_.pixelOffset[1] = -shift / static_cast<float>(h);
    MarkGpu(gpu_.pixelOffset, 2 * sizeof(float));
    glStateKnown_ = false;

    SDL_GL_SetSwapInterval(p.presentationInterval == PRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    const bool fullScreen = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (fullScreen == p.windowed) sys::SetWindowFullScreen(window_, !p.windowed, w, h);
    return true;
}

void GLDevice::DestroyFrame() {
    if (frameFbo_) glDeleteFramebuffers(1, &frameFbo_);
    if (frameColor_) glDeleteTextures(1, &frameColor_);
    if (frameDepth_) glDeleteRenderbuffers(1, &frameDepth_);
    frameFbo_ = frameColor_ = frameDepth_ = 0;
}

HRESULT GLDevice::ResetFrame(const PresentParameters& params) {
    MakeCurrent();
    PresentParameters old = params_;
    DestroyFrame();
    if (MakeFrame(params)) return S_OK;
    MakeFrame(old);
    return D3DERR_INVALIDCALL;
}

// ---- Resources ------------------------------------------------------------------------

VertexBufferCore* GLDevice::NewVertexBuffer(const VertexBufferDesc& desc) {
    MakeCurrent();
    return new GLVertexBuffer(this, desc);
}

IndexBufferCore* GLDevice::NewIndexBuffer(const IndexBufferDesc& desc) {
    MakeCurrent();
    return new GLIndexBuffer(this, desc);
}

TextureCore* GLDevice::NewTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                  Pool pool) {
    MakeCurrent();
    bool compressed = format == FMT_DXT1 || format == FMT_DXT3 || format == FMT_DXT5;
    if (compressed && !epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc")) return nullptr;
    return new GLTexture(this, width, height, levels, usage, format, pool);
}

uint32_t GLDevice::GetAvailableTextureMem() {
    MakeCurrent();
    int64_t bytes = 0;
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
        GLint kb = 0;
        glGetIntegerv(0x9049, &kb);  // current available video memory, in KB
        bytes = int64_t(kb) * 1024;
    } else if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
        GLint kb[4] = {};
        glGetIntegerv(0x87FC, kb);  // free texture memory, in KB
        bytes = int64_t(kb[0]) * 1024;
    } else {
        // No driver figure: a 512 MB budget less what the textures take.
        bytes = (int64_t(512) << 20) - textureBytes_;
    }
    bytes = std::clamp<int64_t>(bytes, 0, 0xFFF00000);
    return static_cast<uint32_t>(bytes & ~int64_t(0xFFFFF));  // whole megabytes
}

// ---- Drawing --------------------------------------------------------------------------

bool GLDevice::Prepare() {
    MakeCurrent();
    if (!glStateKnown_) {
        glBindFramebuffer(GL_FRAMEBUFFER, frameFbo_);
        glViewport(0, 0, static_cast<GLsizei>(FrameWidth()), static_cast<GLsizei>(FrameHeight()));
        glBindVertexArray(vao_);
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, ubo_);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_DITHER);
        for (GLuint s = 0; s < kDrawnTextureStages; ++s) glBindSampler(s, samplers_[s]);
        dirty_ |= DIRTY_RENDERSTATE | DIRTY_TEXTURES;
        rasterKnown_ = false;
        currentProgram_ = 0;
        glStateKnown_ = true;
    }
    if (uint32_t d = dirty_) {
        dirty_ = 0;
        if (d & DIRTY_RENDERSTATE) {
            ApplyFixedState();
            BuildRenderStates();
        }
        if (d & DIRTY_TRANSFORMS) BuildTransforms();
        if (d & DIRTY_LIGHTS) lightsStale_ = true;
        if (d & DIRTY_MATERIAL) {
            const Material& m = state_.material;
            float color[4];
            CopyColor(m.diffuse, color);
            Put(gpu_.matDiffuse, color, sizeof color);
            CopyColor(m.ambient, color);
            Put(gpu_.matAmbient, color, sizeof color);
            CopyColor(m.specular, color);
            Put(gpu_.matSpecular, color, sizeof color);
            CopyColor(m.emissive, color);
            Put(gpu_.matEmissive, color, sizeof color);
            Put(&gpu_.pixelOffset[2], &m.power, sizeof m.power);
        }
        if (d & (DIRTY_STAGES | DIRTY_TEXTURES)) BuildStages();
        if (d & (DIRTY_RENDERSTATE | DIRTY_STAGES | DIRTY_TEXTURES | DIRTY_LIGHTS | DIRTY_FVF))
            fixed_ = FindFixedProgram(FixedKeyOf(state_));
        if (d & DIRTY_SAMPLERS) ApplySamplers();
        if (d & DIRTY_TEXTURES) BindTextures();
        if (d & DIRTY_FVF) SetVertexFormat(state_.fvf);
        if (d & DIRTY_STREAM) {
            GLuint name = state_.stream ? static_cast<GLVertexBuffer*>(state_.stream)->Name() : 0;
            glVertexArrayVertexBuffer(vao_, 0, name, state_.streamOffset, static_cast<GLsizei>(state_.streamStride));
        }
        if (d & DIRTY_INDICES)
            glVertexArrayElementBuffer(vao_, state_.indices ? static_cast<GLIndexBuffer*>(state_.indices)->Name() : 0);
    }
    if (gpu_.lighting[0]) {
        // Lights live in view space: they change with the lights or the view matrix.
        if (!viewChecked_) {
            if (lightView_ != state_.view) lightsStale_ = true;
            viewChecked_ = true;
        }
        if (lightsStale_) BuildLights();
        if (normalStale_) BuildNormalMatrix();
    }
    if (!fixed_) fixed_ = FindFixedProgram(FixedKeyOf(state_));
    if (!fixed_->name) return false;
    UseFixedProgram(*fixed_);
    UploadGpuState();
    return true;
}

FixedKey FixedKeyOf(const State& state) {
    FixedKey key;
    if (state.rs[RS_LIGHTING]) {
        key.switches |= FIXED_LIGHTING;
        // The program is built for the enabled lights, as BuildLights packs them.
        uint32_t count = 0;
        for (int i = 0; i < kMaxLights; ++i) {
            if (!state.lightEnabled[i]) continue;
            ++count;
            if (state.lights[i].type == LIGHT_SPOT) key.switches |= FIXED_SPOT_LIGHTS;
            if (state.lights[i].type == LIGHT_DIRECTIONAL) key.switches |= FIXED_DIRECTIONAL_LIGHTS;
        }
        key.switches |= count << kFixedLightCountShift;
        // A material colour comes from the vertex only with colour vertex on and the
        // vertex carrying that colour: 1 its diffuse, 2 its specular, 0 the material.
        const RenderState sources[4] = {RS_DIFFUSEMATERIALSOURCE, RS_SPECULARMATERIALSOURCE,
                                        RS_AMBIENTMATERIALSOURCE, RS_EMISSIVEMATERIALSOURCE};
        for (int i = 0; i < 4; ++i) {
            const uint32_t source = state.rs[sources[i]];
            uint32_t from = 0;
            if (state.rs[RS_COLORVERTEX] && source == MCS_COLOR1 && (state.fvf & FVF_DIFFUSE)) from = 1;
            if (state.rs[RS_COLORVERTEX] && source == MCS_COLOR2 && (state.fvf & FVF_SPECULAR)) from = 2;
            key.switches |= from << (kFixedSourceShift + 2 * i);
        }
    }
    if (state.rs[RS_SPECULARENABLE]) key.switches |= FIXED_SPECULAR;
    if (state.rs[RS_ALPHATESTENABLE]) key.switches |= FIXED_ALPHATEST;
    auto stage = [&](int s) {
        const uint32_t* t = state.tss[s];
        const uint32_t parts[6] = {t[TSS_COLOROP], t[TSS_COLORARG1], t[TSS_COLORARG2],
                                   t[TSS_ALPHAOP], t[TSS_ALPHAARG1], t[TSS_ALPHAARG2]};
        for (int i = 0; i < 6; ++i) key.stages[s][i] = static_cast<int32_t>(parts[i]);
    };
    if (state.tss[0][TSS_COLOROP] != TOP_DISABLE) {
        key.switches |= FIXED_STAGE0;
        if (state.textures[0]) key.switches |= FIXED_TEXTURE0;
        stage(0);
        if (state.tss[1][TSS_COLOROP] != TOP_DISABLE) {
            key.switches |= FIXED_STAGE1;
            if (state.textures[1]) key.switches |= FIXED_TEXTURE1;
            stage(1);
        }
    }
    return key;
}

GLDevice::FixedProgram* GLDevice::FindFixedProgram(FixedKey key) {
    auto found = programs_.find(key);
    if (found != programs_.end()) return &found->second;
    if (programs_.size() >= kMaxFixedPrograms) {
        // Past the limit the stage operations and the lights come from the block.
        std::memset(key.stages, 0, sizeof key.stages);
        key.switches &= ~(FIXED_SPOT_LIGHTS | FIXED_DIRECTIONAL_LIGHTS | FIXED_LIGHT_COUNT | FIXED_SOURCES);
        key.switches |= FIXED_GENERIC;
        found = programs_.find(key);
        if (found != programs_.end()) return &found->second;
    }
    FixedProgram& program = programs_[key];
    program.name = BuildFixedProgram(key);
    program.lit = (key.switches & FIXED_LIGHTING) != 0;
    if (!program.name) Report("a fixed-function program cannot be built (switches " + std::to_string(key.switches) + ")");
    return &program;
}

void GLDevice::UseFixedProgram(FixedProgram& program) {
    if (program.name != currentProgram_) {
        glUseProgram(program.name);
        currentProgram_ = program.name;
    }
    if (program.transforms != transformSerial_) {
        glUniformMatrix4fv(kWorldViewProjLocation, 1, GL_FALSE, &worldViewProj_.m[0][0]);
        if (program.lit) {
            glUniformMatrix4fv(kWorldViewLocation, 1, GL_FALSE, &worldView_.m[0][0]);
            glUniformMatrix4fv(kNormalMatrixLocation, 1, GL_FALSE, &normalMatrix_.m[0][0]);
        }
        program.transforms = transformSerial_;
    }
}

void GLDevice::MarkGpu(const void* field, size_t size) {
    size_t at = static_cast<size_t>(static_cast<const char*>(field) - reinterpret_cast<const char*>(&gpu_));
    gpuLow_ = std::min(gpuLow_, at);
    gpuHigh_ = std::max(gpuHigh_, at + size);
}

void GLDevice::Put(void* field, const void* value, size_t size) {
    if (std::memcmp(field, value, size) == 0) return;
    std::memcpy(field, value, size);
    MarkGpu(field, size);
}

void GLDevice::UploadGpuState() {
    if (gpuHigh_ <= gpuLow_) return;
    glNamedBufferSubData(ubo_, static_cast<GLintptr>(gpuLow_), static_cast<GLsizeiptr>(gpuHigh_ - gpuLow_),
                         reinterpret_cast<const char*>(&gpu_) + gpuLow_);
    gpuLow_ = sizeof(GpuState);
    gpuHigh_ = 0;
}

void GLDevice::ApplyFixedState() {
    const uint32_t* rs = state_.rs;
    RasterState want;
    want.depthTest = frameDepth_ && rs[RS_ZENABLE] != 0;
    want.depthWrite = rs[RS_ZWRITEENABLE] != 0;
    want.depthFunc = CompareToGL(rs[RS_ZFUNC]);
    // Counter-clockwise on screen is GL's front face; CULL_CCW culls it.
    want.cullFace = rs[RS_CULLMODE] == CULL_CCW ? GL_FRONT : rs[RS_CULLMODE] == CULL_CW ? GL_BACK : 0;
    want.blend = rs[RS_ALPHABLENDENABLE] != 0;
    if (want.blend) {
        want.blendSrc = BlendToGL(rs[RS_SRCBLEND]);
        want.blendDst = BlendToGL(rs[RS_DESTBLEND]);
        if (rs[RS_SRCBLEND] == 12) {  // both source alpha
            want.blendSrc = GL_SRC_ALPHA;
            want.blendDst = GL_ONE_MINUS_SRC_ALPHA;
        } else if (rs[RS_SRCBLEND] == 13) {  // both inverse source alpha
            want.blendSrc = GL_ONE_MINUS_SRC_ALPHA;
            want.blendDst = GL_SRC_ALPHA;
        }
        want.blendOp = BlendOpToGL(rs[RS_BLENDOP]);
    } else {
        // Blending off leaves the blend function as it was (unknown after a reset).
        constexpr GLenum kUnknown = ~GLenum(0);
        want.blendSrc = rasterKnown_ ? raster_.blendSrc : kUnknown;
        want.blendDst = rasterKnown_ ? raster_.blendDst : kUnknown;
        want.blendOp = rasterKnown_ ? raster_.blendOp : kUnknown;
    }
    // A frame without alpha keeps alpha 1, as a back buffer without an alpha channel reads.
    want.alphaWrite = params_.backBufferFormat == FMT_A8R8G8B8;

    bool all = !rasterKnown_;
    const RasterState& had = raster_;
    if (all || want.depthTest != had.depthTest) (want.depthTest ? glEnable : glDisable)(GL_DEPTH_TEST);
    if (all || want.depthWrite != had.depthWrite) glDepthMask(want.depthWrite ? GL_TRUE : GL_FALSE);
    if (all || want.depthFunc != had.depthFunc) glDepthFunc(want.depthFunc);
    if (all || want.cullFace != had.cullFace) {
        if (want.cullFace) {
            glEnable(GL_CULL_FACE);
            glCullFace(want.cullFace);
        } else {
            glDisable(GL_CULL_FACE);
        }
    }
    if (all || want.blend != had.blend) (want.blend ? glEnable : glDisable)(GL_BLEND);
    if (want.blend) {
        if (all || want.blendSrc != had.blendSrc || want.blendDst != had.blendDst)
            glBlendFunc(want.blendSrc, want.blendDst);
        if (all || want.blendOp != had.blendOp) glBlendEquation(want.blendOp);
    }
    if (all || want.alphaWrite != had.alphaWrite)
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, want.alphaWrite ? GL_TRUE : GL_FALSE);
    raster_ = want;
    rasterKnown_ = true;
}

void GLDevice::ApplySamplers() {
    for (int s = 0; s < kDrawnTextureStages; ++s) {
        const uint32_t* sp = state_.samp[s];
        const uint32_t want[6] = {sp[SAMP_ADDRESSU],  sp[SAMP_ADDRESSV],  sp[SAMP_MAGFILTER],
                                  sp[SAMP_MINFILTER], sp[SAMP_MIPFILTER], sp[SAMP_BORDERCOLOR]};
        if (samplersKnown_ && std::memcmp(want, samplerState_[s], sizeof want) == 0) continue;
        std::memcpy(samplerState_[s], want, sizeof want);
        glSamplerParameteri(samplers_[s], GL_TEXTURE_WRAP_S, AddressToGL(sp[SAMP_ADDRESSU]));
        glSamplerParameteri(samplers_[s], GL_TEXTURE_WRAP_T, AddressToGL(sp[SAMP_ADDRESSV]));
        glSamplerParameteri(samplers_[s], GL_TEXTURE_MAG_FILTER,
                            sp[SAMP_MAGFILTER] == TEXF_LINEAR || sp[SAMP_MAGFILTER] == TEXF_ANISOTROPIC ? GL_LINEAR
                                                                                                        : GL_NEAREST);
        glSamplerParameteri(samplers_[s], GL_TEXTURE_MIN_FILTER, MinFilterToGL(sp[SAMP_MINFILTER], sp[SAMP_MIPFILTER]));
        float border[4];
        ColorToFloats(sp[SAMP_BORDERCOLOR], border);
        glSamplerParameterfv(samplers_[s], GL_TEXTURE_BORDER_COLOR, border);
    }
    samplersKnown_ = true;
}

void GLDevice::BuildRenderStates() {
    const uint32_t* rs = state_.rs;
    const int32_t flags[12] = {
        rs[RS_LIGHTING] != 0,
        rs[RS_SPECULARENABLE] != 0,
        rs[RS_COLORVERTEX] != 0,
        rs[RS_LOCALVIEWER] != 0,
        static_cast<int32_t>(rs[RS_DIFFUSEMATERIALSOURCE]),
        static_cast<int32_t>(rs[RS_SPECULARMATERIALSOURCE]),
        static_cast<int32_t>(rs[RS_AMBIENTMATERIALSOURCE]),
        static_cast<int32_t>(rs[RS_EMISSIVEMATERIALSOURCE]),
        rs[RS_ALPHATESTENABLE] != 0,
        static_cast<int32_t>(rs[RS_ALPHAFUNC]),
        static_cast<int32_t>(rs[RS_ALPHAREF] & 0xFF),
        rs[RS_NORMALIZENORMALS] != 0,
    };
    Put(gpu_.lighting, flags, sizeof gpu_.lighting);
    Put(gpu_.sources, flags + 4, sizeof gpu_.sources);
    Put(gpu_.alphaTest, flags + 8, sizeof gpu_.alphaTest);
    float color[4];
    ColorToFloats(rs[RS_AMBIENT], color);
    Put(gpu_.globalAmbient, color, sizeof color);
    ColorToFloats(rs[RS_TEXTUREFACTOR], color);
    Put(gpu_.textureFactor, color, sizeof color);
}

void GLDevice::BuildTransforms() {
    worldView_ = state_.world * state_.view;
    worldViewProj_ = worldView_ * state_.projection;
    ++transformSerial_;
    normalStale_ = true;
    viewChecked_ = false;
}

void GLDevice::BuildNormalMatrix() {
    // Normals go through the inverse transpose (the matrix itself when it has no inverse).
    math::Matrix inverse;
    normalMatrix_ = worldView_;
    if (math::MatrixInverse(worldView_, &inverse)) normalMatrix_ = math::MatrixTranspose(inverse);
    ++transformSerial_;
    normalStale_ = false;
}

void GLDevice::BuildLights() {
    lightView_ = state_.view;
    lightsStale_ = false;
    int count = 0;
    for (int i = 0; i < kMaxLights; ++i) {
        if (!state_.lightEnabled[i]) continue;
        const Light& l = state_.lights[i];
        GpuLight& g = gpu_.lights[count++];
        CopyColor(l.diffuse, g.diffuse);
        CopyColor(l.specular, g.specular);
        CopyColor(l.ambient, g.ambient);
        math::Vec3 p = math::Vec3TransformCoord(l.position, state_.view);
        math::Vec3 d = math::Vec3Normalize(math::Vec3TransformNormal(l.direction, state_.view));
        if (l.type == LIGHT_DIRECTIONAL) d = -d;
        g.position[0] = p.x;
        g.position[1] = p.y;
        g.position[2] = p.z;
        g.position[3] = 1;
        g.direction[0] = d.x;
        g.direction[1] = d.y;
        g.direction[2] = d.z;
        g.direction[3] = 0;
        float phi = std::max(l.phi, 0.0f), theta = std::clamp(l.theta, 0.0f, phi);
        g.params[0] = l.type == LIGHT_DIRECTIONAL ? 3.0e38f : l.range;
        g.params[1] = l.falloff;
        g.params[2] = std::cos(theta * 0.5f);
        g.params[3] = std::cos(phi * 0.5f);
        g.atten[0] = l.attenuation0;
        g.atten[1] = l.attenuation1;
        g.atten[2] = l.attenuation2;
        g.atten[3] = static_cast<float>(l.type);
    }
    // Only the enabled lights are read.
    if (count > 0) MarkGpu(gpu_.lights, sizeof(GpuLight) * static_cast<size_t>(count));
    Put(&gpu_.vertexFormat[3], &count, sizeof count);
}

void GLDevice::BuildStages() {
    int32_t stages[2][2][4];  // colour, alpha
    for (int s = 0; s < kDrawnTextureStages; ++s) {
        const uint32_t* t = state_.tss[s];
        stages[0][s][0] = static_cast<int32_t>(t[TSS_COLOROP]);
        stages[0][s][1] = static_cast<int32_t>(t[TSS_COLORARG1]);
        stages[0][s][2] = static_cast<int32_t>(t[TSS_COLORARG2]);
        stages[0][s][3] = static_cast<int32_t>(t[TSS_TEXCOORDINDEX] & 0xFFFF);
        stages[1][s][0] = static_cast<int32_t>(t[TSS_ALPHAOP]);
        stages[1][s][1] = static_cast<int32_t>(t[TSS_ALPHAARG1]);
        stages[1][s][2] = static_cast<int32_t>(t[TSS_ALPHAARG2]);
        stages[1][s][3] = state_.textures[s] != nullptr;
    }
    Put(gpu_.colorStage, stages[0], sizeof gpu_.colorStage);
    Put(gpu_.alphaStage, stages[1], sizeof gpu_.alphaStage);
}

void GLDevice::BindTextures() {
    for (int s = 0; s < kDrawnTextureStages; ++s) {
        TextureCore* t = state_.textures[s];
        glBindTextureUnit(s, t ? static_cast<GLTexture*>(t)->Name() : 0);
    }
}

void GLDevice::SetVertexFormat(uint32_t fvf) {
    if (fvf == vertexFormat_) return;
    vertexFormat_ = fvf;
    GLuint offset = 12;
    glEnableVertexArrayAttrib(vao_, 0);
    glVertexArrayAttribFormat(vao_, 0, 3, GL_FLOAT, GL_FALSE, 0);
    auto attrib = [&](GLuint index, bool present, GLint size, GLenum type, GLboolean normalized, GLuint bytes) {
        if (!present) {
            glDisableVertexArrayAttrib(vao_, index);
            return;
        }
        glEnableVertexArrayAttrib(vao_, index);
        glVertexArrayAttribFormat(vao_, index, size, type, normalized, offset);
        offset += bytes;
    };
    uint32_t texCount = (fvf & FVF_TEXCOUNT_MASK) >> FVF_TEXCOUNT_SHIFT;
    attrib(1, fvf & FVF_NORMAL, 3, GL_FLOAT, GL_FALSE, 12);
    attrib(2, fvf & FVF_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    attrib(3, fvf & FVF_SPECULAR, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    attrib(4, texCount >= 1, 2, GL_FLOAT, GL_FALSE, 8);
    attrib(5, texCount >= 2, 2, GL_FLOAT, GL_FALSE, 8);
    const int32_t present[3] = {(fvf & FVF_NORMAL) != 0, (fvf & FVF_DIFFUSE) != 0, (fvf & FVF_SPECULAR) != 0};
    Put(gpu_.vertexFormat, present, sizeof present);
}

void GLDevice::DrawIndexed(PrimitiveType type, int32_t baseVertex, uint32_t, uint32_t, uint32_t startIndex,
                           uint32_t indexCount) {
    if (!Prepare()) return;
    uint32_t size = state_.indices->IndexSize();
    glDrawElementsBaseVertex(PrimitiveToGL(type), static_cast<GLsizei>(indexCount),
                             size == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(uintptr_t(startIndex) * size), baseVertex);
}

void GLDevice::DrawUser(PrimitiveType type, uint32_t, uint32_t vertexCount, const void* vertices, uint32_t stride) {
    if (!Prepare()) return;
    uint32_t bytes = vertexCount * stride;
    if (!userVbo_ || bytes > userVboSize_) {
        if (userVbo_) glDeleteBuffers(1, &userVbo_);
        userVboSize_ = std::max<uint32_t>(bytes, 64 * 1024);
        glCreateBuffers(1, &userVbo_);
        glNamedBufferData(userVbo_, userVboSize_, nullptr, GL_STREAM_DRAW);
    } else {
        glInvalidateBufferData(userVbo_);
    }
    glNamedBufferSubData(userVbo_, 0, bytes, vertices);
    glVertexArrayVertexBuffer(vao_, 0, userVbo_, 0, static_cast<GLsizei>(stride));
    glDrawArrays(PrimitiveToGL(type), 0, static_cast<GLsizei>(vertexCount));
}

HRESULT GLDevice::Clear(uint32_t rectCount, const Rect* rects, uint32_t flags, uint32_t color, float z,
                        uint32_t stencil) {
    if (flags == 0 || (flags & ~(CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL))) return D3DERR_INVALIDCALL;
    if ((flags & (CLEAR_ZBUFFER | CLEAR_STENCIL)) && !frameDepth_) return D3DERR_INVALIDCALL;
    if (Lost()) return S_OK;
    MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, frameFbo_);
    GLbitfield mask = 0;
    if (flags & CLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & CLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & CLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    float c[4];
    ColorToFloats(color, c);
    if (params_.backBufferFormat != FMT_A8R8G8B8) c[3] = 1.0f;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepthf(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    int fw = static_cast<int>(FrameWidth()), fh = static_cast<int>(FrameHeight());
    if (rectCount > 0 && rects) {
        glEnable(GL_SCISSOR_TEST);
        for (uint32_t i = 0; i < rectCount; ++i) {
            int l = std::clamp(rects[i].left, 0, fw), r = std::clamp(rects[i].right, 0, fw);
            int t = std::clamp(rects[i].top, 0, fh), b = std::clamp(rects[i].bottom, 0, fh);
            if (r <= l || b <= t) continue;
            glScissor(l, fh - b, r - l, b - t);
            glClear(mask);
        }
    } else {
        glDisable(GL_SCISSOR_TEST);
        glClear(mask);
    }
    ForgetGLState();
    return S_OK;
}

void GLDevice::DrawFinalTriangle(GLuint frame) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (GLuint program = FinalProgram()) {
        glUseProgram(program);
        glBindVertexArray(finalVao_);
        glBindTextureUnit(0, frame);
        glBindSampler(0, 0);
        glBindTextureUnit(1, gammaTexture_);
        glBindSampler(1, 0);
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }
    ForgetGLState();
}

void GLDevice::DrawFinal(GLuint targetFbo, int x, int y, int width, int height) {
    // What was drawn into the frame must be visible to the sampling below; without the
    // barrier Mesa's llvmpipe can lose the frame's later clears and draws after a Present.
    glTextureBarrier();
    glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
    glViewport(x, y, width, height);
    DrawFinalTriangle(frameColor_);
}

// The final pass's program is built, and the driver makes its machine code for its state
// at its first draw; done after the frame is drawn, both would wait while nothing else runs.
// At the first Present a clear of the window first sends the frame's draws on their way,
// then the pass is drawn into one pixel from a stand-in with the frame's format and filters,
// while the frame is still being drawn. The window is cleared again before the real pass.
void GLDevice::WarmFinalPass() {
    finalWarmed_ = true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    GLuint standIn = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &standIn);
    glTextureStorage2D(standIn, 1, GL_RGBA8, 1, 1);
    glTextureParameteri(standIn, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTextureParameteri(standIn, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTextureParameteri(standIn, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(standIn, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glViewport(0, 0, 1, 1);
    DrawFinalTriangle(standIn);
    glBindTextureUnit(0, 0);
    glDeleteTextures(1, &standIn);
}

HRESULT GLDevice::Present(const Rect*, const Rect*, SDL_Window*, const void*) {
    if (Lost()) return D3DERR_DEVICELOST;
    MakeCurrent();
    if (!finalWarmed_) WarmFinalPass();
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(window_, &ww, &wh);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (ww > 0 && wh > 0) {
        // Scale to fit, keeping the frame's shape, where the pointer's places are read from; the
        // rest of the window stays black. GL counts rows from the bottom.
        const sys::FrameRect r = sys::FitFrame(ww, wh, FrameWidth(), FrameHeight());
        DrawFinal(0, r.x, wh - r.y - r.height, r.width, r.height);
    }
    SDL_GL_SwapWindow(window_);
    ForgetGLState();
    return S_OK;
}

void GLDevice::GammaChanged() {
    MakeCurrent();
    uint8_t table[3 * 256];
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<uint8_t>(gamma_.red[i] >> 8);
        table[256 + i] = static_cast<uint8_t>(gamma_.green[i] >> 8);
        table[512 + i] = static_cast<uint8_t>(gamma_.blue[i] >> 8);
    }
    glTextureSubImage2D(gammaTexture_, 0, 0, 0, 256, 3, GL_RED, GL_UNSIGNED_BYTE, table);
}

HRESULT GLDevice::ReadPixels(int x, int y, int width, int height, uint32_t* out, bool presented) {
    int fw = static_cast<int>(FrameWidth()), fh = static_cast<int>(FrameHeight());
    if (!out || x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > fw || y + height > fh)
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    GLuint source = frameFbo_, tempFbo = 0, tempColor = 0;
    if (presented) {
        glCreateTextures(GL_TEXTURE_2D, 1, &tempColor);
        glTextureStorage2D(tempColor, 1, GL_RGBA8, fw, fh);
        glCreateFramebuffers(1, &tempFbo);
        glNamedFramebufferTexture(tempFbo, GL_COLOR_ATTACHMENT0, tempColor, 0);
        DrawFinal(tempFbo, 0, 0, fw, fh);
        source = tempFbo;
    }
    std::vector<uint32_t> rows(size_t(width) * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glReadPixels(x, fh - y - height, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    // GL rows run bottom up.
    for (int r = 0; r < height; ++r)
        std::memcpy(out + size_t(r) * width, rows.data() + size_t(height - 1 - r) * width, size_t(width) * 4);
    if (tempFbo) glDeleteFramebuffers(1, &tempFbo);
    if (tempColor) glDeleteTextures(1, &tempColor);
    ForgetGLState();
    return S_OK;
}

// ---- Graphics object ------------------------------------------------------------------

HRESULT GLGraphics::CreateDevice(uint32_t adapter, DeviceType type, SDL_Window* focusWindow, uint32_t,
                                 PresentParameters* params, Device** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!params || adapter != kDefaultAdapter || (type != DEVTYPE_HAL && type != DEVTYPE_REF))
        return D3DERR_INVALIDCALL;
    SDL_Window* window = params->deviceWindow ? params->deviceWindow : focusWindow;
    if (!window) return D3DERR_INVALIDCALL;
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window, &ww, &wh);
    PresentParameters p = *params;
    HRESULT hr = CompleteParameters(&p, ww, wh);
    if (FAILED(hr)) return hr;
    GLDevice* device = nullptr;
    hr = GLDevice::Create(window, p, &device);
    if (FAILED(hr)) return hr;
    *params = p;
    *out = device;
    return S_OK;
}

const std::vector<DisplayMode>& GLGraphics::Modes() {
    if (!modesRead_) {
        modesRead_ = true;
        std::vector<DisplayMode> reported;
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            int n = SDL_GetNumDisplayModes(0);
            for (int i = 0; i < n; ++i) {
                SDL_DisplayMode m;
                if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w > 0 && m.h > 0)
                    reported.push_back({uint32_t(m.w), uint32_t(m.h), uint32_t(std::max(m.refresh_rate, 0)),
                                        FMT_UNKNOWN});
            }
        }
        modes_ = BuildModeList(reported);
    }
    return modes_;
}

}  // namespace gfx::detail
