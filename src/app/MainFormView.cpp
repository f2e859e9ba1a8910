// Opening the current file, the red label, and the view geometry commands.
#include "app/MainForm.h"
#include "app/AfterPaint.h"
#include "app/MovieHost.h"

#include "codecs/Graphic.h"
#include "platform/ReadAhead.h"
#include "i18n/LangStrings.h"
#include "i18n/MainFormTexts.h"
#include "viewer/Rotate.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ViewGeometry.h"
#include "viewer/ui/PictureControl.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

namespace vx {

QSize MainForm::pictureAreaSize() const
{
    return scrollBox_->size();
}

void MainForm::updateContentSize()
{
    // The content covers the visible area and reaches as far as the picture does.
    const QRect pic = picture_->geometry();
    const QSize view = scrollBox_->viewport()->size();
    const QRect labelRect = label_->geometry();
    const int w = std::max({view.width(), pic.right() + 1, labelRect.right() + 1});
    const int h = std::max({view.height(), pic.bottom() + 1, labelRect.bottom() + 1});
    scrollContent_->resize(w, h);
}

void MainForm::placePicture(QSize size)
{
    picture_->resize(size);
    updateContentSize();
}

void MainForm::ShowLabelError(const QString& text)
{
    cancelOpen();
    setLabel(text, true);
    picture_->clearPicture();
    picture_->setGeometry(picture_->x(), picture_->y(), 0, 0);
    movie_->stopAndHide();
    updateContentSize();
}

bool MainForm::RequireDisplayedFile()
{
    settleOpen();
    if (!state_.nav.CurrentPath.isEmpty() && !labelRed_)
        return true;
    setLabel(message(lang::NothingIsOpen), true);
    return false;
}

OpenRequest MainForm::openRequest(const QString& path, const SupportedType* type) const
{
    return OpenRequest{path, type, state_.imageScale, pictureAreaSize(), picture_->size(), frame_.fullScreen()};
}

void MainForm::cancelOpen()
{
    if (openJob_) {
        openJob_->cancel();
        openJob_.reset();
    }
}

void MainForm::dropDecodeAhead()
{
    if (aheadJob_) {
        aheadJob_->cancel();
        aheadJob_.reset();
    }
}

bool MainForm::decodedAhead(const QString& path) const
{
    return aheadJob_ && aheadJob_->request().path == path && decoder_ && decoder_->finished(aheadJob_)
           && aheadJob_->result().ok();
}

// Every finished decode is posted to this thread: the open in progress
// takes its picture, and a decode ahead may have become that open.
DecodeQueue::JobPtr MainForm::submitDecode(const OpenRequest& request, bool urgent, std::shared_ptr<StartDecode> start)
{
    if (!decoder_)
        decoder_ = std::make_unique<DecodeQueue>();
    return decoder_->submit(
        request, urgent,
        [this](const DecodeQueue::JobPtr& done) {
            QMetaObject::invokeMethod(this, [this, done] { openFinished(done); }, Qt::QueuedConnection);
        },
        std::move(start));
}

bool MainForm::startOpen(const QString& path, const SupportedType* type)
{
    const OpenRequest request = openRequest(path, type);
    DecodeQueue::JobPtr job;
    // The decode ahead serves when it was made for this file as it is now,
    // into the view as it is now.
    if (aheadJob_ && aheadJob_->request() == request
        && (!decoder_->finished(aheadJob_) || aheadJob_->result().stamp == FileStamp::of(path))) {
        job = std::move(aheadJob_);
    } else {
        dropDecodeAhead();
        job = submitDecode(request, true, std::move(startDecode_));
    }
    openJob_ = job;
    if (!decoder_->finished(job))
        return true;
    openJob_.reset();
    applyOpened(job->result(), state_.nav.CurrentPath);
    return false;
}

void MainForm::openFinished(const DecodeQueue::JobPtr& job)
{
    if (job != openJob_)
        return;  // abandoned, already settled, or a decode ahead still waiting
    openJob_.reset();
    applyOpened(job->result(), state_.nav.CurrentPath);
    finishOpen();
}

void MainForm::settleOpen()
{
    if (!openJob_)
        return;
    const DecodeQueue::JobPtr job = openJob_;
    decoder_->wait(job);
    openFinished(job);
}

void MainForm::applyOpened(const OpenedPicture& opened, const QString& path)
{
    if (!opened.ok()) {
        ShowLabelError(lang::cannotOpenText(fileNameOf(path)));
        return;
    }
    state_.natural = opened.natural;
    placePicture(opened.control);
    picture_->setGraphic(opened.graphic, opened.display);
}

// Steps of an open that follow the decode: scroll home, centre, the
// full-screen fit, the scroll bars back on; then the neighbours.
void MainForm::finishOpen()
{
    ScrollHome();
    CentrePicture();
    if (frame_.fullScreen() && (picture_->height() > pictureAreaSize().height()
                       || picture_->width() > pictureAreaSize().width())) {
        picture_->setStretch(true);
        picture_->setCentre(true);
        picture_->setProportional(true);
        picture_->setFill(true);
        picture_->setGeometry(QRect(QPoint(0, 0), pictureAreaSize()));
        updateContentSize();
    }
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // The neighbours are likely next: have the system read them ahead, and
    // decode the one in the direction of travel once this picture is on
    // the screen (not while the window and the screen still work on it).
    if (state_.nav.CurrentIndex >= 1) {
        if (state_.nav.CurrentIndex < state_.nav.count())
            adviseReadAhead(state_.nav.FolderFileList[state_.nav.CurrentIndex]);
        if (state_.nav.CurrentIndex > 1)
            adviseReadAhead(state_.nav.FolderFileList[state_.nav.CurrentIndex - 2]);
    }
    runAfterNextPaint(picture_, [this] { decodeAhead(); }, 200);
}

// At most one picture is decoded ahead, at the size it will be shown: the
// next in the folder, or the previous after a step back.
void MainForm::decodeAhead()
{
    // Entries of the browser-cache view are read through their cache files.
    if (labelRed_ || !picture_->hasPicture() || state_.nav.CurrentIndex < 1 || browserCache_) {
        dropDecodeAhead();
        return;
    }
    const int index = state_.nav.CurrentIndex + aheadStep_;  // 1-based
    if (index < 1 || index > state_.nav.count()) {
        dropDecodeAhead();
        return;
    }
    const QString path = state_.nav.FolderFileList[index - 1];
    const SupportedType* type = findSupportedType(extensionKey(path));
    if (!type || type->isMovie()) {
        dropDecodeAhead();
        return;
    }
    const OpenRequest request = openRequest(path, type);
    if (aheadJob_ && aheadJob_->request() == request)
        return;
    dropDecodeAhead();
    aheadJob_ = submitDecode(request, false);
}

void MainForm::pictureFailed()
{
    // A picture that fails when drawn again (its file gone, a damaged frame)
    // ends as a failed open; nothing is reported for an open still to come.
    if (!labelRed_ && !openJob_ && !state_.nav.CurrentPath.isEmpty())
        ShowLabelError(lang::cannotOpenText(fileNameOf(state_.nav.CurrentPath)));
}

void MainForm::OpenCurrentFile()
{
    const QString path = state_.nav.CurrentPath;
    if (path.isEmpty())
        return;
    // A decode still running for the file before is abandoned.
    cancelOpen();
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    picture_->setStretch(true);
    picture_->setCentre(false);
    picture_->setProportional(false);
    picture_->setFill(false);
    setLabel(positionText(path, state_.nav.CurrentIndex, state_.nav.count(), state_.currentFileNumberVisible), false);

    const QString key = CurrentExtension();
    bool pending = false;
    try {
        if (!isMovieCurrent())
            movie_->stopAndHide();
        const SupportedType* type = findSupportedType(key);
        if (type && type->isMovie()) {
            dropDecodeAhead();
            picture_->clearPicture();
            placePicture(QSize(0, 0));
            movie_->open(contentPath());
        } else if (!type) {
            const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            ShowLabelError(lang::unknownExtensionText(dot > slash ? path.mid(dot) : QString()));
        } else {
            // The picture on screen stays until the new one arrives.
            pending = startOpen(contentPath(), type);
        }
    } catch (const std::exception&) {
        ShowLabelError(lang::cannotOpenText(fileNameOf(path)));
    }
    if (!pending)
        finishOpen();
}

void MainForm::CentrePicture()
{
    if (picture_->fill()) {
        picture_->setGeometry(QRect(QPoint(0, 0), pictureAreaSize()));
    } else {
        picture_->move(centredPosition(picture_->size(), pictureAreaSize()));
    }
    updateContentSize();
}

void MainForm::ScrollHome()
{
    scrollBox_->horizontalScrollBar()->setValue(0);
    scrollBox_->verticalScrollBar()->setValue(0);
}

void MainForm::pictureAreaResized()
{
    CentrePicture();
    picture_->show();
}

void MainForm::zoomStep(bool in)
{
    settleOpen();
    if (isMovieCurrent()) {
        movie_->zoom(in ? 50 : 200);
        return;
    }
    try {
        // Zooming an animation shows its current frame as a still picture.
        Bitmap still;
        if (isAnimationCurrent() && picture_->hasPicture())
            still = picture_->currentFrameBitmap24();
        picture_->setFill(false);
        picture_->setStretch(true);
        placePicture(in ? zoomInSize(picture_->size()) : zoomOutSize(picture_->size()));
        if (!still.isNull())
            picture_->setStill(still);
        ScrollHome();
        CentrePicture();
    } catch (const std::exception&) {
    }
    dropDecodeAhead();
    decodeAhead();
}

void MainForm::ZoomIn()
{
    zoomStep(true);
}

void MainForm::ZoomOut()
{
    zoomStep(false);
}

void MainForm::FitToggle()
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    if (isMovieCurrent())
        return;
    try {
        placePicture(fitToggleSize(picture_->size(), state_.natural, pictureAreaSize()));
    } catch (const std::exception&) {
        // A picture without pixels has no ratio to fit.
    }
    ScrollHome();
    CentrePicture();
}

void MainForm::RotatePicture(int angle)
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    picture_->setStretch(false);
    const QString key = CurrentExtension();
    if (isRotatable(key) && picture_->hasPicture()) {
        try {
            // The picture at its natural size (an animation's first frame), turned.
            Bitmap bitmap = picture_->pictureBitmap().converted24();
            const int wp = bitmap.width(), hp = bitmap.height();
            RotateBitmap(bitmap, angle);
            picture_->setFill(false);
            picture_->setProportional(false);
            picture_->setCentre(false);
            placePicture(QSize(hp, wp));
            picture_->setStill(bitmap);
            // The natural size turns with the picture, so the fit toggle
            // afterwards keeps the turned picture's proportions.
            state_.natural.transpose();
        } catch (const CodecError&) {
            // The picture can no longer be decoded (its file is gone or
            // damaged where the first decode did not read): as a failed open.
            if (!isAnimationCurrent())
                ShowLabelError(lang::cannotOpenText(fileNameOf(state_.nav.CurrentPath)));
        } catch (const std::exception& e) {
            if (!isAnimationCurrent())
                reportError(QString::fromUtf8(e.what()));
        }
    }
    dropDecodeAhead();
    decodeAhead();
    ScrollHome();
    CentrePicture();
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void MainForm::scrollByLine(int dx, int dy)
{
    QScrollBar* bar = dx ? scrollBox_->horizontalScrollBar() : scrollBox_->verticalScrollBar();
    bar->triggerAction(dx < 0 || dy < 0 ? QAbstractSlider::SliderSingleStepSub
                                        : QAbstractSlider::SliderSingleStepAdd);
}

void MainForm::openPath(const QString& path)
{
    state_.nav.CurrentPath = path;
    state_.nav.RebuildFolderList();
    aheadStep_ = 1;
    OpenCurrentFile();
}

void MainForm::NextFile()
{
    aheadStep_ = 1;
    if (state_.nav.NextFile())
        OpenCurrentFile();
}

void MainForm::PreviousFile()
{
    aheadStep_ = -1;
    if (state_.nav.PreviousFile())
        OpenCurrentFile();
}

void MainForm::FirstFile()
{
    aheadStep_ = 1;
    if (state_.nav.FirstFile())
        OpenCurrentFile();
}

void MainForm::LastFile()
{
    aheadStep_ = -1;
    if (state_.nav.LastFile())
        OpenCurrentFile();
}

}  // namespace vx
