// Drawing straight into the pixels of a 32-bit premultiplied image: runs of
// coverage blended source-over with a solid colour, a gradient or a bitmap,
// without the painter's per-fill set-up.
#pragma once

#include "swf/SwfCoverage.h"
#include "swf/SwfGradient.h"

#include <QImage>
#include <QTransform>
#include <vector>

class QPainter;

namespace vx::swf {

class Canvas {
public:
    // The image `p` paints on when we may write its pixels ourselves: a
    // 32-bit premultiplied (or opaque) image, painted source-over, fully
    // opaque and unclipped. Null otherwise.
    static QImage* target(QPainter& p);

    explicit Canvas(QImage& image);

    void fillSolid(const CoverRuns& runs, QRgb premultiplied);
    // Pixels x0 .. x0 + n - 1 of row y covered alpha[0 .. n) / 255 with a
    // premultiplied colour.
    void blendSolidMask(int y, int x0, int n, const uint8_t* alpha, QRgb premultiplied);
    // Pixels x0 .. x1 - 1 of row y covered cover / 255 with it.
    void blendSolidRun(int y, int x0, int x1, uint8_t cover, QRgb premultiplied);

    // Takes coverage straight from a rasterizer's sweep and blends a
    // premultiplied colour with it.
    struct SolidSink {
        Canvas& canvas;
        QRgb colour;
        void run(int y, int x0, int x1, uint8_t cover) { canvas.blendSolidRun(y, x0, x1, cover, colour); }
        void mask(int y, int x0, int n, const uint8_t* alpha) { canvas.blendSolidMask(y, x0, n, alpha, colour); }
    };
    void fillGradient(const CoverRuns& runs, const FillStyle& f, const GradientRamp& ramp,
                      const QTransform& gradientToDevice);
    // bitmapToDevice maps the bitmap's pixel grid. Outside the bitmap a
    // repeating fill wraps around and a clipped one takes the edge pixels;
    // `smooth` samples bilinearly, otherwise the nearest pixel.
    void fillBitmap(const CoverRuns& runs, const QImage& bitmap, const QTransform& bitmapToDevice,
                    bool repeat, bool smooth);

private:
    // Blends colours[0 .. x1 - x0), times the span's cover, over its pixels.
    void blendRow(const CoverSpan& s, const uint8_t* alpha, const QRgb* colours);
    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits_ + qsizetype(y) * stride_); }

    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    std::vector<QRgb> shade_;
};

}  // namespace vx::swf
