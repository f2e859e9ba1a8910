// CurrentFileNameLabel: the name label of the picture area. Its text keeps
// the line feed + carriage return pairs of composed messages as they are;
// it draws each pair as one line break.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>

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

    // The text as last drawn, kept: the label lies over the picture and is
    // drawn again with every frame of an animation, while its text seldom
    // changes (laying out text costs more than drawing a small image).
    struct Drawn {
        QString text;
        QFont font;
        QColor colour;
        QSize size;
        qreal ratio = 0;
        bool operator==(const Drawn&) const = default;
    };
    Drawn drawn_;
    QPixmap cache_;
};

}  // namespace vx
