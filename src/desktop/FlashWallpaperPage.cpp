#include "desktop/FlashWallpaperPage.h"

#include "export/SaveToFileFunctions.h"

namespace vx {

QString htmlAttributeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("&quot;"); break;
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '>': out += QStringLiteral("&gt;"); break;
        default: out += c; break;
        }
    }
    return out;
}

namespace {

// The text of a numbered choice, or nothing for a number outside the list.
QByteArray choice(const std::optional<int>& value, std::initializer_list<const char*> texts)
{
    if (!value || *value < 0 || size_t(*value) >= texts.size())
        return {};
    return QByteArray(texts.begin()[*value]);
}

}  // namespace

QByteArray flashWallpaperPage(const FlashWallpaperSettings& s, const QString& swfPath)
{
    const QByteArray crlf("\r\n");
    QByteArray page;
    page += "<html><head><title>Vextrel Viewer Desktop</title></head>" + crlf;
    page += "<body leftmargin=\"0\" topmargin=\"0\" rightmargin=\"0\" bottommargin=\"0\" LANGUAGE=\"javascript\""
            + crlf;
    if (s.backColor)
        page += " bgcolor=\"" + ColorToHtmlHex(rgbFromColorRef(*s.backColor)).toLatin1() + "\" >";
    page += "<div style=\"position:absolute; width:100%; height:100%; z-index:-1; left:0; top:0\">" + crlf;
    page += "<table border=\"0\" width=\"100%\" height=\"100%\">" + crlf;
    page += "<tr>" + crlf;
    page += "<td width=\"100%\" height=\"100%\" valign=\"middle\" align=\"center\">" + crlf;
    page += choice(s.fullScreen, {"<embed width=\"550\" height=\"400\"", "<embed width=\"100%\" height=\"100%\""});
    page += "bgcolor=\"\" ";
    page += choice(s.autoPlay, {"play=\"false\"", "play=\"true\""});
    page += choice(s.transparent, {"wmode=\"ntransparent\"", "wmode=\"transparent\""});
    page += choice(s.quality, {"quality=\"Low\"", "quality=\"Auto Low\"", "quality=\"Auto High\"",
                               "quality=\"Medium\"", "quality=\"High\"", "quality=\"Best\""});
    page += QByteArray("pluginspage=\"") + kFlashPluginPage + "\" src=\"" + htmlAttributeText(swfPath).toUtf8()
            + "\" ></embed>";
    page += "</td></tr></table></div></body></html>" + crlf;
    return page;
}

}  // namespace vx
