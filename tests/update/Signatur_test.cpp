// The release checks: minisign signatures made by the minisign program itself
// and by keys made in the test, and sums files as sha256sum writes them and
// as a broken or hostile server might.

#include "Signatur.h"
#include "TestHilfe.h"
#include "TestSignatur.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace pinwick;
using pinwick::test::DateiLesen;
using pinwick::test::DateiSchreiben;
using pinwick::test::TestSchluessel;

namespace {

// Runs minisign; its exit code, or -1 when it did not run.
int Minisign(const QStringList& argumente) {
    QProcess p;
    p.start(QStringLiteral("minisign"), argumente);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode();
}

TEST(Signatur, VomMinisignProgrammSigniert) {
    QTemporaryDir ordner;
    const auto pfad = [&](const char* name) { return ordner.filePath(QString::fromLatin1(name)); };
    for (const char* schluessel : {"eins", "zwei"}) {
        const QString name = QString::fromLatin1(schluessel);
        ASSERT_EQ(Minisign({QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-p"),
                            ordner.filePath(name + QStringLiteral(".pub")), QStringLiteral("-s"),
                            ordner.filePath(name + QStringLiteral(".key"))}),
                  0)
            << "minisign is missing (scripts/install-deps.sh installs it)";
    }
    const QByteArray summen = test::SummenZeile(QStringLiteral("Pinwick3.dld"), "ticker");
    DateiSchreiben(pfad("updsums.txt"), summen);
    // minisign 0.11 signs prehashed unless told -l (the older form).
    ASSERT_EQ(Minisign({QStringLiteral("-S"), QStringLiteral("-s"), pfad("eins.key"),
                        QStringLiteral("-m"), pfad("updsums.txt"), QStringLiteral("-x"),
                        pfad("vorgehasht.minisig"), QStringLiteral("-t"),
                        QStringLiteral("release 302")}),
              0);
    ASSERT_EQ(Minisign({QStringLiteral("-S"), QStringLiteral("-l"), QStringLiteral("-s"),
                        pfad("eins.key"), QStringLiteral("-m"), pfad("updsums.txt"),
                        QStringLiteral("-x"), pfad("alt.minisig")}),
              0);
    const QByteArray eins = DateiLesen(pfad("eins.pub"));
    const QByteArray zwei = DateiLesen(pfad("zwei.pub"));
    const QByteArray vorgehasht = DateiLesen(pfad("vorgehasht.minisig"));
    const QByteArray alt = DateiLesen(pfad("alt.minisig"));
    ASSERT_TRUE(SignaturLesen(vorgehasht).has_value());
    EXPECT_TRUE(SignaturLesen(vorgehasht)->vorgehasht);
    EXPECT_FALSE(SignaturLesen(alt)->vorgehasht);
    EXPECT_EQ(SignaturLesen(vorgehasht)->kommentar, QByteArray("release 302"));

    QByteArray kommentarGeaendert = vorgehasht;
    kommentarGeaendert.replace("release 302", "release 399");
    QByteArray nurZeile = eins.split('\n').value(1);

    struct Fall {
        const char* was;
        QByteArray nachricht, signatur, schluessel;
        const char* ergebnis; // empty: genuine
    };
    const Fall faelle[] = {
        {"prehashed, whole .pub file", summen, vorgehasht, eins, ""},
        {"prehashed, the key line alone", summen, vorgehasht, nurZeile, ""},
        {"the older form", summen, alt, eins, ""},
        {"a changed file", summen + "x", vorgehasht, eins, "signature does not match"},
        {"a changed file, older form", "0" + summen.mid(1), alt, eins, "signature does not match"},
        {"another key", summen, vorgehasht, zwei, "signed by another key"},
        {"a changed trusted comment", summen, kommentarGeaendert, eins,
         "trusted comment does not match"},
        {"no signature", summen, QByteArray(), eins, "malformed"},
        {"no key", summen, vorgehasht, QByteArray(), "no key"},
        {"the signature as key", summen, vorgehasht, vorgehasht, "no key"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const QString ergebnis = SignaturPruefen(f.nachricht, f.signatur, f.schluessel);
        if (*f.ergebnis == '\0')
            EXPECT_TRUE(ergebnis.isEmpty()) << ergebnis.toStdString();
        else
            EXPECT_TRUE(ergebnis.startsWith(QString::fromLatin1(f.ergebnis)))
                << ergebnis.toStdString();
    }
}

TEST(Signatur, KaputteSignaturdateien) {
    const TestSchluessel s;
    const QByteArray nachricht = "inhalt\n";
    const QByteArray gut = s.Signieren(nachricht);
    const QList<QByteArray> z = gut.split('\n');
    ASSERT_TRUE(SignaturPruefen(nachricht, gut, s.Oeffentlich()).isEmpty());
    ASSERT_TRUE(SignaturPruefen(nachricht, s.Signieren(nachricht, false), s.Oeffentlich()).isEmpty());
    const auto zeilen = [&](QList<QByteArray> l) { return l.join('\n'); };
    QByteArray fremderAlgorithmus = QByteArray::fromBase64(z[1]);
    fremderAlgorithmus[1] = 'X';
    QByteArray kurz = QByteArray::fromBase64(z[1]);
    kurz.chop(1);
    const QByteArray faelle[] = {
        QByteArray(),
        z[0],
        zeilen({z[0], z[1], z[2]}),
        zeilen({z[1], z[1], z[2], z[3]}),                           // no untrusted comment
        zeilen({z[0], z[1], "comment: x", z[3]}),                   // no trusted comment
        zeilen({z[0], z[1] + "=", z[2], z[3]}),                     // stray padding
        zeilen({z[0], z[1].left(20) + "*" + z[1].mid(21), z[2], z[3]}), // not base64
        zeilen({z[0], fremderAlgorithmus.toBase64(), z[2], z[3]}),
        zeilen({z[0], kurz.toBase64(), z[2], z[3]}),
        zeilen({z[0], z[1], z[2], z[3].left(40)}),
        zeilen({z[0], z[1], z[2], z[3], "mehr"}),
        gut + QByteArray(SignaturHoechstens, '\n'),
    };
    for (const QByteArray& f : faelle) {
        SCOPED_TRACE(f.left(200).toStdString());
        QString grund;
        EXPECT_FALSE(SignaturLesen(f, &grund).has_value());
        EXPECT_FALSE(grund.isEmpty());
        EXPECT_FALSE(SignaturPruefen(nachricht, f, s.Oeffentlich()).isEmpty());
    }
    // Line ends in CR LF, as an FTP transfer in ASCII mode would leave them.
    QByteArray crlf = gut;
    crlf.replace("\n", "\r\n");
    EXPECT_TRUE(SignaturPruefen(nachricht, crlf, s.Oeffentlich()).isEmpty());
}

TEST(Summen, WieSha256sumSieSchreibt) {
    const QByteArray h(64, 'a');
    const QByteArray H(64, 'F');
    struct Fall {
        const char* was;
        QByteArray text;
        std::optional<QStringList> namen; // nullopt: refused
    };
    const Fall faelle[] = {
        {"two lines", h + "  updlist.txt\n" + h + "  Pinwick3.dld\n",
         QStringList{"Pinwick3.dld", "updlist.txt"}},
        {"CR LF and no last line end", h + "  a.txt\r\n" + H + "  b.txt",
         QStringList{"a.txt", "b.txt"}},
        {"binary mode", h + " *a.txt\n", QStringList{"a.txt"}},
        {"a blank in a name", h + "  mein text.txt\n", QStringList{"mein text.txt"}},
        {"one blank", h + " a.txt\n", std::nullopt},
        {"63 digits", h.left(63) + "  a.txt\n", std::nullopt},
        {"not hex", h.left(63) + "g  a.txt\n", std::nullopt},
        {"an escaped name", "\\" + h + "  a\\\\b\n", std::nullopt},
        {"a folder", h + "  bin/a\n", std::nullopt},
        {"a way out", h + "  ..\n", std::nullopt},
        {"no name", h + "  \n", std::nullopt},
        {"twice", h + "  a.txt\n" + H + "  a.txt\n", std::nullopt},
        {"twice but for case", h + "  a.txt\n" + H + "  A.TXT\n", std::nullopt},
        {"a blank line between", h + "  a.txt\n\n" + H + "  b.txt\n", std::nullopt},
        {"empty", "", std::nullopt},
        {"too long", QByteArray(SummenHoechstens + 1, 'a'), std::nullopt},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        QString grund;
        const auto summen = SummenLesen(f.text, &grund);
        ASSERT_EQ(summen.has_value(), f.namen.has_value()) << grund.toStdString();
        if (!summen) {
            EXPECT_FALSE(grund.isEmpty());
            continue;
        }
        EXPECT_EQ(summen->keys(), *f.namen);
        for (const QByteArray& hash : summen->values())
            EXPECT_EQ(hash.size(), 32);
    }
    // The sums are the files' real SHA-256.
    const QByteArray inhalt = "der ticker";
    QTemporaryDir ordner;
    DateiSchreiben(ordner.filePath(QStringLiteral("t")), inhalt);
    const auto summen = SummenLesen(test::SummenZeile(QStringLiteral("t"), inhalt));
    ASSERT_TRUE(summen);
    EXPECT_EQ(summen->value(QStringLiteral("t")), DateiSha256(ordner.filePath(QStringLiteral("t"))));
    EXPECT_EQ(Sha256(inhalt), QCryptographicHash::hash(inhalt, QCryptographicHash::Sha256));
    EXPECT_TRUE(DateiSha256(ordner.filePath(QStringLiteral("fehlt"))).isEmpty());
}

} // namespace
