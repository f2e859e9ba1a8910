// Gradient colour tables and their per-pixel lookup on the aliased path.
#include "swf/SwfGradient.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

using namespace vx::swf;

namespace {

FillStyle gradient(FillStyle::Kind kind, std::vector<GradientStop> stops, uint8_t spread = 0)
{
    FillStyle f;
    f.kind = kind;
    f.stops = std::move(stops);
    f.spread = spread;
    return f;
}

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255);

}  // namespace

TEST(SwfGradient, TableFollowsTheStops)
{
    GradientRamp ramp;
    buildGradientRamp(gradient(FillStyle::Linear, {{0, kBlack}, {255, kWhite}}), CxForm(), ramp);
    for (int i : {0, 1, 127, 128, 254, 255}) EXPECT_EQ(qRed(ramp.colors[size_t(i)]), i) << i;
    EXPECT_TRUE(ramp.opaque);

    // Before the first and after the last stop the end colours hold; each
    // entry keeps 8 bits, the fraction cut off.
    buildGradientRamp(gradient(FillStyle::Linear, {{10, QColor(255, 0, 0)}, {52, QColor(255, 255, 0)}}), CxForm(), ramp);
    EXPECT_EQ(ramp.colors[0], qRgb(255, 0, 0));
    EXPECT_EQ(ramp.colors[10], qRgb(255, 0, 0));
    EXPECT_EQ(qGreen(ramp.colors[16]), 36);  // 255 * 6 / 42 = 36.4
    EXPECT_EQ(qGreen(ramp.colors[20]), 60);  // 255 * 10 / 42 = 60.7
    EXPECT_EQ(ramp.colors[52], qRgb(255, 255, 0));
    EXPECT_EQ(ramp.colors[255], qRgb(255, 255, 0));

    // Every pair of stops writes at least one entry: a ratio going backwards
    // starts one entry on with the colour before it, then the next pair
    // interpolates from the stops' own ratios; equal ratios each show their
    // colour one entry apart.
    buildGradientRamp(gradient(FillStyle::Linear, {{0, kBlack}, {200, kWhite}, {100, QColor(255, 0, 0)}, {255, kBlack}}),
                      CxForm(), ramp);
    EXPECT_EQ(ramp.colors[200], qRgb(255, 255, 255));
    EXPECT_EQ(ramp.colors[201], qRgb(255, 255, 255));
    EXPECT_EQ(ramp.colors[202], qRgb(int(255 - 255 * 102 / 155.0 + 0.5), 0, 0));  // red to black from 100
    EXPECT_EQ(ramp.colors[255], qRgb(0, 0, 0));
    buildGradientRamp(gradient(FillStyle::Linear, {{6, QColor(255, 0, 0)}, {6, QColor(0, 255, 0)}, {6, QColor(0, 0, 255)},
                                                   {6, kBlack}, {150, kWhite}}),
                      CxForm(), ramp);
    EXPECT_EQ(ramp.colors[6], qRgb(255, 0, 0));
    EXPECT_EQ(ramp.colors[7], qRgb(255, 0, 0));
    EXPECT_EQ(ramp.colors[8], qRgb(0, 255, 0));
    EXPECT_EQ(ramp.colors[9], qRgb(0, 0, 255));
    EXPECT_EQ(qRed(ramp.colors[78]), 127);  // black at 6 to white at 150: 127.5
    EXPECT_EQ(ramp.colors[255], qRgb(255, 255, 255));

    // Hostile ratios are clamped; no stops give a transparent table.
    buildGradientRamp(gradient(FillStyle::Linear, {{std::numeric_limits<float>::quiet_NaN(), kWhite}, {1e9f, kBlack}}),
                      CxForm(), ramp);
    EXPECT_EQ(ramp.colors[255], qRgb(0, 0, 0));
    buildGradientRamp(gradient(FillStyle::Linear, {}), CxForm(), ramp);
    EXPECT_EQ(ramp.colors[128], 0u);
    EXPECT_FALSE(ramp.opaque);
}

TEST(SwfGradient, TableColourTransformAlphaAndLinearRgb)
{
    GradientRamp ramp;
    CxForm cx;
    cx.rm = 0;
    cx.ba = 255;
    buildGradientRamp(gradient(FillStyle::Linear, {{0, kWhite}, {255, kWhite}}), cx, ramp);
    EXPECT_EQ(ramp.colors[100], qRgb(0, 255, 255));

    // Straight colours blend, then are premultiplied.
    buildGradientRamp(gradient(FillStyle::Linear, {{0, QColor(255, 0, 0, 255)}, {255, QColor(255, 0, 0, 0)}}), CxForm(), ramp);
    EXPECT_FALSE(ramp.opaque);
    EXPECT_EQ(ramp.colors[255], qRgba(0, 0, 0, 0));
    const QRgb mid = ramp.colors[128];
    EXPECT_EQ(qAlpha(mid), 127);
    EXPECT_EQ(qRed(mid), 127);

    // Linear-RGB interpolation is lighter halfway than plain RGB.
    FillStyle lin = gradient(FillStyle::Linear, {{0, kBlack}, {255, kWhite}});
    lin.interpolation = 1;
    buildGradientRamp(lin, CxForm(), ramp);
    EXPECT_GT(qRed(ramp.colors[128]), 180);
    EXPECT_EQ(qRed(ramp.colors[255]), 255);
}

TEST(SwfGradient, LinearRgbTableRunsOneEntryAhead)
{
    // Red up to ratio 127, blue from 128 on: in plain RGB the step lies
    // between entries 127 and 128, in linear RGB one entry earlier; the
    // last entry keeps its colour.
    const QColor red(255, 0, 0), blue(0, 0, 255);
    struct Case {
        int interpolation;
        int entry;
        QRgb expected;
    };
    const Case cases[] = {
        {0, 126, qRgb(255, 0, 0)}, {0, 127, qRgb(255, 0, 0)}, {0, 128, qRgb(0, 0, 255)}, {0, 255, qRgb(0, 0, 255)},
        {1, 126, qRgb(255, 0, 0)}, {1, 127, qRgb(0, 0, 255)}, {1, 128, qRgb(0, 0, 255)}, {1, 255, qRgb(0, 0, 255)},
        {1, 0, qRgb(255, 0, 0)},
    };
    for (const Case& c : cases) {
        FillStyle f = gradient(FillStyle::Linear, {{127, red}, {128, blue}});
        f.interpolation = uint8_t(c.interpolation);
        GradientRamp ramp;
        buildGradientRamp(f, CxForm(), ramp);
        EXPECT_EQ(ramp.colors[size_t(c.entry)], c.expected) << "interpolation " << c.interpolation << " entry " << c.entry;
    }
}

TEST(SwfGradient, PositionSpreadAndSampling)
{
    const FillStyle lin = gradient(FillStyle::Linear, {{0, kBlack}, {255, kWhite}});
    EXPECT_DOUBLE_EQ(gradientPosition(lin, -16384, 999), 0);
    EXPECT_DOUBLE_EQ(gradientPosition(lin, 16384, 0), 1);
    const FillStyle rad = gradient(FillStyle::Radial, {{0, kBlack}, {255, kWhite}});
    EXPECT_DOUBLE_EQ(gradientPosition(rad, 3 * 16384 / 5.0, 4 * 16384 / 5.0), 1);
    // A centred focal point is the plain radial gradient; off centre the
    // focal point is the start and the circle the end.
    FillStyle focal = rad;
    focal.kind = FillStyle::Focal;
    EXPECT_NEAR(gradientPosition(focal, 8192, 0), 0.5, 1e-9);
    focal.focal = 0.5;
    EXPECT_NEAR(gradientPosition(focal, 8192, 0), 0, 1e-9);
    EXPECT_NEAR(gradientPosition(focal, -16384, 0), 1, 1e-9);
    EXPECT_NEAR(gradientPosition(focal, 0, 16384), 1, 1e-9);
    focal.focal = -7;  // out of range: kept inside the circle
    EXPECT_TRUE(std::isfinite(gradientPosition(focal, 100, 100)));

    // Linear positions fall on texel centres; spread modes fold outside 0..1.
    EXPECT_DOUBLE_EQ(gradientTexel(lin, 0.5), 127.5);
    EXPECT_DOUBLE_EQ(gradientTexel(lin, -3), -0.5);
    EXPECT_DOUBLE_EQ(gradientTexel(lin, 7), 255.5);
    const FillStyle reflect = gradient(FillStyle::Linear, {}, 1), repeat = gradient(FillStyle::Linear, {}, 2);
    EXPECT_DOUBLE_EQ(gradientTexel(reflect, 1.25), gradientTexel(reflect, 0.75));
    EXPECT_DOUBLE_EQ(gradientTexel(reflect, -0.25), gradientTexel(reflect, 0.25));
    EXPECT_DOUBLE_EQ(gradientTexel(repeat, 1.25), gradientTexel(repeat, 0.25));
    EXPECT_DOUBLE_EQ(gradientTexel(repeat, -0.75), gradientTexel(repeat, 0.25));
    EXPECT_TRUE(std::isfinite(gradientTexel(repeat, std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isfinite(gradientTexel(reflect, std::numeric_limits<double>::quiet_NaN())));

    GradientRamp ramp;
    buildGradientRamp(lin, CxForm(), ramp);
    EXPECT_EQ(gradientSample(ramp, 10), qRgb(10, 10, 10));
    EXPECT_EQ(qRed(gradientSample(ramp, 10.75)), 11);
    EXPECT_EQ(gradientSample(ramp, -0.5), qRgb(0, 0, 0));
    EXPECT_EQ(gradientSample(ramp, 300), qRgb(255, 255, 255));
}

// Painted through spans: only the span pixels change, each the table entry
// under its centre.
TEST(SwfGradient, SpansPaintTheirPixelsOnly)
{
    const FillStyle lin = gradient(FillStyle::Linear, {{0, kBlack}, {255, kWhite}});
    GradientRamp ramp;
    buildGradientRamp(lin, CxForm(), ramp);
    QImage img(300, 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(0, 0, 255));
    {
        QPainter p(&img);
        // The gradient square across 256 pixels from x = 20.
        const QTransform toDevice = QTransform::fromScale(256.0 / 32768, 1) * QTransform::fromTranslate(148, 0);
        fillGradientSpans(p, {{1, 20, 276}, {2, 30, 40}}, lin, ramp, toDevice);
        fillGradientSpans(p, {}, lin, ramp, toDevice);
        fillGradientSpans(p, {{3, 0, 10}}, lin, ramp, QTransform(0, 0, 0, 0, 0, 0));  // not invertible
    }
    for (int x : {20, 21, 100, 275}) EXPECT_EQ(img.pixel(x, 1), qRgb(x - 20, x - 20, x - 20)) << x;
    EXPECT_EQ(img.pixel(19, 1), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(276, 1), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(35, 2), qRgb(15, 15, 15));
    EXPECT_EQ(img.pixel(40, 2), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(50, 0), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(5, 3), qRgb(0, 0, 255));
}
