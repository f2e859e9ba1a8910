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
    QImage image = renderFrame(graphic, index, size, error);
    if (keep_ && !image.isNull() && index >= 0 && size_t(index) < frames_.size()) {
        frames_[size_t(index)] = image;
        bytes_ += size_t(image.sizeInBytes());
    }
    return image;
}

}  // namespace vx
