#include "render/YEffectNode.h"

#include <cstdio>
#include <memory>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YTimer.h"
#include "render/YRenderer.h"
#include "render/YTextureManager.h"
#include "render/YTextures.h"

namespace {
const char kEffectFolder[] = "data\\effects\\";
const char kFallbackEffect[] = "simple.fx";
}  // namespace

CYEffectNode::CYEffectNode(const std::string& effectName) : CYNode(YNODE_EFFECT), effectName_(effectName) {}

CYEffectNode::~CYEffectNode() {
    if (effect_) effect_->Release();
}

HRESULT CYEffectNode::Load() {
    // Never reloaded: a second call keeps what the first made.
    if (effect_) return S_OK;
    auto file = std::make_unique<CYFile>(kEffectFolder + effectName_);
    HRESULT hr = E_INVALIDARG;
    if (StaysInDataFolder(effectName_))
        hr = file->Load();
    else
        Log(0, "Effect %s is outside the effects folder\n", effectName_.c_str());
    if (FAILED(hr)) {
        file = std::make_unique<CYFile>(std::string(kEffectFolder) + kFallbackEffect);
        hr = file->Load();
    }
    // Neither file read: the effect is created from no text at all, which fails with its
    // own error line below.
    const bool read = SUCCEEDED(hr);
    std::string errors;
    hr = gfx::CreateEffect(g_device, read ? file->GetData() : nullptr, read ? file->GetSize() : 0, &effect_, &errors);
    if (FAILED(hr)) {
        effect_ = nullptr;
        DXERROR(hr);
        if (read)
            Log(0, "Effect %s not loaded: %s\n", effectName_.c_str(), errors.c_str());
        else
            Log(0, "Effect %s not loaded: nothing is drawn with it\n", effectName_.c_str());
        return S_OK;
    }
    effect_->SetTechnique(effect_->GetTechnique(0));
    textureHandles_.clear();
    timeHandle_ = effect_->GetParameterByName(nullptr, "time");
    for (int i = 0;; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "tex%d", i);
        gfx::EffectHandle handle = effect_->GetParameterByName(nullptr, name);
        if (!handle) break;
        textureHandles_.push_back(handle);
    }
    return S_OK;
}

HRESULT CYEffectNode::Render() {
    // Without an effect the node and everything below it draw nothing; the load said why.
    if (IsIdle() || !effect_) return S_OK;
    if (timeHandle_) effect_->SetFloat(timeHandle_, float(g_timer.totalTime));
    uint32_t passes = 0;
    HRESULT hr = effect_->Begin(&passes, 0);
    if (FAILED(hr)) return hr;
    for (CYNode* child : Children()) {
        if (child->IsIdle() || child->GetType() != YNODE_TEXTURES) continue;
        const std::vector<gfx::Texture*>& textures = static_cast<CYTextures*>(child)->GetTextures();
        for (size_t i = 0; i < textureHandles_.size() && i < textures.size(); ++i)
            effect_->SetTexture(textureHandles_[i], textures[i]);
        for (uint32_t p = 0; p < passes; ++p) {
            hr = effect_->Pass(p);
            if (SUCCEEDED(hr)) child->Render();
        }
    }
    effect_->End();
    return hr;
}

void CYEffectNode::OnLostDevice() {
    if (effect_) effect_->OnLostDevice();
    CYNode::OnLostDevice();
}

void CYEffectNode::OnResetDevice() {
    if (effect_) effect_->OnResetDevice();
    CYNode::OnResetDevice();
}
