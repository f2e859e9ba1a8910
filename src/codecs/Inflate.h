// Inflating zlib streams, the one inflater every decoder and parser uses.
// What comes out is bounded by the caller: a fixed buffer is filled at most,
// a growing QByteArray never passes its maximum, so a small stream cannot
// blow up into gigabytes. The compressed bytes are a block in memory or
// chunks pulled from a source (a file read piece by piece, only as far as
// the output needs). The result tells how the stream ended and how much
// came out; each caller decides what a cut or broken stream is worth.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vx {

enum class InflateEnd {
    StreamEnd,  // the stream ended (its checksum matched)
    Full,       // the output reached its bound; the rest of the stream was not read
    InputEnd,   // the compressed bytes ran out before the stream ended
    Corrupt,    // not a valid zlib stream from some point on
};

struct InflateResult {
    size_t produced = 0;  // bytes written, all valid up to where the stream stopped
    InflateEnd end = InflateEnd::StreamEnd;
    std::string message;  // zlib's reason when Corrupt
};

struct InflateOptions {
    // Calls checkCancelled() before each megabyte of output.
    bool cancellable = false;
};

// Sets chunk to the next compressed bytes and returns how many there are;
// 0 once there are no more.
using InflateSource = std::function<size_t(const uint8_t*& chunk)>;

// Inflates into out[0, capacity), stopping once it is full.
InflateResult inflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t capacity,
                          InflateOptions options = {});
InflateResult inflateInto(const InflateSource& source, uint8_t* out, size_t capacity,
                          InflateOptions options = {});

// Appends to out, growing it to firstSize bytes in all and then doubling,
// never past maxSize in all; out then holds what it held plus what came out.
InflateResult inflateAppend(const uint8_t* data, size_t size, QByteArray& out, size_t maxSize,
                            size_t firstSize, InflateOptions options = {});

}  // namespace vx
