#include "core/YActions.h"

#include <cstdio>
#include <cstdlib>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "platform/files/Files.h"

namespace {

const char* const kActionsFile = "Actions.cfg";
const char* const kU = "undefined key";

struct DefaultAction {
    const char* name;
    uint8_t code;
};

constexpr DefaultAction kDefaults[CYActions::kActionCount] = {
    {"forward", 0xC8}, {"backward", 0xD0}, {"left", 0xCB},     {"right", 0xCD},  {"fire", 0x39},
    {"pickup", 0x1D},  {"cam_left", 0x2C}, {"cam_right", 0x2D}, {"cam_mode", 0x2E}, {"next", 0xC9},
    {"prev", 0xD1},    {"map", 0x32},      {"droid1", 0x02},   {"droid2", 0x03}, {"droid3", 0x04},
    {"droid4", 0x05},  {"droid5", 0x06},   {"droid6", 0x07},   {"droid7", 0x08}, {"droid8", 0x09},
    {"droid9", 0x0A},  {"help", 0x3B},
};


}  // namespace

const char* const KeyNames[kKeyNameCount] = {
    /* 00 */ kU, "Esc", "1", "2",
    /* 04 */ "3", "4", "5", "6",
    /* 08 */ "7", "8", "9", "0",
    /* 0C */ "-", "=", "Backspace", "Tab",
    /* 10 */ "Q", "W", "E", "R",
    /* 14 */ "T", "Y", "U", "I",
    /* 18 */ "O", "P", "[", "]",
    /* 1C */ "Enter", "LCtrl", "A", "S",
    /* 20 */ "D", "F", "G", "H",
    /* 24 */ "J", "K", "L", ";",
    /* 28 */ "'", "`", "LShift", "\\",
    /* 2C */ "Z", "X", "C", "V",
    /* 30 */ "B", "N", "M", ",",
    /* 34 */ ".", "/", "RShift", "*",
    /* 38 */ "LAlt", "Space", "CapsLock", "F1",
    /* 3C */ "F2", "F3", "F4", "F5",
    /* 40 */ "F6", "F7", "F8", "F9",
    /* 44 */ "F10", "NumLock", "ScrollLock", "NumPad 7",
    /* 48 */ "NumPad 8", "NumPad 9", "NumPad -", "NumPad 4",
    /* 4C */ "NumPad 5", "NumPad 6", "NumPad +", "NumPad 1",
    /* 50 */ "NumPad 2", "NumPad 3", "NumPad 0", "NumPad .",
    /* 54 */ kU, kU, kU, "F11",
    /* 58 */ "F12", kU, kU, kU,
    /* 5C */ kU, kU, kU, kU,
    /* 60 */ kU, kU, kU, kU,
    /* 64 */ "F13", "F14", "F15", kU,
    /* 68 */ kU, kU, kU, kU,
    /* 6C */ kU, kU, kU, kU,
    /* 70 */ "Kana", kU, kU, kU,
    /* 74 */ kU, kU, kU, kU,
    /* 78 */ kU, "Convert", kU, "NoConvert",
    /* 7C */ kU, "Yen", kU, kU,
    /* 80 */ kU, kU, kU, kU,
    /* 84 */ kU, kU, kU, kU,
    /* 88 */ kU, kU, kU, kU,
    /* 8C */ kU, "Numpad =", kU, kU,
    /* 90 */ "CircumFlex", "@", ":", "_",
    /* 94 */ "Kanji", "Stop", "Ax", "Unlabeled",
    /* 98 */ kU, kU, kU, kU,
    /* 9C */ "NumPad Enter", "RCtrl", kU, kU,
    /* A0 */ kU, kU, kU, kU,
    /* A4 */ kU, kU, kU, kU,
    /* A8 */ kU, kU, kU, kU,
    /* AC */ kU, kU, kU, kU,
    /* B0 */ kU, kU, kU, "Numpad ,",
    /* B4 */ kU, "Numpad /", kU, "SysRq",
    /* B8 */ "RAlt", kU, kU, kU,
    /* BC */ kU, kU, kU, kU,
    /* C0 */ kU, kU, kU, kU,
    /* C4 */ kU, "Pause", kU, "Home",
    /* C8 */ "Up", "PgUp", kU, "Left",
    /* CC */ kU, "Right", kU, "End",
    /* D0 */ "Down", "PgDn", "Ins", "Del",
};

const char* KeyName(int code) { return code >= 0 && code < kKeyNameCount ? KeyNames[code] : kU; }

CYActions::CYActions() {
    for (int i = 0; i < kActionCount; ++i) {
        names_[i] = kDefaults[i].name;
        keys_[i].code = kDefaults[i].code;
        keys_[i].keyName = KeyName(kDefaults[i].code);
    }
}

CYActions::~CYActions() = default;

int CYActions::IndexOfAction(const std::string& name) const {
    for (int i = 0; i < kActionCount; ++i)
        if (names_[i] == name) return i;
    return kNoAction;
}

int CYActions::FindActionByKey(int code) const {
    for (int i = 0; i < kActionCount; ++i)
        if (keys_[i].code == code) return i;
    return kNoAction;
}

bool CYActions::SetAction(const std::string& name, int code) {
    if (code < 0 || code > 255) return false;
    // No two actions share a key: the key's previous action loses it first.
    int previous = FindActionByKey(code);
    if (previous != kNoAction) {
        keys_[previous].code = 0;
        keys_[previous].keyName = kU;
    }
    int index = IndexOfAction(name);
    if (index != kNoAction) {
        keys_[index].code = static_cast<uint8_t>(code);
        keys_[index].keyName = KeyName(code);
    }
    return true;
}

HRESULT CYActions::Load() {
    CYFile file(kActionsFile);
    HRESULT hr = file.Load();
    if (FAILED(hr)) return hr;
    CYTextParser parser(file.GetData(), file.GetSize());
    std::string line;
    while (parser.GetLine(line)) {
        // "name code": a missing code reads as 0, further words are ignored.
        CYTokenizer tokens(line, " ", false);
        std::string name, codeText;
        tokens.NextToken(name);
        tokens.NextToken(codeText);
        // The leading decimal number (0 when there is none), held to the 32-bit range.
        const int32_t code = TextToInt(codeText, YNumberMode::Leading);
        if (code < 0 || code > 255) {
            Log(0, "Actions.cfg line %d: key code %s is not 0..255, line ignored\n", parser.GetLineNumber(),
                codeText.c_str());
            continue;
        }
        SetAction(name, static_cast<int>(code));
    }
    return hr;
}

void CYActions::Save() const {
    // A file that cannot be opened for writing is left as it is, without a word.
    if (!fs::CanOpenForWriting(kActionsFile)) return;
    std::string out;
    char line[64];
    for (int i = 0; i < kActionCount; ++i) {
        int n = std::snprintf(line, sizeof line, " %d\n", keys_[i].code);
        out += names_[i];
        if (n > 0) out.append(line, static_cast<size_t>(n));
    }
    fs::WriteFileAtomic(kActionsFile, out.data(), out.size());
}

const std::string& CYActions::ActionName(int index) const {
    static const std::string kNone;
    return index >= 0 && index < kActionCount ? names_[index] : kNone;
}

const YKeyBinding* CYActions::Binding(int index) const {
    return index >= 0 && index < kActionCount ? &keys_[index] : nullptr;
}
