// RLE8 and RLE4 compressed DIBs: encoded runs, absolute runs, end of line,
// delta moves and end of bitmap. Pixels of a run that reach past the right
// edge are dropped; a run, move or row that reaches past the last row is an
// error, and so is data that ends before the picture does, unless the header
// asks for a partial picture (metafile records): that ends there, keeping
// what was drawn.
#include "codecs/ByteReader.h"

#include "codecs/DecodeCancel.h"
#include "codecs/dib/DibDecoder.h"

#include <algorithm>

namespace vx::dib {

namespace {

class RleWriter {
public:
    RleWriter(const Header& h, Bitmap& out) : h_(h), out_(out) {}

    void put(unsigned index)
    {
        if (y_ >= h_.height) {
            if (h_.partialRle)
                return;
            throw CodecError("RLE data runs past the end of the picture");
        }
        if (x_ < h_.width) {
            uint8_t* row = out_.scanLine(rowOf(h_, y_));
            if (h_.bitCount == 8) {
                row[x_] = uint8_t(index);
            } else {
                uint8_t& b = row[x_ >> 1];
                b = (x_ & 1) ? uint8_t((b & 0xF0) | (index & 0x0F)) : uint8_t((b & 0x0F) | (index << 4));
            }
            ++x_;
        }
    }
    void endOfLine()
    {
        x_ = 0;
        ++y_;
    }
    void move(unsigned dx, unsigned dy)
    {
        x_ = std::min(x_ + int(dx), h_.width);
        y_ += int(dy);
        if ((y_ > h_.height || (y_ == h_.height && x_ > 0)) && !h_.partialRle)
            throw CodecError("RLE move runs past the end of the picture");
    }
    bool finished() const { return y_ >= h_.height; }

private:
    const Header& h_;
    Bitmap& out_;
    int x_ = 0, y_ = 0;
};

}  // namespace

void readRle(const Header& h, const uint8_t* data, size_t size, Bitmap& out)
{
    ByteReader in(data, size, "RLE bitmap is truncated");
    RleWriter writer(h, out);
    const bool four = h.bitCount == 4;
    while (true) {
        checkCancelled();
        if (h.partialRle && writer.finished())
            return;
        if (in.remaining() < 2) {
            // Some writers stop after the last row without an end marker.
            if (writer.finished() || h.partialRle)
                return;
            in.fail();
        }
        const unsigned count = in.u8();
        const unsigned value = in.u8();
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                writer.put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0:
            writer.endOfLine();
            break;
        case 1:
            return;
        case 2: {
            if (h.partialRle && in.remaining() < 2)
                return;
            const unsigned dx = in.u8();
            const unsigned dy = in.u8();
            writer.move(dx, dy);
            break;
        }
        default: {
            // Absolute run of `value` pixels, padded to a 16-bit boundary.
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (h.partialRle && in.remaining() < bytes)
                return;
            const uint8_t* p = in.take(bytes);
            for (unsigned i = 0; i < value; ++i)
                writer.put(four ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            if ((bytes & 1) && !in.atEnd())
                in.skip(1);
            break;
        }
        }
    }
}

}  // namespace vx::dib
