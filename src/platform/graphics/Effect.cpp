// The effect object: parameters, the current technique, and the passes applied to the
// device, with the states they change saved at Begin and put back at End.
#include "platform/graphics/Effect.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "platform/graphics/DeviceCore.h"
#include "platform/graphics/EffectParser.h"

namespace gfx {

namespace {

using namespace detail;

// Handles are small tagged numbers, never dereferenced: parameters and techniques of one
// effect number below 2^16 each.
constexpr uintptr_t kParamTag = 0x10000;
constexpr uintptr_t kTechniqueTag = 0x20000;

EffectHandle MakeHandle(uintptr_t tag, size_t index) { return reinterpret_cast<EffectHandle>(tag + index); }

bool HandleIndex(EffectHandle handle, uintptr_t tag, size_t count, size_t* index) {
    uintptr_t v = reinterpret_cast<uintptr_t>(handle);
    if (v < tag || v - tag >= count) return false;
    *index = v - tag;
    return true;
}

// A float parameter given to an integer state.
uint32_t FloatToDword(float v) {
    if (!(v > 0)) return 0;
    if (v >= 4294967295.0f) return 0xFFFFFFFFu;
    return uint32_t(v);
}

struct StateKey {
    StateGroup group;
    uint32_t index, type;
    bool operator<(const StateKey& o) const {
        return std::tie(group, index, type) < std::tie(o.group, o.index, o.type);
    }
    bool operator==(const StateKey& o) const { return group == o.group && index == o.index && type == o.type; }
};

struct SavedState {
    StateKey key;
    uint32_t dword = 0;
    bool enabled = false;
    Texture* texture = nullptr;  // a reference is held while saved
    math::Matrix matrix;
};

class EffectImpl final : public Counted<Effect> {
public:
    EffectImpl(Device* device, EffectDesc&& desc)
        : device_(device), desc_(std::move(desc)), textures_(desc_.params.size(), nullptr) {
        device_->AddRef();
    }

    ~EffectImpl() override {
        DropSaved();
        for (Texture* t : textures_)
            if (t) t->Release();
        device_->Release();
    }

    EffectHandle GetTechnique(uint32_t index) override {
        return index < desc_.techniques.size() ? MakeHandle(kTechniqueTag, index) : nullptr;
    }

    HRESULT FindNextValidTechnique(EffectHandle technique, EffectHandle* next) override {
        if (!next) return D3DERR_INVALIDCALL;
        size_t from = 0, index;
        if (technique) {
            if (!HandleIndex(technique, kTechniqueTag, desc_.techniques.size(), &index)) return D3DERR_INVALIDCALL;
            from = index + 1;
        }
        *next = from < desc_.techniques.size() ? MakeHandle(kTechniqueTag, from) : nullptr;
        return S_OK;
    }

    HRESULT SetTechnique(EffectHandle technique) override {
        size_t index;
        if (begun_ || !HandleIndex(technique, kTechniqueTag, desc_.techniques.size(), &index))
            return D3DERR_INVALIDCALL;
        technique_ = index;
        return S_OK;
    }

    EffectHandle GetCurrentTechnique() override { return MakeHandle(kTechniqueTag, technique_); }

    EffectHandle GetParameterByName(EffectHandle parent, const char* name) override {
        if (parent || !name) return nullptr;
        for (size_t i = 0; i < desc_.params.size(); ++i)
            if (desc_.params[i].name == name) return MakeHandle(kParamTag, i);
        return nullptr;
    }

    HRESULT SetFloat(EffectHandle parameter, float value) override {
        EffectParam* p = Param(parameter, ParamType::Float);
        if (!p) return D3DERR_INVALIDCALL;
        p->values[0] = value;
        return S_OK;
    }

    HRESULT GetFloat(EffectHandle parameter, float* value) override {
        EffectParam* p = Param(parameter, ParamType::Float);
        if (!p || !value) return D3DERR_INVALIDCALL;
        *value = p->values[0];
        return S_OK;
    }

    HRESULT SetTexture(EffectHandle parameter, Texture* texture) override {
        if (!Param(parameter, ParamType::Texture)) return D3DERR_INVALIDCALL;
        Texture*& slot = textures_[reinterpret_cast<uintptr_t>(parameter) - kParamTag];
        if (texture) texture->AddRef();
        if (slot) slot->Release();
        slot = texture;
        return S_OK;
    }

    HRESULT GetTexture(EffectHandle parameter, Texture** texture) override {
        if (!Param(parameter, ParamType::Texture) || !texture) return D3DERR_INVALIDCALL;
        *texture = textures_[reinterpret_cast<uintptr_t>(parameter) - kParamTag];
        return S_OK;
    }

    HRESULT Begin(uint32_t* passes, uint32_t) override {
        if (begun_) return D3DERR_INVALIDCALL;
        const EffectTechnique& technique = desc_.techniques[technique_];
        std::vector<StateKey> keys;
        for (const EffectPass& pass : technique.passes)
            for (const StateAssignment& a : pass.states)
                if (a.group != StateGroup::Shader) keys.push_back({a.group, a.index, a.type});
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        saved_.clear();
        savedMaterial_ = false;
        for (const StateKey& key : keys) Save(key);
        if (passes) *passes = uint32_t(technique.passes.size());
        begun_ = true;
        inPass_ = false;
        return S_OK;
    }

    HRESULT Pass(uint32_t pass) override {
        if (!begun_ || pass >= desc_.techniques[technique_].passes.size()) return D3DERR_INVALIDCALL;
        HRESULT first = S_OK;
        for (const StateAssignment& a : desc_.techniques[technique_].passes[pass].states) {
            HRESULT hr = Apply(a);
            if (FAILED(hr) && SUCCEEDED(first)) first = hr;
        }
        return first;
    }

    HRESULT BeginPass(uint32_t pass) override {
        if (!begun_ || inPass_ || pass >= desc_.techniques[technique_].passes.size()) return D3DERR_INVALIDCALL;
        inPass_ = true;
        return Pass(pass);
    }

    HRESULT EndPass() override {
        if (!inPass_) return D3DERR_INVALIDCALL;
        inPass_ = false;
        return S_OK;
    }

    HRESULT End() override {
        if (!begun_) return D3DERR_INVALIDCALL;
        for (const SavedState& s : saved_) Restore(s);
        if (savedMaterial_) device_->SetMaterial(&material_);
        DropSaved();
        begun_ = false;
        inPass_ = false;
        return S_OK;
    }

    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    EffectParam* Param(EffectHandle handle, ParamType type) {
        size_t index;
        if (!HandleIndex(handle, kParamTag, desc_.params.size(), &index)) return nullptr;
        return desc_.params[index].type == type ? &desc_.params[index] : nullptr;
    }

    const float* Floats(const StateAssignment& a) const {
        return a.param < 0 ? a.floats : desc_.params[a.param].values;
    }

    uint32_t Dword(const StateAssignment& a) const {
        if (a.param < 0) return a.dword;
        const float* v = desc_.params[a.param].values;
        switch (a.kind) {
        case ValueKind::Bool: return v[0] != 0 ? 1 : 0;
        case ValueKind::Color: return ColorFromFloats(v);
        default: return FloatToDword(v[0]);
        }
    }

    HRESULT Apply(const StateAssignment& a) {
        switch (a.group) {
        case StateGroup::Render: return device_->SetRenderState(RenderState(a.type), Dword(a));
        case StateGroup::Stage: return device_->SetTextureStageState(a.index, TextureStageState(a.type), Dword(a));
        case StateGroup::Sampler: return device_->SetSamplerState(a.index, SamplerState(a.type), Dword(a));
        case StateGroup::Texture: return device_->SetTexture(a.index, a.param >= 0 ? textures_[a.param] : nullptr);
        case StateGroup::LightEnable: return device_->LightEnable(a.index, Dword(a) != 0);
        case StateGroup::Material: {
            Material m;
            HRESULT hr = device_->GetMaterial(&m);
            if (FAILED(hr)) return hr;
            const float* f = Floats(a);
            ColorValue c{f[0], f[1], f[2], f[3]};
            switch (a.type) {
            case MAT_DIFFUSE: m.diffuse = c; break;
            case MAT_AMBIENT: m.ambient = c; break;
            case MAT_SPECULAR: m.specular = c; break;
            case MAT_EMISSIVE: m.emissive = c; break;
            default: m.power = f[0]; break;
            }
            return device_->SetMaterial(&m);
        }
        case StateGroup::Transform: {
            math::Matrix m;
            std::memcpy(m.m, Floats(a), sizeof m.m);
            return device_->SetTransform(TransformState(a.type), &m);
        }
        case StateGroup::Shader: return S_OK;
        }
        return S_OK;
    }

    void Save(const StateKey& key) {
        SavedState s;
        s.key = key;
        switch (key.group) {
        case StateGroup::Render: device_->GetRenderState(RenderState(key.type), &s.dword); break;
        case StateGroup::Stage: device_->GetTextureStageState(key.index, TextureStageState(key.type), &s.dword); break;
        case StateGroup::Sampler: device_->GetSamplerState(key.index, SamplerState(key.type), &s.dword); break;
        case StateGroup::Texture:
            device_->GetTexture(key.index, &s.texture);
            if (s.texture) s.texture->AddRef();
            break;
        case StateGroup::LightEnable: device_->GetLightEnable(key.index, &s.enabled); break;
        case StateGroup::Material:
            if (!savedMaterial_) savedMaterial_ = SUCCEEDED(device_->GetMaterial(&material_));
            return;
        case StateGroup::Transform: device_->GetTransform(TransformState(key.type), &s.matrix); break;
        case StateGroup::Shader: return;
        }
        saved_.push_back(s);
    }

    void Restore(const SavedState& s) {
        const StateKey& key = s.key;
        switch (key.group) {
        case StateGroup::Render: device_->SetRenderState(RenderState(key.type), s.dword); break;
        case StateGroup::Stage: device_->SetTextureStageState(key.index, TextureStageState(key.type), s.dword); break;
        case StateGroup::Sampler: device_->SetSamplerState(key.index, SamplerState(key.type), s.dword); break;
        case StateGroup::Texture: device_->SetTexture(key.index, s.texture); break;
        case StateGroup::LightEnable: device_->LightEnable(key.index, s.enabled); break;
        case StateGroup::Transform: device_->SetTransform(TransformState(key.type), &s.matrix); break;
        default: break;
        }
    }

    void DropSaved() {
        for (SavedState& s : saved_)
            if (s.texture) s.texture->Release();
        saved_.clear();
        savedMaterial_ = false;
    }

    Device* device_;
    EffectDesc desc_;
    std::vector<Texture*> textures_;  // by parameter index; a reference held on each
    size_t technique_ = 0;
    bool begun_ = false;
    bool inPass_ = false;
    std::vector<SavedState> saved_;
    bool savedMaterial_ = false;
    Material material_;
};

}  // namespace

HRESULT CreateEffect(Device* device, const void* data, size_t size, Effect** effect, std::string* errors) {
    if (errors) errors->clear();
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    // No buffer at all (a file that could not be read) is an invalid call.
    if (!device || !data) return D3DERR_INVALIDCALL;
    EffectDesc desc;
    std::string error;
    if (!ParseEffect(static_cast<const char*>(data), size, &desc, &error)) {
        if (errors) *errors = error;
        return E_FAIL;
    }
    *effect = new EffectImpl(device, std::move(desc));
    return S_OK;
}

}  // namespace gfx
