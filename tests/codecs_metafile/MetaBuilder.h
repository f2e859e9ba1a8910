// Small WMF and EMF files put together record by record over vxtest::Bytes,
// and helpers the metafile tests share.
#pragma once

#include "codecs/metafile/Metafile.h"
#include "support/ByteBuilder.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace mftest {

using vxtest::Bytes;

inline uint32_t rgb(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

// A bottom-up 24-bit BITMAPINFOHEADER plus bits; pixels given top row first as 0xRRGGBB.
inline Bytes dib24(int w, int h, const std::vector<uint32_t>& topDownPixels, Bytes* bitsOut = nullptr)
{
    Bytes info;
    info.u32le(40).i32le(w).i32le(h).u16le(1).u16le(24).u32le(0).u32le(0).i32le(0).i32le(0).u32le(0).u32le(0);
    Bytes bits;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = topDownPixels[size_t(y * w + x)];
            bits.u8(uint8_t(c)).u8(uint8_t(c >> 8)).u8(uint8_t(c >> 16));
        }
        bits.pad(4);
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
        Bytes r;
        r.u32le(type).u32le(uint32_t(8 + 4 * params.size()));
        for (int32_t p : params)
            r.i32le(p);
        body_.append(r);
        ++records_;
        return *this;
    }
    // A record whose payload (after type and size) is given.
    Emf& raw(uint32_t type, const Bytes& payload)
    {
        Bytes r;
        r.u32le(type).u32le(uint32_t(8 + ((payload.size() + 3) & ~size_t(3)))).append(payload).pad(4);
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
        Bytes p;
        p.f32le(m11).f32le(m12).f32le(m21).f32le(m22).f32le(dx).f32le(dy);
        if (mode >= 0)
            p.u32le(uint32_t(mode));
        return raw(type, p);
    }
    Emf& polygon(const std::vector<QPoint>& pts)
    {
        Bytes p;
        p.i32le(0).i32le(0).i32le(w_).i32le(h_).u32le(uint32_t(pts.size()));
        for (const QPoint& q : pts)
            p.i32le(q.x()).i32le(q.y());
        return raw(3, p);
    }
    QByteArray build(int handles = 8, bool withEof = true) const
    {
        Bytes out;
        out.u32le(1).u32le(108);
        out.i32le(0).i32le(0).i32le(w_ - 1).i32le(h_ - 1);
        out.i32le(0).i32le(0).i32le(int32_t(w_ * 2540.0 / 96 + 0.5)).i32le(int32_t(h_ * 2540.0 / 96 + 0.5));
        out.u32le(0x464D4520).u32le(0x10000).u32le(0).u32le(records_ + 2).u16le(uint16_t(handles)).u16le(0);
        out.u32le(0).u32le(0).u32le(0).i32le(1920).i32le(1080).i32le(508).i32le(286).u32le(0).u32le(0).u32le(0);
        out.i32le(508000).i32le(285750);
        out.append(body_);
        if (withEof)
            out.u32le(14).u32le(20).u32le(0).u32le(16).u32le(20);
        out.patch32le(48, uint32_t(out.size()));
        return out.toQByteArray();
    }

private:
    int w_, h_;
    Bytes body_;
    uint32_t records_ = 0;
};

// Windows metafile, placeable when a bounding box is given.
class Wmf {
public:
    Wmf& rec(uint16_t function, std::initializer_list<int16_t> params)
    {
        Bytes r;
        r.u32le(uint32_t(3 + params.size())).u16le(function);
        for (int16_t p : params)
            r.i16le(p);
        body_.append(r);
        maxRecord_ = std::max<uint32_t>(maxRecord_, uint32_t(3 + params.size()));
        return *this;
    }
    Wmf& raw(uint16_t function, const Bytes& payload)
    {
        Bytes p = payload;
        p.pad(2);
        Bytes r;
        r.u32le(uint32_t(3 + p.size() / 2)).u16le(function).append(p);
        body_.append(r);
        return *this;
    }
    Wmf& brush(uint32_t color)
    {
        Bytes p;
        p.u16le(0).u32le(color).u16le(0);
        return raw(0x02FC, p);
    }
    Wmf& select(int16_t index) { return rec(0x012D, {index}); }
    Wmf& nullPen()
    {
        Bytes p;
        p.u16le(5).i16le(0).i16le(0).u32le(0);
        return raw(0x02FA, p);
    }
    // RECTANGLE takes bottom, right, top, left.
    Wmf& rect(int16_t l, int16_t t, int16_t r, int16_t b) { return rec(0x041B, {b, r, t, l}); }
    QByteArray build(bool placeable, QRect box = QRect(), uint16_t inch = 1440, uint16_t objects = 8) const
    {
        Bytes out;
        if (placeable) {
            Bytes p;
            p.u32le(0x9AC6CDD7).u16le(0).i16le(int16_t(box.left())).i16le(int16_t(box.top()))
                .i16le(int16_t(box.left() + box.width())).i16le(int16_t(box.top() + box.height()))
                .u16le(inch).u32le(0);
            uint16_t sum = 0;
            for (size_t i = 0; i < 20; i += 2)
                sum ^= uint16_t(p[i] | (p[i + 1] << 8));
            p.u16le(sum);
            out.append(p);
        }
        Bytes body = body_;
        body.u32le(3).u16le(0);  // META_EOF
        out.u16le(1).u16le(9).u16le(0x300).u32le(uint32_t(9 + body.size() / 2)).u16le(objects)
            .u32le(maxRecord_).u16le(0);
        out.append(body);
        return out.toQByteArray();
    }

private:
    Bytes body_;
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
