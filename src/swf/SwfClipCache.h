// Pictures of clips placed with cacheAsBitmap, kept between frames: a clip
// is drawn again only when its signature changes, which covers where it
// lands on the device, its colour transform and everything in it (placements,
// frames shown, ratios, filters, blend modes).
#pragma once

#include "swf/SwfPlayer.h"

#include <QImage>
#include <list>
#include <memory>

namespace vx::swf {

class ClipCache {
public:
    // The signature of obj drawn with the device transform and colour
    // transform; 0 when the clip holds what may change without showing in
    // its display list (buttons, edit text), which is then not cached.
    static uint64_t signature(const Movie& movie, const DisplayObject& obj, const QTransform& device, const CxForm& cx,
                              int quality, const QRect& area);

    // The picture kept for the clip with this signature, or null. Pictures
    // belong to the clip's timeline and are never found for another one.
    const QImage* find(const TimelineInstance& clip, uint64_t signature, QPoint* at);
    void store(const std::shared_ptr<TimelineInstance>& clip, uint64_t signature, QImage image, QPoint at);

    static ClipCache& local();

    // Pictures kept at most, and their pixels together.
    static constexpr size_t kMaxEntries = 32;
    static constexpr qint64 kMaxPixels = qint64(1) << 23;

private:
    struct Entry {
        std::weak_ptr<TimelineInstance> clip;
        uint64_t signature;
        QImage image;
        QPoint at;
    };
    std::list<Entry> entries_;  // most recently used first
    qint64 pixels_ = 0;
};

}  // namespace vx::swf
