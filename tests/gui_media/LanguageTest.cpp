// Languages in the real main window: the button hints, the Open dialog's
// first filter entry, and the dialogs relabelled at the first show.
#include "MediaFixture.h"

#include "export/ui/ChangeQualityForm.h"
#include "settings/ViewerSettings.h"
#include "skins/ui/SkinButton.h"
#include "viewer/ui/RenameFileForm.h"

#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace media {
namespace {

const char* const kEnglishHints[vx::kBtnCount] = {
    "Open",       "Save as...", "Settings", "Information", "To Desktop", "Turn left",
    "Turn right", "Previous",   "Next",     "Fullscreen",  "Minimize",   "Maximize",
    "Close",      "Play",       "Pause",    "Stop"};

class LanguageTest : public MediaTest {
protected:
    QString hint(int i) const { return form->button(vx::SkinButtonIndex(i))->toolTip(); }
    // A language file of the program's languages folder made of the given text.
    QString languageFile(const QString& name, const QByteArray& text)
    {
        return writeFile(program.languageFile(name), "[Info]\r\nProg=Vextrel Viewer\r\n" + text);
    }
    // The first entry of the Open dialog's filter, as the dialog shows it.
    QString firstOpenFilter()
    {
        ModalAnswerer answerer;
        form->OpenCommand();
        form->settleOpen();
        EXPECT_EQ(answerer.firstFilters.size(), 1);
        return answerer.firstFilters.value(0);
    }
};

TEST_F(LanguageTest, RussianByDefaultAndEnglishWhenChosen)
{
    start();
    EXPECT_EQ(settingText(vx::setting::Language), program.languageFile(QStringLiteral("Russian.lng")));
    EXPECT_EQ(hint(vx::kBtnOpen), QString::fromUtf8("Открыть"));
    EXPECT_EQ(hint(vx::kBtnSave), QString::fromUtf8("Сохранить как..."));
    EXPECT_EQ(hint(vx::kBtnStop), QString::fromUtf8("Стоп"));
    stop();

    setSetting(vx::setting::Language, program.languageFile(QStringLiteral("English.lng")));
    start();
    for (int i = 0; i < vx::kBtnCount; ++i)
        EXPECT_EQ(hint(i), QLatin1String(kEnglishHints[i])) << i;
    EXPECT_TRUE(firstOpenFilter().startsWith(QStringLiteral("All supported types")));
}

TEST_F(LanguageTest, AFileWithOnlyTheCloseHintChangesOnlyThatHint)
{
    setSetting(vx::setting::Language, languageFile(QStringLiteral("Close.lng"), "[Main]\r\n13=Shut the viewer\r\n"));
    start();
    for (int i = 0; i < vx::kBtnCount; ++i) {
        if (i == vx::kBtnClose)
            EXPECT_EQ(hint(i), QStringLiteral("Shut the viewer"));
        else
            EXPECT_EQ(hint(i), QLatin1String(kEnglishHints[i])) << i;
    }
    // Messages keep their English defaults.
    form->btnSaveClick();
    EXPECT_EQ(form->nameLabel()->text(), QStringLiteral("Nothing is open"));
    EXPECT_TRUE(firstOpenFilter().startsWith(QStringLiteral("All supported types")));
}

TEST_F(LanguageTest, TheOpenFiltersFirstEntryFollowsMessageTwelve)
{
    setSetting(vx::setting::Language,
               languageFile(QStringLiteral("Filter.lng"), "[Messages]\r\n12=Everything viewable\r\n"));
    start();
    const QString first = firstOpenFilter();
    EXPECT_TRUE(first.startsWith(QStringLiteral("Everything viewable"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("*.[jJ][pP][gG]"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("*.[sS][wW][fF]"))) << first.toStdString();
    EXPECT_EQ(hint(vx::kBtnOpen), QStringLiteral("Open"));
}

TEST_F(LanguageTest, TheDialogsAreRelabelledAtTheFirstShow)
{
    setSetting(vx::setting::Language, program.languageFile(QStringLiteral("English.lng")));
    start({}, false);
    vx::RenameFileForm* rename = dialogs->RenameFileForm;
    vx::ChangeQualityForm* quality = dialogs->QualityForm;
    // Until then they carry their design-time captions.
    EXPECT_NE(rename->windowTitle(), QStringLiteral("Rename file"));
    EXPECT_EQ(quality->windowTitle(), QString::fromUtf8("Опции сохранения"));

    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(rename->windowTitle(), QStringLiteral("Rename file"));
    EXPECT_EQ(rename->NewNameLabel->text(), QStringLiteral("Enter new file name:"));
    EXPECT_EQ(rename->CancelButton->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(quality->windowTitle(), QStringLiteral("Quality"));
    EXPECT_EQ(quality->findChild<QGroupBox*>()->title(), QStringLiteral("JPEG Quality"));
    EXPECT_EQ(dialogs->SettingsForm->windowTitle(), QStringLiteral("Vextrel Viewer Settings"));
    EXPECT_EQ(dialogs->InfoForm->windowTitle(), QStringLiteral("File information"));
}

TEST_F(LanguageTest, AMissingLanguageFileGivesEnglishWithoutAMessage)
{
    setSetting(vx::setting::Language, program.languageFile(QStringLiteral("Gone.lng")));
    start();
    for (int i = 0; i < vx::kBtnCount; ++i)
        EXPECT_EQ(hint(i), QLatin1String(kEnglishHints[i])) << i;
    EXPECT_EQ(dialogs->RenameFileForm->windowTitle(), QStringLiteral("Rename file"));
    EXPECT_TRUE(messages.isEmpty());
}

// The delete question as a Russian user sees it: Qt's own buttons in the
// language of the language file, one line break between its two parts and
// the caption exactly as given.
TEST_F(LanguageTest, TheDeleteQuestionIsInOneLanguage)
{
    struct Case {
        const char* language;
        QString question, ok, cancel;
    };
    const QString picture = writeBmp(path(QStringLiteral("gone.bmp")), quarterPicture(20, 10));
    const Case cases[] = {
        {"Russian.lng", QString::fromUtf8("Переместить файл в корзину: \n") + picture + QStringLiteral(" ?"),
         QStringLiteral("OK"), QString::fromUtf8("Отмена")},
        {"English.lng", QStringLiteral("Move file to the trash: \n") + picture + QStringLiteral(" ?"),
         QStringLiteral("OK"), QStringLiteral("Cancel")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        setSetting(vx::setting::Language, program.languageFile(QLatin1String(c.language)));
        start({picture});
        QString text, caption, ok, cancel;
        QTimer::singleShot(0, form.get(), [&] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            text = box->text();
            caption = box->windowTitle();
            ok = box->button(QMessageBox::Ok)->text();
            cancel = box->button(QMessageBox::Cancel)->text();
            box->button(QMessageBox::Cancel)->click();
        });
        QTest::keyClick(form.get(), Qt::Key_Delete);
        EXPECT_EQ(text, c.question);
        EXPECT_EQ(caption, QStringLiteral("Vextrel Viewer"));
        EXPECT_EQ(ok.remove(QLatin1Char('&')), c.ok);
        EXPECT_EQ(cancel.remove(QLatin1Char('&')), c.cancel);
        EXPECT_TRUE(QFileInfo::exists(picture));
        stop();
    }
}

}  // namespace
}  // namespace media
