// The Wayland path's decisions without a compositor: which way the bar
// reaches the screen, the layer surface's anchors, the output it docks on,
// keys and double-clicks.

#include "WaylandRegeln.h"

#include <gtest/gtest.h>

using namespace pinwick;

namespace {

TEST(WaylandRegeln, WegNachUmgebung) {
    struct Fall {
        const char* was;
        Umgebung u;
        LeistenWeg weg;
        const char* plattform;
        bool hinweis;
    };
    const Fall faelle[] = {
        {"X11 allein", {{}, true, false, false}, LeistenWeg::X11, "xcb", false},
        {"Wayland mit Schicht und XWayland", {{}, true, true, true}, LeistenWeg::WaylandSchicht,
         "wayland;xcb", false},
        {"Wayland mit Schicht ohne X", {{}, false, true, true}, LeistenWeg::WaylandSchicht,
         "wayland", false},
        {"Wayland ohne Schicht mit XWayland", {{}, true, true, false}, LeistenWeg::XWayland,
         "xcb", true},
        {"Wayland ohne Schicht ohne X", {{}, false, true, false}, LeistenWeg::WaylandFenster,
         "wayland", true},
        {"keine Anzeige", {{}, false, false, false}, LeistenWeg::Sonstige, "", false},
        {"xcb verlangt", {QStringLiteral("xcb"), true, true, true}, LeistenWeg::X11, "", false},
        {"wayland verlangt, Schicht da", {QStringLiteral("Wayland"), true, true, true},
         LeistenWeg::WaylandSchicht, "", false},
        {"wayland verlangt, keine Schicht", {QStringLiteral("wayland"), true, true, false},
         LeistenWeg::WaylandFenster, "", true},
        {"offscreen verlangt", {QStringLiteral("offscreen"), true, true, true},
         LeistenWeg::Sonstige, "", false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const WegWahl w = LeistenWegWaehlen(f.u);
        EXPECT_EQ(w.weg, f.weg);
        EXPECT_EQ(w.plattform, QString::fromLatin1(f.plattform));
        EXPECT_EQ(!w.hinweis.isEmpty(), f.hinweis);
        if (f.weg == LeistenWeg::XWayland)
            EXPECT_TRUE(w.hinweis.contains(QLatin1String("XWayland")));
    }
}

TEST(WaylandRegeln, VerankerungUndAusgabe) {
    struct Fall {
        int hoehe;
        bool unten;
        uint32_t anker;
        uint32_t hoeheErwartet;
    };
    const Fall faelle[] = {
        {32, false, AnkerOben | AnkerLinks | AnkerRechts, 32},
        {32, true, AnkerUnten | AnkerLinks | AnkerRechts, 32},
        // A surface of no height is a protocol error: one pixel at least.
        {0, false, AnkerOben | AnkerLinks | AnkerRechts, 1},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.hoehe * 10 + f.unten);
        const Verankerung v = VerankerungFuer(f.hoehe, f.unten);
        EXPECT_EQ(v.anker, f.anker);
        EXPECT_EQ(v.hoehe, f.hoeheErwartet);
        EXPECT_EQ(v.exklusiv, int32_t(f.hoeheErwartet)); // windows keep clear of all of it
        EXPECT_EQ(v.breite, 0u);                          // the output's width
    }

    struct Ausgaben {
        std::vector<uint32_t> namen;
        int wahl;
    };
    const Ausgaben ausgaben[] = {
        {{}, -1},
        {{7}, 0},
        {{9, 4, 12}, 1}, // the one announced first, wherever it is listed
        {{12, 30}, 0},   // after the first went, the next one
    };
    for (const Ausgaben& a : ausgaben)
        EXPECT_EQ(AusgabeWaehlen(a.namen), a.wahl);
}

TEST(WaylandRegeln, TastenUndDoppelklick) {
    struct Taste {
        uint32_t code;
        bool strg, andere;
        TastenBefehl befehl;
    };
    const Taste tasten[] = {
        {KeyN, true, false, TastenBefehl::NeueNotiz},
        {KeyN, false, false, TastenBefehl::Keiner},
        {KeyN, true, true, TastenBefehl::Keiner}, // Ctrl+Shift+N is not Ctrl-N
        {KeyF1, false, false, TastenBefehl::Hilfe},
        {KeyF1, true, false, TastenBefehl::Keiner},
        {KeyF1, false, true, TastenBefehl::Keiner},
        {30, true, false, TastenBefehl::Keiner},
        {KeyLeer, false, false, TastenBefehl::Anhalten},
        {KeyLeer, true, false, TastenBefehl::Keiner},
        {KeyLeer, false, true, TastenBefehl::Keiner},
        {KeyLinks, false, false, TastenBefehl::Zurueck},
        {KeyHoch, false, false, TastenBefehl::Zurueck},
        {KeySeiteHoch, false, false, TastenBefehl::Zurueck},
        {KeyRechts, false, false, TastenBefehl::Vor},
        {KeyRunter, false, false, TastenBefehl::Vor},
        {KeySeiteRunter, false, false, TastenBefehl::Vor},
        {KeyRechts, true, false, TastenBefehl::Keiner},
    };
    for (const Taste& t : tasten) {
        SCOPED_TRACE(t.code);
        EXPECT_EQ(TasteDeuten(t.code, t.strg, t.andere), t.befehl);
    }

    struct Klick {
        const char* was;
        Druck vorher, jetzt;
        bool doppelt;
    };
    const Klick klicks[] = {
        {"schnell, selbe Stelle", {1000, 10, 10, true}, {1200, 11, 9, true}, true},
        {"genau an der Grenze", {1000, 10, 10, true}, {1400, 15, 15, true}, true},
        {"zu spaet", {1000, 10, 10, true}, {1401, 10, 10, true}, false},
        {"zu weit", {1000, 10, 10, true}, {1100, 16, 10, true}, false},
        {"kein Druck vorher", {}, {1100, 10, 10, true}, false},
        // The compositor's 32-bit millisecond clock wraps after 49 days.
        {"ueber den Umlauf", {0xFFFFFF00u, 5, 5, true}, {0x40, 5, 5, true}, true},
        {"Uhr rueckwaerts", {1200, 5, 5, true}, {1000, 5, 5, true}, false},
    };
    for (const Klick& k : klicks) {
        SCOPED_TRACE(k.was);
        EXPECT_EQ(Doppelklick(k.vorher, k.jetzt, 400, 5), k.doppelt);
    }
}

TEST(WaylandRegeln, MenueMitTasten) {
    struct Taste {
        uint32_t code;
        MenueTaste taste;
    };
    const Taste tasten[] = {
        {KeyEsc, MenueTaste::Zu},          {KeyHoch, MenueTaste::Hoch},
        {KeyRunter, MenueTaste::Runter},   {KeyEnter, MenueTaste::Waehlen},
        {KeyZiffernEnter, MenueTaste::Waehlen}, {KeyN, MenueTaste::Keine},
    };
    for (const Taste& t : tasten) {
        SCOPED_TRACE(t.code);
        EXPECT_EQ(MenueTasteDeuten(t.code), t.taste);
    }

    // The bar's menu: entry, separator, entry, separator, three entries,
    // separator, entry; and menus with entries that cannot be chosen.
    const std::vector<bool> leiste{true, false, true, false, true, true, true, false, true};
    struct Schritt {
        const char* was;
        std::vector<bool> waehlbar;
        int jetzt, schritt, erwartet;
    };
    const Schritt schritte[] = {
        {"keins hervor, runter: das erste", leiste, -1, 1, 0},
        {"keins hervor, hoch: das letzte", leiste, -1, -1, 8},
        {"ueber den Strich", leiste, 0, 1, 2},
        {"zurueck ueber den Strich", leiste, 2, -1, 0},
        {"am Ende herum zum Anfang", leiste, 8, 1, 0},
        {"am Anfang herum zum Ende", leiste, 0, -1, 8},
        {"erstes nicht waehlbar", {false, true, true}, -1, 1, 1},
        {"nur eins waehlbar", {false, true, false}, 1, 1, 1},
        {"keins waehlbar", {false, false}, -1, 1, -1},
        {"leer", {}, -1, 1, -1},
        {"Stelle ausserhalb", {true, true}, 7, 1, 0},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.was);
        EXPECT_EQ(MenueNachbar(s.waehlbar, s.jetzt, s.schritt), s.erwartet);
    }
}

TEST(WaylandRegeln, Tastatur) {
    struct Wunsch {
        bool beiBedarf, klick, nachKlick;
        uint32_t erwartet;
    };
    const Wunsch wuensche[] = {
        {true, false, false, TastaturBeiBedarf},
        {true, false, true, TastaturBeiBedarf},
        // Click mode: exclusive only after a click, never for good.
        {true, true, false, TastaturKeine},
        {true, true, true, TastaturExklusiv},
        {false, false, false, TastaturKeine},
        {false, false, true, TastaturExklusiv},
    };
    for (const Wunsch& w : wuensche) {
        SCOPED_TRACE(w.beiBedarf * 100 + w.klick * 10 + w.nachKlick);
        EXPECT_EQ(TastaturWunsch(w.beiBedarf, w.klick, w.nachKlick), w.erwartet);
    }

    struct Eintritt {
        const char* was;
        int64_t eintritt, druck;
        bool ungefragt;
    };
    const Eintritt eintritte[] = {
        {"nie geklickt", 500, -1, true},
        {"Klick kurz davor", 5000, 4900, false},
        {"Klick kam danach", 5000, 5200, false},
        {"Klick lange her", 9000, 5000, true},
    };
    for (const Eintritt& e : eintritte) {
        SCOPED_TRACE(e.was);
        EXPECT_EQ(TastaturUngefragt(e.eintritt, e.druck), e.ungefragt);
    }
}

} // namespace
