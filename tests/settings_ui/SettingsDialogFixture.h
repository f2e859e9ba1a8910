// The real main window with its dialogs, and a way to act in the settings
// dialog while it runs modally.
#pragma once

#include "gui_main/MainWindowFixture.h"
#include "settings/ui/SettingsForm.h"
#include "skins/ui/SkinButton.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

class SettingsDialogTest : public MainWindowTest {
protected:
    vx::SettingsForm* dialog() const { return static_cast<vx::SettingsForm*>(dialogs->SettingsForm); }

    // Opens the dialog with F1 (or the Settings button), runs act while it is
    // shown and closes it afterwards if act left it open.
    void showDialog(const std::function<void(vx::SettingsForm&)>& act, bool viaButton = false)
    {
        bool ran = false;
        QTimer::singleShot(0, form.get(), [&] {
            vx::SettingsForm* d = dialog();
            EXPECT_TRUE(d->isVisible());
            if (d->isVisible())
                act(*d);
            ran = true;
            if (d->isVisible())
                d->reject();
        });
        if (viaButton)
            QTest::mouseClick(form->button(vx::kBtnSettings), Qt::LeftButton, {},
                              QPoint(3, 3));
        else
            key(Qt::Key_F1);
        EXPECT_TRUE(ran);
    }
};
