// The graphics device's cost per draw: the same batches drawn through the device and
// through plain GL calls in the same context, and the ratio of the two times.
// Runs headless with SDL_VIDEODRIVER=offscreen (chosen when no display is set).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <ctime>
#include <vector>

#include "platform/graphics/Device.h"

namespace {

constexpr int kFrame = 256;
constexpr int kMaxBatches = 1000;
constexpr int kBatchVertices = 4;
constexpr int kBatchIndices = 6;

const char* const kPlainVertexShader = R"(#version 450 core
layout(location = 0) in vec3 position;
layout(location = 2) in vec4 color;
layout(location = 0) uniform mat4 transform;
out vec4 vColor;
void main() { vColor = color; gl_Position = transform * vec4(position, 1.0); }
)";
const char* const kPlainFragmentShader = R"(#version 450 core
in vec4 vColor;
out vec4 fragColor;
void main() { fragColor = vColor; }
)";

GLuint Shader(GLenum type, const char* source) {
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    return s;
}

// One device and one plain GL set-up over the same geometry: kMaxBatches small quads.
struct Scene {
    gfx::HiddenWindow window{kFrame, kFrame};
    gfx::Graphics* graphics = nullptr;
    gfx::Device* device = nullptr;
    gfx::VertexBuffer* vb = nullptr;
    gfx::IndexBuffer* ib = nullptr;
    GLuint program = 0, vao = 0, vbo = 0, ibo = 0, fbo = 0, color = 0, depth = 0;
    std::vector<math::Matrix> transforms;
    bool ok = false;

    Scene() {
        graphics = gfx::Create(gfx::kSdkVersion);
        gfx::PresentParameters pp;
        pp.backBufferWidth = pp.backBufferHeight = kFrame;
        pp.enableAutoDepthStencil = true;
        pp.autoDepthStencilFormat = gfx::FMT_D16;
        pp.presentationInterval = gfx::PRESENT_INTERVAL_IMMEDIATE;
        if (!window.Get() || !graphics ||
            FAILED(graphics->CreateDevice(0, gfx::DEVTYPE_HAL, window.Get(), 0x20, &pp, &device)))
            return;
        std::vector<gfx::Vertex> vertices;
        std::vector<uint16_t> indices;
        for (int b = 0; b < kMaxBatches; ++b) {
            float x = -1.0f + 0.05f * (b % 40), y = -1.0f + 0.08f * (b / 40 % 25);
            uint32_t c = 0xFF000000u | (uint32_t(b * 2654435761u) & 0xFFFFFFu);
            for (int k = 0; k < 4; ++k) {
                gfx::Vertex v;
                v.x = x + ((k == 1 || k == 2) ? 0.05f : 0.0f);
                v.y = y + (k >= 2 ? 0.08f : 0.0f);
                v.z = 0.5f;
                v.diffuse = c;
                vertices.push_back(v);
            }
            // Each batch's indices count from its first vertex (the draw's base vertex).
            for (uint16_t i : {0, 1, 2, 0, 2, 3}) indices.push_back(i);
            transforms.push_back(math::MatrixTranslation(0.001f * (b % 7), 0, 0));
        }
        device->CreateVertexBuffer(uint32_t(vertices.size() * 48), gfx::USAGE_WRITEONLY, gfx::kVertexFvf,
                                   gfx::POOL_DEFAULT, &vb);
        device->CreateIndexBuffer(uint32_t(indices.size() * 2), gfx::USAGE_WRITEONLY, gfx::FMT_INDEX16,
                                  gfx::POOL_DEFAULT, &ib);
        void* p = nullptr;
        vb->Lock(0, 0, &p, 0);
        std::copy(vertices.begin(), vertices.end(), static_cast<gfx::Vertex*>(p));
        vb->Unlock();
        ib->Lock(0, 0, &p, 0);
        std::copy(indices.begin(), indices.end(), static_cast<uint16_t*>(p));
        ib->Unlock();

        // The same data for plain GL, drawn into a frame of its own.
        program = glCreateProgram();
        GLuint vs = Shader(GL_VERTEX_SHADER, kPlainVertexShader), fs = Shader(GL_FRAGMENT_SHADER, kPlainFragmentShader);
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        glDeleteShader(vs);
        glDeleteShader(fs);
        glCreateBuffers(1, &vbo);
        glNamedBufferData(vbo, GLsizeiptr(vertices.size() * 48), vertices.data(), GL_STATIC_DRAW);
        glCreateBuffers(1, &ibo);
        glNamedBufferData(ibo, GLsizeiptr(indices.size() * 2), indices.data(), GL_STATIC_DRAW);
        glCreateVertexArrays(1, &vao);
        glVertexArrayVertexBuffer(vao, 0, vbo, 0, 48);
        glVertexArrayElementBuffer(vao, ibo);
        glEnableVertexArrayAttrib(vao, 0);
        glVertexArrayAttribFormat(vao, 0, 3, GL_FLOAT, GL_FALSE, 0);
        glVertexArrayAttribBinding(vao, 0, 0);
        glEnableVertexArrayAttrib(vao, 2);
        glVertexArrayAttribFormat(vao, 2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 24);
        glVertexArrayAttribBinding(vao, 2, 0);
        glCreateTextures(GL_TEXTURE_2D, 1, &color);
        glTextureStorage2D(color, 1, GL_RGBA8, kFrame, kFrame);
        glCreateRenderbuffers(1, &depth);
        glNamedRenderbufferStorage(depth, GL_DEPTH_COMPONENT16, kFrame, kFrame);
        glCreateFramebuffers(1, &fbo);
        glNamedFramebufferTexture(fbo, GL_COLOR_ATTACHMENT0, color, 0);
        glNamedFramebufferRenderbuffer(fbo, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        ok = vb && ib && glCheckNamedFramebufferStatus(fbo, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    ~Scene() {
        if (device) {
            glDeleteProgram(program);
            glDeleteBuffers(1, &vbo);
            glDeleteBuffers(1, &ibo);
            glDeleteVertexArrays(1, &vao);
            glDeleteFramebuffers(1, &fbo);
            glDeleteTextures(1, &color);
            glDeleteRenderbuffers(1, &depth);
            if (vb) vb->Release();
            if (ib) ib->Release();
            device->Release();
        }
        if (graphics) graphics->Release();
    }
};

Scene* g_scene = nullptr;

double ThreadCpuMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

Scene* GetScene(benchmark::State& state) {
    if (!g_scene) g_scene = new Scene();
    if (!g_scene->ok) state.SkipWithError("no GL 4.5 device");
    return g_scene->ok ? g_scene : nullptr;
}

void DeviceFrame(Scene* s, int batches) {
    gfx::Device* d = s->device;
    d->Clear(0, nullptr, gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d->SetRenderState(gfx::RS_LIGHTING, 0);
    d->SetRenderState(gfx::RS_CULLMODE, gfx::CULL_NONE);  // plain GL draws every quad too
    d->SetFVF(gfx::kVertexFvf);
    d->SetStreamSource(0, s->vb, 0, 48);
    d->SetIndices(s->ib);
    for (int b = 0; b < batches; ++b) {
        d->SetTransform(gfx::TS_WORLD, &s->transforms[b]);
        d->DrawIndexedPrimitive(gfx::PT_TRIANGLELIST, b * kBatchVertices, 0, kBatchVertices, b * kBatchIndices, 2);
    }
    glFinish();
}

void PlainGLFrame(Scene* s, int batches) {
    glBindFramebuffer(GL_FRAMEBUFFER, s->fbo);
    glViewport(0, 0, kFrame, kFrame);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClearDepthf(1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glUseProgram(s->program);
    glBindVertexArray(s->vao);
    for (int b = 0; b < batches; ++b) {
        glUniformMatrix4fv(0, 1, GL_FALSE, &s->transforms[b].m[0][0]);
        glDrawElementsBaseVertex(GL_TRIANGLES, kBatchIndices, GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(uintptr_t(b) * kBatchIndices * 2), b * kBatchVertices);
    }
    glFinish();
}

void DeviceDraws(benchmark::State& state) {
    Scene* s = GetScene(state);
    if (!s) return;
    int batches = int(state.range(0));
    for (auto _ : state) DeviceFrame(s, batches);
    state.SetItemsProcessed(state.iterations() * batches);
}

void PlainGLDraws(benchmark::State& state) {
    Scene* s = GetScene(state);
    if (!s) return;
    int batches = int(state.range(0));
    for (auto _ : state) PlainGLFrame(s, batches);
    state.SetItemsProcessed(state.iterations() * batches);
}

// On a busy machine the two benchmarks above can run under different loads; frames of
// the two kinds taken in turn see the same load, and their medians give a steadier ratio.
void PrintInterleavedRatios() {
    if (!g_scene) g_scene = new Scene();
    if (!g_scene->ok) return;
    using Clock = std::chrono::steady_clock;
    for (int batches : {100, 1000}) {
        std::vector<double> device, plain, deviceCpu, plainCpu;
        for (int round = 0; round < 220; ++round) {
            double c0 = ThreadCpuMicroseconds();
            auto t0 = Clock::now();
            DeviceFrame(g_scene, batches);
            double c1 = ThreadCpuMicroseconds();
            auto t1 = Clock::now();
            PlainGLFrame(g_scene, batches);
            double c2 = ThreadCpuMicroseconds();
            auto t2 = Clock::now();
            if (round < 20) continue;  // warming up
            device.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            plain.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
            deviceCpu.push_back(c1 - c0);
            plainCpu.push_back(c2 - c1);
        }
        auto median = [](std::vector<double>& v) {
            std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
            return v[v.size() / 2];
        };
        double d = median(device), g = median(plain), dc = median(deviceCpu), gc = median(plainCpu);
        std::printf("%d draws, frames in turn (medians): device %.0f us, plain GL %.0f us, ratio %.2f; "
                    "calling thread's CPU %.0f us against %.0f us, ratio %.2f\n",
                    batches, d, g, d / g, dc, gc, dc / gc);
    }
}

BENCHMARK(DeviceDraws)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainGLDraws)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Keeps each run's time per iteration to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        for (const char* batches : {"100", "1000"}) {
            auto d = times_.find(std::string("DeviceDraws/") + batches);
            auto g = times_.find(std::string("PlainGLDraws/") + batches);
            if (d == times_.end() || g == times_.end() || g->second <= 0) continue;
            std::printf("%s draws: device / plain GL = %.2f\n", batches, d->second / g->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    PrintInterleavedRatios();
    delete g_scene;
    benchmark::Shutdown();
    return 0;
}
