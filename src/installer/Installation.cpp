#include "Installation.h"

#include "EigenerOrdner.h"
#include "Hilfen.h"
#include "Programme.h"
#include "Signatur.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLockFile>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pinwick::pwi {

namespace {

const QString Dld = QStringLiteral(".dld");

QString Name(const char* name) {
    return QString::fromLatin1(name);
}

// The leading number of the first line of a small hand-over file; nullopt
// when the file is missing or the number does not fit 16 bits.
std::optional<int16_t> ZahlAusDatei(const QString& pfad) {
    // Only a file: opening a pipe under the name would wait for a writer, and
    // the installer would never show its window.
    QFile datei(pfad);
    if (!DateiVorhanden(pfad) || !datei.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString zeile = QString::fromLatin1(datei.read(256));
    zeile = zeile.section(QLatin1Char('\n'), 0, 0);
    ZeilenendeEntfernen(zeile);
    const double zahl = FuehrendeZahl(zeile);
    if (!std::isfinite(zahl) || zahl < -32768.5 || zahl > 32767.5)
        return std::nullopt;
    return static_cast<int16_t>(RundeGerade32(zahl));
}

// A copy of `quelle` under the name `nach`, flushed to the disk, with the
// rights an installed file has; empty, or why it could not be written whole.
QString KopieSchreiben(const QString& quelle, const QString& nach, bool programm) {
    QFile von(quelle);
    if (!von.open(QIODevice::ReadOnly))
        return von.errorString();
    QFile::remove(nach);
    QFile ziel(nach);
    if (!ziel.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return ziel.errorString();
    QString warum;
    while (warum.isEmpty() && !von.atEnd()) {
        const QByteArray stueck = von.read(256 * 1024);
        if (stueck.isEmpty())
            warum = von.errorString();
        // A disk that fills up takes part of a block without complaint; only
        // writing the rest tells why (a full disk, say).
        for (qsizetype fertig = 0; warum.isEmpty() && fertig < stueck.size();) {
            const qint64 n = ziel.write(stueck.constData() + fertig, stueck.size() - fertig);
            if (n <= 0)
                warum = ziel.errorString();
            else
                fertig += n;
        }
    }
#ifdef Q_OS_WIN
    const bool aufDerPlatte = ziel.flush() && ::_commit(ziel.handle()) == 0;
#else
    const bool aufDerPlatte = ziel.flush() && ::fsync(ziel.handle()) == 0;
#endif
    if (warum.isEmpty() && !aufDerPlatte)
        warum = ziel.errorString().isEmpty() ? QStringLiteral("cannot be flushed to the disk")
                                             : ziel.errorString();
    ziel.close();
    // Read (and for programs run) by everybody, as files put there by a
    // setup are.
    QFileDevice::Permissions rechte = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadUser | QFileDevice::WriteUser |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (programm)
        rechte |= QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                  QFileDevice::ExeOther;
    if (warum.isEmpty() && !QFile::setPermissions(nach, rechte))
        warum = QStringLiteral("its rights cannot be set");
    if (!warum.isEmpty())
        QFile::remove(nach);
    return warum;
}

// Whether the system would run the file: the execute bit, and a file
// system that allows it. On Windows the name alone decides.
bool Ausfuehrbar(const QString& pfad) {
#ifdef Q_OS_WIN
    return QFileInfo(pfad).isFile();
#else
    return QFileInfo(pfad).isFile() && ::access(QFile::encodeName(pfad).constData(), X_OK) == 0;
#endif
}

// The floor's copy: the version as the hand-over files hold numbers, flushed
// to the disk; empty, or why it could not be written whole.
QString StandSchreiben(const QString& nach, int16_t version) {
    QFile::remove(nach);
    QFile datei(nach);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return datei.errorString();
    const QByteArray zeile = QByteArray::number(version) + "\r\n";
#ifdef Q_OS_WIN
    const bool gut = datei.write(zeile) == zeile.size() && datei.flush() &&
                     ::_commit(datei.handle()) == 0;
#else
    const bool gut =
        datei.write(zeile) == zeile.size() && datei.flush() && ::fsync(datei.handle()) == 0;
#endif
    QString warum;
    if (!gut)
        warum = datei.errorString().isEmpty() ? QStringLiteral("cannot be flushed to the disk")
                                              : datei.errorString();
    datei.close();
    if (!gut)
        QFile::remove(nach);
    return warum;
}

QByteArray DateiLesen(const QString& pfad, int64_t hoechstens) {
    QFile datei(pfad);
    if (!DateiVorhanden(pfad) || !datei.open(QIODevice::ReadOnly))
        return {};
    return datei.read(hoechstens + 1);
}

} // namespace

bool IstProgramm(const QString& name) {
    return name.endsWith(Dld, Qt::CaseInsensitive);
}

QString ZielName(const QString& name) {
    return IstProgramm(name) ? name.left(name.size() - Dld.size()) : name;
}

bool NameZulaessig(const QString& name) {
    if (name.isEmpty() || name.toUtf8().size() > NameHoechstens)
        return false;
    if (name == QLatin1String(".") || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    // Not from valid UTF-8: the server's name is not what we would write.
    if (name.contains(QChar::ReplacementCharacter))
        return false;
    return !ZielName(name).isEmpty();
}

std::optional<QStringList> ListeLesen(const QByteArray& inhalt, QString* grund) {
    const auto nein = [grund](const QString& warum) -> std::optional<QStringList> {
        if (grund)
            *grund = warum;
        return std::nullopt;
    };
    if (inhalt.size() > ListeHoechstens)
        return nein(QStringLiteral("the list is longer than %1 bytes").arg(ListeHoechstens));
    const QString text = QString::fromUtf8(inhalt);

    // Lines as a line reader cuts them: at CR LF or at a CR alone. A line
    // feed alone stays inside its line and is split at below.
    QStringList zeilen;
    QString zeile;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            zeilen.append(zeile);
            zeile.clear();
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            zeile.append(c);
        }
    }
    if (!zeile.isEmpty())
        zeilen.append(zeile);

    QStringList namen;
    QSet<QString> ziele;
    for (QString z : zeilen) {
        ZeilenendeEntfernen(z);
        for (const QString& name : z.split(QLatin1Char('\n'))) {
            if (!NameZulaessig(name))
                return nein(QStringLiteral("the list names \"%1\", which is no file name of the "
                                           "program folder")
                                .arg(name.left(80)));
            // Two names for one file would install whichever came last.
            const QString ziel = ZielName(name).toLower();
            if (ziele.contains(ziel))
                return nein(QStringLiteral("the list names \"%1\" twice").arg(ZielName(name)));
            ziele.insert(ziel);
            namen.append(name);
            if (namen.size() > NamenHoechstens)
                return nein(
                    QStringLiteral("the list names more than %1 files").arg(NamenHoechstens));
        }
    }
    if (namen.isEmpty())
        return nein(QStringLiteral("the list names no file"));
    return namen;
}

int16_t EigeneVersion() {
    return PINWICK_VERSIONSNUMMER;
}

Installation::Installation(const QDir& arbeitsOrdner) : ordner_(arbeitsOrdner) {
    downloadBasis = SystemDownloadBasis(&basisFehler_);
    installierteVersion = StandLesen();
}

QString Installation::SystemDownloadBasis(QString* grund) {
#ifndef Q_OS_WIN
    return PrivaterOrdner(grund);
#else
    Q_UNUSED(grund);
    QString ordner = WindowsOrdner();
    if (!ordner.isEmpty()) {
        if (!ordner.endsWith(QLatin1Char('\\')))
            ordner += QLatin1Char('\\');
        ordner += QStringLiteral("temp");
        if (QDir().mkpath(ordner))
            return ordner;
    }
    return QDir::tempPath();
#endif
}

void Installation::UpdinfoLesen() {
    if (const auto zahl = ZahlAusDatei(ordner_.filePath(QStringLiteral("updinfo.txt"))))
        sprache = *zahl;
}

void Installation::UpdverLesen() {
    if (const auto zahl = ZahlAusDatei(ordner_.filePath(QStringLiteral("updver.txt"))))
        zielVersion = *zahl;
}

QString Installation::VersionText() const {
    // Formatted without the regional settings, so the decimal mark is a point.
    QString text = QString::number(zielVersion / 100.0, 'f', 2);
    KommaZuPunkt(text);
    return text;
}

QString Installation::TickerPfad() const {
    return ordner_.filePath(AusfuehrbarerName(QStringLiteral("Pinwick3")));
}

Installation::Ergebnis Installation::fehlgeschlagen(const QString& grund) {
    fehler_ = grund;
    return abgebrochen() ? Ergebnis::Abgebrochen : Ergebnis::Fehlgeschlagen;
}

int16_t Installation::StandLesen() const {
    int16_t stand = EigeneVersion();
    if (const auto zahl = ZahlAusDatei(ordner_.filePath(Name(StandDatei))); zahl && *zahl > stand)
        stand = *zahl;
    return stand;
}

QString Installation::hindernis(const QStringList& liste) const {
    const QFileInfo ordner(ordner_.absolutePath());
    if (!ordner.isDir() || !ordner.isWritable())
        return QStringLiteral("the program folder %1 cannot be written").arg(ordner_.absolutePath());
    QStringList ziele = liste;
    ziele << Name(StandDatei);
    for (const QString& name : ziele) {
        const QFileInfo ziel(ordner_.filePath(ZielName(name)));
        if (ziel.isSymLink() || (ziel.exists() && !ziel.isFile()))
            return QStringLiteral("%1 is in the way: it is no plain file").arg(ZielName(name));
    }
    // The program started at the end must be able to run: delivered as a
    // program, or replacing one (a file that replaces a program keeps its
    // execute bit), or not touched at all.
    QString start = AusfuehrbarerName(QStringLiteral("Pinwick3"));
    for (const QString& name : liste) {
        if (IstProgramm(name))
            start = ZielName(name);
    }
    for (const QString& name : liste) {
        if (ZielName(name) == start && !IstProgramm(name) &&
            !Ausfuehrbar(ordner_.filePath(start)))
            return QStringLiteral("%1 would not be runnable: the list delivers it without "
                                  "\".dld\"")
                .arg(start);
    }
    return {};
}

std::optional<Installation::Ergebnis>
Installation::freigabePruefen(const QDir& dl, const QString& listeName, const QString& listeDatei,
                              QMap<QString, QByteArray>& summen) {
    const QByteArray summenText = DateiLesen(dl.filePath(Name(SummenDatei)), SummenHoechstens);
    const QString unecht = SignaturPruefen(
        summenText, DateiLesen(dl.filePath(Name(SignaturDatei)), SignaturHoechstens), schluessel);
    if (!unecht.isEmpty())
        return fehlgeschlagen(QStringLiteral("%1: %2").arg(Name(SignaturDatei), unecht));
    QString grund;
    const std::optional<QMap<QString, QByteArray>> gelesen = SummenLesen(summenText, &grund);
    if (!gelesen)
        return fehlgeschlagen(QStringLiteral("%1: %2").arg(Name(SummenDatei), grund));
    summen = *gelesen;

    const std::optional<QStringList> liste =
        ListeLesen(DateiLesen(listeDatei, ListeHoechstens), &grund);
    if (!liste)
        return fehlgeschlagen(grund);
    liste_ = *liste;
    // The floor is the installer's: a release cannot set it.
    for (const QString& name : liste_) {
        if (ZielName(name).compare(Name(StandDatei), Qt::CaseInsensitive) == 0)
            return fehlgeschlagen(
                QStringLiteral("the list names %1, which the installer keeps itself")
                    .arg(Name(StandDatei)));
    }

    // The signed names are exactly the list's, with the list and the version.
    QStringList erwartet = liste_;
    erwartet << listeName << Name(VersionsDatei);
    for (const QString& name : erwartet) {
        if (!summen.contains(name))
            return fehlgeschlagen(QStringLiteral("%1: no sum for %2").arg(Name(SummenDatei), name));
    }
    for (const QString& name : summen.keys()) {
        if (!erwartet.contains(name))
            return fehlgeschlagen(
                QStringLiteral("%1: %2 is not in the list").arg(Name(SummenDatei), name));
    }
    for (const QString& name : {listeName, Name(VersionsDatei)}) {
        const QString pfad = name == listeName ? listeDatei : dl.filePath(name);
        if (DateiSha256(pfad) != summen.value(name))
            return fehlgeschlagen(QStringLiteral("%1: does not match its sum").arg(name));
    }
    return std::nullopt;
}

std::optional<Installation::Ergebnis> Installation::versionPruefen(const QDir& dl,
                                                                   int16_t& neueVersion) {
    // Replaying an older signed release must not take the programs back.
    QString versionsZeile =
        QString::fromLatin1(DateiLesen(dl.filePath(Name(VersionsDatei)), VersionHoechstens))
            .section(QLatin1Char('\n'), 0, 0);
    ZeilenendeEntfernen(versionsZeile);
    const double version = FuehrendeZahl(versionsZeile);
    if (!std::isfinite(version) || version <= installierteVersion || version > 32767)
        return fehlgeschlagen(
            QStringLiteral("%1: version %2 is not newer than the installed %3")
                .arg(Name(VersionsDatei), versionsZeile.left(20).trimmed())
                .arg(installierteVersion));
    neueVersion = static_cast<int16_t>(version);
    return std::nullopt;
}

std::optional<Installation::Ergebnis> Installation::herunterladen(const QDir& dl,
                                                                  int16_t& neueVersion) {
    Ftp ftp(server, zeiten);
    ftp.ereignisse = ereignisse;
    ftp.abbrechen = abbrechen;
    // One limit for the whole update: what the server announces about its
    // files does not stretch it.
    ftp.frist = QDeadlineTimer(gesamtzeitMs);
    QString aktuell;
    ftp.fortschritt = [&](int64_t empfangen, int64_t gesamt) {
        if (fortschritt)
            fortschritt(aktuell, empfangen, gesamt);
    };
    const auto holen = [&](const QString& name, const QString& lokal, int64_t hoechstens) {
        aktuell = name;
        if (QFile::exists(lokal))
            QFile::remove(lokal);
        ereignisseZulassen();
        return ftp.Holen(Name(ServerOrdner) + name, lokal, hoechstens);
    };
    const auto nichtGeholt = [&](const QString& name) {
        const QString warum = ftp.Fehler();
        ftp.Schliessen();
        return fehlgeschlagen(QStringLiteral("%1: %2").arg(name, warum));
    };
    ereignisseZulassen();

    // The list, into the program folder.
    const QString listeName = QStringLiteral("updlist.txt");
    const QString listeDatei = ordner_.filePath(listeName);
    if (!holen(listeName, listeDatei, ListeHoechstens))
        return nichtGeholt(listeName);
    ftp.Schliessen();

    // The signature, the sums and the version, into the download folder.
    for (const char* name : {SignaturDatei, SummenDatei, VersionsDatei}) {
        const int64_t hoechstens = QLatin1String(name) == QLatin1String(SignaturDatei)
                                       ? SignaturHoechstens
                                       : (QLatin1String(name) == QLatin1String(SummenDatei)
                                              ? SummenHoechstens
                                              : VersionHoechstens);
        if (!holen(Name(name), dl.filePath(Name(name)), hoechstens))
            return nichtGeholt(Name(name));
    }
    QMap<QString, QByteArray> summen;
    if (const auto nein = freigabePruefen(dl, listeName, listeDatei, summen))
        return nein;
    if (const auto nein = versionPruefen(dl, neueVersion))
        return nein;

    // Obstacles in the program folder show before a single file is fetched.
    if (const QString h = hindernis(liste_); !h.isEmpty())
        return fehlgeschlagen(h);

    // Download phase: every file into the download folder, each checked
    // against its sum as soon as it is there.
    for (const QString& name : liste_) {
        const QString lokal = dl.filePath(name);
        if (!holen(name, lokal, DateiHoechstens))
            return nichtGeholt(name);
        if (DateiSha256(lokal) != summen.value(name))
            return fehlgeschlagen(QStringLiteral("%1: does not match its sum").arg(name));
        if (schritt)
            schritt("geladen");
        if (abgebrochen())
            return fehlgeschlagen(QStringLiteral("given up"));
    }
    ftp.Schliessen();
    if (abgebrochen())
        return fehlgeschlagen(QStringLiteral("given up"));
    // The folder may have changed while the files came.
    if (const QString h = hindernis(liste_); !h.isEmpty())
        return fehlgeschlagen(h);
    return std::nullopt;
}

std::optional<Installation::Ergebnis> Installation::installieren(UpdateJournal& journal,
                                                                 UpdateJournal::Stand& stand,
                                                                 const QDir& dl,
                                                                 int16_t neueVersion) {
    // Each file beside its place, written down first. The new floor is the
    // last entry: it changes with the files or not at all, so a cut-off can
    // never leave new files under the old floor.
    stand.phase = UpdateJournal::Phase::Kopieren;
    for (const QString& name : liste_)
        stand.eintraege.push_back(
            {ZielName(name), QFileInfo::exists(ordner_.filePath(ZielName(name)))});
    stand.eintraege.push_back(
        {Name(StandDatei), QFileInfo::exists(ordner_.filePath(Name(StandDatei)))});
    if (!journal.Schreiben(stand))
        return fehlgeschlagen(QStringLiteral("the journal cannot be written"));
    if (schritt)
        schritt("kopieren");
    for (qsizetype i = 0; i < liste_.size(); ++i) {
        const QString& name = liste_[i];
        const QString ziel = ordner_.filePath(ZielName(name));
        const bool programm =
            IstProgramm(name) || (stand.eintraege[size_t(i)].vorher && Ausfuehrbar(ziel));
        const QString warum = KopieSchreiben(dl.filePath(name), journal.Neu(size_t(i)), programm);
        if (!warum.isEmpty())
            return fehlgeschlagen(
                QStringLiteral("%1 cannot be written into the program folder: %2")
                    .arg(ZielName(name), warum));
        if (schritt)
            schritt("kopie");
    }
    if (const QString warum = StandSchreiben(journal.Neu(stand.eintraege.size() - 1), neueVersion);
        !warum.isEmpty())
        return fehlgeschlagen(
            QStringLiteral("%1 cannot be written into the program folder: %2")
                .arg(Name(StandDatei), warum));
    if (schritt)
        schritt("stand");

    // The last program of the list is the one to start; without one, the
    // ticker as it is. It must be able to run from where it will lie.
    programm_ = TickerPfad();
    for (const QString& name : liste_) {
        if (IstProgramm(name))
            programm_ = ordner_.filePath(ZielName(name));
    }
    for (qsizetype i = 0; i < liste_.size(); ++i) {
        if (ordner_.filePath(ZielName(liste_[i])) == programm_ &&
            !Ausfuehrbar(journal.Neu(size_t(i))))
            return fehlgeschlagen(QStringLiteral("%1 cannot be run from the program folder")
                                      .arg(ZielName(liste_[i])));
    }
    return std::nullopt;
}

Installation::Ergebnis Installation::Ausfuehren() {
    fehler_.clear();
    liste_.clear();
    programm_.clear();
    if (schluessel.isEmpty())
        return fehlgeschlagen(QStringLiteral("this build has no key to check an update with"));
    // What an earlier run left behind is put right first; then the folder
    // is ours until the end.
    UpdateNachholen(ordner_);
    QLockFile sperre(ordner_.filePath(QLatin1String(UpdateJournal::Sperre)));
    if (!sperre.tryLock(0))
        return fehlgeschlagen(
            sperre.error() == QLockFile::LockFailedError
                ? QStringLiteral("another installer is updating the program folder")
                : QStringLiteral("the program folder %1 cannot be written")
                      .arg(ordner_.absolutePath()));

    // A folder of our own below the private one: nobody else's file can
    // wait there under a listed name, and it goes away with this object.
    if (downloadBasis.isEmpty())
        return fehlgeschlagen(QStringLiteral("no private folder for the download: %1")
                                  .arg(basisFehler_));
    QTemporaryDir download(QDir(downloadBasis).filePath(QStringLiteral("pwi-XXXXXX")));
    if (!download.isValid())
        return fehlgeschlagen(QStringLiteral("no download folder in %1").arg(downloadBasis));
    const QDir dl(download.path());

    // The journal first: from here on a killed installer is put right at the
    // next start, download folder included.
    UpdateJournal journal(ordner_);
    journal.schritt = schritt;
    UpdateJournal::Stand stand;
    stand.download = download.path();
    if (!journal.Schreiben(stand))
        return fehlgeschlagen(
            QStringLiteral("the program folder %1 cannot be written").arg(ordner_.absolutePath()));
    struct Ende {
        UpdateJournal& journal;
        UpdateJournal::Stand& stand;
        bool aktiv = true;
        ~Ende() {
            if (!aktiv)
                return;
            if (stand.phase != UpdateJournal::Phase::Fertig)
                journal.Zuruecknehmen(stand);
            journal.Aufraeumen(stand);
        }
    } ende{journal, stand};

    int16_t neueVersion = 0;
    if (const auto nein = herunterladen(dl, neueVersion))
        return *nein;
    if (const auto nein = installieren(journal, stand, dl, neueVersion))
        return *nein;

    ende.aktiv = false;
    QString warum;
    if (!journal.Tauschen(stand, &warum))
        return fehlgeschlagen(warum);
    journal.Aufraeumen(stand);
    return Ergebnis::Erfolg;
}

void Installation::ArbeitsdateienLoeschen() {
    for (const char* name : {"updver.txt", "updinfo.txt", "updlist.txt"}) {
        const QString pfad = ordner_.filePath(Name(name));
        if (QFile::exists(pfad))
            QFile::remove(pfad);
    }
}

} // namespace pinwick::pwi
