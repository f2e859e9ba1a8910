#include "codecs/jpeg/JpegScan.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace vx::jpeg {

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
        HuffmanCodes& t = kind == 0 ? scan.dcTables[slot] : scan.acTables[slot];
        t = HuffmanCodes();
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

}  // namespace

size_t ByteSource::read(uint64_t offset, uint8_t* out, size_t n) const
{
    if (offset >= size_ || n == 0)
        return 0;
    n = size_t(std::min<uint64_t>(n, size_ - offset));
    if (data_) {
        std::memcpy(out, data_ + offset, n);
        return n;
    }
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd_, out + got, n - got, off_t(offset + got));
        if (r <= 0)
            break;
        got += size_t(r);
    }
    return got;
}

bool parseScan(const ByteSource& source, ScanData& scan)
{
    uint8_t start[2];
    if (source.read(0, start, 2) != 2 || start[0] != 0xFF || start[1] != 0xD8)
        return false;
    std::vector<uint8_t> segment;
    struct FrameComponent {
        int id, h, v, quant;
    } frame[3] = {};
    int frameComponents = 0;
    uint16_t dcQuant[4] = {};
    bool quantDefined[4] = {};
    bool jfif = false, adobe = false;
    int adobeTransform = -1;
    uint64_t pos = 2;
    for (;;) {
        // A marker (after any fill bytes) and its segment's length.
        uint8_t head[4];
        if (source.read(pos, head, 1) != 1 || head[0] != 0xFF)
            return false;
        do {
            if (source.read(++pos, head, 1) != 1)
                return false;
        } while (head[0] == 0xFF);
        const uint8_t marker = head[0];
        ++pos;
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            return false;
        if (source.read(pos, head, 2) != 2)
            return false;
        const size_t length = be16(head);
        if (length < 2 || pos + length > source.size())
            return false;
        const size_t n = length - 2;
        const bool wanted = (marker >= 0xC0 && marker <= 0xCF) || marker == 0xDA || marker == 0xDB || marker == 0xDD
                            || marker == 0xE0 || marker == 0xEE;
        if (wanted) {
            segment.resize(std::max<size_t>(n, 1));
            if (source.read(pos + 2, segment.data(), n) != n)
                return false;
        }
        const uint8_t* seg = segment.data();
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
            scan.dataStart = pos + length;
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

ScanStream::ScanStream(const ByteSource& source, uint64_t rawFrom, uint64_t watch)
    : source_(source), raw_(rawFrom), watched_(watch)
{
    buffer_.resize(kWindow + kAhead);
    fill();
}

void ScanStream::advanceTo(uint64_t offset)
{
    if (offset > next_)
        next_ = offset;
    if (filled_ - std::min(filled_, next_) >= kAhead)
        return;
    // Slide what is left to the front, then read on.
    const uint64_t keep = std::min(next_, filled_);
    std::memmove(buffer_.data(), buffer_.data() + (keep - base_), size_t(filled_ - keep));
    base_ = keep;
    fill();
}

void ScanStream::dropMarksBefore(uint64_t offset)
{
    size_t n = 0;
    while (n < marks_.size() && marks_[n].offset < offset)
        ++n;
    marks_.erase(marks_.begin(), marks_.begin() + long(n));
}

void ScanStream::fill()
{
    uint8_t chunk[kChunk];
    uint8_t* out = buffer_.data() + (filled_ - base_);
    uint8_t* const stop = buffer_.data() + kWindow;
    while (!ended_ && out + kChunk <= stop) {
        const size_t n = source_.read(raw_, chunk, kChunk);
        if (n == 0) {
            ended_ = true;  // the file ends inside the scan
            break;
        }
        size_t i = 0;
        const uint64_t rawStart = raw_;
        auto emitted = [&] { return base_ + uint64_t(out - buffer_.data()); };
        while (i < n && !ended_) {
            if (pendingFF_) {
                const uint8_t b = chunk[i++];
                if (b == 0x00) {
                    *out++ = 0xFF;
                    pendingFF_ = false;
                } else if (b >= 0xD0 && b <= 0xD7) {
                    marks_.push_back({emitted(), rawStart + i, b - 0xD0});
                    pendingFF_ = false;
                } else if (b != 0xFF) {  // 0xFF: a fill byte before a marker
                    ended_ = true;
                }
                continue;
            }
            const void* found = std::memchr(chunk + i, 0xFF, n - i);
            const size_t ff = found ? size_t(static_cast<const uint8_t*>(found) - chunk) : n;
            // The watched byte, when it is in this run or is the 0xFF after it.
            if (!watchedFound_ && watched_ >= rawStart + i && (watched_ < rawStart + ff || (found && watched_ == rawStart + ff))) {
                watchedOffset_ = emitted() + (watched_ - rawStart - i);
                watchedFound_ = true;
            }
            std::memcpy(out, chunk + i, ff - i);
            out += ff - i;
            i = ff;
            if (found) {
                pendingFF_ = true;
                ++i;
            }
        }
        raw_ = rawStart + i;
    }
    filled_ = base_ + uint64_t(out - buffer_.data());
    if (ended_) {
        end_ = filled_;
        std::memset(out, 0, size_t(buffer_.data() + buffer_.size() - out));
    }
}

}  // namespace vx::jpeg
