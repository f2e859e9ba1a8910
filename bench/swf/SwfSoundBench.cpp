// A minute of MP3 stream sound (44.1 kHz stereo, 128 kbit/s, in the
// blocks of a 12 frames a second movie): our decode as the player does it
// (block by block, to 44.1 kHz stereo 16-bit samples), libavcodec's own
// decode of the same MP3 data, and the whole player playing the movie into
// its mixer. Prints the ratios to libavcodec in CPU time (goal 1.2): the
// machine may be shared, so the time on the clock says less.
#include "RatioReporter.h"
#include "swf/SwfPlayer.h"
#include "swfwriter/SwfWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

constexpr int kRate = 44100;
constexpr int kFps = 12;

struct Mp3Stream {
    std::vector<std::vector<uint8_t>> blocks;  // MP3 frames of each movie frame
    std::vector<uint8_t> all;                  // the same data in one piece
    QByteArray movie;
};

// Encodes a minute of a tone gliding over a little noise with libavcodec's MP3 encoder.
std::vector<std::vector<uint8_t>> encodeMinute()
{
    std::vector<std::vector<uint8_t>> packets;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP3);
    if (!codec) return packets;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->sample_rate = kRate;
    ctx->bit_rate = 128000;
    av_channel_layout_default(&ctx->ch_layout, 2);
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return packets;
    }
    AVFrame* frame = av_frame_alloc();
    AVPacket* pkt = av_packet_alloc();
    uint32_t noise = 1;
    int64_t t = 0;
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, pkt) == 0) {
            packets.emplace_back(pkt->data, pkt->data + pkt->size);
            av_packet_unref(pkt);
        }
    };
    while (t < int64_t(kRate) * 60) {
        frame->nb_samples = ctx->frame_size;
        frame->format = ctx->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        frame->sample_rate = kRate;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < frame->nb_samples; ++i, ++t) {
            const double s = double(t) / kRate;
            noise = noise * 1664525u + 1013904223u;
            const float n = float(int32_t(noise)) / 2147483648.0f * 0.05f;
            reinterpret_cast<float*>(frame->data[0])[i] = float(0.5 * std::sin(2 * M_PI * (220 + 10 * s) * s)) + n;
            reinterpret_cast<float*>(frame->data[1])[i] = float(0.5 * std::sin(2 * M_PI * (330 + 5 * s) * s)) - n;
        }
        frame->pts = t;
        avcodec_send_frame(ctx, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return packets;
}

const Mp3Stream& stream()
{
    static const Mp3Stream s = [] {
        Mp3Stream out;
        const auto packets = encodeMinute();
        // Each movie frame carries the MP3 frames (1,152 samples each) that
        // reach its share of the time.
        const double perFrame = double(kRate) / kFps;
        size_t next = 0;
        for (int f = 0; next < packets.size(); ++f) {
            std::vector<uint8_t> block;
            while (next < packets.size() && double(next) * 1152 < (f + 1) * perFrame) {
                block.insert(block.end(), packets[next].begin(), packets[next].end());
                ++next;
            }
            out.all.insert(out.all.end(), block.begin(), block.end());
            out.blocks.push_back(std::move(block));
        }
        swfw::Movie m(320 * 20, 240 * 20, kFps);
        swfw::Writer head;
        head.u8(3 << 2 | 2 | 1);
        head.u8(2 << 4 | 3 << 2 | 2 | 1);  // MP3, 44.1 kHz, 16-bit, stereo
        head.u16(unsigned(perFrame));
        head.s16(0);
        m.tag(45, head.data);
        for (const auto& b : out.blocks) {
            swfw::Writer block;
            block.u16(unsigned(perFrame));
            block.s16(0);
            block.bytes(b);
            m.tag(19, block.data);
            m.showFrame();
        }
        const swfw::Bytes bytes = m.bytes();
        out.movie = QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        return out;
    }();
    return s;
}

void BM_Mp3StreamDecodeFfmpeg(benchmark::State& state)
{
    const Mp3Stream& s = stream();
    int64_t samples = 0;
    for (auto _ : state) {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MP3);
        AVCodecContext* ctx = avcodec_alloc_context3(codec);
        avcodec_open2(ctx, codec, nullptr);
        AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_MP3);
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        samples = 0;
        const uint8_t* data = s.all.data();
        int left = int(s.all.size());
        while (true) {
            const int used = av_parser_parse2(parser, ctx, &pkt->data, &pkt->size, data, left, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            data += used;
            left -= used;
            if (pkt->size > 0) {
                avcodec_send_packet(ctx, pkt);
                while (avcodec_receive_frame(ctx, frame) == 0) {
                    samples += frame->nb_samples;
                    av_frame_unref(frame);
                }
            }
            if (left == 0 && pkt->size == 0) break;
        }
        av_frame_free(&frame);
        av_packet_free(&pkt);
        av_parser_close(parser);
        avcodec_free_context(&ctx);
        benchmark::DoNotOptimize(samples);
    }
    state.counters["seconds"] = double(samples) / kRate;
}
BENCHMARK(BM_Mp3StreamDecodeFfmpeg)->Unit(benchmark::kMillisecond);

void BM_Mp3StreamDecodeOurs(benchmark::State& state)
{
    const Mp3Stream& s = stream();
    const vx::swf::SoundFormat format = vx::swf::SoundFormat::fromByte(2 << 4 | 3 << 2 | 2 | 1);
    size_t frames = 0;
    std::vector<int16_t> pcm;
    for (auto _ : state) {
        vx::swf::SoundDecoder decoder(format);
        frames = 0;
        for (const auto& b : s.blocks) {
            pcm.clear();
            decoder.decode(b.data(), b.size(), pcm);
            frames += pcm.size() / 2;
        }
        benchmark::DoNotOptimize(frames);
    }
    state.counters["seconds"] = double(frames) / kRate;
}
BENCHMARK(BM_Mp3StreamDecodeOurs)->Unit(benchmark::kMillisecond);

// The player plays the movie's 720 frames, the stream going to its mixer,
// which an output reads as it goes.
void BM_Mp3StreamPlayOurs(benchmark::State& state)
{
    auto movie = vx::swf::Movie::fromData(stream().movie);
    std::vector<int16_t> out(2 * 8192);
    for (auto _ : state) {
        auto mixer = std::make_shared<vx::swf::SoundMixer>();
        vx::swf::Player player(movie, false, mixer);
        player.setLoop(false);
        for (int f = 1; f < player.totalFrames(); ++f) {
            player.advance();
            while (size_t n = std::min<size_t>(mixer->streamQueued(), 8192)) mixer->read(out.data(), n);
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Mp3StreamPlayOurs)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (stream().blocks.empty()) {
        std::printf("no MP3 encoder in libavcodec: nothing to measure\n");
        return 0;
    }
    // Processor time: the machine may be shared, and both run on one thread.
    return vxbench::runWithRatios(argc, argv,
                                  {{"BM_Mp3StreamDecodeOurs", "BM_Mp3StreamDecodeFfmpeg", 1.2},
                                   {"BM_Mp3StreamPlayOurs", "BM_Mp3StreamDecodeFfmpeg", 1.2}},
                                  vxbench::RatioClock::Processor);
}
