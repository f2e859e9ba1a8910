#include "swf/SwfFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vx::swf {

BlendMode blendModeOf(int value)
{
    return value >= 1 && value <= int(BlendMode::HardLight) ? BlendMode(value) : BlendMode::Normal;
}

namespace {

QRgb readRgba(Stream& s)
{
    const uint8_t r = s.u8(), g = s.u8(), b = s.u8(), a = s.u8();
    return qRgba(r, g, b, a);
}

float readFloat(Stream& s)
{
    const uint32_t bits = s.u32();
    float f;
    std::memcpy(&f, &bits, 4);
    return std::isfinite(f) ? f : 0.0f;
}

float blurOf(double v) { return float(std::clamp(std::isfinite(v) ? v : 0.0, 0.0, kMaxBlur)); }

// The flags byte shared by the shadow-like filters.
void readFlags(Stream& s, Filter& f, bool hasOnTop)
{
    const uint8_t b = s.u8();
    f.inner = b & 0x80;
    f.knockout = b & 0x40;
    f.hideObject = !(b & 0x20);
    if (hasOnTop) f.onTop = b & 0x10;
    f.passes = hasOnTop ? b & 0x0f : b & 0x1f;
}

}  // namespace

std::shared_ptr<const FilterList> readFilterList(Stream& s)
{
    auto list = std::make_shared<FilterList>();
    const int n = s.u8();
    for (int i = 0; i < n; ++i) {
        Filter f;
        const int id = s.u8();
        switch (id) {
        case Filter::DropShadow:
        case Filter::Glow:
            f.kind = Filter::Kind(id);
            f.color = readRgba(s);
            f.blurX = blurOf(s.fixed16());
            f.blurY = blurOf(s.fixed16());
            if (id == Filter::DropShadow) {
                f.angle = float(s.fixed16());
                f.distance = float(s.fixed16());
            }
            f.strength = s.fixed8();
            readFlags(s, f, false);
            break;
        case Filter::Blur:
            f.kind = Filter::Blur;
            f.blurX = blurOf(s.fixed16());
            f.blurY = blurOf(s.fixed16());
            f.passes = s.u8() >> 3;
            break;
        case Filter::Bevel:
            f.kind = Filter::Bevel;
            // The highlight comes first, the shadow second.
            f.highlight = readRgba(s);
            f.color = readRgba(s);
            f.blurX = blurOf(s.fixed16());
            f.blurY = blurOf(s.fixed16());
            f.angle = float(s.fixed16());
            f.distance = float(s.fixed16());
            f.strength = s.fixed8();
            readFlags(s, f, true);
            break;
        case Filter::GradientGlow:
        case Filter::GradientBevel: {
            f.kind = Filter::Kind(id);
            const int colours = s.u8();
            for (int k = 0; k < colours; ++k) f.colours.push_back(readRgba(s));
            for (int k = 0; k < colours; ++k) f.ratios.push_back(s.u8());
            f.blurX = blurOf(s.fixed16());
            f.blurY = blurOf(s.fixed16());
            f.angle = float(s.fixed16());
            f.distance = float(s.fixed16());
            f.strength = s.fixed8();
            readFlags(s, f, true);
            break;
        }
        case Filter::Convolution: {
            f.kind = Filter::Convolution;
            f.matrixX = s.u8();
            f.matrixY = s.u8();
            f.divisor = readFloat(s);
            f.bias = readFloat(s);
            const size_t cells = size_t(f.matrixX) * size_t(f.matrixY);
            s.need(cells * 4);
            f.matrix.reserve(cells);
            for (size_t k = 0; k < cells; ++k) f.matrix.push_back(readFloat(s));
            f.color = readRgba(s);
            const uint8_t b = s.u8();
            f.clamp = b & 0x02;
            f.preserveAlpha = b & 0x01;
            break;
        }
        case Filter::ColorMatrix:
            f.kind = Filter::ColorMatrix;
            for (float& v : f.colourMatrix) v = readFloat(s);
            break;
        default:
            throw CodecError("Unknown filter");
        }
        f.passes = std::clamp(f.passes, 0, kMaxBlurPasses);
        if (!std::isfinite(f.angle)) f.angle = 0;
        if (!std::isfinite(f.distance)) f.distance = 0;
        f.distance = std::clamp(f.distance, -1000.0f, 1000.0f);
        if (!std::isfinite(f.strength)) f.strength = 0;
        list->push_back(std::move(f));
    }
    return list;
}

int filterMargin(const FilterList& filters, double sx, double sy)
{
    double m = 0;
    int applied = 0;
    for (const Filter& f : filters) {
        if (++applied > kMaxFiltersApplied) break;
        switch (f.kind) {
        case Filter::Convolution:
            m += std::max(f.matrixX, f.matrixY);
            break;
        case Filter::ColorMatrix:
            break;
        default:
            m += (std::max(f.blurX * sx, f.blurY * sy) / 2 + 1) * std::max(1, f.passes) +
                 std::abs(f.distance) * std::max(sx, sy);
            break;
        }
    }
    return int(std::min(m, 1024.0));
}

namespace {

// One box of a blur: `left` values before the centre and `right` after
// it. With `halfEnds` the first and last value weigh half as much as the
// others. The mean is rounded to nearest, or cut down with `truncate`.
struct Box {
    int left = 0, right = 0;
    bool halfEnds = false, truncate = false;
};

// A blur of b pixels. Antialiased, a centred box of the odd width at most
// b, one pixel at least. Aliased, a box b whole pixels wide centred on the
// pixel, the mean cut down: an even width reaches half a pixel further each
// way, taking half of the two pixels at its ends. `shift` moves the box
// that many pixels on (the result that many back). A blur of less than
// two pixels leaves the plane as it is.
Box boxOf(double blur, bool aliased, int shift)
{
    const double b = blur > 0 ? std::min(blur, kMaxBlur) : 0.0;  // not a number: none
    if (!aliased) {
        const int half = std::max(0, int(std::floor((b - 1) / 2)));
        return {half, half, false, false};
    }
    const int n = int(std::floor(b));
    if (n < 2) return {};
    const int half = n / 2;
    return {half - shift, half + shift, n % 2 == 0, true};
}

// Box blur of one 8-bit plane (w x h, rows of `stride`) in place: `passes`
// times the box `bx` across, then `by` down.
void boxBlur(uint8_t* p, int w, int h, int stride, Box bx, Box by, int passes, std::vector<uint32_t>& line)
{
    // The line is copied between zeros as wide as the largest box reaches.
    const int pad = std::max({bx.left, bx.right, by.left, by.right}) + 1;
    line.assign(size_t(std::max(w, h)) + 2 * size_t(pad), 0);
    auto run = [&](uint8_t* base, int count, int step, Box box) {
        // One line of count values `step` apart: each becomes the mean of
        // the box around it; what lies beyond the line is 0.
        if (box.left + box.right <= 0 || count <= 0) return;
        // Sums are of up to 255 values of 255, doubled with half ends. The
        // division is exact: floor(sum * inv / 2^32) is floor(sum / n), and
        // adding half of n first rounds to nearest.
        const uint32_t n = box.halfEnds ? 2 * uint32_t(box.left + box.right) : uint32_t(box.left + box.right + 1);
        const uint64_t inv = ((uint64_t(1) << 32) + n - 1) / n;
        const uint32_t bias = box.truncate ? 0 : n / 2;
        uint32_t* v = line.data() + pad;
        for (int i = 0; i < count; ++i) v[i] = base[ptrdiff_t(i) * step];
        uint32_t sum = 0;
        for (int i = -box.left; i <= box.right; ++i) sum += v[i];
        for (int i = 0; i < count; ++i) {
            const uint32_t total = box.halfEnds ? 2 * sum - v[i - box.left] - v[i + box.right] : sum;
            base[ptrdiff_t(i) * step] = uint8_t((uint64_t(total + bias) * inv) >> 32);
            sum += v[i + box.right + 1];
            sum -= v[i - box.left];
        }
    };
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) run(p + ptrdiff_t(y) * stride, w, 1, bx);
        for (int x = 0; x < w; ++x) run(p + x, h, stride, by);
    }
}

void blurPlane(std::vector<uint8_t>& plane, int w, int h, const Filter& f, double sx, double sy, bool aliased,
               std::vector<uint32_t>& line)
{
    // Aliased, the blur filter's box lies one pixel lower than the
    // shadows' (as the reference draws it): what it blurs moves up a pixel.
    const int down = aliased && f.kind == Filter::Blur ? 1 : 0;
    boxBlur(plane.data(), w, h, w, boxOf(f.blurX * sx, aliased, 0), boxOf(f.blurY * sy, aliased, down),
            std::max(1, f.passes), line);
}

// A distance in whole pixels, rounded; beyond `size` (or not a number)
// everything moves out of the layer alike.
int pixelOffset(double v, int size)
{
    if (!std::isfinite(v)) return size;
    return int(std::lround(std::clamp(v, -double(size), double(size))));
}

// The alpha plane of the layer moved by (dx, dy) pixels; what comes in is 0.
void alphaShifted(const QImage& layer, int dx, int dy, std::vector<uint8_t>& out)
{
    const int w = layer.width(), h = layer.height();
    out.assign(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        const int sy = y - dy;
        if (sy < 0 || sy >= h) continue;
        const QRgb* s = reinterpret_cast<const QRgb*>(layer.constScanLine(sy));
        uint8_t* d = out.data() + size_t(y) * size_t(w);
        for (int x = std::max(0, dx); x < std::min(w, w + dx); ++x) d[x] = uint8_t(qAlpha(s[x - dx]));
    }
}

inline uint32_t mul255(uint32_t a, uint32_t b)
{
    uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

inline QRgb scalePixel(QRgb c, uint32_t a)
{
    if (a >= 255) return c;
    return qRgba(int(mul255(uint32_t(qRed(c)), a)), int(mul255(uint32_t(qGreen(c)), a)),
                 int(mul255(uint32_t(qBlue(c)), a)), int(mul255(uint32_t(qAlpha(c)), a)));
}

inline QRgb over(QRgb s, QRgb d)
{
    const uint32_t keep = 255 - uint32_t(qAlpha(s));
    return qRgba(int(std::min(255u, uint32_t(qRed(s)) + mul255(uint32_t(qRed(d)), keep))),
                 int(std::min(255u, uint32_t(qGreen(s)) + mul255(uint32_t(qGreen(d)), keep))),
                 int(std::min(255u, uint32_t(qBlue(s)) + mul255(uint32_t(qBlue(d)), keep))),
                 int(std::min(255u, uint32_t(qAlpha(s)) + mul255(uint32_t(qAlpha(d)), keep))));
}

inline uint8_t strengthen(uint32_t v, float strength)
{
    return uint8_t(std::clamp(int(std::lround(v * double(strength))), 0, 255));
}

// A gradient glow's or bevel's 256 colours, premultiplied.
std::array<QRgb, 256> gradientTable(const Filter& f)
{
    std::array<QRgb, 256> t{};
    if (f.colours.empty()) return t;
    size_t k = 0;
    for (int i = 0; i < 256; ++i) {
        while (k + 1 < f.colours.size() && f.ratios[k + 1] <= i) ++k;
        QRgb c = f.colours[k];
        if (i > f.ratios[k] && k + 1 < f.colours.size() && f.ratios[k + 1] > f.ratios[k]) {
            const double u = double(i - f.ratios[k]) / (f.ratios[k + 1] - f.ratios[k]);
            const QRgb a = f.colours[k], b = f.colours[k + 1];
            auto mix = [u](int x, int y) { return int(std::lround(x + (y - x) * u)); };
            c = qRgba(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)), mix(qAlpha(a), qAlpha(b)));
        } else if (i < f.ratios[0]) {
            c = f.colours[0];
        }
        t[size_t(i)] = qPremultiply(c);
    }
    return t;
}

// Drop shadow, glow and their gradient form: the blurred (and moved) alpha
// of the object, strengthened and coloured, behind the object, inside it,
// or alone.
void shadow(QImage& layer, const Filter& f, double sx, double sy, bool aliased, FilterScratch& sc)
{
    const int w = layer.width(), h = layer.height();
    const double dist = f.kind == Filter::Glow ? 0.0 : f.distance;
    const int dx = pixelOffset(std::cos(f.angle) * dist * sx, w), dy = pixelOffset(std::sin(f.angle) * dist * sy, h);
    alphaShifted(layer, dx, dy, sc.a);
    if (f.inner)
        for (uint8_t& v : sc.a) v = uint8_t(255 - v);
    blurPlane(sc.a, w, h, f, sx, sy, aliased, sc.rows);
    const bool gradient = f.kind == Filter::GradientGlow;
    const std::array<QRgb, 256> table = gradient ? gradientTable(f) : std::array<QRgb, 256>{};
    const QRgb colour = qPremultiply(f.color);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        const uint8_t* a = sc.a.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const uint8_t v = strengthen(a[x], f.strength);
            const QRgb sh = gradient ? table[v] : scalePixel(colour, v);
            const QRgb src = row[x];
            const uint32_t sa = uint32_t(qAlpha(src));
            QRgb out;
            if (f.inner) {
                const QRgb inside = scalePixel(sh, sa);  // the shadow within the object
                if (f.knockout || f.hideObject) {
                    out = inside;
                } else {
                    // Atop the object: its own alpha stays.
                    const uint32_t keep = 255 - uint32_t(qAlpha(sh));
                    auto ch = [&](int shc, int sc) { return int(std::min<uint32_t>(sa, mul255(uint32_t(shc), sa) + mul255(uint32_t(sc), keep))); };
                    out = qRgba(ch(qRed(sh), qRed(src)), ch(qGreen(sh), qGreen(src)), ch(qBlue(sh), qBlue(src)), int(sa));
                }
            } else if (f.knockout) {
                out = scalePixel(sh, 255 - sa);
            } else if (f.hideObject) {
                out = sh;
            } else {
                out = over(src, sh);
            }
            row[x] = out;
        }
    }
}

// Bevel and gradient bevel: the blurred alpha seen from the light and from
// the opposite side; where they differ, highlight or shadow.
void bevel(QImage& layer, const Filter& f, double sx, double sy, bool aliased, FilterScratch& sc)
{
    const int w = layer.width(), h = layer.height();
    const int dx = pixelOffset(std::cos(f.angle) * f.distance * sx, w),
              dy = pixelOffset(std::sin(f.angle) * f.distance * sy, h);
    alphaShifted(layer, -dx, -dy, sc.a);
    alphaShifted(layer, dx, dy, sc.b);
    blurPlane(sc.a, w, h, f, sx, sy, aliased, sc.rows);
    blurPlane(sc.b, w, h, f, sx, sy, aliased, sc.rows);
    const bool gradient = f.kind == Filter::GradientBevel;
    const std::array<QRgb, 256> table = gradient ? gradientTable(f) : std::array<QRgb, 256>{};
    const QRgb hi = qPremultiply(f.highlight), lo = qPremultiply(f.color);
    const bool outer = !f.inner && !f.onTop, full = f.onTop;
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        const uint8_t* a = sc.a.data() + size_t(y) * size_t(w);
        const uint8_t* b = sc.b.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const int d = int(a[x]) - int(b[x]);
            QRgb e;
            if (gradient) {
                const int v = std::clamp(128 + int(std::lround(d * double(f.strength) / 2)), 0, 255);
                e = table[size_t(v)];
            } else {
                const uint8_t light = strengthen(uint32_t(std::max(0, d)), f.strength);
                const uint8_t dark = strengthen(uint32_t(std::max(0, -d)), f.strength);
                e = over(scalePixel(hi, light), scalePixel(lo, dark));
            }
            const QRgb src = row[x];
            const uint32_t sa = uint32_t(qAlpha(src));
            QRgb out;
            if (f.knockout || f.hideObject) out = full ? e : scalePixel(e, outer ? 255 - sa : sa);
            else if (outer) out = over(src, e);  // the whole bevel lies behind the object
            else out = over(full ? e : scalePixel(e, sa), src);
            row[x] = out;
        }
    }
}

void blurLayer(QImage& layer, const Filter& f, double sx, double sy, bool aliased, FilterScratch& sc)
{
    const int w = layer.width(), h = layer.height();
    const size_t n = size_t(w) * size_t(h);
    for (int channel = 0; channel < 4; ++channel) {
        sc.a.resize(n);
        for (int y = 0; y < h; ++y) {
            const uchar* s = layer.constScanLine(y);
            uint8_t* d = sc.a.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) d[x] = s[x * 4 + channel];
        }
        blurPlane(sc.a, w, h, f, sx, sy, aliased, sc.rows);
        for (int y = 0; y < h; ++y) {
            uchar* d = layer.scanLine(y);
            const uint8_t* s = sc.a.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) d[x * 4 + channel] = s[x];
        }
    }
}

void colourMatrix(QImage& layer, const Filter& f)
{
    const auto& m = f.colourMatrix;
    for (int y = 0; y < layer.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb c = qUnpremultiply(row[x]);
            const double in[4] = {double(qRed(c)), double(qGreen(c)), double(qBlue(c)), double(qAlpha(c))};
            int out[4];
            for (int k = 0; k < 4; ++k) {
                const double v = m[size_t(k * 5)] * in[0] + m[size_t(k * 5 + 1)] * in[1] + m[size_t(k * 5 + 2)] * in[2] +
                                 m[size_t(k * 5 + 3)] * in[3] + m[size_t(k * 5 + 4)];
                out[k] = std::isfinite(v) ? std::clamp(int(std::lround(v)), 0, 255) : 0;
            }
            row[x] = qPremultiply(qRgba(out[0], out[1], out[2], out[3]));
        }
    }
}

void convolution(QImage& layer, const Filter& f, FilterScratch& sc)
{
    const int mx = f.matrixX, my = f.matrixY;
    if (mx <= 0 || my <= 0 || mx > kMaxConvolution || my > kMaxConvolution) return;
    const int w = layer.width(), h = layer.height();
    sc.rows.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sc.rows[size_t(y) * size_t(w) + size_t(x)] = qUnpremultiply(reinterpret_cast<const QRgb*>(layer.constScanLine(y))[x]);
    const double div = f.divisor == 0 ? 1.0 : double(f.divisor);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < w; ++x) {
            double acc[4] = {0, 0, 0, 0};
            for (int j = 0; j < my; ++j)
                for (int i = 0; i < mx; ++i) {
                    int px = x + i - mx / 2, py = y + j - my / 2;
                    QRgb c;
                    if (px < 0 || py < 0 || px >= w || py >= h) {
                        if (!f.clamp) c = f.color;
                        else c = sc.rows[size_t(std::clamp(py, 0, h - 1)) * size_t(w) + size_t(std::clamp(px, 0, w - 1))];
                    } else {
                        c = sc.rows[size_t(py) * size_t(w) + size_t(px)];
                    }
                    const double k = f.matrix[size_t(j * mx + i)];
                    acc[0] += k * qRed(c), acc[1] += k * qGreen(c), acc[2] += k * qBlue(c), acc[3] += k * qAlpha(c);
                }
            int out[4];
            for (int k = 0; k < 4; ++k) {
                const double v = acc[k] / div + f.bias;
                out[k] = std::isfinite(v) ? std::clamp(int(std::lround(v)), 0, 255) : 0;
            }
            if (f.preserveAlpha) out[3] = qAlpha(sc.rows[size_t(y) * size_t(w) + size_t(x)]);
            row[x] = qPremultiply(qRgba(out[0], out[1], out[2], out[3]));
        }
    }
}

}  // namespace

void applyFilter(QImage& layer, const Filter& f, double sx, double sy, bool aliased, FilterScratch& scratch)
{
    if (layer.isNull() || layer.format() != QImage::Format_ARGB32_Premultiplied) return;
    switch (f.kind) {
    case Filter::Blur:
        if (f.passes > 0) blurLayer(layer, f, sx, sy, aliased, scratch);
        break;
    case Filter::DropShadow:
    case Filter::Glow:
    case Filter::GradientGlow:
        shadow(layer, f, sx, sy, aliased, scratch);
        break;
    case Filter::Bevel:
    case Filter::GradientBevel:
        bevel(layer, f, sx, sy, aliased, scratch);
        break;
    case Filter::ColorMatrix:
        colourMatrix(layer, f);
        break;
    case Filter::Convolution:
        convolution(layer, f, scratch);
        break;
    }
}

namespace {

// One channel of a separable mode on unpremultiplied values 0..255.
inline int separable(BlendMode mode, int s, int d)
{
    switch (mode) {
    case BlendMode::Multiply: return int(mul255(uint32_t(s), uint32_t(d)));
    case BlendMode::Screen: return s + d - int(mul255(uint32_t(s), uint32_t(d)));
    case BlendMode::Lighten: return std::max(s, d);
    case BlendMode::Darken: return std::min(s, d);
    case BlendMode::Difference: return std::abs(s - d);
    case BlendMode::Add: return std::min(255, s + d);
    case BlendMode::Subtract: return std::max(0, d - s);
    case BlendMode::Invert: return 255 - d;
    case BlendMode::Overlay:
        return d < 128 ? int(mul255(2u * uint32_t(s), uint32_t(d))) : 255 - int(mul255(2u * uint32_t(255 - s), uint32_t(255 - d)));
    case BlendMode::HardLight:
        return s < 128 ? int(mul255(2u * uint32_t(s), uint32_t(d))) : 255 - int(mul255(2u * uint32_t(255 - s), uint32_t(255 - d)));
    default: return s;
    }
}

inline QRgb blendPixel(BlendMode mode, QRgb s, QRgb d)
{
    const uint32_t sa = uint32_t(qAlpha(s)), da = uint32_t(qAlpha(d));
    switch (mode) {
    case BlendMode::Normal:
    case BlendMode::Layer:
        return over(s, d);
    case BlendMode::Alpha:
        return scalePixel(d, sa);
    case BlendMode::Erase:
        return scalePixel(d, 255 - sa);
    default:
        break;
    }
    if (sa == 0) return d;
    const QRgb su = qUnpremultiply(s), du = da ? qUnpremultiply(d) : 0;
    // out = s (1 - da) + d (1 - sa) + sa da B(s, d), on premultiplied values.
    const uint32_t both = mul255(sa, da);
    auto channel = [&](int sp, int dp, int su8, int du8) {
        const uint32_t v = mul255(uint32_t(sp), 255 - da) + mul255(uint32_t(dp), 255 - sa) +
                           mul255(both, uint32_t(separable(mode, su8, du8)));
        return int(std::min(v, 255u));
    };
    const int a = int(std::min(255u, sa + da - both));
    auto cap = [a](int v) { return std::min(v, a); };
    return qRgba(cap(channel(qRed(s), qRed(d), qRed(su), qRed(du))), cap(channel(qGreen(s), qGreen(d), qGreen(su), qGreen(du))),
                 cap(channel(qBlue(s), qBlue(d), qBlue(su), qBlue(du))), a);
}

}  // namespace

void blendLayer(QImage& dst, QPoint at, const QImage& src, BlendMode mode)
{
    const QRect area = QRect(at, src.size()) & dst.rect();
    if (area.isEmpty()) return;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* d = reinterpret_cast<QRgb*>(dst.scanLine(y));
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y - at.y()));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb sp = s[x - at.x()];
            if (sp == 0) continue;  // outside the object nothing changes, in any mode
            d[x] = blendPixel(mode, sp, d[x]);
        }
    }
}

}  // namespace vx::swf
