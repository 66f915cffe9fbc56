#include "world/YDroidModel.h"

#include "core/YLog.h"
#include "render/YComplexObject.h"
#include "render/YMeshLoader.h"
#include "world/YDroids.h"

const char* const kDroidDescription = "droids.adf";

namespace {

// One value of a record field and the parts it does not use.
struct PartChoice {
    const char* value;
    const char* unused[2];
};

const PartChoice kArmorParts[] = {
    {"chainmail", {"armor2", "armor3"}},
    {"cuirass", {"armor1", "armor3"}},
    {"panzer", {"armor1", "armor2"}},
};
const PartChoice kChassisParts[] = {
    {"chariot", {"shassis2", "shassis3"}},
    {"centipede", {"shassis1", "shassis3"}},
    {"ikarus", {"shassis1", "shassis2"}},
};
const PartChoice kWeaponParts[] = {
    {"burn", {"weapon3", nullptr}},
    {"lightning", {"weapon2", nullptr}},
    {"thunder", {"weapon2", "weapon3"}},
    {"none", {"weapon2", "weapon3"}},
    {"", {"weapon2", "weapon3"}},
};

template <size_t N>
void DeleteUnusedParts(CYComplexObject* model, const PartChoice (&choices)[N], const std::string& value) {
    for (const PartChoice& choice : choices) {
        if (value != choice.value) continue;
        for (const char* part : choice.unused)
            if (part) model->DeletePart(part);
        return;
    }
}

// Seventh character of a registration name: the droid slot the name selects.
constexpr size_t kSlotCharacter = 6;

}  // namespace

void FitDroidModel(CYComplexObject* model, const CYDroidRecord& record) {
    if (!model) return;
    DeleteUnusedParts(model, kArmorParts, record.armor);
    DeleteUnusedParts(model, kChassisParts, record.chassis);
    DeleteUnusedParts(model, kWeaponParts, record.weapon);
}

CYComplexObject* SetupDroidModel(const std::string& name, CYDroidRosters& rosters) {
    if (name.size() <= kSlotCharacter) {
        Log(3, "Droid name - %s is too short to name a droid slot\n", name.c_str());
        return nullptr;
    }
    CYMeshLoader loader;
    CYComplexObject* model = nullptr;
    if (FAILED(loader.LoadObject(kDroidDescription, &model)) || !model) return nullptr;
    const int number = static_cast<unsigned char>(name[kSlotCharacter]) - 96;
    CYDroidRecord* record = rosters.AddPlaced(DroidRecordName(number));
    SetDroidRecordOf(model, record);
    FitDroidModel(model, *record);
    return model;
}
