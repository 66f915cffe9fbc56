// The level grid reader: one level block of a mission file, read into a CYLevel.
//
// The wall blocks come first, column by column ("[wall]", "type = N", then the textures
// of the sides "left" and "right" for a wall (1) or door wall (2)); columns are then made
// at every corner next to a wall; the room blocks follow, again column by column
// ("[floor]", "type = N", the floor texture line for N != 0, object entries, "[/floor]").
// An object entry is an opening line, the description file, "position = x, y" relative
// to the room centre, the heading in degrees and the script name.
//
// The text is untrusted: a wrong section or type line, a truncated wall or room block, or
// too many entries fail the level with a log line naming the line; an object entry whose
// position lies far outside the grid is skipped with a log line; nothing is read past the
// end of the text.
#pragma once
#include <memory>
#include <string>

#include "platform/math/Math.h"
#include "platform/system/Result.h"

class CYComplexObject;
class CYLevel;
class CYRoom;
class CYTextParser;

// Farthest an object entry may stand from its room's centre, in world units.
constexpr float kMaxEntryOffset = 1000.0f;
// Entries within this distance of the centre on both axes are room objects; others stand
// on the room's side as edge objects.
constexpr float kRoomObjectReach = 4.1f;

class CYLevelFile {
public:
    CYLevelFile(CYLevel* level, CYTextParser* parser, float z);
    ~CYLevelFile();
    CYLevelFile(const CYLevelFile&) = delete;
    CYLevelFile& operator=(const CYLevelFile&) = delete;

    // Templates, wall pass, column pass, then (when all went well) the room pass.
    HRESULT Read();

private:
    // Loads "wall.adf", "wallDoor.adf" and "column.adf"; false (logged) when one is
    // missing or a wall template lacks its parts "left" and "right".
    bool LoadTemplates();
    HRESULT WallPass();
    // False on a format error (logged).
    bool ReadWall(int r, int c);
    void ColumnPass();
    HRESULT RoomPass();
    HRESULT ReadRoom(int r, int c);
    // Object entries up to "/floor" or the end of the text; room is null for a room
    // block of type 0, whose entries are skipped.
    HRESULT ReadObjectEntries(int r, int c, CYRoom* room);
    // One entry after its opening line; no entry fails the level. A wrong position key
    // drops it, a position far outside the grid skips it (logged).
    void ReadObjectEntry(int r, int c, CYRoom* room);
    // The entry's next line; empty (logged once) past the end of the text.
    std::string EntryLine();
    // Registers the object with the world and places it in the room or on its side.
    void PlaceObject(int r, int c, CYRoom* room, CYComplexObject* object, const std::string& name, float x, float y,
                     float heading);

    // The next line; false (logged as truncated, naming what was expected) at the end.
    bool NextLine(std::string* line, const char* expected);
    // The next line as a "[name]" section whose lower-cased name is the one given.
    bool ReadSection(const char* name);
    // The next line as "type = N" with an integer N.
    bool ReadType(int* type);
    // Logs a format error at the parser's line; always false.
    bool Error(const char* what);

    CYLevel* level_;
    CYTextParser* parser_;
    float z_;
    std::unique_ptr<CYComplexObject> wall_;
    std::unique_ptr<CYComplexObject> wallDoor_;
    std::unique_ptr<CYComplexObject> column_;
    bool entryCut_ = false;
};

// Splits a line at "=" into its key and its value (both trimmed).
void SplitKeyValue(const std::string& line, std::string* key, std::string* value);
