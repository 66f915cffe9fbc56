// Shared pieces of the clickable-widget and description-file tests: the commands the
// "interface" scripts receive, the widget events, the pointer position, and a fixture on
// the recording renderer that checks no window outlives its test.
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
    int32_t pointerX = -1, pointerY = -1;
    EventLog() {
        events.clear();
        for (int e : {YEVENT_CHECKBOX_CHANGED, YEVENT_RADIO_CHECKED, YEVENT_BUTTON_CLICKED})
            SubscribeOnce(e, reinterpret_cast<void*>(intptr_t(e)), [](void* c, intptr_t a, intptr_t b) {
                events.push_back(std::to_string(intptr_t(c)) + " " + reinterpret_cast<const char*>(a) + " " +
                                 std::to_string(b));
            });
        SubscribeOnce(YEVENT_GET_CURSOR_POS, this, [](void* c, intptr_t a, intptr_t b) {
            *reinterpret_cast<int32_t*>(a) = static_cast<EventLog*>(c)->pointerX;
            *reinterpret_cast<int32_t*>(b) = static_cast<EventLog*>(c)->pointerY;
        });
    }
};

// A script handler registered as "interface" that keeps what is sent to it.
struct InterfaceScripts {
    CYScriptHandler handler{nullptr};
    InterfaceScripts() {
        test::WriteFile("data/scripts/listen.lua", "");
        handler.AddState("idle", "listen.lua");
        handler.SetName("interface");
        g_commandManager->Register(&handler);
    }
    // The commands received, oldest first, as "<command> <arg> <arg>..."; then forgets them.
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        for (auto it = handler.Commands().rbegin(); it != handler.Commands().rend(); ++it) {
            std::string line = it->command;
            for (const std::string& arg : it->args) line += " " + arg;
            out.push_back(line);
        }
        handler.ClearCommands();
        return out;
    }
};

class WidgetTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        LoadCommands();
        live_ = g_live.windows;
        events_ = std::make_unique<EventLog>();
        scripts_ = std::make_unique<InterfaceScripts>();
    }
    void TearDown() override {
        scripts_.reset();
        events_.reset();
        DestroyCommands();
        EXPECT_EQ(g_live.windows, live_);
        RecordingRendererTest::TearDown();
    }
    // The first texture the widget shows.
    static std::string Shown(CYWindow& w) {
        const auto& names = w.GetVisual()->GetTextureNames();
        return names.empty() ? std::string() : names[0];
    }
    using Lines = std::vector<std::string>;
    int live_ = 0;
    std::unique_ptr<EventLog> events_;
    std::unique_ptr<InterfaceScripts> scripts_;
};

}  // namespace itest
