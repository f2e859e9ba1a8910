// The zip component's progress window (ProgressForm) and the windowed
// prompter: message boxes, questions and the password input for Zip.
#pragma once

#include "skins/ZipPrompter.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vx {

class Zip;

class ProgressForm : public QDialog {
    Q_OBJECT
public:
    // Centred on parent (on the screen's work area without one).
    ProgressForm(Zip& zip, QWidget* parent = nullptr);

    QLabel* fileLabel() const { return label_; }
    QProgressBar* progressBar() const { return bar_; }

private:
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

class WidgetZipPrompter : public ZipPrompter {
public:
    WidgetZipPrompter(Zip& zip, QWidget* parent) : zip_(zip), parent_(parent) {}
    ~WidgetZipPrompter() override;

    void showMessage(const QString& text) override;
    Answer askYesNoCancel(const QString& text, bool noIsDefault) override;
    bool askYesNo(const QString& text) override;
    QString askPassword(const QString& question) override;
    void processEvents() override;
    void progressShow() override;
    void progressHide() override;
    void progressClose() override;
    void progressSetFile(const QString& name) override;
    void progressSetMaximum(int maximum) override;
    void progressSetValue(int value) override;

private:
    Zip& zip_;
    QWidget* parent_;
    ProgressForm* form_ = nullptr;
};

}  // namespace vx
