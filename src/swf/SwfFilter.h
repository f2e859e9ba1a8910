// Display object filters (PlaceObject3's filter list) and blend modes: the
// records as the movie stores them, and applying them to a premultiplied
// 32-bit layer. Sizes are in stage pixels; the renderer scales them with the
// stage before applying.
#pragma once

#include "swf/SwfStream.h"

#include <QImage>
#include <QRgb>
#include <array>
#include <memory>
#include <vector>

namespace vx::swf {

enum class BlendMode : uint8_t {
    Normal = 1, Layer, Multiply, Screen, Lighten, Darken, Difference, Add, Subtract, Invert, Alpha, Erase,
    Overlay, HardLight
};
// The movie's byte: 0 and values out of range are Normal.
BlendMode blendModeOf(int value);

struct Filter {
    enum Kind : uint8_t { DropShadow, Blur, Glow, Bevel, GradientGlow, Convolution, ColorMatrix, GradientBevel };
    Kind kind = Blur;
    float blurX = 4, blurY = 4;  // stage pixels
    float angle = 0, distance = 0;  // radians, stage pixels
    float strength = 1;
    int passes = 1;
    bool inner = false, knockout = false, hideObject = false, onTop = false;
    QRgb color = 0xff000000, highlight = 0xffffffff;  // straight ARGB
    std::vector<QRgb> colours;      // gradient glow and bevel, straight ARGB
    std::vector<uint8_t> ratios;
    // Convolution
    int matrixX = 0, matrixY = 0;
    float divisor = 1, bias = 0;
    std::vector<float> matrix;
    bool clamp = true, preserveAlpha = false;
    // Colour matrix, row-major 4 x 5, offsets in 0..255.
    std::array<float, 20> colourMatrix{};
};

using FilterList = std::vector<Filter>;

// Reads a filter list. Throws CodecError when it is cut short or names an
// unknown filter.
std::shared_ptr<const FilterList> readFilterList(Stream& s);

// How far the filters may reach beyond the object, in layer pixels, with
// sizes scaled by sx, sy.
int filterMargin(const FilterList& filters, double sx, double sy);

// Limits that keep hostile lists bounded: filters applied per object, blur
// passes, blur size in layer pixels and the convolution matrix side.
constexpr int kMaxFiltersApplied = 8;
constexpr int kMaxBlurPasses = 15;
constexpr double kMaxBlur = 255;
constexpr int kMaxConvolution = 15;

// Applies f to the premultiplied layer in place; sizes scaled by sx, sy.
// `aliased`: the frame is drawn without antialiasing, where blurs take
// their size in whole pixels. `scratch` holds buffers kept between calls.
struct FilterScratch {
    std::vector<uint8_t> a, b, c;
    std::vector<uint32_t> rows;
};
void applyFilter(QImage& layer, const Filter& f, double sx, double sy, bool aliased, FilterScratch& scratch);

// Composes the premultiplied src over dst (same size) with a blend mode;
// Normal and Layer are source-over.
void blendLayer(QImage& dst, QPoint at, const QImage& src, BlendMode mode);

}  // namespace vx::swf
