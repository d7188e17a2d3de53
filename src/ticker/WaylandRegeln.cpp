#include "WaylandRegeln.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace pinwick {

WegWahl LeistenWegWaehlen(const Umgebung& u) {
    WegWahl w;
    const QString plattform = u.qpaPlattform.trimmed().toLower();
    if (!plattform.isEmpty()) {
        // The user's choice stands; on Wayland the bar still docks when it can.
        if (plattform.startsWith(QLatin1String("wayland")))
            w.weg = u.schichtAngeboten ? LeistenWeg::WaylandSchicht : LeistenWeg::WaylandFenster;
        else if (plattform == QLatin1String("xcb"))
            w.weg = LeistenWeg::X11;
        if (w.weg == LeistenWeg::WaylandFenster)
            w.hinweis = QStringLiteral(
                "the compositor offers no layer-shell; the bar is an ordinary window and "
                "cannot dock.");
        return w;
    }
    if (u.waylandAnzeige && u.schichtAngeboten) {
        w.weg = LeistenWeg::WaylandSchicht;
        // Should Qt's Wayland plugin be missing, Qt goes on to XWayland and
        // the bar is an X11 window as before.
        w.plattform = u.xAnzeige ? QStringLiteral("wayland;xcb") : QStringLiteral("wayland");
    } else if (u.waylandAnzeige && u.xAnzeige) {
        w.weg = LeistenWeg::XWayland;
        w.plattform = QStringLiteral("xcb");
        w.hinweis = QStringLiteral(
            "the compositor offers no layer-shell; the bar runs through XWayland, where it "
            "may neither dock nor stay on top.");
    } else if (u.waylandAnzeige) {
        w.weg = LeistenWeg::WaylandFenster;
        w.plattform = QStringLiteral("wayland");
        w.hinweis = QStringLiteral(
            "the compositor offers no layer-shell and there is no XWayland; the bar is an "
            "ordinary window and cannot dock.");
    } else if (u.xAnzeige) {
        // A window cannot place itself under Wayland, so an X display is
        // taken whenever there is one.
        w.weg = LeistenWeg::X11;
        w.plattform = QStringLiteral("xcb");
    }
    return w;
}

Verankerung VerankerungFuer(int hoehePx, bool unten) {
    Verankerung v;
    const uint32_t h = static_cast<uint32_t>(std::max(hoehePx, 1));
    v.anker = AnkerLinks | AnkerRechts | (unten ? AnkerUnten : AnkerOben);
    v.breite = 0;
    v.hoehe = h;
    v.exklusiv = static_cast<int32_t>(h);
    return v;
}

int AusgabeWaehlen(const std::vector<uint32_t>& namen) {
    if (namen.empty())
        return -1;
    return static_cast<int>(std::min_element(namen.begin(), namen.end()) - namen.begin());
}

TastenBefehl TasteDeuten(uint32_t code, bool strg, bool andere) {
    if (andere)
        return TastenBefehl::Keiner;
    if (code == KeyN && strg)
        return TastenBefehl::NeueNotiz;
    if (strg)
        return TastenBefehl::Keiner;
    switch (code) {
    case KeyF1:
        return TastenBefehl::Hilfe;
    case KeyLeer:
        return TastenBefehl::Anhalten;
    case KeyLinks:
    case KeyHoch:
    case KeySeiteHoch:
        return TastenBefehl::Zurueck;
    case KeyRechts:
    case KeyRunter:
    case KeySeiteRunter:
        return TastenBefehl::Vor;
    default:
        return TastenBefehl::Keiner;
    }
}

uint32_t TastaturWunsch(bool beiBedarfBekannt, bool klickModus, bool nachKlick) {
    if (klickModus || !beiBedarfBekannt)
        return nachKlick ? TastaturExklusiv : TastaturKeine;
    return TastaturBeiBedarf;
}

bool TastaturUngefragt(int64_t eintrittMs, int64_t druckMs) {
    return druckMs < 0 || eintrittMs - druckMs > 1000;
}

MenueTaste MenueTasteDeuten(uint32_t code) {
    switch (code) {
    case KeyEsc:
        return MenueTaste::Zu;
    case KeyHoch:
        return MenueTaste::Hoch;
    case KeyRunter:
        return MenueTaste::Runter;
    case KeyEnter:
    case KeyZiffernEnter:
        return MenueTaste::Waehlen;
    default:
        return MenueTaste::Keine;
    }
}

int MenueNachbar(const std::vector<bool>& waehlbar, int jetzt, int schritt) {
    const int n = static_cast<int>(waehlbar.size());
    if (n == 0)
        return -1;
    const int richtung = schritt < 0 ? -1 : 1;
    int i = jetzt >= 0 && jetzt < n ? jetzt : (richtung > 0 ? -1 : n);
    for (int k = 0; k < n; ++k) {
        i = ((i + richtung) % n + n) % n;
        if (waehlbar[size_t(i)])
            return i;
    }
    return -1;
}

bool Doppelklick(const Druck& vorher, const Druck& jetzt, int intervallMs, int abstandPx) {
    if (!vorher.gueltig || !jetzt.gueltig)
        return false;
    // The compositor's clock is 32 bits of milliseconds and wraps.
    const uint32_t abstandMs = jetzt.zeitMs - vorher.zeitMs;
    if (abstandMs > static_cast<uint32_t>(std::max(intervallMs, 0)))
        return false;
    return std::abs(jetzt.x - vorher.x) <= abstandPx && std::abs(jetzt.y - vorher.y) <= abstandPx;
}

// ---- the tooltip

QString HinweisUmbrechen(const QString& text, int zeichen, int zeilen) {
    zeichen = std::max(zeichen, 1);
    zeilen = std::max(zeilen, 1);
    QStringList aus;
    bool abgeschnitten = false;
    QString ganz = text;
    ganz.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ganz.replace(QChar('\t'), QChar(' '));
    const QStringList absaetze = ganz.split(QChar('\n'));
    for (const QString& absatz : absaetze) {
        QString rest = absatz;
        do {
            if (aus.size() == zeilen) {
                abgeschnitten = true;
                break;
            }
            if (rest.size() <= zeichen) {
                aus << rest;
                rest.clear();
                break;
            }
            // The last space that lets the line end within its width; a
            // word too long for a line is cut.
            qsizetype bruch = rest.lastIndexOf(QChar(' '), zeichen);
            if (bruch <= 0) {
                aus << rest.left(zeichen);
                rest = rest.mid(zeichen);
            } else {
                aus << rest.left(bruch);
                rest = rest.mid(bruch + 1);
            }
        } while (!rest.isEmpty());
        if (abgeschnitten)
            break;
    }
    // Blank lines at the end show as an empty box.
    while (!aus.isEmpty() && aus.back().trimmed().isEmpty()) {
        aus.removeLast();
    }
    if (abgeschnitten && !aus.isEmpty()) {
        QString& letzte = aus.back();
        if (letzte.size() >= zeichen)
            letzte.truncate(zeichen - 1);
        letzte += QChar(0x2026);
    }
    return aus.join(QChar('\n'));
}

QPoint HinweisLage(QSize hinweis, QPointF zeiger, int leistenBreite, int leistenHoehe, bool unten) {
    // Clear of the pointer's arrow below it, a little gap above it.
    constexpr int Unter = 20, Ueber = 4;
    const int zx = std::clamp(int(std::floor(zeiger.x())), 0, std::max(leistenBreite - 1, 0));
    const int zy = std::clamp(int(std::floor(zeiger.y())), 0, std::max(leistenHoehe - 1, 0));
    const int x = std::max(std::min(zx, leistenBreite - hinweis.width()), 0);
    const int y = unten ? zy - Ueber - hinweis.height() : zy + Unter;
    return {x, y};
}

bool HinweisBleibt(QPointF da, QPointF jetzt) {
    return (jetzt - da).manhattanLength() <= 4;
}

} // namespace pinwick
