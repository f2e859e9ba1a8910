#include "viewer/ui/PictureControl.h"

#include "viewer/PictureJob.h"

#include <QMouseEvent>
#include <QPainter>

namespace vx {

PictureControl::PictureControl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("OpeningImage"));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PictureControl::nextFrame);
}

void PictureControl::setGraphic(std::shared_ptr<Graphic> graphic, const QImage& display)
{
    timer_.stop();
    still_ = Bitmap();
    graphic_ = std::move(graphic);
    animator_.setGraphic(graphic_ && graphic_->frameCount() > 1 ? graphic_ : nullptr);
    if (animator_.isRunning() && animator_.currentDelayMs() >= 0)
        timer_.start(animator_.currentDelayMs());
    invalidate();
    if (graphic_ && !display.isNull()) {
        scaled_ = display;
        scaledFor_ = display.size();
        scaledFrame_ = 0;
    }
}

void PictureControl::setStill(const Bitmap& bitmap)
{
    timer_.stop();
    animator_.setGraphic(nullptr);
    graphic_.reset();
    still_ = bitmap;
    invalidate();
}

void PictureControl::clearPicture()
{
    timer_.stop();
    animator_.setGraphic(nullptr);
    graphic_.reset();
    still_ = Bitmap();
    invalidate();
}

QSize PictureControl::pictureSize() const
{
    if (graphic_)
        return QSize(graphic_->width(), graphic_->height());
    return QSize(still_.width(), still_.height());
}

Bitmap PictureControl::pictureBitmap() const
{
    if (graphic_)
        return graphic_->bitmap();
    return still_;
}

Bitmap PictureControl::currentFrameBitmap24() const
{
    if (animator_.graphic())
        return Bitmap::fromImage(animator_.currentImage().convertToFormat(QImage::Format_BGR888)).converted24();
    return pictureBitmap().converted24();
}

void PictureControl::setStretch(bool on)
{
    stretch_ = on;
    update();
}

void PictureControl::setCentre(bool on)
{
    centre_ = on;
    update();
}

void PictureControl::setProportional(bool on)
{
    proportional_ = on;
    update();
}

QRect PictureControl::pictureRect() const
{
    const QSize natural = pictureSize();
    if (natural.isEmpty())
        return QRect();
    QSize size = natural;
    if (stretch_) {
        size = QSize(width(), height());
        if (proportional_)
            size = natural.scaled(size, Qt::KeepAspectRatio);
    } else if (proportional_ && (natural.width() > width() || natural.height() > height())) {
        size = natural.scaled(QSize(width(), height()), Qt::KeepAspectRatio);
    }
    QPoint at(0, 0);
    if (centre_)
        at = QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    return QRect(at, size);
}

void PictureControl::invalidate()
{
    scaled_ = QImage();
    scaledFor_ = QSize();
    scaledFrame_ = -1;
    frames_.clear();
    update();
}

void PictureControl::fail(const QString& error)
{
    clearPicture();
    QMetaObject::invokeMethod(this, [this, error] { emit pictureFailed(error); }, Qt::QueuedConnection);
}

QImage PictureControl::drawnImage(QSize size)
{
    QString error;
    QImage image;
    if (animator_.graphic()) {
        image = frames_.frame(*graphic_, animator_.currentIndex(), size, &error);
    } else if (graphic_) {
        image = renderPicture(*graphic_, size, &error);
    } else {
        image = still_.toImage();
        if (!image.isNull() && image.size() != size)
            image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (!error.isEmpty()) {
        fail(error);
        return QImage();
    }
    return image;
}

void PictureControl::paintEvent(QPaintEvent*)
{
    const QRect target = pictureRect();
    if (target.isEmpty())
        return;
    const int frame = animator_.graphic() ? animator_.currentIndex() : 0;
    if (scaledFor_ != target.size() || scaledFrame_ != frame || scaled_.isNull()) {
        scaled_ = drawnImage(target.size());
        scaledFor_ = target.size();
        scaledFrame_ = frame;
        if (scaled_.isNull())
            return;
    }
    QPainter painter(this);
    painter.drawImage(target.topLeft(), scaled_);
}

void PictureControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    emit doubleClicked();
}

void PictureControl::nextFrame()
{
    if (!animator_.advance())
        return;
    scaledFrame_ = -1;
    update();
    const int delay = animator_.currentDelayMs();
    if (delay >= 0)
        timer_.start(delay);
}

}  // namespace vx
