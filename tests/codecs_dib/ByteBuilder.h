// Little helpers for building picture files byte by byte in tests.
#pragma once

#include "codecs/Bitmap.h"

#include <QString>
#include <QTemporaryDir>
#include <QFile>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace vxtest {

struct Bytes {
    std::vector<uint8_t> v;

    Bytes& u8(unsigned x) { v.push_back(uint8_t(x)); return *this; }
    Bytes& u16(unsigned x) { return u8(x & 0xFF).u8((x >> 8) & 0xFF); }
    Bytes& u32(uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes& be16(unsigned x) { return u8((x >> 8) & 0xFF).u8(x & 0xFF); }
    Bytes& bytes(std::initializer_list<unsigned> list)
    {
        for (unsigned b : list)
            u8(b);
        return *this;
    }
    Bytes& text(const std::string& s)
    {
        for (char c : s)
            v.push_back(uint8_t(c));
        return *this;
    }
    Bytes& zeros(size_t n) { v.resize(v.size() + n, 0); return *this; }
    Bytes& append(const Bytes& other)
    {
        for (uint8_t b : other.v)
            v.push_back(b);
        return *this;
    }
    void put32(size_t at, uint32_t x)
    {
        for (int i = 0; i < 4; ++i)
            v[at + size_t(i)] = uint8_t(x >> (8 * i));
    }
    size_t size() const { return v.size(); }
    const uint8_t* data() const { return v.data(); }
};

inline uint32_t rgb(unsigned r, unsigned g, unsigned b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

// Random byte strings (fixed seed) for robustness loops.
inline std::vector<std::vector<uint8_t>> randomInputs(int count, size_t maxSize, uint32_t seed = 7)
{
    std::mt19937 gen(seed);
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> b(gen() % maxSize);
        for (auto& x : b)
            x = uint8_t(gen());
        out.push_back(std::move(b));
    }
    return out;
}

// Every prefix of a valid file must fail cleanly or decode.
template <class Decoder>
void expectPrefixesSafe(const Bytes& file)
{
    for (size_t n = 0; n < file.size(); ++n) {
        Decoder d;
        try {
            d.loadFromData(file.data(), n);
        } catch (const vx::CodecError&) {
        }
    }
}

}  // namespace vxtest
