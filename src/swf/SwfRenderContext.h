// What drawing a frame passes from object to object, shared by the frame
// drawing (SwfRender.cpp) and the off-screen layers for blend modes,
// filters and cached clips (SwfRenderLayers.cpp).
#pragma once

#include "swf/SwfCanvas.h"
#include "swf/SwfHairline.h"
#include "swf/SwfPlayer.h"
#include "swf/SwfRaster.h"

#include <QPainter>

namespace vx::swf::detail {

struct Ctx {
    const Movie* movie;
    Quality quality;
    QPainter* p;
    QTransform base;  // stage device to the painter's device
    QRect device;     // the painter's device area
    bool maskMode = false;
    int nesting = 0;
    int maskLayers = 0;  // mask layers open around this drawing
    ScanRaster* raster = nullptr;  // aliased fills
    long* drawBudget = nullptr;    // characters still allowed in this frame
    // Set when we write the device's pixels ourselves.
    Canvas* canvas = nullptr;
    CoverageRaster* coverage = nullptr;
    HairlineRaster* hairlines = nullptr;
    CoverRuns* aliasedRuns = nullptr;
    bool inLayer = false;         // drawing into a blend layer: alpha and erase apply
    int layers = 0;               // blend and filter layers open around this drawing
    long* layerBudget = nullptr;  // layer and filter pixels still allowed in this frame
};

// Blend and filter layers open at once at most; deeper objects draw without.
constexpr int kMaxLayers = 8;

void setupPainter(QPainter& p, Quality q);
// Draws character id (obj is its display object, when it has one) mapped
// by world with the colour transform cx.
void drawCharacter(Ctx& c, uint16_t id, const DisplayObject* obj, const QTransform& world, const CxForm& cx);

// Whether obj is drawn through a layer of its own (a blend mode or filters).
bool needsLayer(const DisplayObject& obj);
// obj drawn into a layer, filtered there and composed by its blend mode.
void drawLayered(Ctx& c, const DisplayObject& obj, const QTransform& world, const CxForm& cx);
// A clip placed with cacheAsBitmap: its kept picture, or drawn and kept.
void drawCached(Ctx& c, const DisplayObject& obj, const QTransform& world, const CxForm& cx);

}  // namespace vx::swf::detail
