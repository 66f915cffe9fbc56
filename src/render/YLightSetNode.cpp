#include "render/YLightSetNode.h"

CYLightSetNode::CYLightSetNode() : CYNode(YNODE_LIGHTING) {}
