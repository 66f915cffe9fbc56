// Key actions: the 22 named player actions, each bound to one key by its key code, and
// the display names of the key codes. Bindings are read from and written to "Actions.cfg".
#pragma once
#include <cstdint>
#include <string>

#include "platform/system/Result.h"

// Entries of the key name table: codes 0x00 to 0xD3.
constexpr int kKeyNameCount = 212;
// Display names by key code; codes without a key read "undefined key".
extern const char* const KeyNames[kKeyNameCount];
// The name of any code: "undefined key" beyond the table.
const char* KeyName(int code);

// One action's key: its code and the key's display name.
struct YKeyBinding {
    uint8_t code = 0;
    std::string keyName;
};

class CYActions {
public:
    static constexpr int kActionCount = 22;
    // What every lookup returns when no action matches.
    static constexpr int kNoAction = 23;

    // The default bindings.
    CYActions();
    virtual ~CYActions();

    // Index of the action with exactly this name (case-sensitive); kNoAction when none.
    int IndexOfAction(const std::string& name) const;
    // Lowest index of an action bound to the code; kNoAction when none.
    int FindActionByKey(int code) const;
    // Unbinds the first action bound to the code, then binds the named action (if any) to
    // it. A code outside 0..255 changes nothing and returns false.
    bool SetAction(const std::string& name, int code);

    // Reads "Actions.cfg" (archive first, then disk) and applies each line "name code".
    // Negative when the file cannot be read; the bindings then stay as they are.
    HRESULT Load();
    // Replaces "Actions.cfg" in the working directory with one line "name code" per
    // action, in one step. A file that cannot be written is left alone, silently.
    void Save() const;

    // The action's name and binding; empty name and null for an index outside 0..21.
    const std::string& ActionName(int index) const;
    const YKeyBinding* Binding(int index) const;

private:
    YKeyBinding keys_[kActionCount];
    std::string names_[kActionCount];
};
