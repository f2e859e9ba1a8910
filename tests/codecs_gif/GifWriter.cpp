#include "GifWriter.h"

#include <gif_lib.h>
#include <stdexcept>

namespace testgif {

namespace {

extern "C" int append(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

ColorMapObject* makeMap(const std::vector<Rgb>& colours)
{
    if (colours.empty())
        return nullptr;
    int size = 2;
    while (size < int(colours.size()))
        size *= 2;
    std::vector<GifColorType> c(size_t(size), GifColorType{0, 0, 0});
    for (size_t i = 0; i < colours.size(); ++i)
        c[i] = {colours[i].r, colours[i].g, colours[i].b};
    return GifMakeMapObject(size, c.data());
}

void check(int result)
{
    if (result != GIF_OK)
        throw std::runtime_error("giflib encoder failed");
}

}  // namespace

Frame solid(int left, int top, int width, int height, uint8_t index)
{
    Frame f;
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    f.indices.assign(size_t(width) * size_t(height), index);
    return f;
}

QByteArray write(const File& file)
{
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = makeMap(file.palette);
    check(EGifPutScreenDesc(gif, file.width, file.height, 8, 0, global));
    GifFreeMapObject(global);
    if (file.loops >= 0) {
        const GifByteType loop[3] = {1, GifByteType(file.loops & 255), GifByteType(file.loops >> 8)};
        check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
        check(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"));
        check(EGifPutExtensionBlock(gif, 3, loop));
        check(EGifPutExtensionTrailer(gif));
    }
    for (const Frame& f : file.frames) {
        if (f.controlBlock) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = f.disposal;
            gcb.DelayTime = f.delayCs;
            gcb.TransparentColor = f.transparent;
            GifByteType ext[4];
            const size_t len = EGifGCBToExtension(&gcb, ext);
            check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext));
        }
        ColorMapObject* local = makeMap(f.palette);
        check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local));
        GifFreeMapObject(local);
        std::vector<GifPixelType> line(size_t(f.width));
        auto put = [&](int y) {
            for (int x = 0; x < f.width; ++x)
                line[size_t(x)] = f.indices[size_t(y) * size_t(f.width) + size_t(x)];
            check(EGifPutLine(gif, line.data(), f.width));
        };
        if (f.interlaced) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < f.height; y += step[p])
                    put(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                put(y);
        }
    }
    check(EGifCloseFile(gif, &error));
    if (!file.trailer && out.endsWith(';'))
        out.chop(1);
    return out;
}

}  // namespace testgif
