#include "app/StartArgument.h"
#include "viewer/StartDecode.h"
#include "MainWindowFixture.h"

#include "settings/SettingsKey.h"
#include "viewer/ui/PictureControl.h"
#include "viewer/ui/RenameFileForm.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace vx;

namespace {

// Little-endian bit and byte writer for the movie header.
class SwfBytes {
public:
    void bits(uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = uint8_t((acc_ << 1) | ((value >> i) & 1));
            if (++used_ == 8)
                flushBits();
        }
    }
    void alignBits()
    {
        if (used_ > 0) {
            acc_ = uint8_t(acc_ << (8 - used_));
            flushBits();
        }
    }
    void u8(int v) { bytes.append(char(v)); }
    void u16(int v)
    {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    QByteArray bytes;

private:
    void flushBits()
    {
        bytes.append(char(acc_));
        acc_ = 0;
        used_ = 0;
    }
    uint8_t acc_ = 0;
    int used_ = 0;
};

}  // namespace

void MainWindowTest::SetUp()
{
    home = std::make_unique<TempHome>();
    ASSERT_TRUE(program_.isValid());
    ASSERT_TRUE(pictures_.isValid());
    programFolder = program_.path() + QLatin1Char('/');
    // The program folder as the build lays it out, without the start logo.
    QDir dir(program_.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Data/Languages")));
    dir.mkpath(QStringLiteral("Data/Skins"));
    dir.mkpath(QStringLiteral("Data/Unzip"));
    dir.mkpath(QStringLiteral("Data/Font"));
    for (const char* lng : {"English.lng", "Russian.lng"}) {
        const QString from = QStringLiteral(VX_BUILD_DIR "/Data/Languages/") + QLatin1String(lng);
        QFile::copy(from, programFolder + QStringLiteral("Data/Languages/") + QLatin1String(lng));
    }
    QFile::link(QStringLiteral(VX_BUILD_DIR "/Data/Font/Vextrel_Viewer_Font.ttf"),
                programFolder + QStringLiteral("Data/Font/Vextrel_Viewer_Font.ttf"));
}

void MainWindowTest::TearDown()
{
    finish();
    home.reset();
}

void MainWindowTest::seedInt(const QString& name, int value)
{
    RegistryKey key;
    ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, true));
    key.writeInteger(name, value);
}

void MainWindowTest::seedText(const QString& name, const QString& value)
{
    RegistryKey key;
    ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, true));
    key.writeString(name, value);
}

void MainWindowTest::removeValue(const QString& name)
{
    RegistryKey key;
    ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, true));
    key.deleteValue(name);
}

void MainWindowTest::seedDefaults(int imageScale)
{
    seedText(QStringLiteral("Language"), programFolder + QStringLiteral("Data/Languages/English.lng"));
    seedInt(QStringLiteral("ShowStartLogo"), 0);
    seedInt(QStringLiteral("CurrentFileNumberVisible"), 1);
    seedInt(QStringLiteral("ImageScale"), imageScale);
    seedBounds(QRect(50, 40, 606, 426));
}

void MainWindowTest::seedBounds(const QRect& bounds)
{
    seedInt(QStringLiteral("FormLeft"), bounds.left());
    seedInt(QStringLiteral("FormTop"), bounds.top());
    seedInt(QStringLiteral("FormWidth"), bounds.width());
    seedInt(QStringLiteral("FormHeight"), bounds.height());
}

std::optional<int> MainWindowTest::regInt(const QString& name) const
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, false))
        return std::nullopt;
    auto v = key.value(name);
    if (!v || v->type != RegistryValue::Type::DWord)
        return std::nullopt;
    return int(v->number);
}

std::optional<QString> MainWindowTest::regText(const QString& name) const
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, false))
        return std::nullopt;
    auto v = key.value(name);
    if (!v || v->type != RegistryValue::Type::String)
        return std::nullopt;
    return v->text;
}

void MainWindowTest::start(const QStringList& arguments, bool show)
{
    std::unique_ptr<StartDecode> startDecode;
    if (decodeAtStart && !arguments.isEmpty())
        startDecode = StartDecode::begin(resolveStartArgument(arguments.first()));
    form = std::make_unique<MainForm>(programFolder, arguments, nullptr, std::move(startDecode));
    dialogs = std::make_unique<ProgramDialogs>(form.get());
    form->showMessage = [this](const QString& t) { messages << t; };
    form->confirmDelete = [this](const QString& t) {
        deleteQuestions << t;
        return answerDelete;
    };
    form->chooseOpenFile = [] { return QString(); };
    if (show) {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
    }
    settle();
}

void MainWindowTest::settle() const
{
    // The picture being opened arrives from the decoding thread.
    if (form)
        form->settleOpen();
}

void MainWindowTest::finish()
{
    if (!form)
        return;
    form->close();
    dialogs.reset();
    form.reset();
    QCoreApplication::processEvents();
}

void MainWindowTest::arrangeArea(QSize wanted)
{
    const QSize now = area();
    form->resize(form->size() + (wanted - now));
    QTRY_COMPARE(area(), wanted);
    QCoreApplication::processEvents();
}

QString MainWindowTest::writeImage(const QString& name, const QImage& image, const char* format)
{
    const QString path = picturePath(name);
    EXPECT_TRUE(image.save(path, format)) << path.toStdString();
    return path;
}

QString MainWindowTest::writeBmp(const QString& name, int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    return writeImage(name, image, "BMP");
}

QString MainWindowTest::writeText(const QString& name, const QByteArray& bytes)
{
    const QString path = picturePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QString MainWindowTest::writeSwf(const QString& name)
{
    // Stage 550 x 400 pixels in twips, 12 frames per second, one frame:
    // ShowFrame, End.
    SwfBytes body;
    body.bits(15, 5);
    for (int v : {0, 11000, 0, 8000})
        body.bits(uint32_t(v), 15);
    body.alignBits();
    body.u16(12 << 8);
    body.u16(1);
    body.u16(1 << 6);  // ShowFrame
    body.u16(0);       // End
    QByteArray file("FWS");
    file.append(char(6));
    const uint32_t length = uint32_t(8 + body.bytes.size());
    for (int i = 0; i < 4; ++i)
        file.append(char((length >> (8 * i)) & 0xFF));
    file.append(body.bytes);
    return writeText(name, file);
}

QString MainWindowTest::labelText() const
{
    settle();
    return form->nameLabel()->text();
}

QColor MainWindowTest::labelColor() const
{
    settle();
    return form->nameLabel()->palette().color(QPalette::WindowText);
}

QRect MainWindowTest::pictureGeometry() const
{
    settle();
    return form->picture()->geometry();
}

QWidget* MainWindowTest::child(const char* objectName) const
{
    return form->findChild<QWidget*>(QLatin1String(objectName));
}

void MainWindowTest::key(int k, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(form.get(), Qt::Key(k), modifiers);
    settle();
}

RenameFileForm* MainWindowTest::renameForm() const
{
    return dialogs ? dialogs->RenameFileForm : nullptr;
}

void MainWindowTest::whenRenameShown(std::function<void(RenameFileForm*)> action)
{
    auto* timer = new QTimer(form.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, form.get(), [this, timer, action] {
        RenameFileForm* dlg = renameForm();
        if (!dlg || !dlg->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(dlg);
        // Whatever the action did, the dialog must not stay open.
        if (dlg->isVisible())
            dlg->reject();
    });
    timer->start();
}
