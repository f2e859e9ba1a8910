// The main window's bars and their buttons, its mouse and drop events
// (handed to the frame where they move or size the window), maximize and
// full screen, dropped files and the Open command.
#include "app/MainForm.h"
#include "app/MovieHost.h"
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

QRect MainForm::workArea() const
{
    return frame_.workArea();
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
    const int b = frame_.border();
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
    movie_->layoutArea();
}

void MainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutBars();
    ScrollHome();
    ArrangeWindowButtons();
    movie_->layoutTransport();
    pictureAreaResized();
}

void MainForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    frame_.moved();
}

void MainForm::mousePressEvent(QMouseEvent* event)
{
    if (!frame_.mousePress(event))
        QWidget::mousePressEvent(event);
}

void MainForm::mouseMoveEvent(QMouseEvent* event)
{
    if (!frame_.mouseMove(event))
        QWidget::mouseMoveEvent(event);
}

void MainForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (!frame_.mouseRelease())
        QWidget::mouseReleaseEvent(event);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == topMainImage_) {
        bool doubleClicked = false;
        if (frame_.topBarEvent(topMainImage_, event, doubleClicked)) {
            if (doubleClicked)
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
    const MovieHost::State movie = movie_->remember();
    ScrollHome();
    setUpdatesEnabled(false);
    frame_.toggleMaximized();
    setUpdatesEnabled(true);
    movie_->restore(movie, isMovieCurrent());
}

void MainForm::FullScreenToggle()
{
    frame_.toggleFullScreen();
    const bool full = frame_.fullScreen();
    buttonsPanel_->setVisible(!full);
    const Qt::ScrollBarPolicy bars = full ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    scrollBox_->setHorizontalScrollBarPolicy(bars);
    scrollBox_->setVerticalScrollBarPolicy(bars);
    // Changing the window flags hides a shown window: show it again in place.
    if (!firstShowPending_ && !isVisible())
        show();
    layoutBars();
    ScrollHome();
    ArrangeWindowButtons();
    movie_->layoutTransport();
    if (!isMovieCurrent()) {
        if (!state_.nav.CurrentPath.isEmpty() && fileExists(state_.nav.CurrentPath) && !labelRed_)
            OpenCurrentFile();
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
        if (!state_.nav.CurrentPath.isEmpty())
            dialog.setDirectory(folderOf(state_.nav.CurrentPath));
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
        arrangeTopButtons(buttons_[kBtnOpen]->x(), buttons_[kBtnOpen]->width(), betweenWidth_, visible);
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
                                                         maximize->width(), close->width(), betweenWidth_);
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
    const NavButtonLefts lefts = arrangeNavButtons(play->x(), play->width(), stop->width(), betweenWidth_);
    stop->move(lefts.stop, stop->y());
    progressBarFrame_->move(lefts.progressBar, progressBarFrame_->y());
}

}  // namespace vx
