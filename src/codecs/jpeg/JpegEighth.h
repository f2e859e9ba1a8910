// A JPEG's picture at an eighth of its size, decoded by the viewer itself
// for the files most photographs are: sequential Huffman coding, 8-bit
// samples, one scan holding every component, gray or YCbCr. At an eighth an
// 8 x 8 block is one pixel, the block's mean, which is its DC coefficient:
// the AC codes are read past without being decoded. A large scan is read by
// two threads; the second starts in the middle of the data, where it cannot
// know the state of the coding, and its work is taken from the first place
// where both read a unit of blocks from the same bit. The file is read a
// window at a time by each thread, never whole.
#pragma once

#include "codecs/jpeg/JpegDecode.h"

#include <QImage>
#include <cstddef>
#include <optional>

namespace vx::jpeg {

// Scans smaller than this are read by one thread.
constexpr size_t kEighthSplitBytes = size_t(256) << 10;

// The picture at scaledSize(width, height, 1) as Format_RGB32. Each pixel is
// its blocks' mean, colour converted as JFIF defines. Empty when the file is
// of another kind, or when its scan is damaged anywhere (libjpeg then
// decodes what it can). Throws DecodeCancelled when the decode on this
// thread is cancelled and CodecError when the picture passes the pixel limit.
// A scan of splitBytes or more is read by two threads; secondThreadUnits,
// when given, tells how many units (MCUs) of the picture the second gave.
std::optional<QImage> decodeEighth(const Source& source, size_t splitBytes = kEighthSplitBytes,
                                   long* secondThreadUnits = nullptr);

}  // namespace vx::jpeg
