// Off-screen layers for blend modes and filters: premultiplied 32-bit
// images over buffers that are kept and handed out again in later frames,
// so that a movie drawing the same layers every frame allocates nothing.
#pragma once

#include "swf/SwfFilter.h"

#include <QImage>
#include <memory>
#include <vector>

namespace vx::swf {

class LayerPool {
public:
    // A cleared (transparent) image of the size over a kept buffer; null
    // when the size is empty or above kMaxLayerPixels. Release in reverse
    // order of acquiring.
    QImage acquire(QSize size);
    void release();
    FilterScratch& scratch() { return scratch_; }

    // The pool of the calling thread.
    static LayerPool& local();

    static constexpr qint64 kMaxLayerPixels = qint64(1) << 24;
    // Buffers kept between frames at most; deeper nesting allocates.
    static constexpr size_t kKept = 8;
    // A buffer above this many pixels (a 2,560 x 1,600 layer) is not kept.
    static constexpr size_t kMaxKeptPixels = size_t(1) << 22;

private:
    std::vector<std::vector<uint32_t>> buffers_;
    size_t used_ = 0;
    FilterScratch scratch_;
};

}  // namespace vx::swf
