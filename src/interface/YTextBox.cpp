#include "interface/YTextBox.h"

CYWindow* BuildTextBox(const YInterfaceElement&) { return nullptr; }
