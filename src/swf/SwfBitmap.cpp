#include "swf/SwfBitmap.h"

#include "codecs/Bitmap.h"
#include "codecs/Inflate.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>
#include <jpeglib.h>

namespace vx::swf {

namespace {

// The largest bitmap the player we follow accepts: 8191 pixels a side and
// 16,777,215 in all. A few hundred bytes of movie could otherwise claim
// gigabytes.
constexpr int64_t kMaxBitmapSide = 8191;
constexpr int64_t kMaxBitmapPixels = 16'777'215;

void checkSize(int64_t w, int64_t h)
{
    if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels)
        throw CodecError("Bitmap size out of range");
}

struct JpegJob {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    QImage* out;
    std::vector<uint8_t>* row;  // freed by the caller on every path
    size_t dataSize;
    bool tooLarge;
};

void jpegError(j_common_ptr cinfo)
{
    JpegJob* job = reinterpret_cast<JpegJob*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, job->message);
    longjmp(job->jump, 1);
}

void jpegSilent(j_common_ptr, int) {}

// Runs libjpeg; returns false with job.message set on failure. Kept free of
// objects with destructors so that the error jump skips nothing.
bool runJpeg(const uint8_t* data, size_t size, JpegJob& job)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&job.mgr);
    job.mgr.error_exit = jpegError;
    job.mgr.emit_message = jpegSilent;
    if (setjmp(job.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    const int64_t w = cinfo.image_width, h = cinfo.image_height;
    // A JPEG stream cannot describe more than a few thousand pixels per byte;
    // claims beyond that are broken data and would only cost time and memory.
    if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels ||
        w * h > int64_t(size) * 4096 + (int64_t(1) << 20)) {
        job.tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
        cinfo.out_color_space = JCS_CMYK;
    jpeg_start_decompress(&cinfo);
    *job.out = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (job.out->isNull()) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const int comps = cinfo.output_components;
    job.row = new std::vector<uint8_t>(size_t(cinfo.output_width) * size_t(comps));
    std::vector<uint8_t>* row = job.row;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        if (comps == 4 && cinfo.out_color_space == JCS_EXT_BGRX) {
            JSAMPROW dst = job.out->scanLine(y);
            jpeg_read_scanlines(&cinfo, &dst, 1);
            continue;
        }
        JSAMPROW src = row->data();
        jpeg_read_scanlines(&cinfo, &src, 1);
        uint32_t* dst = reinterpret_cast<uint32_t*>(job.out->scanLine(y));
        for (unsigned x = 0; x < cinfo.output_width; ++x) {
            const uint8_t* p = src + size_t(x) * size_t(comps);
            if (comps == 1) {
                dst[x] = 0xff000000u | p[0] * 0x010101u;
            } else {  // CMYK as Adobe writes it (inverted)
                const unsigned k = p[3];
                dst[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Drops the EOI+SOI pairs that SWF tools put between tables and image data.
QByteArray cleanJpeg(const uint8_t* data, size_t size)
{
    QByteArray out(reinterpret_cast<const char*>(data), int(size));
    for (int i = 0; (i = out.indexOf("\xff\xd9\xff\xd8", i)) >= 0;) out.remove(i, 4);
    if (!out.startsWith("\xff\xd8")) out.prepend("\xff\xd8");
    return out;
}

bool isPng(const uint8_t* d, size_t n) { return n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0; }
bool isGif(const uint8_t* d, size_t n) { return n >= 6 && std::memcmp(d, "GIF8", 4) == 0; }

QImage decodeEmbedded(const uint8_t* data, size_t size)
{
    if (isPng(data, size) || isGif(data, size)) {
        QImage img = QImage::fromData(data, int(std::min<size_t>(size, INT32_MAX)));
        if (img.isNull()) throw CodecError("Broken embedded picture");
        checkSize(img.width(), img.height());
        return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    QByteArray clean = cleanJpeg(data, size);
    return decodeJpeg(reinterpret_cast<const uint8_t*>(clean.constData()), size_t(clean.size()));
}

void applyAlpha(QImage& img, const QByteArray& alpha)
{
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = img.width(), h = img.height();
    if (alpha.size() < qsizetype(w) * h) return;  // incomplete plane: keep the picture opaque
    const uint8_t* a = reinterpret_cast<const uint8_t*>(alpha.constData());
    for (int y = 0; y < h; ++y) {
        uint32_t* p = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const unsigned av = a[size_t(y) * size_t(w) + size_t(x)];
            const uint32_t c = p[x];
            p[x] = av << 24 | (qRed(c) * av / 255) << 16 | (qGreen(c) * av / 255) << 8 | (qBlue(c) * av / 255);
        }
    }
}

uint32_t premul(unsigned a, unsigned r, unsigned g, unsigned b)
{
    return a << 24 | std::min(r, a) << 16 | std::min(g, a) << 8 | std::min(b, a);
}

QImage decodeLossless(bool withAlpha, const uint8_t* body, size_t size)
{
    if (size < 5) throw CodecError("Lossless bitmap header cut short");
    const int format = body[0];
    const int w = body[1] | body[2] << 8, h = body[3] | body[4] << 8;
    checkSize(w, h);
    size_t pos = 5;
    int colours = 0;
    if (format == 3) {
        if (size < 6) throw CodecError("Lossless bitmap header cut short");
        colours = body[5] + 1;
        pos = 6;
    } else if (format != 4 && format != 5) {
        throw CodecError("Unknown lossless bitmap format");
    }
    const size_t entry = withAlpha ? 4 : 3;
    size_t rowBytes = format == 3 ? size_t(w) : format == 4 ? size_t(w) * 2 : size_t(w) * 4;
    rowBytes = (rowBytes + 3) & ~size_t(3);
    const size_t table = format == 3 ? size_t(colours) * entry : 0;
    const size_t expected = table + rowBytes * size_t(h);
    const QByteArray raw = inflateUpTo(body + pos, size - pos, expected);
    const size_t have = size_t(raw.size());
    const uint8_t* d = reinterpret_cast<const uint8_t*>(raw.constData());
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) throw CodecError("Out of memory for a bitmap");
    uint32_t pal[256] = {};
    for (int i = 0; i < colours && size_t(i + 1) * entry <= have; ++i) {
        const uint8_t* c = d + size_t(i) * entry;
        pal[i] = withAlpha ? premul(c[3], c[0], c[1], c[2]) : (0xff000000u | c[0] << 16 | c[1] << 8 | c[2]);
    }
    for (int y = 0; y < h; ++y) {
        uint32_t* dst = reinterpret_cast<uint32_t*>(img.scanLine(y));
        if (table + rowBytes * size_t(y + 1) > have) {
            // Rows the stream does not hold stay transparent.
            std::fill_n(dst, w, 0u);
            continue;
        }
        const uint8_t* row = d + table + rowBytes * size_t(y);
        for (int x = 0; x < w; ++x) {
            if (format == 3) {
                dst[x] = row[x] < colours ? pal[row[x]] : 0;
            } else if (format == 4) {
                const unsigned v = unsigned(row[2 * x]) << 8 | row[2 * x + 1];
                const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                dst[x] = 0xff000000u | (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
            } else {
                const uint8_t* p = row + 4 * size_t(x);
                dst[x] = withAlpha ? premul(p[0], p[1], p[2], p[3]) : (0xff000000u | p[1] << 16 | p[2] << 8 | p[3]);
            }
        }
    }
    return img;
}

}  // namespace

QByteArray inflateUpTo(const uint8_t* data, size_t size, size_t expected)
{
    QByteArray out;
    const InflateResult r = inflateAppend(data, size, out, expected, size_t(1) << 16);
    // A stream cut short keeps what came out; a broken one is refused.
    if (r.end == InflateEnd::Corrupt || (r.end == InflateEnd::InputEnd && r.produced == 0))
        throw CodecError("Broken zlib data in a bitmap");
    return out;
}

QImage decodeJpeg(const uint8_t* data, size_t size)
{
    QImage out;
    JpegJob job{};
    job.out = &out;
    job.dataSize = size;
    const bool ok = runJpeg(data, size, job);
    delete job.row;
    if (!ok) {
        if (job.tooLarge) throw CodecError("JPEG size out of range");
        throw CodecError(std::string("Broken JPEG data: ") + job.message);
    }
    return out;
}

QImage decodeBitmapTag(int tagCode, const uint8_t* body, size_t size, const QByteArray& jpegTables)
{
    switch (tagCode) {
    case 6: {  // DefineBits: image data that needs the movie's tables
        QByteArray all = jpegTables;
        all.append(reinterpret_cast<const char*>(body), qsizetype(size));
        QByteArray clean = cleanJpeg(reinterpret_cast<const uint8_t*>(all.constData()), size_t(all.size()));
        return decodeJpeg(reinterpret_cast<const uint8_t*>(clean.constData()), size_t(clean.size()));
    }
    case 21:
        return decodeEmbedded(body, size);
    case 35:
    case 90: {
        const size_t head = tagCode == 90 ? 6 : 4;
        if (size < head) throw CodecError("JPEG tag cut short");
        const size_t jpegSize = size_t(body[0]) | size_t(body[1]) << 8 | size_t(body[2]) << 16 | size_t(body[3]) << 24;
        if (jpegSize > size - head) throw CodecError("JPEG length past the tag");
        const uint8_t* jpeg = body + head;
        QImage img = decodeEmbedded(jpeg, jpegSize);
        const size_t alphaSize = size - head - jpegSize;
        if (alphaSize > 0 && !isPng(jpeg, jpegSize) && !isGif(jpeg, jpegSize)) {
            QByteArray alpha;
            try {
                alpha = inflateUpTo(jpeg + jpegSize, alphaSize, size_t(img.width()) * size_t(img.height()));
            } catch (const CodecError&) {
                alpha.clear();  // a broken alpha plane leaves the picture opaque
            }
            applyAlpha(img, alpha);
        }
        return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    case 20:
    case 36:
        return decodeLossless(tagCode == 36, body, size);
    default:
        throw CodecError("Not a bitmap tag");
    }
}

}  // namespace vx::swf
