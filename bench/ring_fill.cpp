// Filling the dynamic ring: 2,000 small objects (24 vertices, 36 indices each) written
// through CYRenderer::WriteDynamicBatch in one fill pass, against a plain memcpy of the
// same bytes. The device is the recording one, so only the CPU side is measured.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/YSettings.h"
#include "platform/system/System.h"
#include "render/YGeometrySource.h"
#include "render/YNode.h"
#include "render/YRenderer.h"

namespace {

constexpr int kObjects = 2000;
constexpr int kVertices = 24;
constexpr int kIndices = 36;
constexpr size_t kBytes = size_t(kObjects) * (kVertices * sizeof(gfx::Vertex) + kIndices * sizeof(uint16_t));

class Box : public YGeometrySource {
public:
    explicit Box(float offset) : vertices_(kVertices), indices_(kIndices) {
        for (int i = 0; i < kVertices; ++i) vertices_[i].x = offset + float(i);
        for (int k = 0; k < kIndices; ++k) indices_[k] = uint16_t(k % kVertices);
    }
    const uint16_t* GetIndices() const override { return indices_.data(); }
    const gfx::Vertex* GetVertices() const override { return vertices_.data(); }
    int GetIndexCount() const override { return kIndices; }
    int GetVertexCount() const override { return kVertices; }
    void ApplyVertexEffect(gfx::Vertex* dest) override {
        std::memcpy(dest, vertices_.data(), vertices_.size() * sizeof(gfx::Vertex));
    }

private:
    std::vector<gfx::Vertex> vertices_;
    std::vector<uint16_t> indices_;
};

// A node whose fill pass writes every object as one batch, as a sink does.
class FillNode : public CYNode {
public:
    HRESULT FillBuffers() override {
        g_renderer->WriteDynamicBatch(objects.data(), int(objects.size()), kObjects * kVertices, kObjects * kIndices,
                                      &batch);
        return S_OK;
    }
    std::vector<YGeometrySource*> objects;
    YBatch batch;
};

void BM_WriteDynamicBatch(benchmark::State& state) {
    g_settings.fullScreen = 0;
    g_settings.logLevel = -100;
    gfx::SelectBackend(gfx::Backend::Recording);
    CYRenderer renderer;
    if (FAILED(renderer.Init())) {
        state.SkipWithError("the renderer did not start");
        return;
    }
    std::vector<std::unique_ptr<Box>> boxes;
    auto* node = new FillNode();
    renderer.GetRoot()->AddChild(node);
    for (int i = 0; i < kObjects; ++i) {
        boxes.push_back(std::make_unique<Box>(float(i)));
        node->objects.push_back(boxes.back().get());
    }
    for (auto _ : state) {
        renderer.AddDynamicTotals(kObjects * kVertices, kObjects * kIndices);
        node->ClearIdle();
        renderer.PrepareFrame();
        renderer.GetRoot()->MarkIdle();
        benchmark::DoNotOptimize(node->batch.triangleCount);
    }
    if (node->batch.triangleCount != kObjects * kIndices / 3) state.SkipWithError("objects were skipped");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
    renderer.Shutdown();
}
BENCHMARK(BM_WriteDynamicBatch)->Unit(benchmark::kMicrosecond);

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint8_t> source(kBytes, 1), target(kBytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), kBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

// The console report, keeping each benchmark's time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    sys::SetDebugOutput(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto fill = reporter.times.find("BM_WriteDynamicBatch"), copy = reporter.times.find("BM_Memcpy");
    if (fill != reporter.times.end() && copy != reporter.times.end() && copy->second > 0)
        std::printf("WriteDynamicBatch / memcpy: %.2f\n", fill->second / copy->second);
    benchmark::Shutdown();
    return 0;
}
