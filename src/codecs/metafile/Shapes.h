// Geometry shared by the players: GDI arcs, chords and pies, and the text
// of 8-bit strings in a font's character set.
#pragma once

#include <QPainterPath>
#include <QString>

namespace vx::meta {

enum class ArcKind { Arc, Chord, Pie, ArcTo };

// The part of the ellipse inside box from the radial through start to the
// radial through end, counter-clockwise on screen unless clockwise is set.
// ArcTo starts with a line from current.
QPainterPath arcPath(const QRectF& box, QPointF start, QPointF end, ArcKind kind, bool clockwise,
                     QPointF current = QPointF());

// Text of 8-bit characters in the code page of a LOGFONT character set;
// stops at the first NUL.
QString decodeAnsi(const char* data, size_t size, int charset);

}  // namespace vx::meta
