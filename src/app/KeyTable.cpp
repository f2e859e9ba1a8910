#include "app/KeyTable.h"

#include <QKeyEvent>
#include <array>

namespace vx {

namespace {

using C = KeyCommand;
using W = KeyWindows;
using F = KeyFiles;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

// The grid pairs some texts with the neighbouring command (L "Rotate left",
// Ctrl+Arrow Left "Rewind forward"): its rows are kept as the reference
// card has always shown them.
constexpr std::array<KeyBinding, 27> kKeys{{
    {Qt::Key_Escape, kNone, W::Any, F::Always, C::Close, "Esc", 1, "Esc"},
    {Qt::Key_C, kCtrl, W::Any, F::Always, C::CopyFile, "Ctrl+C", 16, "Ctrl+C"},
    {Qt::Key_Left, kCtrl, W::Any, F::Movie, C::RewindBack, "Ctrl+Left", 17, "Ctrl+Arrow Left"},
    {Qt::Key_Right, kCtrl, W::Any, F::Movie, C::RewindForward, "Ctrl+Right", 18, "Ctrl+Arrow Right"},
    {Qt::Key_Return, kNone, W::Main, F::Always, C::FullScreenToggle, "Enter", 12, "Enter"},
    {Qt::Key_Enter, kNone, W::Main, F::Always, C::FullScreenToggle, "keypad Enter", 12, "Enter"},
    {Qt::Key_Space, kNone, W::Main, F::Picture, C::NextFile, "Space", 2, "Space"},
    {Qt::Key_PageDown, kNone, W::Main, F::Always, C::NextFile, "PageDown", 2, "PageDown"},
    {Qt::Key_Backspace, kNone, W::Main, F::Picture, C::PreviousFile, "Backspace", 3, "Backspace"},
    {Qt::Key_PageUp, kNone, W::Main, F::Always, C::PreviousFile, "PageUp", 3, "PageUp"},
    {Qt::Key_Home, kNone, W::Main, F::Always, C::FirstFile, "Home", 5, "Home"},
    {Qt::Key_End, kNone, W::Main, F::Always, C::LastFile, "End", 4, "End"},
    {Qt::Key_Up, kNone, W::Main, F::Always, C::ScrollUp, "Up", 0, nullptr},
    {Qt::Key_Down, kNone, W::Main, F::Always, C::ScrollDown, "Down", 0, nullptr},
    {Qt::Key_Left, kNone, W::Main, F::Always, C::ScrollLeft, "Left", 0, nullptr},
    {Qt::Key_Right, kNone, W::Main, F::Always, C::ScrollRight, "Right", 0, nullptr},
    {Qt::Key_F1, kNone, W::Main, F::Always, C::ShowSettings, "F1", 10, "F1"},
    {Qt::Key_F2, kNone, W::Main, F::Always, C::Rename, "F2", 11, "F2"},
    {Qt::Key_F4, kNone, W::Main, F::Always, C::ShowBrowserCache, "F4", 19, "F4"},
    {Qt::Key_F12, kNone, W::Main, F::Movie, C::ToggleFlashPanel, "F12", 13, "F12"},
    // The keypad's + - * and the same characters of the main keyboard (and
    // its = key, + without Shift) for keyboards without a keypad.
    {Qt::Key_Asterisk, kNone, W::Main, F::Always, C::FitToggle, "*", 8, "Num*"},
    {Qt::Key_Plus, kNone, W::Main, F::Always, C::ZoomIn, "+", 6, "Num+"},
    {Qt::Key_Equal, kNone, W::Main, F::Always, C::ZoomIn, "=", 0, nullptr},
    {Qt::Key_Minus, kNone, W::Main, F::Always, C::ZoomOut, "-", 7, "Num-"},
    {Qt::Key_L, kNone, W::Main, F::Always, C::Rotate90, "L", 14, "L"},
    {Qt::Key_R, kNone, W::Main, F::Always, C::Rotate270, "R", 15, "R"},
    {Qt::Key_Delete, kNone, W::Main, F::Always, C::Delete, "Delete", 9, "Delete"},
}};

// X keycodes (evdev codes + 8) of the letter keys, which name the physical
// key whatever the layout: A..Z.
constexpr std::array<quint32, 26> kLetterScanCodes{38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58,
                                                   57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52};

}  // namespace

std::span<const KeyBinding> keyTable()
{
    return kKeys;
}

const KeyBinding* findKeyBinding(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers m = modifiers & ~Qt::KeypadModifier;
    for (const KeyBinding& b : kKeys)
        if (b.windows == W::Any && b.key == key && b.modifiers == m)
            return &b;
    // The main window's keys don't look at the modifiers: Shift+Space is Space.
    for (const KeyBinding& b : kKeys)
        if (b.windows == W::Main && b.key == key)
            return &b;
    return nullptr;
}

int layoutIndependentKey(const QKeyEvent& event)
{
    const int key = event.key();
    // Qt's keys for characters are their upper-case code points; the
    // special keys start at 0x01000000.
    const bool nonLatinCharacter = key > 0xFF && key < Qt::Key_Escape;
    if (!nonLatinCharacter)
        return key;
    for (size_t i = 0; i < kLetterScanCodes.size(); ++i)
        if (kLetterScanCodes[i] == event.nativeScanCode())
            return Qt::Key_A + int(i);
    return key;
}

QString keyCommandText(KeyCommand command)
{
    switch (command) {
    case C::Close: return QStringLiteral("close the window (ends the program in the main window)");
    case C::CopyFile: return QStringLiteral("copy the file to the clipboard");
    case C::RewindBack: return QStringLiteral("movie 5 frames back");
    case C::RewindForward: return QStringLiteral("movie 5 frames forward");
    case C::FullScreenToggle: return QStringLiteral("full screen on/off");
    case C::NextFile: return QStringLiteral("next file");
    case C::PreviousFile: return QStringLiteral("previous file");
    case C::FirstFile: return QStringLiteral("first file");
    case C::LastFile: return QStringLiteral("last file");
    case C::ScrollUp: return QStringLiteral("scroll up");
    case C::ScrollDown: return QStringLiteral("scroll down");
    case C::ScrollLeft: return QStringLiteral("scroll left");
    case C::ScrollRight: return QStringLiteral("scroll right");
    case C::ShowSettings: return QStringLiteral("settings dialog");
    case C::Rename: return QStringLiteral("rename the file");
    case C::ShowBrowserCache: return QStringLiteral("browser cache");
    case C::ToggleFlashPanel: return QStringLiteral("movie panel on/off");
    case C::FitToggle: return QStringLiteral("fit / natural size");
    case C::ZoomIn: return QStringLiteral("zoom in");
    case C::ZoomOut: return QStringLiteral("zoom out");
    case C::Rotate90: return QStringLiteral("rotate clockwise");
    case C::Rotate270: return QStringLiteral("rotate anticlockwise");
    case C::Delete: return QStringLiteral("delete the file");
    }
    return QString();
}

QString keyWhereText(const KeyBinding& binding)
{
    QString where = binding.windows == W::Any ? QStringLiteral("every window") : QStringLiteral("main window");
    if (binding.files == F::Picture)
        where += QStringLiteral(", pictures");
    else if (binding.files == F::Movie)
        where += QStringLiteral(", movies");
    return where;
}

QStringList hotKeyGridKeys()
{
    QStringList rows(19);
    for (const KeyBinding& b : kKeys) {
        if (b.gridRow < 1 || b.gridRow > 19)
            continue;
        QString& row = rows[b.gridRow - 1];
        const QString name = QString::fromLatin1(b.gridName);
        if (row.split(QStringLiteral("; ")).contains(name))
            continue;
        row = row.isEmpty() ? name : row + QStringLiteral("; ") + name;
    }
    return rows;
}

}  // namespace vx
