// The one table of keys: which key, with which modifiers, in which windows
// and for which kind of file, runs which command. The key handler, the hot
// keys, the README's key list and the settings dialog's hot-key grid all
// come from it.
//
// To add a key, add one row to the table in KeyTable.cpp (and, for a new
// command, a KeyCommand and its case in MainForm::runKeyCommand).
#pragma once

#include <QString>
#include <QStringList>
#include <Qt>
#include <span>

class QKeyEvent;

namespace vx {

enum class KeyCommand {
    Close,  // Esc: ends the program in the main window, cancels the viewer's dialogs
    CopyFile,
    RewindBack,
    RewindForward,
    FullScreenToggle,
    NextFile,
    PreviousFile,
    FirstFile,
    LastFile,
    ScrollUp,
    ScrollDown,
    ScrollLeft,
    ScrollRight,
    ShowSettings,
    Rename,
    ShowBrowserCache,
    ToggleFlashPanel,
    FitToggle,
    ZoomIn,
    ZoomOut,
    Rotate90,
    Rotate270,
    Delete,
};

// In which windows a key acts: the main window and its children (any
// modifiers), or every window of the viewer, dialogs included (exactly the
// given modifiers; the key never reaches the focused control).
enum class KeyWindows { Main, Any };
// For which current file: any, a picture (not a movie), a movie.
enum class KeyFiles { Always, Picture, Movie };

struct KeyBinding {
    int key;  // Qt::Key
    Qt::KeyboardModifiers modifiers;
    KeyWindows windows;
    KeyFiles files;
    KeyCommand command;
    const char* name;      // as the README writes the key
    int gridRow;           // row of the settings dialog's hot-key grid (1..19); 0 = not listed
    const char* gridName;  // the key as the grid writes it
};

std::span<const KeyBinding> keyTable();

// The row a key press runs (the keypad modifier plays no part): the rows
// for every window first, then the main window's; nullptr when none.
const KeyBinding* findKeyBinding(int key, Qt::KeyboardModifiers modifiers);

// The key of the event as it sits on the keyboard: where the layout gives
// a letter outside Latin (a Russian layout's Д on the L key), the Latin
// letter of the physical key, so commands don't change with the layout.
int layoutIndependentKey(const QKeyEvent& event);

// The English text of a command, as the README's key table writes it.
QString keyCommandText(KeyCommand command);
// Where a row acts, as the README's key table writes it.
QString keyWhereText(const KeyBinding& binding);

// Column 1 of the hot-key grid, rows 1..19: the names of each row's keys,
// joined by "; " ("Space; PageDown").
QStringList hotKeyGridKeys();

}  // namespace vx
