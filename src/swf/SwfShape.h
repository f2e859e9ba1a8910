// Shapes: fill and line styles, shape records with absolute coordinates in
// twips, and the compiled form (closed fill paths per fill style, stroke
// paths per line style) that the renderer draws.
#pragma once

#include "swf/SwfStream.h"

#include <QPainterPath>
#include <QTransform>
#include <memory>
#include <vector>

namespace vx::swf {

struct GradientStop {
    float ratio = 0;  // 0..255
    QColor color;
};

struct FillStyle {
    enum Kind : uint8_t { Solid, Linear, Radial, Focal, Bitmap };
    Kind kind = Solid;
    QColor color = Qt::black;
    QTransform matrix;  // gradient or bitmap space to shape space
    std::vector<GradientStop> stops;
    uint8_t spread = 0;         // 0 pad, 1 reflect, 2 repeat
    uint8_t interpolation = 0;  // 0 RGB, 1 linear RGB
    float focal = 0;
    uint16_t bitmapId = 0;
    bool repeat = true;
    bool smooth = true;
};

struct LineStyle {
    float width = 20;  // twips
    QColor color = Qt::black;
    uint8_t startCap = 0, endCap = 0, join = 0;  // 0 round, 1 none/bevel, 2 square/miter
    float miterLimit = 3;
    bool hasFill = false;
    FillStyle fill;
    bool noHScale = false, noVScale = false;
};

struct StyleSet {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
};

struct ShapeRecord {
    enum Kind : uint8_t { Style, Edge } kind = Edge;
    // Style change
    bool hasMove = false;
    int fill0 = -1, fill1 = -1, line = -1;  // -1: unchanged, 0: none, n: 1-based
    int styleSet = -1;                      // >= 0: new style set index
    // Edge (absolute end point; control point for curves)
    bool curve = false;
    QPointF ctrl, to;  // for Style with hasMove, `to` is the move target
};

struct ShapeData {
    QRectF bounds;
    std::vector<StyleSet> styleSets;  // [0] is the initial set
    std::vector<ShapeRecord> records;
    bool windingFill = false;
};

// One drawing layer: fills then strokes of one style set.
struct CompiledLayer {
    struct Fill {
        FillStyle style;
        QPainterPath path;
    };
    struct Stroke {
        LineStyle style;
        QPainterPath path;
    };
    std::vector<Fill> fills;
    std::vector<Stroke> strokes;
};

struct CompiledShape {
    QRectF bounds;
    std::vector<CompiledLayer> layers;
    // Union of all fill paths (for masks and glyphs).
    QPainterPath outline() const;
};

// Parses a DefineShape 1..4 body after the character id. Throws CodecError.
ShapeData parseShape(Stream& s, int version);
// Parses the records of a glyph or morph edge list (bit counts first).
std::vector<ShapeRecord> parseShapeRecords(Stream& s, int version, std::vector<StyleSet>* sets,
                                           int numFill, int numLine);
FillStyle parseFillStyle(Stream& s, int version);
// Joins edges into closed contours per fill style.
CompiledShape compileShape(const ShapeData& shape);

// Morph shape: start and end styles and records; interpolated at ratio 0..1.
struct MorphData {
    QRectF startBounds, endBounds;
    std::vector<FillStyle> startFills, endFills;
    std::vector<LineStyle> startLines, endLines;
    std::vector<ShapeRecord> startRecords, endRecords;
};
MorphData parseMorphShape(Stream& s, int version);
ShapeData morphAt(const MorphData& m, double ratio);

// Hard limits that keep hostile shapes bounded.
inline constexpr size_t kMaxShapeRecords = 4'000'000;

}  // namespace vx::swf
