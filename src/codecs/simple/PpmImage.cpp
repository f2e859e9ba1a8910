#include "codecs/simple/PpmImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/ByteReader.h"

#include <cstring>
#include <string>
#include <vector>

namespace vx {

namespace {

bool isSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads the header and plain-format tokens: skips whitespace and comments
// (from '#' to the end of the line) and reads unsigned decimal numbers.
class TokenReader {
public:
    explicit TokenReader(ByteReader& in) : in_(in) {}

    void skipSpace()
    {
        while (!in_.atEnd()) {
            const uint8_t c = in_.peek();
            if (c == '#') {
                while (!in_.atEnd() && in_.peek() != '\n' && in_.peek() != '\r')
                    in_.u8();
            } else if (isSpace(c)) {
                in_.u8();
            } else {
                return;
            }
        }
    }

    uint32_t number(uint32_t limit, const char* what)
    {
        skipSpace();
        if (in_.atEnd())
            in_.fail();
        if (in_.peek() < '0' || in_.peek() > '9')
            throw CodecError(std::string("Portable map has a bad ") + what);
        uint64_t value = 0;
        while (!in_.atEnd() && in_.peek() >= '0' && in_.peek() <= '9') {
            value = value * 10 + (in_.u8() - '0');
            if (value > limit)
                throw CodecError(std::string("Portable map ") + what + " is too large");
        }
        return uint32_t(value);
    }

    // One plain-bitmap pixel: a '0' or '1', with or without separators.
    unsigned bit()
    {
        skipSpace();
        const uint8_t c = in_.u8();
        if (c != '0' && c != '1')
            throw CodecError("Portable bitmap has a bad pixel");
        return c - '0';
    }

private:
    ByteReader& in_;
};

}  // namespace

Bitmap PpmImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size, "Portable map is truncated");
    if (size < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '6')
        throw CodecError("Not a portable bitmap, greymap or pixmap");
    in.skip(2);
    const int format = data[1] - '0';
    const bool raw = format >= 4;
    const int kind = (format - 1) % 3;  // 0 bitmap, 1 greymap, 2 pixmap

    TokenReader tokens(in);
    const uint32_t width = tokens.number(kMaxSide + 1, "width");
    const uint32_t height = tokens.number(kMaxSide + 1, "height");
    checkPictureSize(width, height);
    uint32_t maxValue = 1;
    if (kind != 0) {
        maxValue = tokens.number(65535, "maximum value");
        if (maxValue == 0)
            throw CodecError("Portable map has a zero maximum value");
    }
    if (raw) {
        // Exactly one whitespace character separates the header from the pixels.
        if (!isSpace(in.u8()))
            throw CodecError("Portable map header is not ended by whitespace");
    }

    const int w = int(width), h = int(height);
    const size_t samples = size_t(w) * size_t(h) * (kind == 2 ? 3 : 1);
    const size_t sampleBytes = maxValue > 255 ? 2 : 1;
    // Refuse before allocating when the data cannot hold the picture.
    if (raw) {
        const size_t needed = kind == 0 ? size_t((w + 7) / 8) * size_t(h) : samples * sampleBytes;
        in.need(needed);
    } else {
        in.need(kind == 0 ? size_t(w) * size_t(h) : samples);
    }

    Bitmap out(w, h, kind == 0 ? 1 : kind == 1 ? 8 : 24);
    if (kind == 0) {
        out.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    } else if (kind == 1) {
        out.palette().resize(256);
        for (int i = 0; i < 256; ++i)
            out.palette()[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }

    auto scale = [maxValue](uint32_t v) -> uint8_t {
        if (v > maxValue)
            v = maxValue;
        return maxValue == 255 ? uint8_t(v) : uint8_t((v * 255 + maxValue / 2) / maxValue);
    };
    auto sample = [&]() -> uint8_t {
        if (!raw)
            return scale(tokens.number(0xFFFFFFFFu, "sample"));
        return scale(sampleBytes == 2 ? in.u16be() : in.u8());
    };

    for (int y = 0; y < h; ++y) {
        checkCancelled();
        uint8_t* row = out.scanLine(y);
        if (kind == 0) {
            if (raw) {
                const size_t bytes = size_t(w + 7) / 8;
                std::memcpy(row, in.take(bytes), bytes);
            } else {
                for (int x = 0; x < w; ++x)
                    if (tokens.bit())
                        row[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
        } else if (kind == 1) {
            for (int x = 0; x < w; ++x)
                row[x] = sample();
        } else {
            for (int x = 0; x < w; ++x) {
                row[3 * x + 2] = sample();
                row[3 * x + 1] = sample();
                row[3 * x] = sample();
            }
        }
    }
    return out;
}

}  // namespace vx
