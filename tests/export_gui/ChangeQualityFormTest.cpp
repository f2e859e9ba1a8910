// The JPEG options window driven with key clicks: the edit's rules, the
// track bar, language texts and showing beside the save dialog.
#include "export/ui/ChangeQualityForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class QualityForm : public ::testing::Test {
protected:
    QualityForm()
    {
        form.show();
        edit = form.findChild<QLineEdit*>("JPEGQualityEdit");
        slider = form.findChild<QSlider*>("JpegQualityTrackBar");
        check = form.findChild<QCheckBox*>("GrayscaleCheckBox");
        edit->setFocus();
    }
    void retype(const char* keys)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, keys);
    }
    vx::ChangeQualityForm form;
    QLineEdit* edit = nullptr;
    QSlider* slider = nullptr;
    QCheckBox* check = nullptr;
};

}  // namespace

TEST_F(QualityForm, StartsAtFullQuality)
{
    ASSERT_TRUE(edit && slider && check);
    ASSERT_TRUE(form.findChild<QGroupBox*>("JPEGGroupBox"));
    ASSERT_TRUE(form.findChild<QLabel*>("Label1"));
    EXPECT_EQ(edit->text(), QStringLiteral("100"));
    EXPECT_EQ(edit->maxLength(), 3);
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 100);
    EXPECT_EQ(form.quality(), 100);
    EXPECT_FALSE(form.grayscale());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Опции сохранения"));
}

TEST_F(QualityForm, EditRules)
{
    retype("0");
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    EXPECT_EQ(slider->value(), 1);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("1"));

    retype("150");
    EXPECT_EQ(edit->text(), QStringLiteral("100"));
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("100"));

    retype("75");
    EXPECT_EQ(edit->text(), QStringLiteral("75"));
    EXPECT_EQ(form.quality(), 75);

    // Deleting all text gives "1".
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(form.quality(), 7);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    EXPECT_EQ(slider->value(), 1);
}

TEST_F(QualityForm, OnlyDigitsAndBackspace)
{
    retype("4a-5 .x");
    EXPECT_EQ(edit->text(), QStringLiteral("45"));
    EXPECT_EQ(form.quality(), 45);
    // Paste of something that is not a number changes nothing.
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    edit->selectAll();
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("45"));
    EXPECT_EQ(form.quality(), 45);
    // At most three characters.
    retype("0999");
    EXPECT_EQ(edit->text().size(), 3);
    EXPECT_LE(form.quality(), 100);
}

TEST_F(QualityForm, TrackBarWritesTheEditAndValuesStay)
{
    slider->setValue(33);
    EXPECT_EQ(edit->text(), QStringLiteral("33"));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
    EXPECT_TRUE(form.grayscale());
    form.hide();
    form.typeChanged(2, QRect(0, 0, 1024, 768));
    EXPECT_TRUE(form.isVisible());
    const vx::JpegOptions options = form.jpegOptions();
    EXPECT_EQ(options.quality, 33);
    EXPECT_TRUE(options.grayscale);
}

TEST_F(QualityForm, ShownOnlyForTheJpegType)
{
    form.hide();
    const QRect work(0, 0, 1280, 1000);
    form.typeChanged(2, work);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.findChild<QGroupBox*>("JPEGGroupBox")->isVisible());
    // The whole window, frame included, ends at the work area's corner.
    EXPECT_EQ(form.frameGeometry().right() + 1, 1280);
    EXPECT_EQ(form.frameGeometry().bottom() + 1, 1000);
    form.typeChanged(1, work);
    EXPECT_FALSE(form.isVisible());
    form.typeChanged(2, work);
    form.typeChanged(6, work);
    EXPECT_FALSE(form.isVisible());

    form.showBeside(QRect(100, 50, 400, 300), work);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.x(), 500);
    form.showBeside(QRect(1000, 50, 280, 300), work);
    EXPECT_EQ(form.frameGeometry().right() + 1, 1000);
}

TEST_F(QualityForm, LanguageTexts)
{
    form.applyLanguage([](const QString& section, int key, const QString& def) {
        return key == 2 ? section + QStringLiteral("-2") : def;
    });
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quality"));
    EXPECT_EQ(form.findChild<QGroupBox*>("JPEGGroupBox")->title(), QStringLiteral("Quality-2"));
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), QStringLiteral("Quality:"));
    EXPECT_EQ(check->text(), QStringLiteral("Save as grayscale"));
}

// The application lives on main's stack so it is gone before static
// destruction begins.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
