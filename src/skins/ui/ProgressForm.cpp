#include "skins/ui/ProgressForm.h"

#include "skins/Zip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace vx {
namespace {

QString appTitle()
{
    return QStringLiteral("Vextrel Viewer");
}

}  // namespace

ProgressForm::ProgressForm(Zip& zip, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(appTitle());
    setFixedSize(300, 100);
    label_ = new QLabel(QStringLiteral("wait ..."), this);
    label_->setObjectName(QStringLiteral("FileLabel"));
    label_->setAlignment(Qt::AlignHCenter);
    label_->setGeometry(10, 15, 280, 18);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setGeometry(10, 35, 280, 18);
    bar_->setTextVisible(false);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    cancel_->setDefault(true);
    cancel_->setGeometry((300 - 75) / 2, 60, 75, 25);
    connect(cancel_, &QPushButton::clicked, this, [this, &zip] {
        zip.cancel();
        hide();
    });
    QRect area = parent ? parent->frameGeometry()
                        : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                            : QRect(0, 0, 300, 100));
    move(area.center() - QPoint(150, 50));
}

WidgetZipPrompter::~WidgetZipPrompter()
{
    delete form_;
}

void WidgetZipPrompter::showMessage(const QString& text)
{
    QMessageBox::information(parent_, appTitle(), text);
}

ZipPrompter::Answer WidgetZipPrompter::askYesNoCancel(const QString& text, bool noIsDefault)
{
    const auto b = QMessageBox::question(parent_, appTitle(), text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                         noIsDefault ? QMessageBox::No : QMessageBox::Yes);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
}

bool WidgetZipPrompter::askYesNo(const QString& text)
{
    return QMessageBox::question(parent_, appTitle(), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString WidgetZipPrompter::askPassword(const QString& question)
{
    return QInputDialog::getText(parent_, appTitle(), question, QLineEdit::Password);
}

void WidgetZipPrompter::processEvents()
{
    QApplication::processEvents();
}

void WidgetZipPrompter::progressShow()
{
    if (!form_)
        form_ = new ProgressForm(zip_, parent_);
    form_->show();
}

void WidgetZipPrompter::progressHide()
{
    if (form_)
        form_->hide();
}

void WidgetZipPrompter::progressClose()
{
    delete form_;
    form_ = nullptr;
}

void WidgetZipPrompter::progressSetFile(const QString& name)
{
    if (form_)
        form_->fileLabel()->setText(
            form_->fileLabel()->fontMetrics().elidedText(name, Qt::ElideMiddle, 280));
}

void WidgetZipPrompter::progressSetMaximum(int maximum)
{
    if (form_)
        form_->progressBar()->setMaximum(maximum);
}

void WidgetZipPrompter::progressSetValue(int value)
{
    if (form_)
        form_->progressBar()->setValue(value);
}

}  // namespace vx
