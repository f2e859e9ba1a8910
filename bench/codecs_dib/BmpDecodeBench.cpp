// Decoding a large 24-bit bitmap from memory against copying the same bytes
// with memcpy and reading them from a file with fread: the decoder should
// run at memory-copy speed.
#include "codecs/dib/BmpImage.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

std::vector<uint8_t> makeBmp()
{
    const uint32_t stride = (kWidth * 3 + 3) & ~3u;
    const uint32_t pixels = stride * kHeight;
    std::vector<uint8_t> file(54 + pixels);
    auto put16 = [&](size_t at, uint32_t v) { file[at] = uint8_t(v); file[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, kWidth);
    put32(22, kHeight);
    put16(26, 1);
    put16(28, 24);
    for (size_t i = 54; i < file.size(); ++i)
        file[i] = uint8_t(i * 31);
    return file;
}

const std::vector<uint8_t>& bmp()
{
    static const std::vector<uint8_t> file = makeBmp();
    return file;
}

void BM_DecodeBmp24(benchmark::State& state)
{
    const auto& file = bmp();
    for (auto _ : state) {
        vx::BmpImage decoder;
        decoder.loadFromData(file.data(), file.size());
        benchmark::DoNotOptimize(decoder.bitmap().bits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

void BM_Memcpy(benchmark::State& state)
{
    const auto& file = bmp();
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size()]);
        std::memcpy(copy.get(), file.data(), file.size());
        benchmark::DoNotOptimize(copy.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

void BM_LoadFileBmp24(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.bmp");
    {
        FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
        std::fwrite(bmp().data(), 1, bmp().size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        vx::BmpImage decoder;
        decoder.loadFromFile(path);
        benchmark::DoNotOptimize(decoder.bitmap().bits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bmp().size()));
}

void BM_Fread(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.bmp");
    {
        FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
        std::fwrite(bmp().data(), 1, bmp().size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        std::vector<uint8_t> buffer(bmp().size());
        FILE* f = std::fopen(path.toLocal8Bit().constData(), "rb");
        size_t got = 0;
        while (got < buffer.size()) {
            const size_t n = std::fread(buffer.data() + got, 1, buffer.size() - got, f);
            if (n == 0)
                break;
            got += n;
        }
        std::fclose(f);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bmp().size()));
}

}  // namespace

BENCHMARK(BM_DecodeBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFileBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fread)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
