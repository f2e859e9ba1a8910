// CurrentFileNameLabel: the name label of the picture area. Its text keeps
// the line feed + carriage return pairs of composed messages as they are;
// it draws each pair as one line break.
#pragma once

#include <QLabel>

namespace vx {

class NameLabel : public QLabel {
    Q_OBJECT

public:
    explicit NameLabel(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString shownText() const;
};

}  // namespace vx
