#include "Veroeffentlichung.h"

#include "Hilfen.h"
#include "SchnappschussSignatur.h"
#include "Signatur.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pinwick {

namespace {

QString Systemfehler() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Written, flushed to the disk, closed; a failure leaves no file.
QString Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write %1: %2").arg(pfad, f.errorString());
    // Served by a web server running as another user.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                     QFileDevice::ReadOther);
    if (f.write(inhalt) != inhalt.size() || !f.flush() || ::fsync(f.handle()) != 0) {
        const QString fehler = QStringLiteral("cannot write %1: %2").arg(pfad, f.errorString());
        f.close();
        f.remove();
        return fehler;
    }
    f.close();
    return {};
}

bool OrdnerSichern(const QString& ordner) {
    const int fd = ::open(QFile::encodeName(ordner).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool gut = ::fsync(fd) == 0;
    ::close(fd);
    return gut;
}

// The counter's number; nullopt for no file. A file that is there but says
// no number stops the publication: guessing could go backwards.
std::optional<uint64_t> ZaehlerLesen(const QString& pfad, QString& fehler) {
    QFile f(pfad);
    if (!f.exists())
        return std::nullopt;
    if (!f.open(QIODevice::ReadOnly)) {
        fehler = QStringLiteral("cannot read the version counter %1: %2").arg(pfad, f.errorString());
        return std::nullopt;
    }
    bool ok = false;
    const uint64_t z = f.read(64).trimmed().toULongLong(&ok);
    if (!ok || z == 0) {
        fehler = QStringLiteral("the version counter %1 holds no number (remove it to count from "
                                "the clock)")
                     .arg(pfad);
        return std::nullopt;
    }
    return z;
}

// The version of the signature already in the folder, when it is of this
// key: a counter lost or restored beside the key is overtaken by what was
// published.
std::optional<uint64_t> OrdnerVersion(const QString& ordner, const QString& id) {
    QFile f(QDir(ordner).filePath(QLatin1String(SchnappschussSignaturName)));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<SignaturDatei> d = SignaturLesen(f.read(SignaturHoechstens + 1));
    if (!d)
        return std::nullopt;
    const std::optional<SchnappschussKopf> k = KommentarLesen(d->kommentar);
    if (!k || k->schluessel != id)
        return std::nullopt;
    return k->version;
}

// Steps 2 and 3 of a publication: payload and signature in the folder. The
// failure's text, or empty.
QString Ablegen(const QDir& ordner, const QByteArray& nutzlast, const QByteArray& signatur) {
    // 2. Both files under names of their own, on the disk.
    const QString ziel = ordner.filePath(QLatin1String(SchnappschussName));
    const QString zielSignatur = ordner.filePath(QLatin1String(SchnappschussSignaturName));
    const QString endung = QStringLiteral(".%1.neu").arg(QCoreApplication::applicationPid());
    const QString neu = ordner.filePath(u'.' + QLatin1String(SchnappschussName) + endung);
    const QString neuSignatur =
        ordner.filePath(u'.' + QLatin1String(SchnappschussSignaturName) + endung);
    if (QString f = Schreiben(neu, nutzlast); !f.isEmpty())
        return f;
    if (QString f = Schreiben(neuSignatur, signatur); !f.isEmpty()) {
        QFile::remove(neu);
        return f;
    }

    // 3. The payload, then the signature that marks it published.
    if (std::rename(QFile::encodeName(neu).constData(), QFile::encodeName(ziel).constData()) != 0) {
        const QString fehler = QStringLiteral("cannot publish %1: %2").arg(ziel, Systemfehler());
        QFile::remove(neu);
        QFile::remove(neuSignatur);
        return fehler;
    }
    if (std::rename(QFile::encodeName(neuSignatur).constData(),
                    QFile::encodeName(zielSignatur).constData()) != 0) {
        // The folder now holds a payload without its signature: receivers
        // keep what they hold until the next publication.
        const QString fehler =
            QStringLiteral("cannot publish %1: %2").arg(zielSignatur, Systemfehler());
        QFile::remove(neuSignatur);
        return fehler;
    }
    return {};
}

} // namespace

QString ZaehlerDatei(const QString& schluesselDatei) {
    return schluesselDatei + QStringLiteral(".version");
}

uint64_t VersionWaehlen(std::optional<uint64_t> zuletzt, const QDateTime& jetzt) {
    const int64_t ms = jetzt.toMSecsSinceEpoch();
    const uint64_t uhr = ms > 0 ? static_cast<uint64_t>(ms) : 1;
    return zuletzt ? std::max(*zuletzt + 1, uhr) : uhr;
}

VeroeffentlichungsErgebnis Veroeffentlichen(const VeroeffentlichungsAuftrag& a) {
    VeroeffentlichungsErgebnis e;
    QFile schluesselDatei(a.schluesselDatei);
    if (!schluesselDatei.open(QIODevice::ReadOnly)) {
        e.fehler = QStringLiteral("cannot read the secret key %1: %2")
                       .arg(a.schluesselDatei, schluesselDatei.errorString());
        return e;
    }
    QString grund;
    const std::optional<GeheimSchluessel> schluessel =
        GeheimSchluessel::Lesen(schluesselDatei.read(4097), a.passwort, &grund);
    if (!schluessel) {
        e.fehler = a.schluesselDatei + QStringLiteral(": ") + grund;
        return e;
    }
    return Veroeffentlichen(a, *schluessel);
}

VeroeffentlichungsErgebnis Veroeffentlichen(const VeroeffentlichungsAuftrag& a,
                                            const GeheimSchluessel& schluessel) {
    VeroeffentlichungsErgebnis e;
    QString grund;
    if (a.gueltigSekunden <= 0) {
        e.fehler = QStringLiteral("the expiry must lie after the publication");
        return e;
    }
    const QDir ordner(a.ordner);
    if (!ordner.exists()) {
        e.fehler = QStringLiteral("no folder %1").arg(a.ordner);
        return e;
    }

    // Whole seconds: the format's times have no fractions, and the version
    // is compared with the time it was chosen at.
    const QDateTime jetzt = QDateTime::fromSecsSinceEpoch(
        (a.jetzt.isValid() ? a.jetzt : QDateTime::currentDateTimeUtc()).toSecsSinceEpoch(),
        QTimeZone::utc());
    const QString zaehler = ZaehlerDatei(a.schluesselDatei);
    QString fehler;
    std::optional<uint64_t> zuletzt = ZaehlerLesen(zaehler, fehler);
    if (!fehler.isEmpty()) {
        e.fehler = fehler;
        return e;
    }
    if (const std::optional<uint64_t> imOrdner = OrdnerVersion(a.ordner, schluessel.Id()))
        zuletzt = std::max(zuletzt.value_or(0), *imOrdner);

    Schnappschuss s;
    s.kopf.version = VersionWaehlen(zuletzt, jetzt);
    s.kopf.veroeffentlicht = jetzt;
    s.kopf.ablauf = jetzt.addSecs(a.gueltigSekunden);
    s.kopf.schluessel = schluessel.Id();
    s.einstellungen = a.einstellungen;
    s.notizen = a.notizen;
    s.feeds = a.feeds;
    const std::optional<QByteArray> nutzlast = SchnappschussSchreiben(s, &grund);
    if (!nutzlast) {
        e.fehler = QStringLiteral("the notes cannot be published: ") + grund;
        return e;
    }
    const QByteArray signatur =
        schluessel.Signieren(*nutzlast, KommentarSchreiben(s.kopf), a.vorgehasht);

    // 1. The counter, before anything is published.
    if (const QString grund = DateiGanzSchreiben(zaehler, QByteArray::number(s.kopf.version) + '\n');
        !grund.isEmpty()) {
        e.fehler = QStringLiteral("cannot save the version counter %1: %2").arg(zaehler, grund);
        return e;
    }

    if (QString f = Ablegen(ordner, *nutzlast, signatur); !f.isEmpty()) {
        e.fehler = f;
        return e;
    }
    OrdnerSichern(a.ordner);
    e.version = s.kopf.version;
    return e;
}

} // namespace pinwick
