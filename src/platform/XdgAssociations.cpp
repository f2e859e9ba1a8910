#include "platform/XdgAssociations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace vx {
namespace {

const QString kOwnTypePrefix = QStringLiteral("image/x-vextrel-");
const QString kSkinType = QStringLiteral("application/x-vextrel-skin");
const QString kPackageName = QStringLiteral("vextrel-viewer.xml");
const QByteArray kDefaultSection = QByteArrayLiteral("[Default Applications]");

QString envFolder(const char* name, const QString& fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + fallbackUnderHome);
}

void ensureFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw XdgError("Cannot create the folder " + folder.toStdString());
}

// Replaces path with bytes through a temporary file in the same folder. A
// file the user made read-only is respected, also for a privileged user.
void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    ensureFolder(QFileInfo(path).absolutePath());
    const QFileInfo existing(path);
    if (existing.exists() && !(existing.permissions() & QFileDevice::WriteOwner))
        throw XdgError("Cannot write " + path.toStdString() + ": the file is read-only");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw XdgError("Cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw XdgError("Cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
}

void removeFile(const QString& path)
{
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw XdgError("Cannot remove " + path.toStdString());
}

// Runs a cache tool of the desktop when it is installed; its outcome doesn't
// change what was written.
void runIfInstalled(const QString& tool, const QStringList& arguments)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(exe, arguments);
    if (process.waitForStarted())
        process.waitForFinished(60000);
}

QString xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QByteArray mimePackage(const QStringList& extensions)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const QString& ext : extensions) {
        xml += QStringLiteral("  <mime-type type=\"%1\">\n").arg(xmlEscaped(mimeTypeForExtension(ext)));
        xml += QStringLiteral("    <comment>Vextrel Viewer %1</comment>\n").arg(xmlEscaped(ext.toUpper()));
        xml += QStringLiteral("    <glob pattern=\"*.%1\"/>\n").arg(xmlEscaped(ext.toLower()));
        xml += QStringLiteral("  </mime-type>\n");
    }
    xml += QStringLiteral("</mime-info>\n");
    return xml.toUtf8();
}

// The side of a PNG from its header, for the icon theme's size folder.
int pngWidth(const QByteArray& png)
{
    if (png.size() < 24 || !png.startsWith("\x89PNG\r\n\x1a\n"))
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(png.constData()) + 16;
    return int((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]);
}

void installIcon(const QByteArray& png)
{
    const int side = pngWidth(png);
    if (side <= 0 || side > 1024)
        return;  // no icon to show is no reason to refuse the association
    writeFileAtomically(QStringLiteral("%1/icons/hicolor/%2x%2/apps/%3.png").arg(xdgDataHome()).arg(side).arg(kIconName),
                        png);
}

QByteArray desktopEntry(const QString& programPath, const QStringList& mimeTypes)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n"
                                  "Name=Vextrel Viewer\n"
                                  "GenericName=Picture Viewer\n"
                                  "Comment=View pictures and SWF movies\n");
    text += QStringLiteral("Exec=") + desktopExecLine(programPath) + QLatin1Char('\n');
    text += QStringLiteral("Icon=") + kIconName + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n"
                           "Categories=Graphics;Viewer;\n");
    if (!mimeTypes.isEmpty())
        text += QStringLiteral("MimeType=") + mimeTypes.join(QLatin1Char(';')) + QStringLiteral(";\n");
    return text.toUtf8();
}

QStringList uniqueTypes(const QStringList& extensions)
{
    QStringList types;
    for (const QString& ext : extensions) {
        const QString type = mimeTypeForExtension(ext);
        if (!types.contains(type))
            types << type;
    }
    return types;
}

}  // namespace

QString xdgDataHome()
{
    return envFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString xdgConfigHome()
{
    return envFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

bool isOwnMimeType(const QString& mimeType)
{
    return mimeType.startsWith(kOwnTypePrefix) || mimeType == kSkinType;
}

QString mimeTypeForExtension(const QString& extension)
{
    const QString ext = extension.toLower();
    static QMimeDatabase db;
    // Only a picture type (or the movie type) is taken over: claiming, say,
    // the type of *.vst drawing templates would hand all drawings to the viewer.
    for (const QMimeType& type : db.mimeTypesForFileName(QStringLiteral("x.") + ext))
        if (type.isValid() && !type.isDefault() && !isOwnMimeType(type.name()) &&
            (type.name().startsWith(QLatin1String("image/")) || ext == QLatin1String("swf")))
            return type.name();
    return ext == QLatin1String("vxskin") ? kSkinType : kOwnTypePrefix + ext;
}

QString desktopExecLine(const QString& programPath)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : programPath)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString arg;
    for (QChar c : programPath) {
        if (needsQuotes && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            arg += u'\\';
        if (c == u'%')
            arg += u'%';
        arg += c;
    }
    if (needsQuotes)
        arg = u'"' + arg + u'"';
    // The string escape of the file format comes on top of the quoting.
    arg.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return arg + QStringLiteral(" %f");
}

QByteArray editMimeAppsList(const QByteArray& text, const QString& desktopFile, const QStringList& claim,
                            const QStringList& release)
{
    const QByteArray ours = desktopFile.toUtf8();
    QList<QByteArray> lines = text.isEmpty() ? QList<QByteArray>() : text.split('\n');
    const bool endedWithNewline = text.endsWith('\n');
    if (endedWithNewline)
        lines.removeLast();
    QList<QByteArray> claimed;
    int insertAt = -1;  // after the last entry of the first defaults section
    bool inDefaults = false;
    bool inFirstDefaults = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (trimmed.startsWith('[')) {
            inDefaults = trimmed == kDefaultSection;
            inFirstDefaults = inDefaults && insertAt < 0;
            if (inFirstDefaults)
                insertAt = int(i) + 1;
            continue;
        }
        if (!inDefaults)
            continue;
        if (inFirstDefaults && !trimmed.isEmpty())
            insertAt = int(i) + 1;
        const qsizetype eq = trimmed.indexOf('=');
        if (trimmed.startsWith('#') || eq <= 0)
            continue;
        const QByteArray key = trimmed.left(eq).trimmed();
        const QString keyText = QString::fromUtf8(key);
        const bool claimIt = claim.contains(keyText);
        if (!claimIt && !release.contains(keyText))
            continue;
        QList<QByteArray> apps;
        for (const QByteArray& app : trimmed.mid(eq + 1).split(';'))
            if (!app.trimmed().isEmpty() && app.trimmed() != ours)
                apps << app.trimmed();
        if (claimIt) {
            apps.prepend(ours);
            claimed << key;
        } else if (apps.isEmpty()) {
            lines.removeAt(i);
            if (inFirstDefaults)
                insertAt = int(i);
            --i;
            continue;
        }
        lines[i] = key + '=' + apps.join(';') + ';';
    }
    QList<QByteArray> added;
    for (const QString& type : claim)
        if (!claimed.contains(type.toUtf8()))
            added << type.toUtf8() + '=' + ours + ';';
    if (!added.isEmpty()) {
        if (insertAt < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines << QByteArray();
            lines << kDefaultSection;
            insertAt = int(lines.size());
        }
        // Keep the new lines with the section's own entries, before any
        // blank lines that separate it from the next section.
        while (insertAt > 0 && lines[insertAt - 1].trimmed().isEmpty())
            --insertAt;
        for (qsizetype k = 0; k < added.size(); ++k)
            lines.insert(insertAt + k, added[k]);
    }
    QByteArray out = lines.join('\n');
    if (endedWithNewline || !added.isEmpty() || text.isEmpty())
        out += '\n';
    return out;
}

void writeXdgRegistration(const XdgRegistration& r)
{
    const QString data = xdgDataHome();
    QStringList ownTypes;
    for (const QString& ext : r.checked)
        if (isOwnMimeType(mimeTypeForExtension(ext)))
            ownTypes << ext.toLower();
    const QString package = data + QStringLiteral("/mime/packages/") + kPackageName;
    const bool hadPackage = QFileInfo::exists(package);
    if (!ownTypes.isEmpty())
        writeFileAtomically(package, mimePackage(ownTypes));
    else
        removeFile(package);

    installIcon(r.iconPng);

    const QStringList claim = uniqueTypes(r.checked);
    QStringList release;
    for (const QString& type : uniqueTypes(r.unchecked))
        if (!claim.contains(type))
            release << type;
    const QString applications = data + QStringLiteral("/applications");
    writeFileAtomically(applications + QLatin1Char('/') + kDesktopFileName, desktopEntry(r.programPath, claim));

    const QString listPath = xdgConfigHome() + QStringLiteral("/mimeapps.list");
    QByteArray old;
    if (QFileInfo::exists(listPath)) {
        QFile file(listPath);
        if (!file.open(QIODevice::ReadOnly))
            throw XdgError("Cannot read " + listPath.toStdString() + ": " + file.errorString().toStdString());
        old = file.readAll();
    }
    const QByteArray edited = editMimeAppsList(old, kDesktopFileName, claim, release);
    if (edited != old || !QFileInfo::exists(listPath))
        writeFileAtomically(listPath, edited);

    if (!ownTypes.isEmpty() || hadPackage)
        runIfInstalled(QStringLiteral("update-mime-database"), {data + QStringLiteral("/mime")});
    runIfInstalled(QStringLiteral("update-desktop-database"), {applications});
}

}  // namespace vx
