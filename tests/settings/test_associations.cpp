// File type associations over the emulated hives: the probe rule, the
// entries written for a row, and removal that touches only the viewer's own.
#include "platform/Registry.h"
#include "settings/FileAssociations.h"
#include "support/TempHome.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vx;

namespace {

const QString kExe = QStringLiteral("/opt/vextrel viewer/vextrel-viewer");

void put(Hive hive, const QString& path, const QString& name, const QString& text)
{
    RegistryKey key;
    ASSERT_TRUE(key.open(hive, path, true));
    key.writeString(name, text);
}

QString get(Hive hive, const QString& path, const QString& name)
{
    RegistryKey key;
    if (!key.open(hive, path, false))
        return QStringLiteral("<no key>");
    const auto v = key.value(name);
    return v ? v->text : QStringLiteral("<no value>");
}

int rowOf(const QString& item)
{
    const auto& rows = associationRows();
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].item == item)
            return int(i);
    return -1;
}

}  // namespace

TEST(Associations, RowsComeFromTheFormatTable)
{
    const auto& rows = associationRows();
    ASSERT_EQ(rows.size(), 31);
    EXPECT_EQ(rows[1].item, QStringLiteral("JPG/JPEG/JPE"));
    EXPECT_EQ(rows[1].extensions, QStringList({".jpg", ".jpeg", ".jpe"}));
    EXPECT_EQ(rows[13].extensions, QStringList({".psp", ".pspimage"}));
    EXPECT_EQ(rows[30].item, QStringLiteral("RLE"));
    EXPECT_EQ(rows[13].descriptions, QStringList({"Vextrel Viewer PSP", "Vextrel Viewer PSPIMAGE"}));
    EXPECT_EQ(rows[1].probedExtension, QStringLiteral(".jpg"));
}

TEST(Associations, ProbeNeedsBothPlacesToNameTheViewerExactly)
{
    struct Case {
        const char* progId;    // HKCU FileExts\.png ProgID (nullptr = absent)
        const char* classRef;  // HKCR .png default value (nullptr = absent)
        bool checked;
    };
    const Case cases[] = {
        {"VextrelViewer.png", "VextrelViewer.png", true},
        {"VextrelViewer.png", nullptr, false},
        {nullptr, "VextrelViewer.png", false},
        {"VextrelViewer.png", "pngfile", false},
        {"vextrelviewer.png", "VextrelViewer.png", false},
        {"VextrelViewer.png", "VextrelViewer.PNG", false},
    };
    for (const Case& c : cases) {
        TempHome home;
        if (c.progId)
            put(Hive::CurrentUser, fileExtsKeyPath(QStringLiteral(".png")), QStringLiteral("ProgID"),
                QString::fromLatin1(c.progId));
        if (c.classRef)
            put(Hive::ClassesRoot, QStringLiteral(".png"), QString(), QString::fromLatin1(c.classRef));
        EXPECT_EQ(IsExtensionAssociated(QStringLiteral("png")), c.checked)
            << (c.progId ? c.progId : "-") << " / " << (c.classRef ? c.classRef : "-");
        EXPECT_EQ(readAssociationChecks()[size_t(rowOf(QStringLiteral("PNG")))], c.checked);
    }
}

TEST(Associations, WriteRegistersCheckedRowsAndTheSkinExtension)
{
    TempHome home;
    std::vector<bool> checked(31, false);
    checked[size_t(rowOf(QStringLiteral("JPG/JPEG/JPE")))] = true;
    writeAssociations(checked, kExe, QByteArray());

    for (const char* e : {".jpg", ".jpeg", ".jpe", ".vxskin"}) {
        const QString ext = QString::fromLatin1(e);
        const QString cls = QStringLiteral("VextrelViewer") + ext;
        EXPECT_EQ(get(Hive::ClassesRoot, ext, QString()), cls);
        EXPECT_EQ(get(Hive::ClassesRoot, cls + QStringLiteral("\\DefaultIcon"), QString()), kExe + QStringLiteral(",0"));
        EXPECT_EQ(get(Hive::ClassesRoot, cls + QStringLiteral("\\shell\\open\\command"), QString()),
                  QStringLiteral("\"/opt/vextrel viewer/vextrel-viewer\" \"%1\""));
        EXPECT_EQ(get(Hive::CurrentUser, fileExtsKeyPath(ext), QStringLiteral("ProgID")), cls);
    }
    EXPECT_EQ(get(Hive::ClassesRoot, QStringLiteral("VextrelViewer.jpeg"), QString()), QStringLiteral("Vextrel Viewer JPEG"));
    EXPECT_EQ(get(Hive::ClassesRoot, QStringLiteral("VextrelViewer.vxskin"), QString()), kSkinDescription);

    std::vector<bool> expected(31, false);
    expected[1] = true;
    EXPECT_EQ(readAssociationChecks(), expected);
    // The row's state follows ".jpg" alone.
    UnassociateExtension(QStringLiteral(".jpeg"));
    EXPECT_EQ(readAssociationChecks(), expected);
}

TEST(Associations, UncheckingRemovesOnlyWhatNamesTheViewer)
{
    TempHome home;
    std::vector<bool> all(31, true);
    writeAssociations(all, kExe, QByteArray());
    // Another program takes ".bmp" afterwards; ".png" keeps an extra value of ours.
    put(Hive::ClassesRoot, QStringLiteral(".bmp"), QString(), QStringLiteral("Paint.Picture"));
    put(Hive::CurrentUser, fileExtsKeyPath(QStringLiteral(".bmp")), QStringLiteral("ProgID"), QStringLiteral("Paint.Picture"));
    put(Hive::ClassesRoot, QStringLiteral(".png"), QStringLiteral("Content Type"), QStringLiteral("image/png"));

    writeAssociations(std::vector<bool>(31, false), kExe, QByteArray());
    EXPECT_EQ(get(Hive::ClassesRoot, QStringLiteral(".bmp"), QString()), QStringLiteral("Paint.Picture"));
    EXPECT_EQ(get(Hive::CurrentUser, fileExtsKeyPath(QStringLiteral(".bmp")), QStringLiteral("ProgID")),
              QStringLiteral("Paint.Picture"));
    EXPECT_EQ(get(Hive::ClassesRoot, QStringLiteral(".png"), QString()), QStringLiteral("<no value>"));
    EXPECT_EQ(get(Hive::ClassesRoot, QStringLiteral(".png"), QStringLiteral("Content Type")), QStringLiteral("image/png"));
    for (const AssociationGroup& row : associationRows())
        for (const QString& ext : row.extensions) {
            EXPECT_FALSE(registryKeyExists(Hive::ClassesRoot, associationClassName(ext))) << ext.toStdString();
            EXPECT_NE(get(Hive::CurrentUser, fileExtsKeyPath(ext), QStringLiteral("ProgID")), associationClassName(ext));
        }
    EXPECT_EQ(get(Hive::ClassesRoot, QStringLiteral(".vxskin"), QString()), QStringLiteral("VextrelViewer.vxskin"));
    EXPECT_EQ(readAssociationChecks(), std::vector<bool>(31, false));
}

TEST(Associations, ReadOnlyHiveFailsWithoutTouchingTheFile)
{
    TempHome home;
    put(Hive::ClassesRoot, QStringLiteral(".gif"), QString(), QStringLiteral("giffile"));
    const QString hiveFile = registryFolder() + QStringLiteral("/classes_root.reg");
    QFile file(hiveFile);
    ASSERT_TRUE(file.exists()) << hiveFile.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QFile::setPermissions(hiveFile, QFileDevice::ReadOwner);

    std::vector<bool> checked(31, true);
    try {
        writeAssociations(checked, kExe, QByteArray());
        ADD_FAILURE() << "a read-only hive was written";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("HKEY_CLASSES_ROOT\\.vxskin"), std::string::npos) << e.what();
    }
    QFile::setPermissions(hiveFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}
