#include "export/Bmp2Tiff.h"

#include "export/SafeFile.h"

#include <cstring>
#include <vector>

namespace vx {

namespace {

enum : uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

constexpr uint32_t kResolutionNumerator = 877;
constexpr uint32_t kResolutionDenominator = 10;
constexpr uint32_t kSoftwareLength = sizeof kTiffSoftware - 1;

class TiffStream {
public:
    explicit TiffStream(QIODevice& out) : out_(out) {}

    uint32_t position() const { return position_; }

    void bytes(const void* data, size_t size)
    {
        if (out_.write(static_cast<const char*>(data), qint64(size)) != qint64(size))
            throw SaveError("Cannot write TIFF data: " + out_.errorString().toStdString());
        position_ += uint32_t(size);
    }
    void u16(uint32_t v)
    {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        bytes(b, 2);
    }
    void u32(uint32_t v)
    {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        bytes(b, 4);
    }
    void header()
    {
        bytes("II", 2);
        u16(42);
        u32(8);  // placeholder for the directory offset
    }
    void resolution()
    {
        u32(kResolutionNumerator);
        u32(kResolutionDenominator);
    }
    void software() { bytes(kTiffSoftware, kSoftwareLength); }

    // Fixes the directory offset at byte 4 once the directory is written.
    void patchDirectoryOffset(uint32_t offset)
    {
        const qint64 end = out_.pos();
        const uint8_t b[4] = {uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16),
                              uint8_t(offset >> 24)};
        if (!out_.seek(end - position_ + 4) || out_.write(reinterpret_cast<const char*>(b), 4) != 4
            || !out_.seek(end))
            throw SaveError("Cannot write TIFF data: " + out_.errorString().toStdString());
    }

private:
    QIODevice& out_;
    uint32_t position_ = 0;
};

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

// Writes the directory and returns its offset.
uint32_t writeDirectory(TiffStream& s, const std::vector<Entry>& entries)
{
    const uint32_t offset = s.position();
    s.u16(uint32_t(entries.size()));
    for (const Entry& e : entries) {
        s.u16(e.tag);
        s.u16(e.type);
        s.u32(e.count);
        if (e.type == kShort && e.count == 1) {
            s.u16(e.value);
            s.u16(0);
        } else {
            s.u32(e.value);
        }
    }
    s.u32(0);
    return offset;
}

// A 1-bit picture whose index 0 is the lighter colour is written with its
// bits inverted, so black stays black under "black is zero".
bool zeroIsLight(const Bitmap& bitmap)
{
    auto light = [&](size_t i) {
        if (i >= bitmap.palette().size())
            return 0;  // a missing entry shows as black
        const PaletteEntry& e = bitmap.palette()[i];
        return e.red + e.green + e.blue;
    };
    return light(0) > light(1);
}

uint32_t writeBilevel(TiffStream& s, const Bitmap& bitmap)
{
    const uint32_t w = uint32_t(bitmap.width()), h = uint32_t(bitmap.height());
    const uint32_t rowBytes = (w + 7) / 8;
    const bool invert = zeroIsLight(bitmap);
    const uint8_t lastMask = uint8_t(0xFF << ((8 - w % 8) % 8));
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = 0; y < h; ++y) {
        std::memcpy(row.data(), bitmap.scanLine(int(y)), rowBytes);
        if (invert)
            for (uint8_t& b : row)
                b = uint8_t(~b);
        row.back() &= lastMask;
        s.bytes(row.data(), rowBytes);
    }
    const uint32_t xres = s.position();
    s.resolution();
    s.resolution();
    s.software();
    return writeDirectory(s, {{254, kLong, 1, 0},
                              {256, kShort, 1, w},
                              {257, kShort, 1, h},
                              {258, kShort, 1, 1},
                              {259, kShort, 1, 1},
                              {262, kShort, 1, 1},
                              {273, kLong, 1, 8},
                              {277, kShort, 1, 1},
                              {278, kLong, 1, h},
                              {279, kLong, 1, h * rowBytes},
                              {282, kRational, 1, xres},
                              {283, kRational, 1, xres + 8},
                              {296, kShort, 1, 2},
                              {305, kAscii, kSoftwareLength, xres + 16}});
}

uint32_t writePalette(TiffStream& s, const Bitmap& bitmap)
{
    const uint32_t bits = uint32_t(bitmap.bitsPerPixel());
    const uint32_t colours = 1u << bits;
    const uint32_t w = uint32_t(bitmap.width()), h = uint32_t(bitmap.height());
    // 4-bit rows keep every column: an odd width ends in a half-used byte.
    const uint32_t rowBytes = bits == 4 ? (w + 1) / 2 : w;

    const uint32_t colourMap = s.position();
    std::vector<uint8_t> map(size_t(colours) * 6, 0);
    const auto& pal = bitmap.palette();
    for (uint32_t i = 0; i < colours && i < pal.size(); ++i) {
        map[2 * i + 1] = pal[i].red;
        map[2 * (colours + i) + 1] = pal[i].green;
        map[2 * (2 * colours + i) + 1] = pal[i].blue;
    }
    s.bytes(map.data(), map.size());
    const uint32_t xres = s.position();
    s.resolution();
    s.resolution();
    s.software();
    const uint32_t pixels = s.position();
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = 0; y < h; ++y) {
        std::memcpy(row.data(), bitmap.scanLine(int(y)), rowBytes);
        if (bits == 4 && (w & 1))
            row.back() &= 0xF0;
        s.bytes(row.data(), rowBytes);
    }
    return writeDirectory(s, {{254, kLong, 1, 0},
                              {256, kShort, 1, w},
                              {257, kShort, 1, h},
                              {258, kShort, 1, bits},
                              {259, kShort, 1, 1},
                              {262, kShort, 1, 3},
                              {273, kLong, 1, pixels},
                              {277, kShort, 1, 1},
                              {278, kLong, 1, h},
                              {279, kLong, 1, h * rowBytes},
                              {282, kRational, 1, xres},
                              {283, kRational, 1, xres + 8},
                              {296, kShort, 1, 2},
                              {305, kAscii, kSoftwareLength, xres + 16},
                              {320, kShort, 3 * colours, colourMap}});
}

uint32_t writeRgb(TiffStream& s, const Bitmap& bitmap)
{
    const uint32_t w = uint32_t(bitmap.width()), h = uint32_t(bitmap.height());
    const uint32_t step = bitmap.bitsPerPixel() == 32 ? 4 : 3;
    s.resolution();  // 8
    s.resolution();  // 16
    s.u16(8);        // 24: bits per sample
    s.u16(8);
    s.u16(8);
    s.software();    // 30
    std::vector<uint8_t> row(size_t(w) * 3);
    for (uint32_t y = 0; y < h; ++y) {  // 40
        const uint8_t* src = bitmap.scanLine(int(y));
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < w; ++x, src += step, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        s.bytes(row.data(), row.size());
    }
    return writeDirectory(s, {{254, kLong, 1, 0},
                              {256, kShort, 1, w},
                              {257, kShort, 1, h},
                              {258, kShort, 3, 24},
                              {259, kShort, 1, 1},
                              {262, kShort, 1, 2},
                              {273, kLong, 1, 40},
                              {277, kShort, 1, 3},
                              {278, kLong, 1, h},
                              {279, kLong, 1, w * 3 * h},
                              {282, kRational, 1, 8},
                              {283, kRational, 1, 16},
                              {284, kShort, 1, 1},
                              {296, kShort, 1, 2},
                              {305, kAscii, kSoftwareLength, 30}});
}

}  // namespace

void encodeTiff(const Bitmap& source, QIODevice& out)
{
    if (source.isNull())
        throw SaveError("There is no picture to save");
    // 16-bit pixels have no layout of their own: they go out as RGB.
    const Bitmap bitmap = source.bitsPerPixel() == 16 ? source.converted24() : source;
    TiffStream s(out);
    s.header();
    uint32_t directory = 0;
    switch (bitmap.bitsPerPixel()) {
    case 1: directory = writeBilevel(s, bitmap); break;
    case 4:
    case 8: directory = writePalette(s, bitmap); break;
    default: directory = writeRgb(s, bitmap); break;
    }
    s.patchDirectoryOffset(directory);
}

void WriteTiff(const QString& path, const Bitmap& bitmap)
{
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    SafeFileWriter file(path);
    encodeTiff(bitmap, file.device());
    file.commit();
}

}  // namespace vx
