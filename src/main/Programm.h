#pragma once
// Program-wide state. main() makes one Programm and hands it by reference to
// whatever needs it; tests make their own on a database in a temporary folder.

#include "Datenbank.h"
#include "Uhr.h"

#include <QDateTime>
#include <QDir>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>


namespace pinwick {

// One row of the settings table, held in values named like its columns.
// The settings window keeps a working copy of the same kind.
struct Einstellungswerte {
    int16_t Sprache = 0;
    bool ImmerOben = false;
    int32_t dockPos = 0;
    int32_t fensterHgFarbe = 0;
    int32_t uhrHgFarbe = 0;
    int32_t UhrSchriftFarbe = 0;
    int32_t notizHgFarbe = 0;
    QString SchriftName;
    int16_t SchriftGroesse = 8; // a usable size until the settings are read
    bool SchriftFett = false;
    bool SchriftKursiv = false;
    int32_t SchriftFarbe = 0;
    int32_t SchriftFarbe2 = 0;
    int16_t Schrift3D = 0;
    bool zeigDatum = false;
    bool zeigRahmen = false;
    int16_t Speed = 0;
    bool sysopStatus = false;
    QString passWort;
    bool broadcastStatus = false;
    QString broadcastPfad;
    QString broadcastSchluessel; // for a web address; empty in an older file
    bool remoteEinstellungen = false;
    bool eigeneErlauben = false;
    bool erstVorbei = false;

    bool operator==(const Einstellungswerte&) const = default;
};

// What tells one file from another under the same name: a file copied or
// renamed over it differs in one of these.
struct DateiStand {
    qint64 groesse = -1;
    qint64 geaendertMs = 0;
    quint64 knoten = 0; // the file system's node number, where there is one
    bool operator==(const DateiStand&) const = default;
};

// One due note on the ticker: where it comes from and its text.
struct Eintrag {
    enum Quelle : int16_t { Eigene = 0, Broadcast = 1, Feed = 2 };
    int16_t quelle = Eigene;
    QString text;
    // A feed's item is drawn in its feed's colour (&H00BBGGRR); -1: in the
    // colour of own notes.
    int32_t farbe = -1;
    bool operator==(const Eintrag&) const = default;
};

// What a click and the pointer find on a feed's item: the page to open
// (http or https; empty: none) and the summary as plain text. The feed
// items end the entry list, and the last of these belong to them in order.
struct FeedVerweis {
    QString link;
    QString tooltip;
    bool operator==(const FeedVerweis&) const = default;
};

class Programm : public Einstellungswerte {
public:
    Programm();

    // ---- constants set at start
    int16_t programmVersion = 301;
    bool tonAn = true;
    QString zeilenUmbruch = QStringLiteral("\r\n");
    QString tabText = QStringLiteral("\t");
    QString idAbstand = QString(10, QLatin1Char('\t'));
    QString heuteText;
    std::array<QString, 3> sprachText; // entries 1 (English) and 2 (German)
    QString trennText = QStringLiteral(" \u00B7 ");

    // Puts the English and the German text into sprachText and returns the
    // one of the current language (empty for any other Sprache).
    QString Text(const QString& englisch, const QString& deutsch);

    // ---- folders and files
    QDir arbeitsOrdner; // the working folder: templates, installer and marker files
    QString datenOrdner;
    QString datenbankDatei;
    QString ArbeitsDatei(const QString& name) const { return arbeitsOrdner.filePath(name); }

    // ---- the store
    Arbeitsbereich arbeitsbereich;
    std::unique_ptr<Datenbank> lokaleDatenbank;
    std::unique_ptr<Datensatzmenge> lokaleNotizen;
    std::unique_ptr<Datensatzmenge> lokaleEinstellungen;
    QString broadcastDatei;
    bool broadcastGeoeffnet = false; // BroadcastOeffnen ran at least once this run
    std::unique_ptr<Datenbank> broadcastDatenbank;
    std::unique_ptr<Datensatzmenge> broadcastNotizen;
    std::unique_ptr<Datensatzmenge> broadcastEinstellungen;
    bool netzFehler = false;
    // The receiver over the web, while the broadcast path is an http(s)
    // address: its state in the settings window's words (empty otherwise).
    QString broadcastWebZustand;
    // Which file the broadcaster's connection reads: a file replaced on the
    // share under the same name is opened afresh.
    DateiStand broadcastStand;
    // The last access to the broadcaster's file met another program's lock;
    // since when accesses keep meeting one (invalid while none does).
    bool broadcastBesetzt = false;
    QDateTime broadcastBesetztSeit;
    // A change of the broadcaster's file was seen: it is not reopened before
    // this moment (Uhr::Millisekunden; 0 while nothing waits). Each receiver
    // draws its own short delay, so that a change on a share read by
    // hundreds of desktops does not bring all their reads in one instant.
    // A sleeping bar wakes for it (TickerInhalt::MsBisVerzugEnde).
    qint64 broadcastNichtVor = 0;

    // ---- settings record
    bool einstellungenGeaendert = false;

    // ---- ticker content
    int16_t aufbauZaehler = 0;
    bool ersterAufbau = true;
    QString neuerText;
    QString gezeigterText;
    std::vector<Eintrag> eintraege;
    // Changes whenever eintraege does, so that the band need not compare
    // the list at every tick.
    uint64_t eintraegeStand = 0;
    // The links and summaries of the feed items at the end of eintraege.
    std::vector<FeedVerweis> feedVerweise;
    QString fehlerZeit;
    int16_t anzeigeModus = 1; // 1 static, 2 scrolling

    // ---- dialogs
    int32_t datumZahl = 0;
    int16_t mBoxArt = 0;
    QString mBoxText;
    int16_t mBoxAntwort = 0;
    bool zugangErlaubt = false;
    // Settings were changed in the settings window since it loaded or saved.
    bool ungespeichert = false;
    int16_t bubbleLinks = 0;
    int16_t bubbleOben = 0;

    // ---- the clock
    Uhr uhr;

    // ---- the window layer
    // What the windows keep beside the program-wide values (the bar once it
    // is shown, the bubble on screen); the core knows it only as this base,
    // so that it builds without a window library (Oberflaeche.h).
    struct FensterSchicht {
        virtual ~FensterSchicht() = default;
    };
    std::unique_ptr<FensterSchicht> fensterSchicht;
    // Closes the connection notice when it is shown (set by the window layer).
    std::function<void()> netzConnectSchliessen;
    // The settings were saved: the receiver over the web follows a changed
    // address or key (unset without one).
    std::function<void()> broadcastEinstellungenGeaendert;
    // The system's beep; set by the window layer, none without one.
    void (*systemTon)() = nullptr;
    // Lets pending window events run (QCoreApplication::processEvents when an
    // application object exists; nothing in tests without one).
    void EreignisseZulassen();
    // The system beep through Piepen, honouring tonAn.
    void Piepen();
};

} // namespace pinwick
