#include "ProgrammStart.h"
#include "Sprachwahl.h"

#include "Datenordner.h"
#include "EinstellungsSatz.h"
#include "QtTexte.h"
#include "Hilfen.h"
#include "Speicher.h"
#include "Versuche.h"

#include <QDir>
#include <QFile>

namespace pinwick {

namespace {

// The installer files in this platform's executable names.
#ifdef Q_OS_WIN
const QString pwiUpdName = QStringLiteral("pwiupd.exe");
const QString pwiName = QStringLiteral("pwi.exe");
#else
const QString pwiUpdName = QStringLiteral("pwiupd");
const QString pwiName = QStringLiteral("pwi");
#endif
const QString pwiKav = QStringLiteral("pwi.kav");

void loeschenWennDa(const Programm& p, const QString& name) {
    const QString pfad = p.ArbeitsDatei(name);
    if (DateiVorhanden(pfad))
        QFile::remove(pfad);
}

// The first value of the setup's language file: up to the first comma or line end.
// The file comes from outside, so only its first few bytes are looked at.
int16_t spracheAusDatei(const QString& pfad) {
    QFile datei(pfad);
    if (!datei.open(QIODevice::ReadOnly))
        throw StartFehler("language file cannot be read");
    const QString text = QString::fromLatin1(datei.read(256));
    QString wert = text.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\r'), 0, 0);
    wert = wert.section(QLatin1Char(','), 0, 0);
    // An empty file or a first value without a number names no language:
    // the step is skipped and the language from the table stays.
    if (!HatFuehrendeZahl(wert))
        throw StartFehler("language file holds no number");
    const double zahl = FuehrendeZahl(wert);
    if (zahl < -32768.5 || zahl > 32767.5)
        throw StartFehler("language value out of range");
    return static_cast<int16_t>(RundeGerade32(zahl));
}

void datenbankAusVorlage(const Programm& p) {
    const QString vorlage = p.ArbeitsDatei(QStringLiteral("org.kav"));
    if (!DateiVorhanden(vorlage))
        throw StartFehler(QStringLiteral("The template database \"%1\" is missing.")
                              .arg(QDir::toNativeSeparators(vorlage))
                              .toStdString());
    // Copy under a temporary name first, so that an interrupted copy never
    // leaves a half-written "pw.kav" that a later start would take as real.
    const QString halb = p.datenbankDatei + QStringLiteral(".neu");
    QFile::remove(halb);
    // The copy would keep the template's mode (readable by everyone, or
    // read-only): the notes and settings are the user's alone, whatever the
    // template and the umask say. A broadcaster opens its file to its
    // receivers itself.
    if (!QFile::copy(vorlage, halb) ||
        !QFile::setPermissions(halb, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !QFile::rename(halb, p.datenbankDatei)) {
        QFile::remove(halb);
        throw StartFehler(
            QStringLiteral("The template \"%1\" cannot be copied to \"%2\".")
                .arg(QDir::toNativeSeparators(vorlage), QDir::toNativeSeparators(p.datenbankDatei))
                .toStdString());
    }
}

// 1 to 3: program-wide values, and the stale marker of an older version.
void grundwerteSetzen(Programm& p) {
    p.programmVersion = 301;
    p.tonAn = true;
    versuche([&] { loeschenWennDa(p, QStringLiteral("nefe.txt")); });
    p.zeilenUmbruch = QStringLiteral("\r\n");
    p.tabText = QStringLiteral("\t");
    p.heuteText = DatumText(p.uhr.Heute());
    p.sprachText = {};
    p.idAbstand = QString(10, QLatin1Char('\t'));
    p.trennText = QStringLiteral(" \u00B7 ");
    p.ersterAufbau = true;
}

// 4 to 6: the data folder, the database file in it, and the database open.
void datenbankBereitstellen(Programm& p) {
    // 4: the data folder below the documents folder.
    p.datenOrdner = EigenerDatenOrdner();
    if (!OrdnerVorhanden(p.datenOrdner)) {
        // A fresh Linux account may lack the documents folder itself, so the
        // whole path is made, not just the last level.
        // A new data folder is the user's alone, whatever the umask.
        if (!QDir().mkpath(p.datenOrdner) ||
            !QFile::setPermissions(p.datenOrdner, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner))
            throw StartFehler(QStringLiteral("The data folder \"%1\" cannot be created.")
                                  .arg(QDir::toNativeSeparators(p.datenOrdner))
                                  .toStdString());
        p.EreignisseZulassen();
    }

    // 5: the database file, from the template on first use; never overwritten.
    p.datenbankDatei = p.datenOrdner + QStringLiteral("pw.kav");
    if (!DateiVorhanden(p.datenbankDatei)) {
        datenbankAusVorlage(p);
        p.EreignisseZulassen();
    }

    // 6: the local database; it has to open, or there is nothing to run on.
    // From the recordsets on a failing step is skipped.
    try {
        LokalOeffnen(p);
    } catch (const DatenFehler& f) {
        throw StartFehler(
            QStringLiteral("The database \"%1\" cannot be opened: %2")
                .arg(QDir::toNativeSeparators(p.datenbankDatei), QString::fromStdString(f.what()))
                .toStdString());
    }
}

// 8, 9: the installer files and the hand-over files of an earlier update.
void updateResteAufraeumen(Programm& p) {
    // A new installer delivered by an update replaces the shipped one; the
    // installer of the last update goes back to its shipped name.
    versuche([&] {
        if (DateiVorhanden(p.ArbeitsDatei(pwiUpdName))) {
            versuche([&] { loeschenWennDa(p, pwiName); });
            versuche([&] { loeschenWennDa(p, pwiKav); });
            QFile::rename(p.ArbeitsDatei(pwiUpdName), p.ArbeitsDatei(pwiKav));
        }
    });
    p.EreignisseZulassen();
    versuche([&] {
        if (DateiVorhanden(p.ArbeitsDatei(pwiName))) {
            versuche([&] { loeschenWennDa(p, pwiKav); });
            QFile::rename(p.ArbeitsDatei(pwiName), p.ArbeitsDatei(pwiKav));
        }
    });
    p.EreignisseZulassen();

    for (const char* name : {"updlist.txt", "serverversion.txt", "updver.txt", "updinfo.txt"})
        versuche([&] { loeschenWennDa(p, QString::fromLatin1(name)); });
}

// 10: the language. A stored 0 means nobody has chosen one yet: until the
// settings window saves a choice, every start asks the setup's file and then
// the desktop, so a desk keeps the language it started with. On the first
// run the setup's file decides even over the table.
void spracheBestimmen(Programm& p) {
    if (!p.erstVorbei || p.Sprache == SpracheOffen) {
        versuche([&] {
            const QString datei = p.ArbeitsDatei(QStringLiteral("ssp.kav"));
            if (DateiVorhanden(datei))
                p.Sprache = spracheAusDatei(datei);
        });
        // A German desktop gets German, any other English.
        if (p.Sprache == SpracheOffen)
            p.Sprache = SpracheAusGebietsschema(QLocale());
    }
    if (p.Sprache == SpracheOffen)
        p.Sprache = 1;
}

// 12: a receiver connects to its broadcaster and, when asked to, takes over
// the broadcaster's settings before the bar is first shown.
void empfaengerVerbinden(Programm& p, const StartFenster& fenster) {
    versuche([&] {
        if (fenster.netzConnectZeigen)
            fenster.netzConnectZeigen();
    });
    BroadcastOeffnen(p);
    bool remote = false;
    versuche([&] {
        if (!p.broadcastEinstellungen)
            return;
        p.broadcastEinstellungen->MoveFirst();
        // A Null is a value that could be read, and it is not 0.
        const Wert w = p.broadcastEinstellungen->Feld(u"remoteEinstellungen");
        remote = w.istNull() || w.alsDouble() != 0;
    });
    p.remoteEinstellungen = remote;
    if (p.remoteEinstellungen)
        versuche([&] { EinstellungenUebernehmen(p); });
}

// 15: the first run is over once it has been recorded; the help page greets
// the new user. The program-wide flag stays until the next start.
void erstenStartVermerken(Programm& p, const StartFenster& fenster) {
    versuche([&] {
        Datensatzmenge* rs = p.lokaleEinstellungen.get();
        if (!rs)
            return;
        rs->MoveFirst();
        rs->Edit();
        try {
            rs->Setze(u"erstVorbei", Wert(true));
            rs->Update();
        } catch (...) {
            versuche([&] { rs->CancelUpdate(); });
            throw;
        }
    });
    versuche([&] {
        if (fenster.hilfeZeigen)
            fenster.hilfeZeigen();
    });
}

} // namespace

void ProgrammStart(Programm& p, const StartFenster& fenster) {
    grundwerteSetzen(p);
    datenbankBereitstellen(p);

    // 7: settings.
    EinstellungenLaden(p);
    p.EreignisseZulassen();

    updateResteAufraeumen(p);
    spracheBestimmen(p);

    // 11: splash.
    versuche([&] {
        if (fenster.introZeigen)
            fenster.introZeigen();
    });
    p.EreignisseZulassen();
    if (fenster.warten)
        Warten(1.0f);

    versuche([&] {
        if (fenster.webEmpfang)
            fenster.webEmpfang();
    });
    if (p.broadcastStatus)
        empfaengerVerbinden(p, fenster);

    // 13, 14: the bar, then the splash goes.
    versuche([&] {
        if (fenster.leisteZeigen)
            fenster.leisteZeigen();
    });
    versuche([&] {
        if (fenster.introSchliessen)
            fenster.introSchliessen();
    });

    if (!p.erstVorbei)
        erstenStartVermerken(p, fenster);
}

} // namespace pinwick
