#include "codecs/DisplayScale.h"
#include "codecs/RasterGraphic.h"
#include "codecs/RowResampler.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using vx::RowResampler;

namespace {

// Feeds a gray picture given as values, one BGRX row at a time.
QImage shrink(int sw, int sh, const std::vector<int>& gray, QSize target, int rowsGiven = -1)
{
    QImage out(target, QImage::Format_RGB32);
    RowResampler r(sw, sh, out);
    std::vector<uint8_t> row(size_t(sw) * 4);
    const int rows = rowsGiven < 0 ? sh : rowsGiven;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < sw; ++x) {
            const auto v = uint8_t(gray[size_t(y * sw + x)]);
            row[size_t(x) * 4] = row[size_t(x) * 4 + 1] = row[size_t(x) * 4 + 2] = v;
            row[size_t(x) * 4 + 3] = 255;
        }
        r.addRow(row.data());
    }
    r.finish();
    return out;
}

int grayAt(const QImage& image, int x, int y)
{
    return qGreen(image.pixel(x, y));
}

}  // namespace

TEST(RowResampler, AveragesByArea)
{
    // 4 x 2 -> 2 x 1: each target pixel is the mean of a 2 x 2 block.
    const QImage half = shrink(4, 2, {0, 100, 200, 40, 100, 0, 60, 20}, QSize(2, 1));
    EXPECT_EQ(grayAt(half, 0, 0), 50);
    EXPECT_EQ(grayAt(half, 1, 0), 80);

    // 3 -> 2 columns: the middle source pixel is split half and half.
    const QImage thirds = shrink(3, 1, {0, 90, 180}, QSize(2, 1));
    EXPECT_EQ(grayAt(thirds, 0, 0), 30);   // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_EQ(grayAt(thirds, 1, 0), 150);  // (90 * 0.5 + 180) / 1.5

    // Same size: an exact copy; a flat picture stays flat at any ratio.
    const QImage same = shrink(2, 2, {1, 2, 3, 4}, QSize(2, 2));
    EXPECT_EQ(grayAt(same, 1, 1), 4);
    const QImage flat = shrink(7, 5, std::vector<int>(35, 77), QSize(3, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(grayAt(flat, x, y), 77);
}

TEST(RowResampler, MissingRowsAreFilledAndExtraRowsIgnored)
{
    // Only the first of four rows arrives: later target rows are filled, not left undefined.
    const QImage cut = shrink(2, 4, {200, 200, 0, 0, 0, 0, 0, 0}, QSize(1, 2), 1);
    EXPECT_EQ(grayAt(cut, 0, 0), 200);  // what arrived of the first target row
    EXPECT_EQ(grayAt(cut, 0, 1), 128);  // nothing arrived: gray
}

namespace {

// A raster picture whose "file" is ignored: its pixels are given.
class GivenPicture : public vx::RasterGraphic {
public:
    explicit GivenPicture(QImage image) : image_(std::move(image)) {}

protected:
    vx::Bitmap decode(const uint8_t*, size_t) const override { return vx::Bitmap::fromImage(image_); }

private:
    QImage image_;
};

}  // namespace

TEST(RowResampler, TwentyFourBitRowsShrinkAsThirtyTwoBitOnesAndAPreparedPictureServesWhatItCovers)
{
    QImage noise(97, 61, QImage::Format_RGB32);
    std::mt19937 rng(11);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFFu));
    const QSize small(40, 25);
    const QImage from32 = vx::shrinkByArea(noise, small);
    ASSERT_EQ(from32.size(), small);
    EXPECT_EQ(vx::shrinkByArea(noise.convertToFormat(QImage::Format_BGR888), small), from32);
    EXPECT_EQ(vx::shrinkByArea(noise.convertToFormat(QImage::Format_RGB888), small), from32);
    // Enlargements and pictures with alpha are left to Qt's smooth scaling.
    EXPECT_TRUE(vx::shrinkByArea(noise, QSize(100, 61)).isNull());
    EXPECT_TRUE(vx::shrinkByArea(noise.convertToFormat(QImage::Format_ARGB32), small).isNull());

    struct Case {
        QSize prepared, shown;
    } const cases[] = {{small, small}, {small, {30, 19}}, {small, {60, 40}}, {{}, small}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.prepared.width() << " -> " << c.shown.width());
        GivenPicture picture(noise.convertToFormat(QImage::Format_BGR888));
        const uint8_t byte = 0;
        picture.loadFromData(&byte, 1);
        picture.prepareDisplay(c.prepared);
        const QImage shown = picture.frameImageAt(0, c.shown);
        ASSERT_EQ(shown.size(), c.shown);
        // The size prepared for is the very shrink of the picture; other
        // sizes are what an unprepared picture shows, or close to it.
        GivenPicture plain(noise.convertToFormat(QImage::Format_BGR888));
        plain.loadFromData(&byte, 1);
        const QImage expected = c.shown == c.prepared ? vx::shrinkByArea(noise, c.shown) : plain.frameImageAt(0, c.shown);
        long long diff = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                diff += std::abs(qGreen(shown.pixel(x, y)) - qGreen(expected.pixel(x, y)));
        EXPECT_LE(diff / (shown.width() * shown.height()), c.shown == c.prepared || c.prepared.isEmpty() ? 0 : 40);
    }
}
