#include <gtest/gtest.h>

#include <set>

#include "skins/ui/DefaultSkin.h"
#include "skins_ui/GuiApp.h"

using namespace vx;

namespace {

QImage tile(const QImage& picture, int index, bool pressed) {
    return picture.copy(index * 25, pressed ? 19 : 0, 25, 19);
}

int blackPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == QColor(0, 0, 0)) ++n;
    return n;
}

TEST(DefaultSkin, SizeAndDepth) {
    ensureGuiApp();
    const QImage picture = defaultSkinImage();
    EXPECT_EQ(picture.size(), QSize(425, 38));
    EXPECT_EQ(picture.depth(), 24);
    EXPECT_FALSE(picture.hasAlphaChannel());
}

TEST(DefaultSkin, EveryTileHasInkAndDistinctPressedImage) {
    ensureGuiApp();
    const QImage picture = defaultSkinImage();
    std::set<QByteArray> symbols;
    for (int i = 0; i < 17; ++i) {
        const QImage up = tile(picture, i, false);
        const QImage down = tile(picture, i, true);
        EXPECT_NE(up, down) << "tile " << i;
        // A symbol of some weight, and the same amount of it when pressed
        // (moved, not cut off by the bevel).
        const int inkUp = blackPixels(up);
        EXPECT_GE(inkUp, 20) << "tile " << i;
        EXPECT_EQ(inkUp, blackPixels(down)) << "tile " << i;
        // Each symbol is a different picture.
        const QImage rgb = up.convertToFormat(QImage::Format_RGB888);
        symbols.insert(QByteArray(reinterpret_cast<const char*>(rgb.constBits()),
                                  int(rgb.sizeInBytes())));
    }
    EXPECT_EQ(symbols.size(), 17u);
}

TEST(DefaultSkin, RaisedAndSunkenBevels) {
    ensureGuiApp();
    const QImage picture = defaultSkinImage();
    for (int i = 0; i < 17; ++i) {
        const int x = i * 25;
        const QColor raisedTop = picture.pixelColor(x + 5, 0);
        const QColor raisedBottom = picture.pixelColor(x + 5, 18);
        const QColor sunkenTop = picture.pixelColor(x + 5, 19);
        const QColor sunkenBottom = picture.pixelColor(x + 5, 37);
        EXPECT_GT(raisedTop.lightness(), raisedBottom.lightness()) << i;
        EXPECT_LT(sunkenTop.lightness(), sunkenBottom.lightness()) << i;
        EXPECT_GT(picture.pixelColor(x, 5).lightness(), picture.pixelColor(x + 24, 5).lightness());
        EXPECT_LT(picture.pixelColor(x, 24).lightness(), picture.pixelColor(x + 24, 24).lightness());
    }
}

TEST(DefaultSkin, PressedSymbolIsTheNormalOneMovedByOnePixel) {
    ensureGuiApp();
    const QImage picture = defaultSkinImage();
    for (int i = 0; i < 17; ++i) {
        const QImage up = tile(picture, i, false);
        const QImage down = tile(picture, i, true);
        for (int y = 2; y < 16; ++y)
            for (int x = 2; x < 22; ++x)
                ASSERT_EQ(up.pixelColor(x, y) == Qt::black,
                          down.pixelColor(x + 1, y + 1) == Qt::black)
                    << "tile " << i << " at " << x << "," << y;
    }
}

}  // namespace
