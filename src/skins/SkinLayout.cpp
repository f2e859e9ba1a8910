#include "skins/SkinLayout.h"

namespace vx {

int topButtonStep(int openWidth, int gap)
{
    return int((unsigned(openWidth) + unsigned(gap)) & 0xFFu);
}

std::array<int, 9> arrangeTopButtons(int openLeft, int openWidth, int gap,
                                     const std::array<bool, 9>& visible)
{
    const int step = topButtonStep(openWidth, gap);
    std::array<int, 9> lefts{};
    lefts[0] = openLeft;
    for (int i = 1; i < 9; ++i)
        lefts[i] = lefts[i - 1] + (visible[i - 1] ? step : 0);
    return lefts;
}

WindowButtonLefts arrangeWindowButtons(int panelWidth, int fullScreenWidth, int minimizeWidth,
                                       int maximizeWidth, int closeWidth, int gap)
{
    WindowButtonLefts l;
    l.close = panelWidth - closeWidth;
    l.maximize = l.close - maximizeWidth - gap;
    l.minimize = l.maximize - minimizeWidth - gap;
    l.fullScreen = l.minimize - fullScreenWidth - gap;
    return l;
}

NavButtonLefts arrangeNavButtons(int playLeft, int playWidth, int stopWidth, int gap)
{
    NavButtonLefts l;
    l.stop = playLeft + playWidth + gap;
    l.progressBar = l.stop + stopWidth + 5;
    return l;
}

int centredTop(int barHeight, int controlHeight)
{
    return (barHeight - controlHeight) / 2;
}

}  // namespace vx
