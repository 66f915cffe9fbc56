#include "platform/media/MemoryInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace media::detail {
namespace {

constexpr int kIoBytes = 32768;

// Containers that name other files (playlists, references) may not open them.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

}  // namespace

int MemoryInput::ReadBytes(void* opaque, uint8_t* out, int size) {
    Reader* r = static_cast<Reader*>(opaque);
    const size_t total = r->bytes->size();
    if (size <= 0) return AVERROR(EINVAL);
    if (r->position >= total) return AVERROR_EOF;
    const size_t n = std::min(total - r->position, static_cast<size_t>(size));
    std::memcpy(out, r->bytes->data() + r->position, n);
    r->position += n;
    return static_cast<int>(n);
}

int64_t MemoryInput::Seek(void* opaque, int64_t offset, int whence) {
    Reader* r = static_cast<Reader*>(opaque);
    const int64_t total = static_cast<int64_t>(r->bytes->size());
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return total;
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<int64_t>(r->position);
    else if (whence == SEEK_END)
        base = total;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > total) return AVERROR(EINVAL);
    r->position = static_cast<size_t>(target);
    return target;
}

HRESULT MemoryInput::Open(std::shared_ptr<const std::vector<uint8_t>> bytes, const char* containers,
                          const char* decoders) {
    Close();
    reader_.bytes = std::move(bytes);
    containers_ = containers;
    decoders_ = decoders;
    return Reopen();
}

void MemoryInput::Close() {
    format_.reset();
    io_.reset();
}

HRESULT MemoryInput::Reopen() {
    Close();
    reader_.position = 0;
    if (!reader_.bytes || reader_.bytes->empty()) return VFW_E_UNSUPPORTED_STREAM;
    if (!Av()) return VFW_E_CANNOT_RENDER;

    uint8_t* buffer = static_cast<uint8_t*>(Av()->av_malloc(kIoBytes));
    if (!buffer) return E_OUTOFMEMORY;
    io_.reset(Av()->avio_alloc_context(buffer, kIoBytes, 0, &reader_, ReadBytes, nullptr, Seek));
    if (!io_) {
        Av()->av_free(buffer);
        return E_OUTOFMEMORY;
    }
    AVFormatContext* format = Av()->avformat_alloc_context();
    if (!format) return E_OUTOFMEMORY;
    format->pb = io_.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = RefuseOpen;
    Options options;
    options.Set("format_whitelist", containers_);
    options.Set("codec_whitelist", decoders_);
    // A failed open frees the context itself.
    if (Av()->avformat_open_input(&format, nullptr, nullptr, options.Get()) < 0) return VFW_E_UNSUPPORTED_STREAM;
    format_.reset(format);
    return S_OK;
}

}  // namespace media::detail
