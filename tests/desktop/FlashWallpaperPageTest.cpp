// The Flash wallpaper page, byte for byte, and the settings it is made of.
#include "desktop/FlashWallpaperPage.h"
#include "settings/SettingsKey.h"
#include "settings/ViewerSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kHead =
    "<html><head><title>Vextrel Viewer Desktop</title></head>\r\n"
    "<body leftmargin=\"0\" topmargin=\"0\" rightmargin=\"0\" bottommargin=\"0\" LANGUAGE=\"javascript\"\r\n";
const QByteArray kDiv =
    "<div style=\"position:absolute; width:100%; height:100%; z-index:-1; left:0; top:0\">\r\n"
    "<table border=\"0\" width=\"100%\" height=\"100%\">\r\n"
    "<tr>\r\n"
    "<td width=\"100%\" height=\"100%\" valign=\"middle\" align=\"center\">\r\n";
const QByteArray kTail = "</td></tr></table></div></body></html>\r\n";

TEST(FlashWallpaperPage, SevenLinesPieceByPiece)
{
    vx::FlashWallpaperSettings centred{0xFFFFFF, 0, 0, 0, 5};
    EXPECT_EQ(vx::flashWallpaperPage(centred, QStringLiteral("/home/u/my movies/a b.swf")),
              kHead + " bgcolor=\"#ffffff\" >" + kDiv
                  + "<embed width=\"550\" height=\"400\"bgcolor=\"\" play=\"false\"wmode=\"ntransparent\""
                    "quality=\"Best\"pluginspage=\"http://www.macromedia.com/go/getflashplayer\" "
                    "src=\"/home/u/my movies/a b.swf\" ></embed>"
                  + kTail);

    vx::FlashWallpaperSettings defaults{0x000000, 1, 1, 1, 2};
    EXPECT_EQ(vx::flashWallpaperPage(defaults, QStringLiteral("/m.swf")),
              kHead + " bgcolor=\"#000000\" >" + kDiv
                  + "<embed width=\"100%\" height=\"100%\"bgcolor=\"\" play=\"true\"wmode=\"transparent\""
                    "quality=\"Auto High\"pluginspage=\"http://www.macromedia.com/go/getflashplayer\" "
                    "src=\"/m.swf\" ></embed>"
                  + kTail);

    // Settings that couldn't be read leave their pieces out; numbers
    // outside the lists write nothing for theirs.
    vx::FlashWallpaperSettings unread{std::nullopt, 7, std::nullopt, -1, 6};
    EXPECT_EQ(vx::flashWallpaperPage(unread, QStringLiteral("/m.swf")),
              kHead + kDiv
                  + "bgcolor=\"\" pluginspage=\"http://www.macromedia.com/go/getflashplayer\" src=\"/m.swf\" "
                    "></embed>"
                  + kTail);
}

TEST(FlashWallpaperPage, OnlyTheFourAttributeBreakersOfAPathBecomeEntities)
{
    const QByteArray page = vx::flashWallpaperPage({0, 1, 1, 1, 2}, QString::fromUtf8("/a \"b\" & <c>\\d é'.swf"));
    EXPECT_TRUE(page.contains(" src=\"/a &quot;b&quot; &amp; &lt;c&gt;\\d \xC3\xA9'.swf\" ></embed>"));
}

TEST(FlashWallpaperPage, MissingValuesGetTheirDefaultsWrittenBack)
{
    TempHome home;
    EXPECT_EQ(vx::readFlashWallpaperSettings().fullScreen, std::nullopt);  // no settings key: nothing read
    EXPECT_EQ(vx::readWallpaperStyle(), std::nullopt);

    vx::RegistryKey key;
    ASSERT_TRUE(key.open(vx::kSettingsHive, vx::kSettingsKeyPath, true));
    key.writeInteger(vx::setting::FlashFullScr, 0);
    key.writeString(vx::setting::FlashAutoPlay, QStringLiteral("not a number"));
    key.writeString(vx::setting::FlashBackColor, QStringLiteral("red"));  // not a colour name
    const vx::FlashWallpaperSettings s = vx::readFlashWallpaperSettings();
    EXPECT_EQ(s.backColor, 0u);
    EXPECT_EQ(s.fullScreen, 0);
    EXPECT_EQ(s.autoPlay, 1);
    EXPECT_EQ(s.transparent, 1);
    EXPECT_EQ(s.quality, 2);
    EXPECT_EQ(vx::readWallpaperStyle(), 3);

    ASSERT_TRUE(key.open(vx::kSettingsHive, vx::kSettingsKeyPath, false));
    EXPECT_EQ(key.readString(vx::setting::FlashBackColor), QStringLiteral("clBlack"));
    EXPECT_EQ(key.readInteger(vx::setting::FlashFullScr), 0);
    EXPECT_EQ(key.readInteger(vx::setting::FlashAutoPlay), 1);
    EXPECT_EQ(key.readInteger(vx::setting::FlashTransperent), 1);
    EXPECT_EQ(key.readInteger(vx::setting::FlashWallQuality), 2);
    EXPECT_EQ(key.readInteger(vx::setting::SetWall), 3);
}

}  // namespace
