// SkinButton: the self-drawn bitmap button of the main window's two bars.
//
// It shows one of up to three images (normal, up = hover, down = pressed) and
// switches between them by itself as the left mouse button is pressed, the
// pointer leaves and re-enters while held, and the button is released. It
// draws no text and no border; a state without an image is a plain rectangle
// of BackgroundColor.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace vx {

enum SkinButtonStateCount { sc2, sc3 };
enum SkinButtonState { bsNormal, bsUp, bsDown };

class SkinButton : public QWidget {
    Q_OBJECT

public:
    // Text and caption of the warning shown when a state image of the wrong size is set.
    static const QString kWrongSizeText;
    static const QString kWrongSizeCaption;

    explicit SkinButton(QWidget* parent = nullptr);
    ~SkinButton() override;

    SkinButtonStateCount stateCount() const { return m_stateCount; }
    void setStateCount(SkinButtonStateCount count) { m_stateCount = count; }

    SkinButtonState state() const { return m_state; }
    // Shows the state at once (resizing the button to that state's image).
    void setState(SkinButtonState s) { showState(s); }

    bool autoSetState() const { return m_autoSetState; }
    void setAutoSetState(bool on) { m_autoSetState = on; }

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

    // True while the left button, pressed on this button, is held.
    bool isPressed() const { return m_pressed; }

    const QImage& bmpNormal() const { return m_normal; }
    const QImage& bmpUp() const { return m_up; }
    const QImage& bmpDown() const { return m_down; }
    const QImage& image(SkinButtonState s) const;

    // Checked setters: an image that does not fit the others is refused with a
    // warning and changes nothing. Returns whether the image was taken.
    // setBMPNormal also shows bsNormal at once; the other two do not redraw.
    bool setBMPNormal(const QImage& image);
    bool setBMPUp(const QImage& image);
    bool setBMPDown(const QImage& image);

    // Direct replacement for the skin loader: no size check, no redraw.
    void replaceNormalImage(const QImage& image) { m_normal = image; }
    void replaceUpImage(const QImage& image) { m_up = image; }
    void replaceDownImage(const QImage& image) { m_down = image; }

    // Whether the tool tip (the hint) is shown; the text is the widget's toolTip().
    bool showHint() const { return m_showHint; }
    void setShowHint(bool on) { m_showHint = on; }

    // An image fits when it is empty or has the size of every other non-empty state image.
    bool fits(const QImage& image, SkinButtonState target) const;

signals:
    // A left press and release, the release being over the button.
    void clicked();
    // Any mouse button pressed on / released after a press on the button;
    // pos is in the button's coordinates.
    void mouseDown(Qt::MouseButton button, QPoint pos);
    void mouseUp(Qt::MouseButton button, QPoint pos);

protected:
    // Shows the wrong-size warning; modal message box with an OK button.
    virtual void showWrongSizeMessage(const QString& text, const QString& caption);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Makes s the current state: resizes to its image (when it has one) and redraws.
    void showState(SkinButtonState s);
    void pointerEntered();
    void pointerLeft();
    bool setChecked(QImage& slot, const QImage& image, SkinButtonState target);

    QImage m_normal;
    QImage m_up;
    QImage m_down;
    SkinButtonStateCount m_stateCount = sc3;
    SkinButtonState m_state = bsNormal;
    bool m_autoSetState = true;
    QColor m_backgroundColor{255, 0, 0};
    bool m_showHint = true;
    bool m_pressed = false;
    // Whether the pointer was over the button at the last move while held.
    bool m_inside = false;
};

}  // namespace vx
