#include "swf/SwfH263Decoder.h"

#include "swf/SwfH263Bitstream.h"
#include "swf/SwfIdct.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vx::swf::h263 {

namespace {

// The zigzag order of the coefficients, as positions in the transposed
// block the inverse transform takes (horizontal frequency major).
struct Scan {
    uint8_t pos[64];
    Scan()
    {
        static constexpr uint8_t zigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                               12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                               35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                               58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
        for (int i = 0; i < 64; ++i) pos[i] = uint8_t((zigzag[i] & 7) * 8 + (zigzag[i] >> 3));
    }
};
const Scan scan;

inline int median(int a, int b, int c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// A luma vector component in half pixels wrapped into -32..31, the range
// of H.263's vectors.
inline int wrapVector(int v)
{
    return v < -32 ? v + 64 : v > 31 ? v - 64 : v;
}

// The chroma vector of the sum of four luma vectors (four times the one
// vector of a macroblock that has one): a sixteenth of a chroma pixel
// precision rounded to half pixels.
inline int chromaVector(int sum)
{
    static constexpr int8_t round16[16] = {0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2};
    const int m = std::abs(sum);
    const int v = (m >> 4) * 2 + round16[m & 15];
    return sum < 0 ? -v : v;
}

inline uint8_t clamp255(int v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Prediction of a size x size block from src (rows of `stride`), offset by
// half a pixel across (hx) and down (hy), into dst.
template <int Size>
void interpolate(const uint8_t* __restrict src, ptrdiff_t stride, uint8_t* __restrict dst, ptrdiff_t dstStride, int hx, int hy)
{
    if (!hx && !hy) {
        for (int y = 0; y < Size; ++y) std::memcpy(dst + y * dstStride, src + y * stride, Size);
    } else if (hx && !hy) {
        for (int y = 0; y < Size; ++y) {
            const uint8_t* s = src + y * stride;
            uint8_t* d = dst + y * dstStride;
            for (int x = 0; x < Size; ++x) d[x] = uint8_t((s[x] + s[x + 1] + 1) >> 1);
        }
    } else if (!hx) {
        for (int y = 0; y < Size; ++y) {
            const uint8_t* s = src + y * stride;
            uint8_t* d = dst + y * dstStride;
            for (int x = 0; x < Size; ++x) d[x] = uint8_t((s[x] + s[x + stride] + 1) >> 1);
        }
    } else {
        for (int y = 0; y < Size; ++y) {
            const uint8_t* s = src + y * stride;
            uint8_t* d = dst + y * dstStride;
            for (int x = 0; x < Size; ++x) d[x] = uint8_t((s[x] + s[x + 1] + s[x + stride] + s[x + stride + 1] + 2) >> 2);
        }
    }
}

constexpr int kDquant[4] = {-1, -2, 1, 2};

}  // namespace

bool readPictureHeader(BitReader& b, PictureHeader& h)
{
    if (b.get(17) != 1) return false;
    h.version = int(b.get(5));
    if (h.version > 1) return false;
    b.skip(8);  // temporal reference
    static constexpr int sizes[8][2] = {{0, 0}, {0, 0}, {352, 288}, {176, 144}, {128, 96}, {320, 240}, {160, 120}, {0, 0}};
    const int format = int(b.get(3));
    if (format == 0 || format == 1) {
        const int bits = format == 0 ? 8 : 16;
        h.width = int(b.get(bits));
        h.height = int(b.get(bits));
    } else {
        h.width = sizes[format][0];
        h.height = sizes[format][1];
    }
    h.type = int(b.get(2));
    h.deblocking = b.get(1) != 0;
    h.quant = int(b.get(5));
    // Extra information: bytes announced by a flag each, ignored.
    while (b.get(1) && !b.overrun()) b.skip(8);
    return !b.overrun() && h.width > 0 && h.height > 0 && h.type <= 2 && h.quant > 0;
}

void Decoder::reset()
{
    ref_ = shown_ = -1;
}

YuvPlanes Decoder::planes() const
{
    if (shown_ < 0) return {};
    const Plane* p = frames_[shown_].plane;
    return {p[0].data, p[1].data, p[2].data, nullptr, p[0].stride, p[1].stride, p[2].stride, 0, width_, height_};
}

bool Decoder::allocate(int width, int height)
{
    if (int64_t(width) * height > maxPixels_) return false;
    if (width == width_ && height == height_ && !frames_[0].bytes.empty()) return true;
    reset();
    width_ = width;
    height_ = height;
    mbw_ = (width + 15) / 16;
    mbh_ = (height + 15) / 16;
    const size_t luma = size_t(mbw_) * 16 * size_t(mbh_) * 16;
    for (Frame& f : frames_) {
        f.bytes.assign(luma + luma / 2, 128);
        f.plane[0] = {f.bytes.data(), mbw_ * 16, mbw_ * 16, mbh_ * 16};
        f.plane[1] = {f.bytes.data() + luma, mbw_ * 8, mbw_ * 8, mbh_ * 8};
        f.plane[2] = {f.bytes.data() + luma + luma / 4, mbw_ * 8, mbw_ * 8, mbh_ * 8};
    }
    vectors_.assign(size_t(mbw_) * 2 * size_t(mbh_) * 2, {});
    return true;
}

bool Decoder::decode(const uint8_t* data, size_t size)
{
    if (!data || size == 0) return false;
    BitReader b(data, size);
    PictureHeader h;
    if (!readPictureHeader(b, h)) return false;
    if (h.type == 0) {
        if (!allocate(h.width, h.height)) return false;
    } else if (ref_ < 0 || h.width != width_ || h.height != height_) {
        return false;  // nothing to refer to
    }
    const int cur = ref_ == 0 ? 1 : 0;
    const Frame* ref = ref_ >= 0 ? &frames_[ref_] : nullptr;
    decodeMacroblocks(b, h, frames_[cur], ref);
    if (h.type != 2) ref_ = cur;  // disposable pictures are shown, never referred to
    shown_ = cur;
    return true;
}

bool Decoder::decodeMacroblocks(BitReader& b, const PictureHeader& h, Frame& cur, const Frame* ref)
{
    const bool inter = h.type != 0;
    const bool escape11 = h.version == 1;
    int quant = h.quant;
    const int bw = mbw_ * 2;
    for (int mby = 0; mby < mbh_; ++mby) {
        int skipFrom = 0, skipCount = 0;  // a run of skipped macroblocks, copied at once
        for (int mbx = 0; mbx < mbw_; ++mbx) {
            Vector* mv = &vectors_[size_t(mby) * 2 * bw + size_t(mbx) * 2];
            Mcbpc m{-1, 0};
            bool skipped = false;
            while (!b.overrun()) {  // stuffing codes go round again
                if (inter && b.get(1)) {
                    skipped = true;
                    break;
                }
                m = inter ? readMcbpcInter(b) : readMcbpcIntra(b);
                if (m.type != 5) break;
            }
            if (skipped) {
                mv[0] = mv[1] = mv[bw] = mv[bw + 1] = {};
                if (!skipCount) skipFrom = mbx;
                ++skipCount;
                continue;
            }
            if (skipCount) {
                copyMacroblocks(*ref, cur, skipFrom, mby, skipCount);
                skipCount = 0;
            }
            int cbpy = m.type >= 0 && m.type != 5 ? readCbpy(b) : -1;
            const bool intra = m.type >= 3;
            if (!intra) cbpy ^= 15;
            if (m.type == 1 || m.type == 4) quant = std::clamp(quant + kDquant[b.get(2)], 1, 31);
            if (intra) {
                mv[0] = mv[1] = mv[bw] = mv[bw + 1] = {};
            } else if (cbpy >= 0) {
                const int count = m.type == 2 ? 4 : 1;
                int sumx = 0, sumy = 0;
                for (int k = 0; k < count; ++k) {
                    const int bx = mbx * 2 + (k & 1), by = mby * 2 + (k >> 1);
                    const Vector p = predict(bx, by, k, mbx, mby);
                    const int dx = readMvd(b), dy = readMvd(b);
                    if (dx == kBadMvd || dy == kBadMvd) {
                        cbpy = -1;
                        break;
                    }
                    const Vector v{int16_t(wrapVector(p.x + dx)), int16_t(wrapVector(p.y + dy))};
                    if (count == 1) {
                        mv[0] = mv[1] = mv[bw] = mv[bw + 1] = v;
                    } else {
                        mv[(k >> 1) * bw + (k & 1)] = v;
                    }
                    sumx += v.x;
                    sumy += v.y;
                }
                if (cbpy >= 0) {
                    if (count == 1) {
                        predictBlock(ref->plane[0], cur.plane[0], mbx * 16, mby * 16, 16, mv[0].x, mv[0].y);
                        sumx *= 4;
                        sumy *= 4;
                    } else {
                        for (int k = 0; k < 4; ++k) {
                            const Vector v = mv[(k >> 1) * bw + (k & 1)];
                            predictBlock(ref->plane[0], cur.plane[0], mbx * 16 + (k & 1) * 8, mby * 16 + (k >> 1) * 8, 8, v.x, v.y);
                        }
                    }
                    const int cx = chromaVector(sumx), cy = chromaVector(sumy);
                    predictBlock(ref->plane[1], cur.plane[1], mbx * 8, mby * 8, 8, cx, cy);
                    predictBlock(ref->plane[2], cur.plane[2], mbx * 8, mby * 8, 8, cx, cy);
                }
            }
            if (cbpy < 0 || b.overrun()) {
                restAsBefore(cur, ref, mby * mbw_ + mbx);
                return false;
            }
            if (!decodeBlocks(b, cbpy << 2 | m.cbpc, intra, quant, escape11, cur, mbx, mby)) {
                restAsBefore(cur, ref, mby * mbw_ + mbx + 1);
                return false;
            }
        }
        if (skipCount) copyMacroblocks(*ref, cur, skipFrom, mby, skipCount);
    }
    return true;
}

void Decoder::restAsBefore(Frame& cur, const Frame* ref, int from)
{
    for (int mby = from / mbw_; mby < mbh_; ++mby) {
        const int mbx = mby == from / mbw_ ? from % mbw_ : 0;
        if (mbx >= mbw_) continue;
        if (ref) copyMacroblocks(*ref, cur, mbx, mby, mbw_ - mbx);
        else greyMacroblocks(cur, mbx, mby, mbw_ - mbx);
    }
}

bool Decoder::decodeBlocks(BitReader& b, int cbp, bool intra, int quant, bool escape11, Frame& cur, int mbx, int mby)
{
    const Idct& transform = idct();
    const int add = (quant - 1) | 1;  // even quantisers reconstruct one less
    bool ok = true;
    for (int k = 0; k < 6; ++k) {
        const bool coded = (cbp >> (5 - k)) & 1;
        Plane& p = cur.plane[k < 4 ? 0 : k - 3];
        uint8_t* dst = k < 4 ? p.data + ptrdiff_t(mby * 16 + (k >> 1) * 8) * p.stride + mbx * 16 + (k & 1) * 8
                             : p.data + ptrdiff_t(mby * 8) * p.stride + mbx * 8;
        int16_t* c = coefficients_[k];
        int i = 0;
        bool acs = false;
        if (intra) {
            const int dc = int(b.get(8));
            c[0] = int16_t(dc == 255 ? 1024 : dc * 8);
            i = 1;
        }
        if (coded && ok) {
            for (;;) {
                const Tcoef t = readTcoef(b, escape11);
                i += t.run;
                if (!t.valid || i > 63 || b.overrun()) {
                    ok = false;
                    break;
                }
                const int level = std::abs(t.level);
                const int rec = std::min(2 * quant * level + add, 2048);
                c[scan.pos[i]] = int16_t(t.level < 0 ? -rec : std::min(rec, 2047));
                acs |= i > 0;
                ++i;
                if (t.last) break;
            }
        }
        if (!ok) {
            std::memset(c, 0, sizeof(coefficients_[0]));
            if (intra) {
                for (int y = 0; y < 8; ++y) std::memset(dst + y * p.stride, 128, 8);
            }
            continue;
        }
        if (acs) {
            (intra ? transform.put : transform.add)(c, dst, p.stride);
            std::memset(c, 0, sizeof(coefficients_[0]));
        } else if (intra || c[0]) {
            const int dc = idctDcOnly(c[0]);
            c[0] = 0;
            for (int y = 0; y < 8; ++y) {
                uint8_t* d = dst + y * p.stride;
                for (int x = 0; x < 8; ++x) d[x] = clamp255((intra ? 0 : d[x]) + dc);
            }
        }
    }
    return ok;
}

Decoder::Vector Decoder::predict(int bx, int by, int block, int mbx, int mby) const
{
    const int bw = mbw_ * 2;
    auto at = [&](int x, int y) { return vectors_[size_t(y) * bw + size_t(x)]; };
    const Vector left = (block & 1) == 0 && mbx == 0 ? Vector{} : at(bx - 1, by);
    if (block < 2 && mby == 0) return left;
    const Vector above = at(bx, by - 1);
    Vector aboveRight{};
    switch (block) {
    case 0: if (mbx + 1 < mbw_) aboveRight = at(bx + 2, by - 1); break;
    case 1: if (mbx + 1 < mbw_) aboveRight = at(bx + 1, by - 1); break;
    case 2: aboveRight = at(bx + 1, by - 1); break;
    default: aboveRight = at(bx - 1, by - 1); break;
    }
    return {int16_t(median(left.x, above.x, aboveRight.x)), int16_t(median(left.y, above.y, aboveRight.y))};
}

void Decoder::predictBlock(const Plane& ref, Plane& cur, int x, int y, int size, int mvx, int mvy)
{
    const int sx = x + (mvx >> 1), sy = y + (mvy >> 1);
    const int hx = mvx & 1, hy = mvy & 1;
    uint8_t* dst = cur.data + ptrdiff_t(y) * cur.stride + x;
    const uint8_t* src;
    ptrdiff_t stride;
    uint8_t edge[17 * 17];
    if (sx >= 0 && sy >= 0 && sx + size + hx <= ref.width && sy + size + hy <= ref.height) {
        src = ref.data + ptrdiff_t(sy) * ref.stride + sx;
        stride = ref.stride;
    } else {
        // Reaching past the edge of the picture: the edge samples repeated.
        for (int j = 0; j <= size; ++j) {
            const uint8_t* row = ref.data + ptrdiff_t(std::clamp(sy + j, 0, ref.height - 1)) * ref.stride;
            for (int i = 0; i <= size; ++i) edge[j * 17 + i] = row[std::clamp(sx + i, 0, ref.width - 1)];
        }
        src = edge;
        stride = 17;
    }
    if (size == 16) interpolate<16>(src, stride, dst, cur.stride, hx, hy);
    else interpolate<8>(src, stride, dst, cur.stride, hx, hy);
}

void Decoder::copyMacroblocks(const Frame& ref, Frame& cur, int mbx, int mby, int count)
{
    for (int k = 0; k < 3; ++k) {
        const int n = k ? 8 : 16;
        const Plane& s = ref.plane[k];
        Plane& d = cur.plane[k];
        const ptrdiff_t at = ptrdiff_t(mby * n) * d.stride + mbx * n;
        for (int y = 0; y < n; ++y) std::memcpy(d.data + at + y * d.stride, s.data + at + y * s.stride, size_t(n * count));
    }
}

void Decoder::greyMacroblocks(Frame& cur, int mbx, int mby, int count)
{
    for (int k = 0; k < 3; ++k) {
        const int n = k ? 8 : 16;
        Plane& d = cur.plane[k];
        for (int y = 0; y < n; ++y) std::memset(d.data + ptrdiff_t(mby * n + y) * d.stride + mbx * n, 128, size_t(n * count));
    }
}

}  // namespace vx::swf::h263
