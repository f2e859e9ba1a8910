// Bounded little-endian byte and bit reader over SWF data. Every read checks
// the remaining length and throws CodecError instead of reading past the end.
#pragma once

#include "codecs/Bitmap.h"

#include <QColor>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <cstring>

namespace vx::swf {

// Colour transform: c' = c * mult + add, per channel, alpha included.
struct CxForm {
    float rm = 1, gm = 1, bm = 1, am = 1;
    float ra = 0, ga = 0, ba = 0, aa = 0;
    bool isIdentity() const
    {
        return rm == 1 && gm == 1 && bm == 1 && am == 1 && ra == 0 && ga == 0 && ba == 0 && aa == 0;
    }
    QColor apply(QColor c) const;
    // This transform applied after inner.
    CxForm after(const CxForm& inner) const;
    bool operator==(const CxForm&) const = default;
};

class Stream {
public:
    Stream(const uint8_t* data, size_t size) : p_(data), end_(data + size), begin_(data) {}

    size_t remaining() const { return size_t(end_ - p_); }
    size_t pos() const { return size_t(p_ - begin_); }
    const uint8_t* ptr() const { return p_; }
    bool atEnd() const { return p_ >= end_; }

    void need(size_t n) const
    {
        if (n > remaining())
            throw CodecError("SWF data ends inside a record");
    }
    void skip(size_t n) { need(n); p_ += n; bits_ = 0; }
    uint8_t u8() { align(); need(1); return *p_++; }
    uint16_t u16() { align(); need(2); uint16_t v = uint16_t(p_[0] | p_[1] << 8); p_ += 2; return v; }
    int16_t s16() { return int16_t(u16()); }
    uint32_t u32()
    {
        align(); need(4);
        uint32_t v = uint32_t(p_[0]) | uint32_t(p_[1]) << 8 | uint32_t(p_[2]) << 16 | uint32_t(p_[3]) << 24;
        p_ += 4;
        return v;
    }
    float fixed8() { return float(s16()) / 256.0f; }
    double fixed16() { return double(int32_t(u32())) / 65536.0; }
    // Variable-length u32 (EncodedU32).
    uint32_t encodedU32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 5; ++i) {
            uint8_t b = u8();
            v |= uint32_t(b & 0x7f) << (7 * i);
            if (!(b & 0x80)) break;
        }
        return v;
    }
    // Null-terminated string (the terminator is consumed when present).
    QByteArray cstr()
    {
        align();
        const uint8_t* z = static_cast<const uint8_t*>(std::memchr(p_, 0, remaining()));
        const uint8_t* e = z ? z : end_;
        QByteArray s(reinterpret_cast<const char*>(p_), int(e - p_));
        p_ = z ? z + 1 : end_;
        return s;
    }
    QByteArray bytes(size_t n)
    {
        align(); need(n);
        QByteArray s(reinterpret_cast<const char*>(p_), int(n));
        p_ += n;
        return s;
    }

    uint32_t ub(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (bits_ == 0) {
                need(1);
                cur_ = *p_++;
                bits_ = 8;
            }
            --bits_;
            v = (v << 1) | ((cur_ >> bits_) & 1u);
        }
        return v;
    }
    int32_t sb(int n)
    {
        if (n == 0) return 0;
        uint32_t v = ub(n);
        if (n < 32 && (v & (1u << (n - 1)))) v |= ~((1u << n) - 1);
        return int32_t(v);
    }
    double fb(int n) { return double(sb(n)) / 65536.0; }
    void align() { bits_ = 0; }

    QRectF rect();
    QTransform matrix();
    CxForm cxform(bool withAlpha);
    QColor rgb() { uint8_t r = u8(), g = u8(), b = u8(); return QColor(r, g, b); }
    QColor rgba() { uint8_t r = u8(), g = u8(), b = u8(), a = u8(); return QColor(r, g, b, a); }
    QColor argb() { uint8_t a = u8(), r = u8(), g = u8(), b = u8(); return QColor(r, g, b, a); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    const uint8_t* begin_;
    uint8_t cur_ = 0;
    int bits_ = 0;
};

// Text of a string from the movie: UTF-8 from version 6, Latin-1 before.
QString decodeText(const QByteArray& bytes, int version);

}  // namespace vx::swf
