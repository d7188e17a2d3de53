// The CSV reader and writer: RFC 4180 records, the refusals with their line,
// and random fields written and read back unchanged.

#include "Csv.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <random>

namespace pinwick {
namespace {

// Records as "field|field" joined by " / ", for compact expectations.
QString kurz(const std::vector<QStringList>& saetze) {
    QStringList teile;
    for (const QStringList& s : saetze)
        teile << s.join(QLatin1Char('|'));
    return teile.join(QStringLiteral(" / "));
}

TEST(Csv, ReadsRecordsAndRefusesWhatIsNotCsv) {
    struct Fall {
        QByteArray eingabe;
        const char* erwartet; // records, or "error: " and part of the message
    };
    // clang-format off
    const Fall faelle[] = {
        {"", ""},
        {"a,b\r\nc,d\r\n", "a|b / c|d"},
        {"a,b\nc,d", "a|b / c|d"},
        {"a,b\rc,d\r", "a|b / c|d"},
        {"\xEF\xBB\xBF" "a,b\r\n", "a|b"},
        {"a,,\r\n", "a||"},
        {",\r\n", "|"},
        {"\"a,b\",\"c\"\"d\"\r\n", "a,b|c\"d"},
        {"\"two\r\nlines\",x\r\n", "two\r\nlines|x"},
        {"\"\"\r\n", ""},
        {" a , b \r\n", " a | b "},
        {"a\r\n\r\nb\r\n", "a /  / b"},
        {"\"unclosed,x\r\n", "error: line 1: a quote opened here is never closed"},
        {"a,b\r\nc\"d\r\n", "error: line 2: a quote inside an unquoted field"},
        {"\"a\"b,c\r\n", "error: line 1: text after a closing quote"},
        {"a\r\n\"x\r\ny\"z\r\n", "error: line 3: text after a closing quote"},
        {"a,\xFF\xFE\r\n", "error: not UTF-8"},
    };
    // clang-format on
    for (const Fall& fall : faelle) {
        const QString erwartet = QString::fromUtf8(fall.erwartet);
        if (erwartet.startsWith(QStringLiteral("error: "))) {
            try {
                CsvLesen(fall.eingabe);
                ADD_FAILURE() << "read: " << fall.eingabe.constData();
            } catch (const EingabeFehler& f) {
                EXPECT_TRUE(QString::fromUtf8(f.what()).contains(erwartet.mid(7)))
                    << fall.eingabe.constData() << ": " << f.what();
            }
        } else {
            EXPECT_EQ(kurz(CsvLesen(fall.eingabe)), erwartet) << fall.eingabe.constData();
        }
    }
}

TEST(Csv, RandomFieldsAreWrittenAndReadBackUnchanged) {
    std::mt19937 zufall(4180);
    const QString zeichen = QStringLiteral("ab ,\"\r\n;\tä€\U0001F600x");
    std::vector<QStringList> saetze;
    QByteArray datei;
    for (int i = 0; i < 500; ++i) {
        QStringList satz;
        const int felder = std::uniform_int_distribution<int>(1, 8)(zufall);
        for (int f = 0; f < felder; ++f) {
            QString feld;
            for (int n = std::uniform_int_distribution<int>(0, 6)(zufall); n > 0; --n) {
                const int k =
                    std::uniform_int_distribution<int>(0, int(zeichen.size()) - 1)(zufall);
                // Keep surrogate pairs whole.
                if (zeichen[k].isLowSurrogate())
                    feld += zeichen.mid(k - 1, 2);
                else if (zeichen[k].isHighSurrogate())
                    feld += zeichen.mid(k, 2);
                else
                    feld += zeichen[k];
            }
            satz << feld;
        }
        // A record of one empty field is an empty line, which reads as
        // such; the notes reader skips it.
        saetze.push_back(satz);
        datei += CsvZeile(satz);
    }
    const std::vector<QStringList> gelesen = CsvLesen(datei);
    ASSERT_EQ(gelesen.size(), saetze.size());
    for (size_t i = 0; i < saetze.size(); ++i)
        EXPECT_EQ(gelesen[i], saetze[i]) << i;
}

TEST(Csv, NotesReadByTheirHeaderInAnyColumnOrder) {
    const QByteArray datei = "days,TEXT,rhythm\r\n"
                             "\"mon,fri\",Backup,weekly\r\n"
                             "\r\n"
                             "24.12,Xmas,yearly\r\n"
                             "15,\"Pay, day\",monthly,extra\r\n"
                             "mon,Daily?,daily\r\n";
    const std::vector<CsvNotiz> notizen = CsvNotizenLesen(datei);
    ASSERT_EQ(notizen.size(), 4u);
    EXPECT_EQ(notizen[0].text, QStringLiteral("Backup"));
    EXPECT_EQ(notizen[0].wahl.rhythmus, RhythmusWoechentlich);
    EXPECT_EQ(WochentageText(notizen[0].wahl.tage), QStringLiteral("mon,fri"));
    EXPECT_TRUE(notizen[0].fehler.isEmpty());
    EXPECT_EQ(notizen[1].zeile, 4);
    EXPECT_EQ(JahrestageText(notizen[1].wahl.jahrestage), QStringLiteral("24.12"));
    EXPECT_EQ(notizen[2].fehler, QStringLiteral("4 fields where the header has 3"));
    EXPECT_EQ(notizen[3].fehler, QStringLiteral("a daily note has no days"));
    for (const QByteArray& kopf : {QByteArray("text,when\r\n"), QByteArray("text,text,rhythm\r\n"),
                                   QByteArray("from,to\r\n"), QByteArray()})
        EXPECT_THROW(CsvNotizenLesen(kopf), EingabeFehler) << kopf.constData();
}

} // namespace
} // namespace pinwick
