// GifImage: the animated GIF decoder on giflib. Loading reads the file into
// memory, records its frames and composes the first one; later frames are
// decoded when asked for and composed onto one canvas with their disposal
// methods, so playing in order costs one frame decode per step and no frame
// is held beyond the current one. The canvas covers only the part of the
// logical screen that some frame reaches (the rest stays transparent), so a
// few bytes claiming a huge screen cost no more than their frames.
#pragma once

#include "codecs/Graphic.h"
#include "codecs/gif/GifStream.h"

#include <QByteArray>

namespace vx {

class GifImage : public Graphic {
public:
    using Graphic::loadFromData;
    void loadFromFile(const QString& path) override;
    void loadFromData(const uint8_t* data, size_t size) override;

    // The logical screen.
    int width() const override { return screen_.width(); }
    int height() const override { return screen_.height(); }

    // The first frame: 8-bit indexed with the file's colours when that frame
    // covers the screen without transparent pixels, 32 bits with alpha
    // otherwise (made when first asked for, so the picture is held once).
    Bitmap bitmap() const override;
    // The composed first frame on the whole screen.
    QImage displayImage(QSize target) const override;
    // A composed frame scaled to size; only the covered part is scaled.
    QImage frameImageAt(int index, QSize size) const override;
    // The part of the screen the frames reach.
    QRect coveredRect() const { return box_; }

    int frameCount() const override { return int(structure_.frames.size()); }
    // The size of the picture a scanned file describes: its logical screen,
    // or where that is empty, the first frame's reach.
    static QSize screenSize(const gif::Structure& s);
    // The composed frame (QImage::Format_ARGB32), a null image for a bad
    // index. Cheap in playing order; an earlier index starts again from the
    // first frame.
    QImage frameImage(int index) const override;
    // Delays of 0 or 1 hundredths play as 100 ms, as browsers do.
    int frameDelayMs(int index) const override;
    // 0 = forever (also without a NETSCAPE2.0 extension: the viewer loops
    // while the picture is shown); a stored count n repeats the animation n
    // times after the first play, so it plays n + 1 times.
    int loopCount() const override;

    // The raw NETSCAPE2.0 loop count, -1 when the file has none.
    int repeatCount() const { return structure_.repeatCount; }
    const gif::FrameInfo& frameInfo(int index) const { return structure_.frames.at(size_t(index)); }

private:
    // Reads the file's bytes into this empty picture (see load).
    void read(const QByteArray& data);
    // Replaces the picture by the one in data, or keeps it on failure.
    void load(const QByteArray& data);
    // Decodes frame index onto canvas_; strict turns decoding errors into
    // CodecError, otherwise the rows the data holds are kept.
    void drawFrame(int index, bool strict, Bitmap* indices) const;
    void disposeFrame(int index) const;
    // Composes the canvas up to frame index (false for a bad index).
    bool composeTo(int index) const;
    // The canvas placed on the whole screen.
    QImage onScreen(const QImage& canvas) const;

    QByteArray data_;
    gif::Structure structure_;
    QSize screen_;
    QRect box_;  // the canvas's place on the screen
    QImage first_;
    mutable Bitmap firstBitmap_;

    mutable QImage canvas_;
    mutable int canvasIndex_ = -1;
    mutable QImage saved_;  // what a "restore previous" frame covered
};

}  // namespace vx
