#include "settings/ui/LinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace vx {

LinkLabel::LinkLabel(const QString& text, const QString& target, QWidget* parent)
    : QLabel(text, parent), target_(target)
{
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setTextColor(QColor(0, 0, 255));
    adjustSize();
}

std::function<void(const QString&)>& LinkLabel::opener()
{
    static std::function<void(const QString&)> open = [](const QString& target) {
        QDesktopServices::openUrl(QUrl(target));
    };
    return open;
}

void LinkLabel::setTextColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    setTextColor(QColor(0, 255, 0));
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    setTextColor(QColor(0, 0, 255));
    event->accept();
    if (rect().contains(event->position().toPoint()) && opener())
        opener()(target_);
}

}  // namespace vx
