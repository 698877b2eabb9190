/* clip_startup_timer TITLE TIMEOUT_MS PROGRAM [ARGS...]
 * Starts PROGRAM on $DISPLAY and prints the milliseconds from just before its start until a
 * top-level window titled TITLE is mapped, then ends the program (SIGTERM). Exit status 1 when
 * no such window appears in time. Helper of bench/clip_startup.sh. */
#define _GNU_SOURCE
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return a;
}

/* 1 when window w carries `title` as _NET_WM_NAME or WM_NAME. */
static int titled(xcb_connection_t* c, xcb_window_t w, xcb_atom_t net_name, xcb_atom_t utf8, const char* title) {
    const xcb_atom_t names[2] = {net_name, XCB_ATOM_WM_NAME};
    const xcb_atom_t types[2] = {utf8, XCB_ATOM_STRING};
    for (int i = 0; i < 2; ++i) {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, names[i], types[i], 0, 256), NULL);
        if (!r) continue;
        int len = xcb_get_property_value_length(r);
        int match = len == (int)strlen(title) && memcmp(xcb_get_property_value(r), title, len) == 0;
        free(r);
        if (match) return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: clip_startup_timer TITLE TIMEOUT_MS PROGRAM [ARGS...]\n");
        return 2;
    }
    const char* title = argv[1];
    const double timeout = atof(argv[2]);
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t net_name = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING");
    xcb_flush(c);

    const double start = now_ms();
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    double shown = -1;
    struct pollfd p = {.fd = xcb_get_file_descriptor(c), .events = POLLIN};
    while (shown < 0 && now_ms() - start < timeout) {
        xcb_generic_event_t* e;
        while ((e = xcb_poll_for_event(c))) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const double t = now_ms();
                xcb_map_notify_event_t* m = (xcb_map_notify_event_t*)e;
                if (!m->override_redirect && titled(c, m->window, net_name, utf8, title) && shown < 0) shown = t;
            }
            free(e);
        }
        if (shown < 0) poll(&p, 1, 20);
    }
    kill(child, SIGTERM);
    waitpid(child, NULL, 0);
    xcb_disconnect(c);
    if (shown < 0) {
        fprintf(stderr, "no window titled %s\n", title);
        return 1;
    }
    printf("%.1f\n", shown - start);
    return 0;
}
