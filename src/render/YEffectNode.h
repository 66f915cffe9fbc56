// The effect node: runs an effect file (from "data\effects", archive first, then disk)
// over its texture-set children. The file's first technique is used; a float parameter
// "time" gets the timer's total time every frame; texture parameters "tex0", "tex1" ...
// get the textures of each texture-set child in turn. A missing file falls back to
// "simple.fx"; a node whose effect did not compile draws nothing.
#pragma once
#include <string>
#include <vector>

#include "platform/graphics/Effect.h"
#include "render/YNode.h"

class CYEffectNode : public CYNode {
public:
    explicit CYEffectNode(const std::string& effectName);
    // Releases the effect.
    ~CYEffectNode() override;

    // Create: loads the effect; always S_OK (a failed load leaves the node without one).
    HRESULT Create() override { return Load(); }
    HRESULT Load();
    // Awake: every awake texture-set child is drawn once a pass with its textures bound.
    // The last pass's result, or Begin's; 0 while idle or without an effect.
    HRESULT Render() override;
    // The effect first, then the children.
    void OnLostDevice() override;
    void OnResetDevice() override;
    // Visits no children.
    HRESULT ForEachChild8() override { return S_OK; }

    // The effect file's name, the key GetEffectNode finds the node by.
    const std::string& GetEffectName() const { return effectName_; }
    gfx::Effect* GetEffect() const { return effect_; }
    // Handles of "tex0", "tex1" ... up to the first missing number.
    size_t GetTextureParameterCount() const { return textureHandles_.size(); }
    bool HasTime() const { return timeHandle_ != nullptr; }

private:
    std::vector<gfx::EffectHandle> textureHandles_;
    gfx::Effect* effect_ = nullptr;
    gfx::EffectHandle timeHandle_ = nullptr;
    std::string effectName_;
};
