#include "codecs/jpeg/JpegScan.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace vx::jpeg {

namespace {

// From this size on the block is mapped with its pages made at once, not
// one page fault at a time as the file is read into it.
constexpr size_t kMapped = size_t(1) << 20;

void release(uint8_t* data, size_t capacity)
{
    if (!data)
        return;
    if (capacity >= kMapped)
        ::munmap(data, capacity);
    else
        std::free(data);
}

}  // namespace

ByteBlock::ByteBlock(size_t capacity)
{
    if (capacity >= kMapped) {
        void* p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        data_ = p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
    } else {
        data_ = static_cast<uint8_t*>(std::malloc(capacity ? capacity : 1));
    }
    if (!data_)
        throw std::bad_alloc();
    capacity_ = capacity;
}

ByteBlock::~ByteBlock()
{
    release(data_, capacity_);
}

ByteBlock::ByteBlock(ByteBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0))
{
}

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept
{
    if (this != &other) {
        release(data_, capacity_);
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

namespace {

uint16_t be16(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

// One or more table definitions of a DHT segment.
bool readHuffman(const uint8_t* p, size_t n, ScanData& scan)
{
    while (n > 0) {
        if (n < 17)
            return false;
        const int kind = p[0] >> 4, slot = p[0] & 15;
        if (kind > 1 || slot > 3)
            return false;
        HuffmanSpec& t = kind == 0 ? scan.dcTables[slot] : scan.acTables[slot];
        t = HuffmanSpec();
        size_t total = 0;
        for (int len = 1; len <= 16; ++len) {
            t.counts[len] = p[len];
            total += p[len];
        }
        if (total > 256 || n < 17 + total)
            return false;
        std::memcpy(t.symbols, p + 17, total);
        // Codes are given out shortest first; one length may not hold more
        // codes than its bits can tell apart, the all-ones code excluded.
        uint32_t code = 0;
        for (int len = 1; len <= 16; ++len) {
            code += t.counts[len];
            if (t.counts[len] && code >= (1u << len))
                return false;
            code <<= 1;
        }
        if (kind == 0)
            for (size_t i = 0; i < total; ++i)
                if (t.symbols[i] > 15)
                    return false;  // a DC difference has at most 15 bits
        t.defined = true;
        p += 17 + total;
        n -= 17 + total;
    }
    return true;
}

bool readQuant(const uint8_t* p, size_t n, uint16_t dcQuant[4], bool defined[4])
{
    while (n > 0) {
        const int precision = p[0] >> 4, slot = p[0] & 15;
        if (precision > 1 || slot > 3)
            return false;
        const size_t bytes = 1 + (precision ? 128 : 64);
        if (n < bytes)
            return false;
        dcQuant[slot] = precision ? be16(p + 1) : p[1];
        defined[slot] = true;
        p += bytes;
        n -= bytes;
    }
    return true;
}

// Moves the coded data that begins at from to the start of the buffer,
// without its stuffed zero bytes and restart markers. Returns its size.
size_t unstuff(uint8_t* data, size_t from, size_t end, std::vector<size_t>& restarts, bool& ordered)
{
    size_t out = 0;
    size_t in = from;
    int expected = 0;
    ordered = true;
    while (in < end) {
        const void* found = std::memchr(data + in, 0xFF, end - in);
        const size_t ff = found ? size_t(static_cast<const uint8_t*>(found) - data) : end;
        std::memmove(data + out, data + in, ff - in);
        out += ff - in;
        in = ff;
        if (in + 1 >= end)
            break;
        const uint8_t next = data[in + 1];
        if (next == 0x00) {
            data[out++] = 0xFF;
            in += 2;
        } else if (next == 0xFF) {
            in += 1;  // fill byte before a marker
        } else if (next >= 0xD0 && next <= 0xD7) {
            if (next != 0xD0 + expected)
                ordered = false;
            expected = (expected + 1) & 7;
            restarts.push_back(out);
            in += 2;
        } else {
            break;  // the marker after the scan
        }
    }
    return out;
}

}  // namespace

bool parseScan(ByteBlock file, size_t size, ScanData& scan)
{
    uint8_t* data = file.data();
    if (!data || file.capacity() < size + kScanPadding)
        return false;
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    struct FrameComponent {
        int id, h, v, quant;
    } frame[3] = {};
    int frameComponents = 0;
    uint16_t dcQuant[4] = {};
    bool quantDefined[4] = {};
    bool jfif = false, adobe = false;
    int adobeTransform = -1;
    size_t pos = 2;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF)
            return false;
        while (pos < size && data[pos] == 0xFF)
            ++pos;
        if (pos + 3 > size)
            return false;
        const uint8_t marker = data[pos++];
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            return false;
        const size_t length = be16(data + pos);
        if (length < 2 || pos + length > size)
            return false;
        const uint8_t* seg = data + pos + 2;
        const size_t n = length - 2;
        switch (marker) {
        case 0xC0:
        case 0xC1: {
            if (frameComponents || n < 6 || seg[0] != 8)
                return false;
            scan.height = be16(seg + 1);
            scan.width = be16(seg + 3);
            frameComponents = seg[5];
            if (scan.width == 0 || scan.height == 0 || (frameComponents != 1 && frameComponents != 3)
                || n < 6 + 3 * size_t(frameComponents))
                return false;
            for (int i = 0; i < frameComponents; ++i) {
                const uint8_t* c = seg + 6 + 3 * i;
                frame[i] = {c[0], c[1] >> 4, c[1] & 15, c[2]};
                if (frame[i].h < 1 || frame[i].h > 4 || frame[i].v < 1 || frame[i].v > 4 || frame[i].quant > 3)
                    return false;
                for (int j = 0; j < i; ++j)
                    if (frame[j].id == frame[i].id)
                        return false;
            }
            break;
        }
        case 0xC4:
            if (!readHuffman(seg, n, scan))
                return false;
            break;
        case 0xDB:
            if (!readQuant(seg, n, dcQuant, quantDefined))
                return false;
            break;
        case 0xDD:
            if (n != 2)
                return false;
            scan.restartInterval = be16(seg);
            break;
        case 0xE0:
            jfif = jfif || (n >= 14 && std::memcmp(seg, "JFIF\0", 5) == 0);
            break;
        case 0xEE:
            if (n >= 12 && std::memcmp(seg, "Adobe", 5) == 0) {
                adobe = true;
                adobeTransform = seg[11];
            }
            break;
        case 0xDA: {
            if (!frameComponents || n < 1 || seg[0] != frameComponents || n != 4 + 2 * size_t(frameComponents))
                return false;
            scan.components = frameComponents;
            bool used[3] = {};
            for (int i = 0; i < frameComponents; ++i) {
                const int id = seg[1 + 2 * i], tables = seg[2 + 2 * i];
                int f = 0;
                while (f < frameComponents && frame[f].id != id)
                    ++f;
                if (f == frameComponents || used[f])
                    return false;
                used[f] = true;
                ScanComponent& c = scan.comp[i];
                c.h = frameComponents == 1 ? 1 : frame[f].h;
                c.v = frameComponents == 1 ? 1 : frame[f].v;
                c.frameIndex = f;
                c.dc = tables >> 4;
                c.ac = tables & 15;
                if (c.dc > 3 || c.ac > 3 || !scan.dcTables[c.dc].defined || !scan.acTables[c.ac].defined
                    || !quantDefined[frame[f].quant])
                    return false;
                c.dcQuant = dcQuant[frame[f].quant];
            }
            const uint8_t* tail = seg + 1 + 2 * frameComponents;
            if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0)
                return false;  // not a sequential scan of every coefficient
            if (frameComponents == 3) {
                // As JFIF and Adobe define (and libjpeg guesses without them):
                // components stored as RGB are left to libjpeg.
                const bool rgbIds = frame[0].id == 'R' && frame[1].id == 'G' && frame[2].id == 'B';
                if (!jfif && (adobe ? adobeTransform == 0 : rgbIds))
                    return false;
            }
            const size_t from = pos + length;
            bool ordered = true;
            scan.size = unstuff(data, from, size, scan.restarts, ordered);
            if (!ordered)
                return false;
            std::memset(data + scan.size, 0, kScanPadding);
            scan.bits = std::move(file);
            return true;
        }
        case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
        case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
            return false;  // progressive, lossless, hierarchical or arithmetic coding
        default:
            break;  // application data, comments
        }
        pos += length;
    }
}

}  // namespace vx::jpeg
