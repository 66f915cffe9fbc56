#include "core/YTriggerRegistry.h"

#include <algorithm>

#include "core/YScript.h"
#include "core/YTokenizer.h"

namespace {
// Live registries, so that a handler's destruction reaches them.
std::vector<CYTriggerRegistry*>& Registries() {
    static std::vector<CYTriggerRegistry*> list;
    return list;
}
const char* Text(intptr_t a) { return a ? reinterpret_cast<const char*>(a) : ""; }
}  // namespace

CYTriggerRegistry::CYTriggerRegistry() {
    values_.reserve(100);
    watchers_.reserve(100);
    Registries().push_back(this);
}

CYTriggerRegistry::~CYTriggerRegistry() {
    auto& list = Registries();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    Clear();
}

int CYTriggerRegistry::Init() {
    SubscribeOnce(YEVENT_SET_TRIGGER, this, OnSet);
    SubscribeOnce(YEVENT_GET_TRIGGER, this, OnGet);
    SubscribeOnce(YEVENT_WATCH_TRIGGER, this, OnWatch);
    SubscribeOnce(YEVENT_CLEAR_TRIGGERS, this, OnClear);
    return 0;
}

void CYTriggerRegistry::Set(const std::string& name, int32_t value) {
    values_[name] = value;
    if (value <= 0) return;
    auto it = watchers_.find(name);
    if (it == watchers_.end()) return;
    // A copy: a started state may register or clear watchers while we walk.
    std::vector<YTriggerWatcher> watchers = it->second;
    for (const YTriggerWatcher& w : watchers) {
        // A handler destroyed by an earlier state switch in this walk is skipped.
        bool live = false;
        auto now = watchers_.find(name);
        if (now != watchers_.end())
            for (const YTriggerWatcher& x : now->second)
                if (x.handler == w.handler) live = true;
        if (live && w.handler) w.handler->SetState(w.stateName, 0);
    }
}

int32_t CYTriggerRegistry::Get(const std::string& name) { return values_.emplace(name, 0).first->second; }

void CYTriggerRegistry::Watch(const std::string& name, const YTriggerWatcher& watcher) {
    watchers_[name].push_back(watcher);
}

void CYTriggerRegistry::Clear() {
    values_.clear();
    watchers_.clear();
}

void CYTriggerRegistry::ForgetHandler(const CYScriptHandler* handler) {
    for (auto it = watchers_.begin(); it != watchers_.end();) {
        auto& list = it->second;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [handler](const YTriggerWatcher& w) { return w.handler == handler; }),
                   list.end());
        it = list.empty() ? watchers_.erase(it) : std::next(it);
    }
}

void CYTriggerRegistry::RegisterWatchers(CYScriptHandler* handler) {
    if (!handler) return;
    for (const std::string& stateName : handler->StateNames()) {
        if (stateName.empty() || stateName[0] != '_') continue;
        CYTokenizer tokenizer(stateName, ",", true);
        std::string trigger;
        if (!tokenizer.NextToken(trigger)) continue;
        YTriggerWatcher record{handler, stateName};
        SendEvent(YEVENT_WATCH_TRIGGER, reinterpret_cast<intptr_t>(trigger.c_str()),
                  reinterpret_cast<intptr_t>(&record));
    }
}

void CYTriggerRegistry::OnSet(void* context, intptr_t a, intptr_t b) {
    static_cast<CYTriggerRegistry*>(context)->Set(Text(a), static_cast<int32_t>(b));
}

void CYTriggerRegistry::OnGet(void* context, intptr_t a, intptr_t b) {
    int32_t value = static_cast<CYTriggerRegistry*>(context)->Get(Text(a));
    if (b) *reinterpret_cast<int32_t*>(b) = value;
}

void CYTriggerRegistry::OnWatch(void* context, intptr_t a, intptr_t b) {
    if (!b) return;
    static_cast<CYTriggerRegistry*>(context)->Watch(Text(a), *reinterpret_cast<const YTriggerWatcher*>(b));
}

void CYTriggerRegistry::OnClear(void* context, intptr_t, intptr_t) { static_cast<CYTriggerRegistry*>(context)->Clear(); }

void ForgetTriggerWatchersOf(const CYScriptHandler* handler) {
    for (CYTriggerRegistry* r : Registries()) r->ForgetHandler(handler);
}
