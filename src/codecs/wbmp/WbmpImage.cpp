#include "codecs/wbmp/WbmpImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/FileBytes.h"
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <QSaveFile>
#include <cstring>

namespace vx {

namespace {

size_t rowBytes(int width) { return (size_t(width) + 7) / 8; }

// Nearer to white than to black in RGB distance: the sum decides.
bool isWhite(uint32_t r, uint32_t g, uint32_t b) { return r + g + b >= 383; }

}  // namespace


void WbmpImage::loadFromFile(const QString& path)
{
    const QByteArray bytes = readFileBytes(path, kMaxWbmpBytes);
    loadFromData(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

void WbmpImage::loadFromData(const uint8_t* data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    loadFromStream(buffer);
}

void WbmpImage::loadFromStream(QIODevice& in)
{
    WbmpFile record;
    record.loadFromStream(in);
    // A file whose size is no picture, or whose bytes stop before the last
    // row, is refused rather than shown half empty.
    checkPictureSize(record.width, record.height);
    if (record.pixelByteCount() < rowBytes(record.width) * size_t(record.height))
        throw CodecError("WBMP file is truncated");
    file_ = std::move(record);
    bitmap_ = Bitmap();
}

int WbmpImage::width() const { return bitmap_.isNull() ? file_.width : bitmap_.width(); }
int WbmpImage::height() const { return bitmap_.isNull() ? file_.height : bitmap_.height(); }

bool WbmpImage::isEmpty() const
{
    return bitmap_.isNull() && (file_.width <= 0 || file_.height <= 0);
}

void WbmpImage::setWidth(int) { throw CodecError("Invalid operation: Change size."); }
void WbmpImage::setHeight(int) { throw CodecError("Invalid operation: Change size."); }

Bitmap WbmpImage::bitmap() const
{
    if (!bitmap_.isNull() || isEmpty())
        return bitmap_;
    Bitmap out(file_.width, file_.height, 1);
    auto entry = [](QRgb c) { return PaletteEntry{uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), 0}; };
    if (customColors_)
        out.palette() = {entry(black_), entry(white_)};
    else
        out.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    // Rows follow each other without padding; missing bytes leave black.
    const std::vector<uint8_t>& bytes = file_.pixelBytes();
    const size_t perRow = rowBytes(file_.width);
    for (int y = 0; y < file_.height; ++y) {
        if (y % 256 == 0)
            checkCancelled();
        const size_t start = perRow * size_t(y);
        if (start >= bytes.size())
            break;
        std::memcpy(out.scanLine(y), bytes.data() + start, std::min(perRow, bytes.size() - start));
    }
    bitmap_ = out;
    return bitmap_;
}

void WbmpImage::assign(const Bitmap& bitmap) { bitmap_ = bitmap.deepCopy(); }

void WbmpImage::assign(const WbmpImage& other)
{
    file_.assign(other.file_);
    bitmap_ = Bitmap();
}

void WbmpImage::saveToStream(QIODevice& out) const
{
    const Bitmap source = bitmap();
    if (source.isNull())
        throw CodecError("There is no WBMP picture to save");
    encodeWbmp(source, out);
}

void WbmpImage::saveToFile(const QString& path) const
{
    const Bitmap source = bitmap();
    if (source.isNull())
        throw CodecError("There is no WBMP picture to save");
    saveWbmpFile(source, path);
}

QString WbmpImage::clipboardFormat() { return QString::fromLatin1(kWbmpDescription); }

void WbmpImage::loadFromClipboardFormat(const QString& format, const QByteArray& data)
{
    if (format != clipboardFormat())
        throw CodecError("Unknown clipboard format");
    loadFromData(data);
}

void WbmpImage::saveToClipboard(QClipboard* clipboard) const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    saveToStream(buffer);
    if (clipboard == nullptr)
        throw CodecError("Could not save to the clipboard");
    auto* mime = new QMimeData;
    mime->setData(clipboardFormat(), buffer.data());
    clipboard->setMimeData(mime);
    const QMimeData* held = clipboard->mimeData();
    if (held == nullptr || !held->hasFormat(clipboardFormat()))
        throw CodecError("Could not save to the clipboard");
}

// --- writing ---

std::vector<uint8_t> wbmpPixelBytes(const Bitmap& bitmap)
{
    const int w = bitmap.width(), h = bitmap.height();
    const size_t perRow = rowBytes(w);
    std::vector<uint8_t> out(perRow * size_t(h));
    if (bitmap.bitsPerPixel() == 1) {
        // The bits as they are, inverted when the palette shows 0 as the
        // lighter colour; a palette of two alike colours gives one colour.
        const std::vector<PaletteEntry>& pal = bitmap.palette();
        const bool white0 = pal.size() > 0 && isWhite(pal[0].red, pal[0].green, pal[0].blue);
        const bool white1 = pal.size() < 2 || isWhite(pal[1].red, pal[1].green, pal[1].blue);
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = bitmap.scanLine(y);
            uint8_t* dst = out.data() + perRow * size_t(y);
            for (size_t i = 0; i < perRow; ++i) {
                const uint8_t b = src[i];
                dst[i] = uint8_t(white0 ? (white1 ? 0xFF : ~b) : (white1 ? b : 0x00));
            }
        }
        return out;
    }
    const int bpp = bitmap.bitsPerPixel();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bitmap.scanLine(y);
        uint8_t* dst = out.data() + perRow * size_t(y);
        for (int x = 0; x < w; ++x) {
            bool white;
            if (bpp == 24 || bpp == 32) {
                const uint8_t* p = src + size_t(x) * size_t(bpp / 8);
                white = isWhite(p[2], p[1], p[0]);
            } else {
                const uint32_t c = bitmap.pixel(x, y);
                white = isWhite((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
            }
            if (white)
                dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
    return out;
}

void encodeWbmp(const Bitmap& bitmap, QIODevice& out)
{
    if (bitmap.isNull())
        throw CodecError("There is no WBMP picture to save");
    WbmpFile record;
    record.width = bitmap.width();
    record.height = bitmap.height();
    const std::vector<uint8_t> bytes = wbmpPixelBytes(bitmap);
    record.setPixelBytes(bytes.data(), bytes.size());
    record.saveToStream(out);
}

void saveWbmpFile(const Bitmap& bitmap, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw CodecError("Cannot create " + path.toStdString() + ": " + file.errorString().toStdString());
    encodeWbmp(bitmap, file);
    if (!file.commit())
        throw CodecError("Cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
}

}  // namespace vx
