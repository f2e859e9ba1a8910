// The Flash control: a widget that plays an SWF movie with our own player,
// driven by a timer at the movie's frame rate. Its operations carry the
// names of the control's published properties, methods and events.
#pragma once

#include "flash/ui/SwfAudioOutput.h"
#include "swf/SwfPlayer.h"

#include <QImage>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

namespace vx {

class ShockwaveFlash : public QWidget {
    Q_OBJECT
public:
    explicit ShockwaveFlash(QWidget* parent = nullptr);
    ~ShockwaveFlash() override;

    // Loads the movie at path (an empty or unreadable file leaves no movie:
    // nothing is drawn and TotalFrames is 0). It starts playing when Playing is set.
    void setMovie(const QString& path);
    QString Movie() const { return moviePath_; }
    // Why the last movie could not be loaded (not an SWF file, a body that
    // cannot be read); empty when it was.
    QString loadError() const { return loadError_; }

    bool Playing() const;
    void setPlaying(bool on);
    void Play();
    void StopPlay();
    void Stop();
    // 0-based; targets outside the movie are clamped to its first or last frame.
    void GotoFrame(int frame);
    int CurrentFrame() const;
    bool IsPlaying() const { return Playing(); }
    int TotalFrames() const;

    // Relative zoom about the centre: 50 shows half the stage (enlarges twice),
    // 200 twice as much (reduces); 0 shows the whole stage again.
    void Zoom(int percent);
    double zoomFactor() const { return zoom_; }

    // 0 show all, 1 no border, 2 exact fit, 3 no scale.
    int ScaleMode() const { return scaleMode_; }
    void setScaleMode(int mode);
    // "High" (antialiased, smoothed bitmaps), "Medium", "Low" (no antialiasing);
    // "Best", "AutoHigh" and "AutoLow" are taken as High, High and Low.
    QString Quality2() const { return quality2_; }
    void setQuality2(const QString& quality);
    // -1: the movie's own background; otherwise 0x00RRGGBB.
    int BackgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(int rgb);

    bool EmbedMovie() const { return embedMovie_; }
    void setEmbedMovie(bool on) { embedMovie_ = on; }
    // The current frame; setting a frame of 0 or more goes there, -1 changes nothing.
    int FrameNum() const { return player_ ? CurrentFrame() : frameNum_; }
    void setFrameNum(int frame);
    bool Loop() const { return loop_; }
    void setLoop(bool on);
    bool Menu() const { return menu_; }
    void setMenu(bool on) { menu_ = on; }
    QString WMode() const { return wmode_; }
    void setWMode(const QString& mode) { wmode_ = mode; }

    // Keyboard focus to the movie.
    void SetFocus();
    // Creates the control's window again at its current size and shows the
    // movie in it.
    void RecreateWnd();

    // The picture the control shows now (its size, background included).
    QImage grabFrame();
    // Frames drawn since creation (each is drawn once per change).
    int renderCount() const { return renders_; }
    vx::swf::Player* player() const { return player_.get(); }

    // A movie's getURL to a web address: asked first (a question box unless
    // set), then opened in the desktop's browser (unless set).
    std::function<bool(const QString& url)> askOpenUrl;
    std::function<void(const QUrl& url)> openUrl;

signals:
    void OnFSCommand(QString command, QString args);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void tick();
    QPointF toStage(QPointF widgetPos) const;
    void afterInput();
    void getUrl(const QString& url);
    void invalidate();
    void updateTimer();
    const QImage& frameImage();
    vx::swf::Quality quality() const;

    std::unique_ptr<vx::swf::Player> player_;
    std::unique_ptr<SwfAudioOutput> audio_;
    QString moviePath_;
    QString loadError_;
    int loadSerial_ = 0;
    QTimer timer_;
    bool autoPlay_ = true;
    double zoom_ = 1.0;
    int scaleMode_ = 0;
    QString quality2_ = QStringLiteral("High");
    int backgroundColor_ = -1;
    bool embedMovie_ = false;
    int frameNum_ = -1;
    bool loop_ = true;
    bool menu_ = true;
    QString wmode_ = QStringLiteral("Window");

    QImage cache_;
    uint64_t cacheRevision_ = 0;
    bool cacheValid_ = false;
    int renders_ = 0;
};

}  // namespace vx
