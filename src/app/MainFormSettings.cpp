// The main window's side of the settings dialog: showing it, and the
// changes its Apply makes to the running window.
#include "app/MainForm.h"

#include "flash/ui/ShockwaveFlash.h"
#include "i18n/MainFormTexts.h"
#include "i18n/SetLanguageModule.h"
#include "skins/ui/SkinButton.h"

#include <QDialog>
#include <QLabel>

namespace vx {

void MainForm::ShowSettingsDialog()
{
    if (auto* dialog = qobject_cast<QDialog*>(settingsForm_.data()))
        dialog->exec();
}

void MainForm::refreshPositionText()
{
    setLabel(positionText(nav.CurrentPath, nav.CurrentIndex, nav.count(), CurrentFileNumberVisible), false);
}

void MainForm::applyFlashScaleChoice(int flashScale)
{
    if (flashScale < 1 || flashScale > 5)
        return;
    ResizeWindowToMovie = flashScale == 5;
    applyFlashSettings(std::min(flashScale - 1, 3), std::nullopt);
    if (ResizeWindowToMovie && CurrentExtension() == QLatin1String("SWF") && !FullScreen)
        resizeWindowToMovie(nav.CurrentPath);
}

void MainForm::applyLanguageEverywhere(const QString& path)
{
    applyLanguage(path);
    applyDialogLanguages(path);
}

}  // namespace vx
