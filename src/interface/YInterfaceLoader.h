// The reader of interface description files: nested elements in square-bracket tags with
// "name = a, b" attribute lines. Each element becomes a widget of its tag, nested elements
// its children, and the top-level elements the windows of the screen. Every attribute
// line is checked before it is kept; a bad line loses its element, never the program.
#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "interface/YInterfaceElement.h"

class CYWindow;

// Bounds of one description file.
constexpr size_t kMaxInterfaceFileBytes = size_t{4} << 20;
// Deepest nesting: a top-level element has depth 0, its children 1, and so on.
constexpr int kMaxInterfaceDepth = 16;
// Most elements (built or not) read from one file.
constexpr size_t kMaxInterfaceElements = 4096;
// Most attributes of one element.
constexpr size_t kMaxElementAttributes = 256;

using YAttributeMap = std::map<std::string, std::vector<std::string>>;

// Reads "data\interface\Data\<name>" and builds its top-level windows, in file order,
// with their subtrees. An error keeps the windows built before it; a missing file gives none.
std::vector<std::unique_ptr<CYWindow>> ParseInterfaceFile(const std::string& interfaceName);

// Splits one attribute line (lower-cased) into its name and parameters, checks them and
// keeps them unless the name is already present. False (logged) when the line is bad.
bool SplitAttributeLine(YAttributeMap& attributes, const std::string& line, int lineNumber);
// The parameter check of an attribute by its name. False (logged) when it fails.
bool CheckAttributeParameters(const std::string& name, const std::vector<std::string>& parameters, int lineNumber);

// The widget of the element's tag, loaded, with its layer, position and script states;
// null for a tag that builds nothing or a widget that does not load.
CYWindow* CreateWidgetForTag(const YInterfaceElement& e);

// Builder of the "window" element: a loaded plain window owned by the caller, or null.
CYWindow* BuildWindow(const YInterfaceElement& e);
