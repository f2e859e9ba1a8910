// The built program as a process: the end of a session (SIGTERM) and a
// settings folder that cannot be made.
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <csignal>

namespace {

const QString kProgram = QStringLiteral(VX_BUILD_DIR "/vextrel-viewer");

struct ProgramRun {
    QByteArray settings;  // the machine hive after the run
    QByteArray errors;    // stderr
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
};

// Starts the program on a picture, waits until it has come up (ready says
// so from what it wrote), ends it with SIGTERM and collects what it left.
ProgramRun runAndTerminate(const TempHome& home, const std::function<bool(const QProcess&, const QByteArray&)>& ready)
{
    QTemporaryDir pictures;
    const QString picture = pictures.path() + QStringLiteral("/p.jpg");
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(picture, "JPEG");

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.configDir());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.path() + QStringLiteral("/cache"));
    process.setProcessEnvironment(env);
    process.setReadChannel(QProcess::StandardError);
    process.start(kProgram, {picture});
    ProgramRun run;
    if (!process.waitForStarted())
        return run;
    const QString hive = home.configDir() + QStringLiteral("/vextrel-viewer/local_machine.reg");
    QByteArray errors;
    auto settings = [&] {
        QFile f(hive);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // Up once the start-up has written its values (or said why it could not).
    bool up = false;
    for (int i = 0; i < 600 && !up && process.state() == QProcess::Running; ++i) {
        process.waitForReadyRead(50);
        errors += process.readAllStandardError();
        up = ready(process, settings() + errors);
    }
    EXPECT_TRUE(up) << errors.constData();
    QTest::qWait(300);  // into the event loop
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    run.errors = errors + process.readAllStandardError();
    run.settings = settings();
    run.exitCode = process.exitCode();
    run.status = process.exitStatus();
    return run;
}

TEST(ProcessTest, SigtermRunsTheShutdownStepsOnce)
{
    TempHome home;
    const ProgramRun run = runAndTerminate(home, [](const QProcess&, const QByteArray& seen) {
        return seen.contains("\"Language\"");
    });
    EXPECT_EQ(run.status, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.settings.count("\"FormWidth\""), 1) << run.settings.constData();
    EXPECT_TRUE(run.settings.contains("\"FullScreen\"=dword:00000000"));
}

TEST(ProcessTest, ASettingsFolderThatCannotBeMadeStopsNothing)
{
    TempHome home;
    QFile blocker(home.configDir() + QStringLiteral("/vextrel-viewer"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const ProgramRun run = runAndTerminate(home, [](const QProcess&, const QByteArray& seen) {
        return seen.contains("running without stored settings");
    });
    EXPECT_EQ(run.status, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors.count("running without stored settings"), 1) << run.errors.constData();
    EXPECT_TRUE(run.errors.contains("is not a folder"));
    EXPECT_FALSE(run.errors.contains("flash.ocx"));
}

}  // namespace
