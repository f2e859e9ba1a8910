#include "viewer/ContentSignature.h"

#include <cstring>

namespace vx {

namespace {

bool startsWith(const uint8_t* data, size_t size, const char* magic, size_t length)
{
    return size >= length && std::memcmp(data, magic, length) == 0;
}

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

bool isBmp(const uint8_t* d, size_t n)
{
    if (n < 18 || d[0] != 'B' || d[1] != 'M')
        return false;
    switch (le32(d + 14)) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

// An icon directory with at least one entry whose first image is sane.
bool isIco(const uint8_t* d, size_t n)
{
    if (n < 22 || le16(d) != 0 || le16(d + 2) != 1 || le16(d + 4) == 0)
        return false;
    const uint8_t* e = d + 6;
    const uint16_t planes = le16(e + 4), bits = le16(e + 6);
    return e[3] == 0 && planes <= 1
           && (bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
           && le32(e + 8) != 0 && le32(e + 12) >= 6;
}

}  // namespace

QString signatureKey(const uint8_t* d, size_t n)
{
    if (startsWith(d, n, "\xFF\xD8\xFF", 3))
        return QStringLiteral("JPG");
    if (startsWith(d, n, "\x89PNG\r\n\x1A\n", 8))
        return QStringLiteral("PNG");
    if (startsWith(d, n, "GIF87a", 6) || startsWith(d, n, "GIF89a", 6))
        return QStringLiteral("GIF");
    if (startsWith(d, n, "FWS", 3) || startsWith(d, n, "CWS", 3))
        return n > 8 ? QStringLiteral("SWF") : QString();
    if (isBmp(d, n))
        return QStringLiteral("BMP");
    if (startsWith(d, n, "II*\0", 4) || startsWith(d, n, "MM\0*", 4))
        return QStringLiteral("TIF");
    if (startsWith(d, n, "8BPS\0\1", 6))
        return QStringLiteral("PSD");
    if (startsWith(d, n, "Paint Shop Pro Image File\n\x1A", 27))
        return QStringLiteral("PSP");
    if (startsWith(d, n, "\xD7\xCD\xC6\x9A", 4))
        return QStringLiteral("WMF");
    if (n >= 44 && le32(d) == 1 && std::memcmp(d + 40, " EMF", 4) == 0)
        return QStringLiteral("EMF");
    if (isIco(d, n))
        return QStringLiteral("ICO");
    return QString();
}

}  // namespace vx
