// Bounds-checked reading of a file held in memory. Every read checks the
// remaining length first and throws CodecError instead of reading past the
// end, so decoders can parse hostile input without their own length checks.
#pragma once

#include "codecs/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace vx {

inline uint16_t readLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t readBe16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size, const char* truncatedText = "File is truncated")
        : data_(data), size_(size), truncatedText_(truncatedText) {}

    size_t size() const { return size_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    const uint8_t* data() const { return data_; }

    void seek(size_t pos)
    {
        if (pos > size_)
            fail();
        pos_ = pos;
    }
    void skip(size_t count)
    {
        need(count);
        pos_ += count;
    }
    // Pointer to the next count bytes, which are then consumed.
    const uint8_t* take(size_t count)
    {
        need(count);
        const uint8_t* p = data_ + pos_;
        pos_ += count;
        return p;
    }
    uint8_t u8()
    {
        need(1);
        return data_[pos_++];
    }
    uint8_t peek() const
    {
        need(1);
        return data_[pos_];
    }
    uint16_t u16le() { return readLe16(take(2)); }
    uint32_t u32le() { return readLe32(take(4)); }
    int32_t i32le() { return int32_t(u32le()); }
    uint16_t u16be() { return readBe16(take(2)); }

    void need(size_t count) const
    {
        if (count > size_ - pos_)
            fail();
    }
    [[noreturn]] void fail() const { throw CodecError(truncatedText_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    const char* truncatedText_;
};

}  // namespace vx
