#include "swf/SwfEditText.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace vx::swf {

namespace {

QString deviceFamily(const QString& name)
{
    if (name == u"_sans" || name.isEmpty()) return QStringLiteral("Sans Serif");
    if (name == u"_serif") return QStringLiteral("Serif");
    if (name == u"_typewriter") return QStringLiteral("Monospace");
    return name;
}

QString decodeEntities(const QString& s)
{
    if (!s.contains(u'&')) return s;
    QString out = s;
    out.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    out.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    out.replace(QStringLiteral("&nbsp;"), QString(QChar(0xa0))).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return out;
}

QString attribute(const QString& tag, const QString& name)
{
    const QRegularExpression re(name + QStringLiteral(R"x(\s*=\s*["']([^"']*)["'])x"),
                                QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(tag);
    return m.hasMatch() ? m.captured(1) : QString();
}

// A character with its look, laid out on a line.
struct Glyph {
    QChar ch;
    int span;
    double advance;
};

struct Look {
    const FontData* font = nullptr;  // embedded glyphs, or nullptr for a system font
    QFont qfont;
    double size = 240;
    QColor color;
};

// A text colour tints the glyphs as a colour transform would: each channel
// becomes a multiplier in 8.8 fixed point (c * 256 / 255, cut to a whole
// step) applied to full intensity, so 0 and 255 stay, and every channel in
// between comes out one lower (#ff99cc is drawn #ff98cb). Alpha is kept.
QColor tintOf(const QColor& c)
{
    auto channel = [](int v) { return 255 * (v * 256 / 255) >> 8; };
    return QColor(channel(c.red()), channel(c.green()), channel(c.blue()), c.alpha());
}

}  // namespace

std::vector<TextSpan> parseHtmlSpans(const QString& html)
{
    std::vector<TextSpan> spans;
    std::vector<TextSpan> stack(1);  // looks opened by <font>, <b>, <i>
    bool paragraphOpen = false;
    auto pushText = [&](const QString& text) {
        if (text.isEmpty()) return;
        TextSpan s = stack.back();
        s.text = text;
        if (!spans.empty() && spans.back().bold == s.bold && spans.back().italic == s.italic &&
            spans.back().color == s.color && spans.back().size == s.size && spans.back().face == s.face)
            spans.back().text += text;
        else
            spans.push_back(s);
    };
    for (qsizetype i = 0; i < html.size();) {
        if (html[i] != u'<') {
            const qsizetype next = html.indexOf(u'<', i);
            const qsizetype end = next < 0 ? html.size() : next;
            pushText(decodeEntities(html.mid(i, end - i)));
            i = end;
            continue;
        }
        const qsizetype close = html.indexOf(u'>', i);
        if (close < 0) break;
        const QString tag = html.mid(i + 1, close - i - 1).trimmed();
        const QString name = tag.section(u' ', 0, 0).toLower();
        i = close + 1;
        if (name == u"br") {
            pushText(QStringLiteral("\n"));
        } else if (name == u"p" || name == u"li") {
            if (paragraphOpen) pushText(QStringLiteral("\n"));
            paragraphOpen = true;
        } else if (name == u"/p" || name == u"/li") {
            paragraphOpen = true;
        } else if (name == u"b" || name == u"i" || name == u"u" || name == u"font" || name == u"a" ||
                   name == u"span" || name == u"textformat") {
            if (stack.size() > 256) continue;
            TextSpan look = stack.back();
            if (name == u"b") look.bold = true;
            if (name == u"i") look.italic = true;
            if (name == u"font") {
                const QString colour = attribute(tag, QStringLiteral("color"));
                if (colour.startsWith(u'#') && colour.size() == 7) look.color = QColor(colour);
                bool ok = false;
                const double size = attribute(tag, QStringLiteral("size")).toDouble(&ok);
                if (ok && size > 0 && size < 2000) look.size = size * 20;
                const QString face = attribute(tag, QStringLiteral("face"));
                if (!face.isEmpty()) look.face = face;
            }
            stack.push_back(look);
        } else if (name.startsWith(u'/') && stack.size() > 1) {
            stack.pop_back();
        }
    }
    return spans;
}

void drawEditText(QPainter& p, const Movie& movie, const EditTextData& e, const QTransform& dev, const CxForm& cx,
                  bool maskMode, const GlyphSink& glyphs)
{
    p.save();
    p.setTransform(dev);
    if (e.border && !maskMode) {
        const QRectF outer = dev.mapRect(e.bounds);
        if (dev.type() <= QTransform::TxScale && QRectF(-1e6, -1e6, 2e6, 2e6).contains(outer)) {
            // Axis-aligned: the frame is laid on whole device pixels, the
            // background inside and a one-pixel line along the edges.
            const int x0 = int(std::lround(outer.left())), y0 = int(std::lround(outer.top()));
            const int x1 = int(std::lround(outer.right())), y1 = int(std::lround(outer.bottom()));
            p.resetTransform();
            p.fillRect(QRect(x0, y0, x1 - x0, y1 - y0), cx.apply(Qt::white));
            const QColor line = cx.apply(Qt::black);
            p.fillRect(QRect(x0, y0, x1 - x0 + 1, 1), line);  // top, both corners
            p.fillRect(QRect(x0, y0, 1, y1 - y0 + 1), line);  // left, both corners
            p.fillRect(QRect(x1, y0, 1, y1 - y0), line);      // right, without the bottom corner
            p.fillRect(QRect(x0, y1, x1 - x0, 1), line);      // bottom, without the right corner
            p.setTransform(dev);
        } else {
            QPen pen(cx.apply(Qt::black));
            pen.setCosmetic(true);
            p.setPen(pen);
            p.setBrush(cx.apply(Qt::white));
            p.drawRect(e.bounds);
        }
    }
    p.setClipRect(e.bounds, Qt::IntersectClip);

    std::vector<TextSpan> spans;
    if (e.html) {
        spans = parseHtmlSpans(e.text);
    } else {
        spans.push_back({});
        spans[0].text = e.text;
    }
    const FontData* fieldFont = e.hasFont ? movie.font(e.fontId) : nullptr;
    const QString fieldFace = fieldFont ? fieldFont->name : e.fontClass;
    const bool outlines = fieldFont && e.useOutlines && !fieldFont->glyphs.empty();

    std::vector<Look> looks;
    for (const TextSpan& s : spans) {
        Look l;
        l.size = s.size > 0 ? s.size : std::max(1.0f, e.height);
        l.color = maskMode ? QColor(Qt::black) : cx.apply(tintOf(s.color.isValid() ? s.color : e.color));
        const QString face = s.face.isEmpty() ? fieldFace : s.face;
        // Markup decides the style of HTML text; plain text has the field font's.
        const bool bold = e.html ? s.bold : (fieldFont && fieldFont->bold);
        const bool italic = e.html ? s.italic : (fieldFont && fieldFont->italic);
        if (outlines) {
            l.font = movie.findFont(face, bold, italic);
            if (!l.font) l.font = fieldFont;
        }
        l.qfont = QFont(deviceFamily(face));
        l.qfont.setPixelSize(int(std::clamp(l.size, 1.0, 20000.0)));
        l.qfont.setBold(bold);
        l.qfont.setItalic(italic);
        looks.push_back(l);
    }
    std::vector<QFontMetricsF> metrics;
    for (const Look& l : looks) metrics.emplace_back(l.qfont);
    // The embedded font that has a character: the look's own, else the field's.
    auto fontFor = [&](QChar ch, const Look& l) -> std::pair<const FontData*, int> {
        if (l.font) {
            if (int g = l.font->glyphFor(ch.unicode()); g >= 0) return {l.font, g};
            if (fieldFont && fieldFont != l.font) {
                if (int g = fieldFont->glyphFor(ch.unicode()); g >= 0) return {fieldFont, g};
            }
        }
        return {nullptr, -1};
    };
    auto advance = [&](QChar ch, int span) -> double {
        const Look& l = looks[size_t(span)];
        if (!l.font) return metrics[size_t(span)].horizontalAdvance(ch);
        const auto [font, g] = fontFor(ch, l);
        if (!font) return 0;
        const double scale = l.size / font->emSize;
        if (size_t(g) < font->advances.size()) return font->advances[size_t(g)] * scale;
        return font->glyphs[size_t(g)].boundingRect().right() * scale;
    };

    // Characters with their looks, then lines after wrapping.
    std::vector<Glyph> chars;
    for (size_t si = 0; si < spans.size(); ++si) {
        QString text = spans[si].text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        for (QChar ch : text) {
            if (e.password && ch != u'\n') ch = u'*';
            chars.push_back({ch, int(si), ch == u'\n' ? 0.0 : advance(ch, int(si))});
        }
        if (chars.size() > 200000) break;
    }
    // Neighbours drawn from one embedded font at one size move by the
    // font's kerning between them; each character then advances by whole
    // twips, the fraction cut off.
    for (size_t k = 0; k < chars.size(); ++k) {
        Glyph& a = chars[k];
        if (k + 1 < chars.size()) {
            const Glyph& b = chars[k + 1];
            const Look& l = looks[size_t(a.span)];
            const FontData* font = l.font ? fontFor(a.ch, l).first : nullptr;
            if (font && !font->kerning.empty() && b.span == a.span && a.ch != u'\n' && b.ch != u'\n' &&
                fontFor(b.ch, l).first == font)
                a.advance += font->kerningFor(a.ch.unicode(), b.ch.unicode()) * (l.size / font->emSize);
        }
        a.advance = std::isfinite(a.advance) ? std::floor(a.advance) : 0;
    }
    const double left = e.bounds.left() + 40 + e.leftMargin;
    const double width = std::max(0.0, e.bounds.width() - 80 - e.leftMargin - e.rightMargin);
    std::vector<std::vector<Glyph>> lines(1);
    double lineWidth = 0;
    size_t lastSpace = SIZE_MAX;
    for (const Glyph& g : chars) {
        if (g.ch == u'\n') {
            lines.emplace_back();
            lineWidth = 0;
            lastSpace = SIZE_MAX;
            continue;
        }
        auto& line = lines.back();
        // A word wraps once it would run into the right edge; the right
        // gutter may take the last glyph's trailing bearing.
        if (e.wordWrap && lineWidth + g.advance > width + 40 && lastSpace != SIZE_MAX && g.ch != u' ') {
            std::vector<Glyph> rest(line.begin() + qsizetype(lastSpace) + 1, line.end());
            line.resize(lastSpace);
            lines.push_back(rest);
            lineWidth = 0;
            for (const Glyph& r : rest) lineWidth += r.advance;
            lastSpace = SIZE_MAX;
        }
        if (g.ch == u' ') lastSpace = lines.back().size();
        lines.back().push_back(g);
        lineWidth += g.advance;
        if (lines.size() > 10000) break;
    }

    auto ascentOf = [&](int span) {
        const Look& l = looks[size_t(span)];
        if (!l.font) return metrics[size_t(span)].ascent();
        return l.font->hasLayout ? l.font->ascent * l.size / l.font->emSize : l.size * 0.8;
    };
    auto descentOf = [&](int span) {
        const Look& l = looks[size_t(span)];
        if (!l.font) return metrics[size_t(span)].descent();
        return l.font->hasLayout ? l.font->descent * l.size / l.font->emSize : l.size * 0.2;
    };
    double top = e.bounds.top() + 40;
    for (const auto& line : lines) {
        double ascent = 0, descent = 0, lw = 0;
        for (const Glyph& g : line) {
            ascent = std::max(ascent, ascentOf(g.span));
            descent = std::max(descent, descentOf(g.span));
            lw += g.advance;
        }
        if (line.empty() && !looks.empty()) {
            ascent = ascentOf(0);
            descent = descentOf(0);
        }
        if (top > e.bounds.bottom()) break;
        // A line's ascent and descent are whole twips, the fractions cut off.
        ascent = std::floor(ascent);
        descent = std::floor(descent);
        const double baseline = top + ascent;
        double x = left;
        if (e.align == 1) x = left + width - lw;
        else if (e.align == 2) x = left + (width - lw) / 2;
        QString run;  // consecutive characters in one system font, drawn together
        int runSpan = -1;
        double runX = 0;
        auto flush = [&]() {
            if (run.isEmpty()) return;
            p.setTransform(dev);
            QPainterPath path;
            path.addText(QPointF(runX, baseline), looks[size_t(runSpan)].qfont, run);
            p.fillPath(path, looks[size_t(runSpan)].color);
            run.clear();
        };
        for (const Glyph& g : line) {
            const Look& l = looks[size_t(g.span)];
            if (!l.font) {
                if (g.span != runSpan) flush();
                if (run.isEmpty()) runX = x;
                runSpan = g.span;
                run += g.ch;
            } else if (l.font) {
                flush();
                const auto [font, gi] = fontFor(g.ch, l);
                if (font && !font->glyphs[size_t(gi)].isEmpty()) {
                    const double scale = l.size / font->emSize;
                    const QTransform toDevice = QTransform(scale, 0, 0, scale, x, baseline) * dev;
                    if (glyphs) {
                        glyphs(font->glyphs[size_t(gi)], toDevice, l.color);
                    } else {
                        p.setTransform(toDevice);
                        p.fillPath(font->glyphs[size_t(gi)], l.color);
                    }
                }
            }
            x += g.advance;
        }
        flush();
        top += ascent + descent + e.leading;
    }
    p.restore();
}

}  // namespace vx::swf
