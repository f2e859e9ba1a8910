// Work that can wait until a widget is on the screen: run once from the
// event loop after the widget's next paint, so it neither delays that
// paint nor takes the processor from it.
#pragma once

#include <functional>

class QWidget;

namespace vx {

// Runs work after widget's next paint, or after fallbackMs when no paint
// comes by then (a hidden or covered window). Nothing runs once the widget
// is gone.
void runAfterNextPaint(QWidget* widget, std::function<void()> work, int fallbackMs);

}  // namespace vx
