#include "interface/YInterfaceLoader.h"

#include <algorithm>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "interface/YButton.h"
#include "interface/YRadioGroup.h"
#include "interface/YSlider.h"
#include "interface/YTextBox.h"
#include "interface/YTextEdit.h"
#include "interface/YWindow.h"

namespace {

// The file's messages, in code page 1251.
const char* const kNoOpeningTag =
    "\xce\xf9\xe8\xe1\xea\xe0 \xe2 \xf4\xe0\xe9\xeb\xe5, \xe4\xe0\xed\xed\xfb\xe5 \xe1\xe5\xe7 "
    "\xee\xf2\xf0\xea\xfb\xe2\xe0\xfe\xf9\xe5\xe3\xee \xf2\xe5\xe3\xe0, \xed\xe0 \xf1\xf2\xf0\xee\xea\xe5 - %d\n";
const char* const kClosingWithoutOpening =
    "\xc7\xe0\xea\xf0\xfb\xe2\xe0\xfe\xf9\xe8\xe9 \xf2\xfd\xe3 \xe1\xe5\xe7 "
    "\xee\xf2\xea\xf0\xfb\xe2\xe0\xfe\xf9\xe5\xe3\xee - %s \xed\xe0 \xf1\xf2\xf0\xee\xea\xe5 - %d\n";
const char* const kClosingMismatch =
    "\xc7\xe0\xea\xf0\xfb\xe2\xe0\xfe\xf9\xe8\xe9 \xf2\xfd\xe3 \xed\xe5 "
    "\xf1\xee\xee\xf2\xe2\xe5\xf2\xf1\xf2\xe2\xf3\xe5\xf2 \xee\xf2\xea\xf0\xfb\xe2\xe0\xfe\xf9\xe5\xec\xf3 - %s "
    "\xed\xe0 \xf1\xf2\xf0\xee\xea\xe5 - %d\n";
const char* const kCannotCreateWindow =
    "\xcd\xe5\xe2\xee\xe7\xec\xee\xe6\xed\xee \xf1\xee\xe7\xe4\xe0\xf2\xfc \xee\xea\xed\xee, \xed\xe0 "
    "\xf1\xf2\xf0\xee\xea\xe5 - %d\n";
const char* const kCannotSplit =
    "\xcd\xee\xe2\xee\xe7\xec\xee\xe6\xed\xee \xf0\xe0\xe7\xee\xe1\xf0\xe0\xf2\xfc "
    "\xef\xe0\xf0\xe0\xec\xe5\xf2\xf0\xfb \xed\xe0 \xf1\xf2\xf0\xee\xea\xe5 - %d\n";
const char* const kWrongCount =
    "\xcd\xe5\xef\xf0\xe0\xe2\xe8\xeb\xfc\xed\xee\xe5 \xea\xee\xeb\xe8\xf7\xe5\xf1\xf2\xe2\xee "
    "\xef\xe0\xf0\xe0\xec\xe5\xf2\xf0\xee\xe2 \xe2 \xea\xee\xec\xec\xe0\xed\xe4\xe5 - %s \xed\xe0 "
    "\xf1\xf2\xf0\xee\xea\xe5 - %d\n";
const char* const kNotInteger =
    "\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0 \xb9%d \xe2 \xea\xee\xec\xec\xe0\xed\xe4\xe5 - %s \xed\xe0 "
    "\xf1\xf2\xf0\xee\xea\xe5 - %d \xe4\xee\xeb\xe6\xe5\xed \xe1\xfb\xf2\xfc \xf6\xe5\xeb\xfb\xec "
    "\xf7\xe8\xf1\xeb\xee\xec\n";
const char* const kNotReal =
    "\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0 \xb9%d \xe2 \xea\xee\xec\xec\xe0\xed\xe4\xe5 - %s \xed\xe0 "
    "\xf1\xf2\xf0\xee\xea\xe5 - %d \xe4\xee\xeb\xe6\xe5\xed \xe1\xfb\xf2\xfc "
    "\xe4\xe5\xe9\xf1\xf2\xe2\xe8\xf2\xe5\xeb\xfc\xed\xfb\xec \xf7\xe8\xf1\xeb\xee\xec\n";
const char* const kNotBool =
    "\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0 \xb9%d \xe2 \xea\xee\xec\xec\xe0\xed\xe4\xe5 - %s \xed\xe0 "
    "\xf1\xf2\xf0\xee\xea\xe5 - %d \xe4\xee\xeb\xe6\xe5\xed \xe1\xfb\xf2\xfc true \xe8\xeb\xe8 false\n";

// The kinds of parameter the check table asks for.
enum class Kind { Text, Integer, Real, Bool };

const char* const kOneText[] = {
    "name",        "texture",    "effect",         "pressed",    "mask",           "on_mask",     "on_img",
    "text",        "music",      "lb_name",        "lb_img",     "lb_pressed_img", "lb_lit_img",  "lb_mask",
    "rb_name",     "rb_img",     "rb_pressed_img", "rb_lit_img", "rb_mask",        "off_img",     "off_lit_img",
    "on_lit_img",  "slider_name", "slider_img",    "toddler_img", "slider_mask",   "toddler_mask"};
const char* const kOneInteger[] = {"tex_width", "tex_height", "width",    "height",       "offset_x",     "offset_y",
                                   "pressed_x", "pressed_y",  "lit_x",    "lit_y",        "font",         "font_lit",
                                   "font_pressed", "size",    "visible_width", "line_space"};
const char* const kOneBool[] = {"transparent", "loop", "editable", "centered"};

template <size_t N>
bool Listed(const char* const (&names)[N], const std::string& name) {
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

// The kinds the attribute's parameters must have; false for a name the table does not check.
bool ExpectedKinds(const std::string& name, std::vector<Kind>& kinds) {
    if (Listed(kOneText, name))
        kinds = {Kind::Text};
    else if (Listed(kOneInteger, name))
        kinds = {Kind::Integer};
    else if (Listed(kOneBool, name))
        kinds = {Kind::Bool};
    else if (name == "position")
        kinds = {Kind::Integer, Kind::Integer};
    else if (name == "linearcontroller")
        kinds = {Kind::Integer, Kind::Integer, Kind::Integer, Kind::Integer, Kind::Real, Kind::Real};
    else
        return false;
    return true;
}

bool HasKind(const std::string& text, Kind kind) {
    switch (kind) {
        case Kind::Integer: {
            int64_t v = 0;
            return ParseInteger(text, YNumberMode::Strict, INT32_MIN, INT32_MAX, &v);
        }
        case Kind::Real: {
            double v = 0;
            return ParseReal(text, YNumberMode::Strict, &v);
        }
        case Kind::Bool: return text == "true" || text == "false";
        default: return true;
    }
}

std::vector<std::string> Split(const std::string& text, const char* delimiter) {
    std::vector<std::string> tokens;
    CYTokenizer tokenizer(text, delimiter, false);
    std::string token;
    while (tokenizer.NextToken(token)) tokens.push_back(token);
    return tokens;
}

using Builder = CYWindow* (*)(const YInterfaceElement&);

struct TagBuilder {
    const char* tag;
    Builder build;
};

const TagBuilder kBuilders[] = {
    {"window", BuildWindow},         {"button", BuildButton},         {"checkbox", BuildCheckBox},
    {"radiobutton", BuildRadioButton}, {"radiogroup", BuildRadioGroup}, {"slider", BuildSlider},
    {"textbox", BuildTextBox},       {"textedit", BuildTextEdit},
};

// The position and the numbered script states, applied to every built widget.
void ApplyCommonAttributes(CYWindow& widget, const YInterfaceElement& e) {
    if (e.Has("position")) widget.SetPosition(float(e.Int("position", 0)), float(e.Int("position", 1)));
    for (size_t n = 0;; ++n) {
        const std::string name = "script" + std::to_string(n);
        if (!e.Has(name)) break;
        widget.Script().AddState(e.Text(name, 0), e.Text(name, 1));
    }
}

// Reads the elements of one file from its line parser.
class CYInterfaceReader {
public:
    explicit CYInterfaceReader(CYTextParser& parser) : parser_(parser) {}

    // The top-level elements, until the end of the file or the first error at top level.
    std::vector<std::unique_ptr<CYWindow>> ReadFile();

private:
    // The element whose opening tag was just read, with its subtree; null when it fails.
    std::unique_ptr<CYWindow> ReadElement(const std::string& tag, int depth);
    // Consumes the rest of the element whose opening tag was read last, up to its closing tag.
    void SkipElement();
    // Counts an opened element; false (logged once) beyond the file's bound.
    bool CountElement();

    CYTextParser& parser_;
    size_t elements_ = 0;
    bool stopped_ = false;
};

// The tag of a tag line, lower-cased; for a closing tag, the name after the "/".
std::string TagOf(const std::string& line, bool* closing) {
    std::string tag = line;
    ToLower(tag);
    const size_t slash = tag.find('/');
    *closing = slash != std::string::npos;
    if (*closing) tag.erase(0, slash + 1);
    return tag;
}

// A tag line as the messages name it: lower-cased, a closing tag with its "/".
std::string TagLineText(const std::string& line) {
    std::string text = line;
    ToLower(text);
    return text;
}

bool CYInterfaceReader::CountElement() {
    if (stopped_) return false;
    if (++elements_ <= kMaxInterfaceElements) return true;
    Log(3, "Interface file holds more than %d elements, reading stopped on line %d\n", int(kMaxInterfaceElements),
        parser_.GetLineNumber());
    stopped_ = true;
    return false;
}

std::vector<std::unique_ptr<CYWindow>> CYInterfaceReader::ReadFile() {
    std::vector<std::unique_ptr<CYWindow>> windows;
    std::string line;
    while (!stopped_ && parser_.GetLine(line)) {
        if (parser_.IsValueLine()) {
            Log(3, kNoOpeningTag, parser_.GetLineNumber());
            break;
        }
        bool closing = false;
        const std::string tag = TagOf(line, &closing);
        if (closing) {
            Log(3, kClosingWithoutOpening, TagLineText(line).c_str(), parser_.GetLineNumber());
            break;
        }
        std::unique_ptr<CYWindow> window = ReadElement(tag, 0);
        if (!window) break;
        windows.push_back(std::move(window));
    }
    return windows;
}

void CYInterfaceReader::SkipElement() {
    std::string line;
    int open = 0;
    while (parser_.GetLine(line)) {
        if (parser_.IsValueLine()) continue;
        if (line.find('/') == std::string::npos) {
            ++open;
        } else if (open-- == 0) {
            return;
        }
    }
}

std::unique_ptr<CYWindow> CYInterfaceReader::ReadElement(const std::string& tag, int depth) {
    if (!CountElement()) return nullptr;
    if (depth >= kMaxInterfaceDepth) {
        Log(3, "Interface element - %s on line %d is nested deeper than %d\n", tag.c_str(), parser_.GetLineNumber(),
            kMaxInterfaceDepth);
        SkipElement();
        return nullptr;
    }
    YInterfaceElement e;
    e.tag = tag;
    e.depth = depth;
    std::vector<std::unique_ptr<CYWindow>> children;
    std::string line;
    while (!stopped_ && parser_.GetLine(line)) {
        if (parser_.IsValueLine()) {
            if (!SplitAttributeLine(e.attributes, line, parser_.GetLineNumber())) {
                // The rest of the element goes with it, so its parent reads on after it.
                SkipElement();
                return nullptr;
            }
            continue;
        }
        bool closing = false;
        const std::string inner = TagOf(line, &closing);
        if (closing) {
            if (inner != tag) {
                Log(3, kClosingMismatch, TagLineText(line).c_str(), parser_.GetLineNumber());
                return nullptr;
            }
            std::unique_ptr<CYWindow> widget(CreateWidgetForTag(e));
            if (!widget) return nullptr;
            // A child the window refuses (a tree grown too deep) is deleted here.
            for (std::unique_ptr<CYWindow>& child : children)
                if (widget->AddChild(child.get())) child.release();
            return widget;
        }
        std::unique_ptr<CYWindow> child = ReadElement(inner, depth + 1);
        if (child)
            children.push_back(std::move(child));
        else if (!stopped_)
            Log(3, kCannotCreateWindow, parser_.GetLineNumber());
    }
    return nullptr;
}

}  // namespace

bool CheckAttributeParameters(const std::string& name, const std::vector<std::string>& parameters, int lineNumber) {
    std::vector<Kind> kinds;
    if (!ExpectedKinds(name, kinds)) return true;
    if (parameters.size() != kinds.size()) {
        Log(3, kWrongCount, name.c_str(), lineNumber);
        return false;
    }
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (HasKind(parameters[i], kinds[i])) continue;
        const char* message = kinds[i] == Kind::Integer ? kNotInteger : kinds[i] == Kind::Real ? kNotReal : kNotBool;
        Log(3, message, int(i + 1), name.c_str(), lineNumber);
        return false;
    }
    return true;
}

bool SplitAttributeLine(YAttributeMap& attributes, const std::string& line, int lineNumber) {
    std::string lower = line;
    ToLower(lower);
    const std::vector<std::string> sides = Split(lower, "=");
    if (sides.size() < 2 || sides[0].empty() || sides[1].empty()) {
        Log(3, kCannotSplit, lineNumber);
        return false;
    }
    const std::string& name = sides[0];
    std::vector<std::string> parameters = Split(sides[1], ",");
    if (!CheckAttributeParameters(name, parameters, lineNumber)) return false;
    if (attributes.count(name)) return true;  // the first occurrence is kept
    if (attributes.size() >= kMaxElementAttributes) {
        Log(3, "Interface element on line %d has more than %d attributes\n", lineNumber, int(kMaxElementAttributes));
        return false;
    }
    attributes.emplace(name, std::move(parameters));
    return true;
}

CYWindow* BuildWindow(const YInterfaceElement& e) {
    auto* window = new CYWindow(e.Text("name"), e.Texture("texture"), e.Text("effect"), e.Text("mask"),
                                e.Int("width"), e.Int("height"), e.Int("tex_width"), e.Int("tex_height"),
                                e.Int("offset_x"), e.Int("offset_y"), 0.0f, 0.0f);
    window->SetLayer(e.depth);
    if (window->Load() < 0) {
        delete window;
        return nullptr;
    }
    return window;
}

CYWindow* CreateWidgetForTag(const YInterfaceElement& e) {
    const auto it = std::find_if(std::begin(kBuilders), std::end(kBuilders),
                                 [&](const TagBuilder& b) { return e.tag == b.tag; });
    if (it == std::end(kBuilders)) return nullptr;
    CYWindow* widget = it->build(e);
    if (!widget) return nullptr;
    widget->SetLayer(e.depth);
    ApplyCommonAttributes(*widget, e);
    return widget;
}

std::vector<std::unique_ptr<CYWindow>> ParseInterfaceFile(const std::string& interfaceName) {
    const std::string path = "data\\interface\\Data\\" + interfaceName;
    Log(3, "Parsing interface file - %s ----------------- started -------------\n", path.c_str());
    std::vector<std::unique_ptr<CYWindow>> windows;
    CYFile file(path);
    if (file.Load(kMaxInterfaceFileBytes) >= 0) {
        // A NUL byte ends a line for the parser like a line feed, without being counted.
        CYTextParser parser(file.GetData(), file.GetSize());
        windows = CYInterfaceReader(parser).ReadFile();
    }
    Log(3, "Parsing interface file - %s ----------------- finished -------------\n", path.c_str());
    return windows;
}
