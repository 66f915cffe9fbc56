// FFmpeg's functions that this layer calls, reached through one table that is filled when
// the first compressed music file or video is opened: a program that plays only plain PCM
// music never loads FFmpeg's libraries (and the dozens they pull in) at all.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace media::detail {

// The functions by library: avutil, swresample, swscale, avcodec, avformat.
#define KESTRUNE_AV_FUNCTIONS(X)                                                                    \
    X(avutil, av_channel_layout_compare)                                                            \
    X(avutil, av_channel_layout_copy)                                                               \
    X(avutil, av_channel_layout_default)                                                            \
    X(avutil, av_channel_layout_uninit)                                                             \
    X(avutil, av_dict_free)                                                                         \
    X(avutil, av_dict_set)                                                                          \
    X(avutil, av_frame_alloc)                                                                       \
    X(avutil, av_frame_free)                                                                        \
    X(avutil, av_frame_move_ref)                                                                    \
    X(avutil, av_frame_unref)                                                                       \
    X(avutil, av_free)                                                                              \
    X(avutil, av_freep)                                                                             \
    X(avutil, av_log_set_level)                                                                     \
    X(avutil, av_malloc)                                                                            \
    X(swresample, swr_alloc_set_opts2)                                                              \
    X(swresample, swr_convert)                                                                      \
    X(swresample, swr_free)                                                                         \
    X(swresample, swr_get_out_samples)                                                              \
    X(swresample, swr_init)                                                                         \
    X(swscale, sws_freeContext)                                                                     \
    X(swscale, sws_getCachedContext)                                                                \
    X(swscale, sws_getColorspaceDetails)                                                            \
    X(swscale, sws_isSupportedInput)                                                                \
    X(swscale, sws_scale)                                                                           \
    X(swscale, sws_setColorspaceDetails)                                                            \
    X(avcodec, av_packet_alloc)                                                                     \
    X(avcodec, av_packet_free)                                                                      \
    X(avcodec, av_packet_unref)                                                                     \
    X(avcodec, avcodec_alloc_context3)                                                              \
    X(avcodec, avcodec_find_decoder)                                                                \
    X(avcodec, avcodec_free_context)                                                                \
    X(avcodec, avcodec_open2)                                                                       \
    X(avcodec, avcodec_parameters_to_context)                                                       \
    X(avcodec, avcodec_receive_frame)                                                               \
    X(avcodec, avcodec_send_packet)                                                                 \
    X(avformat, av_find_best_stream)                                                                \
    X(avformat, av_read_frame)                                                                      \
    X(avformat, avformat_alloc_context)                                                             \
    X(avformat, avformat_close_input)                                                               \
    X(avformat, avformat_find_stream_info)                                                          \
    X(avformat, avformat_open_input)                                                                \
    X(avformat, avio_alloc_context)                                                                 \
    X(avformat, avio_context_free)

struct AvFunctions {
#define KESTRUNE_AV_POINTER(library, name) decltype(&::name) name = nullptr;
    KESTRUNE_AV_FUNCTIONS(KESTRUNE_AV_POINTER)
#undef KESTRUNE_AV_POINTER
};

// The table, its libraries loaded (and FFmpeg's own log output turned off) at the first
// call, from any thread; null when a library or a function cannot be found. Everything
// that opens bytes checks it first; what works on opened objects may then use it freely.
const AvFunctions* Av();

// Whether the libraries have been loaded yet (tests).
bool AvLoadedForTesting();

}  // namespace media::detail
