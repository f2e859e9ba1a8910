// Hosting the Flash control and the transport panel: creation at start-up,
// opening a movie, leaving it, the frame timer, the buttons, seeking and
// rewinding, the fscommand message.
#include "app/MainForm.h"

#include "flash/FlashProvision.h"
#include "flash/SwfFileInfo.h"
#include "flash/ui/FrameProgressBar.h"
#include "flash/ui/ShockwaveFlash.h"
#include "i18n/LangStrings.h"
#include "platform/RegistryFolder.h"
#include "skins/ui/SkinButton.h"
#include "viewer/ViewGeometry.h"
#include "viewer/ui/PictureControl.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>

namespace vx {

void MainForm::createFlashControl()
{
    ResizeWindowToMovie = false;
    FlashPanelVisible = true;
    const QString programPath = QCoreApplication::applicationFilePath();
    // The control is the built-in player: where no settings can be stored
    // its registration is only skipped, and the viewer runs without them.
    if (!ProvisionFlashControl(programPath) && !reportRegistryFolderProblemOnce()) {
        reportError(lang::englishDefault(QString::fromLatin1(lang::kMessages), lang::CannotRegisterFlash));
        terminateRequested_ = true;
    }
    flash_ = new ShockwaveFlash(scrollBox_);
    flash_->setObjectName(QStringLiteral("ShockwaveFlash"));
    flash_->hide();
    flash_->setPlaying(true);
    flash_->setBackgroundColor(-1);
    flash_->setEmbedMovie(false);
    flash_->setFrameNum(-1);
    flash_->setLoop(true);
    flash_->setMenu(true);
    flash_->setWMode(QStringLiteral("Window"));
    // Queued: a command of the first frame is shown once the movie is open.
    connect(flash_, &ShockwaveFlash::OnFSCommand, this, [this](const QString& command, const QString& args) {
        if (ShowFsCommandMessage)
            reportInfo(QStringLiteral("Command: ") + command + QStringLiteral("\r\nArgs: ") + args);
    }, Qt::QueuedConnection);

    frameTimer_ = new QTimer(this);
    frameTimer_->setObjectName(QStringLiteral("FrameTimer"));
    frameTimer_->setInterval(50);
    connect(frameTimer_, &QTimer::timeout, this, &MainForm::FrameTimerTimer);
    frameTimer_->start();

    auto onRelease = [this](SkinButtonIndex i, auto command) {
        connect(buttons_[i], &SkinButton::mouseUp, this, [this, i, command](Qt::MouseButton, QPoint pos) {
            if (buttons_[i]->rect().contains(pos))
                command();
        });
    };
    onRelease(kBtnPlay, [this] {
        buttons_[kBtnPlay]->hide();
        buttons_[kBtnPause]->show();
        if (!flash_->Playing())
            flash_->Play();
    });
    onRelease(kBtnPause, [this] {
        buttons_[kBtnPlay]->show();
        buttons_[kBtnPause]->hide();
        if (flash_->Playing())
            flash_->StopPlay();
    });
    onRelease(kBtnStop, [this] {
        flash_->StopPlay();
        flash_->GotoFrame(0);
    });
    connect(progressBarFrame_, &FrameProgressBar::barMouseDown, this, [this](int x) {
        seekDragging_ = true;
        seekTo(x);
    });
    connect(progressBarFrame_, &FrameProgressBar::barMouseMove, this, [this](int x) {
        if (seekDragging_)
            seekTo(x);
    });
    connect(progressBarFrame_, &FrameProgressBar::barMouseUp, this, [this](int) { seekDragging_ = false; });
}

void MainForm::applyFlashSettings(std::optional<int> scaleMode, std::optional<QString> quality)
{
    if (scaleMode)
        flash_->setScaleMode(*scaleMode);
    if (quality)
        flash_->setQuality2(*quality);
}

void MainForm::destroyFlashControl()
{
    if (frameTimer_)
        frameTimer_->stop();
    delete flash_;
    flash_ = nullptr;
}

void MainForm::stopAndHideMovie()
{
    if (!flash_)
        return;
    if (flash_->Playing())
        flash_->Stop();
    flash_->hide();
    navPanel_->hide();
    layoutBars();
}

void MainForm::resizeWindowToMovie(const QString& path)
{
    SwfHeaderInfo header;
    if (!ReadSwfHeader(path, header))
        return;
    const int w = roundHalfEven((long double)(int64_t(header.xmax) - header.xmin) / 20.0L);
    const int h = roundHalfEven((long double)(int64_t(header.ymax) - header.ymin) / 20.0L);
    const int border = FullScreen ? 0 : 2 * 3;
    const QSize chrome(border, buttonsPanel_->height() + navPanel_->height() + border);
    if (w <= 0 || h <= 0)
        return;
    // The whole window stays on the work area: a larger stage is shown
    // smaller, keeping its aspect.
    const QRect area = workArea();
    const QSize stage = shrinkToFit(QSize(w, h), area.size() - chrome);
    setGeometry(clampToArea(QRect(pos(), stage + chrome), area));
}

void MainForm::OpenSwfMovie()
{
    const QString path = contentPath();
    if (ResizeWindowToMovie && !FullScreen)
        resizeWindowToMovie(path);
    navPanel_->setVisible(FlashPanelVisible);
    // The control leaves the picture area and fills the window between the bars.
    flash_->setParent(this);
    flash_->setMovie(path);
    if (!flash_->loadError().isEmpty())
        throw CodecError(flash_->loadError().toStdString());  // shown as the open failure
    flash_->show();
    layoutBars();
    transportLayout();
    flash_->GotoFrame(0);
    flash_->SetFocus();
    flash_->Play();
    progressBarFrame_->setMax(flash_->TotalFrames());
    TotalFramesAtOpen = flash_->TotalFrames();
    picture_->clearPicture();
    placePicture(QSize(0, 0));
}

void MainForm::layoutFlashArea()
{
    if (flash_ && flash_->parentWidget() == this)
        flash_->setGeometry(scrollBox_->geometry());
    if (flash_ && flash_->isVisible())
        flash_->raise();
}

void MainForm::flashZoom(int percent)
{
    flash_->Zoom(percent);
}

MainForm::FlashState MainForm::rememberFlashState() const
{
    return {flash_->CurrentFrame(), flash_->Playing()};
}

void MainForm::restoreFlashState(const FlashState& state)
{
    if (CurrentExtension() != QLatin1String("SWF"))
        return;
    flash_->GotoFrame(state.frame);
    if (state.playing)
        flash_->Play();
}

void MainForm::transportLayout()
{
    progressBarFrame_->resize(std::max(0, bottomMainImage_->width() - 140), progressBarFrame_->height());
    currentFrameLabel_->move(progressBarFrame_->x() + progressBarFrame_->width() + 3, currentFrameLabel_->y());
}

void MainForm::FrameTimerTimer()
{
    if (!flash_)
        return;
    progressBarFrame_->setPosition(flash_->CurrentFrame());
    currentFrameLabel_->setText(QString::number(flash_->CurrentFrame()) + QLatin1Char('/')
                                + QString::number(TotalFramesAtOpen));
    // Only the width follows the text: the skin centred the label at its height.
    currentFrameLabel_->resize(currentFrameLabel_->sizeHint().width(), currentFrameLabel_->height());
    const bool playing = flash_->Playing();
    buttons_[kBtnPlay]->setVisible(!playing);
    buttons_[kBtnPause]->setVisible(playing);
}

void MainForm::seekTo(int x)
{
    try {
        const bool wasPlaying = flash_->Playing();
        const float percent = float(x * 100) / float(progressBarFrame_->width());
        const float target = float(flash_->TotalFrames()) * percent / 100.0f;
        const int n = roundHalfEven((long double)target);
        flash_->GotoFrame(n);
        progressBarFrame_->setPosition(n);
        if (wasPlaying)
            flash_->Play();
    } catch (...) {
    }
}

void MainForm::rewindMovie(int frames)
{
    const bool wasPlaying = flash_->IsPlaying();
    flash_->GotoFrame(flash_->CurrentFrame() + frames);
    if (wasPlaying)
        flash_->Play();
}

void MainForm::toggleFlashPanel()
{
    navPanel_->setVisible(!navPanel_->isVisible());
    FlashPanelVisible = !FlashPanelVisible;
    layoutBars();
    if (navPanel_->isVisible())
        transportLayout();
    flash_->RecreateWnd();
}

}  // namespace vx
