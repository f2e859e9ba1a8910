// The GDI objects an enhanced metafile creates (pens, brushes, fonts,
// palettes) and its region data.
#pragma once

#include "codecs/metafile/Canvas.h"
#include "codecs/ByteReader.h"

namespace vx::meta {

// EMR_CREATEPEN, EMR_CREATEBRUSHINDIRECT, EMR_CREATEPALETTE,
// EMR_EXTCREATEFONTINDIRECTW, EMR_CREATEMONOBRUSH,
// EMR_CREATEDIBPATTERNBRUSHPT and EMR_EXTCREATEPEN: the object is stored
// in the canvas' table at the index the record names.
void createEmfObject(uint32_t type, const ByteReader& record, Canvas& canvas);

// RGNDATA of size bytes at offset at of the record: the union of its
// rectangles, in device coordinates.
QPainterPath regionFromRgnData(const ByteReader& record, size_t at, size_t size);

}  // namespace vx::meta
