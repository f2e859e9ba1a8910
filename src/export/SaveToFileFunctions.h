// Turning the picture on screen into files: the source bitmap every writer
// starts from, the 24-bit conversion, the HTML colour form, and the BMP,
// JPEG, PNG, EMF and HTML-table writers. Every writer replaces its target
// only once the new file is complete (see SafeFile.h) and throws SaveError
// (a CodecError) with the reason when it can't.
#pragma once

#include "codecs/Bitmap.h"
#include "codecs/Graphic.h"
#include "export/SafeFile.h"
#include "viewer/SupportedTypes.h"

#include <QByteArray>
#include <QColor>
#include <QIODevice>
#include <QString>
#include <utility>

namespace vx {

// What kind of picture is on screen; it decides which bitmap a writer takes.
enum class PictureKind {
    Bitmap,    // BMP/DIB/RLE files and pictures the view converted (e.g. rotated)
    GifImage,  // an animated GIF: the bitmap is its first frame
    Other,     // any other decoded picture (JPEG, PNG, icon, metafile, ...)
};

// The displayed picture as the save command hands it over.
struct DisplayedPicture {
    DisplayedPicture() = default;
    DisplayedPicture(Bitmap picture, PictureKind pictureKind = PictureKind::Bitmap)
        : bitmap(std::move(picture)), kind(pictureKind) {}

    Bitmap bitmap;
    PictureKind kind = PictureKind::Bitmap;
};

// The displayed picture of a loaded decoder of the file type's row
// (KeepsDepth rows as bitmaps, Animated rows by their first frame).
DisplayedPicture displayedPictureOf(const Graphic& graphic, const SupportedType* type);

// Source bitmap for the BMP, JPEG, PNG, TIFF and WBMP writers: a bitmap or a
// GIF frame as it is (own depth and palette), anything else in 24 bits.
Bitmap sourceBitmap(const DisplayedPicture& picture);
// Source bitmap for the EMF and HTML writers: a GIF frame as it is,
// everything else (bitmaps included) through GraphicToBitmap24.
Bitmap sourceBitmap24(const DisplayedPicture& picture);

// The picture as 24 bits per pixel, drawn at the top-left corner; pixels the
// picture leaves (partly) uncovered are blended over white.
Bitmap GraphicToBitmap24(const Bitmap& picture);
Bitmap GraphicToBitmap24(const Graphic& graphic);

// "#rrggbb" in lower-case hexadecimal, red first. QColor is resolved to its
// red, green and blue values first.
QString ColorToHtmlHex(QRgb colour);
QString ColorToHtmlHex(const QColor& colour);

// BMP: the bitmap's own depth (1, 4, 8, 16, 24, 32) and palette, bottom-up
// rows, BITMAPFILEHEADER + BITMAPINFOHEADER, no compression.
void encodeBmp(const Bitmap& bitmap, QIODevice& out);
void WriteBmp(const DisplayedPicture& picture, const QString& path);

// JPEG through libjpeg-turbo: default parameters, quality 1..100 with the
// baseline tables forced, optional grayscale output, sequential.
void encodeJpeg(const Bitmap& bitmap, QIODevice& out, bool grayscale, int quality);
void WriteJpeg(const DisplayedPicture& picture, const QString& path, bool grayscale, int quality);

// PNG through libpng at the given zlib level (0..9; anything else means 6).
// 1/4/8-bit pictures keep their palette, 16/24-bit ones become RGB, 32-bit
// ones RGBA when their alpha is meaningful and RGB otherwise.
void encodePng(const Bitmap& bitmap, QIODevice& out, int level);
void WritePng(const DisplayedPicture& picture, const QString& path, int level);
inline constexpr int kSavePngLevel = 6;

// EMF holding the 24-bit picture as one raster drawing.
void WriteEmf(const DisplayedPicture& picture, const QString& path);

// The HTML pixel table.
inline constexpr int kHtmlMaxWidth = 640;
inline constexpr int kHtmlMaxHeight = 480;
inline constexpr const char* kHtmlTooBigSection = "Messages";
inline constexpr int kHtmlTooBigKey = 4;
inline constexpr const char* kHtmlTooBigDefault = "Image size too big (640 x 480 pix)";

// The picture is over 640 x 480: nothing was written. what() is the message
// the caller passed; section()/key() name its language text.
class PictureTooBigError : public SaveError {
public:
    explicit PictureTooBigError(const QString& message)
        : SaveError(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }
    static const char* section() { return kHtmlTooBigSection; }
    static int key() { return kHtmlTooBigKey; }

private:
    QString message_;
};

// The page bytes for a bitmap of any size (no limit checked here).
QByteArray htmlTable(const Bitmap& bitmap);
// Throws PictureTooBigError(tooBigMessage) above 640 x 480 without creating
// a file; otherwise writes the page, throwing SaveError on file errors.
void WriteHtmlTable(const DisplayedPicture& picture, const QString& path,
                    const QString& tooBigMessage = QString::fromLatin1(kHtmlTooBigDefault));

}  // namespace vx
