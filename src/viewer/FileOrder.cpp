#include "viewer/FileOrder.h"

#include "platform/FileName.h"

#include <algorithm>
#include <cstring>

namespace vx {

namespace {

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// ASCII letters lower-cased, digit runs as the digit marker, the count of
// their significant digits and those digits, every other byte as it is.
void appendKey(std::string& key, const unsigned char* p, size_t length)
{
    // A key is never longer than its name plus one byte per digit run.
    const size_t start = key.size();
    key.resize(start + length + length / 2 + 2);
    char* out = key.data() + start;
    size_t i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        if (!isDigit(c)) {
            *out++ = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            ++i;
            continue;
        }
        while (i < length && p[i] == '0')
            ++i;
        size_t end = i;
        while (end < length && isDigit(p[end]))
            ++end;
        *out++ = '0';
        *out++ = char(std::min<size_t>(end - i, 255));
        std::memcpy(out, p + i, end - i);
        out += end - i;
        i = end;
    }
    key.resize(size_t(out - key.data()));
}

int compareKeys(const std::string& a, const std::string& b)
{
    return a.compare(b);
}

}  // namespace

void appendFileNameSortKey(std::string& key, const char* name, size_t length)
{
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    bool ascii = true;
    for (size_t i = 0; i < length && ascii; ++i)
        ascii = p[i] < 0x80;
    if (ascii) {
        appendKey(key, p, length);
        return;
    }
    // Other letters fold through Unicode case folding; kept bytes stay as they are.
    const QByteArray folded = encodeFileName(decodeFileName(name, qsizetype(length)).toCaseFolded());
    appendKey(key, reinterpret_cast<const unsigned char*>(folded.constData()), size_t(folded.size()));
}

bool fileNameLess(const QByteArray& a, const QByteArray& b)
{
    std::string ka, kb;
    appendFileNameSortKey(ka, a.constData(), size_t(a.size()));
    appendFileNameSortKey(kb, b.constData(), size_t(b.size()));
    const int c = compareKeys(ka, kb);
    return c != 0 ? c < 0 : a < b;
}

bool fileNameLess(const QString& a, const QString& b)
{
    return fileNameLess(encodeFileName(a), encodeFileName(b));
}

}  // namespace vx
