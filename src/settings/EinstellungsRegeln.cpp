#include "EinstellungsRegeln.h"
#include "Sprachwahl.h"

#include "Datenbank.h"
#include "Hilfen.h"
#include "PasswortHash.h"
#include "Signatur.h"
#include "Speicher.h"
#include "WebAdresse.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/vfs.h>
#endif

namespace pinwick {

namespace {

bool gueltig(int element) {
    return element >= Rahmen && element <= NotizBroadcast;
}

// Element names by element (1-4), role (1-2) and language (English, German).
struct Name {
    const char16_t* englisch;
    const char16_t* deutsch;
};
constexpr Name elementNamen[4][2] = {
    {{u"Frame color", u"Rahmenfarbe"}, {u"", u""}},
    {{u"Date/time background color", u"Datum/Uhrzeit Hintergrundfarbe"},
     {u"Date/time font color", u"Datum/Uhrzeit Schriftfarbe"}},
    {{u"Note background color", u"Notiz Hintergrundfarbe"},
     {u"Note font color local", u"Notiz Schriftfarbe lokal"}},
    {{u"Note background color", u"Notiz Hintergrundfarbe"},
     {u"Note font color broadcast", u"Notiz Schriftfarbe Broadcast"}},
};

// Which name a colour button carries: {element, role}, or {0, 0} for none.
struct Quelle {
    int element, rolle;
};
Quelle knopfQuelle(int element, int knopf) {
    switch (element) {
    case Rahmen:
        return knopf == 1 ? Quelle{1, 1} : Quelle{0, 0};
    case DatumUhr:
        return knopf == 1 || knopf == 2 ? Quelle{2, knopf} : Quelle{0, 0};
    case NotizLokal:
    case NotizBroadcast:
        // Both notes share the background; their font colours differ.
        if (knopf == 1)
            return {3, 1};
        if (knopf == 2)
            return {3, 2};
        if (knopf == 3)
            return {4, 2};
        return {0, 0};
    default:
        return {0, 0};
    }
}

} // namespace

QString ElementName(int element, int rolle, int16_t sprache) {
    if (!gueltig(element) || rolle < 1 || rolle > 2)
        return QString();
    const Name& n = elementNamen[element - 1][rolle - 1];
    return QString::fromUtf16(sprache == SpracheEnglisch ? n.englisch : n.deutsch);
}

bool FarbKnopfSichtbar(int element, int knopf) {
    return knopfQuelle(element, knopf).element != 0;
}

bool SchriftKnopfSichtbar(int element) {
    return element == NotizLokal || element == NotizBroadcast;
}

QString FarbKnopfText(int element, int knopf, int16_t sprache) {
    const Quelle q = knopfQuelle(element, knopf);
    return q.element ? ElementName(q.element, q.rolle, sprache) : QString();
}

int32_t Einstellungswerte::*FarbZiel(int element, int knopf) {
    using E = Einstellungswerte;
    switch (knopfQuelle(element, knopf).element ? knopf : 0) {
    case 1:
        if (element == Rahmen)
            return &E::fensterHgFarbe;
        return element == DatumUhr ? &E::uhrHgFarbe : &E::notizHgFarbe;
    case 2:
        return element == DatumUhr ? &E::UhrSchriftFarbe : &E::SchriftFarbe;
    case 3:
        return &E::SchriftFarbe2;
    default:
        return nullptr;
    }
}

Miniatur MiniaturBerechnen(int breite1, int breite2, bool zeigRahmen, bool zeigDatum,
                           int textHoehe) {
    Miniatur m;
    const int hoehe = RundeGerade32(1.7 * textHoehe);
    m.hoehe1 = hoehe + 2 * MiniaturRand;
    m.pan2Sichtbar = zeigDatum;
    m.eingesenkt = zeigRahmen;
    m.rahmenFarbe = zeigRahmen;

    // With the border the panels keep 75 twips off every edge of the frame;
    // without it they sit flush at the left and share the whole width.
    const int rand = zeigRahmen ? MiniaturRand : 0;
    const int abzug = zeigRahmen ? 2 * MiniaturRand : 0;
    int links = rand;
    int frei = breite1 - abzug;
    m.pan2 = QRect(rand, MiniaturRand, breite2, hoehe);
    if (zeigDatum) {
        links += breite2;
        frei -= breite2;
    }
    const int notiz = frei / 2;
    m.pan3 = QRect(links, MiniaturRand, notiz, hoehe);
    m.pan4 = QRect(links + notiz, MiniaturRand, notiz, hoehe);
    return m;
}

bool WebAdresseGut(const QString& adresse) {
    return WebAdresseFehler(adresse).isEmpty();
}

QString WebZustandText(const QString& zustand, int16_t sprache) {
    if (sprache == SpracheEnglisch || zustand.isEmpty())
        return zustand;
    // The receiver's phrases (SchnappschussEmpfang, SchnappschussSignatur,
    // WebEmpfang) in the order they are tried: a longer one before the one
    // it begins with. {1}, {2} carry what the phrase names.
    struct Satz {
        const char* englisch;
        const char16_t* deutsch;
    };
    static const Satz saetze[] = {
        {"^(.+) \\(showing version (\\d+)\\)$", u"{1} (gezeigt wird Version {2})"},
        {"^waiting for the first snapshot$", u"warte auf den ersten Schnappschuss"},
        {"^version (\\d+) received at (.+)$", u"Version {1} empfangen um {2}"},
        {"^version (\\d+), unchanged at (.+)$", u"Version {1}, unver\u00E4ndert um {2}"},
        {"^signature does not match the key(.*)$", u"Signatur passt nicht zum Schl\u00FCssel{1}"},
        {"^older than the notes already shown$", u"\u00E4lter als die schon gezeigten Notizen"},
        {"^expired on (.+)$", u"abgelaufen am {1}"},
        {"^cannot reach the server: (.+)$", u"Server nicht erreichbar: {1}"},
        {"^the server answers HTTP (\\d+) and asks to come back later$",
         u"der Server antwortet HTTP {1} und bittet, sp\u00E4ter wiederzukommen"},
        {"^the server answers HTTP (\\d+) for the signature$",
         u"der Server antwortet HTTP {1} f\u00FCr die Signatur"},
        {"^the server answers HTTP (\\d+)$", u"der Server antwortet HTTP {1}"},
        {"^the snapshot is malformed: (.+)$", u"der Schnappschuss ist fehlerhaft: {1}"},
        {"^the signature is malformed: (.+)$", u"die Signatur ist fehlerhaft: {1}"},
        {"^no key of the broadcaster is set$", u"kein Schl\u00FCssel des Broadcasters eingestellt"},
    };
    for (const Satz& s : saetze) {
        const QRegularExpression muster(QString::fromLatin1(s.englisch));
        const QRegularExpressionMatch treffer = muster.match(zustand);
        if (!treffer.hasMatch())
            continue;
        QString text = QString::fromUtf16(s.deutsch);
        for (int i = treffer.lastCapturedIndex(); i >= 1; --i) {
            // The phrase around "(showing version N)" is translated too.
            const QString teil = i == 1 && &s == &saetze[0]
                                     ? WebZustandText(treffer.captured(i), sprache)
                                     : treffer.captured(i);
            text.replace(QStringLiteral("{%1}").arg(i), teil);
        }
        return text;
    }
    return zustand;
}

Pruefung VorSpeichernPruefen(const Einstellungswerte& k, bool passwortBearbeitbar) {
    if (k.passWort.isEmpty() && k.sysopStatus && passwortBearbeitbar)
        return Pruefung::PasswortFehlt;
    if (k.broadcastPfad.isEmpty() && k.broadcastStatus)
        return Pruefung::PfadFehlt;
    if (k.broadcastStatus && BroadcastUeberWeb(k.broadcastPfad) && !WebAdresseGut(k.broadcastPfad))
        return Pruefung::AdresseFalsch;
    // Over the web nothing is shown unless it verifies with the
    // broadcaster's key: one that is no key would only ever refuse.
    if (k.broadcastStatus && BroadcastUeberWeb(k.broadcastPfad) &&
        !SchluesselLesen(k.broadcastSchluessel.trimmed().toUtf8()))
        return Pruefung::SchluesselFalsch;
    return Pruefung::Gut;
}

QString PruefungsText(Pruefung ergebnis, int16_t sprache) {
    const bool englisch = sprache == SpracheEnglisch;
    switch (ergebnis) {
    case Pruefung::PasswortFehlt:
        return englisch ? QStringLiteral("Please enter a password.")
                        : QStringLiteral("Bitte Passwort eingeben.");
    case Pruefung::PfadFehlt:
        return englisch ? QStringLiteral("Please specify a broadcast path.")
                        : QStringLiteral("Bitte einen Pfad zum Broadcaster einstellen.");
    case Pruefung::AdresseFalsch:
        return englisch ? QStringLiteral("Please enter a web address as http(s)://server/folder/, "
                                         "without user name or password.")
                        : QStringLiteral("Bitte eine Web-Adresse als http(s)://server/ordner/ "
                                         "eingeben, ohne Benutzername oder Passwort.");
    case Pruefung::SchluesselFalsch:
        return englisch ? QStringLiteral("Please enter the broadcaster's public key (minisign).")
                        : QStringLiteral("Bitte den \u00F6ffentlichen Schl\u00FCssel des "
                                         "Broadcasters (minisign) eingeben.");
    case Pruefung::Gut:
        break;
    }
    return QString();
}

void StandardwerteSetzen(Einstellungswerte& k) {
    k.SchriftName = QStringLiteral("Verdana");
    k.SchriftGroesse = 10;
    k.SchriftFett = true;
    k.SchriftKursiv = false;
    k.SchriftFarbe = 0xFFFFFF;
    k.SchriftFarbe2 = 0x00FFFF;
    k.fensterHgFarbe = 0xFF8080;
    k.uhrHgFarbe = 0xFFE0E0;
    k.UhrSchriftFarbe = 0;
    k.notizHgFarbe = 0x6F6F6F;
    k.zeigDatum = true;
    k.zeigRahmen = true;
    k.Speed = 30;
}

QPoint EinstellungenLage(int leisteOben, int schirmHoehe, int fensterHoehe) {
    const int oben = leisteOben >= 100 ? schirmHoehe - fensterHoehe - 200 : 200;
    return QPoint(EinstellungenLinks, oben);
}

QPoint PassTestLage(int breite, int hoehe, int leisteOben, int leisteHoehe, int schirmHoehe) {
    const int links = EinstellungenLinks + EinstellungenBreite / 2 - breite / 2;
    const int oben =
        leisteOben >= 100 ? schirmHoehe - hoehe - leisteHoehe / 2 : leisteOben + leisteHoehe / 2;
    return QPoint(links, oben);
}

QPoint HilfeLage(const QRect& gruppe, const QRect& link) {
    return QPoint(link.left() - 1000, gruppe.top() + link.top() + link.height() + 100);
}

int HilfeAbbrechenOben(int textHoehe) {
    return textHoehe + 300;
}

int HilfeHoehe(int abbrechenOben, int abbrechenHoehe) {
    return abbrechenOben + abbrechenHoehe + 105;
}

QPoint BubbleUnter(const QRect& gruppe, const QRect& feld) {
    return QPoint(gruppe.left() + feld.left() + feld.width() / 2,
                  gruppe.top() + feld.top() + feld.height() + 30);
}

bool NetzDateisystem(quint64 magie, const QString& typ) {
    // Kernel file systems that always reach another machine.
    static constexpr std::array<quint64, 10> netz = {
        0x6969,     // NFS
        0x517B,     // SMB
        0xFF534D42, // CIFS
        0xFE534D42, // SMB2/3
        0x5346414F, // AFS
        0x73757245, // Coda
        0x564C,     // NCP
        0x00C36400, // Ceph
        0x01021997, // 9P
        0x47504653, // GPFS
    };
    for (quint64 m : netz)
        if (m == magie)
            return true;
    // A user-space file system says what it is only in the mount table.
    static const QStringList netzTypen = {QStringLiteral("nfs"),
                                          QStringLiteral("nfs4"),
                                          QStringLiteral("cifs"),
                                          QStringLiteral("smb3"),
                                          QStringLiteral("smbfs"),
                                          QStringLiteral("ncpfs"),
                                          QStringLiteral("afs"),
                                          QStringLiteral("ceph"),
                                          QStringLiteral("9p"),
                                          QStringLiteral("davfs"),
                                          QStringLiteral("sshfs"),
                                          QStringLiteral("fuse.sshfs"),
                                          QStringLiteral("fuse.rclone"),
                                          QStringLiteral("fuse.curlftpfs"),
                                          QStringLiteral("fuse.gvfsd-fuse"),
                                          QStringLiteral("fuse.glusterfs"),
                                          QStringLiteral("glusterfs"),
                                          QStringLiteral("fuse.s3fs")};
    return netzTypen.contains(typ.toLower());
}

bool AufAnderemRechner(const QString& pfad) {
    if (pfad.startsWith(QLatin1String("\\\\")) || pfad.startsWith(QLatin1String("//")))
        return true;
    if (pfad.isEmpty())
        return false;
    quint64 magie = 0;
#if defined(Q_OS_LINUX)
    struct statfs info {};
    if (statfs(QFile::encodeName(pfad).constData(), &info) == 0)
        magie = static_cast<quint64>(static_cast<unsigned long>(info.f_type)) & 0xFFFFFFFFu;
#endif
    const QStorageInfo lage(QFileInfo(pfad).absolutePath());
    const QString typ = lage.isValid() ? QString::fromLatin1(lage.fileSystemType()) : QString();
    return NetzDateisystem(magie, typ);
}

BroadcastDatei BroadcastDateiPruefen(const QString& pfad) {
    if (pfad.isEmpty())
        return BroadcastDatei::NichtErreichbar;
#if defined(Q_OS_UNIX)
    // The kind of file first: opening a pipe to read from it would wait for
    // a writer that never comes.
    struct stat info {};
    if (::stat(QFile::encodeName(pfad).constData(), &info) != 0)
        return errno == EACCES ? BroadcastDatei::KeinLeserecht : BroadcastDatei::NichtErreichbar;
    if (!S_ISREG(info.st_mode))
        return BroadcastDatei::KeineNotizdatei;
    const qint64 groesse = info.st_size;
    // Qt reports every failed open alike; the system's own reason tells a
    // missing read permission from a share that does not answer.
    const int datei = ::open(QFile::encodeName(pfad).constData(), O_RDONLY | O_CLOEXEC);
    if (datei < 0)
        return errno == EACCES || errno == EPERM ? BroadcastDatei::KeinLeserecht
                                                 : BroadcastDatei::NichtErreichbar;
    ::close(datei);
#else
    const QFileInfo info(pfad);
    if (!info.exists())
        return BroadcastDatei::NichtErreichbar;
    if (!info.isFile())
        return BroadcastDatei::KeineNotizdatei;
    const qint64 groesse = info.size();
    {
        QFile datei(pfad);
        if (!datei.open(QIODevice::ReadOnly))
            return info.isReadable() ? BroadcastDatei::NichtErreichbar
                                     : BroadcastDatei::KeinLeserecht;
    }
#endif
    if (groesse == 0)
        return BroadcastDatei::KeineNotizdatei;
    // Opened the way a receiver opens it, and checked for what the ticker reads.
    try {
        Arbeitsbereich bereich;
        std::unique_ptr<Datenbank> db = bereich.OpenBroadcast(pfad);
        db->SchemaPruefen();
    } catch (const BesetztFehler&) {
        return BroadcastDatei::Gut;
    } catch (const std::exception&) {
        return BroadcastDatei::KeineNotizdatei;
    }
    return BroadcastDatei::Gut;
}

QString BroadcastDateiText(BroadcastDatei befund, int16_t sprache) {
    const bool englisch = sprache == SpracheEnglisch;
    switch (befund) {
    case BroadcastDatei::KeineNotizdatei:
        return englisch ? QStringLiteral("Broadcast path: not a Pinwick notes file.")
                        : QStringLiteral("Broadcast-Pfad: keine Pinwick-Notizdatei.");
    case BroadcastDatei::KeinLeserecht:
        return englisch ? QStringLiteral("Broadcast path: no permission to read the file.")
                        : QString::fromUtf16(u"Broadcast-Pfad: keine Berechtigung, die Datei zu "
                                             u"lesen.");
    case BroadcastDatei::NichtErreichbar:
        return englisch ? QStringLiteral("Broadcast path: cannot reach the file.")
                        : QStringLiteral("Broadcast-Pfad: Datei nicht erreichbar.");
    case BroadcastDatei::Gut:
        break;
    }
    return QString();
}

QString InstallierteFamilie(const QString& name) {
    // QFontInfo tells the family the font matching actually drew with.
    return QFontInfo(QFont(name)).family();
}

QString SchriftStil(const QString& familie, bool fett, bool kursiv) {
    const int ziel = fett ? QFont::Bold : QFont::Normal;
    QString bester;
    int besterAbstand = 0;
    for (const QString& stil : QFontDatabase::styles(familie)) {
        // The font's own answer counts an oblique cut as italic, which
        // QFontDatabase::italic does not.
        const QFont schnitt = QFontDatabase::font(familie, stil, 10);
        if (schnitt.italic() != kursiv)
            continue;
        const int abstand = std::abs(schnitt.weight() - ziel);
        // At the same weight the shorter name is the plain cut ("Bold"
        // rather than "Condensed Bold").
        if (bester.isEmpty() || abstand < besterAbstand ||
            (abstand == besterAbstand && stil.size() < bester.size())) {
            bester = stil;
            besterAbstand = abstand;
        }
    }
    return bester;
}

std::optional<int16_t> SchriftPunkte(double punkte, int pixel) {
    if (!(punkte > 0) && pixel > 0)
        punkte = pixel * 72.0 / 96.0;
    if (!std::isfinite(punkte))
        return std::nullopt;
    const double ganz = std::round(punkte);
    if (ganz < KleinsteSchrift || ganz > GroessteSchrift)
        return std::nullopt;
    return static_cast<int16_t>(ganz);
}

QString SchriftGroesseText(int16_t sprache) {
    return sprache == SpracheEnglisch ? QStringLiteral("Font size: choose from 1 to 100 points.")
                        : QString::fromUtf16(u"Schriftgröße: bitte 1 bis 100 Punkt "
                                             u"wählen.");
}

QString DateiBelegtText(int16_t sprache) {
    return sprache == SpracheEnglisch ? QStringLiteral("Settings not saved: the database file is busy in "
                                         "another program. Please try again.")
                        : QStringLiteral("Nicht gespeichert: Datenbankdatei in anderem "
                                         "Programm belegt. Bitte erneut versuchen.");
}

bool PasswortGleich(const QString& eingabe, const QString& passWort) {
    return PasswortPasst(eingabe, passWort);
}

} // namespace pinwick
