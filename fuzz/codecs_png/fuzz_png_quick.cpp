// Compares the quicker reading of common PNG files with libpng's reading:
// both must give the same bitmap, or fail with the same message. The chunk
// CRCs of the input are set right first, so that changes reach past them;
// an input starting with 'R' instead describes filtered rows (size, colour
// type and zlib window in its next bytes) which are compressed here into a
// file, so that every filter and row pattern reaches the unfiltering.
#include "codecs/png/PngDecode.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

void putBe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    putBe32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBe32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

std::vector<uint8_t> withGoodCrcs(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out(data, data + size);
    for (size_t pos = 8; pos + 12 <= size;) {
        const size_t length = be32(data + pos);
        if (length > size - pos - 12)
            break;
        const uint32_t crc = uint32_t(crc32(0, data + pos + 4, uInt(length + 4)));
        for (int i = 0; i < 4; ++i)
            out[pos + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        pos += 12 + length;
    }
    return out;
}

std::vector<uint8_t> fromRows(const uint8_t* data, size_t size)
{
    if (size < 5)
        return {};
    static const int kTypes[] = {0, 2, 3, 6};
    const uint32_t width = data[1] % 64 + 1, height = data[2] % 64 + 1;
    const int type = kTypes[data[3] % 4];
    const size_t channels = type == 2 ? 3 : type == 6 ? 4 : 1;
    const bool anyFilterByte = data[3] & 0x80;
    const int window = 9 + data[4] % 7;
    const uint8_t* rest = data + 5;
    const size_t restSize = size - 5;
    const size_t rowBytes = width * channels + 1;
    std::vector<uint8_t> rows(rowBytes * height);
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint8_t v = restSize ? rest[i % restSize] : 0;
        rows[i] = i % rowBytes == 0 && !anyFilterByte ? v % 5 : v;
    }
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, window, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> stream(deflateBound(&z, uLong(rows.size())));
    z.next_in = rows.data();
    z.avail_in = uInt(rows.size());
    z.next_out = stream.data();
    z.avail_out = uInt(stream.size());
    deflate(&z, Z_FINISH);
    stream.resize(z.total_out);
    deflateEnd(&z);

    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBe32(header, width);
    putBe32(header, height);
    header.insert(header.end(), {8, uint8_t(type), 0, 0, 0});
    putChunk(file, "IHDR", header);
    if (type == 3) {
        std::vector<uint8_t> palette;
        for (int i = 0; i < 3 * (data[4] % 255 + 1); ++i)
            palette.push_back(uint8_t(i * 7));
        putChunk(file, "PLTE", palette);
    }
    putChunk(file, "IDAT", stream);
    putChunk(file, "IEND", {});
    return file;
}

struct Outcome {
    std::string error;
    vx::Bitmap bitmap;
    vx::png::Info info;
};

Outcome read(decltype(&vx::png::decode) decode, const std::vector<uint8_t>& file, bool applyTrns)
{
    Outcome o;
    try {
        o.bitmap = decode(file.data(), file.size(), applyTrns, &o.info);
    } catch (const vx::CodecError& e) {
        o.error = e.what();
    }
    return o;
}

bool same(const Outcome& a, const Outcome& b)
{
    if (a.error != b.error)
        return false;
    if (!a.error.empty())
        return true;
    const vx::Bitmap &x = a.bitmap, &y = b.bitmap;
    return x.width() == y.width() && x.height() == y.height() && x.bitsPerPixel() == y.bitsPerPixel()
           && x.hasAlpha() == y.hasAlpha() && x.palette() == y.palette()
           && std::memcmp(x.bits(), y.bits(), x.byteCount()) == 0 && a.info.colorType == b.info.colorType
           && a.info.bitDepth == b.info.bitDepth && a.info.interlaced == b.info.interlaced
           && a.info.hasTrns == b.info.hasTrns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> file = size > 0 && data[0] == 'R' ? fromRows(data, size) : withGoodCrcs(data, size);
    for (bool applyTrns : {true, false})
        if (!same(read(vx::png::decode, file, applyTrns), read(vx::png::decodeWithLibpng, file, applyTrns)))
            std::abort();
    return 0;
}
