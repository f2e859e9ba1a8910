#include "SlowPictures.h"

#include "HostileFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace vx::hostile {

namespace {

struct Bytes {
    QByteArray b;
    Bytes& u8(unsigned v) { b.append(char(v)); return *this; }
    Bytes& le16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& le32(uint32_t v) { return le16(v & 0xFFFF).le16(v >> 16); }
    Bytes& be16(unsigned v) { return u8((v >> 8) & 0xFF).u8(v & 0xFF); }
    Bytes& be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
    Bytes& raw(const QByteArray& v) { b.append(v); return *this; }
    Bytes& zeros(int n) { b.append(QByteArray(n, '\0')); return *this; }
};

// Splits a row of `width` pixels into runs of at most `longest`, calling run(length, index).
void runs(int width, int longest, const std::function<void(int, int)>& run)
{
    for (int x = 0, i = 0; x < width; x += longest, ++i)
        run(std::min(longest, width - x), i);
}

// Sizes are divided by this (small versions for tests); set by writeSlowPictures.
int divisor = 1;
int scaled(int n) { return std::max(8, n / divisor); }

// 24-bit run-length Targa, top-down.
QByteArray targaRle()
{
    const int side = scaled(8000);
    Bytes t;
    t.u8(0).u8(0).u8(10).zeros(5).le16(0).le16(0).le16(side).le16(side).u8(24).u8(0x20);
    for (int y = 0; y < side; ++y)
        runs(side, 128, [&](int n, int i) { t.u8(0x80 | unsigned(n - 1)).u8(unsigned(y)).u8(unsigned(i * 4)).u8(0x80); });
    return t.b;
}

// 8-bit run-length PCX with its 256-colour palette at the end.
QByteArray pcxRle()
{
    const int side = scaled(8000);
    Bytes p;
    p.u8(0x0A).u8(5).u8(1).u8(8).le16(0).le16(0).le16(side - 1).le16(side - 1).le16(72).le16(72).zeros(48);
    p.u8(0).u8(1).le16(side).le16(1).zeros(58);
    for (int y = 0; y < side; ++y)
        runs(side, 63, [&](int n, int i) { p.u8(0xC0 | unsigned(n)).u8(unsigned(y + i) & 0xFF); });
    p.u8(0x0C);
    for (int i = 0; i < 256; ++i)
        p.u8(unsigned(i)).u8(255 - unsigned(i)).u8(unsigned(i * 3) & 0xFF);
    return p.b;
}

// Run-length SGI RGB; each row is its own run list.
QByteArray sgiRle()
{
    const int side = scaled(8000);
    constexpr int kChannels = 3;
    Bytes head;
    head.be16(474).u8(1).u8(1).be16(3).be16(side).be16(side).be16(kChannels).be32(0).be32(255).zeros(4);
    head.zeros(80).be32(0).zeros(404);
    QByteArray rows;
    std::vector<uint32_t> starts, lengths;
    const uint32_t tables = 512 + uint32_t(side) * kChannels * 8;
    for (int c = 0; c < kChannels; ++c)
        for (int y = 0; y < side; ++y) {
            Bytes row;
            runs(side, 127, [&](int n, int i) { row.u8(unsigned(n)).u8(unsigned(y * (c + 1) + i) & 0xFF); });
            row.u8(0);
            starts.push_back(tables + uint32_t(rows.size()));
            lengths.push_back(uint32_t(row.b.size()));
            rows += row.b;
        }
    for (uint32_t s : starts)
        head.be32(s);
    for (uint32_t l : lengths)
        head.be32(l);
    return head.b + rows;
}

// Photoshop RGB with PackBits rows.
QByteArray psdRle()
{
    const int side = scaled(8000);
    constexpr int kChannels = 3;
    Bytes p;
    p.raw("8BPS").be16(1).zeros(6).be16(kChannels).be32(side).be32(side).be16(8).be16(3);
    p.be32(0).be32(0).be32(0).be16(1);
    std::vector<QByteArray> rows;
    for (int c = 0; c < kChannels; ++c)
        for (int y = 0; y < side; ++y) {
            Bytes row;
            runs(side, 128, [&](int n, int i) { row.u8(unsigned(257 - n) & 0xFF).u8(unsigned(y * (c + 2) + i) & 0xFF); });
            rows.push_back(row.b);
        }
    for (const QByteArray& row : rows)
        p.be16(unsigned(row.size()));
    for (const QByteArray& row : rows)
        p.raw(row);
    return p.b;
}

// Dr. Halo CUT: each row its length, then runs of 127 and the end mark.
QByteArray cutRle()
{
    const int side = scaled(8000);
    Bytes c;
    c.le16(side).le16(side).le16(0);
    for (int y = 0; y < side; ++y) {
        Bytes row;
        runs(side, 127, [&](int n, int i) { row.u8(0x80 | unsigned(n)).u8(unsigned(y + i * 5) & 0xFF); });
        row.u8(0);
        c.le16(unsigned(row.b.size())).raw(row.b);
    }
    return c.b;
}

// Run-length 8-bit BMP, bottom-up.
QByteArray bmpRle8()
{
    const int side = scaled(8000);
    Bytes pixels;
    for (int y = 0; y < side; ++y) {
        runs(side, 255, [&](int n, int i) { pixels.u8(unsigned(n)).u8(unsigned(y + i) & 0xFF); });
        pixels.u8(0).u8(0);
    }
    pixels.u8(0).u8(1);
    Bytes b;
    const uint32_t offset = 14 + 40 + 1024;
    b.raw("BM").le32(offset + uint32_t(pixels.b.size())).le32(0).le32(offset);
    b.le32(40).le32(side).le32(side).le16(1).le16(8).le32(1).le32(uint32_t(pixels.b.size())).le32(0).le32(0);
    b.le32(256).le32(0);
    for (int i = 0; i < 256; ++i)
        b.u8(unsigned(i)).u8(unsigned(i)).u8(255 - unsigned(i)).u8(0);
    return b.b + pixels.b;
}

// Binary PGM: plain bytes, the whole picture in the file (64 MB).
QByteArray pgmRaw()
{
    const int side = scaled(8000);
    QByteArray p = "P5\n" + QByteArray::number(side) + ' ' + QByteArray::number(side) + "\n255\n";
    const qsizetype head = p.size();
    p.resize(head + qsizetype(side) * side);
    for (qsizetype i = 0; i < qsizetype(side) * side; ++i)
        p[head + i] = char((i / side + i % side) & 0xFF);
    return p;
}

// WBMP type 0 of 16000 x 16000 (32 MB of bits).
QByteArray wbmp()
{
    const int wide = scaled(16000) / 8 * 8;
    Bytes w;
    w.u8(0).u8(0);
    for (int i = 0; i < 2; ++i)  // width, height as multi-byte integers
        w.u8(0x80 | (wide >> 7)).u8(wide & 0x7F);
    QByteArray bits(qsizetype(wide / 8) * wide, '\0');
    for (qsizetype i = 0; i < bits.size(); ++i)
        bits[i] = char((i / (wide / 8)) % 3 ? 0xF0 : 0x0F);
    return w.b + bits;
}

// A WMF of 1000 x 1000 pixels that draws 300,000 lines across it.
QByteArray wmfManyLines()
{
    Bytes records;
    const int lines = scaled(300000);
    for (int i = 0; i < lines; ++i) {
        records.le32(5).le16(0x0214).le16(unsigned(i * 7) % 1000).le16(unsigned(i) % 1000);          // MoveTo (y, x)
        records.le32(5).le16(0x0213).le16(unsigned(i * 13) % 1000).le16(unsigned(i * 3) % 1000);     // LineTo (y, x)
    }
    records.le32(3).le16(0);
    Bytes placeable;
    placeable.le32(0x9AC6CDD7).le16(0).le16(0).le16(0).le16(1000).le16(1000).le16(96).le32(0);
    unsigned sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= uint8_t(placeable.b[i]) | (uint8_t(placeable.b[i + 1]) << 8);
    placeable.le16(sum);
    Bytes header;
    header.le16(1).le16(9).le16(0x0300).le32(uint32_t((18 + records.b.size()) / 2)).le16(0).le32(5).le16(0);
    return placeable.b + header.b + records.b;
}

// An EMF of 300,000 MoveToEx / LineTo pairs.
QByteArray emfManyLines()
{
    const int lines = scaled(300000);
    Bytes body;
    for (int i = 0; i < lines; ++i) {
        body.le32(27).le32(16).le32(uint32_t(i * 7) % 1000).le32(uint32_t(i) % 1000);       // EMR_MOVETOEX
        body.le32(54).le32(16).le32(uint32_t(i * 13) % 1000).le32(uint32_t(i * 3) % 1000);  // EMR_LINETO
    }
    body.le32(14).le32(20).le32(0).le32(16).le32(20);  // EMR_EOF
    Bytes h;
    const uint32_t headerSize = 88;
    h.le32(1).le32(headerSize);
    h.le32(0).le32(0).le32(999).le32(999);          // bounds (device units)
    h.le32(0).le32(0).le32(26458).le32(26458);      // frame (0.01 mm): 1000 px at 96 dpi
    h.le32(0x464D4520).le32(0x10000);
    h.le32(headerSize + uint32_t(body.b.size())).le32(uint32_t(lines) * 2 + 2).le16(1).le16(0);
    h.le32(0).le32(0).le32(0);                      // description, palette entries
    h.le32(1024).le32(768).le32(270).le32(203);    // reference device pixels and mm
    return h.b + body.b;
}

// A 6000 x 4000 progressive JPEG of a soft colour field.
QByteArray progressiveJpeg()
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    const unsigned width = unsigned(scaled(6000)), height = unsigned(scaled(4000));
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(width * 3);
    while (c.next_scanline < c.image_height) {
        const unsigned y = c.next_scanline;
        for (unsigned x = 0; x < width; ++x) {
            row[3 * x] = uint8_t((x / 8 + y / 16) & 0xFF);
            row[3 * x + 1] = uint8_t(((x ^ y) >> 3) & 0xFF);
            row[3 * x + 2] = uint8_t((y / 4) & 0xFF);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray data(reinterpret_cast<const char*>(out), qsizetype(size));
    free(out);
    return data;
}

// A 4000 x 4000 interlaced 16-bit RGBA PNG of gradients.
bool writePng16Interlaced(const QString& path)
{
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int pngSide = scaled(4000);
    std::vector<uint16_t> picture(size_t(pngSide) * pngSide * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, pngSide, pngSide, 16, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_set_swap(png);
    std::vector<png_bytep> rows(pngSide);
    for (int y = 0; y < pngSide; ++y) {
        uint16_t* p = picture.data() + size_t(y) * pngSide * 4;
        for (int x = 0; x < pngSide; ++x, p += 4) {
            p[0] = uint16_t(x * 16);
            p[1] = uint16_t(y * 16);
            p[2] = uint16_t((x + y) * 8);
            p[3] = 0xFFFF;
        }
        rows[size_t(y)] = reinterpret_cast<png_bytep>(picture.data() + size_t(y) * pngSide * 4);
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

// An 8000 x 6000 deflated RGB TIFF (read through libtiff's RGBA reader).
bool writeTiffRgb(const QString& path)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    const uint32_t width = uint32_t(scaled(8000)), height = uint32_t(scaled(6000));
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
    std::vector<uint8_t> row(width * 3);
    bool ok = true;
    for (uint32_t y = 0; y < height && ok; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            row[3 * x] = uint8_t(x / 32);
            row[3 * x + 1] = uint8_t(y / 24);
            row[3 * x + 2] = uint8_t((x + y) / 64);
        }
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

// A 2000 x 2000 GIF of 40 frames, each a different pattern of bands.
bool writeGifFrames(const QString& path)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif)
        return false;
    const int gifSide = scaled(2000);
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[size_t(i)] = {GifByteType(i), GifByteType(255 - i), GifByteType((i * 5) & 255)};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(gif, gifSide, gifSide, 8, 0, map);
    GifFreeMapObject(map);
    std::vector<GifPixelType> line(gifSide);
    for (int frame = 0; frame < 40; ++frame) {
        GraphicsControlBlock gcb{};
        gcb.DelayTime = 5;
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType ext[4];
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&gcb, ext)), ext);
        EGifPutImageDesc(gif, 0, 0, gifSide, gifSide, false, nullptr);
        for (int y = 0; y < gifSide; ++y) {
            for (int x = 0; x < gifSide; ++x)
                line[size_t(x)] = GifPixelType((x / 16 + y / 16 + frame * 3) & 255);
            EGifPutLine(gif, line.data(), gifSide);
        }
    }
    return EGifCloseFile(gif, &error) == GIF_OK;
}

bool writeBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

}  // namespace

QStringList writeSlowPictures(const QString& folder, int divideSizesBy)
{
    divisor = std::max(1, divideSizesBy);
    QDir().mkpath(folder);
    struct Maker {
        QString name;
        std::function<bool(const QString&)> write;
    };
    const auto bytes = [](QByteArray (*make)()) { return [make](const QString& path) { return writeBytes(path, make()); }; };
    const auto named = [](const char* pattern, int a, int b = 0) {
        const QString name = QString::fromLatin1(pattern).arg(scaled(a));
        return name.contains(QLatin1String("%2")) ? name.arg(b ? scaled(b) : scaled(a)) : name;
    };
    const int layerSide = scaled(4096);
    const std::vector<Maker> makers{
        {named("slow_bmp_rle8_%1x%2.bmp", 8000), bytes(bmpRle8)},
        {named("slow_cut_rle_%1x%2.cut", 8000), bytes(cutRle)},
        {named("slow_emf_%1_lines.emf", 300000), bytes(emfManyLines)},
        {named("slow_gif_40_frames_%1x%2.gif", 2000), writeGifFrames},
        {named("slow_jpeg_progressive_%1x%2.jpg", 6000, 4000), bytes(progressiveJpeg)},
        {named("slow_pcx_rle_%1x%2.pcx", 8000), bytes(pcxRle)},
        {named("slow_pgm_%1x%2.pgm", 8000), bytes(pgmRaw)},
        {named("slow_png_16bit_interlaced_%1x%2.png", 4000), writePng16Interlaced},
        {named("slow_psd_rle_%1x%2.psd", 8000), bytes(psdRle)},
        {named("slow_psp_7_layers_of_%1x%2.psp", 4096),
         [layerSide](const QString& path) { return writeBytes(path, pspLayers(7, layerSide)); }},
        {named("slow_sgi_rle_%1x%2.sgi", 8000), bytes(sgiRle)},
        {named("slow_tga_rle_%1x%2.tga", 8000), bytes(targaRle)},
        {named("slow_tiff_deflate_rgb_%1x%2.tif", 8000, 6000), writeTiffRgb},
        {QString::fromLatin1("slow_wbmp_%1x%1.wbmp").arg(scaled(16000) / 8 * 8), bytes(wbmp)},
        {named("slow_wmf_%1_lines.wmf", 300000), bytes(wmfManyLines)},
    };
    QStringList paths;
    for (const Maker& m : makers) {
        const QString path = folder + QLatin1Char('/') + m.name;
        if (QFileInfo::exists(path) || m.write(path))
            paths << path;
        else
            QFile::remove(path);
    }
    divisor = 1;
    return paths;
}

}  // namespace vx::hostile
