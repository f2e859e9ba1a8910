// Keys, hot keys and the file commands (rename, delete, copy).
#include "app/MainForm.h"
#include "app/MovieHost.h"
#include "app/SaveCommand.h"
#include "platform/FileName.h"

#include "app/KeyTable.h"

#include "i18n/LangStrings.h"
#include "i18n/LanguageTable.h"
#include "i18n/MainFormTexts.h"
#include "platform/ClipboardFiles.h"
#include "settings/ui/SettingsForm.h"
#include "viewer/FileTrash.h"
#include "viewer/ui/PictureControl.h"
#include "desktop/ui/InfoForm.h"
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

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vx {
namespace {

// Renames in place without ever replacing a file; the system's reason when it refuses.
QString renameFile(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if ((errno == EINVAL || errno == ENOSYS) && !QFileInfo::exists(to) && ::rename(source.constData(), target.constData()) == 0)
        return {};  // a file system without the no-replace rename
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

void MainForm::keyPressEvent(QKeyEvent* event)
{
    FormKeyDown(layoutIndependentKey(*event), event->modifiers());
    QWidget::keyPressEvent(event);
}

void MainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const KeyBinding* binding = findKeyBinding(key, modifiers);
    if (binding && binding->windows == KeyWindows::Main)
        runKeyCommand(*binding, this);
}

void MainForm::runKeyCommand(const KeyBinding& binding, QWidget* window)
{
    const bool movie = isMovieCurrent();
    if ((binding.files == KeyFiles::Picture && movie) || (binding.files == KeyFiles::Movie && !movie))
        return;
    switch (binding.command) {
    case KeyCommand::Close: closeOnEscape(window); break;
    case KeyCommand::CopyFile:
        if (fileExists(state_.nav.CurrentPath))
            CopyCurrentFileToClipboard();
        break;
    case KeyCommand::RewindBack: movie_->rewind(-5); break;
    case KeyCommand::RewindForward: movie_->rewind(5); break;
    case KeyCommand::FullScreenToggle: FullScreenToggle(); break;
    case KeyCommand::NextFile: NextFile(); break;
    case KeyCommand::PreviousFile: PreviousFile(); break;
    case KeyCommand::FirstFile: FirstFile(); break;
    case KeyCommand::LastFile: LastFile(); break;
    case KeyCommand::ScrollUp: scrollByLine(0, -1); break;
    case KeyCommand::ScrollDown: scrollByLine(0, 1); break;
    case KeyCommand::ScrollLeft: scrollByLine(-1, 0); break;
    case KeyCommand::ScrollRight: scrollByLine(1, 0); break;
    case KeyCommand::ShowSettings: ShowSettingsDialog(); break;
    case KeyCommand::Rename:
        StopTitleEffect();
        if (RequireDisplayedFile())
            RenameCurrentFile();
        break;
    case KeyCommand::ShowBrowserCache: ViewBrowserCache(); break;
    case KeyCommand::ToggleFlashPanel: movie_->togglePanel(); break;
    case KeyCommand::FitToggle: FitToggle(); break;
    case KeyCommand::ZoomIn: ZoomIn(); break;
    case KeyCommand::ZoomOut: ZoomOut(); break;
    case KeyCommand::Rotate90: RotatePicture(90); break;
    case KeyCommand::Rotate270: RotatePicture(270); break;
    case KeyCommand::Delete:
        StopTitleEffect();
        if (RequireDisplayedFile())
            DeleteCurrentFile();
        break;
    }
}

void MainForm::closeOnEscape(QWidget* window)
{
    // The window the key was pressed in decides, not the window Qt thinks
    // active (none for a while after a full-screen switch re-creates the
    // main window). While a modal window is open, input goes to it alone:
    // Esc never closes the main window behind an open question.
    QWidget* target = QApplication::activeModalWidget();
    if (!target)
        target = window;
    if (target == this) {
        close();
    } else if (target && (target == settingsForm_ || target == infoForm_)) {
        if (auto* d = qobject_cast<QDialog*>(target))
            d->reject();
        else
            target->close();
    } else if (target && target == renameForm_) {
        renameForm_->CancelButton->click();
    } else if (target && target->objectName() == QLatin1String("ErrorBox")) {
        // The general error display.
        if (auto* d = qobject_cast<QDialog*>(target))
            d->reject();
    }
}

void MainForm::applyDialogLanguages(const QString& path)
{
    // Settings, rename, JPEG options and information windows, in this order.
    const LanguageTable table(path);
    if (auto* settings = qobject_cast<SettingsForm*>(settingsForm_.data()))
        settings->LangSettingsForm(path);
    if (renameForm_) {
        const QString s = QString::fromLatin1(lang::kRename);
        renameForm_->setTexts(table.text(s, 1), table.text(s, 2), table.text(s, 3), table.text(s, 4),
                              table.text(s, 5));
    }
    if (ChangeQualityForm* quality = save_->qualityForm())
        quality->applyLanguage([&table](const QString& section, int key, const QString& defaultText) {
            return table.text(section, QString::number(key), defaultText);
        });
    if (auto* info = qobject_cast<InfoForm*>(infoForm_.data()))
        info->applyLanguage(table);
}

void MainForm::RenameCurrentFile()
{
    if (!renameForm_)
        return;
    renameForm_->FormShow(state_.nav.CurrentPath);
    if (renameForm_->exec() != QDialog::Accepted)
        return;
    const QString newName = renameForm_->newName();
    const QString folder = folderOf(state_.nav.CurrentPath);
    const QString target = folder + newName;
    // A rename never replaces another file and never moves the file to
    // another folder. A refused one says why and leaves the file on screen.
    QString refusal;
    if (newName.contains(QLatin1Char('/')))
        refusal = message(lang::NameHasSeparator);
    else if (newName == QLatin1String(".") || newName == QLatin1String(".."))
        refusal = message(lang::NameIsDots);
    else if (target != state_.nav.CurrentPath && (QFileInfo(target).exists() || QFileInfo(target).isSymLink()))
        refusal = message(lang::NameExists);
    else if (target != state_.nav.CurrentPath)
        refusal = renameFile(state_.nav.CurrentPath, target);
    if (!refusal.isEmpty()) {
        setLabel(lang::renameRefusedText(fileNameOf(state_.nav.CurrentPath), refusal), true, false);
        return;
    }
    state_.nav.CurrentPath = target;
    state_.nav.RebuildFolderList();
    OpenCurrentFile();
}

void MainForm::DeleteCurrentFile()
{
    const bool toTrash = hasTrash(state_.nav.CurrentPath);
    const QString text = toTrash ? lang::trashQuestionText(state_.nav.CurrentPath)
                                 : lang::deleteForGoodQuestionText(state_.nav.CurrentPath);
    bool confirmed;
    if (confirmDelete) {
        confirmed = confirmDelete(text);
    } else {
        confirmed = QMessageBox::question(this, windowTitle(), lang::shownText(text),
                                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok)
            == QMessageBox::Ok;
    }
    if (!confirmed)
        return;
    QFile file(state_.nav.CurrentPath);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    if (!(toTrash ? moveFileToTrash(state_.nav.CurrentPath) : file.remove())) {
        reportError(message(lang::CannotDeleteFile));
        return;
    }
    if (!state_.nav.removeCurrent()) {
        ShowLabelError(lang::folderErasedText());
        return;
    }
    OpenCurrentFile();
}

void MainForm::CopyCurrentFileToClipboard()
{
    // A file manager pastes only a full path (the argument may have been relative).
    QApplication::clipboard()->setMimeData(fileListMimeData(QFileInfo(state_.nav.CurrentPath).absoluteFilePath()).release());
}

}  // namespace vx
