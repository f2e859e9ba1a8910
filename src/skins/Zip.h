// Zip: reads the directory of a zip archive itself and leaves extraction to
// the unzip library, which it drives through the parameter record and
// answers through its callback. Errors are thrown as ZipError with the
// component's texts; notices and questions go to a ZipPrompter.
#pragma once

#include "skins/ZipDirectory.h"
#include "skins/ZipPrompter.h"

#include <QFile>
#include <QStringList>
#include <functional>
#include <memory>

struct UnzCallbackRecord;

namespace vx {

class Zip {
public:
    // Extract options.
    enum : int { Option1 = 1, Option2 = 2, Option4 = 4, OptionAsk = 8, OptionOverwrite = 16 };

    Zip();
    ~Zip();  // unloads the library
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;

    // Resets the archive state, stores path and, for a non-empty one, checks
    // that its folder's file system answers, creates an empty archive when
    // the file does not exist and reads its directory.
    void SetArchive(const QString& path);
    // Extracts FileSpecs (all entries when empty) into TargetFolder (the
    // archive's folder when empty); returns the library's result, 0 when
    // nothing was done. FileSpecs is emptied.
    int Extract();

    const QString& ArchivePath() const { return archivePath_; }
    const QList<ZipEntry>& Entries() const { return dir_.entries; }
    bool OemNames() const { return dir_.oemNames; }
    const QString& Comment() const { return dir_.comment; }
    const ZipDirectory& directory() const { return dir_; }
    uint32_t firstEntryOffset() const { return dir_.firstEntryOffset; }

    QString Password;
    QString LibraryFolder;
    QString TempFolder;
    QStringList FileSpecs;
    QString TargetFolder;
    int ExtractOptions = 1;
    bool ShowProgressDialog = true;
    bool TraceOn = false;

    std::function<void(const QString& fileName)> OnZEDBeginFileEvent;
    std::function<void(qint64 bytes)> OnZEDProgressEvent;
    std::function<void()> OnZEDEndBatchEvent;
    std::function<void()> OnContentsChanged;

    // Not owned; null = unattended answers.
    void setPrompter(ZipPrompter* prompter) { prompter_ = prompter; }
    // The progress window's Cancel: the library is asked to stop.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

    // Counters of the last extraction.
    int filesDone() const { return filesDone_; }
    int filesWithProblems() const { return problems_; }
    int64_t totalFiles() const { return totalFiles_; }
    int64_t totalSize() const { return totalSize_; }

private:
    static int32_t callback(UnzCallbackRecord* record);
    int32_t handle(UnzCallbackRecord& record);
    ZipPrompter& prompter();

    QString archivePath_;
    ZipDirectory dir_;
    ZipPrompter* prompter_ = nullptr;
    ZipPrompter unattended_;
    bool cancelled_ = false;
    QString currentFile_;
    int64_t totalFiles_ = 0, totalSize_ = 0, bytesDone_ = 0;
    double scale_ = 1;
    int filesDone_ = 0, problems_ = 0;
    std::unique_ptr<QFile> trace_;
};

}  // namespace vx
