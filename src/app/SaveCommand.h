// The save command of the main window: the save dialogs, the overwrite
// question, the JPEG options window beside the picture dialog, and the
// writer chosen by the typed extension.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

namespace vx {

class MainForm;
class ChangeQualityForm;
struct SaveDialogSetup;
struct DisplayedPicture;

class SaveCommand : public QObject {
    Q_OBJECT

public:
    explicit SaveCommand(MainForm& window);

    // The JPEG options window shown beside the picture dialog.
    void setQualityForm(ChangeQualityForm* form);
    ChangeQualityForm* qualityForm() const;

    // btnSave: asks for a name (and, for pictures, a type) and writes the
    // shown file there; errors go to the window's error display.
    void run();
    // The picture dialog's type change (filter index 1..7).
    void typeChanged(int filterIndex);
    // The picture as shown, with what the writers need to know of its file.
    DisplayedPicture displayedPicture() const;

    struct Choice {
        QString fileName;
        int filterIndex = 1;
    };
    // Hooks that tests replace to answer the modal questions without a person.
    std::function<std::optional<Choice>(const SaveDialogSetup&)> chooseFile;
    std::function<bool(const QString& question)> confirmOverwrite;

private:
    std::optional<Choice> runDialog(const SaveDialogSetup& setup);

    MainForm& window_;
    QPointer<ChangeQualityForm> qualityForm_;
};

}  // namespace vx
