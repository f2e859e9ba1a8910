// Opening the current file, the red label, and the view geometry commands.
#include "app/MainForm.h"

#include "codecs/Graphic.h"
#include "codecs/jpeg/JPEGImage.h"
#include "codecs/png/PNGObject.h"
#include "platform/ReadAhead.h"
#include "platform/VectorState.h"
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

namespace {

// The platform's standard icon size.
constexpr int kIconSize = 32;

}  // namespace

QSize TMainForm::pictureAreaSize() const
{
    return scrollBox_->size();
}

void TMainForm::updateContentSize()
{
    // The content covers the visible area and reaches as far as the picture does.
    const QRect pic = picture_->geometry();
    const QSize view = scrollBox_->viewport()->size();
    const QRect labelRect = label_->geometry();
    const int w = std::max({view.width(), pic.right() + 1, labelRect.right() + 1});
    const int h = std::max({view.height(), pic.bottom() + 1, labelRect.bottom() + 1});
    scrollContent_->resize(w, h);
}

void TMainForm::placePicture(QSize size)
{
    picture_->resize(size);
    updateContentSize();
}

void TMainForm::ShowLabelError(const QString& text)
{
    setLabel(text, true);
    picture_->clearPicture();
    picture_->setGeometry(picture_->x(), picture_->y(), 0, 0);
    stopAndHideMovie();
    updateContentSize();
}

bool TMainForm::RequireDisplayedFile()
{
    if (!nav.CurrentPath.isEmpty() && !labelRed_)
        return true;
    setLabel(message(lang::NothingIsOpen), true);
    return false;
}

void TMainForm::openGraphic(std::unique_ptr<Graphic> graphic, bool isIcon)
{
    // Simple transparency of PNG files is drawn opaque; JPEG shows its
    // speed-first copy (full resolution stays available for zoom and saving).
    if (auto* png = dynamic_cast<TPNGObject*>(graphic.get()))
        png->dropTransparency();
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic.get()))
        jpeg->setSpeedFirst(true);
    // Decoding follows painting: see clearUpperVectorState().
    clearUpperVectorState();
    graphic->loadFromFile(contentPath());
    if (isIcon) {
        NaturalWidth = kIconSize;
        NaturalHeight = kIconSize;
        placePicture(QSize(kIconSize, kIconSize));
    } else {
        NaturalWidth = graphic->width();
        NaturalHeight = graphic->height();
        placePicture(applyScalingMode(ImageScale, QSize(NaturalWidth, NaturalHeight),
                                      pictureAreaSize(), picture_->size()));
    }
    picture_->setGraphic(std::move(graphic));
}

void TMainForm::OpenCurrentFile()
{
    const QString path = nav.CurrentPath;
    if (path.isEmpty())
        return;
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    picture_->setStretch(true);
    picture_->setCentre(false);
    picture_->setProportional(false);
    picture_->setFill(false);
    setLabel(positionText(path, nav.CurrentIndex, nav.count(), CurrentFileNumberVisible), false);

    const QString key = CurrentExtension();
    try {
        if (key != QLatin1String("SWF"))
            stopAndHideMovie();
        const SupportedType* type = findSupportedType(key);
        if (type && type->isMovie()) {
            picture_->clearPicture();
            placePicture(QSize(0, 0));
            OpenSwfMovie();
        } else if (!type) {
            const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            ShowLabelError(lang::unknownExtensionText(dot > slash ? path.mid(dot) : QString()));
        } else {
            std::unique_ptr<Graphic> graphic = type->decoder ? type->decoder() : nullptr;
            if (!graphic)
                throw CodecError("No decoder");
            openGraphic(std::move(graphic), type->has(IconSized));
        }
    } catch (const std::exception&) {
        ShowLabelError(lang::cannotOpenText(fileNameOf(path)));
    }

    ScrollHome();
    CentrePicture();
    if (FullScreen && (picture_->height() > pictureAreaSize().height()
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

    // The neighbours are likely next: have the system read them ahead.
    if (nav.CurrentIndex >= 1) {
        if (nav.CurrentIndex < nav.count())
            adviseReadAhead(nav.FolderFileList[nav.CurrentIndex]);
        if (nav.CurrentIndex > 1)
            adviseReadAhead(nav.FolderFileList[nav.CurrentIndex - 2]);
    }
}

void TMainForm::CentrePicture()
{
    if (picture_->fill()) {
        picture_->setGeometry(QRect(QPoint(0, 0), pictureAreaSize()));
    } else {
        picture_->move(centredPosition(picture_->size(), pictureAreaSize()));
    }
    updateContentSize();
}

void TMainForm::ScrollHome()
{
    scrollBox_->horizontalScrollBar()->setValue(0);
    scrollBox_->verticalScrollBar()->setValue(0);
}

void TMainForm::pictureAreaResized()
{
    CentrePicture();
    picture_->show();
}

void TMainForm::zoomStep(bool in)
{
    if (CurrentExtension() == QLatin1String("SWF")) {
        flashZoom(in ? 50 : 200);
        return;
    }
    try {
        // Zooming an animation shows its current frame as a still picture.
        Bitmap still;
        if (CurrentExtension() == QLatin1String("GIF") && picture_->hasPicture())
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
}

void TMainForm::ZoomIn()
{
    zoomStep(true);
}

void TMainForm::ZoomOut()
{
    zoomStep(false);
}

void TMainForm::FitToggle()
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    if (CurrentExtension() == QLatin1String("SWF"))
        return;
    try {
        placePicture(fitToggleSize(picture_->size(), QSize(NaturalWidth, NaturalHeight), pictureAreaSize()));
    } catch (const std::exception&) {
        // A picture without pixels has no ratio to fit.
    }
    ScrollHome();
    CentrePicture();
}

void TMainForm::RotatePicture(int angle)
{
    StopTitleEffect();
    if (!RequireDisplayedFile())
        return;
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    picture_->setStretch(false);
    const QString key = CurrentExtension();
    if (key != QLatin1String("SWF") && isRotatable(key) && picture_->hasPicture()) {
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
            std::swap(NaturalWidth, NaturalHeight);
        } catch (const std::exception& e) {
            if (key != QLatin1String("GIF"))
                reportError(QString::fromUtf8(e.what()));
        }
    }
    ScrollHome();
    CentrePicture();
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TMainForm::scrollByLine(int dx, int dy)
{
    QScrollBar* bar = dx ? scrollBox_->horizontalScrollBar() : scrollBox_->verticalScrollBar();
    bar->triggerAction(dx < 0 || dy < 0 ? QAbstractSlider::SliderSingleStepSub
                                        : QAbstractSlider::SliderSingleStepAdd);
}

void TMainForm::openPath(const QString& path)
{
    nav.CurrentPath = path;
    nav.RebuildFolderList();
    OpenCurrentFile();
}

void TMainForm::NextFile()
{
    if (nav.NextFile())
        OpenCurrentFile();
}

void TMainForm::PreviousFile()
{
    if (nav.PreviousFile())
        OpenCurrentFile();
}

void TMainForm::FirstFile()
{
    if (nav.FirstFile())
        OpenCurrentFile();
}

void TMainForm::LastFile()
{
    if (nav.LastFile())
        OpenCurrentFile();
}

}  // namespace vx
