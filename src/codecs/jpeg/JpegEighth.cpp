#include "codecs/jpeg/JpegEighth.h"

#include "codecs/DecodeCancel.h"
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

// The code at the front of bits (n of them), by canonical order, looking
// at lengths from shortest on; false when no code of n bits or less is there.
bool codeAt(const CodeTable& t, uint32_t bits, int n, int shortest, int& length, uint8_t& symbol)
{
    for (int len = shortest; len <= n && len <= 16; ++len) {
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
            if (left <= 0 || !codeAt(t, p & ((1u << left) - 1), left, 1, length, symbol))
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

void buildTable(const HuffmanCodes& codes, bool dc, CodeTable& t)
{
    std::memcpy(t.symbols, codes.symbols, sizeof t.symbols);
    int32_t code = 0;
    int index = 0;
    for (int len = 1; len <= 16; ++len) {
        t.offset[len] = index - code;
        t.maxCode[len] = codes.counts[len] ? code + codes.counts[len] - 1 : -1;
        for (int i = 0; i < codes.counts[len]; ++i, ++code, ++index) {
            if (len > kPeek)
                continue;
            const uint8_t symbol = codes.symbols[index];
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
    uint8_t symbol = 0;
    if (!codeAt(t, peek16, 16, kPeek + 1, length, symbol))
        length = 0;
    return symbol;
}

// ---- bits ------------------------------------------------------------------

// Reads a scan stream's bits through a 64-bit window refilled before every
// code: then at least 56 bits are there, more than a code and its value
// take. The stream's window is moved along before each unit (ready()).
class BitReader {
public:
    explicit BitReader(ScanStream& stream) : stream_(stream), next_(stream.next()) { refill(); }
    void ready()
    {
        // The stream keeps the bytes from the current bit on (a restart
        // may go back to the byte after it); the window holds some beyond.
        const uint64_t loaded = offsetOf(next_);
        stream_.advanceTo(position() / 8);
        next_ = stream_.next() + (loaded - stream_.nextOffset());
    }
    // Bits read from the stream's first byte.
    uint64_t position() const { return offsetOf(next_) * 8 - uint64_t(count_); }
    // False once more bits were read than the scan holds.
    bool withinData() const { return !stream_.ended() || position() <= stream_.endOffset() * 8; }
    // Reads on from a byte offset not behind position() (a restart interval's first byte).
    void restartAt(uint64_t offset)
    {
        stream_.advanceTo(offset);
        next_ = stream_.next();
        window_ = 0;
        count_ = 0;
        refill();
    }
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
    uint64_t offsetOf(const uint8_t* p) const { return stream_.nextOffset() + uint64_t(p - stream_.next()); }

    ScanStream& stream_;
    const uint8_t* next_;
    uint64_t window_ = 0;
    int count_ = 0;
};

// At the end of a restart interval: the marker that closes it must follow
// the bits read (within their last bytes) and carry the number expected;
// reading goes on after it. False otherwise.
bool nextInterval(ScanStream& stream, BitReader& bits, int expected)
{
    if (stream.marks().empty())
        return false;
    const RestartMark m = stream.marks().front();
    const uint64_t at = bits.position();
    if (m.number != expected || at > m.offset * 8 || m.offset * 8 - at >= 64)
        return false;
    stream.dropMarksBefore(m.offset + 1);
    bits.restartAt(m.offset);
    return true;
}

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

// Per component a plane of samples, one a block: the block's mean.
struct Planes {
    std::vector<uint8_t> plane[3];
    uint16_t quant[3] = {};  // the DC entry of each one's quantisation table
};

// A block's mean from its DC coefficient: DC * Q / 8 about 128.
inline uint8_t sampleOf(uint16_t dc, uint16_t quant)
{
    const int mean = (int(int16_t(dc)) * int(quant) + 4) >> 3;
    return uint8_t(std::clamp(mean + 128, 0, 255));
}

// Where the first block of unit u lies in component c's plane.
inline size_t unitBase(const Layout& l, long u, int c)
{
    const long row = u / l.unitCols, col = u % l.unitCols;
    return size_t(row * l.v[c]) * size_t(l.planeWidth[c]) + size_t(col * l.h[c]);
}

// What the second thread reads: from a byte of the file in the middle of
// the scan, taken for the start of a unit (with restart markers, the byte
// after one, where an interval starts). The bits each unit it read took
// are recorded, so where each starts in its own stream is known; its
// blocks' DC differences follow each other, from predictions of zero at its
// start and at each interval's.
struct SecondHalf {
    uint64_t raw = UINT64_MAX;  // where in the file it starts; UINT64_MAX: no second thread
    int number = 0;             // with restart markers: the number of the one before raw
    std::vector<uint16_t> steps;  // bits of each unit (fewer than 2^16: 10 x 64 codes of 31 bits at most)
    std::vector<int16_t> differences;
    long complete = 0;  // units read to their end
};

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

void readSecondHalf(const Layout& l, const ByteSource& source, int interval, SecondHalf& s,
                    const std::atomic<bool>& stop)
{
    ScanStream stream(source, s.raw);
    BitReader bits(stream);
    int number = s.number;
    s.steps.reserve(size_t(l.units / 2 + 64));
    s.differences.reserve(size_t(l.units / 2 + 64) * size_t(l.blocks));
    for (long u = 0; u < l.units; ++u) {
        if (u % l.unitCols == 0 && (cancelRequested() || stop.load(std::memory_order_relaxed)))
            return;
        bits.ready();
        if (interval && u > 0 && u % interval == 0) {
            number = (number + 1) & 7;
            if (!nextInterval(stream, bits, number))
                return;
        }
        const uint64_t start = bits.position();
        if (!readUnit(l, bits, [&](int, int difference) { s.differences.push_back(int16_t(difference)); }))
            return;
        if (!bits.withinData())
            return;
        s.steps.push_back(uint16_t(bits.position() - start));
        s.complete = u + 1;
    }
}

// Where the second thread starts, for a scan whose coded data begins at
// start: the middle, moved past a byte that would end in a stuffed pair;
// with restart markers, the byte after the first marker from the middle on.
void chooseSecondHalf(const ByteSource& source, uint64_t start, int interval, SecondHalf& s)
{
    uint64_t raw = start + (source.size() - start) / 2;
    uint8_t chunk[4096];
    for (int tries = 0; tries < 1024; ++tries) {
        const size_t n = source.read(raw - 1, chunk, sizeof chunk);
        if (n < 3)
            return;
        for (size_t i = 1; i + 1 < n; ++i) {
            if (!interval) {
                if (chunk[i - 1] != 0xFF) {
                    s.raw = raw - 1 + i;
                    return;
                }
            } else if (chunk[i - 1] == 0xFF && chunk[i] >= 0xD0 && chunk[i] <= 0xD7) {
                s.raw = raw + i;
                s.number = chunk[i] - 0xD0;
                return;
            } else if (chunk[i - 1] == 0xFF && chunk[i] != 0x00 && chunk[i] != 0xFF) {
                return;  // the scan ends first
            }
        }
        raw += n - 2;
    }
}

// Reads the scan into the planes, on two threads when it is large enough.
bool readScan(const Layout& l, const ByteSource& source, const ScanData& scan, Planes& planes, size_t splitBytes,
              long& secondUnits)
{
    const int interval = scan.restartInterval;
    SecondHalf s;
    Helper helper;  // after what its thread uses: ends first
    if (splitBytes > 0 && source.size() - scan.dataStart >= splitBytes) {
        chooseSecondHalf(source, scan.dataStart, interval, s);
        if (s.raw != UINT64_MAX && !helper.start([&] { readSecondHalf(l, source, interval, s, helper.stop); }))
            s.raw = UINT64_MAX;  // one thread reads it all
    }

    ScanStream stream(source, scan.dataStart, interval ? UINT64_MAX : s.raw);
    BitReader bits(stream);
    uint16_t prediction[3] = {};
    size_t next = 0;         // first unit of the second thread not yet passed
    uint64_t nextStart = 0;  // where it starts in its stream
    bool joined = false;
    auto store = [&](long u, const int16_t* differences) {
        size_t base[3];
        for (int c = 0; c < l.components; ++c)
            base[c] = unitBase(l, u, c);
        for (int b = 0; b < l.blocks; ++b) {
            const int c = l.component[b];
            prediction[c] = uint16_t(prediction[c] + differences[b]);
            planes.plane[c][base[c] + size_t(l.planeOffset[b])] = sampleOf(prediction[c], planes.quant[c]);
        }
    };
    // The rest of the units are the second thread's from its unit `from` on,
    // when it read them all.
    auto takeSecondHalf = [&](long u, size_t from) {
        if (s.complete - long(from) < l.units - u)
            return false;
        secondUnits = l.units - u;
        const int16_t* d = s.differences.data() + from * size_t(l.blocks);
        for (long w = u; w < l.units; ++w, d += l.blocks) {
            if (interval && w % interval == 0)
                prediction[0] = prediction[1] = prediction[2] = 0;
            store(w, d);
        }
        return true;
    };
    int16_t differences[kMaxBlocks];
    for (long u = 0; u < l.units; ++u) {
        if (u % l.unitCols == 0)
            checkCancelled();
        bits.ready();
        if (interval && u > 0 && u % interval == 0) {
            const uint64_t markRaw = stream.marks().empty() ? 0 : stream.marks().front().raw;
            if (!nextInterval(stream, bits, int((u / interval - 1) & 7)))
                return false;
            prediction[0] = prediction[1] = prediction[2] = 0;
            if (s.raw != UINT64_MAX && markRaw == s.raw) {
                // The interval the second thread started with.
                helper.wait();
                joined = true;
                if (takeSecondHalf(u, 0))
                    return true;
                s.raw = UINT64_MAX;
            }
        }
        uint64_t watched = 0;
        if (!interval && s.raw != UINT64_MAX && stream.watchedOffset(watched) && bits.position() >= watched * 8) {
            if (!joined) {
                helper.wait();
                joined = true;
            }
            // Has the second thread read a unit from this very bit?
            const uint64_t at = bits.position() - watched * 8;
            while (long(next) < s.complete && nextStart < at)
                nextStart += s.steps[next++];
            if (long(next) < s.complete && nextStart == at && takeSecondHalf(u, next))
                return true;
        }
        if (!readUnit(l, bits, [&](int b, int difference) { differences[b] = int16_t(difference); }))
            return false;
        store(u, differences);
        if (!bits.withinData())
            return false;
    }
    return true;
}

// ---- pixels ------------------------------------------------------------------

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

}  // namespace

std::optional<QImage> decodeEighth(const Source& source, size_t splitBytes, long* secondThreadUnits)
{
    uint64_t size = source.size;
    if (source.file) {
        struct stat st {};
        if (::fstat(fileno(source.file), &st) != 0 || st.st_size <= 0)
            return std::nullopt;
        size = uint64_t(st.st_size);
    }
    const ByteSource bytes =
        source.file ? ByteSource::file(fileno(source.file), size) : ByteSource::memory(source.data, size_t(size));
    ScanData scan;
    if (!parseScan(bytes, scan))
        return std::nullopt;
    Layout l;
    const auto tables = std::make_unique<Tables>();  // 37 KB: not on the stack
    if (!layoutFor(scan, l, *tables))
        return std::nullopt;
    const QSize shown = scaledSize(scan.width, scan.height, 1);
    QImage image = pictureImage(shown, QImage::Format_RGB32);

    Planes planes;
    for (int c = 0; c < l.components; ++c) {
        planes.plane[c].assign(size_t(l.planeWidth[c]) * size_t(l.planeHeight[c]), 0);
        planes.quant[c] = scan.comp[c].dcQuant;
    }
    long secondUnits = 0;
    const bool read = readScan(l, bytes, scan, planes, splitBytes, secondUnits);
    if (secondThreadUnits)
        *secondThreadUnits = secondUnits;
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
        columns[f].resize(size_t(shown.width()));
        for (int x = 0; x < shown.width(); ++x)
            columns[f][size_t(x)] = x / step;
    }
    for (int y = 0; y < shown.height(); ++y) {
        const uint8_t* rows[3] = {};
        for (int f = 0; f < l.components; ++f) {
            const int c = plane[f];
            rows[f] = planes.plane[c].data() + size_t(y / (l.vMax / l.v[c])) * size_t(l.planeWidth[c]);
        }
        auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
        if (l.components == 1)
            writeGrayRow(rows[0], shown.width(), out);
        else
            writeColourRow(rows, columns, shown.width(), out);
    }
    return image;
}

}  // namespace vx::jpeg
