#include "swf/SwfSound.h"

#include "swf/SwfStream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

namespace vx::swf {

SoundFormat SoundFormat::fromByte(uint8_t b)
{
    SoundFormat f;
    f.codec = b >> 4;
    static const int rates[] = {5512, 11025, 22050, 44100};
    f.rate = rates[(b >> 2) & 3];
    if (f.codec == 5) f.rate = 8000;
    if (f.codec == 4) f.rate = 16000;
    if (f.codec == 11) f.rate = 16000;
    f.is16 = b & 2;
    f.stereo = b & 1;
    return f;
}

SoundInfo SoundInfo::read(Stream& s)
{
    SoundInfo info;
    const uint8_t flags = s.u8();
    info.stop = flags & 0x20;
    info.noMultiple = flags & 0x10;
    if (flags & 0x01) info.inPoint = s.u32();
    if (flags & 0x02) info.outPoint = s.u32();
    if (flags & 0x04) info.loops = s.u16();
    if (flags & 0x08) {
        const int points = s.u8();
        for (int i = 0; i < points; ++i) {
            EnvelopePoint p;
            p.pos = s.u32();
            p.left = s.u16();
            p.right = s.u16();
            info.envelope.push_back(p);
        }
    }
    return info;
}

struct SoundDecoder::Impl {
    SoundFormat format;
    AVCodecContext* ctx = nullptr;
    AVCodecParserContext* parser = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwrContext* swr = nullptr;
    int swrRate = 0, swrChannels = 0, swrFormat = -1;
    std::vector<uint8_t> padded;  // the block being decoded, padded for FFmpeg

    ~Impl()
    {
        swr_free(&swr);
        av_frame_free(&frame);
        av_packet_free(&packet);
        if (parser) av_parser_close(parser);
        avcodec_free_context(&ctx);
    }

    // Converts frame (any layout and format) to 44.1 kHz stereo s16.
    void convert(const uint8_t* const* planes, int samples, int rate, int channels, AVSampleFormat fmt,
                 std::vector<int16_t>& out)
    {
        if (samples <= 0 || rate <= 0 || channels <= 0 || channels > 8) return;
        if (!swr || rate != swrRate || channels != swrChannels || int(fmt) != swrFormat) {
            swr_free(&swr);
            AVChannelLayout in, outLayout;
            av_channel_layout_default(&in, channels);
            av_channel_layout_default(&outLayout, 2);
            if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, kMixRate, &in, fmt, rate, 0, nullptr) < 0 ||
                swr_init(swr) < 0) {
                swr_free(&swr);
                return;
            }
            swrRate = rate;
            swrChannels = channels;
            swrFormat = int(fmt);
        }
        const int room = int(swr_get_out_samples(swr, samples));
        if (room <= 0) return;
        const size_t at = out.size();
        if (at / 2 + size_t(room) > kMaxSoundFrames) return;
        out.resize(at + size_t(room) * 2);
        uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + at);
        const int got = swr_convert(swr, &dst, room, const_cast<const uint8_t**>(planes), samples);
        out.resize(at + size_t(std::max(0, got)) * 2);
    }

    void drain(std::vector<int16_t>& out)
    {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            convert(frame->extended_data, frame->nb_samples, frame->sample_rate ? frame->sample_rate : format.rate,
                    frame->ch_layout.nb_channels, AVSampleFormat(frame->format), out);
            av_frame_unref(frame);
        }
    }

    void send(const uint8_t* data, int size, std::vector<int16_t>& out)
    {
        packet->data = const_cast<uint8_t*>(data);
        packet->size = size;
        if (avcodec_send_packet(ctx, packet) == AVERROR(EAGAIN)) {
            drain(out);
            avcodec_send_packet(ctx, packet);
        }
        drain(out);
    }
};

SoundDecoder::SoundDecoder(const SoundFormat& format) : d_(std::make_unique<Impl>())
{
    // Broken sound in a movie is no news for the terminal.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    d_->format = format;
    AVCodecID id = AV_CODEC_ID_NONE;
    switch (format.codec) {
    case 1: id = AV_CODEC_ID_ADPCM_SWF; break;
    case 2: id = AV_CODEC_ID_MP3; break;
    case 4: case 5: case 6: id = AV_CODEC_ID_NELLYMOSER; break;
    case 11: id = AV_CODEC_ID_SPEEX; break;
    default: return;  // PCM: ours, or a format we do not know
    }
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) return;
    d_->ctx = avcodec_alloc_context3(codec);
    d_->packet = av_packet_alloc();
    d_->frame = av_frame_alloc();
    if (!d_->ctx || !d_->packet || !d_->frame) return;
    d_->ctx->sample_rate = format.rate;
    av_channel_layout_default(&d_->ctx->ch_layout, format.stereo ? 2 : 1);
    if (id == AV_CODEC_ID_ADPCM_SWF) d_->ctx->block_align = 0;
    if (avcodec_open2(d_->ctx, codec, nullptr) < 0) {
        avcodec_free_context(&d_->ctx);
        return;
    }
    if (id == AV_CODEC_ID_MP3) d_->parser = av_parser_init(id);
}

SoundDecoder::~SoundDecoder() = default;

bool SoundDecoder::usable() const
{
    return d_->ctx || d_->format.codec == 0 || d_->format.codec == 3;
}

void SoundDecoder::decode(const uint8_t* data, size_t size, std::vector<int16_t>& out)
{
    if (!data || size == 0) return;
    const SoundFormat& f = d_->format;
    if (f.codec == 0 || f.codec == 3) {
        // SWF writers store PCM little-endian whichever the flag says.
        const int channels = f.stereo ? 2 : 1;
        const size_t bytesPerFrame = size_t(channels) * (f.is16 ? 2 : 1);
        const size_t frames = std::min(size / bytesPerFrame, kMaxSoundFrames);
        std::vector<int16_t> pcm(frames * size_t(channels));
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = f.is16 ? int16_t(data[2 * i] | data[2 * i + 1] << 8) : int16_t((int(data[i]) - 128) << 8);
        const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(pcm.data())};
        d_->convert(planes, int(frames), f.rate, channels, AV_SAMPLE_FMT_S16, out);
        return;
    }
    if (!d_->ctx) return;
    // FFmpeg's parsers and decoders read ahead of the bytes they are given:
    // the block is copied with the zeroed padding they may read.
    d_->padded.assign(data, data + size);
    d_->padded.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    data = d_->padded.data();
    if (d_->parser) {
        while (size > 0) {
            uint8_t* pkt = nullptr;
            int pktSize = 0;
            const int used = av_parser_parse2(d_->parser, d_->ctx, &pkt, &pktSize, data, int(std::min<size_t>(size, 1 << 30)),
                                              AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0) return;
            data += used;
            size -= size_t(used);
            if (pktSize > 0) d_->send(pkt, pktSize, out);
            if (used == 0 && pktSize == 0) break;
        }
        return;
    }
    // Nellymoser in 64-byte blocks; ADPCM and Speex as one piece.
    const size_t piece = f.codec >= 4 && f.codec <= 6 ? 64 : size;
    for (size_t at = 0; at + (piece == size ? 0 : piece) <= size && at < size; at += piece)
        d_->send(data + at, int(std::min(piece, size - at)), out);
}

}  // namespace vx::swf
