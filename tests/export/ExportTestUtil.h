// Small helpers shared by the export tests: bitmaps with known pixels,
// reading files back, little-endian fields.
#pragma once

#include "codecs/Bitmap.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace exporttest {

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

inline uint32_t le16(const QByteArray& b, qsizetype at)
{
    return uint8_t(b[at]) | (uint32_t(uint8_t(b[at + 1])) << 8);
}

inline uint32_t le32(const QByteArray& b, qsizetype at)
{
    return le16(b, at) | (le16(b, at + 2) << 16);
}

// A palette of n entries with distinct colours (entry i: red i*7, green 255-i, blue i*3).
inline std::vector<vx::PaletteEntry> testPalette(int n)
{
    std::vector<vx::PaletteEntry> p(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        p[size_t(i)] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7), 0};
    return p;
}

// A bitmap of the depth with a varied but deterministic pattern.
inline vx::Bitmap patterned(int w, int h, int bpp, bool alpha = false)
{
    vx::Bitmap b(w, h, bpp);
    if (bpp <= 8)
        b.palette() = testPalette(1 << bpp);
    b.setHasAlpha(alpha);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const unsigned v = unsigned(x * 37 + y * 101 + x * y);
            switch (bpp) {
            case 1: if (v & 4) row[x >> 3] |= uint8_t(0x80 >> (x & 7)); break;
            case 4: row[x >> 1] |= uint8_t((x & 1) ? (v & 15) : ((v & 15) << 4)); break;
            case 8: row[x] = uint8_t(v); break;
            case 16: row[2 * x] = uint8_t(v); row[2 * x + 1] = uint8_t((v >> 8) & 0x7F); break;
            case 24:
                row[3 * x] = uint8_t(v);
                row[3 * x + 1] = uint8_t(v >> 3);
                row[3 * x + 2] = uint8_t(x * 9);
                break;
            case 32:
                row[4 * x] = uint8_t(v);
                row[4 * x + 1] = uint8_t(v >> 3);
                row[4 * x + 2] = uint8_t(x * 9);
                row[4 * x + 3] = uint8_t(alpha ? y * 40 + 15 : 0x5A);
                break;
            }
        }
    }
    return b;
}

// A smooth 24-bit gradient (JPEG-friendly).
inline vx::Bitmap gradient(int w, int h)
{
    vx::Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(128 + (x - y) / 4);
        }
    return b;
}

}  // namespace exporttest
