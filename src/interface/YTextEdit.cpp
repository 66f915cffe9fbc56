#include "interface/YTextEdit.h"

CYWindow* BuildTextEdit(const YInterfaceElement&) { return nullptr; }
