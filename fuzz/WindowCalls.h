// The calls the window makes on a picture file, for the decoder fuzz
// targets: the open (decode on the decoding thread's function, scaled for
// the view), drawing at a zoomed size, playing an animation twice through
// the frames the control keeps, and the full picture that rotation and
// saving take. Nothing here catches what the window does not catch.
#pragma once

#include "codecs/Bitmap.h"
#include "codecs/FrameAnimator.h"
#include "viewer/PictureJob.h"
#include "viewer/ScaledFrames.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ViewGeometry.h"

#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace vxfuzz {

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

// maxPixels: pictures larger than this are opened and drawn but not
// decoded at full size (that only costs memory).
// extension: the format table's key of the decoder (as in "JPG").
inline void openAsWindow(const uint8_t* data, size_t size, const char* extension, int64_t maxPixels = int64_t(1) << 22)
{
    const QString path = asFile(data, size);
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
