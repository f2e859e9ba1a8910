// A format added by one table row and one decoder, both written here: the
// folder scan, the Open dialog, the file-type list, the decoder choice and
// Save as all take it up without another line changed. Its own program,
// because the row stays in the table for the rest of the process.
#include "codecs/RasterGraphic.h"
#include "export/SaveAs.h"
#include "viewer/FolderList.h"
#include "viewer/SupportedTypes.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

using namespace vx;

namespace {

// "VXG", width, height (one byte each), then one grey byte per pixel.
class GreyGraphic : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override
    {
        if (size < 5 || std::memcmp(data, "VXG", 3) != 0)
            throw CodecError("not a grey picture");
        const int w = data[3], h = data[4];
        if (size < size_t(5 + w * h))
            throw CodecError("truncated");
        Bitmap bitmap(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                std::fill_n(bitmap.scanLine(y) + 3 * x, 3, data[5 + y * w + x]);
        return bitmap;
    }
};

}  // namespace

TEST(AddedFormat, OneRowReachesEveryList)
{
    const size_t before = supportedTypes().size();
    const int groupsBefore = int(associationGroups().size());
    addSupportedType({"VXG", makeGraphic<GreyGraphic>, 28, "VXG - Grey test picture", groupsBefore, "VXG",
                      InAllTypes | Rotatable | Savable});
    ASSERT_EQ(supportedTypes().size(), before + 1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tile.Vxg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("VXG\x02\x01\x10\xF0", 7));
    file.close();

    EXPECT_EQ(listViewableFiles(dir.path() + QLatin1Char('/')), QStringList{path});
    EXPECT_TRUE(isRotatable(QStringLiteral("VXG")));

    const QString filter = buildOpenFilter(QStringLiteral("All"));
    EXPECT_TRUE(filter.section(QLatin1Char('|'), 1, 1).endsWith(QStringLiteral(";*.vxg")));
    EXPECT_TRUE(filter.endsWith(QStringLiteral("VXG - Grey test picture|*.vxg|")));

    const AssociationGroup group = associationGroups().last();
    EXPECT_EQ(group.item, QStringLiteral("VXG"));
    EXPECT_EQ(group.extensions, QStringList{QStringLiteral(".vxg")});
    EXPECT_EQ(group.descriptions, QStringList{QStringLiteral("Vextrel Viewer VXG")});

    const SupportedType* row = findSupportedType(extensionKey(path));
    ASSERT_TRUE(row && row->decoder);
    std::unique_ptr<Graphic> graphic = row->decoder();
    ASSERT_NE(graphic, nullptr);
    graphic->loadFromFile(path);
    EXPECT_EQ(graphic->width(), 2);
    EXPECT_EQ(graphic->bitmap().pixel(1, 0), 0xFFF0F0F0u);

    const SaveDialogSetup save = saveDialogSetup(path);
    EXPECT_EQ(save.kind, SaveDialogKind::Picture);
    EXPECT_EQ(save.proposedName, QStringLiteral("tile"));
}
