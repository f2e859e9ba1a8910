#include "skins/ui/SkinButton.h"

#include <QEnterEvent>
#include <QEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace vx {

const QString SkinButton::kWrongSizeText = QString::fromUtf8(
    "Вы пытаетесь установить неверное изображение состояния. Размеры устанавливаемого "
    "изображения состояния должны совпадать с размерами одного из уже установленных "
    "состояний.");
const QString SkinButton::kWrongSizeCaption = QString::fromUtf8("Внимание!");

SkinButton::SkinButton(QWidget* parent) : QWidget(parent) {
    // The paint covers the whole button, so Qt need not erase it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Hover (the up state) needs moves without a button held.
    setMouseTracking(true);
    resize(20, 17);
}

SkinButton::~SkinButton() = default;

void SkinButton::setBackgroundColor(const QColor& color) {
    if (color == m_backgroundColor) return;
    m_backgroundColor = color;
    update();
}

const QImage& SkinButton::image(SkinButtonState s) const {
    switch (s) {
    case bsUp: return m_up;
    case bsDown: return m_down;
    case bsNormal: break;
    }
    return m_normal;
}

bool SkinButton::fits(const QImage& candidate, SkinButtonState target) const {
    if (candidate.isNull()) return true;
    for (SkinButtonState other : {bsNormal, bsUp, bsDown}) {
        if (other == target) continue;
        const QImage& img = image(other);
        if (!img.isNull() && img.size() != candidate.size()) return false;
    }
    return true;
}

bool SkinButton::setChecked(QImage& slot, const QImage& candidate, SkinButtonState target) {
    if (!fits(candidate, target)) {
        showWrongSizeMessage(kWrongSizeText, kWrongSizeCaption);
        return false;
    }
    slot = candidate;
    return true;
}

bool SkinButton::setBMPNormal(const QImage& candidate) {
    if (!setChecked(m_normal, candidate, bsNormal)) return false;
    showState(bsNormal);
    return true;
}

bool SkinButton::setBMPUp(const QImage& candidate) {
    return setChecked(m_up, candidate, bsUp);
}

bool SkinButton::setBMPDown(const QImage& candidate) {
    return setChecked(m_down, candidate, bsDown);
}

void SkinButton::showWrongSizeMessage(const QString& text, const QString& caption) {
    QMessageBox::warning(this, caption, text, QMessageBox::Ok);
}

void SkinButton::showState(SkinButtonState s) {
    const QImage& img = image(s);
    if (!img.isNull() && img.size() != size()) resize(img.size());
    m_state = s;
    // Drawn at once, so that a command started by this event sees the new look.
    if (isVisible())
        repaint();
    else
        update();
}

void SkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& img = image(m_state);
    if (img.isNull()) {
        painter.fillRect(rect(), m_backgroundColor);
        return;
    }
    // The image is drawn unscaled at the origin; any part of the button it
    // does not cover (a loader that set a smaller image) gets the background.
    if (img.width() < width() || img.height() < height())
        painter.fillRect(rect(), m_backgroundColor);
    painter.drawImage(QPoint(0, 0), img);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_inside = true;
        if (m_autoSetState) showState(bsDown);
    }
    emit mouseDown(event->button(), event->position().toPoint());
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
    const bool over = rect().contains(event->position().toPoint());
    if (m_pressed) {
        // The button holds the mouse while pressed, so leaving and coming back
        // show up only as positions outside or inside.
        if (over != m_inside) {
            m_inside = over;
            if (over)
                pointerEntered();
            else
                pointerLeft();
        }
    } else if (m_stateCount == sc3 && m_state == bsNormal && over) {
        showState(bsUp);
    }
    QWidget::mouseMoveEvent(event);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    bool click = false;
    if (event->button() == Qt::LeftButton) {
        click = m_pressed && rect().contains(pos);
        m_pressed = false;
        m_inside = false;
        if (m_autoSetState) showState(bsNormal);
    }
    emit mouseUp(event->button(), pos);
    if (click) emit clicked();
}

void SkinButton::enterEvent(QEnterEvent* event) {
    if (!m_pressed) pointerEntered();
    QWidget::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
    if (!m_pressed) pointerLeft();
    QWidget::leaveEvent(event);
}

void SkinButton::pointerEntered() {
    if (!m_autoSetState || !m_pressed) return;
    if ((m_stateCount == sc3 && m_state == bsUp) || (m_stateCount == sc2 && m_state == bsNormal))
        showState(bsDown);
}

void SkinButton::pointerLeft() {
    if (!m_autoSetState) return;
    if (m_pressed) {
        if (m_state == bsDown) showState(m_stateCount == sc3 ? bsUp : bsNormal);
    } else if (m_state == bsUp) {
        showState(bsNormal);
    }
}

bool SkinButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !m_showHint) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace vx
