#include "codecs/gif/GifStream.h"

#include "codecs/Bitmap.h"
#include "codecs/DecodeCancel.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <gif_lib.h>

namespace vx::gif {

namespace {

// giflib reads through this: the bytes of [0, prefix) followed by the
// bytes from jump on. Scanning reads the file straight through (prefix 0).
struct Reader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t prefix = 0;
    size_t jump = 0;
    size_t pos = 0;  // position in the file of the next byte

    int read(uint8_t* out, int length)
    {
        int done = 0;
        while (done < length) {
            if (pos == prefix && prefix != 0 && jump > prefix)
                pos = jump;
            const size_t end = pos < prefix ? prefix : size;
            if (pos >= end)
                break;
            const size_t n = std::min(size_t(length - done), end - pos);
            std::memcpy(out + done, data + pos, n);
            pos += n;
            done += int(n);
        }
        return done;
    }
};

extern "C" int vxReadGif(GifFileType* gif, GifByteType* out, int length)
{
    return static_cast<Reader*>(gif->UserData)->read(out, length);
}

struct CloseGif {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, CloseGif>;

std::string errorText(int code)
{
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "unknown error");
}

GifHandle open(Reader& reader)
{
    int error = 0;
    GifHandle gif(DGifOpen(&reader, vxReadGif, &error));
    if (!gif)
        throw CodecError(errorText(error));
    return gif;
}

[[noreturn]] void fail(GifFileType* gif)
{
    throw CodecError(errorText(gif->Error));
}

void readApplication(GifFileType* gif, const GifByteType* ext, Structure& s)
{
    const bool looping = ext && ext[0] == 11
                         && (std::memcmp(ext + 1, "NETSCAPE2.0", 11) == 0
                             || std::memcmp(ext + 1, "ANIMEXTS1.0", 11) == 0);
    GifByteType* block = nullptr;
    for (;;) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            fail(gif);
        if (!block)
            break;
        if (looping && block[0] >= 3 && block[1] == 1) {
            s.repeatCount = block[2] | (block[3] << 8);
        }
    }
}

void skipExtension(GifFileType* gif)
{
    GifByteType* block = nullptr;
    do {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            fail(gif);
    } while (block);
}

}  // namespace

Structure scan(const uint8_t* data, size_t size)
{
    Reader reader;
    reader.data = data;
    reader.size = size;
    GifHandle gif = open(reader);

    Structure s;
    s.screenWidth = gif->SWidth;
    s.screenHeight = gif->SHeight;
    s.prefixSize = reader.pos;

    GraphicsControlBlock pending{};
    bool hasPending = false;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            // A file that ends right after its last frame lacks only the trailer.
            if (!s.frames.empty() && reader.pos >= size)
                break;
            fail(gif.get());
        }
        if (type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR)
                fail(gif.get());
            if (code == GRAPHICS_EXT_FUNC_CODE && ext) {
                GraphicsControlBlock gcb{};
                if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) {
                    pending = gcb;
                    hasPending = true;
                }
                skipExtension(gif.get());
            } else if (code == APPLICATION_EXT_FUNC_CODE) {
                readApplication(gif.get(), ext, s);
            } else if (ext) {
                skipExtension(gif.get());
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            fail(gif.get());

        checkCancelled();
        FrameInfo f;
        f.offset = reader.pos - 1;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            fail(gif.get());
        const GifImageDesc& d = gif->Image;
        f.left = d.Left;
        f.top = d.Top;
        f.width = d.Width;
        f.height = d.Height;
        f.interlaced = d.Interlace;
        f.localPalette = d.ColorMap != nullptr;
        if (int64_t(f.width) * f.height > kMaxPixels)
            throw CodecError("GIF frame is too large");
        if (hasPending) {
            f.disposal = pending.DisposalMode;
            f.transparent = pending.TransparentColor;
            f.delayCs = pending.DelayTime;
            hasPending = false;
        }
        // Skip the compressed data without decoding it.
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif.get(), &codeSize, &block) == GIF_ERROR)
            fail(gif.get());
        while (block) {
            f.dataBytes += block[0];
            if (DGifGetCodeNext(gif.get(), &block) == GIF_ERROR)
                fail(gif.get());
        }
        s.frames.push_back(f);
    }
    if (s.frames.empty())
        throw CodecError("GIF: the file holds no image");
    return s;
}

std::string decodeFrame(const uint8_t* data, size_t size, const Structure& s, const FrameInfo& frame,
                        const std::function<void(const Palette&)>& palette,
                        const std::function<void(int, const uint8_t*)>& row)
{
    Reader reader;
    reader.data = data;
    reader.size = size;
    reader.prefix = s.prefixSize;
    reader.jump = frame.offset;
    GifHandle gif = open(reader);

    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
        return errorText(gif->Error);
    if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif.get()) == GIF_ERROR)
        return errorText(gif->Error);

    Palette colours;
    colours.fill(0xFF000000u);
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    if (map && map->Colors) {
        const int count = std::min(map->ColorCount, 256);
        for (int i = 0; i < count; ++i) {
            const GifColorType& c = map->Colors[i];
            colours[size_t(i)] = 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
        }
    } else {
        // No colour table at all: a gray ramp is better than nothing.
        for (int i = 0; i < 256; ++i)
            colours[size_t(i)] = 0xFF000000u | uint32_t(i) * 0x010101u;
    }
    palette(colours);

    const int width = gif->Image.Width;
    const int height = gif->Image.Height;
    if (width <= 0 || height <= 0)
        return std::string();
    std::vector<uint8_t> line(static_cast<size_t>(width));
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    const int passes = gif->Image.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = passes == 1 ? 0 : kStart[pass];
        const int step = passes == 1 ? 1 : kStep[pass];
        for (int y = start; y < height; y += step) {
            checkCancelled();
            if (DGifGetLine(gif.get(), line.data(), width) == GIF_ERROR)
                return errorText(gif->Error);
            row(y, line.data());
        }
    }
    return std::string();
}

}  // namespace vx::gif
