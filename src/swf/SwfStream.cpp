#include "swf/SwfStream.h"

#include <algorithm>

namespace vx::swf {

namespace {
int channel(float c, float mult, float add)
{
    return std::clamp(int(c * mult + add), 0, 255);
}
}  // namespace

QColor CxForm::apply(QColor c) const
{
    if (isIdentity()) return c;
    return QColor(channel(float(c.red()), rm, ra), channel(float(c.green()), gm, ga),
                  channel(float(c.blue()), bm, ba), channel(float(c.alpha()), am, aa));
}

CxForm CxForm::after(const CxForm& inner) const
{
    CxForm r;
    r.rm = rm * inner.rm; r.gm = gm * inner.gm; r.bm = bm * inner.bm; r.am = am * inner.am;
    r.ra = inner.ra * rm + ra; r.ga = inner.ga * gm + ga;
    r.ba = inner.ba * bm + ba; r.aa = inner.aa * am + aa;
    return r;
}

QRectF Stream::rect()
{
    align();
    int n = int(ub(5));
    int xmin = sb(n), xmax = sb(n), ymin = sb(n), ymax = sb(n);
    align();
    return QRectF(QPointF(xmin, ymin), QPointF(xmax, ymax));
}

QTransform Stream::matrix()
{
    align();
    double sx = 1, sy = 1, r0 = 0, r1 = 0;
    if (ub(1)) {
        int n = int(ub(5));
        sx = fb(n);
        sy = fb(n);
    }
    if (ub(1)) {
        int n = int(ub(5));
        r0 = fb(n);
        r1 = fb(n);
    }
    int n = int(ub(5));
    int tx = sb(n), ty = sb(n);
    align();
    return QTransform(sx, r0, r1, sy, tx, ty);
}

CxForm Stream::cxform(bool withAlpha)
{
    align();
    CxForm c;
    bool hasAdd = ub(1), hasMult = ub(1);
    int n = int(ub(4));
    if (hasMult) {
        c.rm = float(sb(n)) / 256.f; c.gm = float(sb(n)) / 256.f; c.bm = float(sb(n)) / 256.f;
        if (withAlpha) c.am = float(sb(n)) / 256.f;
    }
    if (hasAdd) {
        c.ra = float(sb(n)); c.ga = float(sb(n)); c.ba = float(sb(n));
        if (withAlpha) c.aa = float(sb(n));
    }
    align();
    return c;
}

QString decodeText(const QByteArray& bytes, int version)
{
    return version >= 6 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

}  // namespace vx::swf
