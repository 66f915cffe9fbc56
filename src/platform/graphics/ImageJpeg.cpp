// JPEG through libjpeg: grey, YCbCr and CMYK files become 8-bit RGBA. Warnings mean
// corrupt or truncated data, so they refuse the image like errors do.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "platform/graphics/ImageDecoders.h"

namespace gfx::detail {

namespace {

// A progressive file may hold any number of scans, each a pass over the whole image.
constexpr int kMaxScans = 500;
constexpr long kMaxDecoderMemory = 256L << 20;

struct JpegErrors {
    jpeg_error_mgr base;  // first, so the library's pointer converts back
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Everything libjpeg changes lives here, in the caller of the setjmp, so it is intact after
// a jump.
struct JpegState {
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    HRESULT failure;
};

void JpegErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    longjmp(errors->jump, 1);
}

void JpegMessage(j_common_ptr info, int level) {
    if (level < 0) JpegErrorExit(info);
}

void JpegOutput(j_common_ptr) {}

void JpegProgress(j_common_ptr info) {
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<JpegErrors*>(info->err);
        std::snprintf(errors->message, sizeof errors->message, "too many scans");
        longjmp(errors->jump, 1);
    }
}

// The decode proper; holds nothing that needs destroying, since errors jump back here.
HRESULT ReadJpeg(JpegState* s, const uint8_t* data, size_t size, Image* image) {
    j_decompress_ptr info = &s->info;
    info->err = jpeg_std_error(&s->errors.base);
    s->errors.base.error_exit = JpegErrorExit;
    s->errors.base.emit_message = JpegMessage;
    s->errors.base.output_message = JpegOutput;
    if (setjmp(s->errors.jump)) {
        jpeg_destroy_decompress(info);
        return s->failure;
    }
    jpeg_create_decompress(info);
    info->mem->max_memory_to_use = kMaxDecoderMemory;
    s->progress.progress_monitor = JpegProgress;
    info->progress = &s->progress;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(s->errors.message, sizeof s->errors.message, "no image in the file");
        longjmp(s->errors.jump, 1);
    }
    if (!ImageSizeAllowed(info->image_width, info->image_height)) {
        std::snprintf(s->errors.message, sizeof s->errors.message, "image too large");
        longjmp(s->errors.jump, 1);
    }
    bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(info);
    uint32_t width = info->output_width, height = info->output_height;
    if (info->output_components != 4 || !ImageSizeAllowed(width, height)) {
        std::snprintf(s->errors.message, sizeof s->errors.message, "unsupported pixel layout");
        longjmp(s->errors.jump, 1);
    }
    if (FAILED(AllocateRgba(image, "JPEG", width, height, false))) {
        s->failure = E_OUTOFMEMORY;
        std::snprintf(s->errors.message, sizeof s->errors.message, "out of memory");
        longjmp(s->errors.jump, 1);
    }
    while (info->output_scanline < height) {
        JSAMPROW row = image->data.data() + size_t(info->output_scanline) * width * 4;
        if (jpeg_read_scanlines(info, &row, 1) != 1) {
            std::snprintf(s->errors.message, sizeof s->errors.message, "truncated file");
            longjmp(s->errors.jump, 1);
        }
        if (cmyk) {
            // Adobe's files store CMYK inverted; others as printed.
            bool inverted = info->saw_Adobe_marker;
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t* p = row + size_t(x) * 4;
                unsigned k = inverted ? p[3] : 255u - p[3];
                for (int c = 0; c < 3; ++c) p[c] = uint8_t((inverted ? p[c] : 255u - p[c]) * k / 255u);
                p[3] = 255;
            }
        }
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return S_OK;
}

}  // namespace

HRESULT DecodeJpeg(const uint8_t* data, size_t size, Image* image) {
    JpegState state;
    std::memset(&state, 0, sizeof state);
    state.failure = D3DXERR_INVALIDDATA;
    std::snprintf(state.errors.message, sizeof state.errors.message, "corrupt file");
    HRESULT hr = ReadJpeg(&state, data, size, image);
    if (FAILED(hr)) {
        ImageFailure(image, "JPEG", state.errors.message);
        return hr;
    }
    return S_OK;
}

}  // namespace gfx::detail
