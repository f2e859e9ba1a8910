// Keys, hot keys and the file commands (rename, delete, copy).
#include "app/MainForm.h"

#include "i18n/LangStrings.h"
#include "i18n/LanguageTable.h"
#include "i18n/MainFormTexts.h"
#include "platform/ClipboardFiles.h"
#include "settings/ui/SettingsForm.h"
#include "viewer/ui/PictureControl.h"
#include "export/ui/ChangeQualityForm.h"
#include "viewer/ui/RenameFileForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

namespace vx {

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    FormKeyDown(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool swf = CurrentExtension() == QLatin1String("SWF");
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        FullScreenToggle();
        break;
    case Qt::Key_Space:
        if (!swf)
            NextFile();
        break;
    case Qt::Key_PageDown:
        NextFile();
        break;
    case Qt::Key_Backspace:
        if (!swf)
            PreviousFile();
        break;
    case Qt::Key_PageUp:
        PreviousFile();
        break;
    case Qt::Key_Home:
        FirstFile();
        break;
    case Qt::Key_End:
        LastFile();
        break;
    case Qt::Key_Up:
        scrollByLine(0, -1);
        break;
    case Qt::Key_Down:
        scrollByLine(0, 1);
        break;
    case Qt::Key_Left:
        scrollByLine(-1, 0);
        break;
    case Qt::Key_Right:
        scrollByLine(1, 0);
        break;
    case Qt::Key_F1:
        ShowSettingsDialog();
        break;
    case Qt::Key_F2:
        StopTitleEffect();
        if (RequireDisplayedFile())
            RenameCurrentFile();
        break;
    case Qt::Key_F4:
        StopTitleEffect();
        break;
    case Qt::Key_F12:
        if (swf)
            toggleFlashPanel();
        break;
    case Qt::Key_Asterisk:
        if (keypad)
            FitToggle();
        break;
    case Qt::Key_Plus:
        if (keypad)
            ZoomIn();
        break;
    case Qt::Key_Minus:
        if (keypad)
            ZoomOut();
        break;
    case Qt::Key_L:
        RotatePicture(90);
        break;
    case Qt::Key_R:
        RotatePicture(270);
        break;
    case Qt::Key_Delete:
        StopTitleEffect();
        if (RequireDisplayedFile())
            DeleteCurrentFile();
        break;
    default:
        break;
    }
}

bool TMainForm::handleHotKey(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers m = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_C && m == Qt::ControlModifier) {
        if (QFileInfo::exists(nav.CurrentPath))
            CopyCurrentFileToClipboard();
        return true;
    }
    if (key == Qt::Key_Escape && m == Qt::NoModifier) {
        // While a modal window is open, input goes to it alone: it counts as
        // the active window even where the platform is slow to report that,
        // so Esc never closes the main window behind an open question.
        QWidget* active = QApplication::activeModalWidget();
        if (!active)
            active = QApplication::activeWindow();
        if (active == this) {
            close();
        } else if (active && active == settingsForm_) {
            if (auto* d = qobject_cast<QDialog*>(active))
                d->reject();
            else
                active->close();
        } else if (active && active == infoForm_) {
            if (auto* d = qobject_cast<QDialog*>(active))
                d->reject();
            else
                active->close();
        } else if (active && active == renameForm_) {
            renameForm_->CancelButton->click();
        }
        return true;
    }
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && m == Qt::ControlModifier) {
        if (CurrentExtension() == QLatin1String("SWF"))
            rewindMovie(key == Qt::Key_Left ? -5 : 5);
        return true;
    }
    return false;
}

void TMainForm::applyDialogLanguages(const QString& path)
{
    // Settings, rename, JPEG options and information windows, in this order.
    const LanguageTable table(path);
    if (auto* settings = qobject_cast<TSettingsForm*>(settingsForm_.data()))
        settings->LangSettingsForm(path);
    if (renameForm_) {
        const QString s = QString::fromLatin1(lang::kRename);
        renameForm_->setTexts(table.text(s, 1), table.text(s, 2), table.text(s, 3), table.text(s, 4),
                              table.text(s, 5));
    }
    if (qualityForm_)
        qualityForm_->applyLanguage([&table](const QString& section, int key, const QString& defaultText) {
            return table.text(section, QString::number(key), defaultText);
        });
    if (infoForm_)
        infoForm_->setWindowTitle(table.text(QString::fromLatin1(lang::kInformation), 1));
}

void TMainForm::RenameCurrentFile()
{
    if (!renameForm_)
        return;
    renameForm_->FormShow(nav.CurrentPath);
    if (renameForm_->exec() != QDialog::Accepted)
        return;
    const QString newName = renameForm_->newName();
    const QString folder = folderOf(nav.CurrentPath);
    const QString target = folder + newName;
    // A rename never replaces another file and never moves the file to
    // another folder: then nothing is renamed and the view shows what the
    // new name holds.
    if (!newName.contains(QLatin1Char('/')) && !QFileInfo::exists(target))
        QFile::rename(nav.CurrentPath, target);
    nav.CurrentPath = target;
    nav.RebuildFolderList();
    OpenCurrentFile();
}

void TMainForm::DeleteCurrentFile()
{
    const QString text = lang::deleteQuestionText(nav.CurrentPath);
    bool confirmed;
    if (confirmDelete) {
        confirmed = confirmDelete(text);
    } else {
        confirmed = QMessageBox::question(this, windowTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
                                          QMessageBox::Ok) == QMessageBox::Ok;
    }
    if (!confirmed)
        return;
    QFile file(nav.CurrentPath);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    if (!file.remove()) {
        reportError(message(lang::CannotDeleteFile));
        return;
    }
    int index = nav.CurrentIndex;
    if (index >= 1 && index <= nav.count()) {
        nav.FolderFileList.removeAt(index - 1);
    } else {
        // The current file was not in the list: keep what still exists and
        // show the entry at the start of the list.
        QStringList kept;
        for (const QString& entry : std::as_const(nav.FolderFileList))
            if (QFileInfo::exists(entry))
                kept << entry;
        nav.FolderFileList = kept;
        index = 1;
    }
    const int n = nav.count();
    if (n == 0) {
        nav.CurrentIndex = 0;
        ShowLabelError(lang::folderErasedText());
        return;
    }
    nav.CurrentIndex = std::min(index, n);
    nav.CurrentPath = nav.FolderFileList[nav.CurrentIndex - 1];
    OpenCurrentFile();
}

void TMainForm::CopyCurrentFileToClipboard()
{
    // A file manager pastes only a full path (the argument may have been relative).
    QApplication::clipboard()->setMimeData(fileListMimeData(QFileInfo(nav.CurrentPath).absoluteFilePath()).release());
}

}  // namespace vx
