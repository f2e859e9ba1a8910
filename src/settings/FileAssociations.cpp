#include "settings/FileAssociations.h"

#include "platform/Registry.h"
#include "platform/XdgAssociations.h"

namespace vx {
namespace {

const QString kClassPrefix = QStringLiteral("VextrelViewer");

QString dotted(const QString& extension)
{
    return extension.contains(QLatin1Char('.')) ? extension : QLatin1Char('.') + extension;
}

// The value of hive\path\name, empty when anything is missing or not a string.
QString readQuietly(Hive hive, const QString& path, const QString& name)
{
    RegistryKey key;
    if (!key.open(hive, path, false))
        return {};
    const auto v = key.value(name);
    return v && v->type == RegistryValue::Type::String ? v->text : QString();
}

void writeValue(Hive hive, const QString& path, const QString& name, const QString& text)
{
    RegistryKey key;
    if (!key.open(hive, path, true))
        throw RegistryError("Cannot create the registry key " + hiveRootName(hive).toStdString() + "\\" +
                            path.toStdString());
    key.writeString(name, text);
}

// Deletes the value when it names className.
void releaseValue(Hive hive, const QString& path, const QString& name, const QString& className)
{
    RegistryKey key;
    if (!key.open(hive, path, false))
        return;
    const auto v = key.value(name);
    if (v && v->type == RegistryValue::Type::String && v->text == className)
        key.deleteValue(name);
}

}  // namespace

const QList<AssociationGroup>& associationRows()
{
    static const QList<AssociationGroup> rows = associationGroups();
    return rows;
}

QString associationClassName(const QString& dottedExtension)
{
    return kClassPrefix + dottedExtension;
}

QString fileExtsKeyPath(const QString& dottedExtension)
{
    return QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\") + dottedExtension;
}

bool IsExtensionAssociated(const QString& extension)
{
    const QString e = dotted(extension);
    const QString className = associationClassName(e);
    return readQuietly(Hive::CurrentUser, fileExtsKeyPath(e), QStringLiteral("ProgID")) == className &&
           readQuietly(Hive::ClassesRoot, e, QString()) == className;
}

void AssociateExtension(const QString& extension, const QString& description, const QString& programPath)
{
    const QString e = dotted(extension);
    const QString className = associationClassName(e);
    writeValue(Hive::ClassesRoot, e, QString(), className);
    writeValue(Hive::ClassesRoot, className, QString(), description);
    writeValue(Hive::ClassesRoot, className + QStringLiteral("\\DefaultIcon"), QString(), programPath + QStringLiteral(",0"));
    writeValue(Hive::ClassesRoot, className + QStringLiteral("\\shell\\open\\command"), QString(),
               QLatin1Char('"') + programPath + QStringLiteral("\" \"%1\""));
    writeValue(Hive::CurrentUser, fileExtsKeyPath(e), QStringLiteral("ProgID"), className);
}

void UnassociateExtension(const QString& extension)
{
    const QString e = dotted(extension);
    const QString className = associationClassName(e);
    if (registryKeyExists(Hive::ClassesRoot, className) && !deleteRegistryKey(Hive::ClassesRoot, className) &&
        registryKeyExists(Hive::ClassesRoot, className))
        throw RegistryError("Cannot delete the registry key HKEY_CLASSES_ROOT\\" + className.toStdString());
    releaseValue(Hive::CurrentUser, fileExtsKeyPath(e), QStringLiteral("ProgID"), className);
    releaseValue(Hive::ClassesRoot, e, QString(), className);
}

std::vector<bool> readAssociationChecks()
{
    std::vector<bool> checks;
    for (const AssociationGroup& row : associationRows())
        checks.push_back(IsExtensionAssociated(row.probedExtension));
    return checks;
}

void writeAssociations(const std::vector<bool>& checked, const QString& programPath, const QByteArray& iconPng)
{
    AssociateExtension(kSkinExtension, kSkinDescription, programPath);
    XdgRegistration desktop;
    desktop.programPath = programPath;
    desktop.iconPng = iconPng;
    desktop.checked << kSkinExtension.mid(1);
    const auto& rows = associationRows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const bool on = size_t(i) < checked.size() && checked[size_t(i)];
        const AssociationGroup& row = rows[i];
        for (qsizetype k = 0; k < row.extensions.size(); ++k) {
            const QString& ext = row.extensions[k];
            if (on)
                AssociateExtension(ext, row.descriptions.value(k), programPath);
            else
                UnassociateExtension(ext);
            (on ? desktop.checked : desktop.unchecked) << ext.mid(1);
        }
    }
    // The desktop counterpart of the shell's change notification: the
    // entries and the refreshed caches take effect at once.
    writeXdgRegistration(desktop);
}

}  // namespace vx
