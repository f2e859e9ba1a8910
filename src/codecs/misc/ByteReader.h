// Bounds-checked reading of a file held in memory. Every read either
// succeeds inside the buffer or throws CodecError; nothing reads past the end.
#pragma once

#include "codecs/Bitmap.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* data() const { return data_; }
    const uint8_t* current() const { return data_ + pos_; }

    void seek(uint64_t offset)
    {
        if (offset > size_)
            throw CodecError("File is truncated");
        pos_ = size_t(offset);
    }
    void skip(uint64_t count)
    {
        if (count > remaining())
            throw CodecError("File is truncated");
        pos_ += size_t(count);
    }
    // Pointer to the next count bytes, advancing past them.
    const uint8_t* take(uint64_t count)
    {
        if (count > remaining())
            throw CodecError("File is truncated");
        const uint8_t* p = data_ + pos_;
        pos_ += size_t(count);
        return p;
    }

    uint8_t u8() { return *take(1); }
    uint16_t u16be() { const uint8_t* p = take(2); return uint16_t((p[0] << 8) | p[1]); }
    uint16_t u16le() { const uint8_t* p = take(2); return uint16_t(p[0] | (p[1] << 8)); }
    uint32_t u32be()
    {
        const uint8_t* p = take(4);
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    }
    uint32_t u32le()
    {
        const uint8_t* p = take(4);
        return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    }
    uint64_t u64be() { uint64_t hi = u32be(); return (hi << 32) | u32be(); }
    int32_t i32le() { return int32_t(u32le()); }
    int32_t i32be() { return int32_t(u32be()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The whole file; throws CodecError when it cannot be read or is absurdly large.
std::vector<uint8_t> readWholeFile(const QString& path);

// A gray ramp palette of 1 to 256 entries (black to white).
std::vector<PaletteEntry> grayPalette(int entries = 256);

}  // namespace vx
