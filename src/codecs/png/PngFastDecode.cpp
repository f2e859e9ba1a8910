#include "codecs/png/PngFastDecode.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/png/PngRows.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <libdeflate.h>

namespace vx::png {

namespace {

// Larger inflated rows go through libpng, row by row: one inflate call
// cannot be cancelled, so it must stay well within the time a cancelled
// decode may take to stop (a 3840 x 2160 RGBA picture just fits).
constexpr uint64_t kMaxInflated = uint64_t(32) << 20;
// Rows unfiltered between two looks at the cancel flag.
constexpr int kRowsPerCancelCheck = 16;

uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool isType(const uint8_t* type, const char* name)
{
    return std::memcmp(type, name, 4) == 0;
}

bool isLetter(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Critical chunks (upper-case first letter) must be understood to read the file.
bool isCritical(const uint8_t* type)
{
    return (type[0] & 0x20) == 0;
}

struct Chunk {
    const uint8_t* type = nullptr;
    const uint8_t* body = nullptr;
    uint32_t length = 0;

    bool crcMatches() const { return libdeflate_crc32(0, type, size_t(length) + 4) == be32(body + length); }
};

// Steps through the chunks; false at the end of the data or at a chunk
// libpng would refuse for its header alone.
class ChunkReader {
public:
    ChunkReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool next(Chunk& chunk)
    {
        if (size_ - pos_ < 12)
            return false;
        chunk.length = be32(data_ + pos_);
        chunk.type = data_ + pos_ + 4;
        chunk.body = data_ + pos_ + 8;
        if (chunk.length > 0x7FFFFFFFu || chunk.length > size_ - pos_ - 12)
            return false;
        for (int i = 0; i < 4; ++i)
            if (!isLetter(chunk.type[i]))
                return false;
        pos_ += 12 + size_t(chunk.length);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 8;
};

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

struct Header {
    uint32_t width = 0, height = 0;
    int colorType = 0;
    int channels = 0;
};

bool readHeader(const Chunk& chunk, Header& header)
{
    if (!isType(chunk.type, "IHDR") || chunk.length != 13 || !chunk.crcMatches())
        return false;
    const uint8_t* f = chunk.body;
    header.width = be32(f);
    header.height = be32(f + 4);
    header.colorType = f[9];
    header.channels = header.colorType == 0 || header.colorType == 3 ? 1
                      : header.colorType == 2                         ? 3
                      : header.colorType == 6                         ? 4
                                                                      : 0;
    // Depth 8, deflate, the adaptive filters, no interlace.
    return header.width >= 1 && header.width <= uint32_t(kMaxSide) && header.height >= 1
           && header.height <= uint32_t(kMaxSide) && f[8] == 8 && header.channels != 0 && f[10] == 0
           && f[11] == 0 && f[12] == 0;
}

// The chunks before the image data: only the palette of a palette picture
// may be a critical one, and there must be no tRNS. Leaves chunk at the
// first IDAT.
bool readUpToImageData(ChunkReader& reader, const Header& header, Chunk& chunk, Chunk& palette)
{
    for (;;) {
        if (!reader.next(chunk))
            return false;
        if (isType(chunk.type, "IDAT"))
            return header.colorType != 3 || palette.type;
        if (isType(chunk.type, "tRNS"))
            return false;
        if (!isCritical(chunk.type))
            continue;
        if (!isType(chunk.type, "PLTE") || header.colorType != 3 || palette.type || chunk.length == 0
            || chunk.length > 768 || chunk.length % 3 != 0 || !chunk.crcMatches())
            return false;
        palette = chunk;
    }
}

// The zlib stream of the run of IDAT chunks starting at first, in one
// piece (joined in `joined` when it spans several chunks).
bool gatherImageData(ChunkReader reader, const Chunk& first, std::vector<uint8_t>& joined, const uint8_t*& stream,
                     size_t& streamSize)
{
    if (!first.crcMatches())
        return false;
    stream = first.body;
    streamSize = first.length;
    ChunkReader ahead = reader;
    Chunk chunk;
    size_t total = first.length;
    int count = 1;
    while (ahead.next(chunk) && isType(chunk.type, "IDAT")) {
        if (!chunk.crcMatches())
            return false;
        total += chunk.length;
        ++count;
    }
    if (count > 1) {
        joined.reserve(total);
        joined.insert(joined.end(), first.body, first.body + first.length);
        while (reader.next(chunk) && isType(chunk.type, "IDAT"))
            joined.insert(joined.end(), chunk.body, chunk.body + chunk.length);
        stream = joined.data();
        streamSize = joined.size();
    }
    return streamSize >= 2;
}

// libdeflate takes any distance back into what it has written; zlib, as
// libpng starts it, refuses those beyond the window the stream declares.
// The two agree when that window is the largest or covers all the rows.
bool windowCovers(const uint8_t* stream, uint64_t inflatedSize)
{
    const int windowBits = (stream[0] >> 4) + 8;
    return (stream[0] & 0x0F) == 8 && windowBits <= 15 && (windowBits == 15 || inflatedSize <= (uint64_t(1) << windowBits));
}

// Inflates the stream into the rows, which it must fill exactly, ending
// with a good checksum, with nothing after it.
bool inflateRows(const uint8_t* stream, size_t streamSize, uint8_t* rows, size_t rowsSize)
{
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(libdeflate_alloc_decompressor());
    size_t used = 0, produced = 0;
    return decompressor
           && libdeflate_zlib_decompress_ex(decompressor.get(), stream, streamSize, rows, rowsSize, &used, &produced)
                  == LIBDEFLATE_SUCCESS
           && used == streamSize && produced == rowsSize;
}

bool decodeChecked(const uint8_t* data, size_t size, Bitmap& out, Info& info)
{
    ChunkReader reader(data, size);
    Chunk chunk;
    Header header;
    if (!reader.next(chunk) || !readHeader(chunk, header))
        return false;
    Chunk palette;
    if (!readUpToImageData(reader, header, chunk, palette))
        return false;
    std::vector<uint8_t> joined;
    const uint8_t* stream = nullptr;
    size_t streamSize = 0;
    if (!gatherImageData(reader, chunk, joined, stream, streamSize))
        return false;

    const size_t rowBytes = size_t(header.width) * size_t(header.channels);
    const uint64_t inflatedSize = uint64_t(header.height) * (uint64_t(rowBytes) + 1);
    if (inflatedSize > kMaxInflated || !windowCovers(stream, inflatedSize))
        return false;
    checkPictureSize(header.width, header.height);
    const int bpp = header.channels * 8;
    Bitmap bitmap(int(header.width), int(header.height), bpp, Bitmap::NoFill{});
    if (bpp == 32)
        bitmap.setHasAlpha(true);
    if (header.colorType == 0)
        bitmap.palette() = grayPalette(256);
    if (header.colorType == 3) {
        bitmap.palette().resize(palette.length / 3);
        for (size_t i = 0; i < bitmap.palette().size(); ++i) {
            const uint8_t* rgb = palette.body + 3 * i;
            bitmap.palette()[i] = {rgb[2], rgb[1], rgb[0], 0};
        }
    }

    const PixelReservation reservation(inflatedSize);
    const auto inflated = std::make_unique_for_overwrite<uint8_t[]>(size_t(inflatedSize));
    checkCancelled();
    if (!inflateRows(stream, streamSize, inflated.get(), size_t(inflatedSize)))
        return false;
    checkCancelled();

    const std::vector<uint8_t> zeros(rowBytes);
    const uint8_t* prev = zeros.data();
    for (uint32_t y = 0; y < header.height; ++y) {
        if (y % kRowsPerCancelCheck == 0)
            checkCancelled();
        const uint8_t* row = inflated.get() + size_t(y) * (rowBytes + 1);
        uint8_t* line = bitmap.scanLine(int(y));
        if (!unfilterRow(row[0], row + 1, prev, line, rowBytes, header.channels))
            return false;
        prev = line;
    }

    info = Info();
    info.colorType = header.colorType;
    info.bitDepth = 8;
    out = std::move(bitmap);
    return true;
}

}  // namespace

bool decodeCommon(const uint8_t* data, size_t size, Bitmap& bitmap, Info& info)
{
    try {
        return decodeChecked(data, size, bitmap, info);
    } catch (const DecodeCancelled&) {
        throw;
    } catch (const CodecError&) {
        // Size and memory limits: libpng reports them in its own order.
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace vx::png
