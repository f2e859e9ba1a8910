// Windows metafiles (placeable or plain): the header and the records,
// played on a Canvas.
#pragma once

#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/MetaBytes.h"

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
WmfHeader readWmfHeader(const Bytes& file);

// The window the records set first (SetWindowOrg / SetWindowExt), if any.
std::optional<QRectF> firstWmfWindow(const Bytes& file, const WmfHeader& header);

// Plays the records; window is the logical rectangle that fills the
// picture until the records set their own. Stops quietly at a damaged
// record chain or when the canvas' budget is spent.
void playWmf(const Bytes& file, const WmfHeader& header, const QRectF& window, QSizeF picture,
             Canvas& canvas);

}  // namespace vx::meta
