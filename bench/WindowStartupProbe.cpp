// ostrel-qr-startup-probe PROGRAM [RUNS]: times the window program from its start to its main
// window shown. For every run it notes the time, starts PROGRAM (fork and exec), waits for the X
// server to map a top-level window of it, notes the time again and kills the process. Prints the
// title of the window once and then "startup_ms" followed by the time of every run.
//
// Run it under Xvfb (the X server must be up before the timing starts, so that its own start-up
// does not count).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The window's title as UTF-8 (_NET_WM_NAME, else WM_NAME); empty when it has none.
std::string Title(Display* display, Window window) {
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) != 0 && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

// Waits up to `seconds` for an X event; false on timeout.
bool NextEvent(Display* display, XEvent& event, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (XPending(display) == 0) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return false;
        }
        const int fd = ConnectionNumber(display);
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        timeval timeout{static_cast<time_t>(micros / 1000000),
                        static_cast<suseconds_t>(micros % 1000000)};
        select(fd + 1, &fds, nullptr, nullptr, &timeout);
    }
    XNextEvent(display, &event);
    return true;
}

void Drain(Display* display) {
    XSync(display, False);
    XEvent event;
    while (XPending(display) != 0) {
        XNextEvent(display, &event);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [RUNS]\n", argv[0]);
        return 2;
    }
    const char* program = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display (run under xvfb-run)\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    Drain(display);

    std::vector<double> times;
    std::string shownTitle;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        const pid_t child = fork();
        if (child < 0) {
            std::perror("fork");
            return 1;
        }
        if (child == 0) {
            execl(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        bool shown = false;
        XEvent event;
        while (!shown && NextEvent(display, event, 20.0)) {
            if (event.type == MapNotify && event.xmap.event == root &&
                event.xmap.override_redirect == False) {
                times.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                if (shownTitle.empty()) {
                    shownTitle = Title(display, event.xmap.window);
                }
                shown = true;
            }
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        Drain(display);
        if (!shown) {
            std::fprintf(stderr, "run %d: no window within 20 s\n", run);
            return 1;
        }
    }
    std::printf("title %s\n", shownTitle.c_str());
    std::printf("startup_ms");
    for (const double t : times) {
        std::printf(" %.3f", t);
    }
    std::printf("\n");
    XCloseDisplay(display);
    return 0;
}
