// The effect file parser: a tokenizer and a recursive-descent reader of parameters,
// sampler_state blocks and techniques of passes of state assignments. The first error
// ends the parse with its line and column.
#include "platform/graphics/EffectParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

#include "platform/graphics/Effect.h"

namespace gfx::detail {

namespace {

// ---- Tokens ----------------------------------------------------------------------------

enum class Tok : uint8_t { End, Ident, Number, String, Punct };

struct Token {
    Tok kind = Tok::End;
    char punct = 0;
    bool integer = false;  // a number written without a fraction or exponent
    uint32_t line = 0, column = 0;
    uint32_t bits = 0;  // an integer number's value
    double number = 0;
    std::string_view text;
};

struct Failure {
    uint32_t line, column;
    std::string message;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

class Lexer {
public:
    Lexer(const char* text, size_t size) : text_(text), size_(size) {}

    void Run(std::vector<Token>* out) {
        for (;;) {
            SkipSpaceAndComments();
            Token t;
            t.line = line_;
            t.column = uint32_t(pos_ - lineStart_ + 1);
            if (pos_ >= size_) {
                out->push_back(t);
                return;
            }
            char c = text_[pos_];
            size_t start = pos_;
            if (IsIdentStart(c)) {
                while (pos_ < size_ && IsIdentChar(text_[pos_])) ++pos_;
                t.kind = Tok::Ident;
            } else if (IsDigit(c) || (c == '.' && pos_ + 1 < size_ && IsDigit(text_[pos_ + 1]))) {
                ReadNumber(&t);
            } else if (c == '"') {
                ++pos_;
                while (pos_ < size_ && text_[pos_] != '"') {
                    if (text_[pos_] == '\n') Fail(t, "line break in a string");
                    if (text_[pos_] == '\\' && pos_ + 1 < size_ && text_[pos_ + 1] != '\n') ++pos_;
                    ++pos_;
                }
                if (pos_ >= size_) Fail(t, "unterminated string");
                ++pos_;
                t.kind = Tok::String;
            } else if (c == '#') {
                Fail(t, "preprocessor directives are not supported");
            } else if (c != 0 && std::strchr("{}()[]<>=;,:|-+", c)) {
                ++pos_;
                t.kind = Tok::Punct;
                t.punct = c;
            } else {
                char what[48];
                if (c > 32 && c < 127)
                    std::snprintf(what, sizeof what, "unexpected character '%c'", c);
                else
                    std::snprintf(what, sizeof what, "unexpected character 0x%02X", unsigned(uint8_t(c)));
                Fail(t, what);
            }
            t.text = std::string_view(text_ + start, pos_ - start);
            out->push_back(t);
        }
    }

private:
    [[noreturn]] void Fail(const Token& at, std::string message) {
        throw Failure{at.line, at.column, std::move(message)};
    }

    void NewLine() {
        ++line_;
        lineStart_ = pos_ + 1;
    }

    void SkipSpaceAndComments() {
        while (pos_ < size_) {
            char c = text_[pos_];
            if (c == '\n') {
                NewLine();
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < size_ && text_[pos_ + 1] == '/') {
                while (pos_ < size_ && text_[pos_] != '\n') ++pos_;
            } else if (c == '/' && pos_ + 1 < size_ && text_[pos_ + 1] == '*') {
                Token at;
                at.line = line_;
                at.column = uint32_t(pos_ - lineStart_ + 1);
                pos_ += 2;
                for (;;) {
                    if (pos_ + 1 >= size_) {
                        pos_ = size_;
                        Fail(at, "unterminated comment");
                    }
                    if (text_[pos_] == '*' && text_[pos_ + 1] == '/') {
                        pos_ += 2;
                        break;
                    }
                    if (text_[pos_] == '\n') NewLine();
                    ++pos_;
                }
            } else {
                return;
            }
        }
    }

    void ReadNumber(Token* t) {
        size_t start = pos_;
        t->kind = Tok::Number;
        if (text_[pos_] == '0' && pos_ + 1 < size_ && (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
            pos_ += 2;
            uint64_t value = 0;
            size_t digits = 0;
            while (pos_ < size_ && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
                char c = text_[pos_++];
                value = value * 16 + uint64_t(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
                if (value > 0xFFFFFFFFu) Fail(*t, "number too large");
                ++digits;
            }
            if (digits == 0) Fail(*t, "bad number");
            t->integer = true;
            t->bits = uint32_t(value);
            t->number = double(value);
        } else {
            bool real = false;
            while (pos_ < size_ && IsDigit(text_[pos_])) ++pos_;
            if (pos_ < size_ && text_[pos_] == '.') {
                real = true;
                ++pos_;
                while (pos_ < size_ && IsDigit(text_[pos_])) ++pos_;
            }
            if (pos_ < size_ && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
                real = true;
                ++pos_;
                if (pos_ < size_ && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
                if (pos_ >= size_ || !IsDigit(text_[pos_])) Fail(*t, "bad number");
                while (pos_ < size_ && IsDigit(text_[pos_])) ++pos_;
            }
            auto [end, ec] = std::from_chars(text_ + start, text_ + pos_, t->number);
            if (ec != std::errc() || end != text_ + pos_ || !std::isfinite(t->number)) Fail(*t, "bad number");
            if (pos_ < size_ && (text_[pos_] == 'f' || text_[pos_] == 'F' || text_[pos_] == 'h' || text_[pos_] == 'H')) {
                real = true;
                ++pos_;
            }
            if (!real) {
                if (t->number > 4294967295.0) Fail(*t, "number too large");
                t->integer = true;
                t->bits = uint32_t(t->number);
            }
        }
        if (pos_ < size_ && (IsIdentChar(text_[pos_]) || text_[pos_] == '.')) Fail(*t, "bad number");
    }

    const char* text_;
    size_t size_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    uint32_t line_ = 1;
};

// ---- States ------------------------------------------------------------------------------

struct EnumValue {
    const char* name;
    uint32_t value;
};

constexpr EnumValue kBool[] = {{"false", 0}, {"true", 1}};
constexpr EnumValue kZEnable[] = {{"false", 0}, {"true", 1}, {"usew", 2}};
constexpr EnumValue kFill[] = {{"point", 1}, {"wireframe", 2}, {"solid", 3}};
constexpr EnumValue kShade[] = {{"flat", 1}, {"gouraud", 2}, {"phong", 3}};
constexpr EnumValue kBlend[] = {
    {"zero", BLEND_ZERO},           {"one", BLEND_ONE},
    {"srccolor", BLEND_SRCCOLOR},   {"invsrccolor", BLEND_INVSRCCOLOR},
    {"srcalpha", BLEND_SRCALPHA},   {"invsrcalpha", BLEND_INVSRCALPHA},
    {"destalpha", BLEND_DESTALPHA}, {"invdestalpha", BLEND_INVDESTALPHA},
    {"destcolor", BLEND_DESTCOLOR}, {"invdestcolor", BLEND_INVDESTCOLOR},
    {"srcalphasat", BLEND_SRCALPHASAT},
};
constexpr EnumValue kCull[] = {{"none", CULL_NONE}, {"cw", CULL_CW}, {"ccw", CULL_CCW}};
constexpr EnumValue kCmp[] = {
    {"never", CMP_NEVER},     {"less", CMP_LESS},         {"equal", CMP_EQUAL},
    {"lessequal", CMP_LESSEQUAL}, {"greater", CMP_GREATER}, {"notequal", CMP_NOTEQUAL},
    {"greaterequal", CMP_GREATEREQUAL}, {"always", CMP_ALWAYS},
};
constexpr EnumValue kBlendOp[] = {{"add", BLENDOP_ADD},
                                  {"subtract", BLENDOP_SUBTRACT},
                                  {"revsubtract", BLENDOP_REVSUBTRACT},
                                  {"min", BLENDOP_MIN},
                                  {"max", BLENDOP_MAX}};
constexpr EnumValue kMaterialSource[] = {{"material", MCS_MATERIAL}, {"color1", MCS_COLOR1}, {"color2", MCS_COLOR2}};
constexpr EnumValue kColorWrite[] = {{"red", 1}, {"green", 2}, {"blue", 4}, {"alpha", 8}};
constexpr EnumValue kTextureOp[] = {
    {"disable", TOP_DISABLE},
    {"selectarg1", TOP_SELECTARG1},
    {"selectarg2", TOP_SELECTARG2},
    {"modulate", TOP_MODULATE},
    {"modulate2x", TOP_MODULATE2X},
    {"modulate4x", TOP_MODULATE4X},
    {"add", TOP_ADD},
    {"addsigned", TOP_ADDSIGNED},
    {"subtract", TOP_SUBTRACT},
    {"blenddiffusealpha", TOP_BLENDDIFFUSEALPHA},
    {"blendtexturealpha", TOP_BLENDTEXTUREALPHA},
    {"blendfactoralpha", TOP_BLENDFACTORALPHA},
};
constexpr EnumValue kTextureArg[] = {
    {"diffuse", TA_DIFFUSE},       {"current", TA_CURRENT},       {"texture", TA_TEXTURE},
    {"tfactor", TA_TFACTOR},       {"specular", TA_SPECULAR},     {"complement", TA_COMPLEMENT},
    {"alphareplicate", TA_ALPHAREPLICATE},
};
constexpr EnumValue kAddress[] = {
    {"wrap", TADDRESS_WRAP}, {"mirror", TADDRESS_MIRROR}, {"clamp", TADDRESS_CLAMP}, {"border", TADDRESS_BORDER}};
constexpr EnumValue kFilter[] = {
    {"none", TEXF_NONE}, {"point", TEXF_POINT}, {"linear", TEXF_LINEAR}, {"anisotropic", TEXF_ANISOTROPIC}};

enum class Special : uint8_t { None, SamplerBinding, ShaderNull };

struct StateDef {
    const char* name;
    StateGroup group;
    uint32_t type;
    ValueKind kind;
    std::span<const EnumValue> values;
    bool indexed;
    Special special = Special::None;
};

#define RS(name, state, kind, values) {name, StateGroup::Render, state, ValueKind::kind, values, false}
#define TSS(name, state, values) {name, StateGroup::Stage, state, ValueKind::Dword, values, true}
#define SAMP(name, state, kind, values) {name, StateGroup::Sampler, state, ValueKind::kind, values, true}

const StateDef kStates[] = {
    RS("ZEnable", RS_ZENABLE, Dword, kZEnable),
    RS("FillMode", RS_FILLMODE, Dword, kFill),
    RS("ShadeMode", RS_SHADEMODE, Dword, kShade),
    RS("ZWriteEnable", RS_ZWRITEENABLE, Bool, kBool),
    RS("AlphaTestEnable", RS_ALPHATESTENABLE, Bool, kBool),
    RS("LastPixel", RS_LASTPIXEL, Bool, kBool),
    RS("SrcBlend", RS_SRCBLEND, Dword, kBlend),
    RS("DestBlend", RS_DESTBLEND, Dword, kBlend),
    RS("CullMode", RS_CULLMODE, Dword, kCull),
    RS("ZFunc", RS_ZFUNC, Dword, kCmp),
    RS("AlphaRef", RS_ALPHAREF, Dword, {}),
    RS("AlphaFunc", RS_ALPHAFUNC, Dword, kCmp),
    RS("DitherEnable", RS_DITHERENABLE, Bool, kBool),
    RS("AlphaBlendEnable", RS_ALPHABLENDENABLE, Bool, kBool),
    RS("FogEnable", RS_FOGENABLE, Bool, kBool),
    RS("SpecularEnable", RS_SPECULARENABLE, Bool, kBool),
    RS("StencilEnable", RS_STENCILENABLE, Bool, kBool),
    RS("TextureFactor", RS_TEXTUREFACTOR, Color, {}),
    RS("Clipping", RS_CLIPPING, Bool, kBool),
    RS("Lighting", RS_LIGHTING, Bool, kBool),
    RS("Ambient", RS_AMBIENT, Color, {}),
    RS("ColorVertex", RS_COLORVERTEX, Bool, kBool),
    RS("LocalViewer", RS_LOCALVIEWER, Bool, kBool),
    RS("NormalizeNormals", RS_NORMALIZENORMALS, Bool, kBool),
    RS("DiffuseMaterialSource", RS_DIFFUSEMATERIALSOURCE, Dword, kMaterialSource),
    RS("SpecularMaterialSource", RS_SPECULARMATERIALSOURCE, Dword, kMaterialSource),
    RS("AmbientMaterialSource", RS_AMBIENTMATERIALSOURCE, Dword, kMaterialSource),
    RS("EmissiveMaterialSource", RS_EMISSIVEMATERIALSOURCE, Dword, kMaterialSource),
    RS("ColorWriteEnable", RS_COLORWRITEENABLE, Dword, kColorWrite),
    RS("BlendOp", RS_BLENDOP, Dword, kBlendOp),
    TSS("ColorOp", TSS_COLOROP, kTextureOp),
    TSS("ColorArg1", TSS_COLORARG1, kTextureArg),
    TSS("ColorArg2", TSS_COLORARG2, kTextureArg),
    TSS("AlphaOp", TSS_ALPHAOP, kTextureOp),
    TSS("AlphaArg1", TSS_ALPHAARG1, kTextureArg),
    TSS("AlphaArg2", TSS_ALPHAARG2, kTextureArg),
    TSS("TexCoordIndex", TSS_TEXCOORDINDEX, {}),
    SAMP("AddressU", SAMP_ADDRESSU, Dword, kAddress),
    SAMP("AddressV", SAMP_ADDRESSV, Dword, kAddress),
    SAMP("AddressW", SAMP_ADDRESSW, Dword, kAddress),
    SAMP("BorderColor", SAMP_BORDERCOLOR, Color, {}),
    SAMP("MagFilter", SAMP_MAGFILTER, Dword, kFilter),
    SAMP("MinFilter", SAMP_MINFILTER, Dword, kFilter),
    SAMP("MipFilter", SAMP_MIPFILTER, Dword, kFilter),
    {"Texture", StateGroup::Texture, 0, ValueKind::Texture, {}, true},
    {"Sampler", StateGroup::Sampler, 0, ValueKind::Dword, {}, true, Special::SamplerBinding},
    {"LightEnable", StateGroup::LightEnable, 0, ValueKind::Bool, kBool, true},
    {"MaterialDiffuse", StateGroup::Material, MAT_DIFFUSE, ValueKind::Float4, {}, false},
    {"MaterialAmbient", StateGroup::Material, MAT_AMBIENT, ValueKind::Float4, {}, false},
    {"MaterialSpecular", StateGroup::Material, MAT_SPECULAR, ValueKind::Float4, {}, false},
    {"MaterialEmissive", StateGroup::Material, MAT_EMISSIVE, ValueKind::Float4, {}, false},
    {"MaterialPower", StateGroup::Material, MAT_POWER, ValueKind::Float, {}, false},
    {"WorldTransform", StateGroup::Transform, TS_WORLD, ValueKind::Matrix, {}, true},
    {"ViewTransform", StateGroup::Transform, TS_VIEW, ValueKind::Matrix, {}, false},
    {"ProjectionTransform", StateGroup::Transform, TS_PROJECTION, ValueKind::Matrix, {}, false},
    {"VertexShader", StateGroup::Shader, 0, ValueKind::Dword, {}, false, Special::ShaderNull},
    {"PixelShader", StateGroup::Shader, 0, ValueKind::Dword, {}, false, Special::ShaderNull},
};

#undef RS
#undef TSS
#undef SAMP

const StateDef* FindState(std::string_view name) {
    for (const StateDef& def : kStates)
        if (EqualsNoCase(name, def.name)) return &def;
    return nullptr;
}

// Words that only shader code uses.
bool IsShaderWord(std::string_view word) {
    for (const char* w : {"compile", "asm", "vertexshader", "pixelshader", "vertexfragment", "pixelfragment"})
        if (EqualsNoCase(word, w)) return true;
    return false;
}

constexpr const char* kShaderMessage = "shader code is not supported (%s): effects set fixed-function states only";

}  // namespace

uint32_t ColorFromFloats(const float* f) {
    auto channel = [](float v) { return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return (channel(f[3]) << 24) | (channel(f[0]) << 16) | (channel(f[1]) << 8) | channel(f[2]);
}

namespace {

// Handles encode the index below 2^16; the counts stay under it.
constexpr size_t kMaxItems = 0xFFFF;

// ---- Parser ------------------------------------------------------------------------------

class Parser {
public:
    Parser(std::vector<Token>&& tokens, EffectDesc* desc) : tokens_(std::move(tokens)), desc_(desc) {}

    void Run() {
        while (Peek().kind != Tok::End) {
            const Token& t = Peek();
            if (IsPunct(t, ';')) {
                Next();
            } else if (IsWord(t, "technique")) {
                ParseTechnique();
            } else if (t.kind == Tok::Ident && (IsWord(t, "uniform") || IsWord(t, "shared") || IsWord(t, "const"))) {
                Next();
            } else if (t.kind == Tok::Ident && Peek(1).kind == Tok::Ident && IsPunct(Peek(2), '(')) {
                Shader(Peek(1), "function '" + std::string(Peek(1).text) + "'");
            } else if (t.kind == Tok::Ident) {
                ParseParameter();
            } else {
                Fail(t, "unexpected '" + std::string(t.text) + "'");
            }
        }
        if (desc_->techniques.empty()) Fail(Peek(), "the effect has no technique");
    }

private:
    [[noreturn]] void Fail(const Token& at, const std::string& message) {
        throw Failure{at.line, at.column, message};
    }
    [[noreturn]] void Shader(const Token& at, const std::string& what) {
        char message[200];
        std::snprintf(message, sizeof message, kShaderMessage, what.c_str());
        Fail(at, message);
    }

    const Token& Peek(size_t ahead = 0) const {
        size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
        return tokens_[i];
    }
    // The next token; shader words stop the parse wherever they appear.
    const Token& Next() {
        const Token& t = tokens_[pos_];
        if (t.kind == Tok::Ident && IsShaderWord(t.text)) Shader(t, "'" + std::string(t.text) + "'");
        if (pos_ + 1 < tokens_.size()) ++pos_;
        return t;
    }
    static bool IsPunct(const Token& t, char c) { return t.kind == Tok::Punct && t.punct == c; }
    static bool IsWord(const Token& t, const char* word) { return t.kind == Tok::Ident && EqualsNoCase(t.text, word); }
    std::string Describe(const Token& t) const {
        return t.kind == Tok::End ? std::string("the end of the file") : "'" + std::string(t.text) + "'";
    }
    void Expect(char c) {
        if (!IsPunct(Peek(), c)) Fail(Peek(), std::string("'") + c + "' expected before " + Describe(Peek()));
        Next();
    }
    const Token& ExpectIdent(const char* what) {
        if (Peek().kind != Tok::Ident) Fail(Peek(), std::string(what) + " expected before " + Describe(Peek()));
        return Next();
    }

    void SkipAnnotations() {
        if (!IsPunct(Peek(), '<')) return;
        const Token& open = Next();
        while (!IsPunct(Peek(), '>')) {
            if (Peek().kind == Tok::End) Fail(open, "unterminated annotation");
            Next();
        }
        Next();
    }

    int FindParam(std::string_view name) const {
        for (size_t i = 0; i < desc_->params.size(); ++i)
            if (desc_->params[i].name == name) return int(i);
        return -1;
    }

    // ---- Parameters ----

    void ParseParameter() {
        const Token& typeTok = Next();
        EffectParam param;
        if (IsWord(typeTok, "float"))
            param.type = ParamType::Float;
        else if (IsWord(typeTok, "float4"))
            param.type = ParamType::Float4;
        else if (IsWord(typeTok, "float4x4"))
            param.type = ParamType::Matrix;
        else if (IsWord(typeTok, "texture") || IsWord(typeTok, "texture2D"))
            param.type = ParamType::Texture;
        else if (IsWord(typeTok, "sampler") || IsWord(typeTok, "sampler2D"))
            param.type = ParamType::Sampler;
        else
            Fail(typeTok, "unsupported parameter type '" + std::string(typeTok.text) +
                              "' (float, float4, float4x4, texture and sampler are)");
        const Token& nameTok = ExpectIdent("parameter name");
        if (FindParam(nameTok.text) >= 0) Fail(nameTok, "parameter '" + std::string(nameTok.text) + "' declared twice");
        if (desc_->params.size() >= kMaxItems) Fail(nameTok, "too many parameters");
        param.name = std::string(nameTok.text);
        if (IsPunct(Peek(), '[')) Fail(Peek(), "arrays are not supported");
        if (IsPunct(Peek(), ':')) {
            Next();
            ExpectIdent("semantic");
        }
        SkipAnnotations();
        if (param.type == ParamType::Sampler) {
            param.sampler = int(desc_->samplers.size());
            desc_->samplers.emplace_back();
        }
        if (IsPunct(Peek(), '=')) {
            Next();
            switch (param.type) {
            case ParamType::Float: param.values[0] = SignedNumber(); break;
            case ParamType::Float4: Floats(param.values, 4, "float4"); break;
            case ParamType::Matrix: Floats(param.values, 16, "float4x4"); break;
            case ParamType::Texture: Fail(Peek(), "a texture parameter takes no initialiser"); break;
            case ParamType::Sampler: {
                if (!IsWord(Peek(), "sampler_state")) Fail(Peek(), "'sampler_state' expected");
                Next();
                Expect('{');
                while (!IsPunct(Peek(), '}')) ParseAssignment(&desc_->samplers[param.sampler], true);
                Next();
                break;
            }
            }
        }
        Expect(';');
        desc_->params.push_back(std::move(param));
    }

    float SignedNumber() {
        bool negative = false;
        if (IsPunct(Peek(), '-') || IsPunct(Peek(), '+')) negative = Next().punct == '-';
        if (Peek().kind != Tok::Number) Fail(Peek(), "number expected before " + Describe(Peek()));
        double v = Next().number;
        if (std::fabs(v) > 3.4e38) Fail(Peek(), "number out of range");
        return float(negative ? -v : v);
    }

    // "{ a, b, ... }" (inner braces allowed) or "float4(a, b, ...)" with exactly count numbers.
    void Floats(float* out, size_t count, const char* type) {
        const Token& start = Peek();
        const std::string wrongCount = std::string(type) + " takes " + std::to_string(count) + " values";
        size_t n = 0;
        auto add = [&](float v) {
            if (n >= count) Fail(start, wrongCount);
            out[n++] = v;
        };
        if (IsWord(start, type)) {
            Next();
            Expect('(');
            for (;;) {
                add(SignedNumber());
                if (!IsPunct(Peek(), ',')) break;
                Next();
            }
            Expect(')');
        } else if (IsPunct(start, '{')) {
            int depth = 0;
            do {
                if (IsPunct(Peek(), '{')) {
                    if (++depth > 2) Fail(Peek(), "too many braces");
                    Next();
                    continue;
                }
                if (IsPunct(Peek(), '}')) {
                    --depth;
                    Next();
                    if (depth > 0 && IsPunct(Peek(), ',')) Next();
                    continue;
                }
                add(SignedNumber());
                if (IsPunct(Peek(), ','))
                    Next();
                else if (!IsPunct(Peek(), '}'))
                    Fail(Peek(), "',' expected before " + Describe(Peek()));
            } while (depth > 0);
        } else {
            Fail(start, std::string(type) + " value expected before " + Describe(start));
        }
        if (n != count) Fail(start, wrongCount);
    }

    // "<name>" or "(name)": a parameter of the wanted type; -1 when the next token is neither.
    int Reference(ParamType wanted, const char* typeName) {
        char close;
        if (IsPunct(Peek(), '<'))
            close = '>';
        else if (IsPunct(Peek(), '(') && Peek(1).kind == Tok::Ident && IsPunct(Peek(2), ')'))
            close = ')';
        else
            return -1;
        Next();
        const Token& name = ExpectIdent("parameter name");
        int index = FindParam(name.text);
        if (index < 0) Fail(name, "unknown parameter '" + std::string(name.text) + "'");
        if (desc_->params[index].type != wanted)
            Fail(name, "parameter '" + std::string(name.text) + "' is not a " + typeName);
        Expect(close);
        return index;
    }

    // ---- Techniques ----

    void ParseTechnique() {
        const Token& keyword = Next();
        EffectTechnique technique;
        if (Peek().kind == Tok::Ident) technique.name = std::string(Next().text);
        SkipAnnotations();
        Expect('{');
        while (!IsPunct(Peek(), '}')) {
            if (!IsWord(Peek(), "pass")) Fail(Peek(), "'pass' expected before " + Describe(Peek()));
            ParsePass(&technique);
        }
        Next();
        if (desc_->techniques.size() >= kMaxItems) Fail(keyword, "too many techniques");
        desc_->techniques.push_back(std::move(technique));
    }

    void ParsePass(EffectTechnique* technique) {
        const Token& keyword = Next();
        EffectPass pass;
        if (Peek().kind == Tok::Ident) pass.name = std::string(Next().text);
        SkipAnnotations();
        Expect('{');
        while (!IsPunct(Peek(), '}')) ParseAssignment(&pass.states, false);
        Next();
        if (technique->passes.size() >= kMaxItems) Fail(keyword, "too many passes");
        technique->passes.push_back(std::move(pass));
    }

    // "State[index] = value;" into the list (a sampler_state block's list when inSampler).
    void ParseAssignment(std::vector<StateAssignment>* out, bool inSampler) {
        const Token& nameTok = Peek();
        if (nameTok.kind != Tok::Ident) Fail(nameTok, "state name expected before " + Describe(nameTok));
        // "VertexShader = NULL" asks for no shader: accepted, and nothing to do.
        bool shaderNull = (IsWord(nameTok, "vertexshader") || IsWord(nameTok, "pixelshader")) &&
                          IsPunct(Peek(1), '=') && IsWord(Peek(2), "null") && IsPunct(Peek(3), ';');
        if (shaderNull) {
            if (inSampler) Fail(nameTok, "'" + std::string(nameTok.text) + "' cannot be set in a sampler_state");
            pos_ += 4;
            return;
        }
        // Any other shader assignment: name the shader word of the value when there is one.
        if ((IsWord(nameTok, "vertexshader") || IsWord(nameTok, "pixelshader")) && IsPunct(Peek(1), '=') &&
            Peek(2).kind == Tok::Ident && IsShaderWord(Peek(2).text))
            Shader(Peek(2), "'" + std::string(Peek(2).text) + "'");
        Next();
        const StateDef* def = FindState(nameTok.text);
        if (!def) Fail(nameTok, "unknown state '" + std::string(nameTok.text) + "'");
        if (inSampler && !(def->group == StateGroup::Sampler && def->special == Special::None) &&
            def->group != StateGroup::Texture)
            Fail(nameTok, "'" + std::string(nameTok.text) + "' cannot be set in a sampler_state");
        if (def->special == Special::ShaderNull) Shader(nameTok, "'" + std::string(nameTok.text) + "'");

        StateAssignment a;
        a.group = def->group;
        a.type = def->type;
        a.kind = def->kind;
        if (IsPunct(Peek(), '[')) {
            const Token& open = Next();
            if (!def->indexed || inSampler) Fail(open, "'" + std::string(def->name) + "' takes no index");
            if (Peek().kind != Tok::Number || !Peek().integer) Fail(Peek(), "index expected");
            a.index = Next().bits;
            Expect(']');
        }
        uint32_t limit = def->group == StateGroup::LightEnable ? uint32_t(kMaxLights)
                         : def->group == StateGroup::Transform ? 1u
                                                               : uint32_t(kMaxTextureStages);
        if (a.index >= limit) Fail(nameTok, "index of '" + std::string(def->name) + "' out of range");
        Expect('=');

        if (def->special == Special::SamplerBinding) {
            int p = Reference(ParamType::Sampler, "sampler");
            if (p < 0) Fail(Peek(), "sampler reference expected before " + Describe(Peek()));
            for (StateAssignment s : desc_->samplers[desc_->params[p].sampler]) {
                s.index = a.index;
                out->push_back(s);
            }
            Expect(';');
            return;
        }
        ParseValue(def, &a);
        Expect(';');
        out->push_back(a);
    }

    void ParseValue(const StateDef* def, StateAssignment* a) {
        switch (def->kind) {
        case ValueKind::Texture:
            if (IsWord(Peek(), "null")) {
                Next();
                return;
            }
            a->param = Reference(ParamType::Texture, "texture");
            if (a->param < 0) Fail(Peek(), "texture reference expected before " + Describe(Peek()));
            return;
        case ValueKind::Matrix:
            a->param = Reference(ParamType::Matrix, "float4x4");
            if (a->param < 0) Floats(a->floats, 16, "float4x4");
            return;
        case ValueKind::Float4:
            a->param = Reference(ParamType::Float4, "float4");
            if (a->param < 0) Floats(a->floats, 4, "float4");
            return;
        case ValueKind::Float:
            a->param = Reference(ParamType::Float, "float");
            if (a->param < 0) a->floats[0] = SignedNumber();
            return;
        case ValueKind::Color:
            a->param = Reference(ParamType::Float4, "float4");
            if (a->param >= 0) return;
            if (IsPunct(Peek(), '{') || IsWord(Peek(), "float4")) {
                float f[4];
                Floats(f, 4, "float4");
                a->dword = ColorFromFloats(f);
                return;
            }
            a->dword = DwordExpression(def);
            return;
        case ValueKind::Dword:
        case ValueKind::Bool:
            a->param = Reference(ParamType::Float, "float");
            if (a->param < 0) a->dword = DwordExpression(def);
            return;
        }
    }

    // Integers and enumerator names joined by '|'.
    uint32_t DwordExpression(const StateDef* def) {
        uint32_t value = 0;
        for (;;) {
            const Token& t = Peek();
            if (t.kind == Tok::Number) {
                if (!t.integer) Fail(t, "integer expected for '" + std::string(def->name) + "'");
                value |= Next().bits;
            } else if (t.kind == Tok::Ident) {
                bool found = false;
                for (const EnumValue& e : def->values)
                    if (EqualsNoCase(t.text, e.name)) {
                        value |= e.value;
                        found = true;
                        break;
                    }
                if (!found) Fail(t, "unknown value '" + std::string(t.text) + "' for '" + def->name + "'");
                Next();
            } else {
                Fail(t, "value expected for '" + std::string(def->name) + "' before " + Describe(t));
            }
            if (!IsPunct(Peek(), '|')) return value;
            Next();
        }
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    EffectDesc* desc_;
};

}  // namespace

bool ParseEffect(const char* text, size_t size, EffectDesc* desc, std::string* error) {
    *desc = EffectDesc{};
    if (error) error->clear();
    try {
        if (size > kMaxEffectText) throw Failure{1, 1, "effect text too large"};
        std::vector<Token> tokens;
        Lexer(text, size).Run(&tokens);
        Parser(std::move(tokens), desc).Run();
        return true;
    } catch (const Failure& f) {
        if (error) {
            char where[48];
            std::snprintf(where, sizeof where, "effect(%u,%u): error: ", f.line, f.column);
            *error = where + f.message;
        }
        *desc = EffectDesc{};
        return false;
    }
}

}  // namespace gfx::detail
