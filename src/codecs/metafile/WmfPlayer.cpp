#include "codecs/metafile/WmfPlayer.h"

#include "codecs/DecodeCancel.h"
#include "codecs/metafile/DibImage.h"
#include "codecs/metafile/Shapes.h"

#include <cmath>

namespace vx::meta {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

// Parameter words of a record, counted from the first parameter.
struct Params {
    const ByteReader& r;
    int16_t operator()(size_t i) const { return r.i16le(6 + 2 * i); }
    uint16_t u(size_t i) const { return r.u16le(6 + 2 * i); }
    QPointF point(size_t yIndex) const { return QPointF((*this)(yIndex + 1), (*this)(yIndex)); }
    // bottom, right, top, left
    QRectF rect(size_t bottomIndex) const
    {
        const Params& p = *this;
        return QRectF(QPointF(p(bottomIndex + 3), p(bottomIndex + 2)),
                      QPointF(p(bottomIndex + 1), p(bottomIndex))).normalized();
    }
    QColor color(size_t i) const
    {
        const size_t at = 6 + 2 * i;
        return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2));
    }
};

QPolygonF points(const ByteReader& r, size_t at, size_t count)
{
    if (count > r.from(at).size() / 4)
        throw CodecError("Point count exceeds the record");
    QPolygonF poly;
    poly.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        poly.append(QPointF(r.i16le(at + 4 * i), r.i16le(at + 4 * i + 2)));
    return poly;
}

void polyPolygon(const ByteReader& r, Canvas& c)
{
    const size_t polys = r.u16le(6);
    size_t at = 8 + polys * 2;
    r.need(8, polys * 2);
    QPainterPath path;
    for (size_t i = 0; i < polys; ++i) {
        const size_t n = r.u16le(8 + i * 2);
        path.addPolygon(points(r, at, n));
        path.closeSubpath();
        at += n * 4;
    }
    c.drawShape(path, true, true);
}

QString recordString(const ByteReader& r, size_t at, size_t length, Canvas& c)
{
    r.need(at, length);
    return decodeAnsi(reinterpret_cast<const char*>(r.data() + at), length, c.dc().font.charset);
}

void extTextOut(const ByteReader& r, Canvas& c)
{
    const Params p{r};
    const QPointF ref(p(1), p(0));
    const size_t length = p.u(2);
    const uint32_t options = p.u(3);
    size_t at = 14;
    QRectF rect;
    const bool hasRect = options & (EtoOpaque | EtoClipped);
    if (hasRect) {
        rect = QRectF(QPointF(p(4), p(5)), QPointF(p(6), p(7)));
        at += 8;
    }
    const QString s = recordString(r, at, length, c);
    at += (length + 1) & ~size_t(1);
    std::vector<double> dx;
    if (r.has(at, length * 2)) {
        for (size_t i = 0; i < length; ++i)
            dx.push_back(r.i16le(at + 2 * i));
    }
    c.drawText(ref, s, dx, options, hasRect ? &rect : nullptr);
}

FontSpec logFont(const ByteReader& r)
{
    FontSpec f;
    f.height = r.i16le(6);
    f.escapement = r.i16le(10);
    f.weight = r.i16le(14);
    f.italic = r.u8(16) != 0;
    f.underline = r.u8(17) != 0;
    f.strikeOut = r.u8(18) != 0;
    f.charset = r.u8(19);
    const ByteReader face = r.from(24);
    const size_t n = std::min<size_t>(face.size(), 32);
    f.face = decodeAnsi(reinterpret_cast<const char*>(face.data()), n, f.charset == 2 ? 0 : f.charset);
    return f;
}

// A WMF region object: scans of left/right pairs between top and bottom.
QPainterPath region(const ByteReader& r, Canvas& c)
{
    const size_t scans = r.u16le(16);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    size_t at = 28;
    for (size_t s = 0; s < scans; ++s) {
        const size_t count = r.u16le(at);
        const double top = r.i16le(at + 2), bottom = r.i16le(at + 4);
        if (count / 2 > r.from(at + 6).size() / 4)
            throw CodecError("Region scan exceeds the record");
        for (size_t i = 0; i + 1 < count; i += 2)
            path.addRect(QRectF(QPointF(r.i16le(at + 6 + i * 2), top),
                                QPointF(r.i16le(at + 8 + i * 2), bottom)).normalized());
        at += 6 + (count / 2) * 4 + 2;
    }
    if (scans == 0)
        path.addRect(QRectF(QPointF(r.i16le(20), r.i16le(22)), QPointF(r.i16le(24), r.i16le(26))).normalized());
    c.charge(size_t(path.elementCount()));
    return c.logicalToDevice().map(path);
}

void createObject(uint16_t function, const ByteReader& r, Canvas& c)
{
    const Params p{r};
    GdiObject o;
    switch (function) {
    case 0x02FA:  // CREATEPENINDIRECT
        o.kind = GdiObject::Pen;
        o.pen.style = p.u(0);
        o.pen.width = p(1);
        o.pen.color = p.color(3);
        break;
    case 0x02FC: {  // CREATEBRUSHINDIRECT
        o.kind = GdiObject::Brush;
        const uint32_t style = p.u(0);
        o.brush.style = (style == BsNull || style == BsHatched) ? style : BsSolid;
        o.brush.color = p.color(1);
        o.brush.hatch = p.u(3);
        break;
    }
    case 0x02FB:
        o.kind = GdiObject::Font;
        o.font = logFont(r);
        break;
    case 0x0142:  // DIBCREATEPATTERNBRUSH
        o.kind = GdiObject::Brush;
        o.brush.style = BsDibPattern;
        o.brush.color = Qt::black;
        try {
            o.brush.pattern = decodePackedDib(r.from(10), p.u(1) == 1).image;
        } catch (const CodecError&) {
            o.brush.style = BsSolid;  // unreadable pattern: solid black
        }
        break;
    case 0x01F9:  // CREATEPATTERNBRUSH (device bitmap): a grey stand-in
        o.kind = GdiObject::Brush;
        o.brush.color = Qt::gray;
        break;
    case 0x06FF:
        o.kind = GdiObject::Region;
        try {
            o.region = region(r, c);
        } catch (const CodecError&) {
            if (c.exhausted())
                throw;
        }
        break;
    default:  // palettes and anything else that takes a slot
        o.kind = GdiObject::Palette;
        break;
    }
    c.addObject(o);
}

QRectF bottomUpSource(const Dib& dib, double x, double y, double w, double h)
{
    return QRectF(x, dib.bottomUp ? dib.image.height() - y - h : y, w, h);
}

void record(uint16_t function, const ByteReader& r, Canvas& c)
{
    const Params p{r};
    DcState& dc = c.dc();
    switch (function) {
    case 0x001E: c.save(); break;
    case 0x0127: c.restore(p(0)); break;
    case 0x0102: dc.opaqueBackground = p.u(0) == 2; break;
    case 0x0103: c.setMapMode(p(0)); break;
    case 0x0104: dc.rop2 = p(0); break;
    case 0x0106: dc.fillMode = p.u(0) == 2 ? Winding : Alternate; break;
    case 0x012E: dc.textAlign = p.u(0); break;
    case 0x0201: dc.bkColor = p.color(0); break;
    case 0x0209: dc.textColor = p.color(0); break;
    case 0x020B: c.setWindowOrg(p.point(0)); break;
    case 0x020C: c.setWindowExt(p.point(0)); break;
    case 0x020F: c.setWindowOrg(dc.windowOrg + p.point(0)); break;
    case 0x0410: {  // SCALEWINDOWEXT
        if (p(0) != 0 && p(2) != 0)
            c.setWindowExt(QPointF(dc.windowExt.x() * p(3) / p(2), dc.windowExt.y() * p(1) / p(0)));
        break;
    }
    case 0x0213: {
        QPainterPath path(dc.current);
        path.lineTo(p.point(0));
        c.drawFromCurrent(path);
        break;
    }
    case 0x0214: c.moveTo(p.point(0)); break;
    case 0x0415: c.excludeClipRect(p.rect(0)); break;
    case 0x0416: c.intersectClipRect(p.rect(0)); break;
    case 0x0220: c.offsetClip(p.point(0)); break;
    case 0x0418: {
        QPainterPath path;
        path.addEllipse(p.rect(0));
        c.drawShape(path, true, true);
        break;
    }
    case 0x041B: {
        QPainterPath path;
        path.addRect(p.rect(0));
        c.drawShape(path, true, true);
        break;
    }
    case 0x061C: {
        QPainterPath path;
        path.addRoundedRect(p.rect(2), std::abs(p(1)) / 2.0, std::abs(p(0)) / 2.0);
        c.drawShape(path, true, true);
        break;
    }
    case 0x041F: c.setPixel(p.point(2), p.color(0)); break;
    case 0x0324: case 0x0325: {
        QPainterPath path;
        path.addPolygon(points(r, 8, p.u(0)));
        if (function == 0x0324)
            path.closeSubpath();
        c.drawShape(path, function == 0x0324, true);
        break;
    }
    case 0x0538: polyPolygon(r, c); break;
    case 0x0817: case 0x081A: case 0x0830: {
        const ArcKind kind = function == 0x0817 ? ArcKind::Arc
                             : function == 0x081A ? ArcKind::Pie : ArcKind::Chord;
        c.drawShape(arcPath(p.rect(4), p.point(2), p.point(0), kind, dc.clockwiseArcs),
                    kind != ArcKind::Arc, true);
        break;
    }
    case 0x0521: {  // TEXTOUT
        const size_t length = p.u(0);
        const QString s = recordString(r, 8, length, c);
        const size_t at = 8 + ((length + 1) & ~size_t(1));
        c.drawText(QPointF(r.i16le(at + 2), r.i16le(at)), s, {}, 0, nullptr);
        break;
    }
    case 0x0A32: extTextOut(r, c); break;
    case 0x02FA: case 0x02FC: case 0x02FB: case 0x0142: case 0x01F9: case 0x06FF: case 0x00F7:
        createObject(function, r, c);
        break;
    case 0x012D: c.selectObject(p.u(0)); break;
    case 0x01F0: c.deleteObject(p.u(0)); break;
    case 0x012C: {  // SELECTCLIPREGION
        const GdiObject* o = c.object(p.u(0));
        if (o && o->kind == GdiObject::Region)
            c.combineClip(o->region, RgnCopy);
        else
            c.resetClip();
        break;
    }
    case 0x0228: case 0x012B: {  // FILLREGION, PAINTREGION
        const GdiObject* rgn = c.object(p.u(0));
        const GdiObject* brush = function == 0x0228 ? c.object(p.u(1)) : nullptr;
        if (rgn && rgn->kind == GdiObject::Region)
            c.fillRegion(rgn->region, brush && brush->kind == GdiObject::Brush ? brush->brush : dc.brush);
        break;
    }
    case 0x061D: c.patBlt(QRectF(p(5), p(4), p(3), p(2)), r.u32le(6)); break;
    case 0x0940: case 0x0922: {  // DIBBITBLT, BITBLT
        const uint32_t rop = r.u32le(6);
        if (r.size() == 24) {  // no source bitmap
            c.patBlt(QRectF(p(8), p(7), p(6), p(5)), rop);
        } else if (function == 0x0940) {
            const Dib dib = decodePackedDib(r.from(22));
            c.drawImage(dib.image, QRectF(p(7), p(6), p(5), p(4)), QRectF(p(3), p(2), p(5), p(4)), rop);
        }
        break;
    }
    case 0x0B41: case 0x0B23: {  // DIBSTRETCHBLT, STRETCHBLT
        const uint32_t rop = r.u32le(6);
        if (r.size() == 28) {
            c.patBlt(QRectF(p(10), p(9), p(8), p(7)), rop);
        } else if (function == 0x0B41) {
            const Dib dib = decodePackedDib(r.from(26));
            c.drawImage(dib.image, QRectF(p(9), p(8), p(7), p(6)), QRectF(p(5), p(4), p(3), p(2)), rop);
        }
        break;
    }
    case 0x0F43: {  // STRETCHDIB
        const Dib dib = decodePackedDib(r.from(28), p.u(2) == 1);
        c.drawImage(dib.image, QRectF(p(10), p(9), p(8), p(7)),
                    bottomUpSource(dib, p(6), p(5), p(4), p(3)), r.u32le(6));
        break;
    }
    case 0x0D33: {  // SETDIBTODEV
        const Dib dib = decodePackedDib(r.from(24), p.u(0) == 1);
        const double w = p(6), h = p(5);
        c.drawImage(dib.image, QRectF(p(8), p(7), w, h), bottomUpSource(dib, p(4), p(3), w, h),
                    0x00CC0020);
        break;
    }
    default: break;  // viewport records (the picture is the viewport), escapes, palettes
    }
}

// Calls f(function, record) for each whole record until META_EOF.
template <typename F>
void forEachRecord(const ByteReader& file, const WmfHeader& header, F&& f)
{
    size_t at = header.firstRecord;
    size_t count = 0;
    while (file.has(at, 6) && count++ < kMaxRecords) {
        checkCancelled();
        const uint64_t size = uint64_t(file.u32le(at)) * 2;
        const uint16_t function = file.u16le(at + 4);
        if (size < 6 || !file.has(at, size_t(size)) || function == 0)
            break;
        if (!f(function, file.sub(at, size_t(size))))
            break;
        at += size_t(size);
    }
}

}  // namespace

WmfHeader readWmfHeader(const ByteReader& file)
{
    WmfHeader h;
    size_t at = 0;
    if (file.has(0, 22) && file.u32le(0) == kPlaceableKey) {
        const QRectF box(QPointF(file.i16le(6), file.i16le(8)), QPointF(file.i16le(10), file.i16le(12)));
        h.placeable = box;
        h.unitsPerInch = file.u16le(14);
        at = 22;
    }
    if (!file.has(at, 18))
        throw CodecError("Not a Windows metafile");
    const uint16_t type = file.u16le(at), headerWords = file.u16le(at + 2), version = file.u16le(at + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        throw CodecError("Not a Windows metafile");
    h.objects = file.u16le(at + 10);
    h.firstRecord = at + 18;
    return h;
}

std::optional<QRectF> firstWmfWindow(const ByteReader& file, const WmfHeader& header)
{
    QPointF org(0, 0);
    std::optional<QPointF> ext;
    forEachRecord(file, header, [&](uint16_t function, const ByteReader& r) {
        if (!r.has(6, 4))
            return true;
        const QPointF value(r.i16le(8), r.i16le(6));
        if (function == 0x020B && !ext)
            org = value;
        if (function == 0x020C && value.x() != 0 && value.y() != 0)
            ext = value;
        return !ext;
    });
    if (!ext)
        return std::nullopt;
    return QRectF(org, QSizeF(ext->x(), ext->y()));
}

void playWmf(const ByteReader& file, const WmfHeader& header, const QRectF& window, QSizeF picture,
             Canvas& canvas)
{
    canvas.setObjectTableSize(header.objects);
    canvas.setWindowOrg(window.topLeft());
    canvas.setWindowExt(QPointF(window.width(), window.height()));
    canvas.setViewportOrg(QPointF(0, 0));
    canvas.setViewportExt(QPointF(picture.width(), picture.height()));
    forEachRecord(file, header, [&](uint16_t function, const ByteReader& r) {
        try {
            record(function, r, canvas);
        } catch (const CodecError&) {
            return !canvas.exhausted();
        }
        return true;
    });
}

}  // namespace vx::meta
