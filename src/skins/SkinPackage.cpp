#include "skins/SkinPackage.h"

#include "codecs/Bitmap.h"
#include "skins/Zip.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "settings/SettingsTable.h"

namespace vx {
namespace {

void saveSkinSetting(const QString& installedPath)
{
    // Like a key that cannot be opened, a failed write leaves the value as it was.
    storeSettingText(SettingId::Skin, installedPath);
}

// What one package may unpack: a skin is a picture and a text file.
constexpr int kMaxSkinEntries = 64;
constexpr qint64 kMaxSkinBytes = qint64(64) * 1024 * 1024;

// The record in "Temp" of the package unpacked there: its path, size and time.
QByteArray packageStamp(const QString& fileName)
{
    const QFileInfo info(fileName);
    return QFile::encodeName(info.absoluteFilePath()) + '\n' + QByteArray::number(info.size()) + '\n'
           + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\n';
}

QString stampPath(const QString& temp)
{
    return temp + QStringLiteral("/.unpacked");
}

bool alreadyUnpacked(const QString& fileName, const QString& temp)
{
    QFile stamp(stampPath(temp));
    return stamp.open(QIODevice::ReadOnly) && stamp.readAll() == packageStamp(fileName)
           && QFileInfo(temp + QStringLiteral("/Buttons.bmp")).isFile()
           && QFileInfo(temp + QStringLiteral("/SkinInfo.txt")).isFile();
}

// Empties "Temp": a package is used only with its own files.
void clearFolder(const QString& temp)
{
    QDir dir(temp);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
}

void unpack(const QString& fileName, const QString& target, const QString& programFolder,
            ZipPrompter* prompter)
{
    if (alreadyUnpacked(fileName, target))
        return;
    clearFolder(target);
    try {
        Zip zip;
        zip.setPrompter(prompter);
        zip.SetArchive(fileName);
        // A package that would unpack more than a skin needs is refused whole.
        qint64 declared = 0;
        for (const ZipEntry& entry : zip.Entries())
            declared += entry.uncompressedSize();
        if (zip.Entries().size() > kMaxSkinEntries || declared > kMaxSkinBytes)
            return;
        zip.FileSpecs = {QStringLiteral("*.*")};
        zip.TargetFolder = target;
        zip.ShowProgressDialog = false;
        zip.ExtractOptions = Zip::OptionOverwrite;
        zip.LibraryFolder = programFolder + QStringLiteral("Data/Unzip");
        zip.Extract();
    } catch (const std::exception&) {
        // an archive that cannot be unpacked leaves "Temp" empty
        return;
    }
    QFile stamp(stampPath(target));
    if (stamp.open(QIODevice::WriteOnly | QIODevice::Truncate))
        stamp.write(packageStamp(fileName));
}

}  // namespace

QString skinsFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("Data/Skins/");
}

QImage loadSkinPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    try {
        if (size.isValid())
            checkPictureSize(size.width(), size.height());
    } catch (const CodecError& e) {
        throw SkinError(QString::fromUtf8(e.what()));
    }
    QImage image = reader.read();
    if (image.isNull())
        throw SkinError(QStringLiteral("Bitmap image is not valid"));
    return image.convertToFormat(QImage::Format_RGB888);
}

void cutSkinButtons(const ProfileFile& info, const QImage& picture, SkinPackage& package)
{
    for (int k = 1; k <= kSkinButtonCount; ++k) {
        SkinButtonImages& button = package.buttons[k - 1];
        for (int target = 0; target < 2; ++target) {
            const int key = 2 * k - 1 + target;
            try {
                const QImage image =
                    cutSkinImage(picture, parseSkinButtonRect(skinButtonValue(info, key)), key);
                (target == 0 ? button.normal : button.pressed) = image;
                (target == 0 ? button.hasNormal : button.hasPressed) = true;
            } catch (const SkinError& e) {
                throw SkinLoadError(e.text(), package);
            }
        }
    }
}

std::optional<SkinPackage> loadSkinPackage(const QString& fileName, const QString& programFolder,
                                           ZipPrompter* prompter)
{
    if (!QFileInfo(fileName).isFile())
        return std::nullopt;
    SkinPackage package;
    package.currentSkinFile = fileName;

    const QString folder = skinsFolder(programFolder);
    const QString temp = folder + QStringLiteral("Temp");
    QDir().mkpath(temp);
    package.installedPath = folder + QFileInfo(fileName).fileName();
    if (!QFileInfo::exists(package.installedPath))
        QFile::copy(fileName, package.installedPath);

    unpack(fileName, temp, programFolder, prompter);

    const QString picturePath = temp + QStringLiteral("/Buttons.bmp");
    const QString infoPath = temp + QStringLiteral("/SkinInfo.txt");
    if (!QFileInfo(picturePath).isFile() || !QFileInfo(infoPath).isFile()) {
        SkinPackage fallback = defaultSkinPackage(QImage());
        return fallback;
    }
    package.picture = loadSkinPicture(picturePath);
    const ProfileFile info(infoPath);
    cutSkinButtons(info, package.picture, package);
    try {
        package.metrics = readSkinMetrics(info);
    } catch (const SkinError& e) {
        throw SkinLoadError(e.text(), package);
    }
    saveSkinSetting(package.installedPath);
    return package;
}

SkinPackage defaultSkinPackage(const QImage& skinImage)
{
    SkinPackage package;
    package.isDefault = true;
    package.currentSkinFile = QStringLiteral("Default");
    package.picture = skinImage;
    if (!skinImage.isNull()) {
        for (int k = 0; k < kSkinButtonCount; ++k) {
            const int x = kDefaultTileX[k];
            package.buttons[k].normal =
                cutSkinImage(skinImage, {x, 0, kDefaultTileWidth, kDefaultTileHeight}, 2 * k + 1);
            package.buttons[k].pressed = cutSkinImage(
                skinImage, {x, kDefaultTileHeight, kDefaultTileWidth, kDefaultTileHeight}, 2 * k + 2);
            package.buttons[k].hasNormal = package.buttons[k].hasPressed = true;
        }
    }
    return package;
}

}  // namespace vx
