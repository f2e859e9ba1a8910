#include "GifWriter.h"
#include "codecs/gif/GifImage.h"
#include "codecs/FrameAnimator.h"

#include <gtest/gtest.h>

#include <array>

using vx::FrameAnimator;

namespace {

std::shared_ptr<vx::GifImage> animation(int frames, int loops)
{
    testgif::File f;
    f.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    f.loops = loops;
    for (int i = 0; i < frames; ++i) {
        f.frames.push_back(testgif::solid(0, 0, 2, 2, uint8_t(i % 4)));
        f.frames.back().delayCs = 10 * (i + 1);
    }
    auto gif = std::make_shared<vx::GifImage>();
    gif->loadFromData(testgif::write(f));
    return gif;
}

}  // namespace

TEST(FrameAnimator, PlaysTheStoredNumberOfTimesThenStopsOnTheLastFrame)
{
    FrameAnimator a(animation(3, 1));  // one repeat: two plays
    std::vector<int> seen;
    std::vector<int> delays;
    do {
        seen.push_back(a.currentIndex());
        delays.push_back(a.currentDelayMs());
        EXPECT_EQ(a.currentImage().pixel(0, 0), (std::array<uint32_t, 3>{0xFF000000, 0xFFFF0000, 0xFF00FF00}[size_t(a.currentIndex())]));
    } while (a.advance());
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(delays, (std::vector<int>{100, 200, 300, 100, 200, 300}));
    EXPECT_TRUE(a.isFinished());
    EXPECT_FALSE(a.isRunning());
    EXPECT_EQ(a.currentIndex(), 2);
    EXPECT_EQ(a.currentDelayMs(), -1);
    EXPECT_FALSE(a.currentImage().isNull());

    a.restart();
    EXPECT_TRUE(a.isRunning());
    EXPECT_EQ(a.currentIndex(), 0);
}

TEST(FrameAnimator, LoopsForeverAndLeavesStillsAlone)
{
    FrameAnimator endless(animation(2, 0));
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(endless.advance());
    EXPECT_EQ(endless.currentIndex(), 0);
    EXPECT_EQ(endless.completedLoops(), 25);

    FrameAnimator still(animation(1, -1));
    EXPECT_FALSE(still.isRunning());
    EXPECT_FALSE(still.advance());
    EXPECT_EQ(still.currentDelayMs(), -1);
    EXPECT_FALSE(still.currentImage().isNull());

    FrameAnimator none;
    EXPECT_TRUE(none.currentImage().isNull());
    EXPECT_FALSE(none.advance());
}
