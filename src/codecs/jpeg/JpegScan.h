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

struct ScanData {
    int width = 0, height = 0;
    int components = 0;  // 1 (gray) or 3 (YCbCr), in the scan's order
    ScanComponent comp[3];
    int restartInterval = 0;  // units of blocks between restart markers; 0: none
    HuffmanSpec dcTables[4], acTables[4];
    // The coded bits, with 4 KB of zero bytes after them.
    std::vector<uint8_t> bits;
    size_t size = 0;  // bytes of coded data in bits
    // Byte offsets in bits where each restart interval after the first begins.
    std::vector<size_t> restarts;
};

// Parses the whole file's bytes, which become scan.bits (the coded data is
// moved to their start in place).
bool parseScan(std::vector<uint8_t> file, ScanData& scan);

}  // namespace vx::jpeg
