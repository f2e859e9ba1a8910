#include "codecs/FrameAnimator.h"

#include <algorithm>

namespace vx {

FrameAnimator::FrameAnimator(std::shared_ptr<const Graphic> graphic)
{
    setGraphic(std::move(graphic));
}

void FrameAnimator::setGraphic(std::shared_ptr<const Graphic> graphic)
{
    graphic_ = std::move(graphic);
    restart();
}

void FrameAnimator::restart()
{
    index_ = 0;
    loops_ = 0;
    finished_ = false;
}

bool FrameAnimator::isRunning() const
{
    return graphic_ && graphic_->frameCount() > 1 && !finished_;
}

QImage FrameAnimator::currentImage() const
{
    if (!graphic_)
        return QImage();
    return graphic_->frameCount() > 1 ? graphic_->frameImage(index_) : graphic_->displayImage(QSize());
}

int FrameAnimator::currentDelayMs() const
{
    if (!isRunning())
        return -1;
    return std::max(0, graphic_->frameDelayMs(index_));
}

bool FrameAnimator::advance()
{
    if (!isRunning())
        return false;
    const int count = graphic_->frameCount();
    if (index_ + 1 < count) {
        ++index_;
        return true;
    }
    ++loops_;
    const int plays = graphic_->loopCount();
    if (plays > 0 && loops_ >= plays) {
        finished_ = true;
        return false;
    }
    index_ = 0;
    return true;
}

}  // namespace vx
