// Drawing edit text fields: plain or HTML text (bold, italic, colour, size
// and face from the markup), word wrap, alignment, margins, border, with
// the movie's embedded glyphs when the field uses outlines, else a system font.
#pragma once

#include "swf/SwfMovie.h"

#include <QPainter>
#include <functional>

namespace vx::swf {

// Draws one embedded glyph (in glyph units) mapped by toDevice.
using GlyphSink = std::function<void(const QPainterPath& glyph, const QTransform& toDevice, const QColor& colour)>;

// dev maps the field's twips to the painter's device. Embedded glyphs go to
// `glyphs` when given, else they are filled through the painter.
void drawEditText(QPainter& p, const Movie& movie, const EditTextData& e, const QTransform& dev, const CxForm& cx,
                  bool maskMode, const GlyphSink& glyphs = {});

// One stretch of text with one look.
struct TextSpan {
    QString text;
    bool bold = false, italic = false;
    QColor color;      // invalid: the field's colour
    double size = -1;  // twips; negative: the field's height
    QString face;      // empty: the field's font
};

// The spans of an HTML text field; paragraphs and <br> become line feeds.
std::vector<TextSpan> parseHtmlSpans(const QString& html);

}  // namespace vx::swf
