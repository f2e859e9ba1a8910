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
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, shownText());
}

}  // namespace vx
