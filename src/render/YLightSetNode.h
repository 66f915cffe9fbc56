// The light-set node: the fixed-function lights for the nodes below it.
#pragma once
#include "render/YNode.h"

class CYLightSetNode : public CYNode {
public:
    CYLightSetNode();
};
