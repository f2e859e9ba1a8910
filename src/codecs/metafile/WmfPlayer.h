// Windows metafiles (placeable or plain): the header and the records,
// played on a Canvas.
#pragma once

#include "codecs/metafile/Canvas.h"
#include "codecs/ByteReader.h"

#include <QRectF>
#include <QSize>
#include <optional>

namespace vx::meta {

struct WmfHeader {
    size_t firstRecord = 0;          // offset of the first record
    uint16_t objects = 0;            // object table size
    std::optional<QRectF> placeable; // bounding box in logical units
    int unitsPerInch = 0;            // placeable files
};

// Reads and checks the headers; throws CodecError for anything that is not
// a Windows metafile.
WmfHeader readWmfHeader(const ByteReader& file);

// The window the records set first (SetWindowOrg / SetWindowExt), if any.
std::optional<QRectF> firstWmfWindow(const ByteReader& file, const WmfHeader& header);

// Plays the records; window is the logical rectangle that fills the
// picture until the records set their own. Stops quietly at a damaged
// record chain or when the canvas' budget is spent.
void playWmf(const ByteReader& file, const WmfHeader& header, const QRectF& window, QSizeF picture,
             Canvas& canvas);

}  // namespace vx::meta
