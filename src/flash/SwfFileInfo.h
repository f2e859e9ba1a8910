// Reading the fixed header of a Shockwave Flash file (stage size, frame rate,
// frame count) without playing it: plain "FWS" files and zlib-compressed
// "CWS" files of version 6 and later.
#pragma once

#include <QString>
#include <cstdint>

namespace vx {

struct SwfHeaderInfo {
    char signature[3] = {0, 0, 0};
    uint8_t version = 0;
    uint32_t fileLength = 0;
    int32_t xmin = 0;  // stage rectangle in twips (1/20 pixel)
    int32_t xmax = 0;
    int32_t ymin = 0;
    int32_t ymax = 0;
    uint8_t frameRateInteger = 0;   // high byte of the 8.8 frame rate
    uint8_t frameRateFraction = 0;  // low byte, 1/256 frames per second
    uint32_t frameCount = 0;
};

// bitCount bits starting at bitPosition, most significant bit first; bit k
// is in byte k / 8 at mask 0x80 >> (k % 8). A count of 0 gives 0, counts
// above 32 are read as 32. The caller's buffer must hold every byte touched.
uint32_t ReadBits(const uint8_t* buffer, uint32_t bitPosition, uint32_t bitCount);

// Fills info from the file at path. Returns false for a missing file, a file
// of 22 bytes or less (info untouched), a signature other than "FWS"/"CWS" or
// "CWS" below version 6 (then only signature, version and length are written).
// Throws vx::CodecError when the file cannot be opened or a compressed body
// is not a zlib stream. The file is always closed before returning.
bool ReadSwfHeader(const QString& path, SwfHeaderInfo& info);

}  // namespace vx
