// F4 in the real window over made-up browser caches: what is listed and
// opened, stepping through it, and caches that have nothing to show.
#include "DesktopFixture.h"

#include "flash/ui/ShockwaveFlash.h"
#include "settings/ViewerSettings.h"
#include "support/BrowserCacheFiles.h"
#include "viewer/ui/PictureControl.h"

#include <QLabel>
#include <QTest>

namespace desktoptest {
namespace {

using namespace cachefiles;

class BrowserCacheViewTest : public DesktopTest {
protected:
    QString firefox(const QString& name) const
    {
        return cacheHome() + QStringLiteral("/mozilla/firefox/x1.default/cache2/entries/") + name;
    }
    QString chromium(const QString& name) const
    {
        return cacheHome() + QStringLiteral("/chromium/Default/Cache/Cache_Data/") + name;
    }
    void f4() { QTest::keyClick(form.get(), Qt::Key_F4); }
    QString label() const { return form->nameLabel()->text(); }
};

TEST_F(BrowserCacheViewTest, EveryViewableEntryOfEveryBrowserInOrderThenOrdinaryNavigation)
{
    media::setSetting(vx::setting::Language, program.languageFile(QStringLiteral("English.lng")));
    media::setSetting(vx::setting::CurrentFileNumberVisible, 1);
    put(firefox("0A"), firefoxEntry(imageBytes(solidImage(30, 20, qRgb(255, 0, 0)), "PNG")));
    put(firefox("0B"), firefoxEntry("<html><body>page</body></html>"));
    put(firefox("0C"), firefoxEntry(media::movieBytes(3)));
    put(chromium("1111_0"), chromiumEntry(imageBytes(solidImage(40, 10, qRgb(0, 0, 255)), "JPG")));
    put(chromium("2222_0"), chromiumEntry("body { color: red }"));
    put(chromium("3333_0"), chromiumEntry(imageBytes(solidImage(7, 9, qRgb(0, 255, 0)), "BMP"), "1/0/_dk_x", true));
    put(chromium("4444_0"), chromiumEntry(QByteArray("\x89PNG\r\n\x1a\nnot really a picture at all")));
    put(chromium("index-dir/the-real-index"), QByteArray(64, '\x01'));
    const QString picture = pictureFile(QStringLiteral("start.bmp"));
    start({picture});

    f4();
    form->settleOpen();
    // Firefox first, then Chromium: the PNG, the movie, the JPEG, the BMP, the lying PNG.
    ASSERT_EQ(form->state().nav.FolderFileList,
              (QStringList{firefox("0A"), firefox("0C"), chromium("1111_0"), chromium("3333_0"), chromium("4444_0")}));
    EXPECT_EQ(label(), QStringLiteral("0A [1/5]"));
    EXPECT_EQ(form->CurrentExtension(), QStringLiteral("PNG"));
    EXPECT_EQ(QSize(form->state().natural.width(), form->state().natural.height()), QSize(30, 20));

    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    EXPECT_EQ(label(), QStringLiteral("0C [2/5]"));
    EXPECT_EQ(form->flash()->TotalFrames(), 3);
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    EXPECT_EQ(label(), QStringLiteral("1111_0 [3/5]"));
    EXPECT_FALSE(form->labelIsRed());
    EXPECT_EQ(QSize(form->state().natural.width(), form->state().natural.height()), QSize(40, 10));
    const QRgb body = form->picture()->pictureBitmap().toImage().pixel(5, 5);
    EXPECT_TRUE(qBlue(body) > 240 && qRed(body) < 16) << std::hex << body;  // the blue JPEG
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    EXPECT_EQ(QSize(form->state().natural.width(), form->state().natural.height()), QSize(7, 9));
    // An entry that lies about its type fails like any broken file.
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    EXPECT_TRUE(form->labelIsRed());
    EXPECT_TRUE(label().startsWith(QStringLiteral("Cannot open file: 4444_0")));

    // An entry the browser removed after the scan fails when it is reached.
    QFile::remove(chromium("1111_0"));
    QTest::keyClick(form.get(), Qt::Key_Home);
    EXPECT_FALSE(form->labelIsRed());
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    EXPECT_TRUE(form->labelIsRed());
    EXPECT_TRUE(label().startsWith(QStringLiteral("Cannot open file: 1111_0")));

    // Opening a file afterwards lists its own folder again.
    form->openPath(picture);
    form->settleOpen();
    EXPECT_EQ(form->state().nav.FolderFileList, QStringList{picture});
    EXPECT_EQ(label(), QStringLiteral("start.bmp [1/1]"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(BrowserCacheViewTest, NothingViewableOrNoCacheOpensNothingAndSaysNothing)
{
    const QString picture = pictureFile(QStringLiteral("start.bmp"));
    start({picture});
    const QString before = label();

    f4();  // no cache at all
    EXPECT_EQ(label(), before);
    EXPECT_TRUE(form->picture()->hasPicture());

    put(firefox("AA"), firefoxEntry("<html></html>"));
    put(firefox("BB"), firefoxEntry("var x = 1;"));
    put(chromium("1234_0"), chromiumEntry("<!DOCTYPE html>"));
    f4();
    form->settleOpen();
    EXPECT_EQ(label(), before);
    EXPECT_FALSE(form->labelIsRed());
    EXPECT_TRUE(form->picture()->hasPicture());
    EXPECT_TRUE(form->state().nav.FolderFileList.isEmpty());
    // Stepping does nothing until another file is chosen.
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    form->settleOpen();
    EXPECT_EQ(label(), before);
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace desktoptest
