#include "platform/FileName.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace vx {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

// A lone U+DC80..U+DCFF: the second half of a surrogate pair is a letter.
bool isKeptByte(const QString& path, qsizetype i)
{
    const char16_t c = path[i].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !path[i - 1].isHighSurrogate());
}

bool hasKeptBytes(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i)
        if (isKeptByte(path, i))
            return true;
    return false;
}

// Length of the well-formed UTF-8 sequence at p (1..4), 0 when there is none.
int sequenceLength(const unsigned char* p, qsizetype left)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    char32_t cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace

QString decodeFileName(const char* bytes, qsizetype length)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    QString out;
    out.reserve(length);
    qsizetype i = 0;
    while (i < length) {
        const int n = sequenceLength(p + i, length - i);
        if (n == 0) {
            out += QChar(char16_t(kKeptByteBase + p[i]));
            ++i;
        } else {
            out += QString::fromUtf8(bytes + i, n);
            i += n;
        }
    }
    return out;
}

QByteArray encodeFileName(const QString& path)
{
    if (!hasKeptBytes(path))
        return QFile::encodeName(path);
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isKeptByte(path, i))
            continue;
        out += path.mid(start, i - start).toUtf8();
        if (i < path.size())
            out += char(path[i].unicode() - kKeptByteBase);
        start = i + 1;
    }
    return out;
}

QString displayFileName(const QString& path)
{
    QString out = path;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (isKeptByte(path, i))
            out[i] = QChar::ReplacementCharacter;
    return out;
}

bool fileExists(const QString& path)
{
    return !path.isEmpty() && ::access(encodeFileName(path).constData(), F_OK) == 0;
}

bool openForReading(QFile& file, const QString& path)
{
    if (!hasKeptBytes(path)) {
        file.setFileName(path);
        return file.open(QIODevice::ReadOnly);
    }
    const QByteArray native = encodeFileName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        file.setFileName(displayFileName(path));  // for the error text
        return file.open(QIODevice::ReadOnly);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

}  // namespace vx
