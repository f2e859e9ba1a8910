// The drawing state a metafile changes as it plays: the GDI objects (pens,
// brushes, fonts, regions) and the device context values that SaveDC and
// RestoreDC keep.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <QTransform>
#include <optional>

namespace vx::meta {

// Mapping modes.
enum MapMode {
    MmText = 1, MmLoMetric = 2, MmHiMetric = 3, MmLoEnglish = 4, MmHiEnglish = 5,
    MmTwips = 6, MmIsotropic = 7, MmAnisotropic = 8
};
// Pen styles and flags.
enum : uint32_t {
    PsSolid = 0, PsDash = 1, PsDot = 2, PsDashDot = 3, PsDashDotDot = 4, PsNull = 5,
    PsInsideFrame = 6, PsUserStyle = 7, PsAlternate = 8, PsStyleMask = 0x0F,
    PsEndCapMask = 0x0F00, PsEndCapSquare = 0x0100, PsEndCapFlat = 0x0200,
    PsJoinMask = 0xF000, PsJoinBevel = 0x1000, PsJoinMiter = 0x2000,
    PsGeometric = 0x00010000
};
// Brush styles.
enum : uint32_t { BsSolid = 0, BsNull = 1, BsHatched = 2, BsPattern = 3, BsDibPattern = 5, BsDibPatternPt = 6 };
// Text alignment flags and ExtTextOut options.
enum : uint32_t {
    TaUpdateCp = 1, TaRight = 2, TaCenter = 6, TaHorizontalMask = 6,
    TaBottom = 8, TaBaseline = 24, TaVerticalMask = 24,
    EtoOpaque = 2, EtoClipped = 4
};
// Region combination modes.
enum : int { RgnAnd = 1, RgnOr = 2, RgnXor = 3, RgnDiff = 4, RgnCopy = 5 };
// Fill modes.
enum : int { Alternate = 1, Winding = 2 };

struct PenSpec {
    uint32_t style = PsSolid;
    double width = 0;  // logical units; 0 draws one device pixel
    QColor color = Qt::black;
};

struct BrushSpec {
    uint32_t style = BsSolid;
    QColor color = Qt::white;
    uint32_t hatch = 0;
    QImage pattern;  // BsPattern / BsDibPattern
};

struct FontSpec {
    int height = 0;       // logical; negative = character height, positive = cell height
    int escapement = 0;   // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 0;
    QString face;
};

struct GdiObject {
    enum Kind { Empty, Pen, Brush, Font, Region, Palette, Other } kind = Empty;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QPainterPath region;  // device coordinates
};

struct DcState {
    int mapMode = MmText;
    QPointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    QTransform world;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QColor textColor = Qt::black, bkColor = Qt::white;
    bool opaqueBackground = true;
    int fillMode = Alternate;
    int rop2 = 13;  // R2_COPYPEN
    uint32_t textAlign = 0;
    bool clockwiseArcs = false;
    QPointF current{0, 0};
    std::optional<QPainterPath> clip;  // device coordinates; none = whole picture
};

}  // namespace vx::meta
