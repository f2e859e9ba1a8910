#include "codecs/dib/IconImage.h"

#include "codecs/ByteReader.h"
#include "codecs/dib/DibDecoder.h"
#include "codecs/dib/EmbeddedImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

namespace vx {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// A 32-bit colour image counts as carrying alpha when any alpha byte is set.
bool hasAlphaBytes(const Bitmap& bitmap)
{
    if (bitmap.bitsPerPixel() != 32)
        return false;
    for (int y = 0; y < bitmap.height(); ++y) {
        const uint8_t* row = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x)
            if (row[4 * x + 3] != 0)
                return true;
    }
    return false;
}

}  // namespace

QImage IconImage::decodeEntry(const uint8_t* data, size_t size)
{
    if (size >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0)
        return decodeEmbeddedImage(data, size, "png").convertToFormat(QImage::Format_ARGB32);

    const dib::Header header = dib::readHeader(data, size, dib::Flavor::Icon);
    if (header.compression != dib::kRgb && header.compression != dib::kBitFields)
        throw CodecError("Unsupported icon image compression");
    const dib::Decoded colour = dib::decode(data, size, 0, dib::Flavor::Icon);
    const Bitmap& bitmap = colour.bitmap;
    const int w = bitmap.width(), h = bitmap.height();
    const bool alpha = hasAlphaBytes(bitmap);

    // The AND mask follows the colour rows: 1 bit per pixel, set = transparent.
    // A missing or short mask leaves the remaining rows opaque.
    const size_t maskStride = dib::storedStride(w, 1);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int stored = header.topDown ? y : h - 1 - y;
        const size_t maskOffset = colour.pixelEnd + maskStride * size_t(stored);
        const uint8_t* mask = maskOffset + maskStride <= size ? data + maskOffset : nullptr;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = bitmap.pixel(x, y);
            uint32_t a;
            if (alpha)
                a = bitmap.scanLine(y)[4 * x + 3];
            else
                a = (mask && (mask[x >> 3] & (0x80 >> (x & 7)))) ? 0 : 255;
            dst[x] = (a << 24) | (c & 0x00FFFFFFu);
        }
    }
    return image;
}

Bitmap IconImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size, "Icon file is truncated");
    const uint16_t reserved = in.u16le();
    const uint16_t type = in.u16le();
    const uint16_t count = in.u16le();
    if (reserved != 0 || (type != 1 && type != 2))
        throw CodecError("Not an icon file");
    if (count == 0)
        throw CodecError("Icon file has no images");

    // The image shown is the one the platform takes at the standard icon
    // size: of the entries whose data lies in the file, the one nearest
    // 32 x 32, the larger and then the deeper on ties.
    struct Candidate {
        int width, height, depth;
        uint32_t offset;
        size_t length;
    };
    std::vector<Candidate> candidates;
    for (uint16_t i = 0; i < count && 6 + 16 * (size_t(i) + 1) <= size; ++i) {
        const uint8_t* entry = data + 6 + 16 * size_t(i);
        const uint32_t bytes = readLe32(entry + 8);
        const uint32_t offset = readLe32(entry + 12);
        if (offset < 6 + 16 || offset >= size)
            continue;
        Candidate c{entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256, entry[6] | (entry[7] << 8), offset,
                    std::min<size_t>(bytes, size - offset)};
        const uint8_t* image = data + offset;
        if (c.length >= sizeof kPngSignature && std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0)
            c.depth = 32;
        else if (c.depth == 0 && c.length >= 16)
            c.depth = image[14] | (image[15] << 8);
        candidates.push_back(c);
    }
    if (candidates.empty())
        throw CodecError("Icon file is truncated");
    auto distance = [](const Candidate& c) {
        return std::abs(c.width - kStandardIconSize) + std::abs(c.height - kStandardIconSize);
    };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
        if (distance(a) != distance(b))
            return distance(a) < distance(b);
        if (a.width * a.height != b.width * b.height)
            return a.width * a.height > b.width * b.height;
        return a.depth > b.depth;
    });

    // An entry that doesn't decode gives way to the next best one.
    QImage image;
    std::exception_ptr firstError;
    for (const Candidate& c : candidates) {
        try {
            image = decodeEntry(data + c.offset, c.length);
            break;
        } catch (const CodecError&) {
            if (!firstError)
                firstError = std::current_exception();
        }
    }
    if (image.isNull())
        std::rethrow_exception(firstError);
    if (image.width() != kStandardIconSize || image.height() != kStandardIconSize)
        image = image.scaled(kStandardIconSize, kStandardIconSize, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    Bitmap out = Bitmap::fromImage(image.convertToFormat(QImage::Format_ARGB32));
    out.setHasAlpha(true);
    return out;
}

}  // namespace vx
