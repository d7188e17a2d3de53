#include "Installation.h"

#include "Hilfen.h"
#include "Programme.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

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

std::filesystem::path FsPfad(const QString& pfad) {
    return std::filesystem::path(pfad.toStdU16String());
}

// Renames over an existing file in one step: whoever opens the name sees the
// old file or the new one.
bool Ersetzen(const QString& quelle, const QString& ziel) {
    std::error_code fehler;
    std::filesystem::rename(FsPfad(quelle), FsPfad(ziel), fehler);
    return !fehler;
}

// A copy of `quelle` under a fresh hidden name in `ordner`; its path, or
// empty when it could not be written whole.
QString KopieDaneben(const QString& quelle, const QDir& ordner, bool programm) {
    QFile von(quelle);
    if (!von.open(QIODevice::ReadOnly))
        return {};
    QTemporaryFile nach(ordner.filePath(QStringLiteral(".pwi-neu-XXXXXX")));
    nach.setAutoRemove(false);
    if (!nach.open())
        return {};
    const QString pfad = nach.fileName();
    bool gut = true;
    while (gut && !von.atEnd()) {
        const QByteArray stueck = von.read(64 * 1024);
        gut = !stueck.isEmpty() && nach.write(stueck) == stueck.size();
    }
    gut = gut && nach.flush();
    nach.close();
    // The temporary file is private to its owner; the installed one is read
    // (and for programs run) by everybody, as files put there by a setup are.
    QFileDevice::Permissions rechte = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadUser | QFileDevice::WriteUser |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (programm)
        rechte |= QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                  QFileDevice::ExeOther;
    gut = gut && QFile::setPermissions(pfad, rechte);
    if (!gut) {
        QFile::remove(pfad);
        return {};
    }
    return pfad;
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

Installation::Installation(const QDir& arbeitsOrdner)
    : downloadBasis(SystemDownloadBasis()), ordner_(arbeitsOrdner) {}

QString Installation::SystemDownloadBasis() {
#ifdef Q_OS_WIN
    QString ordner = WindowsOrdner();
    if (!ordner.isEmpty()) {
        if (!ordner.endsWith(QLatin1Char('\\')))
            ordner += QLatin1Char('\\');
        ordner += QStringLiteral("temp");
        if (QDir().mkpath(ordner))
            return ordner;
    }
#endif
    return QDir::tempPath();
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

Installation::Ergebnis Installation::Ausfuehren() {
    fehler_.clear();
    liste_.clear();
    programm_.clear();

    // A folder of our own below the temporary folder: nobody else's file can
    // wait there under a listed name, and it goes away with this object.
    QTemporaryDir download(QDir(downloadBasis).filePath(QStringLiteral("pwi-XXXXXX")));
    if (!download.isValid())
        return fehlgeschlagen(QStringLiteral("no download folder in %1").arg(downloadBasis));
    const QDir dl(download.path());

    Ftp ftp(server, zeiten);
    ftp.ereignisse = ereignisse;
    ftp.abbrechen = abbrechen;
    ereignisseZulassen();

    // The list, into the program folder.
    const QString listeDatei = ordner_.filePath(QStringLiteral("updlist.txt"));
    if (QFile::exists(listeDatei))
        QFile::remove(listeDatei);
    ereignisseZulassen();
    ftp.Holen(Name(ServerOrdner) + QStringLiteral("updlist.txt"), listeDatei, ListeHoechstens);
    ftp.Schliessen();
    if (!QFile::exists(listeDatei))
        return fehlgeschlagen(QStringLiteral("no file list: %1").arg(ftp.Fehler()));
    QByteArray inhalt;
    {
        QFile datei(listeDatei);
        if (!datei.open(QIODevice::ReadOnly))
            return fehlgeschlagen(QStringLiteral("the file list cannot be read"));
        inhalt = datei.read(ListeHoechstens + 1);
    }
    QString grund;
    const std::optional<QStringList> liste = ListeLesen(inhalt, &grund);
    if (!liste)
        return fehlgeschlagen(grund);
    liste_ = *liste;

    // Download phase: every file into the download folder. The connection
    // is kept from one file to the next.
    for (const QString& name : liste_) {
        const QString lokal = dl.filePath(name);
        if (QFile::exists(lokal))
            QFile::remove(lokal);
        if (!ftp.Holen(Name(ServerOrdner) + name, lokal, DateiHoechstens)) {
            const QString warum = ftp.Fehler();
            ftp.Schliessen();
            return fehlgeschlagen(QStringLiteral("%1 not fetched: %2").arg(name, warum));
        }
        if (abgebrochen())
            return fehlgeschlagen(QStringLiteral("given up"));
    }
    ftp.Schliessen();

    // Install phase. First: has everything arrived? A missing file leaves
    // the program folder as it is.
    for (const QString& name : liste_) {
        if (!QFile::exists(dl.filePath(name)))
            return fehlgeschlagen(QStringLiteral("%1 missing after the download").arg(name));
    }
    if (abgebrochen())
        return fehlgeschlagen(QStringLiteral("given up"));

    // Then each file beside its final place under a temporary name; only
    // when all are written do they replace the old files, one rename each.
    struct Stueck {
        QString neu, ziel;
    };
    std::vector<Stueck> stuecke;
    const auto aufraeumen = [&stuecke] {
        for (const Stueck& s : stuecke)
            QFile::remove(s.neu);
    };
    for (const QString& name : liste_) {
        const QString neu = KopieDaneben(dl.filePath(name), ordner_, IstProgramm(name));
        if (neu.isEmpty()) {
            aufraeumen();
            return fehlgeschlagen(
                QStringLiteral("%1 cannot be written into the program folder").arg(ZielName(name)));
        }
        stuecke.push_back({neu, ordner_.filePath(ZielName(name))});
    }
    for (size_t i = 0; i < stuecke.size(); ++i) {
        if (!Ersetzen(stuecke[i].neu, stuecke[i].ziel)) {
            for (size_t j = i; j < stuecke.size(); ++j)
                QFile::remove(stuecke[j].neu);
            return fehlgeschlagen(QStringLiteral("%1 cannot be replaced").arg(stuecke[i].ziel));
        }
    }

    // The last program of the list is the one to start; without one, the
    // ticker as it is.
    programm_ = TickerPfad();
    for (const QString& name : liste_) {
        if (IstProgramm(name))
            programm_ = ordner_.filePath(ZielName(name));
    }
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
