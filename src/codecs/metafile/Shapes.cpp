#include "codecs/metafile/Shapes.h"

#include <QStringDecoder>
#include <cmath>
#include <cstring>

namespace vx::meta {

namespace {

// Angle, in degrees counter-clockwise on screen, of the ellipse parameter
// where the radial from the centre through p crosses the ellipse.
double parameterAngle(const QRectF& box, QPointF p)
{
    const double rx = box.width() / 2, ry = box.height() / 2;
    if (rx <= 0 || ry <= 0)
        return 0;
    const QPointF c = box.center();
    return std::atan2((c.y() - p.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}

const char* codecForCharset(int charset)
{
    switch (charset) {
    case 128: return "Shift_JIS";
    case 129: return "windows-949";
    case 134: return "GBK";
    case 136: return "Big5";
    case 161: return "windows-1253";
    case 162: return "windows-1254";
    case 163: return "windows-1258";
    case 177: return "windows-1255";
    case 178: return "windows-1256";
    case 186: return "windows-1257";
    case 204: return "windows-1251";
    case 222: return "windows-874";
    case 238: return "windows-1250";
    default: return "windows-1252";
    }
}

}  // namespace

QPainterPath arcPath(const QRectF& boxIn, QPointF start, QPointF end, ArcKind kind, bool clockwise,
                     QPointF current)
{
    const QRectF box = boxIn.normalized();
    const double a0 = parameterAngle(box, start), a1 = parameterAngle(box, end);
    double sweep = a1 - a0;
    if (clockwise) {
        if (sweep >= 0)
            sweep -= 360;
    } else if (sweep <= 0) {
        sweep += 360;
    }
    QPainterPath path;
    switch (kind) {
    case ArcKind::Pie:
        path.moveTo(box.center());
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
        break;
    case ArcKind::ArcTo:
        path.moveTo(current);
        path.arcTo(box, a0, sweep);
        break;
    case ArcKind::Arc:
    case ArcKind::Chord:
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        if (kind == ArcKind::Chord)
            path.closeSubpath();
        break;
    }
    return path;
}

QString decodeAnsi(const char* data, size_t size, int charset)
{
    if (!data || size == 0)
        return QString();
    const void* nul = std::memchr(data, 0, size);
    if (nul)
        size = size_t(static_cast<const char*>(nul) - data);
    if (charset == 2)  // symbol fonts: the codes are the glyphs
        return QString::fromLatin1(data, qsizetype(size));
    QStringDecoder decoder(codecForCharset(charset));
    if (!decoder.isValid())
        return QString::fromLatin1(data, qsizetype(size));
    return decoder.decode(QByteArrayView(data, qsizetype(size)));
}

}  // namespace vx::meta
