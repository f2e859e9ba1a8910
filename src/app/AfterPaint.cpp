#include "app/AfterPaint.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace vx {

namespace {

// Watches the widget's paint events; runs the work once, then goes.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void()> work, int fallbackMs)
        : QObject(widget), widget_(widget), work_(std::move(work))
    {
        widget->installEventFilter(this);
        QTimer::singleShot(fallbackMs, this, [this] { run(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Seen before the widget paints: queued, the work follows the paint.
        if (watched == widget_ && event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(this, [this] { run(); }, Qt::QueuedConnection);
        return false;
    }

private:
    void run()
    {
        if (!work_)
            return;
        widget_->removeEventFilter(this);
        std::exchange(work_, nullptr)();
        deleteLater();
    }

    QWidget* const widget_;
    std::function<void()> work_;
};

}  // namespace

void runAfterNextPaint(QWidget* widget, std::function<void()> work, int fallbackMs)
{
    new PaintWatch(widget, std::move(work), fallbackMs);
}

}  // namespace vx
