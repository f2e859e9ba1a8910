// The byte reader's one rule: a read lying wholly inside the bytes returns
// their value (in the byte order asked for); any other read throws
// CodecError with the reader's text and leaves the cursor where it was.
#include "codecs/ByteReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

using vx::ByteReader;

namespace {

constexpr uint8_t kData[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x00, 0x00, 0x80, 0x3F};

struct Case {
    const char* name;
    size_t start;                               // cursor before the read
    std::function<uint64_t(ByteReader&)> read;  // value widened to 64 bits
    std::optional<uint64_t> value;              // empty: the read must throw
    size_t endPos;                              // cursor after a successful read
};

uint64_t f32Bits(float f)
{
    uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    return v;
}

TEST(ByteReader, ReadsInsideTheBytesAndThrowsOutsideWithoutMoving)
{
    const Case cases[] = {
        {"u8 first", 0, [](ByteReader& r) { return uint64_t(r.u8()); }, 0x01, 1},
        {"u8 last", 11, [](ByteReader& r) { return uint64_t(r.u8()); }, 0x3F, 12},
        {"u8 at end", 12, [](ByteReader& r) { return uint64_t(r.u8()); }, {}, 0},
        {"peek keeps place", 3, [](ByteReader& r) { return uint64_t(r.peek()); }, 0x04, 3},
        {"u16le", 0, [](ByteReader& r) { return uint64_t(r.u16le()); }, 0x0201, 2},
        {"u16be", 0, [](ByteReader& r) { return uint64_t(r.u16be()); }, 0x0102, 2},
        {"u16 one short", 11, [](ByteReader& r) { return uint64_t(r.u16le()); }, {}, 0},
        {"u32le", 1, [](ByteReader& r) { return uint64_t(r.u32le()); }, 0x05040302, 5},
        {"u32be", 1, [](ByteReader& r) { return uint64_t(r.u32be()); }, 0x02030405, 5},
        {"i32le", 8, [](ByteReader& r) { return uint64_t(int64_t(r.i32le())); }, 0x3F800000, 12},
        {"u32 three left", 9, [](ByteReader& r) { return uint64_t(r.u32be()); }, {}, 0},
        {"u64be", 0, [](ByteReader& r) { return r.u64be(); }, 0x0102030405060708, 8},
        {"u64 seven left", 5, [](ByteReader& r) { return r.u64be(); }, {}, 0},
        {"take all", 0, [](ByteReader& r) { return uint64_t(*r.take(12)); }, 0x01, 12},
        {"take one more", 0, [](ByteReader& r) { return uint64_t(*r.take(13)); }, {}, 0},
        {"skip huge", 4, [](ByteReader& r) { r.skip(~uint64_t(0)); return uint64_t(0); }, {}, 0},
        {"seek to end", 0, [](ByteReader& r) { r.seek(12); return uint64_t(r.remaining()); }, 0, 12},
        {"seek past end", 0, [](ByteReader& r) { r.seek(13); return uint64_t(0); }, {}, 0},
        {"need what is left", 10, [](ByteReader& r) { r.need(uint64_t(2)); return uint64_t(0); }, 0, 10},
        {"need more", 10, [](ByteReader& r) { r.need(uint64_t(3)); return uint64_t(0); }, {}, 0},
        // Reads at an offset never move the cursor.
        {"u16le at", 5, [](ByteReader& r) { return uint64_t(r.u16le(2)); }, 0x0403, 5},
        {"i16le at", 0, [](ByteReader& r) { return uint64_t(int64_t(r.i16le(10))); }, 0x3F80, 0},
        {"u32le at end", 0, [](ByteReader& r) { return uint64_t(r.u32le(8)); }, 0x3F800000, 0},
        {"u32le at one over", 0, [](ByteReader& r) { return uint64_t(r.u32le(9)); }, {}, 0},
        {"u8 at huge", 0, [](ByteReader& r) { return uint64_t(r.u8(~size_t(0))); }, {}, 0},
        {"f32le at", 0, [](ByteReader& r) { return f32Bits(r.f32le(8)); }, f32Bits(1.0f), 0},
        {"sub inside", 2, [](ByteReader& r) { return uint64_t(r.sub(4, 2).u16le(0)); }, 0x0605, 2},
        {"sub bounds its reads", 0, [](ByteReader& r) { return uint64_t(r.sub(4, 2).u8(2)); }, {}, 0},
        {"sub too long", 0, [](ByteReader& r) { return uint64_t(r.sub(4, 9).size()); }, {}, 0},
        {"sub wrapping", 0, [](ByteReader& r) { return uint64_t(r.sub(4, ~size_t(0)).size()); }, {}, 0},
        {"from past end is empty", 0, [](ByteReader& r) { return uint64_t(r.from(20).size()); }, 0, 0},
        {"from keeps the bound", 0, [](ByteReader& r) { return uint64_t(r.from(11).u16le(0)); }, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteReader r(kData, sizeof kData, "Sample is truncated");
        r.seek(c.start);
        if (c.value) {
            EXPECT_EQ(c.read(r), *c.value);
            EXPECT_EQ(r.pos(), c.endPos);
        } else {
            try {
                c.read(r);
                ADD_FAILURE() << "read outside the bytes did not throw";
            } catch (const vx::CodecError& e) {
                EXPECT_EQ(std::string(e.what()), "Sample is truncated");
            }
            EXPECT_EQ(r.pos(), c.start);
        }
    }
    EXPECT_THROW(ByteReader().u8(), vx::CodecError);
}

}  // namespace
