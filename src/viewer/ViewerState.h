// What the main window shows, without any widget: where it is in the
// folder, the shown picture's natural size, and the view options the
// settings change.
#pragma once

#include "viewer/FolderList.h"

#include <QSize>

namespace vx {

struct ViewerState {
    FolderNavigation nav;
    // The picture's own size (NaturalWidth x NaturalHeight); the icon size for icons.
    QSize natural;
    // ImageScale, an ImageScaleMode (ViewGeometry.h).
    int imageScale = 0;
    // CurrentFileNumberVisible: the label shows " [index/count]".
    bool currentFileNumberVisible = false;
};

}  // namespace vx
