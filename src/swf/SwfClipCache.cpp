#include "swf/SwfClipCache.h"

#include <cstring>

namespace vx::swf {

namespace {

inline uint64_t mix(uint64_t h, uint64_t v)
{
    h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h * 0xff51afd7ed558ccdull;
}

inline uint64_t bitsOf(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

uint64_t mixTransform(uint64_t h, const QTransform& m)
{
    for (double v : {m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy()}) h = mix(h, bitsOf(v));
    return h;
}

uint64_t mixCx(uint64_t h, const CxForm& cx)
{
    for (float v : {cx.rm, cx.gm, cx.bm, cx.am, cx.ra, cx.ga, cx.ba, cx.aa}) h = mix(h, bitsOf(v));
    return h;
}

// False when the subtree cannot be cached.
bool mixObject(const Movie& movie, const DisplayObject& o, uint64_t& h, int depth, long& budget)
{
    if (--budget < 0 || depth > Player::kMaxNesting) return false;
    const CharKind kind = movie.kind(o.charId);
    if (kind == CharKind::Button || kind == CharKind::EditText) return false;
    h = mix(h, o.charId);
    h = mixTransform(h, o.matrix);
    h = mixCx(h, o.cx);
    h = mix(h, uint64_t(o.ratio) | uint64_t(o.clipDepth) << 16 | uint64_t(o.visible) << 32 |
                   uint64_t(o.blend) << 40 | uint64_t(o.cacheAsBitmap) << 48);
    h = mix(h, uint64_t(reinterpret_cast<uintptr_t>(o.filters.get())));
    if (o.sprite) {
        h = mix(h, uint64_t(int64_t(o.sprite->current)));
        for (const auto& [d, child] : o.sprite->list) {
            h = mix(h, uint64_t(d));
            if (!mixObject(movie, child, h, depth + 1, budget)) return false;
        }
    }
    return true;
}

}  // namespace

uint64_t ClipCache::signature(const Movie& movie, const DisplayObject& obj, const QTransform& device, const CxForm& cx,
                              int quality, const QRect& area)
{
    uint64_t h = mix(0x5eed, uint64_t(quality));
    for (int v : {area.x(), area.y(), area.width(), area.height()}) h = mix(h, uint64_t(uint32_t(v)));
    h = mixTransform(h, device);
    h = mixCx(h, cx);
    long budget = 20'000;  // objects looked at; larger clips are drawn each time
    if (!mixObject(movie, obj, h, 0, budget)) return 0;
    return h ? h : 1;
}

const QImage* ClipCache::find(const TimelineInstance& clip, uint64_t signature, QPoint* at)
{
    for (auto it = entries_.begin(); it != entries_.end();) {
        const auto owner = it->clip.lock();
        if (!owner) {
            // The clip is gone: so is its picture.
            pixels_ -= qint64(it->image.width()) * it->image.height();
            it = entries_.erase(it);
            continue;
        }
        if (owner.get() != &clip) {
            ++it;
            continue;
        }
        if (it->signature != signature) return nullptr;
        entries_.splice(entries_.begin(), entries_, it);
        *at = entries_.front().at;
        return &entries_.front().image;
    }
    return nullptr;
}

void ClipCache::store(const std::shared_ptr<TimelineInstance>& clip, uint64_t signature, QImage image, QPoint at)
{
    const qint64 pixels = qint64(image.width()) * image.height();
    if (pixels > kMaxPixels) return;
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->clip.lock() == clip) {
            pixels_ -= qint64(it->image.width()) * it->image.height();
            entries_.erase(it);
            break;
        }
    entries_.push_front({clip, signature, std::move(image), at});
    pixels_ += pixels;
    while (entries_.size() > kMaxEntries || pixels_ > kMaxPixels) {
        pixels_ -= qint64(entries_.back().image.width()) * entries_.back().image.height();
        entries_.pop_back();
    }
}

ClipCache& ClipCache::local()
{
    thread_local ClipCache cache;
    return cache;
}

}  // namespace vx::swf
