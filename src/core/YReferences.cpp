#include "core/YReferences.h"

#include <unordered_map>

#include "core/YLog.h"

namespace {

std::unordered_map<uint32_t, CYReferenced*>& Table() {
    static std::unordered_map<uint32_t, CYReferenced*> table;
    return table;
}

uint32_t g_nextId = 1;

// A fresh id entered for the object. When every id has been used, the object gets none
// (scripts see it as null) rather than an id that a stale reference might still carry.
uint32_t Enter(CYReferenced* object) {
    if (g_nextId > kMaxReferenceId) {
        static bool logged = false;
        if (!logged) Log(0, "Script references exhausted: new objects are null to scripts\n");
        logged = true;
        return 0;
    }
    uint32_t id = g_nextId++;
    Table().emplace(id, object);
    return id;
}

}  // namespace

CYReferenced::CYReferenced() : id_(Enter(this)) {}

CYReferenced::CYReferenced(const CYReferenced&) : id_(Enter(this)) {}

CYReferenced::~CYReferenced() { DropReference(); }

void CYReferenced::DropReference() {
    if (id_ != 0) Table().erase(id_);
    id_ = 0;
}

CYReferenced* FindReferenced(uint32_t id) {
    if (id == 0) return nullptr;
    auto it = Table().find(id);
    return it == Table().end() ? nullptr : it->second;
}

size_t LiveReferenceCount() { return Table().size(); }

uint32_t SetNextReferenceId(uint32_t id) {
    uint32_t previous = g_nextId;
    g_nextId = id == 0 ? 1 : id;
    return previous;
}
