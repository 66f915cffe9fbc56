// Inside the graphics layer: an effect file parsed into parameters and techniques of
// state assignments, ready to apply. Not part of the layer's interface.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/Device.h"

namespace gfx::detail {

enum class ParamType { Float, Float4, Matrix, Texture, Sampler };

struct EffectParam {
    std::string name;
    ParamType type = ParamType::Float;
    float values[16] = {};  // float: [0]; float4: x, y, z, w (r, g, b, a); float4x4: rows
    int sampler = -1;       // sampler: its index in EffectDesc::samplers
};

// The part of the device a state assignment sets.
enum class StateGroup : uint8_t {
    Render,       // type: RenderState
    Stage,        // index: stage; type: TextureStageState
    Sampler,      // index: sampler; type: SamplerState
    Texture,      // index: stage
    LightEnable,  // index: light
    Material,     // type: MaterialField
    Transform,    // type: TransformState
    Shader,       // "VertexShader = NULL": nothing to set
};

enum MaterialField : uint32_t { MAT_DIFFUSE, MAT_AMBIENT, MAT_SPECULAR, MAT_EMISSIVE, MAT_POWER };

// How a value is made from a parameter.
enum class ValueKind : uint8_t {
    Dword,   // integer or enumerator (a float parameter is converted)
    Bool,    // true, false (a float parameter is true when not 0)
    Color,   // 0xAARRGGBB (a float4 parameter is converted)
    Float,   // a float
    Float4,  // four floats
    Matrix,  // sixteen floats
    Texture, // a texture parameter or NULL
};

struct StateAssignment {
    StateGroup group = StateGroup::Render;
    ValueKind kind = ValueKind::Dword;
    uint32_t index = 0;
    uint32_t type = 0;
    int param = -1;         // parameter giving the value; -1: the literal below
    uint32_t dword = 0;     // literal of Dword, Bool and Color values
    float floats[16] = {};  // literal of Float, Float4 and Matrix values
};

struct EffectPass {
    std::string name;
    std::vector<StateAssignment> states;  // in file order; sampler bindings expanded
};

struct EffectTechnique {
    std::string name;
    std::vector<EffectPass> passes;
};

struct EffectDesc {
    std::vector<EffectParam> params;
    // The states of each sampler_state block, with index 0 for the sampler they go to.
    std::vector<std::vector<StateAssignment>> samplers;
    std::vector<EffectTechnique> techniques;
};

// 0xAARRGGBB of r, g, b, a floats clamped to 0..1.
uint32_t ColorFromFloats(const float* rgba);

// Parses effect text. True with the description; false with "effect(line,column): error:
// <what>" for the first error.
bool ParseEffect(const char* text, size_t size, EffectDesc* desc, std::string* error);

}  // namespace gfx::detail
