// The current file, the viewable files of its folder (a snapshot in name
// order, see FileOrder.h) and the position in that list. Paths keep the
// file system's bytes (platform/FileName.h): every listed file opens.
#pragma once

#include <QString>
#include <QStringList>

namespace vx {

class FolderNavigation {
public:
    QString CurrentPath;
    QStringList FolderFileList;
    int CurrentIndex = 0;  // 1-based; 0 = CurrentPath is not in the list

    // Lists the folder of CurrentPath again and finds the current position.
    void RebuildFolderList();
    // 1-based position of the first entry equal to CurrentPath (exact); 0 if none.
    int FindCurrentIndex() const;

    // Moves without wrap-around; true when CurrentPath changed and must be opened.
    bool NextFile();
    bool PreviousFile();
    bool FirstFile();
    bool LastFile();

    // After the current file was deleted: drops it from the list (when it
    // was not listed, drops the entries that no longer exist and starts
    // from the top) and makes the entry that took its place current, the
    // last one at the end. False when nothing is left.
    bool removeCurrent();

    int count() const { return int(FolderFileList.size()); }
};

// The folder part of a path, up to and including its last separator ("" when none).
QString folderOf(const QString& path);
// The name part of a path, after its last separator.
QString fileNameOf(const QString& path);

// Viewable files of folder in name order, each as folder + name; hidden
// files included, directories skipped; empty when the folder can't be read.
QStringList listViewableFiles(const QString& folder);

// The label text: the file name, then " [index/count]" when numbers are shown.
QString positionText(const QString& path, int index, int count, bool numberVisible);

}  // namespace vx
