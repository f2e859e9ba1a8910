// Wireless bitmaps (WBMP, type 0: one bit per pixel, uncompressed), read
// and written. TWBMPFile holds the header fields and the packed pixel bytes
// and reads and writes the file layout; TWBMPImage is the picture the viewer
// opens and saves, turning those bytes into a 1-bit bitmap and back.
#pragma once

#include "codecs/Graphic.h"

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

class QIODevice;
class QClipboard;

namespace vx {

inline constexpr const char* kWbmpExtension = "WBMP";
inline constexpr const char* kWbmpDescription = "WBmp image";
// Most bytes one WBMP file may hold (header and pixel bytes).
inline constexpr int64_t kMaxWbmpBytes = int64_t(64) << 20;

// WBMP multi-byte integers: 7 bits per byte, most significant group first,
// the top bit set on every byte but the last. Writing uses the fewest bytes
// (at most 5); reading accepts any number of bytes and throws CodecError on
// a value over 32 bits or a stream that ends inside the integer.
QByteArray encodeMultiByteInt(uint32_t value);
uint32_t readMultiByteInt(QIODevice& in);

class TWBMPFile {
public:
    int32_t height = 0;
    int32_t width = 0;
    uint16_t typeField = 0;
    uint16_t fixedHeader = 0;

    // Header integers (type, fixed header, width, height), then every
    // remaining byte of the stream as pixel bytes.
    void loadFromStream(QIODevice& in);
    void saveToStream(QIODevice& out) const;

    void setPixelBytes(const uint8_t* data, size_t length);
    // Copies pixelByteCount() bytes to dest.
    void copyPixelBytes(uint8_t* dest) const;
    size_t pixelByteCount() const { return bytes_.size(); }
    const std::vector<uint8_t>& pixelBytes() const { return bytes_; }
    // Width, height and pixel bytes of another record.
    void assign(const TWBMPFile& other);

private:
    std::vector<uint8_t> bytes_;
};

class TWBMPImage : public Graphic {
public:
    // Loading from a file also checks that the size is a picture and that
    // the pixel bytes cover every row; throws CodecError otherwise.
    void loadFromFile(const QString& path) override;
    void loadFromStream(QIODevice& in);
    void loadFromData(const uint8_t* data, size_t size);

    int width() const override;
    int height() const override;
    bool isEmpty() const;
    // Changing the size directly is refused: CodecError "Invalid operation: Change size.".
    void setWidth(int width);
    void setHeight(int height);

    // The held bitmap; made from the file record on first use: 1 bit per
    // pixel, palette (black colour, white colour). Null when empty.
    Bitmap bitmap() const override;

    void assign(const Bitmap& bitmap);
    void assign(const TWBMPImage& other);
    void assignTo(Bitmap& bitmap) const { bitmap = this->bitmap(); }

    // Writes the held bitmap as a type 0 WBMP; throws CodecError when there is no picture.
    void saveToStream(QIODevice& out) const;
    // Writes a temporary file and replaces path only once it is complete.
    void saveToFile(const QString& path) const;

    QRgb whiteColor() const { return white_; }
    QRgb blackColor() const { return black_; }
    bool customColors() const { return customColors_; }
    void setWhiteColor(QRgb colour) { white_ = colour; }
    void setBlackColor(QRgb colour) { black_ = colour; }
    void setCustomColors(bool on) { customColors_ = on; }

    const TWBMPFile& file() const { return file_; }

    // Clipboard transfer of the file bytes under the format "WBmp image".
    static QString clipboardFormat();
    void loadFromClipboardFormat(const QString& format, const QByteArray& data);
    void saveToClipboard(QClipboard* clipboard) const;

private:
    TWBMPFile file_;
    mutable Bitmap bitmap_;
    QRgb white_ = 0xFFFFFFFFu;
    QRgb black_ = 0xFF000000u;
    bool customColors_ = false;
};

// The picture as WBMP rows: ceil(width / 8) bytes per row, top row first, a
// set bit white. Each pixel becomes whichever of black and white is nearer;
// 1-bit bitmaps keep their bits, inverted when their palette shows 0 light
// and 1 dark.
std::vector<uint8_t> wbmpPixelBytes(const Bitmap& bitmap);

// Saves a bitmap as WBMP to a device, or to a path (replaced only once the
// new file is complete). Throws CodecError.
void writeWbmp(const Bitmap& bitmap, QIODevice& out);
void saveWbmpFile(const Bitmap& bitmap, const QString& path);

}  // namespace vx
