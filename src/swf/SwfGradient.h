// Gradient fills evaluated the way the movie format defines them: a colour
// table of 256 entries built from the stops (ratios 0..255), looked up per
// pixel between its two nearest entries, with pad,
// reflect and repeat spread and RGB or linear-RGB interpolation.
#pragma once

#include "swf/SwfRaster.h"
#include "swf/SwfShape.h"

#include <QImage>
#include <QRgb>
#include <array>
#include <unordered_map>
#include <vector>

class QPainter;

namespace vx::swf {

struct GradientRamp {
    std::array<QRgb, 256> colors{};  // premultiplied ARGB
    bool opaque = true;
};

// The 256-entry table of f's stops after the colour transform cx. Every pair
// of stops takes at least one entry, so equal ratios show each colour on an
// entry of its own and a stop whose ratio goes backwards starts one entry on.
void buildGradientRamp(const FillStyle& f, const CxForm& cx, GradientRamp& out);

// Tables already built, found again by their stops, interpolation and
// colour transform: a gradient drawn frame after frame is built once.
class GradientRampCache {
public:
    const GradientRamp& get(const FillStyle& f, const CxForm& cx);

private:
    struct Entry {
        std::vector<GradientStop> stops;
        uint8_t interpolation;
        CxForm cx;
        GradientRamp ramp;
    };
    std::unordered_map<uint64_t, Entry> entries_;
};

// Position 0..1 along the gradient (before spread) of the gradient-space
// point (x, y), in the gradient square -16384..16384.
double gradientPosition(const FillStyle& f, double x, double y);

// Applies the spread mode to a position and returns where it falls in the
// table: entry i covers i .. i + 1, its colour sits at i + 0.5.
double gradientTexel(const FillStyle& f, double t);

// The table's colour at texel position u, blended between the two nearest
// entries (the ends repeat outward).
QRgb gradientSample(const GradientRamp& ramp, double u);

// The colours of device pixels x0 .. x1 - 1 of row y, sampled at their
// centres, with the gradient square mapped from the device by
// deviceToGradient.
void shadeGradientRow(const FillStyle& f, const GradientRamp& ramp, const QTransform& deviceToGradient, int y, int x0,
                      int x1, QRgb* out);

// Fills the device pixels of `spans` with the gradient f (its square mapped
// to the device by gradientToDevice), sampled at pixel centres and drawn
// over the painter's device with source-over.
void fillGradientSpans(QPainter& p, const std::vector<Span>& spans, const FillStyle& f, const GradientRamp& ramp,
                       const QTransform& gradientToDevice);

}  // namespace vx::swf
