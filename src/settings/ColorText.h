// Colours stored as text: one of twenty colour names, or "$" and eight
// upper-case hexadecimal digits of the number 0x00BBGGRR (red in the low
// byte). Reading also takes the system colour names (resolved to the
// platform's current palette), decimal numbers, and "$" or "0x" hex.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace vx {

// 0x00BBGGRR, as the settings store holds colours.
using ColorRef = uint32_t;

QString colorToText(ColorRef color);
std::optional<ColorRef> colorFromText(const QString& text);

// Conversions to and from Qt colours (as 0xAARRGGBB, alpha ignored).
ColorRef colorRefFromRgb(uint32_t rgb);
uint32_t rgbFromColorRef(ColorRef color);

}  // namespace vx
