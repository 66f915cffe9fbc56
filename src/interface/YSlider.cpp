#include "interface/YSlider.h"

CYWindow* BuildSlider(const YInterfaceElement&) { return nullptr; }
