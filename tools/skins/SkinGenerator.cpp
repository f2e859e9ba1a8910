// Draws sample skin packages: a "Buttons.bmp" with seventeen tiles in the
// built-in skin's order (normal row above, pressed row below; the tile after
// btnNext is unused), the matching "SkinInfo.txt", zipped as ".vxskin".
//
//   vx_skin_gen <output folder>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>
#include <zip.h>

namespace {

struct Style {
    const char* fileName;
    int tileW, tileH;
    int buttonsPanelHeight, flashPanelHeight, betweenWidth;
    QColor face, light, shadow, ink;
};

// The symbol of tile t (0..16) inside r.
void drawSymbol(QPainter& p, int t, const QRectF& r)
{
    const QPointF c = r.center();
    const double s = std::min(r.width(), r.height()) / 2;
    auto tri = [&](double dir) {  // dir: 1 right, -1 left
        p.drawPolygon(QPolygonF({c + QPointF(-dir * s * 0.6, -s * 0.7), c + QPointF(dir * s * 0.7, 0),
                                 c + QPointF(-dir * s * 0.6, s * 0.7)}));
    };
    switch (t) {
    case 0: {  // open: bent arrow
        QPainterPath path(c + QPointF(-s * 0.7, s * 0.6));
        path.lineTo(c + QPointF(-s * 0.7, -s * 0.1));
        path.lineTo(c + QPointF(s * 0.5, -s * 0.1));
        p.drawPath(path);
        p.drawPolygon(QPolygonF({c + QPointF(s * 0.3, -s * 0.5), c + QPointF(s * 0.8, -s * 0.1),
                                 c + QPointF(s * 0.3, s * 0.3)}));
        break;
    }
    case 1:  // save: floppy disk
        p.drawRect(QRectF(c - QPointF(s * 0.7, s * 0.7), QSizeF(s * 1.4, s * 1.4)));
        p.fillRect(QRectF(c - QPointF(s * 0.4, s * 0.7), QSizeF(s * 0.8, s * 0.5)), p.pen().color());
        break;
    case 2:  // settings: hammer
        p.drawLine(c + QPointF(-s * 0.6, s * 0.7), c + QPointF(s * 0.2, -s * 0.1));
        p.drawRect(QRectF(c + QPointF(-s * 0.1, -s * 0.8), QSizeF(s * 0.9, s * 0.5)));
        break;
    case 3:  // information: the letter i
        p.drawEllipse(c + QPointF(0, -s * 0.6), s * 0.12, s * 0.12);
        p.drawLine(c + QPointF(0, -s * 0.25), c + QPointF(0, s * 0.7));
        break;
    case 4:  // to desktop: framed screen
        p.drawRect(QRectF(c - QPointF(s * 0.75, s * 0.6), QSizeF(s * 1.5, s * 1.0)));
        p.drawLine(c + QPointF(-s * 0.3, s * 0.7), c + QPointF(s * 0.3, s * 0.7));
        break;
    case 5:
    case 6: {  // rotate left / right: curved arrows
        const double dir = t == 5 ? -1 : 1;
        QPainterPath path;
        path.arcMoveTo(QRectF(c - QPointF(s * 0.6, s * 0.6), QSizeF(s * 1.2, s * 1.2)), 200);
        path.arcTo(QRectF(c - QPointF(s * 0.6, s * 0.6), QSizeF(s * 1.2, s * 1.2)), 200, dir * -220);
        p.drawPath(path);
        break;
    }
    case 7: tri(-1); break;  // previous
    case 8: tri(1); break;   // next
    case 9:                  // unused tile: film strip
        p.drawRect(QRectF(c - QPointF(s * 0.5, s * 0.8), QSizeF(s, s * 1.6)));
        break;
    case 10:  // full screen: frame
        p.drawRect(QRectF(c - QPointF(s * 0.7, s * 0.6), QSizeF(s * 1.4, s * 1.2)));
        p.drawRect(QRectF(c - QPointF(s * 0.4, s * 0.3), QSizeF(s * 0.8, s * 0.6)));
        break;
    case 11:  // minimize: down triangle
        p.drawPolygon(QPolygonF({c + QPointF(-s * 0.6, -s * 0.3), c + QPointF(s * 0.6, -s * 0.3),
                                 c + QPointF(0, s * 0.5)}));
        break;
    case 12:  // maximize: up and down triangles
        p.drawPolygon(QPolygonF({c + QPointF(-s * 0.5, -s * 0.1), c + QPointF(s * 0.5, -s * 0.1),
                                 c + QPointF(0, -s * 0.8)}));
        p.drawPolygon(QPolygonF({c + QPointF(-s * 0.5, s * 0.1), c + QPointF(s * 0.5, s * 0.1),
                                 c + QPointF(0, s * 0.8)}));
        break;
    case 13:  // close: cross
        p.drawLine(c + QPointF(-s * 0.6, -s * 0.6), c + QPointF(s * 0.6, s * 0.6));
        p.drawLine(c + QPointF(-s * 0.6, s * 0.6), c + QPointF(s * 0.6, -s * 0.6));
        break;
    case 14:  // play: bar with a triangle
        p.drawLine(c + QPointF(-s * 0.7, -s * 0.6), c + QPointF(-s * 0.7, s * 0.6));
        tri(1);
        break;
    case 15:  // pause: two bars
        p.fillRect(QRectF(c + QPointF(-s * 0.55, -s * 0.6), QSizeF(s * 0.35, s * 1.2)), p.pen().color());
        p.fillRect(QRectF(c + QPointF(s * 0.2, -s * 0.6), QSizeF(s * 0.35, s * 1.2)), p.pen().color());
        break;
    default:  // stop: square
        p.fillRect(QRectF(c - QPointF(s * 0.5, s * 0.5), QSizeF(s, s)), p.pen().color());
        break;
    }
}

QImage drawButtons(const Style& st)
{
    QImage img(st.tileW * 17, st.tileH * 2, QImage::Format_RGB888);
    img.fill(st.face);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int row = 0; row < 2; ++row) {
        for (int t = 0; t < 17; ++t) {
            const QRect tile(t * st.tileW, row * st.tileH, st.tileW, st.tileH);
            const bool pressed = row == 1;
            p.fillRect(tile, pressed ? st.face.darker(115) : st.face);
            p.setPen(QPen(pressed ? st.shadow : st.light, 1));
            p.drawLine(tile.topLeft(), tile.topRight());
            p.drawLine(tile.topLeft(), tile.bottomLeft());
            p.setPen(QPen(pressed ? st.light : st.shadow, 1));
            p.drawLine(tile.bottomLeft(), tile.bottomRight());
            p.drawLine(tile.topRight(), tile.bottomRight());
            p.setPen(QPen(st.ink, 1.6));
            p.setBrush(st.ink);
            const QRectF inner = QRectF(tile).adjusted(4, 3, -4, -3).translated(pressed ? 1 : 0, pressed ? 1 : 0);
            p.save();
            if (t != 3 && t != 5 && t != 6 && t != 13 && t != 0 && t != 2)
                p.setBrush(Qt::NoBrush);
            if (t == 7 || t == 8 || t == 11 || t == 12 || t == 14)
                p.setBrush(st.ink);
            drawSymbol(p, t, inner);
            p.restore();
            p.setBrush(Qt::NoBrush);
        }
    }
    return img;
}

QByteArray skinInfo(const Style& st)
{
    // Tile order of the built-in skin: buttons 1..9 at tiles 0..8, buttons 10..16 at 10..16.
    QByteArray text = "[Param]\r\nButtonsPanelHeight=" + QByteArray::number(st.buttonsPanelHeight) +
                      "\r\nFlashPanelHeight=" + QByteArray::number(st.flashPanelHeight) +
                      "\r\nBetweenWidth=" + QByteArray::number(st.betweenWidth) + "\r\n\r\n[Buttons]\r\n";
    for (int k = 1; k <= 16; ++k) {
        const int tile = k <= 9 ? k - 1 : k;
        for (int row = 0; row < 2; ++row) {
            text += QByteArray::number(2 * k - 1 + row) + "=" + QByteArray::number(tile * st.tileW) + "," +
                    QByteArray::number(row * st.tileH) + "," + QByteArray::number(st.tileW) + "," +
                    QByteArray::number(st.tileH) + "\r\n";
        }
    }
    return text;
}

bool addEntry(zip_t* z, const char* name, const QByteArray& data)
{
    zip_source_t* src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
    if (!src)
        return false;
    if (zip_file_add(z, name, src, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(src);
        return false;
    }
    return true;
}

bool writePackage(const QString& folder, const Style& st)
{
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    if (!drawButtons(st).save(&buf, "BMP"))
        return false;
    const QByteArray info = skinInfo(st);
    const QByteArray path = (folder + u'/' + QString::fromLatin1(st.fileName)).toLocal8Bit();
    int err = 0;
    zip_t* z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    if (!addEntry(z, "Buttons.bmp", bmp) || !addEntry(z, "SkinInfo.txt", info)) {
        zip_discard(z);
        return false;
    }
    return zip_close(z) == 0;  // the buffers live until here
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_skin_gen <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    // Both fit the default 400-pixel window: nine top buttons and the four
    // window buttons side by side with room between them.
    const Style styles[] = {
        {"Graphite.vxskin", 26, 24, 28, 26, 3, QColor(70, 72, 78), QColor(120, 124, 132),
         QColor(30, 30, 34), QColor(230, 232, 236)},
        {"Mint.vxskin", 25, 19, 20, 20, 1, QColor(170, 222, 196), QColor(225, 250, 238),
         QColor(90, 140, 115), QColor(20, 60, 40)},
    };
    for (const Style& st : styles) {
        if (!writePackage(folder, st)) {
            std::fprintf(stderr, "vx_skin_gen: cannot write %s\n", st.fileName);
            return 1;
        }
    }
    return 0;
}
