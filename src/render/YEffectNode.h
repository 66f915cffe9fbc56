// The effect node: runs an effect file over its texture-set children. Only what the
// renderer needs so far: the node type, the effect's name and the load at Create.
#pragma once
#include <string>

#include "render/YNode.h"

class CYEffectNode : public CYNode {
public:
    explicit CYEffectNode(const std::string& effectName);
    // Create: loads the effect; always S_OK.
    HRESULT Create() override { return Load(); }
    HRESULT Load();
    // The effect file's name, the key GetEffectNode finds the node by.
    const std::string& GetEffectName() const { return effectName_; }

private:
    std::string effectName_;
};
