// Sending commands from scripts and reading them in the receiving scripts.
#include "ScriptTestSupport.h"

namespace {

using scripttest::ScriptFixture;
using Lines = std::vector<std::string>;

// A script that records every command it reads, one frame at a time, as "command|params".
const char* const kReader =
    "while true do\n"
    "  while SetNextCommand(globalObject) do\n"
    "    Record(GetCurrentCommand(globalObject), GetCurrentParams(globalObject))\n"
    "  end\n"
    "  Update()\n"
    "end\n";

class CommandTest : public ScriptFixture {
protected:
    // Runs the sender once, then lets the reader handler read.
    Lines SendAndRead(const std::string& sender) {
        Run(sender);
        scripttest::Records().clear();
        reader->Step(0.0f);
        return scripttest::Records();
    }
    CYScriptHandler* reader = Handler("reader", kReader);
};

TEST_F(CommandTest, SendCommandByNameIsReadOldestFirstWithItsParameters) {
    EXPECT_EQ(SendAndRead("SendCommandByName('reader', 'first', 'a, b')\n"
                          "SendCommandByName('reader', 'second', '')\n"
                          "SendCommandByName('nobody', 'lost', '')\n"),
              (Lines{"first|a|b", "second"}));
}

TEST_F(CommandTest, SendCommandToAllReachesEveryHandlerTheSenderToo) {
    Run("SendCommandToAll('hello', '1')\n"
        "SetNextCommand(globalObject) Record(GetCurrentCommand(globalObject), GetCurrentParams(globalObject))\n");
    reader->Step(0.0f);
    // Delivery is at once: the sender reads its own copy in the same run.
    EXPECT_EQ(scripttest::Records(), (Lines{"hello|1", "hello|1"}));
}

TEST_F(CommandTest, SendCommandByPointerReachesTheHandlerTheObjectOwns) {
    auto owner = std::make_unique<scripttest::Thing>();
    CYScriptHandler* owned = Handler("owned", kReader, const_cast<void*>(ObjectAddress(owner.get())));
    const std::string ref = std::to_string(owner->ReferenceId());
    Run("SendCommandByPointer(StringToPointer('" + ref + "'), 'poke', 'x')\n"
        "SendCommandByPointer(globalObject, 'not an owner', '')\n"
        "SendCommandByPointer(nil, 'null', '')\n");
    owned->Step(0.0f);
    EXPECT_EQ(scripttest::Records(), Lines{"poke|x"});
}

TEST_F(CommandTest, SetNextCommandOnTheLastCommandDropsItAndLeavesNothingCurrent) {
    EXPECT_EQ(Run("SendCommandByName('TEST', 'only', '')\n"
                  "Record(SetNextCommand(globalObject), GetCurrentCommand(globalObject))\n"
                  "Record(SetNextCommand(globalObject), GetCurrentCommand(globalObject), GetCurrentParams(globalObject))\n"
                  "Record(SetNextCommand(nil), GetCurrentCommand(nil))\n"),
              (Lines{"true|only", "false|nil", "false"}));
}

TEST_F(CommandTest, TooLongACommandIsDroppedWithALogLine) {
    EXPECT_TRUE(SendAndRead("SendCommandByName('reader', 'big', string.rep(',', 5000))\n"
                            "ParseCommand('name reader big ' .. string.rep('x', 5000))\n")
                    .empty());
    EXPECT_NE(LogText().find("Script command dropped: its text is longer than 4096 bytes\n"), std::string::npos);
}

TEST_F(CommandTest, StrictCommandTextsEndTheScriptWithTheArgumentError) {
    EXPECT_TRUE(SendAndRead("SendCommandByName('reader', nil, '')\n").empty());
    EXPECT_NE(LogText().find("bad argument #2 to 'SendCommandByName' (string expected, got nil)"), std::string::npos);
}

// ---- ParseCommand --------------------------------------------------------------------

class ParseCommandTest : public CommandTest {
protected:
    ParseCommandTest() {
        test::WriteFile("data/scripts/commands.dat",
                        "go name reader gocmd\n"
                        "Big name reader bigcmd\n"
                        "all name reader allcmd\n"
                        "quiet other reader quietcmd\n"
                        "quiet name reader loudcmd\n");
        LoadCommands();
    }
};

TEST_F(ParseCommandTest, AllInCapitalsWithOneWordSendsItWithEmptyParametersToAll) {
    EXPECT_EQ(SendAndRead("ParseCommand('ALL wake')\nParseCommand('all wake up,now extra')\n"),
              (Lines{"wake", "wake|up|now"}));
}

TEST_F(ParseCommandTest, NameFormSendsTheThirdWordWithTheFourthAsParameters) {
    EXPECT_EQ(SendAndRead("ParseCommand('name reader open 1,2')\nParseCommand('Name reader close')\n"),
              (Lines{"open|1|2", "close"}));
}

TEST_F(ParseCommandTest, ShortFormsAndOtherWordsGoToTheCommandTable) {
    EXPECT_EQ(SendAndRead("ParseCommand('name reader')\n"  // no record "name": nothing
                          "ParseCommand('all')\n"
                          "ParseCommand('GO far')\n"
                          "ParseCommand('Big')\n"  // the record's key has capitals: never matched
                          "ParseCommand('quiet')\n"
                          "ParseCommand('')\n"
                          "ParseCommand(nil)\n"),
              (Lines{"allcmd", "gocmd|far", "loudcmd"}));
}

}  // namespace
