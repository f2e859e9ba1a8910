// Shared pieces of the main-window media tests: a program folder of their
// own with a copy of the built Data folder, settings in the emulated
// registry, small movies, pictures and skin packages made on the spot, an
// answerer for modal windows, and the fixture that starts the real window.
#pragma once

#include "app/MainForm.h"
#include "app/MovieHost.h"
#include "app/ProgramDialogs.h"
#include "support/TempHome.h"

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace media {

// A folder laid out like the installed program: Data/Languages, Data/Font
// and Data/Unzip copied from the build, an empty Data/Skins. Path ends with '/'.
class ProgramFolder {
public:
    ProgramFolder();
    QString path() const { return dir_.path() + QLatin1Char('/'); }
    QString skinsFolder() const { return path() + QStringLiteral("Data/Skins/"); }
    QString languageFile(const QString& name) const { return path() + QStringLiteral("Data/Languages/") + name; }

private:
    QTemporaryDir dir_;
};

// A file of the build's Data folder (the sample skins live there).
QString builtData(const QString& relative);

// Values of the program's settings key.
void setSetting(const QString& name, int value);
void setSetting(const QString& name, const QString& text);
std::optional<QString> settingText(const QString& name);

// Writes bytes to path (folders created); returns path.
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// A movie of frames frames on a stage of width x height pixels: a square
// that moves one step per frame over a coloured background.
QByteArray movieBytes(int frames, int width = 200, int height = 100, double fps = 1);
// A two-frame movie whose second frame sends fscommand(command, args) and stops.
QByteArray fsCommandMovieBytes(const QString& command, const QString& args);

// A picture with a distinct colour in each quarter, and its BMP file.
QImage quarterPicture(int width, int height);
QString writeBmp(const QString& path, const QImage& image);

// Skin packages: "Buttons.bmp" with seventeen tiles of w x h (normal row,
// pressed row) and the matching "SkinInfo.txt".
struct SkinSpec {
    int tileWidth = 25;
    int tileHeight = 19;
    bool withParam = true;
    int buttonsPanelHeight = 20;
    int flashPanelHeight = 20;
    int betweenWidth = 3;
    bool withButtonsBmp = true;
    // Replaces the value of one "Buttons" key (for instance "abc,0,25,19").
    int badKey = 0;
    QString badValue;
};
QImage skinTiles(int tileWidth, int tileHeight);
QByteArray skinInfoText(const SkinSpec& spec);
// A zip archive holding the named entries; returns path.
QString writeZip(const QString& path, const QMap<QString, QByteArray>& entries);
QString writeSkinPackage(const QString& path, const SkinSpec& spec);

// Mouse events straight to a widget, with the buttons held as a user's would be.
void sendMouse(QWidget* widget, int type, QPoint pos, Qt::MouseButtons held);

// Answers modal windows (message boxes, file dialogs) while a command or
// the window's creation waits in their event loop: records what they show
// and closes them.
class ModalAnswerer : public QObject {
public:
    ModalAnswerer();
    QStringList messageTexts;     // texts of the message boxes seen
    QStringList firstFilters;     // first name filter of each file dialog seen
    bool answerYes = true;

private:
    void poll();
    QTimer timer_;
};

// Starts the real main window with the program's dialogs in a fresh home
// and program folder; messages of the error display are collected.
class MediaTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Creates the window with arguments (and shows it when show is set).
    vx::MainForm& start(const QStringList& arguments = {}, bool show = true);
    // Closes the window as the user would (the settings are written).
    void stop();
    // One frame timer tick.
    void tick() { form->movie().followFrame(); }
    QString path(const QString& name) const { return files.path() + QLatin1Char('/') + name; }

    TempHome home;
    ProgramFolder program;
    QTemporaryDir files;
    QStringList messages;
    std::unique_ptr<vx::MainForm> form;
    std::unique_ptr<vx::ProgramDialogs> dialogs;
};

}  // namespace media
