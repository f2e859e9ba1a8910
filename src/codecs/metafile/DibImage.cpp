#include "codecs/metafile/DibImage.h"

#include "codecs/dib/DibDecoder.h"

#include <algorithm>
#include <vector>

namespace vx::meta {

namespace {

// The header of a DIB whose colour table holds 16-bit palette indices,
// followed by a colour table of grey entries (the index's low byte) that
// the bitmap decoder reads. *tableEnd is where the indices end in info.
std::vector<uint8_t> withGreyTable(const ByteReader& info, size_t* tableEnd)
{
    const dib::Header h = dib::readHeader(info.data(), info.size(), dib::Flavor::Record);
    const size_t room = info.size() > h.paletteOffset ? (info.size() - h.paletteOffset) / 2 : 0;
    const size_t entries = std::min(h.paletteEntries, room);
    std::vector<uint8_t> out(info.data(), info.data() + h.paletteOffset);
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t grey = info.u8(h.paletteOffset + 2 * i);
        out.insert(out.end(), {grey, grey, grey});
        if (!h.core)
            out.push_back(0);
    }
    *tableEnd = h.paletteOffset + h.paletteEntries * 2;
    return out;
}

Dib toDib(const dib::Decoded& decoded)
{
    Dib dib;
    dib.bottomUp = !decoded.topDown;
    dib.image = decoded.bitmap.toImage().convertToFormat(QImage::Format_RGB32);
    if (dib.image.isNull())
        throw CodecError("Not enough memory for the bitmap");
    return dib;
}

}  // namespace

Dib decodeDib(const ByteReader& info, const ByteReader& bits, bool paletteIndices)
{
    if (!paletteIndices)
        return toDib(dib::decode(info.data(), info.size(), bits.data(), bits.size(), dib::Flavor::Record));
    size_t tableEnd = 0;
    const std::vector<uint8_t> grey = withGreyTable(info, &tableEnd);
    return toDib(dib::decode(grey.data(), grey.size(), bits.data(), bits.size(), dib::Flavor::Record));
}

Dib decodePackedDib(const ByteReader& packed, bool paletteIndices)
{
    if (!paletteIndices)
        return toDib(dib::decode(packed.data(), packed.size(), 0, dib::Flavor::Record));
    size_t tableEnd = 0;
    const std::vector<uint8_t> grey = withGreyTable(packed, &tableEnd);
    if (tableEnd > packed.size())
        throw CodecError("Bitmap is truncated");
    return toDib(dib::decode(grey.data(), grey.size(), packed.data() + tableEnd, packed.size() - tableEnd,
                             dib::Flavor::Record));
}

}  // namespace vx::meta
