#include "app/HotKeyFilter.h"

#include "app/MainForm.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace vx {

HotKeyFilter::HotKeyFilter(TMainForm* main) : main_(main) {}

bool HotKeyFilter::isHotKey(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers m = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape)
        return m == Qt::NoModifier;
    if (key == Qt::Key_C || key == Qt::Key_Left || key == Qt::Key_Right)
        return m == Qt::ControlModifier;
    return false;
}

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
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isHotKey(key->key(), key->modifiers())) {
            // Keep editors from claiming the key as their own shortcut.
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!isHotKey(key->key(), key->modifiers())) {
            // Keys of the main window's children (the movie control takes
            // the focus) go to the window's key handler, once: it would
            // otherwise see them again as they propagate up.
            auto* widget = static_cast<QWidget*>(watched);
            if (widget != main_ && widget->window() == main_) {
                main_->FormKeyDown(key->key(), key->modifiers());
                return true;
            }
            return false;
        }
        main_->handleHotKey(key->key(), key->modifiers());
        return true;
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        return isHotKey(key->key(), key->modifiers());
    }
    case QEvent::Wheel: {
        auto* widget = static_cast<QWidget*>(watched);
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
