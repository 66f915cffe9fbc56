#include "script/YScriptArgs.h"

#include "ScriptTestSupport.h"

namespace {

using namespace scripttest;

TEST_F(ScriptFixture, LenientReadersTakeWrongTypesAsZeroOrTheEmptyText) {
    Run("SaveLogInt('abc') SaveLogInt(nil) SaveLogInt('12') SaveLogInt(-3.9) SaveLogInt(1e300) SaveLogInt(0/0)\n"
        "SaveLog('<') SaveLog(12.5) SaveLog(nil) SaveLog({}) SaveLog(globalObject) SaveLog('>')\n");
    EXPECT_TRUE(LogHas("\n0\n0\n12\n-3\n2147483647\n0\n<\n12.5\n\n\n\n>\n"));
}

TEST_F(ScriptFixture, StrictReadersEndTheScriptWithLuasArgumentError) {
    EXPECT_EQ(Run("Record(SecondsToTime('125'), StringToPointer(0))\nSecondsToTime('abc')\nRecord('not reached')\n"),
              Lines{"2|ref:0"});
    EXPECT_TRUE(LogHas("\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\TEST.lua\"]:2: bad argument #1 to "
                       "'SecondsToTime' (number expected, got string)\n\n"));
    Run("StringToPointer({})\n");
    EXPECT_TRUE(LogHas(":1: bad argument #1 to 'StringToPointer' (string expected, got table)"));
}

TEST_F(ScriptFixture, AnObjectArgumentThatIsNotALiveReferenceOfItsClassReadsAsNull) {
    EXPECT_EQ(Run("local t, dead = NewThing(), NewThing()\n"
                  "KillThing(dead)\n"
                  "Record(PointerToString(12), PointerToString({}), PointerToString(io.stdout),\n"
                  "       PointerToString(dead), PointerToString(t) ~= '0', GetDeltaTime(t), GetScriptParam(t))\n"),
              Lines{"0|0|0|0|true|0|"});
}

}  // namespace
