#include "TickerInhalt.h"

#include "EinstellungsSatz.h"
#include "Hilfen.h"
#include "Protokoll.h"
#include "Speicher.h"
#include "Versuche.h"
#include "Zeitplan.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <vector>

namespace pinwick {

namespace {

const QString nefeName = QStringLiteral("nefe");
const QString nefeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// A broken connection costs a reopening per failing record at most this often
// per rebuild; after that failing records are just left out.
constexpr int MaxWiederOeffnen = 2;

// Clock minutes passed from one moment to another (minute boundaries crossed).
qint64 minutenGrenzen(const QDateTime& von, const QDateTime& bis) {
    auto minute = [](const QDateTime& t) {
        const qint64 s = t.toSecsSinceEpoch() + t.offsetFromUtc();
        return s >= 0 ? s / 60 : (s - 59) / 60;
    };
    return minute(bis) - minute(von);
}

} // namespace

TickerInhalt::TickerInhalt(Programm& p) : p_(p) {
    verzugWuerfeln = [] {
        return static_cast<int>(QRandomGenerator::global()->bounded(MaxVerzugMs + 1));
    };
}

TickerInhalt::~TickerInhalt() = default;

bool TickerInhalt::wiederOeffnenFaellig() {
    const qint64 jetzt = p_.uhr.Millisekunden();
    if (p_.broadcastNichtVor == 0) {
        const int verzug = verzugWuerfeln ? std::clamp(verzugWuerfeln(), 0, MaxVerzugMs) : 0;
        p_.broadcastNichtVor = jetzt + verzug;
        if (p_.broadcastNichtVor == 0)
            p_.broadcastNichtVor = 1;
    }
    return verzugVorbei();
}

bool TickerInhalt::verzugVorbei() const {
    if (p_.broadcastNichtVor == 0)
        return false;
    const qint64 jetzt = p_.uhr.Millisekunden();
    // A moment further off than any delay: the clock was set back. Waiting
    // for it could take hours.
    return jetzt >= p_.broadcastNichtVor || p_.broadcastNichtVor - jetzt > MaxVerzugMs;
}

void TickerInhalt::ZeitTest(bool& faellig) const {
    if (!p_.lokaleNotizen)
        throw DatenFehler("local notes are not open");
    faellig = ZeitTestKern(*p_.lokaleNotizen, p_.uhr.Jetzt());
}

void TickerInhalt::ZeitTestExt(bool& faellig) const {
    if (!p_.broadcastNotizen)
        throw DatenFehler("broadcast notes are not open");
    faellig = ZeitTestKern(*p_.broadcastNotizen, p_.uhr.Jetzt());
}

void TickerInhalt::anhaengen(int16_t quelle, const QString& text) {
    Erhoehen(gefunden_);
    neueEintraege_.push_back(Eintrag{quelle, text});
    p_.neuerText += text;
    p_.neuerText += p_.trennText;
}

void TickerInhalt::eintraegeUebernehmen() {
    // A rebuild that finds no due note leaves the old list alone (an empty
    // text draws nothing). The list changes, and its number with it, only
    // when the rebuild found something else: the band lays out a changed
    // list anew, and most rebuilds find the same notes.
    if (gefunden_ > 0 && (neueEintraege_ != p_.eintraege || neueVerweise_ != p_.feedVerweise)) {
        p_.eintraege.swap(neueEintraege_);
        p_.feedVerweise.swap(neueVerweise_);
        ++p_.eintraegeStand;
    }
    std::vector<Eintrag>().swap(neueEintraege_);
    neueVerweise_.clear();
}

void TickerInhalt::EigeneNeuLesen() {
    eigeneNeuLesen_ = true;
    p_.aufbauZaehler = AufbauTakte;
}

int TickerInhalt::MsBisVerzugEnde() const {
    if (p_.broadcastNichtVor == 0)
        return -1;
    if (verzugVorbei())
        return 0;
    return static_cast<int>(p_.broadcastNichtVor - p_.uhr.Millisekunden());
}

int TickerInhalt::TakteBisAufbau() const {
    return p_.aufbauZaehler >= AufbauTakte ? 0 : AufbauTakte - p_.aufbauZaehler;
}

void TickerInhalt::NotizMachen(int takte) {
    // A long sleep (a stopped timer, a suspended machine) counts as no more
    // than one rebuild's worth: one rebuild is due, and the counter stays
    // far from the end of its range.
    p_.aufbauZaehler =
        static_cast<int16_t>(p_.aufbauZaehler + std::clamp(takte, 0, int(AufbauTakte)));
    // A reopening put off after a change of the broadcaster's file is due:
    // rebuild now, without moving the regular rebuilds.
    const bool nachgeholt = p_.aufbauZaehler < AufbauTakte && verzugVorbei();
    const bool aufbau = p_.aufbauZaehler >= AufbauTakte || nachgeholt;
    if (aufbau)
        aufbauBeginnen();

    const bool warten = broadcastZustandPruefen();

    if (aufbau && !warten && p_.broadcastStatus && !p_.netzFehler && BroadcastErreichbar(p_))
        broadcastNotizenLesen();

    if (aufbau) {
        eigeneNotizenAufbauen();
        feedsAufbauen();
    }

    if (aufbau) {
        eintraegeUebernehmen();
        // A moment that has passed without the file being reopened (the
        // connection was lost meanwhile) must not make every tick a rebuild.
        if (verzugVorbei())
            p_.broadcastNichtVor = 0;
    }
    if (aufbau && !nachgeholt) {
        // The first rebuild after start leaves the update check to its own timer.
        if (p_.ersterAufbau)
            p_.ersterAufbau = false;
        else if (updatePruefen)
            versuche([&] { updatePruefen(); });
        p_.aufbauZaehler = 0;
    } else {
        p_.ersterAufbau = false;
    }

    textZeigen(aufbau);
}

void TickerInhalt::aufbauBeginnen() {
    p_.neuerText.clear();
    gefunden_ = 0;
    neueEintraege_.clear();
    // One moment for the whole rebuild, so that all notes are judged
    // against the same day and time.
    jetzt_ = p_.uhr.Jetzt();
}

bool TickerInhalt::broadcastZustandPruefen() {
    // Set while a returned broadcaster's file waits for this receiver's delay.
    bool warten = false;
    if (p_.broadcastStatus && !p_.netzFehler) {
        if (BroadcastErreichbar(p_)) {
            p_.netzFehler = false;
            if (nefeVorhanden()) {
                // The file is there again. Every receiver of the share finds
                // that in the same clock minute, so each first waits its own
                // short delay. It counts as back only once it opens: a file
                // that is no notes database, or one that stays locked, keeps
                // the outage (and its one notice) going.
                if (wiederOeffnenFaellig()) {
                    p_.broadcastNichtVor = 0;
                    BroadcastOeffnen(p_);
                    if (!p_.netzFehler) {
                        nefeLoeschen();
                        EinstellungenUebernehmen(p_);
                    }
                } else {
                    warten = true;
                }
            }
            if (!warten && !p_.netzFehler && bubbleSchliessen)
                versuche([&] { bubbleSchliessen(); });
        } else {
            p_.netzFehler = true;
            if (!nefeVorhanden())
                NetzFehlerMelden();
        }
    }
    return warten;
}

void TickerInhalt::eigeneNotizenAufbauen() {
    // The recordset holds the rows it read; rows another program wrote are
    // seen only by a recordset opened after them. Done here, in a rebuild,
    // and not when the change is reported: the editor and the administration
    // work on this recordset while their windows are open, and the bar does
    // not rebuild meanwhile.
    if (eigeneNeuLesen_ && p_.lokaleDatenbank) {
        eigeneNeuLesen_ = false;
        versuche([&] {
            p_.lokaleNotizen =
                p_.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        });
    }

    if (p_.eigeneErlauben && p_.lokaleNotizen) {
        int anzahl = 0;
        versuche([&] { anzahl = p_.lokaleNotizen->RecordCount(); });
        if (anzahl > 0)
            eigeneNotizenLesen();
    }
}

void TickerInhalt::textZeigen(bool aufbau) {
    if (p_.neuerText != p_.gezeigterText) {
        p_.gezeigterText = p_.neuerText;
        p_.anzeigeModus = modusFuer(p_.gezeigterText);
        if (textNeu)
            textNeu();
    } else if (aufbau) {
        // The same text as before, assembled anew: from now on both share
        // one copy, and the comparison at every tick is over at once.
        p_.neuerText = p_.gezeigterText;
    }
}

int16_t TickerInhalt::modusFuer(const QString& text) const {
    const int breite = textBreite ? textBreite(text) : 0;
    const int band = bandBreite ? bandBreite() : 0;
    return breite > band ? Scrollend : Statisch;
}

void TickerInhalt::ModusNachLayout() {
    if (!p_.gezeigterText.isEmpty())
        p_.anzeigeModus = modusFuer(p_.gezeigterText);
}

void TickerInhalt::eigeneNotizenLesen() {
    Datensatzmenge& rs = *p_.lokaleNotizen;
    try {
        rs.MoveFirst();
    } catch (...) {
        return;
    }
    const int spalteRhythmus = rs.Spalte(u"Rhythmus");
    const int spalteInhalt = rs.Spalte(u"inhalt");
    while (!rs.Eof()) {
        Datensatzmenge::Lesezeichen zeichen = 0;
        try {
            zeichen = rs.Bookmark();
            const int16_t rhythmus = rs.Feld(spalteRhythmus).alsInt16();
            bool faellig = true;
            if (rhythmus > 0)
                faellig = ZeitTestKern(rs, jetzt_);
            if (faellig)
                anhaengen(Eintrag::Eigene, rs.Feld(spalteInhalt).alsText());
        } catch (...) {
            // A faulty note is left out; the others still show.
            versuche([&] { rs.SetBookmark(zeichen); });
        }
        try {
            rs.MoveNext();
        } catch (...) {
            return;
        }
    }
}

// State of one walk through the broadcaster's notes.
struct TickerInhalt::BroadcastLauf {
    // Records dealt with in this rebuild, by bookmark: after the database had
    // to be opened anew, the walk starts over and skips them, so that no note
    // appears twice.
    std::vector<Datensatzmenge::Lesezeichen> erledigt;
    QSet<Datensatzmenge::Lesezeichen> erledigtMenge;
    bool neuGeoeffnet = false;
    int wiederOeffnen = 0;
    Datensatzmenge::Lesezeichen fehlgeschlagen = -1;
    // Due notes found before the walk began.
    int vorher = 0;
};

void TickerInhalt::letzteBroadcastZeigen() {
    // Shown again while the broadcaster's file is busy: a writer holding its
    // lock for a moment is no reason for the notes to blink off.
    for (const QString& text : letzteBroadcast_)
        anhaengen(Eintrag::Broadcast, text);
}

void TickerInhalt::broadcastGelesenVermerken(int vorher) {
    GelesenVermerken(p_);
    broadcastFeedsLesen();
    broadcastGelesen_ = true;
    letzteBroadcast_.clear();
    if (gefunden_ > vorher)
        for (size_t i = neueEintraege_.size() - static_cast<size_t>(gefunden_ - vorher);
             i < neueEintraege_.size(); ++i)
            letzteBroadcast_.push_back(neueEintraege_[i].text);
}

bool TickerInhalt::broadcastVorbereiten() {
    // Not open yet (busy at start), or the file was written or another file
    // now lies under the name (copied or renamed over it): open it afresh.
    // After a change each receiver first waits its own short delay and keeps
    // showing what it read last; one that has read nothing yet (just
    // started) has nothing to show meanwhile and reads at once.
    const bool offen = p_.broadcastDatenbank != nullptr;
    if (!offen || DateiStandLesen(p_.broadcastDatei) != p_.broadcastStand) {
        if (offen && broadcastGelesen_ && !wiederOeffnenFaellig()) {
            letzteBroadcastZeigen();
            return false;
        }
        p_.broadcastNichtVor = 0;
        BroadcastOeffnen(p_);
        if (p_.netzFehler)
            return false; // the notice follows at the next tick
        if (p_.broadcastBesetzt) {
            letzteBroadcastZeigen();
            return false;
        }
    }

    EinstellungenUebernehmen(p_);
    if (p_.netzFehler)
        return false;
    if (p_.broadcastBesetzt) {
        letzteBroadcastZeigen();
        return false;
    }
    if (p_.einstellungenGeaendert && neuLayout)
        versuche([&] { neuLayout(); });
    return true;
}

bool TickerInhalt::broadcastWiederVerbinden(BroadcastLauf& lauf) {
    if (p_.netzFehler || lauf.wiederOeffnen >= MaxWiederOeffnen)
        return false;
    ++lauf.wiederOeffnen;
    versuche([&] {
        if (p_.broadcastDatenbank)
            p_.broadcastDatenbank->Close();
    });
    BroadcastOeffnen(p_);
    if (p_.netzFehler || p_.broadcastBesetzt || !p_.broadcastNotizen)
        return false;
    versuche([&] {
        if (p_.broadcastEinstellungen && p_.broadcastEinstellungen->RecordCount() > 0)
            p_.broadcastEinstellungen->MoveFirst();
    });
    try {
        if (p_.broadcastNotizen->RecordCount() > 0)
            p_.broadcastNotizen->MoveFirst();
    } catch (...) {
        return false;
    }
    lauf.erledigtMenge =
        QSet<Datensatzmenge::Lesezeichen>(lauf.erledigt.begin(), lauf.erledigt.end());
    lauf.neuGeoeffnet = true;
    return true;
}

void TickerInhalt::broadcastNotizenLesen() {
    BroadcastLauf lauf;
    lauf.vorher = gefunden_;
    if (!broadcastVorbereiten())
        return;

    try {
        BroadcastMengeNeu(p_, p_.broadcastNotizen, QStringLiteral("select * from Notizen"));
        if (p_.broadcastNotizen->RecordCount() == 0) {
            broadcastGelesenVermerken(lauf.vorher);
            return;
        }
        p_.broadcastNotizen->MoveFirst();
    } catch (const BesetztFehler&) {
        BesetztVermerken(p_);
        if (!p_.netzFehler)
            letzteBroadcastZeigen();
        return;
    } catch (...) {
        if (!broadcastWiederVerbinden(lauf)) {
            if (p_.broadcastBesetzt && !p_.netzFehler)
                letzteBroadcastZeigen();
            return;
        }
    }

    broadcastDurchlaufen(lauf);
}

void TickerInhalt::broadcastDurchlaufen(BroadcastLauf& lauf) {
    while (true) {
        Datensatzmenge* rs = p_.broadcastNotizen.get();
        if (!rs)
            return;
        Datensatzmenge::Lesezeichen zeichen = -1;
        try {
            if (rs->Eof()) {
                broadcastGelesenVermerken(lauf.vorher);
                return;
            }
            zeichen = rs->Bookmark();
            const bool schonDa = lauf.neuGeoeffnet && lauf.erledigtMenge.contains(zeichen);
            if (!schonDa) {
                const int16_t rhythmus = rs->Feld(u"Rhythmus").alsInt16();
                bool faellig = true;
                if (rhythmus > 0)
                    faellig = ZeitTestKern(*rs, jetzt_);
                if (faellig)
                    anhaengen(Eintrag::Broadcast, rs->Feld(u"inhalt").alsText());
                lauf.erledigt.push_back(zeichen);
            }
            rs->MoveNext();
        } catch (...) {
            if (zeichen >= 0 &&
                (zeichen == lauf.fehlgeschlagen || lauf.wiederOeffnen >= MaxWiederOeffnen)) {
                // It failed again after a fresh opening, or fresh openings
                // are used up: leave this record out and go on.
                lauf.erledigt.push_back(zeichen);
                lauf.erledigtMenge.insert(zeichen);
                try {
                    rs->MoveNext();
                } catch (...) {
                    return;
                }
                continue;
            }
            lauf.fehlgeschlagen = zeichen;
            if (!broadcastWiederVerbinden(lauf))
                return;
        }
    }
}

void TickerInhalt::NetzFehlerMelden() {
    const int breite = leistenBreite ? leistenBreite() : 0;
    const int links = breite / 2 - 885;
    int oben = 0;
    if (p_.dockPos != 0)
        oben = -(bubbleInnenHoehe ? bubbleInnenHoehe() : 0) - 300;
    else
        oben = (leistenInnenHoehe ? leistenInnenHoehe() : 0) / 2 +
               (leistenOben ? leistenOben() : 0) - 400;
    const QString meldung =
        p_.Text(QStringLiteral("Network error - cannot reach broadcast server."),
                QStringLiteral("Netzwerkfehler - Broadcast Server nicht erreichbar."));
    p_.Piepen();
    if (bubbleZeigen)
        versuche([&] { bubbleZeigen(links, oben, meldung); });
    nefeSchreiben();
    p_.fehlerZeit = nefeLesen();
    p_.EreignisseZulassen();
}

void TickerInhalt::NetzWiederholung() {
    if (!p_.netzFehler)
        return;
    if (nefeVorhanden()) {
        p_.fehlerZeit = nefeLesen();
        const QDateTime fehler = QDateTime::fromString(p_.fehlerZeit, nefeFormat);
        // An unreadable time counts as long past: test the file again now. So
        // does a time still to come: the clock was set back (or the marker is
        // not ours), and waiting for that minute could take hours or forever.
        if (!fehler.isValid() || minutenGrenzen(fehler, p_.uhr.Jetzt()) != 0) {
            p_.netzFehler = false;
            nefeSchreiben();
        }
    } else {
        NetzFehlerMelden();
    }
}

// The marker is remembered in memory as well whenever the file cannot hold
// it (a working folder without write access, a folder or a pipe under the
// name): without that, every tick would find no marker and raise the notice
// again, twenty bubbles and beeps a second.
bool TickerInhalt::nefeVorhanden() const {
    return DateiVorhanden(p_.ArbeitsDatei(nefeName)) || !nefeImSpeicher_.isEmpty();
}

void TickerInhalt::nefeLoeschen() {
    nefeImSpeicher_.clear();
    const QString pfad = p_.ArbeitsDatei(nefeName);
    // Only a file is ours to delete; something else under the name is not.
    if (DateiVorhanden(pfad))
        QFile::remove(pfad);
}

void TickerInhalt::nefeSchreiben() {
    const QString pfad = p_.ArbeitsDatei(nefeName);
    const QByteArray zeile = p_.uhr.Jetzt().toString(nefeFormat).toLatin1() + "\r\n";
    // Opening a pipe for writing would wait for a reader and freeze the bar;
    // only a file, or nothing yet, is written.
    const QFileInfo info(pfad);
    bool geschrieben = false;
    if (!info.exists() || info.isFile()) {
        QFile datei(pfad);
        geschrieben = datei.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                      datei.write(zeile) == zeile.size() && datei.flush();
    }
    nefeImSpeicher_ = geschrieben ? QString() : QString::fromLatin1(zeile).trimmed();
}

QString TickerInhalt::nefeLesen() const {
    const QString pfad = p_.ArbeitsDatei(nefeName);
    QFile datei(pfad);
    if (!DateiVorhanden(pfad) || !datei.open(QIODevice::ReadOnly))
        return nefeImSpeicher_;
    // One short line is all the file ever holds; anything longer is not ours.
    const QByteArray zeile = datei.readLine(128);
    return QString::fromLatin1(zeile).trimmed();
}

} // namespace pinwick
