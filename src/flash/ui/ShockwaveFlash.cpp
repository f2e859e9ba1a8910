#include "flash/ui/ShockwaveFlash.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

ShockwaveFlash::ShockwaveFlash(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ShockwaveFlash"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ShockwaveFlash::tick);
}

ShockwaveFlash::~ShockwaveFlash() = default;

void ShockwaveFlash::setMovie(const QString& path)
{
    timer_.stop();
    player_.reset();
    moviePath_ = path;
    loadError_ = QStringLiteral("No movie");
    zoom_ = 1.0;
    try {
        auto movie = vx::swf::Movie::fromFile(path);
        player_ = std::make_unique<vx::swf::Player>(movie);
        player_->setLoop(loop_);
        loadError_.clear();
        if (!autoPlay_) player_->stop();
        // Commands of the first frame (run as the player was made) come now.
        player_->setFsCommandHandler([this](const QString& command, const QString& args) { emit OnFSCommand(command, args); });
    } catch (const std::exception& e) {
        player_.reset();  // the control shows nothing for a movie it cannot load
        loadError_ = QString::fromLocal8Bit(e.what());
    }
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
}

void ShockwaveFlash::Stop() { StopPlay(); }

void ShockwaveFlash::GotoFrame(int frame)
{
    if (!player_) return;
    player_->gotoFrame(std::clamp(frame, 0, std::max(0, player_->totalFrames() - 1)));
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
    player_->advance();
    if (player_->revision() != cacheRevision_) update();
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
