#include "settings/SettingsKey.h"
#include "skins/SkinLayout.h"
#include "skins/SkinPackage.h"
#include "skins/ZipBuilder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

using namespace vx;

namespace {

QString intError(const QString& text)
{
    try {
        skinStrToInt(text);
    } catch (const SkinError& e) {
        return e.text();
    }
    return "no error";
}

QString rectError(const QString& text)
{
    try {
        parseSkinButtonRect(text);
    } catch (const SkinError& e) {
        return e.text();
    }
    return "no error";
}

ProfileFile info(const QByteArray& text)
{
    ProfileFile p;
    p.parse(text);
    return p;
}

// A picture whose pixel (x, y) has red x and green y.
QImage gradient(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 7));
    return img;
}

QByteArray bmpBytes(const QImage& img)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return bytes;
}

QByteArray fullButtons(int gap)
{
    QByteArray text = "[Param]\nButtonsPanelHeight=26\nFlashPanelHeight=24\nBetweenWidth=" +
                      QByteArray::number(gap) + "\n[Buttons]\n";
    for (int k = 0; k < 16; ++k) {
        text += QByteArray::number(2 * k + 1) + "=" + QByteArray::number(k * 30) + ",0,30,22\n";
        text += QByteArray::number(2 * k + 2) + "=" + QByteArray::number(k * 30) + ",22,30,22\n";
    }
    return text;
}

}  // namespace

TEST(SkinInfo, IntegerAndRectangleParsing)
{
    EXPECT_EQ(skinStrToInt("  42"), 42);
    EXPECT_EQ(skinStrToInt("-7"), -7);
    EXPECT_EQ(skinStrToInt("$1F"), 31);
    EXPECT_EQ(skinStrToInt("0x10"), 16);
    EXPECT_EQ(intError("42 "), "'42 ' is not a valid integer value");
    EXPECT_EQ(intError(""), "'' is not a valid integer value");
    EXPECT_EQ(intError("99999999999"), "'99999999999' is not a valid integer value");
    EXPECT_EQ(intError("-"), "'-' is not a valid integer value");

    EXPECT_EQ(parseSkinButtonRect("1,2,3,4"), (SkinRect{1, 2, 3, 4}));
    EXPECT_EQ(parseSkinButtonRect("-5, 6,0,-2"), (SkinRect{-5, 6, 0, -2}));
    EXPECT_EQ(rectError("1,2,3"), "'' is not a valid integer value");
    EXPECT_EQ(rectError("a,2,3,4"), "'a' is not a valid integer value");
    EXPECT_EQ(rectError("1,2,3,4,5"), "'4,5' is not a valid integer value");
    EXPECT_EQ(rectError(""), "'' is not a valid integer value");
}

TEST(SkinInfo, MetricsDefaultsAndWrapping)
{
    const SkinMetrics none = readSkinMetrics(info("[Buttons]\n1=0,0,1,1\n"));
    EXPECT_EQ(none.buttonsPanelHeight, 20);
    EXPECT_EQ(none.flashPanelHeight, 20);
    EXPECT_EQ(none.betweenWidth, 3);
    const SkinMetrics m = readSkinMetrics(info("[param]\nbetweenwidth=70000\nButtonsPanelHeight=-4\n"));
    EXPECT_EQ(m.betweenWidth, 4464);  // 70000 as a signed 16-bit number
    EXPECT_EQ(m.buttonsPanelHeight, 0);
    EXPECT_EQ(readSkinMetrics(info("[Param]\nBetweenWidth=65535\n")).betweenWidth, -1);
    EXPECT_THROW(readSkinMetrics(info("[Param]\nFlashPanelHeight=big\n")), SkinError);
}

TEST(SkinInfo, CuttingKeepsSizeAndBlackensOutsideParts)
{
    const QImage pic = gradient(40, 30);
    const QImage inside = cutSkinImage(pic, {10, 5, 4, 3}, 1);
    ASSERT_EQ(inside.size(), QSize(4, 3));
    EXPECT_EQ(inside.pixel(0, 0), qRgb(10, 5, 7));
    EXPECT_EQ(inside.pixel(3, 2), qRgb(13, 7, 7));

    const QImage edge = cutSkinImage(pic, {38, -1, 4, 3}, 2);
    ASSERT_EQ(edge.size(), QSize(4, 3));
    EXPECT_EQ(edge.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(edge.pixel(1, 1), qRgb(39, 0, 7));
    EXPECT_EQ(edge.pixel(2, 1), qRgb(0, 0, 0));

    EXPECT_EQ(cutSkinImage(pic, {2147483000, 2147483000, 25, 19}, 3).pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(cutSkinImage(pic, {0, 0, -3, 5}, 4).isNull());
    EXPECT_TRUE(cutSkinImage(pic, {0, 0, 5, 0}, 5).isNull());
    EXPECT_THROW(cutSkinImage(pic, {0, 0, 100000, 100000}, 6), SkinError);
}

TEST(SkinLayout, StepsGapsAndHiddenButtons)
{
    EXPECT_EQ(topButtonStep(30, 250), 24);
    EXPECT_EQ(topButtonStep(25, 0), 25);
    std::array<bool, 9> visible;
    visible.fill(true);
    visible[2] = false;  // btnSettings hidden
    const auto lefts = arrangeTopButtons(0, 25, 3, visible);
    EXPECT_EQ(lefts[2], 56);
    EXPECT_EQ(lefts[3], 56);  // btnInfo takes the place of btnSettings
    EXPECT_EQ(lefts[8], 7 * 28);
    const auto w = arrangeWindowButtons(400, 25, 25, 25, 25, 3);
    EXPECT_EQ(w.close, 375);
    EXPECT_EQ(w.maximize, 347);
    EXPECT_EQ(w.minimize, 319);
    EXPECT_EQ(w.fullScreen, 291);
    const auto n = arrangeNavButtons(0, 25, 25, 3);
    EXPECT_EQ(n.stop, 28);
    EXPECT_EQ(n.progressBar, 58);
    EXPECT_EQ(centredTop(20, 15), 2);
    EXPECT_EQ(centredTop(10, 15), -2);
}

TEST(SkinPackage, InstallUnpackCutAndRemember)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    const QString program = home.filePath("prog") + "/";
    QDir().mkpath(program + "Data/Unzip");
    ASSERT_TRUE(QFile::copy(VX_UNZIP_DIR "/libunzdll.so", program + "Data/Unzip/libunzdll.so"));

    const QString package = home.filePath("Wide.vxskin");
    ASSERT_TRUE(vxtest::writeZip(package, {{"Buttons.bmp", bmpBytes(gradient(480, 44))},
                                           {"SkinInfo.txt", fullButtons(5)}}));
    const auto skin = loadSkinPackage(package, program);
    ASSERT_TRUE(skin.has_value());
    EXPECT_FALSE(skin->isDefault);
    EXPECT_EQ(skin->currentSkinFile, package);
    EXPECT_EQ(skin->installedPath, program + "Data/Skins/Wide.vxskin");
    EXPECT_TRUE(QFileInfo::exists(skin->installedPath));
    EXPECT_EQ(skin->metrics.buttonsPanelHeight, 26);
    EXPECT_EQ(skin->metrics.flashPanelHeight, 24);
    EXPECT_EQ(skin->metrics.betweenWidth, 5);
    EXPECT_EQ(skin->buttons[15].normal.size(), QSize(30, 22));
    EXPECT_EQ(skin->buttons[15].normal.pixel(0, 0), qRgb(450 & 0xFF, 0, 7));
    EXPECT_EQ(skin->buttons[15].pressed.pixel(0, 0), qRgb(450 & 0xFF, 22, 7));
    {
        RegistryKey key;
        ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, false));
        EXPECT_EQ(key.readString("Skin"), program + "Data/Skins/Wide.vxskin");
    }
    EXPECT_FALSE(loadSkinPackage(home.filePath("missing.vxskin"), program).has_value());

    // A broken key: the error text, with the images cut before it.
    QByteArray broken = fullButtons(3);
    broken.replace("7=90,0,30,22", "7=90,0,x,22");
    const QString bad = home.filePath("Bad.vxskin");
    ASSERT_TRUE(vxtest::writeZip(bad, {{"Buttons.bmp", bmpBytes(gradient(480, 44))},
                                       {"SkinInfo.txt", broken}}));
    try {
        loadSkinPackage(bad, program);
        ADD_FAILURE() << "no error";
    } catch (const SkinLoadError& e) {
        EXPECT_EQ(e.text(), "'x' is not a valid integer value");
        EXPECT_TRUE(e.partial.buttons[2].hasPressed);
        EXPECT_FALSE(e.partial.buttons[3].hasNormal);
    }
    RegistryKey key;
    ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, false));
    EXPECT_EQ(key.readString("Skin"), program + "Data/Skins/Wide.vxskin");
}

TEST(SkinPackage, MissingFilesGiveTheDefaultSkin)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    const QString program = home.filePath("prog") + "/";
    QDir().mkpath(program + "Data/Unzip");
    QFile::copy(VX_UNZIP_DIR "/libunzdll.so", program + "Data/Unzip/libunzdll.so");
    const QString package = home.filePath("NoPicture.vxskin");
    ASSERT_TRUE(vxtest::writeZip(package, {{"SkinInfo.txt", fullButtons(3)}}));
    const auto skin = loadSkinPackage(package, program);
    ASSERT_TRUE(skin.has_value());
    EXPECT_TRUE(skin->isDefault);
    EXPECT_EQ(skin->currentSkinFile, "Default");

    // Not a zip at all: unpacking fails quietly, the default skin follows.
    const QString junk = vxtest::writeBytes(home.filePath("Junk.vxskin"), "not a zip");
    QFile::remove(program + "Data/Skins/Temp/SkinInfo.txt");
    EXPECT_TRUE(loadSkinPackage(junk, program)->isDefault);

    const SkinPackage def = defaultSkinPackage(gradient(425, 38));
    EXPECT_EQ(def.buttons[9].normal.pixel(0, 0), qRgb(250, 0, 7));
    EXPECT_EQ(def.buttons[9].pressed.pixel(0, 0), qRgb(250, 19, 7));
    EXPECT_EQ(def.buttons[15].normal.size(), QSize(25, 19));
}

// A package is used with its own files only, within what a skin needs, and
// is unpacked once; data in front of the archive does not matter.
TEST(SkinPackage, EachPackageIsUsedWithItsOwnFilesOnly)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    const QString program = home.filePath("prog") + "/";
    const QString temp = program + "Data/Skins/Temp/";
    QDir().mkpath(program + "Data/Unzip");
    ASSERT_TRUE(QFile::copy(VX_UNZIP_DIR "/libunzdll.so", program + "Data/Unzip/libunzdll.so"));
    auto skinFiles = [](int gap) {
        return vxtest::Entries{{"Buttons.bmp", bmpBytes(gradient(480, 44))}, {"SkinInfo.txt", fullButtons(gap)}};
    };
    auto zipBytes = [&](const vxtest::Entries& entries) {
        const QString scratch = home.filePath("scratch.zip");
        EXPECT_TRUE(vxtest::writeZip(scratch, entries));
        QFile f(scratch);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    vxtest::Entries many = skinFiles(6);
    for (int i = 0; i < 70; ++i)
        many.append({QString("extra%1.txt").arg(i), "x"});
    vxtest::Entries huge = skinFiles(7);
    for (int i = 0; i < 8; ++i)
        huge.append({QString("zeros%1.bin").arg(i), QByteArray(9 * 1024 * 1024, '\0')});

    struct Case {
        const char* name;
        QByteArray bytes;
        int gap;  // 0: the built-in skin
    };
    const Case cases[] = {
        {"Good.vxskin", zipBytes(skinFiles(4)), 4},
        {"ReadmeOnly.vxskin", zipBytes({{"readme.txt", "hello"}}), 0},
        {"Stub.vxskin", QByteArray(100, 'M') + zipBytes(skinFiles(9)), 9},
        {"Many.vxskin", zipBytes(many), 0},
        {"Huge.vxskin", zipBytes(huge), 0},
        {"Good.vxskin", zipBytes(skinFiles(4)), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString package = vxtest::writeBytes(home.filePath(c.name), c.bytes);
        const auto skin = loadSkinPackage(package, program);
        ASSERT_TRUE(skin.has_value());
        EXPECT_EQ(skin->isDefault, c.gap == 0);
        if (c.gap) {
            EXPECT_EQ(skin->metrics.betweenWidth, c.gap);
        }
        // Nothing of a refused package stays in "Temp".
        qint64 unpacked = 0;
        for (const QFileInfo& f : QDir(temp).entryInfoList(QDir::Files))
            unpacked += f.size();
        EXPECT_LT(unpacked, 1024 * 1024);
        EXPECT_LE(QDir(temp).entryList(QDir::Files).size(), 2);
    }

    // The package last unpacked is not unpacked again; another one is.
    const QString good = home.filePath("Good.vxskin");
    vxtest::writeBytes(temp + "mark", "left by the last unpacking");
    EXPECT_FALSE(loadSkinPackage(good, program)->isDefault);
    EXPECT_TRUE(QFileInfo::exists(temp + "mark"));
    EXPECT_FALSE(loadSkinPackage(home.filePath("Stub.vxskin"), program)->isDefault);
    EXPECT_FALSE(QFileInfo::exists(temp + "mark"));
}
