// The markers of a sequential Huffman-coded JPEG up to its first scan, and
// that scan's entropy-coded data with the stuffed bytes and restart markers
// taken out: what the eighth-size decoder reads. Anything it does not
// handle makes parseScan return false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::jpeg {

struct HuffmanSpec {
    bool defined = false;
    uint8_t counts[17] = {};  // codes of each length 1..16
    uint8_t symbols[256] = {};
};

struct ScanComponent {
    int h = 1, v = 1;         // sampling factors
    uint16_t dcQuant = 0;     // the DC entry of its quantisation table
    int dc = 0, ac = 0;       // its tables in dcTables, acTables
    int frameIndex = 0;       // its place in the frame: 0 Y, 1 Cb, 2 Cr
};

// Bytes in one block of memory, not filled (a file is read into it whole);
// a large block is mapped with all its pages made at once.
class ByteBlock {
public:
    ByteBlock() = default;
    explicit ByteBlock(size_t capacity);
    ~ByteBlock();
    ByteBlock(ByteBlock&& other) noexcept;
    ByteBlock& operator=(ByteBlock&& other) noexcept;
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;
    uint8_t* data() const { return data_; }
    size_t capacity() const { return capacity_; }

private:
    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
};

struct ScanData {
    int width = 0, height = 0;
    int components = 0;  // 1 (gray) or 3 (YCbCr), in the scan's order
    ScanComponent comp[3];
    int restartInterval = 0;  // units of blocks between restart markers; 0: none
    HuffmanSpec dcTables[4], acTables[4];
    // The coded bits, with kScanPadding zero bytes after them.
    ByteBlock bits;
    size_t size = 0;  // bytes of coded data in bits
    // Byte offsets in bits where each restart interval after the first begins.
    std::vector<size_t> restarts;
};

// Zero bytes after the coded data: more than the codes of a unit of ten
// blocks can take (10 x 64 codes of at most 31 bits), so a reader checking
// its place after each unit never reads past them.
constexpr size_t kScanPadding = 4096;

// Parses the whole file's size bytes in file (whose capacity is at least
// size + kScanPadding); they become scan.bits, the coded data moved to their
// start in place.
bool parseScan(ByteBlock file, size_t size, ScanData& scan);

}  // namespace vx::jpeg
