// Hostile pictures too large to keep as files: each asks for seconds of
// work from a few megabytes (or kilobytes) of valid-looking data.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace vx::hostile {

// A Paint Shop Pro file of `count` visible layers of side x side pixels,
// each of three deflated channels.
QByteArray pspLayers(int count, int side);
// A Paint Shop Pro file of 100 visible layers of 4096 x 4096, each of three
// deflated channels (4.9 MB).
QByteArray psp100HugeLayers();
// A placeable WMF that creates and selects 70,000 pens and never deletes one.
QByteArray wmf70000Pens();
// A Dr. Halo CUT of 65535 x 4096 whose 8 KB are only empty rows.
QByteArray cut8kEmptyRows();

struct MadeFile {
    QString name;     // named after what it does, with the extension of its format
    QByteArray data;
    bool picture;     // a valid picture that is shown, not refused
};
// The three above under their corpus names.
std::vector<MadeFile> madeFiles();

}  // namespace vx::hostile
