// Clicks in a wlroots compositor that has no input devices, through a
// virtual pointer: klicken <x> <y> <width> <height> <button> [<button>...]
// moves to (x, y) on an output of the given size and presses and releases
// each button (Linux codes: 272 left, 273 right), 80 ms apart.

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

zwlr_virtual_pointer_manager_v1* verwalter = nullptr;

void globalNeu(void*, wl_registry* reg, uint32_t name, const char* schnittstelle, uint32_t) {
    if (std::strcmp(schnittstelle, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        verwalter = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(reg, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void globalWeg(void*, wl_registry*, uint32_t) {}
const wl_registry_listener hoerer = {globalNeu, globalWeg};

uint32_t ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint32_t(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fputs("usage: klicken x y width height button...\n", stderr);
        return 2;
    }
    wl_display* d = wl_display_connect(nullptr);
    if (!d) {
        std::fputs("klicken: no Wayland display\n", stderr);
        return 1;
    }
    wl_registry* reg = wl_display_get_registry(d);
    wl_registry_add_listener(reg, &hoerer, nullptr);
    wl_display_roundtrip(d);
    if (!verwalter) {
        std::fputs("klicken: the compositor has no virtual pointers\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1* z = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(verwalter, nullptr);
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
    zwlr_virtual_pointer_v1_destroy(z);
    wl_display_roundtrip(d);
    wl_display_disconnect(d);
    return 0;
}
