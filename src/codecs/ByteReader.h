// Bounds-checked reading of bytes held in memory, the one reader every
// hand-written decoder and parser uses. Two ways of reading share one rule:
//  - as a cursor: u8(), u16le(), take(n)... read at pos() and move past
//    what they read;
//  - at an offset: u8(at), u16le(at), sub(at, n)... read at a position
//    from the start and leave the cursor alone.
// A read that does not lie wholly inside the bytes throws CodecError with
// the reader's "truncated" text and changes nothing; nothing is ever read
// past the end, so callers parse hostile input without length checks of
// their own.
#pragma once

#include "codecs/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vx {

inline uint16_t readLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t readBe16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t readBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size, const char* truncatedText = "File is truncated")
        : data_(data), size_(size), truncatedText_(truncatedText)
    {
    }

    size_t size() const { return size_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    const uint8_t* data() const { return data_; }
    const uint8_t* current() const { return data_ + pos_; }

    // --- Cursor reads ---
    void need(uint64_t count) const
    {
        if (count > remaining())
            fail();
    }
    void seek(uint64_t offset)
    {
        if (offset > size_)
            fail();
        pos_ = size_t(offset);
    }
    void skip(uint64_t count)
    {
        need(count);
        pos_ += size_t(count);
    }
    // Pointer to the next count bytes, which are then consumed.
    const uint8_t* take(uint64_t count)
    {
        need(count);
        const uint8_t* p = data_ + pos_;
        pos_ += size_t(count);
        return p;
    }
    uint8_t peek() const
    {
        need(1);
        return data_[pos_];
    }
    uint8_t u8() { return *take(1); }
    uint16_t u16le() { return readLe16(take(2)); }
    uint16_t u16be() { return readBe16(take(2)); }
    uint32_t u32le() { return readLe32(take(4)); }
    uint32_t u32be() { return readBe32(take(4)); }
    int32_t i32le() { return int32_t(u32le()); }
    int32_t i32be() { return int32_t(u32be()); }
    uint64_t u64be()
    {
        const uint8_t* p = take(8);
        return (uint64_t(readBe32(p)) << 32) | readBe32(p + 4);
    }

    // --- Reads at an offset from the start ---
    bool has(size_t at, size_t count) const { return at <= size_ && count <= size_ - at; }
    void need(size_t at, size_t count) const
    {
        if (!has(at, count))
            fail();
    }
    uint8_t u8(size_t at) const
    {
        need(at, 1);
        return data_[at];
    }
    uint16_t u16le(size_t at) const
    {
        need(at, 2);
        return readLe16(data_ + at);
    }
    int16_t i16le(size_t at) const { return int16_t(u16le(at)); }
    uint32_t u32le(size_t at) const
    {
        need(at, 4);
        return readLe32(data_ + at);
    }
    int32_t i32le(size_t at) const { return int32_t(u32le(at)); }
    float f32le(size_t at) const
    {
        const uint32_t v = u32le(at);
        float f;
        static_assert(sizeof f == sizeof v);
        std::memcpy(&f, &v, sizeof f);
        return f;
    }
    // The count bytes at offset as a reader of their own (same truncated text).
    ByteReader sub(size_t at, size_t count) const
    {
        need(at, count);
        return ByteReader(data_ + at, count, truncatedText_);
    }
    // The bytes from offset to the end; empty when offset is at or past it.
    ByteReader from(size_t at) const
    {
        return at >= size_ ? ByteReader(nullptr, 0, truncatedText_)
                           : ByteReader(data_ + at, size_ - at, truncatedText_);
    }

    [[noreturn]] void fail() const { throw CodecError(truncatedText_); }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    const char* truncatedText_ = "File is truncated";
};

}  // namespace vx
