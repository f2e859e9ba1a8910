#include "codecs/gif/GifImage.h"

#include "codecs/FileBytes.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace vx {

void GifImage::loadFromFile(const QString& path)
{
    load(readFileBytes(path));
}

void GifImage::loadFromData(const uint8_t* data, size_t size)
{
    load(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
}

void GifImage::load(const QByteArray& data)
{
    // The first frame is composed before anything of the old picture goes.
    GifImage next;
    next.read(data);
    *this = std::move(next);
}

void GifImage::read(const QByteArray& data)
{
    gif::Structure s = gif::scan(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    const QSize size = screenSize(s);
    const int w = size.width(), h = size.height();
    checkPictureSize(w, h);

    // Where the frames can draw: nothing outside that is ever anything but
    // clear. A frame's data reaches no further than LZW allows: at most
    // eight codes a byte, each at most 4096 pixels long.
    const QRect screen(0, 0, w, h);
    QRect box;
    for (const gif::FrameInfo& f : s.frames) {
        if (f.width <= 0 || f.height <= 0)
            continue;
        const int64_t reach = (int64_t(f.dataBytes) + 1) * 8 * 4096;
        int64_t rows = (reach + f.width - 1) / f.width;
        if (f.interlaced)
            rows *= 8;  // the first pass spreads its rows over the frame
        box |= QRect(f.left, f.top, f.width, int(std::min<int64_t>(f.height, rows))) & screen;
    }
    if (box.isEmpty())
        box = QRect(0, 0, 1, 1);

    data_ = data;
    structure_ = std::move(s);
    screen_ = size;
    box_ = box;
    first_ = QImage();
    firstBitmap_ = Bitmap();
    saved_ = QImage();
    canvas_ = pictureImage(box.size(), QImage::Format_ARGB32);
    canvas_.fill(0);
    canvasIndex_ = 0;

    const gif::FrameInfo& f = structure_.frames.front();
    const bool covers = f.left == 0 && f.top == 0 && f.width == w && f.height == h && box == screen;
    Bitmap indices = covers ? Bitmap(w, h, 8) : Bitmap();
    drawFrame(0, true, covers ? &indices : nullptr);
    first_ = canvas_;

    if (covers && !indices.isNull())
        firstBitmap_ = indices;
}

QSize GifImage::screenSize(const gif::Structure& s)
{
    if (s.screenWidth > 0 && s.screenHeight > 0)
        return QSize(s.screenWidth, s.screenHeight);
    // No logical screen: the first frame decides the size.
    if (s.frames.empty())
        return QSize();
    const gif::FrameInfo& f = s.frames.front();
    return QSize(f.left + f.width, f.top + f.height);
}

QImage GifImage::onScreen(const QImage& canvas) const
{
    if (canvas.isNull() || box_ == QRect(QPoint(0, 0), screen_))
        return canvas;
    QImage image = pictureImage(screen_, QImage::Format_ARGB32);
    image.fill(0);
    for (int y = 0; y < canvas.height(); ++y)
        std::memcpy(image.scanLine(box_.top() + y) + size_t(box_.left()) * 4, canvas.constScanLine(y),
                    size_t(canvas.width()) * 4);
    return image;
}

Bitmap GifImage::bitmap() const
{
    if (firstBitmap_.isNull() && !first_.isNull())
        firstBitmap_ = Bitmap::fromImage(onScreen(first_));
    return firstBitmap_;
}

QImage GifImage::displayImage(QSize) const
{
    return onScreen(first_);
}

QImage GifImage::frameImageAt(int index, QSize size) const
{
    if (size.isEmpty() || !composeTo(index))
        return QImage();
    if (box_ == QRect(QPoint(0, 0), screen_)) {
        if (canvas_.size() == size)
            return canvas_;
        return canvas_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Only the covered part is scaled, into its place in the picture.
    QImage image = pictureImage(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    const double sx = double(size.width()) / screen_.width(), sy = double(size.height()) / screen_.height();
    const QRectF target(box_.left() * sx, box_.top() * sy, box_.width() * sx, box_.height() * sy);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, canvas_);
    return image;
}

int GifImage::frameDelayMs(int index) const
{
    if (index < 0 || index >= frameCount())
        return 0;
    const int cs = structure_.frames[size_t(index)].delayCs;
    return cs <= 1 ? 100 : cs * 10;
}

int GifImage::loopCount() const
{
    const int n = structure_.repeatCount;
    return n <= 0 ? 0 : n + 1;
}

bool GifImage::composeTo(int index) const
{
    if (index < 0 || index >= frameCount() || first_.isNull())
        return false;
    if (index < canvasIndex_ || canvasIndex_ < 0) {
        canvas_ = first_;
        canvasIndex_ = 0;
        saved_ = QImage();
    }
    // The canvas shared with the first frame or a frame handed out: drawn
    // on, it needs pixels of its own, counted like the rest.
    if (canvasIndex_ < index && !canvas_.isDetached())
        canvas_ = pictureCopy(canvas_);
    while (canvasIndex_ < index) {
        disposeFrame(canvasIndex_);
        ++canvasIndex_;
        drawFrame(canvasIndex_, false, nullptr);
    }
    return true;
}

QImage GifImage::frameImage(int index) const
{
    if (!composeTo(index))
        return QImage();
    return onScreen(canvas_);
}

void GifImage::disposeFrame(int index) const
{
    const gif::FrameInfo& f = structure_.frames[size_t(index)];
    if (f.disposal != gif::kDisposeBackground && f.disposal != gif::kDisposePrevious)
        return;
    const QRect clip = QRect(f.left - box_.left(), f.top - box_.top(), f.width, f.height) & canvas_.rect();
    if (clip.isEmpty())
        return;
    const size_t bytes = size_t(clip.width()) * 4;
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        uchar* dst = canvas_.scanLine(y) + size_t(clip.left()) * 4;
        if (f.disposal == gif::kDisposePrevious && !saved_.isNull())
            std::memcpy(dst, saved_.constScanLine(y - clip.top()), bytes);
        else
            std::memset(dst, 0, bytes);
    }
    saved_ = QImage();
}

void GifImage::drawFrame(int index, bool strict, Bitmap* indices) const
{
    const gif::FrameInfo& f = structure_.frames[size_t(index)];
    // The frame on the canvas: canvas coordinates are screen ones less box_'s corner.
    const int left = f.left - box_.left(), top = f.top - box_.top();
    const QRect clip = QRect(left, top, f.width, f.height) & canvas_.rect();
    saved_ = QImage();
    if (f.disposal == gif::kDisposePrevious && !clip.isEmpty())
        saved_ = pictureCopy(canvas_, clip);

    gif::Palette lut{};
    bool usedTransparent = false;
    uchar* bits = canvas_.bits();  // not shared here (see composeTo)
    const size_t stride = size_t(canvas_.bytesPerLine());
    const int x0 = clip.left(), x1 = clip.right() + 1;
    const int canvasHeight = canvas_.height();

    auto takePalette = [&](const gif::Palette& colours) {
        lut = colours;
        if (f.transparent >= 0 && f.transparent < 256)
            lut[size_t(f.transparent)] = 0;
        if (indices) {
            indices->palette().resize(256);
            for (size_t i = 0; i < 256; ++i)
                indices->palette()[i] = {uint8_t(colours[i]), uint8_t(colours[i] >> 8),
                                         uint8_t(colours[i] >> 16), 0};
        }
    };
    auto takeRow = [&](int y, const uint8_t* line) {
        const int cy = top + y;
        if (indices) {
            std::memcpy(indices->scanLine(f.top + y), line, size_t(f.width));
            if (f.transparent >= 0 && std::memchr(line, f.transparent, size_t(f.width)))
                usedTransparent = true;
        }
        if (cy < 0 || cy >= canvasHeight || x0 >= x1)
            return;
        auto* row = reinterpret_cast<uint32_t*>(bits + size_t(cy) * stride);
        const uint8_t* src = line + (x0 - left);
        for (int x = x0; x < x1; ++x) {
            const uint32_t c = lut[*src++];
            if (c >> 24)
                row[x] = c;
        }
    };
    const std::string error = gif::decodeFrame(reinterpret_cast<const uint8_t*>(data_.constData()),
                                               size_t(data_.size()), structure_, f, takePalette, takeRow);
    if (!error.empty() && strict)
        throw CodecError(error);
    if (indices && usedTransparent)
        *indices = Bitmap();
}

}  // namespace vx
