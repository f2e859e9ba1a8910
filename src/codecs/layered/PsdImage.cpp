#include "codecs/layered/PsdImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/layered/PackBits.h"
#include "codecs/ByteReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace vx {

namespace {

enum ColorMode { Bitmap1 = 0, Grayscale = 1, Indexed = 2, RGB = 3, CMYK = 4,
                 Multichannel = 7, Duotone = 8, Lab = 9 };

struct Header {
    int version = 1;
    int channels = 0;
    int width = 0, height = 0;
    int depth = 0;
    int mode = 0;
};

// Channels of the merged image a mode needs.
int channelsNeeded(int mode)
{
    switch (mode) {
    case RGB: case Lab: return 3;
    case CMYK: return 4;
    default: return 1;
    }
}

uint8_t labToByte(double linear)
{
    const double v = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

// Photoshop Lab (D50) to sRGB, written as blue, green, red.
void labToBgr(uint8_t l8, uint8_t a8, uint8_t b8, uint8_t* out)
{
    const double L = l8 * 100.0 / 255, a = a8 - 128.0, b = b8 - 128.0;
    const double fy = (L + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
    auto inv = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
    const double X = 0.9642 * inv(fx), Y = inv(fy), Z = 0.8249 * inv(fz);
    out[2] = labToByte(3.1338561 * X - 1.6168667 * Y - 0.4906146 * Z);
    out[1] = labToByte(-0.9787684 * X + 1.9161415 * Y + 0.0334540 * Z);
    out[0] = labToByte(0.0719453 * X - 0.2289914 * Y + 1.4052427 * Z);
}

Header readHeader(ByteReader& in)
{
    if (in.remaining() < 26 || std::memcmp(in.take(4), "8BPS", 4) != 0)
        throw CodecError("Not a Photoshop picture");
    Header h;
    h.version = in.u16be();
    if (h.version != 1 && h.version != 2)
        throw CodecError("Unknown Photoshop file version " + std::to_string(h.version));
    in.skip(6);
    h.channels = in.u16be();
    const uint32_t height = in.u32be(), width = in.u32be();
    h.depth = in.u16be();
    h.mode = in.u16be();
    if (h.channels < 1 || h.channels > 56)
        throw CodecError("Photoshop picture has a bad channel count");
    checkPictureSize(width, height);
    h.width = int(width);
    h.height = int(height);
    if (h.mode == Bitmap1 ? h.depth != 1 : (h.depth != 8 && h.depth != 16))
        throw CodecError("Photoshop picture depth " + std::to_string(h.depth) + " is not supported");
    switch (h.mode) {
    case Bitmap1: case Grayscale: case RGB: case CMYK: case Multichannel: case Duotone: case Lab: break;
    case Indexed:
        if (h.depth != 8)
            throw CodecError("Indexed Photoshop picture must have 8 bits");
        break;
    default: throw CodecError("Photoshop colour mode " + std::to_string(h.mode) + " is not supported");
    }
    if (h.channels < channelsNeeded(h.mode))
        throw CodecError("Photoshop picture lacks colour channels");
    return h;
}

}  // namespace

Bitmap PsdImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size);
    const Header h = readHeader(in);

    // Colour mode data: the palette of indexed pictures.
    const uint32_t colorDataLength = in.u32be();
    const uint8_t* colorData = in.take(colorDataLength);
    if (h.mode == Indexed && colorDataLength < 768)
        throw CodecError("Indexed Photoshop picture has no palette");
    in.skip(in.u32be());                                       // image resources
    in.skip(h.version == 2 ? in.u64be() : in.u32be());        // layers and masks

    const int compression = in.u16be();
    if (compression > 1)
        throw CodecError("Photoshop merged image compression " + std::to_string(compression)
                         + " is not supported");
    const size_t rowBytes = h.depth == 1 ? size_t(h.width + 7) / 8 : size_t(h.width) * size_t(h.depth / 8);
    const int needed = channelsNeeded(h.mode);
    const uint64_t rows = uint64_t(h.height) * uint64_t(h.channels);

    // Where each row of each channel starts and how many bytes it has.
    std::vector<uint64_t> rowStart, rowLength;
    if (compression == 0) {
        if (uint64_t(rowBytes) * h.height * needed > in.remaining())
            throw CodecError("Photoshop picture data is truncated");
    } else {
        const int countSize = h.version == 2 ? 4 : 2;
        const uint64_t neededRows = uint64_t(h.height) * uint64_t(needed);
        if (rows * countSize > in.remaining())
            throw CodecError("Photoshop row counts are truncated");
        ByteReader counts(in.current(), size_t(rows * countSize));
        in.skip(rows * countSize);
        rowStart.resize(size_t(neededRows));
        rowLength.resize(size_t(neededRows));
        uint64_t offset = in.pos();
        for (uint64_t r = 0; r < neededRows; ++r) {
            checkCancelled();
            const uint64_t n = countSize == 4 ? counts.u32be() : counts.u16be();
            // A PackBits row needs two bytes for every 128 bytes it fills.
            if (n < (rowBytes + 127) / 128 * 2)
                throw CodecError("Photoshop run-length row is truncated");
            rowStart[size_t(r)] = offset;
            rowLength[size_t(r)] = n;
            offset += n;
            if (offset > size)
                throw CodecError("Photoshop picture data is truncated");
        }
    }

    const int bpp = h.mode == Bitmap1 ? 1 : (h.mode == RGB || h.mode == CMYK || h.mode == Lab) ? 24 : 8;
    Bitmap bmp(h.width, h.height, bpp);
    if (h.mode == Bitmap1) {
        bmp.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};  // set bits are black
    } else if (h.mode == Indexed) {
        bmp.palette().resize(256);
        for (int i = 0; i < 256; ++i)
            bmp.palette()[size_t(i)] = {colorData[512 + i], colorData[256 + i], colorData[i], 0};
    } else if (bpp == 8) {
        bmp.palette() = grayPalette();
    }

    std::vector<std::vector<uint8_t>> rowBuffers(static_cast<size_t>(needed), std::vector<uint8_t>(rowBytes));
    std::vector<const uint8_t*> src(static_cast<size_t>(needed));
    const uint8_t* rawBase = in.current();
    for (int y = 0; y < h.height; ++y) {
        checkCancelled();
        for (int c = 0; c < needed; ++c) {
            const uint64_t r = uint64_t(c) * uint64_t(h.height) + uint64_t(y);
            if (compression == 0) {
                src[size_t(c)] = rawBase + r * rowBytes;
            } else {
                unpackBits(data + rowStart[size_t(r)], size_t(rowLength[size_t(r)]),
                           rowBuffers[size_t(c)].data(), rowBytes);
                src[size_t(c)] = rowBuffers[size_t(c)].data();
            }
        }
        uint8_t* dst = bmp.scanLine(y);
        if (h.mode == Bitmap1) {
            std::memcpy(dst, src[0], rowBytes);
            continue;
        }
        // One 8-bit sample; 16-bit samples are big endian and scaled down.
        auto sample = [&](int c, int x) -> unsigned {
            if (h.depth == 8)
                return src[size_t(c)][x];
            const uint8_t* p = src[size_t(c)] + 2 * x;
            return ((unsigned(p[0]) << 8 | p[1]) * 255u + 32767u) / 65535u;
        };
        for (int x = 0; x < h.width; ++x) {
            switch (h.mode) {
            case RGB:
                dst[3 * x] = uint8_t(sample(2, x));
                dst[3 * x + 1] = uint8_t(sample(1, x));
                dst[3 * x + 2] = uint8_t(sample(0, x));
                break;
            case CMYK: {
                // Stored inverted: 255 is no ink.
                const unsigned k = sample(3, x);
                dst[3 * x] = uint8_t((sample(2, x) * k + 127) / 255);
                dst[3 * x + 1] = uint8_t((sample(1, x) * k + 127) / 255);
                dst[3 * x + 2] = uint8_t((sample(0, x) * k + 127) / 255);
                break;
            }
            case Lab:
                labToBgr(uint8_t(sample(0, x)), uint8_t(sample(1, x)), uint8_t(sample(2, x)), dst + 3 * x);
                break;
            default:
                dst[x] = uint8_t(sample(0, x));
                break;
            }
        }
    }
    return bmp;
}

}  // namespace vx
