// PngImage against a plain libpng read loop on a 1920 x 1080 RGB PNG,
// written to /tmp on first use.
#include "PlainLibraries.h"
#include "RatioReporter.h"
#include "codecs/png/PngImage.h"

#include <QFile>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <png.h>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
const char* const kPath = "/tmp/vx_bench_1920x1080.png";

void writeTestFile()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    FILE* f = std::fopen(kPath, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(kWidth) * 3);
    std::mt19937 rng(5);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int n = int(rng() % 8);
            row[size_t(x) * 3] = png_byte((x / 8 + n) & 255);
            row[size_t(x) * 3 + 1] = png_byte((y / 5 + n) & 255);
            row[size_t(x) * 3 + 2] = png_byte(((x + y) / 16) & 255);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void BM_Viewer(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state) {
        vx::PngImage png;
        png.loadFromFile(kPath);
        png.dropTransparency();
        benchmark::DoNotOptimize(png.bitmap().bits());
    }
}

// The plain loop: file into memory, png_read_row row by row into one buffer.
void BM_PlainLibpng(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::plainLibpngRead(kPath).get());
}

}  // namespace

BENCHMARK(BM_Viewer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainLibpng)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return vxbench::runWithRatios(argc, argv, {{"BM_Viewer/real_time", "BM_PlainLibpng/real_time", 1.2}});
}
