// Program entry: the application object, the main window, then the four
// dialogs (created hidden, living until the program ends).
#include "app/MainForm.h"
#include "app/ProgramDialogs.h"
#include "app/SessionEnd.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vextrel Viewer"));
    // No display name: the platform would append it to every dialog's caption.
    const QString programFolder = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    vx::SessionEnd sessionEnd;
    vx::TMainForm mainForm(programFolder, arguments);
    sessionEnd.setMainForm(&mainForm);
    vx::ProgramDialogs dialogs(&mainForm);
    if (mainForm.terminateRequested())
        return 1;
    mainForm.show();
    return QApplication::exec();
}
