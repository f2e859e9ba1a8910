#include "export/ui/ChangeQualityForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace vx {

namespace {

constexpr int kMinQuality = 1;
constexpr int kMaxQuality = 100;

}  // namespace

ChangeQualityForm::ChangeQualityForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ChangeQualityForm"));
    setWindowTitle(QStringLiteral("Опции сохранения"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setModal(false);

    group_ = new QGroupBox(QStringLiteral("Качество JPEG"), this);
    group_->setObjectName(QStringLiteral("JPEGGroupBox"));
    label_ = new QLabel(QStringLiteral("Качество:"), group_);
    label_->setObjectName(QStringLiteral("Label1"));
    trackBar_ = new QSlider(Qt::Horizontal, group_);
    trackBar_->setObjectName(QStringLiteral("JpegQualityTrackBar"));
    trackBar_->setRange(kMinQuality, kMaxQuality);
    trackBar_->setValue(kMaxQuality);
    trackBar_->setMinimumWidth(160);
    edit_ = new QLineEdit(QStringLiteral("100"), group_);
    edit_->setObjectName(QStringLiteral("JPEGQualityEdit"));
    edit_->setMaxLength(3);
    edit_->setFixedWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    // Pasted text can only bring digits, like typing.
    edit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
    edit_->installEventFilter(this);
    grayscale_ = new QCheckBox(QStringLiteral("Сохранять в оттенках серого"), group_);
    grayscale_->setObjectName(QStringLiteral("GrayscaleCheckBox"));

    auto* row = new QHBoxLayout;
    row->addWidget(label_);
    row->addWidget(trackBar_, 1);
    row->addWidget(edit_);
    auto* groupLayout = new QVBoxLayout(group_);
    groupLayout->addLayout(row);
    groupLayout->addWidget(grayscale_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(trackBar_, &QSlider::valueChanged, this, &ChangeQualityForm::trackBarChanged);
    connect(edit_, &QLineEdit::textChanged, this, &ChangeQualityForm::editChanged);
}

int ChangeQualityForm::quality() const
{
    return trackBar_->value();
}

bool ChangeQualityForm::grayscale() const
{
    return grayscale_->isChecked();
}

void ChangeQualityForm::applyLanguage(const LangLookup& lookup)
{
    if (!lookup)
        return;
    const QString section = QStringLiteral("Quality");
    setWindowTitle(lookup(section, 1, QStringLiteral("Quality")));
    group_->setTitle(lookup(section, 2, QStringLiteral("JPEG Quality")));
    label_->setText(lookup(section, 3, QStringLiteral("Quality:")));
    grayscale_->setText(lookup(section, 4, QStringLiteral("Save as grayscale")));
}

void ChangeQualityForm::showAtBottomRight(const QRect& workArea)
{
    group_->setVisible(true);
    adjustSize();
    // The window frame is known only once the window is shown: place it by
    // its inner size first, then again by its whole frame.
    auto place = [&] {
        const QSize frame = isVisible() ? frameGeometry().size() : size();
        move(workArea.x() + workArea.width() - frame.width(), workArea.y() + workArea.height() - frame.height());
    };
    place();
    show();
    place();
}

void ChangeQualityForm::showBeside(const QRect& dialogFrame, const QRect& workArea)
{
    group_->setVisible(true);
    adjustSize();
    const QSize frame = isVisible() ? frameGeometry().size() : size();
    int x = dialogFrame.right() + 1;
    if (x + frame.width() > workArea.x() + workArea.width())
        x = std::max(workArea.x(), dialogFrame.left() - frame.width());
    const int y = std::clamp(dialogFrame.top(), workArea.y(),
                             std::max(workArea.y(), workArea.y() + workArea.height() - frame.height()));
    move(x, y);
    show();
}

void ChangeQualityForm::typeChanged(int filterIndex, const QRect& workArea)
{
    if (SaveDialog1TypeChange(filterIndex).showJpegOptions)
        showAtBottomRight(workArea);
    else
        hide();
}

bool ChangeQualityForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)
            return false;
        const QString text = key->text();
        // Only digits are typed; keys without a character (arrows, Home...) pass.
        if (!text.isEmpty() && !(text.size() == 1 && text[0] >= u'0' && text[0] <= u'9'))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ChangeQualityForm::setEditText(const QString& text, bool selectAll)
{
    {
        const QSignalBlocker block(edit_);
        if (edit_->text() != text)
            edit_->setText(text);
    }
    if (selectAll)
        edit_->selectAll();
}

void ChangeQualityForm::trackBarChanged(int position)
{
    setEditText(QString::number(position), false);
}

void ChangeQualityForm::editChanged(const QString& text)
{
    if (text.isEmpty()) {
        trackBar_->setValue(kMinQuality);
        setEditText(QString::number(kMinQuality), true);
        return;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return;  // the validator lets only digits in; keep the position
    if (value > kMaxQuality) {
        trackBar_->setValue(kMaxQuality);
        setEditText(QString::number(kMaxQuality), true);
    } else if (value < kMinQuality) {
        trackBar_->setValue(kMinQuality);
        setEditText(QString::number(kMinQuality), true);
    } else {
        // Leading zeros stay as typed ("050" keeps 50).
        const QSignalBlocker block(trackBar_);
        trackBar_->setValue(value);
    }
}

}  // namespace vx
