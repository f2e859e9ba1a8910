#include "skins/ui/DefaultSkin.h"

#include <QColor>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <cmath>
#include <numbers>

namespace vx {

namespace {

const QColor kFace(192, 192, 192);
const QColor kLight(255, 255, 255);
const QColor kLightInner(224, 224, 224);
const QColor kShadowInner(128, 128, 128);
const QColor kShadow(64, 64, 64);
const QColor kInk(0, 0, 0);

// One black symbol on a transparent 25 x 19 sheet, drawn pixel-exact.
class Glyph {
public:
    Glyph() : m_image(kDefaultSkinTileWidth, kDefaultSkinTileHeight, QImage::Format_ARGB32) {
        m_image.fill(Qt::transparent);
    }

    // Inclusive rectangle filled with ink.
    void fill(int x0, int y0, int x1, int y1) { paint(x0, y0, x1, y1, kInk); }
    // Inclusive rectangle made transparent again (a hole in a filled shape).
    void clear(int x0, int y0, int x1, int y1) { paint(x0, y0, x1, y1, Qt::transparent); }
    void px(int x, int y) { fill(x, y, x, y); }
    void hline(int x0, int x1, int y) { fill(x0, y, x1, y); }
    void vline(int x, int y0, int y1) { fill(x, y0, x, y1); }
    void frame(int x0, int y0, int x1, int y1) {
        hline(x0, x1, y0);
        hline(x0, x1, y1);
        vline(x0, y0, y1);
        vline(x1, y0, y1);
    }

    // Part of a ring around (cx, cy): pixels whose centres lie between the two
    // radii and whose angle (degrees, counter-clockwise from the right, y up)
    // lies in [fromDeg, toDeg].
    void arc(double cx, double cy, double rIn, double rOut, double fromDeg, double toDeg) {
        for (int y = 0; y < m_image.height(); ++y) {
            for (int x = 0; x < m_image.width(); ++x) {
                const double dx = x - cx, dy = cy - y;
                const double d = std::hypot(dx, dy);
                if (d < rIn || d > rOut) continue;
                double a = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
                if (a < fromDeg) a += 360.0;
                if (a <= toDeg) px(x, y);
            }
        }
    }

    QImage image() const { return m_image; }

private:
    void paint(int x0, int y0, int x1, int y1, const QColor& color) {
        QPainter p(&m_image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(QPoint(x0, y0), QPoint(x1, y1)), color);
    }

    QImage m_image;
};

// Open: an arrow coming up from below and bending to the right.
Glyph openGlyph() {
    Glyph g;
    g.fill(6, 7, 7, 15);    // upright stroke
    g.fill(6, 7, 14, 8);    // bend to the right
    for (int i = 0; i < 5; ++i) g.vline(14 + i, 3 + i, 12 - i);  // head
    return g;
}

// Save: a floppy disk with its shutter and label.
Glyph saveGlyph() {
    Glyph g;
    g.fill(5, 3, 19, 15);
    g.clear(19, 3, 19, 3);   // bevelled corner
    g.clear(8, 3, 16, 7);    // shutter opening
    g.fill(13, 4, 15, 6);    // the window of the shutter
    g.clear(7, 10, 17, 14);  // label
    g.hline(9, 15, 12);      // writing on the label
    return g;
}

// Settings: a claw hammer, head on top and a long handle.
Glyph settingsGlyph() {
    Glyph g;
    g.fill(9, 4, 17, 6);    // head
    g.fill(15, 3, 18, 7);   // striking face
    g.fill(7, 4, 8, 5);     // claw, curving down to the left
    g.fill(6, 5, 6, 6);
    g.fill(5, 6, 5, 7);
    g.px(4, 8);
    g.fill(11, 7, 13, 15);  // handle
    return g;
}

// Info: a bold letter i with serifs.
Glyph infoGlyph() {
    Glyph g;
    g.fill(11, 3, 13, 5);   // dot
    g.fill(10, 7, 13, 8);   // top serif
    g.fill(11, 7, 13, 14);  // stem
    g.fill(9, 14, 15, 15);  // foot
    return g;
}

// Set wallpaper: a screen in a thick frame on a stand, a small landscape on it.
Glyph wallpaperGlyph() {
    Glyph g;
    g.fill(4, 2, 20, 13);
    g.clear(6, 4, 18, 11);
    g.fill(11, 14, 13, 14);  // neck
    g.fill(8, 15, 16, 15);   // foot
    // a hill and a sun on the screen
    for (int i = 0; i < 4; ++i) g.hline(9 - i, 11 + i, 8 + i);
    g.fill(15, 5, 16, 6);
    return g;
}

// Rotate right: an open ring turning clockwise, the arrow head at the top
// pointing to the right. Rotate left is its mirror image.
Glyph rotateRightGlyph() {
    Glyph g;
    g.arc(12.0, 9.5, 4.0, 6.0, 90.0, 360.0);
    // head at the top end of the ring, pointing right
    for (int i = 0; i < 4; ++i) g.vline(12 + i, 2 + i, 8 - i);
    return g;
}

// Previous: a triangle pointing left. Next is its mirror image.
Glyph previousGlyph() {
    Glyph g;
    for (int i = 0; i < 6; ++i) g.vline(9 + i, 9 - i, 9 + i);
    g.fill(15, 4, 15, 14);
    return g;
}

// Film strip: perforated edges and two frames.
Glyph filmGlyph() {
    Glyph g;
    g.fill(4, 3, 20, 15);
    for (int x = 5; x <= 19; x += 2) {
        g.clear(x, 4, x, 4);
        g.clear(x, 14, x, 14);
    }
    g.clear(6, 6, 11, 12);
    g.clear(13, 6, 18, 12);
    return g;
}

// Full screen: a frame with a thick top edge, like a window filling the screen.
Glyph fullScreenGlyph() {
    Glyph g;
    g.frame(5, 3, 19, 15);
    g.frame(6, 4, 18, 14);
    g.fill(7, 5, 17, 6);
    return g;
}

// Minimize: a triangle pointing down.
Glyph minimizeGlyph() {
    Glyph g;
    for (int i = 0; i < 6; ++i) g.hline(7 + i, 17 - i, 7 + i);
    return g;
}

// Maximize: a triangle pointing up over one pointing down.
Glyph maximizeGlyph() {
    Glyph g;
    for (int i = 0; i < 5; ++i) g.hline(12 - i, 12 + i, 3 + i);
    for (int i = 0; i < 5; ++i) g.hline(8 + i, 16 - i, 11 + i);
    return g;
}

// Close: a cross of two thick diagonals.
Glyph closeGlyph() {
    Glyph g;
    for (int i = 0; i < 11; ++i) {
        g.hline(6 + i, 8 + i, 4 + i);
        g.hline(16 - i, 18 - i, 4 + i);
    }
    return g;
}

// Play: a bar followed by a triangle pointing right.
Glyph playGlyph() {
    Glyph g;
    g.fill(7, 4, 8, 14);
    for (int i = 0; i < 6; ++i) g.vline(11 + i, 4 + i, 14 - i);
    return g;
}

// Pause: two upright bars.
Glyph pauseGlyph() {
    Glyph g;
    g.fill(8, 4, 10, 14);
    g.fill(14, 4, 16, 14);
    return g;
}

// Stop: a filled square.
Glyph stopGlyph() {
    Glyph g;
    g.fill(8, 5, 16, 13);
    return g;
}

QImage mirrored(const Glyph& g) {
    return g.image().mirrored(true, false);
}

// A raised tile (pressed = false) or a sunken one, its symbol moved one pixel
// down and to the right when sunken.
void drawTile(QPainter& p, int left, int top, bool pressed, const QImage& symbol) {
    const int w = kDefaultSkinTileWidth, h = kDefaultSkinTileHeight;
    const int right = left + w - 1, bottom = top + h - 1;
    const QColor& outerTL = pressed ? kShadow : kLight;
    const QColor& innerTL = pressed ? kShadowInner : kLightInner;
    const QColor& outerBR = pressed ? kLight : kShadow;
    const QColor& innerBR = pressed ? kLightInner : kShadowInner;

    p.fillRect(QRect(left, top, w, h), kFace);
    // bottom-right first, so the top-left edges own the two odd corners
    p.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), outerBR);
    p.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), outerBR);
    p.fillRect(QRect(QPoint(left + 1, bottom - 1), QPoint(right - 1, bottom - 1)), innerBR);
    p.fillRect(QRect(QPoint(right - 1, top + 1), QPoint(right - 1, bottom - 1)), innerBR);
    p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), outerTL);
    p.fillRect(QRect(QPoint(left, top), QPoint(left, bottom - 1)), outerTL);
    p.fillRect(QRect(QPoint(left + 1, top + 1), QPoint(right - 2, top + 1)), innerTL);
    p.fillRect(QRect(QPoint(left + 1, top + 1), QPoint(left + 1, bottom - 2)), innerTL);

    const int shift = pressed ? 1 : 0;
    // The symbol stays inside the bevel even when moved.
    p.save();
    p.setClipRect(QRect(QPoint(left + 2, top + 2), QPoint(right - 2, bottom - 2)));
    p.drawImage(QPoint(left + shift, top + shift), symbol);
    p.restore();
}

}  // namespace

QImage defaultSkinImage() {
    const QImage symbols[kDefaultSkinTileCount] = {
        openGlyph().image(),
        saveGlyph().image(),
        settingsGlyph().image(),
        infoGlyph().image(),
        wallpaperGlyph().image(),
        mirrored(rotateRightGlyph()),
        rotateRightGlyph().image(),
        previousGlyph().image(),
        mirrored(previousGlyph()),
        filmGlyph().image(),
        fullScreenGlyph().image(),
        minimizeGlyph().image(),
        maximizeGlyph().image(),
        closeGlyph().image(),
        playGlyph().image(),
        pauseGlyph().image(),
        stopGlyph().image(),
    };

    QImage picture(kDefaultSkinWidth, kDefaultSkinHeight, QImage::Format_RGB888);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < kDefaultSkinTileCount; ++i) {
        const int x = i * kDefaultSkinTileWidth;
        drawTile(p, x, 0, false, symbols[i]);
        drawTile(p, x, kDefaultSkinTileHeight, true, symbols[i]);
    }
    p.end();
    return picture;
}

}  // namespace vx
