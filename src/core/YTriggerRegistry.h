// Named integer triggers set and read by scripts, and the script states that watch them.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/YEvents.h"

class CYScriptHandler;

// What a watching state registers: its handler and its whole state name.
struct YTriggerWatcher {
    CYScriptHandler* handler = nullptr;
    std::string stateName;
};

class CYTriggerRegistry : public CYEventListener {
public:
    CYTriggerRegistry();
    ~CYTriggerRegistry() override;

    // Subscribes to the set, get, watch and clear events.
    int Init();

    void Set(const std::string& name, int32_t value);
    // A name never set is stored as 0 and reads 0.
    int32_t Get(const std::string& name);
    void Watch(const std::string& name, const YTriggerWatcher& watcher);
    void Clear();
    // Drops every watcher record of a handler that is going away.
    void ForgetHandler(const CYScriptHandler* handler);

    // Registers the watchers of every state of a handler whose name begins with "_".
    static void RegisterWatchers(CYScriptHandler* handler);

private:
    static void OnSet(void* context, intptr_t a, intptr_t b);
    static void OnGet(void* context, intptr_t a, intptr_t b);
    static void OnWatch(void* context, intptr_t a, intptr_t b);
    static void OnClear(void* context, intptr_t a, intptr_t b);

    std::unordered_map<std::string, int32_t> values_;
    std::unordered_map<std::string, std::vector<YTriggerWatcher>> watchers_;
};

// Called by every script handler as it is destroyed: no registry keeps its records.
void ForgetTriggerWatchersOf(const CYScriptHandler* handler);
