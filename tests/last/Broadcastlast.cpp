#include "Broadcastlast.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <thread>

namespace pinwick::last {

void SchlafenBis(qint64 ms) {
    const qint64 rest = ms - JetztMs();
    if (rest > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(rest));
}

double MsSeit(std::chrono::steady_clock::time_point anfang) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - anfang)
        .count();
}

Notiz ImmerFaellig(int variante, const QString& text) {
    Notiz n;
    n.inhalt = text;
    n.StartDatum = 36526; // 1 January 2000
    switch (variante % 5) {
    case 0:
        n.Rhythmus = RhythmusPermanent;
        break;
    case 1:
        n.Rhythmus = RhythmusTaeglich;
        break;
    case 2:
        n.Rhythmus = RhythmusWoechentlich;
        n.SetzeWochentage({true, true, true, true, true, true, true});
        break;
    case 3:
        n.Rhythmus = RhythmusMonatlich;
        n.RhyDetails = QStringLiteral("131");
        n.Vorher = 31;
        break;
    default:
        // The last day of every month with a month of advance notice.
        n.Rhythmus = RhythmusJaehrlich;
        n.RhyDetails = QStringLiteral("310129023103300431053006310731083009311030113112");
        n.Vorher = 31;
        break;
    }
    return n;
}

QString TabellenText(Datensatzmenge& rs) {
    QString text;
    if (rs.RecordCount() == 0)
        return text;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        text += rs.Feld(u"inhalt").alsText() + QStringLiteral(" \u00B7 ");
    return text;
}

QString Fingerabdruck(const QString& sicht) {
    return QString::fromLatin1(
        QCryptographicHash::hash(sicht.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

void SchreibeDatei(const QString& pfad, const QStringList& zeilen) {
    QFile datei(pfad + QStringLiteral(".neu"));
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pfad));
        std::exit(2);
    }
    datei.write(zeilen.join(QLatin1Char('\n')).toUtf8() + '\n');
    datei.close();
    QFile::remove(pfad);
    QFile::rename(pfad + QStringLiteral(".neu"), pfad);
}

QStringList LeseDatei(const QString& pfad) {
    QFile datei(pfad);
    if (!datei.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(datei.readAll()).split(QLatin1Char('\n'));
}

QString BroadcastDateiAnlegen(QString& ordner, const QTemporaryDir& temp, int anzahl,
                              const std::function<Notiz(int)>& notiz) {
    if (ordner.isEmpty())
        ordner = temp.path();
    else
        QDir().mkpath(ordner);
    const QDir dir(ordner);
    const QString datei = dir.filePath(QStringLiteral("pw.kav"));
    for (const QString& alt : dir.entryList(QDir::Files))
        QFile::remove(dir.filePath(alt));
    VorlageErzeugen(datei);
    Datenbank db(datei);
    db.Ausfuehren(QStringLiteral("BEGIN"));
    auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
    for (int i = 0; i < anzahl; ++i) {
        rs->AddNew();
        NotizSchreiben(*rs, notiz(i));
        rs->Update();
    }
    db.Ausfuehren(QStringLiteral("COMMIT"));
    return datei;
}

void EmpfaengerEinrichten(Programm& p, const QDir& ordner, int nr) {
    const QString eigenerOrdner = ordner.filePath(QStringLiteral("e%1").arg(nr));
    QDir().mkpath(eigenerOrdner);
    p.arbeitsOrdner = QDir(eigenerOrdner);
    p.tonAn = false;
    p.Sprache = 1;
    p.broadcastStatus = true;
    p.broadcastPfad = ordner.filePath(QStringLiteral("pw.kav"));
}

bool KinderAbwarten(const std::vector<pid_t>& kinder) {
    bool gut = true;
    for (pid_t kind : kinder) {
        const int code = Abwarten(kind);
        if (code != 0) {
            std::printf("a child process ended with %d\n", code);
            gut = false;
        }
    }
    return gut;
}

} // namespace pinwick::last
