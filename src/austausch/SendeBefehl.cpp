#include "SendeBefehl.h"

#include "Datenbank.h"
#include "FeedQuellen.h"
#include "PasswortHash.h"
#include "Schnappschuss.h"
#include "SchnappschussSignatur.h"
#include "Veroeffentlichung.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pinwick {

namespace {

[[noreturn]] void scheitern(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

// A value as the snapshot's column type has it. SQLite keeps what it was
// given: a REAL column may hand back a whole number and an INTEGER column a
// whole-numbered REAL; anything else goes through as it is and is refused
// by the format, naming the column.
QVariant spaltenWert(const SchnappschussSpalte& s, const QVariant& v) {
    if (v.isNull())
        return QVariant();
    const int typ = v.typeId();
    if (s.typ == SpaltenTyp::Zahl && typ == QMetaType::LongLong)
        return v.toDouble();
    if (s.typ == SpaltenTyp::Ganzzahl && typ == QMetaType::Double) {
        const double d = v.toDouble();
        if (std::trunc(d) == d && std::fabs(d) < 9.0e15)
            return static_cast<qint64>(d);
    }
    return v;
}

SchnappschussZeile zeileLesen(const Datensatzmenge& rs, const QList<SchnappschussSpalte>& spalten) {
    SchnappschussZeile z;
    for (const SchnappschussSpalte& s : spalten) {
        const QString name = QLatin1String(s.name);
        z.insert(name, spaltenWert(s, rs.Feld(name).roh()));
    }
    return z;
}

// What the file looks like from outside: a save replaces it (another inode)
// or writes into it (size, time of change).
struct Stand {
    bool da = false;
    dev_t geraet = 0;
    ino_t knoten = 0;
    off_t groesse = 0;
    timespec geaendert{};
    timespec status{};
    bool operator==(const Stand& b) const {
        return da == b.da && geraet == b.geraet && knoten == b.knoten && groesse == b.groesse &&
               geaendert.tv_sec == b.geaendert.tv_sec && geaendert.tv_nsec == b.geaendert.tv_nsec &&
               status.tv_sec == b.status.tv_sec && status.tv_nsec == b.status.tv_nsec;
    }
};

Stand standLesen(const QString& pfad) {
    Stand s;
    struct stat info {};
    if (::stat(QFile::encodeName(pfad).constData(), &info) != 0)
        return s;
    s.da = true;
    s.geraet = info.st_dev;
    s.knoten = info.st_ino;
    s.groesse = info.st_size;
    s.geaendert = info.st_mtim;
    s.status = info.st_ctim;
    return s;
}

// SIGTERM and SIGINT end the service between two publications: the handler
// only writes a byte, the event loop reads it and leaves.
int signalPaar[2] = {-1, -1};

void signalBehandeln(int) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPaar[0], &b, 1);
}

class Ende {
public:
    Ende() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPaar) != 0)
            scheitern(QStringLiteral("cannot set up the signal handling"));
        struct sigaction sa {};
        sa.sa_handler = signalBehandeln;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, &vorherTerm_);
        sigaction(SIGINT, &sa, &vorherInt_);
        melder_ = std::make_unique<QSocketNotifier>(signalPaar[1], QSocketNotifier::Read);
    }
    ~Ende() {
        melder_.reset();
        sigaction(SIGTERM, &vorherTerm_, nullptr);
        sigaction(SIGINT, &vorherInt_, nullptr);
        ::close(signalPaar[0]);
        ::close(signalPaar[1]);
        signalPaar[0] = signalPaar[1] = -1;
    }
    QSocketNotifier& Melder() { return *melder_; }

private:
    struct sigaction vorherTerm_ {}, vorherInt_ {};
    std::unique_ptr<QSocketNotifier> melder_;
};

// The service: publishes at its start, after every change of the file,
// again when half the validity has passed without a change (a quiet
// broadcaster's desks must not see the snapshot expire), and retries a
// failed publication with growing waits.
class Wache {
public:
    Wache(const SendeAuftrag& a, VeroeffentlichungsAuftrag basis, const GeheimSchluessel& schluessel,
          QTextStream& aus, QTextStream& fehler)
        : a_(a), basis_(std::move(basis)), schluessel_(schluessel), aus_(aus), fehler_(fehler),
          datei_(QFileInfo(a.datei).absoluteFilePath()),
          ordner_(QFileInfo(datei_).absolutePath()) {
        ruhe_.setSingleShot(true);
        QObject::connect(&ruhe_, &QTimer::timeout, [this] { veroeffentlichen(); });
        nochmal_.setSingleShot(true);
        QObject::connect(&nochmal_, &QTimer::timeout, [this] { veroeffentlichen(); });
        const int64_t halbMs = std::clamp<int64_t>(a.gueltigSekunden * 500, 1000, 24LL * 24 * 3600 * 1000);
        auffrischen_.setInterval(static_cast<int>(halbMs));
        QObject::connect(&auffrischen_, &QTimer::timeout, [this] { veroeffentlichen(); });
        QObject::connect(&waechter_, &QFileSystemWatcher::fileChanged, [this] { geaendert(); });
        // The folder tells of a file replaced by a save, but also of every
        // other file coming and going there (the publication's own, when
        // it goes into the same folder): only a change of the file counts.
        QObject::connect(&waechter_, &QFileSystemWatcher::directoryChanged, [this] {
            if (!(standLesen(datei_) == stand_))
                geaendert();
        });
        pruefen_.setInterval(a.pruefMs);
        QObject::connect(&pruefen_, &QTimer::timeout, [this] {
            if (!(standLesen(datei_) == stand_))
                geaendert();
        });
    }

    int Laufen() {
        Ende ende;
        QEventLoop schleife;
        QObject::connect(&ende.Melder(), &QSocketNotifier::activated, &schleife, [&] {
            char b[16];
            [[maybe_unused]] const ssize_t n = ::read(signalPaar[1], b, sizeof b);
            schleife.quit();
        });
        waechter_.addPath(ordner_);
        veroeffentlichen();
        pruefen_.start();
        auffrischen_.start();
        schleife.exec();
        aus_ << "stopped\n";
        aus_.flush();
        return 0;
    }

private:
    void geaendert() {
        // A saved file may be a new one: watched again under its name.
        if (!waechter_.files().contains(datei_) && QFileInfo::exists(datei_))
            waechter_.addPath(datei_);
        if (!ersteAenderung_.isValid())
            ersteAenderung_.start();
        const qint64 rest = a_.hoechstensMs - ersteAenderung_.elapsed();
        ruhe_.start(static_cast<int>(std::clamp<qint64>(std::min<qint64>(a_.ruheMs, rest), 0,
                                                        a_.ruheMs)));
    }

    void veroeffentlichen() {
        ruhe_.stop();
        nochmal_.stop();
        ersteAenderung_.invalidate();
        // The state before reading: a change while it is read is seen again.
        stand_ = standLesen(datei_);
        if (stand_.da && !waechter_.files().contains(datei_))
            waechter_.addPath(datei_);
        QString grund;
        try {
            const SenderInhalt inhalt = SenderLesen(a_.datei, a_.warteMs);
            VeroeffentlichungsAuftrag v = basis_;
            v.einstellungen = inhalt.einstellungen;
            v.notizen = inhalt.notizen;
            v.feeds = inhalt.feeds;
            const VeroeffentlichungsErgebnis e = Veroeffentlichen(v, schluessel_);
            if (e.fehler.isEmpty()) {
                aus_ << "published version " << e.version << " (" << v.notizen.size()
                     << " notes)\n";
                aus_.flush();
                fehlschlaege_ = 0;
                auffrischen_.start();
                return;
            }
            grund = e.fehler;
        } catch (const std::exception& f) {
            grund = QString::fromStdString(f.what());
        }
        // Told every time, tried again with growing waits up to a minute;
        // a change in between publishes at once.
        const int wartenMs = std::min(60'000, 2'000 << std::min(fehlschlaege_, 5));
        ++fehlschlaege_;
        fehler_ << "pinwick-notes: not published (" << grund << "); trying again in "
                << wartenMs / 1000 << " s\n";
        fehler_.flush();
        nochmal_.start(wartenMs);
    }

    const SendeAuftrag& a_;
    const VeroeffentlichungsAuftrag basis_;
    const GeheimSchluessel& schluessel_;
    QTextStream& aus_;
    QTextStream& fehler_;
    const QString datei_, ordner_;
    QFileSystemWatcher waechter_;
    QTimer ruhe_, nochmal_, auffrischen_, pruefen_;
    QElapsedTimer ersteAenderung_;
    Stand stand_;
    int fehlschlaege_ = 0;
};

} // namespace

SenderInhalt SenderLesen(const QString& pfad, int warteMs) {
    const QFileInfo info(pfad);
    if (!info.exists())
        scheitern(QStringLiteral("%1: no such notes file").arg(pfad));
    if (!info.isFile())
        scheitern(QStringLiteral("%1: not a file").arg(pfad));
    SenderInhalt inhalt;
    try {
        Datenbank db(pfad, Datenbank::Zugriff::NurLesen, warteMs);
        db.SchemaPruefen();
        auto einstellungen = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
        einstellungen->MoveFirst();
        if (einstellungen->Eof())
            scheitern(QStringLiteral("%1: the file holds no settings").arg(pfad));
        inhalt.einstellungen = zeileLesen(*einstellungen, EinstellungsSpalten);
        auto notizen = db.OpenRecordset(QStringLiteral("select * from Notizen"));
        for (notizen->MoveFirst(); !notizen->Eof(); notizen->MoveNext())
            inhalt.notizen.append(zeileLesen(*notizen, NotizSpalten));
        // Read as the bar reads them (values brought into range); the
        // file's own ID and the title it was given, empty or not.
        for (const FeedQuelle& f : FeedsLesen(db)) {
            if (!FeedAdresseErlaubt(QUrl(f.adresse)))
                continue;
            inhalt.feeds.append(QVariantMap{{QStringLiteral("ID"), f.id},
                                            {QStringLiteral("Adresse"), f.adresse},
                                            {QStringLiteral("Titel"), f.titel},
                                            {QStringLiteral("Farbe"), qint64(f.farbe)},
                                            {QStringLiteral("Anzahl"), qint64(f.anzahl)},
                                            {QStringLiteral("Aktiv"), qint64(f.aktiv ? 1 : 0)}});
        }
    } catch (const BesetztFehler&) {
        scheitern(QStringLiteral("%1 is locked by another program; gave up after %2 ms")
                      .arg(pfad)
                      .arg(warteMs));
    } catch (const DatenFehler& f) {
        scheitern(QStringLiteral("%1: not a notes file (%2)").arg(pfad, QString::fromUtf8(f.what())));
    }
    // Receivers need the hash only, to check an entry at the sysop prompt:
    // a password still in the clear is hashed here, never published.
    const QVariant pw = inhalt.einstellungen.value(QStringLiteral("passWort"));
    if (!pw.isNull()) {
        try {
            inhalt.einstellungen.insert(QStringLiteral("passWort"), PasswortFuerAblage(pw.toString()));
        } catch (const std::exception& f) {
            scheitern(QStringLiteral("the sysop password cannot be hashed (%1)")
                          .arg(QString::fromUtf8(f.what())));
        }
    }
    return inhalt;
}

int Senden(const SendeAuftrag& a, QTextStream& aus, QTextStream& fehler) {
    const auto nein = [&](const QString& text) {
        fehler << "pinwick-notes: " << text << '\n';
        fehler.flush();
        return 1;
    };
    // The key first: without it nothing can ever be published.
    QFile schluesselDatei(a.schluesselDatei);
    if (!schluesselDatei.open(QIODevice::ReadOnly))
        return nein(QStringLiteral("cannot read the secret key %1: %2")
                        .arg(a.schluesselDatei, schluesselDatei.errorString()));
    const QByteArray schluesselText = schluesselDatei.read(4097);
    QString grund;
    QByteArray passwort;
    if (!a.passwortDatei.isEmpty() || qEnvironmentVariableIsSet(PasswortUmgebung)) {
        const std::optional<QByteArray> p = PasswortHolen(a.passwortDatei, PasswortUmgebung, &grund);
        if (!p)
            return nein(grund);
        passwort = *p;
    }
    const std::optional<GeheimSchluessel> schluessel =
        GeheimSchluessel::Lesen(schluesselText, passwort, &grund);
    if (!schluessel) {
        if (passwort.isEmpty() && grund.contains(QLatin1String("password")))
            grund += QStringLiteral(" (--password-file FILE or %1)")
                         .arg(QLatin1String(PasswortUmgebung));
        return nein(a.schluesselDatei + QStringLiteral(": ") + grund);
    }
    if (!QFileInfo(a.ordner).isDir())
        return nein(QStringLiteral("%1: no such folder").arg(a.ordner));

    VeroeffentlichungsAuftrag v;
    v.ordner = a.ordner;
    v.schluesselDatei = a.schluesselDatei;
    v.gueltigSekunden = a.gueltigSekunden;
    if (a.beobachten)
        return Wache(a, v, *schluessel, aus, fehler).Laufen();

    try {
        const SenderInhalt inhalt = SenderLesen(a.datei, a.warteMs);
        v.einstellungen = inhalt.einstellungen;
        v.notizen = inhalt.notizen;
        v.feeds = inhalt.feeds;
    } catch (const std::exception& f) {
        return nein(QString::fromStdString(f.what()));
    }
    const VeroeffentlichungsErgebnis e = Veroeffentlichen(v, *schluessel);
    if (!e.fehler.isEmpty())
        return nein(e.fehler);
    aus << "published version " << e.version << " (" << v.notizen.size() << " notes)\n";
    aus.flush();
    return 0;
}

} // namespace pinwick
