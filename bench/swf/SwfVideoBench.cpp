// Embedded video: ten seconds of 640 x 480 Sorenson H.263 at 24 frames a
// second (written by ffmpeg when the benchmark starts) decoded by our player
// into pictures, beside FFmpeg's libavcodec decoding the same packets and
// libswscale converting them to BGRA (both give a picture to show); our
// decoder without pictures beside libavcodec decoding alone (its default
// settings, one thread); our colour conversion alone; and the processor
// time of playing the movie (timeline, decode, drawing at its size), given
// as the share of one core that playing at 24 frames a second takes.
#include "RatioReporter.h"
#include "swf/SwfPlayer.h"
#include "swf/SwfVideoColour.h"
#include "swf/SwfVideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr int kFps = 24;

// The movie, or empty when ffmpeg is missing.
const QByteArray& movieData()
{
    static QByteArray data = [] {
        const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        if (ffmpeg.isEmpty()) return QByteArray();
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("h263.swf"));
        QProcess p;
        p.start(ffmpeg, {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                         QStringLiteral("testsrc2=size=640x480:rate=%1").arg(kFps), "-t", "10", "-c:v", "flv1", "-b:v",
                         "1200k", out});
        if (!p.waitForFinished(300000) || p.exitCode() != 0) return QByteArray();
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    return data;
}

// The VideoFrame packets of the (uncompressed) movie, in file order, and
// the character id of their stream.
int streamId = -1;
std::vector<QByteArray> packets()
{
    std::vector<QByteArray> out;
    const QByteArray& d = movieData();
    if (d.size() < 21 || d[0] != 'F') return out;
    const auto* b = reinterpret_cast<const uint8_t*>(d.constData());
    const size_t n = size_t(d.size());
    size_t at = 8 + size_t(((b[8] >> 3) * 4 + 5 + 7) / 8) + 4;
    while (at + 2 <= n) {
        const unsigned head = b[at] | b[at + 1] << 8;
        at += 2;
        size_t len = head & 0x3f;
        if (len == 0x3f) {
            if (at + 4 > n) break;
            len = size_t(b[at]) | size_t(b[at + 1]) << 8 | size_t(b[at + 2]) << 16 | size_t(b[at + 3]) << 24;
            at += 4;
        }
        if (at + len > n || (head >> 6) == 0) break;
        if ((head >> 6) == 60 && len >= 2) streamId = b[at] | b[at + 1] << 8;
        if ((head >> 6) == 61 && len > 4) out.emplace_back(d.constData() + at + 4, qsizetype(len - 4));
        at += len;
    }
    return out;
}

void BM_VideoH263DecodeOurs(benchmark::State& state)
{
    if (movieData().isEmpty()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    auto movie = vx::swf::Movie::fromData(movieData());
    const int frames = int(packets().size());
    for (auto _ : state) {
        for (int f = 0; f < frames; ++f) {
            const vx::swf::VideoPicture v = movie->videoFrame(uint16_t(streamId), f);
            if (!v.image) {
                state.SkipWithError("no picture");
                return;
            }
            benchmark::DoNotOptimize(v.image->constBits());
        }
    }
    state.counters["frames"] = frames;
}
BENCHMARK(BM_VideoH263DecodeOurs)->Unit(benchmark::kMillisecond);

// Our decoder's packets without the pictures.
void BM_VideoH263DecodeOursNoPicture(benchmark::State& state)
{
    const std::vector<QByteArray> data = packets();
    if (data.empty()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    for (auto _ : state) {
        vx::swf::VideoDecoder decoder(vx::swf::kVideoH263, 0);
        for (const QByteArray& p : data)
            benchmark::DoNotOptimize(decoder.decode(reinterpret_cast<const uint8_t*>(p.constData()), size_t(p.size()), false));
    }
    state.counters["frames"] = double(data.size());
}
BENCHMARK(BM_VideoH263DecodeOursNoPicture)->Unit(benchmark::kMillisecond);

// libavcodec on its own; with `bgra`, each picture converted by libswscale
// into a 640 x 480 BGRA image as well.
void ffmpegDecode(benchmark::State& state, bool bgra)
{
    const std::vector<QByteArray> data = packets();
    if (data.empty()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    std::vector<std::vector<uint8_t>> padded;
    for (const QByteArray& p : data) {
        padded.emplace_back(size_t(p.size()) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        std::memcpy(padded.back().data(), p.constData(), size_t(p.size()));
    }
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_FLV1);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    QImage out(640, 480, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        AVCodecContext* ctx = avcodec_alloc_context3(codec);
        ctx->thread_count = 1;
        avcodec_open2(ctx, codec, nullptr);
        for (size_t i = 0; i < padded.size(); ++i) {
            pkt->data = padded[i].data();
            pkt->size = int(data[i].size());
            avcodec_send_packet(ctx, pkt);
            while (avcodec_receive_frame(ctx, frame) == 0) {
                if (bgra) {
                    sws = sws_getCachedContext(sws, frame->width, frame->height, AVPixelFormat(frame->format), out.width(),
                                               out.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
                    uint8_t* dst[4] = {out.bits(), nullptr, nullptr, nullptr};
                    const int dstStride[4] = {int(out.bytesPerLine()), 0, 0, 0};
                    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
                    benchmark::DoNotOptimize(out.constBits());
                }
                benchmark::DoNotOptimize(frame->data[0]);
                av_frame_unref(frame);
            }
        }
        avcodec_free_context(&ctx);
    }
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    state.counters["frames"] = double(padded.size());
}

void BM_VideoH263DecodeFfmpeg(benchmark::State& state)
{
    ffmpegDecode(state, false);
}
BENCHMARK(BM_VideoH263DecodeFfmpeg)->Unit(benchmark::kMillisecond);

void BM_VideoH263DecodeFfmpegBgra(benchmark::State& state)
{
    ffmpegDecode(state, true);
}
BENCHMARK(BM_VideoH263DecodeFfmpegBgra)->Unit(benchmark::kMillisecond);

// Our colour conversion alone: one 640 x 480 picture with 4:2:0 chroma.
void BM_VideoColourConversion640x480(benchmark::State& state)
{
    std::vector<uint8_t> y(640 * 480), u(320 * 240), v(320 * 240);
    for (size_t i = 0; i < y.size(); ++i) y[i] = uint8_t(i * 7);
    for (size_t i = 0; i < u.size(); ++i) {
        u[i] = uint8_t(i * 3);
        v[i] = uint8_t(i * 5);
    }
    const vx::swf::YuvPlanes planes{y.data(), u.data(), v.data(), nullptr, 640, 320, 320, 0, 640, 480};
    QImage out(640, 480, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        vx::swf::yuv420ToArgb(planes, out);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_VideoColourConversion640x480)->Unit(benchmark::kMicrosecond);

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Playing as the window does: one tick of the timeline and one picture of
// the stage at its size a frame. "cores" is the processor time of a second
// of playing at 24 frames a second, in seconds.
void BM_VideoH263Play24fps(benchmark::State& state)
{
    if (movieData().isEmpty()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    auto movie = vx::swf::Movie::fromData(movieData());
    vx::swf::Player player(movie);
    QImage frame(640, 480, QImage::Format_ARGB32_Premultiplied);
    const QTransform toDevice = vx::swf::stageTransform(movie->stage(), QSizeF(640, 480), vx::swf::ScaleMode::ShowAll);
    double cpu = 0;
    long shown = 0;
    for (auto _ : state) {
        const double t0 = processSeconds();
        player.advance();
        frame.fill(player.backgroundColor());
        QPainter p(&frame);
        player.render(p, toDevice, vx::swf::Quality::High);
        p.end();
        cpu += processSeconds() - t0;
        ++shown;
    }
    int drawn = 0;  // the picture is the video's, not the empty stage
    for (int y = 0; y < 480; y += 8)
        for (int x = 0; x < 640; x += 8) drawn += frame.pixel(x, y) != player.backgroundColor().rgba();
    if (drawn < 80 * 60 / 2) state.SkipWithError("the video was not drawn");
    state.counters["cores"] = shown ? cpu / double(shown) * kFps : 0;
}
BENCHMARK(BM_VideoH263Play24fps)->Iterations(480)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Processor time: the machine may be shared, and both run on one thread.
    return vxbench::runWithRatios(argc, argv,
                                  {{"BM_VideoH263DecodeOurs", "BM_VideoH263DecodeFfmpegBgra", 1.2},
                                   {"BM_VideoH263DecodeOursNoPicture", "BM_VideoH263DecodeFfmpeg", 1.2}},
                                  vxbench::RatioClock::Processor);
}
