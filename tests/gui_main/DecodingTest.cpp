// Pictures decoded on the decoding thread: failures that come when a
// picture is drawn again, and the decode ahead of the user.
#include "MainWindowFixture.h"

#include "viewer/FolderList.h"
#include "viewer/ui/PictureControl.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#include <jpeglib.h>

#include <cstdlib>
#include <vector>

using DecodingTest = MainWindowTest;

namespace {

QImage photo(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A gray progressive JPEG of 1 + 63 x bits scans (each AC coefficient sent bit by bit).
QByteArray manyScanJpeg(int bits)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 16;
    c.image_height = 16;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    std::vector<jpeg_scan_info> script{{1, {0, 0, 0, 0}, 0, 0, 0, 0}};
    for (int k = 1; k <= 63; ++k) {
        script.push_back({1, {0, 0, 0, 0}, k, k, 0, bits - 1});
        for (int al = bits - 2; al >= 0; --al)
            script.push_back({1, {0, 0, 0, 0}, k, k, al + 1, al});
    }
    c.scan_info = script.data();
    c.num_scans = int(script.size());
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(16);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < 16; ++x)
            row[size_t(x)] = uint8_t(x * 9 + int(c.next_scanline) * 5);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray data(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return data;
}

// Lets the window run until condition holds (false after ten seconds).
bool eventually(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

}  // namespace

TEST_F(DecodingTest, APictureThatFailsToDecodeLaterEndsAsAFailedOpenNeverAnAbort)
{
    enum Action { ZoomIn, FitToggle, Rotate };
    const struct {
        const char* what;
        Action action;  // after the file was deleted
    } cases[] = {
        {"zoom in draws the picture again from its file", ZoomIn},
        {"the fit toggle draws it again at another size", FitToggle},
        {"rotation decodes it at full size", Rotate},
    };
    seedDefaults(1);
    const QString cannot = QStringLiteral("Cannot open file: gone.jpg") + text::LineBreak
                           + QStringLiteral("This file seems to have uncorrect extension");
    for (const auto& c : cases) {
        const QString path = writeImage(QStringLiteral("gone.jpg"), photo(1200, 800, Qt::darkCyan), "JPEG");
        start({path});
        ASSERT_TRUE(labelLime()) << c.what;
        ASSERT_TRUE(QFile::remove(path));
        if (c.action == ZoomIn)
            key(Qt::Key_Plus, Qt::KeypadModifier);
        else if (c.action == FitToggle)
            key(Qt::Key_Asterisk, Qt::KeypadModifier);
        else
            key(Qt::Key_R);
        form->picture()->repaint();
        EXPECT_TRUE(eventually([&] { return labelRed(); })) << c.what;
        EXPECT_EQ(labelText(), cannot) << c.what;
        EXPECT_FALSE(form->picture()->hasPicture()) << c.what;
        finish();
    }

    // A progressive file of more scans than libjpeg-turbo's tools accept.
    writeText(QStringLiteral("scans.jpg"), manyScanJpeg(10));
    start({picturePath(QStringLiteral("scans.jpg"))});
    EXPECT_TRUE(labelRed());
    EXPECT_TRUE(labelText().startsWith(QStringLiteral("Cannot open file: scans.jpg")));
}

TEST_F(DecodingTest, TheNextPictureIsDecodedAheadAndShownAtOnceWhileItStillFits)
{
    seedDefaults(1);
    const QList<std::pair<QString, QSize>> pictures{{QStringLiteral("a.jpg"), {1200, 800}},
                                                    {QStringLiteral("b.jpg"), {1000, 1000}},
                                                    {QStringLiteral("c.jpg"), {900, 300}}};
    for (const auto& [name, size] : pictures)
        writeImage(name, photo(size.width(), size.height(), Qt::darkGreen), "JPEG");
    start({picturePath(QStringLiteral("a.jpg"))});
    arrangeArea(QSize(600, 400));
    // The shown size of each file at 600 x 400 and at 500 x 300 ("fit big images").
    const auto shown = [&](const QString& path, bool small) {
        const QString name = vx::fileNameOf(path);
        if (name == QLatin1String("a.jpg"))
            return small ? QSize(450, 300) : QSize(600, 400);
        if (name == QLatin1String("b.jpg"))
            return small ? QSize(300, 300) : QSize(400, 400);
        return small ? QSize(500, 166) : QSize(600, 200);
    };
    const QStringList list = form->state().nav.FolderFileList;
    ASSERT_EQ(list.size(), 3);
    form->openPath(list[1]);
    settle();

    // Forward: the next file is decoded while the middle one is on screen;
    // Space shows it without waiting for a decode.
    ASSERT_TRUE(eventually([&] { return form->decodedAhead(list[2]); }));
    QTest::keyClick(form.get(), Qt::Key_Space);
    EXPECT_FALSE(form->openPending());
    EXPECT_EQ(labelText(), vx::fileNameOf(list[2]) + QStringLiteral(" [3/3]"));
    EXPECT_EQ(pictureGeometry().size(), shown(list[2], false));

    // A step back decodes backwards: the first file, once the middle one is shown.
    key(Qt::Key_Backspace);
    EXPECT_EQ(pictureGeometry().size(), shown(list[1], false));
    ASSERT_TRUE(eventually([&] { return form->decodedAhead(list[0]); }));

    // A decode made for the file as it was before, or for another window
    // size, is not used: the open ends as a fresh one would.
    writeImage(vx::fileNameOf(list[0]), photo(200, 100, Qt::yellow), "JPEG");
    key(Qt::Key_Backspace);
    EXPECT_EQ(form->state().natural.width(), 200);
    EXPECT_EQ(pictureGeometry().size(), QSize(200, 100));
    writeImage(vx::fileNameOf(list[0]), photo(1200, 800, Qt::darkGreen), "JPEG");
    key(Qt::Key_Space);
    ASSERT_TRUE(eventually([&] { return form->decodedAhead(list[2]); }));
    arrangeArea(QSize(500, 300));
    key(Qt::Key_Space);
    EXPECT_EQ(pictureGeometry().size(), shown(list[2], true));
}
