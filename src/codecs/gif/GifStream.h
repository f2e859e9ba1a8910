// giflib access for GifImage: one pass over the file records the frames
// (rectangle, disposal, transparency, delay and where the frame starts)
// without decoding them; any one frame can then be decoded on its own from
// the bytes in memory, so no frame needs to be held.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx::gif {

// Disposal methods of the graphic control extension.
inline constexpr int kDisposeBackground = 2;
inline constexpr int kDisposePrevious = 3;

struct FrameInfo {
    int left = 0, top = 0, width = 0, height = 0;
    size_t offset = 0;     // byte offset of the frame's image separator
    int disposal = 0;      // 0 none, 1 keep, 2 clear to background, 3 restore previous
    int transparent = -1;  // transparent colour index, -1 for none
    int delayCs = 0;       // delay in hundredths of a second, as stored
    bool interlaced = false;
    bool localPalette = false;
    size_t dataBytes = 0;  // bytes of compressed pixel data
};

struct Structure {
    int screenWidth = 0, screenHeight = 0;
    size_t prefixSize = 0;  // header, screen descriptor and global colour table
    int repeatCount = -1;   // NETSCAPE2.0 loop count, -1 without the extension
    std::vector<FrameInfo> frames;
};

// Reads the structure of a GIF file; throws CodecError with giflib's text
// for foreign, damaged or truncated data, or a frame beyond the size limits.
Structure scan(const uint8_t* data, size_t size);

// Colours of a frame as 0xAARRGGBB, all opaque; indices past the colour
// table are black.
using Palette = std::array<uint32_t, 256>;

// Decodes one frame. palette is called once before the rows; row(y, indices)
// is called for each row the data holds (y within the frame, interlaced
// frames in their passes' order). Returns an empty string on success or
// giflib's error text when the frame's data ends early or is damaged (the
// rows already delivered stay valid).
std::string decodeFrame(const uint8_t* data, size_t size, const Structure& s, const FrameInfo& frame,
                        const std::function<void(const Palette&)>& palette,
                        const std::function<void(int, const uint8_t*)>& row);

}  // namespace vx::gif
