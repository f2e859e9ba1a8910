#include "app/SessionEnd.h"

#include "app/MainForm.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace vx {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int pipeEnds[2] = {-1, -1};
struct sigaction previous[std::size(kSignals)];

// Only async-signal-safe work here: the number goes down the socket.
extern "C" void onTerminationSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    if (pipeEnds[0] >= 0)
        (void)!::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

}  // namespace

SessionEnd::SessionEnd()
{
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::onSignal);
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kSignals[i], &action, &previous[i]);
    }
    // The session manager's quit and any other end of the event loop.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (mainForm_)
            mainForm_->close();
    });
}

SessionEnd::~SessionEnd()
{
    if (!notifier_)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void SessionEnd::onSignal()
{
    char byte = 0;
    while (::read(pipeEnds[1], &byte, 1) == 1)
        signal_ = static_cast<unsigned char>(byte);
    // Closing the main window runs the shutdown steps; leaving every event
    // loop also ends a modal dialog that was open.
    if (mainForm_)
        mainForm_->close();
    QCoreApplication::exit(0);
}

}  // namespace vx
