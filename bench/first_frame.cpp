// How long a program takes from its start to the first frame of its 800 x 600 window on the X
// display: the moment the window's first pixel shows the table colour. Prints the milliseconds
// and the program's process id, and leaves the program running.
//   first_frame PROGRAM [ARGUMENTS...]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

std::vector<Window> top_windows(Display* d) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> windows;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        windows.assign(children, children + count);
    if (children) XFree(children);
    return windows;
}

// Whether a viewable 800 x 600 window that was not there before shows the table colour in its
// top-left pixel.
bool first_frame_shown(Display* d, const std::vector<Window>& before) {
    const std::vector<Window> children = top_windows(d);
    const unsigned count = static_cast<unsigned>(children.size());
    bool shown = false;
    for (unsigned i = 0; i < count && !shown; ++i) {
        if (std::find(before.begin(), before.end(), children[i]) != before.end()) continue;
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable ||
            a.width != 800 || a.height != 600)
            continue;
        XImage* image = XGetImage(d, children[i], 0, 0, 1, 1, AllPlanes, ZPixmap);
        if (!image) continue;
        shown = (XGetPixel(image, 0, 0) & 0xFFFFFF) == 0x008080;
        XDestroyImage(image);
    }
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    Display* d = argc > 1 ? XOpenDisplay(nullptr) : nullptr;
    if (!d) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENTS...] (with DISPLAY set)\n", argv[0]);
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows may vanish meanwhile
    const std::vector<Window> before = top_windows(d);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // Our output is the figure alone, and whoever reads it must not wait for the program.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    const auto deadline = start + std::chrono::seconds(30);
    while (!first_frame_shown(d, before)) {
        if (std::chrono::steady_clock::now() > deadline) return 1;
        usleep(500);
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.1f %d\n", took.count(), static_cast<int>(pid));
    XCloseDisplay(d);
    return 0;
}
