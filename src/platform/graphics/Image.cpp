// The image loader: picks the decoder by the file's first bytes, and makes textures.
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/graphics/ImageDecoders.h"

namespace gfx {

namespace detail {

bool ImageSizeAllowed(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

HRESULT ImageFailure(Image* image, const char* type, const char* reason) {
    image->width = image->height = image->levels = 0;
    image->format = FMT_UNKNOWN;
    std::vector<uint8_t>().swap(image->data);
    image->error = std::string(type) + ": " + reason;
    return D3DXERR_INVALIDDATA;
}

HRESULT AllocateRgba(Image* image, const char* type, uint32_t width, uint32_t height, bool alpha) {
    try {
        image->data.assign(size_t(width) * height * 4, 0xFF);
    } catch (const std::bad_alloc&) {
        ImageFailure(image, type, "out of memory");
        return E_OUTOFMEMORY;
    }
    image->width = width;
    image->height = height;
    image->levels = 1;
    image->format = alpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    return S_OK;
}

}  // namespace detail

namespace {

bool IsDxt(Format f) { return f == FMT_DXT1 || f == FMT_DXT3 || f == FMT_DXT5; }

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

// Copies every level's blocks into a DXT texture made with the image's size and levels.
HRESULT UploadBlocks(Texture* texture, const Image& image) {
    uint32_t blockBytes = image.format == FMT_DXT1 ? 8 : 16;
    size_t offset = 0;
    for (uint32_t level = 0; level < image.levels; ++level) {
        uint32_t w = std::max(1u, image.width >> level), h = std::max(1u, image.height >> level);
        size_t rowBytes = size_t((w + 3) / 4) * blockBytes;
        uint32_t rows = (h + 3) / 4;
        LockedRect locked;
        HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr)) return hr;
        if (locked.pitch < 0 || size_t(locked.pitch) < rowBytes) {
            texture->UnlockRect(level);
            return D3DERR_INVALIDCALL;
        }
        for (uint32_t r = 0; r < rows; ++r)
            std::memcpy(static_cast<uint8_t*>(locked.bits) + size_t(r) * locked.pitch,
                        image.data.data() + offset + r * rowBytes, rowBytes);
        hr = texture->UnlockRect(level);
        if (FAILED(hr)) return hr;
        offset += rowBytes * rows;
    }
    return S_OK;
}

// Writes the stored levels after level 0 of an RGBA image (level 0 went in through Fill)
// into the texture's own layout, bytes B, G, R, A.
HRESULT UploadRgbaLevels(Texture* texture, const Image& image) {
    size_t offset = size_t(image.width) * image.height * 4;
    for (uint32_t level = 1; level < image.levels; ++level) {
        uint32_t w = std::max(1u, image.width >> level), h = std::max(1u, image.height >> level);
        LockedRect locked;
        HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr)) return hr;
        if (locked.pitch < 0 || size_t(locked.pitch) < size_t(w) * 4) {
            texture->UnlockRect(level);
            return D3DERR_INVALIDCALL;
        }
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* in = image.data.data() + offset + size_t(y) * w * 4;
            uint8_t* out = static_cast<uint8_t*>(locked.bits) + size_t(y) * locked.pitch;
            for (uint32_t x = 0; x < w; ++x, in += 4, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = in[3];
            }
        }
        hr = texture->UnlockRect(level);
        if (FAILED(hr)) return hr;
        offset += size_t(w) * h * 4;
    }
    return S_OK;
}

}  // namespace

ImageFileType DetectImageFileType(const void* data, size_t size) {
    const uint8_t* d = static_cast<const uint8_t*>(data);
    if (!d) return ImageFileType::Unknown;
    if (size >= 8 && std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) == 0) return ImageFileType::Png;
    if (size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return ImageFileType::Jpeg;
    if (size >= 4 && std::memcmp(d, "DDS ", 4) == 0) return ImageFileType::Dds;
    if (size >= 2 && d[0] == 'B' && d[1] == 'M') return ImageFileType::Bmp;
    if (size >= 18) {
        // TGA: colour map type 0 or 1, a known image type, a known pixel depth, a size.
        uint8_t mapType = d[1], type = d[2], bits = d[16];
        bool knownType = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
        bool knownBits = bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
        if (mapType <= 1 && knownType && knownBits && detail::ReadLE16(d + 12) != 0 && detail::ReadLE16(d + 14) != 0)
            return ImageFileType::Tga;
    }
    return ImageFileType::Unknown;
}

HRESULT DecodeImage(const void* data, size_t size, Image* image) {
    if (!image) return D3DERR_INVALIDCALL;
    *image = Image{};
    const uint8_t* d = static_cast<const uint8_t*>(data);
    switch (DetectImageFileType(data, size)) {
    case ImageFileType::Png: return detail::DecodePng(d, size, image);
    case ImageFileType::Jpeg: return detail::DecodeJpeg(d, size, image);
    case ImageFileType::Tga: return detail::DecodeTga(d, size, image);
    case ImageFileType::Bmp: return detail::DecodeBmp(d, size, image);
    case ImageFileType::Dds: return detail::DecodeDds(d, size, image);
    default: return detail::ImageFailure(image, "image", size == 0 ? "empty file" : "unknown file type");
    }
}

HRESULT CreateTextureFromFileInMemory(Device* device, const void* data, size_t size, Texture** texture,
                                      std::string* error) {
    SetError(error, "");
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device) return D3DERR_INVALIDCALL;
    Image image;
    HRESULT hr = DecodeImage(data, size, &image);
    if (FAILED(hr)) {
        SetError(error, image.error);
        return hr;
    }
    Texture* made = nullptr;
    if (IsDxt(image.format)) {
        hr = device->CreateTexture(image.width, image.height, image.levels, 0, image.format, POOL_MANAGED, &made);
        if (SUCCEEDED(hr)) {
            hr = UploadBlocks(made, image);
            if (FAILED(hr)) {
                made->Release();
                SetError(error, std::string("texture upload failed: ") + sys::ResultName(hr));
                return hr;
            }
            *texture = made;
            return S_OK;
        }
        // The device takes no DXT textures: level 0 is decoded here and treated as RGBA.
        std::vector<uint8_t> rgba;
        try {
            rgba.resize(size_t(image.width) * image.height * 4);
        } catch (const std::bad_alloc&) {
            SetError(error, "out of memory");
            return E_OUTOFMEMORY;
        }
        hr = DecompressDxt(image.format, image.data.data(), DxtLevelSize(image.format, image.width, image.height),
                           image.width, image.height, rgba.data());
        if (FAILED(hr)) {
            SetError(error, "DDS: corrupt blocks");
            return hr;
        }
        image.data.swap(rgba);
        image.format = FMT_A8R8G8B8;
        image.levels = 1;
    }
    // One level: the chain is generated from it. Stored levels (uncompressed DDS) are kept.
    const uint32_t levels = image.levels > 1 ? image.levels : 0;
    hr = device->CreateTexture(image.width, image.height, levels, 0, image.format, POOL_MANAGED, &made);
    if (FAILED(hr)) {
        SetError(error, std::string("texture creation failed: ") + sys::ResultName(hr));
        return hr;
    }
    hr = made->Fill(image.data.data(), image.width, image.height, image.width * 4);
    if (SUCCEEDED(hr)) hr = UploadRgbaLevels(made, image);
    if (FAILED(hr)) {
        made->Release();
        SetError(error, std::string("texture fill failed: ") + sys::ResultName(hr));
        return hr;
    }
    *texture = made;
    return S_OK;
}

}  // namespace gfx
