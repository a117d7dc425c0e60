/* vlt-x-hotkey: times the hotkey as the X server sees it. It types Ctrl+Alt+Space into the window titled
 * <focus title> (through XTEST, as a keyboard would), or with "button" clicks the first side button over it,
 * and waits for the X windows titled "<prefix> 1" to "<prefix> <count>" to be unmapped; the time from the
 * press to the last UnmapNotify is one sample. The next press, untimed, brings them back. Prints "<median>
 * <fastest> <slowest>" in milliseconds and the number of presses made again because they reached no window,
 * then every sample on a line of its own.
 *
 * Usage: vlt-x-hotkey <prefix> <count> <focus title> <presses> [button]
 *
 * Built for the host by script/bench; never shipped. */
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

enum { kMaxWindows = 256, kTimeoutMs = 5000 };

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

static int is_viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

static void visit(Display* display, Window window, struct search* search) {
    char* name = NULL;
    if (XFetchName(display, window, &name) && name) {
        size_t prefix_length = strlen(search->prefix);
        if (strcmp(name, search->focus_title) == 0) {
            search->focus = window;
        } else if (strncmp(name, search->prefix, prefix_length) == 0 && name[prefix_length] == ' ') {
            int number = atoi(name + prefix_length + 1);
            /* Wine makes a new X window for a window whose style changes while it is hidden and may keep the
             * old one, unmapped, under the same name: the one on the screen is the one to watch. */
            if (number >= 1 && number <= search->count &&
                (!search->found[number - 1] || is_viewable(display, window)))
                search->found[number - 1] = window;
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

static int side_button = 0;

static void press_hotkey(Display* display) {
    if (side_button) {
        /* X's button 8 is the first side button ("back"). */
        XTestFakeButtonEvent(display, 8, True, CurrentTime);
        XTestFakeButtonEvent(display, 8, False, CurrentTime);
        XFlush(display);
        return;
    }
    const KeySym keys[] = {XK_Control_L, XK_Alt_L, XK_space};
    for (int i = 0; i < 3; ++i)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keys[i]), True, CurrentTime);
    for (int i = 2; i >= 0; --i)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keys[i]), False, CurrentTime);
    XFlush(display);
}

/* Waits until every window has reported `type` (for unmapping, a destroyed window counts too); returns the
 * time of the last report, or a negative number on time-out, with the number of windows that did report in
 * `seen_count`. */
static double wait_for_all(Display* display, struct search* search, int type, int timeout_ms,
                           int* seen_count) {
    int seen[kMaxWindows] = {0};
    int missing = search->count;
    double last = -1;
    const double deadline = now_ms() + timeout_ms;
    while (missing > 0) {
        while (missing > 0 && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != type && !(type == UnmapNotify && event.type == DestroyNotify)) continue;
            for (int i = 0; i < search->count; ++i) {
                if (!seen[i] && event.xany.window == search->found[i]) {
                    seen[i] = 1;
                    --missing;
                    last = now_ms();
                }
            }
        }
        const double left = deadline - now_ms();
        if (missing == 0 || left <= 0) break;
        struct pollfd connection = {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, (int)left);
    }
    *seen_count = search->count - missing;
    return missing == 0 ? last : -1;
}

/* Whether every window, looked up again by name (Wine may give a restored window a new X window), is mapped.
 */
static int all_mapped(Display* display, struct search* search) {
    if (!find_windows(display, search)) return 0;
    for (int i = 0; i < search->count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, search->found[i], &attributes) ||
            attributes.map_state == IsUnmapped)
            return 0;
    }
    return 1;
}

/* For a click, the window is raised above the windows just shown back and the pointer rests in its middle. */
static void focus(Display* display, Window window) {
    XWindowAttributes attributes;
    if (side_button && XGetWindowAttributes(display, window, &attributes)) {
        XRaiseWindow(display, window);
        XWarpPointer(display, None, window, 0, 0, 0, 0, attributes.width / 2, attributes.height / 2);
    }
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    /* Veltrano takes a second press of the button within 300 ms for a bounce of the first. */
    usleep((side_button ? 400 : 200) * 1000);
}

static int compare(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv) {
    if (argc != 5 && !(argc == 6 && strcmp(argv[5], "button") == 0)) {
        fprintf(stderr, "usage: %s <prefix> <count> <focus title> <presses> [button]\n", argv[0]);
        return 2;
    }
    side_button = argc == 6;
    struct search search = {argv[1], atoi(argv[2]), argv[3], {0}, 0};
    const int presses = atoi(argv[4]);
    if (search.count < 1 || search.count > kMaxWindows || presses < 1) return 2;
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "vlt-x-hotkey: no display\n");
        return 1;
    }
    double* samples = calloc((size_t)presses, sizeof(double));
    /* A press that reaches no window at all (the focus had not arrived yet) is made again, at most 3 times in
     * the run, and counted; a press that hides only some of the windows is a failure. */
    int retries = 0;
    /* Windows just opened may not be mapped yet: a press then would wait for an unmap that cannot come. */
    for (int wait = 0; wait < 100 && !all_mapped(display, &search); ++wait)
        usleep(50 * 1000);
    for (int press = 0; press < presses; ++press) {
        if (!find_windows(display, &search)) {
            fprintf(stderr, "vlt-x-hotkey: press %d: the windows are not all there\n", press + 1);
            return 1;
        }
        int seen = 0;
        double start = 0, hidden = -1;
        do {
            focus(display, search.focus);
            start = now_ms();
            press_hotkey(display);
            hidden = wait_for_all(display, &search, UnmapNotify, kTimeoutMs, &seen);
        } while (hidden < 0 && seen == 0 && ++retries <= 3);
        if (hidden < 0) {
            fprintf(stderr, "vlt-x-hotkey: press %d: %d of %d windows unmapped\n", press + 1, seen,
                    search.count);
            return 1;
        }
        samples[press] = hidden - start;
        int back = 0;
        do {
            focus(display, search.focus);
            press_hotkey(display);
            wait_for_all(display, &search, MapNotify, kTimeoutMs, &seen);
            usleep(300 * 1000);
            back = all_mapped(display, &search);
        } while (!back && ++retries <= 3);
        if (!back) {
            fprintf(stderr, "vlt-x-hotkey: press %d: the windows did not come back\n", press + 1);
            return 1;
        }
    }
    qsort(samples, (size_t)presses, sizeof(double), compare);
    const double median =
        presses % 2 ? samples[presses / 2] : (samples[presses / 2 - 1] + samples[presses / 2]) / 2;
    printf("%.1f %.1f %.1f %d\n", median, samples[0], samples[presses - 1], retries);
    for (int press = 0; press < presses; ++press)
        printf("%s%.1f", press ? " " : "", samples[press]);
    printf("\n");
    free(samples);
    XCloseDisplay(display);
    return 0;
}
