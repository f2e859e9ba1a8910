// Byte builders for small WMF and EMF files, and helpers the metafile tests share.
#pragma once

#include "codecs/metafile/Metafile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace mftest {

class Buf {
public:
    Buf& u8(uint8_t v) { d.push_back(v); return *this; }
    Buf& u16(uint16_t v) { u8(uint8_t(v)); return u8(uint8_t(v >> 8)); }
    Buf& i16(int16_t v) { return u16(uint16_t(v)); }
    Buf& u32(uint32_t v) { u16(uint16_t(v)); return u16(uint16_t(v >> 16)); }
    Buf& i32(int32_t v) { return u32(uint32_t(v)); }
    Buf& f32(float f)
    {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return u32(v);
    }
    Buf& append(const Buf& o) { d.insert(d.end(), o.d.begin(), o.d.end()); return *this; }
    Buf& pad4() { while (d.size() % 4) d.push_back(0); return *this; }
    Buf& pad2() { if (d.size() % 2) d.push_back(0); return *this; }
    size_t size() const { return d.size(); }
    void put32(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) d[at + i] = uint8_t(v >> (8 * i)); }
    QByteArray bytes() const { return QByteArray(reinterpret_cast<const char*>(d.data()), qsizetype(d.size())); }
    std::vector<uint8_t> d;
};

inline uint32_t rgb(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

// A bottom-up 24-bit BITMAPINFOHEADER plus bits; pixels given top row first as 0xRRGGBB.
inline Buf dib24(int w, int h, const std::vector<uint32_t>& topDownPixels, Buf* bitsOut = nullptr)
{
    Buf info;
    info.u32(40).i32(w).i32(h).u16(1).u16(24).u32(0).u32(0).i32(0).i32(0).u32(0).u32(0);
    Buf bits;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = topDownPixels[size_t(y * w + x)];
            bits.u8(uint8_t(c)).u8(uint8_t(c >> 8)).u8(uint8_t(c >> 16));
        }
        bits.pad4();
    }
    if (bitsOut) {
        *bitsOut = bits;
        return info;
    }
    return info.append(bits);
}

// Enhanced metafile: a 96 dpi reference device, picture w x h pixels.
class Emf {
public:
    Emf(int w, int h) : w_(w), h_(h) {}
    Emf& rec(uint32_t type, std::initializer_list<int32_t> params)
    {
        Buf r;
        r.u32(type).u32(uint32_t(8 + 4 * params.size()));
        for (int32_t p : params)
            r.i32(p);
        body_.append(r);
        ++records_;
        return *this;
    }
    // A record whose payload (after type and size) is given.
    Emf& raw(uint32_t type, const Buf& payload)
    {
        Buf r;
        r.u32(type).u32(uint32_t(8 + ((payload.size() + 3) & ~size_t(3)))).append(payload).pad4();
        body_.append(r);
        ++records_;
        return *this;
    }
    Emf& brush(uint32_t ih, uint32_t color, uint32_t style = 0, uint32_t hatch = 0)
    {
        return rec(39, {int32_t(ih), int32_t(style), int32_t(color), int32_t(hatch)});
    }
    Emf& pen(uint32_t ih, uint32_t style, int width, uint32_t color)
    {
        return rec(38, {int32_t(ih), int32_t(style), width, 0, int32_t(color)});
    }
    Emf& select(uint32_t ih) { return rec(37, {int32_t(ih)}); }
    Emf& nullPen() { return select(0x80000008u); }
    Emf& rect(int l, int t, int r, int b) { return rec(43, {l, t, r, b}); }
    Emf& xform(uint32_t type, float m11, float m12, float m21, float m22, float dx, float dy,
               int mode = -1)
    {
        Buf p;
        p.f32(m11).f32(m12).f32(m21).f32(m22).f32(dx).f32(dy);
        if (mode >= 0)
            p.u32(uint32_t(mode));
        return raw(type, p);
    }
    Emf& polygon(const std::vector<QPoint>& pts)
    {
        Buf p;
        p.i32(0).i32(0).i32(w_).i32(h_).u32(uint32_t(pts.size()));
        for (const QPoint& q : pts)
            p.i32(q.x()).i32(q.y());
        return raw(3, p);
    }
    QByteArray build(int handles = 8, bool withEof = true) const
    {
        Buf out;
        out.u32(1).u32(108);
        out.i32(0).i32(0).i32(w_ - 1).i32(h_ - 1);
        out.i32(0).i32(0).i32(int32_t(w_ * 2540.0 / 96 + 0.5)).i32(int32_t(h_ * 2540.0 / 96 + 0.5));
        out.u32(0x464D4520).u32(0x10000).u32(0).u32(records_ + 2).u16(uint16_t(handles)).u16(0);
        out.u32(0).u32(0).u32(0).i32(1920).i32(1080).i32(508).i32(286).u32(0).u32(0).u32(0);
        out.i32(508000).i32(285750);
        out.append(body_);
        if (withEof)
            out.u32(14).u32(20).u32(0).u32(16).u32(20);
        out.put32(48, uint32_t(out.size()));
        return out.bytes();
    }

private:
    int w_, h_;
    Buf body_;
    uint32_t records_ = 0;
};

// Windows metafile, placeable when a bounding box is given.
class Wmf {
public:
    Wmf& rec(uint16_t function, std::initializer_list<int16_t> params)
    {
        Buf r;
        r.u32(uint32_t(3 + params.size())).u16(function);
        for (int16_t p : params)
            r.i16(p);
        body_.append(r);
        maxRecord_ = std::max<uint32_t>(maxRecord_, uint32_t(3 + params.size()));
        return *this;
    }
    Wmf& raw(uint16_t function, const Buf& payload)
    {
        Buf p = payload;
        p.pad2();
        Buf r;
        r.u32(uint32_t(3 + p.size() / 2)).u16(function).append(p);
        body_.append(r);
        return *this;
    }
    Wmf& brush(uint32_t color)
    {
        Buf p;
        p.u16(0).u32(color).u16(0);
        return raw(0x02FC, p);
    }
    Wmf& select(int16_t index) { return rec(0x012D, {index}); }
    Wmf& nullPen()
    {
        Buf p;
        p.u16(5).i16(0).i16(0).u32(0);
        return raw(0x02FA, p);
    }
    // RECTANGLE takes bottom, right, top, left.
    Wmf& rect(int16_t l, int16_t t, int16_t r, int16_t b) { return rec(0x041B, {b, r, t, l}); }
    QByteArray build(bool placeable, QRect box = QRect(), uint16_t inch = 1440, uint16_t objects = 8) const
    {
        Buf out;
        if (placeable) {
            Buf p;
            p.u32(0x9AC6CDD7).u16(0).i16(int16_t(box.left())).i16(int16_t(box.top()))
                .i16(int16_t(box.left() + box.width())).i16(int16_t(box.top() + box.height()))
                .u16(inch).u32(0);
            uint16_t sum = 0;
            for (size_t i = 0; i < 20; i += 2)
                sum ^= uint16_t(p.d[i] | (p.d[i + 1] << 8));
            p.u16(sum);
            out.append(p);
        }
        Buf body = body_;
        body.u32(3).u16(0);  // META_EOF
        out.u16(1).u16(9).u16(0x300).u32(uint32_t(9 + body.size() / 2)).u16(objects)
            .u32(maxRecord_).u16(0);
        out.append(body);
        return out.bytes();
    }

private:
    Buf body_;
    uint32_t maxRecord_ = 3;
};

inline vx::Metafile load(const QByteArray& data)
{
    vx::Metafile m;
    m.loadFromData(data);
    return m;
}

// Renders at the natural size onto white.
inline QImage render(const QByteArray& data)
{
    const vx::Metafile m = load(data);
    return m.displayImage(QSize(m.width(), m.height()));
}

inline QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// Text needs fonts, and fonts need a GUI application.
inline void ensureGuiApp()
{
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "metafile-test";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

}  // namespace mftest
