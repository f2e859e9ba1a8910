#include "swf/SwfGradient.h"
#include "platform/VectorState.h"
#include "swf/SwfMath.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace vx::swf {

namespace {

constexpr double kSquare = 16384;  // half the side of the gradient square

double toLinear(int v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int fromLinear(double v)
{
    v = std::clamp(v, 0.0, 1.0);
    const double c = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return int(std::lround(std::clamp(c, 0.0, 1.0) * 255));
}

// Table entries between two stops take the fraction cut off, as the player
// we compare with has them (a shade darker than rounding half the time).
int lerp8(int a, int b, double t)
{
    // Between a and b, so never negative: truncation floors. The slack keeps
    // an exact whole value from falling to the one below.
    return std::clamp(int(a + (b - a) * t + 1e-9), 0, 255);
}

// Applies the spread mode to a position and returns where it falls in the
// table (see gradientTexel).
inline double texelOf(FillStyle::Kind kind, uint8_t spread, double t)
{
    if (!std::isfinite(t)) t = 1;
    if (spread == 1) {
        t = std::abs(t);
        t -= 2 * floorFast(t * 0.5);
        if (t > 1) t = 2 - t;
    } else if (spread == 2) {
        t -= floorFast(t);
    }
    // Linear gradients sample the table at texel centres; radial ones a
    // quarter texel further out, which is where the player we compare with
    // puts their rings.
    return std::clamp(t, 0.0, 1.0) * 256 - (kind == FillStyle::Linear ? 0.5 : 0.25);
}

// The table's colour at `fixed` / 256 texels.
inline QRgb sampleFixed(const GradientRamp& ramp, int fixed)
{
    const int i = fixed >> 8;
    const QRgb a = ramp.colors[size_t(std::clamp(i, 0, 255))], b = ramp.colors[size_t(std::clamp(i + 1, 0, 255))];
    // Two channels at a time, each (x * (256 - w) + y * w + 128) >> 8.
    const uint32_t w = uint32_t(fixed & 255), v = 256 - w;
    const uint32_t rb = (((a & 0xff00ff) * v + (b & 0xff00ff) * w + 0x800080) >> 8) & 0xff00ff;
    const uint32_t ag = ((((a >> 8) & 0xff00ff) * v + ((b >> 8) & 0xff00ff) * w + 0x800080) >> 8) & 0xff00ff;
    return rb | (ag << 8);
}

inline QRgb sampleOf(const GradientRamp& ramp, double u)
{
    // u in 1/256 texels, rounded (u lies within -0.5 .. 256, so the sum
    // truncates as it floors): the entry above the low byte, the weight of
    // the next entry in it.
    return sampleFixed(ramp, int(u * 256 + 128.5) - 128);
}

QRgb premultiplied(int r, int g, int b, int a)
{
    if (a == 255) return qRgba(r, g, b, 255);
    auto pm = [a](int c) { return (c * a + 127) / 255; };
    return qRgba(pm(r), pm(g), pm(b), a);
}

}  // namespace

void buildGradientRamp(const FillStyle& f, const CxForm& cx, GradientRamp& out)
{
    struct Stop {
        double ratio;
        QColor c;
    };
    std::vector<Stop> stops;
    stops.reserve(f.stops.size());
    for (const GradientStop& s : f.stops)
        stops.push_back({std::isfinite(s.ratio) ? std::clamp(double(s.ratio), 0.0, 255.0) : 0.0, cx.apply(s.color)});
    out.opaque = true;
    if (stops.empty()) {
        out.colors.fill(0);
        out.opaque = false;
        return;
    }
    const bool linear = f.interpolation == 1;
    auto put = [&](int i, const QColor& c0, const QColor& c1, double t) {
        int r, g, b;
        if (linear) {
            auto mix = [t](int x, int y) {
                const double lx = toLinear(x), ly = toLinear(y);
                return fromLinear(lx + (ly - lx) * t);
            };
            r = mix(c0.red(), c1.red()), g = mix(c0.green(), c1.green()), b = mix(c0.blue(), c1.blue());
        } else {
            r = lerp8(c0.red(), c1.red(), t), g = lerp8(c0.green(), c1.green(), t);
            b = lerp8(c0.blue(), c1.blue(), t);
        }
        const int a = lerp8(c0.alpha(), c1.alpha(), t);
        out.colors[size_t(i)] = premultiplied(r, g, b, a);
        out.opaque &= a == 255;
    };
    // The table is written front to back: up to the first ratio the first
    // colour, then each pair of stops writes its entries up to the second
    // ratio, at least one entry each. A pair whose second ratio is not
    // beyond the entries already written thus takes the next entry with its
    // first colour, and equal ratios show each of their colours one entry
    // apart; interpolation always measures from the stops' own ratios.
    int i = 0;
    for (; i <= int(stops[0].ratio) && i < 256; ++i) put(i, stops[0].c, stops[0].c, 0);
    for (size_t k = 0; k + 1 < stops.size() && i < 256; ++k) {
        const Stop &a = stops[k], &b = stops[k + 1];
        const int last = std::max(i, int(b.ratio));
        for (; i <= last && i < 256; ++i) {
            const double span = b.ratio - a.ratio;
            put(i, a.c, b.c, span > 0 ? std::clamp((i - a.ratio) / span, 0.0, 1.0) : 0.0);
        }
    }
    for (; i < 256; ++i) put(i, stops.back().c, stops.back().c, 0);
    // Interpolated in linear RGB, the table is read one entry further on:
    // each entry shows the colour of the one after it, the last its own.
    if (linear) std::copy(out.colors.begin() + 1, out.colors.end(), out.colors.begin());
}

namespace {

// Tables kept at most; past this the cache starts again.
constexpr size_t kMaxCachedRamps = 512;

uint64_t mixHash(uint64_t h, uint64_t v)
{
    h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h;
}

uint64_t floatBits(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

bool sameStops(const std::vector<GradientStop>& a, const std::vector<GradientStop>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (floatBits(a[i].ratio) != floatBits(b[i].ratio) || a[i].color.rgba() != b[i].color.rgba()) return false;
    return true;
}

}  // namespace

const GradientRamp& GradientRampCache::get(const FillStyle& f, const CxForm& cx)
{
    uint64_t h = f.interpolation;
    for (const GradientStop& s : f.stops) h = mixHash(mixHash(h, floatBits(s.ratio)), s.color.rgba());
    for (float v : {cx.rm, cx.gm, cx.bm, cx.am, cx.ra, cx.ga, cx.ba, cx.aa}) h = mixHash(h, floatBits(v));
    auto it = entries_.find(h);
    if (it != entries_.end() && it->second.interpolation == f.interpolation && it->second.cx == cx &&
        sameStops(it->second.stops, f.stops))
        return it->second.ramp;
    if (entries_.size() >= kMaxCachedRamps) entries_.clear();
    Entry& e = entries_[h];
    e.stops = f.stops;
    e.interpolation = f.interpolation;
    e.cx = cx;
    buildGradientRamp(f, cx, e.ramp);
    return e.ramp;
}

double gradientPosition(const FillStyle& f, double x, double y)
{
    switch (f.kind) {
    case FillStyle::Linear:
        return (x + kSquare) / (2 * kSquare);
    case FillStyle::Focal: {
        // The point lies on the circle, scaled about the focal point, that
        // passes through it: t is the ratio of its distance from the focal
        // point to the distance of the outer circle along the same ray.
        const double fx = std::clamp(double(f.focal), -0.999, 0.999) * kSquare;
        const double dx = x - fx, dy = y;
        const double dd = dx * dx + dy * dy;
        if (dd == 0) return 0;
        const double fd = fx * dx;
        const double disc = fd * fd - dd * (fx * fx - kSquare * kSquare);
        const double s = (-fd + std::sqrt(std::max(0.0, disc))) / dd;
        return s > 0 ? 1 / s : 1;
    }
    default:
        return std::sqrt(x * x + y * y) / kSquare;
    }
}

double gradientTexel(const FillStyle& f, double t)
{
    return texelOf(f.kind, f.spread, t);
}

QRgb gradientSample(const GradientRamp& ramp, double u)
{
    return sampleOf(ramp, std::isfinite(u) ? std::clamp(u, -1.0, 257.0) : 0.0);
}

#if defined(__x86_64__)
// The linear, padded row of shadeGradientRow eight pixels at a time, where
// the processor has AVX2: t is the position of out[0] and steps by dt.
// Returns the pixels done, t moved past them.
// 16-bit lanes of x and y mixed, w / 256 of y, rounded.
static __attribute__((target("avx2"))) inline __m256i mix16(__m256i x, __m256i y, __m256i w)
{
    const __m256i v = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(x, v), _mm256_mullo_epi16(y, w)), _mm256_set1_epi16(128)),
        8);
}

static __attribute__((target("avx2"))) int shadeLinearPadAvx2(const GradientRamp& ramp, double& t, double dt, int n,
                                                       QRgb* out)
{
    if (!cpuHasAvx2()) return 0;
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1), scale = _mm256_set1_pd(65536),
                  half = _mm256_set1_pd(0.5);
    const __m256d steps0 = _mm256_setr_pd(0, dt, 2 * dt, 3 * dt), steps1 = _mm256_add_pd(steps0, _mm256_set1_pd(4 * dt));
    const __m256i bias = _mm256_set1_epi32(128), low = _mm256_setzero_si256(), high = _mm256_set1_epi32(255);
    const __m256i zeroI = _mm256_setzero_si256();
    const int* table = reinterpret_cast<const int*>(ramp.colors.data());
    int i = 0;
    for (; i + 8 <= n; i += 8, t += 8 * dt) {
        const __m256d tt = _mm256_set1_pd(t);
        const __m256d a = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(tt, steps0), zero), one);
        const __m256d b = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(tt, steps1), zero), one);
        const __m128i fa = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(a, scale), half));
        const __m128i fb = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(b, scale), half));
        const __m256i fixed = _mm256_sub_epi32(_mm256_set_m128i(fb, fa), bias);
        const __m256i entry = _mm256_srai_epi32(fixed, 8);
        const __m256i e0 = _mm256_min_epi32(_mm256_max_epi32(entry, low), high);
        const __m256i e1 = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(entry, _mm256_set1_epi32(1)), low), high);
        const __m256i va = _mm256_i32gather_epi32(table, e0, 4), vb = _mm256_i32gather_epi32(table, e1, 4);
        // Each pixel's weight of b in its four 16-bit lanes, laid out as
        // the unpacked halves: pixels 0, 1 | 4, 5 and 2, 3 | 6, 7.
        const __m256i w = _mm256_and_si256(fixed, high);
        const __m256i w2 = _mm256_or_si256(w, _mm256_slli_epi32(w, 16));
        const __m256i wlo = _mm256_unpacklo_epi32(w2, w2), whi = _mm256_unpackhi_epi32(w2, w2);
        const __m256i lo = mix16(_mm256_unpacklo_epi8(va, zeroI), _mm256_unpacklo_epi8(vb, zeroI), wlo);
        const __m256i hi = mix16(_mm256_unpackhi_epi8(va, zeroI), _mm256_unpackhi_epi8(vb, zeroI), whi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
    }
    return i;
}
#endif

void shadeGradientRow(const FillStyle& f, const GradientRamp& ramp, const QTransform& deviceToGradient, int y, int x0,
                      int x1, QRgb* out)
{
    const QTransform& inv = deviceToGradient;
    const double py = y + 0.5, px = x0 + 0.5;
    const double gx0 = inv.m11() * px + inv.m21() * py + inv.dx();
    const double gy0 = inv.m12() * px + inv.m22() * py + inv.dy();
    const double dgx = inv.m11(), dgy = inv.m12();
    const int n = x1 - x0;
    const bool pad = f.spread != 1 && f.spread != 2;
    const bool finite = std::isfinite(gx0) && std::isfinite(gy0) && std::isfinite(dgx) && std::isfinite(dgy);
    if (pad && finite && f.kind == FillStyle::Linear) {
        // The common case without the general spread handling per pixel.
        // The table position in 1/256 texels, (t * 256 - 0.5) * 256, runs
        // straight along the row; only its ends are clamped.
        const double dt = dgx / (2 * kSquare);
        double t = (gx0 + kSquare) / (2 * kSquare);
        int i = 0;
#if defined(__x86_64__)
        i = shadeLinearPadAvx2(ramp, t, dt, n, out);
#endif
#if defined(__SSE2__)
        // Four pixels at a time: positions, then the two table entries of
        // each, mixed in 16-bit lanes.
        const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(256), round = _mm_set1_epi16(128);
        const __m128d zeroD = _mm_setzero_pd(), oneD = _mm_set1_pd(1), scale = _mm_set1_pd(65536),
                      half = _mm_set1_pd(0.5);
        const __m128d step01 = _mm_setr_pd(0, dt), step23 = _mm_setr_pd(2 * dt, 3 * dt);
        const __m128i lowest = _mm_setzero_si128(), highest = _mm_set1_epi16(255), bias = _mm_set1_epi32(128);
        for (; i + 4 <= n; i += 4, t += 4 * dt) {
            // The four positions in 1/256 texels, clamped as pad spread does.
            const __m128d tt = _mm_set1_pd(t);
            const __m128d t01 = _mm_min_pd(_mm_max_pd(_mm_add_pd(tt, step01), zeroD), oneD);
            const __m128d t23 = _mm_min_pd(_mm_max_pd(_mm_add_pd(tt, step23), zeroD), oneD);
            const __m128i f01 = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(t01, scale), half));
            const __m128i f23 = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(t23, scale), half));
            const __m128i fixed = _mm_sub_epi32(_mm_unpacklo_epi64(f01, f23), bias);
            // Entries of the table, clamped to it, and the weights of the next ones.
            const __m128i entry = _mm_packs_epi32(_mm_srai_epi32(fixed, 8), zero);
            const __m128i e0 = _mm_min_epi16(_mm_max_epi16(entry, lowest), highest);
            const __m128i e1 = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(entry, _mm_set1_epi16(1)), lowest), highest);
            const int a0 = _mm_extract_epi16(e0, 0), a1 = _mm_extract_epi16(e0, 1), a2 = _mm_extract_epi16(e0, 2),
                      a3 = _mm_extract_epi16(e0, 3);
            const int b0 = _mm_extract_epi16(e1, 0), b1 = _mm_extract_epi16(e1, 1), b2 = _mm_extract_epi16(e1, 2),
                      b3 = _mm_extract_epi16(e1, 3);
            const __m128i va = _mm_setr_epi32(int(ramp.colors[size_t(a0)]), int(ramp.colors[size_t(a1)]),
                                              int(ramp.colors[size_t(a2)]), int(ramp.colors[size_t(a3)]));
            const __m128i vb = _mm_setr_epi32(int(ramp.colors[size_t(b0)]), int(ramp.colors[size_t(b1)]),
                                              int(ramp.colors[size_t(b2)]), int(ramp.colors[size_t(b3)]));
            // Each pixel's weight of b in its four 16-bit lanes.
            __m128i w = _mm_packs_epi32(_mm_and_si128(fixed, _mm_set1_epi32(255)), zero);
            w = _mm_unpacklo_epi16(w, w);
            const __m128i wlo = _mm_unpacklo_epi32(w, w), whi = _mm_unpackhi_epi32(w, w);
            auto mix = [&](__m128i x, __m128i y, __m128i wt) {
                const __m128i v = _mm_sub_epi16(full, wt);
                return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(x, v), _mm_mullo_epi16(y, wt)), round), 8);
            };
            const __m128i lo = mix(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero), wlo);
            const __m128i hi = mix(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero), whi);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
        }
#endif
        for (; i < n; ++i, t += dt) {
            const double u = std::clamp(t, 0.0, 1.0) * 65536 - 128;
            out[i] = sampleFixed(ramp, int(u + 128.5) - 128);
        }
        return;
    }
    if (pad && finite && f.kind == FillStyle::Radial) {
        double gx = gx0, gy = gy0;
        for (int i = 0; i < n; ++i, gx += dgx, gy += dgy) {
            const double t = std::min(std::sqrt(gx * gx + gy * gy) / kSquare, 1.0);
            out[i] = sampleOf(ramp, t * 256 - 0.25);
        }
        return;
    }
    switch (f.kind) {
    case FillStyle::Linear:
        for (int i = 0; i < n; ++i)
            out[i] = sampleOf(ramp, texelOf(FillStyle::Linear, f.spread, (gx0 + dgx * i + kSquare) / (2 * kSquare)));
        break;
    case FillStyle::Focal:
        for (int i = 0; i < n; ++i)
            out[i] = sampleOf(ramp, texelOf(f.kind, f.spread, gradientPosition(f, gx0 + dgx * i, gy0 + dgy * i)));
        break;
    default:
        for (int i = 0; i < n; ++i) {
            const double gx = gx0 + dgx * i, gy = gy0 + dgy * i;
            out[i] = sampleOf(ramp, texelOf(f.kind, f.spread, std::sqrt(gx * gx + gy * gy) / kSquare));
        }
        break;
    }
}

void fillGradientSpans(QPainter& p, const std::vector<Span>& spans, const FillStyle& f, const GradientRamp& ramp,
                       const QTransform& gradientToDevice)
{
    if (spans.empty() || !gradientToDevice.isInvertible()) return;
    const QTransform inv = gradientToDevice.inverted();
    int left = spans.front().x0, right = spans.front().x1, top = spans.front().y, bottom = top;
    for (const Span& s : spans) {
        left = std::min(left, s.x0);
        right = std::max(right, s.x1);
        top = std::min(top, s.y);
        bottom = std::max(bottom, s.y);
    }
    const int w = right - left, h = bottom - top + 1;
    if (w <= 0 || h <= 0) return;
    // One image for the fill, drawn once; it is kept for the next fills.
    thread_local QImage buffer;
    if (buffer.width() < w || buffer.height() < h)
        buffer = QImage(std::max(w, buffer.width()), std::max(h, buffer.height()), QImage::Format_ARGB32_Premultiplied);
    if (buffer.isNull()) return;
    for (int y = 0; y < h; ++y) std::fill_n(reinterpret_cast<QRgb*>(buffer.scanLine(y)), w, QRgb(0));
    for (const Span& s : spans) {
        QRgb* row = reinterpret_cast<QRgb*>(buffer.scanLine(s.y - top)) - left;
        shadeGradientRow(f, ramp, inv, s.y, s.x0, s.x1, row + s.x0);
    }
    p.save();
    p.resetTransform();
    p.drawImage(QPoint(left, top), buffer, QRect(0, 0, w, h));
    p.restore();
}

}  // namespace vx::swf
