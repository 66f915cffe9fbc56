// Sending commands from scripts and reading them in the receiving scripts.
#include "ScriptTestSupport.h"

namespace {

using namespace scripttest;

// Records every command it reads, as "command|params", frame after frame.
const char* const kReader =
    "while true do\n"
    "  while SetNextCommand(globalObject) do Record(GetCurrentCommand(globalObject), GetCurrentParams(globalObject)) end\n"
    "  Update()\n"
    "end\n";

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

class CommandTest : public ScriptFixture {
protected:
    // Runs the sender, then what the reader reads.
    Lines SendAndRead(const std::string& sender) {
        Run(sender);
        g_records.clear();
        reader->Step(0.0f);
        return g_records;
    }
    CYScriptHandler* reader = Handler("reader", kReader);
};

TEST_F(CommandTest, CommandsByNameToAllAndByObjectAreReadOldestFirst) {
    auto owner = std::make_unique<Thing>();
    CYScriptHandler* owned = Handler("owned", kReader, const_cast<void*>(ObjectAddress(owner.get())));
    EXPECT_EQ(SendAndRead("SendCommandByName('reader', 'first', 'a, b')\n"
                          "SendCommandByName('nobody', 'lost', '')\n"
                          "SendCommandToAll('second', '')\n"
                          "SendCommandByPointer(StringToPointer('" + std::to_string(owner->ReferenceId()) + "'), 'poke', 'x')\n"
                          "SendCommandByPointer(globalObject, 'no owner', '')\n"),
              (Lines{"first|a|b", "second"}));
    owned->Step(0.0f);
    EXPECT_EQ(g_records, (Lines{"first|a|b", "second", "second", "poke|x"}));
}

TEST_F(CommandTest, TheSendersOwnCopyArrivesAtOnceAndTheLastSetNextCommandLeavesNothing) {
    EXPECT_EQ(Run("SendCommandToAll('only', '')\n"
                  "Record(SetNextCommand(globalObject), GetCurrentCommand(globalObject))\n"
                  "Record(SetNextCommand(globalObject), GetCurrentCommand(globalObject))\n"
                  "Record(SetNextCommand(nil), GetCurrentParams(nil))\n"),
              (Lines{"true|only", "false", "false"}));
}

TEST_F(CommandTest, LongCommandsArriveWholeAndNonTextOnesAreNotSent) {
    EXPECT_EQ(SendAndRead("SendCommandByName('reader', 'big', string.rep('x', 100000) .. string.rep(',v', 2000))\n"
                          "ParseCommand('name reader ' .. string.rep('y', 5000) .. ' ' .. string.rep('z', 5000))\n"
                          "SendCommandToAll(string.rep('w', 5000), '')\n"
                          "SendCommandByName('reader', nil, '')\n"),
              (Lines{"big|" + std::string(100000, 'x') + Repeat("|v", 2000),
                     std::string(5000, 'y') + "|" + std::string(5000, 'z'), std::string(5000, 'w')}));
    EXPECT_FALSE(LogHas("dropped"));
    EXPECT_TRUE(LogHas("bad argument #2 to 'SendCommandByName' (string expected, got nil)"));
}

TEST_F(CommandTest, ParseCommandRoutesAllAndNameFormsAndLooksUpOtherWordsInTheTable) {
    test::WriteFile("data/scripts/commands.dat",
                    "go name reader gocmd\nBig name reader bigcmd\nall name reader allcmd\n"
                    "quiet other reader quietcmd\nquiet name reader loudcmd\n");
    LoadCommands();
    EXPECT_EQ(SendAndRead("ParseCommand('ALL wake') ParseCommand('all wake up,now extra')\n"
                          "ParseCommand('name reader open 1,2') ParseCommand('Name reader close')\n"
                          "ParseCommand('name reader')\n"  // no record 'name': nothing
                          "ParseCommand('all') ParseCommand('GO far')\n"
                          "ParseCommand('Big')\n"  // a key with capitals never matches
                          "ParseCommand('quiet') ParseCommand('') ParseCommand(nil)\n"),
              (Lines{"wake", "wake|up|now", "open|1|2", "close", "allcmd", "gocmd|far", "loudcmd"}));
}

}  // namespace
