// The settings window's rules that need no widget.

#include "Datenbank.h"
#include "EinstellungsRegeln.h"
#include "Sprachwahl.h"
#include "TestHilfe.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace pinwick;

namespace {

// ---- the miniature

struct MiniaturFall {
    bool rahmen, datum;
    QRect pan2, pan3, pan4;
    bool pan2Sichtbar;
};

TEST(Miniatur, BreitenFolgenRahmenUndDatum) {
    // Frame 7950 wide, date/time panel 1980: with the border the panels keep
    // 75 off both sides; without it the notes share what is left from 0.
    const MiniaturFall faelle[] = {
        {true, true, {75, 75, 1980, 408}, {2055, 75, 2910, 408}, {4965, 75, 2910, 408}, true},
        {true, false, {75, 75, 1980, 408}, {75, 75, 3900, 408}, {3975, 75, 3900, 408}, false},
        {false, true, {0, 75, 1980, 408}, {1980, 75, 2985, 408}, {4965, 75, 2985, 408}, true},
        {false, false, {0, 75, 1980, 408}, {0, 75, 3975, 408}, {3975, 75, 3975, 408}, false},
    };
    for (const MiniaturFall& f : faelle) {
        SCOPED_TRACE(testing::Message() << "Rahmen " << f.rahmen << ", Datum " << f.datum);
        const Miniatur m = MiniaturBerechnen(7950, 1980, f.rahmen, f.datum, 240);
        if (f.pan2Sichtbar) {
            EXPECT_EQ(m.pan2, f.pan2);
        }
        EXPECT_EQ(m.pan2Sichtbar, f.pan2Sichtbar);
        EXPECT_EQ(m.pan3, f.pan3);
        EXPECT_EQ(m.pan4, f.pan4);
        EXPECT_EQ(m.eingesenkt, f.rahmen);
        EXPECT_EQ(m.rahmenFarbe, f.rahmen);
        EXPECT_EQ(m.hoehe1, 408 + 150);
        // The note panels always end together at the frame's inner edge.
        EXPECT_EQ(m.pan4.left() + m.pan4.width(), f.rahmen ? 7950 - 75 : 7950);
    }
}

TEST(Miniatur, HoeheIst17MalTextHoehe) {
    // 1.7 times the text, halves to even; the frame 75 more above and below.
    for (const auto& [text, panel] : {std::pair{240, 408}, {195, 332}, {165, 280}}) {
        const Miniatur m = MiniaturBerechnen(7950, 1980, true, true, text);
        EXPECT_TRUE(m.pan2.height() == panel && m.pan3.height() == panel &&
                    m.pan4.height() == panel && m.hoehe1 == panel + 150)
            << text;
    }
}

// ---- the elements' buttons

TEST(Elemente, KnoepfeBeschriftungenUndZiele) {
    using E = Einstellungswerte;
    struct Fall {
        int element, knopf;
        const char* englisch;
        const char* deutsch;
        int32_t E::*ziel;
    };
    const Fall faelle[] = {
        {1, 1, "Frame color", "Rahmenfarbe", &E::fensterHgFarbe},
        {1, 2, "", "", nullptr},
        {1, 3, "", "", nullptr},
        {2, 1, "Date/time background color", "Datum/Uhrzeit Hintergrundfarbe", &E::uhrHgFarbe},
        {2, 2, "Date/time font color", "Datum/Uhrzeit Schriftfarbe", &E::UhrSchriftFarbe},
        {2, 3, "", "", nullptr},
        {3, 1, "Note background color", "Notiz Hintergrundfarbe", &E::notizHgFarbe},
        {3, 2, "Note font color local", "Notiz Schriftfarbe lokal", &E::SchriftFarbe},
        {3, 3, "Note font color broadcast", "Notiz Schriftfarbe Broadcast", &E::SchriftFarbe2},
        // Either note offers the same three buttons.
        {4, 1, "Note background color", "Notiz Hintergrundfarbe", &E::notizHgFarbe},
        {4, 2, "Note font color local", "Notiz Schriftfarbe lokal", &E::SchriftFarbe},
        {4, 3, "Note font color broadcast", "Notiz Schriftfarbe Broadcast", &E::SchriftFarbe2},
        {0, 1, "", "", nullptr},
        {5, 1, "", "", nullptr},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(testing::Message() << "Element " << f.element << ", Knopf " << f.knopf);
        EXPECT_EQ(FarbKnopfText(f.element, f.knopf, 1), QString::fromUtf8(f.englisch));
        EXPECT_EQ(FarbKnopfText(f.element, f.knopf, 2), QString::fromUtf8(f.deutsch));
        // Any language but English reads German.
        EXPECT_EQ(FarbKnopfText(f.element, f.knopf, 0), QString::fromUtf8(f.deutsch));
        EXPECT_EQ(FarbKnopfSichtbar(f.element, f.knopf), f.ziel != nullptr);
        EXPECT_EQ(FarbZiel(f.element, f.knopf), f.ziel);
    }
    for (int element = 0; element <= 5; ++element)
        EXPECT_EQ(SchriftKnopfSichtbar(element), element == 3 || element == 4) << element;
}

// ---- the check before saving

// Over the web the broadcaster's key must be a minisign public key; for a
// share's file it is not looked at.
TEST(Pruefung, SchluesselBeiWebAdresse) {
    const QString gut = QStringLiteral("RWTzoRtuAA3KRvRuUGBRAO040o0mNefWXDUe7qY5fK1rJ+J2Oiky42lK");
    struct Fall {
        const char* name;
        bool broadcast;
        const char* pfad;
        QString schluessel;
        Pruefung ergebnis;
    };
    const Fall faelle[] = {
        {"web_gut", true, "https://n.example/office/", gut, Pruefung::Gut},
        {"web_mit_leerraum", true, "https://n.example/",
         QStringLiteral("  ") + gut + QStringLiteral("\n"), Pruefung::Gut},
        {"web_leer", true, "https://n.example/", QString(), Pruefung::SchluesselFalsch},
        {"web_kaputt", true, "http://intranet/", QStringLiteral("RWQxyz"),
         Pruefung::SchluesselFalsch},
        {"freigabe_ohne_schluessel", true, "//server/pw.kav", QString(), Pruefung::Gut},
        {"web_aber_aus", false, "https://n.example/", QString(), Pruefung::Gut},
        // The address is checked before the key, as "receive" checks it.
        {"web_mit_passwort", true, "https://ich:pw@n.example/", gut, Pruefung::AdresseFalsch},
        {"web_ohne_host", true, "https://", gut, Pruefung::AdresseFalsch},
        {"web_ohne_host_ohne_schluessel", true, "http:///x", QString(), Pruefung::AdresseFalsch},
        {"web_http_im_haus", true, "http://intranet/pinwick/", gut, Pruefung::Gut},
    };
    for (const Fall& f : faelle) {
        Einstellungswerte k;
        k.broadcastStatus = f.broadcast;
        k.sysopStatus = true;
        k.broadcastPfad = QString::fromUtf8(f.pfad);
        k.broadcastSchluessel = f.schluessel;
        EXPECT_EQ(VorSpeichernPruefen(k, false), f.ergebnis) << f.name;
    }
    EXPECT_TRUE(PruefungsText(Pruefung::SchluesselFalsch, 1).contains(QLatin1String("public key")));
}

// The receiver's state in the window's language: its own phrases
// translated, what the server or the network said kept as it is.
TEST(Pruefung, EmpfangsZustandInBeidenSprachen) {
    struct Fall {
        const char* zustand;
        const char* deutsch;
    };
    const Fall faelle[] = {
        {"waiting for the first snapshot", "warte auf den ersten Schnappschuss"},
        {"version 17 received at 10:00:01 UTC", "Version 17 empfangen um 10:00:01 UTC"},
        {"version 17, unchanged at 10:00:31 UTC", "Version 17, unver\u00E4ndert um 10:00:31 UTC"},
        {"signature does not match the key", "Signatur passt nicht zum Schl\u00FCssel"},
        {"signature does not match the key (trusted comment)",
         "Signatur passt nicht zum Schl\u00FCssel (trusted comment)"},
        {"older than the notes already shown", "\u00E4lter als die schon gezeigten Notizen"},
        {"expired on 2026-12-10 07:00 UTC", "abgelaufen am 2026-12-10 07:00 UTC"},
        {"the server answers HTTP 503 and asks to come back later (showing version 4)",
         "der Server antwortet HTTP 503 und bittet, sp\u00E4ter wiederzukommen (gezeigt wird "
         "Version 4)"},
        {"the server answers HTTP 404", "der Server antwortet HTTP 404"},
        {"the server answers HTTP 404 for the signature",
         "der Server antwortet HTTP 404 f\u00FCr die Signatur"},
        {"cannot reach the server: Couldn't connect to server",
         "Server nicht erreichbar: Couldn't connect to server"},
        {"no key of the broadcaster is set", "kein Schl\u00FCssel des Broadcasters eingestellt"},
        // Words from elsewhere pass as they are.
        {"the received notes cannot be kept in the working folder",
         "the received notes cannot be kept in the working folder"},
        {"", ""},
    };
    for (const Fall& f : faelle) {
        const QString zustand = QString::fromUtf8(f.zustand);
        EXPECT_EQ(WebZustandText(zustand, SpracheEnglisch), zustand) << f.zustand;
        EXPECT_EQ(WebZustandText(zustand, SpracheDeutsch), QString::fromUtf8(f.deutsch))
            << f.zustand;
    }
    EXPECT_TRUE(PruefungsText(Pruefung::AdresseFalsch, SpracheDeutsch)
                    .contains(QLatin1String("Web-Adresse")));
}

TEST(Pruefung, PasswortUndPfad) {
    struct Fall {
        const char* passWort;
        bool sysop, bearbeitbar, broadcast;
        const char* pfad;
        Pruefung ergebnis;
    };
    const Fall faelle[] = {
        {"", false, true, false, "", Pruefung::Gut},
        {"", true, true, false, "", Pruefung::PasswortFehlt},
        {"x", true, true, false, "", Pruefung::Gut},
        // Receiver mode: the broadcaster's password applies, the box is locked.
        {"", true, false, true, "//server/pw.kav", Pruefung::Gut},
        {"", true, false, true, "", Pruefung::PfadFehlt},
        // The password comes first when both are missing.
        {"", true, true, true, "", Pruefung::PasswortFehlt},
        {"geheim", true, false, true, "", Pruefung::PfadFehlt},
        // A path alone, without receiver mode, is no reason to refuse.
        {"", false, true, false, "//server/pw.kav", Pruefung::Gut},
        {"", false, true, true, "", Pruefung::PfadFehlt},
    };
    for (const Fall& f : faelle) {
        Einstellungswerte k;
        k.passWort = QString::fromUtf8(f.passWort);
        k.sysopStatus = f.sysop;
        k.broadcastStatus = f.broadcast;
        k.broadcastPfad = QString::fromUtf8(f.pfad);
        EXPECT_EQ(VorSpeichernPruefen(k, f.bearbeitbar), f.ergebnis)
            << f.passWort << " " << f.sysop << f.bearbeitbar << f.broadcast << " " << f.pfad;
    }
    EXPECT_EQ(PruefungsText(Pruefung::PasswortFehlt, 1), "Please enter a password.");
    EXPECT_EQ(PruefungsText(Pruefung::PasswortFehlt, 2), "Bitte Passwort eingeben.");
    EXPECT_EQ(PruefungsText(Pruefung::PfadFehlt, 1), "Please specify a broadcast path.");
    EXPECT_EQ(PruefungsText(Pruefung::PfadFehlt, 2),
              "Bitte einen Pfad zum Broadcaster einstellen.");
    EXPECT_TRUE(PruefungsText(Pruefung::Gut, 1).isEmpty());
}

// ---- default values

TEST(Standardwerte, SetzenDasAussehenUndLassenDenRest) {
    // Every value away from its default, then reset.
    Einstellungswerte k;
    k.Sprache = 1;
    k.ImmerOben = k.sysopStatus = k.broadcastStatus = k.remoteEinstellungen = k.erstVorbei = true;
    k.dockPos = 1;
    k.fensterHgFarbe = k.uhrHgFarbe = k.UhrSchriftFarbe = k.notizHgFarbe = 0x123456;
    k.SchriftFarbe = k.SchriftFarbe2 = 0x654321;
    k.SchriftName = QStringLiteral("Courier");
    k.SchriftGroesse = 33;
    k.SchriftKursiv = true;
    k.Speed = 5;
    k.Schrift3D = 3;
    k.passWort = QStringLiteral("geheim");
    k.broadcastPfad = QStringLiteral("//server/pw.kav");

    Einstellungswerte erwartet = k; // language, docking, on top, sysop, broadcast stay
    erwartet.SchriftName = QStringLiteral("Verdana");
    erwartet.SchriftGroesse = 10;
    erwartet.SchriftFett = true;
    erwartet.SchriftKursiv = false;
    erwartet.SchriftFarbe = 0xFFFFFF;
    erwartet.SchriftFarbe2 = 0x00FFFF;
    erwartet.fensterHgFarbe = 0xFF8080;
    erwartet.uhrHgFarbe = 0xFFE0E0;
    erwartet.UhrSchriftFarbe = 0;
    erwartet.notizHgFarbe = 0x6F6F6F;
    erwartet.zeigDatum = erwartet.zeigRahmen = true;
    erwartet.Speed = 30;
    StandardwerteSetzen(k);
    EXPECT_TRUE(k == erwartet);
}

// ---- placement

TEST(Lage, FensterUndPromptAmOberenUndUnterenRand) {
    // Screen 1080 pixels = 16200 twips high; a bar 450 twips high.
    const struct {
        int leisteOben;
        QPoint einstellungen, prompt;
    } faelle[] = {
        {0, {500, 200}, {500 + 4095 - 2932, 225}},
        {99, {500, 200}, {500 + 4095 - 2932, 99 + 225}},
        // At 100 twips or lower the bar counts as docked at the bottom.
        {100, {500, 16200 - 8640 - 200}, {500 + 4095 - 2932, 16200 - 2070 - 225}},
        {15750, {500, 16200 - 8640 - 200}, {500 + 4095 - 2932, 16200 - 2070 - 225}},
    };
    for (const auto& f : faelle) {
        EXPECT_EQ(EinstellungenLage(f.leisteOben, 16200, EinstellungenHoehe), f.einstellungen)
            << f.leisteOben;
        EXPECT_EQ(PassTestLage(PassTestBreite, PassTestHoehe, f.leisteOben, 450, 16200), f.prompt)
            << f.leisteOben;
    }
}

// ---- the broadcaster's path

TEST(Pfad, AndererRechner) {
    const QTemporaryDir ordner;
    const QString lokal = ordner.filePath(QStringLiteral("pw.kav"));
    QFile(lokal).open(QIODevice::WriteOnly);
    const struct {
        QString pfad;
        bool anderer;
    } faelle[] = {
        {QStringLiteral("\\\\server\\freigabe\\pw.kav"), true},
        {QStringLiteral("//server/freigabe/pw.kav"), true},
        {lokal, false},
        {QDir::homePath(), false},
        {QString(), false},
        // One backslash is a drive-relative path, not a share.
        {QStringLiteral("\\freigabe\\pw.kav"), false},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(AufAnderemRechner(f.pfad), f.anderer) << f.pfad.toStdString();
}

TEST(Pfad, NetzDateisysteme) {
    const struct {
        quint64 magie;
        const char* typ;
        bool netz;
    } faelle[] = {
        {0x6969, "nfs", true},
        {0x6969, "", true},
        {0xFF534D42, "cifs", true},
        {0xFE534D42, "smb3", true},
        {0x517B, "smbfs", true},
        {0x65735546, "fuse.sshfs", true}, // FUSE tells only in the mount table
        {0x65735546, "fuse.rclone", true},
        {0x65735546, "fuse.ntfs-3g", false},
        {0x65735546, "fuse", false},
        {0xEF53, "ext4", false},
        {0x01021994, "tmpfs", false},
        {0x9123683E, "btrfs", false},
        {0, "NFS4", true},
        {0, "", false},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(NetzDateisystem(f.magie, QString::fromLatin1(f.typ)), f.netz)
            << std::hex << f.magie << " " << f.typ;
}

// ---- the broadcaster's file

TEST(Pfad, BroadcastDateiWirdUnterschieden) {
    test::TestUmgebung u;
    QTemporaryDir ordner;
    const auto datei = [&](const char* name, const QByteArray& inhalt) {
        const QString pfad = ordner.filePath(QString::fromLatin1(name));
        QFile f(pfad);
        f.open(QIODevice::WriteOnly);
        f.write(inhalt);
        return pfad;
    };
    const QString notizen = u.NeueDatenbank(QStringLiteral("sender.kav"));
    const QString fremd = ordner.filePath(QStringLiteral("fremd.kav"));
    Datenbank::Erzeugen(fremd)->Ausfuehren(QStringLiteral("CREATE TABLE Notizen (x)"));
    const QString rohr = ordner.filePath(QStringLiteral("rohr.kav"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(rohr).constData(), 0600), 0);
    ASSERT_TRUE(QDir(ordner.path()).mkdir(QStringLiteral("ordner.kav")));
    const QString gesperrt = datei("gesperrt.kav", "SQLite format 3");
    QFile::setPermissions(gesperrt, QFileDevice::WriteOwner);
    // A notes file in a folder this user may not enter.
    ASSERT_TRUE(QDir(ordner.path()).mkdir(QStringLiteral("verschlossen")));
    const QString verschlossen = ordner.filePath(QStringLiteral("verschlossen/pw.kav"));
    ASSERT_TRUE(QFile::copy(notizen, verschlossen));
    // No one but the superuser may enter it, its owner included.
    const QString zu = ordner.filePath(QStringLiteral("verschlossen"));
    QFile::setPermissions(zu, QFileDevice::Permissions());
    // Anyone may look into the test's folder itself (the superuser turned
    // "nobody" keeps its group).
    QFile::setPermissions(ordner.path(), QFile::permissions(ordner.path()) |
                                             QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                             QFileDevice::ReadOther | QFileDevice::ExeOther);

    const struct {
        QString pfad;
        BroadcastDatei befund;
    } faelle[] = {
        {notizen, BroadcastDatei::Gut},
        {fremd, BroadcastDatei::KeineNotizdatei},
        {datei("text.kav", "Pinwick\r\nNotizen\r\n"), BroadcastDatei::KeineNotizdatei},
        {datei("leer.kav", ""), BroadcastDatei::KeineNotizdatei},
        {rohr, BroadcastDatei::KeineNotizdatei},
        {ordner.filePath(QStringLiteral("ordner.kav")), BroadcastDatei::KeineNotizdatei},
        {ordner.filePath(QStringLiteral("fehlt.kav")), BroadcastDatei::NichtErreichbar},
        {QStringLiteral("//server/freigabe/pw.kav"), BroadcastDatei::NichtErreichbar},
        {QString(), BroadcastDatei::NichtErreichbar},
        {gesperrt, BroadcastDatei::KeinLeserecht},
        {verschlossen, BroadcastDatei::KeinLeserecht},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.pfad.toStdString());
        // The superuser reads every file: the permission cases are looked at
        // as an ordinary user ("nobody"), real and effective, for as long as
        // the check takes; the saved id lets the test become itself again.
        const bool alsNiemand = f.befund == BroadcastDatei::KeinLeserecht && ::geteuid() == 0;
        if (alsNiemand) {
            ASSERT_EQ(::setresuid(65534, 65534, 0), 0);
        }
        const BroadcastDatei befund = BroadcastDateiPruefen(f.pfad);
        if (alsNiemand) {
            ASSERT_EQ(::setresuid(0, 0, 0), 0);
        }
        EXPECT_EQ(befund, f.befund);
    }
    // So that the temporary folder can be removed again.
    QFile::setPermissions(zu,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A notes file another program is writing is a notes file all the same.
    Datenbank schreiber(notizen);
    schreiber.Ausfuehren(QStringLiteral("BEGIN EXCLUSIVE"));
    schreiber.Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = 'x'"));
    EXPECT_EQ(BroadcastDateiPruefen(notizen), BroadcastDatei::Gut);
    schreiber.Ausfuehren(QStringLiteral("ROLLBACK"));

    // Each finding has its own text in both languages; a good file none.
    QStringList texte;
    for (BroadcastDatei b : {BroadcastDatei::KeineNotizdatei, BroadcastDatei::KeinLeserecht,
                             BroadcastDatei::NichtErreichbar})
        for (int16_t sprache : {1, 2})
            texte << BroadcastDateiText(b, sprache);
    texte.removeDuplicates();
    EXPECT_EQ(texte.size(), 6);
    EXPECT_TRUE(BroadcastDateiText(BroadcastDatei::Gut, 1).isEmpty());
}

TEST(Schrift, PunkteVon1Bis100UndInstallierteFamilie) {
    const struct {
        double punkte;
        int pixel;
        std::optional<int16_t> erwartet;
    } faelle[] = {{10, -1, 10},
                  {12.5, -1, 13},
                  {13.5, -1, 14},
                  {0.4, -1, std::nullopt},
                  {0.5, -1, 1},
                  {100.49, -1, 100},
                  {100.5, -1, std::nullopt},
                  {-1, 16, 12},
                  {-1, 200, std::nullopt},
                  {-1, -1, std::nullopt},
                  {std::numeric_limits<double>::infinity(), -1, std::nullopt}};
    for (const auto& f : faelle)
        EXPECT_EQ(SchriftPunkte(f.punkte, f.pixel), f.erwartet) << f.punkte << " " << f.pixel;

    // Installed names stay; a name from another system gets an installed family.
    EXPECT_EQ(InstallierteFamilie(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
    for (const char* name : {"Verdana", "MS Sans Serif", "Gibt es nicht 123"}) {
        const QString familie = InstallierteFamilie(QString::fromLatin1(name));
        EXPECT_FALSE(familie.isEmpty()) << name;
        EXPECT_TRUE(QFontDatabase::hasFamily(familie)) << name << " -> " << familie.toStdString();
    }

    // The family's own style names, oblique cuts counting as italic, plain
    // cuts before condensed ones.
    const struct {
        bool fett, kursiv;
        const char* stil;
    } stile[] = {{true, true, "Bold Oblique"},
                 {true, false, "Bold"},
                 {false, true, "Oblique"},
                 {false, false, "Book"}};
    for (const auto& f : stile)
        EXPECT_EQ(SchriftStil(QStringLiteral("DejaVu Sans"), f.fett, f.kursiv),
                  QString::fromLatin1(f.stil));
    EXPECT_TRUE(SchriftStil(QStringLiteral("Gibt es nicht 123"), true, false).isEmpty());
}

} // namespace
