#include "export/SaveToFileFunctions.h"

#include <array>
#include <cstring>

namespace vx {

namespace {

void put16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

Bitmap requirePixels(Bitmap bitmap)
{
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    return bitmap;
}

}  // namespace

DisplayedPicture displayedPictureOf(const Graphic& graphic, const SupportedType* type)
{
    PictureKind kind = PictureKind::Other;
    if (type && type->has(KeepsDepth))
        kind = PictureKind::Bitmap;
    else if (type && type->has(Animated))
        kind = PictureKind::GifImage;
    return DisplayedPicture(graphic.bitmap(), kind);
}

Bitmap sourceBitmap(const DisplayedPicture& picture)
{
    if (picture.kind == PictureKind::Other)
        return GraphicToBitmap24(picture.bitmap);
    return picture.bitmap;
}

Bitmap sourceBitmap24(const DisplayedPicture& picture)
{
    if (picture.kind == PictureKind::GifImage)
        return picture.bitmap;
    return GraphicToBitmap24(picture.bitmap);
}

Bitmap GraphicToBitmap24(const Bitmap& picture)
{
    if (picture.isNull() || !(picture.bitsPerPixel() == 32 && picture.hasAlpha()))
        return picture.converted24();
    Bitmap out(picture.width(), picture.height(), 24);
    for (int y = 0; y < picture.height(); ++y) {
        const uint8_t* src = picture.scanLine(y);
        uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, src += 4, dst += 3) {
            const unsigned a = src[3];
            for (int c = 0; c < 3; ++c)
                dst[c] = uint8_t((src[c] * a + 255u * (255u - a) + 127u) / 255u);
        }
    }
    return out;
}

Bitmap GraphicToBitmap24(const Graphic& graphic)
{
    return GraphicToBitmap24(graphic.bitmap());
}

QString ColorToHtmlHex(QRgb colour)
{
    return QString::asprintf("#%.2x%.2x%.2x", qRed(colour), qGreen(colour), qBlue(colour));
}

QString ColorToHtmlHex(const QColor& colour)
{
    return ColorToHtmlHex(colour.rgb());
}

// ---------------------------------------------------------------- BMP

void encodeBmp(const Bitmap& bitmap, QIODevice& out)
{
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    const int bpp = bitmap.bitsPerPixel();
    uint32_t colours = 0;
    if (bpp <= 8) {
        const uint32_t full = 1u << bpp;
        colours = uint32_t(bitmap.palette().size());
        if (colours == 0 || colours > full)
            colours = full;
    }
    const uint32_t headerSize = 14 + 40 + 4 * colours;
    const uint32_t imageSize = uint32_t(bitmap.byteCount());
    QByteArray header(int(headerSize), '\0');
    uint8_t* h = reinterpret_cast<uint8_t*>(header.data());
    // BITMAPFILEHEADER
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, headerSize + imageSize);
    put32(h + 10, headerSize);
    // BITMAPINFOHEADER (positive height: rows stored bottom-up, BI_RGB)
    uint8_t* info = h + 14;
    put32(info, 40);
    put32(info + 4, uint32_t(bitmap.width()));
    put32(info + 8, uint32_t(bitmap.height()));
    put16(info + 12, 1);
    put16(info + 14, uint32_t(bpp));
    put32(info + 20, imageSize);
    put32(info + 32, colours);
    uint8_t* pal = info + 40;
    for (uint32_t i = 0; i < colours && i < bitmap.palette().size(); ++i) {
        const PaletteEntry& e = bitmap.palette()[i];
        pal[4 * i] = e.blue;
        pal[4 * i + 1] = e.green;
        pal[4 * i + 2] = e.red;
    }
    auto writeAll = [&](const char* data, qint64 size) {
        if (out.write(data, size) != size)
            throw SaveError("Cannot write BMP data: " + out.errorString().toStdString());
    };
    writeAll(header.constData(), header.size());
    for (int y = bitmap.height() - 1; y >= 0; --y)
        writeAll(reinterpret_cast<const char*>(bitmap.scanLine(y)), bitmap.stride());
}

void WriteBmp(const DisplayedPicture& picture, const QString& path)
{
    const Bitmap bitmap = requirePixels(sourceBitmap(picture));
    SafeFileWriter file(path);
    encodeBmp(bitmap, file.device());
    file.commit();
}

// ---------------------------------------------------------------- HTML

namespace {

constexpr char kHtmlHead[] =
    "<html><head><title>Vextrel Viewer</title></head><body><center>"
    "<table cellspacing=\"0\" cellpadding=\"0\" width=\"";
constexpr char kHtmlHeightPiece[] = "\" height=\"";
constexpr char kHtmlHeadEnd[] = "\">\r\n";
constexpr char kRowStart[] = "<tr>";
constexpr char kCellStart[] = "<td bgcolor=\"#";
constexpr char kCellEnd[] = "\"></td>";
constexpr char kRowEnd[] = "</tr>";
constexpr char kHtmlEnd[] = "</table></center></body></html>";

template <size_t N>
char* append(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

}  // namespace

QByteArray htmlTable(const Bitmap& bitmap)
{
    const Bitmap rgb = bitmap.bitsPerPixel() == 24 ? bitmap : bitmap.converted24();
    const int w = rgb.width(), h = rgb.height();
    const QByteArray width = QByteArray::number(w), height = QByteArray::number(h);
    constexpr size_t cellSize = sizeof kCellStart - 1 + 6 + sizeof kCellEnd - 1;
    const size_t total = sizeof kHtmlHead - 1 + size_t(width.size()) + sizeof kHtmlHeightPiece - 1
                         + size_t(height.size()) + sizeof kHtmlHeadEnd - 1
                         + size_t(h) * (sizeof kRowStart - 1 + sizeof kRowEnd - 1)
                         + size_t(w) * size_t(h) * cellSize + sizeof kHtmlEnd - 1;
    QByteArray page(qsizetype(total), Qt::Uninitialized);

    static const auto hex = [] {
        std::array<char[2], 256> table{};
        const char* digits = "0123456789abcdef";
        for (int i = 0; i < 256; ++i) {
            table[size_t(i)][0] = digits[i >> 4];
            table[size_t(i)][1] = digits[i & 15];
        }
        return table;
    }();

    char* p = page.data();
    p = append(p, kHtmlHead);
    std::memcpy(p, width.constData(), size_t(width.size()));
    p += width.size();
    p = append(p, kHtmlHeightPiece);
    std::memcpy(p, height.constData(), size_t(height.size()));
    p += height.size();
    p = append(p, kHtmlHeadEnd);
    for (int y = 0; y < h; ++y) {
        p = append(p, kRowStart);
        const uint8_t* px = rgb.scanLine(y);
        for (int x = 0; x < w; ++x, px += 3) {
            p = append(p, kCellStart);
            std::memcpy(p, hex[px[2]], 2);
            std::memcpy(p + 2, hex[px[1]], 2);
            std::memcpy(p + 4, hex[px[0]], 2);
            p = append(p + 6, kCellEnd);
        }
        p = append(p, kRowEnd);
    }
    p = append(p, kHtmlEnd);
    Q_ASSERT(size_t(p - page.data()) == total);
    return page;
}

void WriteHtmlTable(const DisplayedPicture& picture, const QString& path, const QString& tooBigMessage)
{
    const Bitmap bitmap = requirePixels(sourceBitmap24(picture));
    if (bitmap.height() > kHtmlMaxHeight || bitmap.width() > kHtmlMaxWidth)
        throw PictureTooBigError(tooBigMessage);
    const QByteArray page = htmlTable(bitmap);
    SafeFileWriter file(path);
    file.write(page);
    file.commit();
}

}  // namespace vx
