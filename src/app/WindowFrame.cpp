#include "app/WindowFrame.h"

#include "settings/ViewerSettings.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vx {

namespace {

constexpr int kSnapDistance = 15;

}  // namespace

QPoint snapToWorkArea(QPoint position, QSize size, const QRect& workArea)
{
    const int left = workArea.left(), top = workArea.top();
    const int right = workArea.x() + workArea.width(), bottom = workArea.y() + workArea.height();
    int x = position.x(), y = position.y();
    if (x != right - size.width() && std::abs(left - x) <= kSnapDistance)
        x = left;
    if (x != left && std::abs((right - size.width()) - x) <= kSnapDistance)
        x = right - size.width();
    if (y != bottom - size.height() && std::abs(top - y) <= kSnapDistance)
        y = top;
    if (y != top && std::abs((bottom - size.height()) - y) <= kSnapDistance)
        y = bottom - size.height();
    return QPoint(x, y);
}

QRect WindowFrame::workArea() const
{
    QScreen* s = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void WindowFrame::moved()
{
    if (snapping_ || fullScreen_ || !window_.isVisible())
        return;
    const QPoint snapped = snapToWorkArea(window_.pos(), window_.frameGeometry().size(), workArea());
    if (snapped != window_.pos()) {
        snapping_ = true;
        window_.move(snapped);
        snapping_ = false;
    }
}

bool WindowFrame::mousePress(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && !window_.isActiveWindow()) {
        // A right click does not activate the window.
        event->accept();
        return true;
    }
    if (fullScreen_ || event->button() != Qt::LeftButton)
        return false;
    const QPoint p = event->position().toPoint();
    Qt::Edges edges;
    if (p.x() < kBorder)
        edges |= Qt::LeftEdge;
    if (p.x() >= window_.width() - kBorder)
        edges |= Qt::RightEdge;
    if (p.y() < kBorder)
        edges |= Qt::TopEdge;
    if (p.y() >= window_.height() - kBorder)
        edges |= Qt::BottomEdge;
    if (!edges)
        return false;
    if (window_.windowHandle() && window_.windowHandle()->startSystemResize(edges))
        return true;
    // No system sizing (no window manager that offers it): follow the
    // mouse ourselves until the button is released.
    resizeEdges_ = edges;
    resizeStart_ = window_.geometry();
    resizePress_ = event->globalPosition().toPoint();
    window_.grabMouse();
    return true;
}

void WindowFrame::resizeByHand(QPoint globalPos)
{
    const QPoint d = globalPos - resizePress_;
    const QSize least = window_.minimumSize();
    QRect r = resizeStart_;
    // A dragged edge stops where the window would become smaller than allowed.
    if (resizeEdges_ & Qt::LeftEdge)
        r.setLeft(std::min(r.left() + d.x(), r.right() + 1 - least.width()));
    if (resizeEdges_ & Qt::RightEdge)
        r.setRight(std::max(r.right() + d.x(), r.left() + least.width() - 1));
    if (resizeEdges_ & Qt::TopEdge)
        r.setTop(std::min(r.top() + d.y(), r.bottom() + 1 - least.height()));
    if (resizeEdges_ & Qt::BottomEdge)
        r.setBottom(std::max(r.bottom() + d.y(), r.top() + least.height() - 1));
    window_.setGeometry(r);
}

bool WindowFrame::mouseMove(QMouseEvent* event)
{
    if (movingByHand_) {
        window_.move(event->globalPosition().toPoint() - moveOffset_);
        return true;
    }
    if (resizeEdges_) {
        resizeByHand(event->globalPosition().toPoint());
        return true;
    }
    // The cursor tells where the border sizes the window.
    const QPoint p = event->position().toPoint();
    const bool h = p.x() < kBorder || p.x() >= window_.width() - kBorder;
    const bool v = p.y() < kBorder || p.y() >= window_.height() - kBorder;
    if (fullScreen_ || (!h && !v))
        window_.unsetCursor();
    else if (h && v)
        window_.setCursor((p.x() < kBorder) == (p.y() < kBorder) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    else
        window_.setCursor(h ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    return false;
}

bool WindowFrame::mouseRelease()
{
    movingByHand_ = false;
    if (!resizeEdges_)
        return false;
    resizeEdges_ = {};
    window_.releaseMouse();
    return true;
}

bool WindowFrame::topBarEvent(QWidget* bar, QEvent* event, bool& doubleClicked)
{
    doubleClicked = false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        // Any button moves the window, as if its title bar were grabbed.
        auto* me = static_cast<QMouseEvent*>(event);
        if (!fullScreen_ && !(window_.windowHandle() && window_.windowHandle()->startSystemMove())) {
            movingByHand_ = true;
            moveOffset_ = me->globalPosition().toPoint() - window_.pos();
            bar->grabMouse();
        }
        return true;
    }
    case QEvent::MouseMove:
        if (!movingByHand_)
            return false;
        window_.move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - moveOffset_);
        return true;
    case QEvent::MouseButtonRelease:
        if (!movingByHand_)
            return false;
        movingByHand_ = false;
        bar->releaseMouse();
        return true;
    case QEvent::MouseButtonDblClick:
        doubleClicked = true;
        return true;
    default:
        return false;
    }
}

void WindowFrame::toggleMaximized()
{
    const QRect area = workArea();
    if (window_.geometry() == area) {
        window_.setGeometry(normalBoundsSet_ ? normalBounds_ : defaultWindowBounds(area));
    } else {
        normalBounds_ = window_.geometry();
        normalBoundsSet_ = true;
        window_.setGeometry(area);
    }
}

void WindowFrame::toggleFullScreen()
{
    if (fullScreen_) {
        window_.setWindowFlag(Qt::WindowStaysOnTopHint, false);
        window_.setGeometry(fullScreenReturn_);
    } else {
        fullScreenReturn_ = window_.geometry();
        window_.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        QScreen* primary = QGuiApplication::primaryScreen();
        window_.setGeometry(primary ? primary->geometry() : QRect(0, 0, 1024, 768));
    }
    fullScreen_ = !fullScreen_;
}

}  // namespace vx
