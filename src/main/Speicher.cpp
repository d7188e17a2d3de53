#include "Speicher.h"

#include "Hilfen.h"
#include "Schema.h"

#include <QFile>

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
    p.lokaleDatenbank = p.arbeitsbereich.OpenDatabase(p.datenbankDatei);
    p.lokaleNotizen.reset();
    p.lokaleEinstellungen.reset();
    // A recordset that cannot be opened does not stop the start; its users
    // find it unset and fail on their own.
    mengeOeffnenOderBehalten(*p.lokaleDatenbank, notizenAbfrage, p.lokaleNotizen);
    mengeOeffnenOderBehalten(*p.lokaleDatenbank, einstellungenAbfrage, p.lokaleEinstellungen);
}

void BroadcastOeffnen(Programm& p) {
    p.broadcastDatei = p.broadcastPfad;
    p.broadcastGeoeffnet = true;

    std::unique_ptr<Datenbank> db;
    try {
        db = p.arbeitsbereich.OpenDatabase(p.broadcastDatei);
    } catch (...) {
        // Missing file, unreachable share, other password, empty path: the
        // ticker shows the network-error notice; nothing is reported here.
        p.netzFehler = true;
        p.EreignisseZulassen();
        if (p.netzConnectSchliessen)
            p.netzConnectSchliessen();
        return;
    }
    p.broadcastDatenbank = std::move(db);
    mengeOeffnenOderBehalten(*p.broadcastDatenbank, notizenAbfrage, p.broadcastNotizen);
    mengeOeffnenOderBehalten(*p.broadcastDatenbank, einstellungenAbfrage, p.broadcastEinstellungen);
    if (p.netzConnectSchliessen)
        p.netzConnectSchliessen();
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
