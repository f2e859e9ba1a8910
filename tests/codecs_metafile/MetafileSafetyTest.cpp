// The EMF writer's round trip, and damaged or hostile metafiles.
#include "MetaBuilder.h"
#include "codecs/metafile/EmfWriter.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using namespace mftest;

namespace {

vx::Bitmap pattern24(int w, int h)
{
    vx::Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 37 + y);
            p[1] = uint8_t(y * 53);
            p[2] = uint8_t(x * 11 + y * 7);
        }
    return b;
}

TEST(EmfWriter, RoundTripKeepsEveryPixel)
{
    for (QSize size : {QSize(1, 1), QSize(7, 5), QSize(33, 17), QSize(300, 2)}) {
        const vx::Bitmap src = pattern24(size.width(), size.height());
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        vx::encodeEmf(src, buffer);
        const vx::Metafile m = load(buffer.data());
        ASSERT_EQ(m.width(), size.width());
        ASSERT_EQ(m.height(), size.height());
        const vx::Bitmap back = m.bitmap();
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, src.pixel(x, y) & 0xFFFFFF)
                    << size.width() << "x" << size.height() << " at " << x << "," << y;
    }
}

TEST(EmfWriter, HeaderFieldsAndPalettedSource)
{
    vx::Bitmap indexed(3, 2, 8);
    indexed.palette() = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    for (int x = 0; x < 3; ++x)
        indexed.scanLine(0)[x] = indexed.scanLine(1)[x] = uint8_t(x);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    vx::encodeEmf(indexed, buffer);
    const QByteArray d = buffer.data();
    auto u32 = [&](int at) { return uint32_t(uint8_t(d[at])) | uint32_t(uint8_t(d[at + 1])) << 8
                                    | uint32_t(uint8_t(d[at + 2])) << 16 | uint32_t(uint8_t(d[at + 3])) << 24; };
    EXPECT_EQ(u32(0), 1u);
    EXPECT_EQ(u32(40), 0x464D4520u);
    EXPECT_EQ(u32(44), 0x10000u);
    EXPECT_EQ(u32(48), uint32_t(d.size()));
    EXPECT_EQ(u32(52), 3u);
    EXPECT_EQ(u32(108), 81u);                      // EMR_STRETCHDIBITS
    EXPECT_EQ(u32(108 + 80 + 14) & 0xFFFF, 24u);   // 24 bits per pixel
    EXPECT_EQ(u32(d.size() - 20), 14u);            // EMR_EOF
    const vx::Bitmap back = load(d).bitmap();
    EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(back.pixel(2, 1) & 0xFFFFFF, 0x0000FFu);
}

TEST(EmfWriter, RefusesEmptyBitmapsAndUnwritableDevices)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(vx::encodeEmf(vx::Bitmap(), buffer), vx::CodecError);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_THROW(vx::encodeEmf(pattern24(2, 2), readOnly), vx::CodecError);
    QBuffer closed;
    EXPECT_THROW(vx::encodeEmf(pattern24(2, 2), closed), vx::CodecError);
}

TEST(MetafileInput, GarbageAndMissingFilesAreErrors)
{
    vx::Metafile m;
    EXPECT_THROW(m.loadFromData(QByteArray()), vx::CodecError);
    EXPECT_THROW(m.loadFromData(QByteArray(200, 'x')), vx::CodecError);
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        QByteArray junk(int(rng() % 300), 0);
        for (char& c : junk)
            c = char(rng());
        EXPECT_THROW(m.loadFromData(junk), vx::CodecError);
    }
    EXPECT_THROW(m.loadFromFile("/nonexistent/x.emf"), vx::CodecError);
    QByteArray emfHeaderOnly = Emf(10, 10).build().left(100);
    EXPECT_THROW(m.loadFromData(emfHeaderOnly), vx::CodecError);
    EXPECT_EQ(m.width(), 0);
}

TEST(MetafileInput, LoadsFromAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.emf");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    vx::encodeEmf(pattern24(4, 3), f);
    f.close();
    vx::Metafile m;
    m.loadFromFile(path);
    EXPECT_EQ(m.width(), 4);
    EXPECT_EQ(m.height(), 3);
}

TEST(MetafileInput, DamagedRecordsDrawWhatComesBefore)
{
    Emf e(100, 100);
    e.brush(1, rgb(255, 0, 0)).select(1).nullPen().rect(0, 0, 50, 100);
    const QByteArray good = e.build();
    const int firstRecordsEnd = int(good.size()) - 20;  // before EMR_EOF

    // Cut in the middle of a record, or a record of size 0 after the drawing.
    QByteArray cut = good.left(firstRecordsEnd - 6);
    EXPECT_EQ(at(render(cut), 75, 50), 0xFFFFFFu);
    QByteArray zero = good.left(firstRecordsEnd);
    zero.append(QByteArray("\x2b\0\0\0\0\0\0\0", 8));
    zero.append(Emf(1, 1).build().right(20));
    const QImage z = render(zero);
    EXPECT_EQ(at(z, 25, 50), 0xFF0000u);

    // A polygon claiming far more points than it holds is skipped; the next record still plays.
    Bytes huge;
    huge.i32le(0).i32le(0).i32le(0).i32le(0).u32le(0x10000000).i32le(0).i32le(0).i32le(100).i32le(0).i32le(100).i32le(100);
    Emf h(100, 100);
    h.brush(1, rgb(255, 0, 0)).select(1).nullPen().raw(3, huge).rect(50, 0, 100, 100);
    const QImage hi = render(h.build());
    EXPECT_EQ(at(hi, 75, 50), 0xFF0000u);
    EXPECT_EQ(at(hi, 25, 50), 0xFFFFFFu);

    // A bitmap claiming a gigantic size, and one whose bits are missing.
    Bytes bmi;
    bmi.u32le(40).i32le(60000).i32le(60000).u16le(1).u16le(24).u32le(0).u32le(0).i32le(0).i32le(0).u32le(0).u32le(0);
    Bytes p;
    p.i32le(0).i32le(0).i32le(0).i32le(0).i32le(0).i32le(0).i32le(0).i32le(0).i32le(60000).i32le(60000);
    p.u32le(80).u32le(40).u32le(120).u32le(16).u32le(0).u32le(0x00CC0020).i32le(100).i32le(100).append(bmi);
    p.u32le(0).u32le(0).u32le(0).u32le(0);
    Emf b(100, 100);
    b.raw(81, p);
    EXPECT_EQ(at(render(b.build()), 50, 50), 0xFFFFFFu);

    // A WMF record of size 0 ends the playing.
    Wmf w;
    w.rec(0x020C, {100, 100}).brush(rgb(255, 0, 0)).select(0).rect(0, 0, 100, 100);
    QByteArray wmf = w.build(false);
    wmf.insert(18, QByteArray(6, '\0'));
    const vx::Metafile wm = load(wmf);
    EXPECT_EQ(at(wm.displayImage(QSize(wm.width(), wm.height())), 10, 10), 0xFFFFFFu);
}

TEST(MetafileInput, RandomMutationsNeverCrash)
{
    ensureGuiApp();
    Emf e(64, 64);
    e.brush(1, rgb(255, 0, 0)).select(1).pen(2, 1, 3, rgb(0, 0, 255)).select(2);
    e.rect(1, 1, 40, 40).rec(42, {10, 10, 60, 60}).polygon({{0, 0}, {60, 5}, {30, 60}});
    e.rec(59, {}).rec(27, {5, 5}).rec(54, {50, 5}).rec(54, {5, 50}).rec(60, {}).rec(63, {0, 0, 64, 64});
    e.rec(30, {0, 0, 30, 30}).rec(45, {0, 0, 60, 60, 60, 30, 0, 30});
    Wmf w;
    w.rec(0x020C, {64, 64}).brush(rgb(0, 255, 0)).select(0).rect(0, 0, 30, 30);
    w.rec(0x0418, {60, 60, 10, 10}).rec(0x0817, {0, 30, 30, 60, 60, 60, 0, 0});
    std::mt19937 rng(1234);
    for (const QByteArray& seed : {e.build(), w.build(true, QRect(0, 0, 64, 64), 96)}) {
        for (int round = 0; round < 400; ++round) {
            QByteArray data = seed;
            const int flips = 1 + int(rng() % 8);
            for (int i = 0; i < flips; ++i)
                data[int(rng() % uint32_t(data.size()))] = char(rng());
            if (rng() % 4 == 0)
                data.truncate(int(rng() % uint32_t(data.size())));
            vx::Metafile m;
            try {
                m.loadFromData(data);
            } catch (const vx::CodecError&) {
                continue;
            }
            const QImage img = m.displayImage(QSize(48, 48));
            EXPECT_EQ(img.size(), QSize(48, 48));
        }
    }
}

TEST(MetafileDisplay, ImageIsCachedPerSize)
{
    Emf e(20, 20);
    e.brush(1, rgb(255, 0, 0)).select(1).rect(0, 0, 20, 20);
    const vx::Metafile m = load(e.build());
    const QImage a = m.displayImage(QSize(40, 40));
    const QImage b = m.displayImage(QSize(40, 40));
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    EXPECT_EQ(m.displayImage(QSize(10, 10)).size(), QSize(10, 10));
    EXPECT_EQ(m.bitmap().width(), 20);
}

}  // namespace
