#include "codecs/metafile/EmfPlayer.h"

#include "codecs/DecodeCancel.h"
#include "codecs/metafile/DibImage.h"
#include "codecs/metafile/EmfObjects.h"
#include "codecs/metafile/Shapes.h"

#include <cmath>

namespace vx::meta {

namespace {

enum : uint32_t { EmrHeader = 1, EmrEof = 14 };

QPointF pointL(const ByteReader& r, size_t at) { return QPointF(r.i32le(at), r.i32le(at + 4)); }
QPointF pointS(const ByteReader& r, size_t at) { return QPointF(r.i16le(at), r.i16le(at + 2)); }
QRectF rectL(const ByteReader& r, size_t at)
{
    return QRectF(pointL(r, at), pointL(r, at + 8));
}
QColor colorRef(const ByteReader& r, size_t at) { return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2)); }

QTransform xform(const ByteReader& r, size_t at)
{
    return QTransform(r.f32le(at), r.f32le(at + 4), r.f32le(at + 8), r.f32le(at + 12), r.f32le(at + 16),
                      r.f32le(at + 20));
}

// Points of a poly record; refused when the count claims more than the
// record holds.
QPolygonF readPoints(const ByteReader& r, bool small, size_t pointsAt, size_t count)
{
    const size_t pointSize = small ? 4 : 8;
    if (count > r.from(pointsAt).size() / pointSize)
        throw CodecError("Point count exceeds the record");
    QPolygonF poly;
    poly.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        poly.append(small ? pointS(r, pointsAt + i * 4) : pointL(r, pointsAt + i * 8));
    return poly;
}

QPolygonF polyRecord(const ByteReader& r, bool small)
{
    return readPoints(r, small, 28, r.u32le(24));
}

void polyPoly(const ByteReader& r, bool small, bool polygon, Canvas& c)
{
    const size_t polys = r.u32le(24), total = r.u32le(28);
    if (polys > r.from(32).size() / 4)
        throw CodecError("Polygon count exceeds the record");
    const QPolygonF points = readPoints(r, small, 32 + polys * 4, total);
    QPainterPath path;
    size_t used = 0;
    for (size_t i = 0; i < polys; ++i) {
        const size_t n = r.u32le(32 + i * 4);
        if (n > total - used)
            throw CodecError("Polygon sizes exceed the point count");
        path.addPolygon(points.mid(qsizetype(used), qsizetype(n)));
        if (polygon)
            path.closeSubpath();
        used += n;
    }
    c.drawShape(path, polygon, true);
}

QPainterPath beziers(QPointF start, const QPolygonF& points, size_t first)
{
    QPainterPath path(start);
    for (size_t i = first; i + 3 <= size_t(points.size()); i += 3)
        path.cubicTo(points[qsizetype(i)], points[qsizetype(i + 1)], points[qsizetype(i + 2)]);
    return path;
}

void polyDraw(const ByteReader& r, bool small, Canvas& c)
{
    const size_t count = r.u32le(24);
    const QPolygonF points = readPoints(r, small, 28, count);
    const size_t typesAt = 28 + count * (small ? 4 : 8);
    r.need(typesAt, count);
    QPainterPath path(c.dc().current);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t type = r.u8(typesAt + i);
        const QPointF p = points[qsizetype(i)];
        switch (type & ~1u) {
        case 6: path.moveTo(p); break;
        case 2: path.lineTo(p); break;
        case 4:
            if (i + 2 < count) {
                path.cubicTo(p, points[qsizetype(i + 1)], points[qsizetype(i + 2)]);
                i += 2;
            }
            break;
        default: break;
        }
        if (type & 1)
            path.closeSubpath();
    }
    c.drawFromCurrent(path);
}

void text(const ByteReader& r, bool wide, Canvas& c)
{
    const QPointF ref = pointL(r, 36);
    const size_t chars = r.u32le(44), offString = r.u32le(48);
    const uint32_t options = r.u32le(52);
    const QRectF rect = rectL(r, 56);
    const size_t offDx = r.u32le(72);
    if (chars > r.size())
        throw CodecError("Text longer than its record");
    QString s;
    if (wide) {
        r.need(offString, chars * 2);
        s.resize(qsizetype(chars));
        for (size_t i = 0; i < chars; ++i)
            s[qsizetype(i)] = QChar(r.u16le(offString + 2 * i));
    } else {
        r.need(offString, chars);
        s = decodeAnsi(reinterpret_cast<const char*>(r.data() + offString), chars, c.dc().font.charset);
    }
    std::vector<double> dx;
    const size_t step = (options & 0x2000) ? 8 : 4;  // ETO_PDY: x and y pairs
    if (offDx && r.has(offDx, chars * step)) {
        dx.reserve(chars);
        for (size_t i = 0; i < chars; ++i)
            dx.push_back(r.i32le(offDx + i * step));
    }
    const bool hasRect = !(options & 0x100) && !rect.normalized().isEmpty();
    c.drawText(ref, s, dx, options, hasRect ? &rect : nullptr);
}

// A bitmap carried by a blit record: BITMAPINFO at offBmi, bits at offBits.
Dib recordDib(const ByteReader& r, size_t offBmiAt, uint32_t usage)
{
    const size_t offBmi = r.u32le(offBmiAt), cbBmi = r.u32le(offBmiAt + 4);
    const size_t offBits = r.u32le(offBmiAt + 8), cbBits = r.u32le(offBmiAt + 12);
    return decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage == 1);
}

// Source rectangle of a DIB blit: DIB rows count from the bottom for
// bottom-up bitmaps.
QRectF dibSource(const Dib& dib, double x, double y, double w, double h)
{
    if (dib.bottomUp)
        y = dib.image.height() - y - h;
    return QRectF(x, y, w, h);
}

void blit(const ByteReader& r, bool stretch, Canvas& c)
{
    const QRectF dest(r.i32le(24), r.i32le(28), r.i32le(32), r.i32le(36));
    const uint32_t rop = r.u32le(40);
    if (r.u32le(88) == 0) {  // no source bitmap: a pattern operation
        c.patBlt(dest, rop);
        return;
    }
    const Dib dib = recordDib(r, 84, r.u32le(80));
    const double w = stretch ? r.i32le(100) : dest.width(), h = stretch ? r.i32le(104) : dest.height();
    c.drawImage(dib.image, dest, QRectF(r.i32le(44), r.i32le(48), w, h), rop);
}

void stretchDIBits(const ByteReader& r, Canvas& c)
{
    const uint32_t rop = r.u32le(68);
    const QRectF dest(r.i32le(24), r.i32le(28), r.i32le(72), r.i32le(76));
    if (r.u32le(52) == 0) {
        c.patBlt(dest, rop);
        return;
    }
    const Dib dib = recordDib(r, 48, r.u32le(64));
    c.drawImage(dib.image, dest, dibSource(dib, r.i32le(32), r.i32le(36), r.i32le(40), r.i32le(44)), rop);
}

void setDIBitsToDevice(const ByteReader& r, Canvas& c)
{
    const Dib dib = recordDib(r, 48, r.u32le(64));
    const double w = r.i32le(40), h = r.i32le(44);
    const QRectF dest(r.i32le(24), r.i32le(28), w, h);
    c.drawImage(dib.image, dest, dibSource(dib, r.i32le(32), r.i32le(36), w, h), 0x00CC0020);
}

void scaleExt(const ByteReader& r, QPointF ext, bool window, Canvas& c)
{
    const double xd = r.i32le(12), yd = r.i32le(20);
    if (xd == 0 || yd == 0)
        return;
    const QPointF e(ext.x() * r.i32le(8) / xd, ext.y() * r.i32le(16) / yd);
    window ? c.setWindowExt(e) : c.setViewportExt(e);
}

void record(uint32_t type, const ByteReader& r, Canvas& c)
{
    DcState& dc = c.dc();
    switch (type) {
    case 2: case 85: {  // POLYBEZIER
        const QPolygonF p = polyRecord(r, type == 85);
        if (!p.isEmpty())
            c.drawShape(beziers(p[0], p, 1), false, true);
        break;
    }
    case 3: case 86: {  // POLYGON
        QPainterPath path;
        path.addPolygon(polyRecord(r, type == 86));
        path.closeSubpath();
        c.drawShape(path, true, true);
        break;
    }
    case 4: case 87: {  // POLYLINE
        QPainterPath path;
        path.addPolygon(polyRecord(r, type == 87));
        c.drawShape(path, false, true);
        break;
    }
    case 5: case 88:  // POLYBEZIERTO
        c.drawFromCurrent(beziers(dc.current, polyRecord(r, type == 88), 0));
        break;
    case 6: case 89: {  // POLYLINETO
        QPainterPath path(dc.current);
        for (const QPointF& p : polyRecord(r, type == 89))
            path.lineTo(p);
        c.drawFromCurrent(path);
        break;
    }
    case 7: case 90: polyPoly(r, type == 90, false, c); break;
    case 8: case 91: polyPoly(r, type == 91, true, c); break;
    case 56: case 92: polyDraw(r, type == 92, c); break;
    case 9: c.setWindowExt(pointL(r, 8)); break;
    case 10: c.setWindowOrg(pointL(r, 8)); break;
    case 11: c.setViewportExt(pointL(r, 8)); break;
    case 12: c.setViewportOrg(pointL(r, 8)); break;
    case 15: c.setPixel(pointL(r, 8), colorRef(r, 16)); break;
    case 17: c.setMapMode(int(r.u32le(8))); break;
    case 18: dc.opaqueBackground = r.u32le(8) == 2; break;
    case 19: dc.fillMode = r.u32le(8) == 2 ? Winding : Alternate; break;
    case 20: dc.rop2 = int(r.u32le(8)); break;
    case 22: dc.textAlign = r.u32le(8); break;
    case 24: dc.textColor = colorRef(r, 8); break;
    case 25: dc.bkColor = colorRef(r, 8); break;
    case 26: c.offsetClip(pointL(r, 8)); break;
    case 27: c.moveTo(pointL(r, 8)); break;
    case 29: c.excludeClipRect(rectL(r, 8)); break;
    case 30: c.intersectClipRect(rectL(r, 8)); break;
    case 31: scaleExt(r, dc.viewportExt, false, c); break;
    case 32: scaleExt(r, dc.windowExt, true, c); break;
    case 33: c.save(); break;
    case 34: c.restore(r.i32le(8)); break;
    case 35: c.setWorldTransform(xform(r, 8)); break;
    case 36: c.modifyWorldTransform(xform(r, 8), int(r.u32le(32))); break;
    case 37: {
        const uint32_t index = r.u32le(8);
        if (index & 0x80000000u)
            c.selectStockObject(index & 0x7FFFFFFFu);
        else
            c.selectObject(index);
        break;
    }
    case 38: case 39: case 49: case 82: case 93: case 94: case 95:
        createEmfObject(type, r, c);
        break;
    case 40: c.deleteObject(r.u32le(8)); break;
    case 41: {  // ANGLEARC
        const QPointF centre = pointL(r, 8);
        const double radius = r.u32le(16), start = r.f32le(20), sweep = r.f32le(24);
        if (!std::isfinite(start) || !std::isfinite(sweep))
            break;
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        QPainterPath path(dc.current);
        path.arcTo(box, start, std::clamp(sweep, -360.0, 360.0));
        c.drawFromCurrent(path);
        break;
    }
    case 42: {
        QPainterPath path;
        path.addEllipse(rectL(r, 8).normalized());
        c.drawShape(path, true, true);
        break;
    }
    case 43: {
        QPainterPath path;
        path.addRect(rectL(r, 8).normalized());
        c.drawShape(path, true, true);
        break;
    }
    case 44: {
        QPainterPath path;
        path.addRoundedRect(rectL(r, 8).normalized(), std::fabs(r.i32le(24) / 2.0),
                            std::fabs(r.i32le(28) / 2.0));
        c.drawShape(path, true, true);
        break;
    }
    case 45: case 46: case 47: {
        const ArcKind kind = type == 45 ? ArcKind::Arc : type == 46 ? ArcKind::Chord : ArcKind::Pie;
        c.drawShape(arcPath(rectL(r, 8), pointL(r, 24), pointL(r, 32), kind, dc.clockwiseArcs),
                    kind != ArcKind::Arc, true);
        break;
    }
    case 55:
        c.drawFromCurrent(arcPath(rectL(r, 8), pointL(r, 24), pointL(r, 32), ArcKind::ArcTo,
                                  dc.clockwiseArcs, dc.current));
        break;
    case 54: {
        QPainterPath path(dc.current);
        path.lineTo(pointL(r, 8));
        c.drawFromCurrent(path);
        break;
    }
    case 57: dc.clockwiseArcs = r.u32le(8) == 2; break;
    case 59: c.beginPath(); break;
    case 60: c.endPath(); break;
    case 61: c.closeFigure(); break;
    case 62: c.fillPath(); break;
    case 63: c.strokeAndFillPath(); break;
    case 64: c.strokePath(); break;
    case 67: c.selectClipPath(int(r.u32le(8))); break;
    case 68: c.abortPath(); break;
    case 71: {  // FILLRGN
        const GdiObject* brush = c.object(r.u32le(28));
        if (brush && brush->kind == GdiObject::Brush)
            c.fillRegion(regionFromRgnData(r, 32, r.u32le(24)), brush->brush);
        break;
    }
    case 74: c.fillRegion(regionFromRgnData(r, 28, r.u32le(24)), dc.brush); break;
    case 75: {  // EXTSELECTCLIPRGN
        const size_t size = r.u32le(8);
        const int mode = int(r.u32le(12));
        if (size == 0) {
            if (mode == RgnCopy)
                c.resetClip();
        } else {
            c.combineClip(regionFromRgnData(r, 16, size), mode);
        }
        break;
    }
    case 76: blit(r, false, c); break;
    case 77: blit(r, true, c); break;
    case 80: setDIBitsToDevice(r, c); break;
    case 81: stretchDIBits(r, c); break;
    case 83: text(r, false, c); break;
    case 84: text(r, true, c); break;
    default: break;  // comments, palettes, colour management and the rest
    }
}

}  // namespace

QSize EmfHeader::naturalSize() const
{
    const double fw = double(frame.right()) - frame.left(), fh = double(frame.bottom()) - frame.top();
    if (fw > 0 && fh > 0) {
        const int64_t w = std::llround(fw * 96 / 2540), h = std::llround(fh * 96 / 2540);
        if (w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide)
            return QSize(int(w), int(h));
    }
    const int64_t w = int64_t(bounds.right()) - bounds.left() + 1;
    const int64_t h = int64_t(bounds.bottom()) - bounds.top() + 1;
    checkPictureSize(w, h);
    return QSize(int(w), int(h));
}

QRectF EmfHeader::deviceRect() const
{
    const double fw = double(frame.right()) - frame.left(), fh = double(frame.bottom()) - frame.top();
    if (fw > 0 && fh > 0)
        return QRectF(frame.left() * pixelsPerMmX / 100, frame.top() * pixelsPerMmY / 100,
                      fw * pixelsPerMmX / 100, fh * pixelsPerMmY / 100);
    return QRectF(bounds.left(), bounds.top(), double(bounds.right()) - bounds.left() + 1,
                  double(bounds.bottom()) - bounds.top() + 1);
}

EmfHeader readEmfHeader(const ByteReader& file)
{
    if (!file.has(0, 88) || file.u32le(0) != EmrHeader || file.u32le(40) != 0x464D4520)
        throw CodecError("Not an enhanced metafile");
    EmfHeader h;
    h.size = file.u32le(4);
    if (h.size < 88 || h.size % 4 || !file.has(0, h.size))
        throw CodecError("Damaged enhanced metafile header");
    auto rect = [&](size_t at) {
        return QRect(QPoint(file.i32le(at), file.i32le(at + 4)), QPoint(file.i32le(at + 8), file.i32le(at + 12)));
    };
    h.bounds = rect(8);
    h.frame = rect(24);
    h.handles = std::max<uint32_t>(file.u16le(56), 1);
    const double devX = file.i32le(72), devY = file.i32le(76);
    double mmX = file.i32le(80), mmY = file.i32le(84);
    if (h.size >= 108 && file.i32le(100) > 0 && file.i32le(104) > 0) {
        mmX = file.i32le(100) / 1000.0;
        mmY = file.i32le(104) / 1000.0;
    }
    if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
        const double px = devX / mmX, py = devY / mmY;
        if (px > 0.01 && px < 1000 && py > 0.01 && py < 1000) {
            h.pixelsPerMmX = px;
            h.pixelsPerMmY = py;
        }
    }
    return h;
}

size_t validEmfLength(const ByteReader& file, const EmfHeader& header)
{
    size_t at = header.size;
    size_t records = 1;
    while (file.has(at, 8) && records < kMaxRecords) {
        checkCancelled();
        const uint32_t type = file.u32le(at), size = file.u32le(at + 4);
        if (size < 8 || size % 4 || !file.has(at, size))
            break;
        at += size;
        ++records;
        if (type == EmrEof)
            break;
    }
    return at;
}

void playEmf(const ByteReader& file, const EmfHeader& header, Canvas& canvas)
{
    canvas.setObjectTableSize(header.handles);
    const size_t end = validEmfLength(file, header);
    size_t at = header.size;
    while (at + 8 <= end) {
        checkCancelled();
        const uint32_t type = file.u32le(at), size = file.u32le(at + 4);
        if (type == EmrEof)
            break;
        try {
            record(type, file.sub(at, size), canvas);
        } catch (const CodecError&) {
            if (canvas.exhausted())
                break;  // budget spent: stop; a single bad record is skipped
        }
        at += size;
    }
}

}  // namespace vx::meta
