// Fonts (DefineFont 1/2/3 with DefineFontInfo), static text (DefineText 1/2)
// and edit text fields (DefineEditText).
#pragma once

#include "swf/SwfStream.h"

#include <QPainterPath>
#include <QString>
#include <unordered_map>
#include <vector>

namespace vx::swf {

struct FontData {
    QString name;
    bool bold = false, italic = false;
    float emSize = 1024;  // glyph units per em (20480 for DefineFont3)
    std::vector<QPainterPath> glyphs;
    std::vector<uint16_t> codes;
    std::vector<float> advances;  // in glyph units, empty without layout
    float ascent = 0, descent = 0, leading = 0;
    bool hasLayout = false;
    // The layout's kerning pairs: (first << 16 | second) code, adjustment
    // in glyph units, sorted by pair.
    std::vector<std::pair<uint32_t, int16_t>> kerning;
    // Glyph index of a character, -1 when the font lacks it.
    int glyphFor(char16_t code) const;
    // The kerning between two characters in glyph units, 0 without a pair.
    int kerningFor(char16_t first, char16_t second) const;
};

FontData parseFont(int tagCode, Stream& s);
// Attaches the character codes of a DefineFontInfo (1 or 2) tag to a font.
void applyFontInfo(FontData& font, int tagCode, Stream& s);

struct TextRun {
    uint16_t fontId = 0;
    QColor color = Qt::black;
    float x = 0, y = 0, height = 240;
    std::vector<std::pair<int, float>> glyphs;  // index, advance in twips
};

struct TextData {
    QRectF bounds;
    QTransform matrix;
    std::vector<TextRun> runs;
};

TextData parseText(Stream& s, bool withAlpha);

struct EditTextData {
    QRectF bounds;
    bool hasFont = false, wordWrap = false, multiline = false, password = false;
    bool border = false, html = false, useOutlines = false, autoSize = false;
    uint16_t fontId = 0;
    QString fontClass;
    float height = 240;
    QColor color = Qt::black;
    int maxLength = 0;
    int align = 0;  // 0 left, 1 right, 2 centre, 3 justify
    float leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;
    QString variable, text;
};

EditTextData parseEditText(Stream& s, int version);

// The plain text of an HTML text field: tags dropped, line breaks and
// entities turned into characters.
QString htmlToPlain(const QString& html);

}  // namespace vx::swf
