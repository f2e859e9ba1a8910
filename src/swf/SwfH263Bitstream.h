// Reading Sorenson H.263 packets: a big-endian bit reader with a 64-bit
// cache that reads zeros past the end of the packet (and says so), and the
// variable-length codes of the H.263 macroblock and block layers, decoded
// through lookup tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vx::swf::h263 {

class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) { refill(); }

    // The next n bits (1 to 32) without taking them.
    uint32_t peek(int n) const { return uint32_t(cache_ >> (64 - n)); }
    void skip(int n)
    {
        cache_ <<= n;
        bits_ -= n;
        if (bits_ < 32) refill();
    }
    uint32_t get(int n)
    {
        const uint32_t v = peek(n);
        skip(n);
        return v;
    }
    // n bits as a two's complement number.
    int32_t getSigned(int n)
    {
        const int32_t v = int32_t(get(n));
        return v >= (1 << (n - 1)) ? v - (1 << n) : v;
    }
    // Bits left in the packet; negative once more were taken than it holds.
    int64_t left() const { return int64_t(end_ - p_) * 8 + bits_ - int64_t(zeroBits_); }
    bool overrun() const { return left() < 0; }

private:
    void refill()
    {
        if (end_ - p_ >= 8) {
            uint64_t v;
            __builtin_memcpy(&v, p_, 8);
            v = __builtin_bswap64(v);
            cache_ |= v >> bits_;
            const int n = (63 - bits_) >> 3;
            p_ += n;
            bits_ += n * 8;
            return;
        }
        while (bits_ <= 56) {
            uint64_t b = 0;
            if (p_ < end_) b = *p_++;
            else zeroBits_ += 8;
            cache_ |= b << (56 - bits_);
            bits_ += 8;
        }
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t cache_ = 0;
    int bits_ = 0;  // valid bits at the top of cache_
    size_t zeroBits_ = 0;  // zero bits put into the cache past the end
};

// MCBPC: macroblock type (0 inter, 1 inter+Q, 2 inter with four vectors,
// 3 intra, 4 intra+Q, 5 stuffing) and the chroma coded block pattern.
struct Mcbpc {
    int8_t type;  // -1: no such code
    uint8_t cbpc;
};
Mcbpc readMcbpcIntra(BitReader& b);
Mcbpc readMcbpcInter(BitReader& b);
// CBPY as the intra table gives it (inter macroblocks invert it); -1: no such code.
int readCbpy(BitReader& b);
// A motion vector difference in half pixels, -32 to 32; kBadMvd: no such code.
constexpr int kBadMvd = 99;
int readMvd(BitReader& b);

// One transform coefficient event.
struct Tcoef {
    int run;
    int level;  // signed, never 0 when valid
    bool last;
    bool valid;
};
// The coefficient codes by their first 12 bits (the sign bit follows):
// code length in bits 0-3 (0: no such code), run in 4-9, level in 10-13,
// last in 14; the escape has kTcoefEscape.
constexpr uint32_t kTcoefEscape = 1u << 15;
extern const std::array<uint32_t, 4096> kTcoefLookup;
// What follows the escape code. escape11: version 1 of the Sorenson
// format, whose escaped levels are 7 or 11 bits as a flag says; version 0
// has H.263's 8-bit levels.
Tcoef readEscapedTcoef(BitReader& b, bool escape11);

inline Tcoef readTcoef(BitReader& b, bool escape11)
{
    const uint32_t e = kTcoefLookup[b.peek(12)];
    const int n = int(e & 15);
    if (!n) return {0, 0, false, false};
    if (e & kTcoefEscape) {
        b.skip(n);
        return readEscapedTcoef(b, escape11);
    }
    // The code and its sign bit at once.
    const bool negative = (b.peek(n + 1) & 1) != 0;
    b.skip(n + 1);
    const int level = int(e >> 10) & 15;
    return {int(e >> 4) & 63, negative ? -level : level, (e >> 14 & 1) != 0, true};
}

}  // namespace vx::swf::h263
