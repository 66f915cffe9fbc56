// Effect files: parsing, parameters, passes applied to the device, state saved and put
// back around Begin/End, refused shader code, and a blended pass in a real GL context.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "platform/graphics/Effect.h"
#include "support/TestSupport.h"

using namespace gfx;

namespace {

std::string SampleEffect(const char* name) {
    return test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/game/data/effects/" + name);
}

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        graphics_ = CreateRecordingGraphics();
        PresentParameters pp;
        pp.backBufferWidth = 64;
        pp.backBufferHeight = 64;
        pp.enableAutoDepthStencil = true;
        pp.autoDepthStencilFormat = FMT_D16;
        ASSERT_EQ(graphics_->CreateDevice(0, DEVTYPE_HAL, nullptr, 0, &pp, &device_), S_OK);
    }
    void TearDown() override {
        for (Effect* e : effects_) e->Release();
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u);
        }
        graphics_->Release();
    }

    // Compiles text; null (with the error text kept) when it does not compile.
    Effect* Make(const std::string& text) {
        Effect* effect = nullptr;
        HRESULT hr = CreateEffect(device_, text.data(), text.size(), &effect, &errors_);
        if (FAILED(hr)) {
            EXPECT_EQ(effect, nullptr);
            EXPECT_EQ(hr, E_FAIL);
            return nullptr;
        }
        EXPECT_TRUE(errors_.empty());
        effects_.push_back(effect);
        return effect;
    }
    // The error text of text that must not compile.
    std::string ErrorOf(const std::string& text) {
        EXPECT_EQ(Make(text), nullptr) << text;
        return errors_;
    }
    // One pass of the given states; Begin and Pass(0) applied.
    Effect* RunPass(const std::string& declarations, const std::string& states) {
        Effect* e = Make(declarations + "\ntechnique T { pass P { " + states + " } }");
        if (!e) return nullptr;
        uint32_t passes = 0;
        EXPECT_EQ(e->Begin(&passes, 0), S_OK);
        EXPECT_EQ(e->Pass(0), S_OK);
        return e;
    }
    uint32_t RS(RenderState s) {
        uint32_t v = 0;
        device_->GetRenderState(s, &v);
        return v;
    }
    uint32_t TSS(uint32_t stage, TextureStageState s) {
        uint32_t v = 0;
        device_->GetTextureStageState(stage, s, &v);
        return v;
    }
    uint32_t SAMP(uint32_t sampler, SamplerState s) {
        uint32_t v = 0;
        device_->GetSamplerState(sampler, s, &v);
        return v;
    }
    Texture* BoundTexture(uint32_t stage) {
        Texture* t = nullptr;
        device_->GetTexture(stage, &t);
        return t;
    }
    Texture* NewTexture() {
        Texture* t = nullptr;
        EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
        return t;
    }

    Graphics* graphics_ = nullptr;
    Device* device_ = nullptr;
    std::vector<Effect*> effects_;
    std::string errors_;
};

// The "tex%d" lookup the effect node makes: in order until the first missing number.
std::vector<EffectHandle> TextureHandles(Effect* e) {
    std::vector<EffectHandle> handles;
    for (int i = 0;; ++i) {
        EffectHandle h = e->GetParameterByName(nullptr, ("tex" + std::to_string(i)).c_str());
        if (!h) return handles;
        handles.push_back(h);
    }
}

// ---- The game's effect files --------------------------------------------------------------

TEST_F(EffectTest, SampleEffectsCompileWithOnePassAndOneTexture) {
    for (const char* name : {"simple.fx", "background.fx", "interface.fx"}) {
        std::string text = SampleEffect(name);
        ASSERT_FALSE(text.empty()) << name;
        Effect* e = Make(text);
        ASSERT_NE(e, nullptr) << name << ": " << errors_;
        ASSERT_EQ(e->SetTechnique(e->GetTechnique(0)), S_OK);
        uint32_t passes = 0;
        ASSERT_EQ(e->Begin(&passes, 0), S_OK);
        EXPECT_EQ(passes, 1u) << name;
        EXPECT_EQ(e->Pass(0), S_OK) << name;
        EXPECT_EQ(e->End(), S_OK);
        EXPECT_EQ(TextureHandles(e).size(), 1u) << name;
        EXPECT_EQ(e->GetParameterByName(nullptr, "time"), nullptr) << name;
    }
}

TEST_F(EffectTest, SampleEffectsSetWhatTheirNamesPromise) {
    Effect* simple = Make(SampleEffect("simple.fx"));
    Effect* background = Make(SampleEffect("background.fx"));
    Effect* ui = Make(SampleEffect("interface.fx"));
    ASSERT_TRUE(simple && background && ui) << errors_;
    uint32_t passes;
    simple->Begin(&passes, 0);
    simple->Pass(0);
    EXPECT_EQ(RS(RS_LIGHTING), 1u);
    EXPECT_EQ(TSS(0, TSS_COLOROP), TOP_MODULATE);
    EXPECT_EQ(TSS(0, TSS_COLORARG2), TA_DIFFUSE);
    simple->End();
    background->Begin(&passes, 0);
    background->Pass(0);
    EXPECT_EQ(RS(RS_LIGHTING), 0u);
    EXPECT_EQ(RS(RS_CULLMODE), CULL_NONE);
    EXPECT_EQ(RS(RS_ZWRITEENABLE), 0u);
    background->End();
    ui->Begin(&passes, 0);
    ui->Pass(0);
    EXPECT_EQ(RS(RS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(RS(RS_SRCBLEND), BLEND_SRCALPHA);
    EXPECT_EQ(RS(RS_DESTBLEND), BLEND_INVSRCALPHA);
    EXPECT_EQ(RS(RS_ZENABLE), 0u);
    EXPECT_EQ(RS(RS_CULLMODE), CULL_NONE);
    ui->End();
}

// ---- Parameters ---------------------------------------------------------------------------

TEST_F(EffectTest, TextureHandlesStopAtTheFirstMissingNumber) {
    Effect* e = Make("texture tex0; texture tex1; texture tex3; technique { pass { } }");
    ASSERT_NE(e, nullptr) << errors_;
    EXPECT_EQ(TextureHandles(e).size(), 2u);
}

TEST_F(EffectTest, TimeIsFoundOnlyWhenDeclared) {
    Effect* with = Make("float time; technique { pass { } }");
    Effect* without = Make("float Time; technique { pass { } }");
    ASSERT_TRUE(with && without) << errors_;
    EffectHandle time = with->GetParameterByName(nullptr, "time");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(with->SetFloat(time, 12.5f), S_OK);
    float value = 0;
    EXPECT_EQ(with->GetFloat(time, &value), S_OK);
    EXPECT_EQ(value, 12.5f);
    EXPECT_EQ(without->GetParameterByName(nullptr, "time"), nullptr);  // names are case-sensitive
}

TEST_F(EffectTest, ParametersRefuseValuesOfAnotherType) {
    Effect* e = Make("float f = 2; texture t; float4 c = {1, 0, 0, 1}; technique { pass { } }");
    ASSERT_NE(e, nullptr) << errors_;
    EffectHandle f = e->GetParameterByName(nullptr, "f"), t = e->GetParameterByName(nullptr, "t");
    EXPECT_EQ(e->SetFloat(t, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->SetTexture(f, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->SetFloat(e->GetParameterByName(nullptr, "c"), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->SetFloat(nullptr, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->GetParameterByName(f, "f"), nullptr);
    // A handle of a technique is no parameter.
    EXPECT_EQ(e->SetFloat(e->GetTechnique(0), 1), D3DERR_INVALIDCALL);
}

TEST_F(EffectTest, EffectHoldsAReferenceToItsTextures) {
    Effect* e = Make("texture tex0; technique { pass { } }");
    ASSERT_NE(e, nullptr) << errors_;
    Texture* t = NewTexture();
    EffectHandle h = e->GetParameterByName(nullptr, "tex0");
    ASSERT_EQ(e->SetTexture(h, t), S_OK);
    EXPECT_EQ(t->Release(), 1u);  // the effect's reference keeps it
    Texture* got = nullptr;
    EXPECT_EQ(e->GetTexture(h, &got), S_OK);
    EXPECT_EQ(got, t);
    t->AddRef();
    EXPECT_EQ(e->SetTexture(h, nullptr), S_OK);
    EXPECT_EQ(t->Release(), 0u);
}

// ---- Techniques ---------------------------------------------------------------------------

TEST_F(EffectTest, FirstTechniqueIsCurrentAndOthersCanBeChosen) {
    Effect* e = Make("technique A { pass { } } technique B { pass { } pass { } pass { } }");
    ASSERT_NE(e, nullptr) << errors_;
    EffectHandle first = nullptr, second = nullptr, none = reinterpret_cast<EffectHandle>(1);
    ASSERT_EQ(e->FindNextValidTechnique(nullptr, &first), S_OK);
    EXPECT_EQ(first, e->GetTechnique(0));
    EXPECT_EQ(e->GetCurrentTechnique(), first);
    ASSERT_EQ(e->FindNextValidTechnique(first, &second), S_OK);
    EXPECT_EQ(second, e->GetTechnique(1));
    ASSERT_EQ(e->FindNextValidTechnique(second, &none), S_OK);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(e->GetTechnique(2), nullptr);
    EXPECT_EQ(e->SetTechnique(nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(e->SetTechnique(second), S_OK);
    uint32_t passes = 0;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    EXPECT_EQ(passes, 3u);
    EXPECT_EQ(e->SetTechnique(first), D3DERR_INVALIDCALL);  // not while begun
    EXPECT_EQ(e->End(), S_OK);
}

// ---- Passes -------------------------------------------------------------------------------

TEST_F(EffectTest, EnumeratorNamesAreReadInAnyCase) {
    ASSERT_NE(RunPass("", "cullmode = ccw; SRCBLEND = INVSRCALPHA; DestBlend = srcAlpha; ZFunc = GreaterEqual;"
                          "ColorOp[1] = modulate2X; AlphaArg1[1] = TFACTOR; MinFilter[1] = Linear;"
                          "AddressU[0] = Clamp; BlendOp = RevSubtract; DiffuseMaterialSource = Color2;"),
              nullptr)
        << errors_;
    EXPECT_EQ(RS(RS_CULLMODE), CULL_CCW);
    EXPECT_EQ(RS(RS_SRCBLEND), BLEND_INVSRCALPHA);
    EXPECT_EQ(RS(RS_DESTBLEND), BLEND_SRCALPHA);
    EXPECT_EQ(RS(RS_ZFUNC), CMP_GREATEREQUAL);
    EXPECT_EQ(TSS(1, TSS_COLOROP), TOP_MODULATE2X);
    EXPECT_EQ(TSS(1, TSS_ALPHAARG1), TA_TFACTOR);
    EXPECT_EQ(SAMP(1, SAMP_MINFILTER), TEXF_LINEAR);
    EXPECT_EQ(SAMP(0, SAMP_ADDRESSU), TADDRESS_CLAMP);
    EXPECT_EQ(RS(RS_BLENDOP), BLENDOP_REVSUBTRACT);
    EXPECT_EQ(RS(RS_DIFFUSEMATERIALSOURCE), MCS_COLOR2);
}

TEST_F(EffectTest, BooleansIntegersHexadecimalAndCombinedFlags) {
    ASSERT_NE(RunPass("", "Lighting = FALSE; ZWriteEnable = false; AlphaTestEnable = 1; AlphaRef = 128;"
                          "TextureFactor = 0x80FF2010; ColorArg1[0] = Texture | AlphaReplicate;"
                          "ColorWriteEnable = Red | Alpha; TexCoordIndex[1] = 0; ZEnable = UseW;"),
              nullptr)
        << errors_;
    EXPECT_EQ(RS(RS_LIGHTING), 0u);
    EXPECT_EQ(RS(RS_ZWRITEENABLE), 0u);
    EXPECT_EQ(RS(RS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(RS(RS_ALPHAREF), 128u);
    EXPECT_EQ(RS(RS_TEXTUREFACTOR), 0x80FF2010u);
    EXPECT_EQ(TSS(0, TSS_COLORARG1), TA_TEXTURE | TA_ALPHAREPLICATE);
    EXPECT_EQ(RS(RS_COLORWRITEENABLE), 9u);
    EXPECT_EQ(TSS(1, TSS_TEXCOORDINDEX), 0u);
    EXPECT_EQ(RS(RS_ZENABLE), 2u);
}

TEST_F(EffectTest, ParameterValuesAreReadWhenThePassIsApplied) {
    Effect* e = Make("float ref = 10; float4 tint = float4(1, 0.5, 0, 1);\n"
                     "technique { pass { AlphaRef = <ref>; TextureFactor = <tint>; Lighting = (ref); } }");
    ASSERT_NE(e, nullptr) << errors_;
    uint32_t passes;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    ASSERT_EQ(e->Pass(0), S_OK);
    EXPECT_EQ(RS(RS_ALPHAREF), 10u);
    EXPECT_EQ(RS(RS_TEXTUREFACTOR), 0xFFFF8000u);
    EXPECT_EQ(RS(RS_LIGHTING), 1u);
    e->SetFloat(e->GetParameterByName(nullptr, "ref"), 0);
    ASSERT_EQ(e->Pass(0), S_OK);
    EXPECT_EQ(RS(RS_ALPHAREF), 0u);
    EXPECT_EQ(RS(RS_LIGHTING), 0u);
    e->End();
}

TEST_F(EffectTest, TexturesSetJustBeforeThePassAreBound) {
    Effect* e = Make("texture tex0; texture tex1;\n"
                     "technique { pass { Texture[0] = <tex0>; Texture[1] = <tex1>; } }");
    ASSERT_NE(e, nullptr) << errors_;
    Texture* a = NewTexture();
    Texture* b = NewTexture();
    uint32_t passes;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    std::vector<EffectHandle> tex = TextureHandles(e);
    ASSERT_EQ(tex.size(), 2u);
    e->SetTexture(tex[0], a);
    e->SetTexture(tex[1], b);
    ASSERT_EQ(e->Pass(0), S_OK);
    EXPECT_EQ(BoundTexture(0), a);
    EXPECT_EQ(BoundTexture(1), b);
    e->SetTexture(tex[0], b);
    e->SetTexture(tex[1], nullptr);
    ASSERT_EQ(e->Pass(0), S_OK);
    EXPECT_EQ(BoundTexture(0), b);
    EXPECT_EQ(BoundTexture(1), nullptr);
    e->End();
    a->Release();
    b->Release();
}

TEST_F(EffectTest, SamplerStateBlocksApplyToTheStageTheyAreBoundTo) {
    Effect* e = Make("texture tex0;\n"
                     "sampler s = sampler_state { Texture = <tex0>; AddressU = Mirror; MagFilter = Linear; };\n"
                     "technique { pass { Sampler[1] = (s); } }");
    ASSERT_NE(e, nullptr) << errors_;
    Texture* t = NewTexture();
    e->SetTexture(e->GetParameterByName(nullptr, "tex0"), t);
    uint32_t passes;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    ASSERT_EQ(e->Pass(0), S_OK);
    EXPECT_EQ(BoundTexture(1), t);
    EXPECT_EQ(SAMP(1, SAMP_ADDRESSU), TADDRESS_MIRROR);
    EXPECT_EQ(SAMP(1, SAMP_MAGFILTER), TEXF_LINEAR);
    EXPECT_EQ(SAMP(0, SAMP_MAGFILTER), TEXF_POINT);
    e->End();
    t->Release();
}

TEST_F(EffectTest, MaterialLightsAndTransformsAreSet) {
    ASSERT_NE(RunPass("float4 amb = {0.25, 0.5, 0.75, 1}; float4x4 m = {{2,0,0,0},{0,2,0,0},{0,0,2,0},{0,0,0,1}};",
                      "MaterialAmbient = <amb>; MaterialPower = 8; LightEnable[3] = true;"
                      "WorldTransform[0] = <m>;"),
              nullptr)
        << errors_;
    Material mat;
    device_->GetMaterial(&mat);
    EXPECT_EQ(mat.ambient.g, 0.5f);
    EXPECT_EQ(mat.power, 8.0f);
    bool enabled = false;
    device_->GetLightEnable(3, &enabled);
    EXPECT_TRUE(enabled);
    math::Matrix world;
    device_->GetTransform(TS_WORLD, &world);
    EXPECT_EQ(world.m[1][1], 2.0f);
}

TEST_F(EffectTest, CommentsAndAnnotationsAreSkipped) {
    Effect* e = RunPass("// Lighting = false;\n/* a block\n   comment */ texture tex0 < string name = \"a>b.tga\"; >;",
                        "/* CullMode = None; */ CullMode = CW; // ZEnable = false;\n");
    ASSERT_NE(e, nullptr) << errors_;
    EXPECT_EQ(RS(RS_CULLMODE), CULL_CW);
    EXPECT_EQ(RS(RS_ZENABLE), 1u);
    EXPECT_NE(e->GetParameterByName(nullptr, "tex0"), nullptr);
}

TEST_F(EffectTest, PassCallsOutsideBeginOrBeyondTheLastPassAreRefused) {
    Effect* e = Make("technique { pass { CullMode = None; } }");
    ASSERT_NE(e, nullptr) << errors_;
    EXPECT_EQ(e->Pass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->End(), D3DERR_INVALIDCALL);
    uint32_t passes;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    EXPECT_EQ(e->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->Pass(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->BeginPass(0), S_OK);
    EXPECT_EQ(e->BeginPass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->EndPass(), S_OK);
    EXPECT_EQ(e->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->End(), S_OK);
}

TEST_F(EffectTest, DeviceFailureInAPassIsReturnedAndTheOtherStatesStillSet) {
    Effect* e = Make("technique { pass { CullMode = None; Lighting = false; } }");
    ASSERT_NE(e, nullptr) << errors_;
    uint32_t passes;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    AsRecording(device_)->FailNext("SetRenderState", D3DERR_INVALIDCALL);
    EXPECT_EQ(e->Pass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(RS(RS_LIGHTING), 0u);
    e->End();
}

// ---- Saving and restoring -----------------------------------------------------------------

TEST_F(EffectTest, EndPutsBackEveryStateThePassesChanged) {
    Effect* e = Make("texture tex0; float4 d = {1, 0, 0, 1};\n"
                     "technique { pass { Lighting = false; CullMode = None; Texture[0] = <tex0>;"
                     " ColorOp[0] = SelectArg1; AddressV[0] = Clamp; LightEnable[0] = true; MaterialDiffuse = <d>; }"
                     " pass { AlphaBlendEnable = true; ColorOp[1] = Add; } }");
    ASSERT_NE(e, nullptr) << errors_;
    Texture* before = NewTexture();
    Texture* inEffect = NewTexture();
    device_->SetTexture(0, before);
    device_->SetRenderState(RS_ALPHAREF, 77);
    e->SetTexture(e->GetParameterByName(nullptr, "tex0"), inEffect);
    Material m0;
    m0.diffuse = {0, 0, 1, 1};
    device_->SetMaterial(&m0);

    uint32_t passes;
    ASSERT_EQ(e->Begin(&passes, 0), S_OK);
    ASSERT_EQ(passes, 2u);
    ASSERT_EQ(e->Pass(0), S_OK);
    ASSERT_EQ(e->Pass(1), S_OK);
    EXPECT_EQ(BoundTexture(0), inEffect);
    device_->SetRenderState(RS_ALPHAREF, 5);  // not the effect's: kept after End
    ASSERT_EQ(e->End(), S_OK);

    EXPECT_EQ(RS(RS_LIGHTING), 1u);
    EXPECT_EQ(RS(RS_CULLMODE), CULL_CCW);
    EXPECT_EQ(RS(RS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(TSS(0, TSS_COLOROP), TOP_MODULATE);
    EXPECT_EQ(TSS(1, TSS_COLOROP), TOP_DISABLE);
    EXPECT_EQ(SAMP(0, SAMP_ADDRESSV), TADDRESS_WRAP);
    EXPECT_EQ(BoundTexture(0), before);
    bool light = true;
    device_->GetLightEnable(0, &light);
    EXPECT_FALSE(light);
    Material m;
    device_->GetMaterial(&m);
    EXPECT_EQ(m.diffuse.b, 1.0f);
    EXPECT_EQ(RS(RS_ALPHAREF), 5u);
    before->Release();
    inEffect->Release();
}

TEST_F(EffectTest, BeginSavesOnlyWhatTheTechniqueSets) {
    Effect* e = Make("technique { pass { CullMode = None; } }");
    ASSERT_NE(e, nullptr) << errors_;
    AsRecording(device_)->ClearCalls();
    uint32_t passes;
    e->Begin(&passes, 0);
    e->Pass(0);
    e->End();
    std::vector<std::string> expected = {"GetRenderState(22)", "SetRenderState(22, 1)", "SetRenderState(22, 3)"};
    EXPECT_EQ(AsRecording(device_)->Calls(), expected);
}

// ---- Refused text -------------------------------------------------------------------------

TEST_F(EffectTest, ShaderCodeIsRefusedWithItsMessage) {
    const char* shaders[] = {
        "technique { pass { VertexShader = compile vs_2_0 main(); } }",
        "technique { pass { PixelShader = asm { ps_1_1 mov r0, v0 }; } }",
        "float4 main(float4 p : POSITION) : POSITION { return p; }\ntechnique { pass { } }",
        "vertexshader vs = asm { vs_1_1 };\ntechnique { pass { } }",
    };
    for (const char* text : shaders) {
        std::string error = ErrorOf(text);
        EXPECT_NE(error.find("shader code is not supported"), std::string::npos) << error;
        EXPECT_EQ(error.rfind("effect(", 0), 0u) << error;
    }
    EXPECT_EQ(ErrorOf("texture tex0;\ntechnique { pass { VertexShader = compile vs_2_0 main(); } }"),
              "effect(2,35): error: shader code is not supported ('compile'): effects set fixed-function states only");
    EXPECT_NE(Make("technique { pass { VertexShader = NULL; PixelShader = null; } }"), nullptr) << errors_;
}

TEST_F(EffectTest, ErrorsNameTheirLineAndColumn) {
    EXPECT_EQ(ErrorOf("technique {\n  pass {\n    Culmode = None;\n  }\n}"),
              "effect(3,5): error: unknown state 'Culmode'");
    EXPECT_EQ(ErrorOf("technique { pass { CullMode = Sideways; } }"),
              "effect(1,31): error: unknown value 'Sideways' for 'CullMode'");
    EXPECT_EQ(ErrorOf("technique { pass { CullMode = None } }"),
              "effect(1,36): error: ';' expected before '}'");
}

TEST_F(EffectTest, MalformedTextIsRefused) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "the effect has no technique"},
        {"texture tex0;", "the effect has no technique"},
        {"/* open technique { pass { } }", "unterminated comment"},
        {"#include \"x.fx\"\ntechnique { pass { } }", "preprocessor directives are not supported"},
        {"float3 v; technique { pass { } }", "unsupported parameter type 'float3'"},
        {"float f; float f; technique { pass { } }", "parameter 'f' declared twice"},
        {"float4 c = {1, 2, 3}; technique { pass { } }", "float4 takes 4 values"},
        {"technique { pass { Texture[0] = <tex9>; } }", "unknown parameter 'tex9'"},
        {"float t; technique { pass { Texture[0] = <t>; } }", "parameter 't' is not a texture"},
        {"technique { pass { ColorOp[8] = Modulate; } }", "index of 'ColorOp' out of range"},
        {"technique { pass { LightEnable[15] = true; } }", "index of 'LightEnable' out of range"},
        {"technique { pass { Lighting[0] = true; } }", "'Lighting' takes no index"},
        {"technique { pass { AlphaRef = 0.5; } }", "integer expected for 'AlphaRef'"},
        {"sampler s = sampler_state { Lighting = true; }; technique { pass { } }",
         "'Lighting' cannot be set in a sampler_state"},
        {"technique { pass { TextureFactor = 0x1FFFFFFFF; } }", "number too large"},
        {"technique { pass { CullMode = None; }", "'pass' expected before the end of the file"},
        {"texture t < string s = \"x\"; technique { pass { } }", "unterminated annotation"},
        {"technique { pass { Lighting = \"yes; } }", "unterminated string"},
    };
    for (const Case& c : cases) {
        std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << "\n -> " << error;
    }
}

TEST_F(EffectTest, OversizedTextIsRefused) {
    std::string text = "technique { pass { } }" + std::string(kMaxEffectText, ' ');
    EXPECT_NE(ErrorOf(text).find("effect text too large"), std::string::npos);
}

TEST_F(EffectTest, MissingArgumentsAreInvalidCalls) {
    Effect* e = reinterpret_cast<Effect*>(1);
    EXPECT_EQ(CreateEffect(nullptr, "x", 1, &e, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(CreateEffect(device_, nullptr, 5, &e, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(CreateEffect(device_, nullptr, 0, &e, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(CreateEffect(device_, "x", 1, nullptr, nullptr), D3DERR_INVALIDCALL);
}

// ---- Pixels in a real GL context ----------------------------------------------------------

TEST(EffectGLTest, AlphaBlendedPassDrawsBlendedPixels) {
    constexpr int kSize = 32;
    HiddenWindow window(kSize, kSize);
    ASSERT_NE(window.Get(), nullptr);
    Graphics* graphics = Create(kSdkVersion);
    ASSERT_NE(graphics, nullptr);
    PresentParameters pp;
    pp.backBufferWidth = kSize;
    pp.backBufferHeight = kSize;
    Device* device = nullptr;
    ASSERT_EQ(graphics->CreateDevice(0, DEVTYPE_HAL, window.Get(), 0, &pp, &device), S_OK);
    device->SetFVF(kVertexFvf);

    std::string text = SampleEffect("interface.fx");
    Effect* effect = nullptr;
    std::string errors;
    ASSERT_EQ(CreateEffect(device, text.data(), text.size(), &effect, &errors), S_OK) << errors;
    // A white texture: the colour and alpha come from the vertices.
    Texture* white = nullptr;
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &white), S_OK);
    const uint8_t px[4] = {255, 255, 255, 255};
    ASSERT_EQ(white->Fill(px, 1, 1, 4), S_OK);
    effect->SetTexture(effect->GetParameterByName(nullptr, "tex0"), white);

    device->Clear(0, nullptr, CLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    uint32_t passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
    ASSERT_EQ(passes, 1u);
    ASSERT_EQ(effect->Pass(0), S_OK);
    // Counter-clockwise on screen: drawn only because the effect turns culling off.
    Vertex quad[6];
    const float corners[6][2] = {{-1, 1}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int i = 0; i < 6; ++i) {
        quad[i].x = corners[i][0];
        quad[i].y = corners[i][1];
        quad[i].z = 0.5f;
        quad[i].diffuse = 0x80FF0000;  // half-transparent red
    }
    ASSERT_EQ(device->DrawPrimitiveUP(PT_TRIANGLELIST, 2, quad, sizeof(Vertex)), S_OK);
    ASSERT_EQ(effect->End(), S_OK);
    uint32_t pixel = 0;
    ASSERT_EQ(device->ReadPixels(16, 16, 1, 1, &pixel), S_OK);
    int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    EXPECT_NEAR(r, 128, 2);
    EXPECT_EQ(g, 0);
    EXPECT_NEAR(b, 127, 2);
    // End put the blending back off.
    uint32_t blend = 1;
    device->GetRenderState(RS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(blend, 0u);

    effect->Release();
    white->Release();
    EXPECT_EQ(device->Release(), 0u);
    graphics->Release();
}

}  // namespace
