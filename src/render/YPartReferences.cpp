#include "render/YPartReferences.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <vector>

#include "core/YLog.h"
#include "core/YReferences.h"
#include "render/YObject.h"

namespace {

enum class HandleKind { kPart, kSkeleton };

// A part's or skeleton's entry in the reference table.
class CYHandle : public CYReferenced {
public:
    CYHandle(void* target, HandleKind kind) : target(target), kind(kind) {}
    void* const target;
    const HandleKind kind;
};

using HandleMap = std::unordered_map<const void*, std::unique_ptr<CYHandle>>;

// Never destroyed: handles may be dropped while the program's statics go away.
HandleMap& Handles() {
    static HandleMap* handles = new HandleMap;
    return *handles;
}

std::deque<std::unique_ptr<CYObject>>& FreeParts() {
    static auto* parts = new std::deque<std::unique_ptr<CYObject>>;
    return *parts;
}

void* HandleReference(void* target, HandleKind kind) {
    if (!target) return nullptr;
    std::unique_ptr<CYHandle>& handle = Handles()[target];
    if (!handle) handle = std::make_unique<CYHandle>(target, kind);
    return handle->Reference();
}

void* ResolveHandle(const void* reference, HandleKind kind) {
    auto* handle = dynamic_cast<CYHandle*>(FindReferenced(ReferenceIdOf(reference)));
    return handle && handle->kind == kind ? handle->target : nullptr;
}

}  // namespace

void* PartReference(CYObject* part) {
    if (auto* own = dynamic_cast<CYReferenced*>(part)) return own->Reference();
    return HandleReference(part, HandleKind::kPart);
}

CYObject* ResolvePart(const void* reference) {
    if (auto* part = static_cast<CYObject*>(ResolveHandle(reference, HandleKind::kPart))) return part;
    return ResolveReference<CYObject>(reference);
}

void* SkeletonReference(CYSkeleton* skeleton) { return HandleReference(skeleton, HandleKind::kSkeleton); }

CYSkeleton* ResolveSkeleton(const void* reference) {
    return static_cast<CYSkeleton*>(ResolveHandle(reference, HandleKind::kSkeleton));
}

void DropPartReferences(CYObject* root) {
    if (!root || Handles().empty()) return;
    std::vector<CYObject*> tree;
    root->CollectTree(&tree);
    for (CYObject* object : tree) Handles().erase(object);
}

void DropSkeletonReference(const CYSkeleton* skeleton) {
    if (skeleton) Handles().erase(skeleton);
}

CYObject* KeepFreePart(std::unique_ptr<CYObject> part) {
    if (!part) return nullptr;
    auto& parts = FreeParts();
    if (parts.size() >= kMaxFreeParts) {
        Log(3, "Copied part - %s deleted: more than %d copies belong to no object\n",
            parts.front()->GetName().c_str(), static_cast<int>(kMaxFreeParts));
        DropPartReferences(parts.front().get());
        parts.pop_front();
    }
    parts.push_back(std::move(part));
    return parts.back().get();
}

bool IsFreePart(const CYObject* part) {
    const auto& parts = FreeParts();
    return part && std::any_of(parts.begin(), parts.end(), [part](const auto& p) { return p.get() == part; });
}

void ReleaseFreePart(const CYObject* part) {
    auto& parts = FreeParts();
    auto it = std::find_if(parts.begin(), parts.end(), [part](const auto& p) { return p.get() == part; });
    if (it == parts.end()) return;
    (void)it->release();
    parts.erase(it);
}

void DeleteFreeParts() {
    auto& parts = FreeParts();
    while (!parts.empty()) {
        DropPartReferences(parts.front().get());
        parts.pop_front();
    }
}

size_t FreePartCount() { return FreeParts().size(); }
