// The viewer as the desktop's program for picture types, by the freedesktop
// conventions: a desktop entry in $XDG_DATA_HOME/applications, the chosen
// defaults in $XDG_CONFIG_HOME/mimeapps.list ([Default Applications]), a MIME
// package for the extensions the shared MIME database has no type for, and
// the icon under $XDG_DATA_HOME/icons/hicolor. Every file is replaced
// atomically; a file that can't be written leaves the old one as it was and
// raises XdgError with a message naming it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace vx {

class XdgError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline const QString kDesktopFileName = QStringLiteral("vextrel-viewer.desktop");
inline const QString kIconName = QStringLiteral("vextrel-viewer");

// The MIME type the desktop knows an extension (without its dot, any case)
// by, when it is a picture type (or the SWF movie type); for one the shared
// database lacks or knows as something else, the viewer's own type
// "image/x-vextrel-<ext>" ("application/x-vextrel-skin" for skin packages),
// declared by the MIME package.
QString mimeTypeForExtension(const QString& extension);
// True when the type is one the viewer declares itself.
bool isOwnMimeType(const QString& mimeType);

// $XDG_DATA_HOME and $XDG_CONFIG_HOME (or their defaults under $HOME).
QString xdgDataHome();
QString xdgConfigHome();

// Rewrites the text of a mimeapps.list: in [Default Applications] every type
// of `claim` names desktopFile first (other programs stay behind it), every
// type of `release` loses desktopFile (its line goes when nothing is left);
// all other lines, sections and comments stay as they were. A missing
// section is added at the end.
QByteArray editMimeAppsList(const QByteArray& text, const QString& desktopFile, const QStringList& claim,
                            const QStringList& release);

// The Exec value for a program path: quoted where the path needs it, with
// the file placeholder %f.
QString desktopExecLine(const QString& programPath);

struct XdgRegistration {
    QString programPath;    // full path of the running executable
    QByteArray iconPng;     // the icon as a PNG file; empty = none
    QStringList checked;    // extensions (no dot) the viewer opens
    QStringList unchecked;  // extensions it gives up
};

// Writes the MIME package, the icon, the desktop entry and the defaults, in
// that order, then refreshes the desktop's caches where their tools are
// installed (update-mime-database, update-desktop-database).
void writeXdgRegistration(const XdgRegistration& registration);

}  // namespace vx
