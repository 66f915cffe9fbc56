#include "render/YTextures.h"

CYTextures::CYTextures(const std::vector<std::string>& names, const std::vector<gfx::Texture*>& textures)
    : CYNode(YNODE_TEXTURES), textures_(textures), names_(names) {}
