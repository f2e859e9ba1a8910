// Little-endian reading of metafile records. Every read is checked against
// the record it belongs to; a read outside it throws CodecError, which the
// players treat as the end of the playable data.
#pragma once

#include "codecs/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace vx::meta {

class Bytes {
public:
    Bytes() = default;
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    bool has(size_t offset, size_t count) const
    {
        return offset <= size_ && count <= size_ - offset;
    }
    void need(size_t offset, size_t count) const
    {
        if (!has(offset, count))
            throw CodecError("Metafile record is shorter than its contents");
    }
    uint8_t u8(size_t at) const
    {
        need(at, 1);
        return data_[at];
    }
    uint16_t u16(size_t at) const
    {
        need(at, 2);
        return uint16_t(data_[at] | (data_[at + 1] << 8));
    }
    int16_t i16(size_t at) const { return int16_t(u16(at)); }
    uint32_t u32(size_t at) const
    {
        need(at, 4);
        return uint32_t(data_[at]) | (uint32_t(data_[at + 1]) << 8)
               | (uint32_t(data_[at + 2]) << 16) | (uint32_t(data_[at + 3]) << 24);
    }
    int32_t i32(size_t at) const { return int32_t(u32(at)); }
    float f32(size_t at) const
    {
        const uint32_t v = u32(at);
        float f;
        static_assert(sizeof f == sizeof v);
        __builtin_memcpy(&f, &v, sizeof f);
        return f;
    }
    // A part of these bytes; throws when it does not fit.
    Bytes sub(size_t offset, size_t count) const
    {
        need(offset, count);
        return Bytes(data_ + offset, count);
    }
    // The bytes from offset to the end (empty when offset is past it).
    Bytes from(size_t offset) const
    {
        return offset >= size_ ? Bytes() : Bytes(data_ + offset, size_ - offset);
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace vx::meta
