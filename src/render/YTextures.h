// The texture-set node: the textures an effect node binds for the sinks below it.
#pragma once
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "render/YNode.h"

class CYTextures : public CYNode {
public:
    // The textures belong to the texture manager; the node only points at them.
    CYTextures(const std::vector<std::string>& names, const std::vector<gfx::Texture*>& textures);
    const std::vector<gfx::Texture*>& GetTextures() const { return textures_; }
    const std::vector<std::string>& GetNames() const { return names_; }

private:
    std::vector<gfx::Texture*> textures_;
    std::vector<std::string> names_;
};
