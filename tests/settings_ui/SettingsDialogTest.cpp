// The settings dialog through the real main window: shown by F1 and the
// Settings button, filled from the store, applied to the running window.
#include "SettingsDialogFixture.h"

#include "app/MainForm.h"
#include "app/MovieHost.h"
#include "settings/ViewerSettings.h"
#include "settings/ui/LinkLabel.h"
#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QTreeWidget>

using namespace vx;

TEST_F(SettingsDialogTest, ShownModallyByButtonAndF1WithEveryPage)
{
    seedDefaults();
    start();
    for (bool viaButton : {false, true}) {
        bool seen = false;
        showDialog(
            [&](SettingsForm& d) {
                seen = true;
                EXPECT_TRUE(d.isModal());
                EXPECT_EQ(QApplication::activeModalWidget(), &d);
                EXPECT_EQ(d.size(), QSize(494, 417));
                EXPECT_EQ(d.TreeView->topLevelItemCount(), 8);
                // Page switch: the title follows the node, one page shows.
                const char* titles[8] = {"View", "File  types", "Language", "Images",
                                         "Flash", "Desktop",     "Shortcuts", "About..."};
                for (int page = 7; page >= 0; --page) {
                    d.TreeView->setCurrentItem(d.TreeView->topLevelItem(page));
                    EXPECT_EQ(d.NameSettingLabel->text(), QLatin1String(titles[page]));
                    for (int k = 0; k < 8; ++k)
                        EXPECT_EQ(d.pages[size_t(k)]->isVisible(), k == page) << page << " " << k;
                }
                d.CancelButton->click();
            },
            viaButton);
        EXPECT_TRUE(seen);
        EXPECT_FALSE(dialog()->isVisible());
    }
}

TEST_F(SettingsDialogTest, FillWritesTheDialogDefaultsAndShowsTheRunningColour)
{
    seedDefaults();
    seedText(QStringLiteral("BackColor"), QStringLiteral("clWhite"));
    seedInt(QStringLiteral("FlashTransperent"), 0);
    seedText(QStringLiteral("FlashBackColor"), QStringLiteral("not a colour"));
    // Out of range: nothing new is selected and nothing written; of another type: absent.
    seedInt(QStringLiteral("SetWall"), 7);
    seedInt(QStringLiteral("FlashWallQuality"), 9);
    seedText(QStringLiteral("FlashScale"), QStringLiteral("2"));
    start();
    form->setBackColor(0x0000FF);
    showDialog([&](SettingsForm& d) {
        EXPECT_EQ(d.backColorSwatch(), 0x0000FFu);
        EXPECT_EQ(d.BackColorPanel->palette().color(QPalette::Window), QColor(255, 0, 0));
        EXPECT_TRUE(d.RastRadioButton->isChecked());
        EXPECT_TRUE(d.FullScrRadioButton->isChecked());
        EXPECT_FALSE(d.TransperentCheckBox->isChecked());
        EXPECT_TRUE(d.FlashAutoPlayCheckBox->isChecked());
        EXPECT_EQ(d.QualityComboBox->currentIndex(), 2);
        EXPECT_EQ(d.wallpaperColorSwatch(), 0u);
        EXPECT_TRUE(d.ScaleBigRadioButton->isChecked());  // the running mode 1
        EXPECT_TRUE(d.flashScaleButtons[0]->isChecked());
        EXPECT_TRUE(d.flashQualityButtons[0]->isChecked());
        EXPECT_FALSE(d.OnStartCheckBox->isEnabled());
        EXPECT_EQ(d.lbCurOCXVer->text(), QStringLiteral("Used by Vextrel Viewer: 8.0.24.0"));
        EXPECT_TRUE(d.lbOCXver->text().startsWith(QStringLiteral("Registered in system: ")));
    });
    EXPECT_EQ(regInt(QStringLiteral("SetWall")), 7);
    EXPECT_EQ(regInt(QStringLiteral("FlashWallQuality")), 9);
    EXPECT_EQ(regInt(QStringLiteral("FlashScale")), 1);
    EXPECT_EQ(regInt(QStringLiteral("FlashFullScr")), 1);
    EXPECT_EQ(regInt(QStringLiteral("FlashTransperent")), 0);
    EXPECT_EQ(regInt(QStringLiteral("FlashAutoPlay")), 1);
    EXPECT_EQ(regText(QStringLiteral("FlashBackColor")), QStringLiteral("clBlack"));
    EXPECT_EQ(regInt(QStringLiteral("FlashFSCommand")), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(SettingsDialogTest, ApplyHidesTheNameLabelAndToolbarButtonsAtOnce)
{
    seedDefaults();
    start();
    const int openLeft = form->button(kBtnOpen)->x();
    showDialog([&](SettingsForm& d) {
        QTest::mouseClick(d.ShowNameCheckBox, Qt::LeftButton, {}, QPoint(4, d.ShowNameCheckBox->height() / 2));
        EXPECT_FALSE(d.ShowNumbersCheckBox->isChecked());
        EXPECT_FALSE(d.ShowNumbersCheckBox->isEnabled());
        d.buttonCheckBoxes[0]->setChecked(false);  // Open
        d.buttonCheckBoxes[8]->setChecked(false);  // Next
        d.AcceptButton->click();
        EXPECT_TRUE(d.isVisible());  // Apply keeps the dialog open
        EXPECT_FALSE(form->nameLabel()->isVisibleTo(form.get()));
        d.OKButton->click();
    });
    EXPECT_EQ(regInt(QStringLiteral("CurrentFileNameLabelVisible")), 0);
    EXPECT_EQ(regInt(QStringLiteral("CurrentFileNumberVisible")), 0);
    EXPECT_EQ(regText(QStringLiteral("ButtonsVisible")), QStringLiteral("011111110"));
    EXPECT_FALSE(form->button(kBtnOpen)->isVisibleTo(form.get()));
    EXPECT_FALSE(form->button(kBtnNext)->isVisibleTo(form.get()));
    EXPECT_EQ(form->button(kBtnSave)->x(), openLeft);  // the gap is closed
}

TEST_F(SettingsDialogTest, NumberSwitchRewritesTheLabelAtOnce)
{
    seedDefaults();
    const QString a = writeBmp(QStringLiteral("a.bmp"), 20, 20);
    writeBmp(QStringLiteral("b.bmp"), 20, 20);
    start({a});
    ASSERT_TRUE(labelText().startsWith(QStringLiteral("a.bmp [")));
    showDialog([&](SettingsForm& d) {
        d.ShowNumbersCheckBox->setChecked(false);
        d.OKButton->click();
    });
    EXPECT_EQ(labelText(), QStringLiteral("a.bmp"));
}

TEST_F(SettingsDialogTest, ViewColourReachesTheStoreOnlyAtShutdown)
{
    seedDefaults();
    start();
    const ColorRef before = form->backColor();
    QList<ColorRef> offered;
    auto pick = [&](std::optional<ColorRef> answer) {
        dialog()->chooseColor = [&offered, answer](ColorRef initial) {
            offered << initial;
            return answer;
        };
    };
    // Chosen, then Cancel: nothing changes, and the next showing shows the view's colour.
    showDialog([&](SettingsForm& d) {
        pick(0x00FF00);
        d.ChangeBackColorButton->click();
        EXPECT_EQ(d.backColorSwatch(), 0x00FF00u);
        d.CancelButton->click();
    });
    EXPECT_EQ(form->backColor(), before);
    showDialog([&](SettingsForm& d) {
        EXPECT_EQ(d.backColorSwatch(), before);
        // The dialog opens on the colour last chosen in it, for either button.
        pick(std::nullopt);
        d.ChangeWallBackColorButton->click();
        EXPECT_EQ(d.wallpaperColorSwatch(), 0u);
        pick(0x0000FF);
        d.ChangeBackColorButton->click();
        d.OKButton->click();
    });
    EXPECT_EQ(offered, QList<ColorRef>({before, 0x00FF00u, 0x00FF00u}));
    EXPECT_EQ(form->backColor(), 0x0000FFu);
    EXPECT_EQ(form->scrollBox()->viewport()->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_NE(regText(QStringLiteral("BackColor")), QStringLiteral("clRed"));
    finish();
    EXPECT_EQ(regText(QStringLiteral("BackColor")), QStringLiteral("clRed"));
}

TEST_F(SettingsDialogTest, OriginalSizeAppliesFromTheNextFile)
{
    seedDefaults(1);
    const QString big = writeBmp(QStringLiteral("a.bmp"), 1200, 900);
    writeBmp(QStringLiteral("b.bmp"), 1000, 800);
    start({big});
    arrangeArea(QSize(600, 400));
    const QRect fitted = pictureGeometry();
    ASSERT_LT(fitted.width(), 1200);
    showDialog([&](SettingsForm& d) {
        d.OriginalSizeRadioButton->setChecked(true);
        d.OKButton->click();
    });
    EXPECT_EQ(pictureGeometry(), fitted);
    EXPECT_EQ(regInt(QStringLiteral("ImageScale")), 3);
    key(Qt::Key_PageDown);
    EXPECT_EQ(pictureGeometry().size(), QSize(1000, 800));
}

TEST_F(SettingsDialogTest, ResizeWindowToFlashWithAMovieCurrent)
{
    seedDefaults();
    const QString movie = writeSwf(QStringLiteral("m.swf"));
    start({movie});
    ASSERT_EQ(form->CurrentExtension(), QStringLiteral("SWF"));
    const QSize before = form->size();
    showDialog([&](SettingsForm& d) {
        d.TreeView->setCurrentItem(d.TreeView->topLevelItem(4));
        d.flashScaleButtons[4]->setChecked(true);  // RadioButtonScaleForm
        d.flashQualityButtons[2]->setChecked(true);
        d.OKButton->click();
    });
    EXPECT_TRUE(form->movie().resizeWindowToMovie);
    EXPECT_NE(form->size(), before);
    EXPECT_EQ(form->size().width(), 550 + 6);
    EXPECT_EQ(regInt(QStringLiteral("FlashScale")), 5);
    EXPECT_EQ(regInt(QStringLiteral("FlashQuality")), 3);
}

TEST_F(SettingsDialogTest, CancelAndEscStoreNothingAndReopeningShowsTheStoredValues)
{
    seedDefaults();
    seedInt(QStringLiteral("FlashWallQuality"), 4);
    start();
    auto change = [](SettingsForm& d) {
        d.ShowStartLogoCheckBox->setChecked(true);
        d.CenterRadioButton->setChecked(true);
        d.QualityComboBox->setCurrentIndex(0);
        d.flashScaleButtons[2]->setChecked(true);
        d.FscommandCheckBox->setChecked(true);
        d.buttonCheckBoxes[3]->setChecked(false);
    };
    showDialog([&](SettingsForm& d) {
        change(d);
        d.CancelButton->click();
    });
    showDialog([&](SettingsForm& d) {
        change(d);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    showDialog([&](SettingsForm& d) {
        EXPECT_FALSE(d.ShowStartLogoCheckBox->isChecked());
        EXPECT_TRUE(d.RastRadioButton->isChecked());
        EXPECT_EQ(d.QualityComboBox->currentIndex(), 4);
        EXPECT_TRUE(d.flashScaleButtons[0]->isChecked());
        EXPECT_FALSE(d.FscommandCheckBox->isChecked());
        EXPECT_TRUE(d.buttonCheckBoxes[3]->isChecked());
    });
    EXPECT_EQ(regInt(QStringLiteral("ShowStartLogo")), 0);
    EXPECT_EQ(regInt(QStringLiteral("SetWall")), 3);
    EXPECT_EQ(regInt(QStringLiteral("FlashWallQuality")), 4);
    EXPECT_EQ(regInt(QStringLiteral("FlashScale")), 1);
    EXPECT_TRUE(form->isVisible());  // Esc closed the dialog, not the window
}

TEST_F(SettingsDialogTest, LinksTurnGreenWhilePressedAndOpenTheirTargets)
{
    seedDefaults();
    start();
    QStringList opened;
    auto saved = LinkLabel::opener();
    LinkLabel::opener() = [&](const QString& target) { opened << target; };
    showDialog([&](SettingsForm& d) {
        d.TreeView->setCurrentItem(d.TreeView->topLevelItem(7));
        for (LinkLabel* link : {d.Label9, d.Label11, d.SendMailLabel, d.Label10}) {
            QTest::mousePress(link, Qt::LeftButton, {}, QPoint(2, 2));
            EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 255, 0));
            QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(2, 2));
            EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        }
        // Centred in the page; the long line keeps its place.
        const int pageWidth = d.pages[7]->width();
        for (QLabel* label : {d.Label5, d.Label8, static_cast<QLabel*>(d.SendMailLabel)})
            EXPECT_EQ(label->x(), (pageWidth - label->width()) / 2);
        EXPECT_EQ(d.Label7->width(), 262);
        // Dragging by the title strip moves the dialog.
        const QPoint at = d.pos();
        QTest::mousePress(d.NameSettingLabel, Qt::LeftButton, {}, QPoint(5, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(35, 25), d.NameSettingLabel->mapToGlobal(QPointF(35, 25)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(d.NameSettingLabel, &move);
        QTest::mouseRelease(d.NameSettingLabel, Qt::LeftButton, {}, QPoint(35, 25));
        EXPECT_EQ(d.pos(), at + QPoint(30, 20));
    });
    LinkLabel::opener() = saved;
    ASSERT_EQ(opened.size(), 4);
    EXPECT_TRUE(opened[2].startsWith(QStringLiteral("mailto:")));
    for (const QString& target : {opened[0], opened[1], opened[3]})
        EXPECT_TRUE(target.startsWith(QStringLiteral("https://"))) << target.toStdString();
}
