#include "codecs/png/PngFastDecode.h"
#include "codecs/png/PngImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <png.h>
#include <zlib.h>

using vx::CodecError;
using vx::PngImage;

namespace {

struct PngSpec {
    int width = 5, height = 7;
    int colorType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> trnsAlpha;  // palette tRNS
    bool trnsKey = false;             // gray / RGB tRNS of sample value `key`
    int key = 0;
    int filter = -1;                  // the one filter type of every row (libpng's choice if -1)
    bool noise = false;               // random samples instead of a smooth pattern
};

int channels(int colorType)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
    }
}

// The sample of channel c at (x, y) before packing, in [0, 2^depth).
int sampleAt(const PngSpec& s, int x, int y, int c)
{
    const int max = (1 << s.depth) - 1;
    if (s.noise) {
        const uint32_t h = uint32_t(x * 73856093 ^ y * 19349663 ^ c * 83492791) * 2654435761u;
        return int(h >> 8) % (s.colorType == PNG_COLOR_TYPE_PALETTE ? int(s.palette.size()) : max + 1);
    }
    if (s.colorType == PNG_COLOR_TYPE_PALETTE)
        return (x + y) % int(s.palette.size());
    return ((x * 37 + y * 91 + c * 53) * (max / 15 + 1)) % (max + 1);
}

extern "C" void writeToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), qsizetype(length));
}
extern "C" void flushNothing(png_structp) {}

QByteArray writePng(const PngSpec& s)
{
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, writeToVector, flushNothing);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (s.filter >= 0)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE << s.filter);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    png_color_16 key{};
    key.gray = key.red = key.green = key.blue = png_uint_16(s.key);
    if (!s.trnsAlpha.empty())
        png_set_tRNS(png, info, s.trnsAlpha.data(), int(s.trnsAlpha.size()), nullptr);
    else if (s.trnsKey)
        png_set_tRNS(png, info, nullptr, 0, &key);
    png_write_info(png, info);
    const int ch = channels(s.colorType);
    const int bitsPerRow = s.width * ch * s.depth;
    std::vector<std::vector<png_byte>> rows(size_t(s.height), std::vector<png_byte>(size_t((bitsPerRow + 7) / 8)));
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            for (int c = 0; c < ch; ++c) {
                const int v = sampleAt(s, x, y, c);
                const int bit = (x * ch + c) * s.depth;
                auto& row = rows[size_t(y)];
                if (s.depth == 16) {
                    row[size_t(bit / 8)] = png_byte(v >> 8);
                    row[size_t(bit / 8 + 1)] = png_byte(v);
                } else if (s.depth == 8) {
                    row[size_t(bit / 8)] = png_byte(v);
                } else {
                    row[size_t(bit / 8)] |= png_byte(v << (8 - s.depth - bit % 8));
                }
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& r : rows)
        pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

uint8_t to8(const PngSpec& s, int v)
{
    const int max = (1 << s.depth) - 1;
    return s.depth == 16 ? uint8_t((v * 255L + 32895) / 65535) : uint8_t(v * 255 / max);
}

// The colour the decoder should give for (x, y), as 0xAARRGGBB.
uint32_t expected(const PngSpec& s, int x, int y, bool applyTrns)
{
    uint32_t a = 255, r, g, b;
    switch (s.colorType) {
    case PNG_COLOR_TYPE_PALETTE: {
        const int i = sampleAt(s, x, y, 0);
        const png_color& c = s.palette[size_t(i)];
        r = c.red, g = c.green, b = c.blue;
        if (applyTrns && size_t(i) < s.trnsAlpha.size())
            a = s.trnsAlpha[size_t(i)];
        break;
    }
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        r = g = b = to8(s, sampleAt(s, x, y, 0));
        if (s.colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            a = to8(s, sampleAt(s, x, y, 1));
        if (applyTrns && s.trnsKey && sampleAt(s, x, y, 0) == s.key)
            a = 0;
        break;
    default:
        r = to8(s, sampleAt(s, x, y, 0));
        g = to8(s, sampleAt(s, x, y, 1));
        b = to8(s, sampleAt(s, x, y, 2));
        if (s.colorType == PNG_COLOR_TYPE_RGB_ALPHA)
            a = to8(s, sampleAt(s, x, y, 3));
        if (applyTrns && s.trnsKey && sampleAt(s, x, y, 0) == s.key && sampleAt(s, x, y, 1) == s.key
            && sampleAt(s, x, y, 2) == s.key)
            a = 0;
        break;
    }
    return (a << 24) | (r << 16) | (g << 8) | b;
}

std::vector<png_color> rainbow(int n)
{
    std::vector<png_color> p;
    for (int i = 0; i < n; ++i)
        p.push_back({png_byte(i * 40 + 3), png_byte(255 - i * 13), png_byte(i * 7)});
    return p;
}

void expectPixels(const PngSpec& s, const vx::Bitmap& bmp, bool applyTrns)
{
    ASSERT_EQ(bmp.width(), s.width);
    ASSERT_EQ(bmp.height(), s.height);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const uint32_t want = expected(s, x, y, applyTrns);
            const uint32_t got = bmp.pixel(x, y);
            if ((want >> 24) == 0)
                ASSERT_EQ(got >> 24, 0u) << x << "," << y;
            else
                for (int shift = 0; shift < 32; shift += 8)  // 16-bit rounding may differ by one
                    ASSERT_NEAR(int((got >> shift) & 255), int((want >> shift) & 255), s.depth == 16 ? 1 : 0)
                        << "at " << x << "," << y << " type " << s.colorType << " depth " << s.depth;
        }
}

}  // namespace

TEST(PngDecoder, EveryColourTypeDepthAndInterlace)
{
    struct Case { int type, depth, bpp; };
    const Case cases[] = {
        {PNG_COLOR_TYPE_GRAY, 1, 1}, {PNG_COLOR_TYPE_GRAY, 2, 8}, {PNG_COLOR_TYPE_GRAY, 4, 4},
        {PNG_COLOR_TYPE_GRAY, 8, 8}, {PNG_COLOR_TYPE_GRAY, 16, 8},
        {PNG_COLOR_TYPE_PALETTE, 1, 1}, {PNG_COLOR_TYPE_PALETTE, 2, 8}, {PNG_COLOR_TYPE_PALETTE, 4, 4},
        {PNG_COLOR_TYPE_PALETTE, 8, 8},
        {PNG_COLOR_TYPE_RGB, 8, 24}, {PNG_COLOR_TYPE_RGB, 16, 24},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 32}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 32},
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, 32}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, 32}};
    for (const Case& c : cases) {
        for (bool interlaced : {false, true}) {
            PngSpec s;
            s.width = 13;
            s.height = 11;
            s.colorType = c.type;
            s.depth = c.depth;
            s.interlaced = interlaced;
            if (c.type == PNG_COLOR_TYPE_PALETTE)
                s.palette = rainbow(std::min(1 << c.depth, 6));
            PngImage png;
            png.loadFromData(writePng(s));
            EXPECT_EQ(png.info().interlaced, interlaced);
            const vx::Bitmap bmp = png.bitmap();
            EXPECT_EQ(bmp.bitsPerPixel(), c.bpp) << "type " << c.type << " depth " << c.depth;
            EXPECT_EQ(bmp.hasAlpha(), c.bpp == 32);
            expectPixels(s, bmp, true);
            EXPECT_FALSE(png.displayImage(QSize()).isNull());
        }
    }
}

TEST(PngDecoder, SimpleTransparencyAppliesUntilDropped)
{
    PngSpec pal;
    pal.colorType = PNG_COLOR_TYPE_PALETTE;
    pal.palette = rainbow(4);
    pal.trnsAlpha = {0, 128};
    PngSpec gray;
    gray.colorType = PNG_COLOR_TYPE_GRAY;
    gray.trnsKey = true;
    gray.key = sampleAt(gray, 1, 1, 0);
    PngSpec rgb;
    rgb.depth = 16;
    rgb.trnsKey = true;
    rgb.key = 0;
    for (const PngSpec& s : {pal, gray, rgb}) {
        const QByteArray file = writePng(s);
        PngImage png;
        png.loadFromData(file);
        EXPECT_TRUE(png.hasTransparencyChunk());
        EXPECT_EQ(png.bitmap().bitsPerPixel(), 32);
        EXPECT_TRUE(png.bitmap().hasAlpha());
        expectPixels(s, png.bitmap(), true);

        png.dropTransparency();
        EXPECT_FALSE(png.bitmap().hasAlpha());
        EXPECT_EQ(png.bitmap().bitsPerPixel(), s.colorType == PNG_COLOR_TYPE_RGB ? 24 : 8);
        expectPixels(s, png.bitmap(), false);

        // Dropped before loading: the first decode is already opaque.
        PngImage early;
        early.dropTransparency();
        early.loadFromData(file);
        EXPECT_TRUE(early.hasTransparencyChunk());
        expectPixels(s, early.bitmap(), false);
    }
}

TEST(PngDecoder, BadInputIsACodecError)
{
    PngSpec s;
    s.width = 40;
    s.height = 40;
    const QByteArray good = writePng(s);
    std::mt19937 rng(3);
    QByteArray noise(2048, '\0');
    for (char& c : noise)
        c = char(rng());
    const QByteArray jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);
    QByteArray badCrc = good;
    badCrc[20] = char(badCrc[20] ^ 1);  // inside IHDR
    QByteArray longChunk = good;  // the first chunk after IHDR claims 2 GB
    longChunk[33] = char(0x7F);
    const QByteArray bad[] = {QByteArray(), noise, jpeg, good.left(8), good.left(30),
                              good.left(good.size() - 30), badCrc, longChunk, good.left(good.size() - 12)};
    for (const QByteArray& data : bad) {
        PngImage png;
        EXPECT_THROW(png.loadFromData(data), CodecError);
        EXPECT_EQ(png.width(), 0);
    }

    // Header sizes beyond the limits (the CRC is fixed so only the size is wrong).
    for (uint32_t side : {70000u, 20000u}) {
        PngSpec big = s;
        QByteArray huge = writePng(big);
        for (int i = 0; i < 2; ++i) {
            huge[16 + 4 * i] = char(side >> 24);
            huge[17 + 4 * i] = char(side >> 16);
            huge[18 + 4 * i] = char(side >> 8);
            huge[19 + 4 * i] = char(side);
        }
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.constData()) + 12, 17);
        huge[29] = char(crc >> 24);
        huge[30] = char(crc >> 16);
        huge[31] = char(crc >> 8);
        huge[32] = char(crc);
        EXPECT_THROW(PngImage().loadFromData(huge), CodecError) << side;
    }
    EXPECT_THROW(PngImage().loadFromFile("/nonexistent/x.png"), CodecError);
}

namespace {

using Chunks = std::vector<std::pair<QByteArray, QByteArray>>;  // type, data

Chunks chunksOf(const QByteArray& file)
{
    Chunks chunks;
    for (qsizetype pos = 8; pos + 12 <= file.size();) {
        const auto* p = reinterpret_cast<const uint8_t*>(file.constData()) + pos;
        const qsizetype length = qsizetype((uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
        chunks.emplace_back(file.mid(pos + 4, 4), file.mid(pos + 8, length));
        pos += 12 + length;
    }
    return chunks;
}

void appendBe32(QByteArray& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char(v >> shift));
}

QByteArray fileOf(const Chunks& chunks)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    for (const auto& [type, data] : chunks) {
        appendBe32(out, uint32_t(data.size()));
        const QByteArray typed = type + data;
        out += typed;
        appendBe32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))));
    }
    return out;
}

QByteArray zlibData(const QByteArray& data, int windowBits = 15)
{
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

QByteArray inflated(const QByteArray& data)
{
    QByteArray out(1 << 20, '\0');
    uLongf size = uLongf(out.size());
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
               uLong(data.size()));
    out.truncate(qsizetype(size));
    return out;
}

// The file with its image data in one IDAT chunk, replaced by `f` of the
// inflated rows (and written back in `window` bits) or of the stream.
QByteArray withImageData(const QByteArray& file, const std::function<void(QByteArray& rows)>& onRows,
                         const std::function<void(QByteArray& stream)>& onStream = nullptr, int window = 15)
{
    Chunks chunks, out;
    QByteArray stream;
    for (const auto& c : chunksOf(file)) {
        if (c.first == "IDAT") {
            if (stream.isEmpty())
                out.emplace_back("IDAT", QByteArray());
            stream += c.second;
        } else {
            out.push_back(c);
        }
    }
    for (auto& c : out)
        if (c.first == "IDAT") {
            if (onRows) {
                QByteArray rows = inflated(stream);
                onRows(rows);
                stream = zlibData(rows, window);
            }
            if (onStream)
                onStream(stream);
            c.second = stream;
        }
    return out.empty() ? file : fileOf(out);
}

// The IDAT data cut into pieces of `piece` bytes, `between` (a chunk) after the first.
QByteArray splitImageData(const QByteArray& file, qsizetype piece, const Chunks& between = {})
{
    Chunks out;
    for (const auto& c : chunksOf(file)) {
        if (c.first != "IDAT") {
            out.push_back(c);
            continue;
        }
        for (qsizetype at = 0; at < c.second.size(); at += piece) {
            out.emplace_back("IDAT", c.second.mid(at, piece));
            if (at == 0)
                out.insert(out.end(), between.begin(), between.end());
        }
    }
    return fileOf(out);
}

QByteArray withChunkBeforeImageData(const QByteArray& file, const QByteArray& type, const QByteArray& data)
{
    Chunks chunks = chunksOf(file);
    chunks.insert(chunks.begin() + 1, {type, data});
    return fileOf(chunks);
}

struct Outcome {
    std::string error;
    vx::Bitmap bitmap;
    vx::png::Info info;
};

Outcome decodeWith(decltype(&vx::png::decode) decode, const QByteArray& file, bool applyTrns)
{
    Outcome o;
    try {
        o.bitmap = decode(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()), applyTrns, &o.info);
    } catch (const CodecError& e) {
        o.error = e.what();
    }
    return o;
}

void expectSameOutcome(const Outcome& a, const Outcome& b, const std::string& what)
{
    ASSERT_EQ(a.error, b.error) << what;
    if (!a.error.empty())
        return;
    ASSERT_EQ(a.bitmap.width(), b.bitmap.width()) << what;
    ASSERT_EQ(a.bitmap.height(), b.bitmap.height()) << what;
    ASSERT_EQ(a.bitmap.bitsPerPixel(), b.bitmap.bitsPerPixel()) << what;
    EXPECT_EQ(a.bitmap.hasAlpha(), b.bitmap.hasAlpha()) << what;
    EXPECT_EQ(a.bitmap.palette(), b.bitmap.palette()) << what;
    EXPECT_EQ(std::memcmp(a.bitmap.bits(), b.bitmap.bits(), a.bitmap.byteCount()), 0) << what;
    EXPECT_EQ(a.info.colorType, b.info.colorType) << what;
    EXPECT_EQ(a.info.bitDepth, b.info.bitDepth) << what;
    EXPECT_EQ(a.info.interlaced, b.info.interlaced) << what;
    EXPECT_EQ(a.info.hasTrns, b.info.hasTrns) << what;
}

}  // namespace

// Every file reads as libpng alone reads it: the same bitmap, or the same
// error. The common files (8 bits, not interlaced, no tRNS) go through the
// quicker reading, with each filter type, in pieces or whole.
TEST(PngDecoder, QuickReadingMatchesLibpng)
{
    struct Type { int type, depth; };
    const Type types[] = {{PNG_COLOR_TYPE_GRAY, 1}, {PNG_COLOR_TYPE_GRAY, 2}, {PNG_COLOR_TYPE_GRAY, 4},
                          {PNG_COLOR_TYPE_GRAY, 8}, {PNG_COLOR_TYPE_GRAY, 16}, {PNG_COLOR_TYPE_PALETTE, 1},
                          {PNG_COLOR_TYPE_PALETTE, 2}, {PNG_COLOR_TYPE_PALETTE, 4}, {PNG_COLOR_TYPE_PALETTE, 8},
                          {PNG_COLOR_TYPE_RGB, 8}, {PNG_COLOR_TYPE_RGB, 16}, {PNG_COLOR_TYPE_GRAY_ALPHA, 8},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {PNG_COLOR_TYPE_RGB_ALPHA, 8},
                          {PNG_COLOR_TYPE_RGB_ALPHA, 16}};
    struct Variant {
        const char* name;
        // Taken by the quicker reading when the file is a common one.
        std::function<bool(const PngSpec&)> quick;
        std::function<QByteArray(const QByteArray&, const PngSpec&)> make;
    };
    const auto rowBytes = [](const PngSpec& s) { return (s.width * channels(s.colorType) * s.depth + 7) / 8; };
    const auto yes = [](const PngSpec&) { return true; };
    const auto no = [](const PngSpec&) { return false; };
    // A window of 512 bytes is enough when it covers all the rows.
    const auto windowCovers = [&](const PngSpec& s) { return (rowBytes(s) + 1) * s.height <= 512; };
    const Variant variants[] = {
        {"as written", yes, [](const QByteArray& f, const PngSpec&) { return f; }},
        {"IDAT in pieces", yes, [](const QByteArray& f, const PngSpec&) { return splitImageData(f, 7); }},
        {"empty IDAT", yes, [](const QByteArray& f, const PngSpec&) {
             return splitImageData(f, 1 << 20, {{"IDAT", QByteArray()}}); }},
        {"ancillary chunks", yes, [](const QByteArray& f, const PngSpec&) {
             return withChunkBeforeImageData(withChunkBeforeImageData(f, "tEXt", QByteArray("Title\0x", 7)), "gAMA",
                                            QByteArray("\0\0\xb1\x8f", 4));
         }},
        {"ancillary chunk with a bad CRC", yes, [](QByteArray f, const PngSpec&) {
             f = withChunkBeforeImageData(f, "tIME", QByteArray("\x07\xe9\x01\x02\x03\x04\x05", 7));
             f[33 + 7 + 8] = char(f[33 + 7 + 8] ^ 1);
             return f; }},
        {"bad IDAT CRC", no, [](QByteArray f, const PngSpec&) {
             const qsizetype end = f.indexOf("IEND") - 4;
             f[end - 1] = char(f[end - 1] ^ 0x40);
             return f; }},
        {"stream cut short", no, [](const QByteArray& f, const PngSpec&) {
             return withImageData(f, nullptr, [](QByteArray& z) { z.chop(6); }); }},
        {"bytes after the stream", no, [](const QByteArray& f, const PngSpec&) {
             return withImageData(f, nullptr, [](QByteArray& z) { z += "xyz"; }); }},
        {"bad checksum", no, [](const QByteArray& f, const PngSpec&) {
             return withImageData(f, nullptr, [](QByteArray& z) { z[z.size() - 1] = char(z[z.size() - 1] ^ 1); }); }},
        {"a row too many", no, [&](const QByteArray& f, const PngSpec& s) {
             return withImageData(f, [&](QByteArray& rows) { rows += QByteArray(rowBytes(s) + 1, '\x01'); }); }},
        {"a row too few", no, [&](const QByteArray& f, const PngSpec& s) {
             return withImageData(f, [&](QByteArray& rows) { rows.chop(rowBytes(s) + 1); }); }},
        {"bad filter type", no, [&](const QByteArray& f, const PngSpec& s) {
             return withImageData(f, [&](QByteArray& rows) {
                 rows[s.interlaced ? 0 : rows.size() - rowBytes(s) - 1] = 5; }); }},
        {"small window", windowCovers, [](const QByteArray& f, const PngSpec&) {
             return withImageData(f, [](QByteArray&) {}, nullptr, 9); }},
        {"chunk between IDATs", no, [](const QByteArray& f, const PngSpec&) {
             return splitImageData(f, 5, {{"tEXt", QByteArray("a\0b", 3)}}); }},
        {"unknown critical chunk", no, [](const QByteArray& f, const PngSpec&) {
             return withChunkBeforeImageData(f, "VXab", "1234"); }},
        {"PLTE twice or out of place", no, [](const QByteArray& f, const PngSpec&) {
             return withChunkBeforeImageData(f, "PLTE", "\1\2\3\4\5\6"); }},
    };
    int quick = 0;
    for (const Type& t : types)
        for (bool interlaced : {false, true})
            for (bool trns : {false, true})
                for (int filter = 0; filter < 5; ++filter)
                    for (const QSize size : {QSize(13, 11), QSize(4, 3), QSize(150, 90)}) {
                        PngSpec s;
                        s.width = size.width();
                        s.height = size.height();
                        s.colorType = t.type;
                        s.depth = t.depth;
                        s.interlaced = interlaced;
                        s.filter = filter;
                        s.noise = true;
                        if (t.type == PNG_COLOR_TYPE_PALETTE)
                            s.palette = rainbow(std::min(1 << t.depth, 200));
                        if (trns && t.type == PNG_COLOR_TYPE_PALETTE)
                            s.trnsAlpha = {0, 128};
                        else if (trns && (t.type == PNG_COLOR_TYPE_GRAY || t.type == PNG_COLOR_TYPE_RGB))
                            s.trnsKey = true;
                        else if (trns)
                            continue;
                        const bool common = t.depth == 8 && !interlaced && !trns && t.type != PNG_COLOR_TYPE_GRAY_ALPHA;
                        if (size.width() > 100 && !common)
                            continue;  // the large size is for the quicker reading's full window
                        const QByteArray file = writePng(s);
                        for (const Variant& v : variants) {
                            const QByteArray data = v.make(file, s);
                            const std::string what = std::string(v.name) + ", type " + std::to_string(t.type)
                                                     + " depth " + std::to_string(t.depth) + " filter "
                                                     + std::to_string(filter) + (interlaced ? " interlaced" : "")
                                                     + (trns ? " tRNS" : "");
                            for (bool applyTrns : {true, false})
                                expectSameOutcome(decodeWith(vx::png::decode, data, applyTrns),
                                                  decodeWith(vx::png::decodeWithLibpng, data, applyTrns), what);
                            vx::Bitmap bitmap;
                            vx::png::Info info;
                            const bool taken = vx::png::decodeCommon(reinterpret_cast<const uint8_t*>(data.constData()),
                                                                     size_t(data.size()), bitmap, info);
                            EXPECT_EQ(taken, common && v.quick(s)) << what;
                            quick += taken;
                        }
                    }
    EXPECT_GE(quick, 4 * 5 * 3 * 5);  // common types x filters x sizes x the plain variants
}
