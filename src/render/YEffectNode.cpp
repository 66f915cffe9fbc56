#include "render/YEffectNode.h"

CYEffectNode::CYEffectNode(const std::string& effectName) : CYNode(YNODE_EFFECT), effectName_(effectName) {}

HRESULT CYEffectNode::Load() { return S_OK; }
