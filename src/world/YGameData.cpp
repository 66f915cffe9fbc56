#include "world/YGameData.h"

#include <cfloat>
#include <cmath>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"

namespace {

const char* const kGameDataDir = "data\\GameData";

// The columns of one row, read left to right. A column that is not there reads as empty
// text or 0 and marks the row short; a number outside its type's range reads as 0.
class CYRowReader {
public:
    CYRowReader(const std::string& line, const std::string& fileName, int lineNumber)
        : tokens_(line, "\t", false), fileName_(fileName), lineNumber_(lineNumber) {}

    // The next column; false (and the text empty) past the end of the row.
    bool Next(std::string& text) {
        ++column_;
        if (tokens_.NextToken(text)) return true;
        text.clear();
        short_ = true;
        return false;
    }
    // The next column that must be there (a short row keeps the empty text).
    std::string Text() {
        std::string text;
        Next(text);
        return text;
    }

    // The next column that may be missing (a device of a droid row); false at the end.
    bool Optional(std::string& text) {
        if (!tokens_.NextToken(text)) return false;
        ++column_;
        return true;
    }

    int32_t Int() { return IntOf(Text()); }
    float Float() { return FloatOf(Text()); }

    // The decimal integer s starts with (0 when none); out of the 32-bit range it reads as 0.
    int32_t IntOf(const std::string& s) const {
        int64_t value = 0;
        if (!ParseInteger(s, YNumberMode::Leading, INT64_MIN, INT64_MAX, &value)) return 0;
        if (value < INT32_MIN || value > INT32_MAX) return OutOfRange();
        return static_cast<int32_t>(value);
    }

    // The decimal real s starts with (0 when none): texts such as "nan", "inf" or "0x10"
    // read no further than a decimal number goes. Beyond the float range it reads as 0.
    float FloatOf(const std::string& s) const {
        double value = 0.0;
        if (!ParseReal(s, YNumberMode::Leading, &value, DBL_MAX)) return 0.0f;
        if (std::fabs(value) > FLT_MAX) return OutOfRange();
        return static_cast<float>(value);
    }

    // Logs a row that lacked columns its table needs.
    void ReportShort() const {
        if (short_) Log(3, "%s - line %d: too few columns\n", fileName_.c_str(), lineNumber_);
    }

private:
    int32_t OutOfRange() const {
        Log(3, "%s - line %d, column %d: number out of range, read as 0\n", fileName_.c_str(), lineNumber_, column_);
        return 0;
    }

    CYTokenizer tokens_;
    const std::string& fileName_;
    int lineNumber_;
    int column_ = 0;
    bool short_ = false;
};

template <size_t N>
void ReadItem(CYRowReader& row, CYItemRecord<N>& record) {
    record.name = row.Text();
    for (float& value : record.values) value = row.Float();
    record.text = row.Text();
    record.number = row.Int();
}

template <class Record>
void ReadItemRow(CYRowReader& row, const std::string& key, CYGameTable<Record>& table) {
    Record record;
    ReadItem(row, record);
    table.Set(key, std::move(record));
}

}  // namespace

HRESULT CYGameData::LoadGameData() {
    static const char* const kFiles[] = {"\\weapon.dat", "\\chassis.dat", "\\armor.dat",
                                         "\\device.dat", "\\droid.dat",   "\\enemy.dat"};
    weapons.Clear();
    chassis.Clear();
    armors.Clear();
    devices.Clear();
    droids.Clear();
    HRESULT result = S_OK;
    for (int i = 0; i < 6; ++i) {
        const std::string name = std::string(kGameDataDir) + kFiles[i];
        CYFile file(name);
        if (FAILED(file.Load())) {
            result = E_FAIL;
            continue;
        }
        ReadTable(static_cast<CYGameDataTable>(i), file.GetData(), file.GetSize(), name);
    }
    return result;
}

void CYGameData::ReadTable(CYGameDataTable table, const void* data, uint32_t size, const std::string& fileName) {
    CYTextParser parser(data, size);
    std::string line, key;
    while (parser.GetLine(line)) {
        CYRowReader row(line, fileName, parser.GetLineNumber());
        row.Next(key);
        switch (table) {
        case CYGameDataTable::kWeapon:
            ReadItemRow(row, key, weapons);
            break;
        case CYGameDataTable::kChassis:
            ReadItemRow(row, key, chassis);
            break;
        case CYGameDataTable::kArmor:
            ReadItemRow(row, key, armors);
            break;
        case CYGameDataTable::kDevice:
            ReadItemRow(row, key, devices);
            break;
        case CYGameDataTable::kDroid: {
            // A missing part column keeps the record's default part.
            CYDroidRecord record;
            std::string text;
            record.name = row.Text();
            record.unlockLevel = row.Int();
            if (row.Next(text)) record.chassis = text;
            if (row.Next(text)) record.armor = text;
            if (row.Next(text)) record.weapon = text;
            if (row.Next(text)) record.weaponsCount = row.IntOf(text);
            while (row.Optional(text)) record.devices.push_back(text);
            droids.Set(key, std::move(record));
            break;
        }
        case CYGameDataTable::kEnemy: {
            CYEnemyRecord record;
            for (float& value : record.values) value = row.Float();
            enemies.Set(key, record);
            break;
        }
        }
        row.ReportShort();
    }
}
