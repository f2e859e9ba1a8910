#include "viewer/ScaledFrames.h"

#include "viewer/PictureJob.h"

namespace vx {

void ScaledFrames::clear()
{
    graphic_ = nullptr;
    size_ = QSize();
    frames_.clear();
    bytes_ = 0;
    keep_ = false;
}

int ScaledFrames::heldFrames() const
{
    int n = 0;
    for (const QImage& f : frames_)
        n += f.isNull() ? 0 : 1;
    return n;
}

namespace {

// The frame in the format the screen takes with a plain copy: 32-bit RGB
// when every pixel is opaque, else premultiplied (what painting converts
// non-premultiplied pixels to on every draw).
QImage forPainting(QImage image)
{
    if (image.format() != QImage::Format_ARGB32)
        return image;
    bool opaque = true;
    for (int y = 0; y < image.height() && opaque; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb all = 0xff000000u;
        for (int x = 0; x < image.width(); ++x)
            all &= line[x];
        opaque = qAlpha(all) == 255;
    }
    return image.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QImage ScaledFrames::frame(const Graphic& graphic, int index, QSize size, QString* error) noexcept
{
    if (&graphic != graphic_ || size != size_) {
        clear();
        graphic_ = &graphic;
        size_ = size;
        const int count = graphic.frameCount();
        const size_t frameBytes = size_t(std::max(0, size.width())) * size_t(std::max(0, size.height())) * 4;
        keep_ = count > 0 && frameBytes > 0 && frameBytes <= budget_ / size_t(count);
        if (keep_)
            frames_.resize(size_t(count));
    }
    if (keep_ && index >= 0 && size_t(index) < frames_.size() && !frames_[size_t(index)].isNull())
        return frames_[size_t(index)];
    QImage image = forPainting(renderFrame(graphic, index, size, error));
    if (keep_ && !image.isNull() && index >= 0 && size_t(index) < frames_.size()) {
        frames_[size_t(index)] = image;
        bytes_ += size_t(image.sizeInBytes());
    }
    return image;
}

}  // namespace vx
