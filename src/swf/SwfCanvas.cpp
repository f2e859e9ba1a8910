#include "swf/SwfCanvas.h"
#include "swf/SwfBlend.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>


namespace vx::swf {

namespace {

// a and b mixed, w / 256 of b.
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t w)
{
    const uint32_t v = 256 - w;
    const uint32_t rb = (((a & 0xff00ff) * v + (b & 0xff00ff) * w) >> 8) & 0xff00ff;
    const uint32_t ag = (((a >> 8) & 0xff00ff) * v + ((b >> 8) & 0xff00ff) * w) & 0xff00ff00;
    return ag | rb;
}

// Matrices whose inverse is this large map the whole device into less than
// a texel, or come from hostile files: such fills are skipped.
constexpr double kMaxInverse = 1e12;

bool usableInverse(const QTransform& m, QTransform& inv)
{
    if (!m.isInvertible()) return false;
    inv = m.inverted();
    for (double v : {inv.m11(), inv.m12(), inv.m21(), inv.m22(), inv.dx(), inv.dy()})
        if (!std::isfinite(v) || std::abs(v) > kMaxInverse) return false;
    return true;
}

// A texel index that fits an int whatever the coordinate.
inline int texelIndex(double v)
{
    return int(std::clamp(std::floor(v), -1e9, 1e9));
}

inline int wrapOrClamp(int i, int n, bool repeat)
{
    if (!repeat) return std::clamp(i, 0, n - 1);
    i %= n;
    return i < 0 ? i + n : i;
}

}  // namespace

QImage* Canvas::target(QPainter& p)
{
    QPaintDevice* dev = p.device();
    if (!dev || dev->devType() != QInternal::Image) return nullptr;
    if (p.hasClipping() || p.compositionMode() != QPainter::CompositionMode_SourceOver || p.opacity() != 1.0)
        return nullptr;
    auto* img = static_cast<QImage*>(dev);
    const QImage::Format f = img->format();
    if (f != QImage::Format_ARGB32_Premultiplied && f != QImage::Format_RGB32) return nullptr;
    return img;
}

Canvas::Canvas(QImage& image) : bits_(image.bits()), stride_(image.bytesPerLine()) {}

void Canvas::blendSolidMask(int y, int x0, int n, const uint8_t* a, QRgb s)
{
    blend::solidMask(row(y) + x0, n, a, s);
}

void Canvas::blendSolidRun(int y, int x0, int x1, uint8_t cover, QRgb s)
{
    blend::solidRun(row(y) + x0, x1 - x0, cover, s);
}

void Canvas::fillSolid(const CoverRuns& runs, QRgb s)
{
    if ((s >> 24) == 0) return;
    for (const CoverSpan& sp : runs.spans) {
        if (sp.alpha >= 0) blendSolidMask(sp.y, sp.x0, sp.x1 - sp.x0, runs.alpha.data() + sp.alpha, s);
        else blendSolidRun(sp.y, sp.x0, sp.x1, sp.cover, s);
    }
}

void Canvas::blendRow(const CoverSpan& sp, const uint8_t* a, const QRgb* c)
{
    blend::colours(row(sp.y) + sp.x0, sp.x1 - sp.x0, a, sp.cover, c);
}

void Canvas::fillGradient(const CoverRuns& runs, const FillStyle& f, const GradientRamp& ramp,
                          const QTransform& gradientToDevice)
{
    QTransform inv;
    if (runs.spans.empty() || !usableInverse(gradientToDevice, inv)) return;
    for (const CoverSpan& sp : runs.spans) {
        if (shade_.size() < size_t(sp.x1 - sp.x0)) shade_.resize(size_t(sp.x1 - sp.x0));
        shadeGradientRow(f, ramp, inv, sp.y, sp.x0, sp.x1, shade_.data());
        blendRow(sp, sp.alpha >= 0 ? runs.alpha.data() + sp.alpha : nullptr, shade_.data());
    }
}

void Canvas::fillBitmap(const CoverRuns& runs, const QImage& bitmap, const QTransform& bitmapToDevice,
                        bool repeat, bool smooth)
{
    QTransform inv;
    if (runs.spans.empty() || bitmap.isNull() || !usableInverse(bitmapToDevice, inv)) return;
    const QImage src = bitmap.format() == QImage::Format_ARGB32_Premultiplied || bitmap.format() == QImage::Format_RGB32
                           ? bitmap
                           : bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width(), h = src.height();
    const uchar* bits = src.constBits();
    const qsizetype bpl = src.bytesPerLine();
    auto texel = [&](int x, int y) {
        return reinterpret_cast<const QRgb*>(bits + qsizetype(wrapOrClamp(y, h, repeat)) * bpl)[wrapOrClamp(x, w, repeat)];
    };
    const double du = inv.m11(), dv = inv.m12();
    for (const CoverSpan& sp : runs.spans) {
        const int n = sp.x1 - sp.x0;
        if (shade_.size() < size_t(n)) shade_.resize(size_t(n));
        QRgb* out = shade_.data();
        const double px = sp.x0 + 0.5, py = sp.y + 0.5;
        const double u0 = inv.m11() * px + inv.m21() * py + inv.dx();
        const double v0 = inv.m12() * px + inv.m22() * py + inv.dy();
        if (!smooth) {
            for (int i = 0; i < n; ++i) out[i] = texel(texelIndex(u0 + du * i), texelIndex(v0 + dv * i));
        } else {
            // Bilinear between the four texels around the sample point.
            for (int i = 0; i < n; ++i) {
                const double u = u0 + du * i - 0.5, v = v0 + dv * i - 0.5;
                const int x = texelIndex(u), y = texelIndex(v);
                const uint32_t fx = uint32_t(std::clamp((u - x) * 256, 0.0, 256.0));
                const uint32_t fy = uint32_t(std::clamp((v - y) * 256, 0.0, 256.0));
                const uint32_t top = mix(texel(x, y), texel(x + 1, y), fx);
                const uint32_t bottom = mix(texel(x, y + 1), texel(x + 1, y + 1), fx);
                out[i] = mix(top, bottom, fy);
            }
        }
        blendRow(sp, sp.alpha >= 0 ? runs.alpha.data() + sp.alpha : nullptr, out);
    }
}

}  // namespace vx::swf
