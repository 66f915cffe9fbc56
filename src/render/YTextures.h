// The texture-set node: the textures an effect node binds ("tex0", "tex1" ...) for the
// sinks below it, with their names, in the same order.
#pragma once
#include <string>
#include <vector>

#include "platform/graphics/Device.h"
#include "render/YNode.h"

class CYTextures : public CYNode {
public:
    // The textures belong to the texture manager; the node only points at them (a null
    // entry is a texture that could not be loaded).
    CYTextures(const std::vector<std::string>& names, const std::vector<gfx::Texture*>& textures);
    const std::vector<gfx::Texture*>& GetTextures() const { return textures_; }
    const std::vector<std::string>& GetNames() const { return names_; }

private:
    std::vector<gfx::Texture*> textures_;
    std::vector<std::string> names_;
};
