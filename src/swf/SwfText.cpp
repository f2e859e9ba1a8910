#include "swf/SwfText.h"

#include "swf/SwfShape.h"

#include <algorithm>

namespace vx::swf {

namespace {

QPainterPath glyphPath(Stream& s)
{
    const int nf = int(s.ub(4)), nl = int(s.ub(4));
    ShapeData d;
    d.styleSets.resize(1);
    d.styleSets[0].fills.resize(1);
    d.records = parseShapeRecords(s, 1, nullptr, nf, nl);
    for (ShapeRecord& r : d.records) {
        if (r.kind != ShapeRecord::Style) continue;
        if (r.fill0 > 0) r.fill0 = 1;
        if (r.fill1 > 0) r.fill1 = 1;
        r.line = -1;
    }
    CompiledShape c = compileShape(d);
    QPainterPath p;
    if (!c.layers.empty() && !c.layers[0].fills.empty()) p = c.layers[0].fills[0].path;
    return p;
}

QPainterPath glyphAt(const uint8_t* base, size_t size, size_t from, size_t to)
{
    if (from >= to || to > size) return {};
    Stream g(base + from, to - from);
    try {
        return glyphPath(g);
    } catch (const CodecError&) {
        return {};  // a broken glyph draws nothing
    }
}

}  // namespace

int FontData::glyphFor(char16_t code) const
{
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) return int(i);
    return -1;
}

int FontData::kerningFor(char16_t first, char16_t second) const
{
    const uint32_t key = uint32_t(first) << 16 | second;
    const auto it = std::lower_bound(kerning.begin(), kerning.end(), key,
                                     [](const std::pair<uint32_t, int16_t>& e, uint32_t k) { return e.first < k; });
    return it != kerning.end() && it->first == key ? it->second : 0;
}

FontData parseFont(int tagCode, Stream& s)
{
    FontData f;
    if (tagCode == 10) {  // DefineFont: offset table then glyph shapes
        const uint8_t* base = s.ptr();
        const size_t size = s.remaining();
        if (size < 2) return f;
        const size_t first = size_t(base[0] | base[1] << 8);
        const size_t n = std::min(first / 2, size / 2);
        std::vector<size_t> offs;
        for (size_t i = 0; i < n; ++i) offs.push_back(size_t(base[2 * i] | base[2 * i + 1] << 8));
        for (size_t i = 0; i < n; ++i)
            f.glyphs.push_back(glyphAt(base, size, offs[i], i + 1 < n ? offs[i + 1] : size));
        return f;
    }
    const uint8_t flags = s.u8();
    f.hasLayout = flags & 0x80;
    const bool wideOffsets = flags & 0x08, wideCodes = flags & 0x04;
    f.italic = flags & 0x02;
    f.bold = flags & 0x01;
    s.u8();  // language
    const int nameLen = s.u8();
    f.name = QString::fromUtf8(s.bytes(size_t(nameLen))).remove(QChar(0));
    const size_t n = s.u16();
    if (tagCode == 75) f.emSize = 20480;
    const uint8_t* base = s.ptr();
    const size_t size = s.remaining();
    std::vector<size_t> offs;
    for (size_t i = 0; i < n; ++i) offs.push_back(wideOffsets ? s.u32() : s.u16());
    size_t codeOffset = size;
    if (n > 0 || s.remaining() >= (wideOffsets ? 4u : 2u)) codeOffset = wideOffsets ? s.u32() : s.u16();
    codeOffset = std::min(codeOffset, size);
    for (size_t i = 0; i < n; ++i)
        f.glyphs.push_back(glyphAt(base, size, offs[i], i + 1 < n ? offs[i + 1] : codeOffset));
    Stream rest(base + codeOffset, size - codeOffset);
    try {
        for (size_t i = 0; i < n; ++i) f.codes.push_back(wideCodes ? rest.u16() : rest.u8());
        if (f.hasLayout) {
            f.ascent = rest.u16();
            f.descent = rest.u16();
            f.leading = rest.s16();
            for (size_t i = 0; i < n; ++i) f.advances.push_back(rest.s16());
        }
    } catch (const CodecError&) {
        // Codes or layout cut short: keep what was read.
        f.advances.clear();
    }
    if (f.hasLayout && f.advances.size() == n) {
        try {
            for (size_t i = 0; i < n; ++i) {
                rest.rect();  // the glyph's bounds
                rest.align();
            }
            const size_t pairs = rest.u16();
            f.kerning.reserve(std::min(pairs, rest.remaining() / 4));
            for (size_t i = 0; i < pairs; ++i) {
                const uint32_t a = wideCodes ? rest.u16() : rest.u8(), b = wideCodes ? rest.u16() : rest.u8();
                f.kerning.emplace_back(a << 16 | b, rest.s16());
            }
        } catch (const CodecError&) {
            // Bounds or pairs cut short: the pairs read so far hold.
        }
        std::stable_sort(f.kerning.begin(), f.kerning.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
    }
    return f;
}

void applyFontInfo(FontData& font, int tagCode, Stream& s)
{
    const int nameLen = s.u8();
    font.name = QString::fromLatin1(s.bytes(size_t(nameLen))).remove(QChar(0));
    const uint8_t flags = s.u8();
    font.italic = flags & 0x04;
    font.bold = flags & 0x02;
    const bool wide = flags & 0x01;
    if (tagCode == 62) s.u8();
    font.codes.clear();
    for (size_t i = 0; i < font.glyphs.size() && !s.atEnd(); ++i) font.codes.push_back(wide ? s.u16() : s.u8());
}

TextData parseText(Stream& s, bool withAlpha)
{
    TextData t;
    t.bounds = s.rect();
    t.matrix = s.matrix();
    const int glyphBits = s.u8(), advanceBits = s.u8();
    if (glyphBits > 32 || advanceBits > 32) throw CodecError("Bad text bit counts");
    TextRun cur;
    float x = 0;
    while (!s.atEnd()) {
        const uint8_t flags = s.u8();
        if (flags == 0) break;
        TextRun run = cur;
        run.glyphs.clear();
        if (flags & 0x08) run.fontId = s.u16();
        if (flags & 0x04) run.color = withAlpha ? s.rgba() : s.rgb();
        if (flags & 0x01) x = s.s16();
        if (flags & 0x02) run.y = s.s16();
        if (flags & 0x08) run.height = s.u16();
        run.x = x;
        const int count = s.u8();
        for (int i = 0; i < count; ++i) {
            const int idx = int(s.ub(glyphBits));
            const float adv = float(s.sb(advanceBits));
            run.glyphs.emplace_back(idx, adv);
            x += adv;
        }
        s.align();
        cur = run;
        t.runs.push_back(std::move(run));
    }
    return t;
}

EditTextData parseEditText(Stream& s, int version)
{
    EditTextData e;
    e.bounds = s.rect();
    const uint8_t f1 = s.u8(), f2 = s.u8();
    const bool hasText = f1 & 0x80;
    e.wordWrap = f1 & 0x40;
    e.multiline = f1 & 0x20;
    e.password = f1 & 0x10;
    const bool hasColor = f1 & 0x04, hasMaxLength = f1 & 0x02;
    e.hasFont = f1 & 0x01;
    const bool hasFontClass = f2 & 0x80;
    e.autoSize = f2 & 0x40;
    const bool hasLayout = f2 & 0x20;
    e.border = f2 & 0x08;
    e.html = f2 & 0x02;
    e.useOutlines = f2 & 0x01;
    if (e.hasFont) e.fontId = s.u16();
    if (hasFontClass) e.fontClass = decodeText(s.cstr(), version);
    if (e.hasFont || hasFontClass) e.height = s.u16();
    if (hasColor) e.color = s.rgba();
    if (hasMaxLength) e.maxLength = s.u16();
    if (hasLayout) {
        e.align = s.u8();
        e.leftMargin = s.u16();
        e.rightMargin = s.u16();
        e.indent = s.u16();
        e.leading = s.s16();
    }
    e.variable = decodeText(s.cstr(), version);
    if (hasText) e.text = decodeText(s.cstr(), version);
    return e;
}

QString htmlToPlain(const QString& html)
{
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c == u'<') {
            const qsizetype end = html.indexOf(u'>', i);
            if (end < 0) break;
            const QString tag = html.mid(i + 1, end - i - 1).trimmed().toLower();
            if (tag.startsWith(u"br") || tag == u"/p" || tag == u"/li") out += u'\n';
            i = end;
        } else if (c == u'&') {
            const qsizetype end = html.indexOf(u';', i);
            const QString ent = end > i ? html.mid(i + 1, end - i - 1) : QString();
            QChar rep;
            if (ent == u"lt") rep = u'<';
            else if (ent == u"gt") rep = u'>';
            else if (ent == u"amp") rep = u'&';
            else if (ent == u"quot") rep = u'"';
            else if (ent == u"apos") rep = u'\'';
            else if (ent == u"nbsp") rep = QChar(0xa0);
            if (!rep.isNull()) {
                out += rep;
                i = end;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    while (out.endsWith(u'\n')) out.chop(1);
    return out;
}

}  // namespace vx::swf
