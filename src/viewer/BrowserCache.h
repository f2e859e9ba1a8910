// The browser-cache view's list: every picture and movie that the web
// browsers keep in their caches under $XDG_CACHE_HOME. Cache entries have
// no extensions, so an entry is kept when its content starts with the
// signature of a viewable type; that type then names the decoder.
//
// Firefox (mozilla/firefox/<profile>/cache2/entries) keeps the content at
// the start of an entry file, its metadata after it. Chromium and the
// browsers built on it (<browser>/<profile>/Cache/Cache_Data) keep a
// "simple cache" entry as a header, the request key, the body, and records
// at the end; files without that header (older external data files) hold
// the body from their start.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <memory>

namespace vx {

// Where an entry's content lies in its file and what type it is.
struct CacheEntry {
    QString key;          // extension key of the content's type ("PNG")
    qint64 offset = 0;    // first byte of the content
    bool simpleCache = false;  // body ends before the records of a simple cache entry
};

// The cache folders found under cacheHome, in a fixed order: Firefox
// profiles, then Chromium, Google Chrome, Brave, Vivaldi and Edge profiles,
// each group by profile name. Each ends with a separator.
QStringList browserCacheRoots(const QString& cacheHome);
// $XDG_CACHE_HOME, or ~/.cache.
QString userCacheHome();

class BrowserCacheList {
public:
    // The viewable entries in scan order (the list the view steps through).
    QStringList files;
    QHash<QString, CacheEntry> entries;

    // Appends every viewable file below folder (ending with a separator),
    // depth first: a sub-folder's files come where the sub-folder is in
    // the name-ordered listing. Symbolic links are not followed; folders
    // that can't be read add nothing.
    void ScanFolderTree(const QString& folder);

    const CacheEntry* find(const QString& path) const;

    // A file a decoder can read the content of path from: path itself when
    // the content starts the file, otherwise a temporary copy of the body,
    // kept until a body of another entry is asked for. Throws std::runtime_error when the entry
    // can't be read (it may have left the cache since the scan).
    QString contentFile(const QString& path);

private:
    void scan(const QByteArray& folder, int depth);
    std::unique_ptr<QTemporaryFile> body_;
    QString bodyOf_;
};

}  // namespace vx
