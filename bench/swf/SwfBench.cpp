// Rendering one 550 x 400 frame with 1,000 shapes at High quality, one
// with a blur filter over the whole stage, and loading a 10 MB compressed movie against zlib inflating the same body.
#include "swf/SwfPlayer.h"
#include "swfwriter/SwfWriter.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <random>
#include <zlib.h>

using namespace swfw;

namespace {

QByteArray thousandShapes()
{
    Movie m(550 * 20, 400 * 20, 24);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> x(0, 10000), y(0, 7000), size(100, 1200), colour(0, 0xffffff);
    for (int i = 1; i <= 1000; ++i) {
        ShapeBuilder s;
        const int w = size(rng), h = size(rng);
        int f;
        if (i % 4 == 0)
            f = s.addFill(Fill::gradient(0x10, Matrix::scale(w / 32768.0, w / 32768.0, w / 2, 0),
                                         {{0, 0xff000000u | uint32_t(colour(rng))}, {255, 0xff000000u | uint32_t(colour(rng))}}));
        else
            f = s.addFill(Fill::solid(0xc0000000u | uint32_t(colour(rng))));
        const int l = s.addLine({20, 0xff000000u});
        s.style(0, f, l);
        s.moveTo(0, 0);
        s.lineTo(w, 0);
        s.curveTo(w + w / 3, h / 2, w, h);
        s.lineTo(0, h);
        s.curveTo(-w / 3, h / 2, 0, 0);
        m.shape(uint16_t(i), s);
        m.place(uint16_t(i), uint16_t(i), Matrix::translate(x(rng), y(rng)));
    }
    m.showFrame();
    const Bytes b = m.bytes(true);
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// About 10 MB uncompressed: shapes with many edges, bitmaps and frames of placements.
const QByteArray& bigMovie()
{
    static QByteArray data = [] {
        Movie m(550 * 20, 400 * 20, 24);
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> d(-400, 400);
        for (int i = 1; i <= 3300; ++i) {
            ShapeBuilder s;
            const int f = s.addFill(Fill::solid(0xff000000u | uint32_t(rng() & 0xffffff)));
            s.style(0, f, 0);
            s.moveTo(0, 0);
            int px = 0, py = 0;
            for (int k = 0; k < 400; ++k) {
                px += d(rng);
                py += d(rng);
                s.lineTo(px, py);
            }
            s.lineTo(0, 0);
            m.shape(uint16_t(i), s);
        }
        for (int i = 0; i < 40; ++i) {
            std::vector<uint32_t> px(256 * 256);
            for (auto& p : px) p = 0xff000000u | uint32_t(rng() & 0x0f0f0f);
            m.tag(36, defineBitsLossless2(uint16_t(5000 + i), 256, 256, px));
        }
        for (int f = 0; f < 2000; ++f) {
            m.place(uint16_t(1 + f % 50), uint16_t(1 + f % 3300), Matrix::translate(f % 500, f % 300));
            m.showFrame();
        }
        const Bytes b = m.bytes(true);
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    }();
    return data;
}

void BM_RenderFrame1000Shapes(benchmark::State& state)
{
    const auto q = vx::swf::Quality(state.range(0));
    vx::swf::Player player(vx::swf::Movie::fromData(thousandShapes()));
    QImage img(550, 400, QImage::Format_ARGB32_Premultiplied);
    const QTransform t = vx::swf::stageTransform(player.movie().stage(), QSizeF(550, 400), vx::swf::ScaleMode::ShowAll);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        player.render(p, t, q);
    }
    // To look at the frame: VX_BENCH_FRAME=folder saves it there.
    if (const QString dir = qEnvironmentVariable("VX_BENCH_FRAME"); !dir.isEmpty())
        img.save(dir + QStringLiteral("/frame-quality%1.png").arg(state.range(0)));
}
// Argument: 2 = High (the figure that matters), 1 = Medium and 0 = Low for comparison.
// CPU time counts every thread of the process: the painter may hand parts
// of a fill to worker threads.
BENCHMARK(BM_RenderFrame1000Shapes)->Arg(2)->Arg(1)->Arg(0)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// A sprite of 100 shapes filling the stage, placed with a blur of 8 x 8
// pixels at three passes (the filter's high quality).
QByteArray blurredStage()
{
    Movie m(550 * 20, 400 * 20, 24);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> x(-1000, 10000), y(-1000, 7000), size(400, 3000), colour(0, 0xffffff);
    Writer sp;
    sp.u16(200);
    sp.u16(1);
    for (int i = 1; i <= 100; ++i) {
        ShapeBuilder s;
        s.rect(0, 0, size(rng), size(rng), s.addFill(Fill::solid(0xff000000u | uint32_t(colour(rng)))));
        m.shape(uint16_t(i), s);
        Writer p;
        p.u8(0x06);
        p.u16(unsigned(i));
        p.u16(unsigned(i));
        Matrix::translate(x(rng), y(rng)).write(p);
        sp.u16(unsigned(26 << 6 | 0x3f));
        sp.u32(uint32_t(p.data.size()));
        sp.bytes(p.data);
    }
    sp.u16(1 << 6);
    sp.u16(0);
    m.tag(39, sp.data);
    m.place3(1, 200, Matrix(), filter::list({filter::blur(8, 8, 3)}));
    m.showFrame();
    const Bytes b = m.bytes(true);
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

void BM_RenderFrameBlurFilter(benchmark::State& state)
{
    vx::swf::Player player(vx::swf::Movie::fromData(blurredStage()));
    QImage img(550, 400, QImage::Format_ARGB32_Premultiplied);
    const QTransform t = vx::swf::stageTransform(player.movie().stage(), QSizeF(550, 400), vx::swf::ScaleMode::ShowAll);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        player.render(p, t, vx::swf::Quality::High);
    }
    if (const QString dir = qEnvironmentVariable("VX_BENCH_FRAME"); !dir.isEmpty())
        img.save(dir + QStringLiteral("/frame-blur.png"));
}
BENCHMARK(BM_RenderFrameBlurFilter)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_InflateOnly10MB(benchmark::State& state)
{
    const QByteArray& file = bigMovie();
    const uLong declared = uLong(uint8_t(file[4]) | uint8_t(file[5]) << 8 | uint8_t(file[6]) << 16 | uint8_t(file[7]) << 24);
    std::vector<uint8_t> out(declared);
    for (auto _ : state) {
        uLongf len = declared;
        uncompress(out.data(), &len, reinterpret_cast<const Bytef*>(file.constData() + 8), uLong(file.size() - 8));
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["MB"] = declared / 1e6;
}
BENCHMARK(BM_InflateOnly10MB)->Unit(benchmark::kMillisecond);

void BM_LoadMovie10MB(benchmark::State& state)
{
    const QByteArray& file = bigMovie();
    for (auto _ : state) {
        auto movie = vx::swf::Movie::fromData(file);
        benchmark::DoNotOptimize(movie.get());
    }
}
BENCHMARK(BM_LoadMovie10MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
