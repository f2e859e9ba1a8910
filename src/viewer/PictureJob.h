// Decoding one picture for the picture control, away from the window: the
// decoder of the file's kind loads it, the scaling mode sizes the control,
// and the pixels are prepared at the size they will be drawn, so painting
// them costs nothing more. Runs on any thread and never throws: failures
// come back as text, the way the open path shows them.
#pragma once

#include "codecs/Graphic.h"
#include "viewer/SupportedTypes.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>

namespace vx {

// The platform's standard icon size: icons are shown at it, whatever the scaling mode.
inline constexpr int kStandardIconSize = 32;

// What an open needs to know: the file, its decoder and the view it goes into.
struct OpenRequest {
    QString path;
    const SupportedType* type = nullptr;  // the row of the format table (never a movie)
    int imageScale = 0;
    QSize area;              // the picture area
    QSize control;           // the control's size before the open (kept by unknown modes)
    bool fullScreen = false;

    bool operator==(const OpenRequest&) const = default;
};

// Size and modification time of a file: a decode made earlier stays good
// while they are unchanged.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    static FileStamp of(const QString& path);
    bool operator==(const FileStamp&) const = default;
};

struct OpenedPicture {
    std::shared_ptr<Graphic> graphic;
    QSize natural;           // NaturalWidth x NaturalHeight
    QSize control;           // the control's size after the scaling mode
    bool fitted = false;     // full screen: drawn proportionally into the whole area
    QSize shown;             // the size the picture is drawn at
    QImage display;          // the first frame at `shown` (null when nothing is drawn)
    FileStamp stamp;         // the file as it was decoded
    QString error;           // why the open failed; empty on success
    bool cancelled = false;

    bool ok() const { return graphic && error.isEmpty() && !cancelled; }
};

// The first half of an open: the file decoded for the screen, before its
// size on screen is known.
struct LoadedPicture {
    std::unique_ptr<Graphic> graphic;
    FileStamp stamp;         // the file as it was decoded
    QString error;           // why the decode failed; empty on success
    bool cancelled = false;
};

// Decodes path with the decoder of type. cancel as for openPicture.
LoadedPicture loadPicture(const QString& path, const SupportedType* type,
                          const std::atomic<bool>* cancel = nullptr) noexcept;

// Decodes request.path. cancel, when given, is polled by the decoders; a
// cancelled decode returns with `cancelled` set and nothing else.
OpenedPicture openPicture(const OpenRequest& request, const std::atomic<bool>* cancel = nullptr) noexcept;
// The same with the file decoded already (by loadPicture for request.path
// and request.type): only the sizing and the pixels at the size shown remain.
OpenedPicture openPicture(const OpenRequest& request, LoadedPicture loaded,
                          const std::atomic<bool>* cancel = nullptr) noexcept;

// The picture as drawn at `size` (the first frame of an animation), scaled
// smoothly unless the decoder delivers it at that size already. Never
// throws: error receives the failure and a null image is returned.
QImage renderPicture(const Graphic& graphic, QSize size, QString* error = nullptr) noexcept;

// Frame `index` of an animation composed and scaled to `size`; the same
// failure handling as renderPicture.
QImage renderFrame(const Graphic& graphic, int index, QSize size, QString* error = nullptr) noexcept;

}  // namespace vx
