// Times a picture viewer from outside, on an X display: how long from the
// launch (or from a key) until the picture's colour is on the screen.
//
//   xpaint launch RRGGBB -- viewer args...   launch the viewer, print the
//                                            milliseconds until RRGGBB shows
//   xpaint key RRGGBB KEYSYM                 press KEYSYM (xdotool), print
//                                            the milliseconds until RRGGBB shows
//
// The screen is sampled on a 16 x 16 grid every 2 ms; a sample within 48 of
// the colour in each channel counts. Test pictures are made of one colour
// with some noise, so any part of them on screen is seen.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool near(unsigned long pixel, int r, int g, int b)
{
    const int pr = int((pixel >> 16) & 255), pg = int((pixel >> 8) & 255), pb = int(pixel & 255);
    return std::abs(pr - r) < 48 && std::abs(pg - g) < 48 && std::abs(pb - b) < 48;
}

bool colourShown(Display* d, int r, int g, int b)
{
    const Window root = DefaultRootWindow(d);
    XWindowAttributes a;
    XGetWindowAttributes(d, root, &a);
    bool found = false;
    // Fifteen rows of the screen, sixteen samples along each.
    for (int gy = 1; gy < 16 && !found; ++gy) {
        XImage* row = XGetImage(d, root, 0, a.height * gy / 16, unsigned(a.width), 1, AllPlanes, ZPixmap);
        if (!row)
            continue;
        for (int gx = 1; gx < 16 && !found; ++gx)
            found = near(XGetPixel(row, a.width * gx / 16, 0), r, g, b);
        XDestroyImage(row);
    }
    return found;
}

pid_t spawn(char** argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv);
        _exit(127);
    }
    return pid;
}

int waitFor(Display* d, int r, int g, int b, Clock::time_point start)
{
    for (;;) {
        if (colourShown(d, r, g, b))
            return int(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count() / 1000);
        if (Clock::now() - start > std::chrono::seconds(20))
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: xpaint launch RRGGBB -- viewer args... | xpaint key RRGGBB KEYSYM\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const unsigned long colour = std::strtoul(argv[2], nullptr, 16);
    const int r = int((colour >> 16) & 255), g = int((colour >> 8) & 255), b = int(colour & 255);
    const std::string mode = argv[1];
    int ms = -1;
    if (mode == "launch" && argc > 4 && std::strcmp(argv[3], "--") == 0) {
        const auto start = Clock::now();
        spawn(argv + 4);
        ms = waitFor(d, r, g, b, start);
    } else if (mode == "key") {
        char xdotool[] = "xdotool", keyWord[] = "key";
        char* args[] = {xdotool, keyWord, argv[3], nullptr};
        const auto start = Clock::now();
        const pid_t pid = spawn(args);
        ms = waitFor(d, r, g, b, start);
        waitpid(pid, nullptr, 0);
    }
    std::printf("%d\n", ms);
    XCloseDisplay(d);
    return ms < 0 ? 1 : 0;
}
