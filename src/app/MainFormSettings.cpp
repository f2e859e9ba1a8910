// The main window's side of the settings dialog: showing it, and the
// changes its Apply makes to the running window.
#include "app/MainForm.h"
#include "app/MovieHost.h"

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
    setLabel(positionText(state_.nav.CurrentPath, state_.nav.CurrentIndex, state_.nav.count(), state_.currentFileNumberVisible), false);
}

void MainForm::setImageScale(int mode)
{
    state_.imageScale = mode;
}

void MainForm::setCurrentFileNumberVisible(bool visible)
{
    state_.currentFileNumberVisible = visible;
}

void MainForm::applyFlashScaleChoice(int flashScale)
{
    movie_->applyScaleChoice(flashScale, isMovieCurrent(), state_.nav.CurrentPath);
}

void MainForm::applyLanguageEverywhere(const QString& path)
{
    applyLanguage(path);
    applyDialogLanguages(path);
}

}  // namespace vx
