#include "skins/Zip.h"

#include "skins/ZipDlls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>
#include <sys/statvfs.h>
#include <vector>

namespace vx {
namespace {

// True when the file system holding path (or its nearest existing folder) answers.
bool fileSystemAnswers(const QString& path)
{
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    QString folder = info.absolutePath();
    while (!QFileInfo::exists(folder)) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            break;
        folder = up;
    }
    struct statvfs st;
    return statvfs(QFile::encodeName(folder).constData(), &st) == 0;
}

QString executablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

}  // namespace

Zip::Zip()
{
    TempFolder = QDir::tempPath();
    if (TempFolder.isEmpty())
        TempFolder = QFileInfo(executablePath()).absolutePath();
}

Zip::~Zip()
{
    zipdll::unload();
}

ZipPrompter& Zip::prompter()
{
    return prompter_ ? *prompter_ : unattended_;
}

void Zip::SetArchive(const QString& path)
{
    Password.clear();
    dir_ = ZipDirectory{};
    archivePath_ = path;
    if (path.isEmpty())
        return;
    if (!fileSystemAnswers(path))
        throw ZipError(QStringLiteral("Unable to access the selected drive!"));
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        char empty[kEndRecordSize] = {0x50, 0x4B, 0x05, 0x06};
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            file.write(empty, kEndRecordSize) != kEndRecordSize)
            throw ZipError(QStringLiteral("Unable to create \n\"%1\"").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ZipError(QStringLiteral("\"%1\"\nis not a valid Zip file.").arg(path));
    dir_ = readZipDirectory(file, path);
    if (OnContentsChanged)
        OnContentsChanged();
}

int Zip::Extract()
{
    cancelled_ = false;
    if (dir_.entries.isEmpty())
        return 0;
    if (dir_.diskNumber() != 0) {
        prompter().showMessage(
            QStringLiteral("Cannot Add, Delete or Extract from a multiple disk Zip file...\n"
                           "Merge this Zip file onto the hard disk before retrying."));
        return 0;
    }
    if (!TargetFolder.isEmpty() && !QFileInfo(TargetFolder).isDir()) {
        prompter().showMessage(
            QStringLiteral("Unable to extract files to:\n\"%1\"\nThis folder does not exist.").arg(TargetFolder));
        return 0;
    }
    zipdll::load(LibraryFolder);

    QString folder = TargetFolder.isEmpty() ? QFileInfo(archivePath_).absolutePath()
                                            : QFileInfo(TargetFolder).absoluteFilePath();
    // The library is given the folder; the process's working folder is left
    // alone (a relative path given to the program still means what it meant).
    if (!QFileInfo(folder).isDir())
        throw ZipError(QStringLiteral("Unable to extract files to:\n\"%1\"\nThis folder does not exist.").arg(folder));
    if (!folder.endsWith(u'/'))
        folder += u'/';

    const QByteArray archive = QFile::encodeName(QFileInfo(archivePath_).absoluteFilePath());
    const QByteArray target = QFile::encodeName(folder);
    const QByteArray password = Password.toUtf8();
    std::vector<QByteArray> specTexts;
    for (const QString& spec : FileSpecs)
        specTexts.push_back(spec.toUtf8());
    std::vector<UnzFileSpec> specs(specTexts.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        std::memset(&specs[i], 0, sizeof specs[i]);
        specs[i].spec = specTexts[i].constData();
    }

    const int o = ExtractOptions;
    UnzParams params;
    std::memset(&params, 0, sizeof params);
    params.caller = this;
    params.version = UNZ_INTERFACE_VERSION;
    params.callback = &Zip::callback;
    params.password = Password.isEmpty() ? nullptr : password.constData();
    params.testOnly = (o & Option4) && !(o & (Option1 | Option2)) ? -1 : 0;
    params.reserved40 = -1;
    params.freshen = (o & Option1) ? -1 : 0;
    params.update = (o & Option2) && !(o & Option1) ? -1 : 0;
    params.overwrite = (o & OptionOverwrite) ? -1 : 0;
    params.extractAll = !(o & (Option1 | Option2 | Option4)) ? -1 : 0;
    params.specCount = int32_t(specs.size());
    params.archivePath = archive.constData();
    params.specs = specs.empty() ? nullptr : specs.data();
    params.reserved104 = 3;
    params.targetFolder = target.constData();
    params.reserved144 = 7;

    if (TraceOn) {
        QFileInfo exe(executablePath());
        trace_ = std::make_unique<QFile>(exe.absolutePath() + u'/' + exe.completeBaseName() + QStringLiteral(".trace"));
        if (!trace_->open(QIODevice::WriteOnly | QIODevice::Truncate))
            trace_.reset();
    }
    totalFiles_ = totalSize_ = bytesDone_ = 0;
    filesDone_ = problems_ = 0;
    int result;
    if (ShowProgressDialog) {
        prompter().progressShow();
        prompter().processEvents();
        result = zipdll::exec()(&params);
        prompter().progressClose();
    } else {
        result = zipdll::exec()(&params);
    }
    FileSpecs.clear();
    trace_.reset();
    return result;
}

int32_t Zip::callback(UnzCallbackRecord* record)
{
    if (!record || !record->caller)
        return 0;
    return static_cast<Zip*>(record->caller)->handle(*record);
}

int32_t Zip::handle(UnzCallbackRecord& rec)
{
    ZipPrompter& ui = prompter();
    if (cancelled_) {
        ui.processEvents();
        return -1;
    }
    rec.text[UNZ_TEXT_SIZE - 1] = '\0';
    const QString text = QString::fromUtf8(rec.text);
    const int o = ExtractOptions;
    switch (rec.action) {
    case UnzActionBeginFile:
        currentFile_ = text;
        if (OnZEDBeginFileEvent)
            OnZEDBeginFileEvent(text);
        ui.progressSetFile(text);
        break;
    case UnzActionProgress:
        bytesDone_ += rec.number;
        if (OnZEDProgressEvent)
            OnZEDProgressEvent(rec.number);
        ui.progressSetValue(int(std::min<double>(65535, double(bytesDone_) * scale_)));
        break;
    case UnzActionEndBatch:
        if (OnZEDEndBatchEvent)
            OnZEDEndBatchEvent();
        ui.progressHide();
        break;
    case UnzActionMessage:
        if (trace_)
            trace_->write(rec.text + QByteArray("\r\n"));
        break;
    case UnzActionFileCount:
        totalFiles_ = rec.number;
        break;
    case UnzActionTotalSize:
        totalSize_ = rec.number;
        bytesDone_ = 0;
        filesDone_ = problems_ = 0;
        scale_ = totalSize_ > 0 ? 65535.0 / double(totalSize_) : 1.0;
        ui.progressSetMaximum(65535);
        break;
    case UnzActionPassword: {
        ui.progressHide();
        const QString question = rec.number == 3
            ? QStringLiteral("A new password is required for \"%1\"").arg(text)
            : QStringLiteral("Password is invalid, please retry ...");
        const QByteArray answer = ui.askPassword(question).toUtf8();
        if (!answer.isEmpty()) {
            std::memset(rec.text, 0, UNZ_TEXT_SIZE);
            std::memcpy(rec.text, answer.constData(), std::min<size_t>(answer.size(), UNZ_TEXT_SIZE - 1));
            rec.answer = 1;
            if (rec.number > 0)
                --rec.number;
        } else {
            if (!ui.askYesNo(QStringLiteral("No password was entered so the file will not be extracted...\n"
                                            "Do you wish to continue extracting other files?")))
                cancelled_ = true;
            rec.answer = 0;
            rec.number = 0;
        }
        if (!cancelled_)
            ui.progressShow();
        break;
    }
    case UnzActionCrcError: {
        const auto a = ui.askYesNoCancel(
            QStringLiteral("\"%1\" may be corrupted (CRC error).\nExtract this file anyway? ...").arg(text), true);
        if (a == ZipPrompter::Answer::Cancel)
            cancelled_ = true;
        else
            rec.answer = a == ZipPrompter::Answer::Yes ? 1 : 0;
        break;
    }
    case UnzActionOverwrite: {
        if (!(o & (Option1 | Option2 | OptionAsk))) {
            rec.number = 1;
        } else if (o & (Option1 | Option2)) {
            rec.number = rec.answer & 1;
        } else {
            const bool older = rec.answer & 1;
            const QString q = older
                ? QStringLiteral("\"%1\" is older than the zipped file.\nOverwrite this file? ...").arg(text)
                : QStringLiteral("\"%1\" is the same age or newer than the zipped file.\n"
                                 "Do you really want to overwrite this file? ...").arg(text);
            const auto a = ui.askYesNoCancel(q, !older);
            if (a == ZipPrompter::Answer::Cancel) {
                rec.number = 0;
                cancelled_ = true;
            } else {
                rec.number = a == ZipPrompter::Answer::Yes ? 1 : 0;
            }
        }
        break;
    }
    case UnzActionFileDone: {
        ++filesDone_;
        const int reason = int(rec.number & 0xFF);
        if (reason >= 4 && reason <= 9)
            ++problems_;
        break;
    }
    default:
        break;
    }
    ui.processEvents();
    return cancelled_ ? -1 : 0;
}

}  // namespace vx
