// Browser cache entries made on the spot: Firefox cache2 entries (content,
// then metadata and its offset) and Chromium simple cache entries (header,
// key, body, the two streams' end records), and pictures to put in them.
#pragma once

#include "support/ByteBuilder.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>

namespace cachefiles {

// Content first, then chunk hashes and metadata naming the key, then the
// big-endian offset of the metadata.
inline QByteArray firefoxEntry(const QByteArray& content, const QByteArray& key = "a,:https://example.org/x")
{
    QByteArray out = content;
    out += QByteArray(2, '\x11');                       // one chunk hash
    out += QByteArray::fromHex("0000000300000001");     // version, fetch count
    out += key + '\0' + "response-head\0HTTP/1.1 200 OK\r\n\0";
    return out + vxtest::Bytes().u32be(uint32_t(content.size())).toQByteArray();
}

inline QByteArray simpleEof(quint32 flags, quint32 streamSize)
{
    // Magic, flags, crc, stream size, padding.
    return vxtest::Bytes().u64le(0xf4fa6f45970d41d8ull).u32le(flags).u32le(0x12345678).u32le(streamSize).u32le(0)
        .toQByteArray();
}

// Header, key, body (stream 1), its end record, the response headers
// (stream 0), optionally the key's SHA-256, and the end record of stream 0.
inline QByteArray chromiumEntry(const QByteArray& body, const QByteArray& key = "1/0/_dk_https://example.org",
                                bool withKeySha = false)
{
    vxtest::Bytes head;
    head.u64le(0xfcfb6d1ba7725c30ull).u32le(5).u32le(uint32_t(key.size())).u32le(0xabcdef01).u32le(0);
    QByteArray out = head.toQByteArray() + key + body;
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
