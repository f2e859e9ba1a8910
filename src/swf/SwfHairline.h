// Thin antialiased lines, a pixel or so wide, drawn from their centre line
// instead of from an outline: each straight piece gives every pixel it
// passes the share of that pixel which a band of the line's width covers.
#pragma once

#include "swf/SwfCoverage.h"

#include <QPainterPath>
#include <vector>

namespace vx::swf {

class HairlineRaster {
public:
    // The widest line drawn this way, in device pixels.
    static constexpr double kMaxWidth = 1.5;

    // Coverage of a line `width` device pixels wide along `path` mapped by
    // `toDevice`, inside `clip`, built in `coverage`. With `caps` the ends
    // of open subpaths reach half the width beyond their end points.
    const CoverRuns& rasterize(CoverageRaster& coverage, const QPainterPath& path, const QTransform& toDevice,
                               double width, bool caps, const QRect& clip);

private:
    void segment(CoverageRaster& out, QPointF a, QPointF b, double width) const;

    std::vector<QPointF> points_;
    std::vector<int> starts_;
};

}  // namespace vx::swf
