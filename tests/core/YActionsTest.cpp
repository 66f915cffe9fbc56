#include "core/YActions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/YLog.h"
#include "support/TestSupport.h"

namespace {

const char* const kDefaultFile =
    "forward 200\nbackward 208\nleft 203\nright 205\nfire 57\npickup 29\ncam_left 44\ncam_right 45\n"
    "cam_mode 46\nnext 201\nprev 209\nmap 50\ndroid1 2\ndroid2 3\ndroid3 4\ndroid4 5\ndroid5 6\n"
    "droid6 7\ndroid7 8\ndroid8 9\ndroid9 10\nhelp 59\n";

class ActionsTest : public testing::Test {
protected:
    test::TempDir dir;
    CYActions actions;

    ActionsTest() { StartLog(); }
    int Code(const char* name) const { return actions.Binding(actions.IndexOfAction(name))->code; }
    std::string Name(const char* name) const { return actions.Binding(actions.IndexOfAction(name))->keyName; }
};

// ---- key names ----

TEST(KeyNamesTable, Holds118NamedKeysAnd94Undefined) {
    int undefined = 0;
    for (int code = 0; code < kKeyNameCount; ++code)
        if (std::strcmp(KeyNames[code], "undefined key") == 0) ++undefined;
    EXPECT_EQ(undefined, 94);
    EXPECT_STREQ(KeyNames[0x00], "undefined key");
    EXPECT_STREQ(KeyNames[0x01], "Esc");
    EXPECT_STREQ(KeyNames[0x2B], "\\");
    EXPECT_STREQ(KeyNames[0x47], "NumPad 7");
    EXPECT_STREQ(KeyNames[0x8D], "Numpad =");
    EXPECT_STREQ(KeyNames[0x9C], "NumPad Enter");
    EXPECT_STREQ(KeyNames[0xCA], "undefined key");
    EXPECT_STREQ(KeyNames[0xD3], "Del");
}

TEST(KeyNamesTable, CodesBeyondTheTableReadUndefinedKey) {
    EXPECT_STREQ(KeyName(0xD3), "Del");
    EXPECT_STREQ(KeyName(0xD4), "undefined key");
    EXPECT_STREQ(KeyName(0xFF), "undefined key");
    EXPECT_STREQ(KeyName(-1), "undefined key");
    EXPECT_STREQ(KeyName(100000), "undefined key");
}

// ---- bindings ----

TEST_F(ActionsTest, DefaultsBindTheTwentyTwoActions) {
    EXPECT_EQ(actions.ActionName(0), "forward");
    EXPECT_EQ(actions.ActionName(21), "help");
    EXPECT_EQ(actions.ActionName(22), "");
    EXPECT_EQ(actions.Binding(22), nullptr);
    EXPECT_EQ(actions.Binding(-1), nullptr);
    EXPECT_EQ(Code("forward"), 0xC8);
    EXPECT_EQ(Name("forward"), "Up");
    EXPECT_EQ(Name("pickup"), "LCtrl");
    EXPECT_EQ(Name("next"), "PgUp");
    EXPECT_EQ(Code("droid9"), 0x0A);
    EXPECT_EQ(Name("droid9"), "9");
    EXPECT_EQ(Name("help"), "F1");
}

TEST_F(ActionsTest, IndexOfActionIsExactAndCaseSensitive) {
    EXPECT_EQ(actions.IndexOfAction("fire"), 4);
    EXPECT_EQ(actions.IndexOfAction("Fire"), 23);
    EXPECT_EQ(actions.IndexOfAction("fire "), 23);
    EXPECT_EQ(actions.IndexOfAction(""), 23);
}

TEST_F(ActionsTest, FindActionByKeyGivesTheLowestIndexOr23) {
    EXPECT_EQ(actions.FindActionByKey(0x39), 4);
    EXPECT_EQ(actions.FindActionByKey(0), 23);
    EXPECT_EQ(actions.FindActionByKey(0x1E), 23);
    actions.SetAction("map", 0x1E);
    actions.SetAction("cam_mode", 0x1E);  // takes the key from map, which is now unbound
    EXPECT_EQ(actions.FindActionByKey(0), 11);
}

TEST_F(ActionsTest, RebindingAKeyUnbindsItsPreviousAction) {
    EXPECT_TRUE(actions.SetAction("fire", 0x1D));
    EXPECT_EQ(Code("fire"), 0x1D);
    EXPECT_EQ(Name("fire"), "LCtrl");
    EXPECT_EQ(Code("pickup"), 0);
    EXPECT_EQ(Name("pickup"), "undefined key");
    actions.Save();
    std::string file = test::ReadFile("Actions.cfg");
    EXPECT_NE(file.find("\nfire 29\npickup 0\n"), std::string::npos);
}

TEST_F(ActionsTest, BindingAnActionToItsOwnKeyKeepsIt) {
    actions.SetAction("fire", 0x39);
    EXPECT_EQ(Code("fire"), 0x39);
    EXPECT_EQ(Name("fire"), "Space");
}

TEST_F(ActionsTest, AnUnknownNameStillUnbindsTheKeysAction) {
    actions.SetAction("jump", 0x39);
    EXPECT_EQ(Code("fire"), 0);
    EXPECT_EQ(actions.FindActionByKey(0x39), 23);
}

TEST_F(ActionsTest, CodesAboveTheNameTableBindWithUndefinedKey) {
    EXPECT_TRUE(actions.SetAction("fire", 0xDB));
    EXPECT_EQ(Code("fire"), 0xDB);
    EXPECT_EQ(Name("fire"), "undefined key");
    EXPECT_TRUE(actions.SetAction("help", 255));
    EXPECT_EQ(Name("help"), "undefined key");
}

TEST_F(ActionsTest, CodesOutsideAByteAreIgnored) {
    EXPECT_FALSE(actions.SetAction("fire", 256));
    EXPECT_FALSE(actions.SetAction("fire", -1));
    EXPECT_FALSE(actions.SetAction("forward", 0x39 + 256));
    EXPECT_EQ(Code("fire"), 0x39);
    EXPECT_EQ(Code("forward"), 0xC8);
}

// ---- "Actions.cfg" ----

TEST_F(ActionsTest, SavingTheDefaultsWritesTheTableInOrder) {
    actions.Save();
    EXPECT_EQ(test::ReadFile("Actions.cfg"), kDefaultFile);
}

TEST_F(ActionsTest, SaveAndLoadRoundTripByteForByte) {
    actions.SetAction("fire", 0x1D);
    actions.SetAction("map", 0xDB);
    actions.SetAction("help", 0x01);
    actions.Save();
    const std::string first = test::ReadFile("Actions.cfg");
    CYActions loaded;
    EXPECT_EQ(loaded.Load(), S_OK);
    for (int i = 0; i < CYActions::kActionCount; ++i) {
        EXPECT_EQ(loaded.Binding(i)->code, actions.Binding(i)->code) << i;
        EXPECT_EQ(loaded.Binding(i)->keyName, actions.Binding(i)->keyName) << i;
    }
    loaded.Save();
    EXPECT_EQ(test::ReadFile("Actions.cfg"), first);
}

TEST_F(ActionsTest, AFileThatCannotBeWrittenIsLeftAlone) {
    test::WriteFile("Actions.cfg/keep", "x");  // a directory in the file's place
    actions.Save();
    EXPECT_EQ(test::ReadFile("Actions.cfg/keep"), "x");
}

TEST_F(ActionsTest, AMissingFileKeepsTheDefaults) {
    EXPECT_LT(actions.Load(), 0);
    EXPECT_EQ(Code("forward"), 0xC8);
}

TEST_F(ActionsTest, ALaterLineTakesTheKeyFromAnEarlierOne) {
    test::WriteFile("Actions.cfg", "// swapped\nfire 30\r\nmap 30\n\nhelp 59 extra words\n");
    EXPECT_EQ(actions.Load(), S_OK);
    EXPECT_EQ(Code("fire"), 0);
    EXPECT_EQ(Code("map"), 30);
    EXPECT_EQ(Name("map"), "A");
    EXPECT_EQ(Code("help"), 59);
}

TEST_F(ActionsTest, ANameAloneBindsToCodeZero) {
    test::WriteFile("Actions.cfg", "map\n");
    actions.Load();
    EXPECT_EQ(Code("map"), 0);
    EXPECT_EQ(Name("map"), "undefined key");
    EXPECT_EQ(actions.FindActionByKey(0x32), 23);
}

TEST_F(ActionsTest, MalformedLinesGiveDefinedResults) {
    test::WriteFile("Actions.cfg",
                    "left 999\n"       // out of range: ignored, logged
                    "right -4\n"       // out of range: ignored
                    "fire  30\n"       // two blanks: the code is the empty word between them
                    "pickup\t31\n"     // a tab is no separator: no such action
                    "cam_mode abc\n"   // no number reads as 0
                    "next 99999999999999999999\n");
    EXPECT_EQ(actions.Load(), S_OK);
    EXPECT_EQ(Code("left"), 0xCB);
    EXPECT_EQ(Code("right"), 0xCD);
    EXPECT_EQ(Code("fire"), 0);
    EXPECT_EQ(Code("pickup"), 0x1D);
    EXPECT_EQ(Code("cam_mode"), 0);  // code 0 (unbound) may be shared
    EXPECT_EQ(actions.FindActionByKey(0), 4);
    EXPECT_EQ(Code("next"), 0xC9);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("Actions.cfg line 1: key code 999 is not 0..255, line ignored\n"), std::string::npos);
    EXPECT_NE(log.find("Actions.cfg line 6: key code 99999999999999999999 is not 0..255"), std::string::npos);
}

}  // namespace
