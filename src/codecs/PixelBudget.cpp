#include "codecs/PixelBudget.h"

#include "codecs/Bitmap.h"

#include <atomic>
#include <string>
#include <utility>

namespace vx {

namespace {

std::atomic<uint64_t> inUse{0};
std::atomic<uint64_t> limit{kDefaultPixelMemoryLimit};

std::string megabytes(uint64_t bytes)
{
    return std::to_string((bytes + (uint64_t(1) << 20) - 1) >> 20) + " MB";
}

}  // namespace

PixelReservation::PixelReservation(uint64_t bytes)
{
    uint64_t now = inUse.load(std::memory_order_relaxed);
    const uint64_t max = limit.load(std::memory_order_relaxed);
    do {
        if (bytes > max || now > max - bytes)
            throw CodecError("Picture needs " + megabytes(bytes) + " of memory, more than the "
                             + megabytes(max) + " allowed for pictures");
    } while (!inUse.compare_exchange_weak(now, now + bytes, std::memory_order_relaxed));
    bytes_ = bytes;
}

PixelReservation::~PixelReservation()
{
    if (bytes_)
        inUse.fetch_sub(bytes_, std::memory_order_relaxed);
}

PixelReservation::PixelReservation(PixelReservation&& other) noexcept : bytes_(std::exchange(other.bytes_, 0)) {}

PixelReservation& PixelReservation::operator=(PixelReservation&& other) noexcept
{
    if (this != &other) {
        if (bytes_)
            inUse.fetch_sub(bytes_, std::memory_order_relaxed);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

uint64_t pixelMemoryInUse() { return inUse.load(std::memory_order_relaxed); }
uint64_t pixelMemoryLimit() { return limit.load(std::memory_order_relaxed); }
void setPixelMemoryLimit(uint64_t bytes) { limit.store(bytes, std::memory_order_relaxed); }

void checkDataSupply(uint64_t needed, uint64_t available, uint64_t maxRatio, const char* truncatedText,
                     uint64_t slack)
{
    // available * maxRatio without overflow: compare needed / maxRatio instead.
    if (needed <= slack)
        return;
    if (maxRatio == 0 || (needed - 1) / maxRatio >= available)
        throw CodecError(truncatedText);
}

}  // namespace vx
