#include "UpdateKern.h"
#include "Sprachwahl.h"

#include "Hilfen.h"
#include "Protokoll.h"
#include "Programme.h"
#include "Versuche.h"

#include <QDeadlineTimer>
#include <QFile>
#include <cmath>
#include <cstdio>

namespace pinwick {

namespace {

QString Name(const char* name) {
    return QString::fromLatin1(name);
}

// One line of text ending in CR LF, written whole or not at all.
bool ZeileSchreiben(const QString& pfad, const QString& zeile) {
    return DateiGanzSchreiben(pfad, (zeile + QStringLiteral("\r\n")).toLatin1()).isEmpty();
}

void Entfernen(const QString& pfad) {
    if (DateiVorhanden(pfad))
        QFile::remove(pfad);
}

} // namespace

int16_t ServerVersionLesen(const QByteArray& inhalt) {
    // The first line with its line break; the break becomes a blank, so the
    // number ends there.
    const qsizetype ende = inhalt.indexOf('\n');
    QString zeile = QString::fromLatin1(ende < 0 ? inhalt : inhalt.left(ende + 1));
    ZeilenumbruchZuLeerzeichen(zeile);
    const double zahl = FuehrendeZahl(zeile);
    if (!std::isfinite(zahl) || zahl < -32768.5 || zahl > 32767.5)
        return 0;
    return static_cast<int16_t>(RundeGerade32(zahl));
}

UpdateKern::UpdateKern(Programm& p) : p_(p) {
    programmStarten = [this](const QString& programm) {
        return ProgrammStarten(programm, p_.arbeitsOrdner.absolutePath());
    };
}

QDate UpdateKern::markerTag() const {
    // Only a file: a pipe under the name would hold the bar until someone
    // writes into it.
    const QString pfad = p_.ArbeitsDatei(Name(MarkerDatei));
    QFile datei(pfad);
    if (!DateiVorhanden(pfad) || !datei.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(datei.read(64)).left(10);
    return QDate::fromString(text, Qt::ISODate);
}

void UpdateKern::markerSchreiben(const QDate& tag) const {
    ZeileSchreiben(p_.ArbeitsDatei(Name(MarkerDatei)), tag.toString(Qt::ISODate));
}

void UpdateKern::Pruefen() {
    if (schluessel.isEmpty()) {
        static bool gesagt = false;
        if (!gesagt)
            qCWarning(logUpdate, "built without an update key (PINWICK_UPDATE_KEY); "
                                 "updates are never offered.");
        gesagt = true;
        return;
    }
    const QDate heute = p_.uhr.Heute();
    if (laeuft_ || heute == letzterTag_ || markerTag() == heute)
        return;
    // Noted before the server is asked: a rebuild during the transfer, or a
    // failed attempt, does not ask again today.
    letzterTag_ = heute;
    versuche([&] { markerSchreiben(heute); });

    laeuft_ = true;
    struct Ende {
        bool& laeuft;
        ~Ende() { laeuft = false; }
    } ende{laeuft_};

    const QString datei = p_.ArbeitsDatei(Name(VersionsDatei));
    try {
        p_.EreignisseZulassen();
        Ftp ftp(server, zeiten);
        ftp.ereignisse = [this] { p_.EreignisseZulassen(); };
        ftp.frist = QDeadlineTimer(gesamtzeitMs);
        p_.EreignisseZulassen();
        Entfernen(datei);
        p_.EreignisseZulassen();
        ftp.Holen(Name(VersionsPfad), datei, VersionsDateiHoechstens);
        ftp.Schliessen();

        if (DateiVorhanden(datei)) {
            QByteArray inhalt;
            {
                QFile f(datei);
                if (f.open(QIODevice::ReadOnly))
                    inhalt = f.read(VersionsDateiHoechstens);
            }
            const int16_t version = ServerVersionLesen(inhalt);
            if (p_.programmVersion < version) {
                verfuegbar_ = version;
                hinweisZeigen();
                p_.EreignisseZulassen();
            } else {
                verfuegbar_ = 0;
                // An offer of an earlier day that the server has withdrawn.
                hinweisWeg();
            }
            Entfernen(datei);
        }
    } catch (...) {
        versuche([&] { Entfernen(datei); });
    }
}

void UpdateKern::Annehmen() {
    // A second click while the question is open changes nothing.
    if (fragt_)
        return;
    fragt_ = true;
    // A box taken away without an answer must not read as the "Yes" of an
    // earlier question.
    p_.mBoxAntwort = 2;
    if (mBox)
        mBox(2, p_.Text(QStringLiteral("Install update now?"),
                    QStringLiteral("Jetzt Update installieren?")));
    fragt_ = false;
    if (p_.mBoxAntwort != 1)
        return;

    const QString fehler = InstallerStarten();
    if (!fehler.isEmpty()) {
        if (mBox)
            mBox(4, fehler);
        return;
    }
    if (programmBeenden)
        programmBeenden();
}

QString UpdateKern::InstallerStarten() {
    const QString name = AusfuehrbarerName(QStringLiteral("pwi"));
    const QString kav = p_.ArbeitsDatei(Name(InstallerKav));
    const QString pwi = p_.ArbeitsDatei(name);
    const QString updver = p_.ArbeitsDatei(Name(UpdverDatei));
    const QString updinfo = p_.ArbeitsDatei(Name(UpdinfoDatei));
    const auto meldung = [this](const QString& englisch, const QString& deutsch) {
        return p_.Sprache == SpracheDeutsch ? deutsch : englisch;
    };

    if (!DateiVorhanden(kav))
        return meldung(
            QStringLiteral("The update cannot start: the update program \"pwi.kav\" is "
                           "missing from the program folder."),
            QStringLiteral("Das Update kann nicht starten: Das Update-Programm \"pwi.kav\" "
                           "fehlt im Programmordner."));
    // A file of the runnable name may be an installer that is running.
    if (DateiVorhanden(pwi))
        return meldung(QStringLiteral("The update cannot start: a file \"%1\" is in the "
                                      "way in the program folder.")
                           .arg(name),
                       QStringLiteral("Das Update kann nicht starten: Im Programmordner liegt "
                                      "schon eine Datei \"%1\".")
                           .arg(name));

    const auto zuruecknehmen = [&] {
        Entfernen(updver);
        Entfernen(updinfo);
    };
    if (!ZeileSchreiben(updver, QString::number(verfuegbar_)) ||
        !ZeileSchreiben(updinfo, QString::number(p_.Sprache)) || !QFile::rename(kav, pwi)) {
        zuruecknehmen();
        return meldung(QStringLiteral("The update cannot start: the program folder cannot "
                                      "be written."),
                       QStringLiteral("Das Update kann nicht starten: In den Programmordner "
                                      "kann nicht geschrieben werden."));
    }
    // Shipped under a name the system does not run, it may lack the bit.
    AusfuehrbarMachen(pwi);

    p_.EreignisseZulassen();
    const bool laeuft = programmStarten && programmStarten(pwi);
    if (!laeuft) {
        QFile::rename(pwi, kav);
        zuruecknehmen();
        return meldung(
            QStringLiteral("The update program \"%1\" cannot be started.").arg(name),
            QStringLiteral("Das Update-Programm \"%1\" l\u00E4sst sich nicht starten.").arg(name));
    }
    p_.EreignisseZulassen();
    return {};
}

} // namespace pinwick
