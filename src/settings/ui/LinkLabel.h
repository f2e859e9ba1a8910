// A label that opens an address: green while a mouse button is down on it,
// blue once the button comes up; a click (release over the label) asks the
// desktop to open its target.
#pragma once

#include <QLabel>
#include <QString>
#include <functional>

namespace vx {

class LinkLabel : public QLabel {
    Q_OBJECT

public:
    LinkLabel(const QString& text, const QString& target, QWidget* parent);

    const QString& target() const { return target_; }
    // Opens a target; the desktop's default handler unless replaced (tests).
    static std::function<void(const QString&)>& opener();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setTextColor(const QColor& color);
    QString target_;
};

}  // namespace vx
