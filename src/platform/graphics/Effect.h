// Effect files: the text effect format restricted to fixed-function state (docs/effects.md).
// An effect holds parameters (float, float4, float4x4, texture, sampler_state samplers)
// and techniques of passes; each pass is a list of device states to set, with values
// written out or taken from parameters at the moment the pass is applied. Shader code is
// refused when the effect is created.
//
// Use: CreateEffect; SetTechnique(GetTechnique(0)); look parameters up by name; set
// floats and textures; Begin (saves every state the technique sets) -> for each pass
// Pass(p) (or BeginPass(p) ... EndPass) and draw -> End (puts the saved states back).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/graphics/Device.h"

namespace gfx {

// A technique or a parameter of one effect; null is "none".
struct EffectHandleTag;
using EffectHandle = const EffectHandleTag*;

// Largest effect text accepted.
constexpr size_t kMaxEffectText = 1u << 20;

class Effect : public Unknown {
public:
    // The technique of that index, null when there is none.
    virtual EffectHandle GetTechnique(uint32_t index) = 0;
    // The technique after `technique` (the first for null) in *next; null when none is left.
    // Every technique of a created effect is valid.
    virtual HRESULT FindNextValidTechnique(EffectHandle technique, EffectHandle* next) = 0;
    // Chooses the technique Begin runs (the first one from creation). INVALIDCALL for a
    // handle that is no technique of this effect, or between Begin and End.
    virtual HRESULT SetTechnique(EffectHandle technique) = 0;
    virtual EffectHandle GetCurrentTechnique() = 0;

    // The top-level parameter of that exact name (parent null); null when absent.
    virtual EffectHandle GetParameterByName(EffectHandle parent, const char* name) = 0;
    // A float parameter's value. INVALIDCALL for other handles.
    virtual HRESULT SetFloat(EffectHandle parameter, float value) = 0;
    virtual HRESULT GetFloat(EffectHandle parameter, float* value) = 0;
    // A texture parameter's texture (null allowed); the effect holds a reference to it.
    // INVALIDCALL for other handles.
    virtual HRESULT SetTexture(EffectHandle parameter, Texture* texture) = 0;
    // The texture of a texture parameter (no reference is added).
    virtual HRESULT GetTexture(EffectHandle parameter, Texture** texture) = 0;

    // Starts the current technique: saves the device's value of every state its passes
    // set and gives the number of passes. Flags: 0. INVALIDCALL when already begun.
    virtual HRESULT Begin(uint32_t* passes, uint32_t flags) = 0;
    // Sets pass p's states on the device, with parameter values as they are now.
    // INVALIDCALL outside Begin/End or for a pass that does not exist; otherwise the first
    // failure of the device, all states being tried.
    virtual HRESULT Pass(uint32_t pass) = 0;
    // Pass, marking the pass open until EndPass.
    virtual HRESULT BeginPass(uint32_t pass) = 0;
    virtual HRESULT EndPass() = 0;
    // Puts back the states Begin saved. INVALIDCALL without Begin.
    virtual HRESULT End() = 0;

    // Device loss: the effect keeps nothing in device memory, so both only answer S_OK.
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

// Compiles an effect from text in memory (size bytes; the text need not end in a zero).
// S_OK with *effect; on failure E_FAIL (D3DERR_INVALIDCALL for missing arguments) and, in
// *errors when given, "effect(line,column): error: <what>" naming the first error.
// The effect holds a reference to the device.
HRESULT CreateEffect(Device* device, const void* data, size_t size, Effect** effect, std::string* errors);

}  // namespace gfx
