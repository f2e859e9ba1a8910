#include "desktop/DesktopWallpaper.h"

#include "desktop/DesktopRoute.h"
#include "desktop/RootWindowPicture.h"
#include "platform/Registry.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMutex>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <atomic>

namespace vx {

QString wallpaperFolder(const QString& programFolder)
{
    QTemporaryFile probe(programFolder + QStringLiteral(".vx-write-XXXXXX"));
    if (probe.open())
        return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = data + QStringLiteral("/vextrel-viewer/");
    QDir().mkpath(folder);
    return folder;
}

bool SetDesktopWallpaper(const QString& path, int style)
{
    bool written = false;
    RegistryKey key;
    if (key.open(Hive::CurrentUser, kDesktopKeyPath, true)) {
        try {
            key.writeString(QStringLiteral("Wallpaper"), path);
            key.writeString(QStringLiteral("WallpaperStyle"), style == kStyleStretch ? QStringLiteral("2")
                                                                                    : QStringLiteral("0"));
            key.writeString(QStringLiteral("TileWallpaper"), style == kStyleTile ? QStringLiteral("1")
                                                                                : QStringLiteral("0"));
            written = true;
        } catch (const RegistryError&) {
        }
    }
    applyToRunningDesktop(path, style);
    return written;
}

namespace {

// Process-wide and never destroyed: a job may still run while the program ends.
std::atomic<int>& runningJobs()
{
    static auto* n = new std::atomic<int>(0);
    return *n;
}

std::atomic<int>& toolTimeLimit()
{
    static auto* ms = new std::atomic<int>(5000);
    return *ms;
}

// One job at a time, in the order they were started.
QMutex& jobLock()
{
    static auto* m = new QMutex;
    return *m;
}

struct ToolRun {
    bool ok = false;
    QByteArray output;
};

ToolRun runTool(const ToolCall& call)
{
    const QString exe = QStandardPaths::findExecutable(call.program);
    if (exe.isEmpty())
        return {};
    QProcess process;
    process.setProgram(exe);
    process.setArguments(call.arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    const int limit = toolTimeLimit().load();
    if (!process.waitForStarted(limit))
        return {};
    if (!process.waitForFinished(limit)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, process.readAllStandardOutput()};
}

bool runWithFallback(const ToolCall& call)
{
    if (runTool(call).ok)
        return true;
    for (const ToolCall& f : call.fallback)
        if (runWithFallback(f))
            return true;
    return false;
}

void applyJob(DesktopKind desktop, const QString& path, int style, const QStringList& monitors)
{
    QMutexLocker lock(&jobLock());
    std::vector<ToolCall> calls;
    if (desktop == DesktopKind::Xfce) {
        const ToolRun list = runTool({QStringLiteral("xfconf-query"),
                                      {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")},
                                      {}});
        calls = xfceCalls(QString::fromLocal8Bit(list.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts), path,
                          style, monitors);
    } else if (desktop == DesktopKind::BareX) {
        setRootWindowPicture(QImage(path), style);
    } else {
        calls = wallpaperCalls(desktop, path, style);
    }
    for (const ToolCall& call : calls)
        runWithFallback(call);
}

}  // namespace

void applyToRunningDesktop(const QString& path, int style)
{
    const DesktopKind desktop = detectDesktop(QProcessEnvironment::systemEnvironment());
    if (desktop == DesktopKind::None)
        return;
    QStringList monitors;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* s : QGuiApplication::screens())
            monitors << s->name();
    ++runningJobs();
    QThread* worker = QThread::create([desktop, path, style, monitors] {
        applyJob(desktop, path, style, monitors);
        --runningJobs();
    });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void setDesktopToolTimeLimit(int milliseconds)
{
    toolTimeLimit() = milliseconds;
}

int pendingDesktopJobs()
{
    return runningJobs().load();
}

}  // namespace vx
