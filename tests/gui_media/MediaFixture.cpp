#include "MediaFixture.h"

#include "settings/SettingsKey.h"
#include "swfwriter/SwfWriter.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <zip.h>

namespace media {

namespace {

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString file = it.next();
        QFile::copy(file, to + QLatin1Char('/') + QFileInfo(file).fileName());
    }
}

}  // namespace

ProgramFolder::ProgramFolder()
{
    const QString data = QStringLiteral(VX_BUILD_DIR "/Data/");
    for (const char* sub : {"Languages", "Font", "Unzip", "Icons"})
        copyFolder(data + QLatin1String(sub), path() + QStringLiteral("Data/") + QLatin1String(sub));
    QDir().mkpath(skinsFolder());
}

QString builtData(const QString& relative)
{
    return QStringLiteral(VX_BUILD_DIR "/Data/") + relative;
}

void setSetting(const QString& name, int value)
{
    vx::RegistryKey key;
    ASSERT_TRUE(key.open(vx::kSettingsHive, vx::kSettingsKeyPath, true));
    key.writeInteger(name, value);
}

void setSetting(const QString& name, const QString& text)
{
    vx::RegistryKey key;
    ASSERT_TRUE(key.open(vx::kSettingsHive, vx::kSettingsKeyPath, true));
    key.writeString(name, text);
}

std::optional<QString> settingText(const QString& name)
{
    vx::RegistryKey key;
    if (!key.open(vx::kSettingsHive, vx::kSettingsKeyPath, false))
        return std::nullopt;
    auto v = key.value(name);
    if (!v || v->type != vx::RegistryValue::Type::String)
        return std::nullopt;
    return v->text;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {

QByteArray toQBytes(const swfw::Bytes& b)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

swfw::ShapeBuilder square(uint32_t argb, int size)
{
    swfw::ShapeBuilder s;
    const int fill = s.addFill(swfw::Fill::solid(argb));
    s.rect(0, 0, size, size, fill);
    return s;
}

}  // namespace

QByteArray movieBytes(int frames, int width, int height, double fps)
{
    swfw::Movie m(width * 20, height * 20, fps);
    m.background(0x2050a0);
    const int side = std::min(width, height) / 2 * 20;
    m.shape(1, square(0xffffc000, side));
    const int travel = width * 20 - side;
    for (int f = 0; f < frames; ++f) {
        const int x = frames > 1 ? travel * f / (frames - 1) : 0;
        m.place(1, f == 0 ? 1 : 0, swfw::Matrix::translate(x, (height * 20 - side) / 2), nullptr, -1, -1, "",
                f != 0);
        m.showFrame();
    }
    return toQBytes(m.bytes());
}

QByteArray fsCommandMovieBytes(const QString& command, const QString& args)
{
    swfw::Movie m(100 * 20, 100 * 20, 20);
    m.showFrame();
    swfw::Bytes actions = swfw::act::getURL("FSCommand:" + command.toStdString(), args.toStdString());
    const swfw::Bytes stop = swfw::act::stop();
    actions.insert(actions.end(), stop.begin(), stop.end());
    m.doAction(actions);
    m.showFrame();
    return toQBytes(m.bytes());
}

QImage quarterPicture(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));
    p.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(0, 255, 0));
    p.fillRect(0, height / 2, width / 2, height - height / 2, QColor(0, 0, 255));
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, QColor(255, 255, 0));
    return img;
}

QString writeBmp(const QString& path, const QImage& image)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP"))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QImage skinTiles(int tileWidth, int tileHeight)
{
    QImage img(tileWidth * 17, tileHeight * 2, QImage::Format_RGB888);
    for (int row = 0; row < 2; ++row)
        for (int t = 0; t < 17; ++t) {
            // Each tile its own colour, so a cut can be traced to its tile.
            const QColor c(10 + t * 14, row ? 40 : 200, 120);
            for (int y = 0; y < tileHeight; ++y)
                for (int x = 0; x < tileWidth; ++x)
                    img.setPixelColor(t * tileWidth + x, row * tileHeight + y, c);
        }
    return img;
}

QByteArray skinInfoText(const SkinSpec& spec)
{
    QByteArray text;
    if (spec.withParam)
        text += "[Param]\r\nButtonsPanelHeight=" + QByteArray::number(spec.buttonsPanelHeight)
                + "\r\nFlashPanelHeight=" + QByteArray::number(spec.flashPanelHeight)
                + "\r\nBetweenWidth=" + QByteArray::number(spec.betweenWidth) + "\r\n\r\n";
    text += "[Buttons]\r\n";
    for (int k = 1; k <= 16; ++k) {
        const int tile = k <= 9 ? k - 1 : k;
        for (int row = 0; row < 2; ++row) {
            const int key = 2 * k - 1 + row;
            QByteArray value = QByteArray::number(tile * spec.tileWidth) + ","
                               + QByteArray::number(row * spec.tileHeight) + ","
                               + QByteArray::number(spec.tileWidth) + "," + QByteArray::number(spec.tileHeight);
            if (key == spec.badKey)
                value = spec.badValue.toUtf8();
            text += QByteArray::number(key) + "=" + value + "\r\n";
        }
    }
    return text;
}

QString writeZip(const QString& path, const QMap<QString, QByteArray>& entries)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) {
        ADD_FAILURE() << "zip_open " << err;
        return path;
    }
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        zip_source_t* src = zip_source_buffer(z, it.value().constData(), zip_uint64_t(it.value().size()), 0);
        if (!src || zip_file_add(z, it.key().toUtf8().constData(), src, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(src);
            ADD_FAILURE() << "zip_file_add";
        }
    }
    // The entry buffers belong to entries, alive until the archive is written.
    if (zip_close(z) != 0)
        ADD_FAILURE() << "zip_close";
    return path;
}

QString writeSkinPackage(const QString& path, const SkinSpec& spec)
{
    QMap<QString, QByteArray> entries;
    entries.insert(QStringLiteral("SkinInfo.txt"), skinInfoText(spec));
    if (spec.withButtonsBmp) {
        QByteArray bmp;
        QBuffer buf(&bmp);
        buf.open(QIODevice::WriteOnly);
        skinTiles(spec.tileWidth, spec.tileHeight).save(&buf, "BMP");
        entries.insert(QStringLiteral("Buttons.bmp"), bmp);
    }
    return writeZip(path, entries);
}

void sendMouse(QWidget* widget, int type, QPoint pos, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(QEvent::Type(type), QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

ModalAnswerer::ModalAnswerer()
{
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer_.start();
}

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messageTexts << box->text();
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        QAbstractButton* no = box->button(QMessageBox::No);
        if (answerYes && yes)
            yes->click();
        else if (!answerYes && no)
            no->click();
        else
            box->accept();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        firstFilters << dialog->nameFilters().value(0);
        dialog->reject();
    }
}

vx::MainForm& MediaTest::start(const QStringList& arguments, bool show)
{
    form = std::make_unique<vx::MainForm>(program.path(), arguments);
    dialogs = std::make_unique<vx::ProgramDialogs>(form.get());
    form->showMessage = [this](const QString& text) { messages << text; };
    if (show) {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    form->settleOpen();  // a picture given as argument arrives from the decoding thread
    return *form;
}

void MediaTest::stop()
{
    if (form)
        form->close();
    dialogs.reset();
    form.reset();
}

void MediaTest::TearDown()
{
    stop();
}

}  // namespace media
