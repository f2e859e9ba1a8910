#include "codecs/metafile/EmfWriter.h"

#include <QByteArray>
#include <cmath>
#include <limits>

namespace vx {

namespace {

constexpr uint32_t kHeaderSize = 108, kStretchSize = 80, kInfoSize = 40, kEofSize = 20;
// The reference device: a 96 dpi screen of 1920 x 1080 pixels.
constexpr int32_t kDeviceW = 1920, kDeviceH = 1080;
constexpr int32_t kMicronsW = 508000, kMicronsH = 285750;

class Record {
public:
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes_.append(char((v >> (8 * i)) & 0xFF));
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void u16(uint16_t v)
    {
        bytes_.append(char(v & 0xFF));
        bytes_.append(char(v >> 8));
    }
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

void put(QIODevice& out, const char* data, qint64 size)
{
    if (out.write(data, size) != size)
        throw CodecError("Cannot write the metafile: " + out.errorString().toStdString());
}

}  // namespace

void encodeEmf(const Bitmap& bitmap, QIODevice& out)
{
    if (bitmap.isNull())
        throw CodecError("There is no picture to write");
    if (!out.isWritable())
        throw CodecError("Cannot write the metafile: the device is not open for writing");
    const Bitmap b = bitmap.bitsPerPixel() == 24 ? bitmap : bitmap.converted24();
    const int w = b.width(), h = b.height();
    const uint64_t bitsSize = uint64_t(b.stride()) * uint64_t(h);
    const uint64_t stretchSize = uint64_t(kStretchSize) + kInfoSize + bitsSize;
    const uint64_t total = uint64_t(kHeaderSize) + stretchSize + kEofSize;
    if (total > std::numeric_limits<uint32_t>::max())
        throw CodecError("Picture is too large for a metafile");

    Record header;
    header.u32(1);  // EMR_HEADER
    header.u32(kHeaderSize);
    header.i32(0); header.i32(0); header.i32(w - 1); header.i32(h - 1);  // bounds, inclusive
    header.i32(0); header.i32(0);                                        // frame, 0.01 mm
    header.i32(int32_t(std::lround(w * 2540.0 / 96)));
    header.i32(int32_t(std::lround(h * 2540.0 / 96)));
    header.u32(0x464D4520);  // " EMF"
    header.u32(0x00010000);
    header.u32(uint32_t(total));
    header.u32(3);  // records
    header.u16(1);  // handles (the reserved index 0)
    header.u16(0);
    header.u32(0);  // description length
    header.u32(0);  // description offset
    header.u32(0);  // palette entries
    header.i32(kDeviceW); header.i32(kDeviceH);
    header.i32(kMicronsW / 1000); header.i32((kMicronsH + 500) / 1000);
    header.u32(0);  // pixel format size
    header.u32(0);  // pixel format offset
    header.u32(0);  // OpenGL
    header.i32(kMicronsW); header.i32(kMicronsH);

    Record stretch;
    stretch.u32(81);  // EMR_STRETCHDIBITS
    stretch.u32(uint32_t(stretchSize));
    stretch.i32(0); stretch.i32(0); stretch.i32(w - 1); stretch.i32(h - 1);
    stretch.i32(0); stretch.i32(0);  // destination
    stretch.i32(0); stretch.i32(0);  // source origin
    stretch.i32(w); stretch.i32(h);  // source size
    stretch.u32(kStretchSize);       // BITMAPINFO offset and size
    stretch.u32(kInfoSize);
    stretch.u32(kStretchSize + kInfoSize);  // bits offset and size
    stretch.u32(uint32_t(bitsSize));
    stretch.u32(0);            // DIB_RGB_COLORS
    stretch.u32(0x00CC0020);   // SRCCOPY
    stretch.i32(w); stretch.i32(h);  // destination size
    // BITMAPINFOHEADER: bottom-up, 24 bits, BI_RGB.
    stretch.u32(kInfoSize);
    stretch.i32(w);
    stretch.i32(h);
    stretch.u16(1);
    stretch.u16(24);
    stretch.u32(0);
    stretch.u32(uint32_t(bitsSize));
    stretch.i32(3780); stretch.i32(3780);  // 96 dpi in pixels per metre
    stretch.u32(0);
    stretch.u32(0);

    Record eof;
    eof.u32(14);  // EMR_EOF
    eof.u32(kEofSize);
    eof.u32(0);   // palette entries
    eof.u32(16);  // palette offset
    eof.u32(kEofSize);

    put(out, header.bytes().constData(), header.bytes().size());
    put(out, stretch.bytes().constData(), stretch.bytes().size());
    for (int y = h - 1; y >= 0; --y)
        put(out, reinterpret_cast<const char*>(b.scanLine(y)), b.stride());
    put(out, eof.bytes().constData(), eof.bytes().size());
}

}  // namespace vx
