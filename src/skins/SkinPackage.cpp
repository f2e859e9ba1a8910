#include "skins/SkinPackage.h"

#include "codecs/Bitmap.h"
#include "skins/Zip.h"

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

void unpack(const QString& fileName, const QString& target, const QString& programFolder,
            ZipPrompter* prompter)
{
    try {
        TZip zip;
        zip.setPrompter(prompter);
        zip.SetArchive(fileName);
        zip.FileSpecs = {QStringLiteral("*.*")};
        zip.TargetFolder = target;
        zip.ShowProgressDialog = false;
        zip.ExtractOptions = TZip::OptionOverwrite;
        zip.LibraryFolder = programFolder + QStringLiteral("Data/Unzip");
        zip.Extract();
    } catch (const std::exception&) {
        // an archive that cannot be unpacked leaves "Temp" as it was
    }
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
