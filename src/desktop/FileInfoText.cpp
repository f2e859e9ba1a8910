#include "desktop/FileInfoText.h"

#include "flash/SwfFileInfo.h"

namespace vx {

QString fileSizeText(qint64 size, const QString& bytesWord, const QString& kbWord, const QLocale& locale)
{
    const QString bytes = QString::number(size) + QLatin1Char(' ') + bytesWord;
    if (size < 1024)
        return bytes;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(double(size) / 1024.0, 'f', 2) + QLatin1Char(' ') + kbWord + QStringLiteral(" (")
           + bytes + QLatin1Char(')');
}

namespace {

// The locale's long time format without its time zone part (the dialog
// shows the file's local time, as the system clock does).
QString longTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

}  // namespace

QString changeTimeText(const QDateTime& localTime, const QLocale& locale)
{
    QTime time = localTime.time();
    time = QTime(time.hour(), time.minute(), time.second() & ~1);
    QString text = locale.toString(localTime.date(), QLocale::ShortFormat);
    if (time != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(time, longTimeFormat(locale));
    return text;
}

QString shortestDecimal(double value)
{
    return QString::number(value, 'g', 15);
}

QString sceneSizeText(const std::optional<SwfHeaderInfo>& header)
{
    if (!header)
        return QStringLiteral("?");
    const double w = double(int64_t(header->xmax) - header->xmin) / 20.0;
    const double h = double(int64_t(header->ymax) - header->ymin) / 20.0;
    return shortestDecimal(w) + QStringLiteral(" x ") + shortestDecimal(h);
}

}  // namespace vx
