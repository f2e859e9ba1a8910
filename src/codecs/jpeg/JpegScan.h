// The markers of a sequential Huffman-coded JPEG up to its first scan, and
// that scan's entropy-coded data with the stuffed bytes taken out and the
// restart markers noted: what the eighth-size decoder reads. Anything it
// does not handle makes parseScan return false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::jpeg {

struct HuffmanCodes {
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

// Where a JPEG's bytes are read from: an open file, read by offset (never
// held whole), or bytes in memory.
class ByteSource {
public:
    static ByteSource memory(const uint8_t* data, size_t size) { return ByteSource(data, size, -1); }
    static ByteSource file(int fd, uint64_t size) { return ByteSource(nullptr, size, fd); }
    uint64_t size() const { return size_; }
    // Copies up to n bytes from offset into out; returns how many.
    size_t read(uint64_t offset, uint8_t* out, size_t n) const;

private:
    ByteSource(const uint8_t* data, uint64_t size, int fd) : data_(data), size_(size), fd_(fd) {}
    const uint8_t* data_;
    uint64_t size_;
    int fd_;
};

struct ScanData {
    int width = 0, height = 0;
    int components = 0;  // 1 (gray) or 3 (YCbCr), in the scan's order
    ScanComponent comp[3];
    int restartInterval = 0;  // units of blocks between restart markers; 0: none
    HuffmanCodes dcTables[4], acTables[4];
    uint64_t dataStart = 0;   // where the coded data begins in the file
};

// Reads the markers up to the first scan.
bool parseScan(const ByteSource& source, ScanData& scan);

// A restart marker met in a scan's coded data.
struct RestartMark {
    uint64_t offset;  // in the stream's own bytes: where the next interval's data begins
    uint64_t raw;     // in the file: the byte after the marker
    int number;       // 0..7
};

// The coded data of a scan from a byte of the file on, with its stuffed zero
// bytes taken out, read into a window that moves along as it is used. Offsets
// count the stream's own bytes from that first byte. After the scan's end
// (the first marker that is not a restart marker, or the file's end) come
// zero bytes.
class ScanStream {
public:
    // At least this many bytes lie after next() once ensure() returned: more
    // than the codes of a unit of ten blocks can take (10 x 64 codes of at
    // most 31 bits).
    static constexpr size_t kAhead = 8192;

    // watch: a byte of the file whose place in the stream is wanted.
    ScanStream(const ByteSource& source, uint64_t rawFrom, uint64_t watch = UINT64_MAX);
    // The first byte not yet handed out, and its offset.
    const uint8_t* next() const { return buffer_.data() + (next_ - base_); }
    uint64_t nextOffset() const { return next_; }
    // Moves the first byte not handed out on to offset (not back), filling
    // the window so that kAhead bytes follow it.
    void advanceTo(uint64_t offset);
    // True once the scan's end has been met; its offset then.
    bool ended() const { return ended_; }
    uint64_t endOffset() const { return end_; }
    // The restart markers met after the bytes handed out, oldest first.
    const std::vector<RestartMark>& marks() const { return marks_; }
    void dropMarksBefore(uint64_t offset);
    // Where the watched byte of the file was put in the stream, once read.
    bool watchedOffset(uint64_t& offset) const
    {
        offset = watchedOffset_;
        return watchedFound_;
    }

private:
    static constexpr size_t kWindow = size_t(256) << 10;
    static constexpr size_t kChunk = size_t(16) << 10;
    void fill();

    const ByteSource& source_;
    uint64_t raw_;           // next byte of the file to read
    bool pendingFF_ = false; // the last byte read was 0xFF
    std::vector<uint8_t> buffer_;
    uint64_t base_ = 0;      // offset of buffer_[0]
    uint64_t filled_ = 0;    // offset after the last byte put in the buffer
    uint64_t next_ = 0;
    bool ended_ = false;
    uint64_t end_ = 0;
    std::vector<RestartMark> marks_;
    uint64_t watched_ = UINT64_MAX;
    uint64_t watchedOffset_ = 0;
    bool watchedFound_ = false;
};

}  // namespace vx::jpeg
