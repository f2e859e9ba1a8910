#include "DesktopFixture.h"

#include "app/ProgramDialogs.h"
#include "desktop/DesktopWallpaper.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace desktoptest {

QString privateBusAddress;

void EnvironmentScope::set(const char* name, const QByteArray& value)
{
    saved_.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qputenv(name, value);
}

void EnvironmentScope::unset(const char* name)
{
    saved_.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qunsetenv(name);
}

EnvironmentScope::~EnvironmentScope()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
}

void DesktopTest::SetUp()
{
    QDir().mkpath(stubs());
    QDir().mkpath(cacheHome());
    env.set("PATH", QFile::encodeName(stubs()) + ':' + qgetenv("PATH"));
    env.set("XDG_CACHE_HOME", QFile::encodeName(cacheHome()));
    useDesktop("");
    vx::setDesktopToolTimeLimit(5000);
}

void DesktopTest::TearDown()
{
    waitForDesktop();
    MediaTest::TearDown();
}

void DesktopTest::useDesktop(const char* name)
{
    env.set("XDG_CURRENT_DESKTOP", name);
    env.unset("DESKTOP_SESSION");
    env.unset("DISPLAY");
    env.unset("WAYLAND_DISPLAY");
}

void DesktopTest::stubTool(const QString& name, const QString& body)
{
    const QString path = stubs() + QLatin1Char('/') + name;
    const QString log = stubs() + QStringLiteral("/calls.log");
    media::writeFile(path, (QStringLiteral("#!/bin/sh\n"
                                           "{ printf '%s' '") + name + QStringLiteral("'; for a in \"$@\"; do printf ' %s' \"$a\"; done; "
                                           "printf '\\n'; } >> '") + log + QStringLiteral("'\n") + body + QLatin1Char('\n'))
                               .toUtf8());
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QStringList DesktopTest::toolLog() const
{
    return QString::fromUtf8(media::readFile(stubs() + QStringLiteral("/calls.log")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void DesktopTest::clearToolLog()
{
    QFile::remove(stubs() + QStringLiteral("/calls.log"));
}

void DesktopTest::waitForDesktop()
{
    EXPECT_TRUE(QTest::qWaitFor([] { return vx::pendingDesktopJobs() == 0; }, 30000));
}

QString DesktopTest::pictureFile(const QString& name, int w, int h)
{
    return media::writeBmp(path(name), media::quarterPicture(w, h));
}

vx::MainForm& DesktopTest::startIn(const QString& programFolder, const QStringList& arguments)
{
    form = std::make_unique<vx::MainForm>(programFolder, arguments);
    dialogs = std::make_unique<vx::ProgramDialogs>(form.get());
    form->showMessage = [this](const QString& text) { messages << text; };
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The start file decodes on its own thread: tests look at it opened.
    form->settleOpen();
    return *form;
}

}  // namespace desktoptest
