// Wireless bitmaps (WBMP): the picture the viewer opens and saves, turning
// a WbmpFile's packed pixel bytes into a 1-bit bitmap and back.
#pragma once

#include "codecs/Graphic.h"
#include "codecs/wbmp/WbmpFile.h"

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

class WbmpImage : public Graphic {
public:
    // Loading from a file also checks that the size is a picture and that
    // the pixel bytes cover every row; throws CodecError otherwise.
    using Graphic::loadFromData;
    void loadFromFile(const QString& path) override;
    void loadFromData(const uint8_t* data, size_t size) override;

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
    void assign(const WbmpImage& other);
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

    const WbmpFile& file() const { return file_; }

    // Clipboard transfer of the file bytes under the format "WBmp image".
    static QString clipboardFormat();
    void loadFromClipboardFormat(const QString& format, const QByteArray& data);
    void saveToClipboard(QClipboard* clipboard) const;

private:
    void loadFromStream(QIODevice& in);

    WbmpFile file_;
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
void encodeWbmp(const Bitmap& bitmap, QIODevice& out);
void saveWbmpFile(const Bitmap& bitmap, const QString& path);

}  // namespace vx
