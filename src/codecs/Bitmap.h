// A device-independent bitmap: the in-memory picture every decoder produces
// and every writer consumes. It keeps the pixel depth and palette the file
// had (1, 4, 8, 16, 24 or 32 bits per pixel), rows are addressed top to
// bottom and each row is padded to a multiple of four bytes, as in a DIB.
//
// Pixel layouts per depth:
//   1, 4, 8  palette indices, most significant bits first
//   16       X1R5G5B5, little endian
//   24       blue, green, red
//   32       blue, green, red, alpha (alpha used only when hasAlpha())
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vx {

// A decoder, parser or writer failing on its input; the open path shows the text.
class CodecError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PaletteEntry {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    bool operator==(const PaletteEntry&) const = default;
};

// A gray ramp palette of 1 to 256 entries (black to white).
std::vector<PaletteEntry> grayPalette(int entries = 256);

// Size limits every decoder checks before it allocates.
inline constexpr int kMaxSide = 65535;
inline constexpr int64_t kMaxPixels = int64_t(1) << 28;

// Throws CodecError when width x height is not a picture we are willing to hold.
void checkPictureSize(int64_t width, int64_t height);

// An image of the given size and format whose pixels count
// against the process-wide pixel limit for as long as it (or an image
// sharing them) lives; not filled. Throws CodecError for bad sizes and
// when the limit would be passed. Changing a copy that shares the pixels
// detaches it into memory that is not counted: copy with pictureCopy.
QImage pictureImage(QSize size, QImage::Format format);
// An independent copy of image (of its part, when given), counted as
// pictureImage counts.
QImage pictureCopy(const QImage& image, QRect part = QRect());

class Bitmap {
public:
    Bitmap() = default;
    // Zero-filled bitmap; throws CodecError for bad sizes or depths.
    Bitmap(int width, int height, int bitsPerPixel);
    // The same for a caller that writes every pixel itself: only the row
    // padding is zeroed.
    struct NoFill {};
    Bitmap(int width, int height, int bitsPerPixel, NoFill);

    bool isNull() const { return width_ == 0 || height_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bpp_; }
    // Bytes per row, padded to four.
    int stride() const { return stride_; }
    static int strideFor(int width, int bitsPerPixel);

    uint8_t* scanLine(int y) { return data_.get() + size_t(y) * size_t(stride_); }
    const uint8_t* scanLine(int y) const { return data_.get() + size_t(y) * size_t(stride_); }
    uint8_t* bits() { return data_.get(); }
    const uint8_t* bits() const { return data_.get(); }
    size_t byteCount() const { return size_t(stride_) * size_t(height_); }

    // Palette of an indexed bitmap (up to 2^bpp entries; empty otherwise).
    std::vector<PaletteEntry>& palette() { return palette_; }
    const std::vector<PaletteEntry>& palette() const { return palette_; }

    // A 32-bit bitmap whose fourth byte is meaningful alpha.
    bool hasAlpha() const { return hasAlpha_; }
    void setHasAlpha(bool on) { hasAlpha_ = on; }

    // Colour of pixel (x, y) as 0xAARRGGBB (alpha 255 unless hasAlpha()).
    uint32_t pixel(int x, int y) const;

    // Independent copy of the pixels (bitmaps otherwise share pixels on copy).
    Bitmap deepCopy() const;

    // The display image. Shares the pixels without copying for 1, 8, 16,
    // 24 and 32 bits (the QImage keeps them alive); 4-bit rows are expanded.
    QImage toImage() const;
    // A bitmap from any image: indexed 1/8-bit and RGB32/ARGB32/BGR888
    // images keep their layout, everything else becomes 32 bits.
    static Bitmap fromImage(const QImage& image);

    // The same picture as 24 bits per pixel (BGR rows).
    Bitmap converted24() const;

private:
    // Allocates the pixels, zero-filled or with only the row padding zeroed.
    Bitmap(int width, int height, int bitsPerPixel, bool zero);

    int width_ = 0, height_ = 0, bpp_ = 0, stride_ = 0;
    bool hasAlpha_ = false;
    std::shared_ptr<uint8_t[]> data_;
    std::vector<PaletteEntry> palette_;
};

}  // namespace vx
