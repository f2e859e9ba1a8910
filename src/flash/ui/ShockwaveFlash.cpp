#include "flash/ui/ShockwaveFlash.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vx {

ShockwaveFlash::ShockwaveFlash(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ShockwaveFlash"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ShockwaveFlash::tick);
}

ShockwaveFlash::~ShockwaveFlash() = default;

void ShockwaveFlash::setMovie(const QString& path)
{
    timer_.stop();
    audio_.reset();
    player_.reset();
    moviePath_ = path;
    loadError_ = QStringLiteral("No movie");
    zoom_ = 1.0;
    try {
        auto movie = vx::swf::Movie::fromFile(path);
        auto mixer = std::make_shared<vx::swf::SoundMixer>();
        player_ = std::make_unique<vx::swf::Player>(movie, true, mixer);
        audio_ = std::make_unique<SwfAudioOutput>(mixer);
        player_->setLoop(loop_);
        loadError_.clear();
        if (!autoPlay_) player_->stop();
        // Commands of the first frame (run as the player was made) come now.
        player_->onGetUrl = [this](const QString& url, const QString&) { getUrl(url); };
        player_->setFsCommandHandler([this](const QString& command, const QString& args) { emit OnFSCommand(command, args); });
        // The first frame's actions run once the caller has set the movie
        // going: a stop there holds the movie on its first frame.
        QMetaObject::invokeMethod(this, [this, serial = ++loadSerial_] {
            if (player_ && serial == loadSerial_) {
                player_->runPendingActions();
                afterInput();
            }
        }, Qt::QueuedConnection);
    } catch (const std::exception& e) {
        player_.reset();  // the control shows nothing for a movie it cannot load
        loadError_ = QString::fromLocal8Bit(e.what());
    }
    unsetCursor();
    updateTimer();
    invalidate();
}

void ShockwaveFlash::updateTimer()
{
    if (!player_) {
        timer_.stop();
        return;
    }
    double fps = player_->movie().frameRate();
    if (!(fps >= 0.01)) fps = 12;
    fps = std::min(fps, 120.0);
    timer_.start(std::max(1, int(std::lround(1000.0 / fps))));
}

bool ShockwaveFlash::Playing() const { return player_ ? player_->isPlaying() : autoPlay_; }

void ShockwaveFlash::setPlaying(bool on)
{
    autoPlay_ = on;
    if (on) Play();
    else StopPlay();
}

void ShockwaveFlash::Play()
{
    if (player_) player_->play();
}

void ShockwaveFlash::StopPlay()
{
    if (player_) player_->stop();
    if (audio_) audio_->flush();  // silent at once, not after the output's buffer
}

void ShockwaveFlash::Stop() { StopPlay(); }

void ShockwaveFlash::GotoFrame(int frame)
{
    if (!player_) return;
    const int before = player_->currentFrame();
    player_->gotoFrame(std::clamp(frame, 0, std::max(0, player_->totalFrames() - 1)));
    if (audio_ && player_->currentFrame() != before) audio_->flush();
    update();
}

int ShockwaveFlash::CurrentFrame() const { return player_ ? player_->currentFrame() : 0; }

int ShockwaveFlash::TotalFrames() const { return player_ ? player_->totalFrames() : 0; }

void ShockwaveFlash::Zoom(int percent)
{
    if (percent == 0) zoom_ = 1.0;
    else if (percent > 0) zoom_ = std::clamp(zoom_ * percent / 100.0, 1.0 / 4096, 64.0);
    invalidate();
}

void ShockwaveFlash::setScaleMode(int mode)
{
    if (mode < 0 || mode > 3) return;
    scaleMode_ = mode;
    invalidate();
}

void ShockwaveFlash::setQuality2(const QString& quality)
{
    const QString q = quality.toLower();
    if (q == u"high" || q == u"best" || q == u"autohigh") quality2_ = QStringLiteral("High");
    else if (q == u"medium") quality2_ = QStringLiteral("Medium");
    else if (q == u"low" || q == u"autolow") quality2_ = QStringLiteral("Low");
    else return;
    invalidate();
}

vx::swf::Quality ShockwaveFlash::quality() const
{
    if (quality2_ == u"Low") return vx::swf::Quality::Low;
    if (quality2_ == u"Medium") return vx::swf::Quality::Medium;
    return vx::swf::Quality::High;
}

void ShockwaveFlash::setBackgroundColor(int rgb)
{
    backgroundColor_ = rgb < 0 ? -1 : (rgb & 0xffffff);
    invalidate();
}

void ShockwaveFlash::setFrameNum(int frame)
{
    frameNum_ = frame;
    if (frame >= 0) GotoFrame(frame);
}

void ShockwaveFlash::setLoop(bool on)
{
    loop_ = on;
    if (player_) player_->setLoop(on);
}

void ShockwaveFlash::SetFocus() { setFocus(Qt::OtherFocusReason); }

void ShockwaveFlash::RecreateWnd()
{
    invalidate();
    if (isVisible()) repaint();
}

void ShockwaveFlash::tick()
{
    if (!player_) return;
    // With the sound heard, a stream sound sets the pace of the frames.
    player_->clockTick(audio_ && audio_->active());
    afterInput();
}

void ShockwaveFlash::invalidate()
{
    cacheValid_ = false;
    update();
}

const QImage& ShockwaveFlash::frameImage()
{
    const qreal dpr = devicePixelRatioF();
    const QSize size = (QSizeF(this->size()) * dpr).toSize();
    const uint64_t revision = player_ ? player_->revision() : 0;
    if (cacheValid_ && cache_.size() == size && cacheRevision_ == revision) return cache_;
    QColor bg = backgroundColor_ >= 0 ? QColor(QRgb(0xff000000u | uint32_t(backgroundColor_)))
                                      : (player_ ? player_->backgroundColor() : QColor(Qt::white));
    if (!player_) {
        cache_ = QImage(size, QImage::Format_RGB32);
        cache_.fill(backgroundColor_ >= 0 ? bg : palette().window().color());
    } else {
        cache_ = player_->renderImage(size, quality(), vx::swf::ScaleMode(scaleMode_), zoom_, bg);
    }
    cache_.setDevicePixelRatio(dpr);
    cacheRevision_ = revision;
    cacheValid_ = true;
    ++renders_;
    return cache_;
}

QImage ShockwaveFlash::grabFrame() { return frameImage(); }

void ShockwaveFlash::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, frameImage());
}

void ShockwaveFlash::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    invalidate();
}

QPointF ShockwaveFlash::toStage(QPointF pos) const
{
    if (!player_) return {};
    const qreal dpr = devicePixelRatioF();
    const QTransform t = vx::swf::stageTransform(player_->movie().stage(), QSizeF(size()) * dpr,
                                                 vx::swf::ScaleMode(scaleMode_), zoom_);
    bool ok = false;
    return t.inverted(&ok).map(pos * dpr);
}

void ShockwaveFlash::afterInput()
{
    if (!player_) return;
    if (player_->overActiveTarget()) setCursor(Qt::PointingHandCursor);
    else unsetCursor();
    if (player_->revision() != cacheRevision_) update();
}

void ShockwaveFlash::mouseMoveEvent(QMouseEvent* event)
{
    if (!player_) return;
    player_->mouseMove(toStage(event->position()));
    afterInput();
}

void ShockwaveFlash::mousePressEvent(QMouseEvent* event)
{
    if (!player_ || event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    player_->mouseMove(toStage(event->position()));
    player_->mouseDown();
    afterInput();
}

void ShockwaveFlash::mouseReleaseEvent(QMouseEvent* event)
{
    if (!player_ || event->button() != Qt::LeftButton) return;
    player_->mouseMove(toStage(event->position()));
    player_->mouseUp();
    afterInput();
}

void ShockwaveFlash::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!player_) return;
    // Far outside the stage: whatever the pointer was over is left.
    player_->mouseMove(QPointF(-1e9, -1e9));
    afterInput();
}

namespace {

// The Windows virtual key code of a key, as scripts' Key object reports it (0: none).
int virtualKey(const QKeyEvent* event)
{
    const int k = event->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

}  // namespace

void ShockwaveFlash::keyReleaseEvent(QKeyEvent* event)
{
    if (player_ && !event->isAutoRepeat()) {
        if (const int vk = virtualKey(event)) {
            player_->keyUp(vk);
            afterInput();
        }
    }
    QWidget::keyReleaseEvent(event);
}

void ShockwaveFlash::keyPressEvent(QKeyEvent* event)
{
    if (player_) {
        if (const int vk = virtualKey(event)) {
            const QString text = event->text();
            player_->keyDown(vk, text.size() == 1 && text[0].unicode() < 256 ? text[0].unicode() : 0);
        }
    }
    int code = 0;
    switch (event->key()) {
    case Qt::Key_Left: code = 1; break;
    case Qt::Key_Right: code = 2; break;
    case Qt::Key_Home: code = 3; break;
    case Qt::Key_End: code = 4; break;
    case Qt::Key_Insert: code = 5; break;
    case Qt::Key_Delete: code = 6; break;
    case Qt::Key_Backspace: code = 8; break;
    case Qt::Key_Return: case Qt::Key_Enter: code = 13; break;
    case Qt::Key_Up: code = 14; break;
    case Qt::Key_Down: code = 15; break;
    case Qt::Key_PageUp: code = 16; break;
    case Qt::Key_PageDown: code = 17; break;
    case Qt::Key_Tab: code = 18; break;
    case Qt::Key_Escape: code = 19; break;
    default:
        if (event->text().size() == 1 && event->text()[0].unicode() >= 32 && event->text()[0].unicode() < 127)
            code = event->text()[0].unicode();
    }
    if (player_ && code != 0 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        player_->keyPress(code);
        afterInput();
    }
    QWidget::keyPressEvent(event);  // the window's own keys still work
}

void ShockwaveFlash::getUrl(const QString& address)
{
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https")) return;
    // Asked later, from the event loop: the movie's script is running now.
    QMetaObject::invokeMethod(this, [this, url] {
        const bool yes = askOpenUrl ? askOpenUrl(url.toString())
                                    : QMessageBox::question(this, window()->windowTitle(),
                                                            tr("Open this address in the web browser?") +
                                                                QStringLiteral("\n") + url.toString()) == QMessageBox::Yes;
        if (!yes) return;
        if (openUrl) openUrl(url);
        else QDesktopServices::openUrl(url);
    }, Qt::QueuedConnection);
}

}  // namespace vx
