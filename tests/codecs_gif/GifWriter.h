// Builds GIF files in memory with giflib's encoder for the decoder tests.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace testgif {

struct Rgb { uint8_t r, g, b; };

struct Frame {
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<uint8_t> indices;  // width * height, top to bottom
    std::vector<Rgb> palette;      // local colour table when not empty
    int disposal = 0;
    int transparent = -1;
    int delayCs = 0;
    bool interlaced = false;
    bool controlBlock = true;
};

struct File {
    int width = 4, height = 4;
    std::vector<Rgb> palette;  // global colour table when not empty
    int loops = -1;            // NETSCAPE2.0 loop count, -1 for none
    std::vector<Frame> frames;
    bool trailer = true;
};

QByteArray write(const File& file);

// A frame of one colour index.
Frame solid(int left, int top, int width, int height, uint8_t index);

}  // namespace testgif
