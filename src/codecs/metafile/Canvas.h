// The playing surface shared by the WMF and EMF players: it keeps the
// device context (mapping, world transform, selected objects, clipping,
// current position, the path bracket) and draws what the records describe
// with QPainter. Coordinates given to it are logical; "device" coordinates
// are those of the metafile's reference device, which the base transform
// maps into the caller's rectangle.
#pragma once

#include "codecs/metafile/GdiState.h"

#include <QPainter>
#include <QPolygonF>
#include <cstdint>
#include <vector>

namespace vx::meta {

// Upper bounds that keep playing any file short.
inline constexpr size_t kMaxRecords = 1'000'000;
inline constexpr size_t kMaxTotalPoints = 8'000'000;
inline constexpr size_t kMaxTotalChars = 1'000'000;
inline constexpr int64_t kMaxTotalBlitPixels = int64_t(1) << 29;
inline constexpr size_t kMaxObjects = 65536;
inline constexpr size_t kMaxSavedStates = 1024;

class Canvas {
public:
    struct Setup {
        QTransform deviceToOutput;   // reference device -> painter coordinates
        QRectF outputRect;           // painter coordinates the picture covers
        double pixelsPerMmX = 96 / 25.4, pixelsPerMmY = 96 / 25.4;  // reference device
        bool windowToPicture = false;  // WMF: MM_TEXT also maps window to viewport
        bool trackOnly = false;        // measure the drawing's extent, draw nothing
    };
    Canvas(QPainter& painter, const Setup& setup);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    DcState& dc() { return dc_; }

    // Throw CodecError once the drawing exceeds its budget; exhausted() then
    // tells the players to stop instead of skipping one bad record.
    void charge(size_t points);
    void chargeChars(size_t chars);
    bool exhausted() const { return exhausted_; }

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrg(QPointF p) { dc_.windowOrg = p; }
    void setWindowExt(QPointF e);
    void setViewportOrg(QPointF p) { dc_.viewportOrg = p; }
    void setViewportExt(QPointF e);
    void setWorldTransform(const QTransform& t);
    void modifyWorldTransform(const QTransform& t, int mode);
    QTransform pageTransform() const;       // logical (after world) -> device
    QTransform logicalToDevice() const;     // world * page
    QTransform logicalToOutput() const;     // world * page * base
    // Extent of all mapped drawing, in device coordinates (trackOnly setup).
    QRectF trackedBounds() const { return tracked_; }

    // Object table.
    void setObjectTableSize(size_t size);
    int addObject(const GdiObject& object);  // WMF: lowest free slot, -1 when full
    void setObject(uint32_t index, const GdiObject& object);  // EMF
    void selectObject(uint32_t index);
    void selectStockObject(uint32_t stock);
    void deleteObject(uint32_t index);
    const GdiObject* object(uint32_t index) const;

    // State stack.
    void save();
    void restore(int which);  // negative: relative, positive: absolute level

    // Shapes in logical coordinates (added to the path inside a bracket).
    void drawShape(const QPainterPath& path, bool fill, bool stroke);
    void moveTo(QPointF p);
    // A figure continuing from the current position (LineTo, PolylineTo,
    // PolyBezierTo, ArcTo); the current position becomes its end.
    void drawFromCurrent(const QPainterPath& path);
    void setPixel(QPointF p, QColor color);

    // Path bracket.
    void beginPath();
    void endPath() { inBracket_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath() { paintDevicePath(true, false); }
    void strokePath() { paintDevicePath(false, true); }
    void strokeAndFillPath() { paintDevicePath(true, true); }
    void selectClipPath(int mode);
    bool inPathBracket() const { return inBracket_; }

    // Clipping.
    void intersectClipRect(const QRectF& logical);
    void excludeClipRect(const QRectF& logical);
    void combineClip(const QPainterPath& device, int mode);
    void resetClip();
    void offsetClip(QPointF logicalDelta);

    // Text at a logical reference point; dx holds logical advances per character.
    void drawText(QPointF reference, const QString& text, const std::vector<double>& dx,
                  uint32_t options, const QRectF* rect);
    // A bitmap stretched from src (image pixels) onto the logical rectangle dest.
    void drawImage(const QImage& image, const QRectF& dest, const QRectF& src, uint32_t rop);
    // Fill a logical rectangle by a raster operation without source (PatBlt).
    void patBlt(const QRectF& dest, uint32_t rop);
    void fillRegion(const QPainterPath& device, const BrushSpec& brush);

private:
    bool prepare(const QTransform& toOutput);
    void applyClip();
    bool applyRop(QColor* forced);
    QPen makePen(const PenSpec& spec, const QTransform& toOutput) const;
    QBrush makeBrush(const BrushSpec& brush) const;
    void paintPath(QPainterPath path, const QTransform& toOutput, const PenSpec& pen, bool fill,
                   bool stroke);
    void paintDevicePath(bool fill, bool stroke);
    void addToBracket(const QPainterPath& logical, bool continueFigure);
    QPainterPath wholeDevice() const;
    void track(const QTransform& toDevice, const QRectF& logical);

    QPainter& p_;
    Setup setup_;
    QTransform callerTransform_;
    std::optional<QPainterPath> callerClip_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::vector<GdiObject> objects_;
    size_t firstFree_ = 0;  // no empty slot of objects_ lies below this index
    QPainterPath bracket_;  // device coordinates
    bool inBracket_ = false, figureOpen_ = false;
    bool rasterOps_ = false, fontsUsable_ = false, clipDirty_ = true, exhausted_ = false;
    size_t points_ = 0, chars_ = 0;
    int64_t blitPixels_ = 0;
    QRectF tracked_;
};

}  // namespace vx::meta
