#include "viewer/SupportedTypes.h"

#include <QSet>
#include <gtest/gtest.h>
#include <map>

using namespace vx;

namespace {

QString upperJoined(const std::vector<const SupportedType*>& rows)
{
    QStringList keys;
    for (const SupportedType* t : rows)
        keys << QString::fromLatin1(t->extension);
    return keys.join(QLatin1Char('/'));
}

}  // namespace

TEST(ExtensionKey, LastDotOfTheNameAsciiUpperCase)
{
    EXPECT_EQ(extensionKey(QStringLiteral("/a/photo.Jpg")), QStringLiteral("JPG"));
    EXPECT_EQ(extensionKey(QStringLiteral("PHOTO.JPG"), true), QStringLiteral(".JPG"));
    EXPECT_EQ(extensionKey(QStringLiteral("photo.jpg.bak")), QStringLiteral("BAK"));
    EXPECT_FALSE(isViewable(QStringLiteral("photo.jpg.bak")));
    EXPECT_EQ(extensionKey(QStringLiteral("/x/pics.old/readme")), QString());
    EXPECT_EQ(extensionKey(QStringLiteral("readme")), QString());
    EXPECT_EQ(extensionKey(QStringLiteral("a.pspimage")), QStringLiteral("PSPIMAGE"));
    EXPECT_TRUE(isViewable(QStringLiteral("a.pspimage")));
    // Only a..z change: a Turkish dotless i or a German sharp s stays as it is.
    EXPECT_EQ(extensionKey(QStringLiteral("a.j\u0131f")), QStringLiteral("J\u0131F"));
    EXPECT_FALSE(isViewable(QStringLiteral("x.j\u0131f")));
    EXPECT_EQ(findSupportedType(QStringLiteral(".TXT")), nullptr);
    EXPECT_EQ(findSupportedType(QStringLiteral(".VST")), findSupportedType(QStringLiteral("VST")));
}

// The rules every row keeps; a new row that breaks one fails here.
TEST(SupportedTypes, RowsAreConsistent)
{
    QSet<QString> keys;
    std::map<int, std::vector<const SupportedType*>> openRows, associationRows;
    for (const SupportedType& t : supportedTypes()) {
        const QString key = QString::fromLatin1(t.extension);
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(keys.contains(key));
        keys << key;
        EXPECT_EQ(extensionKey(QStringLiteral("x.") + key.toLower()), key);
        EXPECT_LE(key.size(), 8);  // the folder scan packs keys into 64 bits
        // Movies go to the Flash host, everything else has a decoder that makes one.
        EXPECT_EQ(t.decoder == nullptr, t.isMovie());
        if (t.decoder) {
            EXPECT_NE(t.decoder(), nullptr);
        }
        // Every picture can be saved and rotated; a movie neither.
        EXPECT_EQ(t.has(Savable), !t.isMovie());
        EXPECT_EQ(t.has(Rotatable), !t.isMovie());
        openRows[t.openRow].push_back(&t);
        associationRows[t.associationRow].push_back(&t);
    }
    // Rows are numbered without gaps; rows sharing a number share its text,
    // and the text names exactly the extensions it covers.
    int expected = 1;
    for (const auto& [row, types] : openRows) {
        EXPECT_EQ(row, expected++);
        for (const SupportedType* t : types)
            EXPECT_STREQ(t->openDescription, types.front()->openDescription);
        EXPECT_TRUE(QString::fromLatin1(types.front()->openDescription).startsWith(upperJoined(types) + " - "))
            << types.front()->openDescription;
    }
    expected = 0;
    for (const auto& [row, types] : associationRows) {
        EXPECT_EQ(row, expected++);
        EXPECT_EQ(QString::fromLatin1(types.front()->associationItem), upperJoined(types));
    }
}

TEST(SupportedTypes, AssociationGroupsCoverEveryExtensionOnce)
{
    const QList<AssociationGroup> groups = associationGroups();
    QStringList items;
    for (const AssociationGroup& g : groups)
        items << g.item;
    EXPECT_EQ(items,
              QStringList({"BMP", "JPG/JPEG/JPE", "GIF", "SWF", "WMF", "EMF", "ICO", "PSD", "PNG", "TGA", "TIF",
                           "TIFF", "PDD", "PSP/PSPIMAGE", "PCX", "PCC", "BW", "RGB", "RGBA", "SGI", "CUT", "PPM",
                           "PGM", "PBM", "VST", "ICB", "VDA", "WIN", "WBMP", "DIB", "RLE"}));
    QStringList all;
    for (const AssociationGroup& g : groups) {
        ASSERT_EQ(g.extensions.size(), g.descriptions.size());
        EXPECT_EQ(g.probedExtension, g.extensions.front());
        for (int i = 0; i < g.extensions.size(); ++i) {
            EXPECT_EQ(g.descriptions[i], "Vextrel Viewer " + g.extensions[i].mid(1).toUpper());
            EXPECT_TRUE(isViewable("a" + g.extensions[i]));
        }
        all << g.extensions;
    }
    EXPECT_EQ(all.size(), qsizetype(supportedTypes().size()));
    EXPECT_EQ(groups[1].extensions, QStringList({".jpg", ".jpeg", ".jpe"}));
    EXPECT_EQ(groups[13].probedExtension, QStringLiteral(".psp"));
}

TEST(OpenFilter, PatternsMatchTheirRows)
{
    const QString filter = buildOpenFilter(QStringLiteral("All supported types"));
    EXPECT_TRUE(filter.startsWith(QStringLiteral(
        "All supported types|*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.swf;*.wmf;*.emf;*.ico;*.psd;*.png;"
        "*.tga;*.tif;*.tiff;*.pdd;*.psp;*.pspimage;*.pcx;*.pcc;*.bw;*.rgb;*.rgba;*.sgi;*.cut;"
        "*.ppm;*.pgm;*.pbm;*.wbmp;*.dib;*.rle|BMP - Windows Bitmap|*.bmp|")));
    EXPECT_TRUE(filter.endsWith(QStringLiteral("RLE - Run-Length Encoding|*.rle|")));

    // Each row's patterns are exactly the extensions its description names;
    // the all-types row holds the rows marked for it and no others.
    QStringList parts = filter.split(QLatin1Char('|'));
    ASSERT_EQ(parts.takeLast(), QString());
    const QStringList allTypes = parts[1].split(QLatin1Char(';'));
    for (const SupportedType& t : supportedTypes())
        EXPECT_EQ(allTypes.contains("*." + QString::fromLatin1(t.extension).toLower()), t.has(InAllTypes))
            << t.extension;
    for (qsizetype i = 2; i + 1 < parts.size(); i += 2) {
        const QString names = parts[i].section(QStringLiteral(" - "), 0, 0);
        EXPECT_EQ(parts[i + 1], "*." + names.toLower().split('/').join(";*.")) << parts[i].toStdString();
    }

    const QStringList qt = openFilterToQtFilters(buildOpenFilter(QStringLiteral("Все типы")));
    ASSERT_EQ(qt.size(), 28);
    EXPECT_TRUE(qt[0].startsWith(QStringLiteral("Все типы (*.[bB][mM][pP] *.[jJ][pP][gG] ")));
    EXPECT_EQ(qt[10], QStringLiteral("TGA/VST/ICB/VDA/WIN - Truevision Image (*.[tT][gG][aA] "
                                     "*.[vV][sS][tT] *.[iI][cC][bB] *.[vV][dD][aA] *.[wW][iI][nN])"));
}
