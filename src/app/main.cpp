// Program entry: the start picture's decode, the application object, the
// main window, then the four dialogs (created hidden, living until the
// program ends).
#include "app/MainForm.h"
#include "app/ProgramDialogs.h"
#include "app/SessionEnd.h"
#include "app/StartArgument.h"
#include "platform/FileName.h"
#include "viewer/StartDecode.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    // The arguments are taken as the file system's bytes: a name that is not
    // valid UTF-8 must reach the open path unchanged, as listed names do.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << vx::decodeFileName(QByteArray(argv[i]));
    // The start picture is decoded while the application and the window are
    // made; the window sizes it for the screen when it opens it.
    if (!arguments.isEmpty())
        arguments.first() = vx::resolveStartArgument(arguments.first());
    std::unique_ptr<vx::StartDecode> startDecode =
        arguments.isEmpty() ? nullptr : vx::StartDecode::begin(arguments.first());

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vextrel Viewer"));
    // No display name: the platform would append it to every dialog's caption.
    const QString programFolder = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');

    vx::SessionEnd sessionEnd;
    vx::MainForm mainForm(programFolder, arguments, nullptr, std::move(startDecode));
    sessionEnd.setMainForm(&mainForm);
    vx::ProgramDialogs dialogs(&mainForm);
    if (mainForm.terminateRequested())
        return 1;
    mainForm.show();
    return QApplication::exec();
}
