// The texts of the file information dialog that are worked out from the
// file: its size, its change time and a movie's stage size.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>


namespace vx {

struct SwfHeaderInfo;

// "512 bytes" below 1024; from 1024 on the size in Kb with two decimals
// and the locale's decimal separator, then the bytes in brackets:
// "1.50 Kb (1536 bytes)". Sizes are 64-bit, never wrapped.
QString fileSizeText(qint64 size, const QString& bytesWord, const QString& kbWord,
                     const QLocale& locale = QLocale());

// The locale's short date, a blank and its long time (without a time zone);
// the time is left out at exactly midnight. Seconds are taken at the
// 2-second resolution of a packed file date.
QString changeTimeText(const QDateTime& localTime, const QLocale& locale = QLocale());

// A number in the shortest general form with up to 15 significant digits:
// 550, 27.55.
QString shortestDecimal(double value);

// "W x H" of the stage in pixels from the header's twips, or "?" when the
// header could not be read.
QString sceneSizeText(const std::optional<SwfHeaderInfo>& header);

}  // namespace vx
