// RenameFileForm: the rename dialog. It splits the current file name into
// its name and extension fields and gives back the new name.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vx {

class RenameFileForm : public QDialog {
    Q_OBJECT

public:
    explicit RenameFileForm(QWidget* parent = nullptr);

    // Fills the fields from path and puts the focus in the name field.
    void FormShow(const QString& path);
    // Name field + "." + extension field (the dot also for an empty extension).
    QString newName() const;

    // Texts of the "Rename" section: caption, two labels, two buttons.
    void setTexts(const QString& caption, const QString& nameLabel, const QString& extLabel,
                  const QString& ok, const QString& cancel);

    QLineEdit* NewNameEdit = nullptr;
    QLineEdit* NewExtEdit = nullptr;
    QLabel* NewNameLabel = nullptr;
    QLabel* ExtFileLabel = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The name and extension fields of a path: the extension runs from the last
// "." of the file name to its end; no "." means no extension.
struct NameParts {
    QString name;
    QString extension;  // without the dot
};
NameParts splitFileName(const QString& path);

}  // namespace vx
