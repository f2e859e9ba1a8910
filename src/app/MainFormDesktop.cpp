// The desktop commands: the wallpaper, the file information dialog and the
// browser-cache view.
#include "app/MainForm.h"
#include "app/SaveCommand.h"

#include "desktop/DesktopRoute.h"
#include "desktop/DesktopWallpaper.h"
#include "desktop/FileInfoText.h"
#include "desktop/FlashWallpaperFrame.h"
#include "desktop/FlashWallpaperPage.h"
#include "desktop/WallpaperSettings.h"
#include "desktop/ui/InfoForm.h"
#include "export/SafeFile.h"
#include "export/SaveToFileFunctions.h"
#include "flash/SwfFileInfo.h"
#include "flash/ui/ShockwaveFlash.h"
#include "i18n/LangStrings.h"
#include "i18n/MainFormTexts.h"
#include "i18n/SetLanguageModule.h"
#include "viewer/BrowserCache.h"
#include "viewer/ui/PictureControl.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>

namespace vx {

void MainForm::informUser(const QString& text)
{
    if (showMessage)
        showMessage(text);
    else
        QMessageBox::information(this, windowTitle(), text);
}

// ------------------------------------------------------------ wallpaper

void MainForm::btnSetWallClick()
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    if (!isMovieCurrent())
        setPictureWallpaper();
    else
        setFlashWallpaper();
}

void MainForm::setPictureWallpaper()
{
    // One still 24-bit picture: an animation gives its first frame.
    const QString bmpPath = wallpaperFolder(programFolder_) + kWallpaperFileName;
    try {
        WriteBmp(DisplayedPicture(GraphicToBitmap24(save_->displayedPicture().bitmap)), bmpPath);
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
        return;
    }
    const std::optional<int> style = readWallpaperStyle();
    if (style && *style >= kStyleCentre && *style <= kStyleStretch)
        SetDesktopWallpaper(bmpPath, *style);
}

void MainForm::setFlashWallpaper()
{
    const QString folder = wallpaperFolder(programFolder_);
    const QString page = folder + kFlashWallpaperPageName;
    const FlashWallpaperSettings settings = readFlashWallpaperSettings();
    try {
        SafeFileWriter out(page);
        out.write(flashWallpaperPage(settings, QFileInfo(state_.nav.CurrentPath).absoluteFilePath()));
        out.commit();
    } catch (const std::exception&) {
        // A page left from an earlier run is used as it is.
    }
    if (!QFileInfo::exists(page)) {
        reportError(message(lang::FlashWallpaperMissing));
        return;
    }
    // No desktop here shows a page: the frame on screen, drawn as the page
    // would show it, becomes the wallpaper picture.
    if (!flash() || !flash()->player())
        return;
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = shown ? shown->geometry().size() * shown->devicePixelRatio() : QSize(1024, 768);
    const QImage frame = flashWallpaperFrame(*flash()->player(), screenSize, settings);
    const QString bmpPath = folder + kWallpaperFileName;
    try {
        WriteBmp(DisplayedPicture(Bitmap::fromImage(frame).converted24()), bmpPath);
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
        return;
    }
    SetDesktopWallpaper(bmpPath, kStyleStretch);
}

// ------------------------------------------------------------ information

void MainForm::btnInfoClick()
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    auto* info = qobject_cast<InfoForm*>(infoForm_.data());
    if (!info)
        return;
    const QFileInfo file(state_.nav.CurrentPath);
    if (!file.exists() || file.isDir()) {
        // Gone since it was opened: say so; the picture on screen stays.
        informUser(message(lang::FileNotExist) + lang::kLineBreak + state_.nav.CurrentPath);
        return;
    }
    FileFacts facts;
    facts.path = file.absoluteFilePath();
    facts.changed = file.lastModified();
    facts.size = file.size();
    facts.bytesWord = message(lang::Bytes);
    facts.kbWord = message(lang::Kilobytes);
    const QString key = CurrentExtension();
    if (!isMovieCurrent()) {
        facts.currentSize = picture_->size();
        facts.originalSize = state_.natural;
        if (isAnimationCurrent())
            facts.gifFrames = picture_->graphic() ? picture_->graphic()->frameCount() : 1;
    } else {
        facts.movie = true;
        facts.movieFrames = flash() ? flash()->TotalFrames() : 0;
        std::optional<SwfHeaderInfo> header;
        try {
            SwfHeaderInfo h;
            if (ReadSwfHeader(contentPath(), h))
                header = h;
        } catch (const std::exception&) {
            // A broken compressed header: the stage size is shown as unknown.
        }
        facts.sceneSize = sceneSizeText(header);
    }
    info->fill(facts);
    info->exec();
}

// ------------------------------------------------------------ browser cache

QString MainForm::contentPath()
{
    if (browserCache_ && browserCache_->find(state_.nav.CurrentPath))
        return browserCache_->contentFile(state_.nav.CurrentPath);
    return state_.nav.CurrentPath;
}

void MainForm::ViewBrowserCache()
{
    StopTitleEffect();
    auto list = std::make_unique<BrowserCacheList>();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const QString& root : browserCacheRoots(userCacheHome()))
        list->ScanFolderTree(root);
    QApplication::restoreOverrideCursor();
    state_.nav.FolderFileList.clear();
    if (list->files.isEmpty()) {
        // Nothing viewable: the file on screen stays; stepping does nothing
        // until another file is chosen.
        return;
    }
    state_.nav.FolderFileList = list->files;
    browserCache_ = std::move(list);
    state_.nav.CurrentPath = state_.nav.FolderFileList.first();
    state_.nav.CurrentIndex = state_.nav.FindCurrentIndex();
    OpenCurrentFile();
}

}  // namespace vx
