// Enhanced metafiles: the header and the records, played on a Canvas.
#pragma once

#include "codecs/metafile/Canvas.h"
#include "codecs/ByteReader.h"

#include <QRectF>
#include <QSize>

namespace vx::meta {

struct EmfHeader {
    QRect bounds;            // device pixels, inclusive
    QRect frame;             // 0.01 mm
    double pixelsPerMmX = 96 / 25.4, pixelsPerMmY = 96 / 25.4;  // reference device
    uint32_t handles = 1;
    size_t size = 0;         // header record size

    // Natural size at 96 dpi: from the frame, or from the bounds when the
    // frame is empty.
    QSize naturalSize() const;
    // The picture's rectangle on the reference device.
    QRectF deviceRect() const;
};

// Reads and checks the header; throws CodecError for anything that is not
// an enhanced metafile.
EmfHeader readEmfHeader(const ByteReader& file);

// Walks the record chain and returns the number of bytes of whole records
// (up to EMR_EOF or the first record that does not fit).
size_t validEmfLength(const ByteReader& file, const EmfHeader& header);

// Plays the records; stops quietly at the first damaged record chain or when
// the canvas' budget is spent.
void playEmf(const ByteReader& file, const EmfHeader& header, Canvas& canvas);

}  // namespace vx::meta
