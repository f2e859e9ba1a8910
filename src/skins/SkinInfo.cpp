#include "skins/SkinInfo.h"

#include <QPainter>

namespace vx {
namespace {

[[noreturn]] void notInteger(const QString& text)
{
    throw SkinError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

}  // namespace

int skinStrToInt(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        notInteger(text);
    int64_t value = 0;
    for (; i < n; ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0 || d >= base)
            notInteger(text);
        value = value * base + d;
        if (value > int64_t(0xFFFFFFFF))
            notInteger(text);
    }
    if (base == 16)
        return int(uint32_t(value));  // hexadecimal may fill all 32 bits
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        notInteger(text);
    return int(value);
}

SkinRect parseSkinButtonRect(const QString& value)
{
    QString rest = value;
    int numbers[3];
    for (int& number : numbers) {
        const qsizetype comma = rest.indexOf(u',');
        number = skinStrToInt(comma < 0 ? QString() : rest.left(comma));
        rest.remove(0, comma + 1);
    }
    const int h = skinStrToInt(rest);
    return SkinRect{numbers[0], numbers[1], numbers[2], h};
}

QString skinButtonValue(const ProfileFile& info, int key)
{
    return info.value(QStringLiteral("Buttons"), QString::number(key), QString());
}

SkinMetrics readSkinMetrics(const ProfileFile& info)
{
    const QString param = QStringLiteral("Param");
    auto read = [&](const char* key, const char* fallback) {
        QString v = info.value(param, QString::fromLatin1(key), QString());
        return skinStrToInt(v.isEmpty() ? QString::fromLatin1(fallback) : v);
    };
    SkinMetrics m;
    m.buttonsPanelHeight = std::max(0, read("ButtonsPanelHeight", "20"));
    m.flashPanelHeight = std::max(0, read("FlashPanelHeight", "20"));
    m.betweenWidth = int16_t(uint16_t(uint32_t(read("BetweenWidth", "3")) & 0xFFFF));
    return m;
}

QImage cutSkinImage(const QImage& picture, const SkinRect& rect, int key)
{
    if (rect.w <= 0 || rect.h <= 0)
        return {};
    const QString tooBig = QStringLiteral("Button image %1 is too big (%2 x %3)")
                               .arg(key).arg(rect.w).arg(rect.h);
    if (rect.w > kMaxSkinButtonSide || rect.h > kMaxSkinButtonSide)
        throw SkinError(tooBig);
    QImage out(rect.w, rect.h, QImage::Format_RGB888);
    if (out.isNull())
        throw SkinError(tooBig);
    out.fill(Qt::black);
    // Intersect in 64 bits: the rectangle may lie anywhere in the int range.
    const int64_t left = std::max<int64_t>(rect.x, 0);
    const int64_t top = std::max<int64_t>(rect.y, 0);
    const int64_t right = std::min<int64_t>(int64_t(rect.x) + rect.w, picture.width());
    const int64_t bottom = std::min<int64_t>(int64_t(rect.y) + rect.h, picture.height());
    if (left < right && top < bottom) {
        QPainter painter(&out);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(int(left - rect.x), int(top - rect.y)), picture,
                          QRect(int(left), int(top), int(right - left), int(bottom - top)));
    }
    return out;
}

}  // namespace vx
