// The world's droid selection: the pending droid chosen by walking the droid slots.
#include "world/YDroids.h"
#include "world/YGameWorld.h"

namespace {

// The walk's slot made pending, or the current droid when the walk found none.
CYComplexObject* PickSlot(int slot, const YDroidSlots& slots, CYComplexObject* current, CYComplexObject** pending) {
    if (slot < 0) return current;
    *pending = slots[slot];
    return slots[slot];
}

}  // namespace

CYComplexObject* CYGameWorld::NextDroid() {
    return PickSlot(WalkDroidSlots(droidSlots_, currentDroid_, +1), droidSlots_, currentDroid_, &pendingDroid_);
}

CYComplexObject* CYGameWorld::PrevDroid() {
    return PickSlot(WalkDroidSlots(droidSlots_, currentDroid_, -1), droidSlots_, currentDroid_, &pendingDroid_);
}

CYComplexObject* CYGameWorld::ChangeDroid(int slot) {
    if (slot < 0 || slot >= kDroidSlots) return currentDroid_;
    CYComplexObject* droid = droidSlots_[slot];
    if (!droid || droid->ScriptHandler().flagParams["notChangable"]) return currentDroid_;
    pendingDroid_ = droid;
    return droid;
}

void CYGameWorld::SetCurrentDroid(CYComplexObject* droid) {
    if (!droid) return;
    if (currentDroid_) currentDroid_->ScriptHandler().flagParams["isActive"] = false;
    droid->ScriptHandler().flagParams["isActive"] = true;
    currentDroid_ = savedDroid_ = droid;
    camera_.SetTarget(droid);
}
