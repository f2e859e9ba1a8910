#include "swf/SwfCanvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Each 16-bit lane x times the matching lane of a, divided by 255 and
// rounded as byteMul does.
inline __m128i mulDiv255(__m128i x, __m128i a)
{
    const __m128i t = _mm_mullo_epi16(x, a);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)), 8);
}

// Four premultiplied pixels s over four pixels d.
inline __m128i over4(__m128i d, __m128i s)
{
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
    const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
    // 255 - alpha in every lane of its pixel.
    const __m128i klo = _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(slo, 0xff), 0xff));
    const __m128i khi = _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(shi, 0xff), 0xff));
    const __m128i dlo = mulDiv255(_mm_unpacklo_epi8(d, zero), klo);
    const __m128i dhi = mulDiv255(_mm_unpackhi_epi8(d, zero), khi);
    return _mm_add_epi8(_mm_packus_epi16(dlo, dhi), s);
}

// Four pixels times cover / 255.
inline __m128i scale4(__m128i s, __m128i cover)
{
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(mulDiv255(_mm_unpacklo_epi8(s, zero), cover), mulDiv255(_mm_unpackhi_epi8(s, zero), cover));
}
#endif

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
    QRgb* d = row(y) + x0;
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i src = _mm_unpacklo_epi8(_mm_set1_epi32(int(s)), zero);
    for (; i + 4 <= n; i += 4) {
        int four;
        std::memcpy(&four, a + i, 4);
        __m128i cov = _mm_cvtsi32_si128(four);
        cov = _mm_unpacklo_epi8(cov, cov);
        cov = _mm_unpacklo_epi16(cov, cov);  // each pixel's cover in its four bytes
        const __m128i lo = mulDiv255(src, _mm_unpacklo_epi8(cov, zero));
        const __m128i hi = mulDiv255(src, _mm_unpackhi_epi8(cov, zero));
        __m128i* p = reinterpret_cast<__m128i*>(d + i);
        _mm_storeu_si128(p, over4(_mm_loadu_si128(p), _mm_packus_epi16(lo, hi)));
    }
#endif
    for (; i < n; ++i)
        if (a[i]) d[i] = over(d[i], a[i] == 255 ? s : byteMul(s, a[i]));
}

void Canvas::blendSolidRun(int y, int x0, int x1, uint8_t cover, QRgb s)
{
    QRgb* d = row(y) + x0;
    const int n = x1 - x0;
    const uint32_t c = cover == 255 ? s : byteMul(s, cover);
    if ((c >> 24) == 255) {
        std::fill_n(d, n, c);
        return;
    }
    int i = 0;
#if defined(__SSE2__)
    const __m128i keep = _mm_set1_epi16(short(255 - (c >> 24))), add = _mm_set1_epi32(int(c));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(d + i);
        const __m128i v = _mm_loadu_si128(p);
        const __m128i lo = mulDiv255(_mm_unpacklo_epi8(v, zero), keep);
        const __m128i hi = mulDiv255(_mm_unpackhi_epi8(v, zero), keep);
        _mm_storeu_si128(p, _mm_add_epi8(_mm_packus_epi16(lo, hi), add));
    }
#endif
    const uint32_t keep1 = 255 - (c >> 24);
    for (; i < n; ++i) d[i] = c + byteMul(d[i], keep1);
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
    QRgb* d = row(sp.y) + sp.x0;
    const int n = sp.x1 - sp.x0;
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i cover = _mm_set1_epi16(sp.cover);
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(d + i);
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i));
        if (a) {
            int four;
            std::memcpy(&four, a + i, 4);
            __m128i cov = _mm_cvtsi32_si128(four);
            cov = _mm_unpacklo_epi8(cov, cov);
            cov = _mm_unpacklo_epi16(cov, cov);
            s = _mm_packus_epi16(mulDiv255(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(cov, zero)),
                                 mulDiv255(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(cov, zero)));
        } else if (sp.cover != 255) {
            s = scale4(s, cover);
        }
        _mm_storeu_si128(p, over4(_mm_loadu_si128(p), s));
    }
#endif
    for (; i < n; ++i) {
        const uint32_t k = a ? a[i] : sp.cover;
        const uint32_t s = k == 255 ? c[i] : byteMul(c[i], k);
        d[i] = (s >> 24) == 255 ? s : over(d[i], s);
    }
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
