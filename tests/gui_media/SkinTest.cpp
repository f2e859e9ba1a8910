// Skins through the real main window: the built-in skin, packages given as
// the program's argument or stored in the settings, their metrics and the
// arrangement of the buttons, and broken packages.
#include "MediaFixture.h"

#include "flash/ui/FrameProgressBar.h"
#include "settings/ViewerSettings.h"
#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QMimeData>
#include <QTest>

namespace media {
namespace {

class SkinTest : public MediaTest {
protected:
    vx::SkinButton* button(vx::SkinButtonIndex i) const { return form->button(i); }
    int left(vx::SkinButtonIndex i) const { return button(i)->x(); }
    int panelWidth() const { return form->buttonsPanel()->width(); }

    // Every button w x h, the bars and the gap as given, the buttons arranged with that gap.
    void expectSkin(QSize buttonSize, int topBar, int bottomBar, int gap)
    {
        for (int i = 0; i < vx::kBtnCount; ++i)
            EXPECT_EQ(button(vx::SkinButtonIndex(i))->size(), buttonSize) << i;
        EXPECT_EQ(form->buttonsPanel()->height(), topBar);
        EXPECT_EQ(form->navButtonPanel()->height(), bottomBar);
        EXPECT_EQ(form->betweenWidth(), gap);
        const int w = buttonSize.width();
        const int step = (w + gap) % 256;
        for (int i = 0; i <= vx::kBtnNext; ++i)
            EXPECT_EQ(left(vx::SkinButtonIndex(i)), i * step) << i;
        EXPECT_EQ(left(vx::kBtnClose), panelWidth() - w);
        EXPECT_EQ(left(vx::kBtnMaximize), panelWidth() - 2 * w - gap);
        EXPECT_EQ(left(vx::kBtnMinimize), panelWidth() - 3 * w - 2 * gap);
        EXPECT_EQ(left(vx::kBtnFullScreen), panelWidth() - 4 * w - 3 * gap);
        EXPECT_EQ(left(vx::kBtnPlay), 0);
        EXPECT_EQ(left(vx::kBtnPause), 0);
        EXPECT_EQ(left(vx::kBtnStop), w + gap);
        EXPECT_EQ(form->frameBar()->x(), 2 * w + gap + 5);
        EXPECT_EQ(form->frameBar()->y(), (bottomBar - form->frameBar()->height()) / 2);
        EXPECT_EQ(form->frameLabel()->y(), (bottomBar - form->frameLabel()->height()) / 2);
    }
    // The package's images: tile t's normal colour on the button's normal
    // image, its pressed colour on the pressed image (see skinTiles).
    void expectPackageImages(vx::SkinButtonIndex i, int tile)
    {
        EXPECT_EQ(button(i)->bmpNormal().pixelColor(1, 1), QColor(10 + tile * 14, 200, 120)) << i;
        EXPECT_EQ(button(i)->bmpDown().pixelColor(1, 1), QColor(10 + tile * 14, 40, 120)) << i;
    }
};

TEST_F(SkinTest, WithoutAStoredSkinTheBuiltInOneIsApplied)
{
    setSetting(vx::setting::Skin, program.skinsFolder() + QStringLiteral("Gone.vxskin"));
    start();
    EXPECT_EQ(form->currentSkinFile(), QStringLiteral("Default"));
    expectSkin(QSize(25, 19), 20, 20, 3);
    EXPECT_FALSE(button(vx::kBtnOpen)->bmpNormal().isNull());
    EXPECT_FALSE(button(vx::kBtnStop)->bmpDown().isNull());
    EXPECT_NE(button(vx::kBtnOpen)->bmpNormal(), button(vx::kBtnSave)->bmpNormal());
}

TEST_F(SkinTest, SampleSkinsGivenAsArgumentAreInstalledAppliedAndKept)
{
    struct Sample {
        const char* file;
        QSize button;
        int top, bottom, gap;
    };
    for (const Sample& s : {Sample{"Graphite.vxskin", QSize(26, 24), 28, 26, 3},
                            Sample{"Mint.vxskin", QSize(25, 19), 20, 20, 1}}) {
        SCOPED_TRACE(s.file);
        const QString argument = builtData(QStringLiteral("Skins/") + QLatin1String(s.file));
        ASSERT_TRUE(QFileInfo::exists(argument));
        start({argument});
        const QString installed = program.skinsFolder() + QLatin1String(s.file);
        EXPECT_TRUE(QFileInfo::exists(installed));
        EXPECT_EQ(settingText(vx::setting::Skin), installed);
        EXPECT_EQ(form->currentSkinFile(), argument);
        expectSkin(s.button, s.top, s.bottom, s.gap);
        // At the default width of 400 pixels Next ends before Full screen begins.
        EXPECT_EQ(form->width(), 400);
        EXPECT_LT(left(vx::kBtnNext) + s.button.width(), left(vx::kBtnFullScreen));
        // The package is no picture to open.
        EXPECT_TRUE(form->state().nav.CurrentPath.isEmpty());
        EXPECT_FALSE(form->picture()->hasPicture());
        EXPECT_TRUE(messages.isEmpty());
        stop();

        // The next start takes the installed copy from the settings.
        start();
        EXPECT_EQ(form->currentSkinFile(), installed);
        expectSkin(s.button, s.top, s.bottom, s.gap);
        stop();
    }
}

TEST_F(SkinTest, PackageMetricsAndArrangement)
{
    struct Case {
        const char* name;
        SkinSpec spec;
        QSize button;
        int top, bottom, gap;
    };
    SkinSpec noParam;
    noParam.tileWidth = 30;
    noParam.tileHeight = 17;
    noParam.withParam = false;
    SkinSpec edgeToEdge;
    edgeToEdge.betweenWidth = 0;
    edgeToEdge.buttonsPanelHeight = 24;
    edgeToEdge.flashPanelHeight = 31;
    SkinSpec wide;
    wide.tileWidth = 30;
    wide.betweenWidth = 250;  // step (30 + 250) mod 256 = 24
    const Case cases[] = {
        {"NoParam.vxskin", noParam, QSize(30, 17), 20, 20, 3},
        {"Flush.vxskin", edgeToEdge, QSize(25, 19), 24, 31, 0},
        {"Wide.vxskin", wide, QSize(30, 19), 20, 20, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start({writeSkinPackage(path(QLatin1String(c.name)), c.spec)});
        expectSkin(c.button, c.top, c.bottom, c.gap);
        expectPackageImages(vx::kBtnOpen, 0);
        expectPackageImages(vx::kBtnNext, 8);
        expectPackageImages(vx::kBtnFullScreen, 10);
        expectPackageImages(vx::kBtnStop, 16);
        if (c.gap == 250) {
            EXPECT_EQ(left(vx::kBtnSave), 24);
        }
        stop();
    }
}

TEST_F(SkinTest, AHiddenButtonTakesNoRoom)
{
    setSetting(vx::setting::ButtonsVisible, QStringLiteral("110111110"));
    start({builtData(QStringLiteral("Skins/Graphite.vxskin"))});
    EXPECT_FALSE(button(vx::kBtnSettings)->isVisible());
    EXPECT_FALSE(button(vx::kBtnNext)->isVisible());
    const int step = 29;
    EXPECT_EQ(left(vx::kBtnSave), step);
    EXPECT_EQ(left(vx::kBtnInfo), 2 * step);  // where btnSettings would be
    EXPECT_EQ(left(vx::kBtnSetWall), 3 * step);
    EXPECT_EQ(left(vx::kBtnPrev), 6 * step);
    EXPECT_EQ(left(vx::kBtnNext), 7 * step);  // nothing after it moves
}

TEST_F(SkinTest, APackageWithoutItsPictureGivesTheBuiltInSkin)
{
    SkinSpec spec;
    spec.tileWidth = 30;
    spec.withButtonsBmp = false;
    const QString package = writeSkinPackage(path(QStringLiteral("NoPicture.vxskin")), spec);
    start({package});
    EXPECT_EQ(form->currentSkinFile(), QStringLiteral("Default"));
    expectSkin(QSize(25, 19), 20, 20, 3);
    EXPECT_TRUE(QFileInfo::exists(program.skinsFolder() + QStringLiteral("NoPicture.vxskin")));
    EXPECT_FALSE(settingText(vx::setting::Skin).has_value());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SkinTest, NotAZipArchiveGivesTheBuiltInSkinWithoutAMessage)
{
    start({writeFile(path(QStringLiteral("Junk.vxskin")), QByteArray(300, 'x'))});
    EXPECT_EQ(form->currentSkinFile(), QStringLiteral("Default"));
    expectSkin(QSize(25, 19), 20, 20, 3);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SkinTest, ABadButtonKeyIsReportedAndStartUpGoesOn)
{
    SkinSpec spec;
    spec.buttonsPanelHeight = 30;
    spec.flashPanelHeight = 30;
    spec.betweenWidth = 7;
    spec.badKey = 5;  // btnSettings' normal image
    spec.badValue = QStringLiteral("abc,0,25,19");
    const QString package = writeSkinPackage(program.skinsFolder() + QStringLiteral("Bad.vxskin"), spec);
    setSetting(vx::setting::Skin, package);
    const QString picture = writeBmp(path(QStringLiteral("view.bmp")), quarterPicture(60, 40));

    // The error comes while the window is being made, before any hook can be set.
    ModalAnswerer answerer;
    start({picture});
    ASSERT_EQ(answerer.messageTexts.size(), 1);
    EXPECT_EQ(answerer.messageTexts.first(), QStringLiteral("'abc' is not a valid integer value"));

    // Buttons cut before the bad key have the package's images, the rest the
    // built-in ones; bars, gap and arrangement are the built-in skin's.
    expectPackageImages(vx::kBtnOpen, 0);
    expectPackageImages(vx::kBtnSave, 1);
    const QImage builtIn = button(vx::kBtnSettings)->bmpNormal();
    ASSERT_EQ(builtIn.size(), QSize(25, 19));
    EXPECT_NE(builtIn.pixelColor(1, 1), QColor(10 + 2 * 14, 200, 120));
    EXPECT_FALSE(button(vx::kBtnStop)->bmpDown().isNull());
    expectSkin(QSize(25, 19), 20, 20, 3);

    // The rest of start-up ran: language, the picture, the hot keys.
    EXPECT_EQ(button(vx::kBtnClose)->toolTip(), QString::fromUtf8("Закрыть"));
    form->settleOpen();  // the picture arrives from the decoding thread
    EXPECT_TRUE(form->picture()->hasPicture());
    EXPECT_FALSE(form->labelIsRed());
    QApplication::clipboard()->clear();
    QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().first().toLocalFile(), picture);
}

TEST_F(SkinTest, ABadButtonKeyThroughTheMessageHook)
{
    SkinSpec spec;
    spec.badKey = 32;
    spec.badValue = QStringLiteral("400,19,25");
    start();
    form->LoadSkin(writeSkinPackage(path(QStringLiteral("Short.vxskin")), spec));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("'")));
    EXPECT_TRUE(messages.first().endsWith(QStringLiteral("' is not a valid integer value")));
    // All but the last image were cut; the stored skin did not change.
    expectPackageImages(vx::kBtnPause, 15);
    EXPECT_EQ(button(vx::kBtnStop)->bmpNormal().pixelColor(1, 1), QColor(10 + 16 * 14, 200, 120));
    EXPECT_FALSE(settingText(vx::setting::Skin).has_value());
}

// The error display of a package whose picture is broken closes with Esc,
// as every error box of the viewer does.
TEST_F(SkinTest, ABrokenPictureIsReportedInABoxThatEscCloses)
{
    const QString package = writeZip(path(QStringLiteral("Broken.vxskin")),
                                     {{QStringLiteral("Buttons.bmp"), QByteArray("BM not a bitmap at all")},
                                      {QStringLiteral("SkinInfo.txt"), skinInfoText(SkinSpec())}});
    start();
    form->showMessage = nullptr;  // the real box
    QString text;
    bool closedByEsc = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        text = box->text();
        QTest::keyClick(box, Qt::Key_Escape);
        closedByEsc = !box->isVisible();
        if (!closedByEsc)
            box->accept();
    });
    poll.start(20);
    form->LoadSkin(package);
    EXPECT_EQ(text, QStringLiteral("Bitmap image is not valid"));
    EXPECT_TRUE(closedByEsc);
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace media
