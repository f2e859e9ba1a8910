#include "codecs/simple/PcxImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/ByteReader.h"

#include <cstring>
#include <string>
#include <vector>

namespace vx {

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kVgaPaletteSize = 769;  // 0x0C marker and 256 RGB triplets

// Default 16-colour EGA palette, for files whose header palette is empty.
constexpr uint8_t kEgaPalette[16][3] = {
    {0, 0, 0},       {0, 0, 170},     {0, 170, 0},     {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},   {170, 85, 0},    {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},   {85, 255, 85},   {85, 255, 255},
    {255, 85, 85},   {255, 85, 255},  {255, 255, 85},  {255, 255, 255}};

// Unpacks the scan lines one at a time; a run may continue into the next line.
class LineReader {
public:
    LineReader(ByteReader& in, bool rle) : in_(in), rle_(rle) {}

    void read(uint8_t* line, size_t length)
    {
        if (!rle_) {
            std::memcpy(line, in_.take(length), length);
            return;
        }
        size_t done = 0;
        while (done < length) {
            if (runLeft_ == 0) {
                const uint8_t b = in_.u8();
                if ((b & 0xC0) == 0xC0) {
                    runLeft_ = b & 0x3F;
                    runValue_ = in_.u8();
                } else {
                    runLeft_ = 1;
                    runValue_ = b;
                }
                continue;
            }
            const size_t n = std::min(runLeft_, length - done);
            std::memset(line + done, runValue_, n);
            done += n;
            runLeft_ -= n;
        }
    }

private:
    ByteReader& in_;
    bool rle_;
    size_t runLeft_ = 0;
    uint8_t runValue_ = 0;
};

void setPalette(Bitmap& out, const uint8_t* rgb, size_t entries)
{
    std::vector<PaletteEntry>& palette = out.palette();
    palette.assign(size_t(1) << out.bitsPerPixel(), PaletteEntry{});
    for (size_t i = 0; i < entries && i < palette.size(); ++i)
        palette[i] = {rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
}

void setHeaderPalette(Bitmap& out, const uint8_t* header, size_t entries, int version)
{
    const uint8_t* rgb = header + 16;
    bool empty = true;
    for (size_t i = 0; i < entries * 3; ++i)
        empty = empty && rgb[i] == 0;
    // Version 3 files carry no palette; empty ones get the default too.
    if (version == 3 || empty)
        rgb = &kEgaPalette[0][0];
    setPalette(out, rgb, entries);
}

}  // namespace

Bitmap PcxImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size, "PCX file is truncated");
    const uint8_t* header = in.take(kHeaderSize);
    const int version = header[1];
    const int encoding = header[2];
    const int bits = header[3];
    const int planes = header[65];
    const size_t bytesPerLine = readLe16(header + 66);
    if (header[0] != 0x0A || encoding > 1)
        throw CodecError("Not a PCX picture");
    const int64_t width = int64_t(readLe16(header + 8)) - readLe16(header + 4) + 1;
    const int64_t height = int64_t(readLe16(header + 10)) - readLe16(header + 6) + 1;
    checkPictureSize(width, height);
    const int w = int(width), h = int(height);

    int outBits;
    if (bits == 1 && planes == 1)
        outBits = 1;
    else if ((bits == 1 && planes >= 2 && planes <= 4) || ((bits == 2 || bits == 4) && planes == 1))
        outBits = 4;
    else if (bits == 8 && planes == 1)
        outBits = 8;
    else if (bits == 8 && (planes == 3 || planes == 4))
        outBits = planes * 8;
    else
        throw CodecError("Unsupported PCX picture (" + std::to_string(planes) + " planes of "
                         + std::to_string(bits) + " bits)");
    if (bytesPerLine < size_t((width * bits + 7) / 8))
        throw CodecError("PCX line length is too short for the picture width");

    // Refuse before allocating when the data cannot hold the picture: an
    // encoded byte pair yields at most 63 bytes.
    const size_t lineBytes = bytesPerLine * size_t(planes);
    const uint64_t total = uint64_t(lineBytes) * uint64_t(h);
    if (encoding == 1 ? uint64_t(in.remaining()) * 32 < total : in.remaining() < total)
        in.fail();

    Bitmap out(w, h, outBits);
    std::vector<uint8_t> line(lineBytes);
    LineReader reader(in, encoding == 1);
    for (int y = 0; y < h; ++y) {
        checkCancelled();
        reader.read(line.data(), lineBytes);
        uint8_t* row = out.scanLine(y);
        if (outBits == 1 || (outBits == 4 && bits == 4) || outBits == 8) {
            std::memcpy(row, line.data(), size_t((width * outBits + 7) / 8));
        } else if (outBits == 4 && bits == 2) {
            for (int x = 0; x < w; ++x) {
                const unsigned v = (line[size_t(x) >> 2] >> (6 - 2 * (x & 3))) & 3;
                row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
            }
        } else if (outBits == 4) {
            // Bit planes: plane 0 holds the lowest bit of each index.
            for (int x = 0; x < w; ++x) {
                unsigned v = 0;
                for (int p = 0; p < planes; ++p)
                    v |= ((line[size_t(p) * bytesPerLine + (size_t(x) >> 3)] >> (7 - (x & 7))) & 1u) << p;
                row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
            }
        } else {
            // Red, green, blue (and alpha) planes to BGR(A) pixels.
            const int outBytes = outBits / 8;
            for (int x = 0; x < w; ++x) {
                uint8_t* d = row + size_t(x) * outBytes;
                d[2] = line[size_t(x)];
                d[1] = line[bytesPerLine + size_t(x)];
                d[0] = line[2 * bytesPerLine + size_t(x)];
                if (outBytes == 4)
                    d[3] = line[3 * bytesPerLine + size_t(x)];
            }
        }
    }

    if (outBits == 1) {
        const uint8_t mono[6] = {0, 0, 0, 255, 255, 255};
        setPalette(out, mono, 2);
    } else if (outBits == 4) {
        setHeaderPalette(out, header, size_t(1) << (bits * planes), version);
    } else if (outBits == 8) {
        if (size >= kHeaderSize + kVgaPaletteSize && data[size - kVgaPaletteSize] == 0x0C) {
            setPalette(out, data + size - kVgaPaletteSize + 1, 256);
        } else {
            std::vector<uint8_t> grey(256 * 3);
            for (size_t i = 0; i < grey.size(); ++i)
                grey[i] = uint8_t(i / 3);
            setPalette(out, grey.data(), 256);
        }
    }
    return out;
}

}  // namespace vx
