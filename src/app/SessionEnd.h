// The end of the desktop session: SIGTERM (logout, kill), SIGHUP (the
// terminal went away) and SIGINT are turned into a normal close of the main
// window on its own thread, so the shutdown steps (the window's bounds and
// view values written to the settings) run as for Esc, once.
#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;

namespace vx {

class MainForm;

class SessionEnd : public QObject {
    Q_OBJECT

public:
    // Installs the signal handlers for as long as the object lives; made
    // before the main window, so a signal during start-up waits for it.
    SessionEnd();
    void setMainForm(MainForm* mainForm) { mainForm_ = mainForm; }
    ~SessionEnd() override;

    // The number of the last signal that ended the program (0 = none).
    int signalNumber() const { return signal_; }

private:
    void onSignal();

    QPointer<MainForm> mainForm_;
    QSocketNotifier* notifier_ = nullptr;
    int signal_ = 0;
};

}  // namespace vx
