#include "codecs/misc/CutImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/ByteReader.h"
#include "codecs/FileBytes.h"
#include "codecs/PixelBudget.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace vx {

namespace {

constexpr size_t kPalHeaderSize = 40;
constexpr size_t kPalBlockSize = 512;

// Decodes one run-length row into out (width bytes); bytes past the width
// are a broken file.
void expandRow(ByteReader& in, uint8_t* out, int width)
{
    int x = 0;
    while (in.remaining() > 0) {
        const uint8_t code = in.u8();
        if (code == 0)
            break;
        const int count = code & 0x7F;
        if (x + count > width)
            throw CodecError("CUT picture: run overruns the row");
        if (code & 0x80) {
            std::memset(out + x, in.u8(), size_t(count));
        } else {
            std::memcpy(out + x, in.take(size_t(count)), size_t(count));
        }
        x += count;
    }
}

}  // namespace

std::vector<PaletteEntry> CutImage::parseHaloPalette(const uint8_t* data, size_t size)
{
    ByteReader in(data, size);
    if (size < kPalHeaderSize || data[0] != 'A' || data[1] != 'H')
        throw CodecError("Not a Dr. Halo palette");
    in.seek(12);
    const unsigned maxIndex = in.u16le();
    const unsigned maxRed = in.u16le(), maxGreen = in.u16le(), maxBlue = in.u16le();
    if (maxIndex > 255)
        throw CodecError("Dr. Halo palette has too many colours");
    auto scale = [](unsigned v, unsigned max) -> uint8_t {
        if (max == 0)
            return 0;
        return uint8_t(std::min<unsigned>(v, max) * 255u / max);
    };
    std::vector<PaletteEntry> palette;
    size_t pos = kPalHeaderSize;
    for (unsigned i = 0; i <= maxIndex; ++i) {
        // A triple never straddles a 512-byte block; the block's tail is padding.
        if (pos / kPalBlockSize != (pos + 5) / kPalBlockSize)
            pos = (pos / kPalBlockSize + 1) * kPalBlockSize;
        if (pos + 6 > size)
            break;
        in.seek(pos);
        const unsigned r = in.u16le(), g = in.u16le(), b = in.u16le();
        palette.push_back({scale(b, maxBlue), scale(g, maxGreen), scale(r, maxRed), 0});
        pos += 6;
    }
    if (palette.empty())
        throw CodecError("Dr. Halo palette has no colours");
    palette.resize(256);
    return palette;
}

QString CutImage::findPaletteFile(const QString& picturePath)
{
    const QFileInfo info(picturePath);
    const QString wanted = info.completeBaseName() + QStringLiteral(".pal");
    const QDir dir = info.absoluteDir();
    // An exact name first, then the same base name with the extension in any case.
    if (QFileInfo(dir.filePath(wanted)).isFile())
        return dir.filePath(wanted);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (name.size() == wanted.size()
            && name.startsWith(info.completeBaseName(), Qt::CaseSensitive)
            && name.endsWith(QStringLiteral(".pal"), Qt::CaseInsensitive))
            return dir.filePath(name);
    }
    return QString();
}

void CutImage::loadFromFile(const QString& path)
{
    const QByteArray bytes = readFileBytes(path);
    palette_.clear();
    const QString palPath = findPaletteFile(path);
    if (!palPath.isEmpty()) {
        // A palette that cannot be read leaves the picture in gray levels.
        try {
            const QByteArray pal = readFileBytes(palPath);
            palette_ = parseHaloPalette(reinterpret_cast<const uint8_t*>(pal.constData()), size_t(pal.size()));
        } catch (const CodecError&) {
            palette_.clear();
        }
    }
    loadFromData(bytes);
}

Bitmap CutImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size);
    const int width = in.u16le();
    const int height = in.u16le();
    in.skip(2);
    checkPictureSize(width, height);
    // Every row takes at least its two-byte length, and a run of two bytes
    // fills at most 127 pixels: refuse before allocating.
    if (uint64_t(height) * 2 > in.remaining())
        throw CodecError("CUT picture: rows are truncated");
    uint64_t encoded = 0;
    {
        ByteReader rows(data + in.pos(), in.remaining());
        for (int y = 0; y < height && rows.remaining() >= 2; ++y) {
            const unsigned length = rows.u16le();
            const size_t take = std::min<size_t>(length, rows.remaining());
            rows.skip(take);
            encoded += take;
        }
    }
    checkDataSupply(uint64_t(Bitmap::strideFor(width, 8)) * uint64_t(height), encoded, 64,
                    "CUT picture: rows are truncated", kSparsePictureSlack);
    Bitmap bmp(width, height, 8);
    bmp.palette() = palette_.empty() ? grayPalette() : palette_;
    for (int y = 0; y < height; ++y) {
        checkCancelled();
        const unsigned length = in.u16le();
        ByteReader row(in.take(length), length);
        expandRow(row, bmp.scanLine(y), width);
    }
    return bmp;
}

}  // namespace vx
