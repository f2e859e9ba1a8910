// Decoding for the window away from it: the sizes an open ends with, and
// decoders that stop when their job is cancelled.
#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "viewer/DecodeQueue.h"
#include "viewer/PictureJob.h"
#include "viewer/ViewGeometry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <future>
#include <thread>

#include "SlowPictures.h"

using namespace vx;

namespace {

QString writePicture(const QTemporaryDir& dir, const QString& name, QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(90, 140, 200));
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, format)) << name.toStdString();
    return path;
}

// A 2 x 1 GIF of two colours.
const QByteArray kGif("GIF89a\x02\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff"
                      ",\x00\x00\x00\x00\x02\x00\x01\x00\x00\x02\x02\x44\x0a\x00;",
                      42);

}  // namespace

TEST(PictureJob, AnOpenEndsWithTheSizesTheWindowGivesItAndPixelsAtTheSizeShown)
{
    QTemporaryDir dir;
    struct Case {
        int mode;
        QSize natural, area;
        bool fullScreen;
        QSize control, shown;
    };
    const Case cases[] = {
        {FitBigImages, {520, 300}, {500, 400}, false, {500, 288}, {500, 288}},
        {FitBigImages, {300, 1000}, {500, 400}, false, {120, 400}, {120, 400}},
        {FitAllImages, {50, 53}, {800, 900}, false, {800, 847}, {800, 847}},
        {OriginalSize, {900, 300}, {500, 400}, false, {900, 300}, {900, 300}},
        // Full screen draws a picture larger than the screen fitted into it.
        {OriginalSize, {900, 300}, {500, 400}, true, {900, 300}, {500, 166}},
        // Another mode keeps the control as it was.
        {0, {900, 300}, {500, 400}, false, {77, 66}, {77, 66}},
    };
    for (const Case& c : cases) {
        const QString path = writePicture(dir, QStringLiteral("p.png"), c.natural, "PNG");
        const OpenedPicture p =
            openPicture({path, findSupportedType(QStringLiteral("PNG")), c.mode, c.area, QSize(77, 66), c.fullScreen});
        ASSERT_TRUE(p.ok()) << p.error.toStdString();
        EXPECT_EQ(p.natural, c.natural);
        EXPECT_EQ(p.control, c.control) << c.mode;
        EXPECT_EQ(p.fitted, c.fullScreen);
        EXPECT_EQ(p.shown, c.shown);
        EXPECT_EQ(p.display.size(), c.shown);
        EXPECT_EQ(p.display.pixelColor(p.shown.width() / 2, p.shown.height() / 2), QColor(90, 140, 200));
    }

    // Failures come back as text, never as an exception.
    QFile(dir.filePath(QStringLiteral("text.bmp"))).open(QIODevice::WriteOnly);
    for (const OpenRequest& r : {OpenRequest{dir.filePath(QStringLiteral("text.bmp")), findSupportedType(QStringLiteral("BMP")), 1, {500, 400}, {}, false},
                                 OpenRequest{dir.filePath(QStringLiteral("none.png")), findSupportedType(QStringLiteral("PNG")), 1, {500, 400}, {}, false}}) {
        const OpenedPicture p = openPicture(r);
        EXPECT_FALSE(p.ok());
        EXPECT_FALSE(p.error.isEmpty());
        EXPECT_FALSE(p.graphic);
    }
}

TEST(PictureJob, EveryDecoderStopsWhenItsJobIsCancelled)
{
    QTemporaryDir dir;
    QFile gif(dir.filePath(QStringLiteral("p.gif")));
    ASSERT_TRUE(gif.open(QIODevice::WriteOnly));
    gif.write(kGif);
    gif.close();
    const struct {
        const SupportedType* kind;
        QString path;
    } files[] = {
        {findSupportedType(QStringLiteral("JPG")), writePicture(dir, QStringLiteral("p.jpg"), {64, 48}, "JPEG")},
        {findSupportedType(QStringLiteral("PNG")), writePicture(dir, QStringLiteral("p.png"), {64, 48}, "PNG")},
        {findSupportedType(QStringLiteral("BMP")), writePicture(dir, QStringLiteral("p.bmp"), {64, 48}, "BMP")},
        {findSupportedType(QStringLiteral("PPM")), writePicture(dir, QStringLiteral("p.ppm"), {64, 48}, "PPM")},
        {findSupportedType(QStringLiteral("GIF")), gif.fileName()},
    };
    std::vector<std::pair<const SupportedType*, QString>> all;
    for (const auto& f : files)
        all.emplace_back(f.kind, f.path);
    // And every other decoder and decoding path, small.
    for (const QString& path : hostile::writeSlowPictures(dir.path(), 100))
        all.emplace_back(findSupportedType(extensionKey(path)), path);
    std::atomic<bool> cancelled{false};
    for (const auto& [kind, path] : all) {
        const OpenRequest request{path, kind, OriginalSize, {500, 400}, {}, false};
        cancelled = false;
        ASSERT_TRUE(openPicture(request, &cancelled).ok()) << path.toStdString();
        // Asked to stop before a single row: the decoder itself notices.
        cancelled = true;
        std::unique_ptr<Graphic> g = kind->decoder();
        CancelScope scope(&cancelled);
        EXPECT_THROW(
            {
                g->loadFromFile(path);
                (void)g->bitmap();
            },
            DecodeCancelled)
            << path.toStdString();
        const OpenedPicture p = openPicture(request, &cancelled);
        EXPECT_TRUE(p.cancelled);
        EXPECT_FALSE(p.graphic);
    }
}

TEST(PictureJob, EveryDecodersPictureMemoryCountsAgainstTheLimit)
{
    QTemporaryDir dir;
    // Each of these needs well over 100 KB of pixels (or coefficients) to show.
    const QStringList paths = hostile::writeSlowPictures(dir.path(), 10);
    ASSERT_EQ(paths.size(), 15);
    setPixelMemoryLimit(100 << 10);
    for (const QString& path : paths) {
        const OpenedPicture p =
            openPicture({path, findSupportedType(extensionKey(path)), FitBigImages, {500, 400}, {}, false});
        EXPECT_FALSE(p.ok()) << path.toStdString();
        EXPECT_TRUE(p.error.contains(QStringLiteral("allowed for pictures"))) << path.toStdString() << ": "
                                                                              << p.error.toStdString();
    }
    // A metafile shown small is drawn at its natural size for rotation and
    // saving: that size too is refused beyond the limit, with the same error.
    setPixelMemoryLimit(kDefaultPixelMemoryLimit);
    for (const QString& path : paths.filter(QStringLiteral("mf"))) {
        const OpenedPicture p =
            openPicture({path, findSupportedType(extensionKey(path)), FitBigImages, {200, 150}, {}, false});
        ASSERT_TRUE(p.ok()) << p.error.toStdString();
        setPixelMemoryLimit(pixelMemoryInUse() + (1 << 20));
        EXPECT_THROW((void)p.graphic->bitmap(), CodecError) << path.toStdString();
        setPixelMemoryLimit(kDefaultPixelMemoryLimit);
        EXPECT_EQ(p.graphic->bitmap().width(), 1000);
    }
    EXPECT_EQ(pixelMemoryInUse(), 0u);
}

TEST(DecodeQueue, DecodesOnItsOwnThreadAndSkipsJobsCancelledBeforeTheyStart)
{
    QTemporaryDir dir;
    const QString path = writePicture(dir, QStringLiteral("p.png"), {40, 30}, "PNG");
    DecodeQueue queue;
    std::atomic<int> calls{0};
    std::thread::id worker;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const OpenRequest request{path, findSupportedType(QStringLiteral("PNG")), OriginalSize, {500, 400}, {}, false};
    // The first job's callback holds the thread until the second is cancelled.
    auto first = queue.submit(request, false, [&, released](const DecodeQueue::JobPtr& job) {
        EXPECT_TRUE(job->result().ok());
        worker = std::this_thread::get_id();
        ++calls;
        released.wait();
    });
    queue.wait(first);
    EXPECT_EQ(first->result().natural, QSize(40, 30));
    auto second = queue.submit(request, true, [&](const DecodeQueue::JobPtr&) { ++calls; });
    second->cancel();
    release.set_value();
    queue.wait(second);
    EXPECT_TRUE(second->result().cancelled);
    EXPECT_FALSE(second->result().graphic);
    EXPECT_EQ(calls.load(), 1);
    EXPECT_NE(worker, std::this_thread::get_id());
}
