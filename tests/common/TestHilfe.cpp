#include "TestHilfe.h"

#include "Speicher.h"

#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

namespace pinwick::test {

TestUmgebung::TestUmgebung() {
    p.arbeitsOrdner = QDir(ordner.path());
    p.datenOrdner = ordner.path() + QLatin1Char('/');
    p.datenbankDatei = Pfad(QStringLiteral("pw.kav"));
    VorlageErzeugen(p.datenbankDatei);
    LokalOeffnen(p);
}

QString TestUmgebung::NeueDatenbank(const QString& name) const {
    const QString pfad = Pfad(name);
    VorlageErzeugen(pfad);
    return pfad;
}

qint64 NotizEinfuegen(Datensatzmenge& notizen, const NotizZeile& z) {
    notizen.AddNew();
    notizen.Setze(u"inhalt", Wert(z.inhalt));
    notizen.Setze(u"Rhythmus", Wert(z.rhythmus));
    notizen.Setze(u"UhrVon", Wert(z.uhrVon));
    notizen.Setze(u"UhrBis", Wert(z.uhrBis));
    notizen.Setze(u"StartDatum", Wert(z.startDatum));
    notizen.Setze(u"Vorher", Wert(z.vorher));
    notizen.Setze(u"RhyDetails", Wert(z.rhyDetails));
    notizen.Setze(u"Dauer", Wert(z.dauer));
    notizen.Update();
    // The new row is appended; it is the last one.
    const int n = notizen.RecordCount();
    notizen.MoveFirst();
    for (int i = 1; i < n; ++i)
        notizen.MoveNext();
    return notizen.Feld(u"ID").alsInt32();
}

qint64 EigeneNotiz(Programm& p, const QString& inhalt) {
    NotizZeile z;
    z.inhalt = inhalt;
    z.rhythmus = 0;
    return NotizEinfuegen(*p.lokaleNotizen, z);
}

void LangeNotizen(Programm& p, int anzahl) {
    for (int i = 1; i <= anzahl; ++i)
        EigeneNotiz(p, QStringLiteral("Eine recht lange Notiz mit der Nummer %1").arg(i));
}

QByteArray DateiLesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void DateiSchreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

QStringList DateienUnter(const QString& ordner) {
    QStringList dateien;
    QDirIterator it(ordner, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        dateien << QDir(ordner).relativeFilePath(it.next());
    return dateien;
}

QMap<QString, QByteArray> DateiAbbild(const QString& ordner) {
    QMap<QString, QByteArray> bild;
    for (const QString& datei : DateienUnter(ordner))
        bild.insert(datei, DateiLesen(QDir(ordner).filePath(datei)));
    return bild;
}

void LeisteEinstellen(Programm& p) {
    p.Sprache = 1;
    p.SchriftName = QStringLiteral("DejaVu Sans");
    p.SchriftGroesse = 10;
    p.zeigDatum = true;
    p.zeigRahmen = true;
    p.eigeneErlauben = true;
}

} // namespace pinwick::test
