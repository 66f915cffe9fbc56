#include "world/YGameData.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"

namespace {

const char* const kGameDataDir = "data\\GameData";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the run of digits of s from at.
size_t Digits(const std::string& s, size_t at) {
    size_t n = 0;
    while (at + n < s.size() && IsDigit(s[at + n])) ++n;
    return n;
}

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

    // A decimal integer from the start of s: optional sign and digits.
    int32_t IntOf(const std::string& s) const {
        const size_t sign = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
        const size_t n = Digits(s, sign);
        if (n == 0) return 0;
        const size_t start = s[0] == '+' ? 1 : 0;  // from_chars takes a minus sign only
        int32_t value = 0;
        const auto result = std::from_chars(s.data() + start, s.data() + sign + n, value);
        if (result.ec != std::errc()) return OutOfRange();
        return value;
    }

    // A decimal real from the start of s: sign, digits, fraction, exponent.
    // Texts such as "nan", "inf" or "0x10" read no further than a decimal number goes.
    float FloatOf(const std::string& s) const {
        size_t end = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
        size_t mantissa = Digits(s, end);
        end += mantissa;
        if (end < s.size() && s[end] == '.') {
            const size_t fraction = Digits(s, end + 1);
            mantissa += fraction;
            if (mantissa > 0) end += 1 + fraction;
        }
        if (mantissa == 0) return 0.0f;
        if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
            size_t at = end + 1;
            if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
            const size_t exponent = Digits(s, at);
            if (exponent > 0) end = at + exponent;
        }
        const float value = std::strtof(s.substr(0, end).c_str(), nullptr);
        if (!std::isfinite(value)) return OutOfRange();
        return value;
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
