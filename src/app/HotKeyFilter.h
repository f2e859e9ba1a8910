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
    TMainForm* main_;
};

}  // namespace vx
