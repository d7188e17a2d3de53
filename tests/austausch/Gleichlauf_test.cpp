// The note editor and pinwick-notes store the same row for the same
// choices: many random choices are made once in the editor's window and
// once through pinwick-notes (as options of add, and as lines of a CSV
// import), and the rows are compared column by column.

#include "../notes/EditorKind.h"
#include "Csv.h"
#include "Datenbank.h"
#include "Hilfen.h"
#include "Notizen.h"
#include "NotizenBefehl.h"
#include "Panel3D.h"
#include "TestHilfe.h"
#include "ZufallsWahl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace pinwick {
namespace {

const QDateTime jetzt(QDate(2026, 12, 9), QTime(10, 0));
const char* const kurz[7] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

// The choices as a person makes them in the window.
void imEditorWaehlen(Notizen& f, const QString& text, const Zeitplanwahl& w) {
    test::Kind<NotizFeld>(f, QStringLiteral("Notiz"))->setPlainText(text);
    if (w.rhythmus == RhythmusPermanent)
        return;
    test::Kind<QRadioButton>(f, QStringLiteral("ZeitArtOpt2"))->click();
    test::Kind<QRadioButton>(f, test::Nummer("RhythmusOpt", w.rhythmus))->click();
    if (w.von || w.bis) {
        test::Kind<QRadioButton>(f, QStringLiteral("UhrArtOpt2"))->click();
        test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit1"))->setText(UhrzeitAusgabe(w.von));
        f.UhrzeitBoxPruefen(1);
        test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit2"))->setText(UhrzeitAusgabe(w.bis));
        f.UhrzeitBoxPruefen(2);
    }
    const QString start = w.start.isValid() ? DatumText(w.start) : QString();
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        for (int i = 1; i <= 7; ++i)
            test::Kind<QCheckBox>(f, test::Nummer("WoTagChe", i))
                ->setChecked(w.tage[size_t(i - 1)]);
        test::Kind<QLineEdit>(f, QStringLiteral("DauerWoc"))->setText(QString::number(w.wochen));
        if (!start.isEmpty())
            test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumWoc"))->setText(start);
        break;
    case RhythmusMonatlich:
        if (w.amWochentag) {
            test::Kind<QRadioButton>(f, test::Nummer("MoPosOpt", w.position))->click();
            test::Kind<QComboBox>(f, QStringLiteral("WoTagCom"))->setCurrentIndex(w.wochentag);
        } else {
            test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText(w.monatsTag);
            test::Kind<QRadioButton>(f, QStringLiteral("MonArtOpt1"))->click();
        }
        test::Kind<QLineEdit>(f, QStringLiteral("VorherMon"))->setText(QString::number(w.vorher));
        if (!start.isEmpty())
            test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumMon"))->setText(start);
        break;
    case RhythmusJaehrlich:
        for (int i = 1; i <= 4; ++i) {
            const bool da = size_t(i) <= w.jahrestage.size();
            test::Kind<QLineEdit>(f, test::Nummer("TagZahlJahr", i))
                ->setText(da ? QString::number(w.jahrestage[size_t(i - 1)].tag) : QString());
            test::Kind<QComboBox>(f, test::Nummer("MonatJah", i))
                ->setCurrentIndex(da ? w.jahrestage[size_t(i - 1)].monat - 1 : -1);
        }
        test::Kind<QLineEdit>(f, QStringLiteral("VorherJah"))->setText(QString::number(w.vorher));
        if (!start.isEmpty())
            test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumJah"))->setText(start);
        break;
    default:
        break;
    }
}

// The same choices as options of pinwick-notes add.
QStringList alsOptionen(const QString& text, const Zeitplanwahl& w) {
    QStringList a{QStringLiteral("add"), text};
    switch (w.rhythmus) {
    case RhythmusTaeglich:
        a << QStringLiteral("--daily");
        break;
    case RhythmusWoechentlich: {
        QStringList tage;
        for (size_t i = 0; i < 7; ++i)
            if (w.tage[i])
                tage << QLatin1String(kurz[i]);
        a << QStringLiteral("--weekly") << tage.join(QLatin1Char(','));
        if (w.wochen)
            a << QStringLiteral("--weeks") << QString::number(w.wochen);
        break;
    }
    case RhythmusMonatlich:
        a << QStringLiteral("--monthly") << MonatsTagText(w);
        break;
    case RhythmusJaehrlich:
        a << QStringLiteral("--yearly") << JahrestageText(w.jahrestage);
        break;
    default:
        break;
    }
    if (w.von)
        a << QStringLiteral("--from") << UhrzeitAusgabe(w.von);
    if (w.bis)
        a << QStringLiteral("--to") << UhrzeitAusgabe(w.bis);
    if (w.start.isValid())
        a << QStringLiteral("--start") << w.start.toString(QStringLiteral("dd.MM.yyyy"));
    if (w.vorher)
        a << QStringLiteral("--before") << QString::number(w.vorher);
    return a;
}

// ... and as a line of a CSV file.
QByteArray alsCsvZeile(const QString& text, const Zeitplanwahl& w) {
    QString tage;
    if (w.rhythmus == RhythmusWoechentlich)
        tage = WochentageText(w.tage);
    else if (w.rhythmus == RhythmusMonatlich)
        tage = MonatsTagText(w);
    else if (w.rhythmus == RhythmusJaehrlich)
        tage = JahrestageText(w.jahrestage);
    return CsvZeile({text, RhythmusText(w.rhythmus), UhrzeitAusgabe(w.von), UhrzeitAusgabe(w.bis),
                     w.start.isValid() ? DatumAusgabe(w.start) : QString(),
                     w.wochen ? QString::number(w.wochen) : QString(), tage,
                     w.vorher ? QString::number(w.vorher) : QString()});
}

QStringList zeilen(const QString& pfad) {
    Datenbank db(pfad);
    auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
    QStringList ergebnis;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        QStringList felder;
        // Every column but the ID, with its stored type: 0 and 0.0 differ.
        for (const char* name : {"inhalt", "Rhythmus", "UhrVon", "UhrBis", "StartDatum", "Dauer",
                                 "Vorher", "RhyDetails"}) {
            const QVariant v = rs->Feld(QString::fromLatin1(name)).roh();
            felder << (v.isNull()
                           ? QStringLiteral("Null")
                           : QString::fromLatin1(v.typeName()) + QLatin1Char(':') + v.toString());
        }
        ergebnis << felder.join(QLatin1Char('|'));
    }
    return ergebnis;
}

TEST(Gleichlauf, EditorAndPinwickNotesStoreTheSameRowForRandomChoices) {
    test::TestUmgebung u;
    u.p.Sprache = 1;
    u.p.uhr.Stellen(jetzt);
    std::mt19937 zufall(20261209);
    constexpr int anzahl = 150;
    constexpr int alsOptionenAnzahl = 8; // each add opens the file: kept few
    std::vector<Zeitplanwahl> wahlen;
    QByteArray csv = CsvZeile(CsvKopf);
    std::vector<QStringList> adds;
    for (int i = 0; i < anzahl; ++i) {
        const Zeitplanwahl w = test::ZufallsWahl(zufall);
        const QString text = QStringLiteral("Note %1, \"choice\" %2").arg(i).arg(w.rhythmus);
        wahlen.push_back(w);
        auto f = std::make_unique<Notizen>(u.p, NotizModus::Neu);
        f->frage = [](QMessageBox::Icon, const QString&, QMessageBox::StandardButtons) {
            return QMessageBox::Yes;
        };
        f->piepen = [] {};
        imEditorWaehlen(*f, text, w);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted)
            << i << ": " << alsOptionen(text, w).join(' ').toStdString() << " -> "
            << test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text().toStdString();
        csv += alsCsvZeile(text, w);
        if (i < alsOptionenAnzahl)
            adds.push_back(alsOptionen(text, w));
    }

    QString aus, fehler;
    QTextStream ausStrom(&aus), fehlerStrom(&fehler);
    NotizenUmgebung umgebung{jetzt, QString(), 5000, &ausStrom, &fehlerStrom};
    const QString ausCsv = u.NeueDatenbank(QStringLiteral("csv.kav"));
    const QString ausAdd = u.NeueDatenbank(QStringLiteral("add.kav"));
    {
        QFile f(u.Pfad(QStringLiteral("wahlen.csv")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(csv);
    }
    EXPECT_EQ(NotizenProgramm({QStringLiteral("--file"), ausCsv, QStringLiteral("import"),
                               u.Pfad(QStringLiteral("wahlen.csv"))},
                              umgebung),
              StatusOk)
        << fehler.toStdString();
    for (const QStringList& a : adds)
        EXPECT_EQ(NotizenProgramm(QStringList{QStringLiteral("--file"), ausAdd} + a, umgebung),
                  StatusOk)
            << a.join(' ').toStdString() << ": " << fehler.toStdString();

    const QStringList editor = zeilen(u.p.datenbankDatei);
    const QStringList ueberCsv = zeilen(ausCsv);
    const QStringList ueberAdd = zeilen(ausAdd);
    ASSERT_EQ(editor.size(), anzahl);
    ASSERT_EQ(ueberCsv.size(), anzahl);
    ASSERT_EQ(ueberAdd.size(), alsOptionenAnzahl);
    for (int i = 0; i < anzahl; ++i) {
        EXPECT_EQ(ueberCsv[i], editor[i])
            << i << ": " << alsOptionen(QString(), wahlen[size_t(i)]).join(' ').toStdString();
        if (i < alsOptionenAnzahl) {
            EXPECT_EQ(ueberAdd[i], editor[i]) << i;
        }
    }
}

} // namespace
} // namespace pinwick
