#include "platform/HiveFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

const RegistryValue* RegistryKeyData::find(const QString& name) const
{
    for (const auto& [n, v] : values)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

void RegistryKeyData::set(const QString& name, const RegistryValue& value)
{
    for (auto& [n, v] : values)
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            v = value;
            return;
        }
    values.emplace_back(name, value);
}

bool RegistryKeyData::remove(const QString& name)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        if (it->first.compare(name, Qt::CaseInsensitive) == 0) {
            values.erase(it);
            return true;
        }
    return false;
}

RegistryKeyData* HiveData::find(const QString& path)
{
    auto it = keys.find(keyOf(path));
    return it == keys.end() ? nullptr : &it.value();
}

const RegistryKeyData* HiveData::find(const QString& path) const
{
    auto it = keys.constFind(keyOf(path));
    return it == keys.constEnd() ? nullptr : &it.value();
}

RegistryKeyData& HiveData::create(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString prefix;
    RegistryKeyData* last = nullptr;
    for (const QString& part : parts) {
        prefix = prefix.isEmpty() ? part : prefix + QLatin1Char('\\') + part;
        auto it = keys.find(keyOf(prefix));
        if (it == keys.end())
            it = keys.insert(keyOf(prefix), RegistryKeyData{prefix, {}});
        last = &it.value();
    }
    if (!last) {
        auto it = keys.find(QString());
        if (it == keys.end())
            it = keys.insert(QString(), RegistryKeyData{QString(), {}});
        last = &it.value();
    }
    return *last;
}

bool HiveData::removeTree(const QString& path)
{
    const QString key = keyOf(path);
    const QString below = key + QLatin1Char('\\');
    bool found = false;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it.key() == key || it.key().startsWith(below)) {
            it = keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

QString hiveRootName(Hive hive)
{
    switch (hive) {
    case Hive::LocalMachine: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case Hive::CurrentUser: return QStringLiteral("HKEY_CURRENT_USER");
    case Hive::ClassesRoot: return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return QString();
}

QString registryFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/vextrel-viewer");
}

QString hiveFilePath(Hive hive)
{
    switch (hive) {
    case Hive::LocalMachine: return registryFolder() + QStringLiteral("/local_machine.reg");
    case Hive::CurrentUser: return registryFolder() + QStringLiteral("/current_user.reg");
    case Hive::ClassesRoot: return registryFolder() + QStringLiteral("/classes_root.reg");
    }
    return QString();
}

namespace {

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
            continue;
        }
        if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
            continue;
        }
        out += c;
    }
    return out;
}

// Reads a quoted string starting at pos (at the opening quote); advances pos
// past the closing quote. False when it is not a well-formed string.
bool readQuoted(const QString& line, int& pos, QString& out)
{
    if (pos >= line.size() || line[pos] != QLatin1Char('"'))
        return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        QChar c = line[pos++];
        if (c == QLatin1Char('"'))
            return true;
        if (c == QLatin1Char('\\')) {
            if (pos >= line.size())
                return false;
            QChar e = line[pos++];
            if (e == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (e == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else
                out += e;
            continue;
        }
        out += c;
    }
    return false;
}

}  // namespace

bool parseHive(const QByteArray& bytes, Hive hive, HiveData& out)
{
    out.keys.clear();
    const QString text = QString::fromUtf8(bytes);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString root = hiveRootName(hive);
    bool sawHeader = false;
    RegistryKeyData* current = nullptr;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (!sawHeader) {
            if (trimmed != QLatin1String("REGEDIT4")
                && trimmed != QLatin1String("Windows Registry Editor Version 5.00"))
                return false;
            sawHeader = true;
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return false;
            QString full = trimmed.mid(1, trimmed.size() - 2);
            if (full.compare(root, Qt::CaseInsensitive) == 0) {
                current = &out.create(QString());
                continue;
            }
            if (!full.startsWith(root + QLatin1Char('\\'), Qt::CaseInsensitive))
                return false;
            current = &out.create(full.mid(root.size() + 1));
            continue;
        }
        if (!current)
            return false;
        int pos = 0;
        QString name;
        if (trimmed.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!readQuoted(trimmed, pos, name)) {
            return false;
        }
        if (pos >= trimmed.size() || trimmed[pos] != QLatin1Char('='))
            return false;
        ++pos;
        const QString rest = trimmed.mid(pos);
        RegistryValue value;
        if (rest.startsWith(QLatin1Char('"'))) {
            int p = 0;
            if (!readQuoted(rest, p, value.text) || p != rest.size())
                return false;
            value.type = RegistryValue::Type::String;
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString hex = rest.mid(6);
            bool ok = false;
            const qulonglong n = hex.toULongLong(&ok, 16);
            if (!ok || hex.size() > 8)
                return false;
            value.type = RegistryValue::Type::DWord;
            value.number = uint32_t(n);
        } else {
            return false;
        }
        current->set(name, value);
    }
    return sawHeader || text.trimmed().isEmpty();
}

QByteArray formatHive(const HiveData& data, Hive hive)
{
    QString text = QStringLiteral("REGEDIT4\n");
    const QString root = hiveRootName(hive);
    for (const RegistryKeyData& key : data.keys) {
        text += QLatin1Char('\n');
        text += QLatin1Char('[') + root;
        if (!key.path.isEmpty())
            text += QLatin1Char('\\') + key.path;
        text += QStringLiteral("]\n");
        for (const auto& [name, value] : key.values) {
            text += name.isEmpty() ? QStringLiteral("@") : QLatin1Char('"') + escape(name) + QLatin1Char('"');
            text += QLatin1Char('=');
            if (value.type == RegistryValue::Type::String)
                text += QLatin1Char('"') + escape(value.text) + QLatin1Char('"');
            else
                text += QStringLiteral("dword:%1").arg(value.number, 8, 16, QLatin1Char('0'));
            text += QLatin1Char('\n');
        }
    }
    return text.toUtf8();
}

namespace {

// An exclusive advisory lock on the hive's lock file, held for its lifetime.
class HiveLock {
public:
    explicit HiveLock(Hive hive)
    {
        const QByteArray path = QFile::encodeName(hiveFilePath(hive) + QStringLiteral(".lock"));
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw RegistryError(std::string("Cannot open registry lock: ") + std::strerror(errno));
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                throw RegistryError(std::string("Cannot lock registry: ") + std::strerror(errno));
            }
        }
    }
    ~HiveLock()
    {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_ = -1;
};

void ensureFolder()
{
    if (!QDir().mkpath(registryFolder()))
        throw RegistryError("Cannot create the registry folder " + registryFolder().toStdString());
}

// Reads the file; a file that doesn't parse is renamed aside (the caller
// holds the lock) and the hive starts empty.
HiveData readLocked(Hive hive)
{
    HiveData data;
    const QString path = hiveFilePath(hive);
    QFile file(path);
    if (!file.exists())
        return data;
    if (!file.open(QIODevice::ReadOnly))
        throw RegistryError("Cannot read " + path.toStdString());
    const QByteArray bytes = file.readAll();
    file.close();
    if (parseHive(bytes, hive, data))
        return data;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString aside = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 1; QFile::exists(aside); ++n)
        aside = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, aside))
        throw RegistryError("Cannot move the unreadable registry file " + path.toStdString() + " aside");
    data.keys.clear();
    return data;
}

void writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
        }
        p += n;
        left -= n;
    }
}

void replaceFile(Hive hive, const QByteArray& bytes)
{
    const QString path = hiveFilePath(hive);
    const QByteArray target = QFile::encodeName(path);
    // A hive file the user made read-only is respected, also for a privileged user.
    struct stat st;
    if (::stat(target.constData(), &st) == 0 && !(st.st_mode & S_IWUSR))
        throw RegistryError("Cannot write registry: " + path.toStdString() + " is read-only");
    const QByteArray temp = QFile::encodeName(path + QStringLiteral(".tmp-") + QString::number(::getpid()));
    int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
    try {
        writeAll(fd, bytes);
        if (::fsync(fd) != 0)
            throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
    } catch (...) {
        ::close(fd);
        ::unlink(temp.constData());
        throw;
    }
    ::close(fd);
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        throw RegistryError(std::string("Cannot replace registry file: ") + std::strerror(err));
    }
    const QByteArray folder = QFile::encodeName(registryFolder());
    int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace

HiveData loadHive(Hive hive)
{
    const QString path = hiveFilePath(hive);
    HiveData data;
    {
        // Fast path without the lock: a well-formed file is read as it is.
        QFile file(path);
        if (!file.exists())
            return data;
        if (file.open(QIODevice::ReadOnly) && parseHive(file.readAll(), hive, data))
            return data;
    }
    ensureFolder();
    HiveLock lock(hive);
    return readLocked(hive);
}

HiveData updateHive(Hive hive, const std::function<void(HiveData&)>& change)
{
    ensureFolder();
    HiveLock lock(hive);
    HiveData data = readLocked(hive);
    change(data);
    replaceFile(hive, formatHive(data, hive));
    return data;
}

}  // namespace vx
