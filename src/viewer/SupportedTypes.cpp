#include "viewer/SupportedTypes.h"

namespace vx {

const std::array<SupportedType, kSupportedTypeCount> SupportedTypeTable = {{
    {"BMP", DecoderKind::Bitmap, 1, true, "BMP", true},
    {"JPEG", DecoderKind::JPEG, 2, true, "JPG/JPEG/JPE", true},
    {"JPG", DecoderKind::JPEG, 2, true, "JPG/JPEG/JPE", true},
    {"JPE", DecoderKind::JPEG, 2, true, "JPG/JPEG/JPE", true},
    {"GIF", DecoderKind::GIF, 3, true, "GIF", true},
    {"SWF", DecoderKind::Flash, 4, true, "SWF", false},
    {"WMF", DecoderKind::Metafile, 5, true, "WMF", true},
    {"EMF", DecoderKind::Metafile, 6, true, "EMF", true},
    {"ICO", DecoderKind::Icon, 7, true, "ICO", true},
    {"PSD", DecoderKind::PSD, 8, true, "PSD", true},
    {"PNG", DecoderKind::PNG, 9, true, "PNG", true},
    {"TGA", DecoderKind::Targa, 10, true, "TGA", true},
    {"VST", DecoderKind::Targa, 10, false, "VST", true},
    {"ICB", DecoderKind::Targa, 10, false, "ICB", true},
    {"VDA", DecoderKind::Targa, 10, false, "VDA", true},
    {"WIN", DecoderKind::Targa, 10, false, "WIN", true},
    {"TIF", DecoderKind::TIFF, 11, true, "TIF", true},
    {"TIFF", DecoderKind::TIFF, 12, true, "TIFF", true},
    {"PDD", DecoderKind::PSD, 13, true, "PDD", true},
    {"PSP", DecoderKind::PSP, 14, true, "PSP/PSPIMAGE", true},
    {"PSPIMAGE", DecoderKind::PSP, 14, true, "PSP/PSPIMAGE", true},
    {"PCX", DecoderKind::PCX, 15, true, "PCX", true},
    {"PCC", DecoderKind::PCX, 16, true, "PCC", true},
    {"BW", DecoderKind::SGI, 17, true, "BW", true},
    {"RGB", DecoderKind::SGI, 18, true, "RGB", true},
    {"RGBA", DecoderKind::SGI, 19, true, "RGBA", true},
    {"SGI", DecoderKind::SGI, 20, true, "SGI", true},
    {"CUT", DecoderKind::CUT, 21, true, "CUT", true},
    {"PPM", DecoderKind::PPM, 22, true, "PPM", true},
    {"PGM", DecoderKind::PPM, 23, true, "PGM", true},
    {"PBM", DecoderKind::PPM, 24, true, "PBM", true},
    {"WBMP", DecoderKind::WBMP, 25, true, "WBMP", true},
    {"DIB", DecoderKind::Bitmap, 26, true, "DIB", true},
    {"RLE", DecoderKind::Bitmap, 27, true, "RLE", true},
}};

QString extensionKey(const QString& path, bool withDot)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    QString key = path.mid(withDot ? dot : dot + 1);
    for (QChar& c : key)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return key;
}

const SupportedType* findSupportedType(const QString& key)
{
    const QString bare = key.startsWith(QLatin1Char('.')) ? key.mid(1) : key;
    if (bare.isEmpty())
        return nullptr;
    for (const SupportedType& t : SupportedTypeTable)
        if (bare == QLatin1String(t.extension))
            return &t;
    return nullptr;
}

bool isViewable(const QString& name)
{
    return findSupportedType(extensionKey(name)) != nullptr;
}

DecoderKind decoderOf(const QString& key)
{
    const SupportedType* t = findSupportedType(key);
    return t ? t->decoder : DecoderKind::None;
}

bool isRotatable(const QString& key)
{
    const SupportedType* t = findSupportedType(key);
    return t && t->rotatable;
}

const QStringList& associationItems()
{
    static const QStringList items = {
        "BMP", "JPG/JPEG/JPE", "GIF", "SWF", "WMF", "EMF", "ICO", "PSD", "PNG", "TGA", "TIF",
        "TIFF", "PDD", "PSP/PSPIMAGE", "PCX", "PCC", "BW", "RGB", "RGBA", "SGI", "CUT", "PPM",
        "PGM", "PBM", "VST", "ICB", "VDA", "WIN", "WBMP", "DIB", "RLE"};
    return items;
}

QString buildOpenFilter(const QString& allTypesDescription)
{
    static const char* const allTypes[] = {
        "bmp", "jpg", "jpeg", "jpe", "gif", "swf", "wmf", "emf", "ico", "psd",
        "png", "tga", "tif", "tiff", "pdd", "psp", "pspimage", "pcx", "pcc", "bw",
        "rgb", "rgba", "sgi", "cut", "ppm", "pgm", "pbm", "wbmp", "dib", "rle"};
    static const char* const rows =
        "BMP - Windows Bitmap|*.bmp|"
        "JPG/JPEG/JPE - Joint Picture Experts Group|*.jpg;*.jpeg;*.jpe|"
        "GIF - Graphics Interchange Format|*.gif|"
        "SWF - Shockwave Flash|*.swf|"
        "WMF - Windows Metafile|*.wmf|"
        "EMF - Enhanced Windows Metafile|*.emf|"
        "ICO - Windows Icon|*.ico|"
        "PSD - Photoshop Image|*.psd|"
        "PNG - Portable Network Graphic Images|*.png|"
        "TGA/VST/ICB/VDA/WIN - Truevision Image|*.tga;*.vst;*.icb;*.vda;*.win|"
        "TIF - Tagged Image Format|*.tif|"
        "TIFF - Tagged Image File Format|*.tiff|"
        "PDD - Photoshop Image|*.pdd|"
        "PSP/PSPIMAGE - Paintshop Pro Image|*.psp;*.pspimage|"
        "PCX - ZSoft Paintbrush pcx Images|*.pcx|"
        "PCC - ZSoft Paintbrush pcc Images|*.pcc|"
        "BW - SGI black & white Images|*.bw|"
        "RGB - SGI true color Images|*.rgb|"
        "RGBA - SGI true color Images|*.rgba|"
        "SGI - SGI true color Images|*.sgi|"
        "CUT - Dr. Halo Images|*.cut|"
        "PPM - Portable Pixelmap|*.ppm|"
        "PGM - Portable Greymap|*.pgm|"
        "PBM - Portable Bitmap|*.pbm|"
        "WBMP - Wireless Bitmap|*.wbmp|"
        "DIB - Device Independent Bitmap|*.dib|"
        "RLE - Run-Length Encoding|*.rle|";
    QString filter = allTypesDescription + QLatin1Char('|');
    bool first = true;
    for (const char* ext : allTypes) {
        if (!first)
            filter += QLatin1Char(';');
        filter += QStringLiteral("*.") + QLatin1String(ext);
        first = false;
    }
    filter += QLatin1Char('|');
    filter += QLatin1String(rows);
    return filter;
}

namespace {

// "*.bmp" -> "*.[bB][mM][pP]": Qt's dialog compares patterns with letter case on Linux.
QString anyCasePattern(const QString& pattern)
{
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

}  // namespace

QStringList openFilterToQtFilters(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char('|'));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << anyCasePattern(p);
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

}  // namespace vx
