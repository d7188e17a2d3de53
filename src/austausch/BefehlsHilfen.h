#pragma once
// What the subcommands of pinwick-notes share: how a failure is told, how
// the notes file is opened and how store errors are put into words, and
// options that may be given once only.

#include "Datenbank.h"

#include <QCommandLineParser>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace pinwick {

// Why a command failed: the exit status (a NotizenStatus) and the one line
// for stderr.
struct BefehlsFehler {
    int status;
    QString text;
};

[[noreturn]] void BefehlAufruf(const QString& text);    // a usage error
[[noreturn]] void BefehlScheitern(const QString& text); // any other failure

// The notes file at `pfad`, opened for reading and writing and checked to
// be one; a missing file, a folder, a locked or a foreign file is a
// BefehlsFehler that names the path.
std::unique_ptr<Datenbank> NotizdateiOeffnen(const QString& pfad, int warteMs);

// Runs `f`; an error of the store becomes a BefehlsFehler naming the file
// (a lock held too long, or the store's own reason). A BefehlsFehler goes
// through as it is.
void BefehlGeschuetzt(const QString& pfad, int warteMs, const std::function<void()>& f);

// The value of an option that may be given once; nothing when it was not
// given, a usage error when it was given twice (under any of its names).
std::optional<QString> EinmaligerWert(const QCommandLineParser& parser,
                                      const QCommandLineOption& option);

// The notes file of a command, opened for reading and writing and checked
// to be one (NotizdateiOeffnen); every failure is a BefehlsFehler.
// A transaction left open when it goes is rolled back.
class Notizdatei {
public:
    Notizdatei(const QString& pfad, int warteMs);
    ~Notizdatei();
    Notizdatei(const Notizdatei&) = delete;
    Notizdatei& operator=(const Notizdatei&) = delete;

    // The notes, with the write lock taken first, so that a change is made
    // whole or not at all and nobody writes between reading and writing.
    // What later versions added to the tables is added before (in a
    // transaction of its own), as the ticker does when it opens its file.
    Datensatzmenge& Schreiben();
    // The notes, for reading.
    Datensatzmenge& Lesen();
    void Festschreiben();
    // Changes the settings row in one transaction, with what later
    // versions added to the tables added first (this is the own file).
    void EinstellungenAendern(const std::function<void(Datensatzmenge&)>& aendern);

private:
    void sql(const QString& text);
    void geschuetzt(const std::function<void()>& f);

    QString pfad_;
    int warteMs_;
    std::unique_ptr<Datenbank> db_;
    std::unique_ptr<Datensatzmenge> menge_;
    bool offen_ = false;
};

// A file to import, read whole; one that cannot be read or is larger than
// any calendar or list of notes (64 MB: a wrong file) is refused unread.
QByteArray EingabeLesen(const QString& pfad);

} // namespace pinwick
