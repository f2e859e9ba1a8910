#include "swf/SwfVideoDecoder.h"

#include "swf/SwfH263Decoder.h"
#include "swf/SwfVideoColour.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace vx::swf {

namespace {

// Reads big-endian bit fields, returning 0 past the end (callers check `ok`).
struct Bits {
    const uint8_t* data;
    size_t size;
    size_t bit = 0;
    bool ok = true;
    uint32_t get(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (bit / 8 >= size) {
                ok = false;
                return 0;
            }
            v = (v << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1u);
            ++bit;
        }
        return v;
    }
};

VideoPacketKind h263Kind(const uint8_t* data, size_t size)
{
    Bits b{data, size};
    VideoPacketKind k;
    if (b.get(17) != 1) return k;
    b.get(5);  // version
    b.get(8);  // temporal reference
    const uint32_t format = b.get(3);
    if (format == 0) b.get(16);
    else if (format == 1) b.get(32);
    const uint32_t type = b.get(2);
    if (!b.ok || type > 2) return k;
    k.valid = true;
    k.key = type == 0;
    k.disposable = type == 2;
    return k;
}

// Screen video: a grid of zlib blocks, where an empty block keeps the
// previous picture's pixels. A frame whose blocks all carry their own
// pixels (and, in version 2, lean on no earlier picture) is a key frame.
// Valid only when the blocks fill the packet exactly.
VideoPacketKind screenBlocks(const uint8_t* data, size_t size, bool version2)
{
    VideoPacketKind k;
    Bits b{data, size};
    const uint32_t bw = (b.get(4) + 1) * 16, w = b.get(12);
    const uint32_t bh = (b.get(4) + 1) * 16, h = b.get(12);
    if (!b.ok || w == 0 || h == 0) return k;
    size_t at = 4;
    bool key = true;
    if (version2) {
        if (at >= size) return k;
        const uint8_t flags = data[at++];
        if (flags & 0x01) {  // palette: one plain block
            if (at + 2 > size) return k;
            at += 2 + size_t(data[at] << 8 | data[at + 1]);
        }
    }
    const size_t blocks = size_t((w + bw - 1) / bw) * ((h + bh - 1) / bh);
    for (size_t i = 0; i < blocks; ++i) {
        if (at + 2 > size) return k;
        const size_t n = size_t(data[at] << 8 | data[at + 1]);
        at += 2;
        if (n == 0) {
            key = false;
            continue;
        }
        if (at + n > size) return k;
        if (version2 && (data[at] & 0x05)) key = false;  // a difference, or primed by the previous picture
        at += n;
    }
    k.valid = at == size;
    k.key = key;
    return k;
}

VideoPacketKind screenKind(const uint8_t* data, size_t size, bool version2)
{
    VideoPacketKind k = screenBlocks(data, size, version2);
    if (!k.valid && size > 1 && (data[0] & 15) == (version2 ? kVideoScreen2 : kVideoScreen) && (data[0] >> 4) >= 1 &&
        (data[0] >> 4) <= 3) {
        k = screenBlocks(data + 1, size - 1, version2);
        k.skip = 1;
    }
    return k;
}

AVCodecID codecIdOf(int codec)
{
    switch (codec) {
    case kVideoH263: return AV_CODEC_ID_FLV1;
    case kVideoScreen: return AV_CODEC_ID_FLASHSV;
    case kVideoVp6: return AV_CODEC_ID_VP6F;
    case kVideoVp6Alpha: return AV_CODEC_ID_VP6A;
    case kVideoScreen2: return AV_CODEC_ID_FLASHSV2;
    default: return AV_CODEC_ID_NONE;
    }
}

}  // namespace

VideoPacketKind videoPacketKind(int codec, const uint8_t* data, size_t size)
{
    if (!data) return {};
    switch (codec) {
    case kVideoH263: return h263Kind(data, size);
    case kVideoScreen: return screenKind(data, size, false);
    case kVideoScreen2: return screenKind(data, size, true);
    case kVideoVp6:
    case kVideoVp6Alpha: {
        const size_t skip = codec == kVideoVp6Alpha ? 3 : 0;  // the offset of the alpha data
        if (size <= skip) return {};
        VideoPacketKind k;
        k.valid = true;
        k.key = !(data[skip] & 0x80);
        return k;
    }
    default: return {};
    }
}

struct VideoDecoder::Impl {
    int codec = 0;
    std::unique_ptr<h263::Decoder> h263;  // ours, for Sorenson H.263
    AVCodecContext* ctx = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* next = nullptr;  // receives the next picture; swapped with frame
    bool hasPicture = false;
    std::vector<uint8_t> padded;

    ~Impl()
    {
        av_frame_free(&next);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&ctx);
    }
};

VideoDecoder::VideoDecoder(int codec, int deblocking) : d_(std::make_unique<Impl>())
{
    d_->codec = codec;
    if (codec == kVideoH263) {
        // The packets' deblocking flag is advisory, and the reference player leaves it alone.
        (void)deblocking;
        d_->h263 = std::make_unique<h263::Decoder>(kMaxPixels);
        return;
    }
    const AVCodecID id = codecIdOf(codec);
    if (id == AV_CODEC_ID_NONE) return;
    const AVCodec* c = avcodec_find_decoder(id);
    if (!c) return;
    // Broken packets are expected from hostile files: the library keeps quiet about them.
    static const bool quiet = [] {
        if (av_log_get_level() > AV_LOG_FATAL) av_log_set_level(AV_LOG_FATAL);
        return true;
    }();
    (void)quiet;
    d_->ctx = avcodec_alloc_context3(c);
    d_->packet = av_packet_alloc();
    d_->frame = av_frame_alloc();
    d_->next = av_frame_alloc();
    if (!d_->ctx || !d_->packet || !d_->frame || !d_->next) {
        avcodec_free_context(&d_->ctx);
        return;
    }
    d_->ctx->thread_count = 1;  // pictures come out at once, in order
    d_->ctx->max_pixels = kMaxPixels;
    // "Off" drops the codec's own loop filter where it has one; the other
    // levels keep what the packets ask for.
    if (deblocking == 1) d_->ctx->skip_loop_filter = AVDISCARD_ALL;
    if (avcodec_open2(d_->ctx, c, nullptr) < 0) avcodec_free_context(&d_->ctx);
}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::usable() const
{
    return d_->ctx != nullptr || d_->h263;
}

void VideoDecoder::reset()
{
    if (d_->h263) d_->h263->reset();
    if (d_->ctx) avcodec_flush_buffers(d_->ctx);
    d_->hasPicture = false;  // until a packet decodes again
}

bool VideoDecoder::decode(const uint8_t* data, size_t size, bool key)
{
    if (d_->h263) {
        if (!data || size == 0) return false;
        const bool got = d_->h263->decode(data, size);
        d_->hasPicture = d_->h263->hasPicture();
        return got;
    }
    if (!d_->ctx || !data || size == 0 || size > (size_t(1) << 30)) return false;
    // libavcodec reads a little past the end of a packet.
    d_->padded.resize(size + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(d_->padded.data(), data, size);
    std::memset(d_->padded.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    AVPacket* p = d_->packet;
    p->data = d_->padded.data();
    p->size = int(size);
    p->flags = key ? AV_PKT_FLAG_KEY : 0;
    if (avcodec_send_packet(d_->ctx, p) < 0) return false;
    bool got = false;
    while (avcodec_receive_frame(d_->ctx, d_->next) >= 0) {
        std::swap(d_->frame, d_->next);
        av_frame_unref(d_->next);
        got = true;
    }
    if (got) d_->hasPicture = true;
    return got;
}

QSize VideoDecoder::pictureSize() const
{
    if (!d_->hasPicture) return {};
    if (d_->h263) return QSize(d_->h263->width(), d_->h263->height());
    return QSize(d_->frame->width, d_->frame->height);
}

namespace {

// out made w x h premultiplied ARGB, reusing its pixels when it is already.
bool prepare(QImage& out, int w, int h)
{
    if (out.size() != QSize(w, h) || out.format() != QImage::Format_ARGB32_Premultiplied) {
        out = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
        if (out.isNull()) return false;
    }
    return true;
}

}  // namespace

bool VideoDecoder::picture(QImage& out, QSize crop) const
{
    if (d_->h263) {
        if (!d_->hasPicture) return false;
        const YuvPlanes planes = d_->h263->planes();
        const int w = crop.isEmpty() ? planes.width : std::min(crop.width(), planes.width);
        const int h = crop.isEmpty() ? planes.height : std::min(crop.height(), planes.height);
        if (!prepare(out, w, h)) return false;
        yuv420ToArgb(planes, out);
        return true;
    }
    const AVFrame* f = d_->frame;
    if (!d_->hasPicture || f->width <= 0 || f->height <= 0) return false;
    const int w = crop.isEmpty() ? f->width : std::min(crop.width(), f->width);
    const int h = crop.isEmpty() ? f->height : std::min(crop.height(), f->height);
    if (!prepare(out, w, h)) return false;
    switch (f->format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVA420P: {
        YuvPlanes planes{f->data[0], f->data[1], f->data[2], f->format == AV_PIX_FMT_YUVA420P ? f->data[3] : nullptr,
                         f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3], f->width, f->height};
        yuv420ToArgb(planes, out);
        return true;
    }
    case AV_PIX_FMT_BGR24:
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = f->data[0] + qsizetype(y) * f->linesize[0];
            QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < w; ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
        }
        return true;
    default:
        return false;  // no decoder of ours gives other layouts
    }
}

}  // namespace vx::swf
