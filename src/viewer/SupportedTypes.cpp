#include "viewer/SupportedTypes.h"

#include "codecs/dib/BmpImage.h"
#include "codecs/dib/IconImage.h"
#include "codecs/gif/GifImage.h"
#include "codecs/jpeg/JpegImage.h"
#include "codecs/layered/PsdImage.h"
#include "codecs/layered/PspImage.h"
#include "codecs/metafile/Metafile.h"
#include "codecs/misc/CutImage.h"
#include "codecs/misc/SgiImage.h"
#include "codecs/misc/TiffImage.h"
#include "codecs/png/PngImage.h"
#include "codecs/simple/PcxImage.h"
#include "codecs/simple/PpmImage.h"
#include "codecs/simple/TargaImage.h"
#include "codecs/wbmp/WbmpImage.h"

#include <QMap>
#include <algorithm>
#include <deque>
#include <vector>

namespace vx {

namespace {

constexpr unsigned kPicture = InAllTypes | Rotatable | Savable;
constexpr const char* kTruevision = "TGA/VST/ICB/VDA/WIN - Truevision Image";

// Rows sharing an Open row list their patterns in table order, and an
// association group's first row is the extension its check is probed by.
std::deque<SupportedType>& table()
{
    static std::deque<SupportedType> rows = {
        {"BMP", makeGraphic<BmpImage>, 1, "BMP - Windows Bitmap", 0, "BMP", kPicture | KeepsDepth},
        {"JPG", makeGraphic<JpegImage>, 2, "JPG/JPEG/JPE - Joint Picture Experts Group", 1, "JPG/JPEG/JPE", kPicture},
        {"JPEG", makeGraphic<JpegImage>, 2, "JPG/JPEG/JPE - Joint Picture Experts Group", 1, "JPG/JPEG/JPE", kPicture},
        {"JPE", makeGraphic<JpegImage>, 2, "JPG/JPEG/JPE - Joint Picture Experts Group", 1, "JPG/JPEG/JPE", kPicture},
        {"GIF", makeGraphic<GifImage>, 3, "GIF - Graphics Interchange Format", 2, "GIF", kPicture | Animated},
        {"SWF", nullptr, 4, "SWF - Shockwave Flash", 3, "SWF", InAllTypes | Movie},
        {"WMF", makeGraphic<Metafile>, 5, "WMF - Windows Metafile", 4, "WMF", kPicture | Vector},
        {"EMF", makeGraphic<Metafile>, 6, "EMF - Enhanced Windows Metafile", 5, "EMF", kPicture | Vector},
        {"ICO", makeGraphic<IconImage>, 7, "ICO - Windows Icon", 6, "ICO", kPicture | IconSized},
        {"PSD", makeGraphic<PsdImage>, 8, "PSD - Photoshop Image", 7, "PSD", kPicture},
        {"PNG", makeGraphic<PngImage>, 9, "PNG - Portable Network Graphic Images", 8, "PNG", kPicture},
        {"TGA", makeGraphic<TargaImage>, 10, kTruevision, 9, "TGA", kPicture},
        {"VST", makeGraphic<TargaImage>, 10, kTruevision, 24, "VST", Rotatable | Savable},
        {"ICB", makeGraphic<TargaImage>, 10, kTruevision, 25, "ICB", Rotatable | Savable},
        {"VDA", makeGraphic<TargaImage>, 10, kTruevision, 26, "VDA", Rotatable | Savable},
        {"WIN", makeGraphic<TargaImage>, 10, kTruevision, 27, "WIN", Rotatable | Savable},
        {"TIF", makeGraphic<TiffImage>, 11, "TIF - Tagged Image Format", 10, "TIF", kPicture},
        {"TIFF", makeGraphic<TiffImage>, 12, "TIFF - Tagged Image File Format", 11, "TIFF", kPicture},
        {"PDD", makeGraphic<PsdImage>, 13, "PDD - Photoshop Image", 12, "PDD", kPicture},
        {"PSP", makeGraphic<PspImage>, 14, "PSP/PSPIMAGE - Paintshop Pro Image", 13, "PSP/PSPIMAGE", kPicture},
        {"PSPIMAGE", makeGraphic<PspImage>, 14, "PSP/PSPIMAGE - Paintshop Pro Image", 13, "PSP/PSPIMAGE", kPicture},
        {"PCX", makeGraphic<PcxImage>, 15, "PCX - ZSoft Paintbrush pcx Images", 14, "PCX", kPicture},
        {"PCC", makeGraphic<PcxImage>, 16, "PCC - ZSoft Paintbrush pcc Images", 15, "PCC", kPicture},
        {"BW", makeGraphic<SgiImage>, 17, "BW - SGI black & white Images", 16, "BW", kPicture},
        {"RGB", makeGraphic<SgiImage>, 18, "RGB - SGI true color Images", 17, "RGB", kPicture},
        {"RGBA", makeGraphic<SgiImage>, 19, "RGBA - SGI true color Images", 18, "RGBA", kPicture},
        {"SGI", makeGraphic<SgiImage>, 20, "SGI - SGI true color Images", 19, "SGI", kPicture},
        {"CUT", makeGraphic<CutImage>, 21, "CUT - Dr. Halo Images", 20, "CUT", kPicture},
        {"PPM", makeGraphic<PpmImage>, 22, "PPM - Portable Pixelmap", 21, "PPM", kPicture},
        {"PGM", makeGraphic<PpmImage>, 23, "PGM - Portable Greymap", 22, "PGM", kPicture},
        {"PBM", makeGraphic<PpmImage>, 24, "PBM - Portable Bitmap", 23, "PBM", kPicture},
        {"WBMP", makeGraphic<WbmpImage>, 25, "WBMP - Wireless Bitmap", 28, "WBMP", kPicture},
        {"DIB", makeGraphic<BmpImage>, 26, "DIB - Device Independent Bitmap", 29, "DIB", kPicture | KeepsDepth},
        {"RLE", makeGraphic<BmpImage>, 27, "RLE - Run-Length Encoding", 30, "RLE", kPicture | KeepsDepth},
    };
    return rows;
}

// The rows in Open dialog order (stable: table order within a row).
std::vector<const SupportedType*> rowsByOpenRow()
{
    std::vector<const SupportedType*> rows;
    for (const SupportedType& t : supportedTypes())
        rows.push_back(&t);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SupportedType* a, const SupportedType* b) { return a->openRow < b->openRow; });
    return rows;
}

QString lowerPattern(const SupportedType& t)
{
    return QStringLiteral("*.") + QString::fromLatin1(t.extension).toLower();
}

}  // namespace

const std::deque<SupportedType>& supportedTypes()
{
    return table();
}

void addSupportedType(const SupportedType& row)
{
    table().push_back(row);
}

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
    for (const SupportedType& t : supportedTypes())
        if (bare == QLatin1String(t.extension))
            return &t;
    return nullptr;
}

bool isViewable(const QString& name)
{
    return findSupportedType(extensionKey(name)) != nullptr;
}

bool isRotatable(const QString& key)
{
    const SupportedType* t = findSupportedType(key);
    return t && t->has(Rotatable);
}

bool isSavablePicture(const QString& key)
{
    const SupportedType* t = findSupportedType(key);
    return t && t->has(Savable);
}

QList<AssociationGroup> associationGroups()
{
    QMap<int, AssociationGroup> byRow;
    for (const SupportedType& t : supportedTypes()) {
        AssociationGroup& g = byRow[t.associationRow];
        const QString ext = QString::fromLatin1(t.extension);
        if (g.extensions.isEmpty()) {
            g.item = QString::fromLatin1(t.associationItem);
            g.probedExtension = QLatin1Char('.') + ext.toLower();
        }
        g.extensions << QLatin1Char('.') + ext.toLower();
        g.descriptions << QStringLiteral("Vextrel Viewer ") + ext;
    }
    return byRow.values();
}

QString buildOpenFilter(const QString& allTypesDescription)
{
    const std::vector<const SupportedType*> rows = rowsByOpenRow();
    QStringList allTypes;
    for (const SupportedType* t : rows)
        if (t->has(InAllTypes))
            allTypes << lowerPattern(*t);
    QString filter = allTypesDescription + QLatin1Char('|') + allTypes.join(QLatin1Char(';')) + QLatin1Char('|');
    for (size_t i = 0; i < rows.size();) {
        QStringList patterns;
        size_t j = i;
        for (; j < rows.size() && rows[j]->openRow == rows[i]->openRow; ++j)
            patterns << lowerPattern(*rows[j]);
        filter += QString::fromLatin1(rows[i]->openDescription) + QLatin1Char('|')
                  + patterns.join(QLatin1Char(';')) + QLatin1Char('|');
        i = j;
    }
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
