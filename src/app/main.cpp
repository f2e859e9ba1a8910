// Program entry: the start picture's decode, the application object, the
// main window, then, once it is painted, the four dialogs (created hidden,
// living until the program ends).
#include "app/AfterPaint.h"
#include "app/FontConfigWarmUp.h"
#include "app/MainForm.h"
#include "app/ProgramDialogs.h"
#include "app/SessionEnd.h"
#include "app/StartArgument.h"
#include "app/WindowFrame.h"
#include "platform/FileName.h"
#include "settings/ViewerSettings.h"
#include "viewer/StartDecode.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    // The start picture is decoded while the application and the window are
    // made (for the largest size the stored window and scaling mode allow);
    // the window sizes it for the screen when it opens it. argv[1] is
    // read before the application takes its own options out of argv: when
    // it was one of those, the window opens another file and decodes it
    // itself, and the decode begun here is stopped unused.
    vx::StartView view = vx::readStartView();
    // The picture lies inside the window's sizing border.
    if (!view.window.isEmpty())
        view.window -= QSize(2 * vx::WindowFrame::kBorder, 2 * vx::WindowFrame::kBorder);
    std::unique_ptr<vx::StartDecode> startDecode =
        argc > 1 ? vx::StartDecode::begin(vx::resolveStartArgument(vx::decodeFileName(QByteArray(argv[1]))), view)
                 : nullptr;

    vx::FontConfigWarmUp fonts;
    QApplication app(argc, argv);
    fonts.wait();
    QApplication::setApplicationName(QStringLiteral("Vextrel Viewer"));
    // No display name: the platform would append it to every dialog's caption.
    const QString programFolder = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    // The arguments are taken as the file system's bytes: a name that is not
    // valid UTF-8 must reach the open path unchanged, as listed names do.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << vx::decodeFileName(QByteArray(argv[i]));

    vx::SessionEnd sessionEnd;
    vx::MainForm mainForm(programFolder, arguments, nullptr, std::move(startDecode));
    sessionEnd.setMainForm(&mainForm);
    if (mainForm.terminateRequested())
        return 1;
    // Made hidden once the window is on the screen, so they don't hold up
    // its first picture; destroyed before the window.
    std::unique_ptr<vx::ProgramDialogs> dialogs;
    vx::runAfterNextPaint(&mainForm, [&] { dialogs = std::make_unique<vx::ProgramDialogs>(&mainForm); }, 1000);
    mainForm.show();
    return QApplication::exec();
}
