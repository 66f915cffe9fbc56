// Shared pieces of the clickable-widget and description-file tests: the commands the
// "interface" scripts receive, the widget events and the pointer, on the recording renderer.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YLiveCounts.h"
#include "core/YScript.h"
#include "interface/YWindow.h"
#include "render/RenderTestSupport.h"

namespace itest {

// Events 37, 38 and 40 as "<event> <name> <b>"; answers event 28 with the pointer.
struct EventLog : CYEventListener {
    static inline std::vector<std::string> events;
    int32_t pointer[2] = {-1, -1};
    EventLog() {
        events.clear();
        for (int e : {YEVENT_CHECKBOX_CHANGED, YEVENT_RADIO_CHECKED, YEVENT_BUTTON_CLICKED})
            SubscribeOnce(e, reinterpret_cast<void*>(intptr_t(e)), [](void* c, intptr_t a, intptr_t b) {
                events.push_back(std::to_string(intptr_t(c)) + " " + reinterpret_cast<const char*>(a) + " " +
                                 std::to_string(b));
            });
        SubscribeOnce(YEVENT_GET_CURSOR_POS, this, [](void* c, intptr_t a, intptr_t b) {
            *reinterpret_cast<int32_t*>(a) = static_cast<EventLog*>(c)->pointer[0];
            *reinterpret_cast<int32_t*>(b) = static_cast<EventLog*>(c)->pointer[1];
        });
    }
};

class WidgetTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        LoadCommands();
        live_ = g_live.windows;
        events_ = std::make_unique<EventLog>();
        // A handler registered as "interface", keeping what is sent to it.
        test::WriteFile("data/scripts/listen.lua", "");
        scripts_ = std::make_unique<CYScriptHandler>(nullptr);
        scripts_->AddState("idle", "listen.lua");
        scripts_->SetName("interface");
        g_commandManager->Register(scripts_.get());
    }
    void TearDown() override {
        scripts_.reset();
        events_.reset();
        DestroyCommands();
        EXPECT_EQ(g_live.windows, live_);
        RecordingRendererTest::TearDown();
    }
    // The commands received, oldest first, as "<command> <arg>..."; then forgets them.
    std::vector<std::string> Commands() {
        std::vector<std::string> out;
        for (auto it = scripts_->Commands().rbegin(); it != scripts_->Commands().rend(); ++it) {
            out.push_back(it->command);
            for (const std::string& arg : it->args) out.back() += " " + arg;
        }
        scripts_->ClearCommands();
        return out;
    }
    // The texture the widget shows.
    static std::string Shown(CYWindow& w) {
        const auto& names = w.GetVisual()->GetTextureNames();
        return names.empty() ? std::string() : names[0];
    }
    using Lines = std::vector<std::string>;
    int live_ = 0;
    std::unique_ptr<EventLog> events_;
    std::unique_ptr<CYScriptHandler> scripts_;
};

}  // namespace itest
