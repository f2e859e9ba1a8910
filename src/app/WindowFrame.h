// The frame of the borderless main window: moving it by its top bar,
// sizing it by its border (by hand where the platform offers no sizing of
// its own), snapping to the work area's edges, maximize and full screen.
// It owns the window's geometry state; the window lays out its bars.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;
class QMouseEvent;
class QEvent;

namespace vx {

// The work-area snapping rule of a window being moved: within 15 pixels of an edge it lands on it.
QPoint snapToWorkArea(QPoint position, QSize size, const QRect& workArea);

class WindowFrame {
public:
    // Width of the sizing border around the window (none in full-screen mode).
    static constexpr int kBorder = 3;

    explicit WindowFrame(QWidget& window) : window_(window) {}

    bool fullScreen() const { return fullScreen_; }
    int border() const { return fullScreen_ ? 0 : kBorder; }
    QRect workArea() const;

    // After the window moved: snaps it to the work area's edges.
    void moved();
    // Mouse events of the window itself; true when the frame took them.
    bool mousePress(QMouseEvent* event);
    bool mouseMove(QMouseEvent* event);
    bool mouseRelease();
    // Events of the top bar's picture: any button moves the window, a
    // double click maximizes. True when taken.
    bool topBarEvent(QWidget* bar, QEvent* event, bool& doubleClicked);

    // Maximize: the work area, or back to the bounds before it.
    void toggleMaximized();
    // Full screen: the whole primary screen, on top, or back. The window
    // shows its bars and scroll bars as the mode asks.
    void toggleFullScreen();

private:
    void resizeByHand(QPoint globalPos);

    QWidget& window_;
    bool fullScreen_ = false;
    QRect normalBounds_;
    bool normalBoundsSet_ = false;
    QRect fullScreenReturn_;
    bool snapping_ = false;
    bool movingByHand_ = false;
    QPoint moveOffset_;
    // Sizing by hand where the platform has no frame sizing of its own.
    Qt::Edges resizeEdges_;
    QRect resizeStart_;
    QPoint resizePress_;
};

}  // namespace vx
