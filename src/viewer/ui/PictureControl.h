// OpeningImage: the control that shows the one displayed picture inside the
// picture area. It owns the picture (a decoder's picture, or a still bitmap
// after a rotation or a zoom of an animation), draws it at its own size when
// stretch is on, plays animations with their frame delays, and keeps one
// scaled copy per size so painting never scales the picture again (an
// animation keeps its scaled frames while they fit their budget). A picture
// that fails to decode when it is drawn (a JPEG read again for a new size
// after its file was deleted, a damaged frame) is released and reported
// with pictureFailed(), never raised out of painting.
#pragma once

#include "codecs/Bitmap.h"
#include "codecs/Graphic.h"
#include "codecs/FrameAnimator.h"
#include "viewer/ScaledFrames.h"

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace vx {

class PictureControl : public QWidget {
    Q_OBJECT

public:
    explicit PictureControl(QWidget* parent = nullptr);

    // Takes the decoded picture; an animated one starts playing. display,
    // when given, is the picture (first frame) already drawn at the size it
    // is shown at.
    void setGraphic(std::shared_ptr<Graphic> graphic, const QImage& display = QImage());
    // Replaces the picture with a still bitmap (rotation, zoom of an animation).
    void setStill(const Bitmap& bitmap);
    // Releases the picture (and stops an animation).
    void clearPicture();
    bool hasPicture() const { return graphic_ || !still_.isNull(); }
    bool isAnimating() const { return timer_.isActive(); }
    const Graphic* graphic() const { return graphic_.get(); }

    // The picture's own size.
    QSize pictureSize() const;
    // The picture at its natural size as a bitmap: the decoder's own pixels
    // (depth and palette kept), the first frame of an animation, or the still.
    Bitmap pictureBitmap() const;
    // The frame on screen at natural size as a 24-bit bitmap.
    Bitmap currentFrameBitmap24() const;

    bool stretch() const { return stretch_; }
    bool centre() const { return centre_; }
    bool proportional() const { return proportional_; }
    bool fill() const { return fill_; }
    void setStretch(bool on);
    void setCentre(bool on);
    void setProportional(bool on);
    void setFill(bool on) { fill_ = on; }

    // Where the picture is drawn inside the control for the current switches.
    QRect pictureRect() const;

signals:
    void doubleClicked();
    // The picture could not be drawn and was released (queued after the paint).
    void pictureFailed(const QString& error);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void nextFrame();
    void invalidate();
    // The picture at size: empty (and the picture released) on failure.
    QImage drawnImage(QSize size);
    void fail(const QString& error);

    std::shared_ptr<Graphic> graphic_;
    Bitmap still_;
    FrameAnimator animator_;
    QTimer timer_;
    bool stretch_ = true, centre_ = false, proportional_ = false, fill_ = false;

    // The picture scaled to the last drawn size.
    QImage scaled_;
    QSize scaledFor_;
    int scaledFrame_ = -1;
    ScaledFrames frames_;
};

}  // namespace vx
