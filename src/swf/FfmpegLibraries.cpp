// FFmpeg's libraries are loaded the first time a movie decodes sound or
// video, not when the program starts: they and what they need (some sixty
// libraries) would cost every launch about 15 ms before main(), and most
// launches show a picture. The functions the player calls are defined here
// with FFmpeg's own declarations and forward to the loaded library. Without
// the libraries no decoder is found, and the player plays movies silent
// and without their video, as it does for a codec FFmpeg lacks.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <dlfcn.h>

#include <array>
#include <cerrno>

namespace {

#define VX_SONAME(lib, major) "lib" lib ".so." AV_STRINGIFY(major)

void* ffmpegSymbol(const char* name)
{
    // libavutil first: the other two need it.
    static const std::array<void*, 3> libraries = [] {
        std::array<void*, 3> handles{};
        handles[0] = dlopen(VX_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        handles[1] = dlopen(VX_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        handles[2] = dlopen(VX_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
        return handles;
    }();
    for (void* handle : libraries)
        if (handle)
            if (void* symbol = dlsym(handle, name))
                return symbol;
    return nullptr;
}

}  // namespace

// Defines name with the given parameters; without the library it returns fallback.
#define VX_FORWARD(ret, name, fallback, params, args)                                \
    extern "C" ret name params                                                     \
    {                                                                              \
        using Function = ret(*) params;                                            \
        static const Function real = reinterpret_cast<Function>(ffmpegSymbol(#name)); \
        if (!real)                                                                 \
            return fallback;                                                       \
        return real args;                                                          \
    }

#define VX_NOTHING

VX_FORWARD(void, av_channel_layout_default, VX_NOTHING, (AVChannelLayout* layout, int channels), (layout, channels))
VX_FORWARD(AVFrame*, av_frame_alloc, nullptr, (void), ())
VX_FORWARD(void, av_frame_free, VX_NOTHING, (AVFrame** frame), (frame))
VX_FORWARD(void, av_frame_unref, VX_NOTHING, (AVFrame* frame), (frame))
VX_FORWARD(int, av_log_get_level, AV_LOG_QUIET, (void), ())
VX_FORWARD(void, av_log_set_level, VX_NOTHING, (int level), (level))
VX_FORWARD(AVPacket*, av_packet_alloc, nullptr, (void), ())
VX_FORWARD(void, av_packet_free, VX_NOTHING, (AVPacket** packet), (packet))
VX_FORWARD(void, av_parser_close, VX_NOTHING, (AVCodecParserContext* parser), (parser))
VX_FORWARD(AVCodecParserContext*, av_parser_init, nullptr, (int codec), (codec))
VX_FORWARD(int, av_parser_parse2, AVERROR(ENOSYS),
           (AVCodecParserContext* parser, AVCodecContext* context, uint8_t** out, int* outSize, const uint8_t* in,
            int inSize, int64_t pts, int64_t dts, int64_t pos),
           (parser, context, out, outSize, in, inSize, pts, dts, pos))
VX_FORWARD(AVCodecContext*, avcodec_alloc_context3, nullptr, (const AVCodec* codec), (codec))
VX_FORWARD(const AVCodec*, avcodec_find_decoder, nullptr, (enum AVCodecID id), (id))
VX_FORWARD(void, avcodec_flush_buffers, VX_NOTHING, (AVCodecContext* context), (context))
VX_FORWARD(void, avcodec_free_context, VX_NOTHING, (AVCodecContext** context), (context))
VX_FORWARD(int, avcodec_open2, AVERROR(ENOSYS), (AVCodecContext* context, const AVCodec* codec, AVDictionary** options),
           (context, codec, options))
VX_FORWARD(int, avcodec_receive_frame, AVERROR(ENOSYS), (AVCodecContext* context, AVFrame* frame), (context, frame))
VX_FORWARD(int, avcodec_send_packet, AVERROR(ENOSYS), (AVCodecContext* context, const AVPacket* packet),
           (context, packet))
VX_FORWARD(int, swr_alloc_set_opts2, AVERROR(ENOSYS),
           (struct SwrContext** swr, AVChannelLayout* outLayout, enum AVSampleFormat outFormat, int outRate,
            AVChannelLayout* inLayout, enum AVSampleFormat inFormat, int inRate, int logOffset, void* logContext),
           (swr, outLayout, outFormat, outRate, inLayout, inFormat, inRate, logOffset, logContext))
VX_FORWARD(int, swr_convert, AVERROR(ENOSYS),
           (struct SwrContext* swr, uint8_t** out, int outCount, const uint8_t** in, int inCount),
           (swr, out, outCount, in, inCount))
VX_FORWARD(void, swr_free, VX_NOTHING, (struct SwrContext** swr), (swr))
VX_FORWARD(int, swr_get_out_samples, AVERROR(ENOSYS), (struct SwrContext* swr, int inSamples), (swr, inSamples))
VX_FORWARD(int, swr_init, AVERROR(ENOSYS), (struct SwrContext* swr), (swr))
