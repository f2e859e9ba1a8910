// Where the skin buttons go on their bars, given the gap between buttons.
#pragma once

#include <array>

namespace vx {

// The step between top bar buttons: (width of btnOpen + gap) modulo 256.
int topButtonStep(int openWidth, int gap);

// Lefts of btnOpen .. btnNext: each follows the previous one by the step when
// the previous one is visible, else takes its place; btnOpen stays at openLeft.
std::array<int, 9> arrangeTopButtons(int openLeft, int openWidth, int gap,
                                     const std::array<bool, 9>& visible);

struct WindowButtonLefts {
    int fullScreen, minimize, maximize, close;
};
// Right-aligned window buttons of the top bar (visibility ignored).
WindowButtonLefts arrangeWindowButtons(int panelWidth, int fullScreenWidth, int minimizeWidth,
                                       int maximizeWidth, int closeWidth, int gap);

struct NavButtonLefts {
    int stop, progressBar;
};
// btnStop after btnPlay, the frame bar 5 pixels after btnStop.
NavButtonLefts arrangeNavButtons(int playLeft, int playWidth, int stopWidth, int gap);

// Top of a control centred in a bar: (bar - control) / 2, toward zero.
int centredTop(int barHeight, int controlHeight);

}  // namespace vx
