// The description file of a skin package ("SkinInfo.txt", profile format):
// the bar heights and button gap of section "Param" and the rectangles of
// the thirty-two button images of section "Buttons", and cutting an image
// out of the package's picture.
#pragma once

#include "i18n/ProfileFile.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace vx {

// A skin that cannot be applied; the text is shown to the user as it is.
class SkinError : public std::runtime_error {
public:
    explicit SkinError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

inline constexpr int kSkinImageKeys = 32;
// Largest side of one button image we are willing to cut.
inline constexpr int kMaxSkinButtonSide = 4096;

struct SkinMetrics {
    int buttonsPanelHeight = 20;  // top bar
    int flashPanelHeight = 20;    // bottom bar (Flash transport)
    int16_t betweenWidth = 3;     // gap between neighbouring buttons
};

// The integer conversion of the description file: optional leading blanks,
// a sign, decimal digits or "$"/"0x" and hexadecimal digits, nothing after,
// within 32 bits. Throws SkinError "'<text>' is not a valid integer value".
int skinStrToInt(const QString& text);

// Left, top, width, height of a button image, as written (any int values).
struct SkinRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const SkinRect&) const = default;
};

// The four numbers "x,y,w,h" of a "Buttons" value: x is the text before the
// first comma, which is then removed with the text before it; y and w
// likewise; h is all that remains.
SkinRect parseSkinButtonRect(const QString& value);

// The value of "Buttons" key k (1..32), empty when missing.
QString skinButtonValue(const ProfileFile& info, int key);

// "ButtonsPanelHeight", "FlashPanelHeight" and "BetweenWidth" of "Param"
// with their defaults 20, 20 and 3; BetweenWidth wraps to 16 bits. Heights
// below 0 count as 0.
SkinMetrics readSkinMetrics(const ProfileFile& info);

// A 24-bit copy of rect out of picture, the same size as rect; parts
// outside the picture are black. An empty or negative size gives a null
// image; a side above kMaxSkinButtonSide throws SkinError.
QImage cutSkinImage(const QImage& picture, const SkinRect& rect, int key);

}  // namespace vx
