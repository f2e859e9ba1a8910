// Peak memory of showing a 6000 x 4000 JPEG fitted into 1280 x 800: the
// decoder with its speed-first copy plus the picture scaled for the screen,
// against the 32-bit size of what is shown.
#include "codecs/jpeg/JpegImage.h"
#include "viewer/ViewGeometry.h"

#include <QImage>
#include <cstdio>
#include <jpeglib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kFile = "/tmp/vx-bench-6000x4000-q90.jpg";

// Written by a child process so its buffers don't count here.
void writeJpeg()
{
    if (FILE* f = std::fopen(kFile, "rb")) {
        std::fclose(f);
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        FILE* out = std::fopen(kFile, "wb");
        jpeg_stdio_dest(&c, out);
        c.image_width = 6000;
        c.image_height = 4000;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        std::vector<unsigned char> row(6000 * 3);
        while (c.next_scanline < c.image_height) {
            const unsigned y = c.next_scanline;
            for (unsigned x = 0; x < 6000; ++x) {
                row[3 * x] = static_cast<unsigned char>((x * 7 + y) & 0xFF);
                row[3 * x + 1] = static_cast<unsigned char>((x ^ y) & 0xFF);
                row[3 * x + 2] = static_cast<unsigned char>((y * 3) & 0xFF);
            }
            JSAMPROW r = row.data();
            jpeg_write_scanlines(&c, &r, 1);
        }
        jpeg_finish_compress(&c);
        std::fclose(out);
        jpeg_destroy_compress(&c);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main()
{
    writeJpeg();
    const long baseline = peakKb();
    vx::JpegImage jpeg;
    jpeg.setSpeedFirst(true);
    jpeg.loadFromFile(QString::fromLatin1(kFile));
    const QSize shown = vx::applyScalingMode(vx::FitBigImages, QSize(jpeg.width(), jpeg.height()), QSize(1280, 800), {});
    QImage decoded = jpeg.displayImage(shown);
    const QImage onScreen = decoded.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const long peak = peakKb();
    const double shownMb = double(shown.width()) * shown.height() * 4 / 1048576.0;
    std::printf("picture %dx%d shown at %dx%d (decoded at %dx%d)\n", jpeg.width(), jpeg.height(),
                shown.width(), shown.height(), decoded.width(), decoded.height());
    std::printf("peak above baseline: %.1f MB; shown 32-bit size: %.1f MB; ratio %.2f (goal <= 1.5)\n",
                double(peak - baseline) / 1024.0, shownMb, double(peak - baseline) / 1024.0 / shownMb);
    return onScreen.isNull() ? 1 : 0;
}
