// Drives the real main window: a temporary home (registry files), a
// temporary program folder with the language files, a folder of pictures
// written by the test, and the window with its four dialogs.
#pragma once

#include "app/MainForm.h"
#include "app/ProgramDialogs.h"
#include "support/TempHome.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

class QLabel;

namespace vx {
class RenameFileForm;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Registry values of the settings key, written before start().
    void seedInt(const QString& name, int value);
    void seedText(const QString& name, const QString& value);
    void removeValue(const QString& name);
    // The usual start: English texts, no start logo, file numbers shown,
    // the scaling mode given and a window whose picture area is 600 x 400.
    void seedDefaults(int imageScale = 1);
    // Window bounds stored as at the last shutdown.
    void seedBounds(const QRect& bounds);

    std::optional<int> regInt(const QString& name) const;
    std::optional<QString> regText(const QString& name) const;

    // Creates the window (and the dialogs) with the given arguments; shows
    // it unless told otherwise. The test hooks record what is asked.
    void start(const QStringList& arguments = {}, bool show = true);
    // Waits until the picture being opened is on screen (or its error).
    void settle() const;
    // Closes and destroys the window (the shutdown writes its values).
    void finish();
    // Resizes the window so that its picture area has the given size.
    void arrangeArea(QSize area);

    // Pictures in the picture folder.
    QString writeImage(const QString& name, const QImage& image, const char* format);
    QString writeBmp(const QString& name, int width, int height, QColor color = QColor(200, 60, 30));
    QString writeText(const QString& name, const QByteArray& bytes);
    // A small uncompressed movie ("FWS") of one empty frame.
    QString writeSwf(const QString& name);
    QString picturePath(const QString& name) const { return pictures_.path() + QLatin1Char('/') + name; }

    // What the user sees (once the open in progress has ended).
    QString labelText() const;
    QColor labelColor() const;
    bool labelRed() const { return labelColor() == QColor(255, 0, 0); }
    bool labelLime() const { return labelColor() == QColor(0, 255, 0); }
    QRect pictureGeometry() const;
    QSize area() const { return form->pictureAreaSize(); }
    QWidget* child(const char* objectName) const;

    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Runs action once the rename dialog is shown by the command that follows.
    void whenRenameShown(std::function<void(vx::RenameFileForm*)> action);
    vx::RenameFileForm* renameForm() const;

    std::unique_ptr<TempHome> home;
    QString programFolder;  // ends with a separator
    std::unique_ptr<vx::MainForm> form;
    std::unique_ptr<vx::ProgramDialogs> dialogs;
    QStringList messages;          // texts of the general error display
    QStringList deleteQuestions;   // texts of the delete confirmations
    bool answerDelete = true;
    // start() begins decoding the start file before making the window, as the program does.
    bool decodeAtStart = false;

private:
    QTemporaryDir program_;
    QTemporaryDir pictures_;
};

// English texts of the main window's messages.
namespace text {
inline const QString NothingIsOpen = QStringLiteral("Nothing is open");
inline const QString FileNotExist = QStringLiteral("File not exist");
inline const QString LineBreak = QStringLiteral("\n\r");
}  // namespace text
