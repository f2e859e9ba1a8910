// Draws the viewer's icon: a picture (hills under a sun) on the dark view
// colour, framed in the lime green of the file name label. One PNG per size,
// "vextrel-viewer-<size>.png", drawn at that size (not scaled from another).
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x14, 0x14, 0x14));
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
    // The frame and the sky.
    p.setPen(QPen(QColor(0x3c, 0xe6, 0x3c), size < 32 ? 18 : 12));
    p.setBrush(QColor(0x2a, 0x3a, 0x4a));
    p.drawRoundedRect(QRectF(36, 52, 184, 152), 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xd3, 0x5e));
    p.drawEllipse(QPointF(170, 96), 20, 20);
    // Two hills.
    QPainterPath hills;
    hills.moveTo(42, 198);
    hills.lineTo(98, 124);
    hills.lineTo(132, 166);
    hills.lineTo(160, 136);
    hills.lineTo(214, 198);
    hills.closeSubpath();
    p.setBrush(QColor(0x3c, 0xe6, 0x3c));
    p.drawPath(hills);
    QPainterPath shade;
    shade.moveTo(42, 198);
    shade.lineTo(98, 124);
    shade.lineTo(116, 148);
    shade.lineTo(84, 198);
    shade.closeSubpath();
    p.setBrush(QColor(0x2b, 0xb0, 0x2b));
    p.drawPath(shade);
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_icon_gen <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = folder + QStringLiteral("/vextrel-viewer-%1.png").arg(size);
        if (!drawIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "vx_icon_gen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
