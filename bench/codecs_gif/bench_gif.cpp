// GifImage composing all 40 frames of a 500 x 500 animation against giflib's
// DGifSlurp followed by a plain composition loop. The file is written to
// /tmp on first use: a full first frame, then 300 x 300 frames moving over
// it with transparency and alternating disposal.
#include "RatioReporter.h"
#include "codecs/gif/GifImage.h"

#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include <gif_lib.h>

namespace {

constexpr int kSide = 500, kFrames = 40, kPart = 300;
const char* const kPath = "/tmp/vx_bench_500x500x40.gif";

void writeTestFile()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(kPath, false, &error);
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[size_t(i)] = {GifByteType(i), GifByteType(255 - i), GifByteType((i * 7) & 255)};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(gif, kSide, kSide, 8, 0, map);
    GifFreeMapObject(map);
    std::mt19937 rng(9);
    std::vector<GifPixelType> line(kSide);
    for (int i = 0; i < kFrames; ++i) {
        const int side = i == 0 ? kSide : kPart;
        const int left = i == 0 ? 0 : (i * 37) % (kSide - kPart);
        const int top = i == 0 ? 0 : (i * 53) % (kSide - kPart);
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = i % 2 ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
        gcb.DelayTime = 4;
        gcb.TransparentColor = i == 0 ? NO_TRANSPARENT_COLOR : 0;
        GifByteType ext[4];
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&gcb, ext)), ext);
        EGifPutImageDesc(gif, left, top, side, side, false, nullptr);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x)
                line[size_t(x)] = GifPixelType(((x / 10 + y / 10 + i) & 63) * 4 + (rng() % 4 == 0 ? rng() % 4 : 1));
            EGifPutLine(gif, line.data(), side);
        }
    }
    EGifCloseFile(gif, &error);
}

void BM_ViewerAllFrames(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state) {
        vx::GifImage gif;
        gif.loadFromFile(kPath);
        for (int i = 0; i < gif.frameCount(); ++i)
            benchmark::DoNotOptimize(gif.frameImage(i).constBits());
    }
}

struct Memory {
    const QByteArray* data;
    int pos;
};

extern "C" int readMemory(GifFileType* gif, GifByteType* out, int length)
{
    auto* m = static_cast<Memory*>(gif->UserData);
    const int n = std::min(length, int(m->data->size()) - m->pos);
    std::memcpy(out, m->data->constData() + m->pos, size_t(n));
    m->pos += n;
    return n;
}

// giflib decodes every frame, then a straightforward loop composes them.
void BM_SlurpAndCompose(benchmark::State& state)
{
    writeTestFile();
    for (auto _ : state) {
        QFile f(kPath);
        f.open(QIODevice::ReadOnly);
        const QByteArray data = f.readAll();
        Memory m{&data, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&m, readMemory, &error);
        DGifSlurp(gif);
        QImage canvas(gif->SWidth, gif->SHeight, QImage::Format_ARGB32);
        canvas.fill(0);
        int previousDisposal = 0;
        QRect previous;
        for (int i = 0; i < gif->ImageCount; ++i) {
            if (previousDisposal == DISPOSE_BACKGROUND)
                for (int y = previous.top(); y <= previous.bottom(); ++y)
                    std::memset(canvas.scanLine(y) + previous.left() * 4, 0, size_t(previous.width()) * 4);
            const SavedImage& frame = gif->SavedImages[i];
            GraphicsControlBlock gcb{};
            DGifSavedExtensionToGCB(gif, i, &gcb);
            const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
            uint32_t lut[256] = {};
            for (int c = 0; c < map->ColorCount; ++c)
                lut[c] = 0xFF000000u | (map->Colors[c].Red << 16) | (map->Colors[c].Green << 8) | map->Colors[c].Blue;
            const GifImageDesc& d = frame.ImageDesc;
            for (int y = 0; y < d.Height; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(canvas.scanLine(d.Top + y)) + d.Left;
                const GifByteType* src = frame.RasterBits + size_t(y) * size_t(d.Width);
                for (int x = 0; x < d.Width; ++x)
                    if (src[x] != gcb.TransparentColor)
                        row[x] = lut[src[x]];
            }
            benchmark::DoNotOptimize(canvas.constBits());
            previousDisposal = gcb.DisposalMode;
            previous = QRect(d.Left, d.Top, d.Width, d.Height);
        }
        DGifCloseFile(gif, &error);
    }
}

}  // namespace

BENCHMARK(BM_ViewerAllFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SlurpAndCompose)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return vxbench::runWithRatios(argc, argv,
                                  {{"BM_ViewerAllFrames/real_time", "BM_SlurpAndCompose/real_time", 1.5}});
}
