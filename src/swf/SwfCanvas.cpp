#include "swf/SwfCanvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vx::swf {

namespace {

// x with each of its four channels times a / 255, rounded.
inline uint32_t byteMul(uint32_t x, uint32_t a)
{
    uint32_t rb = (x & 0xff00ff) * a;
    rb = ((rb + ((rb >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    uint32_t ag = ((x >> 8) & 0xff00ff) * a;
    ag = (ag + ((ag >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return ag | rb;
}

// Premultiplied s drawn over d.
inline uint32_t over(uint32_t d, uint32_t s)
{
    return s + byteMul(d, 255 - (s >> 24));
}

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

void Canvas::fillSolid(const std::vector<CoverSpan>& spans, QRgb s)
{
    if ((s >> 24) == 0) return;
    for (const CoverSpan& sp : spans) {
        QRgb* d = row(sp.y) + sp.x0;
        const int n = sp.x1 - sp.x0;
        const uint32_t c = sp.cover == 255 ? s : byteMul(s, sp.cover);
        if ((c >> 24) == 255) {
            std::fill_n(d, n, c);
        } else {
            const uint32_t keep = 255 - (c >> 24);
            for (int i = 0; i < n; ++i) d[i] = c + byteMul(d[i], keep);
        }
    }
}

void Canvas::blendRow(const CoverSpan& sp, const QRgb* c)
{
    QRgb* d = row(sp.y) + sp.x0;
    const int n = sp.x1 - sp.x0;
    if (sp.cover == 255) {
        for (int i = 0; i < n; ++i) {
            const uint32_t s = c[i];
            d[i] = (s >> 24) == 255 ? s : over(d[i], s);
        }
        return;
    }
    for (int i = 0; i < n; ++i) d[i] = over(d[i], byteMul(c[i], sp.cover));
}

void Canvas::fillGradient(const std::vector<CoverSpan>& spans, const FillStyle& f, const GradientRamp& ramp,
                          const QTransform& gradientToDevice)
{
    QTransform inv;
    if (spans.empty() || !usableInverse(gradientToDevice, inv)) return;
    for (const CoverSpan& sp : spans) {
        shade_.resize(size_t(sp.x1 - sp.x0));
        shadeGradientRow(f, ramp, inv, sp.y, sp.x0, sp.x1, shade_.data());
        blendRow(sp, shade_.data());
    }
}

void Canvas::fillBitmap(const std::vector<CoverSpan>& spans, const QImage& bitmap, const QTransform& bitmapToDevice,
                        bool repeat, bool smooth)
{
    QTransform inv;
    if (spans.empty() || bitmap.isNull() || !usableInverse(bitmapToDevice, inv)) return;
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
    for (const CoverSpan& sp : spans) {
        const int n = sp.x1 - sp.x0;
        shade_.resize(size_t(n));
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
        blendRow(sp, out);
    }
}

}  // namespace vx::swf
