#include "BefehlsHilfen.h"

#include "NotizenBefehl.h"

#include <QFile>
#include <QFileInfo>

namespace pinwick {

void BefehlAufruf(const QString& text) {
    throw BefehlsFehler{StatusAufruf, text};
}

void BefehlScheitern(const QString& text) {
    throw BefehlsFehler{StatusFehler, text};
}

namespace {

// Calendars and CSV files of notes are small; anything this large is a
// wrong file and is not read into memory.
constexpr qint64 hoechsteEingabe = 64 * 1024 * 1024;

[[noreturn]] void besetzt(const QString& pfad, int warteMs) {
    BefehlScheitern(QStringLiteral("%1 is locked by another program; gave up after %2 ms")
                        .arg(pfad)
                        .arg(warteMs));
}

} // namespace

std::unique_ptr<Datenbank> NotizdateiOeffnen(const QString& pfad, int warteMs) {
    const QFileInfo info(pfad);
    if (!info.exists())
        BefehlScheitern(QStringLiteral("%1: no such notes file (the ticker makes its own at its "
                                       "first start; another one is given with --file)")
                            .arg(pfad));
    if (!info.isFile())
        BefehlScheitern(QStringLiteral("%1: not a file").arg(pfad));
    try {
        auto db = std::make_unique<Datenbank>(pfad, Datenbank::Zugriff::LesenUndSchreiben, warteMs);
        db->SchemaPruefen();
        return db;
    } catch (const BesetztFehler&) {
        besetzt(pfad, warteMs);
    } catch (const std::exception& f) {
        BefehlScheitern(QStringLiteral("%1: not a notes file (%2)")
                            .arg(pfad, QString::fromStdString(f.what())));
    }
}

void BefehlGeschuetzt(const QString& pfad, int warteMs, const std::function<void()>& f) {
    try {
        f();
    } catch (const BefehlsFehler&) {
        throw;
    } catch (const BesetztFehler&) {
        besetzt(pfad, warteMs);
    } catch (const std::exception& e) {
        BefehlScheitern(QStringLiteral("%1: %2").arg(pfad, QString::fromStdString(e.what())));
    }
}

std::optional<QString> EinmaligerWert(const QCommandLineParser& parser,
                                      const QCommandLineOption& option) {
    qsizetype mal = 0;
    for (const QString& name : parser.optionNames())
        mal += option.names().contains(name);
    if (mal > 1)
        BefehlAufruf(QStringLiteral("--%1 given twice").arg(option.names().constLast()));
    if (mal == 0)
        return std::nullopt;
    return parser.value(option);
}

Notizdatei::Notizdatei(const QString& pfad, int warteMs)
    : pfad_(pfad), warteMs_(warteMs), db_(NotizdateiOeffnen(pfad, warteMs)) {}

Notizdatei::~Notizdatei() {
    if (offen_) {
        try {
            db_->Ausfuehren(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
    }
}

Datensatzmenge& Notizdatei::Schreiben() {
    geschuetzt([&] { db_->SchemaErgaenzen(); });
    sql(QStringLiteral("BEGIN IMMEDIATE"));
    offen_ = true;
    return Lesen();
}

Datensatzmenge& Notizdatei::Lesen() {
    if (!menge_)
        geschuetzt([&] { menge_ = db_->OpenRecordset(QStringLiteral("select * from Notizen")); });
    return *menge_;
}

void Notizdatei::Festschreiben() {
    sql(QStringLiteral("COMMIT"));
    offen_ = false;
}

void Notizdatei::EinstellungenAendern(const std::function<void(Datensatzmenge&)>& aendern) {
    geschuetzt([&] { db_->SchemaErgaenzen(); });
    sql(QStringLiteral("BEGIN IMMEDIATE"));
    offen_ = true;
    geschuetzt([&] {
        auto rs = db_->OpenRecordset(QStringLiteral("select * from Einstellungen"));
        if (rs->RecordCount() == 0)
            throw DatenFehler("the file has no settings row");
        rs->MoveFirst();
        rs->Edit();
        aendern(*rs);
        rs->Update();
    });
    Festschreiben();
}

void Notizdatei::sql(const QString& text) {
    geschuetzt([&] { db_->Ausfuehren(text); });
}

void Notizdatei::geschuetzt(const std::function<void()>& f) {
    BefehlGeschuetzt(pfad_, warteMs_, f);
}

QByteArray EingabeLesen(const QString& pfad) {
    QFile f(pfad);
    if (!QFileInfo(pfad).isFile() || !f.open(QIODevice::ReadOnly))
        BefehlScheitern(QStringLiteral("%1: cannot be read").arg(pfad));
    if (f.size() > hoechsteEingabe)
        BefehlScheitern(
            QStringLiteral("%1: larger than %2 MB").arg(pfad).arg(hoechsteEingabe >> 20));
    QByteArray daten = f.read(hoechsteEingabe + 1);
    if (daten.size() > hoechsteEingabe)
        BefehlScheitern(
            QStringLiteral("%1: larger than %2 MB").arg(pfad).arg(hoechsteEingabe >> 20));
    return daten;
}

} // namespace pinwick
