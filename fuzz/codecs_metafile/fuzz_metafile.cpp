// Opens a metafile the way the window does, then plays it into a small image.
#include "../WindowCalls.h"
#include "codecs/metafile/Metafile.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

void ensureApp()
{
    static QGuiApplication* app = [] {
        qInstallMessageHandler(quiet);  // Qt's warnings about odd input only slow the run
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_metafile";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

}  // namespace

// fontconfig keeps the font patterns Qt's font database asked for until the
// process ends; those are not leaks of the code under test.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApp();
    vxfuzz::openAsWindow(data, size, "WMF");
    vx::Metafile metafile;
    try {
        metafile.loadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const vx::CodecError&) {
        return 0;
    }
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    metafile.draw(painter, QRectF(0, 0, 64, 48));
    painter.end();
    (void)metafile.displayImage(QSize(17, 23));
    return 0;
}
