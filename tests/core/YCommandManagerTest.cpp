#include "core/YCommandManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/YScript.h"
#include "support/TestSupport.h"

namespace {

using Args = std::vector<std::string>;

class CommandTest : public testing::Test {
protected:
    test::TempDir dir;

    CommandTest() {
        test::WriteFile("data/scripts/s.lua", "Update()\n");
        LoadCommands();
    }
    ~CommandTest() override { DestroyCommands(); }

    // A handler with a loaded state, so that it accepts commands.
    static std::unique_ptr<CYScriptHandler> Handler(const std::string& name, void* owner = nullptr) {
        auto h = std::make_unique<CYScriptHandler>(owner);
        h->SetName(name);
        g_commandManager->Register(h.get());
        EXPECT_EQ(h->AddState("idle", "s.lua"), S_OK);
        return h;
    }
    // The commands of a handler, oldest first.
    static std::vector<std::string> Received(const CYScriptHandler& h) {
        std::vector<std::string> out;
        for (auto it = h.Commands().rbegin(); it != h.Commands().rend(); ++it) out.push_back(it->command);
        return out;
    }
};

// ---- delivery ----

TEST_F(CommandTest, ByNameReachesEveryHandlerOfTheNameInOrder) {
    auto a = Handler("interface");
    auto b = Handler("interface");
    auto c = Handler("other");
    g_commandManager->SendCommandByName("interface", "first", "");
    g_commandManager->SendCommandByName("interface", "second", "");
    g_commandManager->SendCommandByName("nobody", "lost", "");
    EXPECT_EQ(Received(*a), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(Received(*b), (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(c->Commands().empty());
}

TEST_F(CommandTest, HandlerRegisteredTwiceUnderANameGetsOneCopy) {
    auto a = Handler("MAIN");
    g_commandManager->Register(a.get());
    g_commandManager->SendCommandByName("MAIN", "GameOver", "1");
    EXPECT_EQ(a->Commands().size(), 1u);
    EXPECT_EQ(g_commandManager->Handlers().size(), 1u);
}

TEST_F(CommandTest, ByOwnerReachesOnlyTheFirstHandlerOfThatOwner) {
    int owner = 0;
    auto first = Handler("", &owner);
    auto second = Handler("", &owner);
    g_commandManager->SendCommandByPointer(&owner, "hit", "");
    EXPECT_EQ(first->Commands().size(), 1u);
    EXPECT_TRUE(second->Commands().empty());
    // Unregistering the second erases the owner's entry: the first is no longer reached.
    second.reset();
    g_commandManager->SendCommandByPointer(&owner, "hit", "");
    EXPECT_EQ(first->Commands().size(), 1u);
}

TEST_F(CommandTest, ToAllSkipsTheExcludedHandler) {
    auto a = Handler("a");
    auto b = Handler("b");
    g_commandManager->SendCommandToAll(a.get(), "destroy object", "12");
    g_commandManager->SendCommandToAll(nullptr, "everyone", "");
    EXPECT_EQ(Received(*a), std::vector<std::string>{"everyone"});
    EXPECT_EQ(Received(*b), (std::vector<std::string>{"destroy object", "everyone"}));
}

TEST_F(CommandTest, HandlerWithoutALoadedStateReceivesNothingUntilAddStateSucceeds) {
    CYScriptHandler h(nullptr);
    h.SetName("w");
    g_commandManager->Register(&h);
    g_commandManager->SendCommandByName("w", "a", "");
    g_commandManager->SendCommandToAll(nullptr, "b", "");
    EXPECT_EQ(h.AddState("idle", "missing.lua"), E_FAIL);
    g_commandManager->SendCommandByName("w", "c", "");
    EXPECT_TRUE(h.Commands().empty());
    ASSERT_EQ(h.AddState("idle", "s.lua"), S_OK);
    g_commandManager->SendCommandByName("w", "d", "");
    EXPECT_EQ(Received(h), std::vector<std::string>{"d"});
}

TEST_F(CommandTest, AFullQueueDropsCommandsUntilTheScriptsTakeOne) {
    auto h = Handler("q");
    for (int i = 0; i < 60; ++i) g_commandManager->SendCommandByName("q", std::to_string(i), "");
    ASSERT_EQ(h->Commands().size(), 51u);
    EXPECT_EQ(Received(*h).back(), "50");
    h->SetNextCommand();  // "0" becomes current, still queued
    g_commandManager->SendCommandByName("q", "dropped", "");
    EXPECT_EQ(h->Commands().size(), 51u);
    h->SetNextCommand();  // "0" removed
    g_commandManager->SendCommandByName("q", "kept", "");
    EXPECT_EQ(Received(*h).back(), "kept");
    EXPECT_EQ(h->CurrentCommand()->command, "1");
}

// Texts of any length a script makes arrive whole; only a record past 1 MiB, command and
// parameters together, is dropped, by every send, with a line of its own.
TEST_F(CommandTest, LongTextsArriveWholeUpToOneMebibyteARecord) {
    auto h = Handler("q", this);
    const std::string params = std::string(70000, 'x') + "," + std::string(5000, 'y');
    g_commandManager->SendCommandByName("q", std::string(5000, 'c'), params);
    ASSERT_EQ(h->Commands().size(), 1u);
    EXPECT_EQ(h->Commands().front().command, std::string(5000, 'c'));
    EXPECT_EQ(h->Commands().front().args, (Args{std::string(70000, 'x'), std::string(5000, 'y')}));
    const std::string command = "big";
    const std::string whole(kMaxCommandRecordBytes - command.size(), 'z');
    g_commandManager->SendCommandToAll(nullptr, command, whole);
    ASSERT_EQ(h->Commands().size(), 2u);
    EXPECT_EQ(h->Commands().front().args, Args{whole});
    EXPECT_EQ(test::ReadFile("YLog.log").find("Command dropped"), std::string::npos);
    g_commandManager->SendCommandByName("q", command, whole + "z");
    g_commandManager->SendCommandByPointer(this, command + "!", whole);
    g_commandManager->SendCommandToAll(nullptr, std::string(kMaxCommandRecordBytes + 1, 'c'), "");
    EXPECT_EQ(h->Commands().size(), 2u);
    const std::string line = "Command dropped: its command and parameter texts hold more than 1048576 bytes\n";
    const std::string log = test::ReadFile("YLog.log");
    size_t lines = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++lines;
    EXPECT_EQ(lines, 3u);
}

TEST_F(CommandTest, DestroyedHandlerIsNotReachedUnderAnOldName) {
    auto h = Handler("old");
    h->SetName("new");
    g_commandManager->Register(h.get());
    h.reset();
    auto other = Handler("x");
    g_commandManager->SendCommandByName("old", "c", "");
    g_commandManager->SendCommandByName("new", "c", "");
    g_commandManager->SendCommandToAll(nullptr, "c", "");
    EXPECT_EQ(g_commandManager->Handlers().size(), 1u);
}

// ---- arguments ----

TEST_F(CommandTest, ArgumentsAreSplitAtCommasWithQuotesHonoured) {
    auto h = Handler("a");
    g_commandManager->SendCommandByName("a", "c", "1");
    g_commandManager->SendCommandByName("a", "c", "a,b");
    g_commandManager->SendCommandByName("a", "c", "\"x,y\",z");
    g_commandManager->SendCommandByName("a", "c", "");
    const auto& q = h->Commands();
    EXPECT_EQ(q[3].args, Args{"1"});
    EXPECT_EQ(q[2].args, (Args{"a", "b"}));
    EXPECT_EQ(q[1].args, (Args{"x,y", "z"}));
    EXPECT_TRUE(q[0].args.empty());
}

TEST_F(CommandTest, ArgumentSplittingEdgeCases) {
    EXPECT_EQ(SplitCommandArguments("a,,b"), (Args{"a", "", "b"}));
    EXPECT_EQ(SplitCommandArguments("a,"), Args{"a"});
    EXPECT_EQ(SplitCommandArguments(",a"), (Args{"", "a"}));
    EXPECT_EQ(SplitCommandArguments(" a , b "), (Args{"a", "b"}));
    EXPECT_EQ(SplitCommandArguments("a, ,b"), (Args{"a", " ", "b"}));
    EXPECT_EQ(SplitCommandArguments("\"say \"\"hi\"\"\",2"), (Args{"say \"hi\"", "2"}));
    EXPECT_EQ(SplitCommandArguments("\"unterminated,rest"), Args{"unterminated,rest"});
    EXPECT_EQ(SplitCommandArguments("   "), Args{});
}

// ---- the command table ----

TEST_F(CommandTest, CommandTableIsReadLineByLine) {
    DestroyCommands();
    test::WriteFile("data/scripts/commands.dat",
                    "// a comment line\n"
                    "quit name MAIN GameOver\r\n"
                    "/* a block\n"
                    "hidden name x y\n"
                    "end of block */\n"
                    "say name interface \"show text\" extra words\n"
                    "\n"
                    "   short kind\n"
                    "[]\n"
                    "after name x y\n");
    LoadCommands();
    ASSERT_NE(g_commandManager, nullptr);
    const auto& t = CommandTable();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].word, "quit");
    EXPECT_EQ(t[0].kind, "name");
    EXPECT_EQ(t[0].name, "MAIN");
    EXPECT_EQ(t[0].command, "GameOver");
    EXPECT_EQ(t[1].command, "show text");
    EXPECT_EQ(t[2].word, "short");
    EXPECT_EQ(t[2].kind, "kind");
    EXPECT_EQ(t[2].name, "");
}

TEST_F(CommandTest, MissingCommandTableLeavesItEmpty) {
    EXPECT_NE(g_commandManager, nullptr);
    EXPECT_TRUE(CommandTable().empty());
    EXPECT_NE(test::ReadFile("YLog.log").find("File - data\\scripts\\commands.dat not found\n"), std::string::npos);
    DestroyCommands();
    EXPECT_EQ(g_commandManager, nullptr);
}

}  // namespace
