#include "codecs/jpeg/JpegEighth.h"

#include "codecs/DecodeCancel.h"
#include "codecs/FileBytes.h"
#include "codecs/PixelLoop.h"
#include "codecs/jpeg/JpegScan.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <pthread.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace vx::jpeg {

namespace {

constexpr int kPeek = 12;  // bits a code is looked up by at once
constexpr int kMaxBlocks = 10;  // blocks in a unit (MCU), as JPEG allows

// ---- Huffman codes ---------------------------------------------------------

// A code table: codes up to kPeek bits long by lookup, longer ones by
// their canonical order.
struct CodeTable {
    // DC: code length in bits 0-4, difference size in bits 8-11.
    // AC: bits to pass (code and value) in bits 0-4, coefficients to move
    // on by in bits 5-11 (64 ends the block). 0: not a code of kPeek bits or less.
    uint16_t fast[1 << kPeek] = {};
    // AC only: the codes that follow each other within the next kPeek bits,
    // taken together: bits to pass in bits 0-3 (0: not one whole code and
    // value), coefficients to move on by in bits 4-10, and in bits 11-17 the
    // coefficient index below which all but the last of them stay inside
    // the block.
    uint32_t run[1 << kPeek] = {};
    int32_t maxCode[17] = {};  // largest code of each length, -1 when none
    int32_t offset[17] = {};   // symbol index minus code, per length
    uint8_t symbols[256] = {};
};

uint16_t acEntry(int length, uint8_t symbol)
{
    const int run = symbol >> 4, size = symbol & 15;
    const int step = size ? run + 1 : run == 15 ? 16 : 64;
    return uint16_t((length + size) | step << 5);
}

// The code at the front of bits (n of them), by canonical order; false when
// no code of n bits or less is there.
bool codeAt(const CodeTable& t, uint32_t bits, int n, int& length, uint8_t& symbol)
{
    for (int len = 1; len <= n && len <= 16; ++len) {
        const int32_t code = int32_t(bits >> (n - len));
        if (code <= t.maxCode[len]) {
            length = len;
            symbol = t.symbols[uint8_t(code + t.offset[len])];
            return true;
        }
    }
    return false;
}

void buildRuns(CodeTable& t)
{
    for (uint32_t p = 0; p < (1u << kPeek); ++p) {
        int used = 0, advance = 0, before = 0;
        for (;;) {
            const int left = kPeek - used;
            int length = 0;
            uint8_t symbol = 0;
            if (left <= 0 || !codeAt(t, p & ((1u << left) - 1), left, length, symbol))
                break;
            const uint16_t single = acEntry(length, symbol);
            const int bits = single & 31, step = single >> 5;
            if (bits > left)
                break;
            before = advance;
            used += bits;
            advance += step;
            if (step == 64 || advance >= 62)
                break;
        }
        if (used)
            t.run[p] = uint32_t(used) | uint32_t(advance) << 4 | uint32_t(64 - before) << 11;
    }
}

void buildTable(const HuffmanSpec& spec, bool dc, CodeTable& t)
{
    std::memcpy(t.symbols, spec.symbols, sizeof t.symbols);
    int32_t code = 0;
    int index = 0;
    for (int len = 1; len <= 16; ++len) {
        t.offset[len] = index - code;
        t.maxCode[len] = spec.counts[len] ? code + spec.counts[len] - 1 : -1;
        for (int i = 0; i < spec.counts[len]; ++i, ++code, ++index) {
            if (len > kPeek)
                continue;
            const uint8_t symbol = spec.symbols[index];
            const uint16_t entry = dc ? uint16_t(len | symbol << 8) : acEntry(len, symbol);
            const int shift = kPeek - len;
            for (int fill = 0; fill < (1 << shift); ++fill)
                t.fast[(code << shift) | fill] = entry;
        }
        code <<= 1;
    }
    if (!dc)
        buildRuns(t);
}

// The symbol of a code longer than kPeek bits at the front of peek16 (the
// next 16 bits), with its length; length 0 when no code matches.
inline int slowSymbol(const CodeTable& t, uint32_t peek16, int& length)
{
    for (int len = kPeek + 1; len <= 16; ++len) {
        const int32_t code = int32_t(peek16 >> (16 - len));
        if (code <= t.maxCode[len]) {
            length = len;
            return t.symbols[uint8_t(code + t.offset[len])];
        }
    }
    length = 0;
    return 0;
}

// ---- bits ------------------------------------------------------------------

// Reads the coded bits through a 64-bit window refilled before every code:
// then at least 56 bits are there, more than a code and its value take.
class BitReader {
public:
    BitReader(const ScanData& scan, uint64_t from) : data_(scan.bits.data())
    {
        next_ = data_ + (from >> 3);
        refill();
        consume(int(from & 7));
    }
    uint64_t position() const { return uint64_t(next_ - data_) * 8 - uint64_t(count_); }
    void refill()
    {
        uint64_t word;
        std::memcpy(&word, next_, 8);
        window_ |= __builtin_bswap64(word) >> count_;
        next_ += (63 - count_) >> 3;
        count_ |= 56;
    }
    // Refills when fewer than n bits are left.
    void refillBelow(int n)
    {
        if (count_ < n)
            refill();
    }
    uint32_t peek(int n) const { return uint32_t(window_ >> (64 - n)); }
    void consume(int n)
    {
        window_ <<= n;
        count_ -= n;
    }

private:
    const uint8_t* data_;
    const uint8_t* next_;
    uint64_t window_ = 0;
    int count_ = 0;
};

// ---- the blocks of a unit ----------------------------------------------------

struct Layout {
    int components = 0;
    int hMax = 1, vMax = 1;
    int unitCols = 0, unitRows = 0;
    long units = 0;
    int blocks = 0;  // per unit
    uint8_t component[kMaxBlocks] = {};
    int planeOffset[kMaxBlocks] = {};  // from the unit's first block in its component's plane
    const CodeTable* dc[kMaxBlocks] = {};
    const CodeTable* ac[kMaxBlocks] = {};
    int planeWidth[3] = {}, planeHeight[3] = {};
    int h[3] = {}, v[3] = {};
};

// Reads one unit's blocks; gives each block's DC difference to put(block,
// difference). False on a code that is no code.
template <typename Put>
inline bool readUnit(const Layout& l, BitReader& bits, Put&& put)
{
    for (int b = 0; b < l.blocks; ++b) {
        const CodeTable& dc = *l.dc[b];
        bits.refill();
        uint32_t peek = bits.peek(16);
        const uint16_t dcEntry = dc.fast[peek >> (16 - kPeek)];
        int length = dcEntry & 31;
        int size = dcEntry >> 8;
        if (!length) {
            size = slowSymbol(dc, peek, length);
            if (!length)
                return false;
        }
        bits.consume(length);
        int difference = 0;
        if (size) {
            const int value = int(bits.peek(size));
            bits.consume(size);
            difference = value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
        }
        put(b, difference);
        const CodeTable& ac = *l.ac[b];
        for (int k = 1; k < 64;) {
            bits.refillBelow(31);
            const uint32_t run = ac.run[bits.peek(kPeek)];
            if (run && k < int(run >> 11)) {
                bits.consume(int(run & 15));
                k += int((run >> 4) & 127);
                continue;
            }
            peek = bits.peek(16);
            uint32_t entry = ac.fast[peek >> (16 - kPeek)];
            if (!entry) {
                const int symbol = slowSymbol(ac, peek, length);
                if (!length)
                    return false;
                entry = acEntry(length, uint8_t(symbol));
            }
            bits.consume(int(entry & 31));
            k += int(entry >> 5);
        }
    }
    return true;
}

// ---- the two readers -----------------------------------------------------------

// The DC values, per component a plane of blocks (as 16-bit coefficients).
struct Planes {
    std::vector<uint16_t> plane[3];
};

// Where the first block of unit u lies in component c's plane.
inline size_t unitBase(const Layout& l, long u, int c)
{
    const long row = u / l.unitCols, col = u % l.unitCols;
    return size_t(row * l.v[c]) * size_t(l.planeWidth[c]) + size_t(col * l.h[c]);
}

// Reads units [first, end) from the bit position given, predictions from
// zero, into the planes. False when the data is damaged or runs out.
bool readExact(const Layout& l, const ScanData& scan, Planes& planes, long first, long end, uint64_t from,
               uint64_t limitBits, const std::atomic<bool>* stop)
{
    BitReader bits(scan, from);
    uint16_t prediction[3] = {};
    for (long u = first; u < end; ++u) {
        if (u % l.unitCols == 0) {
            if (cancelRequested() || (stop && stop->load(std::memory_order_relaxed)))
                return false;
        }
        size_t base[3];
        for (int c = 0; c < l.components; ++c)
            base[c] = unitBase(l, u, c);
        if (!readUnit(l, bits, [&](int b, int difference) {
                const int c = l.component[b];
                prediction[c] = uint16_t(prediction[c] + difference);
                planes.plane[c][base[c] + size_t(l.planeOffset[b])] = prediction[c];
            }))
            return false;
        if (bits.position() > limitBits)
            return false;
    }
    return true;
}

// What the second thread reads of a scan without restart markers: from a
// byte in the middle, taken for the start of a unit. Every unit it reads
// starts at a recorded bit; its blocks' DC differences follow each other.
struct Speculation {
    uint64_t from = 0;
    std::vector<uint64_t> starts;
    std::vector<int16_t> differences;
    long complete = 0;  // units read to their end
};

void speculate(const Layout& l, const ScanData& scan, Speculation& s, const std::atomic<bool>& stop)
{
    BitReader bits(scan, s.from);
    const uint64_t limitBits = uint64_t(scan.size) * 8;
    for (long u = 0; u < l.units; ++u) {
        if (u % l.unitCols == 0 && (cancelRequested() || stop.load(std::memory_order_relaxed)))
            return;
        s.starts.push_back(bits.position());
        if (!readUnit(l, bits, [&](int, int difference) { s.differences.push_back(int16_t(difference)); }))
            return;
        if (bits.position() > limitBits)
            return;
        s.complete = u + 1;
    }
}

// A second thread for part of the scan, cancelled with the decode that
// starts it; stopped and waited for when that decode ends, however it ends.
struct Helper {
    std::atomic<bool> stop{false};
    std::thread thread;
    template <typename Work>
    bool start(Work&& work)
    {
        try {
            thread = std::thread([flag = cancelFlag(), work = std::forward<Work>(work)]() mutable {
                pthread_setname_np(pthread_self(), "vx-jpeg-half");
                CancelScope scope(flag);
                work();
            });
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
    ~Helper() { join(); }
    void join()
    {
        if (thread.joinable()) {
            stop.store(true, std::memory_order_relaxed);
            thread.join();
        }
    }
    void wait()
    {
        if (thread.joinable())
            thread.join();
    }
};

bool readWithoutRestarts(const Layout& l, const ScanData& scan, Planes& planes, size_t splitBytes)
{
    const uint64_t limitBits = uint64_t(scan.size) * 8;
    Speculation s;
    Helper helper;  // after what its thread uses: ends first
    if (scan.size >= splitBytes && splitBytes > 0) {
        s.from = uint64_t(scan.size / 2) * 8;
        s.starts.reserve(size_t(l.units / 2 + 64));
        s.differences.reserve(size_t(l.units / 2 + 64) * size_t(l.blocks));
        if (!helper.start([&] { speculate(l, scan, s, helper.stop); }))
            s.from = limitBits + 1;  // one thread reads it all
    } else {
        s.from = limitBits + 1;
    }

    BitReader bits(scan, 0);
    uint16_t prediction[3] = {};
    size_t next = 0;  // first recorded start not yet passed
    bool joined = false;
    for (long u = 0; u < l.units; ++u) {
        if (u % l.unitCols == 0)
            checkCancelled();
        const uint64_t at = bits.position();
        if (at >= s.from) {
            if (!joined) {
                helper.wait();
                joined = true;
            }
            while (next < s.starts.size() && s.starts[next] < at)
                ++next;
            const long left = l.units - u;
            if (next < s.starts.size() && s.starts[next] == at && s.complete - long(next) >= left) {
                // The same unit from the same bit: the rest is the second
                // thread's, its differences carried on from our predictions.
                const int16_t* d = s.differences.data() + next * size_t(l.blocks);
                for (long w = u; w < l.units; ++w) {
                    size_t base[3];
                    for (int c = 0; c < l.components; ++c)
                        base[c] = unitBase(l, w, c);
                    for (int b = 0; b < l.blocks; ++b) {
                        const int c = l.component[b];
                        prediction[c] = uint16_t(prediction[c] + *d++);
                        planes.plane[c][base[c] + size_t(l.planeOffset[b])] = prediction[c];
                    }
                }
                return true;
            }
        }
        size_t base[3];
        for (int c = 0; c < l.components; ++c)
            base[c] = unitBase(l, u, c);
        if (!readUnit(l, bits, [&](int b, int difference) {
                const int c = l.component[b];
                prediction[c] = uint16_t(prediction[c] + difference);
                planes.plane[c][base[c] + size_t(l.planeOffset[b])] = prediction[c];
            }))
            return false;
        if (bits.position() > limitBits)
            return false;
    }
    return true;
}

bool readWithRestarts(const Layout& l, const ScanData& scan, Planes& planes, size_t splitBytes)
{
    const long interval = scan.restartInterval;
    const long intervals = (l.units + interval - 1) / interval;
    if (long(scan.restarts.size()) != intervals - 1)
        return false;  // missing or extra markers: libjpeg resynchronises
    auto startOf = [&](long i) { return i == 0 ? size_t(0) : scan.restarts[size_t(i - 1)]; };
    auto endOf = [&](long i) { return i + 1 < intervals ? scan.restarts[size_t(i)] : scan.size; };
    auto readIntervals = [&](long first, long end, const std::atomic<bool>* stop) {
        for (long i = first; i < end; ++i) {
            if (!readExact(l, scan, planes, i * interval, std::min(l.units, (i + 1) * interval),
                           uint64_t(startOf(i)) * 8, uint64_t(endOf(i)) * 8, stop))
                return false;
        }
        return true;
    };
    long half = intervals;
    std::atomic<bool> helperRead{true};
    Helper helper;  // after what its thread uses: ends first
    if (scan.size >= splitBytes && splitBytes > 0 && intervals > 1) {
        half = long(std::upper_bound(scan.restarts.begin(), scan.restarts.end(), scan.size / 2) - scan.restarts.begin());
        half = std::clamp(half, 1L, intervals - 1);
        if (!helper.start([&] { helperRead = readIntervals(half, intervals, &helper.stop); }))
            half = intervals;
    }
    const bool first = readIntervals(0, half, nullptr);
    if (!first)
        return false;
    helper.wait();
    return helperRead;
}

// ---- pixels ------------------------------------------------------------------

// A row of DC coefficients as samples: the block's mean, DC * Q / 8, about 128.
VX_PIXEL_LOOP void toSamples(const uint16_t* dc, int count, uint16_t quant, uint8_t* out)
{
    for (int i = 0; i < count; ++i) {
        const int mean = (int(int16_t(dc[i])) * int(quant) + 4) >> 3;
        out[i] = uint8_t(std::clamp(mean + 128, 0, 255));
    }
}

struct ColourTables {
    int crRed[256], cbBlue[256], cbGreen[256], crGreen[256];
    ColourTables()
    {
        // JFIF: R = Y + 1.402 (Cr - 128), G = Y - 0.344136 (Cb - 128) -
        // 0.714136 (Cr - 128), B = Y + 1.772 (Cb - 128), in 16-bit fixed point.
        const int half = 1 << 15;
        for (int i = 0; i < 256; ++i) {
            const int x = i - 128;
            crRed[i] = (int(1.40200 * 65536 + 0.5) * x + half) >> 16;
            cbBlue[i] = (int(1.77200 * 65536 + 0.5) * x + half) >> 16;
            cbGreen[i] = -int(0.34414 * 65536 + 0.5) * x;
            crGreen[i] = -int(0.71414 * 65536 + 0.5) * x + half;
        }
    }
};

// columns[c][x]: the sample of component c for pixel x.
VX_PIXEL_LOOP void writeColourRow(const uint8_t* const rows[3], const std::vector<int> (&columns)[3], int width,
                                  uint32_t* out)
{
    static const ColourTables t;
    const int* yc = columns[0].data();
    const int* bc = columns[1].data();
    const int* rc = columns[2].data();
    for (int x = 0; x < width; ++x) {
        const int lum = rows[0][yc[x]];
        const int b = rows[1][bc[x]], r = rows[2][rc[x]];
        const int red = std::clamp(lum + t.crRed[r], 0, 255);
        const int green = std::clamp(lum + ((t.cbGreen[b] + t.crGreen[r]) >> 16), 0, 255);
        const int blue = std::clamp(lum + t.cbBlue[b], 0, 255);
        out[x] = 0xFF000000u | uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
    }
}

VX_PIXEL_LOOP void writeGrayRow(const uint8_t* y, int width, uint32_t* out)
{
    for (int x = 0; x < width; ++x)
        out[x] = 0xFF000000u | uint32_t(y[x]) * 0x010101u;
}

struct Tables {
    CodeTable dc[4], ac[4];
};

bool layoutFor(const ScanData& scan, Layout& l, Tables& tables)
{
    CodeTable* dc = tables.dc;
    CodeTable* ac = tables.ac;
    l.components = scan.components;
    for (int c = 0; c < l.components; ++c) {
        l.hMax = std::max(l.hMax, scan.comp[c].h);
        l.vMax = std::max(l.vMax, scan.comp[c].v);
    }
    for (int c = 0; c < l.components; ++c)
        if (l.hMax % scan.comp[c].h || l.vMax % scan.comp[c].v)
            return false;  // sampling ratios that are not whole numbers
    l.unitCols = (scan.width + 8 * l.hMax - 1) / (8 * l.hMax);
    l.unitRows = (scan.height + 8 * l.vMax - 1) / (8 * l.vMax);
    l.units = long(l.unitCols) * l.unitRows;
    bool dcBuilt[4] = {}, acBuilt[4] = {};
    for (int c = 0; c < l.components; ++c) {
        const ScanComponent& sc = scan.comp[c];
        l.h[c] = sc.h;
        l.v[c] = sc.v;
        l.planeWidth[c] = l.unitCols * sc.h;
        l.planeHeight[c] = l.unitRows * sc.v;
        if (!dcBuilt[sc.dc]) {
            buildTable(scan.dcTables[sc.dc], true, dc[sc.dc]);
            dcBuilt[sc.dc] = true;
        }
        if (!acBuilt[sc.ac]) {
            buildTable(scan.acTables[sc.ac], false, ac[sc.ac]);
            acBuilt[sc.ac] = true;
        }
        for (int by = 0; by < sc.v; ++by) {
            for (int bx = 0; bx < sc.h; ++bx) {
                if (l.blocks == kMaxBlocks)
                    return false;
                l.component[l.blocks] = uint8_t(c);
                l.planeOffset[l.blocks] = by * l.planeWidth[c] + bx;
                l.dc[l.blocks] = &dc[sc.dc];
                l.ac[l.blocks] = &ac[sc.ac];
                ++l.blocks;
            }
        }
    }
    return true;
}

// The whole file (or the bytes given) in a block with room for the padding;
// size is how many bytes were read.
ByteBlock readSource(const Source& source, size_t& size)
{
    size = 0;
    if (!source.file) {
        ByteBlock bytes(source.size + kScanPadding);
        std::memcpy(bytes.data(), source.data, source.size);
        size = source.size;
        return bytes;
    }
    struct stat st {};
    const int fd = fileno(source.file);
    if (::fstat(fd, &st) != 0 || st.st_size <= 0 || uint64_t(st.st_size) > uint64_t(kMaxFileBytes))
        return ByteBlock();
    const size_t wanted = size_t(st.st_size);
    ByteBlock bytes(wanted + kScanPadding);
    while (size < wanted) {
        const ssize_t n = ::pread(fd, bytes.data() + size, wanted - size, off_t(size));
        if (n <= 0)
            break;
        size += size_t(n);
    }
    return bytes;
}

}  // namespace

std::optional<QImage> decodeEighth(const Source& source, size_t splitBytes)
{
    ScanData scan;
    size_t fileSize = 0;
    ByteBlock bytes = readSource(source, fileSize);
    if (!parseScan(std::move(bytes), fileSize, scan))
        return std::nullopt;
    Layout l;
    const auto tables = std::make_unique<Tables>();  // 37 KB: not on the stack
    if (!layoutFor(scan, l, *tables))
        return std::nullopt;
    const QSize size = scaledSize(scan.width, scan.height, 1);
    QImage image = pictureImage(size, QImage::Format_RGB32);

    Planes planes;
    for (int c = 0; c < l.components; ++c)
        planes.plane[c].assign(size_t(l.planeWidth[c]) * size_t(l.planeHeight[c]), 0);
    const bool read = scan.restartInterval > 0 ? readWithRestarts(l, scan, planes, splitBytes)
                                               : readWithoutRestarts(l, scan, planes, splitBytes);
    checkCancelled();
    if (!read)
        return std::nullopt;

   
    // Planes in the frame's order (Y, Cb, Cr), whatever the scan's.
    int plane[3] = {0, 0, 0};
    for (int c = 0; c < l.components; ++c)
        plane[scan.comp[c].frameIndex] = c;
    std::vector<int> columns[3];
    for (int f = 0; f < l.components; ++f) {
        const int step = l.hMax / l.h[plane[f]];
        columns[f].resize(size_t(size.width()));
        for (int x = 0; x < size.width(); ++x)
            columns[f][size_t(x)] = x / step;
    }
    // The samples of the plane row each output row takes, made when it changes.
    std::vector<uint8_t> samples[3];
    int sampled[3] = {-1, -1, -1};
    for (int f = 0; f < l.components; ++f)
        samples[f].resize(size_t(l.planeWidth[plane[f]]));
    for (int y = 0; y < size.height(); ++y) {
        const uint8_t* rows[3] = {};
        for (int f = 0; f < l.components; ++f) {
            const int c = plane[f];
            const int row = y / (l.vMax / l.v[c]);
            if (row != sampled[f]) {
                toSamples(planes.plane[c].data() + size_t(row) * size_t(l.planeWidth[c]), l.planeWidth[c],
                          scan.comp[c].dcQuant, samples[f].data());
                sampled[f] = row;
            }
            rows[f] = samples[f].data();
        }
        auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
        if (l.components == 1)
            writeGrayRow(rows[0], size.width(), out);
        else
            writeColourRow(rows, columns, size.width(), out);
    }
   
    return image;
}

}  // namespace vx::jpeg
