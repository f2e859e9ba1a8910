// One QApplication for the whole test program, made on first use.
#pragma once

#include <QApplication>

inline void ensureGuiApp() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_skins_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
