#include "i18n/LangStrings.h"
#include "i18n/LanguageList.h"
#include "i18n/LanguageTable.h"
#include "i18n/MainFormTexts.h"
#include "i18n/SetLanguageModule.h"
#include "i18n/TestFiles.h"
#include "settings/SettingsKey.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>

using namespace vx;

namespace {

const QByteArray kHeader = "[Info]\nProg=Vextrel Viewer\nLang=Test\nVer=1.0\n";

}  // namespace

TEST(LanguageTable, OnlyMainKey13ChangesOnlyTheCloseHint)
{
    QTemporaryDir dir;
    const QString path = vxtest::writeFile(dir, "t.lng", "[Main]\n13=Schliessen\n");
    setOpenFilterBuilder([](const QString& d) { return d + " (*.bmp)"; });
    const MainFormTexts texts = LangMainForm(path);
    setOpenFilterBuilder({});
    for (int k = 1; k <= lang::kHintCount; ++k) {
        const QString expected =
            k == 13 ? QString("Schliessen") : lang::englishDefault("Main", k);
        EXPECT_EQ(texts.hints[k - 1], expected) << k;
        EXPECT_EQ(lang::hint(k), expected);
    }
    for (int k = 1; k <= lang::kMessageCount; ++k)
        EXPECT_EQ(lang::message(k), lang::englishDefault("Messages", k)) << k;
    EXPECT_EQ(lang::openFilter(), "All supported types (*.bmp)");
    EXPECT_EQ(lang::cannotOpenText("a.bmp"),
              "Cannot open file: a.bmp\n\rThis file seems to have uncorrect extension");
    EXPECT_EQ(lang::deleteQuestionText("/x/a.bmp"), "Delete file: \n\r/x/a.bmp ?");
    EXPECT_EQ(lang::splashMissingText(),
              "Splash file not exist!\n\r\"Show splash\" option will disabled");
}

TEST(LanguageTable, DefaultsCoverEveryTableAndFilesOverride)
{
    // Every section has keys 1..n without gaps; known counts per section.
    const std::map<std::string, int> counts = {
        {"Main", 16},    {"Messages", 25},  {"Settings", 4}, {"SetType", 19},
        {"SetFileType", 7}, {"SetLang", 8}, {"SetImages", 7}, {"SetFlash", 18},
        {"SetWall", 22}, {"SetHot", 24},    {"SetAbout", 7}, {"Rename", 5},
        {"Quality", 4},  {"Information", 13}};
    std::map<std::string, int> seen;
    for (const auto& e : lang::entries()) {
        EXPECT_EQ(e.key, ++seen[e.section]) << e.section;
        if (!(std::string(e.section) == "SetAbout" && e.key == 4)) {
            EXPECT_STRNE(e.englishDefault, "") << e.section << e.key;
        }
    }
    EXPECT_EQ(seen, counts);
    EXPECT_EQ(lang::englishDefault("setfiletype", 2), "File  types");
    EXPECT_EQ(lang::englishDefault("Messages", 26), "");

    QTemporaryDir dir;
    const QString path = vxtest::writeFile(dir, "t.lng", "[SetAbout]\n4=\n[rename]\n1=Umbenennen\n");
    const LanguageTable table(path);
    EXPECT_EQ(table.text("Rename", 1), "Umbenennen");
    EXPECT_EQ(table.text("Rename", 2), "Enter new file name:");
    EXPECT_EQ(table.text("SetAbout", 4), "");
    EXPECT_EQ(LanguageTable().message(8), "File not exist");
}

TEST(LanguageFiles, ShippedFilesHaveEveryKey)
{
    const QString folder = QStringLiteral(VX_LANG_DIR);
    const LanguageTable english(folder + "English.lng");
    ProfileFile russian(folder + "Russian.lng");
    ProfileFile englishRaw(folder + "English.lng");
    for (const auto& e : lang::entries()) {
        const QString section = e.section;
        const QString key = QString::number(e.key);
        bool found = false;
        EXPECT_EQ(englishRaw.value(section, key, "?", &found), QString::fromUtf8(e.englishDefault))
            << e.section << e.key;
        EXPECT_TRUE(found) << e.section << e.key;
        const QString ru = russian.value(section, key, "", &found);
        EXPECT_TRUE(found) << e.section << e.key;
        if (!(section == "SetAbout" && e.key == 4)) {
            EXPECT_FALSE(ru.isEmpty()) << e.section << e.key;
        }
    }
    const LanguageList list = buildLanguageList(folder, folder + "Russian.lng");
    QSet<QString> names;
    for (const auto& row : list.rows)
        names.insert(row.fileName);
    EXPECT_EQ(names, QSet<QString>({"English.lng", "Russian.lng"}));
    ASSERT_GE(list.selectedGridRow, 1);
    EXPECT_EQ(list.rows[list.selectedGridRow - 1].fileName, "Russian.lng");
    EXPECT_EQ(russian.value("Messages", "8", ""), QString::fromUtf8("Файл не существует"));
}

TEST(LanguageList, RowsDefaultsSelectionAndAuthor)
{
    QTemporaryDir dir;
    vxtest::writeFile(dir, "a.lng", kHeader + "[Author]\nName=Ann\nMail=ann@example.org\n");
    vxtest::writeFile(dir, "b.lng", "[Info]\nProg=Vextrel Viewer\n");
    vxtest::writeFile(dir, "c.txt", "[Info]\nProg=vextrel viewer\nLang=Lower\n");
    vxtest::writeFile(dir, "d.lng", "[Info]\nLang=NoProg\n");
    vxtest::writeFile(dir, "e.lng", kHeader);  // same Lang as a.lng
    QDir(dir.path()).mkdir("folder.lng");

    const LanguageList list = buildLanguageList(dir.path(), dir.filePath("e.lng"));
    ASSERT_EQ(list.rows.size(), 3);
    QMap<QString, LanguageListRow> byName;
    for (const auto& row : list.rows)
        byName[row.fileName] = row;
    EXPECT_EQ(byName["a.lng"].language, "Test");
    EXPECT_EQ(byName["a.lng"].version, "1.0");
    EXPECT_EQ(byName["b.lng"].language, "Unknown");
    EXPECT_EQ(byName["b.lng"].version, "Unknown");
    EXPECT_EQ(byName["e.lng"].language, "Test");
    ASSERT_GE(list.selectedGridRow, 1);
    EXPECT_EQ(list.rows[list.selectedGridRow - 1].fileName, "e.lng");

    // The selection compares the file name exactly.
    EXPECT_EQ(buildLanguageList(dir.path(), "/elsewhere/E.LNG").selectedGridRow, -1);
    EXPECT_TRUE(buildLanguageList(dir.filePath("none"), "").rows.isEmpty());

    EXPECT_EQ(authorText(dir.filePath("a.lng")), "Ann\r\nann@example.org");
    EXPECT_EQ(authorText(dir.filePath("b.lng")), "");
    EXPECT_EQ(authorText(dir.filePath("missing.lng")), "");

    LanguageChoice choice;
    EXPECT_TRUE(choice.takeApplyPath(dir.path(), list).isEmpty());
    choice.select(list.selectedGridRow);
    choice.listBuilt();
    EXPECT_TRUE(choice.takeApplyPath(dir.path(), list).isEmpty());
    choice.select(list.selectedGridRow);
    EXPECT_EQ(choice.takeApplyPath(dir.path(), list), dir.path() + "/e.lng");
    EXPECT_FALSE(choice.changed());
    choice.select(9);  // a row beyond the list
    EXPECT_TRUE(choice.takeApplyPath(dir.path(), list).isEmpty());
}

TEST(SetLanguage, StartupChoicePersistsTheLanguage)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("HOME", home.path().toUtf8());
    const QString program = home.path() + "/";

    // No value: the default file is saved, and missing it gives English texts.
    EXPECT_EQ(chooseStartupLanguage(program), program + "Data/Languages/Russian.lng");
    EXPECT_EQ(CurrentLanguageFile(), program + "Data/Languages/Russian.lng");
    EXPECT_EQ(lang::message(lang::NothingIsOpen), "Nothing is open");
    {
        RegistryKey key;
        ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, false));
        EXPECT_EQ(key.readString("Language"), program + "Data/Languages/Russian.lng");
    }

    const QString mine = vxtest::writeFile(home, "mine.lng", "[Messages]\n15=Nichts offen\n");
    SaveLanguage(mine);
    EXPECT_EQ(startupLanguageFile(program), mine);
    EXPECT_EQ(chooseStartupLanguage(program), mine);
    EXPECT_EQ(lang::message(lang::NothingIsOpen), "Nichts offen");
}
