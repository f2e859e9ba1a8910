// The decoder interface every picture decoder meets: created empty, loaded
// from a path or from the bytes of a file in memory (throwing CodecError on
// unreadable, truncated or foreign content), asked for its size, turned into
// pixels for the picture control and drawn scaled into a rectangle.
#pragma once

#include "codecs/Bitmap.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

class QPainter;

namespace vx {

class Graphic {
public:
    virtual ~Graphic() = default;

    // Both loads throw CodecError (never crash, never read past the data).
    // A load that fails keeps the picture loaded before, if any, whole: a
    // decoder never holds half of a picture.
    // Reads the file at path.
    virtual void loadFromFile(const QString& path) = 0;
    // Reads the bytes of a file held in memory; the decoder keeps a copy of
    // whatever it needs later, never the pointer.
    virtual void loadFromData(const uint8_t* data, size_t size) = 0;
    // The same for bytes in a QByteArray (decoders that override the
    // virtual say `using Graphic::loadFromData;` to keep this one).
    void loadFromData(const QByteArray& data)
    {
        loadFromData(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    }

    // Natural size in pixels (0 x 0 before a successful load).
    virtual int width() const = 0;
    virtual int height() const = 0;

    // The picture at full resolution with the depth and palette of the file
    // where the format has them. Animated pictures give their first frame,
    // vector pictures are rendered at their natural size.
    virtual Bitmap bitmap() const = 0;

    // Pixels for showing the picture in a control of the given size. A
    // decoder may return fewer pixels than its natural size when the target
    // is smaller (JPEG's speed-first setting); the caller scales the rest.
    virtual QImage displayImage(QSize target) const;

    // Draws the picture scaled into rect (vector decoders draw their records).
    virtual void draw(QPainter& painter, const QRectF& rect) const;

    // Called before loading a picture that is only shown on the screen
    // (never saved): a decoder may then trade exactness the screen does
    // not show for speed (PNG draws simple transparency opaque, JPEG
    // decodes for the size shown).
    virtual void prepareForScreen() {}

    // Decodes ahead what displayImage needs for a target close to `target`
    // (the exact target is not known yet), so that a later displayImage
    // finishes quickly when its decode turns out the same. Decoders that
    // decode everything when loading have nothing to do. May throw as
    // displayImage does; a failure here changes nothing.
    virtual void prepareDisplay(QSize /*target*/) {}

    // Vector pictures draw themselves at any size instead of being scaled.
    virtual bool isVector() const { return false; }

    // Animation (GIF): frames composed with their disposal; 1 for stills.
    // frameImage is cheap when called in playing order (0, 1, 2, ..., 0).
    virtual int frameCount() const { return 1; }
    virtual QImage frameImage(int index) const;
    // Frame index (the picture itself for stills: displayImage) drawn at
    // size, scaled smoothly where the decoder delivers another size. A
    // decoder can compose small frames on a large screen without ever
    // holding the whole screen.
    virtual QImage frameImageAt(int index, QSize size) const;
    virtual int frameDelayMs(int /*index*/) const { return 0; }
    // 0 = loop forever, n = play n times.
    virtual int loopCount() const { return 0; }
};

}  // namespace vx
