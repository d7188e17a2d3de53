#include "EinstellungsSatz.h"

#include "Hilfen.h"
#include "PasswortHash.h"
#include "Speicher.h"
#include "Versuche.h"

#include <cmath>
#include <limits>

namespace pinwick {

namespace {

// A settings row may come from an older or a foreign file: any single value
// can be missing, Null or of the wrong kind. Each step is tried on its own;
// a step that fails leaves its value as it was. When the test of a choice
// cannot be evaluated, the choice written first is taken (testOderErster).

Wert lies(const Datensatzmenge* rs, const char* spalte) {
    if (!rs)
        throw DatenFehler("settings recordset is not open");
    return rs->Feld(QString::fromLatin1(spalte));
}

// A Null compares as false against anything.
bool istGleichNull(const Wert& w) {
    return !w.istNull() && w.alsDouble() == 0;
}
// A colour's stored value is compared itself (-0.4 is negative, though it
// would round to 0), and one that passes must fit the 32 bits it is taken
// as: a value that is no finite number or does not fit (NaN, inf, 1e999)
// cannot be tested, so the fallback branch is taken instead of leaving the
// colour at 0 (black).
bool farbeNegativ(const Wert& w) {
    if (w.istNull())
        return false;
    if (w.alsDouble() < 0)
        return true;
    static_cast<void>(w.alsInt32());
    return false;
}

// Colours may sit in a text column: the value's text form is read for its
// leading number and rounded to the nearest 32-bit integer. A text naming an
// infinity or NaN holds no colour, though its leading number would read as 0.
int32_t farbeAusText(const Wert& w) {
    const QString text = w.alsText();
    if (NenntUnendlichOderNaN(text))
        throw DatenFehler("colour value is not a finite number");
    const double zahl = FuehrendeZahl(text);
    const double gerundet = RundeGerade(zahl);
    if (!std::isfinite(gerundet) || gerundet < std::numeric_limits<int32_t>::min() ||
        gerundet > std::numeric_limits<int32_t>::max())
        throw DatenFehler("colour value out of range");
    return RundeGerade32(zahl);
}

void schriftRueckfall(Programm& p) {
    p.SchriftName = QString::fromLatin1(rueckfall::SchriftName);
    p.SchriftGroesse = rueckfall::SchriftGroesse;
    p.SchriftFarbe = rueckfall::SchriftFarbe;
    p.SchriftFett = rueckfall::SchriftFett;
    p.SchriftKursiv = rueckfall::SchriftKursiv;
}

struct FarbSpalte {
    const char* name;
    int32_t Einstellungswerte::*wert;
    int32_t rueckfall;
};

constexpr FarbSpalte farbSpalten[] = {
    {"fensterHgFarbe", &Einstellungswerte::fensterHgFarbe, rueckfall::fensterHgFarbe},
    {"uhrHgFarbe", &Einstellungswerte::uhrHgFarbe, rueckfall::uhrHgFarbe},
    {"notizHgFarbe", &Einstellungswerte::notizHgFarbe, rueckfall::notizHgFarbe},
    {"UhrSchriftFarbe", &Einstellungswerte::UhrSchriftFarbe, rueckfall::UhrSchriftFarbe},
};

// A font size the font dialog cannot give counts as unreadable, so that the
// band is always drawn at a size someone could choose.
constexpr int16_t KleinsteSchrift = 1, GroessteSchrift = 100;
int16_t schriftGroesse(const Wert& w) {
    const int16_t groesse = w.alsInt16();
    if (groesse < KleinsteSchrift || groesse > GroessteSchrift)
        throw DatenFehler("font size out of range");
    return groesse;
}
// Every speed from 5 up is a usable scroll step (the window offers 30, 15
// and 5; older rows may hold others). Below 5, or not readable as a 16-bit
// value, the band would stand still or the value could not be taken: the
// normal speed instead.
constexpr int16_t KleinsterSpeed = 5;
bool speedZuKlein(const Wert& w) {
    // The stored value itself is compared (4.6 is too slow, though it would
    // round to 5); one that passes must also fit the 16 bits it is taken as.
    if (w.alsDouble() < KleinsterSpeed)
        return true;
    static_cast<void>(w.alsInt16());
    return false;
}

struct Schalter {
    const char* name;
    bool Einstellungswerte::*wert;
};

} // namespace

void EinstellungenLaden(Programm& p) {
    Datensatzmenge* rs = p.lokaleEinstellungen.get();
    versuche([&] {
        if (rs)
            rs->MoveFirst();
    });

    versuche([&] { p.Sprache = lies(rs, "Sprache").alsInt16(); });
    p.ImmerOben = !testOderErster([&] { return istGleichNull(lies(rs, "ImmerOben")); });
    // Every value other than 0 docks the bar at the bottom.
    versuche([&] { p.dockPos = lies(rs, "dockPos").alsInt32(); });

    for (const FarbSpalte& f : farbSpalten) {
        if (testOderErster([&] { return farbeNegativ(lies(rs, f.name)); }))
            p.*f.wert = f.rueckfall;
        else
            versuche([&] { p.*f.wert = lies(rs, f.name).alsInt32(); });
    }

    versuche([&] { p.erstVorbei = lies(rs, "erstVorbei").alsBool(); });

    QString schrift;
    versuche([&] { schrift = lies(rs, "SchriftName").alsText(); });
    if (schrift.isEmpty()) {
        schriftRueckfall(p);
    } else {
        p.SchriftName = schrift;
        versuche([&] { p.SchriftGroesse = schriftGroesse(lies(rs, "SchriftGroesse")); });
        versuche([&] { p.SchriftFarbe = farbeAusText(lies(rs, "SchriftFarbe")); });
        versuche([&] { p.SchriftFett = lies(rs, "SchriftFett").alsBool(); });
        versuche([&] { p.SchriftKursiv = lies(rs, "SchriftKursiv").alsBool(); });
    }
    versuche([&] { p.SchriftFarbe2 = farbeAusText(lies(rs, "SchriftFarbe2")); });

    // Null, 0 or unreadable all mean "off" for these two.
    auto nullOderNull = [&](const char* name) {
        return testOderErster([&] {
            const Wert w = lies(rs, name);
            return w.istNull() || w.alsDouble() == 0;
        });
    };
    p.sysopStatus = !nullOderNull("sysopStatus");
    versuche([&] { p.passWort = lies(rs, "passWort").alsText(); });
    p.broadcastStatus = !nullOderNull("broadcastStatus");
    versuche([&] { p.broadcastPfad = lies(rs, "broadcastPfad").alsText(); });
    // A column later versions added: a file that lacks it has no key.
    p.broadcastSchluessel.clear();
    if (rs && rs->Spalte(u"broadcastSchluessel") >= 0)
        versuche([&] { p.broadcastSchluessel = lies(rs, "broadcastSchluessel").alsText(); });

    const Schalter schalter[] = {{"remoteEinstellungen", &Einstellungswerte::remoteEinstellungen},
                                 {"eigeneErlauben", &Einstellungswerte::eigeneErlauben},
                                 {"zeigDatum", &Einstellungswerte::zeigDatum},
                                 {"zeigRahmen", &Einstellungswerte::zeigRahmen}};
    for (const Schalter& s : schalter)
        p.*s.wert = !testOderErster([&] { return istGleichNull(lies(rs, s.name)); });

    if (testOderErster([&] {
            const Wert w = lies(rs, "Speed");
            return w.istNull() || speedZuKlein(w);
        }))
        p.Speed = rueckfall::Speed;
    else
        versuche([&] { p.Speed = lies(rs, "Speed").alsInt16(); });
}

void EinstellungenSpeichern(Programm& p) {
    Datensatzmenge* rs = p.lokaleEinstellungen.get();
    if (!rs)
        throw DatenFehler("settings recordset is not open");
    // The own file never keeps the password in the clear: one read from an
    // older file, or adopted from a broadcaster, is hashed on its way in.
    const QString passWort = PasswortFuerAblage(p.passWort);
    rs->MoveFirst();
    rs->Edit();
    try {
        rs->Setze(u"Sprache", Wert(int(p.Sprache)));
        rs->Setze(u"ImmerOben", Wert(p.ImmerOben));
        rs->Setze(u"dockPos", Wert(int(p.dockPos)));
        rs->Setze(u"Schrift3D", Wert(0));
        rs->Setze(u"SchriftName", Wert(p.SchriftName));
        rs->Setze(u"SchriftGroesse", Wert(int(p.SchriftGroesse)));
        rs->Setze(u"SchriftFarbe", Wert(int(p.SchriftFarbe)));
        rs->Setze(u"SchriftFarbe2", Wert(int(p.SchriftFarbe2)));
        rs->Setze(u"SchriftFett", Wert(p.SchriftFett));
        rs->Setze(u"SchriftKursiv", Wert(p.SchriftKursiv));
        rs->Setze(u"fensterHgFarbe", Wert(int(p.fensterHgFarbe)));
        rs->Setze(u"uhrHgFarbe", Wert(int(p.uhrHgFarbe)));
        rs->Setze(u"notizHgFarbe", Wert(int(p.notizHgFarbe)));
        rs->Setze(u"UhrSchriftFarbe", Wert(int(p.UhrSchriftFarbe)));
        rs->Setze(u"sysopStatus", Wert(p.sysopStatus));
        rs->Setze(u"passWort", Wert(passWort));
        rs->Setze(u"broadcastStatus", Wert(p.broadcastStatus));
        rs->Setze(u"broadcastPfad", Wert(p.broadcastPfad));
        if (rs->Spalte(u"broadcastSchluessel") >= 0)
            rs->Setze(u"broadcastSchluessel", Wert(p.broadcastSchluessel));
        rs->Setze(u"remoteEinstellungen", Wert(p.remoteEinstellungen));
        rs->Setze(u"eigeneErlauben", Wert(p.eigeneErlauben));
        rs->Setze(u"zeigDatum", Wert(p.zeigDatum));
        rs->Setze(u"zeigRahmen", Wert(p.zeigRahmen));
        rs->Setze(u"Speed", Wert(int(p.Speed)));
        rs->Update();
    } catch (...) {
        // Nothing half-written: the row keeps what it held.
        versuche([&] { rs->CancelUpdate(); });
        throw;
    }
    p.Schrift3D = 0;
    p.passWort = passWort;
}

namespace {

// Reads the broadcaster's settings row anew, reopening the connection once
// when that fails. False when the file is busy or cannot be reached.
bool broadcastEinstellungenLesen(Programm& p) {
    try {
        BroadcastMengeNeu(p, p.broadcastEinstellungen,
                          QStringLiteral("select * from Einstellungen"));
        p.broadcastEinstellungen->MoveFirst();
    } catch (const BesetztFehler&) {
        // Busy: the settings adopted last stay until the file can be read.
        BesetztVermerken(p);
        return false;
    } catch (...) {
        versuche([&] {
            if (p.broadcastDatenbank)
                p.broadcastDatenbank->Close();
        });
        BroadcastOeffnen(p);
        if (p.netzFehler || p.broadcastBesetzt)
            return false;
        versuche([&] {
            if (p.broadcastEinstellungen)
                p.broadcastEinstellungen->MoveFirst();
        });
    }
    return true;
}

void farbenUebernehmen(Programm& p, const Datensatzmenge* rs, int& aenderungen) {
    // "Differs" cannot be told for a Null: it counts as no change, and the
    // value itself cannot be taken either. An unreadable value counts.
    for (const FarbSpalte& f : farbSpalten) {
        if (testOderErster([&] { return farbeNegativ(lies(rs, f.name)); })) {
            Erhoehen(aenderungen);
            p.*f.wert = f.rueckfall;
        } else {
            if (testOderErster([&] {
                    const Wert w = lies(rs, f.name);
                    return !w.istNull() && w.alsDouble() != double(p.*f.wert);
                }))
                Erhoehen(aenderungen);
            versuche([&] { p.*f.wert = lies(rs, f.name).alsInt32(); });
        }
    }
}

void schriftUebernehmen(Programm& p, const Datensatzmenge* rs, int& aenderungen) {
    QString schrift;
    versuche([&] { schrift = lies(rs, "SchriftName").alsText(); });
    if (schrift.isEmpty()) {
        Erhoehen(aenderungen);
        schriftRueckfall(p);
    } else {
        if (testOderErster([&] {
                const Wert w = lies(rs, "SchriftName");
                return !w.istNull() && w.alsText() != p.SchriftName;
            }))
            Erhoehen(aenderungen);
        versuche([&] { p.SchriftName = lies(rs, "SchriftName").alsText(); });

        if (testOderErster([&] {
                const Wert w = lies(rs, "SchriftGroesse");
                return !w.istNull() && w.alsDouble() != double(p.SchriftGroesse);
            }))
            Erhoehen(aenderungen);
        versuche([&] { p.SchriftGroesse = schriftGroesse(lies(rs, "SchriftGroesse")); });

        if (testOderErster([&] {
                const Wert w = lies(rs, "SchriftFarbe");
                return !w.istNull() && farbeAusText(w) != p.SchriftFarbe;
            }))
            Erhoehen(aenderungen);
        versuche([&] { p.SchriftFarbe = farbeAusText(lies(rs, "SchriftFarbe")); });

        const Schalter schrift[] = {{"SchriftFett", &Einstellungswerte::SchriftFett},
                                    {"SchriftKursiv", &Einstellungswerte::SchriftKursiv}};
        for (const Schalter& s : schrift) {
            if (testOderErster([&] {
                    const Wert w = lies(rs, s.name);
                    return !w.istNull() && (w.alsDouble() != 0) != p.*s.wert;
                }))
                Erhoehen(aenderungen);
            versuche([&] { p.*s.wert = lies(rs, s.name).alsBool(); });
        }
    }
}

void zweiteFarbeUebernehmen(Programm& p, const Datensatzmenge* rs, int& aenderungen) {
    if (p.SchriftFarbe2 < 0) {
        Erhoehen(aenderungen);
        p.SchriftFarbe2 = rueckfall::SchriftFarbe2;
    } else {
        if (testOderErster([&] {
                const Wert w = lies(rs, "SchriftFarbe2");
                return !w.istNull() && farbeAusText(w) != p.SchriftFarbe2;
            }))
            Erhoehen(aenderungen);
        versuche([&] { p.SchriftFarbe2 = farbeAusText(lies(rs, "SchriftFarbe2")); });
    }
}

void schalterUebernehmen(Programm& p, const Datensatzmenge* rs, int& aenderungen) {
    // The broadcaster's password guards the receiver's settings as well; a
    // new password alone is no reason to lay the bar out again.
    versuche([&] { p.passWort = lies(rs, "passWort").alsText(); });

    const Schalter schalter[] = {{"eigeneErlauben", &Einstellungswerte::eigeneErlauben},
                                 {"zeigDatum", &Einstellungswerte::zeigDatum},
                                 {"zeigRahmen", &Einstellungswerte::zeigRahmen}};
    for (const Schalter& s : schalter) {
        if (testOderErster([&] { return istGleichNull(lies(rs, s.name)); })) {
            if (p.*s.wert)
                Erhoehen(aenderungen);
            p.*s.wert = false;
        } else {
            if (!(p.*s.wert))
                Erhoehen(aenderungen);
            p.*s.wert = true;
        }
    }
}

void speedUebernehmen(Programm& p, const Datensatzmenge* rs, int& aenderungen) {
    if (testOderErster([&] {
            const Wert w = lies(rs, "Speed");
            return !w.istNull() && speedZuKlein(w);
        })) {
        Erhoehen(aenderungen);
        p.Speed = rueckfall::Speed;
    } else {
        if (testOderErster([&] {
                const Wert w = lies(rs, "Speed");
                return !w.istNull() && w.alsDouble() != double(p.Speed);
            }))
            Erhoehen(aenderungen);
        versuche([&] { p.Speed = lies(rs, "Speed").alsInt16(); });
    }
}

} // namespace

void EinstellungenUebernehmen(Programm& p) {
    if (!BroadcastErreichbar(p))
        return;
    p.einstellungenGeaendert = false;

    if (!broadcastEinstellungenLesen(p))
        return;

    // A file that gives no settings row has nothing to adopt: taking every
    // value as unreadable would switch the receiver's date, border and own
    // notes off and leave a blank bar.
    const Datensatzmenge* rs = p.broadcastEinstellungen.get();
    int rows = 0;
    versuche([&] { rows = rs ? rs->RecordCount() : 0; });
    if (rows == 0)
        return;
    int aenderungen = 0;

    farbenUebernehmen(p, rs, aenderungen);
    schriftUebernehmen(p, rs, aenderungen);
    zweiteFarbeUebernehmen(p, rs, aenderungen);
    schalterUebernehmen(p, rs, aenderungen);
    speedUebernehmen(p, rs, aenderungen);

    p.einstellungenGeaendert = aenderungen != 0;
}

} // namespace pinwick
