#include "world/YLevelFile.h"

#include <cmath>

#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YTriggerRegistry.h"
#include "core/YUtils.h"
#include "render/YComplexObject.h"
#include "render/YMeshLoader.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kHalfRoom = 4.125f;

std::string Lower(std::string s) {
    ToLower(s);
    return s;
}

// A template loaded by the description loader, or null (logged with its name).
std::unique_ptr<CYComplexObject> LoadTemplate(const char* file) {
    CYMeshLoader loader;
    CYComplexObject* object = nullptr;
    if (FAILED(loader.LoadObject(file, &object)) || !object) {
        delete object;
        Log(3, "Level: template %s cannot be loaded\n", file);
        return nullptr;
    }
    return std::unique_ptr<CYComplexObject>(object);
}

bool HasSides(const CYComplexObject* object, const char* file) {
    if (object->FindChild("left") && object->FindChild("right")) return true;
    Log(3, "Level: template %s has no parts \"left\" and \"right\"\n", file);
    return false;
}

// Names the handler, lets its "_" states watch their triggers and enters it in the
// command manager.
void RegisterScriptObject(CYScriptHandler& handler, const std::string& name) {
    handler.SetName(name);
    CYTriggerRegistry::RegisterWatchers(&handler);
    if (g_commandManager) g_commandManager->Register(&handler);
}

// Places a wall or column clone at (x, y, z). A turned one is marked as moved, so that its
// Update places it again and announces it as a moving object (event 14).
void PlaceFixture(CYComplexObject* object, float x, float y, float z, bool turn) {
    object->SetPosition(math::Vec3(x, y, z));
    object->UpdatePlacement();
    if (turn) {
        object->SetHeading(kHalfPi);
        object->SetMoved();
    }
    object->Update(0.0f);
}

}  // namespace

void SplitKeyValue(const std::string& line, std::string* key, std::string* value) {
    CYTokenizer tokens(line, "=", false);
    key->clear();
    value->clear();
    tokens.NextToken(*key);
    tokens.NextToken(*value);
    Trim(*key);
    Trim(*value);
}

CYLevelFile::CYLevelFile(CYLevel* level, CYTextParser* parser, float z) : level_(level), parser_(parser), z_(z) {}

CYLevelFile::~CYLevelFile() = default;

HRESULT CYLevelFile::Read() {
    if (!parser_) {
        Log(3, "Level: no level text\n");
        return E_FAIL;
    }
    if (!LoadTemplates()) return E_FAIL;
    HRESULT result = WallPass();
    ColumnPass();
    if (result == S_OK) result = RoomPass();
    return result;
}

bool CYLevelFile::LoadTemplates() {
    wall_ = LoadTemplate("wall.adf");
    wallDoor_ = LoadTemplate("wallDoor.adf");
    column_ = LoadTemplate("column.adf");
    if (!wall_ || !wallDoor_ || !column_) return false;
    return HasSides(wall_.get(), "wall.adf") && HasSides(wallDoor_.get(), "wallDoor.adf");
}

// ---- Lines -----------------------------------------------------------------------------------

bool CYLevelFile::Error(const char* what) {
    Log(3, "Level: %s, line %d\n", what, parser_->GetLineNumber());
    return false;
}

bool CYLevelFile::NextLine(std::string* line, const char* expected) {
    if (parser_->GetLine(*line)) return true;
    Log(3, "Level: text ends where %s was expected, line %d\n", expected, parser_->GetLineNumber());
    return false;
}

bool CYLevelFile::ReadSection(const char* name) {
    std::string line;
    if (!NextLine(&line, name)) return false;
    if (parser_->IsValueLine() || Lower(line) != name) {
        Log(3, "Level: section [%s] expected, line %d\n", name, parser_->GetLineNumber());
        return false;
    }
    return true;
}

bool CYLevelFile::ReadType(int* type) {
    std::string line, key, value;
    if (!NextLine(&line, "type")) return false;
    SplitKeyValue(line, &key, &value);
    if (Lower(key) != "type" || !IsIntString(value)) return Error("type line expected");
    *type = TextToInt(value, YNumberMode::Leading);
    return true;
}

// ---- Walls and columns -----------------------------------------------------------------------

HRESULT CYLevelFile::WallPass() {
    for (int c = 0; c < level_->columns_; ++c)
        for (int r = 0; r < level_->rows_; ++r) {
            if ((r % 2) == (c % 2)) continue;  // rooms and columns
            if (!ReadWall(r, c)) return E_FAIL;
        }
    return S_OK;
}

bool CYLevelFile::ReadWall(int r, int c) {
    int type = 0;
    if (!ReadSection("wall") || !ReadType(&type)) return false;
    CYComplexObject* object = nullptr;
    if (type == 1) object = wall_->Clone("wall");
    else if (type == 2) object = wallDoor_->Clone("wallDoor");
    if (!object) return true;

    const bool alongColumns = (r % 2) == 1;  // between rooms of the same row
    const float x = alongColumns ? kRoomSide * float((r - 1) / 2) + kHalfRoom : kRoomSide * float(r / 2);
    const float y = alongColumns ? kRoomSide * float(c / 2) : kRoomSide * float((c - 1) / 2) + kHalfRoom;
    PlaceFixture(object, x, y, z_, alongColumns);
    // Owned by the grid from here, so that a truncated block loses nothing.
    level_->objects_[level_->Index(r, c)].reset(object);

    for (const char* side : {"left", "right"}) {
        std::string line, key, value;
        if (!NextLine(&line, "a wall texture")) return false;
        SplitKeyValue(line, &key, &value);
        if (!value.empty())
            if (CYObject* part = object->FindChild(side)) part->SetTexture(0, value);
    }
    // Sides that face the outside of the grid are dark.
    const bool outLeft = alongColumns ? c == 0 : r == 0;
    const bool outRight = alongColumns ? c == level_->columns_ - 1 : r == level_->rows_ - 1;
    if (outLeft) level_->SetWallSideLight(r, c, "left", "light3.tga");
    if (outRight) level_->SetWallSideLight(r, c, "right", "light3.tga");
    return true;
}

void CYLevelFile::ColumnPass() {
    for (int r = 0; r < level_->rows_; r += 2)
        for (int c = 0; c < level_->columns_; c += 2) {
            if (!level_->ObjectAtCell(r, c - 1) && !level_->ObjectAtCell(r, c + 1) &&
                !level_->ObjectAtCell(r - 1, c) && !level_->ObjectAtCell(r + 1, c))
                continue;
            CYComplexObject* column = column_->Clone("column");
            PlaceFixture(column, kRoomSide * float(r / 2), kRoomSide * float(c / 2), z_, true);
            level_->objects_[level_->Index(r, c)].reset(column);
        }
}

// ---- Rooms and their objects -----------------------------------------------------------------

HRESULT CYLevelFile::RoomPass() {
    for (int c = 1; c < level_->columns_; c += 2)
        for (int r = 1; r < level_->rows_; r += 2) {
            const HRESULT result = ReadRoom(r, c);
            if (FAILED(result)) return result;
        }
    return S_OK;
}

HRESULT CYLevelFile::ReadRoom(int r, int c) {
    int type = 0;
    if (!ReadSection("floor") || !ReadType(&type)) return E_FAIL;
    CYRoom* room = nullptr;
    if (type != 0) {
        room = new CYRoom((r - 1) / 2, (c - 1) / 2);
        level_->rooms_[level_->Index(r, c)].reset(room);
        const math::Vec3 centre(kRoomSide * float((r - 1) / 2) + kHalfRoom, kRoomSide * float((c - 1) / 2) + kHalfRoom,
                                z_);
        const HRESULT result = room->BuildFloor(level_, type, centre, parser_);
        if (FAILED(result)) return result;
    } else {
        level_->SetRoomWallsLight(r, c, "light3.tga");
    }
    return ReadObjectEntries(r, c, room);
}

HRESULT CYLevelFile::ReadObjectEntries(int r, int c, CYRoom* room) {
    int entries = 0;
    std::string line;
    while (parser_->GetLine(line)) {
        if (Lower(line) == "/floor") return S_OK;
        if (++entries > kMaxRoomObjectEntries) {
            Error("too many object entries in one room");
            return E_FAIL;
        }
        ReadObjectEntry(r, c, room);
    }
    // The end of the text closes the last room block.
    return S_OK;
}

std::string CYLevelFile::EntryLine() {
    std::string line;
    if (!parser_->GetLine(line) && !entryCut_) {
        // The end of the text closes the entry: what is missing reads as empty.
        Log(3, "Level: text ends inside an object entry, line %d\n", parser_->GetLineNumber());
        entryCut_ = true;
    }
    return line;
}

void CYLevelFile::ReadObjectEntry(int r, int c, CYRoom* room) {
    std::string key, file, value;
    SplitKeyValue(EntryLine(), &key, &file);
    SplitKeyValue(EntryLine(), &key, &value);
    // A wrong position key drops the entry; the next line may open another one.
    if (Lower(key) != "position") return;
    // Each coordinate is read as far as it forms a number; one missing or not a number is 0.
    CYTokenizer numbers(value, ",", false);
    std::string xs, ys;
    numbers.NextToken(xs);
    numbers.NextToken(ys);
    const float x = TextToFloat(xs, YNumberMode::Leading), y = TextToFloat(ys, YNumberMode::Leading);
    SplitKeyValue(EntryLine(), &key, &value);
    const float heading = TextToFloat(value, YNumberMode::Leading) * kDegreesToRadians;
    std::string name;
    SplitKeyValue(EntryLine(), &key, &name);

    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kMaxEntryOffset || std::fabs(y) > kMaxEntryOffset) {
        Log(3, "Level: object %s at (%g, %g) lies far outside the grid, skipped, line %d\n", file.c_str(), double(x),
            double(y), parser_->GetLineNumber());
        return;
    }
    if (!room) {
        // No room to stand in: nothing is built for the entry.
        Log(3, "Level: object %s in cell (%d, %d) without a floor skipped, line %d\n", file.c_str(), r, c,
            parser_->GetLineNumber());
        return;
    }
    CYComplexObject* object = nullptr;
    if (Lower(file) == "lightdroid.adf") {
        if (level_->world_) object = level_->world_->SetupDroidModel(name);
    } else {
        CYMeshLoader loader;
        if (FAILED(loader.LoadObject(file, &object))) {
            delete object;
            object = nullptr;
        }
    }
    if (!object) {
        Log(3, "Level: object %s cannot be made, line %d\n", file.c_str(), parser_->GetLineNumber());
        return;
    }
    PlaceObject(r, c, room, object, name, x, y, heading);
}

void CYLevelFile::PlaceObject(int r, int c, CYRoom* room, CYComplexObject* object, const std::string& name, float x,
                              float y, float heading) {
    if (!name.empty()) RegisterScriptObject(object->ScriptHandler(), name);
    SendEvent(YEVENT_REGISTER_OBJECT, reinterpret_cast<intptr_t>(object), reinterpret_cast<intptr_t>(name.c_str()));
    if (std::fabs(x) <= kRoomObjectReach && std::fabs(y) <= kRoomObjectReach) {
        room->AddObject(object, x, y, heading);
        return;
    }
    int er = r, ec = c;
    if (x > kRoomObjectReach) er = r + 1;
    else if (x < -kRoomObjectReach) er = r - 1;
    else if (y < -kRoomObjectReach) ec = c - 1;
    else ec = c + 1;
    level_->edgeObjects_[level_->Index(er, ec)] = object;
    const math::Vec3& centre = room->GetCentre();
    object->SetPosition(math::Vec3(centre.x + x, centre.y + y, centre.z));
    object->UpdatePlacement();
    object->SetHeading(heading);
    object->SetMoved();
    object->ScriptHandler().SetState("init", 0);
    object->Update(0.0f);
    SendEvent(YEVENT_REGISTER_MOVING_OBJECT, reinterpret_cast<intptr_t>(object), 0);
}
