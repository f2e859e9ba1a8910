#include "viewer/ui/RenameFileForm.h"

#include "viewer/FolderList.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vx {

NameParts splitFileName(const QString& path)
{
    const QString file = fileNameOf(path);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {file, QString()};
    return {file.left(dot), file.mid(dot + 1)};
}

RenameFileForm::RenameFileForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RenameFileForm"));
    setFixedSize(290, 95);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QPalette cream;
    cream.setColor(QPalette::Base, QColor(255, 251, 240));

    NewNameLabel = new QLabel(this);
    NewNameLabel->setObjectName(QStringLiteral("NewNameLabel"));
    NewNameLabel->setGeometry(8, 4, 273, 16);
    NewNameEdit = new QLineEdit(this);
    NewNameEdit->setObjectName(QStringLiteral("NewNameEdit"));
    NewNameEdit->setGeometry(8, 20, 273, 21);
    NewNameEdit->setPalette(cream);

    ExtFileLabel = new QLabel(this);
    ExtFileLabel->setObjectName(QStringLiteral("ExtFileLabel"));
    ExtFileLabel->setGeometry(8, 46, 113, 16);
    NewExtEdit = new QLineEdit(this);
    NewExtEdit->setObjectName(QStringLiteral("NewExtEdit"));
    NewExtEdit->setGeometry(8, 62, 113, 21);
    NewExtEdit->setPalette(cream);

    OKButton = new QPushButton(this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(128, 60, 73, 25);
    CancelButton = new QPushButton(this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(208, 60, 73, 25);
    OKButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    NewNameEdit->installEventFilter(this);
    NewExtEdit->installEventFilter(this);
    // The built-in captions until a language is applied.
    setTexts(QStringLiteral("Переименовать файл"), QStringLiteral("Введите новое имя файла:"),
             QStringLiteral("Расширение:"), QStringLiteral("OK"), QStringLiteral("Отмена"));
}

void RenameFileForm::setTexts(const QString& caption, const QString& nameLabel, const QString& extLabel,
                               const QString& ok, const QString& cancel)
{
    setWindowTitle(caption);
    NewNameLabel->setText(nameLabel);
    ExtFileLabel->setText(extLabel);
    OKButton->setText(ok);
    CancelButton->setText(cancel);
}

void RenameFileForm::FormShow(const QString& path)
{
    const NameParts parts = splitFileName(path);
    NewNameEdit->setText(parts.name);
    NewExtEdit->setText(parts.extension);
    NewNameEdit->setFocus();
}

QString RenameFileForm::newName() const
{
    return NewNameEdit->text() + QLatin1Char('.') + NewExtEdit->text();
}

bool RenameFileForm::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == NewNameEdit || watched == NewExtEdit) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OKButton->click();
            return true;
        }
        if (key == Qt::Key_Escape)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vx
