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

bool isAscii(const unsigned char* p, size_t length)
{
    unsigned char any = 0;
    for (size_t i = 0; i < length; ++i)
        any |= p[i];
    return any < 0x80;
}

// Writes the first capacity bytes (or fewer) of the key of p[0..length)
// to out and returns how many it wrote: ASCII letters lower-cased, digit
// runs as the digit marker, the count of their significant digits and
// those digits, every other byte as it is.
size_t writeKey(char* out, size_t capacity, const unsigned char* p, size_t length)
{
    char* const start = out;
    char* const end = out + capacity;
    size_t i = 0;
    while (i < length && out < end) {
        const unsigned char c = p[i];
        if (!isDigit(c)) {
            *out++ = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            ++i;
            continue;
        }
        while (i < length && p[i] == '0')
            ++i;
        size_t runEnd = i;
        while (runEnd < length && isDigit(p[runEnd]))
            ++runEnd;
        *out++ = '0';
        if (out < end)
            *out++ = char(std::min<size_t>(runEnd - i, 255));
        const size_t copied = std::min<size_t>(runEnd - i, size_t(end - out));
        std::memcpy(out, p + i, copied);
        out += copied;
        i = runEnd;
    }
    return size_t(out - start);
}

void appendKey(std::string& key, const unsigned char* p, size_t length)
{
    // A key is never longer than its name plus one byte per digit run.
    const size_t start = key.size();
    key.resize(start + length + length / 2 + 2);
    key.resize(start + writeKey(key.data() + start, key.size() - start, p, length));
}

}  // namespace

void appendFileNameSortKey(std::string& key, const char* name, size_t length)
{
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    if (isAscii(p, length)) {
        appendKey(key, p, length);
        return;
    }
    // Other letters fold through Unicode case folding; kept bytes stay as they are.
    const QByteArray folded = encodeFileName(decodeFileName(name, qsizetype(length)).toCaseFolded());
    appendKey(key, reinterpret_cast<const unsigned char*>(folded.constData()), size_t(folded.size()));
}

FileNameKeyHead fileNameKeyHead(const char* name, size_t length)
{
    unsigned char bytes[16] = {};
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    if (isAscii(p, length)) {
        writeKey(reinterpret_cast<char*>(bytes), sizeof bytes, p, length);
    } else {
        std::string key;
        appendFileNameSortKey(key, name, length);
        std::memcpy(bytes, key.data(), std::min(key.size(), sizeof bytes));
    }
    FileNameKeyHead head{0, 0};
    for (int i = 0; i < 8; ++i) {
        head.high = (head.high << 8) | bytes[i];
        head.low = (head.low << 8) | bytes[8 + i];
    }
    return head;
}

}  // namespace vx
