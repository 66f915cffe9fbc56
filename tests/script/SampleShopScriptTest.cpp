// The sample game's shop script on the sample tables, without a screen: the clicks of its
// widgets arrive as the commands the widgets send, and the points and droids are read back
// from the world.
#include "ObjectTestSupport.h"

namespace {

using namespace scripttest;

class SampleShop : public ObjectFixture {
protected:
    CYScriptHandler* shop = nullptr;

    SampleShop() {
        const std::string data = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/";
        for (const char* table : {"weapon", "armor", "chassis", "device", "droid", "enemy"}) {
            const std::string file = std::string("GameData/") + table + ".dat";
            test::WriteFile("data/" + file, test::ReadFile(data + file));
        }
        EXPECT_EQ(world->LoadGameData(), S_OK);
        world->LiveScore() = 500;
        world->MissionNumber() = 1;
        world->LastLevel() = 2;
        CYDroidRecord standard;
        standard.name = "Ann";
        world->Rosters().AddLive(standard);
        standard.name = "Bob";
        world->Rosters().AddLive(standard);
        Handler("MAIN", "while true do\n"
                        "  while SetNextCommand(globalObject) do Record(GetCurrentCommand(globalObject)) end\n"
                        "  Update()\n"
                        "end\n");
        shop = Handler("interface", test::ReadFile(data + "scripts/shop.lua"));
        Frame();
    }
    void Frame() {
        for (auto& h : handlers) h->Step(0.0f);
    }
    // A widget's command, answered in the next frame.
    void Send(const std::string& command, const std::string& params) {
        g_commandManager->SendCommandByName("interface", command, params);
        Frame();
    }
    void Pick(const std::string& group, int index) { Send("radiogroup_checked", group + ", " + std::to_string(index)); }
    void Click(const std::string& button) { Send("button_click", button); }
    int Points() const { return world->LiveScore(); }
    const CYDroidRecord& Droid(size_t i) const { return *world->Rosters().Live().at(i); }
    size_t Droids() const { return world->Rosters().Live().size(); }
};

// Tabs: 0 droids, 1 weapons, 2 armour, 3 chassis, 4 devices; rows cheapest first.
TEST_F(SampleShop, PartsAreFittedForTheirPriceAndTakenOffForHalf) {
    Pick("droids", 1);
    Pick("kinds", 1);
    Pick("items", 2);  // the arc gun replaces the thunder cannon, which pays back half
    Click("buy");
    EXPECT_EQ(Droid(1).weapon, "lightning");
    EXPECT_EQ(Droid(1).weaponsCount, 1);
    EXPECT_EQ(Points(), 500 - 180 + 40);
    Click("buy");  // the wheels carry one weapon
    EXPECT_EQ(Droid(1).weaponsCount, 1);
    Click("remove");
    EXPECT_EQ(Droid(1).weapon, "none");
    EXPECT_EQ(Points(), 360 + 90);
    Click("remove");  // nothing left to take off
    EXPECT_EQ(Points(), 450);

    Pick("kinds", 4);
    Click("buy");  // scanner
    Pick("items", 1);
    Click("buy");  // repair kit
    Pick("items", 2);
    Click("buy");  // a third device is refused
    EXPECT_EQ(Droid(1).devices, (std::vector<std::string>{"radar", "repair"}));
    EXPECT_EQ(Points(), 450 - 50 - 70);
    Pick("items", 0);
    Click("remove");
    EXPECT_EQ(Droid(1).devices, std::vector<std::string>{"repair"});
    EXPECT_EQ(Points(), 330 + 25);

    Pick("kinds", 2);
    Pick("items", 2);  // heavy plate for the mesh plating
    Click("buy");
    EXPECT_EQ(Droid(1).armor, "panzer");
    EXPECT_EQ(Points(), 355 - 180 + 15);
    Click("buy");  // fitted already
    EXPECT_EQ(Points(), 190);
    EXPECT_EQ(Droid(0).armor, "chainmail");
}

TEST_F(SampleShop, DroidsAreBoughtWhenUnlockedAndAffordableAndTheLastOneStays) {
    Pick("kinds", 0);
    Pick("items", 2);  // the siege tank, 620 points: too dear
    Click("buy");
    EXPECT_EQ(Droids(), 2u);
    Pick("items", 0);  // a scout, named after its model
    Click("buy");
    ASSERT_EQ(Droids(), 3u);
    EXPECT_EQ(Droid(2).name, "Scout 3");
    EXPECT_EQ(Droid(2).chassis, "chariot");
    EXPECT_EQ(Points(), 300);
    world->LastLevel() = 1;  // before mission 2 the hunter is not on sale
    Pick("items", 1);
    Click("buy");
    EXPECT_EQ(Droids(), 3u);
    EXPECT_EQ(Points(), 300);

    Pick("droids", 2);
    Click("sell_droid");
    Click("sell_droid");
    Click("sell_droid");  // the last droid is not sold
    ASSERT_EQ(Droids(), 1u);
    EXPECT_EQ(Droid(0).name, "Ann");
    EXPECT_EQ(Points(), 300 + 3 * 100 - 100);
}

TEST_F(SampleShop, AWeaponOfAnotherKindTradesInEveryGunAndChassisKeepTheirMounts) {
    world->LiveScore() = 2000;
    Pick("kinds", 0);
    Pick("items", 2);
    Click("buy");  // a siege tank: crawler legs and two thunder cannons
    ASSERT_EQ(Droids(), 3u);
    EXPECT_EQ(Points(), 2000 - 620);
    Pick("droids", 2);
    Pick("kinds", 3);
    Pick("items", 0);  // wheels carry one gun: refused while it has two
    Click("buy");
    EXPECT_EQ(Droid(2).chassis, "centipede");
    Pick("kinds", 1);
    Pick("items", 1);  // a flamer for both cannons
    Click("buy");
    EXPECT_EQ(Droid(2).weapon, "burn");
    EXPECT_EQ(Droid(2).weaponsCount, 1);
    EXPECT_EQ(Points(), 1380 - 110 + 2 * 40);
    Click("buy");  // a second flamer fits the legs' second mount
    EXPECT_EQ(Droid(2).weaponsCount, 2);
    EXPECT_EQ(Points(), 1350 - 110);
}

TEST_F(SampleShop, ContinueKeepsTheStateAndTellsTheMainScript) {
    Pick("kinds", 4);
    Click("buy");
    Click("continue");
    Click("buy");  // the shop has closed
    EXPECT_EQ(g_records, Lines{"shop_done"});
    ASSERT_EQ(world->Rosters().Fixed().size(), 2u);
    EXPECT_EQ(world->Rosters().Fixed()[0].devices, std::vector<std::string>{"radar"});
    EXPECT_EQ(world->GetLastLevel(), 2);
    EXPECT_EQ(Points(), 450);
}

TEST_F(SampleShop, ThePageArrowsChooseTheFirstEntryOfTheirPage) {
    std::string devices;
    for (int i = 1; i <= 7; ++i) devices += "d" + std::to_string(i) + "\tD\t1\t0\ticon\t" + std::to_string(i) + "\n";
    test::WriteFile("data/GameData/device.dat", devices);
    ASSERT_EQ(world->LoadGameData(), S_OK);
    Pick("kinds", 4);
    Click("next_page");
    Click("next_page");  // there is no third page
    Click("buy");
    Click("prev_page");
    Click("buy");
    EXPECT_EQ(Droid(0).devices, (std::vector<std::string>{"d6", "d1"}));
    EXPECT_EQ(Points(), 500 - 6 - 1);
}

TEST_F(SampleShop, StrayCommandsAndAnEmptyListChangeNothing) {
    world->Rosters().Live().clear();
    Send("radiogroup_checked", "items, 99");
    Send("radiogroup_checked", "droids, -4");
    Send("radiogroup_checked", "kinds, x");
    Send("radiogroup_checked", "");
    Send("button_click", "");
    Pick("kinds", 1);
    for (const char* button : {"buy", "remove", "sell_droid", "next_page", "prev_page"}) Click(button);
    EXPECT_EQ(Points(), 500);
    EXPECT_EQ(Droids(), 0u);
    EXPECT_FALSE(LogHas("ERROR"));
}

}  // namespace
