// JpegImage against plain libjpeg-turbo on a 6000 x 4000 photo-sized JPEG
// (quality 90), written to /tmp on first use.
#include "PlainLibraries.h"
#include "RatioReporter.h"
#include "codecs/jpeg/JpegImage.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
const char* const kPath = "/tmp/vx_bench_6000x4000.jpg";

void writeTestFile()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    bench::writePhotoJpeg(QString::fromLatin1(kPath), 1, 0);
}

QByteArray readFile()
{
    QFile f(kPath);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Plain libjpeg-turbo: whole file in memory, decode at scale/8 into BGRX rows.
void plainDecode(int scale, J_COLOR_SPACE space, int bytesPerPixel)
{
    const QByteArray data = readFile();
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(data.constData()), (unsigned long)data.size());
    jpeg_read_header(&d, TRUE);
    d.scale_num = unsigned(scale);
    d.scale_denom = 8;
    d.out_color_space = space;
    jpeg_start_decompress(&d);
    const size_t stride = size_t(d.output_width) * size_t(bytesPerPixel);
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * d.output_height]);
    std::vector<JSAMPROW> rows(d.output_height);
    for (JDIMENSION y = 0; y < d.output_height; ++y)
        rows[y] = pixels.get() + y * stride;
    while (d.output_scanline < d.output_height)
        jpeg_read_scanlines(&d, rows.data() + d.output_scanline, d.output_height - d.output_scanline);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(pixels.get());
}

QSize fitted(QSize picture, QSize area)
{
    return picture.scaled(area, Qt::KeepAspectRatio);
}

void BM_ViewerFit1280x800(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state) {
        vx::JpegImage jpeg;
        jpeg.loadFromFile(kPath);
        jpeg.setSpeedFirst(true);
        const QImage image = jpeg.displayImage(fitted(QSize(jpeg.width(), jpeg.height()), QSize(1280, 800)));
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PlainScaleQuarterBgrx(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state)
        plainDecode(2, JCS_EXT_BGRX, 4);
}

void BM_ViewerNaturalSize(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state) {
        vx::JpegImage jpeg;
        jpeg.loadFromFile(kPath);
        jpeg.setSpeedFirst(true);
        const QImage image = jpeg.displayImage(QSize(jpeg.width(), jpeg.height()));
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PlainFullBgrx(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state)
        plainDecode(8, JCS_EXT_BGRX, 4);
}

void BM_ViewerFullBitmap(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state) {
        vx::JpegImage jpeg;
        jpeg.loadFromFile(kPath);
        const vx::Bitmap bitmap = jpeg.bitmap();
        benchmark::DoNotOptimize(bitmap.bits());
    }
}

void BM_PlainFullBgr(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state)
        plainDecode(8, JCS_EXT_BGR, 3);
}

}  // namespace

BENCHMARK(BM_ViewerFit1280x800)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainScaleQuarterBgrx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewerNaturalSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFullBgrx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewerFullBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFullBgr)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return vxbench::runWithRatios(argc, argv,
                                  {{"BM_ViewerFit1280x800/real_time", "BM_PlainScaleQuarterBgrx/real_time", 1.1},
                                   {"BM_ViewerNaturalSize/real_time", "BM_PlainFullBgrx/real_time", 1.1},
                                   {"BM_ViewerFullBitmap/real_time", "BM_PlainFullBgr/real_time", 1.1}});
}
