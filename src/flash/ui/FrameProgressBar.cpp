#include "flash/ui/FrameProgressBar.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace vx {

namespace {

// The bar's colours, given as 0x00BBGGRR values.
QColor fromColorRef(uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

const QColor kBorder = fromColorRef(1404727);
const QColor kBackFace = fromColorRef(13366748);
const QColor kBackGradient = Qt::white;
const QColor kForeFace = fromColorRef(13235675);
const QColor kForeGradient = fromColorRef(2670946);

}  // namespace

FrameProgressBar::FrameProgressBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProgressBarFrame"));
    setGeometry(64, 6, 457, 9);
}

void FrameProgressBar::setMax(int max)
{
    if (max < min_)
        return;
    max_ = max;
    update();
}

void FrameProgressBar::setPosition(int position)
{
    if (position < min_)
        return;
    position_ = position;
    update();
}

void FrameProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    QLinearGradient back(0, 0, 0, all.height());
    back.setColorAt(0, kBackGradient);
    back.setColorAt(1, kBackFace);
    p.fillRect(all, back);
    const int range = max_ - min_;
    const double fraction = range > 0 ? std::clamp(double(position_ - min_) / range, 0.0, 1.0) : 0.0;
    const int filled = int((all.width() - 2) * fraction);
    if (filled > 0) {
        QLinearGradient fore(0, 0, 0, all.height());
        fore.setColorAt(0, kForeFace);
        fore.setColorAt(1, kForeGradient);
        p.fillRect(QRect(1, 1, filled, all.height() - 2), fore);
    }
    p.setPen(kBorder);
    p.drawRect(all.adjusted(0, 0, -1, -1));
}

void FrameProgressBar::mousePressEvent(QMouseEvent* event)
{
    emit barMouseDown(int(event->position().x()));
}

void FrameProgressBar::mouseMoveEvent(QMouseEvent* event)
{
    emit barMouseMove(int(event->position().x()));
}

void FrameProgressBar::mouseReleaseEvent(QMouseEvent* event)
{
    emit barMouseUp(int(event->position().x()));
}

}  // namespace vx
