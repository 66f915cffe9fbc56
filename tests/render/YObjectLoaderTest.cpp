// Object descriptions: the object built from a description, the defaults of parts
// without blocks, the first-line rules, sprites and particle blocks, and hostile text.
#include "render/YObjectLoader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/YLog.h"
#include "render/YComplexObject.h"
#include "render/YMeshLoader.h"
#include "render/YObject.h"
#include "render/YParticleSystem.h"
#include "render/YSprite.h"
#include "render/YVertexEffect.h"
#include "support/TestSupport.h"

namespace {

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One plain part record (a triangle, no boxes) followed by its child count.
std::string Part(const std::string& name, uint32_t children) {
    std::string s;
    Put32(s, 0);
    std::string padded = name;
    padded.resize(260, '\0');
    s += padded;
    Put32(s, 3);
    const float pos[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 1}};
    for (const auto& p : pos) {
        for (float f : {p[0], p[1], p[2], 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f}) {
            uint32_t b;
            std::memcpy(&b, &f, 4);
            Put32(s, b);
        }
    }
    Put32(s, 3);
    s += std::string("\0\0\1\0\2\0", 6);
    Put32(s, 0);
    Put32(s, children);
    return s;
}

// "m.a3d": body (with child arm) and head; "doors.a3d": two parts named door.
void WriteMeshes() {
    std::string m;
    Put32(m, 0);
    Put32(m, 2);
    test::WriteFile("data/meshes/m.a3d", m + Part("Body", 1) + Part("Arm", 0) + Part("Head", 0));
    std::string d;
    Put32(d, 0);
    Put32(d, 2);
    test::WriteFile("data/meshes/doors.a3d", d + Part("door", 0) + Part("door", 0));
}

struct ObjectLoaderTest : ::testing::Test {
    void SetUp() override { WriteMeshes(); }
    std::unique_ptr<CYComplexObject> Load(const std::string& text, HRESULT expected = S_OK) {
        test::WriteFile("data/meshes/o.adf", text);
        CYMeshLoader loader;
        CYComplexObject* object = reinterpret_cast<CYComplexObject*>(1);
        EXPECT_EQ(loader.LoadObject("o.adf", &object), expected);
        return std::unique_ptr<CYComplexObject>(object);
    }
    // The description a text gives, read without building anything.
    static YObjectDescription Parse(const std::string& text) {
        YObjectDescription d;
        EXPECT_TRUE(ParseObjectDescription(text.data(), uint32_t(text.size()), &d));
        return d;
    }
    int LogCount(const std::string& text) const {
        const std::string log = test::ReadFile("YLog.log");
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }
    test::TempDir dir_;
};

// ---- Building the object -----------------------------------------------------------------

TEST_F(ObjectLoaderTest, DescriptionBuildsPartsTexturesEffectVertexEffectAndScripts) {
    test::WriteFile("data/scripts/idle.lua", "x = 1\n");
    auto o = Load(
        "object = m.a3d\n"
        "weight = 2.5\n"
        "[Body]\n"
        "TextureFile1 = Wall.TGA\n"
        "texturefile2 = b.png\n"
        "effectfile = simple.fx\n"
        "type = 6\n"
        "count = 3\n"
        "vertexeffect = movingtex 0.5 0.25\n"
        "[arm]\n"
        "texturefile1 = arm.tga\n"
        "effectfile = arm.fx\n"
        "collision = 0\n"
        "[scripts]\n"
        "idle = idle.lua\n");
    ASSERT_TRUE(o);
    EXPECT_FLOAT_EQ(o->GetWeight(), 2.5f);
    EXPECT_TRUE(o->IsActive());
    EXPECT_NE(o->ScriptHandler().FindState("idle"), nullptr);
    CYObject* body = o->FindChild("body");
    ASSERT_TRUE(body);
    EXPECT_EQ(body->GetVisual()->GetTextureNames(), (std::vector<std::string>{"wall.tga", "b.png"}));
    EXPECT_EQ(body->GetVisual()->GetEffectName(), "simple.fx");
    EXPECT_EQ(body->GetVisual()->GetMode(), 3);
    EXPECT_EQ(body->GetVisual()->GetModeIndex(), 1);
    EXPECT_EQ(body->GetDrawCount(), 3);
    EXPECT_NE(dynamic_cast<CYMovingTextureEffect*>(body->GetVertexEffect()), nullptr);
    CYObject* arm = o->FindChild("arm");
    EXPECT_EQ(arm->GetVisual()->GetEffectName(), "arm.fx");
    EXPECT_FALSE(arm->HasCollision());
    EXPECT_TRUE(arm->IsVisible());
    EXPECT_GT(o->GetRadius(), 0.0f);
}

TEST_F(ObjectLoaderTest, PartWithoutBlockKeepsDefaultsAndLogsMissingTextureAndEffect) {
    auto o = Load("object = m.a3d\n[body]\ntexturefile1 = a.tga\neffectfile = a.fx\n[arm]\ntexturefile1 = a.tga\n"
                  "effectfile = a.fx\nvisible = 0\n");
    ASSERT_TRUE(o);
    CYObject* head = o->FindChild("head");
    EXPECT_TRUE(head->GetVisual()->GetTextureNames().empty());
    EXPECT_EQ(head->GetVisual()->GetEffectName(), "");
    EXPECT_TRUE(head->HasCollision());
    EXPECT_TRUE(head->IsVisible());
    EXPECT_EQ(head->GetDrawCount(), 1);
    EXPECT_EQ(head->GetVisual()->GetMode(), 0);
    EXPECT_EQ(LogCount("Error in o.adf!!!\n"), 2);
    EXPECT_FALSE(o->IsActive());
    // visible 0: neither drawn nor colliding (collision tests skip it); its collision flag is kept.
    EXPECT_FALSE(o->FindChild("arm")->IsVisible());
    EXPECT_TRUE(o->FindChild("arm")->HasCollision());
}

TEST_F(ObjectLoaderTest, VisibleDoesNotOverwriteCollision) {
    auto o = Load("object = m.a3d\n[body]\ncollision = 0\nvisible = 1\n[head]\nvisible = 0\n");
    ASSERT_TRUE(o);
    CYObject* body = o->FindChild("body");
    EXPECT_TRUE(body->IsVisible());
    EXPECT_FALSE(body->HasCollision());
    EXPECT_FALSE(o->FindChild("head")->IsVisible());  // invisible: neither drawn nor hit
}

TEST_F(ObjectLoaderTest, PartIntegersReadAsAtoiAndWeightIsAnyReal) {
    auto o = Load("object = m.a3d\nweight = -3.5\n[body]\nvisible = 0.0\ncount = -1\ntype = 1.9\n"
                  "[head]\ncollision = 1.0\nvisible = 1 \ncount = 2x\n");
    ASSERT_TRUE(o);
    EXPECT_FLOAT_EQ(o->GetWeight(), -3.5f);
    CYObject* body = o->FindChild("body");
    EXPECT_FALSE(body->IsVisible());
    EXPECT_EQ(body->GetDrawCount(), 0);  // draws nothing
    EXPECT_EQ(body->GetVisual()->GetMode(), 1);
    CYObject* head = o->FindChild("head");
    EXPECT_TRUE(head->HasCollision());
    EXPECT_TRUE(head->IsVisible());
    EXPECT_EQ(head->GetDrawCount(), 2);
    EXPECT_EQ(LogCount("Bad value"), 0);
}

TEST_F(ObjectLoaderTest, TwoPartsOfTheSameNameBothGetTheBlock) {
    auto o = Load("object = doors.a3d\n[door]\ntexturefile1 = d.tga\n");
    ASSERT_EQ(o->Parts().size(), 2u);
    for (CYObject* part : o->Parts()) EXPECT_EQ(part->GetVisual()->GetTextureNames()[0], "d.tga");
}

TEST_F(ObjectLoaderTest, MovingInsideAPartBlockSetsTheObjectFlag) {
    auto o = Load("object = m.a3d\n[body]\nmoving = 1\n");
    EXPECT_TRUE(o->IsMoving());
    EXPECT_TRUE(o->IsActive());
}

TEST_F(ObjectLoaderTest, MovingMakesEveryPartStaticGeometryOrNotAndAStaticPartAddsNoActivity) {
    auto still = Load("object = m.a3d\nmoving = 0\n[sprite]\n1 2\n");
    ASSERT_TRUE(still);
    EXPECT_FALSE(still->IsMoving());
    for (const char* name : {"body", "arm", "head"})
        EXPECT_TRUE(still->FindChild(name)->GetVisual()->IsStaticGeometry()) << name;
    ASSERT_TRUE(still->FindChild("sprite0"));
    EXPECT_FALSE(still->FindChild("sprite0")->GetVisual()->IsStaticGeometry());
    // A copy of a static part keeps the flag: the object that takes it stays inactive.
    CYComplexObject taker("taker");
    EXPECT_TRUE(taker.AddChild(still->FindChild("body")->Clone()));
    EXPECT_FALSE(taker.IsActive());

    auto moves = Load("object = m.a3d\nmoving = 1\n");
    auto unsaid = Load("object = m.a3d\n");
    for (CYComplexObject* o : {moves.get(), unsaid.get()})
        for (const char* name : {"body", "arm", "head"}) EXPECT_FALSE(o->FindChild(name)->GetVisual()->IsStaticGeometry());
    taker.AddChild(unsaid->FindChild("head")->Clone());
    EXPECT_TRUE(taker.IsActive());
}

TEST_F(ObjectLoaderTest, EmptyObjectHasNoPartsAndKeepsItsSettings) {
    auto o = Load("object = empty\nmoving = 1\nweight = 4\nanimationtable = walk.dat\n");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->GetName(), "empty");
    EXPECT_TRUE(o->Parts().empty());
    EXPECT_TRUE(o->IsMoving());
    EXPECT_FLOAT_EQ(o->GetWeight(), 4.0f);
    EXPECT_EQ(o->GetSkeleton(), nullptr);
}

TEST_F(ObjectLoaderTest, AnimationTableForAMeshWithoutSkeletonChangesNothing) {
    auto o = Load("object = m.a3d\nanimationtable = walk.dat\n");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->GetSkeleton(), nullptr);
    EXPECT_FALSE(o->IsActive());
}

TEST_F(ObjectLoaderTest, SampleCrateLoadsWithItsTextureAndEffect) {
    const std::string game = std::string(KESTRUNE_SOURCE_DIR) + "/game/data/meshes/";
    test::WriteFile("data/meshes/box.a3d", test::ReadFile(game + "box.a3d"));
    test::WriteFile("data/meshes/box.adf", test::ReadFile(game + "box.adf"));
    CYMeshLoader loader;
    CYComplexObject* object = nullptr;
    ASSERT_EQ(loader.LoadObject("box.adf", &object), S_OK);
    std::unique_ptr<CYComplexObject> o(object);
    ASSERT_TRUE(o->FindChild("box"));
    EXPECT_EQ(o->FindChild("box")->GetVisual()->GetTextureNames()[0], "wall.tga");
    EXPECT_EQ(o->FindChild("box")->GetVisual()->GetEffectName(), "simple.fx");
    EXPECT_EQ(LogCount("Error in box.adf"), 0);
}

// ---- The first line ----------------------------------------------------------------------

TEST_F(ObjectLoaderTest, CapitalFirstLineLoadsTheSameObject) {
    auto o = Load("OBJECT = M.A3D\n");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->GetName(), "m.a3d");
    EXPECT_EQ(o->Parts().size(), 2u);
}

TEST_F(ObjectLoaderTest, WrongFirstLinesFailWithTheUndefinedObjectLine) {
    for (const char* text : {"[body]\nobject = m.a3d\n", "mesh = m.a3d\n", "object\n", "object =\n", ""}) {
        EXPECT_FALSE(Load(text, E_FAIL)) << text;
    }
    EXPECT_EQ(LogCount("Undefined mesh object, in file - o.adf\n"), 5);
    CYMeshLoader loader;
    CYComplexObject* object = nullptr;
    EXPECT_EQ(loader.LoadObject("none.adf", &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(LogCount("Undefined mesh object, in file - none.adf\n"), 1);
}

TEST_F(ObjectLoaderTest, MissingMeshFailsWithTheMeshName) {
    EXPECT_FALSE(Load("object = gone.a3d\nmoving = 1\n[scripts]\nidle = idle.lua\n", E_FAIL));
    EXPECT_EQ(LogCount("Cannot load mesh file - gone.a3d"), 1);
}

// ---- Sprites and particles ---------------------------------------------------------------

TEST_F(ObjectLoaderTest, SpritesTakeTheirDataLinesAndTheNextLineIsReadAsUsual) {
    const std::string text =
        "object = m.a3d\n[sprite]\n1 2\n[body]\n[autosprite2]\n1 2 3\n4 5 6\n7\ntexturefile1 = a.tga\n"
        "[sprite]\n1 x\n[sprite]\n[arm]\ncount = 2\n";
    YObjectDescription d = Parse(text);
    ASSERT_EQ(d.sprites.size(), 2u);
    EXPECT_FALSE(d.sprites[0].autoSprite);
    EXPECT_EQ(d.sprites[0].values, (std::vector<float>{1, 2}));
    EXPECT_TRUE(d.sprites[1].autoSprite);
    EXPECT_EQ(d.sprites[1].number, 1);
    EXPECT_EQ(d.sprites[1].values, (std::vector<float>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(d.blocks["body"].at("texturefile1"), "a.tga");
    EXPECT_EQ(d.blocks["arm"].at("count"), "2");
}

TEST_F(ObjectLoaderTest, EmptyBracketsAfterASpriteHeaderEndTheText) {
    YObjectDescription d = Parse("object = m.a3d\n[sprite]\n[]\nweight = 5\n[body]\ncount = 2\n");
    EXPECT_TRUE(d.sprites.empty());
    EXPECT_EQ(d.weight, 0.0f);
    EXPECT_EQ(d.blocks.count("body"), 0u);
}

TEST_F(ObjectLoaderTest, ParticleObjectIsActiveAndBlocksGiveSettingsWithDefaults) {
    auto o = Load("object = particles\n[Smoke]\nposition = 1, 2, 3\nscale = 2\ncolor = -5\nwind = 1,2\n");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->GetName(), "particles");
    EXPECT_TRUE(o->IsActive());
    const std::string text = test::ReadFile("data/meshes/o.adf");
    YObjectDescription d = Parse(text);
    const YParticleSettings s = ReadParticleSettings(d, "smoke");
    EXPECT_EQ(s.name, "smoke");
    EXPECT_FLOAT_EQ(s.params.position.z, 3.0f);
    EXPECT_FLOAT_EQ(s.params.scale, 2.0f);
    EXPECT_EQ(s.params.color, 0xFFFFFFFBu);
    EXPECT_EQ(s.params.wind, math::Vec3(1, 2, 0));  // the missing third is 0
    EXPECT_EQ(s.params.particlesToEmit, 50);
    EXPECT_FLOAT_EQ(s.params.timeToLive, 1.0f);
    EXPECT_EQ(s.params.coneAngle, 0);
}

TEST_F(ObjectLoaderTest, SpritesAndParticleSystemsBecomeParts) {
    auto o = Load("object = m.a3d\n[sprite]\n1 2\n[autosprite2]\n1 2 3\n4 5 6\n0.5\n");
    ASSERT_TRUE(o);
    auto* sprite = dynamic_cast<CYSprite*>(o->FindChild("sprite0"));
    auto* beam = dynamic_cast<CYAutoSprite*>(o->FindChild("autosprite1"));
    ASSERT_TRUE(sprite && beam);
    EXPECT_EQ(sprite->GetHalfHeight(), 2.0f);
    EXPECT_EQ(beam->GetB(), math::Vec3(4, 5, 6));
    EXPECT_FALSE(sprite->GetVisual()->IsStaticGeometry());

    auto p = Load("object = particles\n[Smoke]\nscale = 2\ncolor = -5\n[fire]\n");
    ASSERT_TRUE(p);
    ASSERT_EQ(p->Parts().size(), 2u);
    auto* smoke = dynamic_cast<CYParticleSystem*>(p->FindChild("smoke"));
    ASSERT_TRUE(smoke);
    EXPECT_EQ(smoke->GetParams().scale, 2.0f);
    EXPECT_EQ(smoke->GetParams().color, 0xFFFFFFFBu);
    EXPECT_EQ(smoke->GetOwner(), p.get());
}

// ---- Hostile text ------------------------------------------------------------------------

TEST_F(ObjectLoaderTest, ParticleNumbersAreReadAsAtoiAndAtofReadThem) {
    const std::string text =
        "object = particles\n[a]\npersecond = -12 \nscale = 2.5e1\n"
        "[b]\npersecond = 1x\nframes = 99999999999\ntypes = 1.5\nemitcount = 0x10\n"
        "scale = nan\ntimetolive = inf\nposition = 1e99, 0, 0\nvelocity = 0x1p3, 0, 0\nwind = 1,5\ngravity = -, 0, 0\n";
    YObjectDescription d = Parse(text);
    const YParticleParams a = ReadParticleSettings(d, "a").params, b = ReadParticleSettings(d, "b").params;
    EXPECT_EQ(a.perSecond, -12);
    EXPECT_FLOAT_EQ(a.scale, 25.0f);
    EXPECT_EQ(b.perSecond, 1);
    EXPECT_EQ(b.frames, INT32_MAX);  // held to the range
    EXPECT_EQ(b.types, 1);
    EXPECT_EQ(b.emitCount, 0);
    // Texts without a number read as 0, with a line each.
    EXPECT_EQ(b.scale, 0.0f);
    EXPECT_EQ(b.timeToLive, 0.0f);
    EXPECT_FLOAT_EQ(b.position.x, 3.4028235e38f);
    EXPECT_EQ(b.velocity, math::Vec3());
    EXPECT_EQ(b.wind, math::Vec3(1, 5, 0));  // the missing third is 0
    EXPECT_EQ(b.gravity, math::Vec3());
    EXPECT_EQ(LogCount("Bad value"), 3);
}

TEST_F(ObjectLoaderTest, ParticleColourIsAnyThirtyTwoBitMask) {
    const std::string text =
        "object = particles\n[a]\ncolor = 4294967295\n[b]\ncolor = 2147483648\n[c]\ncolor = -2147483648\n"
        "[d]\ncolor = 4294967296\n[e]\ncolor = -2147483649\n";
    YObjectDescription d = Parse(text);
    EXPECT_EQ(ReadParticleSettings(d, "a").params.color, 0xFFFFFFFFu);
    EXPECT_EQ(ReadParticleSettings(d, "b").params.color, 0x80000000u);
    EXPECT_EQ(ReadParticleSettings(d, "c").params.color, 0x80000000u);
    // Beyond 32 bits: held to the nearest end.
    EXPECT_EQ(ReadParticleSettings(d, "d").params.color, 0xFFFFFFFFu);
    EXPECT_EQ(ReadParticleSettings(d, "e").params.color, 0x80000000u);
    EXPECT_EQ(LogCount("Bad value"), 0);
}

TEST_F(ObjectLoaderTest, BadValuesAreLoggedAndReadAsAtoiReads) {
    auto o = Load(
        "object = m.a3d\nweight = nan\nstray = 1\n[head]\ntype = 1e9\ncount = 99999999999\ncollision = x\n"
        "vertexeffect = anim 0 0 1\nvertexeffect = nothing 1\ncolour = red\n= no key\n[]\n[arm]\ncount = 5\n");
    ASSERT_TRUE(o);
    EXPECT_FLOAT_EQ(o->GetWeight(), 0.0f);
    CYObject* head = o->FindChild("head");
    EXPECT_EQ(head->GetVisual()->GetMode(), 1);       // "1e9" is 1
    EXPECT_EQ(head->GetDrawCount(), kMaxDrawCount);  // held to the cap
    EXPECT_FALSE(head->HasCollision());              // "x" is 0
    EXPECT_EQ(head->GetVertexEffect(), nullptr);
    EXPECT_EQ(o->FindChild("arm")->GetDrawCount(), 1);  // "[]" ended the text
    EXPECT_EQ(LogCount("Bad value"), 2);
    EXPECT_EQ(LogCount("Unknown key colour in [head] of o.adf"), 1);
    EXPECT_EQ(LogCount("Key stray outside any block"), 1);
    EXPECT_EQ(LogCount("is not \"key = value\""), 1);
}

TEST_F(ObjectLoaderTest, KeysWithoutValuesAreReadWithTheEmptyValue) {
    auto o = Load("object = m.a3d\nmoving = 1\nmoving =\n[head]\ntexturefile1 =\neffectfile\n");
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->IsMoving());
    CYObject* head = o->FindChild("head");
    EXPECT_EQ(head->GetVisual()->GetTextureNames(), (std::vector<std::string>{""}));
    EXPECT_EQ(head->GetVisual()->GetEffectName(), "");
    // Only body and arm lack their texture and effect lines.
    EXPECT_EQ(LogCount("Error in o.adf!!!\n"), 4);
    EXPECT_EQ(LogCount("is not \"key = value\""), 0);
}

TEST_F(ObjectLoaderTest, CountsAreCapped) {
    std::string text = "object = empty\n[scripts]\n";
    for (int i = 0; i < kMaxDescriptionScripts + 5; ++i) text += "s" + std::to_string(i) + " = a.lua\n";
    for (int i = 0; i < kMaxDescriptionBlocks + 5; ++i) {
        text += "[b" + std::to_string(i) + "]\n";
        if (i == 1)
            for (int k = 0; k < kMaxDescriptionBlockKeys + 5; ++k) text += "k" + std::to_string(k) + " = 1\n";
    }
    YObjectDescription d = Parse(text);
    EXPECT_EQ(int(d.scripts.size()), kMaxDescriptionScripts);
    EXPECT_EQ(int(d.blocks.size()), kMaxDescriptionBlocks);
    EXPECT_EQ(int(d.blocks["b1"].size()), kMaxDescriptionBlockKeys);
}

}  // namespace
