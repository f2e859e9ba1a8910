// Thin antialiased lines, a pixel or so wide, drawn from their centre line
// instead of from an outline: each straight piece adds to every pixel it
// passes the share of that pixel which a band of the line's width covers.
// Shares add up in a coverage buffer, so joins and overlaps are covered once.
#pragma once

#include "swf/SwfCanvas.h"
#include "swf/SwfCoverage.h"

#include <QPainterPath>
#include <cstdint>
#include <vector>

namespace vx::swf {

class HairlineRaster {
public:
    // The widest line drawn this way, in device pixels.
    static constexpr double kMaxWidth = 1.5;

    // Coverage of a line `width` device pixels wide along `path` mapped by
    // `toDevice`, inside `clip`; nothing once this rasterizer has cut
    // kMaxEdgesPerRaster points or handed on pixelBudget() pixels. With `caps`
    // the ends of open subpaths reach half the width beyond their end
    // points. Valid until the next call.
    const CoverRuns& rasterize(const QPainterPath& path, const QTransform& toDevice, double width, bool caps,
                               const QRect& clip);

    // The same line drawn straight onto `canvas` in a premultiplied colour.
    void draw(Canvas& canvas, QRgb colour, const QPainterPath& path, const QTransform& toDevice, double width,
              bool caps, const QRect& clip);

private:
    // Cuts the path, and band by band writes the cover of its pieces and
    // calls sweepBand().
    template <class SweepBand>
    void build(const QPainterPath& path, const QTransform& toDevice, double width, bool caps, const QRect& clip,
               SweepBand&& sweepBand);
    void setBand(const QRect& band);
    template <class Sink>
    void sweep(Sink& sink);
    void segment(QPointF a, QPointF b, double width);
    // Column k of a piece (a row when it runs more up than across).
    template <bool XMajor>
    void column(int k, float along, float vc, float half, int jLo, int jHi);
    bool columns4(int k, float centre, float slope, float step, float half, int jLo, int jHi);
    float* rowOf(int y) { return cover_.data() + size_t(y - band_.top()) * size_t(stride_) - band_.left(); }
    // Notes that pixel x of row y (device coordinates) was written.
    void mark(int y, int x)
    {
        const int col = x - band_.left();
        blocks_[size_t(y - band_.top()) * size_t(wordsPerRow_) + size_t(col >> 9)] |= uint64_t(1) << ((col >> 3) & 63);
    }
    // Notes pixels x0 .. x1 of row y, at most eight apart, as written.
    void markRun(int y, int x0, int x1)
    {
        mark(y, x0);
        if (((x0 - band_.left()) >> 3) != ((x1 - band_.left()) >> 3)) mark(y, x1);
    }
    // Marks rows pendingRow_ + bit of pendingUsed_ at pendingColumn_'s block.
    void flushMarks();

    std::vector<QPointF> points_;
    std::vector<int> starts_;
    QRect band_;
    int stride_ = 0;
    std::vector<float> cover_;  // stride_ per row of the band; zero between uses
    // One bit per eight pixels written, wordsPerRow_ words per row.
    std::vector<uint64_t> blocks_;
    int wordsPerRow_ = 0;
    std::vector<uint8_t> alpha_;  // a row's cover, block by block
    // Rows written in one block of columns by pieces running across, not
    // yet marked: bit r for row pendingRow_ + r.
    unsigned pendingUsed_ = 0;
    int pendingRow_ = -1, pendingBlock_ = -1, pendingColumn_ = 0;
    CoverRuns runs_;
    size_t spent_ = 0;  // points cut by this rasterizer in all
    int64_t pixelsSpent_ = 0;  // pixels handed on in all
};

}  // namespace vx::swf
