// The script, trigger, log and conversion functions, run from real scripts.
#include "ScriptTestSupport.h"

namespace {

using namespace scripttest;

TEST_F(ScriptFixture, TheRunningScriptsFrameTimeHandlerNameAndInitDataWithDefaultsForNull) {
    auto thing = std::make_unique<Thing>();
    CYScriptHandler* h = Handler("H", "Record(GetDeltaTime(globalObject), GetScriptParam(globalObject), GetScriptInitData(globalObject),\n"
                                      "  GetDeltaTime(nil), GetScriptParam(nil), GetScriptInitData(nil))\n");
    const std::string ref = std::to_string(thing->ReferenceId());
    h->SetState("idle", static_cast<int32_t>(thing->ReferenceId()));
    h->Step(0.5f);
    h->SetState("idle", static_cast<int32_t>(thing->ReferenceId()));
    thing.reset();
    h->Step(0.25f);
    EXPECT_EQ(g_records, (Lines{"0.5|H|ref:" + ref + "|0||ref:0", "0.25|H|ref:0|0||ref:0"}));
}

TEST_F(ScriptFixture, ReferencesCompareAndTravelAsTextsWithNullAsZero) {
    EXPECT_EQ(Run("local a, b, dead = NewThing(), NewThing(), NewThing()\n"
                  "local text, deadText = PointerToString(a), PointerToString(dead)\n"
                  "KillThing(dead)\n"
                  "local null = StringToPointer('0')\n"
                  "Record(ComparePointers(a, a), ComparePointers(a, b), ComparePointers(null, nil), ComparePointers(dead, null))\n"
                  "Record(ComparePointers(StringToPointer(' ' .. text .. 'x'), a), PointerToString(null), null and 'true')\n"
                  "Record(StringToPointer(deadText), StringToPointer('abc'), StringToPointer('-5'),\n"
                  "       StringToPointer('99999999999999999999'), StringToPointer('4294967297'))\n"),
              (Lines{"true|false|true|true", "true|0|true", "ref:0|ref:0|ref:0|ref:0|ref:0"}));
}

TEST_F(ScriptFixture, TriggersAndTheLog) {
    EXPECT_EQ(Run("SetTrigger('door', 2.9) Record(GetTrigger('never'), GetTrigger('door'), GetLog())\n"
                  "SaveLog('100% %s %d %n done') SaveLogInt(-7.5)\n"),
              Lines{"0|2|"});
    EXPECT_TRUE(LogHas("100% %s %d %n done\n-7\n"));
}

TEST_F(ScriptFixture, NumberConversions) {
    EXPECT_EQ(Run("Record(CalculateNumber(5, 0), CalculateNumber(5, 7), CalculateNumber(9, 7), CalculateNumber(9.9, 'x'))\n"
                  "Record(ToInt(2.1), ToInt(-2.5), ToInt(4), ToInt(1e300), ToInt(0/0))\n"
                  "Record(SecondsToTime(125)) Record(SecondsToTime(59.5)) Record(SecondsToTime(60))\n"),
              (Lines{"1|5|7|1", "3|-2|4|2147483647|0", "2|5", "0|59", "1|0"}));
}

TEST_F(ScriptFixture, SplitStringGivesTheTokenizersPiecesAndBoundsTheirCount) {
    EXPECT_EQ(Run("Record(SplitString('a, b,,c', ','))\n"
                  "Record(SplitString('x;y,z', ',;'))\n"
                  "Record(select('#', SplitString('', ',')), SplitString('a,b', ''))\n"
                  "SplitString(string.rep(',', 100000), ',')\n"
                  "Record('not reached')\n"),
              (Lines{"a|b||c", "x|y|z", "0|a,b"}));
    EXPECT_TRUE(LogHas("too many tokens"));
}

}  // namespace
