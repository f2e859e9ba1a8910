// Blend modes, filters and cached clips: objects drawn into off-screen
// layers from the pool, filtered there and composed with what lies below.
#include "swf/SwfClipCache.h"
#include "swf/SwfFilter.h"
#include "swf/SwfLayer.h"
#include "swf/SwfRenderContext.h"

#include <cmath>

namespace vx::swf {

using detail::Ctx;

namespace {

// The device area obj may cover, found from the bounds of its characters
// widened by `pad` pixels; `depth` bounds the walk through nested sprites.
QRectF deviceBounds(const Ctx& c, uint16_t id, const DisplayObject* obj, const QTransform& world, int depth,
                    double pad = 2)
{
    const QTransform dev = world * c.base;
    const QRectF everything(c.device);
    switch (c.movie->kind(id)) {
    case CharKind::Sprite: {
        if (!obj || !obj->sprite) return {};
        if (depth > 8) return everything;
        QRectF r;
        for (const auto& [d, child] : obj->sprite->list) {
            if (!child.visible) continue;
            QRectF b = deviceBounds(c, child.charId, &child, child.matrix * world, depth + 1, pad);
            if (child.filters && !child.filters->empty()) {
                const double m = filterMargin(*child.filters, 20 * std::hypot(c.base.m11(), c.base.m12()),
                                              20 * std::hypot(c.base.m21(), c.base.m22()));
                b.adjust(-m, -m, m, m);
            }
            r = r.united(b);
        }
        return r;
    }
    case CharKind::Button:
        return everything;
    default: {
        const QRectF b = c.movie->bounds(id);
        if (b.isEmpty()) return {};
        return dev.mapRect(b).adjusted(-pad, -pad, pad, pad);
    }
    }
}

// How far obj moves so that the top left corner of its bounds on the
// device lies on the nearest pixel corner: filtered and cached objects are
// drawn so into their pictures.
QPointF cornerSnap(const Ctx& c, const DisplayObject& obj, const QTransform& objWorld)
{
    const QRectF b = deviceBounds(c, obj.charId, &obj, objWorld, 0, 0);
    if (b.isNull() || !(std::abs(b.left()) < 1e9) || !(std::abs(b.top()) < 1e9)) return {};
    return QPointF(std::floor(b.left() + 0.5) - b.left(), std::floor(b.top() + 0.5) - b.top());
}

QPainter::CompositionMode compositionOf(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Multiply: return QPainter::CompositionMode_Multiply;
    case BlendMode::Screen: return QPainter::CompositionMode_Screen;
    case BlendMode::Lighten: return QPainter::CompositionMode_Lighten;
    case BlendMode::Darken: return QPainter::CompositionMode_Darken;
    case BlendMode::Difference: return QPainter::CompositionMode_Difference;
    case BlendMode::Add: return QPainter::CompositionMode_Plus;
    case BlendMode::Overlay: return QPainter::CompositionMode_Overlay;
    case BlendMode::HardLight: return QPainter::CompositionMode_HardLight;
    case BlendMode::Erase: return QPainter::CompositionMode_DestinationOut;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

}  // namespace

bool detail::needsLayer(const DisplayObject& obj)
{
    return obj.blend != BlendMode::Normal || (obj.filters && !obj.filters->empty());
}

// Draws obj into a layer of its own, applies its filters there and composes
// the layer with what lies below by its blend mode.
void detail::drawLayered(Ctx& c, const DisplayObject& obj, const QTransform& world, const CxForm& cx)
{
    const BlendMode mode = obj.blend;
    // Alpha and erase work on the layer of a parent; without one there is
    // nothing for them to act on.
    if ((mode == BlendMode::Alpha || mode == BlendMode::Erase) && !c.inLayer) return;
    if (c.layers >= kMaxLayers) {
        // Deeper layers, as a clip that holds itself makes, draw straight.
        if (mode != BlendMode::Alpha && mode != BlendMode::Erase)
            drawCharacter(c, obj.charId, &obj, obj.matrix * world, cx.after(obj.cx));
        return;
    }
    const QTransform objWorld = obj.matrix * world;
    const double sx = 20 * std::hypot(c.base.m11(), c.base.m12()), sy = 20 * std::hypot(c.base.m21(), c.base.m22());
    const FilterList none;
    const FilterList& filters = obj.filters ? *obj.filters : none;
    const int margin = filterMargin(filters, std::isfinite(sx) ? sx : 1, std::isfinite(sy) ? sy : 1);
    QRectF b = deviceBounds(c, obj.charId, &obj, objWorld, 0).adjusted(-margin, -margin, margin, margin);
    if (!std::isfinite(b.left()) || !std::isfinite(b.right()) || !std::isfinite(b.top()) || !std::isfinite(b.bottom()))
        b = QRectF(c.device);
    // What lies off the device may still cast a shadow onto it.
    const QRect reach = c.device.adjusted(-margin, -margin, margin, margin);
    const QRect r = b.intersected(QRectF(reach)).toAlignedRect() & reach;
    if (r.isEmpty()) return;
    // The layer's pixels, then each filter's passes over them, come out of
    // the frame's budget: once it is spent, objects draw without layers and
    // filters stop.
    const long area = long(r.width()) * r.height();
    if (c.layerBudget && (*c.layerBudget -= area) < 0) {
        if (mode != BlendMode::Alpha && mode != BlendMode::Erase) drawCharacter(c, obj.charId, &obj, objWorld, cx.after(obj.cx));
        return;
    }

    const QPointF snap = filters.empty() ? QPointF() : cornerSnap(c, obj, objWorld);
    LayerPool& pool = LayerPool::local();
    QImage layer = pool.acquire(r.size());
    if (layer.isNull()) return;
    {
        Canvas canvas(layer);
        QPainter lp(&layer);
        setupPainter(lp, c.quality);
        lp.setPen(Qt::NoPen);
        Ctx inner = c;
        inner.p = &lp;
        if (c.canvas) inner.canvas = &canvas;
        inner.base = c.base * QTransform::fromTranslate(-r.x() + snap.x(), -r.y() + snap.y());
        inner.device = QRect(QPoint(0, 0), r.size());
        inner.inLayer = true;
        ++inner.layers;
        ++inner.nesting;
        drawCharacter(inner, obj.charId, &obj, objWorld, cx.after(obj.cx));
    }
    int applied = 0;
    for (const Filter& f : filters) {
        if (++applied > kMaxFiltersApplied) break;
        if (c.layerBudget && (*c.layerBudget -= area * std::max(1, f.passes)) < 0) break;
        applyFilter(layer, f, sx, sy, c.quality == Quality::Low, pool.scratch());
    }
    if (QImage* target = Canvas::target(*c.p)) {
        blendLayer(*target, r.topLeft(), layer, mode);
    } else {
        // A device we do not write ourselves: the painter's nearest modes
        // (none keeps what lies outside the layer's object for alpha).
        if (mode == BlendMode::Alpha) {
            pool.release();
            return;
        }
        c.p->save();
        c.p->resetTransform();
        c.p->setCompositionMode(compositionOf(mode));
        c.p->drawImage(r.topLeft(), layer);
        c.p->restore();
    }
    pool.release();
}

// A clip placed with cacheAsBitmap: its picture from an earlier frame when
// nothing in it changed, otherwise drawn into a new picture that is kept.
void detail::drawCached(Ctx& c, const DisplayObject& obj, const QTransform& world, const CxForm& cx)
{
    const QTransform objWorld = obj.matrix * world;
    const CxForm objCx = cx.after(obj.cx);
    QImage* target = c.maskMode ? nullptr : Canvas::target(*c.p);
    const uint64_t signature =
        target ? ClipCache::signature(*c.movie, obj, objWorld * c.base, objCx, int(c.quality), c.device) : 0;
    if (!signature) {
        drawCharacter(c, obj.charId, &obj, objWorld, objCx);
        return;
    }
    ClipCache& cache = ClipCache::local();
    QPoint at;
    if (const QImage* kept = cache.find(*obj.sprite, signature, &at)) {
        blendLayer(*target, at, *kept, BlendMode::Normal);
        return;
    }
    QRectF b = deviceBounds(c, obj.charId, &obj, objWorld, 0);
    if (!std::isfinite(b.left()) || !std::isfinite(b.right()) || !std::isfinite(b.top()) || !std::isfinite(b.bottom()))
        b = QRectF(c.device);
    const QRect r = b.intersected(QRectF(c.device)).toAlignedRect() & c.device;
    if (r.isEmpty()) return;
    const long area = long(r.width()) * r.height();
    if (c.layerBudget && (*c.layerBudget -= area) < 0) {
        drawCharacter(c, obj.charId, &obj, objWorld, objCx);
        return;
    }
    const QPointF snap = cornerSnap(c, obj, objWorld);
    QImage picture(r.size(), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return;
    picture.fill(Qt::transparent);
    {
        Canvas canvas(picture);
        QPainter pp(&picture);
        setupPainter(pp, c.quality);
        pp.setPen(Qt::NoPen);
        Ctx inner = c;
        inner.p = &pp;
        if (c.canvas) inner.canvas = &canvas;
        inner.base = c.base * QTransform::fromTranslate(-r.x() + snap.x(), -r.y() + snap.y());
        inner.device = QRect(QPoint(0, 0), r.size());
        ++inner.nesting;
        drawCharacter(inner, obj.charId, &obj, objWorld, objCx);
    }
    blendLayer(*target, r.topLeft(), picture, BlendMode::Normal);
    cache.store(obj.sprite, signature, std::move(picture), r.topLeft());
}

}  // namespace vx::swf
