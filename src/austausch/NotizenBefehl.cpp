#include "NotizenBefehl.h"

#include "BefehlsHilfen.h"
#include "Csv.h"
#include "Datenbank.h"
#include "FeedBefehl.h"
#include "Hilfen.h"
#include "Kalender.h"
#include "SendeBefehl.h"
#include "Signatur.h"
#include "WebAdresse.h"
#include "Zeitplan.h"
#include "Zeitplanwahl.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <functional>

#include <cmath>
#include <memory>
#include <set>

namespace pinwick {

namespace {

[[noreturn]] void aufruf(const QString& text) {
    BefehlAufruf(text);
}
[[noreturn]] void scheitern(const QString& text) {
    BefehlScheitern(text);
}

enum class Format { Ics, Csv };

std::optional<Format> formatAusEndung(const QString& pfad) {
    const QString endung = QFileInfo(pfad).suffix().toLower();
    if (endung == QLatin1String("ics") || endung == QLatin1String("ical") ||
        endung == QLatin1String("ifb") || endung == QLatin1String("icalendar"))
        return Format::Ics;
    if (endung == QLatin1String("csv"))
        return Format::Csv;
    return std::nullopt;
}

// Adds the notes in one transaction and gives their new IDs.
std::vector<qint64> hinzufuegen(Notizdatei& datei, const std::vector<Notiz>& notizen,
                                const QString& pfad) {
    Datensatzmenge& rs = datei.Schreiben();
    std::vector<qint64> ids;
    try {
        for (const Notiz& n : notizen) {
            rs.AddNew();
            NotizSchreiben(rs, n);
            rs.Update();
        }
        // Added rows are appended: the last ones are the new notes.
        std::vector<qint64> alle;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            alle.push_back(rs.Bookmark());
        ids.assign(alle.end() - qsizetype(notizen.size()), alle.end());
    } catch (const BesetztFehler&) {
        scheitern(QStringLiteral("%1 is locked by another program").arg(pfad));
    } catch (const std::exception& f) {
        scheitern(QStringLiteral("%1: the notes were not stored (%2)")
                      .arg(pfad, QString::fromStdString(f.what())));
    }
    datei.Festschreiben();
    return ids;
}

struct Befehl {
    QCommandLineParser parser;
    QCommandLineOption datei{QStringLiteral("file"),
                             QStringLiteral("The notes file (default: the ticker's own)."),
                             QStringLiteral("PATH")};
    QCommandLineOption faellig{QStringLiteral("due"), QStringLiteral("list: only notes due now.")};
    QCommandLineOption taeglich{QStringLiteral("daily"), QStringLiteral("add: every day.")};
    QCommandLineOption woechentlich{QStringLiteral("weekly"),
                                    QStringLiteral("add: on these weekdays (mon,fri)."),
                                    QStringLiteral("DAYS")};
    QCommandLineOption wochen{QStringLiteral("weeks"),
                              QStringLiteral("add --weekly: for N weeks (0: no end)."),
                              QStringLiteral("N")};
    QCommandLineOption monatlich{QStringLiteral("monthly"),
                                 QStringLiteral("add: on this day (15, last-fri, 2nd-mon)."),
                                 QStringLiteral("DAY")};
    QCommandLineOption jaehrlich{QStringLiteral("yearly"),
                                 QStringLiteral("add: on up to four days (24.12,31.12)."),
                                 QStringLiteral("DAYS")};
    QCommandLineOption von{QStringLiteral("from"), QStringLiteral("add: shown from HH:MM."),
                           QStringLiteral("HH:MM")};
    QCommandLineOption bis{QStringLiteral("to"),
                           QStringLiteral("add: shown till HH:MM. publish: the FOLDER a web "
                                          "server serves."),
                           QStringLiteral("HH:MM|FOLDER")};
    QCommandLineOption start{QStringLiteral("start"),
                             QStringLiteral("add: first day (YYYY-MM-DD or DD.MM.YYYY)."),
                             QStringLiteral("DATE")};
    QCommandLineOption vorher{QStringLiteral("before"),
                              QStringLiteral("add --monthly/--yearly: shown N days earlier."),
                              QStringLiteral("N")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("export: ics or csv (default: by OUT's ending, "
                                             "else ics)."),
                              QStringLiteral("FORMAT")};
    QCommandLineOption titel{QStringLiteral("title"),
                             QStringLiteral("feed add: the title shown (default: the feed's)."),
                             QStringLiteral("T")};
    QCommandLineOption anzahl{QStringLiteral("items"),
                              QStringLiteral("feed add: newest items shown (1-20, default 3)."),
                              QStringLiteral("N")};
    QCommandLineOption farbe{QStringLiteral("colour"),
                             QStringLiteral("feed add: the items' colour as #RRGGBB."),
                             QStringLiteral("C")};
    QCommandLineOption geheim{QStringLiteral("secret-key"),
                              QStringLiteral("publish: the minisign secret key (minisign -G)."),
                              QStringLiteral("FILE")};
    QCommandLineOption ablauf{QStringLiteral("expires"),
                              QStringLiteral("publish: the snapshot expires after DAYS (default 7)."),
                              QStringLiteral("DAYS")};
    QCommandLineOption passwortDatei{
        QStringLiteral("password-file"),
        QStringLiteral("publish: the encrypted key's password, on the first line of FILE "
                       "(else from PINWICK_BROADCAST_PASSWORD)."),
        QStringLiteral("FILE")};
    QCommandLineOption beobachten{QStringLiteral("watch"),
                                  QStringLiteral("publish: keep running and publish again after "
                                                 "every change (ends on SIGTERM).")};
    QCommandLineOption schluessel{QStringLiteral("key"),
                                  QStringLiteral("receive: the broadcaster's minisign public key "
                                                 "(its line, or its .pub file)."),
                                  QStringLiteral("KEY")};
    QCommandLineOption aus{QStringLiteral("off"), QStringLiteral("receive: stop receiving.")};
    QCommandLineOption hilfe{{QStringLiteral("h"), QStringLiteral("help")},
                             QStringLiteral("Show this help.")};

    Befehl() {
        parser.setApplicationDescription(QStringLiteral(
            "Notes for the Pinwick ticker from scripts and calendars.\n\n"
            "Commands:\n"
            "  list [--due]                      one line per note: ID, schedule, text\n"
            "  add TEXT [schedule]               add a note, print its ID\n"
            "  delete ID...                      delete notes\n"
            "  export [--format ics|csv] [OUT]   write all notes (stdout without OUT)\n"
            "  import FILE                       add the notes of an .ics or .csv file\n"
            "  feed add URL [--title T] [--items N] [--colour C]\n"
            "                                    add a news feed, print its ID\n"
            "  feed list                         one line per feed: ID, on/off, items,\n"
            "                                    colour, title, address\n"
            "  feed remove|on|off ID             remove a feed, switch it on or off\n"
            "  publish --to FOLDER --secret-key FILE [--expires DAYS] [--password-file FILE]\n"
            "          [--watch]                 write the file's notes and settings as a signed\n"
            "                                    snapshot for receivers over HTTPS\n"
            "  receive URL --key KEY             receive the broadcast from a web address\n"
            "  receive --off                     stop receiving"));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions({datei, faellig, taeglich, woechentlich, wochen, monatlich, jaehrlich,
                           von, bis, start, vorher, format, titel, anzahl, farbe, geheim, ablauf,
                           passwortDatei, beobachten, schluessel, aus, hilfe});
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("list, add, delete, export, import, feed, publish or receive"));
    }

    // Options that belong to another command are a usage error, not ignored.
    void nurErlaubt(const QString& befehl, const std::set<QString>& erlaubt) {
        for (const QString& name : parser.optionNames()) {
            if (name == QLatin1String("file") || erlaubt.count(name))
                continue;
            aufruf(QStringLiteral("--%1 is not an option of %2").arg(name, befehl));
        }
    }
};

Zeitplanwahl wahlAusOptionen(Befehl& b) {
    QCommandLineParser& p = b.parser;
    int rhythmen = 0;
    Zeitplanwahl w;
    if (p.isSet(b.taeglich))
        ++rhythmen, w.rhythmus = RhythmusTaeglich;
    if (p.isSet(b.woechentlich)) {
        ++rhythmen, w.rhythmus = RhythmusWoechentlich;
        w.tage = WochentageLesen(p.value(b.woechentlich));
    }
    if (p.isSet(b.monatlich)) {
        ++rhythmen, w.rhythmus = RhythmusMonatlich;
        MonatsTagLesen(p.value(b.monatlich), w);
    }
    if (p.isSet(b.jaehrlich)) {
        ++rhythmen, w.rhythmus = RhythmusJaehrlich;
        w.jahrestage = JahrestageLesen(p.value(b.jaehrlich));
    }
    if (rhythmen > 1)
        aufruf(QStringLiteral("give one of --daily, --weekly, --monthly, --yearly"));
    for (const auto* o : {&b.taeglich, &b.woechentlich, &b.monatlich, &b.jaehrlich, &b.von, &b.bis,
                          &b.start, &b.wochen, &b.vorher})
        EinmaligerWert(p, *o);
    if ((p.isSet(b.von) || p.isSet(b.bis)) && w.rhythmus == RhythmusPermanent)
        aufruf(QStringLiteral("--from and --to need a rhythm (--daily, --weekly, ...)"));
    if (p.isSet(b.von))
        w.von = UhrzeitLesen(p.value(b.von));
    if (p.isSet(b.bis))
        w.bis = UhrzeitLesen(p.value(b.bis));
    if (p.isSet(b.start)) {
        if (w.rhythmus < RhythmusWoechentlich)
            aufruf(QStringLiteral("--start needs --weekly, --monthly or --yearly"));
        w.start = DatumLesen(p.value(b.start));
    }
    if (p.isSet(b.wochen)) {
        if (w.rhythmus != RhythmusWoechentlich)
            aufruf(QStringLiteral("--weeks needs --weekly"));
        w.wochen = ZahlLesen(p.value(b.wochen), "weeks");
    }
    if (p.isSet(b.vorher)) {
        if (w.rhythmus != RhythmusMonatlich && w.rhythmus != RhythmusJaehrlich)
            aufruf(QStringLiteral("--before needs --monthly or --yearly"));
        w.vorher = ZahlLesen(p.value(b.vorher), "days before");
    }
    return w;
}

std::vector<Notiz> alleNotizen(Datensatzmenge& rs, QStringList& unlesbar) {
    std::vector<Notiz> notizen;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        try {
            notizen.push_back(NotizLesen(rs));
        } catch (const std::exception& f) {
            QString id = QStringLiteral("?");
            try {
                id = rs.Feld(u"ID").alsText();
            } catch (...) {
            }
            unlesbar << QStringLiteral("note %1 left out: unreadable (%2)")
                            .arg(id, QString::fromStdString(f.what()));
        }
    }
    return notizen;
}

// One call of the program: its options, its words after the command, the
// notes file and today.
struct Aufruf {
    Befehl& b;
    const QStringList& pos;
    const NotizenUmgebung& u;
    QString pfad;
    QDate heute;
};

int auflisten(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(), {QStringLiteral("due")});
    if (a.pos.size() != 1)
        aufruf(QStringLiteral("list takes no arguments"));
    QTextStream& aus = *a.u.aus;
    Notizdatei datei(a.pfad, a.u.warteMs);
    Datensatzmenge& rs = datei.Lesen();
    const bool nurFaellige = a.b.parser.isSet(a.b.faellig);
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        try {
            const Notiz n = NotizLesen(rs);
            // The ticker's own test: a note it would skip as faulty is not
            // due either.
            if (nurFaellige && n.Rhythmus > 0 && !ZeitTestKern(rs, a.u.jetzt))
                continue;
            aus << n.ID << '\t' << ZeitplanInWorten(n) << '\t' << n.inhalt << '\n';
        } catch (const std::exception&) {
            if (nurFaellige)
                continue;
            QString id, inhalt;
            try {
                id = rs.Feld(u"ID").alsText();
                inhalt = rs.Feld(u"inhalt").istNull() ? QString() : rs.Feld(u"inhalt").alsText();
            } catch (...) {
            }
            aus << id << '\t' << "unreadable schedule" << '\t' << inhalt << '\n';
        }
    }
    return StatusOk;
}

int hinzufuegenBefehl(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(),
                   {QStringLiteral("daily"), QStringLiteral("weekly"), QStringLiteral("weeks"),
                    QStringLiteral("monthly"), QStringLiteral("yearly"), QStringLiteral("from"),
                    QStringLiteral("to"), QStringLiteral("start"), QStringLiteral("before")});
    if (a.pos.size() != 2)
        aufruf(a.pos.size() < 2 ? QStringLiteral("add needs the note's TEXT")
                                : QStringLiteral("add takes one TEXT; quote it"));
    Notiz n;
    try {
        n = NotizAusWahl(a.pos[1], wahlAusOptionen(a.b), a.heute);
    } catch (const EingabeFehler& f) {
        aufruf(QString::fromStdString(f.what()));
    }
    Notizdatei datei(a.pfad, a.u.warteMs);
    for (qint64 id : hinzufuegen(datei, {n}, a.pfad))
        *a.u.aus << id << '\n';
    return StatusOk;
}

int loeschen(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(), {});
    if (a.pos.size() < 2)
        aufruf(QStringLiteral("delete needs at least one ID"));
    std::vector<qint64> ids;
    for (qsizetype i = 1; i < a.pos.size(); ++i) {
        bool ok = false;
        const qint64 id = a.pos[i].toLongLong(&ok);
        if (!ok || id <= 0 || a.pos[i].trimmed() != a.pos[i])
            aufruf(QStringLiteral("\"%1\" is no note ID").arg(a.pos[i]));
        ids.push_back(id);
    }
    Notizdatei datei(a.pfad, a.u.warteMs);
    Datensatzmenge& rs = datei.Schreiben();
    for (qint64 id : ids) {
        try {
            rs.FindLast(QStringLiteral("ID = %1").arg(id));
            if (rs.NoMatch())
                scheitern(QStringLiteral("no note with ID %1; nothing deleted").arg(id));
            rs.Delete();
        } catch (const BesetztFehler&) {
            scheitern(QStringLiteral("%1 is locked by another program").arg(a.pfad));
        } catch (const DatenFehler& f) {
            scheitern(QStringLiteral("%1: nothing deleted (%2)")
                          .arg(a.pfad, QString::fromStdString(f.what())));
        }
    }
    datei.Festschreiben();
    return StatusOk;
}

// The format of an export: --format, else the target's ending, else iCalendar.
Format exportFormat(const Aufruf& a, const QString& ziel) {
    if (a.b.parser.isSet(a.b.format)) {
        const QString f = a.b.parser.value(a.b.format).toLower();
        if (f == QLatin1String("ics"))
            return Format::Ics;
        if (f == QLatin1String("csv"))
            return Format::Csv;
        aufruf(QStringLiteral("--format \"%1\": give ics or csv").arg(f));
    }
    if (ziel.isEmpty())
        return Format::Ics;
    const auto f = formatAusEndung(ziel);
    if (!f)
        aufruf(QStringLiteral("%1: give --format, or end the name in .ics or .csv").arg(ziel));
    return *f;
}

QByteArray csvSchreiben(const std::vector<Notiz>& notizen, QStringList& ausgelassen) {
    QByteArray daten = CsvZeile(CsvKopf);
    for (const Notiz& n : notizen) {
        try {
            daten += CsvNotizZeile(n);
        } catch (const EingabeFehler& f) {
            ausgelassen << QStringLiteral("note %1 left out: %2")
                               .arg(n.ID)
                               .arg(QString::fromStdString(f.what()));
        }
    }
    return daten;
}

int exportieren(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(), {QStringLiteral("format")});
    if (a.pos.size() > 2)
        aufruf(QStringLiteral("export takes at most one OUT file"));
    const QString ziel = a.pos.size() == 2 ? a.pos[1] : QString();
    const Format fmt = exportFormat(a, ziel);
    Notizdatei datei(a.pfad, a.u.warteMs);
    QStringList ausgelassen;
    const std::vector<Notiz> notizen = alleNotizen(datei.Lesen(), ausgelassen);
    const QByteArray daten = fmt == Format::Ics ? KalenderSchreiben(notizen, a.u.jetzt, ausgelassen)
                                                : csvSchreiben(notizen, ausgelassen);
    if (ziel.isEmpty() || ziel == QLatin1String("-")) {
        a.u.aus->flush();
        if (QTextStream* s = a.u.aus; s->device()) {
            s->device()->write(daten);
        } else {
            *s << QString::fromUtf8(daten);
        }
    } else {
        // Written beside the target and renamed: a failed export never
        // leaves half a calendar where a whole one was.
        if (const QString grund = DateiGanzSchreiben(ziel, daten); !grund.isEmpty())
            scheitern(QStringLiteral("%1: cannot be written (%2)").arg(ziel, grund));
    }
    for (const QString& zeile : ausgelassen)
        *a.u.fehler << zeile << '\n';
    return ausgelassen.isEmpty() ? StatusOk : StatusFehler;
}

// The notes a file to import holds; the lines it refuses go to abgelehnt.
std::vector<Notiz> importLesen(const QByteArray& daten, Format fmt, const QDate& heute,
                               QStringList& abgelehnt) {
    if (fmt == Format::Ics) {
        KalenderInhalt k = KalenderLesen(daten, heute);
        abgelehnt = k.abgelehnt;
        return std::move(k.notizen);
    }
    std::vector<Notiz> notizen;
    for (const CsvNotiz& c : CsvNotizenLesen(daten)) {
        try {
            if (!c.fehler.isEmpty())
                throw EingabeFehler(c.fehler.toStdString());
            notizen.push_back(NotizAusWahl(c.text, c.wahl, heute));
        } catch (const EingabeFehler& f) {
            abgelehnt << QStringLiteral("refused line %1: %2")
                             .arg(c.zeile)
                             .arg(QString::fromStdString(f.what()));
        }
    }
    return notizen;
}

int importieren(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(), {});
    if (a.pos.size() != 2)
        aufruf(QStringLiteral("import takes one FILE"));
    const QString quelle = a.pos[1];
    const auto fmt = formatAusEndung(quelle);
    if (!fmt)
        aufruf(QStringLiteral("%1: the name must end in .ics or .csv").arg(quelle));
    const QByteArray daten = EingabeLesen(quelle);
    // The notes file is checked first: an import into a wrong --file fails
    // even when the calendar holds nothing to store.
    Notizdatei datei(a.pfad, a.u.warteMs);
    std::vector<Notiz> notizen;
    QStringList abgelehnt;
    try {
        notizen = importLesen(daten, *fmt, a.heute, abgelehnt);
    } catch (const EingabeFehler& f) {
        scheitern(QStringLiteral("%1: %2").arg(quelle, QString::fromStdString(f.what())));
    }
    if (!notizen.empty()) {
        for (qint64 id : hinzufuegen(datei, notizen, a.pfad))
            *a.u.aus << id << '\n';
    }
    for (const QString& zeile : abgelehnt)
        *a.u.fehler << zeile << '\n';
    return abgelehnt.isEmpty() ? StatusOk : StatusFehler;
}

int feedBefehl(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(),
                   {QStringLiteral("title"), QStringLiteral("items"), QStringLiteral("colour")});
    FeedOptionen o;
    o.titel = EinmaligerWert(a.b.parser, a.b.titel);
    o.anzahl = EinmaligerWert(a.b.parser, a.b.anzahl);
    o.farbe = EinmaligerWert(a.b.parser, a.b.farbe);
    return FeedBefehl(a.pos.mid(1), o, a.pfad, a.u.warteMs, *a.u.aus);
}

int veroeffentlichen(const Aufruf& a) {
    Befehl& b = a.b;
    b.nurErlaubt(a.pos.front(), {QStringLiteral("to"), QStringLiteral("secret-key"),
                                 QStringLiteral("expires"), QStringLiteral("password-file"),
                                 QStringLiteral("watch")});
    if (a.pos.size() != 1)
        aufruf(QStringLiteral("publish takes no arguments; the folder is given with --to"));
    for (const QCommandLineOption* o : {&b.bis, &b.geheim, &b.ablauf, &b.passwortDatei})
        EinmaligerWert(b.parser, *o);
    if (!b.parser.isSet(b.bis) || b.parser.value(b.bis).isEmpty())
        aufruf(QStringLiteral("publish needs --to FOLDER"));
    if (!b.parser.isSet(b.geheim) || b.parser.value(b.geheim).isEmpty())
        aufruf(QStringLiteral("publish needs --secret-key FILE"));
    SendeAuftrag s;
    s.datei = a.pfad;
    s.ordner = b.parser.value(b.bis);
    s.schluesselDatei = b.parser.value(b.geheim);
    s.passwortDatei = b.parser.value(b.passwortDatei);
    s.warteMs = a.u.warteMs;
    s.beobachten = b.parser.isSet(b.beobachten);
    if (b.parser.isSet(b.ablauf)) {
        // Days, with a fraction for a short trial ("0.01" is about a quarter
        // of an hour); at most ten years.
        bool ok = false;
        const double tage = b.parser.value(b.ablauf).toDouble(&ok);
        if (!ok || !(tage > 0) || tage > 3650)
            aufruf(QStringLiteral("--expires \"%1\": give a number of days above 0, at most 3650")
                       .arg(b.parser.value(b.ablauf)));
        s.gueltigSekunden = std::max<int64_t>(1, std::llround(tage * 86400));
    }
    return Senden(s, *a.u.aus, *a.u.fehler);
}

// "receive URL --key KEY" and "receive --off": the broadcast path of the
// own file's settings row; a running bar sees its file change and follows.
int empfangen(const Aufruf& a) {
    a.b.nurErlaubt(a.pos.front(), {QStringLiteral("key"), QStringLiteral("off")});
    const bool aus = a.b.parser.isSet(a.b.aus);
    if (aus && (a.pos.size() != 1 || a.b.parser.isSet(a.b.schluessel)))
        aufruf(QStringLiteral("receive --off takes no address and no --key"));
    QString adresse;
    QByteArray schluessel;
    if (!aus) {
        if (a.pos.size() != 2)
            aufruf(QStringLiteral("receive takes one URL (or --off)"));
        if (!a.b.parser.isSet(a.b.schluessel))
            aufruf(QStringLiteral("receive needs the broadcaster's public key: --key KEY"));
        adresse = a.pos[1].trimmed();
        schluessel = a.b.parser.value(a.b.schluessel).toUtf8().trimmed();
        // A .pub file may be given by its path.
        if (QFileInfo(QString::fromUtf8(schluessel)).isFile())
            schluessel = EingabeLesen(QString::fromUtf8(schluessel)).trimmed();
        if (const QString fehler = WebAdresseFehler(adresse); !fehler.isEmpty())
            aufruf(fehler);
        QString grund;
        if (!SchluesselLesen(schluessel, &grund))
            aufruf(QStringLiteral("the key is not a minisign public key: %1").arg(grund));
        // One line in the settings row: the base64 line of a .pub file.
        const QList<QByteArray> zeilen = schluessel.split('\n');
        schluessel = zeilen.constLast().trimmed();
    }
    Notizdatei datei(a.pfad, a.u.warteMs);
    datei.EinstellungenAendern([&](Datensatzmenge& rs) {
        rs.Setze(u"broadcastStatus", Wert(!aus));
        if (aus)
            return;
        rs.Setze(u"broadcastPfad", Wert(adresse));
        rs.Setze(u"broadcastSchluessel", Wert(QString::fromUtf8(schluessel)));
        // A receiver uses the broadcaster's password, as the settings window
        // makes it when the box is ticked.
        rs.Setze(u"sysopStatus", Wert(true));
    });
    return StatusOk;
}

int ausfuehren(const QStringList& argumente, const NotizenUmgebung& u) {
    Befehl b;
    if (!b.parser.parse(QStringList{QStringLiteral("pinwick-notes")} + argumente))
        aufruf(b.parser.errorText());
    if (b.parser.isSet(b.hilfe)) {
        *u.aus << b.parser.helpText();
        return StatusOk;
    }
    const QStringList pos = b.parser.positionalArguments();
    if (pos.isEmpty())
        aufruf(QStringLiteral("no command; give list, add, delete, export, import, feed, publish "
                              "or receive"));
    const QString befehl = pos.front();
    EinmaligerWert(b.parser, b.datei);
    const QString pfad = b.parser.isSet(b.datei) ? b.parser.value(b.datei) : u.eigeneDatei;
    if (pfad.isEmpty())
        aufruf(QStringLiteral("--file needs a path"));
    const Aufruf a{b, pos, u, pfad, u.jetzt.date()};
    if (befehl == QLatin1String("list"))
        return auflisten(a);
    if (befehl == QLatin1String("add"))
        return hinzufuegenBefehl(a);
    if (befehl == QLatin1String("delete"))
        return loeschen(a);
    if (befehl == QLatin1String("export"))
        return exportieren(a);
    if (befehl == QLatin1String("import"))
        return importieren(a);
    if (befehl == QLatin1String("feed"))
        return feedBefehl(a);
    if (befehl == QLatin1String("publish"))
        return veroeffentlichen(a);
    if (befehl == QLatin1String("receive"))
        return empfangen(a);
    aufruf(QStringLiteral("unknown command \"%1\"; give list, add, delete, export, import, feed, "
                          "publish or receive")
               .arg(befehl));
}

} // namespace

int NotizenProgramm(const QStringList& argumente, const NotizenUmgebung& umgebung) {
    try {
        return ausfuehren(argumente, umgebung);
    } catch (const BefehlsFehler& a) {
        *umgebung.fehler << "pinwick-notes: " << a.text << '\n';
        return a.status;
    } catch (const std::exception& f) {
        *umgebung.fehler << "pinwick-notes: " << f.what() << '\n';
        return StatusFehler;
    }
}

} // namespace pinwick
