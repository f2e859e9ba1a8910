#include "codecs/Inflate.h"

#include "codecs/DecodeCancel.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace vx {

namespace {

// Output asked of zlib in one call: a megabyte between cancel checks.
constexpr size_t kStep = size_t(1) << 20;
constexpr size_t kMaxChunk = std::numeric_limits<uInt>::max();

// The compressed bytes, handed to zlib a piece at a time (zlib counts in uInt).
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    explicit Input(const InflateSource& source) : source_(&source) {}

    void refill(z_stream& z)
    {
        if (left_ == 0 && source_)
            left_ = (*source_)(data_);
        const size_t n = std::min(left_, kMaxChunk);
        z.next_in = const_cast<Bytef*>(data_);
        z.avail_in = uInt(n);
        data_ += n;
        left_ -= n;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t left_ = 0;
    const InflateSource* source_ = nullptr;
};

// A caller's buffer of fixed size.
class FixedOutput {
public:
    FixedOutput(uint8_t* out, size_t capacity) : out_(out), capacity_(capacity) {}
    uint8_t* data() { return out_; }
    size_t start() const { return 0; }
    size_t capacity() const { return capacity_; }
    bool grow() { return false; }
    void finish(size_t) {}

private:
    uint8_t* out_;
    size_t capacity_;
};

// A QByteArray grown geometrically up to a bound, its first bytes kept.
class GrowingOutput {
public:
    GrowingOutput(QByteArray& out, size_t maxSize, size_t firstSize)
        : out_(out), start_(size_t(out.size())), max_(std::max(maxSize, start_)), first_(firstSize)
    {
    }
    uint8_t* data() { return reinterpret_cast<uint8_t*>(out_.data()); }
    size_t start() const { return start_; }
    size_t capacity() const { return size_t(out_.size()); }
    bool grow()
    {
        const size_t now = capacity();
        if (now >= max_)
            return false;
        const size_t next = now < first_ ? first_ : std::max(now * 2, size_t(64));
        out_.resize(qsizetype(std::min(next, max_)));
        return true;
    }
    void finish(size_t used) { out_.resize(qsizetype(used)); }

private:
    QByteArray& out_;
    size_t start_, max_, first_;
};

class Stream {
public:
    Stream()
    {
        if (inflateInit(&z) != Z_OK)
            throw CodecError("Cannot start decompression");
    }
    ~Stream() { inflateEnd(&z); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    z_stream z{};
};

// Runs zlib until the stream stops for one of the reasons of InflateEnd.
template <class Output>
InflateEnd run(z_stream& z, Input& input, Output& output, size_t& used, InflateOptions options)
{
    for (;;) {
        if (used == output.capacity() && !output.grow())
            return InflateEnd::Full;
        if (options.cancellable)
            checkCancelled();
        if (z.avail_in == 0)
            input.refill(z);
        const size_t room = std::min(output.capacity() - used, kStep);
        z.next_out = output.data() + used;
        z.avail_out = uInt(room);
        // Called with no input left too: zlib may still hold output for us.
        const int rc = inflate(&z, Z_NO_FLUSH);
        used += room - z.avail_out;
        if (rc == Z_OK)
            continue;
        if (rc == Z_STREAM_END)
            return InflateEnd::StreamEnd;
        if (rc == Z_BUF_ERROR && z.avail_in == 0)
            return InflateEnd::InputEnd;
        return InflateEnd::Corrupt;
    }
}

template <class Output>
InflateResult pump(Input& input, Output& output, InflateOptions options)
{
    Stream stream;
    InflateResult result;
    size_t used = output.start();
    try {
        result.end = run(stream.z, input, output, used, options);
    } catch (...) {
        output.finish(used);
        throw;
    }
    output.finish(used);
    result.produced = used - output.start();
    if (result.end == InflateEnd::Corrupt)
        result.message = stream.z.msg ? stream.z.msg : "not a zlib stream";
    return result;
}

}  // namespace

InflateResult inflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t capacity,
                          InflateOptions options)
{
    Input input(data, size);
    FixedOutput output(out, capacity);
    return pump(input, output, options);
}

InflateResult inflateInto(const InflateSource& source, uint8_t* out, size_t capacity,
                          InflateOptions options)
{
    Input input(source);
    FixedOutput output(out, capacity);
    return pump(input, output, options);
}

InflateResult inflateAppend(const uint8_t* data, size_t size, QByteArray& out, size_t maxSize,
                            size_t firstSize, InflateOptions options)
{
    Input input(data, size);
    GrowingOutput output(out, maxSize, firstSize);
    return pump(input, output, options);
}

}  // namespace vx
