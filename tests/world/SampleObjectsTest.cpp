// The sample game's object descriptions, loaded from game/data with the meshes and
// textures the tools make: the pads and pickups that droids walk over, the barrels and
// crates that stand in the way, the enemies built from the droid model, and the effects.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "LevelTestSupport.h"
#include "core/YLog.h"
#include "render/YMeshLoader.h"

namespace {

using leveltest::LogCount;

class SampleObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string data = std::string(KESTRUNE_SOURCE_DIR) + "/game/data";
        if (!test::FileExists(data + "/meshes/ring.a3d") || !test::FileExists(data + "/meshes/droids.a3d"))
            GTEST_SKIP() << "sample content not made";
        std::filesystem::create_directory_symlink(data, "data");
        StartLog();
    }
    void TearDown() override { std::filesystem::remove("data"); }

    std::unique_ptr<CYComplexObject> Load(const std::string& file) {
        CYComplexObject* object = nullptr;
        CYMeshLoader loader;
        EXPECT_EQ(loader.LoadObject(file, &object), S_OK) << file;
        return std::unique_ptr<CYComplexObject>(object);
    }

    // The names of the parts that are drawn, anywhere in the object.
    static std::set<std::string> Shown(const CYComplexObject& object) {
        std::set<std::string> names;
        for (const auto& [name, part] : object.PartsByName())
            if (part->IsVisible()) names.insert(name);
        return names;
    }

    test::TempDir dir_;
};

TEST_F(SampleObjectsTest, PadsAndPickupsLetDroidsOverAndRunTheirScripts) {
    const std::pair<const char*, const char*> walkable[] = {
        {"spawn.adf", "init"}, {"lift.adf", "idle"}, {"exit.adf", "idle"}, {"repair.adf", "idle"}, {"chip.adf", "idle"}};
    for (const auto& [file, state] : walkable) {
        auto object = Load(file);
        ASSERT_NE(object, nullptr) << file;
        ASSERT_EQ(object->Parts().size(), 1u) << file;
        EXPECT_FALSE(object->Parts()[0]->HasCollision()) << file;
        EXPECT_TRUE(object->IsActive()) << file;  // rooms list it among the objects they search
        EXPECT_NE(object->ScriptHandler().FindState(state), nullptr) << file;
    }
    for (const char* file : {"barrel.adf", "crate.adf"}) {
        auto object = Load(file);
        ASSERT_NE(object, nullptr) << file;
        EXPECT_TRUE(object->Parts()[0]->HasCollision()) << file;
        EXPECT_FALSE(object->IsMoving()) << file;
    }
    EXPECT_EQ(LogCount("Error in"), 0);  // every part has its texture and effect
}

TEST_F(SampleObjectsTest, EnemiesAreTheDroidModelShowingTheirOwnParts) {
    const std::pair<const char*, std::set<std::string>> enemies[] = {
        {"crawler.adf", {"shassis2", "body", "head", "eye", "armor1", "weapon1"}},
        {"turret.adf", {"shassis3", "body", "head", "eye", "armor3", "armor3hatch", "weapon1"}},
        {"sentinel.adf", {"shassis3", "body", "head", "eye", "armor2", "weapon3", "weapon3coil"}}};
    for (const auto& [file, parts] : enemies) {
        auto enemy = Load(file);
        ASSERT_NE(enemy, nullptr) << file;
        EXPECT_EQ(Shown(*enemy), parts) << file;
        EXPECT_TRUE(enemy->IsMoving()) << file;
        EXPECT_NE(enemy->ScriptHandler().FindState("idle"), nullptr) << file;
    }
    EXPECT_EQ(LogCount("Error in"), 0);
}

TEST_F(SampleObjectsTest, EffectsAreSpritesAndParticlesWithoutScripts) {
    for (const char* file : {"beam.adf", "arc.adf", "flamejet.adf"}) {
        auto beam = Load(file);
        ASSERT_NE(beam, nullptr) << file;
        EXPECT_NE(beam->FindChild("autosprite0"), nullptr) << file;
        EXPECT_EQ(beam->ScriptHandler().FindState("idle"), nullptr) << file;
    }
    auto explosion = Load("explosion.adf");
    ASSERT_NE(explosion, nullptr);
    EXPECT_EQ(Shown(*explosion), (std::set<std::string>{"fire", "sparks", "smoke"}));
    auto sparks = Load("sparks.adf");
    ASSERT_NE(sparks, nullptr);
    EXPECT_EQ(sparks->Parts().size(), 1u);
    for (const char* file : {"marker.adf", "target.adf"}) {
        auto ring = Load(file);
        ASSERT_NE(ring, nullptr) << file;
        EXPECT_FALSE(ring->FindChild("ring")->HasCollision()) << file;
    }
    auto anchor = Load("anchor.adf");
    ASSERT_NE(anchor, nullptr);
    EXPECT_TRUE(anchor->Parts().empty());
    EXPECT_EQ(LogCount("Error in"), 0);
}

}  // namespace
