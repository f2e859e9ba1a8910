#include "codecs/layered/PspImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/layered/PspChannel.h"
#include "codecs/ByteReader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <functional>

namespace vx {

namespace {

using namespace psp;

constexpr char kSignature[] = "Paint Shop Pro Image File\n\x1a";
constexpr size_t kSignatureLength = sizeof kSignature - 1;
constexpr size_t kHeaderLength = 36;
// The work one file may ask for: layers read, and layer pixels unpacked and
// blended (about eight full layers of a 4096 x 4096 picture).
constexpr size_t kMaxLayers = 4096;
constexpr int64_t kMaxLayerPixels = int64_t(1) << 27;

enum BlockId { ImageAttributes = 0, ColorPalette = 2, LayerBank = 3, LayerBlock = 4,
               ChannelBlock = 5, CompositeImage = 9, CompositeBank = 16, CompositeAttributes = 17 };
enum DibType { DibImage = 0, DibTransMask = 1, DibThumbnail = 5, DibThumbnailTransMask = 6,
               DibComposite = 8, DibCompositeTransMask = 9 };
// Layer kinds that hold no colour pixels of their own.
enum LayerType { AdjustmentLayer = 4, GroupLayer = 5, MaskLayer = 6 };

struct Attributes {
    int width = 0, height = 0, depth = 0, compression = 0;
    bool greyscale = false;
};

struct Channel {
    int bitmapType = 0, channelType = 0;
    uint32_t uncompressedLength = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

struct Rect { int64_t left = 0, top = 0, right = 0, bottom = 0; };

struct Layer {
    int type = 0;
    Rect image, saved;
    int opacity = 255;
    bool visible = true;
    std::vector<Channel> channels;
};

struct BlockHeader {
    int id = 0;
    size_t dataStart = 0, end = 0;
    uint32_t initialLength = 0;  // version 3 files only
};

class Parser {
public:
    Parser(const uint8_t* data, size_t size) : in_(data, size) {}
    Bitmap run();

private:
    BlockHeader readBlockHeader(size_t limit);
    void forEachBlock(size_t begin, size_t end, const std::function<void(const BlockHeader&)>& f);
    size_t chunkEnd(size_t limit);
    Rect readRect();
    void readAttributes(const BlockHeader& b);
    std::vector<PaletteEntry> readPalette(const BlockHeader& b);
    void readLayer(const BlockHeader& b);
    Channel readChannel(const BlockHeader& b);
    void readCompositeBank(const BlockHeader& b);
    std::vector<Channel> readChannels(size_t begin, size_t end);

    Bitmap imageFromChannels(const Attributes& a, const std::vector<PaletteEntry>& palette,
                             const std::vector<Channel>& channels) const;
    Bitmap mergeLayers() const;

    ByteReader in_;
    int major_ = 0;
    bool haveAttributes_ = false;
    Attributes attributes_;
    std::vector<PaletteEntry> palette_;
    std::vector<Layer> layers_;
    Bitmap composite_;
};

BlockHeader Parser::readBlockHeader(size_t limit)
{
    if (std::memcmp(in_.take(4), "~BK\0", 4) != 0)
        throw CodecError("Paint Shop Pro block header is damaged");
    BlockHeader b;
    b.id = in_.u16le();
    if (major_ <= 3)
        b.initialLength = in_.u32le();
    const uint32_t length = in_.u32le();
    b.dataStart = in_.pos();
    if (b.dataStart > limit || length > limit - b.dataStart)
        throw CodecError("Paint Shop Pro block is truncated");
    b.end = b.dataStart + length;
    return b;
}

void Parser::forEachBlock(size_t begin, size_t end, const std::function<void(const BlockHeader&)>& f)
{
    size_t pos = begin;
    // Trailing bytes too short for a block header are ignored.
    while (end - pos >= 10) {
        in_.seek(pos);
        const BlockHeader b = readBlockHeader(end);
        f(b);
        pos = b.end;
    }
}

// Reads a chunk's length (which counts itself) and returns where the chunk ends.
size_t Parser::chunkEnd(size_t limit)
{
    const size_t start = in_.pos();
    const uint32_t length = in_.u32le();
    if (length < 4 || length > limit - start)
        throw CodecError("Paint Shop Pro chunk is damaged");
    return start + length;
}

Rect Parser::readRect()
{
    Rect r;
    r.left = in_.i32le();
    r.top = in_.i32le();
    r.right = in_.i32le();
    r.bottom = in_.i32le();
    return r;
}

void Parser::readAttributes(const BlockHeader& b)
{
    const size_t end = major_ >= 4 ? chunkEnd(b.end) : b.end;
    Attributes& a = attributes_;
    const int32_t width = in_.i32le(), height = in_.i32le();
    in_.skip(9);  // resolution and its unit
    a.compression = in_.u16le();
    a.depth = in_.u16le();
    in_.skip(6);  // plane count, colour count
    a.greyscale = in_.u8() != 0;
    if (in_.pos() > end)
        throw CodecError("Paint Shop Pro image attributes are truncated");
    checkPictureSize(width, height);
    a.width = width;
    a.height = height;
    if (a.depth != 1 && a.depth != 4 && a.depth != 8 && a.depth != 24)
        throw CodecError("Paint Shop Pro bit depth " + std::to_string(a.depth) + " is not supported");
    if (a.compression > Lz77)
        throw CodecError("Paint Shop Pro compression is not supported");
    haveAttributes_ = true;
}

std::vector<PaletteEntry> Parser::readPalette(const BlockHeader& b)
{
    size_t entriesAt;
    uint32_t count;
    if (major_ >= 4) {
        const size_t end = chunkEnd(b.end);
        count = in_.u32le();
        entriesAt = end;
    } else {
        count = in_.u32le();
        entriesAt = in_.pos();
    }
    if (count > 256)
        count = 256;
    in_.seek(entriesAt);
    if (uint64_t(count) * 4 > b.end - entriesAt)
        throw CodecError("Paint Shop Pro palette is truncated");
    std::vector<PaletteEntry> palette(count);
    for (auto& e : palette) {
        const uint8_t* q = in_.take(4);
        e = {q[0], q[1], q[2], 0};  // stored blue, green, red, reserved
    }
    return palette;
}

Channel Parser::readChannel(const BlockHeader& b)
{
    Channel c;
    // Version 4 and later put the channel's fields in a chunk of their own,
    // with the data right after it.
    const size_t chunkAfter = major_ >= 4 ? chunkEnd(b.end) : 0;
    c.size = in_.u32le();
    c.uncompressedLength = in_.u32le();
    c.bitmapType = in_.u16le();
    c.channelType = in_.u16le();
    const size_t dataAt =
        major_ >= 4 ? chunkAfter : std::max<size_t>(in_.pos(), b.dataStart + b.initialLength);
    if (dataAt > b.end || c.size > b.end - dataAt)
        throw CodecError("Paint Shop Pro channel is truncated");
    c.data = in_.data() + dataAt;
    return c;
}

std::vector<Channel> Parser::readChannels(size_t begin, size_t end)
{
    std::vector<Channel> channels;
    forEachBlock(begin, end, [&](const BlockHeader& b) {
        if (b.id == ChannelBlock)
            channels.push_back(readChannel(b));
    });
    return channels;
}

void Parser::readLayer(const BlockHeader& b)
{
    Layer layer;
    size_t channelsAt;
    if (major_ >= 4) {
        const size_t infoEnd = chunkEnd(b.end);
        in_.skip(in_.u16le());  // name
        layer.type = in_.u8();
        layer.image = readRect();
        layer.saved = readRect();
        layer.opacity = in_.u8();
        in_.skip(1);  // blending mode
        layer.visible = (in_.u8() & 1) != 0;
        if (in_.pos() > infoEnd)
            throw CodecError("Paint Shop Pro layer is truncated");
        in_.seek(infoEnd);
        // Extension sub-blocks of vector, adjustment, group and mask layers.
        while (b.end - in_.pos() >= 4 && std::memcmp(in_.current(), "~BK\0", 4) == 0) {
            const BlockHeader ext = readBlockHeader(b.end);
            in_.seek(ext.end);
        }
        channelsAt = chunkEnd(b.end);  // the layer bitmap chunk: counts only
    } else {
        in_.skip(256);  // name
        layer.type = in_.u8();
        layer.image = readRect();
        layer.saved = readRect();
        layer.opacity = in_.u8();
        in_.skip(1);
        layer.visible = (in_.u8() & 1) != 0;
        channelsAt = std::max<size_t>(in_.pos(), b.dataStart + b.initialLength);
        if (channelsAt > b.end)
            throw CodecError("Paint Shop Pro layer is truncated");
    }
    layer.channels = readChannels(channelsAt, b.end);
    if (layers_.size() >= kMaxLayers)
        throw CodecError("Paint Shop Pro picture has too many layers");
    layers_.push_back(std::move(layer));
}

void Parser::readCompositeBank(const BlockHeader& b)
{
    in_.seek(chunkEnd(b.end));
    const size_t begin = in_.pos();
    Attributes current;
    bool usable = false;
    std::vector<PaletteEntry> palette;
    forEachBlock(begin, b.end, [&](const BlockHeader& sub) {
        if (sub.id == CompositeAttributes) {
            const size_t end = chunkEnd(sub.end);
            current.width = in_.i32le();
            current.height = in_.i32le();
            current.depth = in_.u16le();
            current.compression = in_.u16le();
            in_.skip(6);  // plane count, colour count
            const int type = in_.u16le();
            if (in_.pos() > end)
                throw CodecError("Paint Shop Pro composite attributes are truncated");
            current.greyscale = attributes_.greyscale;
            // Only the full-size composite (type 0) in a compression we read.
            usable = type == 0 && current.width == attributes_.width
                     && current.height == attributes_.height && current.compression <= Lz77
                     && current.depth == attributes_.depth;
            palette.clear();
        } else if (sub.id == ColorPalette) {
            palette = readPalette(sub);
        } else if (sub.id == CompositeImage && usable && composite_.isNull()) {
            const size_t countsEnd = chunkEnd(sub.end);
            const std::vector<Channel> channels = readChannels(countsEnd, sub.end);
            composite_ = imageFromChannels(current, palette.empty() ? palette_ : palette, channels);
        }
    });
}

const Channel* findChannel(const std::vector<Channel>& channels, bool mask, int channelType)
{
    for (const Channel& c : channels) {
        const bool isMask = c.bitmapType == DibTransMask || c.bitmapType == DibThumbnailTransMask
                            || c.bitmapType == DibCompositeTransMask;
        const bool isImage = c.bitmapType == DibImage || c.bitmapType == DibThumbnail
                             || c.bitmapType == DibComposite;
        if (mask ? isMask : (isImage && c.channelType == channelType))
            return &c;
    }
    return nullptr;
}

// One channel as bytes, rows without padding (one byte per pixel).
std::vector<uint8_t> channelPixels(const Channel& c, int width, int height, int depth, int compression)
{
    const size_t rowBytes = channelRowBytes(width, height, depth, c.uncompressedLength);
    const std::vector<uint8_t> rows =
        decompressChannel(c.data, c.size, compression, rowBytes * size_t(height));
    if (depth >= 8)
        return rows;
    return unpackIndices(rows, width, height, depth, rowBytes);
}

std::vector<PaletteEntry> colours(const Attributes& a, const std::vector<PaletteEntry>& palette)
{
    if (a.greyscale || palette.empty())
        return grayPalette(1 << a.depth);
    return palette;
}

Bitmap Parser::imageFromChannels(const Attributes& a, const std::vector<PaletteEntry>& palette,
                                 const std::vector<Channel>& channels) const
{
    checkPictureSize(a.width, a.height);
    if (a.depth <= 8) {
        const Channel* c = findChannel(channels, false, 0);
        if (!c)
            throw CodecError("Paint Shop Pro picture has no pixels");
        const std::vector<uint8_t> index = channelPixels(*c, a.width, a.height, a.depth, a.compression);
        Bitmap bmp(a.width, a.height, a.depth);
        bmp.palette() = colours(a, palette);
        for (int y = 0; y < a.height; ++y) {
            checkCancelled();
            const uint8_t* src = index.data() + size_t(y) * size_t(a.width);
            uint8_t* dst = bmp.scanLine(y);
            for (int x = 0; x < a.width; ++x) {
                if (a.depth == 8)
                    dst[x] = src[x];
                else if (a.depth == 4)
                    dst[x >> 1] |= uint8_t((src[x] & 15) << ((x & 1) ? 0 : 4));
                else
                    dst[x >> 3] |= uint8_t((src[x] & 1) << (7 - (x & 7)));
            }
        }
        return bmp;
    }
    const Channel* rgb[3] = {findChannel(channels, false, 1), findChannel(channels, false, 2),
                             findChannel(channels, false, 3)};
    if (!rgb[0] || !rgb[1] || !rgb[2])
        throw CodecError("Paint Shop Pro picture lacks colour channels");
    const Channel* mask = findChannel(channels, true, 0);
    Bitmap bmp(a.width, a.height, mask ? 32 : 24);
    const int step = mask ? 4 : 3;
    for (int i = 0; i < 3 + (mask ? 1 : 0); ++i) {
        const Channel& c = i < 3 ? *rgb[i] : *mask;
        const std::vector<uint8_t> plane = channelPixels(c, a.width, a.height, 8, a.compression);
        const int offset = i < 3 ? 2 - i : 3;  // red, green, blue into B, G, R order
        for (int y = 0; y < a.height; ++y) {
            checkCancelled();
            const uint8_t* src = plane.data() + size_t(y) * size_t(a.width);
            uint8_t* dst = bmp.scanLine(y) + offset;
            for (int x = 0; x < a.width; ++x)
                dst[size_t(x) * step] = src[x];
        }
    }
    bmp.setHasAlpha(mask != nullptr);
    return bmp;
}

// Porter-Duff "over" of one straight-alpha pixel onto another (B, G, R, A).
void blendOver(uint8_t* dst, const uint8_t src[3], unsigned alpha)
{
    if (alpha == 0)
        return;
    if (alpha == 255) {
        dst[0] = src[0]; dst[1] = src[1]; dst[2] = src[2]; dst[3] = 255;
        return;
    }
    const unsigned below = unsigned(dst[3]) * (255 - alpha);
    const unsigned den = alpha * 255 + below;
    for (int c = 0; c < 3; ++c)
        dst[c] = uint8_t((src[c] * alpha * 255 + dst[c] * below + den / 2) / den);
    dst[3] = uint8_t((den + 127) / 255);
}

Bitmap Parser::mergeLayers() const
{
    const Attributes& a = attributes_;
    const int colourType = a.depth <= 8 ? 0 : 1;
    std::vector<const Layer*> shown;
    for (const Layer& l : layers_) {
        if (l.visible && l.type != AdjustmentLayer && l.type != GroupLayer && l.type != MaskLayer
            && findChannel(l.channels, false, colourType))
            shown.push_back(&l);
    }
    if (shown.empty())
        throw CodecError("Paint Shop Pro picture has no visible layers");

    // A paletted picture made of one full, opaque layer stays indexed.
    if (a.depth <= 8 && shown.size() == 1) {
        const Layer& l = *shown[0];
        if (l.opacity == 255 && !findChannel(l.channels, true, 0) && l.image.left + l.saved.left == 0
            && l.image.top + l.saved.top == 0 && l.saved.right - l.saved.left == a.width
            && l.saved.bottom - l.saved.top == a.height)
            return imageFromChannels(a, palette_, l.channels);
    }

    int64_t work = 0;
    for (const Layer* layer : shown) {
        const Layer& l = *layer;
        const int64_t lw = l.saved.right - l.saved.left, lh = l.saved.bottom - l.saved.top;
        const int64_t ox = l.image.left + l.saved.left, oy = l.image.top + l.saved.top;
        if (lw <= 0 || lh <= 0 || ox >= a.width || oy >= a.height || ox + lw <= 0 || oy + lh <= 0)
            continue;
        work += (lw > kMaxSide || lh > kMaxSide) ? kMaxLayerPixels + 1 : lw * lh;
        if (work > kMaxLayerPixels)
            throw CodecError("Paint Shop Pro picture has too many layer pixels to merge");
    }

    // The canvas outside the layers stays transparent, but a few bytes of
    // layers don't get a canvas of gigabytes: deflate gives at most 1032
    // bytes a byte, and the canvas takes four for the three of a pixel.
    checkDataSupply(uint64_t(a.width) * uint64_t(a.height) * 4, in_.size(), 2048,
                    "Paint Shop Pro layers are truncated", kSparsePictureSlack);
    const std::vector<PaletteEntry> palette = a.depth <= 8 ? colours(a, palette_) : std::vector<PaletteEntry>();
    Bitmap canvas(a.width, a.height, 32);
    for (const Layer* layer : shown) {
        const Layer& l = *layer;
        const int64_t lw = l.saved.right - l.saved.left, lh = l.saved.bottom - l.saved.top;
        const int64_t ox = l.image.left + l.saved.left, oy = l.image.top + l.saved.top;
        if (lw <= 0 || lh <= 0 || ox >= a.width || oy >= a.height || ox + lw <= 0 || oy + lh <= 0)
            continue;
        checkPictureSize(lw, lh);
        const int w = int(lw), h = int(lh);
        std::vector<uint8_t> planes[3];
        if (a.depth <= 8) {
            planes[0] = channelPixels(*findChannel(l.channels, false, 0), w, h, a.depth, a.compression);
        } else {
            for (int i = 0; i < 3; ++i) {
                const Channel* c = findChannel(l.channels, false, i + 1);
                if (!c)
                    throw CodecError("Paint Shop Pro layer lacks colour channels");
                planes[i] = channelPixels(*c, w, h, 8, a.compression);
            }
        }
        const Channel* maskChannel = findChannel(l.channels, true, 0);
        const std::vector<uint8_t> mask =
            maskChannel ? channelPixels(*maskChannel, w, h, 8, a.compression) : std::vector<uint8_t>();

        const int x0 = int(std::max<int64_t>(0, ox)), x1 = int(std::min<int64_t>(a.width, ox + lw));
        const int y0 = int(std::max<int64_t>(0, oy)), y1 = int(std::min<int64_t>(a.height, oy + lh));
        for (int y = y0; y < y1; ++y) {
            checkCancelled();
            uint8_t* dst = canvas.scanLine(y);
            const size_t row = size_t(y - oy) * size_t(w);
            for (int x = x0; x < x1; ++x) {
                const size_t i = row + size_t(x - ox);
                uint8_t bgr[3];
                if (a.depth <= 8) {
                    const uint8_t index = planes[0][i];
                    const PaletteEntry e = index < palette.size() ? palette[index] : PaletteEntry{};
                    bgr[0] = e.blue; bgr[1] = e.green; bgr[2] = e.red;
                } else {
                    bgr[0] = planes[2][i]; bgr[1] = planes[1][i]; bgr[2] = planes[0][i];
                }
                const unsigned coverage = mask.empty() ? 255u : mask[i];
                blendOver(dst + 4 * x, bgr, (coverage * unsigned(l.opacity) + 127) / 255);
            }
        }
    }
    bool transparent = false;
    for (int y = 0; y < canvas.height() && !transparent; ++y) {
        const uint8_t* p = canvas.scanLine(y);
        for (int x = 0; x < canvas.width(); ++x)
            if (p[4 * x + 3] != 255) {
                transparent = true;
                break;
            }
    }
    canvas.setHasAlpha(transparent);
    return canvas;
}

Bitmap Parser::run()
{
    if (in_.size() < kHeaderLength || std::memcmp(in_.data(), kSignature, kSignatureLength) != 0)
        throw CodecError("Not a Paint Shop Pro picture");
    in_.seek(32);
    major_ = in_.u16le();
    in_.skip(2);
    if (major_ < 3)
        throw CodecError("Paint Shop Pro file version is too old");

    forEachBlock(kHeaderLength, in_.size(), [&](const BlockHeader& b) {
        if (b.id == ImageAttributes) {
            readAttributes(b);
            return;
        }
        if (!haveAttributes_)
            throw CodecError("Paint Shop Pro picture has no image attributes");
        switch (b.id) {
        case ColorPalette: palette_ = readPalette(b); break;
        case LayerBank:
            forEachBlock(b.dataStart, b.end, [&](const BlockHeader& sub) {
                if (sub.id == LayerBlock)
                    readLayer(sub);
            });
            break;
        case CompositeBank:
            if (major_ >= 4)
                readCompositeBank(b);
            break;
        default: break;
        }
    });
    if (!haveAttributes_)
        throw CodecError("Paint Shop Pro picture has no image attributes");
    if (!composite_.isNull())
        return composite_;
    return mergeLayers();
}

}  // namespace

Bitmap PspImage::decode(const uint8_t* data, size_t size) const
{
    Parser parser(data, size);
    return parser.run();
}

}  // namespace vx
