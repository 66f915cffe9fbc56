// Droid models: every droid is built from the one description "droids.adf", which holds
// the parts of every armour, chassis and weapon; the parts the droid's record does not use
// are deleted.
#pragma once
#include <string>

class CYComplexObject;
class CYDroidRecord;
class CYDroidRosters;

// The description every droid is built from.
extern const char* const kDroidDescription;  // "droids.adf"

// Deletes the parts the record does not use (exact, case-sensitive part and record texts):
// armour "chainmail", "cuirass", "panzer" keep "armor1", "armor2", "armor3" and lose the
// other two; chassis "chariot", "centipede", "ikarus" keep "shassis1", "shassis2",
// "shassis3" likewise; weapon "burn" loses "weapon3", "lightning" loses "weapon2",
// "thunder", "none" and the empty text lose both. A text outside these keeps every part of
// its group; parts of no group always stay.
void FitDroidModel(CYComplexObject* model, const CYDroidRecord& record);

// The model of a droid a level places under a registration name: "droids.adf" loaded, a
// placed record made from the default record and named "Дроид - n" with n the code of the
// name's seventh character minus 96 ("a" gives 1), the object's "info" naming the record,
// and the model fitted to the record. Null, with no record made, when the description
// cannot be loaded or the name is shorter than seven characters (logged).
CYComplexObject* SetupDroidModel(const std::string& name, CYDroidRosters& rosters);
