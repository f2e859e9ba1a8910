#include "codecs/DisplayScale.h"

#include "codecs/DecodeCancel.h"
#include "codecs/RowResampler.h"

#include <algorithm>
#include <cstdint>

namespace vx {

namespace {

// Below this many source pixels Qt's scale takes a few milliseconds.
constexpr int64_t kBandedFrom = int64_t(4) << 20;
constexpr int kBandRows = 32;

}  // namespace

QImage scaleForDisplay(const QImage& image, QSize size)
{
    if (image.isNull() || size.isEmpty() || image.size() == size)
        return image;
    if (int64_t(image.width()) * image.height() >= kBandedFrom) {
        QImage shrunk = shrinkByArea(image, size);
        if (!shrunk.isNull())
            return shrunk;
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage shrinkByArea(const QImage& image, QSize size)
{
    const bool shrink = !size.isEmpty() && size.width() <= image.width() && size.height() <= image.height();
    const QImage::Format format = image.format();
    if (!shrink || image.hasAlphaChannel())
        return QImage();
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull())
        return QImage();
    RowResampler resampler(image.width(), image.height(), out);
    for (int y = 0; y < image.height(); y += kBandRows) {
        checkCancelled();
        const int rows = std::min(kBandRows, image.height() - y);
        if (format == QImage::Format_RGB32) {
            for (int r = 0; r < rows; ++r)
                resampler.addRow(image.constScanLine(y + r));
        } else if (format == QImage::Format_BGR888) {
            for (int r = 0; r < rows; ++r)
                resampler.addRow24(image.constScanLine(y + r));
        } else {
            const QImage band = image.copy(0, y, image.width(), rows).convertToFormat(QImage::Format_RGB32);
            for (int r = 0; r < rows; ++r)
                resampler.addRow(band.constScanLine(r));
        }
    }
    resampler.finish();
    return out;
}

}  // namespace vx
