// BMP files at every depth and the HTML pixel table, byte for byte.
#include "export/SaveToFileFunctions.h"
#include "ExportTestUtil.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {

class BmpHtml : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(BmpHtml, BmpKeepsEveryDepthAndPalette)
{
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        const vx::Bitmap b = patterned(13, 5, bpp);
        vx::WriteBmp(b, path("a.bmp"));
        const QByteArray f = readAll(path("a.bmp"));
        const uint32_t colours = bpp <= 8 ? 1u << bpp : 0;
        const uint32_t offBits = 14 + 40 + 4 * colours;
        const uint32_t stride = uint32_t(vx::Bitmap::strideFor(13, bpp));
        ASSERT_EQ(f.size(), qsizetype(offBits + stride * 5));
        EXPECT_EQ(f.left(2), QByteArray("BM"));
        EXPECT_EQ(le32(f, 2), uint32_t(f.size()));
        EXPECT_EQ(le32(f, 6), 0u);
        EXPECT_EQ(le32(f, 10), offBits);
        EXPECT_EQ(le32(f, 14), 40u);
        EXPECT_EQ(le32(f, 18), 13u);
        EXPECT_EQ(le32(f, 22), 5u);  // positive: bottom-up
        EXPECT_EQ(le16(f, 26), 1u);
        EXPECT_EQ(le16(f, 28), uint32_t(bpp));
        EXPECT_EQ(le32(f, 30), 0u);  // BI_RGB
        EXPECT_EQ(le32(f, 34), stride * 5);
        EXPECT_EQ(le32(f, 46), colours);
        for (uint32_t i = 0; i < colours; ++i) {
            const vx::PaletteEntry& e = b.palette()[i];
            const char entry[4] = {char(e.blue), char(e.green), char(e.red), 0};
            EXPECT_EQ(f.mid(54 + 4 * i, 4), QByteArray(entry, 4));
        }
        // The last row of the file is the top row of the picture.
        EXPECT_EQ(f.mid(offBits, stride), QByteArray(reinterpret_cast<const char*>(b.scanLine(4)), stride));
        EXPECT_EQ(f.right(stride), QByteArray(reinterpret_cast<const char*>(b.scanLine(0)), stride));
        // An independent reader sees the same pixels.
        const QImage image(path("a.bmp"));
        ASSERT_FALSE(image.isNull());
        // 16-bit: readers differ only in how 5 bits widen to 8.
        const uint32_t mask = bpp == 16 ? 0xF8F8F8 : 0xFFFFFF;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(image.pixel(x, y) & mask, b.pixel(x, y) & mask) << x << "," << y;
    }
}

TEST_F(BmpHtml, SourceBitmapRule)
{
    vx::Bitmap rgba = patterned(4, 4, 32, true);
    // A bitmap and a GIF frame keep their depth; other pictures go to 24 bits
    // with transparency blended over white.
    EXPECT_EQ(vx::sourceBitmap({patterned(4, 4, 8), vx::PictureKind::Bitmap}).bitsPerPixel(), 8);
    EXPECT_EQ(vx::sourceBitmap({patterned(4, 4, 8), vx::PictureKind::GifImage}).bitsPerPixel(), 8);
    EXPECT_EQ(vx::sourceBitmap({patterned(4, 4, 8), vx::PictureKind::Other}).bitsPerPixel(), 24);
    EXPECT_EQ(vx::sourceBitmap24({patterned(4, 4, 8), vx::PictureKind::Bitmap}).bitsPerPixel(), 24);
    EXPECT_EQ(vx::sourceBitmap24({patterned(4, 4, 8), vx::PictureKind::GifImage}).bitsPerPixel(), 8);
    rgba.scanLine(0)[3] = 0;      // fully transparent pixel -> white
    rgba.scanLine(1)[3] = 255;    // opaque pixel -> itself
    const vx::Bitmap flat = vx::GraphicToBitmap24(rgba);
    EXPECT_EQ(flat.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(flat.pixel(0, 1) & 0xFFFFFF, rgba.pixel(0, 1) & 0xFFFFFF);

    EXPECT_EQ(vx::ColorToHtmlHex(qRgb(255, 0, 0)), QStringLiteral("#ff0000"));
    EXPECT_EQ(vx::ColorToHtmlHex(QColor(Qt::blue)), QStringLiteral("#0000ff"));
    EXPECT_EQ(vx::ColorToHtmlHex(qRgb(1, 0xab, 0x0c)), QStringLiteral("#01ab0c"));
}

TEST_F(BmpHtml, HtmlTableOfTwoPixels)
{
    vx::Bitmap b(2, 1, 24);
    b.scanLine(0)[2] = 255;  // red
    b.scanLine(0)[3] = 255;  // blue
    vx::WriteHtmlTable(b, path("t.html"), "too big");
    EXPECT_EQ(readAll(path("t.html")),
              QByteArray("<html><head><title>Vextrel Viewer</title></head><body><center>"
                         "<table cellspacing=\"0\" cellpadding=\"0\" width=\"2\" height=\"1\">\r\n"
                         "<tr><td bgcolor=\"#ff0000\"></td><td bgcolor=\"#0000ff\"></td></tr>"
                         "</table></center></body></html>"));
    // Palette pictures give their colours, rows follow on the same line.
    const vx::Bitmap p = patterned(3, 2, 8);
    const QByteArray page = vx::htmlTable(p);
    EXPECT_EQ(page.count("\r\n"), 1);
    EXPECT_EQ(page.count("<tr>"), 2);
    EXPECT_TRUE(page.contains(vx::ColorToHtmlHex(p.pixel(2, 1)).toLatin1() + "\"></td></tr></table>"));
}

TEST_F(BmpHtml, HtmlSizeLimit)
{
    vx::WriteHtmlTable(patterned(640, 480, 24), path("max.html"), "too big");
    const QByteArray page = readAll(path("max.html"));
    EXPECT_EQ(page.count("<td bgcolor="), 640 * 480);
    EXPECT_TRUE(page.endsWith("</tr></table></center></body></html>"));

    for (auto [w, h] : {std::pair{641, 1}, std::pair{1, 481}}) {
        try {
            vx::WriteHtmlTable(patterned(w, h, 24), path("big.html"), "Image size too big (640 x 480 pix)");
            ADD_FAILURE() << "no error for " << w << "x" << h;
        } catch (const vx::PictureTooBigError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Image size too big (640 x 480 pix)"));
            EXPECT_STREQ(e.section(), "Messages");
            EXPECT_EQ(e.key(), 4);
        }
        EXPECT_FALSE(QFile::exists(path("big.html")));
    }
    // An existing page stays as it was.
    writeAll(path("old.html"), "old page");
    EXPECT_THROW(vx::WriteHtmlTable(patterned(700, 10, 24), path("old.html"), "x"), vx::PictureTooBigError);
    EXPECT_EQ(readAll(path("old.html")), QByteArray("old page"));
}

TEST_F(BmpHtml, HtmlFileErrorsAreReported)
{
    EXPECT_THROW(vx::WriteHtmlTable(patterned(2, 2, 24), path("missing/t.html"), "x"), vx::SaveError);
    QDir(dir.path()).mkdir("d.html");
    EXPECT_THROW(vx::WriteHtmlTable(patterned(2, 2, 24), path("d.html"), "x"), vx::SaveError);
    EXPECT_THROW(vx::WriteHtmlTable(vx::Bitmap(), path("e.html"), "x"), vx::SaveError);
}
