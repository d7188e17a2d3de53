#include "Speicher.h"

#include "EinstellungsSatz.h"
#include "Hilfen.h"
#include "Protokoll.h"
#include "Schema.h"
#include "Versuche.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace pinwick {

namespace {

const QString notizenAbfrage = QStringLiteral("select * from Notizen");
const QString einstellungenAbfrage = QStringLiteral("select * from Einstellungen");

// Opens a recordset into ziel; on failure ziel keeps what it held.
void mengeOeffnenOderBehalten(Datenbank& db, const QString& abfrage,
                              std::unique_ptr<Datensatzmenge>& ziel) {
    try {
        ziel = db.OpenRecordset(abfrage);
    } catch (const std::exception&) {
    }
}

} // namespace

void LokalOeffnen(Programm& p) {
    // The library takes an empty file for an empty database; for the user it
    // is a lost one, and the start must say so instead of showing no notes.
    // Damage deep in the file or a missing column stops the start as well,
    // before anything reads or writes there: the user may still rescue it.
    if (QFileInfo::exists(p.datenbankDatei) && QFileInfo(p.datenbankDatei).size() == 0)
        throw DatenFehler("the file is empty");
    auto db = p.arbeitsbereich.OpenDatabase(p.datenbankDatei);
    db->GanzPruefen();
    db->SchemaPruefen();
    // What later versions added to the tables, added to this file now, so
    // that every reader and writer of the own file finds it.
    db->SchemaErgaenzen();
    p.lokaleDatenbank = std::move(db);
    p.lokaleNotizen.reset();
    p.lokaleEinstellungen.reset();
    // A recordset that cannot be opened does not stop the start; its users
    // find it unset and fail on their own.
    mengeOeffnenOderBehalten(*p.lokaleDatenbank, notizenAbfrage, p.lokaleNotizen);
    mengeOeffnenOderBehalten(*p.lokaleDatenbank, einstellungenAbfrage, p.lokaleEinstellungen);
}

DateiStand DateiStandLesen(const QString& pfad) {
    DateiStand stand;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(pfad).constData(), &info) != 0)
        return stand;
    stand.groesse = static_cast<qint64>(info.st_size);
    stand.geaendertMs =
        static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    stand.knoten = static_cast<quint64>(info.st_ino);
#else
    const QFileInfo info(pfad);
    if (!info.exists())
        return stand;
    stand.groesse = info.size();
    stand.geaendertMs = info.lastModified().toMSecsSinceEpoch();
#endif
    return stand;
}

void BesetztVermerken(Programm& p) {
    p.broadcastBesetzt = true;
    const QDateTime jetzt = p.uhr.Jetzt();
    if (!p.broadcastBesetztSeit.isValid())
        p.broadcastBesetztSeit = jetzt;
    if (p.broadcastBesetztSeit.secsTo(jetzt) > BesetztGrenzeSekunden)
        p.netzFehler = true;
}

void GelesenVermerken(Programm& p) {
    p.broadcastBesetzt = false;
    p.broadcastBesetztSeit = QDateTime();
}

bool BroadcastUeberWeb(const QString& pfad) {
    const QString s = pfad.trimmed();
    return s.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
           s.startsWith(QLatin1String("http://"), Qt::CaseInsensitive);
}

QString WebKopieDatei(const Programm& p) {
    return p.ArbeitsDatei(QLatin1String(WebKopieName));
}

void BroadcastOeffnen(Programm& p) {
    // Over the web, the receiver keeps the verified snapshot as a local
    // file: missing while none is held, which the bar tells as an outage.
    p.broadcastDatei = BroadcastUeberWeb(p.broadcastPfad) ? WebKopieDatei(p) : p.broadcastPfad;
    p.broadcastGeoeffnet = true;
    const auto schliessen = [&] {
        if (p.netzConnectSchliessen)
            p.netzConnectSchliessen();
    };

    const DateiStand stand = DateiStandLesen(p.broadcastDatei);
    std::unique_ptr<Datenbank> db;
    std::unique_ptr<Datensatzmenge> notizen, einstellungen;
    try {
        db = p.arbeitsbereich.OpenBroadcast(p.broadcastDatei);
        db->SchemaPruefen();
        notizen = db->OpenRecordset(notizenAbfrage);
        einstellungen = db->OpenRecordset(einstellungenAbfrage);
    } catch (const BesetztFehler&) {
        // Someone is writing there right now: not an outage unless it lasts.
        BesetztVermerken(p);
        p.EreignisseZulassen();
        schliessen();
        return;
    } catch (...) {
        // Missing file, unreachable share, other password, empty path, or a
        // file that is no notes database: the ticker shows the network-error
        // notice; nothing is reported here.
        p.netzFehler = true;
        p.EreignisseZulassen();
        schliessen();
        return;
    }
    GelesenVermerken(p);
    p.broadcastStand = stand;
    p.broadcastDatenbank = std::move(db);
    p.broadcastNotizen = std::move(notizen);
    p.broadcastEinstellungen = std::move(einstellungen);
    schliessen();
}

bool BroadcastErreichbar(const Programm& p) {
    // The path of the last opening counts, not a broadcastPfad changed since.
    return p.broadcastGeoeffnet && DateiVorhanden(p.broadcastDatei);
}

void BroadcastMengeNeu(Programm& p, std::unique_ptr<Datensatzmenge>& menge,
                       const QString& abfrage) {
    try {
        if (menge)
            menge->Close();
    } catch (...) {
    }
    menge.reset();
    if (!p.broadcastDatenbank)
        throw DatenFehler("the broadcaster's database is not open");
    menge = p.broadcastDatenbank->OpenRecordset(abfrage);
}

BroadcastWahl BroadcastWahlVon(const Einstellungswerte& w) {
    return {w.broadcastStatus, w.broadcastPfad.trimmed(), w.broadcastSchluessel.trimmed()};
}

BroadcastWechsel BroadcastWechselBestimmen(const BroadcastWahl& laeuft,
                                           const BroadcastWahl& datei) {
    if (laeuft == datei)
        return BroadcastWechsel::Keiner;
    if (!datei.status)
        return laeuft.status ? BroadcastWechsel::Aus : BroadcastWechsel::NurMerken;
    if (!laeuft.status || laeuft.pfad != datei.pfad)
        return BroadcastWechsel::Neu;
    // Same path, another key: only a web receiver verifies with it.
    return BroadcastUeberWeb(datei.pfad) ? BroadcastWechsel::Neu : BroadcastWechsel::NurMerken;
}

void BroadcastWahlAnwenden(Programm& p) {
    if (p.broadcastEinstellungenGeaendert)
        versuche([&] { p.broadcastEinstellungenGeaendert(); });
    if (p.broadcastStatus) {
        // Read the (maybe new) broadcaster at the next tick, with its settings.
        p.aufbauZaehler = 100;
        versuche([&] { BroadcastOeffnen(p); });
        versuche([&] { EinstellungenUebernehmen(p); });
    }
}

bool BroadcastWahlNachladen(Programm& p) {
    if (!p.lokaleDatenbank)
        return false;
    BroadcastWahl datei;
    bool sysop = p.sysopStatus;
    try {
        // A recordset holds the rows it read: a fresh one sees the writer's.
        auto rs = p.lokaleDatenbank->OpenRecordset(einstellungenAbfrage);
        rs->MoveFirst();
        if (rs->Eof())
            return false;
        const auto an = [&](QStringView spalte) {
            const Wert w = rs->Feld(spalte);
            return !w.istNull() && w.alsDouble() != 0;
        };
        const auto text = [&](QStringView spalte) {
            if (rs->Spalte(spalte) < 0)
                return QString();
            const Wert w = rs->Feld(spalte);
            return w.istNull() ? QString() : w.alsText().trimmed();
        };
        datei.status = an(u"broadcastStatus");
        datei.pfad = text(u"broadcastPfad");
        datei.schluessel = text(u"broadcastSchluessel");
        sysop = an(u"sysopStatus");
    } catch (const std::exception& f) {
        // Busy or half-written: the writer's commit is reported again.
        qCInfo(logSpeicher) << "broadcast choice not read:" << f.what();
        return false;
    }
    const BroadcastWechsel wechsel = BroadcastWechselBestimmen(BroadcastWahlVon(p), datei);
    if (wechsel == BroadcastWechsel::Keiner)
        return false;
    qCInfo(logSpeicher) << "broadcast choice changed in the file:" << int(wechsel);
    p.broadcastStatus = datei.status;
    p.broadcastPfad = datei.pfad;
    p.broadcastSchluessel = datei.schluessel;
    if (wechsel == BroadcastWechsel::NurMerken)
        return false;
    // A receiver uses the broadcaster's password; the command sets that too.
    p.sysopStatus = sysop;
    if (wechsel == BroadcastWechsel::Aus) {
        // No broadcaster any more: no outage to tell either.
        p.netzFehler = false;
        p.broadcastBesetzt = false;
    }
    BroadcastWahlAnwenden(p);
    return true;
}

void VorlageErzeugen(const QString& pfad) {
    std::unique_ptr<Datenbank> db = Datenbank::Erzeugen(pfad);
    try {
        db->Ausfuehren(QStringLiteral("BEGIN"));
        db->Ausfuehren(QString::fromUtf8(schema::Notizen));
        db->Ausfuehren(QString::fromUtf8(schema::Einstellungen));
        db->Ausfuehren(QString::fromUtf8(schema::ErsteEinstellungen));
        db->Ausfuehren(QStringLiteral("COMMIT"));
    } catch (...) {
        // A half-made file would later open as a database without tables.
        db->Close();
        QFile::remove(pfad);
        throw;
    }
}

} // namespace pinwick
