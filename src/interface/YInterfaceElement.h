// One element of an interface description file as the builders see it: its tag, its depth
// (the widget's draw layer) and its attributes, each a list of lower-cased parameters.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "core/YNumbers.h"

struct YInterfaceElement {
    std::string tag;
    int depth = 0;
    // Attribute name -> parameters; a name given twice keeps its first occurrence.
    std::map<std::string, std::vector<std::string>> attributes;

    // Parameter i of the attribute, or the empty text when either is missing.
    std::string Text(const std::string& name, size_t i = 0) const {
        const auto it = attributes.find(name);
        if (it == attributes.end() || i >= it->second.size()) return std::string();
        return it->second[i];
    }
    // The parameter read as atoi reads it: its leading integer, 0 when there is none.
    int Int(const std::string& name, size_t i = 0) const { return TextToInt(Text(name, i), YNumberMode::Leading); }
    // A texture name: the parameter prefixed with the interface textures' folder; the
    // empty text (no image) when the attribute is missing or empty.
    std::string Texture(const std::string& name) const {
        const std::string text = Text(name);
        return text.empty() ? text : "interface\\" + text;
    }
    bool Has(const std::string& name) const { return attributes.count(name) != 0; }
};
