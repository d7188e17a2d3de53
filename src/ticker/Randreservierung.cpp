#include "Randreservierung.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <xcb/xcb.h>
#define PINWICK_XCB 1
#endif

namespace pinwick {

std::array<uint32_t, 12> StrutPartial(const QRect& leiste, const QSize& wurzel, bool unten) {
    std::array<uint32_t, 12> w{};
    if (leiste.isEmpty() || wurzel.isEmpty())
        return w;
    const auto nichtNegativ = [](int v) { return static_cast<uint32_t>(std::max(0, v)); };
    const uint32_t anfang = nichtNegativ(leiste.left());
    const uint32_t ende = nichtNegativ(leiste.left() + leiste.width() - 1);
    if (unten) {
        w[3] = nichtNegativ(wurzel.height() - leiste.top());
        w[10] = anfang;
        w[11] = ende;
    } else {
        w[2] = nichtNegativ(leiste.top() + leiste.height());
        w[8] = anfang;
        w[9] = ende;
    }
    return w;
}

#ifdef PINWICK_XCB
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    const xcb_intern_atom_cookie_t frage =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* antwort = xcb_intern_atom_reply(c, frage, nullptr);
    if (!antwort)
        return XCB_ATOM_NONE;
    const xcb_atom_t a = antwort->atom;
    free(antwort);
    return a;
}

// A request of a window to the window manager (a client message to the
// root window, as the desktop conventions have it), marked as coming from
// an ordinary application.
void wmBitten(xcb_connection_t* c, xcb_window_t fenster, xcb_atom_t art,
              std::initializer_list<uint32_t> werte) {
    const xcb_screen_t* wurzelSchirm = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!wurzelSchirm)
        return;
    xcb_client_message_event_t nachricht{};
    nachricht.response_type = XCB_CLIENT_MESSAGE;
    nachricht.format = 32;
    nachricht.window = fenster;
    nachricht.type = art;
    int i = 0;
    for (const uint32_t w : werte)
        nachricht.data.data32[i++] = w;
    nachricht.data.data32[i] = 1; // from an ordinary application
    xcb_send_event(c, 0, wurzelSchirm->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&nachricht));
}

} // namespace
#endif

void RandReservieren(QWidget& leiste, bool unten) {
#ifdef PINWICK_XCB
    if (!leiste.testAttribute(Qt::WA_WState_Created) || !leiste.windowHandle())
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* c = x11->connection();
    const auto fenster = static_cast<xcb_window_t>(leiste.winId());

    // Window managers count in device pixels on the whole X screen.
    const qreal faktor = leiste.devicePixelRatioF();
    const auto geraet = [faktor](const QRect& r) {
        return QRect(static_cast<int>(std::lround(r.x() * faktor)),
                     static_cast<int>(std::lround(r.y() * faktor)),
                     static_cast<int>(std::lround(r.width() * faktor)),
                     static_cast<int>(std::lround(r.height() * faktor)));
    };
    QScreen* schirm = QGuiApplication::primaryScreen();
    const QSize wurzel = schirm ? geraet(schirm->virtualGeometry()).size() : QSize();
    const std::array<uint32_t, 12> teil = StrutPartial(geraet(leiste.geometry()), wurzel, unten);
    const std::array<uint32_t, 4> einfach{teil[0], teil[1], teil[2], teil[3]};

    const xcb_atom_t strutTeil = atom(c, "_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t strut = atom(c, "_NET_WM_STRUT");
    const xcb_atom_t arbeitsflaeche = atom(c, "_NET_WM_DESKTOP");
    if (strutTeil != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenster, strutTeil, XCB_ATOM_CARDINAL, 32, 12,
                            teil.data());
    if (strut != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenster, strut, XCB_ATOM_CARDINAL, 32, 4,
                            einfach.data());

    // Every workspace: the property for a window manager that reads it at
    // mapping time, the message for one that manages the window already.
    constexpr uint32_t alle = 0xFFFFFFFF;
    if (arbeitsflaeche != XCB_ATOM_NONE) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenster, arbeitsflaeche, XCB_ATOM_CARDINAL,
                            32, 1, &alle);
        if (leiste.isVisible())
            wmBitten(c, fenster, arbeitsflaeche, {alle});
    }
    xcb_flush(c);
#else
    Q_UNUSED(leiste);
    Q_UNUSED(unten);
#endif
}

void AlsDockSetzen(QWidget& leiste) {
    // Qt lists DOCK first and keeps it whenever the window's flags change
    // (always on top, say); a window manager takes the first type it knows.
    leiste.setAttribute(Qt::WA_X11NetWmWindowTypeDock);
#ifdef PINWICK_XCB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* c = x11->connection();
    const auto fenster = static_cast<xcb_window_t>(leiste.winId());
    // The attribute reaches a window only when Qt next sets its types; the
    // window made just now gets DOCK written straight away.
    const xcb_atom_t typ = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    if (typ != XCB_ATOM_NONE && dock != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenster, typ, XCB_ATOM_ATOM, 32, 1, &dock);

    const xcb_atom_t zustand = atom(c, "_NET_WM_STATE");
    const xcb_atom_t ohneLeiste = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t ohnePager = atom(c, "_NET_WM_STATE_SKIP_PAGER");
    const xcb_atom_t unten = atom(c, "_NET_WM_STATE_BELOW");
    if (zustand == XCB_ATOM_NONE || ohneLeiste == XCB_ATOM_NONE || ohnePager == XCB_ATOM_NONE ||
        unten == XCB_ATOM_NONE) {
        xcb_flush(c);
        return;
    }
    // Window managers keep a panel above every ordinary window, the note
    // editor and the dialogs included. A bar that is not to stay on top asks
    // to be kept among (or below) the others instead.
    const bool obenBleiben = leiste.windowFlags().testFlag(Qt::WindowStaysOnTopHint);

    bool abgebildet = false;
    const xcb_get_window_attributes_cookie_t art = xcb_get_window_attributes(c, fenster);
    if (xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(c, art, nullptr)) {
        abgebildet = a->map_state != XCB_MAP_STATE_UNMAPPED;
        free(a);
    }
    if (!abgebildet) {
        // Before mapping the state is the window's own property; the states
        // already there (above, from the topmost flag) stay, and Qt keeps
        // ours when it maps the window.
        std::vector<xcb_atom_t> atome;
        const xcb_get_property_cookie_t frage =
            xcb_get_property(c, 0, fenster, zustand, XCB_ATOM_ATOM, 0, 64);
        if (xcb_get_property_reply_t* antwort = xcb_get_property_reply(c, frage, nullptr)) {
            const auto* da = static_cast<const xcb_atom_t*>(xcb_get_property_value(antwort));
            atome.assign(da, da + xcb_get_property_value_length(antwort) / 4);
            free(antwort);
        }
        atome.erase(std::remove(atome.begin(), atome.end(), unten), atome.end());
        for (const xcb_atom_t a : {ohneLeiste, ohnePager})
            if (std::find(atome.begin(), atome.end(), a) == atome.end())
                atome.push_back(a);
        if (!obenBleiben)
            atome.push_back(unten);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, fenster, zustand, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(atome.size()), atome.data());
    } else {
        // A mapped window asks the window manager: action 0 removes, 1 adds
        // the states named.
        wmBitten(c, fenster, zustand, {1, ohneLeiste, ohnePager});
        wmBitten(c, fenster, zustand, {obenBleiben ? 0u : 1u, unten, XCB_ATOM_NONE});
    }
    xcb_flush(c);
#else
    Q_UNUSED(leiste);
#endif
}

} // namespace pinwick
