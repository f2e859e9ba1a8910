// From a path to a picture ready to paint, as the window opens files, each
// against the plain library in the same run: a 6000 x 4000 JPEG for a
// 400 x 400 area against libjpeg-turbo's 1/8 decode; the next picture when
// it was decoded ahead (looked at, or with the key held down) against the
// same decode; a 1920 x 1080 PNG against a plain libpng read; a 500 x 500,
// 100-frame GIF played at 400 x 400 (frames per CPU second) against giflib
// decoding and composing every frame once; and the listing of a 5000-file
// folder against the decode of the picture shown. Test files are written to
// /tmp on first use.
#include "PlainLibraries.h"
#include "RatioReporter.h"
#include "viewer/DecodeQueue.h"
#include "viewer/FolderList.h"
#include "viewer/PictureJob.h"
#include "viewer/ScaledFrames.h"
#include "viewer/ViewGeometry.h"
#include "codecs/FrameAnimator.h"
#include "codecs/jpeg/JpegEighth.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kJpeg[2] = {QStringLiteral("/tmp/vx_open_a.jpg"), QStringLiteral("/tmp/vx_open_b.jpg")};
const QString kPng = QStringLiteral("/tmp/vx_open_1920x1080.png");
const char* const kGif = "/tmp/vx_open_500x500x100.gif";
const QSize kArea(400, 400);

void writeJpeg(const QString& path, int seed)
{
    if (QFile::exists(path))
        return;
    bench::writePhotoJpeg(path, unsigned(seed), seed * 40);
}

void writePng()
{
    if (QFile::exists(kPng))
        return;
    QImage image(1920, 1080, QImage::Format_RGB888);
    std::mt19937 rng(5);
    for (int y = 0; y < 1080; ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < 1920; ++x, p += 3) {
            const int n = int(rng() % 8);
            p[0] = uchar((x / 8 + n) & 255);
            p[1] = uchar((y / 5 + n) & 255);
            p[2] = uchar(((x + y) / 16) & 255);
        }
    }
    image.save(kPng, "PNG");
}

void writeGif()
{
    if (QFile::exists(QString::fromLatin1(kGif)))
        return;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(kGif, false, &error);
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[size_t(i)] = {GifByteType(i), GifByteType(255 - i), GifByteType((i * 7) & 255)};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(gif, 500, 500, 8, 0, map);
    GifFreeMapObject(map);
    const GifByteType loop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType always[] = {1, 0, 0};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, 11, loop);
    EGifPutExtensionBlock(gif, 3, always);
    EGifPutExtensionTrailer(gif);
    std::mt19937 rng(9);
    std::vector<GifPixelType> line(500);
    for (int i = 0; i < 100; ++i) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.DelayTime = 2;
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType ext[4];
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&gcb, ext)), ext);
        EGifPutImageDesc(gif, 0, 0, 500, 500, false, nullptr);
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < 500; ++x)
                line[size_t(x)] = GifPixelType(((x / 10 + y / 10 + i) & 63) * 4 + (rng() % 4 == 0 ? rng() % 4 : 1));
            EGifPutLine(gif, line.data(), 500);
        }
    }
    EGifCloseFile(gif, &error);
}

vx::OpenRequest request(const QString& path, const char* extension)
{
    return vx::OpenRequest{path, vx::findSupportedType(QString::fromLatin1(extension)), vx::FitBigImages, kArea,
                           QSize(), false};
}

void BM_OpenJpegAt400(benchmark::State& state)
{
    writeJpeg(kJpeg[0], 0);
    for (auto _ : state) {
        const vx::OpenedPicture p = vx::openPicture(request(kJpeg[0], "JPG"));
        if (!p.ok() || p.display.isNull())
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(p.display.constBits());
    }
}

// The viewer's own eighth-size decoder alone, from the file, on two threads
// (the argument 1) or one (0).
void BM_OwnJpegEighth(benchmark::State& state)
{
    writeJpeg(kJpeg[0], 0);
    const QByteArray name = QFile::encodeName(kJpeg[0]);
    for (auto _ : state) {
        FILE* f = std::fopen(name.constData(), "rb");
        const std::optional<QImage> image =
            vx::jpeg::decodeEighth(vx::jpeg::Source::stream(f), state.range(0) ? vx::jpeg::kEighthSplitBytes : 0);
        std::fclose(f);
        if (!image)
            state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image);
    }
}

// libjpeg-turbo alone: the file into memory, decoded at 1/8 into BGRX rows.
void BM_PlainJpegEighth(benchmark::State& state)
{
    writeJpeg(kJpeg[0], 0);
    for (auto _ : state) {
        QFile f(kJpeg[0]);
        f.open(QIODevice::ReadOnly);
        const QByteArray data = f.readAll();
        jpeg_decompress_struct d{};
        jpeg_error_mgr err{};
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(data.constData()), (unsigned long)data.size());
        jpeg_read_header(&d, TRUE);
        d.scale_num = 1;
        d.scale_denom = 8;
        d.out_color_space = JCS_EXT_BGRX;
        jpeg_start_decompress(&d);
        const size_t stride = size_t(d.output_width) * 4;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * d.output_height]);
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = pixels.get() + d.output_scanline * stride;
            jpeg_read_scanlines(&d, &row, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// Stepping between two pictures as the window does: the next one was
// decoded ahead while the current one was looked at, so the key costs
// finding the finished decode still good for the file as it is now and
// taking its picture. Timed by hand: the decode ahead (untimed) is far
// longer than the key, and Google Benchmark would run the key until its
// own time reached the minimum, hundreds of thousands of decodes.
void BM_NextWithDecodeAhead(benchmark::State& state)
{
    writeJpeg(kJpeg[0], 0);
    writeJpeg(kJpeg[1], 1);
    vx::DecodeQueue queue;
    int next = 1;
    for (auto _ : state) {
        const vx::OpenRequest r = request(kJpeg[next], "JPG");
        auto ahead = queue.submit(r, false, nullptr);
        queue.wait(ahead);
        const auto key = std::chrono::steady_clock::now();
        if (!queue.finished(ahead) || !(ahead->request() == r) || !(ahead->result().stamp == vx::FileStamp::of(r.path)))
            state.SkipWithError("decode ahead not used");
        QImage shown = ahead->result().display;
        benchmark::DoNotOptimize(shown.constBits());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - key).count());
        next = 1 - next;
    }
}

// A key held down: autorepeat asks for the next picture every 40 ms, so
// each key waits for what is left of the decode ahead started when the
// previous picture was shown.
void BM_NextKeyHeldWithDecodeAhead(benchmark::State& state)
{
    writeJpeg(kJpeg[0], 0);
    writeJpeg(kJpeg[1], 1);
    vx::DecodeQueue queue;
    int next = 1;
    for (auto _ : state) {
        const vx::OpenRequest r = request(kJpeg[next], "JPG");
        auto ahead = queue.submit(r, false, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        const auto key = std::chrono::steady_clock::now();
        queue.wait(ahead);
        QImage shown = ahead->result().display;
        benchmark::DoNotOptimize(shown.constBits());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - key).count());
        next = 1 - next;
    }
}

void BM_NextWithoutDecodeAhead(benchmark::State& state)
{
    writeJpeg(kJpeg[0], 0);
    writeJpeg(kJpeg[1], 1);
    int next = 1;
    for (auto _ : state) {
        const vx::OpenedPicture p = vx::openPicture(request(kJpeg[next], "JPG"));
        benchmark::DoNotOptimize(p.display.constBits());
        next = 1 - next;
    }
}

void BM_OpenPngAt400(benchmark::State& state)
{
    writePng();
    for (auto _ : state) {
        const vx::OpenedPicture p = vx::openPicture(request(kPng, "PNG"));
        if (!p.ok() || p.display.isNull())
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(p.display.constBits());
    }
}

// libpng alone: the file into memory, every row read into one buffer.
void BM_PlainLibpngRead(benchmark::State& state)
{
    writePng();
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::plainLibpngRead(kPng).get());
}

// Five loops of the animation as the picture control plays it at 400 x 400.
void BM_GifPlayAt400(benchmark::State& state)
{
    writeGif();
    int64_t frames = 0;
    for (auto _ : state) {
        const vx::OpenedPicture p = vx::openPicture(request(QString::fromLatin1(kGif), "GIF"));
        vx::FrameAnimator player(p.graphic);
        vx::ScaledFrames cache;
        for (int i = 0; i < 5 * p.graphic->frameCount(); ++i, ++frames) {
            benchmark::DoNotOptimize(cache.frame(*p.graphic, player.currentIndex(), p.shown).constBits());
            player.advance();
        }
    }
    state.counters["frames_per_cpu_s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

// A folder of 5000 files (pictures of several kinds and other files, names
// with numbers and mixed case, as cameras and downloads name them), listed
// and sorted in name order as the window does when it opens one of them.
const char* const kFolder = "/tmp/vx_open_folder_5000";

void makeFolder()
{
    static bool made = false;
    if (made)
        return;
    QDir().mkpath(QString::fromLatin1(kFolder));
    const char* const stems[] = {"IMG_", "DSC", "photo ", "Scan-", "holiday_"};
    const char* const ext[] = {".jpg", ".JPG", ".png", ".gif", ".txt", ".tif", ".bmp", ".mp4"};
    for (int i = 0; i < 5000; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "%s/%s%d%s", kFolder, stems[i % 5], (i * 7919) % 10007, ext[i % 8]);
        const int fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    made = true;
}

void BM_RebuildFolderList5000(benchmark::State& state)
{
    makeFolder();
    vx::FolderNavigation nav;
    nav.CurrentPath = QString::fromLatin1(kFolder) + QStringLiteral("/IMG_0.jpg");
    for (auto _ : state) {
        nav.RebuildFolderList();
        benchmark::DoNotOptimize(nav.FolderFileList.size());
    }
    state.counters["listed"] = double(nav.count());
}

struct GifMemory {
    const QByteArray* data;
    int pos;
};

extern "C" int readGifMemory(GifFileType* gif, GifByteType* out, int length)
{
    auto* m = static_cast<GifMemory*>(gif->UserData);
    const int n = std::min(length, int(m->data->size()) - m->pos);
    std::memcpy(out, m->data->constData() + m->pos, size_t(n));
    m->pos += n;
    return n;
}

// giflib alone: every frame decoded (DGifSlurp) and composed once, 500 x 500.
void BM_PlainGiflibFrames(benchmark::State& state)
{
    writeGif();
    int64_t frames = 0;
    for (auto _ : state) {
        QFile f(QString::fromLatin1(kGif));
        f.open(QIODevice::ReadOnly);
        const QByteArray data = f.readAll();
        GifMemory m{&data, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&m, readGifMemory, &error);
        DGifSlurp(gif);
        std::vector<uint32_t> canvas(size_t(gif->SWidth) * size_t(gif->SHeight));
        for (int i = 0; i < gif->ImageCount; ++i, ++frames) {
            const SavedImage& frame = gif->SavedImages[i];
            const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
            uint32_t lut[256] = {};
            for (int c = 0; c < map->ColorCount; ++c)
                lut[c] = 0xFF000000u | (map->Colors[c].Red << 16) | (map->Colors[c].Green << 8) | map->Colors[c].Blue;
            const GifImageDesc& d = frame.ImageDesc;
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x)
                    canvas[size_t(d.Top + y) * size_t(gif->SWidth) + size_t(d.Left + x)] =
                        lut[frame.RasterBits[size_t(y) * size_t(d.Width) + size_t(x)]];
            benchmark::DoNotOptimize(canvas.data());
        }
        DGifCloseFile(gif, &error);
    }
    state.counters["frames_per_cpu_s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_OpenJpegAt400)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainJpegEighth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OwnJpegEighth)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NextWithDecodeAhead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_NextKeyHeldWithDecodeAhead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_NextWithoutDecodeAhead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPngAt400)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainLibpngRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RebuildFolderList5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifPlayAt400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainGiflibFrames)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Ratios of time: the GIF pair compares CPU time per frame (500 frames
    // against 100 in one iteration, hence the goal of 5 x 0.8 = 4).
    return vxbench::runWithRatios(argc, argv,
                                  {{"BM_OpenJpegAt400/real_time", "BM_PlainJpegEighth/real_time", 1.1},
                                   {"BM_NextWithDecodeAhead/iterations:20/manual_time", "BM_PlainJpegEighth/real_time", 0.6},
                                   {"BM_NextKeyHeldWithDecodeAhead/iterations:20/manual_time", "BM_PlainJpegEighth/real_time", 1.0},
                                   {"BM_OpenPngAt400/real_time", "BM_PlainLibpngRead/real_time", 1.2},
                                   {"BM_GifPlayAt400", "BM_PlainGiflibFrames", 4.0},
                                   {"BM_RebuildFolderList5000/real_time", "BM_OpenJpegAt400/real_time", 1.0},
                                   {"BM_RebuildFolderList5000/real_time", "BM_OpenPngAt400/real_time", 1.0}});
}
