// The WBMP file layout (type 0: one bit per pixel, uncompressed): the
// header integers and the packed pixel bytes, read from and written to a
// stream. WbmpImage turns these bytes into a picture and back.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

class QIODevice;

namespace vx {

// Most bytes one WBMP file may hold (header and pixel bytes).
inline constexpr int64_t kMaxWbmpBytes = int64_t(64) << 20;

// WBMP multi-byte integers: 7 bits per byte, most significant group first,
// the top bit set on every byte but the last. Writing uses the fewest bytes
// (at most 5); reading accepts any number of bytes and throws CodecError on
// a value over 32 bits or a stream that ends inside the integer.
QByteArray encodeMultiByteInt(uint32_t value);
uint32_t readMultiByteInt(QIODevice& in);

class WbmpFile {
public:
    int32_t height = 0;
    int32_t width = 0;
    uint16_t typeField = 0;
    uint16_t fixedHeader = 0;

    // Header integers (type, fixed header, width, height), then every
    // remaining byte of the stream as pixel bytes.
    void loadFromStream(QIODevice& in);
    void saveToStream(QIODevice& out) const;

    void setPixelBytes(const uint8_t* data, size_t length);
    // Copies pixelByteCount() bytes to dest.
    void copyPixelBytes(uint8_t* dest) const;
    size_t pixelByteCount() const { return bytes_.size(); }
    const std::vector<uint8_t>& pixelBytes() const { return bytes_; }
    // Width, height and pixel bytes of another record.
    void assign(const WbmpFile& other);

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace vx
