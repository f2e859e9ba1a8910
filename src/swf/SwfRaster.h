// Scanline rasterizer for the aliased ("low" quality) path: a pixel belongs to
// a fill when its centre lies inside the path, with the top-left rule for
// centres exactly on an edge. Produces runs of pixels that the renderer fills
// with its brush, so edges land on the same pixels whatever the brush.
#pragma once

#include <QPainterPath>
#include <QRect>
#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <vector>

class QPainter;
class QBrush;

namespace vx::swf {

struct Span {
    int y, x0, x1;  // pixels x0 .. x1 - 1 of row y
};

class ScanRaster {
public:
    // A straight piece of a path's outline on the device, top end first;
    // dir is +1 where the outline runs downward, -1 where it runs up.
    struct Edge {
        double x0, y0, y1, dxdy;  // y0 < y1
        int dir;
    };

    // The outline of `path` mapped by `toDevice` as edges, vertices on the
    // twips grid and curves cut as for rasterize(). Valid until the next call.
    // Empty once this rasterizer has built kMaxEdgesPerRaster edges.
    const std::vector<Edge>& buildEdges(const QPainterPath& path, const QTransform& toDevice, double curveTolerance = 0);

    // Spans of `path` mapped by `toDevice`, clipped to `clip`. The result
    // stays valid until the next call. Quadratic curves are cut within
    // `curveTolerance` of the curve, measured in the path's own units (as a
    // shape is cut once, whatever its transform), kept between 1/4096 and
    // half a device pixel; 0 means a tenth of a device pixel. None once
    // this rasterizer has given out pixelBudget() pixels.
    const std::vector<Span>& rasterize(const QPainterPath& path, const QTransform& toDevice, const QRect& clip,
                                       double curveTolerance = 0);

    // Whether vertices land on the twips grid (1/20 pixel) as those of shapes
    // do; glyphs scaled to their size and the outlines of lines keep theirs.
    void setTwipsGrid(bool on) { grid_ = on; }
    bool twipsGrid() const { return grid_; }

    // `path` with its quadratic curves (held as raised cubics) cut into
    // lines within `tolerance` (in the path's units); other curves kept.
    static QPainterPath flattenQuadratics(const QPainterPath& path, double tolerance);

    // `path` mapped by `toDevice` as device polylines: subpath k runs from
    // points[starts[k]] to the point before points[starts[k + 1]] (or the
    // end). Curves are cut within `tolerance` device pixels.
    static void polylines(const QPainterPath& path, const QTransform& toDevice, double tolerance,
                          std::vector<QPointF>& points, std::vector<int>& starts);

    // Fills the spans with `brush` given in device space (painter transform
    // ignored and restored).
    static void fillSpans(QPainter& p, const std::vector<Span>& spans, const QBrush& brush);

private:
    void addLine(QPointF a, QPointF b);
    // A cubic from a to b; aRaw and bRaw are the ends before grid rounding.
    void addCurve(QPointF a, QPointF aRaw, QPointF c1, QPointF c2, QPointF bRaw, QPointF b);
    void addQuad(QPointF a, QPointF c, QPointF b);

    std::vector<Edge> edges_;
    std::vector<size_t> active_;
    std::vector<std::pair<double, int>> crossings_;
    std::vector<Span> spans_;
    size_t edgeBudget_ = 0;
    bool grid_ = true;
    size_t spent_ = 0;  // edges built by this rasterizer in all
    int64_t pixelsSpent_ = 0;  // pixels of the spans it gave out
    double quadTolerance_ = 0.1;  // in device pixels
};

// Hard limit on the edges of one fill after flattening.
inline constexpr size_t kMaxRasterEdges = 4'000'000;
// And on those one rasterizer builds in all (a frame uses one): a few
// hundred bytes of movie can place the same curves over and over.
inline constexpr size_t kMaxEdgesPerRaster = 2'000'000;
// Pixels one rasterizer hands out to be painted, in all, drawing into
// `clip`: the area 64 times over, and a floor for small devices. A movie
// can also place a shape that covers the stage over and over; past this
// the frame shows what was drawn by then.
inline int64_t pixelBudget(const QRect& clip)
{
    return 64 * int64_t(std::max(clip.width(), 0)) * int64_t(std::max(clip.height(), 0)) + (int64_t(1) << 22);
}

}  // namespace vx::swf
