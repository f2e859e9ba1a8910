// The one entry point of keys and the wheel. Keys are looked up in the key
// table (app/KeyTable.h): the keys of every window (Esc, Ctrl+C, Ctrl+Left,
// Ctrl+Right) are taken from every window of the viewer, dialogs included,
// before the focused widget sees them; the main window's keys from the
// window and all its children.
#pragma once

#include <QObject>
#include <QPointer>

namespace vx {

class MainForm;

class HotKeyFilter : public QObject {
    Q_OBJECT

public:
    explicit HotKeyFilter(MainForm* main);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whole wheel steps (120 units each) in the wheel movements so far; the
    // rest is kept for the next movement in the same direction.
    int wheelSteps(int delta);

    MainForm* main_;
    int wheelRest_ = 0;
};

}  // namespace vx
