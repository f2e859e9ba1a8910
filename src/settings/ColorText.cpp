#include "settings/ColorText.h"

#include <QGuiApplication>
#include <QPalette>

namespace vx {

namespace {

struct NamedColor {
    const char* name;
    ColorRef value;
};

constexpr NamedColor kNamedColors[] = {
    {"clBlack", 0x000000},  {"clMaroon", 0x000080},    {"clGreen", 0x008000},
    {"clOlive", 0x008080},  {"clNavy", 0x800000},      {"clPurple", 0x800080},
    {"clTeal", 0x808000},   {"clGray", 0x808080},      {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},    {"clLime", 0x00FF00},      {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF},   {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},  {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},  {"clMedGray", 0xA4A0A0},
};

struct SystemColor {
    const char* name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour names, mapped to the nearest role of the platform palette.
constexpr SystemColor kSystemColors[] = {
    {"clScrollBar", QPalette::Active, QPalette::Button},
    {"clBackground", QPalette::Active, QPalette::Window},
    {"clActiveCaption", QPalette::Active, QPalette::Highlight},
    {"clInactiveCaption", QPalette::Inactive, QPalette::Highlight},
    {"clMenu", QPalette::Active, QPalette::Window},
    {"clWindow", QPalette::Active, QPalette::Base},
    {"clWindowFrame", QPalette::Active, QPalette::Shadow},
    {"clMenuText", QPalette::Active, QPalette::WindowText},
    {"clWindowText", QPalette::Active, QPalette::Text},
    {"clCaptionText", QPalette::Active, QPalette::HighlightedText},
    {"clActiveBorder", QPalette::Active, QPalette::Window},
    {"clInactiveBorder", QPalette::Inactive, QPalette::Window},
    {"clAppWorkSpace", QPalette::Active, QPalette::Dark},
    {"clHighlight", QPalette::Active, QPalette::Highlight},
    {"clHighlightText", QPalette::Active, QPalette::HighlightedText},
    {"clBtnFace", QPalette::Active, QPalette::Button},
    {"clBtnShadow", QPalette::Active, QPalette::Mid},
    {"clGrayText", QPalette::Disabled, QPalette::Text},
    {"clBtnText", QPalette::Active, QPalette::ButtonText},
    {"clInactiveCaptionText", QPalette::Inactive, QPalette::HighlightedText},
    {"clBtnHighlight", QPalette::Active, QPalette::Light},
    {"cl3DDkShadow", QPalette::Active, QPalette::Shadow},
    {"cl3DLight", QPalette::Active, QPalette::Midlight},
    {"clInfoText", QPalette::Active, QPalette::ToolTipText},
    {"clInfoBk", QPalette::Active, QPalette::ToolTipBase},
    {"clHotLight", QPalette::Active, QPalette::Link},
    {"clGradientActiveCaption", QPalette::Active, QPalette::Highlight},
    {"clGradientInactiveCaption", QPalette::Inactive, QPalette::Highlight},
    {"clMenuHighlight", QPalette::Active, QPalette::Highlight},
    {"clMenuBar", QPalette::Active, QPalette::Window},
};

QPalette platformPalette()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::palette()
               : QPalette();
}

}  // namespace

ColorRef colorRefFromRgb(uint32_t rgb)
{
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

uint32_t rgbFromColorRef(ColorRef color)
{
    return 0xFF000000u | ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

QString colorToText(ColorRef color)
{
    for (const NamedColor& c : kNamedColors)
        if (c.value == color)
            return QLatin1String(c.name);
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<ColorRef> colorFromText(const QString& text)
{
    for (const NamedColor& c : kNamedColors)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c.value;
    for (const SystemColor& c : kSystemColors)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return colorRefFromRgb(platformPalette().color(c.group, c.role).rgb());

    bool ok = false;
    qlonglong n = 0;
    if (text.startsWith(QLatin1Char('$')))
        n = text.mid(1).toLongLong(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        n = text.mid(2).toLongLong(&ok, 16);
    else if (!text.isEmpty() && !text.contains(QLatin1Char('+')))
        n = text.toLongLong(&ok, 10);
    // The hex digits must be plain digits (no sign), and the number must fit 32 bits.
    if (!ok || n < INT32_MIN || n > UINT32_MAX)
        return std::nullopt;
    if ((text.startsWith(QLatin1Char('$')) || text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        && (text.contains(QLatin1Char('-')) || text.contains(QLatin1Char('+'))))
        return std::nullopt;
    const uint32_t value = uint32_t(n);
    return value & 0x00FFFFFFu;
}

}  // namespace vx
