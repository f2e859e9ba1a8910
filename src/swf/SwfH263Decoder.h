// Our decoder of Sorenson H.263 (Sorenson Spark), the video codec of SWF
// video streams with codec id 2: H.263's macroblock and block layers under
// Sorenson's own picture header, without the group-of-blocks layer.
// Pictures are 4:2:0 planes; a packet that breaks off shows what it
// decoded, the rest of the picture taken from the previous one.
#pragma once

#include "swf/SwfVideoColour.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::swf::h263 {

class BitReader;

// What the picture header of a packet says.
struct PictureHeader {
    int version = 0;  // 1: escaped coefficient levels of 7 or 11 bits
    int width = 0, height = 0;
    int type = 0;  // 0 intra, 1 inter, 2 disposable inter
    bool deblocking = false;
    int quant = 0;
};
// False when the header is not one.
bool readPictureHeader(BitReader& b, PictureHeader& h);

class Decoder {
public:
    explicit Decoder(int64_t maxPixels) : maxPixels_(maxPixels) {}

    // Decodes one packet; true when it gave a picture (possibly only in
    // part, when the packet is damaged). Inter pictures need an earlier
    // picture of their size to refer to.
    bool decode(const uint8_t* data, size_t size);
    // Forgets the pictures.
    void reset();
    bool hasPicture() const { return shown_ >= 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The last picture's planes (valid until the next decode).
    YuvPlanes planes() const;

private:
    struct Plane {
        uint8_t* data = nullptr;
        int stride = 0, width = 0, height = 0;  // whole macroblocks
    };
    struct Frame {
        std::vector<uint8_t> bytes;
        Plane plane[3];
    };
    struct Vector {
        int16_t x = 0, y = 0;
    };

    bool allocate(int width, int height);
    // Decodes the macroblocks; false where the data broke off.
    bool decodeMacroblocks(BitReader& b, const PictureHeader& h, Frame& cur, const Frame* ref);
    bool decodeBlocks(BitReader& b, int cbp, bool intra, int quant, bool escape11, Frame& cur, int mbx, int mby);
    Vector predict(int bx, int by, int block, int mbx, int mby) const;
    void predictBlock(const Plane& ref, Plane& cur, int x, int y, int size, int mvx, int mvy);
    // count macroblocks of a row from mbx on, as the reference has them, or grey.
    void copyMacroblocks(const Frame& ref, Frame& cur, int mbx, int mby, int count);
    void greyMacroblocks(Frame& cur, int mbx, int mby, int count);
    // The macroblocks from number `from` on as the reference has them (grey without one).
    void restAsBefore(Frame& cur, const Frame* ref, int from);

    int64_t maxPixels_;
    Frame frames_[2];
    int ref_ = -1;    // the frame inter pictures refer to
    int shown_ = -1;  // the frame shown
    int width_ = 0, height_ = 0, mbw_ = 0, mbh_ = 0;
    std::vector<Vector> vectors_;  // one per 8 x 8 luma block of the picture being decoded
    alignas(32) int16_t coefficients_[6][64] = {};
};

}  // namespace vx::swf::h263
