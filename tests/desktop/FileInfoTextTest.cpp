// The texts the file information dialog works out: sizes, change times and
// a movie's stage size.
#include "desktop/FileInfoText.h"
#include "flash/SwfFileInfo.h"

#include <gtest/gtest.h>

namespace {

TEST(FileInfoText, SizesInBytesAndKilobytesWithTheLocalesSeparator)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const struct {
        qint64 size;
        QLocale locale;
        const char* text;
    } cases[] = {
        {0, english, "0 bytes"},
        {512, english, "512 bytes"},
        {1023, english, "1023 bytes"},
        {1024, english, "1.00 Kb (1024 bytes)"},
        {1536, english, "1.50 Kb (1536 bytes)"},
        {1536, russian, "1,50 Kb (1536 bytes)"},
        // No thousands separator, and sizes past 2 and 4 GiB are not wrapped.
        {1048576, english, "1024.00 Kb (1048576 bytes)"},
        {qint64(3) << 30, english, "3145728.00 Kb (3221225472 bytes)"},
        {qint64(5) << 30, russian, "5242880,00 Kb (5368709120 bytes)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vx::fileSizeText(c.size, QStringLiteral("bytes"), QStringLiteral("Kb"), c.locale),
                  QLatin1String(c.text))
            << c.size;
}

TEST(FileInfoText, ChangeTimeIsTheShortDateAndLongTimeWithoutMidnight)
{
    const QLocale c = QLocale::c();
    const QDate day(2024, 3, 9);
    const QString date = c.toString(day, QLocale::ShortFormat);
    // Seconds at the 2-second resolution of a packed file date.
    EXPECT_EQ(vx::changeTimeText(QDateTime(day, QTime(14, 5, 7)), c), date + QStringLiteral(" 14:05:06"));
    EXPECT_EQ(vx::changeTimeText(QDateTime(day, QTime(0, 0, 1)), c), date);
    EXPECT_EQ(vx::changeTimeText(QDateTime(day, QTime(0, 0, 0)), c), date);
    EXPECT_EQ(vx::changeTimeText(QDateTime(day, QTime(0, 0, 2)), c), date + QStringLiteral(" 00:00:02"));
    // No time zone in the long time, whatever the locale writes there.
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_FALSE(vx::changeTimeText(QDateTime(day, QTime(9, 30)), german).contains(QLatin1String("UTC")));
}

TEST(FileInfoText, SceneSizeInTheShortestDecimalForm)
{
    auto header = [](int32_t w, int32_t h) {
        vx::SwfHeaderInfo info;
        info.xmax = w;
        info.ymax = h;
        return std::optional<vx::SwfHeaderInfo>(info);
    };
    EXPECT_EQ(vx::sceneSizeText(header(11000, 8000)), QStringLiteral("550 x 400"));
    EXPECT_EQ(vx::sceneSizeText(header(551, 8000)), QStringLiteral("27.55 x 400"));
    EXPECT_EQ(vx::sceneSizeText(header(1, 3)), QStringLiteral("0.05 x 0.15"));
    EXPECT_EQ(vx::sceneSizeText(std::nullopt), QStringLiteral("?"));
}

}  // namespace
