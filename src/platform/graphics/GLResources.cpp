// GL buffers and textures: a CPU copy written through locks, uploaded at unlock.
#include <algorithm>
#include <vector>

#include "platform/graphics/GLDevice.h"
#include "platform/graphics/Mipmaps.h"

namespace gfx::detail {

namespace {

// Gives a buffer its GL storage. Made at the first upload or draw rather than at creation:
// the driver sets the whole size up front, and a large buffer that a screen never uses
// (the renderer's static pair on the menus) then costs nothing at start-up.
void MakeStorage(GLuint name, uint32_t size, uint32_t usage, bool* made) {
    if (*made) return;
    glNamedBufferData(name, size, nullptr, (usage & USAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    *made = true;
}

}  // namespace

GLVertexBuffer::GLVertexBuffer(GLDevice* device, const VertexBufferDesc& desc) : VertexBufferCore(device, desc) {
    glCreateBuffers(1, &name_);
}

GLuint GLVertexBuffer::Name() {
    MakeStorage(name_, GetDesc().size, GetDesc().usage, &storage_);
    return name_;
}

GLVertexBuffer::~GLVertexBuffer() {
    static_cast<GLDevice*>(Owner())->MakeCurrent();
    glDeleteBuffers(1, &name_);
}

void GLVertexBuffer::Upload(uint32_t offset, uint32_t size, uint32_t flags) {
    static_cast<GLDevice*>(Owner())->MakeCurrent();
    GLuint name = Name();
    // A discarding lock lets the driver give the buffer fresh storage instead of waiting.
    if (flags & LOCK_DISCARD) glInvalidateBufferData(name);
    glNamedBufferSubData(name, offset, size, Store().Data() + offset);
}

GLIndexBuffer::GLIndexBuffer(GLDevice* device, const IndexBufferDesc& desc) : IndexBufferCore(device, desc) {
    glCreateBuffers(1, &name_);
}

GLuint GLIndexBuffer::Name() {
    MakeStorage(name_, GetDesc().size, GetDesc().usage, &storage_);
    return name_;
}

GLIndexBuffer::~GLIndexBuffer() {
    static_cast<GLDevice*>(Owner())->MakeCurrent();
    glDeleteBuffers(1, &name_);
}

void GLIndexBuffer::Upload(uint32_t offset, uint32_t size, uint32_t flags) {
    static_cast<GLDevice*>(Owner())->MakeCurrent();
    GLuint name = Name();
    if (flags & LOCK_DISCARD) glInvalidateBufferData(name);
    glNamedBufferSubData(name, offset, size, Store().Data() + offset);
}

GLTexture::GLTexture(GLDevice* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                     Format format, Pool pool)
    : TextureCore(device, width, height, levels, usage, format, pool), gl_(device) {
    MakeStorage();
    gl_->CountTextureBytes(static_cast<int64_t>(ByteSize()));
}

void GLTexture::MakeStorage() {
    bool opaque = false;
    switch (GetFormat()) {
    case FMT_A8R8G8B8: internal_ = GL_RGBA8, format_ = GL_BGRA, type_ = GL_UNSIGNED_BYTE; break;
    case FMT_X8R8G8B8: internal_ = GL_RGB8, format_ = GL_BGRA, type_ = GL_UNSIGNED_BYTE; break;
    case FMT_R5G6B5: internal_ = GL_RGB565, format_ = GL_RGB, type_ = GL_UNSIGNED_SHORT_5_6_5; break;
    case FMT_X1R5G5B5:
        internal_ = GL_RGB5_A1, format_ = GL_BGRA, type_ = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        opaque = true;
        break;
    case FMT_A1R5G5B5: internal_ = GL_RGB5_A1, format_ = GL_BGRA, type_ = GL_UNSIGNED_SHORT_1_5_5_5_REV; break;
    case FMT_A4R4G4B4: internal_ = GL_RGBA4, format_ = GL_BGRA, type_ = GL_UNSIGNED_SHORT_4_4_4_4_REV; break;
    case FMT_DXT1: internal_ = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT; break;
    case FMT_DXT3: internal_ = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT; break;
    default: internal_ = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT; break;
    }
    glCreateTextures(GL_TEXTURE_2D, 1, &name_);
    glTextureStorage2D(name_, static_cast<GLsizei>(GetLevelCount()), internal_, static_cast<GLsizei>(Width()),
                       static_cast<GLsizei>(Height()));
    if (opaque) glTextureParameteri(name_, GL_TEXTURE_SWIZZLE_A, GL_ONE);
}

void GLTexture::StorageReplaced(uint64_t oldBytes) {
    gl_->MakeCurrent();
    // GL storage is immutable: a new texture name takes the place of the old one.
    glDeleteTextures(1, &name_);
    name_ = 0;
    MakeStorage();
    for (uint32_t level = 0; level < GetLevelCount(); ++level)
        glClearTexImage(name_, static_cast<GLint>(level), format_, type_, nullptr);
    written_ = true;
    gl_->CountTextureBytes(static_cast<int64_t>(ByteSize()) - static_cast<int64_t>(oldBytes));
}

GLTexture::~GLTexture() {
    gl_->MakeCurrent();
    glDeleteTextures(1, &name_);
    gl_->CountTextureBytes(-static_cast<int64_t>(ByteSize()));
}

void GLTexture::ReadLevel(uint32_t level, uint8_t* dst) {
    if (!written_) return;
    gl_->MakeCurrent();
    GLsizei size = static_cast<GLsizei>(LevelPitch(level) * LevelRows(level));
    if (Compressed())
        glGetCompressedTextureImage(name_, static_cast<GLint>(level), size, dst);
    else
        glGetTextureImage(name_, static_cast<GLint>(level), format_, type_, size, dst);
}

void GLTexture::UploadLevel(uint32_t level, const uint8_t* copy, uint32_t top, uint32_t bottom) {
    gl_->MakeCurrent();
    uint32_t pitch = LevelPitch(level);
    const uint8_t* rows = copy + size_t(top) * pitch;
    GLsizei w = static_cast<GLsizei>(LevelWidth(level));
    if (Compressed()) {
        uint32_t y = top * 4;
        uint32_t h = std::min(LevelHeight(level) - y, (bottom - top) * 4);
        glCompressedTextureSubImage2D(name_, static_cast<GLint>(level), 0, static_cast<GLint>(y), w,
                                      static_cast<GLsizei>(h), internal_,
                                      static_cast<GLsizei>((bottom - top) * pitch), rows);
    } else {
        glTextureSubImage2D(name_, static_cast<GLint>(level), 0, static_cast<GLint>(top), w,
                            static_cast<GLsizei>(bottom - top), format_, type_, rows);
    }
    written_ = true;
}

void GLTexture::FillLevels(const uint8_t* rgba, uint32_t pitch) {
    gl_->MakeCurrent();
    std::vector<uint8_t> packed;
    if (pitch % 4 != 0) {
        // Rows that do not end on a pixel boundary are packed first.
        packed.resize(size_t(Width()) * Height() * 4);
        for (uint32_t r = 0; r < Height(); ++r)
            std::copy_n(rgba + size_t(r) * pitch, size_t(Width()) * 4, packed.data() + size_t(r) * Width() * 4);
        rgba = packed.data();
        pitch = Width() * 4;
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / 4));
    glTextureSubImage2D(name_, 0, 0, 0, static_cast<GLsizei>(Width()), static_cast<GLsizei>(Height()), GL_RGBA,
                        GL_UNSIGNED_BYTE, rgba);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // The smaller levels are made here: the driver's own generation can cost far more than the
    // uploads (a software rasteriser builds shaders for it).
    const MipChain chain = MakeMipChain(rgba, Width(), Height(), pitch, GetLevelCount());
    for (uint32_t level = 1; level < GetLevelCount(); ++level)
        glTextureSubImage2D(name_, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(LevelWidth(level)),
                            static_cast<GLsizei>(LevelHeight(level)), GL_RGBA, GL_UNSIGNED_BYTE,
                            chain.pixels.data() + chain.offsets[level - 1]);
    written_ = true;
}

}  // namespace gfx::detail
