#include "export/SaveAs.h"

#include "export/Bmp2Tiff.h"
#include "export/WbmpExport.h"
#include "viewer/SupportedTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vx {

namespace {

constexpr std::array<SaveFilterEntry, 7> kPictureFilter{{
    {"BMP - Windows Bitmap", "*.bmp", "bmp"},
    {"JPG - JPG File", "*.jpg", "jpg"},
    {"TIFF - Tagged Image File Format", "*.tiff", "tiff"},
    {"EMF - Enhanced Metafile", "*.emf", "emf"},
    {"HTML - HyperText Markup Language", "*.html", "html"},
    {"PNG - Portable Network Graphic Images", "*.png", "png"},
    {"WBMP - Wireless Bitmap", "*.wbmp", "wbmp"},
}};

constexpr SaveFilterEntry kSwfFilter{"SWF - Shockwave flash", "*.swf", "swf"};

QString asciiUpper(QString text)
{
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return text;
}

}  // namespace

const std::array<SaveFilterEntry, 7>& pictureSaveFilterEntries()
{
    return kPictureFilter;
}

QString pictureSaveFilter()
{
    QStringList parts;
    for (const SaveFilterEntry& e : kPictureFilter)
        parts << QString::fromLatin1(e.text) << QString::fromLatin1(e.pattern);
    return parts.join(u'|');
}

const SaveFilterEntry& swfSaveFilterEntry()
{
    return kSwfFilter;
}

QString swfSaveFilter()
{
    return QString::fromLatin1(kSwfFilter.text) + u'|' + QString::fromLatin1(kSwfFilter.pattern);
}

QStringList qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
    return out;
}

QString saveExtensionKey(const QString& fileName)
{
    for (qsizetype i = fileName.size() - 1; i >= 0; --i) {
        const QChar c = fileName[i];
        if (c == u'/' || c == QDir::separator())
            break;
        if (c == u'.')
            return asciiUpper(fileName.mid(i));
    }
    return QString();
}

bool isSavablePictureExtension(const QString& currentExtension)
{
    return isSavablePicture(currentExtension);
}

SaveDialogSetup saveDialogSetup(const QString& currentPath)
{
    SaveDialogSetup setup;
    if (currentPath.isEmpty())
        return setup;
    const QString key = saveExtensionKey(currentPath);
    const QString extension = key.mid(1);
    const SaveFilterEntry* first = nullptr;
    if (isSavablePictureExtension(extension)) {
        setup.kind = SaveDialogKind::Picture;
        setup.filter = pictureSaveFilter();
        first = &kPictureFilter[0];
    } else if (extension == QLatin1String("SWF")) {
        setup.kind = SaveDialogKind::Movie;
        setup.filter = swfSaveFilter();
        first = &kSwfFilter;
    } else {
        return setup;
    }
    const QFileInfo info(currentPath);
    const QString name = info.fileName();
    setup.proposedName = name.left(name.size() - key.size());
    setup.folder = info.absolutePath();
    setup.nameFilters = qtNameFilters(setup.filter);
    setup.filterIndex = 1;
    setup.defaultExtension = QString::fromLatin1(first->defaultExtension);
    return setup;
}

SaveTypeChange SaveDialog1TypeChange(int filterIndex)
{
    SaveTypeChange change;
    if (filterIndex < 1 || filterIndex > int(kPictureFilter.size()))
        return change;
    change.defaultExtension = QString::fromLatin1(kPictureFilter[size_t(filterIndex - 1)].defaultExtension);
    change.showJpegOptions = filterIndex == 2;
    return change;
}

QString overwriteQuestion(const QString& fullPath, const QString& wording)
{
    const QString text = wording.contains(QLatin1String("%1"))
                             ? wording
                             : QStringLiteral("A file named %1 already exists. Replace it?");
    return text.arg(QDir::toNativeSeparators(fullPath));
}

SaveFormat saveFormatFor(const QString& fileName)
{
    const QString key = saveExtensionKey(fileName);
    if (key == QLatin1String(".BMP"))
        return SaveFormat::Bmp;
    if (key == QLatin1String(".JPG") || key == QLatin1String(".JPEG") || key == QLatin1String(".JPE"))
        return SaveFormat::Jpeg;
    if (key == QLatin1String(".TIFF"))
        return SaveFormat::Tiff;
    if (key == QLatin1String(".EMF"))
        return SaveFormat::Emf;
    if (key == QLatin1String(".PNG"))
        return SaveFormat::Png;
    if (key == QLatin1String(".HTML"))
        return SaveFormat::Html;
    if (key == QLatin1String(".WBMP"))
        return SaveFormat::Wbmp;
    return SaveFormat::None;
}

void clearAttributes(const QString& path)
{
    QFile file(path);
    const QFileDevice::Permissions perms = file.permissions();
    if (perms & QFileDevice::WriteOwner)
        return;
    if (!file.setPermissions(perms | QFileDevice::WriteOwner | QFileDevice::WriteUser))
        throw SaveError("Cannot make \"" + QDir::toNativeSeparators(path).toStdString()
                        + "\" writable: " + file.errorString().toStdString());
}

QString withDefaultExtension(const QString& fileName, const QString& defaultExtension)
{
    if (fileName.isEmpty() || defaultExtension.isEmpty() || !saveExtensionKey(fileName).isEmpty())
        return fileName;
    return fileName + u'.' + defaultExtension;
}

QString saveTargetName(const QString& chosenFileName, SaveDialogKind kind, int filterIndex)
{
    if (chosenFileName.isEmpty() || kind == SaveDialogKind::None)
        return chosenFileName;
    if (kind == SaveDialogKind::Movie) {
        if (saveExtensionKey(chosenFileName) == QLatin1String(".SWF"))
            return chosenFileName;
        return chosenFileName + u'.' + QString::fromLatin1(swfSaveFilterEntry().defaultExtension);
    }
    if (saveFormatFor(chosenFileName) != SaveFormat::None)
        return chosenFileName;
    QString extension = SaveDialog1TypeChange(filterIndex).defaultExtension;
    if (extension.isEmpty())
        extension = SaveDialog1TypeChange(1).defaultExtension;
    return chosenFileName + u'.' + extension;
}

SaveFormat SaveByExtension(const DisplayedPicture& picture, const QString& path,
                           const JpegOptions& jpeg, const QString& tooBigMessage)
{
    const SaveFormat format = saveFormatFor(path);
    switch (format) {
    case SaveFormat::Bmp: WriteBmp(picture, path); break;
    case SaveFormat::Jpeg: WriteJpeg(picture, path, jpeg.grayscale, jpeg.quality); break;
    case SaveFormat::Tiff: {
        const Bitmap bitmap = sourceBitmap(picture);
        if (bitmap.isNull())
            throw SaveError("There is no picture to save");
        WriteTiff(path, bitmap);
        break;
    }
    case SaveFormat::Emf: WriteEmf(picture, path); break;
    case SaveFormat::Png: WritePng(picture, path, kSavePngLevel); break;
    case SaveFormat::Html: WriteHtmlTable(picture, path, tooBigMessage); break;
    case SaveFormat::Wbmp: WriteWbmp(picture, path); break;
    case SaveFormat::None:
    case SaveFormat::SwfCopy: break;
    }
    return format;
}

SaveFormat saveAs(const DisplayedPicture& picture, const QString& currentPath,
                  const QString& chosenFileName, int filterIndex, const JpegOptions& jpeg,
                  const QString& tooBigMessage)
{
    const SaveDialogSetup setup = saveDialogSetup(currentPath);
    if (setup.kind == SaveDialogKind::None || chosenFileName.isEmpty())
        return SaveFormat::None;
    const QString target = saveTargetName(chosenFileName, setup.kind, filterIndex);
    const bool exists = QFileInfo::exists(target);

    if (setup.kind == SaveDialogKind::Movie) {
        if (exists)
            clearAttributes(target);
        copyFileSafely(currentPath, target);
        return SaveFormat::SwfCopy;
    }
    if (saveFormatFor(target) == SaveFormat::None)
        return SaveFormat::None;
    if (exists)
        clearAttributes(target);
    return SaveByExtension(picture, target, jpeg, tooBigMessage);
}

}  // namespace vx
