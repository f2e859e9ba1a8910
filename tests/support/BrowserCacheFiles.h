// Browser cache entries made on the spot: Firefox cache2 entries (content,
// then metadata and its offset) and Chromium simple cache entries (header,
// key, body, the two streams' end records), and pictures to put in them.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QtEndian>

namespace cachefiles {

inline void appendLe32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

inline void appendLe64(QByteArray& out, quint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    out.append(b, 8);
}

// Content first, then chunk hashes and metadata naming the key, then the
// big-endian offset of the metadata.
inline QByteArray firefoxEntry(const QByteArray& content, const QByteArray& key = "a,:https://example.org/x")
{
    QByteArray out = content;
    out += QByteArray(2, '\x11');                       // one chunk hash
    out += QByteArray::fromHex("0000000300000001");     // version, fetch count
    out += key + '\0' + "response-head\0HTTP/1.1 200 OK\r\n\0";
    char offset[4];
    qToBigEndian(quint32(content.size()), offset);
    out.append(offset, 4);
    return out;
}

inline QByteArray simpleEof(quint32 flags, quint32 streamSize)
{
    QByteArray out;
    appendLe64(out, 0xf4fa6f45970d41d8ull);
    appendLe32(out, flags);
    appendLe32(out, 0x12345678);  // crc
    appendLe32(out, streamSize);
    appendLe32(out, 0);           // padding
    return out;
}

// Header, key, body (stream 1), its end record, the response headers
// (stream 0), optionally the key's SHA-256, and the end record of stream 0.
inline QByteArray chromiumEntry(const QByteArray& body, const QByteArray& key = "1/0/_dk_https://example.org",
                                bool withKeySha = false)
{
    QByteArray out;
    appendLe64(out, 0xfcfb6d1ba7725c30ull);
    appendLe32(out, 5);
    appendLe32(out, quint32(key.size()));
    appendLe32(out, 0xabcdef01);
    appendLe32(out, 0);
    out += key + body;
    out += simpleEof(1, 0);
    const QByteArray headers("HTTP/1.1 200 OK\0content-type: image\0\0", 37);
    out += headers;
    if (withKeySha)
        out += QByteArray(32, '\x5a');
    out += simpleEof(1 | (withKeySha ? 2 : 0), quint32(headers.size()));
    return out;
}

inline QByteArray imageBytes(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline QImage solidImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline QString put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

}  // namespace cachefiles
