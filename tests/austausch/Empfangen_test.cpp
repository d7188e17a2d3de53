// pinwick-notes receive: what it writes into the own file's settings row,
// and that a bad address or key is refused with the row left as it was.

#include "Datenbank.h"
#include "NotizenBefehl.h"
#include "TestHilfe.h"

#include <QTextStream>
#include <gtest/gtest.h>

namespace pinwick {
namespace {

// A public key as `minisign -G` writes it (the base64 line of a .pub file).
const char* const Schluessel = "RWTzoRtuAA3KRvRuUGBRAO040o0mNefWXDUe7qY5fK1rJ+J2Oiky42lK";

struct EmpfangsFall {
    const char* name;
    QStringList argumente;
    int status;
    const char* meldung; // part of stderr
    // The row afterwards: broadcastStatus, broadcastPfad, broadcastSchluessel.
    const char* zeile;
};
void PrintTo(const EmpfangsFall& f, std::ostream* os) { *os << f.name; }

class Empfangen : public ::testing::TestWithParam<EmpfangsFall> {
protected:
    QString zeile() {
        Datenbank db(u.p.datenbankDatei);
        auto rs = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
        rs->MoveFirst();
        const bool hatSchluessel = rs->Spalte(u"broadcastSchluessel") >= 0;
        return QStringLiteral("%1|%2|%3")
            .arg(rs->Feld(u"broadcastStatus").alsDouble() != 0 ? 1 : 0)
            .arg(rs->Feld(u"broadcastPfad").alsText(),
                 hatSchluessel ? rs->Feld(u"broadcastSchluessel").alsText() : QStringLiteral("-"));
    }
    test::TestUmgebung u;
};

TEST_P(Empfangen, Regel) {
    const EmpfangsFall& f = GetParam();
    // Starts from a receiver of a share, as an older version left it.
    {
        Datenbank db(u.p.datenbankDatei);
        db.Ausfuehren(QStringLiteral(
            "UPDATE Einstellungen SET broadcastStatus = -1, broadcastPfad = '/mnt/share/pw.kav'"));
    }
    QString aus, fehler;
    QTextStream a(&aus), e(&fehler);
    NotizenUmgebung umgebung;
    umgebung.eigeneDatei = u.p.datenbankDatei;
    umgebung.warteMs = 300;
    umgebung.aus = &a;
    umgebung.fehler = &e;
    QStringList argumente = f.argumente;
    argumente.replaceInStrings(QStringLiteral("KEY"), QLatin1String(Schluessel));
    EXPECT_EQ(NotizenProgramm(argumente, umgebung), f.status);
    e.flush();
    EXPECT_TRUE(fehler.contains(QLatin1String(f.meldung))) << fehler.toStdString();
    QString erwartet = QString::fromUtf8(f.zeile);
    erwartet.replace(QStringLiteral("KEY"), QLatin1String(Schluessel));
    EXPECT_EQ(zeile(), erwartet);
}

INSTANTIATE_TEST_SUITE_P(
    Befehl, Empfangen,
    ::testing::Values(
        EmpfangsFall{"an",
                     {"receive", "https://notes.example/office/", "--key", "KEY"},
                     0,
                     "",
                     "1|https://notes.example/office/|KEY"},
        EmpfangsFall{"klartext_http",
                     {"receive", "http://intranet/pinwick/broadcast.json", "--key", "KEY"},
                     0,
                     "",
                     "1|http://intranet/pinwick/broadcast.json|KEY"},
        EmpfangsFall{"pub_datei_zwei_zeilen",
                     {"receive", "https://n.example/", "--key",
                      "untrusted comment: minisign public key F3A11B6E000DCA46\nKEY"},
                     0,
                     "",
                     "1|https://n.example/|KEY"},
        EmpfangsFall{"aus", {"receive", "--off"}, 0, "", "0|/mnt/share/pw.kav|"},
        EmpfangsFall{"ftp",
                     {"receive", "ftp://server/pw.kav", "--key", "KEY"},
                     2,
                     "not an http:// or https:// address",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"pfad_statt_adresse",
                     {"receive", "/mnt/share/pw.kav", "--key", "KEY"},
                     2,
                     "not an http:// or https:// address",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"ohne_rechner",
                     {"receive", "https:///x", "--key", "KEY"},
                     2,
                     "not an http:// or https:// address",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"mit_passwort",
                     {"receive", "https://admin:pw@n.example/", "--key", "KEY"},
                     2,
                     "user name or password",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"falscher_schluessel",
                     {"receive", "https://n.example/", "--key", "RWQnotakey"},
                     2,
                     "not a minisign public key",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"ohne_schluessel",
                     {"receive", "https://n.example/"},
                     2,
                     "--key KEY",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{
            "ohne_adresse", {"receive", "--key", "KEY"}, 2, "one URL", "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"aus_mit_adresse",
                     {"receive", "--off", "https://n.example/"},
                     2,
                     "takes no address",
                     "1|/mnt/share/pw.kav|"},
        EmpfangsFall{"schluessel_bei_list",
                     {"list", "--key", "KEY"},
                     2,
                     "not an option of list",
                     "1|/mnt/share/pw.kav|"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pinwick
