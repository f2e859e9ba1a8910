#include "codecs/metafile/Canvas.h"

#include "codecs/Bitmap.h"

#include <QGuiApplication>
#include <QPaintEngine>
#include <cmath>

namespace vx::meta {

namespace {

bool finiteTransform(const QTransform& t, double limit = 1e12)
{
    const double v[] = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()};
    for (double x : v)
        if (!std::isfinite(x) || std::fabs(x) > limit)
            return false;
    return true;
}

// How much a transform scales lengths (geometric mean of its axes).
double linearScale(const QTransform& t)
{
    return std::sqrt(std::fabs(t.m11() * t.m22() - t.m12() * t.m21()));
}

}  // namespace

Canvas::Canvas(QPainter& painter, const Setup& setup) : p_(painter), setup_(setup)
{
    callerTransform_ = p_.isActive() ? p_.transform() : QTransform();
    if (p_.isActive() && p_.hasClipping())
        callerClip_ = p_.clipPath();
    if (p_.isActive() && p_.paintEngine())
        rasterOps_ = p_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    // Fonts exist only once a GUI application is running.
    fontsUsable_ = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    setObjectTableSize(16);
}

Canvas::~Canvas() = default;

void Canvas::charge(size_t points)
{
    points_ += points;
    if (points_ > kMaxTotalPoints) {
        exhausted_ = true;
        throw CodecError("Metafile draws too many points");
    }
}

void Canvas::chargeChars(size_t chars)
{
    chars_ += chars;
    if (chars_ > kMaxTotalChars) {
        exhausted_ = true;
        throw CodecError("Metafile draws too much text");
    }
}

// ---- mapping ----------------------------------------------------------

void Canvas::setMapMode(int mode)
{
    if (mode >= MmText && mode <= MmAnisotropic)
        dc_.mapMode = mode;
}

void Canvas::setWindowExt(QPointF e)
{
    if (e.x() != 0 && e.y() != 0 && std::isfinite(e.x()) && std::isfinite(e.y()))
        dc_.windowExt = e;
}

void Canvas::setViewportExt(QPointF e)
{
    if (e.x() != 0 && e.y() != 0 && std::isfinite(e.x()) && std::isfinite(e.y()))
        dc_.viewportExt = e;
}

void Canvas::setWorldTransform(const QTransform& t)
{
    if (finiteTransform(t, 1e9))
        dc_.world = t;
}

void Canvas::modifyWorldTransform(const QTransform& t, int mode)
{
    switch (mode) {
    case 1: dc_.world = QTransform(); break;
    case 2: setWorldTransform(t * dc_.world); break;
    case 3: setWorldTransform(dc_.world * t); break;
    case 4: setWorldTransform(t); break;
    default: break;
    }
}

QTransform Canvas::pageTransform() const
{
    double sx = 1, sy = 1;
    const double mmX = setup_.pixelsPerMmX, mmY = setup_.pixelsPerMmY;
    switch (dc_.mapMode) {
    case MmText:
        if (!setup_.windowToPicture)
            break;
        [[fallthrough]];
    case MmIsotropic:
    case MmAnisotropic:
        sx = dc_.viewportExt.x() / dc_.windowExt.x();
        sy = dc_.viewportExt.y() / dc_.windowExt.y();
        if (dc_.mapMode == MmIsotropic) {
            const double m = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    case MmLoMetric: sx = mmX * 0.1; sy = -mmY * 0.1; break;
    case MmHiMetric: sx = mmX * 0.01; sy = -mmY * 0.01; break;
    case MmLoEnglish: sx = mmX * 0.254; sy = -mmY * 0.254; break;
    case MmHiEnglish: sx = mmX * 0.0254; sy = -mmY * 0.0254; break;
    case MmTwips: sx = mmX * 25.4 / 1440; sy = -mmY * 25.4 / 1440; break;
    }
    return QTransform(sx, 0, 0, sy, dc_.viewportOrg.x() - dc_.windowOrg.x() * sx,
                      dc_.viewportOrg.y() - dc_.windowOrg.y() * sy);
}

QTransform Canvas::logicalToDevice() const
{
    return dc_.world * pageTransform();
}

QTransform Canvas::logicalToOutput() const
{
    return dc_.world * pageTransform() * setup_.deviceToOutput * callerTransform_;
}

void Canvas::track(const QTransform& toDevice, const QRectF& logical)
{
    if (!finiteTransform(toDevice) || logical.isNull())
        return;
    const QRectF r = toDevice.mapRect(logical);
    if (std::isfinite(r.left()) && std::isfinite(r.right()) && std::isfinite(r.top())
        && std::isfinite(r.bottom()))
        tracked_ = tracked_.isNull() ? r : tracked_.united(r);
}

// ---- objects and state ------------------------------------------------

void Canvas::setObjectTableSize(size_t size)
{
    objects_.assign(std::min(std::max<size_t>(size, 1), kMaxObjects), GdiObject());
    firstFree_ = 0;
}

int Canvas::addObject(const GdiObject& object)
{
    // The lowest free slot, as GDI hands them out; the search resumes where
    // the last one ended, so a file creating thousands of objects stays linear.
    for (size_t i = firstFree_; i < objects_.size(); ++i) {
        if (objects_[i].kind == GdiObject::Empty) {
            objects_[i] = object;
            firstFree_ = i + 1;
            return int(i);
        }
    }
    firstFree_ = objects_.size();
    if (objects_.size() >= kMaxObjects)
        return -1;
    objects_.push_back(object);
    firstFree_ = objects_.size();
    return int(objects_.size() - 1);
}

void Canvas::setObject(uint32_t index, const GdiObject& object)
{
    if (index == 0 || index >= kMaxObjects)
        return;
    if (index >= objects_.size())
        objects_.resize(size_t(index) + 1);
    objects_[index] = object;
    if (object.kind == GdiObject::Empty)
        firstFree_ = std::min<size_t>(firstFree_, index);
}

const GdiObject* Canvas::object(uint32_t index) const
{
    if (index >= objects_.size() || objects_[index].kind == GdiObject::Empty)
        return nullptr;
    return &objects_[index];
}

void Canvas::selectObject(uint32_t index)
{
    const GdiObject* o = object(index);
    if (!o)
        return;
    switch (o->kind) {
    case GdiObject::Pen: dc_.pen = o->pen; break;
    case GdiObject::Brush: dc_.brush = o->brush; break;
    case GdiObject::Font: dc_.font = o->font; break;
    case GdiObject::Region: combineClip(o->region, RgnCopy); break;
    default: break;
    }
}

void Canvas::selectStockObject(uint32_t stock)
{
    auto brush = [&](uint32_t style, QColor c) { dc_.brush = BrushSpec{style, c, 0, QImage()}; };
    switch (stock) {
    case 0: brush(BsSolid, Qt::white); break;
    case 1: brush(BsSolid, QColor(0xC0, 0xC0, 0xC0)); break;
    case 2: brush(BsSolid, QColor(0x80, 0x80, 0x80)); break;
    case 3: brush(BsSolid, QColor(0x40, 0x40, 0x40)); break;
    case 4: brush(BsSolid, Qt::black); break;
    case 5: brush(BsNull, Qt::black); break;
    case 6: dc_.pen = PenSpec{PsSolid, 0, Qt::white}; break;
    case 7: dc_.pen = PenSpec{PsSolid, 0, Qt::black}; break;
    case 8: dc_.pen = PenSpec{PsNull, 0, Qt::black}; break;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17: dc_.font = FontSpec(); break;
    case 18: brush(BsSolid, Qt::white); break;
    case 19: dc_.pen = PenSpec{PsSolid, 0, Qt::black}; break;
    default: break;
    }
}

void Canvas::deleteObject(uint32_t index)
{
    if (index < objects_.size()) {
        objects_[index] = GdiObject();
        firstFree_ = std::min<size_t>(firstFree_, index);
    }
}

void Canvas::save()
{
    if (saved_.size() < kMaxSavedStates)
        saved_.push_back(dc_);
}

void Canvas::restore(int which)
{
    if (saved_.empty() || which == 0)
        return;
    const int64_t count = int64_t(saved_.size());
    const int64_t index = which < 0 ? count + which : int64_t(which) - 1;
    if (index < 0 || index >= count)
        return;
    dc_ = saved_[size_t(index)];
    saved_.resize(size_t(index));
    clipDirty_ = true;
}

// ---- painting -----------------------------------------------------------

void Canvas::applyClip()
{
    clipDirty_ = false;
    p_.setTransform(callerTransform_);
    p_.setClipRect(setup_.outputRect, Qt::ReplaceClip);
    if (callerClip_)
        p_.setClipPath(*callerClip_, Qt::IntersectClip);
    if (dc_.clip) {
        p_.setTransform(setup_.deviceToOutput * callerTransform_);
        p_.setClipPath(*dc_.clip, Qt::IntersectClip);
    }
}

bool Canvas::prepare(const QTransform& toOutput)
{
    if (!p_.isActive() || !finiteTransform(toOutput))
        return false;
    if (clipDirty_)
        applyClip();
    p_.setTransform(toOutput);
    p_.setBackgroundMode(dc_.opaqueBackground ? Qt::OpaqueMode : Qt::TransparentMode);
    p_.setBackground(dc_.bkColor);
    return true;
}

bool Canvas::applyRop(QColor* forced)
{
    using M = QPainter::CompositionMode;
    M mode = QPainter::CompositionMode_SourceOver;
    bool needsRaster = true, skipWithout = false;
    switch (dc_.rop2) {
    case 1: *forced = Qt::black; needsRaster = false; break;
    case 16: *forced = Qt::white; needsRaster = false; break;
    case 11: return false;  // R2_NOP
    case 6: mode = QPainter::RasterOp_NotDestination; skipWithout = true; break;
    case 7: mode = QPainter::RasterOp_SourceXorDestination; skipWithout = true; break;
    case 10: mode = QPainter::RasterOp_NotSourceXorDestination; skipWithout = true; break;
    case 9: mode = QPainter::RasterOp_SourceAndDestination; break;
    case 15: mode = QPainter::RasterOp_SourceOrDestination; break;
    case 4: mode = QPainter::RasterOp_NotSource; break;
    default: needsRaster = false; break;
    }
    if (needsRaster && !rasterOps_) {
        if (skipWithout)
            return false;
        mode = QPainter::CompositionMode_SourceOver;
    }
    p_.setCompositionMode(mode);
    return true;
}

QPen Canvas::makePen(const PenSpec& spec, const QTransform& toOutput) const
{
    const uint32_t style = spec.style & PsStyleMask;
    if (style == PsNull)
        return QPen(Qt::NoPen);
    QPen pen(spec.color);
    const double scale = linearScale(toOutput);
    const double deviceWidth = spec.width * scale;
    if (spec.width <= 0 || deviceWidth < 1.5 || !std::isfinite(deviceWidth)) {
        pen.setWidth(0);
        pen.setCosmetic(true);
    } else if (const double logical = std::min(deviceWidth, 65536.0) / scale; logical < 1e9) {
        pen.setWidthF(logical);
    } else {
        // Too wide in logical units for QPen: the same width in device pixels.
        pen.setWidthF(std::min(deviceWidth, 65536.0));
        pen.setCosmetic(true);
    }
    switch (style) {
    case PsDash: pen.setStyle(Qt::DashLine); break;
    case PsDot: case PsAlternate: pen.setStyle(Qt::DotLine); break;
    case PsDashDot: pen.setStyle(Qt::DashDotLine); break;
    case PsDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
    }
    switch (spec.style & PsEndCapMask) {
    case PsEndCapSquare: pen.setCapStyle(Qt::SquareCap); break;
    case PsEndCapFlat: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (spec.style & PsJoinMask) {
    case PsJoinBevel: pen.setJoinStyle(Qt::BevelJoin); break;
    case PsJoinMiter: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    return pen;
}

QBrush Canvas::makeBrush(const BrushSpec& brush) const
{
    switch (brush.style) {
    case BsNull:
        return QBrush(Qt::NoBrush);
    case BsHatched: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(brush.color, brush.hatch < 6 ? hatches[brush.hatch] : Qt::SolidPattern);
    }
    case BsPattern:
    case BsDibPattern:
    case BsDibPatternPt:
        if (!brush.pattern.isNull())
            return QBrush(brush.pattern);
        return QBrush(brush.color);
    default:
        return QBrush(brush.color);
    }
}

void Canvas::paintPath(QPainterPath path, const QTransform& toOutput, const PenSpec& penSpec,
                       bool fill, bool stroke)
{
    if (setup_.trackOnly || !prepare(toOutput))
        return;
    QColor forced;
    if (!applyRop(&forced))
        return;
    path.setFillRule(dc_.fillMode == Winding ? Qt::WindingFill : Qt::OddEvenFill);
    QPen pen = stroke ? makePen(penSpec, toOutput) : QPen(Qt::NoPen);
    QBrush brush = fill ? makeBrush(dc_.brush) : QBrush(Qt::NoBrush);
    if (forced.isValid()) {
        if (pen.style() != Qt::NoPen)
            pen.setColor(forced);
        if (brush.style() != Qt::NoBrush)
            brush = QBrush(forced);
    }
    p_.setPen(pen);
    p_.setBrush(brush);
    p_.drawPath(path);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::addToBracket(const QPainterPath& logical, bool continueFigure)
{
    const QPainterPath device = logicalToDevice().map(logical);
    if (continueFigure && figureOpen_ && !bracket_.isEmpty())
        bracket_.connectPath(device);
    else
        bracket_.addPath(device);
    figureOpen_ = continueFigure;
}

void Canvas::drawShape(const QPainterPath& path, bool fill, bool stroke)
{
    charge(size_t(path.elementCount()) + 1);
    if (inBracket_) {
        addToBracket(path, false);
        return;
    }
    if (setup_.trackOnly) {
        track(logicalToDevice(), path.controlPointRect());
        return;
    }
    paintPath(path, logicalToOutput(), dc_.pen, fill, stroke);
}

void Canvas::moveTo(QPointF p)
{
    dc_.current = p;
    if (inBracket_) {
        bracket_.moveTo(logicalToDevice().map(p));
        figureOpen_ = true;
    }
}

void Canvas::drawFromCurrent(const QPainterPath& path)
{
    charge(size_t(path.elementCount()) + 1);
    if (inBracket_)
        addToBracket(path, true);
    else if (setup_.trackOnly)
        track(logicalToDevice(), path.controlPointRect());
    else
        paintPath(path, logicalToOutput(), dc_.pen, false, true);
    dc_.current = path.currentPosition();
}

void Canvas::setPixel(QPointF p, QColor color)
{
    charge(1);
    if (setup_.trackOnly) {
        track(logicalToDevice(), QRectF(p, QSizeF(1, 1)));
        return;
    }
    const QTransform t = logicalToOutput();
    if (!prepare(QTransform()))
        return;
    if (!finiteTransform(t))
        return;
    const QPointF at = t.map(p);
    p_.fillRect(QRectF(std::floor(at.x()), std::floor(at.y()), 1, 1), color);
}

// ---- paths --------------------------------------------------------------

void Canvas::beginPath()
{
    bracket_ = QPainterPath();
    inBracket_ = true;
    figureOpen_ = false;
}

void Canvas::abortPath()
{
    bracket_ = QPainterPath();
    inBracket_ = false;
    figureOpen_ = false;
}

void Canvas::closeFigure()
{
    if (inBracket_ && !bracket_.isEmpty()) {
        bracket_.closeSubpath();
        figureOpen_ = false;
    }
}

void Canvas::paintDevicePath(bool fill, bool stroke)
{
    QPainterPath path = bracket_;
    abortPath();
    if (path.isEmpty())
        return;
    if (setup_.trackOnly) {
        track(QTransform(), path.controlPointRect());
        return;
    }
    // The path is kept in device units: widen the pen by the logical scale.
    PenSpec pen = dc_.pen;
    pen.width *= linearScale(logicalToDevice());
    paintPath(path, setup_.deviceToOutput * callerTransform_, pen, fill, stroke);
}

void Canvas::selectClipPath(int mode)
{
    QPainterPath path = bracket_;
    abortPath();
    path.setFillRule(dc_.fillMode == Winding ? Qt::WindingFill : Qt::OddEvenFill);
    combineClip(path, mode);
}

// ---- clipping -----------------------------------------------------------

QPainterPath Canvas::wholeDevice() const
{
    QPainterPath path;
    bool invertible = false;
    const QTransform toDevice = (setup_.deviceToOutput * callerTransform_).inverted(&invertible);
    QRectF r = invertible ? toDevice.mapRect(setup_.outputRect) : QRectF(-1e7, -1e7, 2e7, 2e7);
    path.addRect(r.adjusted(-2, -2, 2, 2));
    return path;
}

void Canvas::intersectClipRect(const QRectF& logical)
{
    QPainterPath path;
    path.addRect(logical.normalized());
    combineClip(logicalToDevice().map(path), RgnAnd);
}

void Canvas::excludeClipRect(const QRectF& logical)
{
    QPainterPath path;
    path.addRect(logical.normalized());
    combineClip(logicalToDevice().map(path), RgnDiff);
}

void Canvas::combineClip(const QPainterPath& device, int mode)
{
    const QPainterPath current = dc_.clip ? *dc_.clip : wholeDevice();
    // Path operations cost roughly the product of their sizes.
    charge(size_t(current.elementCount()) + size_t(device.elementCount()));
    QPainterPath result;
    switch (mode) {
    case RgnAnd: result = current.intersected(device); break;
    case RgnOr: result = current.united(device); break;
    case RgnXor: result = current.subtracted(device).united(device.subtracted(current)); break;
    case RgnDiff: result = current.subtracted(device); break;
    case RgnCopy: result = device; break;
    default: return;
    }
    dc_.clip = result;
    clipDirty_ = true;
}

void Canvas::resetClip()
{
    dc_.clip.reset();
    clipDirty_ = true;
}

void Canvas::offsetClip(QPointF logicalDelta)
{
    if (!dc_.clip)
        return;
    const QTransform page = logicalToDevice();
    const QPointF d = page.map(logicalDelta) - page.map(QPointF(0, 0));
    if (!std::isfinite(d.x()) || !std::isfinite(d.y()))
        return;
    dc_.clip->translate(d);
    clipDirty_ = true;
}

void Canvas::fillRegion(const QPainterPath& device, const BrushSpec& brush)
{
    charge(size_t(device.elementCount()) + 1);
    if (setup_.trackOnly) {
        track(QTransform(), device.controlPointRect());
        return;
    }
    if (!prepare(setup_.deviceToOutput * callerTransform_))
        return;
    p_.setPen(Qt::NoPen);
    p_.setBrush(makeBrush(brush));
    p_.drawPath(device);
}

}  // namespace vx::meta
