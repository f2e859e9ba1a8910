// The process-wide limit on decoded pixel memory. Every bitmap's pixels are
// reserved here before they are allocated, and so may any other decoder
// buffer that holds a whole picture (composed animation frames, unpacked
// planes). A reservation that would take the total past the limit is refused
// with a CodecError, which the open path shows as the red error.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// 1 GiB of pixel memory unless changed.
inline constexpr uint64_t kDefaultPixelMemoryLimit = uint64_t(1) << 30;

class PixelReservation {
public:
    PixelReservation() = default;
    // Reserves bytes; throws CodecError when the limit would be passed.
    explicit PixelReservation(uint64_t bytes);
    ~PixelReservation();
    PixelReservation(PixelReservation&& other) noexcept;
    PixelReservation& operator=(PixelReservation&& other) noexcept;
    PixelReservation(const PixelReservation&) = delete;
    PixelReservation& operator=(const PixelReservation&) = delete;

    uint64_t bytes() const { return bytes_; }

private:
    uint64_t bytes_ = 0;
};

// Bytes reserved now by all live reservations of the process.
uint64_t pixelMemoryInUse();
uint64_t pixelMemoryLimit();
void setPixelMemoryLimit(uint64_t bytes);

// Throws CodecError ("... is truncated") unless `available` bytes of data,
// each yielding at most `maxRatio` bytes, can fill `needed` bytes of pixels.
// Compressed data whose best ratio is unbounded (runs that skip rows, an
// early end marker) may still describe up to `slack` bytes of picture.
void checkDataSupply(uint64_t needed, uint64_t available, uint64_t maxRatio, const char* truncatedText,
                     uint64_t slack = 0);

// Bytes that leave room for small, sparse compressed pictures.
inline constexpr uint64_t kSparsePictureSlack = uint64_t(16) << 20;

}  // namespace vx
