// ProgressBarFrame: the transport's frame bar. Integer Min, Max and
// Position (a position below Min or a maximum below Min is ignored), drawn
// as a green gradient bar, and mouse events with x in the bar's own pixels.
#pragma once

#include <QWidget>

namespace vx {

class FrameProgressBar : public QWidget {
    Q_OBJECT

public:
    explicit FrameProgressBar(QWidget* parent = nullptr);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void setMax(int max);
    void setPosition(int position);

signals:
    void barMouseDown(int x);
    void barMouseMove(int x);
    void barMouseUp(int x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

}  // namespace vx
