// Shrinks a picture that arrives one row at a time (as a decoder hands its
// rows out) straight into the target image, averaging by area, so the full
// picture is never held.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace vx {

class RowResampler {
public:
    // out: Format_RGB32 of the target size, no larger than the source in
    // either side (the caller checks).
    RowResampler(int sourceWidth, int sourceHeight, QImage& out);

    // The next source row, 4 bytes per pixel in blue, green, red order.
    void addRow(const uint8_t* bgrx);
    // The same with 3 bytes per pixel (blue, green, red).
    void addRow24(const uint8_t* bgr);
    // Fills the target rows the source did not reach (a truncated picture).
    void finish();

private:
    template <int Step>
    void addPixels(const uint8_t* pixels);
    void emitRow();

    int sw_, sh_, tw_, th_;
    QImage& out_;
    // Per source column: the target column it starts in and its weight there
    // and in the next column, in 1/256 of a target pixel; per target column
    // the sum of the weights it receives.
    std::vector<int> column_;
    std::vector<uint32_t> weight0_, weight1_;
    std::vector<uint32_t> columnSum_;
    std::vector<double> columnScale_;       // 1 / columnSum_
    std::vector<uint32_t> line_;            // the source row, horizontally resampled
    std::vector<uint32_t> current_, next_;  // target rows being accumulated
    uint32_t currentSum_ = 0, nextSum_ = 0;  // their row weights
    int sourceRow_ = 0;
    int targetRow_ = 0;
};

}  // namespace vx
