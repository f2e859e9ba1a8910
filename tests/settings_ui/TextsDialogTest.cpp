// The dialog's texts: English defaults at the first show, a new language
// applied while the dialog is open, the grids and the about line.
#include "SettingsDialogFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

using namespace vx;

namespace {

QString caption(const QWidget* w)
{
    if (auto* box = qobject_cast<const QGroupBox*>(w))
        return box->title();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    return QStringLiteral("<no caption>");
}

struct Expected {
    const char* objectName;
    const char* english;
    const char* russian;
};

// One control per page and a few with fixed rules, in both shipped languages.
const Expected kCaptions[] = {
    {"OKButton", "OK", "OK"},
    {"AcceptButton", "Apply", "Применить"},
    {"GroupBoxView", "View", "Вид"},
    {"NextCheckBox", "Next file", "Следующий файл"},
    {"ChangeBackColorButton", "Choose", "Выбрать"},
    {"GroupBoxExt", "Assigned extensions", "Связанные расширения"},
    {"UnSelAllFileTypeButton", "Unselect all", "Снять все"},
    {"AuthorLabel", "About author:", "Об авторе:"},
    {"ScaleAlllRadioButton", "Fit all images to window size", "Вписывать все изображения в окно"},
    {"RadioButtonExactFit", "Extract fit", "Точно по размеру"},
    {"RadioButtonScaleForm", "Resize window to Flash", "Подгонять окно под ролик"},
    {"ChangeWallBackColorButton", "Choose", "Выбрать"},
    {"GroupBoxHot", "Hot keys", "Горячие клавиши"},
    {"Label5", "Vextrel Viewer version 2.03", "Vextrel Viewer версия 2.03"},
    {"Label8", "Questions and suggestions write to:", "Вопросы и предложения присылайте по адресу:"},
    {"SponsorLabel", "Sponsored by:", "Sponsored by:"},
};

}  // namespace

TEST_F(SettingsDialogTest, LanguageChangeRelabelsTheOpenDialog)
{
    seedDefaults();
    start();
    showDialog([&](SettingsForm& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Vextrel Viewer Settings"));
        for (const Expected& e : kCaptions)
            EXPECT_EQ(caption(d.findChild<QWidget*>(QLatin1String(e.objectName))), QString::fromUtf8(e.english))
                << e.objectName;
        EXPECT_EQ(d.HotKeyStrGrid->item(0, 0)->text(), QStringLiteral("Action"));
        EXPECT_EQ(d.HotKeyStrGrid->item(0, 1)->text(), QStringLiteral("Hot key"));
        EXPECT_EQ(d.HotKeyStrGrid->item(13, 0)->text(), QStringLiteral("Hide/show flash panel"));
        EXPECT_EQ(d.HotKeyStrGrid->item(13, 1)->text(), QStringLiteral("F12"));
        EXPECT_EQ(d.HotKeyStrGrid->item(19, 1)->text(), QStringLiteral("F4"));
        EXPECT_EQ(d.LangStringGrid->item(0, 2)->text(), QStringLiteral("Version"));
        EXPECT_EQ(d.FileAssignedLabel->width(), 185);
        EXPECT_EQ(d.Label2->width(), 337);

        // Choose Russian on the language page while the Images page shows a
        // quality item chosen elsewhere, then Apply with the dialog open.
        d.QualityComboBox->setCurrentIndex(3);
        int russian = -1;
        for (int r = 1; r < d.LangStringGrid->rowCount(); ++r)
            if (d.LangStringGrid->item(r, 0) && d.LangStringGrid->item(r, 0)->text() == QStringLiteral("Russian.lng"))
                russian = r;
        ASSERT_GT(russian, 0);
        d.LangStringGrid->setCurrentCell(russian, 0);
        EXPECT_TRUE(d.AuthorLangMemo->toPlainText().contains(QLatin1Char('\n')));
        d.TreeView->setCurrentItem(d.TreeView->topLevelItem(3));
        d.AcceptButton->click();

        EXPECT_EQ(d.windowTitle(), QStringLiteral("Настройки Vextrel Viewer"));
        for (const Expected& e : kCaptions)
            EXPECT_EQ(caption(d.findChild<QWidget*>(QLatin1String(e.objectName))), QString::fromUtf8(e.russian))
                << e.objectName;
        EXPECT_EQ(d.NameSettingLabel->text(), QStringLiteral("Изображения"));
        EXPECT_TRUE(d.pages[3]->isVisible());
        ASSERT_EQ(d.TreeView->topLevelItemCount(), 8);
        EXPECT_EQ(d.TreeView->topLevelItem(6)->text(0), QStringLiteral("Горячие клавиши"));
        EXPECT_EQ(d.QualityComboBox->currentIndex(), 3);
        EXPECT_EQ(d.QualityComboBox->currentText(), QStringLiteral("Среднее"));
        EXPECT_EQ(d.HotKeyStrGrid->item(0, 0)->text(), QStringLiteral("Действие"));
        EXPECT_EQ(d.HotKeyStrGrid->item(0, 1)->text(), QStringLiteral("Клавиша"));
        EXPECT_EQ(d.HotKeyStrGrid->item(1, 1)->text(), QStringLiteral("Esc"));
        EXPECT_TRUE(d.lbCurOCXVer->text().startsWith(QStringLiteral("Используется Vextrel Viewer: 8.0.24.0")));
        d.CancelButton->click();
    });
    EXPECT_EQ(regText(QStringLiteral("Language")), programFolder + QStringLiteral("Data/Languages/Russian.lng"));
    EXPECT_EQ(form->button(kBtnClose)->toolTip(), QStringLiteral("Закрыть"));
}

TEST_F(SettingsDialogTest, AboutLineTakesTheFilesTextOrItsOwn)
{
    seedDefaults();
    const QString file = programFolder + QStringLiteral("Data/Languages/Test.lng");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Info]\nProg=Vextrel Viewer\n[SetAbout]\n4=My Viewer\n[SetImages]\n2=\n");
    }
    start();
    dialog()->LangSettingsForm(file);
    EXPECT_EQ(dialog()->Label5->text(), QStringLiteral("My Viewer 2.03"));
    dialog()->selectPage(3);
    EXPECT_EQ(dialog()->NameSettingLabel->text(), QStringLiteral("Images"));  // empty value: the default
    dialog()->LangSettingsForm(programFolder + QStringLiteral("Data/Languages/English.lng"));
    EXPECT_EQ(dialog()->Label5->text(), QStringLiteral("Vextrel Viewer version 2.03"));
}
