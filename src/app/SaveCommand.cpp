#include "app/SaveCommand.h"

#include "app/MainForm.h"
#include "export/SaveAs.h"
#include "export/SaveToFileFunctions.h"
#include "export/ui/ChangeQualityForm.h"
#include "i18n/LangStrings.h"
#include "i18n/MainFormTexts.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ui/PictureControl.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vx {

SaveCommand::SaveCommand(MainForm& window) : QObject(&window), window_(window) {}

void SaveCommand::setQualityForm(ChangeQualityForm* form)
{
    qualityForm_ = form;
}

ChangeQualityForm* SaveCommand::qualityForm() const
{
    return qualityForm_;
}

void SaveCommand::typeChanged(int filterIndex)
{
    if (qualityForm_)
        qualityForm_->typeChanged(filterIndex, window_.workArea());
}

std::optional<SaveCommand::Choice> SaveCommand::runDialog(const SaveDialogSetup& setup)
{
    if (chooseFile)
        return chooseFile(setup);
    QFileDialog dialog(&window_);
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
        typeChanged(index);
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
        options->setParent(&window_, optionFlags);
    }
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Choice{dialog.selectedFiles().first(), int(setup.nameFilters.indexOf(dialog.selectedNameFilter())) + 1};
}

DisplayedPicture SaveCommand::displayedPicture() const
{
    const PictureControl* picture = window_.picture();
    if (const Graphic* g = picture->graphic())
        return displayedPictureOf(*g, window_.currentType());
    return DisplayedPicture(picture->pictureBitmap(), PictureKind::Bitmap);
}

void SaveCommand::run()
{
    window_.StopTitleEffect();
    if (!window_.RequireDisplayedFile())
        return;
    const QString current = window_.state().nav.CurrentPath;
    const SaveDialogSetup setup = saveDialogSetup(current);
    if (setup.kind != SaveDialogKind::None) {
        if (std::optional<Choice> choice = runDialog(setup)) {
            const QString target = saveTargetName(choice->fileName, setup.kind, choice->filterIndex);
            bool go = true;
            if (QFileInfo::exists(target)) {
                const QString question = overwriteQuestion(target, lang::messageOrDefault(lang::OverwriteQuestion));
                go = confirmOverwrite ? confirmOverwrite(question)
                                      : QMessageBox::question(&window_, window_.windowTitle(), question,
                                                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
            }
            if (go) {
                try {
                    // The target already carries its extension: saveAs adds nothing more.
                    if (saveAs(displayedPicture(), current, target, choice->filterIndex,
                               qualityForm_ ? qualityForm_->jpegOptions() : JpegOptions{},
                               lang::messageOrDefault(lang::ImageTooBigForHtml))
                        == SaveFormat::None)
                        window_.reportError(QStringLiteral("Nothing was written to \"%1\"").arg(target));
                } catch (const PictureTooBigError& e) {
                    window_.reportError(e.message());
                } catch (const std::exception& e) {
                    window_.reportError(QString::fromUtf8(e.what()));
                }
            }
        }
    }
    if (qualityForm_)
        qualityForm_->hide();
}

}  // namespace vx
