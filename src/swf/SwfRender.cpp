// Drawing a frame: display lists in depth order, clip layers as masks
// (content and mask drawn into layers and combined), shapes with solid,
// gradient and bitmap fills, strokes, morph shapes, static and edit text,
// and buttons in their current state. Colour transforms apply to every colour
// drawn. On a plain 32-bit image shapes go through our own rasterizers and
// are blended into its pixels directly; on any other device, and for edit
// text, through the painter. Objects with blend modes or filters and cached
// clips go through layers of their own (SwfRenderLayers.cpp).
#include "swf/SwfPlayer.h"
#include "platform/VectorState.h"
#include "swf/SwfCanvas.h"
#include "swf/SwfEditText.h"
#include "swf/SwfGradient.h"
#include "swf/SwfHairline.h"
#include "swf/SwfLayer.h"
#include "swf/SwfMath.h"
#include "swf/SwfRaster.h"
#include "swf/SwfRenderContext.h"
#include "swf/SwfStroke.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>

namespace vx::swf {

namespace {

using ListIt = std::map<int, DisplayObject>::const_iterator;

using detail::Ctx;
using detail::drawCached;
using detail::drawCharacter;
using detail::drawLayered;
using detail::kMaxLayers;
using detail::needsLayer;
using detail::setupPainter;

// Characters drawn per frame at most: buttons and sprites that place each
// other many times over would otherwise multiply without end.
constexpr long kMaxDrawsPerFrame = 200'000;

// Aliased curves are cut within this many units of the shape's own space
// (two twips: a tenth of a pixel at scale 1), fills and line centres alike.
constexpr double kCurveTolerance = 2;
// The chords of wide lines' round joins and caps stay within this many
// device pixels of the circle.
constexpr double kArcTolerance = 0.5;

// The device pixels path covers when mapped by m: antialiased, or whole
// pixels whose centres lie inside at low quality. Needs the canvas.
const CoverRuns& coverageOf(Ctx& c, const QPainterPath& path, const QTransform& m,
                            double curveTolerance = kCurveTolerance)
{
    if (c.quality == Quality::Low) {
        CoverageRaster::fromSpans(c.raster->rasterize(path, m, c.device, curveTolerance), *c.aliasedRuns);
        return *c.aliasedRuns;
    }
    // Once the frame's pixels are spent the outline is not even cut.
    static const std::vector<ScanRaster::Edge> none;
    const auto& edges = c.coverage->spent(c.device) ? none : c.raster->buildEdges(path, m, curveTolerance);
    return c.coverage->rasterize(edges, path.fillRule() == Qt::WindingFill, c.device);
}

// Fills path mapped by m with a solid colour on the canvas.
void fillSolidOnCanvas(Ctx& c, const QPainterPath& path, const QTransform& m, const QColor& colour)
{
    const QRgb premultiplied = qPremultiply(colour.rgba());
    if (qAlpha(premultiplied) == 0) return;
    if (c.quality == Quality::Low) {
        c.canvas->fillSolid(coverageOf(c, path, m), premultiplied);
        return;
    }
    if (c.coverage->spent(c.device)) return;
    Canvas::SolidSink sink{*c.canvas, premultiplied};
    c.coverage->rasterize(c.raster->buildEdges(path, m, kCurveTolerance), path.fillRule() == Qt::WindingFill, c.device,
                          sink);
}

// Fills path (mapped by the painter's transform) with brush (in path space).
// Aliased fills go through our own scanline rasterizer so that edges fall on
// pixel centres exactly.
void fill(Ctx& c, const QPainterPath& path, const QBrush& brush)
{
    QPainter& p = *c.p;
    if (c.canvas && brush.style() == Qt::SolidPattern) {
        fillSolidOnCanvas(c, path, p.transform(), brush.color());
        return;
    }
    if (c.quality != Quality::Low || !c.raster) {
        p.fillPath(path, brush);
        return;
    }
    const QTransform m = p.transform();
    const auto& spans = c.raster->rasterize(path, m, c.device, kCurveTolerance);
    if (spans.empty()) return;
    if (brush.style() == Qt::SolidPattern) {
        ScanRaster::fillSpans(p, spans, brush);
    } else {
        QBrush b = brush;
        b.setTransform(brush.transform() * m);
        ScanRaster::fillSpans(p, spans, b);
    }
}

constexpr int kMaxDrawNesting = 48;
// Each mask layer holds two images of its area; deeper masks draw unmasked.
constexpr int kMaxMaskLayers = 6;

}  // namespace

void detail::setupPainter(QPainter& p, Quality q)
{
    p.setRenderHint(QPainter::Antialiasing, q != Quality::Low);
    p.setRenderHint(QPainter::SmoothPixmapTransform, q == Quality::High);
}

namespace {

// Bitmaps with a colour transform applied, kept for the frames that follow.
struct TintEntry {
    qint64 source;  // cacheKey of the bitmap
    CxForm cx;
    QImage image;
};
std::deque<TintEntry>& tintCache()
{
    static std::deque<TintEntry> cache;
    return cache;
}

GradientRampCache& rampCache()
{
    thread_local GradientRampCache cache;
    return cache;
}

QImage tinted(const QImage& src, const CxForm& cx)
{
    if (cx.isIdentity()) return src;
    auto& cache = tintCache();
    for (const auto& e : cache)
        if (e.source == src.cacheKey() && e.cx == cx) return e.image;
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QColor c = cx.apply(QColor::fromRgba(row[x]));
            row[x] = c.rgba();
        }
    }
    out = out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (qint64(out.width()) * out.height() > (qint64(1) << 22)) return out;  // large ones are not kept
    cache.push_front({src.cacheKey(), cx, out});
    if (cache.size() > 16) cache.pop_back();
    return out;
}

QColor toLinear(const QColor& c)
{
    auto f = [](double v) { v /= 255.0; return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return QColor::fromRgbF(float(f(c.red())), float(f(c.green())), float(f(c.blue())), c.alphaF());
}
QColor fromLinear(double r, double g, double b, double a)
{
    auto f = [](double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; };
    return QColor::fromRgbF(float(std::clamp(f(r), 0.0, 1.0)), float(std::clamp(f(g), 0.0, 1.0)),
                            float(std::clamp(f(b), 0.0, 1.0)), float(std::clamp(a, 0.0, 1.0)));
}

QGradientStops gradientStops(const FillStyle& f, const CxForm& cx)
{
    QGradientStops stops;
    // Ratios that do not increase make a hard step at the previous ratio.
    double prev = -1;
    for (const GradientStop& s : f.stops) {
        double pos = std::clamp(double(s.ratio), 0.0, 255.0) / 255.0;
        if (pos <= prev) pos = std::min(1.0, prev + 1e-6);
        stops.append({pos, cx.apply(s.color)});
        prev = pos;
    }
    if (f.interpolation == 1 && stops.size() > 1) {
        QGradientStops fine;
        for (qsizetype i = 0; i + 1 < stops.size(); ++i) {
            const QColor a = toLinear(stops[i].second), b = toLinear(stops[i + 1].second);
            for (int k = 0; k < 8; ++k) {
                const double t = k / 8.0;
                fine.append({stops[i].first + (stops[i + 1].first - stops[i].first) * t,
                             fromLinear(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                                        a.blueF() + (b.blueF() - a.blueF()) * t,
                                        a.alphaF() + (b.alphaF() - a.alphaF()) * t)});
            }
        }
        fine.append(stops.back());
        stops = fine;
    } else if (stops.size() > 1) {
        // Colours blend unpremultiplied: where alpha changes along the ramp,
        // the stops are subdivided so that the painter's premultiplied blend
        // between close stops follows the straight one.
        bool alphaChanges = false;
        for (qsizetype i = 1; i < stops.size(); ++i) alphaChanges |= stops[i].second.alpha() != stops[0].second.alpha();
        if (alphaChanges) {
            QGradientStops fine;
            for (qsizetype i = 0; i + 1 < stops.size(); ++i) {
                const QColor a = stops[i].second, b = stops[i + 1].second;
                const int steps = a.alpha() == b.alpha() ? 1 : 16;
                for (int k = 0; k < steps; ++k) {
                    const double t = double(k) / steps;
                    fine.append({stops[i].first + (stops[i + 1].first - stops[i].first) * t,
                                 QColor(int(a.red() + (b.red() - a.red()) * t + 0.5), int(a.green() + (b.green() - a.green()) * t + 0.5),
                                        int(a.blue() + (b.blue() - a.blue()) * t + 0.5), int(a.alpha() + (b.alpha() - a.alpha()) * t + 0.5))});
                }
            }
            fine.append(stops.back());
            stops = fine;
        }
    }
    return stops;
}

// Fills path with f on the canvas, m mapping both to the device.
void fillOnCanvas(Ctx& c, const QPainterPath& path, const FillStyle& f, const CxForm& cx, const QTransform& m)
{
    switch (f.kind) {
    case FillStyle::Solid:
        fillSolidOnCanvas(c, path, m, cx.apply(f.color));
        return;
    case FillStyle::Linear:
    case FillStyle::Radial:
    case FillStyle::Focal: {
        if (f.stops.empty()) return;
        if (!f.matrix.isInvertible()) {
            // A degenerate gradient square shows its last colour.
            fillSolidOnCanvas(c, path, m, cx.apply(f.stops.back().color));
            return;
        }
        c.canvas->fillGradient(coverageOf(c, path, m), f, rampCache().get(f, cx), f.matrix * m);
        return;
    }
    case FillStyle::Bitmap: {
        const QImage* src = c.movie->bitmap(f.bitmapId);
        if (!src || src->isNull()) return;
        c.canvas->fillBitmap(coverageOf(c, path, m), tinted(*src, cx), f.matrix * m, f.repeat,
                             f.smooth && c.quality == Quality::High);
        return;
    }
    }
}

// Fills path (in shape twips, painter set to the shape's transform) with f.
void fillWithStyle(Ctx& c, const QPainterPath& path, const FillStyle& f, const CxForm& cx)
{
    QPainter& p = *c.p;
    if (c.canvas) {
        fillOnCanvas(c, path, f, cx, p.transform());
        return;
    }
    switch (f.kind) {
    case FillStyle::Solid:
        fill(c, path, cx.apply(f.color));
        return;
    case FillStyle::Linear:
    case FillStyle::Radial:
    case FillStyle::Focal: {
        if (c.quality == Quality::Low && c.raster && !f.stops.empty() && f.matrix.isInvertible()) {
            // Aliased gradients: the movie's own colour table, sampled per pixel.
            const QTransform m = p.transform();
            const auto& spans = c.raster->rasterize(path, m, c.device, kCurveTolerance);
            if (spans.empty()) return;
            fillGradientSpans(p, spans, f, rampCache().get(f, cx), f.matrix * m);
            return;
        }
        const QGradientStops stops = gradientStops(f, cx);
        if (stops.isEmpty()) return;
        if (stops.size() == 1) {
            fill(c, path, stops[0].second);
            return;
        }
        if (!f.matrix.isInvertible()) {
            // A degenerate gradient square shows its last colour.
            fill(c, path, stops.back().second);
            return;
        }
        QGradient g;
        if (f.kind == FillStyle::Linear) g = QLinearGradient(-16384, 0, 16384, 0);
        else g = QRadialGradient(QPointF(0, 0), 16384, QPointF(f.kind == FillStyle::Focal ? f.focal * 16384 : 0, 0));
        g.setStops(stops);
        g.setSpread(f.spread == 1 ? QGradient::ReflectSpread : f.spread == 2 ? QGradient::RepeatSpread
                                                                              : QGradient::PadSpread);
        QBrush brush(g);
        brush.setTransform(f.matrix);
        fill(c, path, brush);
        return;
    }
    case FillStyle::Bitmap: {
        const QImage* src = c.movie->bitmap(f.bitmapId);
        if (!src || src->isNull() || !f.matrix.isInvertible()) return;
        QImage img = tinted(*src, cx);
        QTransform m = f.matrix;
        const QRectF need = f.matrix.inverted().mapRect(path.boundingRect());
        const bool finite = std::isfinite(need.left()) && std::isfinite(need.right()) &&
                            std::isfinite(need.top()) && std::isfinite(need.bottom());
        if (!f.repeat && finite) {
            // Clipped fills repeat their edge pixels beyond the picture.
            const int padL = int(std::clamp(std::ceil(-need.left()), 0.0, 1024.0));
            const int padT = int(std::clamp(std::ceil(-need.top()), 0.0, 1024.0));
            const int padR = int(std::clamp(std::ceil(need.right() - img.width()), 0.0, 1024.0));
            const int padB = int(std::clamp(std::ceil(need.bottom() - img.height()), 0.0, 1024.0));
            if ((padL || padT || padR || padB) &&
                int64_t(img.width() + padL + padR) * (img.height() + padT + padB) < (int64_t(1) << 24)) {
                QImage big(img.width() + padL + padR, img.height() + padT + padB, QImage::Format_ARGB32_Premultiplied);
                const int w = img.width(), h = img.height();
                for (int y = 0; y < big.height(); ++y) {
                    const QRgb* s = reinterpret_cast<const QRgb*>(img.constScanLine(std::clamp(y - padT, 0, h - 1)));
                    QRgb* d = reinterpret_cast<QRgb*>(big.scanLine(y));
                    for (int x = 0; x < big.width(); ++x) d[x] = s[std::clamp(x - padL, 0, w - 1)];
                }
                img = big;
                m = QTransform::fromTranslate(-padL, -padT) * f.matrix;
            }
        }
        QBrush brush(img);
        brush.setTransform(m);
        p.setRenderHint(QPainter::SmoothPixmapTransform, f.smooth && c.quality == Quality::High);
        fill(c, path, brush);
        p.setRenderHint(QPainter::SmoothPixmapTransform, c.quality == Quality::High);
        return;
    }
    }
}

// How much m magnifies at most: its largest singular value.
double largestScale(const QTransform& m)
{
    const double a = m.m11(), b = m.m12(), c = m.m21(), d = m.m22();
    const double sum = a * a + b * b + c * c + d * d, det = a * d - b * c;
    return std::sqrt((sum + std::sqrt(std::max(0.0, sum * sum - 4 * det * det))) / 2);
}

// The outline of a line drawn with pen along path (in shape space, dev
// mapping it to the device). Thin lines are outlined on the device at their
// pixel width, and `cosmetic` is set: the outline is then in device pixels.
// Wider ones are outlined in shape space as `style` says, so that uneven
// scaling shapes them too; their centre line's curves are cut like a
// fill's, and round joins and caps keep within kArcTolerance of the circle
// on the device.
QPainterPath lineOutline(const QPainterPath& path, const QPen& pen, const QTransform& dev, const StrokeStyle& style)
{
    if (!pen.isCosmetic()) {
        const double scale = std::sqrt(std::abs(dev.determinant()));
        const double tol = scale > 0 ? std::clamp(kCurveTolerance, 1 / (256 * scale), 0.5 / scale) : kCurveTolerance;
        return strokeOutline(path, style, tol, kArcTolerance / largestScale(dev));
    }
    QPainterPathStroker stroker;
    stroker.setWidth(pen.widthF());
    stroker.setCapStyle(pen.capStyle());
    stroker.setMiterLimit(pen.miterLimit());
    // At a pixel or so a round join differs from a bevelled one by less
    // than a fifth of a pixel, and the cut curves have a join at every
    // cut: bevel them, which is much cheaper to outline.
    stroker.setJoinStyle(pen.joinStyle() == Qt::RoundJoin ? Qt::BevelJoin : pen.joinStyle());
    QPainterPath outline = stroker.createStroke(ScanRaster::flattenQuadratics(dev.map(path), 0.1));
    outline.setFillRule(Qt::WindingFill);
    return outline;
}

// Turns the twips grid of the frame's rasterizer off while it lives.
struct OffGrid {
    ScanRaster* raster;
    bool was;
    explicit OffGrid(ScanRaster* r, bool off = true) : raster(r), was(r ? r->twipsGrid() : true)
    {
        if (raster && off) raster->setTwipsGrid(false);
    }
    ~OffGrid()
    {
        if (raster) raster->setTwipsGrid(was);
    }
};

// A line filled through our own rasterizer: on the canvas, or aliased
// through the painter. `gradient` is the line's gradient fill, if any.
void strokeOwn(Ctx& c, const QPainterPath& path, const QPen& pen, const StrokeStyle& style, const QTransform& dev,
               const FillStyle* gradient, const CxForm& cx)
{
    const QRgb colour = qPremultiply(pen.color().rgba());
    const bool thin = c.canvas && c.quality != Quality::Low && pen.isCosmetic();
    if (thin && !gradient) {
        // Thin antialiased lines straight from their centre line.
        c.hairlines->draw(*c.canvas, colour, path, dev, pen.widthF(), pen.capStyle() != Qt::FlatCap, c.device);
        return;
    }
    const QPainterPath outline = thin ? QPainterPath() : lineOutline(path, pen, dev, style);
    // So are the outlines of lines.
    OffGrid offGrid(c.raster);
    const QTransform toDevice = pen.isCosmetic() ? QTransform() : dev;
    const double tolerance = pen.isCosmetic() ? 0 : kCurveTolerance;
    if (c.canvas) {
        const auto& runs = thin ? c.hairlines->rasterize(path, dev, pen.widthF(), pen.capStyle() != Qt::FlatCap, c.device)
                                : coverageOf(c, outline, toDevice, tolerance);
        if (gradient) c.canvas->fillGradient(runs, *gradient, rampCache().get(*gradient, cx), gradient->matrix * dev);
        else c.canvas->fillSolid(runs, colour);
        return;
    }
    const auto& spans = c.raster->rasterize(outline, toDevice, c.device, tolerance);
    if (gradient) {
        fillGradientSpans(*c.p, spans, *gradient, rampCache().get(*gradient, cx), gradient->matrix * dev);
        return;
    }
    QBrush b = pen.brush();
    if (b.style() != Qt::SolidPattern) b.setTransform(b.transform() * dev);
    ScanRaster::fillSpans(*c.p, spans, b);
}

void drawShape(Ctx& c, const CompiledShape& shape, const QTransform& world, const CxForm& cx)
{
    QPainter& p = *c.p;
    const QTransform dev = world * c.base;
    p.setTransform(dev);
    const double scale = std::sqrt(std::abs(dev.determinant()));
    for (const CompiledLayer& layer : shape.layers) {
        for (const auto& f : layer.fills) {
            if (c.maskMode) fill(c, f.path, QColor(Qt::black));
            else fillWithStyle(c, f.path, f.style, cx);
        }
        // A mask is the area of its fills: its lines take no part.
        if (c.maskMode) continue;
        for (const auto& s : layer.strokes) {
            const LineStyle& l = s.style;
            QPen pen;
            if (l.hasFill && l.fill.kind != FillStyle::Solid && l.fill.kind != FillStyle::Bitmap) {
                const QGradientStops stops = gradientStops(l.fill, cx);
                if (stops.size() > 1 && l.fill.matrix.isInvertible()) {
                    QGradient g = l.fill.kind == FillStyle::Linear ? QGradient(QLinearGradient(-16384, 0, 16384, 0))
                                                                   : QGradient(QRadialGradient(QPointF(0, 0), 16384));
                    g.setStops(stops);
                    QBrush b(g);
                    b.setTransform(l.fill.matrix);
                    pen.setBrush(b);
                } else {
                    pen.setColor(stops.isEmpty() ? QColor(Qt::transparent) : stops.back().second);
                }
            } else {
                pen.setColor(cx.apply(l.color));
            }
            // Line widths follow the object's scale; the player we compare
            // with draws lines flagged "no scale" scaled as well.
            const double deviceWidth = l.width * scale;
            if (!std::isfinite(deviceWidth) || !std::isfinite(scale)) continue;
            // Hairlines and thin lines take the cosmetic pen's fast path; a
            // line is never drawn thinner than one pixel.
            if (deviceWidth <= 1.5 || scale <= 0) {
                pen.setCosmetic(true);
                pen.setWidthF(std::max(1.0, deviceWidth));
            } else {
                pen.setWidthF(l.width);
            }
            pen.setCapStyle(l.startCap == 1 ? Qt::FlatCap : l.startCap == 2 ? Qt::SquareCap : Qt::RoundCap);
            pen.setJoinStyle(l.join == 1 ? Qt::BevelJoin : l.join == 2 ? Qt::MiterJoin : Qt::RoundJoin);
            if (l.join == 2) pen.setMiterLimit(std::max(1.0f, l.miterLimit));
            if (c.canvas || (c.quality == Quality::Low && c.raster)) {
                const bool gradient = l.hasFill && l.fill.kind != FillStyle::Solid &&
                                      l.fill.kind != FillStyle::Bitmap && l.fill.stops.size() > 1 &&
                                      l.fill.matrix.isInvertible();
                StrokeStyle style;
                style.width = l.width;
                style.startCap = StrokeStyle::Cap(std::min<int>(l.startCap, 2));
                style.endCap = StrokeStyle::Cap(std::min<int>(l.endCap, 2));
                style.join = StrokeStyle::Join(std::min<int>(l.join, 2));
                style.miterLimit = l.miterLimit;
                strokeOwn(c, s.path, pen, style, dev, gradient ? &l.fill : nullptr, cx);
            }
            else p.strokePath(s.path, pen);
        }
    }
}

// A device coordinate on the twips grid (1/20 pixel); hostile sizes as they are.
double onTwipsGrid(double v)
{
    return std::abs(v) < 1e12 ? roundAway(v * 20) / 20 : v;
}

// A glyph mapped to the device by g. Glyphs scaled to their size lie off
// the twips grid, and are drawn so; each glyph's origin lands on the grid,
// as a shape's vertices do.
void fillGlyph(Ctx& c, const QPainterPath& glyph, const QTransform& g, const QColor& colour)
{
    OffGrid offGrid(c.raster);
    c.p->setTransform(QTransform(g.m11(), g.m12(), g.m21(), g.m22(), onTwipsGrid(g.dx()), onTwipsGrid(g.dy())));
    fill(c, glyph, colour);
}

void drawText(Ctx& c, const TextData& t, const QTransform& world, const CxForm& cx)
{
    const QTransform textToDev = t.matrix * world * c.base;
    for (const TextRun& run : t.runs) {
        const FontData* font = c.movie->font(run.fontId);
        if (!font) continue;
        const double scale = run.height / font->emSize;
        const QColor colour = c.maskMode ? QColor(Qt::black) : cx.apply(run.color);
        double x = run.x;
        for (const auto& [idx, adv] : run.glyphs) {
            if (idx >= 0 && size_t(idx) < font->glyphs.size() && !font->glyphs[size_t(idx)].isEmpty())
                fillGlyph(c, font->glyphs[size_t(idx)], QTransform(scale, 0, 0, scale, x, run.y) * textToDev, colour);
            x += adv;
        }
    }
}

void drawRange(Ctx& c, ListIt begin, ListIt end, const QTransform& world, const CxForm& cx);

// A bitmap or video picture, its pixel grid mapped by toDevice.
void drawPicture(Ctx& c, const QImage& b, const QTransform& toDevice, const CxForm& cx, bool smooth)
{
    if (c.canvas) {
        QPainterPath area;
        area.addRect(QRectF(0, 0, b.width(), b.height()));
        const auto& runs = coverageOf(c, area, toDevice);
        if (c.maskMode) c.canvas->fillSolid(runs, 0xff000000u);
        else c.canvas->fillBitmap(runs, tinted(b, cx), toDevice, false, smooth);
        return;
    }
    c.p->setTransform(toDevice);
    if (c.maskMode) {
        c.p->fillRect(QRectF(0, 0, b.width(), b.height()), Qt::black);
        return;
    }
    const bool wasSmooth = c.p->testRenderHint(QPainter::SmoothPixmapTransform);
    c.p->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    c.p->drawImage(0, 0, tinted(b, cx));
    c.p->setRenderHint(QPainter::SmoothPixmapTransform, wasSmooth);
}

}  // namespace

void detail::drawCharacter(Ctx& c, uint16_t id, const DisplayObject* obj, const QTransform& world, const CxForm& cx)
{
    if (c.nesting > kMaxDrawNesting) return;
    if (c.drawBudget && (*c.drawBudget)-- <= 0) return;
    const Movie& m = *c.movie;
    switch (m.kind(id)) {
    case CharKind::Shape:
        if (const CompiledShape* s = m.shape(id)) drawShape(c, *s, world, cx);
        break;
    case CharKind::Morph:
        if (const CompiledShape* s = m.morph(id, obj ? obj->ratio : 0)) drawShape(c, *s, world, cx);
        break;
    case CharKind::Sprite:
        if (obj && obj->sprite) {
            ++c.nesting;
            drawRange(c, obj->sprite->list.cbegin(), obj->sprite->list.cend(), world, cx);
            --c.nesting;
        }
        break;
    case CharKind::Text:
        if (const TextData* t = m.text(id)) drawText(c, *t, world, cx);
        break;
    case CharKind::EditText:
        if (const EditTextData* e = m.editText(id)) {
            // Embedded glyphs are filled as static text's are.
            drawEditText(*c.p, m, *e, world * c.base, cx, c.maskMode,
                         [&c](const QPainterPath& glyph, const QTransform& g, const QColor& colour) {
                             fillGlyph(c, glyph, g, colour);
                         });
        }
        break;
    case CharKind::Button:
        if (const auto* records = m.button(id)) {
            ++c.nesting;
            for (const ButtonRecord& r : *records)
                if (r.states & (obj ? obj->buttonState : 1)) drawCharacter(c, r.charId, nullptr, r.matrix * world, cx.after(r.cx));
            --c.nesting;
        }
        break;
    case CharKind::Bitmap:
        if (const QImage* b = m.bitmap(id))
            drawPicture(c, *b, QTransform::fromScale(20, 20) * world * c.base, cx, c.quality == Quality::High);
        break;
    case CharKind::Video: {
        // The picture stretched over the stream's size; smoothed when the stream asks and quality allows.
        const VideoPicture v = m.videoFrame(id, obj ? obj->ratio : 0);
        if (v.image && !v.image->isNull() && !v.size.isEmpty())
            drawPicture(c, *v.image,
                        QTransform::fromScale(v.size.width() / v.image->width(), v.size.height() / v.image->height()) *
                            world * c.base,
                        cx, v.smoothing && c.quality == Quality::High);
        break;
    }
    default:
        break;
    }
}

namespace {

void drawMasked(Ctx& c, const DisplayObject& maskObj, ListIt begin, ListIt end, const QTransform& world,
                const CxForm& cx)
{
    if (begin == end) return;
    const QTransform maskWorld = maskObj.matrix * world;
    QRect r = c.device;
    const QRectF b = c.movie->bounds(maskObj.charId);
    if (!b.isEmpty()) {
        // Clipped in floating point first: hostile matrices give huge rectangles.
        QRectF dr = (maskWorld * c.base).mapRect(b).adjusted(-2, -2, 2, 2);
        if (std::isfinite(dr.left()) && std::isfinite(dr.right()) && std::isfinite(dr.top()) && std::isfinite(dr.bottom()))
            r = dr.intersected(QRectF(c.device)).toAlignedRect() & c.device;
    }
    if (r.isEmpty()) return;
    if (c.maskMode || c.maskLayers >= kMaxMaskLayers) {
        // A mask inside a mask: its content shapes the outer mask.
        drawRange(c, begin, end, world, cx);
        return;
    }
    // Both layers come cleared from the pool: kept from frame to frame.
    LayerPool& pool = LayerPool::local();
    QImage content = pool.acquire(r.size());
    if (content.isNull()) return;
    QImage mask = pool.acquire(r.size());
    if (mask.isNull()) {
        pool.release();
        return;
    }
    const QTransform shift = QTransform::fromTranslate(-r.x(), -r.y());
    {
        // Both layers are our own images: drawn on canvases when the frame is.
        Canvas contentCanvas(content), maskCanvas(mask);
        QPainter cp(&content);
        setupPainter(cp, c.quality);
        Ctx inner = c;
        inner.p = &cp;
        if (c.canvas) inner.canvas = &contentCanvas;
        inner.base = c.base * shift;
        inner.device = QRect(QPoint(0, 0), r.size());
        ++inner.nesting;
        ++inner.maskLayers;
        drawRange(inner, begin, end, world, cx);

        QPainter mp(&mask);
        setupPainter(mp, c.quality);
        Ctx mc = inner;
        mc.p = &mp;
        if (c.canvas) mc.canvas = &maskCanvas;
        mc.maskMode = true;
        drawCharacter(mc, maskObj.charId, &maskObj, maskWorld, CxForm());
        mp.end();

        cp.resetTransform();
        cp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        cp.drawImage(0, 0, mask);
    }
    c.p->save();
    c.p->resetTransform();
    c.p->drawImage(r.topLeft(), content);
    c.p->restore();
    pool.release();
    pool.release();
}

void drawRange(Ctx& c, ListIt begin, ListIt end, const QTransform& world, const CxForm& cx)
{
    for (ListIt it = begin; it != end;) {
        const DisplayObject& obj = it->second;
        if (obj.clipDepth > 0) {
            ListIt last = std::next(it);
            while (last != end && last->first <= obj.clipDepth) ++last;
            if (obj.visible) drawMasked(c, obj, std::next(it), last, world, cx);
            it = last;
            continue;
        }
        if (obj.visible) {
            if (needsLayer(obj)) drawLayered(c, obj, world, cx);
            else if (obj.cacheAsBitmap && obj.sprite) drawCached(c, obj, world, cx);
            else drawCharacter(c, obj.charId, &obj, obj.matrix * world, cx.after(obj.cx));
        }
        ++it;
    }
}

}  // namespace

void Player::render(QPainter& painter, const QTransform& stageToDevice, Quality quality) const
{
    clearUpperVectorState();
    painter.save();
    setupPainter(painter, quality);
    painter.setPen(Qt::NoPen);
    // Without antialiasing a pixel is filled when its centre is inside; an
    // edge running exactly through centres gives those pixels to the shape
    // on its right or below (the top-left rule), hence the tiny nudge.
    QTransform base = stageToDevice;
    ScanRaster raster;
    long budget = kMaxDrawsPerFrame;
    Ctx c{movie_.get(), quality, &painter, base, QRect(), false, 0, 0, &raster, &budget};
    // Fills are drawn straight into the pixels of a plain image: the painter
    // would set up every fill again, and hand large ones to worker threads
    // at a cost far above the fill's own.
    QImage* target = Canvas::target(painter);
    std::optional<Canvas> canvas;
    CoverageRaster coverage;
    HairlineRaster hairlines;
    CoverRuns aliasedRuns;
    if (target) {
        canvas.emplace(*target);
        c.canvas = &*canvas;
        c.coverage = &coverage;
        c.hairlines = &hairlines;
        c.aliasedRuns = &aliasedRuns;
    }
    const QPaintDevice* dev = painter.device();
    c.device = dev ? QRect(0, 0, dev->width(), dev->height()) : QRect(0, 0, 1 << 14, 1 << 14);
    // Layers and filters may touch every pixel of the frame this many times.
    long layerBudget = 64L * c.device.width() * c.device.height() + (4L << 20);
    c.layerBudget = &layerBudget;
    drawRange(c, root_->list.cbegin(), root_->list.cend(), QTransform(), CxForm());
    painter.restore();
}

}  // namespace vx::swf
