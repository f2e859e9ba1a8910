#include "swf/SwfShape.h"

#include <algorithm>
#include <unordered_map>

namespace vx::swf {

namespace {

unsigned styleCount(Stream& s, bool extended)
{
    unsigned n = s.u8();
    if (n == 0xff && extended) n = s.u16();
    return n;
}

void parseGradient(Stream& s, FillStyle& f, int version)
{
    uint8_t head = s.u8();
    f.spread = uint8_t(std::min(head >> 6, 2));
    f.interpolation = uint8_t((head >> 4) & 3);
    const int n = head & 0x0f;
    for (int i = 0; i < n; ++i) {
        GradientStop st;
        st.ratio = s.u8();
        st.color = version >= 3 ? s.rgba() : s.rgb();
        f.stops.push_back(st);
    }
}

LineStyle parseLineStyle(Stream& s, int version)
{
    LineStyle l;
    l.width = s.u16();
    if (version == 4) {
        l.startCap = uint8_t(s.ub(2));
        l.join = uint8_t(s.ub(2));
        l.hasFill = s.ub(1);
        l.noHScale = s.ub(1);
        l.noVScale = s.ub(1);
        s.ub(1);  // pixel hinting
        s.ub(5);
        s.ub(1);  // no close
        l.endCap = uint8_t(s.ub(2));
        s.align();
        if (l.join == 2) l.miterLimit = s.fixed8();
        if (l.hasFill) {
            l.fill = parseFillStyle(s, version);
            l.color = l.fill.kind == FillStyle::Solid ? l.fill.color : QColor(Qt::black);
            if (l.fill.kind == FillStyle::Solid) l.hasFill = false;
        } else {
            l.color = s.rgba();
        }
    } else {
        l.color = version >= 3 ? s.rgba() : s.rgb();
    }
    return l;
}

StyleSet parseStyles(Stream& s, int version)
{
    StyleSet set;
    unsigned nf = styleCount(s, version >= 2);
    for (unsigned i = 0; i < nf; ++i) set.fills.push_back(parseFillStyle(s, version));
    unsigned nl = styleCount(s, true);
    for (unsigned i = 0; i < nl; ++i) set.lines.push_back(parseLineStyle(s, version));
    return set;
}

struct EdgeSeg {
    QPointF from, ctrl, to;
    bool curve;
};

uint64_t pointKey(QPointF p)
{
    const int64_t x = int64_t(std::llround(p.x() * 8)), y = int64_t(std::llround(p.y() * 8));
    return uint64_t(x) * 0x9E3779B97F4A7C15ull ^ uint64_t(y);
}
bool samePoint(QPointF a, QPointF b)
{
    return std::llround(a.x() * 8) == std::llround(b.x() * 8) &&
           std::llround(a.y() * 8) == std::llround(b.y() * 8);
}

QPainterPath joinEdges(const std::vector<EdgeSeg>& edges, bool winding)
{
    QPainterPath path;
    path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
    std::unordered_multimap<uint64_t, size_t> byStart;
    byStart.reserve(edges.size());
    for (size_t i = 0; i < edges.size(); ++i) byStart.emplace(pointKey(edges[i].from), i);
    std::vector<char> used(edges.size(), 0);
    for (size_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        size_t cur = first;
        const QPointF start = edges[first].from;
        path.moveTo(start);
        while (true) {
            used[cur] = 1;
            const EdgeSeg& e = edges[cur];
            if (e.curve) path.quadTo(e.ctrl, e.to);
            else path.lineTo(e.to);
            if (samePoint(e.to, start)) break;
            size_t next = SIZE_MAX;
            auto range = byStart.equal_range(pointKey(e.to));
            for (auto it = range.first; it != range.second; ++it) {
                if (!used[it->second] && samePoint(edges[it->second].from, e.to)) {
                    next = it->second;
                    break;
                }
            }
            if (next == SIZE_MAX) break;
            cur = next;
        }
        path.closeSubpath();
    }
    return path;
}

struct LayerBuilder {
    const StyleSet* set = nullptr;
    std::vector<std::vector<EdgeSeg>> fillEdges;
    std::vector<QPainterPath> strokes;
    std::vector<QPointF> strokeEnd;
    std::vector<char> strokeStarted;

    void reset(const StyleSet* s)
    {
        set = s;
        fillEdges.assign(s->fills.size(), {});
        strokes.assign(s->lines.size(), QPainterPath());
        strokeEnd.assign(s->lines.size(), QPointF());
        strokeStarted.assign(s->lines.size(), 0);
    }
    void add(const EdgeSeg& e, int f0, int f1, int line)
    {
        if (f1 > 0 && size_t(f1) <= fillEdges.size()) fillEdges[size_t(f1 - 1)].push_back(e);
        if (f0 > 0 && size_t(f0) <= fillEdges.size())
            fillEdges[size_t(f0 - 1)].push_back({e.to, e.ctrl, e.from, e.curve});
        if (line > 0 && size_t(line) <= strokes.size()) {
            const size_t l = size_t(line - 1);
            if (!strokeStarted[l] || !samePoint(strokeEnd[l], e.from)) strokes[l].moveTo(e.from);
            if (e.curve) strokes[l].quadTo(e.ctrl, e.to);
            else strokes[l].lineTo(e.to);
            strokeStarted[l] = 1;
            strokeEnd[l] = e.to;
        }
    }
    void flush(CompiledShape& out, bool winding)
    {
        if (!set) return;
        CompiledLayer layer;
        for (size_t i = 0; i < fillEdges.size(); ++i) {
            if (fillEdges[i].empty()) continue;
            layer.fills.push_back({set->fills[i], joinEdges(fillEdges[i], winding)});
        }
        for (size_t i = 0; i < strokes.size(); ++i) {
            if (strokes[i].isEmpty()) continue;
            layer.strokes.push_back({set->lines[i], strokes[i]});
        }
        if (!layer.fills.empty() || !layer.strokes.empty()) out.layers.push_back(std::move(layer));
        set = nullptr;
    }
};

template <typename T>
T lerp(T a, T b, double t)
{
    return T(a + (b - a) * t);
}
QColor lerpColor(const QColor& a, const QColor& b, double t)
{
    return QColor(lerp(a.red(), b.red(), t), lerp(a.green(), b.green(), t), lerp(a.blue(), b.blue(), t),
                  lerp(a.alpha(), b.alpha(), t));
}
QPointF lerpPoint(QPointF a, QPointF b, double t) { return a + (b - a) * t; }
QTransform lerpMatrix(const QTransform& a, const QTransform& b, double t)
{
    return QTransform(lerp(a.m11(), b.m11(), t), lerp(a.m12(), b.m12(), t), lerp(a.m21(), b.m21(), t),
                      lerp(a.m22(), b.m22(), t), lerp(a.dx(), b.dx(), t), lerp(a.dy(), b.dy(), t));
}
FillStyle lerpFill(const FillStyle& a, const FillStyle& b, double t)
{
    FillStyle f = a;
    f.color = lerpColor(a.color, b.color, t);
    f.matrix = lerpMatrix(a.matrix, b.matrix, t);
    f.focal = lerp(a.focal, b.focal, t);
    for (size_t i = 0; i < f.stops.size() && i < b.stops.size(); ++i) {
        f.stops[i].ratio = lerp(a.stops[i].ratio, b.stops[i].ratio, t);
        f.stops[i].color = lerpColor(a.stops[i].color, b.stops[i].color, t);
    }
    return f;
}

FillStyle parseMorphFill(Stream& s, FillStyle& end)
{
    FillStyle f;
    const uint8_t type = s.u8();
    if (type == 0x00) {
        f.kind = FillStyle::Solid;
        f.color = s.rgba();
        end = f;
        end.color = s.rgba();
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
        f.kind = type == 0x10 ? FillStyle::Linear : type == 0x12 ? FillStyle::Radial : FillStyle::Focal;
        f.matrix = s.matrix();
        QTransform em = s.matrix();
        uint8_t head = s.u8();
        f.spread = uint8_t(std::min(head >> 6, 2));
        f.interpolation = uint8_t((head >> 4) & 3);
        end = f;
        end.matrix = em;
        for (int i = 0, n = head & 0x0f; i < n; ++i) {
            GradientStop a, b;
            a.ratio = s.u8();
            a.color = s.rgba();
            b.ratio = s.u8();
            b.color = s.rgba();
            f.stops.push_back(a);
            end.stops.push_back(b);
        }
        if (type == 0x13) {
            f.focal = s.fixed8();
            end.focal = s.fixed8();
        }
    } else if (type >= 0x40 && type <= 0x43) {
        f.kind = FillStyle::Bitmap;
        f.bitmapId = s.u16();
        f.matrix = s.matrix();
        f.repeat = type == 0x40 || type == 0x42;
        f.smooth = type == 0x40 || type == 0x41;
        end = f;
        end.matrix = s.matrix();
    } else {
        throw CodecError("Unknown morph fill style type");
    }
    return f;
}

}  // namespace

QPainterPath CompiledShape::outline() const
{
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const auto& l : layers)
        for (const auto& f : l.fills) all.addPath(f.path);
    return all;
}

FillStyle parseFillStyle(Stream& s, int version)
{
    FillStyle f;
    const uint8_t type = s.u8();
    switch (type) {
    case 0x00:
        f.kind = FillStyle::Solid;
        f.color = version >= 3 ? s.rgba() : s.rgb();
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        f.kind = type == 0x10 ? FillStyle::Linear : type == 0x12 ? FillStyle::Radial : FillStyle::Focal;
        f.matrix = s.matrix();
        parseGradient(s, f, version);
        if (type == 0x13) f.focal = std::clamp(s.fixed8(), -1.0f, 1.0f);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.kind = FillStyle::Bitmap;
        f.bitmapId = s.u16();
        f.matrix = s.matrix();
        f.repeat = type == 0x40 || type == 0x42;
        f.smooth = type == 0x40 || type == 0x41;
        break;
    default:
        throw CodecError("Unknown fill style type");
    }
    return f;
}

std::vector<ShapeRecord> parseShapeRecords(Stream& s, int version, std::vector<StyleSet>* sets, int numFill,
                                           int numLine)
{
    std::vector<ShapeRecord> out;
    double x = 0, y = 0;
    while (true) {
        if (out.size() >= kMaxShapeRecords) throw CodecError("Too many shape records");
        ShapeRecord r;
        if (s.ub(1) == 0) {
            const uint32_t flags = s.ub(5);
            if (flags == 0) break;
            r.kind = ShapeRecord::Style;
            if (flags & 1) {
                int n = int(s.ub(5));
                x = s.sb(n);
                y = s.sb(n);
                r.hasMove = true;
                r.to = QPointF(x, y);
            }
            if (flags & 2) r.fill0 = int(s.ub(numFill));
            if (flags & 4) r.fill1 = int(s.ub(numFill));
            if (flags & 8) r.line = int(s.ub(numLine));
            if ((flags & 16) && sets && version >= 2) {
                sets->push_back(parseStyles(s, version));
                r.styleSet = int(sets->size() - 1);
                numFill = int(s.ub(4));
                numLine = int(s.ub(4));
            }
        } else {
            r.kind = ShapeRecord::Edge;
            const bool straight = s.ub(1);
            const int n = int(s.ub(4)) + 2;
            if (straight) {
                double dx = 0, dy = 0;
                if (s.ub(1)) {
                    dx = s.sb(n);
                    dy = s.sb(n);
                } else if (s.ub(1)) {
                    dy = s.sb(n);
                } else {
                    dx = s.sb(n);
                }
                x += dx;
                y += dy;
                r.to = QPointF(x, y);
            } else {
                double cx = x + s.sb(n), cy = y + s.sb(n);
                x = cx + s.sb(n);
                y = cy + s.sb(n);
                r.curve = true;
                r.ctrl = QPointF(cx, cy);
                r.to = QPointF(x, y);
            }
        }
        out.push_back(r);
        if (s.atEnd()) break;  // tolerate a missing end record
    }
    s.align();
    return out;
}

ShapeData parseShape(Stream& s, int version)
{
    ShapeData d;
    d.bounds = s.rect();
    if (version == 4) {
        s.rect();  // edge bounds
        uint8_t flags = s.u8();
        d.windingFill = flags & 0x04;
    }
    d.styleSets.push_back(parseStyles(s, version));
    const int nf = int(s.ub(4)), nl = int(s.ub(4));
    d.records = parseShapeRecords(s, version, &d.styleSets, nf, nl);
    return d;
}

CompiledShape compileShape(const ShapeData& shape)
{
    CompiledShape out;
    out.bounds = shape.bounds;
    if (shape.styleSets.empty()) return out;
    LayerBuilder lb;
    lb.reset(&shape.styleSets[0]);
    int f0 = 0, f1 = 0, line = 0;
    QPointF pen;
    for (const ShapeRecord& r : shape.records) {
        if (r.kind == ShapeRecord::Style) {
            if (r.styleSet >= 0 && size_t(r.styleSet) < shape.styleSets.size()) {
                lb.flush(out, shape.windingFill);
                lb.reset(&shape.styleSets[size_t(r.styleSet)]);
                f0 = f1 = line = 0;
            }
            if (r.hasMove) pen = r.to;
            if (r.fill0 >= 0) f0 = r.fill0;
            if (r.fill1 >= 0) f1 = r.fill1;
            if (r.line >= 0) line = r.line;
            continue;
        }
        EdgeSeg e{pen, r.ctrl, r.to, r.curve};
        lb.add(e, f0, f1, line);
        pen = r.to;
    }
    lb.flush(out, shape.windingFill);
    return out;
}

MorphData parseMorphShape(Stream& s, int version)
{
    MorphData m;
    m.startBounds = s.rect();
    m.endBounds = s.rect();
    if (version == 2) {
        s.rect();
        s.rect();
        s.u8();
    }
    const uint32_t offset = s.u32();
    const size_t endEdgesAt = s.pos() + offset;
    unsigned nf = styleCount(s, true);
    for (unsigned i = 0; i < nf; ++i) {
        FillStyle e;
        m.startFills.push_back(parseMorphFill(s, e));
        m.endFills.push_back(e);
    }
    unsigned nl = styleCount(s, true);
    for (unsigned i = 0; i < nl; ++i) {
        LineStyle a, b;
        a.width = s.u16();
        b.width = s.u16();
        if (version == 2) {
            a.startCap = uint8_t(s.ub(2));
            a.join = uint8_t(s.ub(2));
            a.hasFill = s.ub(1);
            a.noHScale = s.ub(1);
            a.noVScale = s.ub(1);
            s.ub(1);
            s.ub(5);
            s.ub(1);
            a.endCap = uint8_t(s.ub(2));
            s.align();
            if (a.join == 2) a.miterLimit = s.fixed8();
            const float w0 = a.width, w1 = b.width;
            b = a;
            a.width = w0;
            b.width = w1;
            if (a.hasFill) {
                FillStyle e;
                a.fill = parseMorphFill(s, e);
                b.fill = e;
                a.color = a.fill.color;
                b.color = e.color;
                a.hasFill = b.hasFill = a.fill.kind != FillStyle::Solid;
            } else {
                a.color = s.rgba();
                b.color = s.rgba();
            }
        } else {
            a.color = s.rgba();
            b.color = s.rgba();
        }
        m.startLines.push_back(a);
        m.endLines.push_back(b);
    }
    {
        const int f = int(s.ub(4)), l = int(s.ub(4));
        m.startRecords = parseShapeRecords(s, 3, nullptr, f, l);
    }
    if (endEdgesAt <= s.pos() + s.remaining() && endEdgesAt >= s.pos()) {
        s.skip(endEdgesAt - s.pos());
    }
    if (!s.atEnd()) {
        const int f = int(s.ub(4)), l = int(s.ub(4));
        m.endRecords = parseShapeRecords(s, 3, nullptr, f, l);
    }
    return m;
}

ShapeData morphAt(const MorphData& m, double t)
{
    ShapeData d;
    t = std::clamp(t, 0.0, 1.0);
    d.bounds = QRectF(lerpPoint(m.startBounds.topLeft(), m.endBounds.topLeft(), t),
                      lerpPoint(m.startBounds.bottomRight(), m.endBounds.bottomRight(), t));
    StyleSet set;
    for (size_t i = 0; i < m.startFills.size(); ++i)
        set.fills.push_back(i < m.endFills.size() ? lerpFill(m.startFills[i], m.endFills[i], t) : m.startFills[i]);
    for (size_t i = 0; i < m.startLines.size(); ++i) {
        LineStyle l = m.startLines[i];
        if (i < m.endLines.size()) {
            l.width = lerp(l.width, m.endLines[i].width, t);
            l.color = lerpColor(l.color, m.endLines[i].color, t);
            if (l.hasFill) l.fill = lerpFill(l.fill, m.endLines[i].fill, t);
        }
        set.lines.push_back(l);
    }
    d.styleSets.push_back(std::move(set));
    d.records.reserve(m.startRecords.size());

    size_t j = 0;
    QPointF sPen, ePen;
    const auto& er = m.endRecords;
    for (const ShapeRecord& r : m.startRecords) {
        ShapeRecord o = r;
        if (r.kind == ShapeRecord::Style) {
            if (j < er.size() && er[j].kind == ShapeRecord::Style) {
                if (er[j].hasMove) ePen = er[j].to;
                ++j;
            }
            if (r.hasMove) {
                sPen = r.to;
                o.to = lerpPoint(sPen, ePen, t);
            }
            d.records.push_back(o);
            continue;
        }
        while (j < er.size() && er[j].kind == ShapeRecord::Style) {
            if (er[j].hasMove) ePen = er[j].to;
            ++j;
        }
        ShapeRecord e;
        if (j < er.size()) {
            e = er[j++];
        } else {
            e = r;
            e.to = ePen;
            e.ctrl = ePen;
        }
        const QPointF sCtrl = r.curve ? r.ctrl : (sPen + r.to) / 2;
        const QPointF eCtrl = e.curve ? e.ctrl : (ePen + e.to) / 2;
        o.curve = r.curve || e.curve;
        o.ctrl = lerpPoint(sCtrl, eCtrl, t);
        o.to = lerpPoint(r.to, e.to, t);
        sPen = r.to;
        ePen = e.to;
        d.records.push_back(o);
    }
    return d;
}

}  // namespace vx::swf
