// The light-set node: the fixed-function lights for the nodes below it. The game world
// writes up to 15 lights a frame into its slots; every time the node is drawn, awake or
// not, it sets the enabled slots on the device and disables the others.
#pragma once
#include <cstdint>

#include "platform/graphics/Device.h"
#include "render/YNode.h"

constexpr int kLightSlots = gfx::kMaxLights;  // 15

class CYLightSetNode : public CYNode {
public:
    CYLightSetNode();

    // Sets the lights (enabled slots) and disables the rest, then draws the children
    // when awake. Always 0.
    HRESULT Render() override;

    // Slots outside 0..14 are ignored (and read as a default, disabled light).
    void SetLight(int slot, const gfx::Light& light);
    void SetLightEnabled(int slot, bool enabled);
    const gfx::Light& GetLight(int slot) const;
    bool IsLightEnabled(int slot) const;

private:
    gfx::Light lights_[kLightSlots];
    uint8_t enabled_[kLightSlots] = {};
};
