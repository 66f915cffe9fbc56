#include "render/YTextureManager.h"

CYTextureManager::CYTextureManager(gfx::Device* device) : device_(device) {}

CYTextureManager::~CYTextureManager() = default;

gfx::Texture* CYTextureManager::LoadTexture(const std::string&) { return nullptr; }

void CYTextureManager::UpdateVideo() {}
