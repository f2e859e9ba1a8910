// The real main window in a fresh home, with stub desktop tools first on
// PATH that record their arguments, the session variables of a chosen
// desktop, and a browser cache home of its own.
#pragma once

#include "MediaFixture.h"

#include <QStringList>

namespace desktoptest {

// The private session bus main() started; empty when there is none.
extern QString privateBusAddress;

// Sets or removes environment variables for the lifetime of the object.
class EnvironmentScope {
public:
    void set(const char* name, const QByteArray& value);
    void unset(const char* name);
    ~EnvironmentScope();

private:
    QList<QPair<QByteArray, std::optional<QByteArray>>> saved_;
};

class DesktopTest : public media::MediaTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A stub tool on PATH: logs "name arg arg ..." to the tools' log, then
    // runs body (shell code; "$@" are its arguments).
    void stubTool(const QString& name, const QString& body = QString());
    // The logged calls, one line each.
    QStringList toolLog() const;
    void clearToolLog();
    // Waits until the desktop has been told (every tool ran or was stopped).
    void waitForDesktop();
    // The session of the given XDG_CURRENT_DESKTOP (no X display).
    void useDesktop(const char* name);

    // A picture file in the test's folder (BMP of quarterPicture).
    QString pictureFile(const QString& name, int w = 40, int h = 30);
    // The main window started on another program folder.
    vx::MainForm& startIn(const QString& programFolder, const QStringList& arguments);

    QString cacheHome() const { return home.path() + QStringLiteral("/cache"); }
    QString stubs() const { return home.path() + QStringLiteral("/stubs"); }

    EnvironmentScope env;
};

}  // namespace desktoptest
