// Playing metafiles: a large polygon set, many small records, and writing an EMF.
#include "codecs/metafile/EmfWriter.h"
#include "codecs/metafile/Metafile.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

void put32(std::vector<uint8_t>& d, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        d.push_back(uint8_t(v >> (8 * i)));
}

void record(std::vector<uint8_t>& d, uint32_t type, const std::vector<int32_t>& params)
{
    put32(d, type);
    put32(d, uint32_t(8 + 4 * params.size()));
    for (int32_t p : params)
        put32(d, uint32_t(p));
}

// An EMF of 800 x 600 pixels with the given body records.
QByteArray emf(const std::vector<uint8_t>& body, uint32_t records)
{
    std::vector<uint8_t> d;
    const int32_t header[] = {1, 108, 0, 0, 799, 599, 0, 0, 21167, 15875, 0x464D4520, 0x10000, 0,
                              int32_t(records + 2), 8, 0, 0, 0, 1920, 1080, 508, 286, 0, 0, 0,
                              508000, 285750};
    for (int32_t v : header)
        put32(d, uint32_t(v));
    d.insert(d.end(), body.begin(), body.end());
    record(d, 14, {0, 16, 20});
    return QByteArray(reinterpret_cast<const char*>(d.data()), qsizetype(d.size()));
}

QByteArray manyShapes()
{
    std::vector<uint8_t> body;
    uint32_t n = 0;
    record(body, 39, {1, 0, 0x3366CC, 0});
    record(body, 37, {1});
    n += 2;
    for (int i = 0; i < 5000; ++i, n += 2) {
        const int x = (i * 37) % 780, y = (i * 53) % 580;
        record(body, 43, {x, y, x + 20, y + 20});
        record(body, 42, {y, x % 580, y + 15, x % 580 + 15});
    }
    return emf(body, n);
}

QByteArray bigPolygon()
{
    std::vector<uint8_t> body;
    std::vector<int32_t> p = {0, 0, 800, 600, 100000};
    for (int i = 0; i < 100000; ++i) {
        const double a = i * 0.0123;
        p.push_back(int32_t(400 + 390 * std::cos(a) * std::sin(a * 0.37)));
        p.push_back(int32_t(300 + 290 * std::sin(a)));
    }
    record(body, 3, p);
    return emf(body, 1);
}

void renderBench(benchmark::State& state, const QByteArray& data)
{
    vx::Metafile m;
    m.loadFromData(data);
    QImage image(m.width(), m.height(), QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        m.draw(painter, QRectF(0, 0, image.width(), image.height()));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PlayManyShapes(benchmark::State& state) { renderBench(state, manyShapes()); }
void BM_PlayPolygon100k(benchmark::State& state) { renderBench(state, bigPolygon()); }

void BM_WriteEmf(benchmark::State& state)
{
    vx::Bitmap b(1920, 1080, 24);
    std::memset(b.bits(), 0x5A, b.byteCount());
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        vx::encodeEmf(b, buffer);
        benchmark::DoNotOptimize(buffer.data().size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.byteCount()));
}

}  // namespace

BENCHMARK(BM_PlayManyShapes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayPolygon100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteEmf)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
