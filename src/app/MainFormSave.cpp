// The save command: the save dialogs, the overwrite question, the JPEG
// options window beside the picture dialog, and the writer by extension.
#include "app/MainForm.h"

#include "export/SaveAs.h"
#include "export/SaveToFileFunctions.h"
#include "export/ui/ChangeQualityForm.h"
#include "i18n/LangStrings.h"
#include "skins/ui/SkinButton.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ui/PictureControl.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vx {

void MainForm::SaveDialog1TypeChange(int filterIndex)
{
    if (qualityForm_)
        qualityForm_->typeChanged(filterIndex, workArea());
}

std::optional<MainForm::SaveChoice> MainForm::runSaveDialog(const SaveDialogSetup& setup)
{
    if (chooseSaveFile)
        return chooseSaveFile(setup);
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The overwrite question is our own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDirectory(setup.folder);
    dialog.setNameFilters(setup.nameFilters);
    dialog.selectNameFilter(setup.nameFilters.value(setup.filterIndex - 1));
    dialog.setDefaultSuffix(setup.defaultExtension);
    dialog.selectFile(setup.proposedName);
    const bool picture = setup.kind == SaveDialogKind::Picture;
    connect(&dialog, &QFileDialog::filterSelected, this, [&](const QString& filter) {
        const int index = int(setup.nameFilters.indexOf(filter)) + 1;
        if (!picture || index < 1)
            return;
        dialog.setDefaultSuffix(vx::SaveDialog1TypeChange(index).defaultExtension);
        SaveDialog1TypeChange(index);
    });
    // The options window belongs to the dialog while it runs: a modal
    // dialog blocks every window but its own, so beside it the options
    // window takes clicks and keys. It goes back to the main window after.
    QPointer<ChangeQualityForm> options = qualityForm_;
    const Qt::WindowFlags optionFlags = options ? options->windowFlags() : Qt::WindowFlags();
    if (options)
        options->setParent(&dialog, optionFlags);
    const int result = dialog.exec();
    if (options) {
        options->hide();
        options->setParent(this, optionFlags);
    }
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SaveChoice{dialog.selectedFiles().first(),
                      int(setup.nameFilters.indexOf(dialog.selectedNameFilter())) + 1};
}

DisplayedPicture MainForm::displayedPicture() const
{
    if (const Graphic* g = picture_->graphic())
        return displayedPictureOf(*g, findSupportedType(CurrentExtension()));
    return DisplayedPicture(picture_->pictureBitmap(), PictureKind::Bitmap);
}

void MainForm::btnSaveClick()
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    const SaveDialogSetup setup = saveDialogSetup(nav.CurrentPath);
    if (setup.kind != SaveDialogKind::None) {
        if (std::optional<SaveChoice> choice = runSaveDialog(setup)) {
            const QString target = saveTargetName(choice->fileName, setup.kind, choice->filterIndex);
            bool go = true;
            if (QFileInfo::exists(target)) {
                const QString question = overwriteQuestion(target, message(lang::OverwriteQuestion));
                go = confirmOverwrite ? confirmOverwrite(question)
                                      : QMessageBox::question(this, windowTitle(), question,
                                                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
            }
            if (go) {
                try {
                    // The target already carries its extension: saveAs adds nothing more.
                    if (saveAs(displayedPicture(), nav.CurrentPath, target, choice->filterIndex,
                               qualityForm_ ? qualityForm_->jpegOptions() : JpegOptions{},
                               message(lang::ImageTooBigForHtml))
                        == SaveFormat::None)
                        reportError(QStringLiteral("Nothing was written to \"%1\"").arg(target));
                } catch (const PictureTooBigError& e) {
                    reportError(e.message());
                } catch (const std::exception& e) {
                    reportError(QString::fromUtf8(e.what()));
                }
            }
        }
    }
    if (qualityForm_)
        qualityForm_->hide();
}

}  // namespace vx

namespace vx {

ChangeQualityForm* MainForm::qualityForm() const
{
    return qualityForm_;
}

}  // namespace vx
