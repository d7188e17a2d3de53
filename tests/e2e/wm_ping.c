/* Asks a window what a window manager asks to see whether a program still
 * answers: _NET_WM_PING, a client message that the program sends back to
 * the root window at once from its event loop. Pings every interval for the
 * given time and prints the slowest answer in milliseconds; a ping without
 * an answer within 5 s counts as 5000.
 *
 *   wm_ping WINDOW-ID SECONDS [INTERVAL-MS]
 *
 * Exit status 0 when every ping was answered, 1 otherwise, 2 on bad use. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <poll.h>
#include <xcb/xcb.h>

static long jetzt_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

static xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return a;
}

/* Waits for the answer to the ping with this stamp; returns its delay in ms
 * or -1 after the time-out. */
static long antwort(xcb_connection_t* c, xcb_atom_t ping, uint32_t stempel, long start) {
    const int fd = xcb_get_file_descriptor(c);
    for (;;) {
        xcb_generic_event_t* e;
        while ((e = xcb_poll_for_event(c)) != NULL) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                xcb_client_message_event_t* m = (xcb_client_message_event_t*)e;
                if (m->format == 32 && m->data.data32[0] == ping && m->data.data32[1] == stempel) {
                    free(e);
                    return jetzt_ms() - start;
                }
            }
            free(e);
        }
        const long rest = 5000 - (jetzt_ms() - start);
        if (rest <= 0 || xcb_connection_has_error(c))
            return -1;
        struct pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, (int)rest);
    }
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: wm_ping WINDOW-ID SECONDS [INTERVAL-MS]\n");
        return 2;
    }
    const xcb_window_t fenster = (xcb_window_t)strtoul(argv[1], NULL, 0);
    const long dauer = atol(argv[2]) * 1000L;
    const long abstand = argc > 3 ? atol(argv[3]) : 250;
    int bildschirm = 0;
    xcb_connection_t* c = xcb_connect(NULL, &bildschirm);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "wm_ping: no display\n");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < bildschirm; ++i)
        xcb_screen_next(&it);
    const xcb_window_t wurzel = it.data->root;
    /* The answer goes to the root window, to whoever watches its structure
     * or its children (toolkits differ in the mask they send it with). */
    const uint32_t maske = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, wurzel, XCB_CW_EVENT_MASK, &maske);
    const xcb_atom_t protokolle = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(c, "_NET_WM_PING");

    long langsamste = 0;
    int fehlend = 0, anzahl = 0;
    const long ende = jetzt_ms() + dauer;
    for (uint32_t stempel = 1; jetzt_ms() < ende; ++stempel) {
        xcb_client_message_event_t m;
        memset(&m, 0, sizeof m);
        m.response_type = XCB_CLIENT_MESSAGE;
        m.format = 32;
        m.window = fenster;
        m.type = protokolle;
        m.data.data32[0] = ping;
        m.data.data32[1] = stempel;
        m.data.data32[2] = fenster;
        const long start = jetzt_ms();
        xcb_send_event(c, 0, fenster, XCB_EVENT_MASK_NO_EVENT, (const char*)&m);
        xcb_flush(c);
        long ms = antwort(c, ping, stempel, start);
        ++anzahl;
        if (ms < 0) {
            ++fehlend;
            ms = 5000;
        }
        if (ms > langsamste)
            langsamste = ms;
        struct timespec pause = {abstand / 1000, (abstand % 1000) * 1000000L};
        nanosleep(&pause, NULL);
    }
    printf("%ld %d %d\n", langsamste, anzahl, fehlend);
    xcb_disconnect(c);
    return fehlend == 0 ? 0 : 1;
}
