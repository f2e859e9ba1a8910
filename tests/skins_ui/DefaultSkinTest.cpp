#include <gtest/gtest.h>

#include <set>

#include "skins/ui/DefaultSkin.h"
#include "skins_ui/GuiApp.h"

using namespace vx;

namespace {

bool isInk(const QImage& img, int x, int y) {
    return img.pixelColor(x, y) == QColor(0, 0, 0);
}

TEST(DefaultSkin, SeventeenRaisedTilesOverTheirSunkenTwins) {
    ensureGuiApp();
    const QImage picture = defaultSkinImage();
    ASSERT_EQ(picture.size(), QSize(425, 38));
    EXPECT_EQ(picture.depth(), 24);

    std::set<QByteArray> symbols;
    for (int i = 0; i < 17; ++i) {
        const QImage up = picture.copy(i * 25, 0, 25, 19);
        const QImage down = picture.copy(i * 25, 19, 25, 19);
        EXPECT_NE(up, down) << "tile " << i;
        // Light top-left edge when raised, dark when sunken.
        EXPECT_GT(up.pixelColor(5, 0).lightness(), up.pixelColor(5, 18).lightness()) << i;
        EXPECT_GT(up.pixelColor(0, 5).lightness(), up.pixelColor(24, 5).lightness()) << i;
        EXPECT_LT(down.pixelColor(5, 0).lightness(), down.pixelColor(5, 18).lightness()) << i;
        EXPECT_LT(down.pixelColor(0, 5).lightness(), down.pixelColor(24, 5).lightness()) << i;

        // A black symbol of some weight, moved one pixel down-right when pressed
        // and never cut off by the bevel.
        int ink = 0, inkDown = 0;
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 25; ++x) {
                inkDown += isInk(down, x, y);
                if (!isInk(up, x, y)) continue;
                ++ink;
                ASSERT_TRUE(x >= 2 && y >= 2 && x < 22 && y < 16) << i << ": " << x << "," << y;
                ASSERT_TRUE(isInk(down, x + 1, y + 1)) << i << ": " << x << "," << y;
            }
        EXPECT_GE(ink, 20) << "tile " << i;
        EXPECT_EQ(ink, inkDown) << "tile " << i;
        const QImage rgb = up.convertToFormat(QImage::Format_RGB888);
        symbols.insert(QByteArray(reinterpret_cast<const char*>(rgb.constBits()),
                                  int(rgb.sizeInBytes())));
    }
    EXPECT_EQ(symbols.size(), 17u);  // every symbol is a different picture
}

}  // namespace
