// Writer speed against the plain work they wrap: the HTML table against
// one write of a buffer of the same size, the JPEG and PNG writers against
// a bare libjpeg-turbo / libpng encode of the same pixels and settings.
#include "export/SaveToFileFunctions.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

namespace {

QTemporaryDir& tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

std::string tempPath(const char* name)
{
    return (tempDir().path() + '/' + QLatin1String(name)).toStdString();
}

// Smooth gradients with some texture, like a photograph more than a test card.
vx::Bitmap photo(int w, int h)
{
    vx::Bitmap b(w, h, 24);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        uint8_t* p = b.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            p[0] = uint8_t(std::clamp(x * 255 / w + noise, 0, 255));
            p[1] = uint8_t(std::clamp(y * 255 / h + noise, 0, 255));
            p[2] = uint8_t(std::clamp((x + y) * 255 / (w + h) - noise, 0, 255));
        }
    }
    return b;
}

const vx::Bitmap& large()
{
    static const vx::Bitmap b = photo(6000, 4000);
    return b;
}

// ---------------------------------------------------------------- HTML

void BM_WriteHtmlTable_640x480(benchmark::State& state)
{
    const vx::Bitmap b = photo(640, 480);
    const QString path = QString::fromStdString(tempPath("t.html"));
    for (auto _ : state)
        vx::WriteHtmlTable(b, path, QStringLiteral("too big"));
    state.counters["bytes"] = double(vx::htmlTable(b).size());
}
BENCHMARK(BM_WriteHtmlTable_640x480)->Unit(benchmark::kMillisecond);

// Baseline: the same number of bytes with one write call (plus the sync the
// safe replacement does).
void BM_WriteBufferOnce_HtmlSize(benchmark::State& state)
{
    const QByteArray page = vx::htmlTable(photo(640, 480));
    const std::string path = tempPath("raw.html");
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(::write(fd, page.constData(), size_t(page.size())));
        if (state.range(0))
            ::fdatasync(fd);
        ::close(fd);
    }
    state.counters["bytes"] = double(page.size());
}
BENCHMARK(BM_WriteBufferOnce_HtmlSize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- JPEG

void BM_WriteJpeg_6000x4000(benchmark::State& state)
{
    const QString path = QString::fromStdString(tempPath("w.jpg"));
    for (auto _ : state)
        vx::WriteJpeg(large(), path, false, 100);
}
BENCHMARK(BM_WriteJpeg_6000x4000)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_PlainLibjpeg_6000x4000(benchmark::State& state)
{
    const vx::Bitmap& b = large();
    const std::string path = tempPath("plain.jpg");
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, f);
        cinfo.image_width = JDIMENSION(b.width());
        cinfo.image_height = JDIMENSION(b.height());
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 100, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(b.scanLine(int(cinfo.next_scanline)));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fflush(f);
        if (state.range(0))
            ::fdatasync(fileno(f));
        std::fclose(f);
    }
}
BENCHMARK(BM_PlainLibjpeg_6000x4000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

// ---------------------------------------------------------------- PNG

void BM_WritePng_6000x4000(benchmark::State& state)
{
    const QString path = QString::fromStdString(tempPath("w.png"));
    for (auto _ : state)
        vx::WritePng(large(), path, vx::kSavePngLevel);
}
BENCHMARK(BM_WritePng_6000x4000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_PlainLibpng_6000x4000(benchmark::State& state)
{
    const vx::Bitmap& b = large();
    const std::string path = tempPath("plain.png");
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, f);
        png_set_compression_level(png, vx::kSavePngLevel);
        png_set_IHDR(png, info, png_uint_32(b.width()), png_uint_32(b.height()), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        for (int y = 0; y < b.height(); ++y)
            png_write_row(png, b.scanLine(y));
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fflush(f);
        if (state.range(0))
            ::fdatasync(fileno(f));
        std::fclose(f);
    }
}
BENCHMARK(BM_PlainLibpng_6000x4000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
