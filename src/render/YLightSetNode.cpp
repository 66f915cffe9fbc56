#include "render/YLightSetNode.h"

#include "render/YRenderer.h"

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kLightSlots; }
}  // namespace

CYLightSetNode::CYLightSetNode() : CYNode(YNODE_LIGHTING) {}

HRESULT CYLightSetNode::Render() {
    if (g_device)
        for (int i = 0; i < kLightSlots; ++i) {
            if (enabled_[i]) {
                g_device->SetLight(uint32_t(i), &lights_[i]);
                g_device->LightEnable(uint32_t(i), true);
            } else {
                g_device->LightEnable(uint32_t(i), false);
            }
        }
    CYNode::Render();
    return S_OK;
}

void CYLightSetNode::SetLight(int slot, const gfx::Light& light) {
    if (ValidSlot(slot)) lights_[slot] = light;
}

void CYLightSetNode::SetLightEnabled(int slot, bool enabled) {
    if (ValidSlot(slot)) enabled_[slot] = enabled ? 1 : 0;
}

const gfx::Light& CYLightSetNode::GetLight(int slot) const {
    static const gfx::Light kNone;
    return ValidSlot(slot) ? lights_[slot] : kNone;
}

bool CYLightSetNode::IsLightEnabled(int slot) const { return ValidSlot(slot) && enabled_[slot] != 0; }
