// Fuzz target: the effect parser on arbitrary text, then every pass of every technique
// applied to a recording device between Begin and End.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/graphics/Device.h"
#include "platform/graphics/Effect.h"

namespace {

gfx::Device* RecordingDevice() {
    static gfx::Device* device = [] {
        gfx::Graphics* graphics = gfx::CreateRecordingGraphics();
        gfx::PresentParameters pp;
        pp.backBufferWidth = 64;
        pp.backBufferHeight = 64;
        gfx::Device* d = nullptr;
        graphics->CreateDevice(0, gfx::DEVTYPE_HAL, nullptr, 0, &pp, &d);
        graphics->Release();
        return d;
    }();
    return device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gfx::Device* device = RecordingDevice();
    if (!device) return 0;
    gfx::Effect* effect = nullptr;
    std::string errors;
    if (gfx::CreateEffect(device, data, size, &effect, &errors) != S_OK) {
        if (errors.empty()) __builtin_trap();
        return 0;
    }
    effect->SetFloat(effect->GetParameterByName(nullptr, "time"), 1.5f);
    for (uint32_t t = 0; gfx::EffectHandle technique = effect->GetTechnique(t); ++t) {
        effect->SetTechnique(technique);
        uint32_t passes = 0;
        if (effect->Begin(&passes, 0) != S_OK) __builtin_trap();
        for (uint32_t p = 0; p < passes; ++p) effect->Pass(p);
        effect->End();
    }
    effect->Release();
    gfx::AsRecording(device)->ClearCalls();
    return 0;
}
