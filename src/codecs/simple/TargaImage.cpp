#include "codecs/simple/TargaImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/ByteReader.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vx {

namespace {

struct TargaHeader {
    uint8_t idLength, colorMapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapEntryBits;
    uint16_t width, height;
    uint8_t pixelBits, descriptor;

    bool rle() const { return imageType >= 9; }
    int kind() const { return imageType & 7; }  // 1 mapped, 2 true colour, 3 grey
    bool topOrigin() const { return descriptor & 0x20; }
    bool rightToLeft() const { return descriptor & 0x10; }
    int alphaBits() const { return descriptor & 0x0F; }
};

// A colour-map entry or 15/16-bit pixel as blue, green, red, alpha.
PaletteEntry colourOf(const uint8_t* p, int bits)
{
    switch (bits) {
    case 15:
    case 16: {
        const unsigned v = readLe16(p);
        const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return {uint8_t((b << 3) | (b >> 2)), uint8_t((g << 3) | (g >> 2)),
                uint8_t((r << 3) | (r >> 2)), uint8_t((v & 0x8000) ? 255 : 0)};
    }
    case 24: return {p[0], p[1], p[2], 255};
    default: return {p[0], p[1], p[2], p[3]};
    }
}

void checkDepth(const TargaHeader& h)
{
    const int bits = h.pixelBits;
    bool ok = false;
    switch (h.kind()) {
    case 1: ok = (bits == 8 || bits == 16) && h.colorMapType == 1; break;
    case 2: ok = bits == 15 || bits == 16 || bits == 24 || bits == 32; break;
    case 3: ok = bits == 8 || bits == 16; break;
    }
    if (!ok)
        throw CodecError("Unsupported Targa picture (type " + std::to_string(h.imageType) + ", "
                         + std::to_string(bits) + " bits)");
}

// The pixels in file order, unpacking run-length packets (which may cross
// row ends). A packet that reaches past the last pixel is an error.
std::unique_ptr<uint8_t[]> unpackRle(ByteReader& in, size_t pixels, size_t bpp)
{
    // Every packet holds at most 128 pixels in at least 1 + bpp bytes.
    if ((pixels + 127) / 128 * (1 + bpp) > in.remaining())
        in.fail();
    // Not filled: the packets write every pixel or the file is refused.
    std::unique_ptr<uint8_t[]> out(new uint8_t[pixels * bpp]);
    size_t done = 0;
    while (done < pixels) {
        checkCancelled();
        const uint8_t head = in.u8();
        const size_t count = (head & 0x7F) + 1u;
        if (count > pixels - done)
            throw CodecError("Targa run-length packet runs past the end of the picture");
        uint8_t* dst = out.get() + done * bpp;
        if (head & 0x80) {
            const uint8_t* value = in.take(bpp);
            if (bpp == 1)
                std::memset(dst, value[0], count);
            else
                for (size_t i = 0; i < count; ++i)
                    std::memcpy(dst + i * bpp, value, bpp);
        } else {
            std::memcpy(dst, in.take(count * bpp), count * bpp);
        }
        done += count;
    }
    return out;
}

}  // namespace

Bitmap TargaImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size, "Targa file is truncated");
    TargaHeader h;
    h.idLength = in.u8();
    h.colorMapType = in.u8();
    h.imageType = in.u8();
    h.mapFirst = in.u16le();
    h.mapLength = in.u16le();
    h.mapEntryBits = in.u8();
    in.skip(4);  // x and y origin
    h.width = in.u16le();
    h.height = in.u16le();
    h.pixelBits = in.u8();
    h.descriptor = in.u8();

    if (h.colorMapType > 1 || (h.imageType != 1 && h.imageType != 2 && h.imageType != 3
                               && h.imageType != 9 && h.imageType != 10 && h.imageType != 11))
        throw CodecError("Not a Targa picture");
    checkDepth(h);
    checkPictureSize(h.width, h.height);
    in.skip(h.idLength);

    std::vector<PaletteEntry> map;
    if (h.colorMapType == 1) {
        const int bits = h.mapEntryBits;
        if (bits != 15 && bits != 16 && bits != 24 && bits != 32)
            throw CodecError("Unsupported Targa colour map entry size " + std::to_string(bits));
        const size_t entryBytes = size_t(bits + 7) / 8;
        const uint8_t* p = in.take(entryBytes * h.mapLength);
        map.reserve(h.mapLength);
        for (size_t i = 0; i < h.mapLength; ++i)
            map.push_back(colourOf(p + i * entryBytes, bits));
    }

    const size_t pixels = size_t(h.width) * h.height;
    const size_t bpp = size_t(h.pixelBits + 7) / 8;
    std::unique_ptr<uint8_t[]> unpacked;
    PixelReservation unpackedMemory;
    const uint8_t* src;
    if (h.rle()) {
        unpackedMemory = PixelReservation(uint64_t(pixels) * bpp);
        unpacked = unpackRle(in, pixels, bpp);
        src = unpacked.get();
    } else {
        src = in.take(pixels * bpp);
    }

    // Output depth: 8-bit indices and grey stay indexed, 15/16 bits stay
    // 5-5-5, 16-bit indices and grey with alpha become 24/32 bits.
    int outBits;
    const int kind = h.kind();
    if (kind == 1)
        outBits = h.pixelBits == 8 ? 8 : 24;
    else if (kind == 3)
        outBits = h.pixelBits == 8 ? 8 : 32;
    else
        outBits = h.pixelBits == 15 ? 16 : h.pixelBits;
    Bitmap out(h.width, h.height, outBits);
    if (outBits == 8) {
        std::vector<PaletteEntry>& palette = out.palette();
        palette.assign(256, PaletteEntry{});
        if (kind == 3) {
            for (int i = 0; i < 256; ++i)
                palette[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
        } else {
            // Pixel values are absolute indices; the map starts at mapFirst.
            for (size_t i = 0; i < map.size() && h.mapFirst + i < 256; ++i)
                palette[h.mapFirst + i] = {map[i].blue, map[i].green, map[i].red, 0};
        }
    }

    const size_t outBpp = size_t(outBits) / 8;
    bool anyAlpha = false;
    for (int fy = 0; fy < h.height; ++fy) {
        checkCancelled();
        uint8_t* row = out.scanLine(h.topOrigin() ? fy : h.height - 1 - fy);
        const uint8_t* s = src + size_t(fy) * h.width * bpp;
        for (int fx = 0; fx < h.width; ++fx, s += bpp) {
            const int x = h.rightToLeft() ? h.width - 1 - fx : fx;
            uint8_t* d = row + size_t(x) * outBpp;
            if (kind == 1 && outBits == 24) {
                const size_t index = readLe16(s);
                if (index >= h.mapFirst && index - h.mapFirst < map.size()) {
                    const PaletteEntry& e = map[index - h.mapFirst];
                    d[0] = e.blue, d[1] = e.green, d[2] = e.red;
                }
            } else if (kind == 3 && outBits == 32) {
                d[0] = d[1] = d[2] = s[0];
                d[3] = s[1];
                anyAlpha = anyAlpha || s[1] != 0;
            } else {
                std::memcpy(d, s, outBpp);
                if (outBits == 32)
                    anyAlpha = anyAlpha || s[3] != 0;
            }
        }
    }
    // Alpha is used when the descriptor announces it (grey with alpha always
    // does) and not every pixel would be invisible.
    out.setHasAlpha(outBits == 32 && anyAlpha && (kind == 3 || h.alphaBits() > 0));
    return out;
}

}  // namespace vx
