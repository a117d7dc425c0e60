/* vlt-x-hotkey: times the hotkey as the X server sees it. It types Ctrl+Alt+Space into the window titled
 * <focus title> (through XTEST, as a keyboard would) and waits for the X windows titled "<prefix> 1" to
 * "<prefix> <count>" to be unmapped; the time from the key press to the last UnmapNotify is one sample. The
 * next press, untimed, brings them back (MapNotify). Prints "<median> <min> <max>" in milliseconds. Usage:
 * vlt-x-hotkey <prefix> <count> <focus title> <presses> Built for the host by script/bench; never shipped. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { kMaxWindows = 256, kTimeoutMs = 20000 };

static double now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

struct search {
    const char* prefix;
    int count;
    const char* focus_title;
    Window found[kMaxWindows];
    Window focus;
};

static void visit(Display* display, Window window, struct search* search) {
    char* name = NULL;
    if (XFetchName(display, window, &name) && name) {
        size_t prefix_length = strlen(search->prefix);
        if (strcmp(name, search->focus_title) == 0) {
            search->focus = window;
        } else if (strncmp(name, search->prefix, prefix_length) == 0 && name[prefix_length] == ' ') {
            int number = atoi(name + prefix_length + 1);
            if (number >= 1 && number <= search->count) search->found[number - 1] = window;
        }
        XFree(name);
    }
    Window root, parent, *children = NULL;
    unsigned int child_count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &child_count)) return;
    for (unsigned int i = 0; i < child_count; ++i)
        visit(display, children[i], search);
    if (children) XFree(children);
}

/* Wine may give a window a new X window when its style changes, so the windows are looked up before each
 * press. */
static int find_windows(Display* display, struct search* search) {
    memset(search->found, 0, sizeof(search->found));
    search->focus = 0;
    visit(display, DefaultRootWindow(display), search);
    if (!search->focus) return 0;
    for (int i = 0; i < search->count; ++i) {
        if (!search->found[i]) return 0;
        XSelectInput(display, search->found[i], StructureNotifyMask);
    }
    XSync(display, False);
    return 1;
}

static void press_hotkey(Display* display) {
    const KeySym keys[] = {XK_Control_L, XK_Alt_L, XK_space};
    for (int i = 0; i < 3; ++i)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keys[i]), True, CurrentTime);
    for (int i = 2; i >= 0; --i)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keys[i]), False, CurrentTime);
    XFlush(display);
}

/* Waits until every window has reported `type`; returns the time of the last report, or a negative number. */
static double wait_for_all(Display* display, struct search* search, int type) {
    int seen[kMaxWindows] = {0};
    int missing = search->count;
    double last = -1;
    const double deadline = now_ms() + kTimeoutMs;
    while (missing > 0) {
        while (missing > 0 && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != type) continue;
            for (int i = 0; i < search->count; ++i) {
                if (!seen[i] && event.xany.window == search->found[i]) {
                    seen[i] = 1;
                    --missing;
                    last = now_ms();
                }
            }
        }
        if (missing == 0) break;
        const double left = deadline - now_ms();
        if (left <= 0) return -1;
        struct pollfd connection = {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, (int)left);
    }
    return last;
}

static void focus(Display* display, Window window) {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    usleep(200 * 1000);
}

static int compare(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: %s <prefix> <count> <focus title> <presses>\n", argv[0]);
        return 2;
    }
    struct search search = {argv[1], atoi(argv[2]), argv[3], {0}, 0};
    const int presses = atoi(argv[4]);
    if (search.count < 1 || search.count > kMaxWindows || presses < 1) return 2;
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "vlt-x-hotkey: no display\n");
        return 1;
    }
    double* samples = calloc((size_t)presses, sizeof(double));
    for (int press = 0; press < presses; ++press) {
        if (!find_windows(display, &search)) {
            fprintf(stderr, "vlt-x-hotkey: the windows are not all there\n");
            return 1;
        }
        focus(display, search.focus);
        const double start = now_ms();
        press_hotkey(display);
        const double hidden = wait_for_all(display, &search, UnmapNotify);
        if (hidden < 0) {
            fprintf(stderr, "vlt-x-hotkey: the windows were not all unmapped\n");
            return 1;
        }
        samples[press] = hidden - start;
        focus(display, search.focus);
        press_hotkey(display);
        if (wait_for_all(display, &search, MapNotify) < 0) {
            fprintf(stderr, "vlt-x-hotkey: the windows did not all come back\n");
            return 1;
        }
        usleep(300 * 1000);
    }
    qsort(samples, (size_t)presses, sizeof(double), compare);
    const double median =
        presses % 2 ? samples[presses / 2] : (samples[presses / 2 - 1] + samples[presses / 2]) / 2;
    printf("%.1f %.1f %.1f\n", median, samples[0], samples[presses - 1]);
    free(samples);
    XCloseDisplay(display);
    return 0;
}
