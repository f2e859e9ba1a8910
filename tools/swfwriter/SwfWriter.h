// A small SWF writer: bit-level encoding of the movie header, tags, shapes,
// morph shapes, fonts, texts, bitmaps and a few actions. Used by the start
// logo generator, by tests and benchmarks to build movies byte by byte.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include <zlib.h>

namespace swfw {

using Bytes = std::vector<uint8_t>;

inline int bitsUnsigned(uint32_t v)
{
    int n = 0;
    while (v) { ++n; v >>= 1; }
    return n;
}
inline int bitsSigned(int32_t v)
{
    if (v < 0) v = ~v;
    return bitsUnsigned(uint32_t(v)) + 1;
}

class Writer {
public:
    Bytes data;
    void u8(unsigned v) { flushBits(); data.push_back(uint8_t(v)); }
    void u16(unsigned v) { u8(v & 0xff); u8((v >> 8) & 0xff); }
    void u32(uint32_t v) { u16(v & 0xffff); u16(v >> 16); }
    void s16(int v) { u16(unsigned(v) & 0xffff); }
    void bytes(const Bytes& b) { flushBits(); data.insert(data.end(), b.begin(), b.end()); }
    void str(const std::string& s) { for (char c : s) u8(uint8_t(c)); u8(0); }
    void ub(uint32_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            cur_ = uint8_t(cur_ | (((v >> i) & 1u) << (7 - used_)));
            if (++used_ == 8) { data.push_back(cur_); cur_ = 0; used_ = 0; }
        }
    }
    void sb(int32_t v, int n) { ub(uint32_t(v) & (n >= 32 ? 0xffffffffu : ((1u << n) - 1)), n); }
    void flushBits()
    {
        if (used_) { data.push_back(cur_); cur_ = 0; used_ = 0; }
    }
    void rect(int xmin, int xmax, int ymin, int ymax)
    {
        int n = std::max({bitsSigned(xmin), bitsSigned(xmax), bitsSigned(ymin), bitsSigned(ymax)});
        ub(uint32_t(n), 5);
        sb(xmin, n); sb(xmax, n); sb(ymin, n); sb(ymax, n);
        flushBits();
    }
    void rgb(uint32_t argb) { u8((argb >> 16) & 0xff); u8((argb >> 8) & 0xff); u8(argb & 0xff); }
    void rgba(uint32_t argb) { rgb(argb); u8(argb >> 24); }

private:
    uint8_t cur_ = 0;
    int used_ = 0;
};

struct Matrix {
    double sx = 1, sy = 1, r0 = 0, r1 = 0;  // x' = sx*x + r1*y + tx, y' = r0*x + sy*y + ty
    int tx = 0, ty = 0;
    static Matrix translate(int x, int y) { Matrix m; m.tx = x; m.ty = y; return m; }
    static Matrix scale(double sx, double sy, int x = 0, int y = 0)
    {
        Matrix m; m.sx = sx; m.sy = sy; m.tx = x; m.ty = y; return m;
    }
    void write(Writer& w) const
    {
        const bool hasScale = sx != 1 || sy != 1, hasRot = r0 != 0 || r1 != 0;
        w.ub(hasScale, 1);
        if (hasScale) {
            int a = int(std::lround(sx * 65536)), b = int(std::lround(sy * 65536));
            int n = std::max(bitsSigned(a), bitsSigned(b));
            w.ub(uint32_t(n), 5); w.sb(a, n); w.sb(b, n);
        }
        w.ub(hasRot, 1);
        if (hasRot) {
            int a = int(std::lround(r0 * 65536)), b = int(std::lround(r1 * 65536));
            int n = std::max(bitsSigned(a), bitsSigned(b));
            w.ub(uint32_t(n), 5); w.sb(a, n); w.sb(b, n);
        }
        int n = (tx || ty) ? std::max(bitsSigned(tx), bitsSigned(ty)) : 0;
        w.ub(uint32_t(n), 5); w.sb(tx, n); w.sb(ty, n);
        w.flushBits();
    }
};

// Colour transform with alpha: multipliers in 1/256, additions in colour units.
struct CxForm {
    int rm = 256, gm = 256, bm = 256, am = 256, ra = 0, ga = 0, ba = 0, aa = 0;
    void write(Writer& w) const
    {
        const bool hasMult = rm != 256 || gm != 256 || bm != 256 || am != 256;
        const bool hasAdd = ra || ga || ba || aa;
        int n = 1;
        for (int v : {rm, gm, bm, am, ra, ga, ba, aa}) n = std::max(n, bitsSigned(v));
        w.ub(hasAdd, 1); w.ub(hasMult, 1); w.ub(uint32_t(n), 4);
        if (hasMult) { w.sb(rm, n); w.sb(gm, n); w.sb(bm, n); w.sb(am, n); }
        if (hasAdd) { w.sb(ra, n); w.sb(ga, n); w.sb(ba, n); w.sb(aa, n); }
        w.flushBits();
    }
};

struct GradStop { uint8_t ratio; uint32_t argb; };

struct Fill {
    uint8_t type = 0;  // 0 solid, 0x10 linear, 0x12 radial, 0x13 focal, 0x40..0x43 bitmap
    uint32_t argb = 0xff000000;
    Matrix matrix;
    std::vector<GradStop> stops;
    int spread = 0, interpolation = 0;
    double focal = 0;
    uint16_t bitmapId = 0;
    static Fill solid(uint32_t argb) { Fill f; f.argb = argb; return f; }
    static Fill gradient(uint8_t type, Matrix m, std::vector<GradStop> s, int spread = 0)
    {
        Fill f; f.type = type; f.matrix = m; f.stops = std::move(s); f.spread = spread; return f;
    }
    static Fill bitmap(uint16_t id, Matrix m, uint8_t type = 0x41)
    {
        Fill f; f.type = type; f.matrix = m; f.bitmapId = id; return f;
    }
    void write(Writer& w, int shapeVersion) const
    {
        w.u8(type);
        if (type == 0) {
            shapeVersion >= 3 ? w.rgba(argb) : w.rgb(argb);
        } else if (type >= 0x10 && type <= 0x13) {
            matrix.write(w);
            w.u8(uint8_t(spread << 6 | interpolation << 4 | int(stops.size())));
            for (const auto& s : stops) {
                w.u8(s.ratio);
                shapeVersion >= 3 ? w.rgba(s.argb) : w.rgb(s.argb);
            }
            if (type == 0x13) w.s16(int(std::lround(focal * 256)));
        } else {
            w.u16(bitmapId);
            matrix.write(w);
        }
    }
};

struct Line {
    uint16_t width = 20;
    uint32_t argb = 0xff000000;
    // DefineShape4 only: caps 0 round, 1 none, 2 square; joins 0 round,
    // 1 bevel, 2 miter (miterLimit in line widths).
    uint8_t startCap = 0, join = 0, endCap = 0;
    double miterLimit = 3;
};

// Records of one shape; fills and lines are 1-based indices into the lists.
class ShapeBuilder {
public:
    std::vector<Fill> fills;
    std::vector<Line> lines;
    int addFill(const Fill& f) { fills.push_back(f); return int(fills.size()); }
    int addLine(const Line& l) { lines.push_back(l); return int(lines.size()); }
    void style(int fill0, int fill1, int line) { ops_.push_back({Op::Style, fill0, fill1, line, 0, 0, 0, 0}); }
    void moveTo(int x, int y) { ops_.push_back({Op::Move, 0, 0, 0, x, y, 0, 0}); grow(x, y); }
    void lineTo(int x, int y) { ops_.push_back({Op::Line, 0, 0, 0, x, y, 0, 0}); grow(x, y); }
    void curveTo(int cx, int cy, int x, int y)
    {
        ops_.push_back({Op::Curve, 0, 0, 0, x, y, cx, cy}); grow(x, y); grow(cx, cy);
    }
    // A closed rectangle filled with fill1 = fill.
    void rect(int x, int y, int w, int h, int fill, int line = 0)
    {
        style(0, fill, line);
        moveTo(x, y); lineTo(x + w, y); lineTo(x + w, y + h); lineTo(x, y + h); lineTo(x, y);
    }
    // Style arrays (fills, lines) as DefineShape writes them.
    void writeStyles(Writer& w, int version) const
    {
        writeCount(w, fills.size(), version);
        for (const auto& f : fills) f.write(w, version);
        writeCount(w, lines.size(), version);
        for (const auto& l : lines) {
            w.u16(l.width);
            if (version == 4) {  // caps and joins, no fill
                w.ub(l.startCap, 2); w.ub(l.join, 2); w.ub(0, 10); w.ub(l.endCap, 2);
                w.flushBits();
                if (l.join == 2) w.u16(uint16_t(std::lround(l.miterLimit * 256)));
            }
            version >= 3 ? w.rgba(l.argb) : w.rgb(l.argb);
        }
    }
    // Bit counts, the shape records and the end record.
    void writeRecords(Writer& w) const
    {
        const int fb = bitsUnsigned(uint32_t(fills.size())), lb = bitsUnsigned(uint32_t(lines.size()));
        w.ub(uint32_t(fb), 4); w.ub(uint32_t(lb), 4);
        int px = 0, py = 0;
        for (size_t i = 0; i < ops_.size(); ++i) {
            const Op& o = ops_[i];
            if (o.kind == Op::Style || o.kind == Op::Move) {
                // Merge a style op with a following move into one record.
                const Op* st = o.kind == Op::Style ? &o : nullptr;
                const Op* mv = o.kind == Op::Move ? &o : nullptr;
                if (st && i + 1 < ops_.size() && ops_[i + 1].kind == Op::Move) mv = &ops_[++i];
                w.ub(0, 1);
                w.ub(0, 1);                 // new styles
                w.ub(st ? 1 : 0, 1);        // line
                w.ub(st ? 1 : 0, 1);        // fill1
                w.ub(st ? 1 : 0, 1);        // fill0
                w.ub(mv ? 1 : 0, 1);
                if (mv) {
                    int n = std::max(bitsSigned(mv->x), bitsSigned(mv->y));
                    w.ub(uint32_t(n), 5); w.sb(mv->x, n); w.sb(mv->y, n);
                    px = mv->x; py = mv->y;
                }
                if (st) { w.ub(uint32_t(st->f0), fb); w.ub(uint32_t(st->f1), fb); w.ub(uint32_t(st->l), lb); }
            } else if (o.kind == Op::Line) {
                int dx = o.x - px, dy = o.y - py;
                int n = std::max({bitsSigned(dx), bitsSigned(dy), 2});
                w.ub(1, 1); w.ub(1, 1); w.ub(uint32_t(n - 2), 4);
                if (dx && dy) { w.ub(1, 1); w.sb(dx, n); w.sb(dy, n); }
                else if (dy) { w.ub(0, 1); w.ub(1, 1); w.sb(dy, n); }
                else { w.ub(0, 1); w.ub(0, 1); w.sb(dx, n); }
                px = o.x; py = o.y;
            } else {
                int cdx = o.cx - px, cdy = o.cy - py, adx = o.x - o.cx, ady = o.y - o.cy;
                int n = std::max({bitsSigned(cdx), bitsSigned(cdy), bitsSigned(adx), bitsSigned(ady), 2});
                w.ub(1, 1); w.ub(0, 1); w.ub(uint32_t(n - 2), 4);
                w.sb(cdx, n); w.sb(cdy, n); w.sb(adx, n); w.sb(ady, n);
                px = o.x; py = o.y;
            }
        }
        w.ub(0, 6);
        w.flushBits();
    }
    // DefineShape (version 1..4) body.
    Bytes defineShape(uint16_t id, int version) const
    {
        Writer w;
        w.u16(id);
        writeBounds(w);
        if (version == 4) { writeBounds(w); w.u8(0); }
        writeStyles(w, version);
        writeRecords(w);
        return w.data;
    }
    void writeBounds(Writer& w) const
    {
        if (ops_.empty()) { w.rect(0, 0, 0, 0); return; }
        w.rect(minX_, maxX_, minY_, maxY_);
    }

private:
    struct Op {
        enum Kind { Style, Move, Line, Curve } kind;
        int f0, f1, l, x, y, cx, cy;
    };
    static void writeCount(Writer& w, size_t n, int version)
    {
        if (n >= 255 && version >= 2) { w.u8(255); w.u16(unsigned(n)); }
        else w.u8(unsigned(n));
    }
    void grow(int x, int y)
    {
        if (!any_) { minX_ = maxX_ = x; minY_ = maxY_ = y; any_ = true; }
        minX_ = std::min(minX_, x); maxX_ = std::max(maxX_, x);
        minY_ = std::min(minY_, y); maxY_ = std::max(maxY_, y);
    }
    std::vector<Op> ops_;
    bool any_ = false;
    int minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
};

// DefineMorphShape with solid fills (start, end colours) and the two edge sets.
inline Bytes defineMorphShape(uint16_t id, const ShapeBuilder& start, const ShapeBuilder& end,
                              const std::vector<std::pair<uint32_t, uint32_t>>& fills)
{
    Writer w;
    w.u16(id);
    start.writeBounds(w);
    end.writeBounds(w);
    Writer styles;
    styles.u8(unsigned(fills.size()));
    for (const auto& f : fills) { styles.u8(0); styles.rgba(f.first); styles.rgba(f.second); }
    styles.u8(0);  // no line styles
    Writer se;
    start.writeRecords(se);
    w.u32(uint32_t(styles.data.size() + se.data.size()));
    w.bytes(styles.data);
    w.bytes(se.data);
    Writer ee;
    end.writeRecords(ee);
    w.bytes(ee.data);
    return w.data;
}

inline Bytes zlibCompress(const Bytes& in)
{
    uLongf len = compressBound(uLong(in.size()));
    Bytes out(len);
    compress2(out.data(), &len, in.data(), uLong(in.size()), 6);
    out.resize(len);
    return out;
}

// DefineBitsLossless2 from 0xAARRGGBB pixels (straight alpha; stored premultiplied).
inline Bytes defineBitsLossless2(uint16_t id, int width, int height, const std::vector<uint32_t>& argb)
{
    Writer w;
    w.u16(id); w.u8(5); w.u16(unsigned(width)); w.u16(unsigned(height));
    Bytes raw;
    for (uint32_t p : argb) {
        unsigned a = p >> 24;
        raw.push_back(uint8_t(a));
        raw.push_back(uint8_t(((p >> 16) & 0xff) * a / 255));
        raw.push_back(uint8_t(((p >> 8) & 0xff) * a / 255));
        raw.push_back(uint8_t((p & 0xff) * a / 255));
    }
    w.bytes(zlibCompress(raw));
    return w.data;
}

// A kerning pair of a font's layout: first and second code, adjustment.
struct KerningPair { uint16_t first, second; int adjustment; };

// DefineFont2 whose glyphs are the given shapes (records only, fill style 1),
// one per character code, with layout (ascent, descent, advances, kerning).
inline Bytes defineFont2(uint16_t id, const std::string& name, const std::vector<ShapeBuilder>& glyphs,
                         const std::vector<uint16_t>& codes, const std::vector<int>& advances,
                         const std::vector<KerningPair>& kerning = {})
{
    Writer w;
    w.u16(id);
    w.u8(0x80 | 0x04);  // layout, narrow offsets, wide codes
    w.u8(1);            // language
    w.u8(unsigned(name.size()));
    for (char c : name) w.u8(uint8_t(c));
    w.u16(unsigned(glyphs.size()));
    std::vector<Bytes> shapes;
    for (const auto& g : glyphs) {
        Writer s;
        ShapeBuilder only = g;
        only.fills.assign(1, Fill::solid(0xff000000));
        only.lines.clear();
        only.writeRecords(s);
        shapes.push_back(s.data);
    }
    unsigned off = unsigned(glyphs.size() * 2 + 2);
    for (const auto& s : shapes) { w.u16(off); off += unsigned(s.size()); }
    w.u16(off);  // code table offset
    for (const auto& s : shapes) w.bytes(s);
    for (uint16_t c : codes) w.u16(c);
    w.s16(800); w.s16(224); w.s16(0);  // ascent, descent, leading
    for (int a : advances) w.s16(a);
    for (size_t i = 0; i < glyphs.size(); ++i) w.rect(0, 0, 0, 0);
    w.u16(unsigned(kerning.size()));
    for (const KerningPair& k : kerning) { w.u16(k.first); w.u16(k.second); w.s16(k.adjustment); }
    return w.data;
}

// DefineText2: one record with font, colour, position and glyph indices.
inline Bytes defineText2(uint16_t id, int x0, int y0, int x1, int y1, uint16_t fontId, int height,
                         uint32_t argb, int x, int y, const std::vector<std::pair<int, int>>& glyphs)
{
    Writer w;
    w.u16(id);
    w.rect(x0, x1, y0, y1);
    Matrix().write(w);
    int gb = 1, ab = 1;
    for (const auto& g : glyphs) { gb = std::max(gb, bitsUnsigned(uint32_t(g.first))); ab = std::max(ab, bitsSigned(g.second)); }
    w.u8(unsigned(gb)); w.u8(unsigned(ab));
    w.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
    w.u16(fontId); w.rgba(argb); w.s16(x); w.s16(y); w.u16(unsigned(height));
    w.u8(unsigned(glyphs.size()));
    for (const auto& g : glyphs) { w.ub(uint32_t(g.first), gb); w.sb(g.second, ab); }
    w.flushBits();
    w.u8(0);
    return w.data;
}

// Filter records for PlaceObject3 (sizes in pixels).
namespace filter {
inline void fixed16(Writer& w, double v) { w.u32(uint32_t(int32_t(std::lround(v * 65536)))); }
inline Bytes blur(double bx, double by, int passes)
{
    Writer w;
    w.u8(1); fixed16(w, bx); fixed16(w, by); w.u8(unsigned(passes << 3));
    return w.data;
}
inline Bytes dropShadow(uint32_t argb, double blur, double angle, double distance, double strength, bool inner,
                        bool knockout, bool hide, int passes = 1)
{
    Writer w;
    w.u8(0); w.rgba(argb); fixed16(w, blur); fixed16(w, blur); fixed16(w, angle); fixed16(w, distance);
    w.s16(int(std::lround(strength * 256)));
    w.u8((inner ? 0x80 : 0) | (knockout ? 0x40 : 0) | (hide ? 0 : 0x20) | unsigned(passes));
    return w.data;
}
inline Bytes bevel(uint32_t highlight, uint32_t shadow, double blur, double angle, double distance, bool inner,
                   bool onTop)
{
    Writer w;
    w.u8(3); w.rgba(highlight); w.rgba(shadow); fixed16(w, blur); fixed16(w, blur); fixed16(w, angle);
    fixed16(w, distance); w.s16(256);
    w.u8((inner ? 0x80 : 0) | 0x20 | (onTop ? 0x10 : 0) | 1);
    return w.data;
}
inline Bytes colourMatrix(const std::vector<float>& m20)
{
    Writer w;
    w.u8(6);
    for (float f : m20) { uint32_t b; std::memcpy(&b, &f, 4); w.u32(b); }
    return w.data;
}
// The list: a count then the records.
inline Bytes list(const std::vector<Bytes>& filters, int count = -1)
{
    Writer w;
    w.u8(unsigned(count >= 0 ? count : int(filters.size())));
    for (const auto& f : filters) w.bytes(f);
    return w.data;
}
}  // namespace filter

// DefineButton2: records (state bits, character id, matrix) at depth 1 and
// condition actions (condition word, action bytes without the end byte).
struct ButtonState { uint8_t states; uint16_t id; Matrix matrix; };
inline Bytes defineButton2(uint16_t id, const std::vector<ButtonState>& records,
                           const std::vector<std::pair<uint16_t, Bytes>>& conditions)
{
    Writer b;
    b.u16(id);
    b.u8(0);
    Writer r;
    for (const auto& rec : records) {
        r.u8(rec.states);
        r.u16(rec.id);
        r.u16(1);
        rec.matrix.write(r);
        CxForm().write(r);
    }
    r.u8(0);
    b.u16(conditions.empty() ? 0 : unsigned(r.data.size() + 2));
    b.bytes(r.data);
    for (size_t i = 0; i < conditions.size(); ++i) {
        Bytes actions = conditions[i].second;
        actions.push_back(0);
        b.u16(i + 1 == conditions.size() ? 0 : unsigned(actions.size() + 4));
        b.u16(conditions[i].first);
        b.bytes(actions);
    }
    return b.data;
}

// Action bytes.
namespace act {
inline Bytes stop() { return {0x07}; }
inline Bytes play() { return {0x06}; }
inline Bytes nextFrame() { return {0x04}; }
inline Bytes gotoFrame(unsigned f) { return {0x81, 2, 0, uint8_t(f & 0xff), uint8_t(f >> 8)}; }
inline Bytes withString(uint8_t code, const std::vector<std::string>& parts)
{
    Writer w;
    w.u8(code);
    size_t len = 0;
    for (const auto& p : parts) len += p.size() + 1;
    w.u16(unsigned(len));
    for (const auto& p : parts) w.str(p);
    return w.data;
}
inline Bytes goToLabel(const std::string& l) { return withString(0x8C, {l}); }
inline Bytes getURL(const std::string& url, const std::string& target) { return withString(0x83, {url, target}); }
inline Bytes pushString(const std::string& s)
{
    Writer w;
    w.u8(0x96); w.u16(unsigned(s.size() + 2)); w.u8(0); w.str(s);
    return w.data;
}
inline Bytes getURL2() { return {0x9A, 1, 0, 0}; }
}  // namespace act

class Movie {
public:
    Movie(int widthTwips, int heightTwips, double fps, int version = 8)
        : width_(widthTwips), height_(heightTwips), fps_(fps), version_(version) {}

    void tag(int code, const Bytes& body)
    {
        if (code == 1) ++frames_;
        if (body.size() < 63 && code != 2 && code != 22 && code != 32 && code != 83 && code != 20 &&
            code != 36 && code != 21 && code != 35 && code != 90) {
            body_.u16(unsigned(code << 6 | int(body.size())));
        } else {
            body_.u16(unsigned(code << 6 | 0x3f));
            body_.u32(uint32_t(body.size()));
        }
        body_.bytes(body);
    }
    void background(uint32_t rgb) { Writer w; w.rgb(rgb); tag(9, w.data); }
    void showFrame() { tag(1, {}); }
    void place(uint16_t depth, uint16_t id, const Matrix& m = Matrix(), const CxForm* cx = nullptr,
               int ratio = -1, int clipDepth = -1, const std::string& name = "", bool move = false)
    {
        Writer w;
        uint8_t flags = 0x04 | 0x02;
        if (id == 0) flags = 0x04;
        if (cx) flags |= 0x08;
        if (ratio >= 0) flags |= 0x10;
        if (!name.empty()) flags |= 0x20;
        if (clipDepth >= 0) flags |= 0x40;
        if (move) flags |= 0x01;
        w.u8(flags); w.u16(depth);
        if (id) w.u16(id);
        m.write(w);
        if (cx) cx->write(w);
        if (ratio >= 0) w.u16(unsigned(ratio));
        if (!name.empty()) w.str(name);
        if (clipDepth >= 0) w.u16(unsigned(clipDepth));
        tag(26, w.data);
    }
    // PlaceObject3 of a new character with an optional filter list (the
    // list's bytes, count first), blend mode (-1: none) and bitmap caching.
    void place3(uint16_t depth, uint16_t id, const Matrix& m = Matrix(), const Bytes& filters = {}, int blend = -1,
                bool cache = false)
    {
        Writer w;
        w.u8(0x04 | 0x02);
        w.u8((filters.empty() ? 0 : 0x01) | (blend >= 0 ? 0x02 : 0) | (cache ? 0x04 : 0));
        w.u16(depth);
        w.u16(id);
        m.write(w);
        if (!filters.empty()) w.bytes(filters);
        if (blend >= 0) w.u8(unsigned(blend));
        if (cache) w.u8(1);
        tag(70, w.data);
    }
    void remove(uint16_t depth) { Writer w; w.u16(depth); tag(28, w.data); }
    void doAction(const Bytes& actions) { Bytes b = actions; b.push_back(0); tag(12, b); }
    void frameLabel(const std::string& l) { Writer w; w.str(l); tag(43, w.data); }
    void shape(uint16_t id, const ShapeBuilder& s, int version = 3) { tag(version == 1 ? 2 : version == 2 ? 22 : version == 3 ? 32 : 83, s.defineShape(id, version)); }

    // The whole file, "FWS" or zlib-compressed "CWS".
    Bytes bytes(bool compressed = false) const
    {
        Writer h;
        h.rect(0, width_, 0, height_);
        h.u16(unsigned(std::lround(fps_ * 256)));
        h.u16(unsigned(frames_));
        Bytes body = h.data;
        body.insert(body.end(), body_.data.begin(), body_.data.end());
        body.push_back(0); body.push_back(0);  // End
        Writer f;
        f.u8(compressed ? 'C' : 'F'); f.u8('W'); f.u8('S'); f.u8(unsigned(version_));
        f.u32(uint32_t(body.size() + 8));
        f.bytes(compressed ? zlibCompress(body) : body);
        return f.data;
    }
    int frames() const { return frames_; }

private:
    int width_, height_;
    double fps_;
    int version_;
    int frames_ = 0;
    Writer body_;
};

}  // namespace swfw
