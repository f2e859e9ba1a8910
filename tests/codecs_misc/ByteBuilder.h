// Small helpers the decoder tests use to put files together byte by byte.
#pragma once

#include <QTemporaryDir>
#include <QFile>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vxtest {

class Bytes {
public:
    Bytes& u8(unsigned v) { b_.push_back(uint8_t(v)); return *this; }
    Bytes& u16be(unsigned v) { return u8(v >> 8).u8(v); }
    Bytes& u16le(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& u32be(uint32_t v) { return u16be(v >> 16).u16be(v & 0xFFFF); }
    Bytes& u32le(uint32_t v) { return u16le(v & 0xFFFF).u16le(v >> 16); }
    // Byte-wise appends (g++ 12 warns falsely about range inserts here).
    Bytes& str(const std::string& s)
    {
        for (char c : s)
            b_.push_back(uint8_t(c));
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& v)
    {
        for (uint8_t c : v)
            b_.push_back(c);
        return *this;
    }
    Bytes& fill(size_t n, uint8_t v = 0)
    {
        for (size_t i = 0; i < n; ++i)
            b_.push_back(v);
        return *this;
    }
    // Overwrites a little-endian 32-bit value at pos.
    void patch32le(size_t pos, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b_[pos + size_t(i)] = uint8_t(v >> (8 * i));
    }
    size_t size() const { return b_.size(); }
    const std::vector<uint8_t>& bytes() const { return b_; }
    const uint8_t* data() const { return b_.data(); }

private:
    std::vector<uint8_t> b_;
};

inline std::vector<uint8_t> randomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& x : v)
        x = uint8_t(rng());
    return v;
}

inline bool writeFile(const QString& path, const std::vector<uint8_t>& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

}  // namespace vxtest
