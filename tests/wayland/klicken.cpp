// Clicks and types in a wlroots compositor that has no input devices,
// through a virtual pointer and a virtual keyboard:
//   klicken <x> <y> <width> <height> [<button>...]
// moves to (x, y) on an output of the given size and presses and releases
// each button (Linux codes: 272 left, 273 right; none given: it only comes
// to rest there), 80 ms apart, and keeps the pointer there KLICKEN_BLEIBEN
// seconds more if that is set (a pointer taken away leaves the surface it
// was on);
//   klicken tasten <key> [<key>...]
// presses the keys (Linux codes: 29 left Ctrl, 49 N, 59 F1) in order and
// releases them in reverse, a US layout;
//   klicken tastatur <seconds>
// keeps a keyboard on the seat for that long, as a real seat has one: the
// headless compositor has none, and focus given to a surface only shows
// once there is a keyboard to send it.

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// The connection and what it binds; all of it is destroyed before the
// connection closes, so that a sanitized build finds no leak here.
struct Verbindung {
    wl_display* d = nullptr;
    wl_registry* reg = nullptr;
    zwlr_virtual_pointer_manager_v1* verwalter = nullptr;
    zwp_virtual_keyboard_manager_v1* tastenVerwalter = nullptr;
    wl_seat* sitz = nullptr;
    int haltenSekunden = 0;

    ~Verbindung() {
        if (!d)
            return;
        if (verwalter)
            zwlr_virtual_pointer_manager_v1_destroy(verwalter);
        if (tastenVerwalter)
            zwp_virtual_keyboard_manager_v1_destroy(tastenVerwalter);
        if (sitz)
            wl_seat_destroy(sitz);
        if (reg)
            wl_registry_destroy(reg);
        wl_display_roundtrip(d);
        wl_display_disconnect(d);
    }
};

void globalNeu(void* daten, wl_registry* reg, uint32_t name, const char* schnittstelle, uint32_t) {
    auto* v = static_cast<Verbindung*>(daten);
    if (std::strcmp(schnittstelle, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        v->verwalter = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(reg, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (std::strcmp(schnittstelle, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        v->tastenVerwalter = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(reg, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    else if (std::strcmp(schnittstelle, wl_seat_interface.name) == 0 && !v->sitz)
        v->sitz = static_cast<wl_seat*>(wl_registry_bind(reg, name, &wl_seat_interface, 1));
}
void globalWeg(void*, wl_registry*, uint32_t) {}
const wl_registry_listener hoerer = {globalNeu, globalWeg};

uint32_t ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint32_t(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// The compositor compiles the keymap with xkbcommon, which resolves the
// includes from the system's keyboard descriptions.
const char keymap[] = "xkb_keymap {\n"
                      "  xkb_keycodes { include \"evdev+aliases(qwerty)\" };\n"
                      "  xkb_types { include \"complete\" };\n"
                      "  xkb_compat { include \"complete\" };\n"
                      "  xkb_symbols { include \"pc+us+inet(evdev)\" };\n"
                      "};\n";

int tippen(Verbindung& v, int argc, char** argv) {
    wl_display* d = v.d;
    if (!v.tastenVerwalter || !v.sitz) {
        std::fputs("klicken: the compositor has no virtual keyboards\n", stderr);
        return 1;
    }
    zwp_virtual_keyboard_v1* t = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(v.tastenVerwalter, v.sitz);
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, keymap, sizeof keymap) != ssize_t(sizeof keymap)) {
        zwp_virtual_keyboard_v1_destroy(t);
        return 1;
    }
    zwp_virtual_keyboard_v1_keymap(t, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, sizeof keymap);
    wl_display_roundtrip(d);
    close(fd);
    usleep(200000);
    std::vector<uint32_t> tasten;
    for (int i = 2; i < argc; ++i)
        tasten.push_back(uint32_t(std::atoi(argv[i])));
    for (uint32_t k : tasten) {
        zwp_virtual_keyboard_v1_key(t, ms(), k, WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_display_roundtrip(d);
        usleep(30000);
    }
    for (auto it = tasten.rbegin(); it != tasten.rend(); ++it) {
        zwp_virtual_keyboard_v1_key(t, ms(), *it, WL_KEYBOARD_KEY_STATE_RELEASED);
        wl_display_roundtrip(d);
        usleep(30000);
    }
    usleep(300000);
    if (v.haltenSekunden > 0)
        sleep(unsigned(v.haltenSekunden));
    zwp_virtual_keyboard_v1_destroy(t);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Verbindung v;
    const bool halten = argc == 3 && std::strcmp(argv[1], "tastatur") == 0;
    const bool tasten = halten || (argc >= 3 && std::strcmp(argv[1], "tasten") == 0);
    if (halten)
        v.haltenSekunden = std::atoi(argv[2]);
    if (!tasten && argc < 5) {
        std::fputs("usage: klicken x y width height [button...]\n", stderr);
        return 2;
    }
    v.d = wl_display_connect(nullptr);
    if (!v.d) {
        std::fputs("klicken: no Wayland display\n", stderr);
        return 1;
    }
    v.reg = wl_display_get_registry(v.d);
    wl_registry_add_listener(v.reg, &hoerer, &v);
    wl_display_roundtrip(v.d);
    if (tasten)
        return tippen(v, halten ? 2 : argc, argv);
    if (!v.verwalter) {
        std::fputs("klicken: the compositor has no virtual pointers\n", stderr);
        return 1;
    }
    wl_display* d = v.d;
    zwlr_virtual_pointer_v1* z = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(v.verwalter, nullptr);
    // The new device must be known to the seat before it moves.
    wl_display_roundtrip(d);
    usleep(200000);
    zwlr_virtual_pointer_v1_motion_absolute(z, ms(), uint32_t(std::atoi(argv[1])),
                                            uint32_t(std::atoi(argv[2])), uint32_t(std::atoi(argv[3])),
                                            uint32_t(std::atoi(argv[4])));
    zwlr_virtual_pointer_v1_frame(z);
    wl_display_roundtrip(d);
    usleep(100000);
    for (int i = 5; i < argc; ++i) {
        const uint32_t knopf = uint32_t(std::atoi(argv[i]));
        zwlr_virtual_pointer_v1_button(z, ms(), knopf, 1);
        zwlr_virtual_pointer_v1_frame(z);
        wl_display_roundtrip(d);
        zwlr_virtual_pointer_v1_button(z, ms(), knopf, 0);
        zwlr_virtual_pointer_v1_frame(z);
        wl_display_roundtrip(d);
        usleep(80000);
    }
    // Leaving at once would take the device away before the client under
    // the pointer has read its events.
    usleep(300000);
    if (const char* bleiben = std::getenv("KLICKEN_BLEIBEN"))
        sleep(unsigned(std::atoi(bleiben)));
    zwlr_virtual_pointer_v1_destroy(z);
    return 0;
}
