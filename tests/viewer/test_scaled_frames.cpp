// Frames of an animation kept at the size drawn: all of them while they fit
// the budget, none beyond it, each in a format the screen copies as it is
// and showing the same pixels as the frame composed.
#include "viewer/ScaledFrames.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace vx;

namespace {

// Three frames; frame 1 has a transparent half.
class ThreeFrames : public Graphic {
public:
    void loadFromFile(const QString&) override {}
    void loadFromData(const uint8_t*, size_t) override {}
    int width() const override { return 8; }
    int height() const override { return 8; }
    Bitmap bitmap() const override { return Bitmap(); }
    int frameCount() const override { return 3; }
    QImage frameImageAt(int index, QSize size) const override
    {
        ++composed;
        QImage image(size, QImage::Format_ARGB32);
        image.fill(qRgba(40 * index, 200, 90, 255));
        if (index == 1)
            for (int y = 0; y < size.height() / 2; ++y)
                for (int x = 0; x < size.width(); ++x)
                    image.setPixel(x, y, qRgba(250, 20, 20, 100));
        return image;
    }
    mutable int composed = 0;
};

}  // namespace

TEST(ScaledFrames, KeepsEveryFrameWithinTheBudgetInAFormatCopiedAsItIs)
{
    struct Case {
        size_t budget;
        int held;  // frames kept after a loop
    } const cases[] = {{size_t(64) << 20, 3}, {3 * 16 * 16 * 4, 3}, {3 * 16 * 16 * 4 - 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.budget);
        ThreeFrames gif;
        ScaledFrames frames(c.budget);
        for (int loop = 0; loop < 2; ++loop)
            for (int i = 0; i < 3; ++i) {
                const QImage got = frames.frame(gif, i, QSize(16, 16));
                const QImage composed = gif.frameImageAt(i, QSize(16, 16));
                --gif.composed;
                EXPECT_EQ(got.format(), i == 1 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
                EXPECT_EQ(got.convertToFormat(QImage::Format_ARGB32), composed);
            }
        EXPECT_EQ(frames.heldFrames(), c.held);
        EXPECT_EQ(gif.composed, c.held ? 3 : 6) << "kept frames are not composed again";
    }
}
