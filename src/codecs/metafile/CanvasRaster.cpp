// Text and bitmaps on the playing surface.
#include "codecs/metafile/Canvas.h"

#include "codecs/Bitmap.h"

#include <QFont>
#include <QFontMetricsF>
#include <cmath>

namespace vx::meta {

namespace {

constexpr int kMaxTextLength = 4096;
constexpr double kMaxFontPixels = 2048;

bool finite(const QTransform& t)
{
    const double v[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (double x : v)
        if (!std::isfinite(x) || std::fabs(x) > 1e12)
            return false;
    return true;
}

}  // namespace

void Canvas::drawText(QPointF reference, const QString& textIn, const std::vector<double>& dx,
                      uint32_t options, const QRectF* rect)
{
    const QString text = textIn.left(kMaxTextLength);
    chargeChars(size_t(text.size()) + 1);
    const uint32_t align = dc_.textAlign;
    if (align & TaUpdateCp)
        reference = dc_.current;
    const QTransform t = logicalToOutput();
    if (!finite(t))
        return;
    if (setup_.trackOnly) {
        track(logicalToDevice(), rect ? rect->normalized() : QRectF(reference, QSizeF(1, 1)));
        return;
    }
    if (rect && (options & EtoOpaque) && !inBracket_ && prepare(t)) {
        p_.setPen(Qt::NoPen);
        p_.setBrush(dc_.bkColor);
        p_.drawRect(rect->normalized());
    }
    const QTransform base = setup_.deviceToOutput * callerTransform_;
    const double sx = std::hypot(t.m11(), t.m12()), sy = std::hypot(t.m21(), t.m22());
    const double h = dc_.font.height;
    double pixels = h == 0 ? 12 * std::hypot(base.m21(), base.m22())
                           : std::fabs(h) * sy * (h > 0 ? 0.8 : 1.0);
    if (!fontsUsable_ || text.isEmpty() || !std::isfinite(pixels) || pixels < 0.5)
        return;
    pixels = std::min(pixels, kMaxFontPixels);

    QFont font;
    if (!dc_.font.face.isEmpty())
        font.setFamily(dc_.font.face);
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    const int weight = dc_.font.weight <= 0 ? 400 : std::clamp(dc_.font.weight, 100, 900);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(dc_.font.italic);
    font.setUnderline(dc_.font.underline);
    font.setStrikeOut(dc_.font.strikeOut);
    const QFontMetricsF fm(font);

    // Pen positions of the characters along the baseline, in output units.
    std::vector<double> positions;
    double total = 0;
    if (!dx.empty()) {
        positions.reserve(size_t(text.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            positions.push_back(total);
            const double step = size_t(i) < dx.size() ? dx[size_t(i)] * sx : fm.horizontalAdvance(text[i]);
            total += std::isfinite(step) ? step : 0;
        }
    } else {
        total = fm.horizontalAdvance(text);
    }
    double x0 = 0;
    switch (align & TaHorizontalMask) {
    case TaRight: x0 = -total; break;
    case TaCenter: x0 = -total / 2; break;
    default: break;
    }
    double baseline = fm.ascent();
    switch (align & TaVerticalMask) {
    case TaBaseline: baseline = 0; break;
    case TaBottom: baseline = -fm.descent(); break;
    default: break;
    }
    const QPointF origin = t.map(reference);
    QTransform place;
    place.translate(origin.x(), origin.y());
    place.rotate(-dc_.font.escapement / 10.0);

    if (align & TaUpdateCp) {
        const double move = (align & TaHorizontalMask) == TaRight ? -total
                            : (align & TaHorizontalMask) == TaCenter ? 0 : total;
        bool invertible = false;
        const QTransform back = t.inverted(&invertible);
        if (invertible)
            dc_.current = back.map(place.map(QPointF(move, 0)));
    }

    QPainterPath glyphs;
    if (inBracket_) {
        if (positions.empty()) {
            glyphs.addText(QPointF(x0, baseline), font, text);
        } else {
            for (qsizetype i = 0; i < text.size(); ++i)
                glyphs.addText(QPointF(x0 + positions[size_t(i)], baseline), font, QString(text[i]));
        }
        bool invertible = false;
        const QTransform toDevice = base.inverted(&invertible);
        if (invertible)
            bracket_.addPath((place * toDevice).map(glyphs));
        figureOpen_ = false;
        return;
    }

    if (!prepare(t))
        return;
    p_.save();
    if (rect && (options & EtoClipped))
        p_.setClipRect(rect->normalized(), Qt::IntersectClip);
    p_.setTransform(place);
    if (dc_.opaqueBackground)
        p_.fillRect(QRectF(x0, baseline - fm.ascent(), total, fm.ascent() + fm.descent()), dc_.bkColor);
    p_.setBackgroundMode(Qt::TransparentMode);
    p_.setFont(font);
    p_.setPen(dc_.textColor);
    if (positions.empty()) {
        p_.drawText(QPointF(x0, baseline), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i)
            p_.drawText(QPointF(x0 + positions[size_t(i)], baseline), QString(text[i]));
    }
    p_.restore();
}

void Canvas::drawImage(const QImage& image, const QRectF& dest, const QRectF& src, uint32_t rop)
{
    charge(4);
    if (image.isNull() || inBracket_)
        return;
    blitPixels_ += int64_t(image.width()) * image.height();
    if (blitPixels_ > kMaxTotalBlitPixels) {
        exhausted_ = true;
        throw CodecError("Metafile holds too many bitmap pixels");
    }
    if (setup_.trackOnly) {
        track(logicalToDevice(), dest.normalized());
        return;
    }
    if (src.width() <= 0 || src.height() <= 0 || dest.width() == 0 || dest.height() == 0)
        return;
    const QRectF visible = src.intersected(QRectF(image.rect()));
    if (visible.isEmpty())
        return;
    const double kx = dest.width() / src.width(), ky = dest.height() / src.height();
    const QTransform imageToLogical(kx, 0, 0, ky, dest.x() - src.x() * kx, dest.y() - src.y() * ky);

    QImage pixels = image;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case 0x00330008: pixels.invertPixels(); break;                      // NOTSRCCOPY
    case 0x008800C6: mode = QPainter::RasterOp_SourceAndDestination; break;  // SRCAND
    case 0x00EE0086: mode = QPainter::RasterOp_SourceOrDestination; break;   // SRCPAINT
    case 0x00660046: mode = QPainter::RasterOp_SourceXorDestination; break;  // SRCINVERT
    case 0x00BB0226:                                                    // MERGEPAINT
        pixels.invertPixels();
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    default: break;  // SRCCOPY and everything else: a plain copy
    }
    if (mode != QPainter::CompositionMode_SourceOver && !rasterOps_)
        return;
    if (!prepare(imageToLogical * logicalToOutput()))
        return;
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p_.setCompositionMode(mode);
    p_.drawImage(visible, pixels, visible);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::patBlt(const QRectF& dest, uint32_t rop)
{
    charge(4);
    if (inBracket_)
        return;
    if (setup_.trackOnly) {
        track(logicalToDevice(), dest.normalized());
        return;
    }
    QBrush brush;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case 0x00F00021: brush = makeBrush(dc_.brush); break;  // PATCOPY
    case 0x00000042: brush = QBrush(Qt::black); break;     // BLACKNESS
    case 0x00FF0062: brush = QBrush(Qt::white); break;     // WHITENESS
    case 0x00550009:                                       // DSTINVERT
        brush = QBrush(Qt::white);
        mode = QPainter::RasterOp_NotDestination;
        break;
    case 0x005A0049:                                       // PATINVERT
        brush = makeBrush(dc_.brush);
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    default: return;
    }
    if (brush.style() == Qt::NoBrush || (mode != QPainter::CompositionMode_SourceOver && !rasterOps_))
        return;
    if (!prepare(logicalToOutput()))
        return;
    p_.setPen(Qt::NoPen);
    p_.setBrush(brush);
    p_.setCompositionMode(mode);
    p_.drawRect(dest.normalized());
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace vx::meta
