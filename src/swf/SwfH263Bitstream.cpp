#include "swf/SwfH263Bitstream.h"

#include <array>

namespace vx::swf::h263 {

namespace {

// A code as written in the recommendation's tables: '0' and '1' digits.
struct Code {
    const char* bits;
    int value;
};

constexpr int length(const char* s)
{
    int n = 0;
    while (s[n]) ++n;
    return n;
}

constexpr uint32_t bitsOf(const char* s)
{
    uint32_t v = 0;
    for (int i = 0; s[i]; ++i) v = v << 1 | uint32_t(s[i] == '1');
    return v;
}

// A table indexed by the next `Bits` bits: each entry holds the value
// and the length of the code the bits start with (length 0: none does).
template <int Bits, typename Value>
struct Table {
    std::array<Value, size_t(1) << Bits> value{};
    std::array<uint8_t, size_t(1) << Bits> len{};
    template <size_t N>
    explicit Table(const Code (&codes)[N])
    {
        for (const Code& c : codes) {
            const int n = length(c.bits);
            const uint32_t first = bitsOf(c.bits) << (Bits - n);
            for (uint32_t i = 0; i < (1u << (Bits - n)); ++i) {
                value[first + i] = Value(c.value);
                len[first + i] = uint8_t(n);
            }
        }
    }
};

// MCBPC for I pictures: type * 4 + cbpc; 5 * 4: stuffing.
constexpr Code kMcbpcIntra[] = {
    {"1", 12},          {"001", 13},        {"010", 14},        {"011", 15},       {"0001", 16},
    {"000001", 17},     {"000010", 18},     {"000011", 19},     {"000000001", 20},
};
// MCBPC for P pictures.
constexpr Code kMcbpcInter[] = {
    {"1", 0},           {"0011", 1},        {"0010", 2},        {"000101", 3},     {"011", 4},
    {"0000111", 5},     {"0000110", 6},     {"000000101", 7},   {"010", 8},        {"0000101", 9},
    {"0000100", 10},    {"00000101", 11},   {"00011", 12},      {"00000100", 13},  {"00000011", 14},
    {"0000011", 15},    {"000100", 16},     {"000000100", 17},  {"000000011", 18}, {"000000010", 19},
    {"000000001", 20},
};
constexpr Code kCbpy[] = {
    {"0011", 0},  {"00101", 1}, {"00100", 2}, {"1001", 3}, {"00011", 4}, {"0111", 5},
    {"000010", 6}, {"1011", 7}, {"00010", 8}, {"000011", 9}, {"0101", 10}, {"1010", 11},
    {"0100", 12}, {"1000", 13}, {"0110", 14}, {"11", 15},
};
// Motion vector differences by magnitude in half pixels; a sign bit
// follows every code but the one of 0.
constexpr const char* kMvdMagnitude[] = {
    "1",           "01",          "001",         "0001",        "000011",      "0000101",     "0000100",
    "0000011",     "000001011",   "000001010",   "000001001",   "0000010001",  "0000010000",  "0000001111",
    "0000001110",  "0000001101",  "0000001100",  "0000001011",  "0000001010",  "0000001001",  "0000001000",
    "0000000111",  "0000000110",  "0000000101",  "0000000100",  "00000000111", "00000000110", "00000000101",
    "00000000100", "00000000011", "00000000010", "000000000011", "000000000010",
};

// Transform coefficient events without their sign bit: last * 4096 +
// run * 16 + level; the escape is kEscape.
constexpr int kEscape = 0xffff;
#define E(last, run, level, bits) {bits, (last) * 4096 + (run) * 16 + (level)}
constexpr Code kTcoef[] = {
    E(0, 0, 1, "10"),           E(0, 0, 2, "1111"),         E(0, 0, 3, "010101"),       E(0, 0, 4, "0010111"),
    E(0, 0, 5, "00011111"),     E(0, 0, 6, "000100101"),    E(0, 0, 7, "000100100"),    E(0, 0, 8, "0000100001"),
    E(0, 0, 9, "0000100000"),   E(0, 0, 10, "00000000111"), E(0, 0, 11, "00000000110"), E(0, 0, 12, "00000100000"),
    E(0, 1, 1, "110"),          E(0, 1, 2, "010100"),       E(0, 1, 3, "00011110"),     E(0, 1, 4, "0000001111"),
    E(0, 1, 5, "00000100001"),  E(0, 1, 6, "000001010000"), E(0, 2, 1, "1110"),         E(0, 2, 2, "00011101"),
    E(0, 2, 3, "0000001110"),   E(0, 2, 4, "000001010001"), E(0, 3, 1, "01101"),        E(0, 3, 2, "000100011"),
    E(0, 3, 3, "0000001101"),   E(0, 4, 1, "01100"),        E(0, 4, 2, "000100010"),    E(0, 4, 3, "000001010010"),
    E(0, 5, 1, "01011"),        E(0, 5, 2, "0000001100"),   E(0, 5, 3, "000001010011"), E(0, 6, 1, "010011"),
    E(0, 6, 2, "0000001011"),   E(0, 6, 3, "000001010100"), E(0, 7, 1, "010010"),       E(0, 7, 2, "0000001010"),
    E(0, 8, 1, "010001"),       E(0, 8, 2, "0000001001"),   E(0, 9, 1, "010000"),       E(0, 9, 2, "0000001000"),
    E(0, 10, 1, "0010110"),     E(0, 10, 2, "000001010101"), E(0, 11, 1, "0010101"),    E(0, 12, 1, "0010100"),
    E(0, 13, 1, "00011100"),    E(0, 14, 1, "00011011"),    E(0, 15, 1, "000100001"),   E(0, 16, 1, "000100000"),
    E(0, 17, 1, "000011111"),   E(0, 18, 1, "000011110"),   E(0, 19, 1, "000011101"),   E(0, 20, 1, "000011100"),
    E(0, 21, 1, "000011011"),   E(0, 22, 1, "000011010"),   E(0, 23, 1, "00000100010"), E(0, 24, 1, "00000100011"),
    E(0, 25, 1, "000001010110"), E(0, 26, 1, "000001010111"),
    E(1, 0, 1, "0111"),         E(1, 0, 2, "000011001"),    E(1, 0, 3, "00000000101"),  E(1, 1, 1, "001111"),
    E(1, 1, 2, "00000000100"),  E(1, 2, 1, "001110"),       E(1, 3, 1, "001101"),       E(1, 4, 1, "001100"),
    E(1, 5, 1, "0010011"),      E(1, 6, 1, "0010010"),      E(1, 7, 1, "0010001"),      E(1, 8, 1, "0010000"),
    E(1, 9, 1, "00011010"),     E(1, 10, 1, "00011001"),    E(1, 11, 1, "00011000"),    E(1, 12, 1, "00010111"),
    E(1, 13, 1, "00010110"),    E(1, 14, 1, "00010101"),    E(1, 15, 1, "00010100"),    E(1, 16, 1, "00010011"),
    E(1, 17, 1, "000011000"),   E(1, 18, 1, "000010111"),   E(1, 19, 1, "000010110"),   E(1, 20, 1, "000010101"),
    E(1, 21, 1, "000010100"),   E(1, 22, 1, "000010011"),   E(1, 23, 1, "000010010"),   E(1, 24, 1, "000010001"),
    E(1, 25, 1, "0000000111"),  E(1, 26, 1, "0000000110"),  E(1, 27, 1, "0000000101"),  E(1, 28, 1, "0000000100"),
    E(1, 29, 1, "00000100100"), E(1, 30, 1, "00000100101"), E(1, 31, 1, "00000100110"), E(1, 32, 1, "00000100111"),
    E(1, 33, 1, "000001011000"), E(1, 34, 1, "000001011001"), E(1, 35, 1, "000001011010"), E(1, 36, 1, "000001011011"),
    E(1, 37, 1, "000001011100"), E(1, 38, 1, "000001011101"), E(1, 39, 1, "000001011110"), E(1, 40, 1, "000001011111"),
    {"0000011", kEscape},
};
#undef E

struct MvdTable {
    std::array<int8_t, 1 << 13> value{};
    std::array<uint8_t, 1 << 13> len{};
    MvdTable()
    {
        for (int m = 0; m <= 32; ++m) {
            const char* s = kMvdMagnitude[m];
            const int n = length(s) + (m ? 1 : 0);
            for (int sign = 0; sign <= (m ? 1 : 0); ++sign) {
                const uint32_t code = bitsOf(s) << (m ? 1 : 0) | uint32_t(sign);
                const uint32_t first = code << (13 - n);
                for (uint32_t i = 0; i < (1u << (13 - n)); ++i) {
                    value[first + i] = int8_t(sign ? -m : m);
                    len[first + i] = uint8_t(n);
                }
            }
        }
    }
};

const Table<9, uint8_t> mcbpcIntra(kMcbpcIntra);
const Table<9, uint8_t> mcbpcInter(kMcbpcInter);
const Table<6, uint8_t> cbpy(kCbpy);
const MvdTable mvd;

Mcbpc mcbpc(BitReader& b, const Table<9, uint8_t>& t)
{
    const uint32_t i = b.peek(9);
    if (!t.len[i]) return {-1, 0};
    b.skip(t.len[i]);
    return {int8_t(t.value[i] >> 2), uint8_t(t.value[i] & 3)};
}

}  // namespace

Mcbpc readMcbpcIntra(BitReader& b)
{
    return mcbpc(b, mcbpcIntra);
}

Mcbpc readMcbpcInter(BitReader& b)
{
    return mcbpc(b, mcbpcInter);
}

int readCbpy(BitReader& b)
{
    const uint32_t i = b.peek(6);
    if (!cbpy.len[i]) return -1;
    b.skip(cbpy.len[i]);
    return cbpy.value[i];
}

int readMvd(BitReader& b)
{
    const uint32_t i = b.peek(13);
    if (!mvd.len[i]) return kBadMvd;
    b.skip(mvd.len[i]);
    return mvd.value[i];
}

namespace {

constexpr std::array<uint32_t, 4096> tcoefLookup()
{
    std::array<uint32_t, 4096> t{};
    for (const Code& c : kTcoef) {
        const int n = length(c.bits);
        const uint32_t first = bitsOf(c.bits) << (12 - n);
        const uint32_t entry = c.value == kEscape ? uint32_t(n) | kTcoefEscape
                                                  : uint32_t(n) | uint32_t((c.value >> 4) & 63) << 4 |
                                                        uint32_t(c.value & 15) << 10 | uint32_t(c.value >> 12) << 14;
        for (uint32_t i = 0; i < (1u << (12 - n)); ++i) t[first + i] = entry;
    }
    return t;
}

}  // namespace

constinit const std::array<uint32_t, 4096> kTcoefLookup = tcoefLookup();

Tcoef readEscapedTcoef(BitReader& b, bool escape11)
{
    if (escape11) {
        const bool wide = b.get(1) != 0;
        const bool last = b.get(1) != 0;
        const int run = int(b.get(6));
        const int level = b.getSigned(wide ? 11 : 7);
        return {run, level, last, level != 0};
    }
    const bool last = b.get(1) != 0;
    const int run = int(b.get(6));
    const int level = b.getSigned(8);
    return {run, level, last, level != 0 && level != -128};
}

}  // namespace vx::swf::h263
