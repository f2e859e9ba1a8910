#include "desktop/DesktopRoute.h"

#include <QUrl>

namespace vx {

namespace {

DesktopKind desktopOfName(const QString& name)
{
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("KDE") || n == QLatin1String("PLASMA") || n.startsWith(QLatin1String("PLASMA")))
        return DesktopKind::Kde;
    if (n.startsWith(QLatin1String("XFCE")))
        return DesktopKind::Xfce;
    if (n == QLatin1String("X-CINNAMON") || n == QLatin1String("CINNAMON"))
        return DesktopKind::Cinnamon;
    if (n == QLatin1String("MATE"))
        return DesktopKind::Mate;
    if (n.startsWith(QLatin1String("BUDGIE")))
        return DesktopKind::Budgie;
    if (n == QLatin1String("GNOME") || n == QLatin1String("GNOME-CLASSIC") || n == QLatin1String("GNOME-FLASHBACK")
        || n == QLatin1String("UNITY") || n == QLatin1String("UBUNTU") || n == QLatin1String("POP"))
        return DesktopKind::Gnome;
    return DesktopKind::None;
}

// The names of the three styles in each desktop's own terms.
const char* gsettingsOption(int style)
{
    switch (style) {
    case kStyleCentre: return "centered";
    case kStyleTile: return "wallpaper";
    default: return "stretched";
    }
}

const char* plasmaFillMode(int style)
{
    switch (style) {
    case kStyleCentre: return "pad";
    case kStyleTile: return "tile";
    default: return "stretch";
    }
}

// xfdesktop's image-style: 1 centred, 2 tiled, 3 stretched.
int xfceStyle(int style)
{
    return style == kStyleCentre || style == kStyleTile ? style : 3;
}

ToolCall gsettingsSet(const char* schema, const char* key, const QString& value)
{
    return {QStringLiteral("gsettings"),
            {QStringLiteral("set"), QLatin1String(schema), QLatin1String(key), value}, {}};
}

}  // namespace

DesktopKind detectDesktop(const QProcessEnvironment& env)
{
    for (const QString& name : env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'))) {
        const DesktopKind kind = desktopOfName(name);
        if (kind != DesktopKind::None)
            return kind;
    }
    const QString session = env.value(QStringLiteral("DESKTOP_SESSION")).toLower();
    if (!session.isEmpty()) {
        if (session.contains(QLatin1String("plasma")) || session.contains(QLatin1String("kde")))
            return DesktopKind::Kde;
        if (session.contains(QLatin1String("xfce")))
            return DesktopKind::Xfce;
        if (session.contains(QLatin1String("cinnamon")))
            return DesktopKind::Cinnamon;
        if (session.contains(QLatin1String("mate")))
            return DesktopKind::Mate;
        if (session.contains(QLatin1String("budgie")))
            return DesktopKind::Budgie;
        if (session.contains(QLatin1String("gnome")) || session.contains(QLatin1String("ubuntu")))
            return DesktopKind::Gnome;
    }
    if (!env.value(QStringLiteral("DISPLAY")).isEmpty() && env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return DesktopKind::BareX;
    return DesktopKind::None;
}

QString gvariantString(const QString& text)
{
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('\'');
}

std::vector<ToolCall> wallpaperCalls(DesktopKind desktop, const QString& imagePath, int style)
{
    const QString uri = gvariantString(QString::fromLatin1(QUrl::fromLocalFile(imagePath).toEncoded()));
    const QString option = gvariantString(QLatin1String(gsettingsOption(style)));
    switch (desktop) {
    case DesktopKind::Gnome:
    case DesktopKind::Budgie:
        // The dark picture key exists from GNOME 42 on; where it doesn't, its call fails harmlessly.
        return {gsettingsSet("org.gnome.desktop.background", "picture-options", option),
                gsettingsSet("org.gnome.desktop.background", "picture-uri", uri),
                gsettingsSet("org.gnome.desktop.background", "picture-uri-dark", uri)};
    case DesktopKind::Cinnamon:
        return {gsettingsSet("org.cinnamon.desktop.background", "picture-options", option),
                gsettingsSet("org.cinnamon.desktop.background", "picture-uri", uri)};
    case DesktopKind::Mate:
        return {gsettingsSet("org.mate.background", "picture-options", option),
                gsettingsSet("org.mate.background", "picture-filename", gvariantString(imagePath))};
    case DesktopKind::Kde: {
        // The fill mode option came with Plasma 6.2; older tools take the picture alone.
        const QString tool = QStringLiteral("plasma-apply-wallpaperimage");
        ToolCall plain{tool, {imagePath}, {}};
        return {ToolCall{tool, {QStringLiteral("--fill-mode"), QLatin1String(plasmaFillMode(style)), imagePath},
                         {plain}}};
    }
    case DesktopKind::Xfce:
    case DesktopKind::BareX:
    case DesktopKind::None:
        break;
    }
    return {};
}

std::vector<ToolCall> xfceCalls(const QStringList& properties, const QString& imagePath, int style,
                                const QStringList& monitorNames)
{
    const QString tool = QStringLiteral("xfconf-query");
    const QString lastImage = QStringLiteral("/last-image");
    QStringList workspaces;
    for (const QString& p : properties) {
        const QString property = p.trimmed();
        if (property.startsWith(QLatin1String("/backdrop/")) && property.endsWith(lastImage))
            workspaces << property.left(property.size() - lastImage.size());
    }
    if (workspaces.isEmpty()) {
        const QStringList monitors = monitorNames.isEmpty() ? QStringList{QStringLiteral("0")} : monitorNames;
        for (const QString& m : monitors)
            workspaces << QStringLiteral("/backdrop/screen0/monitor") + m + QStringLiteral("/workspace0");
    }
    std::vector<ToolCall> calls;
    const QStringList channel{QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p")};
    for (const QString& w : workspaces) {
        calls.push_back({tool,
                         channel + QStringList{w + QStringLiteral("/image-style"), QStringLiteral("-n"),
                                               QStringLiteral("-t"), QStringLiteral("int"), QStringLiteral("-s"),
                                               QString::number(xfceStyle(style))},
                         {}});
        calls.push_back({tool,
                         channel + QStringList{w + lastImage, QStringLiteral("-n"), QStringLiteral("-t"),
                                               QStringLiteral("string"), QStringLiteral("-s"), imagePath},
                         {}});
    }
    return calls;
}

}  // namespace vx
