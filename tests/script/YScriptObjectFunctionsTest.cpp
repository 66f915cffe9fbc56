// Creating, placing, turning, snapping, parameterising and taking apart objects from scripts.
#include "ObjectTestSupport.h"

#include "render/YSprite.h"

namespace {

using namespace scripttest;

class ObjectFunctions : public ObjectFixture {};

TEST_F(ObjectFunctions, PlacingTurningAndDistancesFollowTheObjectsFields) {
    CYComplexObject* a = NewObject("a");
    CYComplexObject* b = NewObject("b", {3, 4, 9});
    const std::string o = Ref(a);
    EXPECT_EQ(Run("local o = " + o + "\n"
                  "CObjRotateAbsolute(o, 0) Record(GetObjectAngle(o))\n"
                  "Record(GetCObjsDistance(o, " + Ref(b) + "), GetCObjsDistance(o, nil))\n"
                  "CObjRotate(o, 1.5707964) RotateComplexObject(o, 0.5) Record(GetObjectAngle(o))\n"
                  "SetCObjPosition(o, 1, 2, 3) Record(GetComplexObjectPos(o))\n"
                  "CObjRotateAbsolute(o, 1.5707964) CObjMoveForwardWithoutCD(o, 2) Record(GetObjectPos(o))\n"
                  "Record(CObjMoveForward(o, 1), CObjMoveBackward(o, 0), CObjMoveForward(nil, 1))\n"
                  "SetCObjPosition(o, 1/0, 0, 0) CObjRotate(o, 1/0) RotateComplexObject(o, -1e30) CObjMoveForward(o, 1e30)\n"
                  "MoveComplexObject(o, 1e30, 0, 0) SetRadius(o, -1) SetRadius(o, 1/0) Record(GetObjectPos(o))\n"
                  "SetRadius(o, 2) Record(GetRadius(o), GetObjectAngle(o))\n"),
              (Lines{"-1.5707963705063", "5|100000", "0.5", "1|2|3|0.5", "3|2|3", "1|0|0", "4|2|3", "2|0"}));
}

TEST_F(ObjectFunctions, SnappedObjectsRideAlongAndCyclesAreRefused) {
    CYComplexObject* o = NewObject("o", {1, 1, 0});
    CYComplexObject* t = NewObject("t", {5, 0, 0});
    CYComplexObject* u = NewObject("u", {0, 5, 0});
    EXPECT_EQ(Run("local o, t, u = " + Ref(o) + ", " + Ref(t) + ", " + Ref(u) + "\n"
                  "SetSnapObject(o, t) Record(GetObjectPos(o)) SetSnapObject(o, nil) Record(GetObjectPos(o))\n"
                  "SetSnapObject(o, t) SetSnapObject(t, o) SetSnapObject(o, o) Record(GetObjectPos(t))\n"
                  "MoveComplexObject(t, 1, 0, 0) SetSnapObject(o, nil) Record(GetObjectPos(o))\n"
                  "SetSnapObject(o, t) SetSnapObject(o, u)\n"),
              (Lines{"-4|1|0", "1|1|0", "5|0|0", "2|1|0"}));
    EXPECT_EQ(t->GetCarried(), nullptr);  // the old snap was released
    EXPECT_EQ(u->GetCarried(), o);
    EXPECT_EQ(t->GetCarrier(), nullptr);
    EXPECT_TRUE(LogHas("SetSnapObject: object - t cannot ride on - o, refused"));
}

TEST_F(ObjectFunctions, PartsAreFoundNamedShownCopiedAndDeleted) {
    CYComplexObject* a = NewObject("a");
    a->AddChild(new CYSprite("sprite0", 1, 1));
    EXPECT_EQ(Run("local o = " + Ref(a) + "\n"
                  "local arm = GetChildObject(o, 'arm')\n"
                  "Record(GetObjectName(arm), ComparePointers(GetObjectParent(arm), o), IsNull(GetChildObject(o, 'x')))\n"
                  "SetObjectVisible(arm, false) SetBBoxVisible(GetChildObject(o, 'body'), true)\n"
                  "Record(IsObjectVisible(arm), IsObjectVisible(GetChildObject(o, 'body')))\n"
                  "local copy = CloneChild(arm) SetObjectName(copy, 'body') AddChild(o, copy) AddChild(o, arm)\n"
                  "Record(GetObjectName(copy), ComparePointers(GetChildObject(o, 'body_'), copy))\n"
                  "DeleteChildObject(o, 'body') Record(IsNull(arm), IsNull(copy), GetObjectName(arm))\n"
                  "SetSpriteSize(GetChildObject(o, 'sprite0'), 2) SetSpriteSize(GetChildObject(o, 'sprite0'), 1/0)\n"
                  "RotateChildObjectZ(copy, 1, 2, 3, 0) RotateObjectZ(o, 1, 2, 3, 1)\n"),
              (Lines{"arm|true|true", "false|true", "body_|true", "true|false|"}));
    EXPECT_TRUE(a->FindChild("arm") == nullptr);
    const auto* sprite = dynamic_cast<CYSprite*>(a->FindChild("sprite0"));
    EXPECT_EQ(sprite->GetHalfWidth(), 2.0f);
    EXPECT_EQ(sprite->GetHalfHeight(), 2.0f);
    EXPECT_EQ(a->FindChild("body_")->GetLocalMatrix().m[3][1], 2.0f);
    EXPECT_EQ(a->GetHeading(), 0.0f);
    EXPECT_TRUE(LogHas("AddChild: part - arm belongs to an object already, refused"));
}

TEST_F(ObjectFunctions, ParametersAreEnteredWhenReadAndTriggersNeedALiveObject) {
    CYComplexObject* a = NewObject("a");
    auto loose = std::make_unique<CYComplexObject>("loose");
    EXPECT_EQ(Run("local o, l, t = " + Ref(a) + ", " + Ref(loose.get()) + ", NewThing()\n"
                  "Record(GetObjectSParam(o, 'k'), GetObjectTrigger(o, 'f'), IsNull(GetObjectParam(o, 'p')))\n"
                  "SetObjectSParam(o, 'k', 'v') SetObjectTrigger(o, 'f', 1) SetObjectParam(o, 'p', t)\n"
                  "SetObjectTrigger(l, 'f', true)\n"
                  "Record(GetObjectSParam(o, 'k'), GetObjectTrigger(o, 'f'), ComparePointers(GetObjectParam(o, 'p'), t))\n"
                  "KillThing(t) Record(IsNull(GetObjectParam(o, 'p')), GetObjectTrigger(l, 'f'))\n"),
              (Lines{"|false|true", "v|true|true", "true|false"}));
    EXPECT_EQ(a->ScriptHandler().textParams.count("k"), 1u);
    EXPECT_TRUE(loose->ScriptHandler().flagParams.at("f"));
}

TEST_F(ObjectFunctions, ScriptsCreateAndCloneObjectsOnlyWithAWorld) {
    test::WriteFile("data/meshes/thing.adf", "object = empty\n");
    CYComplexObject* a = NewObject("a");
    EXPECT_EQ(Run("local ok, o = CreateComplexObject('thing.adf', 1, 2, 3)\n"
                  "Record(ok, GetCObjName(o), GetObjectPos(o))\n"
                  "Record(ComparePointers(GetComplexObject('temp'), o), CreateComplexObject('none.adf', 0, 0, 0))\n"
                  "Record(CreateComplexObject('thing.adf', 1e30, 0, 0))\n"
                  "local c = GetComplexObjectClone(" + Ref(a) + ", 4, 5, 6)\n"
                  "Record(GetCObjName(c), IsNull(GetChildObject(c, 'arm')), GetObjectPos(c))\n"),
              (Lines{"true|temp|1|2|3", "true|false", "false", "temp|false|4|5|6"}));
    RemoveWorld();
    g_records.clear();
    EXPECT_EQ(Run("Record(CreateComplexObject('thing.adf', 0, 0, 0), IsNull(GetComplexObject('temp')))\n"),
              (Lines{"false|true"}));
}

TEST_F(ObjectFunctions, CreatedObjectsAndClonesSwitchToTheirTriggerStates) {
    test::WriteFile("data/meshes/trig.adf", "object = empty\n[scripts]\n_x = x.lua\n");
    test::WriteFile("data/scripts/x.lua", "while true do Update() end\n");
    Run("local ok, o = CreateComplexObject('trig.adf', 1, 2, 3) Record(o, GetComplexObjectClone(o, 0, 0, 0))\n"
        "SetTrigger('_x', 1)\n");
    ASSERT_EQ(g_records.size(), 1u);
    const std::string line = g_records[0];
    for (const std::string& id : {line.substr(4, line.find('|') - 4), line.substr(line.rfind(':') + 1)}) {
        auto* object = ResolveReference<CYComplexObject>(ReferenceOfId(std::stoul(id)));
        ASSERT_NE(object, nullptr) << line;
        EXPECT_EQ(object->ScriptHandler().CurrentState(), object->ScriptHandler().FindState("_x")) << id;
        EXPECT_NE(object->ScriptHandler().CurrentState(), nullptr) << id;
    }
}

TEST_F(ObjectFunctions, TheCamerasAndTheWorldsScriptsGetTheirOwnerAsAReference) {
    test::WriteFile("data/scripts/cam.lua", "local me = GetCurrentComplexObject(globalObject)\n"
                                            "Record(IsNull(me), ComparePointers(me, GetGameWorld()))\n"
                                            "SetCameraLookAt(me, 1, 2, 3) Record(GetCameraLookAt(me))\n"
                                            "SendCommandByPointer(me, 'show', 'x') while true do Update() end\n");
    test::WriteFile("data/scripts/w.lua", "Record(ComparePointers(GetCurrentComplexObject(globalObject), GetGameWorld()))\n");
    for (auto [handler, file] : {std::pair{&world->GetCamera().ScriptHandler(), "cam.lua"},
                                 std::pair{&world->ScriptHandler(), "w.lua"}}) {
        g_commandManager->Register(handler);
        ASSERT_EQ(handler->AddState("idle", file), S_OK);
        handler->SwitchToIdle();
        handler->Step(0.0f);
    }
    EXPECT_EQ(g_records, (Lines{"false|false", "1|2|3", "true"}));
    EXPECT_EQ(world->GetCamera().GetLookAt(), math::Vec3(1, 2, 3));
    ASSERT_EQ(world->GetCamera().ScriptHandler().Commands().size(), 1u);  // commands reach its handler
    EXPECT_EQ(world->GetCamera().ScriptHandler().Commands().front().command, "show");
}

TEST_F(ObjectFunctions, DistancesOfSnappedObjectsAreTakenFromTheirOwnPositions) {
    CYComplexObject* o = NewObject("o", {3, 4, 0});
    CYComplexObject* t = NewObject("t", {3, 0, 0});
    CYComplexObject* u = NewObject("u");
    EXPECT_EQ(Run("SetSnapObject(" + Ref(o) + ", " + Ref(t) + ")\n"
                  "Record(GetObjectPos(" + Ref(o) + ")) Record(GetCObjsDistance(" + Ref(o) + ", " + Ref(u) + "))\n"),
              (Lines{"0|4|0", "4"}));
}

TEST_F(ObjectFunctions, VectorsAreTurnedAndMirrored) {
    EXPECT_EQ(Run("local x, y, z = RotateVectorXYZ(1, 0, 0, 0, 0, math.pi / 2)\n"
                  "Record(math.floor(x * 1000 + 0.5), math.floor(y * 1000 + 0.5), z)\n"
                  "Record(MirrorPoint(0, 0, 2, 0, 1, 2, 3))\n"
                  "Record(MirrorPoint(0, 0, 0, 0, 1, 2, 3))\n"),
              (Lines{"0|1000|0", "1|2|-3", "1|2|3"}));
}

// Every object function given a destroyed object (or a part of one) answers its defaults.
TEST_F(ObjectFunctions, ADestroyedObjectReadsAsNullInEveryFunction) {
    CYComplexObject* a = NewObject("a");
    const std::string prefix = "local dead, part = " + Ref(a) + ", StringToPointer('" +
                               std::to_string(ReferenceIdOf(PartReference(a->FindChild("arm")))) + "')\n";
    world->DeleteObject(a);
    const std::vector<std::pair<std::string, std::string>> calls = {
        {"GetComplexObjectPos(dead)", "0|0|0|0"}, {"GetObjectPos(dead)", "0|0|0"},
        {"GetObjectAngle(dead)", "0"}, {"GetCObjsDistance(dead, dead)", "100000"},
        {"CObjMoveForward(dead, 1)", "0"}, {"CObjMoveBackward(dead, 1)", "0"},
        {"GetRadius(dead)", "0"}, {"IsNull(dead)", "true"}, {"IsNull(part)", "true"},
        {"IsObjectVisible(part)", "false"}, {"GetObjectName(part)", ""}, {"GetCObjName(dead)", ""},
        {"IsNull(GetObjectParent(part))", "true"}, {"IsNull(GetChildObject(dead, 'arm'))", "true"},
        {"IsNull(CloneChild(part))", "true"}, {"GetObjectSParam(dead, 'k')", ""},
        {"GetObjectTrigger(dead, 'k')", "false"}, {"IsNull(GetObjectParam(dead, 'k'))", "true"},
        {"IsNull(GetSkeleton(dead))", "true"}, {"GetAnimation(dead)", ""},
        {"IsNull(GetComplexObjectClone(dead, 0, 0, 0))", "true"},
        {"IsNull(GetCurrentComplexObject(dead))", "true"}, {"ExecuteObjectScript(part, 'idle', nil)", "false"},
        {"ExecuteComplexObjectScript(dead, 'idle', nil)", "false"},
    };
    std::string script = prefix;
    for (const auto& call : calls) script += "Record(" + call.first + ")\n";
    // Setters that must do nothing, then one more line to show the script went on.
    script += "SetCObjPosition(dead, 1, 1, 1) SetComplexObjectPosition(dead, 1, 1, 1, 1) MoveComplexObject(dead, 1, 1, 1)\n"
              "CObjMoveForwardWithoutCD(dead, 1) CObjRotate(dead, 1) RotateComplexObject(dead, 1) CObjRotateAbsolute(dead, 1)\n"
              "SetRadius(dead, 1) SetCollision(dead, true) SetCObjVisible(dead, true) SetObjectVisible(part, true)\n"
              "SetBBoxVisible(part, true) DrawComplexObject(dead) SetObjectName(part, 'x') AddChild(dead, part)\n"
              "DeleteChildObject(dead, 'arm') SetObjectSParam(dead, 'k', 'v') SetObjectTrigger(dead, 'k', true)\n"
              "SetObjectParam(dead, 'k', dead) SetSnapObject(dead, dead) SetTexture(part, 't') SetEffect(part, 'e')\n"
              "SetVertexEffect(part, 'fade', '1') SetSpriteSize(part, 1) SetAutoSprite2Pos(part, 0, 0, 0, 1, 1, 1)\n"
              "SetAnimation(dead, 'walk') UpdateSkeleton(dead, 1) RotateChildObjectZ(part, 0, 0, 0, 1)\n"
              "RotateChildObjectYPR(part, 0, 0, 0, 1, 1, 1) RotateChildObjectXYZ(part, 0, 0, 0, 1, 1, 1)\n"
              "RotateAndMoveChildObjectXYZ(part, 0, 0, 0, 1, 1, 1, 1, 1, 1) UpdateObjectScript(part) TestComplexObject(dead)\n"
              "Record('done')\n";
    Lines expected;
    for (const auto& call : calls) expected.push_back(call.second);
    expected.push_back("done");
    EXPECT_EQ(Run(script), expected);
}

}  // namespace
