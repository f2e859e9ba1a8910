// Binary files put together byte by byte in tests: integers little or big
// endian, text, runs of one byte, padding, and values patched in later.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vxtest {

class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::vector<uint8_t> bytes) : b_(std::move(bytes)) {}

    Bytes& u8(unsigned v)
    {
        b_.push_back(uint8_t(v));
        return *this;
    }
    Bytes& u16le(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& u16be(unsigned v) { return u8(v >> 8).u8(v); }
    Bytes& u32le(uint32_t v) { return u16le(v & 0xFFFF).u16le(v >> 16); }
    Bytes& u32be(uint32_t v) { return u16be(v >> 16).u16be(v & 0xFFFF); }
    Bytes& u64le(uint64_t v) { return u32le(uint32_t(v)).u32le(uint32_t(v >> 32)); }
    Bytes& i16le(int v) { return u16le(unsigned(v) & 0xFFFF); }
    Bytes& i32le(int32_t v) { return u32le(uint32_t(v)); }
    Bytes& f32le(float f)
    {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return u32le(v);
    }
    // Byte-wise appends (g++ 12 warns falsely about range inserts here).
    Bytes& raw(std::initializer_list<unsigned> bytes)
    {
        for (unsigned b : bytes)
            u8(b);
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& bytes)
    {
        for (uint8_t b : bytes)
            b_.push_back(b);
        return *this;
    }
    Bytes& append(const Bytes& other) { return raw(other.b_); }
    Bytes& str(const std::string& s)
    {
        for (char c : s)
            b_.push_back(uint8_t(c));
        return *this;
    }
    Bytes& fill(size_t n, uint8_t v = 0)
    {
        b_.resize(b_.size() + n, v);
        return *this;
    }
    // Zeros up to the next multiple of `multiple` bytes.
    Bytes& pad(size_t multiple)
    {
        while (b_.size() % multiple)
            b_.push_back(0);
        return *this;
    }
    // Overwrites a little-endian 32-bit value at pos.
    void patch32le(size_t pos, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b_[pos + size_t(i)] = uint8_t(v >> (8 * i));
    }
    uint8_t& operator[](size_t pos) { return b_[pos]; }
    uint8_t operator[](size_t pos) const { return b_[pos]; }

    size_t size() const { return b_.size(); }
    const uint8_t* data() const { return b_.data(); }
    const std::vector<uint8_t>& bytes() const { return b_; }
    QByteArray toQByteArray() const { return QByteArray(reinterpret_cast<const char*>(b_.data()), qsizetype(b_.size())); }

private:
    std::vector<uint8_t> b_;
};

inline bool writeFile(const QString& path, const std::vector<uint8_t>& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

}  // namespace vxtest
