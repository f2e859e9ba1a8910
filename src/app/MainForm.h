// MainForm: the viewer's one borderless, skinned window: the top bar of
// skin buttons, the picture area with the picture control and the name
// label, and the transport panel shown for movies. It opens files and
// dispatches commands; its parts are the widget-free viewer state
// (viewer/ViewerState.h), the frame (moving, sizing, maximize, full
// screen: WindowFrame), the movie host (MovieHost) and the save command
// (SaveCommand).
#pragma once

#include "app/WindowFrame.h"
#include "settings/ColorText.h"
#include "viewer/DecodeQueue.h"
#include "viewer/FolderList.h"
#include "viewer/ViewerState.h"

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QScrollArea;
class QFrame;

namespace vx {

class ShockwaveFlash;

class SkinButton;
class PictureControl;
class Graphic;
class HotKeyFilter;
struct KeyBinding;
struct SupportedType;
class RenameFileForm;
class ChangeQualityForm;
class FrameProgressBar;
class BrowserCacheList;
struct SkinPackage;
struct SaveDialogSetup;
struct DisplayedPicture;
class MovieHost;
class SaveCommand;

// The sixteen skin buttons in the order of the skin tiles and hints.
enum SkinButtonIndex {
    kBtnOpen, kBtnSave, kBtnSettings, kBtnInfo, kBtnSetWall, kBtnRotate270, kBtnRotate90,
    kBtnPrev, kBtnNext, kBtnFullScreen, kBtnMinimize, kBtnMaximize, kBtnClose,
    kBtnPlay, kBtnPause, kBtnStop, kBtnCount
};

class MainForm : public QWidget {
    Q_OBJECT

public:
    // programFolder ends with a separator; arguments are the program's (without its name).
    // startDecode, when given, is the start file's decode begun before the
    // window was made; the first open of that file takes it.
    MainForm(const QString& programFolder, const QStringList& arguments, QWidget* parent = nullptr,
             std::unique_ptr<StartDecode> startDecode = nullptr);
    ~MainForm() override;

    // Dialogs created by the program entry after the main window; the hot keys reach them.
    void setDialogs(QWidget* settings, QWidget* info, RenameFileForm* rename, ChangeQualityForm* quality);

    // What the window shows: the folder position, the current file, the view.
    const ViewerState& state() const { return state_; }
    QString CurrentExtension() const;
    // The current file's row of the format table (nullptr: none or unknown).
    const SupportedType* currentType() const;
    bool isMovieCurrent() const;
    // The current file is an animation (played by the frame animator).
    bool isAnimationCurrent() const;
    bool fullScreen() const { return frame_.fullScreen(); }
    // The settings dialog's view options, applied at once.
    void setImageScale(int mode);
    void setCurrentFileNumberVisible(bool visible);

    // Start-up and title effect.
    void StopTitleEffect();
    bool titleEffectRunning() const { return titleTimer_ != nullptr; }

    // Opening and the red label.
    void OpenCurrentFile();
    // Pictures are decoded on a thread of their own: an open in progress
    // ends when its picture arrives. settleOpen() waits for that (commands
    // that need the picture, and tests, call it); openPending() tells.
    bool openPending() const { return bool(openJob_); }
    void settleOpen();
    // The decode ahead of the user (the next file, or the previous after a
    // step back); for tests and benchmarks.
    bool decodedAhead(const QString& path) const;
    void ShowLabelError(const QString& text);
    bool RequireDisplayedFile();
    bool labelIsRed() const;

    // View geometry commands.
    void ZoomIn();
    void ZoomOut();
    void FitToggle();
    void CentrePicture();
    void ScrollHome();
    void RotatePicture(int angle);

    // Navigation commands (open the new current file).
    void NextFile();
    void PreviousFile();
    void FirstFile();
    void LastFile();
    // Chooses path as the current file, lists its folder and opens it.
    void openPath(const QString& path);

    // Window commands.
    void OpenCommand();
    void MaximizeToggle();
    void FullScreenToggle();
    void ArrangeTopButtons();
    void ArrangeWindowButtons();
    void ArrangeNavButtons();
    void applyButtonsVisible(const std::array<bool, 9>& visible);

    // Skins: the built-in one, or a package (installs, unpacks and applies it).
    void SetDefaultSkin();
    void LoadSkin(const QString& fileName);
    void applySkin(const SkinPackage& package, bool withMetrics);
    const QString& currentSkinFile() const { return currentSkinFile_; }
    int betweenWidth() const { return betweenWidth_; }

    // Movies: the Flash control is created at start-up and shown for SWF files.
    MovieHost& movie() const { return *movie_; }
    ShockwaveFlash* flash() const;
    FrameProgressBar* frameBar() const { return progressBarFrame_; }
    QLabel* frameLabel() const { return currentFrameLabel_; }
    bool terminateRequested() const;

    // The settings dialog (btnSettings, F1) and what its Apply changes at once.
    void ShowSettingsDialog();
    void refreshPositionText();
    void applyFlashScaleChoice(int flashScale);  // FlashScale 1..5
    void applyLanguageEverywhere(const QString& path);

    // The general error display: a message box with the error's text.
    void reportError(const QString& text);
    // Messages that report rather than warn (a movie's commands): the information box.
    void reportInfo(const QString& text);

    // The save command (btnSave) and its picture dialog's type change.
    SaveCommand& saveCommand() const { return *save_; }
    void btnSaveClick();
    void SaveDialog1TypeChange(int filterIndex);

    // Keys (the table is app/KeyTable.h): the main window's key handler,
    // and the command of a row for a key pressed in window.
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void runKeyCommand(const KeyBinding& binding, QWidget* window);

    // Desktop commands: the wallpaper, the file information dialog and the
    // browser-cache view (MainFormDesktop.cpp).
    void btnSetWallClick();
    void btnInfoClick();
    void ViewBrowserCache();
    // The file the decoders read for the current file: the file itself, or
    // a copy of a browser-cache entry's body. Throws when it can't be read.
    QString contentPath();

    // File operations.
    void RenameCurrentFile();
    void DeleteCurrentFile();
    void CopyCurrentFileToClipboard();

    // Parts for tests and other windows.
    QLabel* nameLabel() const { return label_; }
    PictureControl* picture() const { return picture_; }
    QScrollArea* scrollBox() const { return scrollBox_; }
    SkinButton* button(SkinButtonIndex i) const { return buttons_[i]; }
    QWidget* buttonsPanel() const { return buttonsPanel_; }
    QWidget* navButtonPanel() const { return navPanel_; }
    QSize pictureAreaSize() const;
    QRect workArea() const;
    ColorRef backColor() const { return backColor_; }
    void setBackColor(ColorRef color);
    const QString& programFolder() const { return programFolder_; }

    // Hooks that tests replace to answer the modal questions without a person.
    std::function<QString()> chooseOpenFile;
    std::function<bool(const QString& text)> confirmDelete;
    std::function<void(const QString& text)> showMessage;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The movie host lays out and fills the transport panel and the picture area.
    friend class MovieHost;

    void buildWidgets();
    void FormCreate(const QStringList& arguments);
    void FormShow();
    void FormDestroy();
    void MatrixStringTimerTimer();
    void applyLanguage(const QString& path);
    void applyDialogLanguages(const QString& path);
    void informUser(const QString& text);
    void setPictureWallpaper();
    void setFlashWallpaper();
    bool destroyed_ = false;
    void chooseStartFile(const QStringList& arguments);
    // A red text is an error (no file displayed) unless error is false: a
    // notice over the picture that stays on screen.
    void setLabel(const QString& text, bool red, std::optional<bool> error = std::nullopt);
    void layoutBars();
    void updateContentSize();
    void placePicture(QSize size);
    void pictureAreaResized();
    void scrollByLine(int dx, int dy);
    // Esc in window: ends the program in the main window, cancels the viewer's dialogs.
    void closeOnEscape(QWidget* window);
    void zoomStep(bool in);
    OpenRequest openRequest(const QString& path, const SupportedType* type) const;
    // Starts decoding the current file (or takes the decode made ahead);
    // false when the picture was put on screen at once.
    bool startOpen(const QString& path, const SupportedType* type);
    DecodeQueue::JobPtr submitDecode(const OpenRequest& request, bool urgent,
                                     std::shared_ptr<StartDecode> start = nullptr);
    void openFinished(const DecodeQueue::JobPtr& job);
    void applyOpened(const OpenedPicture& opened, const QString& path);
    void finishOpen();
    void cancelOpen();
    void decodeAhead();
    void dropDecodeAhead();
    void pictureFailed();
    QString message(int key) const;

    QString programFolder_;
    QStringList arguments_;
    ViewerState state_;
    WindowFrame frame_{*this};
    MovieHost* movie_ = nullptr;
    SaveCommand* save_ = nullptr;
    bool firstShowPending_ = true;
    bool openAtFirstShow_ = false;
    QString currentSkinFile_;
    int betweenWidth_ = 3;
    QWidget* buttonsPanel_ = nullptr;
    QLabel* topMainImage_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    QWidget* scrollContent_ = nullptr;
    PictureControl* picture_ = nullptr;
    QLabel* label_ = nullptr;
    QWidget* navPanel_ = nullptr;
    QLabel* bottomMainImage_ = nullptr;
    FrameProgressBar* progressBarFrame_ = nullptr;
    QLabel* currentFrameLabel_ = nullptr;
    std::array<SkinButton*, kBtnCount> buttons_{};
    QTimer* titleTimer_ = nullptr;
    int titlePosition_ = 0;
    bool labelRed_ = false;
    ColorRef backColor_ = 0x141414;

    QPointer<QWidget> settingsForm_;
    QPointer<QWidget> infoForm_;
    QPointer<RenameFileForm> renameForm_;
    std::unique_ptr<HotKeyFilter> hotKeys_;
    std::unique_ptr<BrowserCacheList> browserCache_;
    // Decoding: the open in progress and the decode ahead (at most one each).
    std::unique_ptr<DecodeQueue> decoder_;
    DecodeQueue::JobPtr openJob_;
    DecodeQueue::JobPtr aheadJob_;
    int aheadStep_ = 1;
    // Until the first open: the start file's decode begun by the program entry.
    std::shared_ptr<StartDecode> startDecode_;
};

}  // namespace vx
