// A frame of the sample mission: the sample game's data copied to a scratch folder, the
// mission "mission1.txt" loaded into a game world by a main script, the player's droid
// driving in circles, and each frame run as the program's main loop runs it (events,
// sound, the main script with the world, the interface, the renderer's passes).
//
// 1. The engine's CPU time per frame on the recording device, where no driver works.
// 2. The same frame on the GL device against its draws issued straight to GL: one frame's
//    draws, states, textures and buffer uploads are taken from the recording device's log
//    and replayed with plain GL calls into an off-screen target like the device's frame;
//    frames of the three kinds run in turn (the engine's; the replay copied to the window;
//    the replay shown through the device's own final-pass program, a lookup in a 256 x 3 table
//    scaled to fit the window), and the medians of their times and the ratios are printed.
// Runs headless with SDL_VIDEODRIVER=offscreen (chosen when no display is set).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/YAudioSystem.h"
#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YScript.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "core/YTriggerRegistry.h"
#include "interface/YInterfaceManager.h"
#include "platform/graphics/DeviceCore.h"
#include "platform/graphics/GLDevice.h"
#include "platform/system/System.h"
#include "render/YNode.h"
#include "render/YRenderer.h"
#include "script/YScriptApi.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800, kHeight = 600;
constexpr float kFrameTime = 1.0f / 60.0f;
constexpr int kWarmUpFrames = 120;  // the mission loads in the first; the droid then drives

// Both engines play the same game: the scripts' random numbers come from the C library's
// generator, which the first engine would otherwise leave part-way through its sequence,
// and the enemies would then act otherwise and the GL device draw another scene.
void StartGame() { std::srand(1); }

// The main script: the world with the mission, the droid told to drive and turn, and the
// world updated once a frame until "GameOver" deletes it.
const char* const kMainScript = R"(local world = CreateGameWorld()
InitGameWorld(world)
SetInterfaceMode(0)
LoadMission("data\\missions\\mission1.txt", 1)
local found, droid = GetCurrentDroid()
SetObjectTrigger(droid, "MoveForward", true)
SetObjectTrigger(droid, "RotateLeft", true)
while true do
  if world then UpdateGameWorld(world, GetDeltaTime(globalObject)) end
  while SetNextCommand(globalObject) do
    if GetCurrentCommand(globalObject) == "GameOver" and world then
      DeleteGameWorld(world)
      world = nil
    end
  end
  Update()
end
)";

// ---- The engine on the sample game -----------------------------------------------------------

// The sample game's data in a scratch folder, the working directory while it lives.
class ScratchGame {
public:
    ScratchGame() {
        char pattern[] = "/tmp/kestrune-mission-XXXXXX";
        if (!mkdtemp(pattern)) return;
        dir_ = pattern;
        std::error_code error;
        fs::copy(fs::path(GAME_DIR) / "data", dir_ / "data", fs::copy_options::recursive, error);
        if (error || chdir(dir_.c_str()) != 0) return;
        std::ofstream(dir_ / "data" / "scripts" / "bench_main.lua") << kMainScript;
        ok_ = true;
    }
    ~ScratchGame() {
        std::error_code ignored;
        if (!dir_.empty() && chdir("/tmp") == 0) fs::remove_all(dir_, ignored);
    }
    bool Ok() const { return ok_; }

private:
    fs::path dir_;
    bool ok_ = false;
};

// The engine as the program starts it, on the selected graphics backend and the window.
class MissionEngine {
public:
    explicit MissionEngine(sys::Window* window) {
        g_settings.fullScreen = 0;
        g_settings.screenWidth = kWidth;
        g_settings.screenHeight = kHeight;
        g_settings.statistics = 0;
        g_settings.logLevel = -100;
        g_settings.mainWindow = window;
        renderer_ = std::make_unique<CYRenderer>();
        LoadCommands();
        triggers_.Init();
        g_registerScriptFunctions = RegisterScriptFunctions;
        if (FAILED(renderer_->Init())) return;
        interface_ = std::make_unique<CYInterfaceManager>(renderer_.get());
        interface_->Init();
        main_ = std::make_unique<CYScriptHandler>(nullptr);
        main_->SetName("MAIN");
        g_commandManager->Register(main_.get());
        g_audioSystem = new CYAudioSystem();
        if (main_->AddState("idle", "bench_main.lua") < 0) return;
        g_audioSystem->Init(window);
        main_->SwitchToIdle();
        ready_ = true;
    }
    ~MissionEngine() {
        // The main script deletes the world when the game is over, as the program's does.
        if (ready_) {
            g_commandManager->SendCommandByName("MAIN", "GameOver", "1");
            Frame();
        }
        interface_.reset();
        if (renderer_) renderer_->Shutdown();
        renderer_.reset();
        main_.reset();
        delete g_audioSystem;
        g_audioSystem = nullptr;
        DestroyCommands();
        PurgeUnsubscribedEvents();
        g_settings.mainWindow = nullptr;
    }
    MissionEngine(const MissionEngine&) = delete;
    MissionEngine& operator=(const MissionEngine&) = delete;
    bool Ready() const { return ready_; }
    CYRenderer& Renderer() { return *renderer_; }

    // One pass of the main loop, without the message pump and the input devices.
    void Frame() {
        ++g_timer.frameCounter;
        g_timer.frameTime = kFrameTime;
        SendEvent(YEVENT_FRAME, 0, 0);
        PurgeUnsubscribedEvents();
        g_audioSystem->Update();
        main_->Step(kFrameTime);
        interface_->Update();
        interface_->Render();
        renderer_->PrepareFrame();
        renderer_->RenderFrame();
    }

private:
    CYTriggerRegistry triggers_;
    std::unique_ptr<CYRenderer> renderer_;
    std::unique_ptr<CYInterfaceManager> interface_;
    std::unique_ptr<CYScriptHandler> main_;
    bool ready_ = false;
};

// ---- One frame's draws, read from the recording device ---------------------------------------

struct Op {
    enum Kind { Clear, Camera, State, Texture, Stream, Indices, Draw, Upload } kind;
    uint32_t a = 0, b = 0, c = 0, d = 0;  // see Capture
};

struct TextureSize {
    uint32_t width = 64, height = 64;
};

struct CapturedFrame {
    std::vector<Op> ops;
    std::vector<math::Matrix> cameras;                  // view x projection, in drawing order
    std::map<uint32_t, std::vector<uint8_t>> buffers;   // contents by serial
    std::map<uint32_t, bool> isIndexBuffer;
    std::map<uint32_t, TextureSize> textures;           // by serial
    int draws = 0, triangles = 0, unsupported = 0;
};

bool Starts(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

uint32_t SerialAfter(const std::string& line, const char* kind) {
    size_t at = line.find(kind);
    return at == std::string::npos ? 0 : uint32_t(std::strtoul(line.c_str() + at + std::strlen(kind), nullptr, 10));
}

// A recording device numbers its buffers and textures in the order they are made: the size
// of each texture by serial, from the creation calls in the log.
void ReadTextureSizes(const std::vector<std::string>& calls, CapturedFrame* frame) {
    uint32_t serial = 0;
    for (const std::string& c : calls) {
        if (Starts(c, "CreateVertexBuffer(") || Starts(c, "CreateIndexBuffer(")) ++serial;
        TextureSize size;
        if (Starts(c, "CreateTexture(") &&
            std::sscanf(c.c_str(), "CreateTexture(%u, %u", &size.width, &size.height) == 2)
            frame->textures[++serial] = size;
    }
}

void CollectCameras(const CYNode* node, std::vector<math::Matrix>* out) {
    if (auto* camera = dynamic_cast<const CYCameraNode*>(node))
        out->push_back(camera->GetView() * camera->GetProjection());
    for (const CYNode* child : node->Children()) CollectCameras(child, out);
}

template <class Buffer>
void KeepContents(Buffer* buffer, bool index, CapturedFrame* frame) {
    auto* resource = dynamic_cast<gfx::detail::ResourceBase*>(buffer);
    void* data = nullptr;
    if (!resource || FAILED(buffer->Lock(0, 0, &data, gfx::LOCK_READONLY))) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    frame->buffers[resource->Serial()].assign(bytes, bytes + buffer->GetDesc().size);
    frame->isIndexBuffer[resource->Serial()] = index;
    buffer->Unlock();
}

// The calls of one frame as plain-GL operations, with the buffers' contents after it.
CapturedFrame Capture(const std::vector<std::string>& calls, CYRenderer& renderer, CapturedFrame frame) {
    CollectCameras(renderer.GetRoot(), &frame.cameras);
    uint32_t camera = 0;
    for (const std::string& c : calls) {
        Op op{Op::Clear};
        unsigned a = 0, b = 0, d = 0, e = 0, f = 0;
        int base = 0;
        if (Starts(c, "Clear(")) {
            frame.ops.push_back(op);
        } else if (Starts(c, "SetTransform(2)")) {
            frame.ops.push_back({Op::Camera, camera++});
        } else if (Starts(c, "SetRenderState(") && std::sscanf(c.c_str(), "SetRenderState(%u, %u)", &a, &b) == 2) {
            frame.ops.push_back({Op::State, a, b});
        } else if (Starts(c, "SetTexture(") && std::sscanf(c.c_str(), "SetTexture(%u", &a) == 1) {
            frame.ops.push_back({Op::Texture, a, SerialAfter(c, "Texture#")});
        } else if (Starts(c, "SetStreamSource(0")) {
            frame.ops.push_back({Op::Stream, SerialAfter(c, "VertexBuffer#")});
        } else if (Starts(c, "SetIndices(")) {
            frame.ops.push_back({Op::Indices, SerialAfter(c, "IndexBuffer#")});
        } else if (std::sscanf(c.c_str(), "DrawIndexedPrimitive(4, %d, %u, %u, %u, %u)", &base, &a, &b, &d, &e) == 5) {
            frame.ops.push_back({Op::Draw, uint32_t(base), d, e});
            ++frame.draws;
            frame.triangles += int(e);
        } else if ((Starts(c, "VertexBuffer#") || Starts(c, "IndexBuffer#")) &&
                   std::sscanf(c.c_str() + c.find(".Lock("), ".Lock(%u, %u, %x)", &a, &b, &f) == 3) {
            frame.ops.push_back({Op::Upload, SerialAfter(c, "Buffer#"), a, b});
        } else if (Starts(c, "Draw")) {
            ++frame.unsupported;
        }
    }
    if (camera != frame.cameras.size()) {
        std::fprintf(stderr, "note: %u camera transforms against %zu camera nodes; the last node serves all\n", camera,
                     frame.cameras.size());
        for (Op& op : frame.ops)
            if (op.kind == Op::Camera) op.a = uint32_t(frame.cameras.size()) - 1;
    }
    KeepContents(renderer.GetDynamicVertexBuffer(), false, &frame);
    KeepContents(renderer.GetDynamicIndexBuffer(), true, &frame);
    KeepContents(renderer.GetStaticVertexBuffer(), false, &frame);
    KeepContents(renderer.GetStaticIndexBuffer(), true, &frame);
    return frame;
}

// ---- The captured frame drawn with plain GL --------------------------------------------------

const char* const kPlainVertexShader = R"(#version 450 core
layout(location = 0) in vec3 position;
layout(location = 2) in vec4 color;
layout(location = 3) in vec2 uv;
layout(location = 0) uniform mat4 transform;
out vec4 vColor;
out vec2 vUv;
void main() { vColor = color; vUv = uv; gl_Position = transform * vec4(position, 1.0); }
)";
const char* const kPlainFragmentShader = R"(#version 450 core
layout(binding = 0) uniform sampler2D tex0;
layout(binding = 1) uniform sampler2D tex1;
layout(location = 1) uniform ivec2 stages;
layout(location = 2) uniform float alphaRef;
in vec4 vColor;
in vec2 vUv;
out vec4 fragColor;
void main() {
    vec4 c = vColor;
    if (stages.x != 0) c *= texture(tex0, vUv);
    if (stages.y != 0) c *= texture(tex1, vUv);
    if (c.a < alphaRef) discard;
    fragColor = c;
}
)";
GLuint Shader(GLenum type, const char* source) {
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    return s;
}

GLuint Program(const char* vertex, const char* fragment) {
    GLuint program = glCreateProgram();
    GLuint vs = Shader(GL_VERTEX_SHADER, vertex), fs = Shader(GL_FRAGMENT_SHADER, fragment);
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    return linked ? program : 0;
}

// Blend factors by their device numbers (1 ZERO .. 11 SRCALPHASAT).
GLenum BlendToGL(uint32_t blend) {
    static const GLenum table[] = {GL_ONE,
                                   GL_ZERO,
                                   GL_ONE,
                                   GL_SRC_COLOR,
                                   GL_ONE_MINUS_SRC_COLOR,
                                   GL_SRC_ALPHA,
                                   GL_ONE_MINUS_SRC_ALPHA,
                                   GL_DST_ALPHA,
                                   GL_ONE_MINUS_DST_ALPHA,
                                   GL_DST_COLOR,
                                   GL_ONE_MINUS_DST_COLOR,
                                   GL_SRC_ALPHA_SATURATE};
    return blend < std::size(table) ? table[blend] : GL_ONE;
}

// The frame's resources in GL, and a replay that sets only what changes, as a program
// written straight against GL would.
class PlainFrame {
public:
    explicit PlainFrame(const CapturedFrame& frame) : frame_(frame) {
        program_ = Program(kPlainVertexShader, kPlainFragmentShader);
        // The final pass is the GL device's own program: one triangle over the target, each
        // channel looked up in its row of a 256 x 3 table.
        finalProgram_ = Program(gfx::detail::kFinalVertexShader, gfx::detail::kFinalFragmentShader);
        MakeFinalPass();
        for (const auto& [serial, bytes] : frame.buffers) {
            GLuint name = 0;
            glCreateBuffers(1, &name);
            glNamedBufferData(name, GLsizeiptr(bytes.size()), bytes.data(), GL_DYNAMIC_DRAW);
            buffers_[serial] = name;
        }
        for (const auto& [serial, size] : frame.textures) textures_[serial] = MakeTexture(size);
        glCreateVertexArrays(1, &vao_);
        glEnableVertexArrayAttrib(vao_, 0);
        glVertexArrayAttribFormat(vao_, 0, 3, GL_FLOAT, GL_FALSE, 0);
        glVertexArrayAttribBinding(vao_, 0, 0);
        glEnableVertexArrayAttrib(vao_, 2);
        glVertexArrayAttribFormat(vao_, 2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 24);
        glVertexArrayAttribBinding(vao_, 2, 0);
        glEnableVertexArrayAttrib(vao_, 3);
        glVertexArrayAttribFormat(vao_, 3, 2, GL_FLOAT, GL_FALSE, 32);
        glVertexArrayAttribBinding(vao_, 3, 0);
        glCreateTextures(GL_TEXTURE_2D, 1, &color_);
        glTextureStorage2D(color_, 1, GL_RGBA8, kWidth, kHeight);
        glTextureParameteri(color_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTextureParameteri(color_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTextureParameteri(color_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTextureParameteri(color_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glCreateRenderbuffers(1, &depth_);
        glNamedRenderbufferStorage(depth_, GL_DEPTH_COMPONENT16, kWidth, kHeight);
        glCreateFramebuffers(1, &fbo_);
        glNamedFramebufferTexture(fbo_, GL_COLOR_ATTACHMENT0, color_, 0);
        glNamedFramebufferRenderbuffer(fbo_, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
        ok_ = program_ && finalProgram_ &&
              glCheckNamedFramebufferStatus(fbo_, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    ~PlainFrame() {
        for (const auto& [serial, name] : buffers_) glDeleteBuffers(1, &name);
        for (const auto& [serial, name] : textures_) glDeleteTextures(1, &name);
        glDeleteProgram(program_);
        glDeleteProgram(finalProgram_);
        glDeleteVertexArrays(1, &vao_);
        glDeleteVertexArrays(1, &finalVao_);
        glDeleteTextures(1, &table_);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteTextures(1, &color_);
        glDeleteRenderbuffers(1, &depth_);
    }
    PlainFrame(const PlainFrame&) = delete;
    PlainFrame& operator=(const PlainFrame&) = delete;
    bool Ok() const { return ok_; }

    // The frame: its uploads, clear, states and draws, shown in the window: copied, or
    // through the final pass.
    void Draw(SDL_Window* window, bool finalPass) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glViewport(0, 0, kWidth, kHeight);
        glUseProgram(program_);
        glBindVertexArray(vao_);
        glDisable(GL_SCISSOR_TEST);
        glFrontFace(GL_CCW);
        Reset();
        for (const Op& op : frame_.ops) Apply(op);
        if (finalPass)
            Show(window);
        else
            glBlitNamedFramebuffer(fbo_, 0, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT,
                                   GL_NEAREST);
        SDL_GL_SwapWindow(window);
        glFinish();
    }

private:
    // The table of the final pass: the identity in each channel's row.
    void MakeFinalPass() {
        uint8_t table[3][256];
        for (int i = 0; i < 256; ++i) table[0][i] = table[1][i] = table[2][i] = uint8_t(i);
        glCreateTextures(GL_TEXTURE_2D, 1, &table_);
        glTextureStorage2D(table_, 1, GL_R8, 256, 3);
        glTextureParameteri(table_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTextureParameteri(table_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTextureSubImage2D(table_, 0, 0, 0, 256, 3, GL_RED, GL_UNSIGNED_BYTE, table);
        glCreateVertexArrays(1, &finalVao_);
    }

    // The off-screen frame through the table, scaled to fit the window keeping its shape,
    // the rest of the window black.
    void Show(SDL_Window* window) {
        int ww = 0, wh = 0;
        SDL_GL_GetDrawableSize(window, &ww, &wh);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (ww <= 0 || wh <= 0) return;
        const double scale = std::min(double(ww) / kWidth, double(wh) / kHeight);
        const int w = std::max(1, int(std::lround(kWidth * scale))), h = std::max(1, int(std::lround(kHeight * scale)));
        glTextureBarrier();
        glViewport((ww - w) / 2, (wh - h) / 2, w, h);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glUseProgram(finalProgram_);
        glBindVertexArray(finalVao_);
        glBindTextureUnit(0, color_);
        glBindTextureUnit(1, table_);
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }

    GLuint MakeTexture(const TextureSize& size) {
        const uint32_t w = std::clamp(size.width, 1u, 4096u), h = std::clamp(size.height, 1u, 4096u);
        int levels = 1;
        while ((w >> levels) || (h >> levels)) ++levels;
        std::vector<uint32_t> texels(size_t(w) * h);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) texels[size_t(y) * w + x] = ((x ^ y) & 8) ? 0xFF808080u : 0xFFC0C0C0u;
        GLuint name = 0;
        glCreateTextures(GL_TEXTURE_2D, 1, &name);
        glTextureStorage2D(name, levels, GL_RGBA8, GLsizei(w), GLsizei(h));
        glTextureSubImage2D(name, 0, 0, 0, GLsizei(w), GLsizei(h), GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glGenerateTextureMipmap(name);
        glTextureParameteri(name, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTextureParameteri(name, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        return name;
    }

    // The device's defaults at the start of the frame.
    void Reset() {
        state_.assign(gfx::kRenderStateCount, ~0u);
        state_[gfx::RS_SRCBLEND] = gfx::BLEND_ONE;
        state_[gfx::RS_DESTBLEND] = gfx::BLEND_ZERO;
        glBlendFunc(GL_ONE, GL_ZERO);
        stages_[0] = stages_[1] = 0;
        alphaRef_ = -1.0f;
        glUniform2i(1, 0, 0);
        glUniform1f(2, alphaRef_);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
    }

    void Apply(const Op& op) {
        switch (op.kind) {
        case Op::Clear:
            glClearColor(0, 0, 0, 1);
            glClearDepthf(1.0f);
            glDepthMask(GL_TRUE);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            state_[gfx::RS_ZWRITEENABLE] = ~0u;
            break;
        case Op::Camera:
            if (op.a < frame_.cameras.size()) glUniformMatrix4fv(0, 1, GL_FALSE, &frame_.cameras[op.a].m[0][0]);
            break;
        case Op::State: SetState(op.a, op.b); break;
        case Op::Texture:
            if (op.a < 2) {
                auto it = textures_.find(op.b);
                const int bound = it != textures_.end() ? 1 : 0;
                glBindTextureUnit(op.a, bound ? it->second : 0);
                if (stages_[op.a] != bound) {
                    stages_[op.a] = bound;
                    glUniform2i(1, stages_[0], stages_[1]);
                }
            }
            break;
        case Op::Stream:
            if (buffers_.count(op.a)) glVertexArrayVertexBuffer(vao_, 0, buffers_[op.a], 0, 48);
            break;
        case Op::Indices:
            if (buffers_.count(op.a)) glVertexArrayElementBuffer(vao_, buffers_[op.a]);
            break;
        case Op::Draw:
            glDrawElementsBaseVertex(GL_TRIANGLES, GLsizei(op.c * 3), GL_UNSIGNED_SHORT,
                                     reinterpret_cast<const void*>(uintptr_t(op.b) * 2), GLint(int32_t(op.a)));
            break;
        case Op::Upload: {
            auto it = frame_.buffers.find(op.a);
            if (it == frame_.buffers.end()) break;
            const size_t size = op.c ? op.c : it->second.size() - op.b;
            if (op.b + size <= it->second.size())
                glNamedBufferSubData(buffers_[op.a], op.b, GLsizeiptr(size), it->second.data() + op.b);
            break;
        }
        }
    }

    void SetState(uint32_t state, uint32_t value) {
        if (state >= state_.size() || state_[state] == value) return;
        state_[state] = value;
        switch (state) {
        case gfx::RS_ZENABLE: value ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST); break;
        case gfx::RS_ZWRITEENABLE: glDepthMask(value ? GL_TRUE : GL_FALSE); break;
        case gfx::RS_ZFUNC: glDepthFunc(GL_NEVER + std::clamp(value, 1u, 8u) - 1); break;
        case gfx::RS_ALPHABLENDENABLE: value ? glEnable(GL_BLEND) : glDisable(GL_BLEND); break;
        case gfx::RS_SRCBLEND:
        case gfx::RS_DESTBLEND:
            glBlendFunc(BlendToGL(state_[gfx::RS_SRCBLEND]), BlendToGL(state_[gfx::RS_DESTBLEND]));
            break;
        case gfx::RS_CULLMODE:
            if (value == gfx::CULL_NONE) {
                glDisable(GL_CULL_FACE);
            } else {
                glEnable(GL_CULL_FACE);
                glCullFace(value == gfx::CULL_CCW ? GL_FRONT : GL_BACK);
            }
            break;
        case gfx::RS_ALPHATESTENABLE:
        case gfx::RS_ALPHAREF: {
            const bool test = state_[gfx::RS_ALPHATESTENABLE] == 1;
            const float ref = test ? float(state_[gfx::RS_ALPHAREF] & 0xFF) / 255.0f : -1.0f;
            if (ref != alphaRef_) glUniform1f(2, alphaRef_ = ref);
            break;
        }
        default: break;
        }
    }

    const CapturedFrame& frame_;
    std::map<uint32_t, GLuint> buffers_, textures_;
    GLuint program_ = 0, vao_ = 0, fbo_ = 0, color_ = 0, depth_ = 0;
    GLuint finalProgram_ = 0, finalVao_ = 0, table_ = 0;
    std::vector<uint32_t> state_;
    int stages_[2] = {};
    float alphaRef_ = -1.0f;
    bool ok_ = false;
};

// ---- Measuring --------------------------------------------------------------------------------

MissionEngine* g_engine = nullptr;  // the engine on the recording device

void BM_MissionFrame(benchmark::State& state) {
    gfx::Recording* log = gfx::AsRecording(g_engine->Renderer().GetDevice());
    for (auto _ : state) {
        log->ClearCalls();
        g_engine->Frame();
    }
    state.counters["draws"] = g_engine->Renderer().GetDrawCallCount();
}
BENCHMARK(BM_MissionFrame)->Repetitions(5)->Unit(benchmark::kMicrosecond);

// Keeps the CPU time per frame of each repetition.
class FrameReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) cpu.push_back(run.GetAdjustedCPUTime());
        ConsoleReporter::ReportRuns(runs);
    }
    std::vector<double> cpu;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

double ThreadCpuMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// The engine's frame on the GL device and the plain replay of the captured frame, in turn.
void CompareWithPlainGL(const CapturedFrame& captured) {
    sys::Window* window = sys::CreateMainWindow("Kestrune", kWidth, kHeight, true, nullptr);
    if (!window) {
        std::printf("no window for the GL device: the GL comparison is skipped\n");
        return;
    }
    gfx::SelectBackend(gfx::Backend::OpenGL);
    {
        StartGame();
        MissionEngine engine(window);
        if (!engine.Ready()) {
            std::printf("the engine did not start on the GL device: the GL comparison is skipped\n");
        } else {
            for (int i = 0; i < kWarmUpFrames; ++i) engine.Frame();
            PlainFrame plain(captured);
            std::vector<double> engineWall, plainWall, finalWall, engineCpu, plainCpu, finalCpu;
            using Clock = std::chrono::steady_clock;
            auto micro = [](Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); };
            for (int round = 0; plain.Ok() && round < 220; ++round) {
                double c0 = ThreadCpuMicroseconds();
                auto t0 = Clock::now();
                engine.Frame();
                glFinish();
                double c1 = ThreadCpuMicroseconds();
                auto t1 = Clock::now();
                plain.Draw(sys::NativeWindow(window), false);
                double c2 = ThreadCpuMicroseconds();
                auto t2 = Clock::now();
                plain.Draw(sys::NativeWindow(window), true);
                double c3 = ThreadCpuMicroseconds();
                auto t3 = Clock::now();
                if (round < 20) continue;  // warming up
                engineWall.push_back(micro(t1 - t0));
                plainWall.push_back(micro(t2 - t1));
                finalWall.push_back(micro(t3 - t2));
                engineCpu.push_back(c1 - c0);
                plainCpu.push_back(c2 - c1);
                finalCpu.push_back(c3 - c2);
            }
            const double ew = Median(engineWall), pw = Median(plainWall), ec = Median(engineCpu), pc = Median(plainCpu);
            const double fw = Median(finalWall), fc = Median(finalCpu);
            std::printf("GL device, frames in turn (medians of 200): engine frame %.0f us, the same draws in plain "
                        "GL %.0f us, ratio %.2f; calling thread's CPU %.0f us against %.0f us, ratio %.2f\n",
                        ew, pw, pw > 0 ? ew / pw : 0.0, ec, pc, pc > 0 ? ec / pc : 0.0);
            std::printf("plain GL with the same final pass: %.0f us, calling thread's CPU %.0f us (engine against it "
                        "%.2f)\n", fw, fc, fc > 0 ? ec / fc : 0.0);
            std::printf("mission frame / plain GL with the same final pass = %.2f\n", fw > 0 ? ew / fw : 0.0);
        }
    }
    sys::DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    sys::SetDebugOutput(false);
    ScratchGame game;
    if (!game.Ok()) {
        std::fprintf(stderr, "the sample game's data could not be copied from %s\n", GAME_DIR);
        return 1;
    }
    CapturedFrame captured;
    gfx::SelectBackend(gfx::Backend::Recording);
    {
        StartGame();
        MissionEngine engine(nullptr);
        if (!engine.Ready()) {
            std::fprintf(stderr, "the engine did not start on the sample game\n");
            return 1;
        }
        gfx::Recording* log = gfx::AsRecording(engine.Renderer().GetDevice());
        engine.Frame();  // the mission loads; its textures are made
        ReadTextureSizes(log->Calls(), &captured);
        for (int i = 1; i < kWarmUpFrames; ++i) {
            log->ClearCalls();
            engine.Frame();
        }
        // The frame replayed is the one after the warm-up, as the GL device's frames are.
        log->ClearCalls();
        engine.Frame();
        captured = Capture(log->Calls(), engine.Renderer(), std::move(captured));
        g_engine = &engine;
        FrameReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        g_engine = nullptr;
        std::printf("mission frame: %d draws, %d triangles", captured.draws, captured.triangles);
        if (captured.unsupported) std::printf(", %d draws from memory not replayed", captured.unsupported);
        const double least = reporter.cpu.empty() ? 0.0 : *std::min_element(reporter.cpu.begin(), reporter.cpu.end());
        std::printf("\nengine CPU per frame on the recording device: median %.1f us, least %.1f us\n",
                    Median(reporter.cpu), least);
    }
    CompareWithPlainGL(captured);
    sys::Quit();
    benchmark::Shutdown();
    return 0;
}
