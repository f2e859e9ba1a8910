// Every decoder of the format table gives the same picture from a file and
// from the file's bytes in memory, fails the same way on bytes it refuses,
// and keeps its picture when a later load fails. The pictures are the fuzz
// targets' seed files, one kind a folder.
#include "viewer/SupportedTypes.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <set>

using namespace vx;

namespace {

// Loads through path or through the bytes; the picture, or "" with the error.
std::pair<QImage, std::string> load(const SupportedType& type, const QString& path, bool fromMemory)
{
    const std::unique_ptr<Graphic> graphic = type.decoder();
    try {
        if (fromMemory) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return {QImage(), "unreadable seed"};
            graphic->loadFromData(file.readAll());
            // Bytes the decoder refuses keep the picture it holds.
            const QImage before = graphic->bitmap().toImage();
            EXPECT_THROW(graphic->loadFromData(QByteArray(16, '\0')), CodecError) << path.toStdString();
            EXPECT_TRUE(graphic->bitmap().toImage() == before) << path.toStdString();
        } else {
            graphic->loadFromFile(path);
        }
        return {graphic->bitmap().toImage(), ""};
    } catch (const CodecError& e) {
        return {QImage(), e.what()};
    }
}

TEST(LoadFromData, EveryDecoderGivesTheSamePictureFromMemoryAsFromAFile)
{
    const QDir seeds(QStringLiteral(VX_TEST_DATA "/../../fuzz/seeds"));
    ASSERT_TRUE(seeds.exists());
    std::set<const SupportedType*> seen;
    for (const QString& folder : seeds.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(seeds.filePath(folder));
        for (const QString& name : dir.entryList(QDir::Files)) {
            const SupportedType* type = findSupportedType(extensionKey(name));
            if (type == nullptr || type->decoder == nullptr)
                continue;
            const QString path = dir.filePath(name);
            const auto [fromFile, fileError] = load(*type, path, false);
            const auto [fromMemory, memoryError] = load(*type, path, true);
            EXPECT_EQ(fileError, memoryError) << name.toStdString();
            EXPECT_TRUE(fromFile == fromMemory) << name.toStdString();
            if (!fromFile.isNull())
                seen.insert(type);
        }
    }
    // Each decoder class of the table opened a seed here.
    std::set<std::string> decoders, tried;
    for (const SupportedType& type : supportedTypes()) {
        if (type.decoder == nullptr)
            continue;
        const std::unique_ptr<Graphic> g = type.decoder();
        decoders.insert(typeid(*g).name());
        if (seen.count(&type))
            tried.insert(typeid(*g).name());
    }
    EXPECT_EQ(tried, decoders);
}

}  // namespace
