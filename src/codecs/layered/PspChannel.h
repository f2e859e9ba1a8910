// Paint Shop Pro channel data: decompression (none, run-length, LZ77) and
// the row layout of 1-, 4- and 8-bit channels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::psp {

enum Compression { None = 0, Rle = 1, Lz77 = 2, Jpeg = 3 };

// Decompresses one channel into exactly outSize bytes; throws CodecError
// on truncated, overrunning or undecodable data.
std::vector<uint8_t> decompressChannel(const uint8_t* data, size_t size, int compression,
                                       size_t outSize);

// Bytes of one stored row of a channel. 8-bit rows are not padded; 1- and
// 4-bit rows are packed and padded to four bytes, unless the channel's
// uncompressed length shows unpadded rows.
size_t channelRowBytes(int width, int height, int bitDepth, uint32_t uncompressedLength);

// Unpacks packed 1- or 4-bit rows (most significant bits first) into one
// byte per pixel; 8-bit rows are copied without their padding.
std::vector<uint8_t> unpackIndices(const std::vector<uint8_t>& rows, int width, int height,
                                   int bitDepth, size_t rowBytes);

}  // namespace vx::psp
