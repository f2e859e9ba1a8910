// Outlines of wide lines, built the way the player we compare with builds
// them. The centre line's curves are first cut into chords like a fill's
// edges; every chord then becomes a closed rectangle of its own, the
// corners between the chords of one curve are mitred, the joins between
// edges and the caps are polygons of their own, and the union is filled
// with the non-zero rule. Round joins
// and caps have corners on the circle: one at least every 45 degrees, and
// more as the circle grows on the device.
#pragma once

#include <QPainterPath>
#include <cstdint>

namespace vx::swf {

struct StrokeStyle {
    enum Cap : uint8_t { RoundCap, FlatCap, SquareCap };
    enum Join : uint8_t { RoundJoin, BevelJoin, MiterJoin };
    double width = 20;
    Cap startCap = RoundCap, endCap = RoundCap;
    Join join = RoundJoin;
    double miterLimit = 3;  // longest miter, in line widths
};

// The outline of `centre` (move, line and raised quadratic elements) drawn
// with `style`, in the centre line's own units. Curves are cut within
// `curveTolerance`, and the chords of round joins and caps stay within
// `arcTolerance` of the circle, both in those units. Fill rule: winding.
QPainterPath strokeOutline(const QPainterPath& centre, const StrokeStyle& style, double curveTolerance,
                           double arcTolerance);

}  // namespace vx::swf
