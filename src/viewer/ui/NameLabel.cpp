#include "viewer/ui/NameLabel.h"

#include <QPainter>

namespace vx {

NameLabel::NameLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("CurrentFileNameLabel"));
}

QString NameLabel::shownText() const
{
    QString shown = text();
    shown.remove(QLatin1Char('\r'));
    return shown;
}

QSize NameLabel::sizeHint() const
{
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop,
                                               shownText());
    return r.size() + QSize(2, 2);
}

void NameLabel::paintEvent(QPaintEvent*)
{
    const Drawn now{shownText(), font(), palette().color(QPalette::WindowText), size(), devicePixelRatioF()};
    if (!(now == drawn_) || cache_.isNull()) {
        cache_ = QPixmap(now.size * now.ratio);
        cache_.setDevicePixelRatio(now.ratio);
        cache_.fill(Qt::transparent);
        QPainter text(&cache_);
        text.setFont(now.font);
        text.setPen(now.colour);
        text.drawText(QRect(QPoint(0, 0), now.size), Qt::AlignLeft | Qt::AlignTop, now.text);
        drawn_ = now;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, cache_);
}

}  // namespace vx
