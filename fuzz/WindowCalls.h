// The calls the window makes on a picture file, for the decoder fuzz
// targets: the open (decode on the decoding thread's function, scaled for
// the view), drawing at a zoomed size, playing an animation twice through
// the frames the control keeps, and the full picture that rotation and
// saving take. Nothing here catches what the window does not catch.
//
// Every decoder target is fuzz/<area>/fuzz_<name>.cpp and does no more than
// call openAsWindow once for each format key it covers.
#pragma once

#include "codecs/Bitmap.h"
#include "codecs/FrameAnimator.h"
#include "codecs/PixelBudget.h"
#include "viewer/PictureJob.h"
#include "viewer/ScaledFrames.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ViewGeometry.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

// fontconfig keeps the font patterns Qt's font database asked for until the
// process ends; those are not leaks of the code under test.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace vxfuzz {

// Decoded pixels a fuzz run may hold: the window's pixel budget, made small
// so that headers claiming huge pictures are refused (as a window with this
// budget refuses them) instead of filling memory.
inline constexpr uint64_t kPixelMemory = uint64_t(64) << 20;

// What the window's process has before it opens anything: the application
// (off screen; metafile text needs its fonts) and the pixel budget. Qt's
// warnings about odd input only slow the run.
inline void startProcess()
{
    static const bool started = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
        vx::setPixelMemoryLimit(kPixelMemory);
        return true;
    }();
    (void)started;
}

// The bytes as a file (in memory) with a path the decoders can open.
inline QString asFile(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("fuzz-input", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return QString();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, off_t(done));
        if (n <= 0)
            return QString();
        done += size_t(n);
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

// The bytes as input.<extension> in a folder of its own, and again as
// input.<beside> next to it (the file a decoder looks for beside a picture).
inline QString asFileWithCompanion(const uint8_t* data, size_t size, const char* extension, const char* beside)
{
    static QTemporaryDir dir;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = dir.filePath(QStringLiteral("input.") + QString::fromLatin1(extension).toLower());
    for (const QString& name : {path, dir.filePath(QStringLiteral("input.") + QString::fromLatin1(beside).toLower())}) {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return QString();
    }
    return path;
}

// extension: the format table's key of the decoder (as in "JPG").
// beside: where the decoder reads a second file beside the picture, that
// file's extension; it holds the same bytes.
// maxPixels: pictures larger than this are opened and drawn but not
// decoded at full size (that only costs memory).
inline void openAsWindow(const uint8_t* data, size_t size, const char* extension, const char* beside = nullptr,
                         int64_t maxPixels = int64_t(1) << 22)
{
    startProcess();
    const QString path = beside ? asFileWithCompanion(data, size, extension, beside) : asFile(data, size);
    const vx::SupportedType* type = vx::findSupportedType(QString::fromLatin1(extension));
    if (path.isEmpty() || !type)
        return;
    const vx::OpenRequest request{path, type, vx::FitBigImages, QSize(400, 300), QSize(0, 0), false};
    const vx::OpenedPicture opened = vx::openPicture(request);
    if (!opened.ok())
        return;
    const vx::Graphic& graphic = *opened.graphic;
    // A zoom step draws the picture again at the new size.
    (void)vx::renderPicture(graphic, vx::zoomInSize(opened.control));
    if (graphic.frameCount() > 1) {
        auto shared = opened.graphic;
        vx::FrameAnimator player(shared);
        vx::ScaledFrames frames;
        for (int i = 0; i < 2 * graphic.frameCount() + 1 && i < 200; ++i) {
            (void)frames.frame(graphic, player.currentIndex(), opened.shown);
            (void)player.currentDelayMs();
            player.advance();
        }
    }
    // Rotation and saving take the full picture; a failure there is a
    // CodecError, which the window shows as a failed open.
    if (int64_t(graphic.width()) * graphic.height() <= maxPixels) {
        try {
            (void)graphic.bitmap().converted24();
        } catch (const vx::CodecError&) {
        }
    }
}

}  // namespace vxfuzz
