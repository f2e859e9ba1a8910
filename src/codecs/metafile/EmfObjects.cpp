#include "codecs/metafile/EmfObjects.h"

#include "codecs/metafile/DibImage.h"

namespace vx::meta {

namespace {

QColor colorRef(const ByteReader& r, size_t at) { return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2)); }

BrushSpec logBrush(uint32_t style, QColor color, uint32_t hatch)
{
    BrushSpec b;
    b.color = color;
    b.hatch = hatch;
    b.style = (style == BsNull || style == BsHatched) ? style : BsSolid;
    return b;
}

QImage patternImage(const ByteReader& r, size_t offBmiAt, uint32_t usage)
{
    try {
        const size_t offBmi = r.u32le(offBmiAt), cbBmi = r.u32le(offBmiAt + 4);
        const size_t offBits = r.u32le(offBmiAt + 8), cbBits = r.u32le(offBmiAt + 12);
        return decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage == 1).image;
    } catch (const CodecError&) {
        return QImage();  // an unreadable pattern paints as a solid brush
    }
}

FontSpec logFontW(const ByteReader& r, size_t at)
{
    FontSpec f;
    f.height = r.i32le(at);
    f.escapement = r.i32le(at + 8);
    f.weight = r.i32le(at + 16);
    f.italic = r.u8(at + 20) != 0;
    f.underline = r.u8(at + 21) != 0;
    f.strikeOut = r.u8(at + 22) != 0;
    f.charset = r.u8(at + 23);
    for (size_t i = 0; i < 32 && r.has(at + 28 + 2 * i, 2); ++i) {
        const uint16_t ch = r.u16le(at + 28 + 2 * i);
        if (ch == 0)
            break;
        f.face.append(QChar(ch));
    }
    return f;
}

}  // namespace

void createEmfObject(uint32_t type, const ByteReader& r, Canvas& c)
{
    const uint32_t index = r.u32le(8);
    GdiObject o;
    switch (type) {
    case 38:  // EMR_CREATEPEN
        o.kind = GdiObject::Pen;
        o.pen.style = r.u32le(12);
        o.pen.width = r.i32le(16);
        o.pen.color = colorRef(r, 24);
        break;
    case 39:  // EMR_CREATEBRUSHINDIRECT
        o.kind = GdiObject::Brush;
        o.brush = logBrush(r.u32le(12), colorRef(r, 16), r.u32le(20));
        break;
    case 49:  // EMR_CREATEPALETTE
        o.kind = GdiObject::Palette;
        break;
    case 82:  // EMR_EXTCREATEFONTINDIRECTW
        o.kind = GdiObject::Font;
        o.font = logFontW(r, 12);
        break;
    case 93:  // EMR_CREATEMONOBRUSH
    case 94:  // EMR_CREATEDIBPATTERNBRUSHPT
        o.kind = GdiObject::Brush;
        o.brush.style = BsDibPatternPt;
        o.brush.color = Qt::black;
        o.brush.pattern = patternImage(r, 16, r.u32le(12));
        break;
    case 95: {  // EMR_EXTCREATEPEN
        o.kind = GdiObject::Pen;
        const uint32_t style = r.u32le(28);
        const uint32_t brushStyle = r.u32le(36);
        o.pen.style = brushStyle == BsNull ? PsNull : style;
        o.pen.width = (style & PsGeometric) ? double(r.u32le(32)) : 0.0;
        o.pen.color = colorRef(r, 40);
        break;
    }
    default:
        return;
    }
    c.setObject(index, o);
}

QPainterPath regionFromRgnData(const ByteReader& r, size_t at, size_t size)
{
    const ByteReader data = r.sub(at, size);
    const size_t count = data.u32le(8);
    if (count > data.from(32).size() / 16)
        throw CodecError("Region holds fewer rectangles than it claims");
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (size_t i = 0; i < count; ++i) {
        const size_t p = 32 + i * 16;
        path.addRect(QRectF(QPointF(data.i32le(p), data.i32le(p + 4)),
                            QPointF(data.i32le(p + 8), data.i32le(p + 12))).normalized());
    }
    return path;
}

}  // namespace vx::meta
