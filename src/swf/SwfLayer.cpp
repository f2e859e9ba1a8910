#include "swf/SwfLayer.h"

namespace vx::swf {

QImage LayerPool::acquire(QSize size)
{
    if (size.isEmpty() || qint64(size.width()) * size.height() > kMaxLayerPixels) return {};
    const size_t n = size_t(size.width()) * size_t(size.height());
    if (used_ == buffers_.size()) buffers_.emplace_back();
    std::vector<uint32_t>& b = buffers_[used_++];
    if (b.size() < n) b.resize(n);
    std::fill(b.begin(), b.begin() + ptrdiff_t(n), 0u);
    return QImage(reinterpret_cast<uchar*>(b.data()), size.width(), size.height(), size.width() * 4,
                  QImage::Format_ARGB32_Premultiplied);
}

void LayerPool::release()
{
    if (used_ == 0) return;
    --used_;
    // Buffers beyond those kept, and one larger than a kept one may be, go
    // back to the system.
    if (buffers_.size() > kKept && used_ + 1 == buffers_.size()) buffers_.pop_back();
    else if (buffers_[used_].size() > kMaxKeptPixels) std::vector<uint32_t>().swap(buffers_[used_]);
}

LayerPool& LayerPool::local()
{
    thread_local LayerPool pool;
    return pool;
}

}  // namespace vx::swf
