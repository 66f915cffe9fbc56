// The script, trigger, log and conversion functions, run from real scripts.
#include "ScriptTestSupport.h"

namespace {

using scripttest::ScriptFixture;
using Lines = std::vector<std::string>;

// ---- the running script ----------------------------------------------------------------

TEST_F(ScriptFixture, DeltaTimeIsTheFrameTimeOfTheLastResumeAndZeroForNull) {
    CYScriptHandler* h = Handler("H", "while true do Record(GetDeltaTime(globalObject), GetDeltaTime(nil)) Update() end\n");
    h->Step(0.5f);
    h->Step(0.25f);
    EXPECT_EQ(scripttest::Records(), (Lines{"0.5|0", "0.25|0"}));
}

TEST_F(ScriptFixture, ScriptParamIsTheHandlersNameAndEmptyForNull) {
    EXPECT_EQ(Run("Record(GetScriptParam(globalObject), GetScriptParam(nil))\n"), Lines{"TEST|"});
}

TEST_F(ScriptFixture, InitDataIsTheStartingReferenceAndNullOnceItsObjectIsGone) {
    auto thing = std::make_unique<scripttest::Thing>();
    CYScriptHandler* h = Handler("H", "Record(PointerToString(GetScriptInitData(globalObject)))\n");
    h->SetState("idle", static_cast<int32_t>(thing->ReferenceId()));
    h->Step(0.0f);
    h->SetState("idle", static_cast<int32_t>(thing->ReferenceId()));
    thing.reset();
    h->Step(0.0f);
    h->SetState("idle", 0);
    h->Step(0.0f);
    EXPECT_EQ(scripttest::Records()[1], "0");
    EXPECT_EQ(scripttest::Records()[2], "0");
    EXPECT_NE(scripttest::Records()[0], "0");
}

// ---- references as values and texts ---------------------------------------------------

TEST_F(ScriptFixture, ComparePointersTellsObjectsApartAndTakesDeadReferencesAsNull) {
    EXPECT_EQ(Run("local a, b, dead = NewThing(), NewThing(), NewThing()\n"
                  "KillThing(dead)\n"
                  "local null = StringToPointer('0')\n"
                  "Record(ComparePointers(a, a), ComparePointers(a, b), ComparePointers(null, null),\n"
                  "       ComparePointers(dead, null), ComparePointers(a, null))\n"),
              Lines{"true|false|true|true|false"});
}

TEST_F(ScriptFixture, PointerToStringAndStringToPointerRoundTripAndZeroIsNull) {
    EXPECT_EQ(Run("local t = NewThing()\n"
                  "local text = PointerToString(t)\n"
                  "Record(ComparePointers(StringToPointer(text), t), ComparePointers(StringToPointer(' ' .. text .. 'x'), t),\n"
                  "       PointerToString(StringToPointer('0')), PointerToString(nil))\n"),
              Lines{"true|true|0|0"});
}

TEST_F(ScriptFixture, StringToPointerOfTextsNamingNoLiveObjectIsNull) {
    EXPECT_EQ(Run("local dead = NewThing() local text = PointerToString(dead) KillThing(dead)\n"
                  "Record(StringToPointer(text), StringToPointer('abc'), StringToPointer('-5'),\n"
                  "       StringToPointer('99999999999999999999'), StringToPointer('4294967297'))\n"),
              Lines{"ref:0|ref:0|ref:0|ref:0|ref:0"});
}

// ---- triggers and the log ------------------------------------------------------------

TEST_F(ScriptFixture, TriggerNeverSetReadsZeroAndASetValueIsTruncated) {
    EXPECT_EQ(Run("SetTrigger('door', 2.9)\nRecord(GetTrigger('never'), GetTrigger('door'))\n"), Lines{"0|2"});
}

TEST_F(ScriptFixture, SaveLogWritesPerCentSignsUnchanged) {
    Run("SaveLog('100% %s %d %n done') SaveLogInt(-7.5) Record(GetLog())\n");
    EXPECT_NE(LogText().find("100% %s %d %n done\n-7\n"), std::string::npos);
    EXPECT_EQ(scripttest::Records(), Lines{""});
}

// ---- numbers -------------------------------------------------------------------------

TEST_F(ScriptFixture, CalculateNumberIsOneForZeroElseTheSmaller) {
    EXPECT_EQ(Run("Record(CalculateNumber(5, 0), CalculateNumber(5, 7), CalculateNumber(9, 7), CalculateNumber(9.9, 'x'))\n"),
              Lines{"1|5|7|1"});
}

TEST_F(ScriptFixture, ToIntRoundsUpAndClampsHostileNumbers) {
    EXPECT_EQ(Run("Record(ToInt(2.1), ToInt(-2.5), ToInt(4), ToInt(1e300), ToInt(0/0), ToInt('x'))\n"),
              Lines{"3|-2|4|2147483647|0|0"});
}

TEST_F(ScriptFixture, SecondsToTimeGivesMinutesAndTheRest) {
    EXPECT_EQ(Run("Record(SecondsToTime(125)) Record(SecondsToTime(59.5)) Record(SecondsToTime(60))\n"),
              (Lines{"2|5", "0|59", "1|0"}));
}

// ---- splitting -----------------------------------------------------------------------

TEST_F(ScriptFixture, SplitStringGivesTheTokenizersPiecesInOrder) {
    EXPECT_EQ(Run("Record(SplitString('a, b,,c', ','))\n"
                  "Record(SplitString('x;y,z', ',;'))\n"
                  "Record(select('#', SplitString('', ',')), SplitString('a,b', ''))\n"),
              (Lines{"a|b||c", "x|y|z", "0|a,b"}));
}

TEST_F(ScriptFixture, SplitStringIntoMoreResultsThanLuaHoldsEndsTheScriptWithAnError) {
    EXPECT_TRUE(Run("SplitString(string.rep(',', 100000) .. 'x', ',')\nRecord('not reached')\n").empty());
    EXPECT_NE(LogText().find("too many tokens"), std::string::npos);
}

}  // namespace
