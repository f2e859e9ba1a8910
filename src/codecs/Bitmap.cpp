#include "codecs/Bitmap.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/PixelLoop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace vx {

namespace {

// Pixel memory, counted against the process-wide limit for as long as any
// bitmap or image shares it. Very large pictures get 2 MB-aligned memory
// that the kernel may back with huge pages, so filling a fresh picture costs
// a few dozen page faults instead of tens of thousands. Below kHugeFrom the
// kernel's work to find free huge pages costs more than the faults it saves.
struct PixelBlock {
    PixelReservation reservation;
    uint8_t* pixels = nullptr;
    bool aligned = false;
    ~PixelBlock()
    {
        if (aligned)
            std::free(pixels);
        else
            delete[] pixels;
    }
};

std::shared_ptr<uint8_t[]> allocatePixels(size_t bytes, bool zero)
{
    constexpr size_t kHuge = size_t(2) << 20;
    constexpr size_t kHugeFrom = size_t(32) << 20;
    auto block = std::make_shared<PixelBlock>();
    block->reservation = PixelReservation(bytes);
    if (bytes < kHugeFrom) {
        block->pixels = zero ? new uint8_t[bytes]() : new uint8_t[bytes];
    } else {
        const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* p = std::aligned_alloc(kHuge, rounded);
        if (!p)
            throw std::bad_alloc();
        block->pixels = static_cast<uint8_t*>(p);
        block->aligned = true;
        ::madvise(p, rounded, MADV_HUGEPAGE);
        // Filling a large picture takes a while: a cancelled decode stops
        // between pieces (the block is freed as the exception leaves). A
        // piece is one large page: the first touch of a page may make the
        // kernel gather memory for it, which can take many milliseconds.
        for (size_t at = 0; zero && at < bytes; at += kHuge) {
            checkCancelled();
            std::memset(block->pixels + at, 0, std::min(kHuge, bytes - at));
        }
    }
    uint8_t* pixels = block->pixels;
    return std::shared_ptr<uint8_t[]>(std::move(block), pixels);
}

}  // namespace

QImage pictureImage(QSize size, QImage::Format format)
{
    checkPictureSize(size.width(), size.height());
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const int stride = Bitmap::strideFor(size.width(), depth);
    auto pixels = allocatePixels(size_t(stride) * size_t(size.height()), false);
    auto* keep = new std::shared_ptr<uint8_t[]>(pixels);
    return QImage(pixels.get(), size.width(), size.height(), stride, format,
                  [](void* p) { delete static_cast<std::shared_ptr<uint8_t[]>*>(p); }, keep);
}

QImage pictureCopy(const QImage& image, QRect part)
{
    part = part.isNull() ? image.rect() : part & image.rect();
    if (image.isNull() || part.isEmpty())
        return QImage();
    if (image.depth() < 8)
        return pictureCopy(image.convertToFormat(QImage::Format_Indexed8), part);
    QImage copy = pictureImage(part.size(), image.format());
    const size_t pixel = size_t(image.depth() / 8);
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(copy.scanLine(y), image.constScanLine(part.top() + y) + size_t(part.left()) * pixel,
                    size_t(part.width()) * pixel);
    copy.setColorTable(image.colorTable());
    return copy;
}

std::vector<PaletteEntry> grayPalette(int entries)
{
    entries = std::clamp(entries, 1, 256);
    std::vector<PaletteEntry> palette(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const uint8_t v = uint8_t(entries > 1 ? i * 255 / (entries - 1) : 0);
        palette[size_t(i)] = {v, v, v, 0};
    }
    return palette;
}

void checkPictureSize(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        throw CodecError("Picture has no pixels");
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        throw CodecError("Picture is too large (" + std::to_string(width) + " x "
                         + std::to_string(height) + ")");
}

int Bitmap::strideFor(int width, int bitsPerPixel)
{
    return int(((int64_t(width) * bitsPerPixel + 31) / 32) * 4);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel, bool zero)
{
    checkPictureSize(width, height);
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw CodecError("Unsupported pixel depth " + std::to_string(bitsPerPixel));
    }
    width_ = width;
    height_ = height;
    bpp_ = bitsPerPixel;
    stride_ = strideFor(width, bitsPerPixel);
    data_ = allocatePixels(byteCount(), zero);
    if (zero)
        return;
    const size_t used = (size_t(width) * size_t(bitsPerPixel) + 7) / 8;
    for (int y = 0; y < height; ++y)
        std::memset(scanLine(y) + used, 0, size_t(stride_) - used);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel, NoFill) : Bitmap(width, height, bitsPerPixel, false) {}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) : Bitmap(width, height, bitsPerPixel, true) {}

uint32_t Bitmap::pixel(int x, int y) const
{
    const uint8_t* row = scanLine(y);
    auto fromPalette = [&](unsigned index) -> uint32_t {
        if (index >= palette_.size())
            return 0xFF000000u;
        const PaletteEntry& e = palette_[index];
        return 0xFF000000u | (uint32_t(e.red) << 16) | (uint32_t(e.green) << 8) | e.blue;
    };
    switch (bpp_) {
    case 1: return fromPalette((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return fromPalette((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
    case 8: return fromPalette(row[x]);
    case 16: {
        unsigned v = row[2 * x] | (unsigned(row[2 * x + 1]) << 8);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8)
               | ((b << 3) | (b >> 2));
    }
    case 24: {
        const uint8_t* p = row + 3 * x;
        return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    case 32: {
        const uint8_t* p = row + 4 * x;
        uint32_t a = hasAlpha_ ? p[3] : 255u;
        return (a << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    }
    return 0;
}

Bitmap Bitmap::deepCopy() const
{
    Bitmap copy;
    if (isNull())
        return copy;
    copy = Bitmap(width_, height_, bpp_);
    std::memcpy(copy.bits(), bits(), byteCount());
    copy.palette_ = palette_;
    copy.hasAlpha_ = hasAlpha_;
    return copy;
}

namespace {

QList<QRgb> colorTable(const std::vector<PaletteEntry>& palette, int entries)
{
    QList<QRgb> table(entries, qRgb(0, 0, 0));
    for (int i = 0; i < entries && i < int(palette.size()); ++i)
        table[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
    return table;
}

// One row of 4-bit indices (high nibble first) as bytes.
VX_PIXEL_LOOP void expandNibbles(const uint8_t* src, uint8_t* dst, int width)
{
    const int pairs = width / 2;
    for (int i = 0; i < pairs; ++i) {
        dst[2 * i] = uint8_t(src[i] >> 4);
        dst[2 * i + 1] = uint8_t(src[i] & 0x0F);
    }
    if (width & 1)
        dst[width - 1] = uint8_t(src[pairs] >> 4);
}

}  // namespace

QImage Bitmap::toImage() const
{
    if (isNull())
        return QImage();
    QImage::Format format;
    switch (bpp_) {
    case 1: format = QImage::Format_Mono; break;
    case 8: format = QImage::Format_Indexed8; break;
    case 16: format = QImage::Format_RGB555; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = hasAlpha_ ? QImage::Format_ARGB32 : QImage::Format_RGB32; break;
    default: {
        // 4 bits: expand to 8-bit indices.
        QImage image(width_, height_, QImage::Format_Indexed8);
        image.setColorTable(colorTable(palette_, 16));
        for (int y = 0; y < height_; ++y)
            expandNibbles(scanLine(y), image.scanLine(y), width_);
        return image;
    }
    }
    // The image holds a reference to the shared pixels until it is gone.
    auto* keep = new std::shared_ptr<uint8_t[]>(data_);
    QImage image(data_.get(), width_, height_, stride_, format,
                 [](void* p) { delete static_cast<std::shared_ptr<uint8_t[]>*>(p); }, keep);
    if (bpp_ == 1 || bpp_ == 8)
        image.setColorTable(colorTable(palette_, 1 << bpp_));
    return image;
}

Bitmap Bitmap::fromImage(const QImage& source)
{
    if (source.isNull())
        return Bitmap();
    QImage image = source;
    int bpp;
    switch (image.format()) {
    case QImage::Format_Mono: bpp = 1; break;
    case QImage::Format_MonoLSB:
        image = image.convertToFormat(QImage::Format_Mono);
        bpp = 1;
        break;
    case QImage::Format_Indexed8: bpp = 8; break;
    case QImage::Format_BGR888: bpp = 24; break;
    case QImage::Format_RGB32: bpp = 32; break;
    case QImage::Format_ARGB32: bpp = 32; break;
    default:
        if (image.hasAlphaChannel()) {
            image = image.convertToFormat(QImage::Format_ARGB32);
        } else {
            image = image.convertToFormat(QImage::Format_RGB32);
        }
        bpp = 32;
        break;
    }
    Bitmap bitmap(image.width(), image.height(), bpp);
    const int rowBytes = std::min<qsizetype>(bitmap.stride(), image.bytesPerLine());
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(bitmap.scanLine(y), image.constScanLine(y), size_t(rowBytes));
    if (bpp <= 8) {
        const QList<QRgb> table = image.colorTable();
        bitmap.palette_.resize(size_t(table.size()));
        for (qsizetype i = 0; i < table.size(); ++i)
            bitmap.palette_[size_t(i)] = {uint8_t(qBlue(table[i])), uint8_t(qGreen(table[i])),
                                          uint8_t(qRed(table[i])), 0};
    }
    bitmap.hasAlpha_ = image.format() == QImage::Format_ARGB32;
    return bitmap;
}

Bitmap Bitmap::converted24() const
{
    if (isNull())
        return Bitmap();
    Bitmap out(width_, height_, 24);
    for (int y = 0; y < height_; ++y) {
        uint8_t* dst = out.scanLine(y);
        if (bpp_ == 24) {
            std::memcpy(dst, scanLine(y), size_t(width_) * 3);
            continue;
        }
        if (bpp_ == 32) {
            const uint8_t* src = scanLine(y);
            for (int x = 0; x < width_; ++x) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
            continue;
        }
        for (int x = 0; x < width_; ++x) {
            uint32_t c = pixel(x, y);
            dst[3 * x] = uint8_t(c);
            dst[3 * x + 1] = uint8_t(c >> 8);
            dst[3 * x + 2] = uint8_t(c >> 16);
        }
    }
    return out;
}

}  // namespace vx
