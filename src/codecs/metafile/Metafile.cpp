#include "codecs/metafile/Metafile.h"

#include "codecs/DecodeCancel.h"
#include "codecs/FileBytes.h"

#include <QPainter>
#include <cmath>

namespace vx {

namespace {

// A plain WMF's window is in unknown units; very large windows are shown
// at most this many pixels wide or high.
constexpr double kMaxPlainSide = 4096;

ByteReader bytesOf(const QByteArray& data)
{
    return ByteReader(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()),
                      "Metafile record is shorter than its contents");
}

QTransform rectToRect(const QRectF& from, const QRectF& to)
{
    const double kx = to.width() / from.width(), ky = to.height() / from.height();
    return QTransform(kx, 0, 0, ky, to.x() - from.x() * kx, to.y() - from.y() * ky);
}

}  // namespace

void Metafile::loadFromFile(const QString& path)
{
    load(readFileBytes(path, kMaxFileSize));
}

void Metafile::loadFromData(const uint8_t* data, size_t size)
{
    if (size > size_t(kMaxFileSize))
        throw CodecError("Metafile is too large");
    load(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
}

void Metafile::load(const QByteArray& data)
{
    Metafile next;
    next.read(data);
    *this = std::move(next);
}

void Metafile::read(const QByteArray& data)
{
    if (data.size() > kMaxFileSize)
        throw CodecError("Metafile is too large");
    const ByteReader bytes = bytesOf(data);
    if (bytes.has(0, 44) && bytes.u32le(0) == 1 && bytes.u32le(40) == 0x464D4520) {
        emf_ = meta::readEmfHeader(bytes);
        const QSize natural = emf_.naturalSize();
        checkPictureSize(natural.width(), natural.height());
        const QRectF device = emf_.deviceRect();
        if (!(device.width() > 0 && device.height() > 0))
            throw CodecError("Enhanced metafile has no picture area");
        enhanced_ = true;
        size_ = natural;
    } else {
        loadWmf(bytes);
        enhanced_ = false;
    }
    data_ = data;
}

void Metafile::loadWmf(const ByteReader& bytes)
{
    wmf_ = meta::readWmfHeader(bytes);
    int64_t w = 0, h = 0;
    if (wmf_.placeable) {
        const QRectF box = *wmf_.placeable;
        const double inch = wmf_.unitsPerInch ? wmf_.unitsPerInch : 1440;
        w = std::llround(std::fabs(box.width()) * 96 / inch);
        h = std::llround(std::fabs(box.height()) * 96 / inch);
        window_ = box;
    } else if (const auto window = meta::firstWmfWindow(bytes, wmf_)) {
        window_ = *window;
        double sw = std::fabs(window->width()), sh = std::fabs(window->height());
        const double scale = std::min(1.0, kMaxPlainSide / std::max(sw, sh));
        w = std::llround(sw * scale);
        h = std::llround(sh * scale);
    } else {
        // No window at all: measure what the records draw in MM_TEXT units.
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter painter(&probe);
        meta::Canvas::Setup setup;
        setup.outputRect = QRectF(0, 0, 1, 1);
        setup.windowToPicture = true;
        setup.trackOnly = true;
        meta::Canvas canvas(painter, setup);
        meta::playWmf(bytes, wmf_, QRectF(0, 0, 1, 1), QSizeF(1, 1), canvas);
        const QRectF drawn = canvas.trackedBounds();
        if (drawn.width() >= 1 && drawn.height() >= 1 && drawn.width() <= kMaxSide
            && drawn.height() <= kMaxSide) {
            window_ = drawn;
            w = std::llround(drawn.width());
            h = std::llround(drawn.height());
        } else {
            window_ = QRectF(0, 0, 32, 32);
            w = h = 32;
        }
    }
    checkPictureSize(w, h);
    size_ = QSize(int(w), int(h));
}

void Metafile::draw(QPainter& painter, const QRectF& rect) const
{
    if (data_.isEmpty() || rect.isEmpty() || !painter.isActive())
        return;
    const ByteReader bytes = bytesOf(data_);
    painter.save();
    try {
        meta::Canvas::Setup setup;
        setup.outputRect = rect;
        if (enhanced_) {
            setup.deviceToOutput = rectToRect(emf_.deviceRect(), rect);
            setup.pixelsPerMmX = emf_.pixelsPerMmX;
            setup.pixelsPerMmY = emf_.pixelsPerMmY;
            meta::Canvas canvas(painter, setup);
            meta::playEmf(bytes, emf_, canvas);
        } else {
            setup.deviceToOutput = rectToRect(QRectF(QPointF(0, 0), QSizeF(size_)), rect);
            setup.windowToPicture = true;
            meta::Canvas canvas(painter, setup);
            meta::playWmf(bytes, wmf_, window_, QSizeF(size_), canvas);
        }
    } catch (const DecodeCancelled&) {
        // Only a decode on the decoding thread is cancelled: it ends here.
        painter.restore();
        throw;
    } catch (const std::exception&) {
        // Whatever was drawn before the failure stays; drawing never throws.
    }
    painter.restore();
}

QImage Metafile::displayImage(QSize target) const
{
    if (size_.isEmpty())
        return QImage();
    if (target.isEmpty() || target.width() > kMaxSide || target.height() > kMaxSide
        || int64_t(target.width()) * target.height() > kMaxPixels)
        target = size_;
    if (!cache_.isNull() && cache_.size() == target)
        return cache_;
    cache_ = QImage();  // never hold two drawings at once
    QImage image = pictureImage(target, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        draw(painter, QRectF(QPointF(0, 0), QSizeF(target)));
    }
    cache_ = image;
    return image;
}

// The picture at its natural size (rotation, saving) is drawn straight
// into the bitmap's pixels: one picture's memory, counted against the
// pixel limit, which refuses a size beyond it with a clear error.
Bitmap Metafile::bitmap() const
{
    if (size_.isEmpty())
        return Bitmap();
    if (!cache_.isNull() && cache_.size() == size_)
        return Bitmap::fromImage(cache_);
    Bitmap bmp(size_.width(), size_.height(), 32, Bitmap::NoFill{});
    QImage view = bmp.toImage();
    view.fill(Qt::white);
    {
        QPainter painter(&view);
        draw(painter, QRectF(QPointF(0, 0), QSizeF(size_)));
    }
    return bmp;
}

}  // namespace vx
