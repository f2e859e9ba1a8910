#include "viewer/PictureJob.h"

#include "codecs/DecodeCancel.h"
#include "viewer/ViewGeometry.h"

#include <QFileInfo>

namespace vx {

namespace {

QString errorText(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

// Runs step on a fresh result inside the decode's cancel scope: a cancel
// leaves an empty result marked cancelled, any other failure an empty
// result with its text (cancelled too when a cancel came meanwhile).
template <class Result, class Step>
Result guarded(Step step) noexcept
{
    Result out;
    try {
        step(out);
    } catch (const DecodeCancelled&) {
        out = Result();
        out.cancelled = true;
    } catch (const std::exception& e) {
        out = Result();
        out.error = errorText(e);
        out.cancelled = cancelRequested();
    } catch (...) {
        out = Result();
        out.error = QStringLiteral("Unknown error");
    }
    return out;
}

}  // namespace

FileStamp FileStamp::of(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

QImage renderPicture(const Graphic& graphic, QSize size, QString* error) noexcept
{
    return renderFrame(graphic, 0, size, error);
}

QImage renderFrame(const Graphic& graphic, int index, QSize size, QString* error) noexcept
{
    try {
        if (size.isEmpty())
            return QImage();
        return graphic.frameImageAt(index, size);
    } catch (const std::exception& e) {
        if (error)
            *error = errorText(e);
    } catch (...) {
        if (error)
            *error = QStringLiteral("Unknown error");
    }
    return QImage();
}

LoadedPicture loadPicture(const QString& path, const SupportedType* type, const std::atomic<bool>* cancel) noexcept
{
    CancelScope scope(cancel);
    return guarded<LoadedPicture>([&](LoadedPicture& out) {
        out.stamp = FileStamp::of(path);
        std::unique_ptr<Graphic> graphic = type && type->decoder ? type->decoder() : nullptr;
        if (!graphic)
            throw CodecError("No decoder");
        // Asked before loading, so the file is decoded once.
        graphic->prepareForScreen();
        graphic->loadFromFile(path);
        checkCancelled();
        out.graphic = std::move(graphic);
    });
}

OpenedPicture openPicture(const OpenRequest& request, const std::atomic<bool>* cancel) noexcept
{
    return openPicture(request, loadPicture(request.path, request.type, cancel), cancel);
}

OpenedPicture openPicture(const OpenRequest& request, LoadedPicture loaded, const std::atomic<bool>* cancel) noexcept
{
    if (loaded.cancelled || !loaded.error.isEmpty() || !loaded.graphic) {
        OpenedPicture failed;
        failed.error = loaded.error;
        failed.cancelled = loaded.cancelled;
        if (failed.error.isEmpty() && !failed.cancelled)
            failed.error = QStringLiteral("No picture");
        return failed;
    }
    CancelScope scope(cancel);
    OpenedPicture opened = guarded<OpenedPicture>([&](OpenedPicture& out) {
        checkCancelled();
        std::unique_ptr<Graphic> graphic = std::move(loaded.graphic);
        out.stamp = loaded.stamp;
        if (request.type->has(IconSized)) {
            out.natural = QSize(kStandardIconSize, kStandardIconSize);
            out.control = out.natural;
        } else {
            out.natural = QSize(graphic->width(), graphic->height());
            out.control = applyScalingMode(request.imageScale, out.natural, request.area, request.control);
        }
        out.fitted = request.fullScreen
                     && (out.control.height() > request.area.height() || out.control.width() > request.area.width());
        // As the control draws with stretch (and, fitted, proportional) on.
        out.shown = out.fitted ? out.natural.scaled(request.area, Qt::KeepAspectRatio) : out.control;
        QString error;
        out.display = renderPicture(*graphic, out.shown, &error);
        checkCancelled();
        if (!error.isEmpty())
            throw CodecError(error.toStdString());
        out.graphic = std::move(graphic);
    });
    if (opened.error.isEmpty() && !opened.cancelled && !opened.graphic)
        opened.error = QStringLiteral("No picture");
    return opened;
}

}  // namespace vx
