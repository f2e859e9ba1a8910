#include "app/HotKeyFilter.h"

#include "app/KeyTable.h"
#include "app/MainForm.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace vx {

HotKeyFilter::HotKeyFilter(MainForm* main) : main_(main) {}

int HotKeyFilter::wheelSteps(int delta)
{
    constexpr int kWheelStep = 120;
    // A change of direction starts counting afresh.
    if ((delta > 0 && wheelRest_ < 0) || (delta < 0 && wheelRest_ > 0))
        wheelRest_ = 0;
    wheelRest_ += delta;
    const int steps = wheelRest_ / kWheelStep;
    wheelRest_ -= steps * kWheelStep;
    return steps;
}

bool HotKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    // Events reach the window object first and then its widget: act once, on the widget.
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        const KeyBinding* binding = findKeyBinding(layoutIndependentKey(*key), key->modifiers());
        if (!binding)
            return false;
        // Keys of every window act wherever they are pressed; the main
        // window's keys also when one of its children (the movie control
        // takes the focus) has the focus, once: they would otherwise be
        // seen again as they propagate up.
        const bool ours = binding->windows == KeyWindows::Any || widget->window() == main_;
        if (!ours)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // Keep editors from claiming the key as their own shortcut.
            if (binding->windows != KeyWindows::Any)
                return false;
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyRelease)
            return binding->windows == KeyWindows::Any;
        main_->runKeyCommand(*binding, widget->window());
        return true;
    }
    case QEvent::Wheel: {
        if (widget->window() != main_)
            return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        // Touchpads and high-resolution wheels send fractions of a step: one
        // file per whole step, not one per event.
        const int steps = wheelSteps(wheel->angleDelta().y());
        for (int i = 0; i < steps; ++i)
            main_->PreviousFile();
        for (int i = 0; i < -steps; ++i)
            main_->NextFile();
        wheel->accept();
        return true;
    }
    default:
        return false;
    }
}

}  // namespace vx
