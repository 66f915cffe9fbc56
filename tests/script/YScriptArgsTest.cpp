#include "script/YScriptArgs.h"

#include <cmath>

#include "ScriptTestSupport.h"

namespace {

using scripttest::ScriptFixture;
using Lines = std::vector<std::string>;

TEST(ScriptNumbers, IntegersTruncateTowardZeroAndHostileValuesAreClamped) {
    EXPECT_EQ(ScriptNumberToInt(3.9), 3);
    EXPECT_EQ(ScriptNumberToInt(-3.9), -3);
    EXPECT_EQ(ScriptNumberToInt(1e300), INT32_MAX);
    EXPECT_EQ(ScriptNumberToInt(-1e300), INT32_MIN);
    EXPECT_EQ(ScriptNumberToInt(std::nan("")), 0);
}

TEST(ScriptNumbers, FloatsAreAlwaysFinite) {
    EXPECT_EQ(ScriptNumberToFloat(0.5), 0.5f);
    EXPECT_EQ(ScriptNumberToFloat(1e300), FLT_MAX);
    EXPECT_EQ(ScriptNumberToFloat(-HUGE_VAL), -FLT_MAX);
    EXPECT_EQ(ScriptNumberToFloat(std::nan("")), 0.0f);
}

TEST_F(ScriptFixture, LenientNumberReadsANonNumericTextAsZeroAndANumericTextAsItsNumber) {
    Run("SaveLogInt('abc') SaveLogInt(nil) SaveLogInt('12') SaveLogInt(-3.9) SaveLogInt(0/0)\n");
    EXPECT_NE(LogText().find("\n0\n0\n12\n-3\n0\n"), std::string::npos);
}

TEST_F(ScriptFixture, StrictNumberEndsTheScriptWithTheArgumentError) {
    EXPECT_EQ(Run("Record(SecondsToTime('125'))\nSecondsToTime('abc')\nRecord('not reached')\n"), Lines{"2|5"});
    EXPECT_NE(LogText().find("\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\TEST.lua\"]:2: bad argument #1 to "
                             "'SecondsToTime' (number expected, got string)\n\n"),
              std::string::npos);
}

TEST_F(ScriptFixture, LenientTextTakesNumbersAsTextAndAnythingElseAsEmpty) {
    Run("SaveLog('<') SaveLog(12.5) SaveLog(nil) SaveLog({}) SaveLog(globalObject) SaveLog(true) SaveLog('>')\n");
    EXPECT_NE(LogText().find("<\n12.5\n\n\n\n\n>\n"), std::string::npos);
}

TEST_F(ScriptFixture, StrictTextEndsTheScriptWithTheArgumentError) {
    EXPECT_EQ(Run("Record(StringToPointer(0))\nStringToPointer({})\nRecord('not reached')\n"), Lines{"ref:0"});
    EXPECT_NE(LogText().find(":2: bad argument #1 to 'StringToPointer' (string expected, got table)"),
              std::string::npos);
}

TEST_F(ScriptFixture, ObjectArgumentThatIsNotALiveReferenceReadsAsNull) {
    EXPECT_EQ(Run("local t = NewThing()\n"
                  "local dead = NewThing() KillThing(dead)\n"
                  "Record(PointerToString(12), PointerToString({}), PointerToString(io.stdout),\n"
                  "       PointerToString(dead), PointerToString(t) ~= '0')\n"),
              Lines{"0|0|0|0|true"});
}

TEST_F(ScriptFixture, ObjectOfTheWrongClassReadsAsNull) {
    EXPECT_EQ(Run("local other = NewThing(true)\n"
                  "Record(GetDeltaTime(other), GetScriptParam(other), GetDeltaTime(globalObject))\n",
                  0.5f),
              Lines{"0||0.5"});
}

}  // namespace
