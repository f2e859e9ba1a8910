// The start file decoded before the window exists: the open that takes it
// ends exactly as an open that decodes the file itself, and the decode is
// refused to any other open.
#include "viewer/DecodeQueue.h"
#include "viewer/StartDecode.h"
#include "viewer/ViewGeometry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

using namespace vx;

namespace {

OpenRequest requestFor(const QString& path)
{
    return OpenRequest{path, findSupportedType(extensionKey(path)), FitBigImages, QSize(300, 200), QSize(), false};
}

// The open through a queue job that was handed the start decode.
OpenedPicture openThrough(std::shared_ptr<StartDecode> start, const OpenRequest& request)
{
    DecodeQueue queue;
    const DecodeQueue::JobPtr job = queue.submit(request, true, nullptr, std::move(start));
    queue.wait(job);
    return job->result();
}

}  // namespace

TEST(StartDecode, TheOpenTakingItEndsAsAnOpenDecodingTheFile)
{
    QTemporaryDir dir;
    QImage image(QSize(640, 200), QImage::Format_RGB32);
    image.fill(QColor(90, 140, 200));
    const QString good = dir.filePath(QStringLiteral("good.png"));
    ASSERT_TRUE(image.save(good, "PNG"));
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    {
        QFile in(good), out(broken);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        out.write(in.readAll().left(120));
    }
    for (const QString& path : {good, broken, dir.filePath(QStringLiteral("missing.png"))}) {
        SCOPED_TRACE(path.toStdString());
        const OpenRequest request = requestFor(path);
        const OpenedPicture plain = openPicture(request);
        const OpenedPicture taken = openThrough(StartDecode::begin(path), request);
        EXPECT_EQ(taken.ok(), plain.ok());
        EXPECT_EQ(taken.error, plain.error);
        EXPECT_EQ(taken.natural, plain.natural);
        EXPECT_EQ(taken.control, plain.control);
        EXPECT_EQ(taken.display, plain.display);
    }
    EXPECT_EQ(openPicture(requestFor(good)).control, QSize(300, 93));
}

TEST(StartDecode, AJpegDecodedForTheStoredViewOpensAsAnOpenDecodingTheFile)
{
    QTemporaryDir dir;
    QImage image(QSize(1600, 1000), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(image.save(path, "JPG", 90));
    const OpenRequest request = requestFor(path);  // 300 x 200, shown 300 x 187: the 2/8 decode
    const OpenedPicture plain = openPicture(request);
    // Windows that give the same decode, a larger one, and one too small
    // (the open decodes again); every scaling mode the view may hold.
    for (const StartView view : {StartView{FitBigImages, QSize(340, 240)}, StartView{FitAllImages, QSize(900, 700)},
                                 StartView{FitBigImages, QSize(100, 100)}, StartView{OriginalSize, QSize(400, 400)},
                                 StartView{ScaleNotSet, QSize(400, 400)}, StartView{FitBigImages, QSize()}}) {
        SCOPED_TRACE(view.window.width());
        const OpenedPicture taken = openThrough(StartDecode::begin(path, view), request);
        ASSERT_TRUE(taken.ok());
        EXPECT_EQ(taken.control, plain.control);
        EXPECT_EQ(taken.display.size(), plain.display.size());
        if (view.window == QSize(340, 240) || view.window.width() <= 100) {
            EXPECT_EQ(taken.display, plain.display);
        } else if (view.window == QSize(900, 700)) {
            EXPECT_NE(taken.display, plain.display) << "shrunk from the 5/8 decode made ahead";
        }
    }
}

TEST(StartDecode, IsGivenOnceAndOnlyForItsFileAndDecoder)
{
    QTemporaryDir dir;
    QImage image(QSize(40, 30), QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = dir.filePath(QStringLiteral("a.png"));
    const QString other = dir.filePath(QStringLiteral("b.png"));
    ASSERT_TRUE(image.save(path, "PNG") && image.save(other, "PNG"));
    const SupportedType* png = findSupportedType(QStringLiteral("PNG"));

    StartDecode start(path, png, {});
    EXPECT_FALSE(start.take(other, png, nullptr));
    EXPECT_FALSE(start.take(path, findSupportedType(QStringLiteral("BMP")), nullptr));
    const std::optional<LoadedPicture> first = start.take(path, png, nullptr);
    ASSERT_TRUE(first && first->graphic);
    EXPECT_EQ(first->graphic->width(), 40);
    EXPECT_FALSE(start.take(path, png, nullptr));

    // Movies, drawings and unknown files are not decoded ahead.
    for (const char* name : {"m.swf", "d.wmf", "x.unknown", ""})
        EXPECT_EQ(StartDecode::begin(name[0] ? dir.filePath(QLatin1String(name)) : QString()), nullptr) << name;
}
