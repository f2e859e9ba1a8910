// The desktop's own properties window for a file, asked for through the
// freedesktop file manager interface on the session bus; where no file
// manager answers, the file's folder is shown with the desktop's default
// handler instead.
#pragma once

#include <QString>

class QObject;

namespace vx {

// Asks without waiting: the answer (or the lack of one, within a few
// seconds) arrives while the caller's window goes on. context ends the
// wait when it is destroyed.
void showFileProperties(const QString& path, QObject* context);

}  // namespace vx
