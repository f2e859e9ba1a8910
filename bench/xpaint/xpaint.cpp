// Times a picture viewer from outside, on an X display: how long from the
// launch (or from a key) until the picture's colour is on the screen.
//
//   xpaint launch RRGGBB -- viewer args...
//       launches the viewer and prints the milliseconds until RRGGBB shows
//   xpaint next RRGGBB NEXTRGB KEYSYM -- viewer args...
//       launches the viewer, waits for RRGGBB, gives the viewer's window the
//       keyboard focus, lets it rest for a second (a picture looked at),
//       presses KEYSYM and prints the milliseconds until NEXTRGB shows.
//       RRGGBB "-" opens a picture that is still decoding when the key
//       comes: the key is pressed 300 ms after the window showed
//
//   xpaint hold KEYSYM RRGGBB... -- viewer args...
//       launches the viewer on the first of a folder of pictures, each of
//       one of the colours in order; waits for the first, holds KEYSYM down
//       until a second after the last colour showed (60 s at most), then
//       lets it go. Prints each picture seen with its time, the longest time
//       the viewer's window stayed unchanged while the key repeated (a
//       window that answers the key changes at least its label each time), and
//       whether the last picture is still shown a second after the release;
//       leaves the viewer running and prints its process id last.
//
// launch and next print a second figure, the viewer's peak resident memory
// (VmHWM, KB): at the end for launch, just before the key for next (the
// picture shown, the next one decoded ahead); then they end the viewer. The key goes through the XTEST extension
// (toolkits ignore sent events). The screen is sampled on fifteen rows,
// every 1 ms; a pixel within 40 of the colour in each channel counts, on
// five points of a row at least, so test pictures are made of one colour
// with some noise. The colour must not be on the screen before the launch.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Colour {
    int r, g, b;
};

Colour parseColour(const char* text)
{
    const unsigned long c = std::strtoul(text, nullptr, 16);
    return {int((c >> 16) & 255), int((c >> 8) & 255), int(c & 255)};
}

bool near(unsigned long pixel, Colour c)
{
    const int r = int((pixel >> 16) & 255), g = int((pixel >> 8) & 255), b = int(pixel & 255);
    return std::abs(r - c.r) < 40 && std::abs(g - c.g) < 40 && std::abs(b - c.b) < 40;
}

// Fifteen rows across the screen, every fourth pixel of each.
using Samples = std::vector<std::vector<unsigned long>>;

Samples sampleScreen(Display* d)
{
    const Window root = DefaultRootWindow(d);
    XWindowAttributes a;
    XGetWindowAttributes(d, root, &a);
    Samples rows;
    for (int gy = 1; gy < 16; ++gy) {
        XImage* row = XGetImage(d, root, 0, a.height * gy / 16, unsigned(a.width), 1, AllPlanes, ZPixmap);
        if (!row)
            continue;
        rows.emplace_back();
        for (int x = 2; x < a.width; x += 4)
            rows.back().push_back(XGetPixel(row, x, 0));
        XDestroyImage(row);
    }
    return rows;
}

bool colourIn(const Samples& rows, Colour c)
{
    for (const auto& row : rows) {
        int hits = 0;
        for (unsigned long pixel : row)
            if (near(pixel, c) && ++hits >= 5)
                return true;
    }
    return false;
}

bool colourShown(Display* d, Colour c) { return colourIn(sampleScreen(d), c); }

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds from start until the colour shows; -1 after 20 s.
double waitFor(Display* d, Colour c, Clock::time_point start)
{
    while (!colourShown(d, c)) {
        if (Clock::now() - start > std::chrono::seconds(20))
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return msSince(start);
}

pid_t spawn(char** argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        // The viewer's output would hold the pipe of whoever reads ours.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv);
        _exit(127);
    }
    return pid;
}

long peakKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

void endViewer(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// The viewer's top-level window: the one that names its process, else the
// topmost mapped one (there is no window manager to ask).
Window viewerWindow(Display* d, pid_t pid)
{
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &count))
        return 0;
    const Atom wmPid = XInternAtom(d, "_NET_WM_PID", True);
    Window byPid = 0, topmost = 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable || a.width < 50)
            continue;
        topmost = children[i];
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (wmPid != None
            && XGetWindowProperty(d, children[i], wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data)
                   == Success
            && data) {
            if (items == 1 && format == 32 && pid_t(*reinterpret_cast<unsigned long*>(data)) == pid)
                byPid = children[i];
            XFree(data);
        }
    }
    XFree(children);
    return byPid ? byPid : topmost;
}

// A checksum of what the window shows now (0 when it can't be read).
uint64_t windowChecksum(Display* d, Window w)
{
    XWindowAttributes a;
    if (!w || !XGetWindowAttributes(d, w, &a))
        return 0;
    XImage* image = XGetImage(d, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!image)
        return 0;
    uint64_t sum = 1469598103934665603ull;
    for (int y = 0; y < a.height; y += 2)
        for (int x = 0; x < a.width; x += 2)
            sum = (sum ^ XGetPixel(image, x, y)) * 1099511628211ull;
    XDestroyImage(image);
    return sum;
}

// The index of the last colour of `colours` shown, -1 when none is.
int shownIndex(Display* d, const std::vector<Colour>& colours)
{
    const Samples rows = sampleScreen(d);
    for (int i = int(colours.size()) - 1; i >= 0; --i)
        if (colourIn(rows, colours[size_t(i)]))
            return i;
    return -1;
}

int hold(Display* d, pid_t viewer, KeyCode key, const std::vector<Colour>& colours)
{
    const Window w = viewerWindow(d, viewer);
    if (w)
        XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    XSync(d, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto pressed = Clock::now();
    XTestFakeKeyEvent(d, key, True, CurrentTime);
    XFlush(d);
    // The first change after the press is the first key; repeats start
    // after the server's repeat delay, which is not the viewer's time.
    int seen = 0, last = 0, changes = 0;
    double longestStill = 0, lastChange = 0, reached = -1;
    uint64_t sum = windowChecksum(d, w);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const double now = msSince(pressed);
        const uint64_t next = windowChecksum(d, w);
        if (next != sum) {
            if (++changes > 2)
                longestStill = std::max(longestStill, now - lastChange);
            lastChange = now;
            sum = next;
        }
        const int index = shownIndex(d, colours);
        if (index > last) {
            std::printf("picture %d shown at %.0f ms\n", index + 1, now);
            last = index;
            ++seen;
            if (last == int(colours.size()) - 1)
                reached = now;
        }
        // Held on for a second past the last picture, to see the key at the end do nothing wrong.
        if ((reached >= 0 && now > reached + 1000) || now > 60000)
            break;
    }
    XTestFakeKeyEvent(d, key, False, CurrentTime);
    XFlush(d);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const bool endsOnLast = shownIndex(d, colours) == int(colours.size()) - 1;
    std::printf("last of %zu pictures %s after %.0f ms; %d pictures seen on the way\n", colours.size(),
                reached >= 0 ? "reached" : "NOT reached", reached, seen);
    std::printf("longest time the window stayed unchanged while the key repeated: %.0f ms\n", longestStill);
    std::printf("a second after the release the last picture is %s\n", endsOnLast ? "shown" : "NOT shown");
    std::printf("%d\n", int(viewer));
    return endsOnLast ? 0 : 1;
}

// Milliseconds from start until the viewer has a window on the screen; -1 after 20 s.
double waitForWindow(Display* d, pid_t viewer, Clock::time_point start)
{
    while (!viewerWindow(d, viewer)) {
        if (Clock::now() - start > std::chrono::seconds(20))
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return msSince(start);
}

int usage()
{
    std::fprintf(stderr, "usage: xpaint launch RRGGBB -- viewer args...\n"
                         "       xpaint next RRGGBB NEXTRGB KEYSYM -- viewer args...\n"
                         "       xpaint hold KEYSYM RRGGBB... -- viewer args...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    int dashes = mode == "launch" ? 3 : 5;
    if (mode == "hold")
        for (dashes = 3; dashes < argc && std::strcmp(argv[dashes], "--") != 0; ++dashes) {}
    if ((mode != "launch" && mode != "next" && mode != "hold") || argc <= dashes + 1
        || std::strcmp(argv[dashes], "--") != 0)
        return usage();
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "xpaint: no display\n");
        return 2;
    }
    if (mode == "hold") {
        std::vector<Colour> colours;
        for (int i = 3; i < dashes; ++i)
            colours.push_back(parseColour(argv[i]));
        if (colours.empty() || shownIndex(d, colours) >= 0) {
            std::fprintf(stderr, "xpaint: no colours, or one is on the screen before the launch\n");
            return 2;
        }
        const pid_t viewer = spawn(argv + dashes + 1);
        if (waitFor(d, colours.front(), Clock::now()) < 0) {
            endViewer(viewer);
            std::fprintf(stderr, "xpaint: the first picture never showed\n");
            return 1;
        }
        const int rc = hold(d, viewer, XKeysymToKeycode(d, XStringToKeysym(argv[2])), colours);
        XCloseDisplay(d);
        return rc;
    }
    // "-" for the first colour: a picture still decoding, nothing to wait for but the window.
    const bool slowFirst = std::strcmp(argv[2], "-") == 0 && mode == "next";
    const Colour first = parseColour(argv[2]);
    if (!slowFirst && colourShown(d, first)) {
        std::fprintf(stderr, "xpaint: %s is on the screen before the launch\n", argv[2]);
        return 2;
    }
    const auto start = Clock::now();
    const pid_t viewer = spawn(argv + dashes + 1);
    double ms = slowFirst ? waitForWindow(d, viewer, start) : waitFor(d, first, start);
    long peak = -1;
    if (ms >= 0 && mode == "next") {
        const Colour next = parseColour(argv[3]);
        const KeyCode key = XKeysymToKeycode(d, XStringToKeysym(argv[4]));
        const Window w = viewerWindow(d, viewer);
        if (w)
            XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
        XSync(d, False);
        std::this_thread::sleep_for(slowFirst ? std::chrono::milliseconds(300) : std::chrono::milliseconds(1000));
        if (colourShown(d, next)) {
            std::fprintf(stderr, "xpaint: %s is on the screen before the key\n", argv[3]);
            ms = -1;
        } else {
            peak = peakKb(viewer);
            const auto pressed = Clock::now();
            XTestFakeKeyEvent(d, key, True, CurrentTime);
            XTestFakeKeyEvent(d, key, False, CurrentTime);
            XFlush(d);
            ms = waitFor(d, next, pressed);
        }
    }
    if (mode == "launch")
        peak = peakKb(viewer);
    endViewer(viewer);
    std::printf("%.1f %ld\n", ms, peak);
    XCloseDisplay(d);
    return ms < 0 ? 1 : 0;
}
