// The frame of the main window: bars and their buttons, moving, sizing,
// snapping, maximize and full-screen, dropped files and the Open command.
#include "app/MainForm.h"
#include "platform/FileName.h"

#include "flash/ui/FrameProgressBar.h"
#include "settings/ViewerSettings.h"

#include "i18n/LangStrings.h"
#include "i18n/MainFormTexts.h"
#include "skins/SkinLayout.h"
#include "skins/ui/SkinButton.h"
#include "viewer/SupportedTypes.h"
#include "viewer/ui/PictureControl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>

namespace vx {

namespace {

constexpr int kSnapDistance = 15;
// Width of the sizing border around the window (none in full-screen mode).
constexpr int kBorder = 3;

}  // namespace

QPoint snapToWorkArea(QPoint position, QSize size, const QRect& workArea)
{
    const int left = workArea.left(), top = workArea.top();
    const int right = workArea.x() + workArea.width(), bottom = workArea.y() + workArea.height();
    int x = position.x(), y = position.y();
    if (x != right - size.width() && std::abs(left - x) <= kSnapDistance)
        x = left;
    if (x != left && std::abs((right - size.width()) - x) <= kSnapDistance)
        x = right - size.width();
    if (y != bottom - size.height() && std::abs(top - y) <= kSnapDistance)
        y = top;
    if (y != top && std::abs((bottom - size.height()) - y) <= kSnapDistance)
        y = bottom - size.height();
    return QPoint(x, y);
}

QRect MainForm::workArea() const
{
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

void MainForm::reportError(const QString& text)
{
    if (showMessage) {
        showMessage(text);
        return;
    }
    // The general error display; the Esc hot key closes it.
    QMessageBox box(QMessageBox::Critical, windowTitle(), lang::shownText(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

void MainForm::reportInfo(const QString& text)
{
    if (showMessage)
        showMessage(text);
    else
        QMessageBox::information(this, windowTitle(), text);
}

void MainForm::layoutBars()
{
    const int b = FullScreen ? 0 : kBorder;
    const int w = width() - 2 * b;
    int y = b;
    if (!buttonsPanel_->isHidden()) {
        buttonsPanel_->setGeometry(b, y, w, buttonsPanel_->height());
        topMainImage_->setGeometry(0, 0, w, buttonsPanel_->height());
        topMainImage_->lower();
        y += buttonsPanel_->height();
    }
    int bottom = height() - b;
    if (!navPanel_->isHidden()) {
        bottom -= navPanel_->height();
        navPanel_->setGeometry(b, bottom, w, navPanel_->height());
        bottomMainImage_->setGeometry(0, 0, w, navPanel_->height());
        bottomMainImage_->lower();
    }
    scrollBox_->setGeometry(b, y, w, std::max(0, bottom - y));
    layoutFlashArea();
}

void MainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutBars();
    ScrollHome();
    ArrangeWindowButtons();
    transportLayout();
    pictureAreaResized();
}

void MainForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (snapping_ || FullScreen || !isVisible())
        return;
    const QPoint snapped = snapToWorkArea(pos(), frameGeometry().size(), workArea());
    if (snapped != pos()) {
        snapping_ = true;
        move(snapped);
        snapping_ = false;
    }
}

void MainForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && !isActiveWindow()) {
        // A right click does not activate the window.
        event->accept();
        return;
    }
    if (FullScreen || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    Qt::Edges edges;
    if (p.x() < kBorder)
        edges |= Qt::LeftEdge;
    if (p.x() >= width() - kBorder)
        edges |= Qt::RightEdge;
    if (p.y() < kBorder)
        edges |= Qt::TopEdge;
    if (p.y() >= height() - kBorder)
        edges |= Qt::BottomEdge;
    if (edges) {
        if (windowHandle() && windowHandle()->startSystemResize(edges))
            return;
        // No system sizing (no window manager that offers it): follow the
        // mouse ourselves until the button is released.
        resizeEdges_ = edges;
        resizeStart_ = geometry();
        resizePress_ = event->globalPosition().toPoint();
        grabMouse();
        return;
    }
    QWidget::mousePressEvent(event);
}

void MainForm::resizeByHand(QPoint globalPos)
{
    const QPoint d = globalPos - resizePress_;
    const QSize least = minimumSize();
    QRect r = resizeStart_;
    // A dragged edge stops where the window would become smaller than allowed.
    if (resizeEdges_ & Qt::LeftEdge)
        r.setLeft(std::min(r.left() + d.x(), r.right() + 1 - least.width()));
    if (resizeEdges_ & Qt::RightEdge)
        r.setRight(std::max(r.right() + d.x(), r.left() + least.width() - 1));
    if (resizeEdges_ & Qt::TopEdge)
        r.setTop(std::min(r.top() + d.y(), r.bottom() + 1 - least.height()));
    if (resizeEdges_ & Qt::BottomEdge)
        r.setBottom(std::max(r.bottom() + d.y(), r.top() + least.height() - 1));
    setGeometry(r);
}

void MainForm::mouseMoveEvent(QMouseEvent* event)
{
    if (movingByHand_) {
        move(event->globalPosition().toPoint() - moveOffset_);
        return;
    }
    if (resizeEdges_) {
        resizeByHand(event->globalPosition().toPoint());
        return;
    }
    const QPoint p = event->position().toPoint();
    const bool h = p.x() < kBorder || p.x() >= width() - kBorder;
    const bool v = p.y() < kBorder || p.y() >= height() - kBorder;
    if (FullScreen || (!h && !v))
        unsetCursor();
    else if (h && v)
        setCursor((p.x() < kBorder) == (p.y() < kBorder) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    else
        setCursor(h ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    QWidget::mouseMoveEvent(event);
}

void MainForm::mouseReleaseEvent(QMouseEvent* event)
{
    movingByHand_ = false;
    if (resizeEdges_) {
        resizeEdges_ = {};
        releaseMouse();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == topMainImage_) {
        if (event->type() == QEvent::MouseButtonPress) {
            // Any button moves the window, as if its title bar were grabbed.
            auto* me = static_cast<QMouseEvent*>(event);
            if (!FullScreen && !(windowHandle() && windowHandle()->startSystemMove())) {
                movingByHand_ = true;
                moveOffset_ = me->globalPosition().toPoint() - pos();
                topMainImage_->grabMouse();
            }
            return true;
        }
        if (event->type() == QEvent::MouseMove && movingByHand_) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - moveOffset_);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && movingByHand_) {
            movingByHand_ = false;
            topMainImage_->releaseMouse();
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            MaximizeToggle();
            return true;
        }
    }
    if ((watched == scrollBox_->viewport() || watched == scrollContent_)
        && event->type() == QEvent::MouseButtonDblClick) {
        FullScreenToggle();
        return true;
    }
    if (watched == scrollBox_->viewport() && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, [this] { pictureAreaResized(); }, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void MainForm::MaximizeToggle()
{
    const FlashState flash = rememberFlashState();
    ScrollHome();
    const QRect area = workArea();
    setUpdatesEnabled(false);
    if (geometry() == area) {
        if (normalBoundsSet_)
            setGeometry(normalBounds_);
        else
            setGeometry(defaultWindowBounds(area));
    } else {
        normalBounds_ = geometry();
        normalBoundsSet_ = true;
        setGeometry(area);
    }
    setUpdatesEnabled(true);
    restoreFlashState(flash);
}

void MainForm::FullScreenToggle()
{
    if (FullScreen) {
        setWindowFlag(Qt::WindowStaysOnTopHint, false);
        setGeometry(fullScreenReturn_);
        buttonsPanel_->show();
        scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
        fullScreenReturn_ = geometry();
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        QScreen* primary = QGuiApplication::primaryScreen();
        setGeometry(primary ? primary->geometry() : QRect(0, 0, 1024, 768));
        buttonsPanel_->hide();
        scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    FullScreen = !FullScreen;
    // Changing the window flags hides a shown window: show it again in place.
    if (!FirstShowPending && !isVisible())
        show();
    layoutBars();
    ScrollHome();
    ArrangeWindowButtons();
    transportLayout();
    if (CurrentExtension() != QLatin1String("SWF")) {
        if (!nav.CurrentPath.isEmpty() && fileExists(nav.CurrentPath) && !labelRed_)
            OpenCurrentFile();
    } else {
        transportLayout();
    }
}

namespace {

// The viewer only reads dropped files: it takes them as copied (or linked),
// never as moved, since the source deletes what it believes was moved.
// False when the source offers neither.
bool takeAsCopy(QDropEvent* event)
{
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    event->accept();
    return true;
}

}  // namespace

void MainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->accept();
}

void MainForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() && !takeAsCopy(event))
        event->setDropAction(Qt::IgnoreAction);
}

void MainForm::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    // A source that offers only a move is told that nothing was taken, so
    // it keeps its file; the file is still shown.
    if (!takeAsCopy(event))
        event->ignore();
    const QUrl& first = urls.first();
    openPath(first.isLocalFile() ? first.toLocalFile() : first.toString());
}

void MainForm::OpenCommand()
{
    QString chosen;
    if (chooseOpenFile) {
        chosen = chooseOpenFile();
    } else {
        QFileDialog dialog(this);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setFileMode(QFileDialog::AnyFile);
        const QStringList filters = openFilterToQtFilters(lang::openFilter());
        dialog.setNameFilters(filters);
        if (!filters.isEmpty())
            dialog.selectNameFilter(filters.first());
        if (!nav.CurrentPath.isEmpty())
            dialog.setDirectory(folderOf(nav.CurrentPath));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (chosen.isEmpty())
        return;
    if (QFileInfo::exists(chosen)) {
        openPath(chosen);
    } else {
        StopTitleEffect();
        ShowLabelError(message(lang::FileNotExist));
    }
}

void MainForm::applyButtonsVisible(const std::array<bool, 9>& visible)
{
    for (int i = 0; i < 9; ++i)
        buttons_[size_t(i)]->setVisible(visible[size_t(i)]);
    ArrangeTopButtons();
}

void MainForm::ArrangeTopButtons()
{
    std::array<bool, 9> visible{};
    for (int i = 0; i <= kBtnNext; ++i)
        visible[size_t(i)] = buttons_[size_t(i)]->isVisibleTo(buttonsPanel_);
    const std::array<int, 9> lefts =
        arrangeTopButtons(buttons_[kBtnOpen]->x(), buttons_[kBtnOpen]->width(), BetweenWidth, visible);
    for (int i = 0; i <= kBtnNext; ++i)
        buttons_[size_t(i)]->move(lefts[size_t(i)], buttons_[size_t(i)]->y());
}

void MainForm::ArrangeWindowButtons()
{
    SkinButton* close = buttons_[kBtnClose];
    SkinButton* maximize = buttons_[kBtnMaximize];
    SkinButton* minimize = buttons_[kBtnMinimize];
    SkinButton* full = buttons_[kBtnFullScreen];
    const WindowButtonLefts lefts = arrangeWindowButtons(buttonsPanel_->width(), full->width(), minimize->width(),
                                                         maximize->width(), close->width(), BetweenWidth);
    close->move(lefts.close, close->y());
    maximize->move(lefts.maximize, maximize->y());
    minimize->move(lefts.minimize, minimize->y());
    full->move(lefts.fullScreen, full->y());
}

void MainForm::ArrangeNavButtons()
{
    SkinButton* play = buttons_[kBtnPlay];
    SkinButton* pause = buttons_[kBtnPause];
    SkinButton* stop = buttons_[kBtnStop];
    play->move(0, play->y());
    pause->move(0, pause->y());
    const NavButtonLefts lefts = arrangeNavButtons(play->x(), play->width(), stop->width(), BetweenWidth);
    stop->move(lefts.stop, stop->y());
    progressBarFrame_->move(lefts.progressBar, progressBarFrame_->y());
}

}  // namespace vx
