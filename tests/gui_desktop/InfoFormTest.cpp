// The file information dialog in the real window: rows, places and height
// for a picture, an animation and a movie; its texts in both languages;
// a file gone since it was opened; Advanced.
#include "DesktopFixture.h"

#include "codecs_gif/GifWriter.h"
#include "desktop/ui/InfoForm.h"
#include "export/ui/ChangeQualityForm.h"
#include "settings/ViewerSettings.h"
#include "viewer/ui/RenameFileForm.h"
#include "viewer/ui/PictureControl.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <QDBusConnection>

namespace desktoptest {
namespace {

// What the dialog showed: the visible rows by name with their tops and
// texts, the buttons' top and the client height.
struct Shown {
    bool opened = false;
    QStringList rows;
    QList<int> tops;
    QMap<QString, QString> texts;
    int buttonsTop = 0;
    int okTop = 0;
    int height = 0;
    QString caption;
    QStringList labels;
};

class InfoFormTest : public DesktopTest {
protected:
    vx::InfoForm* info() const { return qobject_cast<vx::InfoForm*>(dialogs->InfoForm); }

    // Runs the command; the dialog is read and closed while it is up.
    Shown showInfo()
    {
        Shown shown;
        QTimer timer;  // gone with this call when the dialog never opens
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            vx::InfoForm* d = info();
            if (!d->isVisible())
                return;
            shown.opened = true;
            shown.caption = d->windowTitle();
            for (QLineEdit* e : d->findChildren<QLineEdit*>()) {
                if (!e->isVisibleTo(d))
                    continue;
                shown.rows << e->objectName();
                shown.tops << e->y();
                shown.texts[e->objectName()] = e->text();
                shown.labels << d->labelOf(e)->text();
                EXPECT_EQ(d->labelOf(e)->isVisibleTo(d), true);
                EXPECT_EQ(e->x(), 5);
                EXPECT_EQ(e->width(), 364);
            }
            shown.buttonsTop = d->ButtonWinProperties->y();
            shown.okTop = d->ButtonOK->y();
            shown.height = d->height();
            EXPECT_EQ(d->width(), 375);
            EXPECT_EQ(d->ButtonOK->geometry(), QRect(294, shown.okTop, 75, 25));
            EXPECT_EQ(d->ButtonWinProperties->geometry(), QRect(184, shown.okTop, 105, 25));
            d->ButtonOK->click();
        });
        timer.start(0);
        form->btnInfoClick();
        return shown;
    }
};

QString gifFile(const QString& path, int frames)
{
    testgif::File gif;
    gif.width = 8;
    gif.height = 5;
    gif.loops = 0;
    gif.palette = {{255, 0, 0}, {0, 0, 255}};
    for (int i = 0; i < frames; ++i) {
        testgif::Frame f = testgif::solid(0, 0, 8, 5, uint8_t(i % 2));
        f.delayCs = 10;
        gif.frames.push_back(f);
    }
    return media::writeFile(path, testgif::write(gif));
}

TEST_F(InfoFormTest, RowsPlacesAndHeightForAPictureAnAnimationAndAMovie)
{
    media::setSetting(vx::setting::Language, program.languageFile(QStringLiteral("English.lng")));
    const QString picture = pictureFile(QStringLiteral("p.bmp"), 40, 30);
    const QString gif = gifFile(path(QStringLiteral("a.gif")), 12);
    const QString movie = media::writeFile(path(QStringLiteral("m.swf")), media::movieBytes(5, 550, 400));
    const QStringList common{"FileNameEdit", "FilePathEdit", "FullPathEdit", "LastUpdateEdit", "FileSizeEdit"};
    const QList<int> commonTops{17, 56, 96, 136, 176};
    const struct {
        QString file;
        QStringList rows;
        QList<int> tops;
        int buttons;
        int height;
        QMap<QString, QString> texts;
    } cases[] = {
        {picture, common + QStringList{"CurrentSizeEdit", "OriginalSizeEdit"}, commonTops + QList<int>{216, 256}, 283,
         313, {{"CurrentSizeEdit", "40 x 30"}, {"OriginalSizeEdit", "40 x 30"}}},
        {gif, common + QStringList{"CurrentSizeEdit", "OriginalSizeEdit", "FramesCountGIFEdit"},
         commonTops + QList<int>{216, 256, 296}, 323, 353,
         {{"OriginalSizeEdit", "8 x 5"}, {"FramesCountGIFEdit", "12"}}},
        {movie, common + QStringList{"FramesCountFlashEdit", "FlashSceneSizeEdit"}, commonTops + QList<int>{216, 256},
         283, 313, {{"FramesCountFlashEdit", "5"}, {"FlashSceneSizeEdit", "550 x 400"}}},
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        form->openPath(c.file);
        form->settleOpen();
        const Shown shown = showInfo();
        ASSERT_TRUE(shown.opened);
        QStringList rows = shown.rows;
        QList<int> tops = shown.tops;
        // In the order of their tops.
        QList<QPair<int, QString>> sorted;
        for (int i = 0; i < rows.size(); ++i)
            sorted << qMakePair(tops[i], rows[i]);
        std::sort(sorted.begin(), sorted.end());
        rows.clear();
        tops.clear();
        for (const auto& [top, name] : sorted) {
            tops << top;
            rows << name;
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(tops, c.tops);
        EXPECT_EQ(shown.buttonsTop, c.buttons);
        EXPECT_EQ(shown.height, c.height);
        const QFileInfo file(c.file);
        EXPECT_EQ(shown.texts["FileNameEdit"], file.fileName());
        EXPECT_EQ(shown.texts["FilePathEdit"], file.absolutePath() + QLatin1Char('/'));
        EXPECT_EQ(shown.texts["FullPathEdit"], file.absoluteFilePath());
        const QString bytes = QString::number(file.size()) + QStringLiteral(" bytes");
        EXPECT_EQ(shown.texts["FileSizeEdit"],
                  file.size() < 1024 ? bytes
                                     : QLocale().toString(double(file.size()) / 1024.0, 'f', 2)
                                           + QStringLiteral(" Kb (") + bytes + QLatin1Char(')'));
        EXPECT_TRUE(shown.texts["LastUpdateEdit"].startsWith(QLocale().toString(file.lastModified().date(), QLocale::ShortFormat)));
        for (auto it = c.texts.begin(); it != c.texts.end(); ++it)
            EXPECT_EQ(shown.texts[it.key()], it.value()) << it.key().toStdString();
        EXPECT_EQ(shown.caption, QStringLiteral("File information"));
    }

    // A zoomed picture's size on screen differs from its size in the file.
    form->openPath(picture);
    form->settleOpen();
    form->ZoomIn();
    const Shown zoomed = showInfo();
    EXPECT_NE(zoomed.texts["CurrentSizeEdit"], QStringLiteral("40 x 30"));
    EXPECT_EQ(zoomed.texts["OriginalSizeEdit"], QStringLiteral("40 x 30"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(InfoFormTest, TextsFollowTheLanguageAtFirstShowAndAtEveryChange)
{
    const QString picture = pictureFile(QStringLiteral("p.bmp"));
    start({picture});
    Shown shown = showInfo();
    EXPECT_EQ(shown.caption, QString::fromUtf8("Информация о файле"));
    EXPECT_TRUE(shown.labels.contains(QString::fromUtf8("Имя файла:")));
    EXPECT_EQ(info()->ButtonWinProperties->text(), QString::fromUtf8("Дополнительно"));
    EXPECT_TRUE(shown.texts["FileSizeEdit"].endsWith(QString::fromUtf8(" байт)")));

    form->applyLanguageEverywhere(program.languageFile(QStringLiteral("English.lng")));
    EXPECT_EQ(info()->windowTitle(), QStringLiteral("File information"));
    EXPECT_EQ(info()->ButtonWinProperties->text(), QStringLiteral("Advanced"));
    const struct {
        QLineEdit* edit;
        const char* label;
    } labels[] = {{info()->FileNameEdit, "File name:"},          {info()->FilePathEdit, "File path:"},
                  {info()->FullPathEdit, "Full path:"},          {info()->LastUpdateEdit, "Changed:"},
                  {info()->FileSizeEdit, "File size:"},          {info()->CurrentSizeEdit, "Current size:"},
                  {info()->FramesCountFlashEdit, "Total frames:"}, {info()->OriginalSizeEdit, "Original size:"},
                  {info()->FramesCountGIFEdit, "Total frames:"},   {info()->FlashSceneSizeEdit, "Scene size:"}};
    for (const auto& l : labels)
        EXPECT_EQ(info()->labelOf(l.edit)->text(), QLatin1String(l.label)) << l.label;
    EXPECT_EQ(dialogs->RenameFileForm->windowTitle(), QStringLiteral("Rename file"));
    EXPECT_EQ(dialogs->QualityForm->windowTitle(), QStringLiteral("Quality"));

    // A language without these sections gives the English texts.
    const QString bare = media::writeFile(program.languageFile(QStringLiteral("Bare.lng")),
                                          "[Info]\r\nProg=Vextrel Viewer\r\n[Information]\r\n13=Stage:\r\n");
    form->applyLanguageEverywhere(program.languageFile(QStringLiteral("Russian.lng")));
    form->applyLanguageEverywhere(bare);
    EXPECT_EQ(info()->labelOf(info()->FlashSceneSizeEdit)->text(), QStringLiteral("Stage:"));
    EXPECT_EQ(info()->labelOf(info()->FileNameEdit)->text(), QStringLiteral("File name:"));
    EXPECT_EQ(dialogs->RenameFileForm->windowTitle(), QStringLiteral("Rename file"));
}

TEST_F(InfoFormTest, AFileGoneSinceItWasOpenedIsSaidPlainly)
{
    media::setSetting(vx::setting::Language, program.languageFile(QStringLiteral("English.lng")));
    const QString picture = pictureFile(QStringLiteral("gone.bmp"));
    start({picture});
    QFile::remove(picture);
    const Shown shown = showInfo();
    EXPECT_FALSE(shown.opened);
    EXPECT_EQ(messages, QStringList{QStringLiteral("File not exist\n\r") + picture});
    // The picture on screen stays.
    EXPECT_TRUE(form->picture()->hasPicture());
    EXPECT_FALSE(form->labelIsRed());
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// A file manager on the private bus that records the items it is asked about.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList items;
public slots:
    void ShowItemProperties(const QStringList& uris, const QString&) { items << uris; }
};

TEST_F(InfoFormTest, AdvancedAsksTheFileManagerElseShowsTheFolder)
{
    const QString picture = pictureFile(QStringLiteral("my pic.bmp"));
    UrlRecorder opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    start({picture});
    info()->fill(vx::FileFacts{picture, QDateTime::currentDateTime(), 1, "bytes", "Kb", false, {}, {}, {}, 0, {}});

    // Nobody answers: the folder is shown.
    info()->ButtonWinProperties->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }, 10000));
    EXPECT_EQ(opened.urls.value(0), QUrl::fromLocalFile(files.path() + QLatin1Char('/')));

    if (privateBusAddress.isEmpty()) {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        GTEST_SKIP() << "no dbus-daemon for a file manager of our own";
    }
    QDBusConnection service = QDBusConnection::connectToBus(privateBusAddress, QStringLiteral("fake-file-manager"));
    FakeFileManager manager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    opened.urls.clear();
    info()->ButtonWinProperties->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !manager.items.isEmpty(); }, 10000));
    EXPECT_EQ(manager.items, QStringList{QUrl::fromLocalFile(picture).toString(QUrl::FullyEncoded)});
    QTest::qWait(50);
    EXPECT_TRUE(opened.urls.isEmpty());
    service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

}  // namespace
}  // namespace desktoptest

#include "InfoFormTest.moc"
