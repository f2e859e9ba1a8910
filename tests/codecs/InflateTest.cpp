// The bounded inflater: how much comes out and why it stops, for whole,
// cut, broken and oversized streams, into a fixed buffer, into a growing
// array after bytes it already holds, and pulled a byte of input at a time.
#include "codecs/DecodeCancel.h"
#include "codecs/Inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <vector>

namespace {

using vx::InflateEnd;
using vx::InflateResult;
using Bytes = std::vector<uint8_t>;

constexpr size_t kRaw = 1500000;  // more than a megabyte step and several growths
constexpr size_t kSome = size_t(-1);  // some bytes, but not all

Bytes rawData()
{
    Bytes raw(kRaw);
    for (size_t i = 0; i < kRaw; ++i)
        raw[i] = uint8_t((i * 7) ^ (i >> 9) ^ (i * i >> 13));
    return raw;
}

Bytes deflated(const Bytes& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), uLong(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

enum class Into { Fixed, Growing, Pulled };

struct Outcome {
    InflateResult result;
    Bytes out;
    size_t inputRead = 0;
};

Outcome inflateAs(Into how, const Bytes& in, size_t bound)
{
    Outcome run;
    if (how == Into::Growing) {
        QByteArray out("ab");
        run.result = vx::inflateAppend(in.data(), in.size(), out, bound + 2, 100);
        EXPECT_EQ(out.left(2), QByteArray("ab"));
        EXPECT_EQ(size_t(out.size()), run.result.produced + 2);
        run.out.assign(out.begin() + 2, out.end());
        return run;
    }
    run.out.resize(bound);
    if (how == Into::Fixed) {
        run.result = vx::inflateInto(in.data(), in.size(), run.out.data(), bound);
    } else {
        run.result = vx::inflateInto(
            [&](const uint8_t*& chunk) {
                chunk = in.data() + run.inputRead;
                const size_t n = run.inputRead < in.size() ? 1 : 0;
                run.inputRead += n;
                return n;
            },
            run.out.data(), bound);
    }
    run.out.resize(run.result.produced);
    return run;
}

TEST(Inflate, StopsAtTheBoundTheEndOfInputOrBrokenData)
{
    const Bytes raw = rawData();
    const Bytes whole = deflated(raw);
    Bytes cut(whole.begin(), whole.end() - 200);
    Bytes badCheck = whole;
    badCheck.back() ^= 1;
    const Bytes garbage(64, 0x55);
    const struct {
        const char* name;
        const Bytes& in;
        size_t bound;
        InflateEnd end;
        InflateEnd endWhenPulled;  // pulled input stops before the checksum once the output is full
        size_t produced;
    } cases[] = {
        {"whole stream, exact room", whole, kRaw, InflateEnd::StreamEnd, InflateEnd::Full, kRaw},
        {"whole stream, room to spare", whole, kRaw + 100, InflateEnd::StreamEnd, InflateEnd::StreamEnd, kRaw},
        {"bound below the stream", whole, 1000, InflateEnd::Full, InflateEnd::Full, 1000},
        {"no room at all", whole, 0, InflateEnd::Full, InflateEnd::Full, 0},
        {"input cut short keeps what came out", cut, kRaw, InflateEnd::InputEnd, InflateEnd::InputEnd, kSome},
        {"wrong checksum after all the data", badCheck, kRaw, InflateEnd::Corrupt, InflateEnd::Full, kRaw},
        {"wrong checksum, room to spare", badCheck, kRaw + 1, InflateEnd::Corrupt, InflateEnd::Corrupt, kRaw},
        {"not a zlib stream", garbage, kRaw, InflateEnd::Corrupt, InflateEnd::Corrupt, 0},
        {"no input", Bytes(), kRaw, InflateEnd::InputEnd, InflateEnd::InputEnd, 0},
    };
    for (const auto& c : cases) {
        for (Into how : {Into::Fixed, Into::Growing, Into::Pulled}) {
            static const char* const kInto[] = {"fixed", "growing", "pulled"};
            SCOPED_TRACE(std::string(c.name) + ", " + kInto[int(how)]);
            const Outcome run = inflateAs(how, c.in, c.bound);
            const InflateEnd end = how == Into::Pulled ? c.endWhenPulled : c.end;
            EXPECT_EQ(run.result.end, end);
            if (c.produced == kSome) {
                EXPECT_GT(run.result.produced, 0u);
                EXPECT_LT(run.result.produced, kRaw);
            } else {
                EXPECT_EQ(run.result.produced, c.produced);
            }
            ASSERT_LE(run.out.size(), raw.size());
            EXPECT_EQ(std::memcmp(run.out.data(), raw.data(), run.out.size()), 0);
            EXPECT_EQ(run.result.message.empty(), end != InflateEnd::Corrupt);
            // Pulled input is read only as far as the output needs.
            if (how == Into::Pulled && c.end == InflateEnd::Full) {
                EXPECT_LT(run.inputRead, c.in.size() / 10);
            }
        }
    }
}

TEST(Inflate, CancelledDecodeStopsOnlyWhereAsked)
{
    const Bytes whole = deflated(rawData());
    Bytes out(kRaw);
    std::atomic<bool> cancel{true};
    vx::CancelScope scope(&cancel);
    EXPECT_THROW(vx::inflateInto(whole.data(), whole.size(), out.data(), kRaw, {.cancellable = true}),
                 vx::DecodeCancelled);
    EXPECT_EQ(vx::inflateInto(whole.data(), whole.size(), out.data(), kRaw).end, InflateEnd::StreamEnd);
}

}  // namespace
