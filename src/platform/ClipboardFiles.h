// The clipboard's file list: the forms file managers paste as a copied file.
#pragma once

#include <QString>
#include <memory>

class QMimeData;

namespace vx {

// text/uri-list and x-special/gnome-copied-files naming the one file.
std::unique_ptr<QMimeData> fileListMimeData(const QString& path);

}  // namespace vx
