// Whole database files as a receiver meets them on a share.
//
// Input: a plain (unencrypted) database image. Every page of a real file
// carries an authentication code, so a mutated file would never get past
// the first page; the target therefore copies the plain database into a file
// encrypted with the program's key (sqlcipher_export, which reads the damaged
// image through the same engine) and opens that exactly as a receiver opens
// the broadcaster's file: read only, the schema checked, both tables read
// into memory and every field taken.
//
// What must hold besides ending without a crash: nothing but DatenFehler is
// thrown, and a file the store accepts holds no view, trigger or virtual
// table.

#include "Datenbank.h"

#include <sqlcipher/sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <openssl/evp.h>

using namespace pinwick;

namespace {

[[noreturn]] void fund(const char* text) {
    std::fprintf(stderr, "datei_fuzz: %s\n", text);
    std::abort();
}

struct Umgebung {
    QTemporaryDir ordner;
    QByteArray klar;
    QByteArray geheim;
    // The key the password gives for one fixed salt, with that salt: the
    // encrypted copy always has the same salt, so the store derives its key
    // once and keeps it, as it does for a broadcaster's file.
    QByteArray rohSchluessel;

    Umgebung() {
        klar = QFile::encodeName(ordner.filePath(QStringLiteral("klar.db")));
        geheim = QFile::encodeName(ordner.filePath(QStringLiteral("geheim.kav")));
        unsigned char salz[16];
        for (int i = 0; i < 16; ++i)
            salz[i] = static_cast<unsigned char>(0x5a ^ i);
        unsigned char schluessel[32];
        if (PKCS5_PBKDF2_HMAC_SHA1(Datenbank::Schluessel,
                                   static_cast<int>(std::strlen(Datenbank::Schluessel)), salz,
                                   sizeof salz, 64000, sizeof schluessel, schluessel) != 1)
            fund("no key");
        rohSchluessel = "x'" +
                        QByteArray(reinterpret_cast<const char*>(schluessel), sizeof schluessel)
                            .toHex() +
                        QByteArray(reinterpret_cast<const char*>(salz), sizeof salz).toHex() + "'";
    }

    void aufraeumen() const {
        for (const QByteArray& name : {klar, geheim})
            for (const char* endung : {"", "-journal", "-wal", "-shm"})
                std::remove((name + endung).constData());
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

// The copy runs on a damaged image: it may take long, but not forever.
int genug(void* beginn) {
    return ++*static_cast<long*>(beginn) > 20000 ? 1 : 0;
}

// The plain image as an encrypted file; false when the engine could not
// copy it (which is no finding: such a file never reaches a receiver whole).
bool verschluesseln(const Umgebung& u) {
    sqlite3* db = nullptr;
    bool gut = sqlite3_open_v2(u.klar.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                  nullptr) ==
               SQLITE_OK;
    long schritte = 0;
    if (gut) {
        sqlite3_progress_handler(db, 1000, genug, &schritte);
        const QByteArray sql = "ATTACH DATABASE '" + u.geheim + "' AS geheim KEY \"" +
                               u.rohSchluessel +
                               "\"; SELECT sqlcipher_export('geheim'); DETACH DATABASE geheim;";
        gut = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close_v2(db);
    return gut;
}

void lesen(const Umgebung& u) {
    Arbeitsbereich bereich;
    std::unique_ptr<Datenbank> db = bereich.OpenBroadcast(QFile::decodeName(u.geheim));
    db->SchemaPruefen();
    for (const char* tabelle : {"Notizen", "Einstellungen"}) {
        auto menge = db->OpenRecordset(QStringLiteral("select * from %1").arg(tabelle));
        const int spalten = static_cast<int>(menge->Spalten().size());
        for (menge->MoveFirst(); !menge->Eof(); menge->MoveNext())
            for (int i = 0; i < spalten; ++i) {
                try {
                    (void)menge->Feld(i).alsText();
                } catch (const DatenFehler&) {
                    // A Null has no text: the readers of the program check first.
                }
            }
    }
    // Accepted: then the schema holds ordinary tables and indexes only.
    sqlite3* roh = nullptr;
    if (sqlite3_open_v2(u.geheim.constData(), &roh, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fund("the accepted file does not open");
    sqlite3_key(roh, u.rohSchluessel.constData(), static_cast<int>(u.rohSchluessel.size()));
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(roh,
                           "SELECT count(*) FROM sqlite_master WHERE ltrim(sql) LIKE 'CREATE VIEW%' "
                           "OR ltrim(sql) LIKE 'CREATE TRIGGER%' OR ltrim(sql) LIKE 'CREATE VIRTUAL%'",
                           -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) != 0)
        fund("a view, trigger or virtual table was accepted");
    sqlite3_finalize(s);
    sqlite3_close_v2(roh);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    Umgebung& u = umgebung();
    u.aufraeumen();
    {
        QFile datei(QFile::decodeName(u.klar));
        if (!datei.open(QIODevice::WriteOnly) ||
            datei.write(reinterpret_cast<const char*>(daten), static_cast<qint64>(groesse)) !=
                static_cast<qint64>(groesse))
            fund("cannot write the input");
    }
    if (!verschluesseln(u))
        return 0;
    try {
        lesen(u);
    } catch (const DatenFehler&) {
    }
    return 0;
}
