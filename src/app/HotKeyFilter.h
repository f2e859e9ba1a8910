// The four hot keys (Esc, Ctrl+C, Ctrl+Left, Ctrl+Right) and the wheel,
// taken from every window of the viewer, dialogs included, before the
// focused widget sees them.
#pragma once

#include <QObject>
#include <QPointer>

namespace vx {

class TMainForm;

class HotKeyFilter : public QObject {
    Q_OBJECT

public:
    explicit HotKeyFilter(TMainForm* main);

    // True for the four combinations (Ctrl means exactly Ctrl).
    static bool isHotKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whole wheel steps (120 units each) in the wheel movements so far; the
    // rest is kept for the next movement in the same direction.
    int wheelSteps(int delta);

    TMainForm* main_;
    int wheelRest_ = 0;
};

}  // namespace vx
