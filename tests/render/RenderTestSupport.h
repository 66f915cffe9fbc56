// Shared pieces of the render tests: a geometry source with its own vertices and
// indices, a renderer started on the recording device, and one on a real GL context.
#pragma once
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/YEvents.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "platform/graphics/Device.h"
#include "platform/system/System.h"
#include "render/YGeometrySource.h"
#include "render/YRenderer.h"
#include "support/TestSupport.h"

namespace rtest {

// An object of v vertices (x = the vertex number, y = tag) and n indices (k mod v).
class TestSource : public YGeometrySource {
public:
    TestSource(int v, int n, float tag = 0.0f) : vertices_(size_t(v)), indices_(size_t(n)) {
        for (int i = 0; i < v; ++i) {
            vertices_[i].x = float(i);
            vertices_[i].y = tag;
            vertices_[i].diffuse = 0xFFFFFFFF;
        }
        for (int k = 0; k < n; ++k) indices_[k] = uint16_t(v > 0 ? k % v : 0);
    }
    const uint16_t* GetIndices() const override { return indices_.data(); }
    const gfx::Vertex* GetVertices() const override { return vertices_.data(); }
    int GetIndexCount() const override { return int(indices_.size()); }
    int GetVertexCount() const override { return int(vertices_.size()); }
    void ApplyVertexEffect(gfx::Vertex* dest) override {
        std::copy(vertices_.begin(), vertices_.end(), dest);
        ++applied;
    }

    std::vector<gfx::Vertex> vertices_;
    std::vector<uint16_t> indices_;
    int applied = 0;
};

// An uncompressed 24-bit TGA file of one colour (0xRRGGBB).
inline std::string SolidTga(int width, int height, uint32_t rgb) {
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = char(width & 0xFF), s[13] = char(width >> 8);
    s[14] = char(height & 0xFF), s[15] = char(height >> 8);
    s[16] = 24;
    for (int i = 0; i < width * height; ++i) {
        s += char(rgb & 0xFF);
        s += char((rgb >> 8) & 0xFF);
        s += char((rgb >> 16) & 0xFF);
    }
    return s;
}

// How often the text occurs in the log of the working directory.
inline int LogCount(const std::string& text) {
    std::string log = test::ReadFile("YLog.log");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
    return n;
}

// A renderer on the recording device, in a window of 800 x 600, with the settings
// restored afterwards.
class RecordingRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_settings;
        savedTimer_ = g_timer;
        g_settings.fullScreen = fullScreen_;
        g_settings.screenWidth = 800;
        g_settings.screenHeight = 600;
        g_settings.bitsPerPixel = 32;
        g_settings.statistics = 0;
        g_settings.brightness = 0.5f;
        g_settings.mainWindow = nullptr;
        g_timer = YTimerState{};
        gfx::SelectBackend(gfx::Backend::Recording);
        renderer_ = std::make_unique<CYRenderer>();
        ASSERT_EQ(renderer_->Init(), S_OK);
        device_ = renderer_->GetDevice();
        recording_ = gfx::AsRecording(device_);
        ASSERT_NE(recording_, nullptr);
        recording_->ClearCalls();
    }
    void TearDown() override {
        renderer_.reset();
        gfx::SelectBackend(gfx::Backend::OpenGL);
        g_settings = saved_;
        g_timer = savedTimer_;
        PurgeUnsubscribedEvents();
    }

    // The calls logged since the last ClearCalls that begin with the text.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : recording_->Calls())
            if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
        return out;
    }
    // Reads n elements of type T from the CPU copy of a buffer.
    template <class T, class Buffer>
    std::vector<T> Read(Buffer* buffer, uint32_t first, uint32_t n) {
        void* p = nullptr;
        std::vector<T> out(n);
        EXPECT_EQ(buffer->Lock(first * sizeof(T), n * sizeof(T), &p, gfx::LOCK_READONLY), S_OK);
        if (p) std::memcpy(out.data(), p, n * sizeof(T));
        buffer->Unlock();
        return out;
    }
    void Frame() {
        renderer_->PrepareFrame();
        renderer_->RenderFrame();
    }

    uint8_t fullScreen_ = 0;
    test::TempDir dir_;
    YSettings saved_;
    YTimerState savedTimer_;
    std::unique_ptr<CYRenderer> renderer_;
    gfx::Device* device_ = nullptr;
    gfx::Recording* recording_ = nullptr;
};

// A renderer on a real GL context in an off-screen window of 640 x 480, statistics on.
class GLRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_settings;
        savedTimer_ = g_timer;
        g_settings.fullScreen = 0;
        g_settings.screenWidth = kWidth;
        g_settings.screenHeight = kHeight;
        g_settings.statistics = 1;
        g_settings.brightness = 0.5f;
        g_timer = YTimerState{};
        window_ = sys::CreateMainWindow("Kestrune", kWidth, kHeight, true, nullptr);
        ASSERT_NE(window_, nullptr);
        // The driver stays loaded after the window goes, so that the leak check can
        // still name its allocations.
        static bool driverKept = SDL_GL_LoadLibrary(nullptr) == 0;
        (void)driverKept;
        g_settings.mainWindow = window_;
        gfx::SelectBackend(gfx::Backend::OpenGL);
        renderer_ = std::make_unique<CYRenderer>();
        ASSERT_EQ(renderer_->Init(), S_OK);
    }
    void TearDown() override {
        if (renderer_) renderer_->Shutdown();
        renderer_.reset();
        sys::DestroyWindow(window_);
        g_settings = saved_;
        g_timer = savedTimer_;
        PurgeUnsubscribedEvents();
    }
    std::vector<uint32_t> ReadFrame() {
        std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
        EXPECT_EQ(renderer_->GetDevice()->ReadPixels(0, 0, kWidth, kHeight, pixels.data()), S_OK);
        return pixels;
    }

    static constexpr int kWidth = 640, kHeight = 480;
    test::TempDir dir_;
    YSettings saved_;
    YTimerState savedTimer_;
    sys::Window* window_ = nullptr;
    std::unique_ptr<CYRenderer> renderer_;
};

}  // namespace rtest
