#include "app/MovieHost.h"

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

#include <QCoreApplication>
#include <QLabel>
#include <QScrollArea>
#include <QTimer>

namespace vx {

MovieHost::MovieHost(MainForm& window) : QObject(&window), window_(window) {}

void MovieHost::create()
{
    resizeWindowToMovie = false;
    panelVisible = true;
    const QString programPath = QCoreApplication::applicationFilePath();
    // The control is the built-in player: where no settings can be stored
    // its registration is only skipped, and the viewer runs without them.
    if (!ProvisionFlashControl(programPath) && !reportRegistryFolderProblemOnce()) {
        window_.reportError(lang::englishDefault(QString::fromLatin1(lang::kMessages), lang::CannotRegisterFlash));
        terminateRequested_ = true;
    }
    flash_ = new ShockwaveFlash(window_.scrollBox_);
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
        if (showFsCommandMessage)
            window_.reportInfo(QStringLiteral("Command: ") + command + QStringLiteral("\r\nArgs: ") + args);
    }, Qt::QueuedConnection);

    frameTimer_ = new QTimer(this);
    frameTimer_->setObjectName(QStringLiteral("FrameTimer"));
    frameTimer_->setInterval(50);
    connect(frameTimer_, &QTimer::timeout, this, &MovieHost::followFrame);
    frameTimer_->start();

    auto& buttons = window_.buttons_;
    auto onRelease = [this, &buttons](SkinButtonIndex i, auto command) {
        connect(buttons[i], &SkinButton::mouseUp, this, [&buttons, i, command](Qt::MouseButton, QPoint pos) {
            if (buttons[i]->rect().contains(pos))
                command();
        });
    };
    onRelease(kBtnPlay, [this, &buttons] {
        buttons[kBtnPlay]->hide();
        buttons[kBtnPause]->show();
        if (!flash_->Playing())
            flash_->Play();
    });
    onRelease(kBtnPause, [this, &buttons] {
        buttons[kBtnPlay]->show();
        buttons[kBtnPause]->hide();
        if (flash_->Playing())
            flash_->StopPlay();
    });
    onRelease(kBtnStop, [this] {
        flash_->StopPlay();
        flash_->GotoFrame(0);
    });
    FrameProgressBar* bar = window_.progressBarFrame_;
    connect(bar, &FrameProgressBar::barMouseDown, this, [this](int x) {
        seekDragging_ = true;
        seekTo(x);
    });
    connect(bar, &FrameProgressBar::barMouseMove, this, [this](int x) {
        if (seekDragging_)
            seekTo(x);
    });
    connect(bar, &FrameProgressBar::barMouseUp, this, [this](int) { seekDragging_ = false; });
}

void MovieHost::applySettings(std::optional<int> scaleMode, std::optional<QString> quality)
{
    if (scaleMode)
        flash_->setScaleMode(*scaleMode);
    if (quality)
        flash_->setQuality2(*quality);
}

void MovieHost::destroy()
{
    if (frameTimer_)
        frameTimer_->stop();
    delete flash_;
    flash_ = nullptr;
}

void MovieHost::stopAndHide()
{
    if (!flash_)
        return;
    if (flash_->Playing())
        flash_->Stop();
    flash_->hide();
    window_.navPanel_->hide();
    window_.layoutBars();
}

void MovieHost::resizeWindowTo(const QString& path)
{
    SwfHeaderInfo header;
    if (!ReadSwfHeader(path, header))
        return;
    const int w = roundHalfEven((long double)(int64_t(header.xmax) - header.xmin) / 20.0L);
    const int h = roundHalfEven((long double)(int64_t(header.ymax) - header.ymin) / 20.0L);
    const int border = window_.fullScreen() ? 0 : 2 * 3;
    const QSize chrome(border, window_.buttonsPanel_->height() + window_.navPanel_->height() + border);
    if (w <= 0 || h <= 0)
        return;
    // The whole window stays on the work area: a larger stage is shown
    // smaller, keeping its aspect.
    const QRect area = window_.workArea();
    const QSize stage = shrinkToFit(QSize(w, h), area.size() - chrome);
    window_.setGeometry(clampToArea(QRect(window_.pos(), stage + chrome), area));
}

void MovieHost::applyScaleChoice(int flashScale, bool movieShown, const QString& path)
{
    if (flashScale < 1 || flashScale > 5)
        return;
    resizeWindowToMovie = flashScale == 5;
    applySettings(std::min(flashScale - 1, 3), std::nullopt);
    if (resizeWindowToMovie && movieShown && !window_.fullScreen())
        resizeWindowTo(path);
}

void MovieHost::open(const QString& path)
{
    if (resizeWindowToMovie && !window_.fullScreen())
        resizeWindowTo(path);
    window_.navPanel_->setVisible(panelVisible);
    // The control leaves the picture area and fills the window between the bars.
    flash_->setParent(&window_);
    flash_->setMovie(path);
    if (!flash_->loadError().isEmpty())
        throw CodecError(flash_->loadError().toStdString());  // shown as the open failure
    flash_->show();
    window_.layoutBars();
    layoutTransport();
    flash_->GotoFrame(0);
    flash_->SetFocus();
    flash_->Play();
    window_.progressBarFrame_->setMax(flash_->TotalFrames());
    totalFramesAtOpen_ = flash_->TotalFrames();
    window_.picture_->clearPicture();
    window_.placePicture(QSize(0, 0));
}

void MovieHost::layoutArea()
{
    if (flash_ && flash_->parentWidget() == &window_)
        flash_->setGeometry(window_.scrollBox_->geometry());
    if (flash_ && flash_->isVisible())
        flash_->raise();
}

void MovieHost::zoom(int percent)
{
    flash_->Zoom(percent);
}

MovieHost::State MovieHost::remember() const
{
    return {flash_->CurrentFrame(), flash_->Playing()};
}

void MovieHost::restore(const State& state, bool movieShown)
{
    if (!movieShown)
        return;
    flash_->GotoFrame(state.frame);
    if (state.playing)
        flash_->Play();
}

void MovieHost::layoutTransport()
{
    FrameProgressBar* bar = window_.progressBarFrame_;
    QLabel* count = window_.currentFrameLabel_;
    bar->resize(std::max(0, window_.bottomMainImage_->width() - 140), bar->height());
    count->move(bar->x() + bar->width() + 3, count->y());
}

void MovieHost::followFrame()
{
    if (!flash_)
        return;
    window_.progressBarFrame_->setPosition(flash_->CurrentFrame());
    QLabel* count = window_.currentFrameLabel_;
    count->setText(QString::number(flash_->CurrentFrame()) + QLatin1Char('/') + QString::number(totalFramesAtOpen_));
    // Only the width follows the text: the skin centred the label at its height.
    count->resize(count->sizeHint().width(), count->height());
    const bool playing = flash_->Playing();
    window_.buttons_[kBtnPlay]->setVisible(!playing);
    window_.buttons_[kBtnPause]->setVisible(playing);
}

void MovieHost::seekTo(int x)
{
    try {
        const bool wasPlaying = flash_->Playing();
        const float percent = float(x * 100) / float(window_.progressBarFrame_->width());
        const float target = float(flash_->TotalFrames()) * percent / 100.0f;
        const int n = roundHalfEven((long double)target);
        flash_->GotoFrame(n);
        window_.progressBarFrame_->setPosition(n);
        if (wasPlaying)
            flash_->Play();
    } catch (...) {
    }
}

void MovieHost::rewind(int frames)
{
    const bool wasPlaying = flash_->IsPlaying();
    flash_->GotoFrame(flash_->CurrentFrame() + frames);
    if (wasPlaying)
        flash_->Play();
}

void MovieHost::togglePanel()
{
    QWidget* panel = window_.navPanel_;
    panel->setVisible(!panel->isVisible());
    panelVisible = !panelVisible;
    window_.layoutBars();
    if (panel->isVisible())
        layoutTransport();
    flash_->RecreateWnd();
}

}  // namespace vx
