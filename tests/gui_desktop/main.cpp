// One application object for the whole program. A private session bus is
// started first where dbus-daemon is installed, so the file properties
// request never reaches the desktop of whoever runs the tests.
#include "DesktopFixture.h"

#include <QApplication>
#include <QProcess>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QProcess bus;
    bus.setProgram(QStringLiteral("dbus-daemon"));
    bus.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                      QStringLiteral("--print-address=1")});
    bus.start();
    if (bus.waitForStarted(5000) && bus.waitForReadyRead(5000)) {
        desktoptest::privateBusAddress = QString::fromLocal8Bit(bus.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", desktoptest::privateBusAddress.toLocal8Bit());
    } else {
        // No bus at all: the properties request finds nobody to answer.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vextrel-test-bus");
    }
    int result;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    bus.kill();
    bus.waitForFinished(2000);
    return result;
}
